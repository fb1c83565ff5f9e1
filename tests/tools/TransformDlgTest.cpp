#include "tools/TransformDlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "support/Describe.h"
#include "support/Widgets.h"

namespace {

TEST(TransformDlgTest, ControlsAndTexts) {
    CRecordingPrompter prompter;
    CTransformDlg dlg(prompter);
    EXPECT_EQ(dlg.windowTitle(), "Transformacja:");
    EXPECT_EQ(dlg.findChild<QPushButton*>("1")->text(), "Tak");
    EXPECT_EQ(Control<QCheckBox>(dlg, 1131)->text(), "układ lewoskrętny");
    for (int id : {1055, 1056, 1057, 1061, 1062, 1063, 1067, 1068, 1069, 1070, 1071, 1072, 1076,
                   1077, 1078, 1082, 1083, 1084}) {
        Control<QLineEdit>(dlg, id);
    }
    for (int first : {1058, 1064, 1073, 1079}) {
        EXPECT_EQ(Control<QRadioButton>(dlg, first)->text(), "X");
        EXPECT_EQ(Control<QRadioButton>(dlg, first + 1)->text(), "Y");
        EXPECT_EQ(Control<QRadioButton>(dlg, first + 2)->text(), "Z");
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
    EXPECT_EQ(Control<QLineEdit>(preload, 1061)->text(), "1");
    EXPECT_TRUE(Control<QRadioButton>(preload, 1058)->isChecked());
    EXPECT_TRUE(Control<QRadioButton>(preload, 1065)->isChecked());
    EXPECT_TRUE(Control<QRadioButton>(preload, 1080)->isChecked());
    SAlignment a;
    a.modelOrigin = CPoint3(5420000.125, -0.1, 1e-9);
    a.modelFirstAxis = 1;
    a.modelSecondAxis = 2;
    a.leftHanded = true;
    preload.SetValues(a);
    EXPECT_EQ(Control<QLineEdit>(preload, 1055)->text(), "5420000.125");
    EXPECT_EQ(Control<QLineEdit>(preload, 1056)->text(), "-0.1");
    EXPECT_EQ(Control<QLineEdit>(preload, 1057)->text(), "1e-09");
    EXPECT_TRUE(Control<QRadioButton>(preload, 1059)->isChecked());
    EXPECT_TRUE(Control<QRadioButton>(preload, 1066)->isChecked());
    EXPECT_TRUE(Control<QCheckBox>(preload, 1131)->isChecked());
    // Unchanged values come back exactly.
    Click(preload, 1);
    EXPECT_EQ(preload.result(), QDialog::Accepted);
    EXPECT_EQ(preload.Values().modelOrigin.x, 5420000.125);
    EXPECT_EQ(preload.Values().modelOrigin.z, 1e-9);
    EXPECT_EQ(preload.Values().modelSecondAxis, 2);
    EXPECT_TRUE(preload.Values().leftHanded);
}

TEST(TransformDlgTest, FailedCheckKeepsTheDialogOpen) {
    CRecordingPrompter prompter;
    CTransformDlg dlg(prompter);
    SetText(dlg, 1067, "2");                    // model points (0,0,0), (1,0,0), (2,1,0)...
    SetText(dlg, 1068, "0");                    // ...now on one line
    Control<QRadioButton>(dlg, 1079)->click();  // and the drawing's axes both X
    Click(dlg, 1);
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Values().modelSecondPoint.x, 0.0);  // nothing taken over
    SetText(dlg, 1068, "1");
    Click(dlg, 1);
    Control<QRadioButton>(dlg, 1080)->click();
    Control<QRadioButton>(dlg, 1058)->setChecked(false);
    Control<QRadioButton>(dlg, 1064)->click();
    Click(dlg, 1);
    const std::vector<std::string> refused = {
        "Trzy punkty importowanego modelu nie tworza ukladu wspólrzednych!",
        "Dwukrotnie zdefiniowano ta sama os dla ukladu wspólrzednych modelu!",
        "Dwukrotnie zdefiniowano ta sama os dla ukladu wspólrzednych importowanego modelu!"};
    EXPECT_EQ(MessageTexts(prompter), refused);
    Control<QRadioButton>(dlg, 1065)->click();
    Click(dlg, 1);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(MessageTexts(prompter), refused);
    EXPECT_EQ(dlg.Values().modelSecondPoint.x, 2.0);
    EXPECT_EQ(dlg.Values().drawingSecondAxis, 1);
}

TEST(TransformDlgTest, FieldThatIsNotANumberBeeps) {
    CRecordingPrompter prompter;
    CTransformDlg dlg(prompter);
    SetText(dlg, 1077, "1,5x");
    Click(dlg, 1);
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(prompter.beeps, 1);
    EXPECT_TRUE(prompter.messages.empty());
    SetText(dlg, 1077, " 2.5 ");
    Click(dlg, 1);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Values().drawingFirstPoint.y, 2.5);
}

// Answers the dialog that RunTransformDlg shows.
void AnswerModal(bool ok) {
    OnNextModal([ok](QWidget& dlg) {
        ASSERT_NE(qobject_cast<CTransformDlg*>(&dlg), nullptr);
        SetText(dlg, 1070, "100");
        Click(dlg, ok ? 1 : 2);
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
