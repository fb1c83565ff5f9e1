// The print settings dialog by object name, and tool 8 of the view (offscreen platform).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QValidator>
#include <memory>
#include <utility>

#include "printing/PrintSetupDlg.h"
#include "printing/ViewPrinting.h"
#include "support/Describe.h"
#include "support/TestView.h"
#include "support/Widgets.h"
#include "view/TAVView.h"

namespace {

class PrintSetupDlgTest : public testing::Test {
protected:
    void Open(const CPrintSettings& s = CPrintSettings{}) {
        dlg = std::make_unique<CPrintSetupDlg>(s, prompter);
        dlg->show();
    }
    QWidget* W(int id) {
        QWidget* w = dlg->Control(id);
        EXPECT_NE(w, nullptr) << id;
        return w;
    }
    void Click(int id) { qobject_cast<QAbstractButton*>(W(id))->click(); }
    void Click(const char* name) { dlg->findChild<QAbstractButton*>(name)->click(); }
    void Type(int id, const char* text) { qobject_cast<QLineEdit*>(W(id))->setText(text); }
    bool Enabled(int id) { return W(id)->isEnabled(); }

    CRecordingPrompter prompter;
    std::unique_ptr<CPrintSetupDlg> dlg;
};

TEST_F(PrintSetupDlgTest, EnablingFollowsEachClick) {
    Open();
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Drukuj"));
    for (int id : {1102, 1103, 1104, 1105, 1114, 1107, 1108, 1110, 1112}) {
        EXPECT_FALSE(Enabled(id)) << id;
    }
    for (int id : {1100, 1101, 1106, 1109, 1111, 1044, 1045, 1113}) {
        EXPECT_TRUE(Enabled(id)) << id;
    }
    Click(1101);
    for (int id : {1102, 1103, 1104, 1105, 1114}) {
        EXPECT_TRUE(Enabled(id)) << id;
    }
    Click(1106);
    EXPECT_TRUE(Enabled(1107));
    EXPECT_TRUE(Enabled(1108));
    Click(1109);
    EXPECT_TRUE(Enabled(1110));
    EXPECT_FALSE(Enabled(1112));
    Click(1111);
    EXPECT_TRUE(Enabled(1112));
    Click(1100);
    EXPECT_FALSE(Enabled(1102));
    EXPECT_FALSE(Enabled(1114));
    auto* combo = qobject_cast<QComboBox*>(W(1045));
    ASSERT_EQ(combo->count(), 9);
    EXPECT_EQ(combo->itemText(0), QStringLiteral("Auto"));
    EXPECT_EQ(combo->itemText(8), QStringLiteral("8"));
    auto* shift = qobject_cast<QDoubleSpinBox*>(W(1110));
    EXPECT_EQ(shift->minimum(), 0.0);
    EXPECT_EQ(shift->maximum(), 1000.0);
}

TEST_F(PrintSetupDlgTest, LineWidthBoxShowsThePenPrinted) {
    const std::pair<int, const char*> cases[] = {{-1, "Auto"}, {0, "Auto"}, {1, "1"},
                                                 {8, "8"},     {9, "Auto"}, {-7, "Auto"}};
    for (const auto& [index, text] : cases) {
        CPrintSettings s;
        s.m_lineWidthIndex = index;
        Open(s);
        EXPECT_EQ(qobject_cast<QComboBox*>(W(1045))->currentText(), QString::fromUtf8(text))
            << index;
        // Closing without a choice keeps the pen.
        Click("IDOK");
        EXPECT_EQ(dlg->Settings().PenWidth(), s.PenWidth()) << index;
    }
    // Cancel changes nothing.
    CPrintSettings s;
    s.m_x2 = 7;
    s.m_lineWidthIndex = 3;
    Open(s);
    Click(1101);
    Click(1106);
    Type(1107, "2,5");
    Click(1044);
    Click("IDCANCEL");
    EXPECT_EQ(dlg->Result(), CPrintSetupDlg::kCancelled);
    EXPECT_EQ(dlg->Settings().m_areaMode, 0);
    EXPECT_EQ(dlg->Settings().m_fit, 1);
    EXPECT_EQ(dlg->Settings().m_mmOnPaper, 1.0);
    EXPECT_EQ(dlg->Settings().m_x2, 7.0);
    EXPECT_EQ(dlg->Settings().m_blackWhite, 0);
    EXPECT_TRUE(prompter.messages.empty());
}

struct RefusalCase {
    const char* name;
    const char* mm;
    const char* units;
    bool window;
    const char* corners[4];
    const char* button;
    const char* message;
    int focus;
};

const RefusalCase kRefusals[] = {
    {"mm_zero", "0", "1", false, {}, "IDOK", kPrintScaleMsg, 1107},
    {"mm_empty", "", "1", false, {}, "IDOK", kPrintScaleMsg, 1107},
    {"units_negative", "1", "-5", false, {}, "1113", kPrintScaleMsg, 1108},
    {"x2_equals_x1", "1", "1", true, {"3", "0", "3", "5"}, "IDOK", kPrintWindowMsg, 1104},
    {"y2_below_y1", "1", "1", true, {"0", "5", "3", "4,5"}, "1113", kPrintWindowMsg, 1105},
    {"pick_still_checks_scale", "1", "0", true, {"3", "0", "3", "5"}, "1114", kPrintScaleMsg, 1108},
};

TEST_F(PrintSetupDlgTest, RefusalsKeepTheDialogOpenOnTheField) {
    for (const RefusalCase& c : kRefusals) {
        SCOPED_TRACE(c.name);
        prompter.messages.clear();
        Open();
        Click(1106);  // scale instead of fit
        Type(1107, c.mm);
        Type(1108, c.units);
        if (c.window) {
            Click(1101);
            const int ids[4] = {1102, 1103, 1104, 1105};
            for (int i = 0; i < 4; ++i) {
                Type(ids[i], c.corners[i]);
            }
        }
        Click(c.button);
        EXPECT_EQ(MessageTexts(prompter), std::vector<std::string>{c.message});
        EXPECT_TRUE(dlg->isVisible());
        EXPECT_EQ(dlg->result(), 0);
        EXPECT_EQ(dlg->focusWidget(), W(c.focus));
    }
}

TEST_F(PrintSetupDlgTest, AcceptedFieldsAndResults) {
    Open();
    Click(1101);
    Click(1106);
    Type(1107, "2,5");
    Type(1108, "1e2");
    Type(1104, "-1");  // the window is wrong, but picking does not look at it
    Click(1109);
    qobject_cast<QDoubleSpinBox*>(W(1110))->setValue(12.5);
    qobject_cast<QComboBox*>(W(1045))->setCurrentIndex(0);
    Click(1114);
    EXPECT_EQ(dlg->Result(), CPrintSetupDlg::kPick);
    const CPrintSettings& s = dlg->Settings();
    EXPECT_EQ(s.m_areaMode, 1);
    EXPECT_EQ(s.m_fit, 0);
    EXPECT_EQ(s.m_mmOnPaper, 2.5);
    EXPECT_EQ(s.m_drawingUnits, 100.0);
    EXPECT_EQ(s.m_x2, -1.0);
    EXPECT_EQ(s.m_centreH, 0);
    EXPECT_EQ(s.m_shiftRight, 12.5);
    EXPECT_EQ(s.m_lineWidthIndex, 0);
    EXPECT_EQ(s.PenWidth(), 1);

    Open(s);
    Type(1104, "4");
    Type(1105, "3");
    Click(1113);
    EXPECT_EQ(dlg->Result(), CPrintSetupDlg::kPreview);
    Open(dlg->Settings());
    Click("IDOK");
    EXPECT_EQ(dlg->Result(), CPrintSetupDlg::kPrint);
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(PrintSetupDlgTest, NumberFieldsTakeNumbersOnly) {
    Open();
    for (int id : {1102, 1103, 1104, 1105, 1107, 1108}) {
        const QValidator* v = qobject_cast<QLineEdit*>(W(id))->validator();
        ASSERT_NE(v, nullptr) << id;
        for (const char* bad : {"1a", "abc", "1.2.3", "--1", "1e5e5"}) {
            QString text = QString::fromLatin1(bad);
            int pos = 0;
            EXPECT_EQ(v->validate(text, pos), QValidator::Invalid) << id << " " << bad;
        }
        for (const char* good : {"12", "-3.5", "2,25", "1e-3", "+7"}) {
            QString text = QString::fromLatin1(good);
            int pos = 0;
            EXPECT_EQ(v->validate(text, pos), QValidator::Acceptable) << id << " " << good;
        }
    }
    double value = 0;
    EXPECT_TRUE(ParsePrintField(QStringLiteral(" 2,5 "), value));
    EXPECT_EQ(value, 2.5);
    EXPECT_FALSE(ParsePrintField(QStringLiteral("-"), value));
    EXPECT_FALSE(ParsePrintField(QStringLiteral("1e999"), value));
}

// --- tool 8 ---

const std::array<int, 4> kPrintWindowPickCases[] = {
    std::array<int, 4>{100, 250, 300, 50},
    std::array<int, 4>{300, 50, 100, 250},
    std::array<int, 4>{100, 50, 300, 250},
    std::array<int, 4>{300, 250, 100, 50},
};

TEST(PrintWindowPick, CornersSortedAndToolRestored) {
    for (const std::array<int, 4>& c : kPrintWindowPickCases) {
        SCOPED_TRACE(c[0] * 1000 + c[1]);
        CRecordingPrompter prompter;
        CTAVDoc doc(&prompter);
        doc.SetViewState(PlanTestViewState());
        CTAVView view(doc);
        view.SetTool(kToolZoom);
        int done = 0;
        BeginPrintWindowPick(view, [&done] { ++done; });
        EXPECT_EQ(view.GetTool(), kToolPrintWindow);
        const QPointF from(c[0], c[1]), to(c[2], c[3]);
        Mouse(&view, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        Mouse(&view, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        Mouse(&view, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
        EXPECT_EQ(done, 1);
        EXPECT_EQ(view.GetTool(), kToolZoom);
        const CPrintSettings& ps = ViewPrintSettings(view);
        // 10 pixels per unit; the pixels (100, 250) and (300, 50) are (-10, -10) and (10, 10).
        EXPECT_NEAR(ps.m_x1, -10, 1e-9);
        EXPECT_NEAR(ps.m_y1, -10, 1e-9);
        EXPECT_NEAR(ps.m_x2, 10, 1e-9);
        EXPECT_NEAR(ps.m_y2, 10, 1e-9);
        // The camera did not move.
        EXPECT_EQ(view.Camera().m_scale, 1.0);
        EXPECT_NEAR(view.Camera().m_left, -20, 1e-12);
    }
}

}  // namespace
