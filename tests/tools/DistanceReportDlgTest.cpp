#include "tools/DistanceReportDlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "document/TAVDoc.h"
#include "support/Describe.h"
#include "support/TempFiles.h"
#include "support/TestEntities.h"
#include "support/Widgets.h"

namespace {

void Fill(QWidget& dlg, const char* p1, const char* s1, const char* p2, const char* s2) {
    SetText(dlg, 1116, p1);
    SetText(dlg, 1117, s1);
    SetText(dlg, 1118, p2);
    SetText(dlg, 1119, s2);
}

TEST(DistanceReportDlgTest, ControlsAndTexts) {
    CRecordingPrompter prompter;
    CDistanceReportDlg dlg(prompter);
    EXPECT_EQ(dlg.windowTitle(), "Raport odległości punktów");
    EXPECT_EQ(dlg.findChild<QPushButton*>("1")->text(), "Tak");
    EXPECT_EQ(dlg.findChild<QPushButton*>("2")->text(), "Przerwij");
    auto* local = dlg.findChild<QCheckBox*>("1132");
    ASSERT_NE(local, nullptr);
    EXPECT_EQ(local->text(), "Wyniki w lokalnym układzie współrzędnych");
    QStringList boxes, labels;
    for (const QGroupBox* b : dlg.findChildren<QGroupBox*>()) {
        boxes << b->title();
    }
    for (const QLabel* l : dlg.findChildren<QLabel*>()) {
        labels << l->text();
    }
    EXPECT_EQ(boxes, (QStringList{"Punkty idealne", "Punkty zmierzone"}));
    EXPECT_EQ(labels.count("Stały prefiks w nazwie punktu:"), 2);
    EXPECT_EQ(labels.count("Numer początkowy:"), 2);
    for (int id : {1116, 1117, 1118, 1119}) {
        EXPECT_TRUE(Text(dlg, id).isEmpty());
    }
    EXPECT_EQ(dlg.Values().idealStart, -1);
    EXPECT_EQ(dlg.Values().measuredStart, -1);
    // Names and numbers are read trimmed.
    CRecordingPrompter readPrompter;
    CDistanceReportDlg reading(readPrompter);
    Fill(reading, " \tP 1\t ", "  1", "P 1", "101 ");
    reading.findChild<QCheckBox*>("1132")->setChecked(true);
    Click(reading, 1);
    ASSERT_EQ(reading.result(), QDialog::Accepted);
    EXPECT_TRUE(readPrompter.messages.empty());
    EXPECT_EQ(reading.Values().idealPrefix, "P 1");
    EXPECT_EQ(reading.Values().idealStart, 1);
    EXPECT_EQ(reading.Values().measuredPrefix, "P 1");
    EXPECT_EQ(reading.Values().measuredStart, 101);
    EXPECT_TRUE(reading.Values().local);
}

TEST(DistanceReportDlgTest, RefusalsKeepTheDialogOpen) {
    CRecordingPrompter prompter;
    CDistanceReportDlg dlg(prompter);
    Fill(dlg, "P", "1000001", "P", "x");
    Click(dlg, 1);
    SetText(dlg, 1117, "1");  // now the measured start is the one refused
    Click(dlg, 1);
    SetText(dlg, 1119, " 1");  // the same prefix and number
    Click(dlg, 1);
    SetText(dlg, 1119, "");  // one number only still clashes
    Click(dlg, 1);
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    const char* range = "Wprowadź liczbę całkowitą z zakresu od 0 do 1000000.";
    const char* clash = "Nazwy punktów idealnych i zmierzonych muszą sie różnić";
    const std::vector<std::string> refused = {range, range, clash, clash};
    EXPECT_EQ(MessageTexts(prompter), refused);
    SetText(dlg, 1118, "p");  // prefixes compared with case
    Click(dlg, 1);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(MessageTexts(prompter), refused);
}

TEST(DistanceReportFormatTest, LocaleForms) {
    const QLocale pl(QLocale::Polish, QLocale::Poland);
    const SReportFormat f = LocaleReportFormat(pl);
    const std::string gs = pl.groupSeparator().toStdString();
    EXPECT_EQ(f.number("-1234567.891500"), "-1" + gs + "234" + gs + "567,892");
    EXPECT_EQ(f.number("nan"), "");
    const SReportStamp stamp = f.clock();
    EXPECT_EQ(stamp.date, pl.toString(QDate::currentDate(), QLocale::ShortFormat).toStdString());
    EXPECT_EQ(stamp.time.size(), 8u) << stamp.time;  // HH:mm:ss, no time zone
    EXPECT_EQ(stamp.time[2], ':');

    QLocale c = QLocale::c();
    EXPECT_EQ(LocaleReportFormat(c).number("1234567.5"), "1234567.500");
}

class DistanceReportCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        doc.SetPathName(m_dir.File("model.tav"));
        doc.AddEntity(MakePnt({5.0, 0, 0}, "P5"));
        doc.AddEntity(MakePnt({5.5, 0, 0}, "P105"));
    }

    // Fills and confirms, or cancels, the report dialog once it is shown.
    static void AnswerDialog(const char* p1, const char* s1, const char* p2, const char* s2) {
        OnNextModal([=](QWidget& dlg) {
            ASSERT_NE(qobject_cast<CDistanceReportDlg*>(&dlg), nullptr);
            if (p1 != nullptr) {
                Fill(dlg, p1, s1, p2, s2);
            }
            Click(dlg, p1 != nullptr ? 1 : 2);
        });
    }

    CRecordingPrompter prompter;
    CTAVDoc doc{&prompter};
    CTempDir m_dir;
};

TEST_F(DistanceReportCommandTest, DialogMatchingAndWriter) {
    std::vector<std::string> proposals;
    const std::string out = m_dir.File("wynik.csv");
    const ReportFileChooser choose = [&](const std::string& name) {
        proposals.push_back(name);
        return out;
    };
    AnswerDialog(nullptr, nullptr, nullptr, nullptr);
    OnDistanceReport(doc, nullptr, choose);
    EXPECT_TRUE(proposals.empty());

    AnswerDialog("Q", "", "P", "");
    OnDistanceReport(doc, nullptr, choose);
    EXPECT_EQ(MessageTexts(prompter),
              std::vector<std::string>{"Nie znaleziono punktów o zadanych nazwach"});
    EXPECT_TRUE(proposals.empty());

    AnswerDialog("P", "1", "P", "101");
    OnDistanceReport(doc, nullptr, choose);
    EXPECT_EQ(proposals, std::vector<std::string>{m_dir.File("model")});
    const std::string text = ReadFile(out);
    EXPECT_EQ(text.rfind("\"Etykieta1:\";", 0), 0u);
    EXPECT_NE(text.find("\"P5\";"), std::string::npos);
    EXPECT_NE(text.find("\"P105\";"), std::string::npos);
}

}  // namespace
