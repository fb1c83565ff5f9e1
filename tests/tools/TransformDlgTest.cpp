#include "tools/TransformDlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "support/RecordingPrompter.h"

namespace {

template <class T>
T* Find(QWidget& dlg, int id) {
    T* w = dlg.findChild<T*>(QString::number(id));
    EXPECT_NE(w, nullptr) << id;
    return w;
}

void SetField(QWidget& dlg, int id, const char* text) {
    Find<QLineEdit>(dlg, id)->setText(text);
}

void ClickOk(QWidget& dlg) {
    dlg.findChild<QPushButton*>("1")->click();
}

TEST(TransformDlgTest, ControlsAndTexts) {
    CRecordingPrompter prompter;
    CTransformDlg dlg(prompter);
    EXPECT_EQ(dlg.windowTitle(), "Transformacja:");
    EXPECT_EQ(dlg.findChild<QPushButton*>("1")->text(), "Tak");
    EXPECT_EQ(Find<QCheckBox>(dlg, 1131)->text(), "układ lewoskrętny");
    for (int id : {1055, 1056, 1057, 1061, 1062, 1063, 1067, 1068, 1069, 1070, 1071, 1072, 1076,
                   1077, 1078, 1082, 1083, 1084}) {
        Find<QLineEdit>(dlg, id);
    }
    for (int first : {1058, 1064, 1073, 1079}) {
        EXPECT_EQ(Find<QRadioButton>(dlg, first)->text(), "X");
        EXPECT_EQ(Find<QRadioButton>(dlg, first + 1)->text(), "Y");
        EXPECT_EQ(Find<QRadioButton>(dlg, first + 2)->text(), "Z");
    }
    QStringList titles;
    for (const QGroupBox* box : dlg.findChildren<QGroupBox*>()) {
        titles << box->title();
    }
    EXPECT_EQ(titles.count("Układ odniesienia modelu importowanego w jego współrzędnych"), 1);
    EXPECT_EQ(
        titles.count("Położenie układ odniesienia modelu importowanego we współrzędnych  rysunku"),
        1);
    EXPECT_EQ(titles.count("Początek"), 2);
    EXPECT_EQ(titles.count("Punkt na osi:"), 4);
    // Defaults, then preloaded values, which come back exactly when unchanged.
    CRecordingPrompter preloadPrompter;
    CTransformDlg preload(preloadPrompter);
    // Defaults.
    EXPECT_EQ(Find<QLineEdit>(preload, 1061)->text(), "1");
    EXPECT_TRUE(Find<QRadioButton>(preload, 1058)->isChecked());
    EXPECT_TRUE(Find<QRadioButton>(preload, 1065)->isChecked());
    EXPECT_TRUE(Find<QRadioButton>(preload, 1080)->isChecked());
    SAlignment a;
    a.modelOrigin = CPoint3(5420000.125, -0.1, 1e-9);
    a.modelFirstAxis = 1;
    a.modelSecondAxis = 2;
    a.leftHanded = true;
    preload.SetValues(a);
    EXPECT_EQ(Find<QLineEdit>(preload, 1055)->text(), "5420000.125");
    EXPECT_EQ(Find<QLineEdit>(preload, 1056)->text(), "-0.1");
    EXPECT_EQ(Find<QLineEdit>(preload, 1057)->text(), "1e-09");
    EXPECT_TRUE(Find<QRadioButton>(preload, 1059)->isChecked());
    EXPECT_TRUE(Find<QRadioButton>(preload, 1066)->isChecked());
    EXPECT_TRUE(Find<QCheckBox>(preload, 1131)->isChecked());
    // Unchanged values come back exactly.
    ClickOk(preload);
    EXPECT_EQ(preload.result(), QDialog::Accepted);
    EXPECT_EQ(preload.Values().modelOrigin.x, 5420000.125);
    EXPECT_EQ(preload.Values().modelOrigin.z, 1e-9);
    EXPECT_EQ(preload.Values().modelSecondAxis, 2);
    EXPECT_TRUE(preload.Values().leftHanded);
}

TEST(TransformDlgTest, FailedCheckKeepsTheDialogOpen) {
    CRecordingPrompter prompter;
    CTransformDlg dlg(prompter);
    SetField(dlg, 1067, "2");                // model points (0,0,0), (1,0,0), (2,1,0)...
    SetField(dlg, 1068, "0");                // ...now on one line
    Find<QRadioButton>(dlg, 1079)->click();  // and the drawing's axes both X
    ClickOk(dlg);
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text,
              "Trzy punkty importowanego modelu nie tworza ukladu wspólrzednych!");
    EXPECT_EQ(dlg.Values().modelSecondPoint.x, 0.0);  // nothing taken over

    SetField(dlg, 1068, "1");
    ClickOk(dlg);
    ASSERT_EQ(prompter.messages.size(), 2u);
    EXPECT_EQ(prompter.messages[1].text,
              "Dwukrotnie zdefiniowano ta sama os dla ukladu wspólrzednych modelu!");
    Find<QRadioButton>(dlg, 1080)->click();
    Find<QRadioButton>(dlg, 1058)->setChecked(false);
    Find<QRadioButton>(dlg, 1064)->click();
    ClickOk(dlg);
    ASSERT_EQ(prompter.messages.size(), 3u);
    EXPECT_EQ(prompter.messages[2].text,
              "Dwukrotnie zdefiniowano ta sama os dla ukladu wspólrzednych importowanego modelu!");
    Find<QRadioButton>(dlg, 1065)->click();
    ClickOk(dlg);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(prompter.messages.size(), 3u);
    EXPECT_EQ(dlg.Values().modelSecondPoint.x, 2.0);
    EXPECT_EQ(dlg.Values().drawingSecondAxis, 1);
}

TEST(TransformDlgTest, FieldThatIsNotANumberBeeps) {
    CRecordingPrompter prompter;
    CTransformDlg dlg(prompter);
    SetField(dlg, 1077, "1,5x");
    ClickOk(dlg);
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(prompter.beeps, 1);
    EXPECT_TRUE(prompter.messages.empty());
    SetField(dlg, 1077, " 2.5 ");
    ClickOk(dlg);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Values().drawingFirstPoint.y, 2.5);
}

// Answers the dialog that RunTransformDlg shows.
void AnswerModal(bool ok) {
    QTimer::singleShot(0, [ok] {
        auto* dlg = qobject_cast<CTransformDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        if (ok) {
            SetField(*dlg, 1070, "100");
            ClickOk(*dlg);
        } else {
            dlg->findChild<QPushButton*>("2")->click();
        }
    });
}

TEST(TransformDlgTest, RunWritesBackOnlyOnOk) {
    CRecordingPrompter prompter;
    SAlignment values;
    values.modelOrigin = CPoint3(7, 0, 0);
    values.modelFirstPoint = CPoint3(8, 0, 0);
    values.modelSecondPoint = CPoint3(7, 1, 0);
    AnswerModal(false);
    EXPECT_FALSE(RunTransformDlg(values, prompter));
    EXPECT_EQ(values.drawingOrigin.x, 0.0);
    AnswerModal(true);
    EXPECT_TRUE(RunTransformDlg(values, prompter));
    EXPECT_EQ(values.drawingOrigin.x, 100.0);
    EXPECT_EQ(values.modelOrigin.x, 7.0);
}

}  // namespace
