// The printing commands in the running program (main window hidden, offscreen platform).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <functional>

#include "app/AppTestSupport.h"
#include "app/CommandTable.h"
#include "printing/PrintSetupDlg.h"
#include "view/TAVView.h"

namespace {

class PrintCommandsTest : public CAppTest {
protected:
    // Runs act on the print settings dialog once it is open (closing it is act's work); a
    // dialog left open is closed, so a fault cannot hang the run.
    void OnDialog(std::function<void(CPrintSetupDlg&)> act) {
        m_act = std::move(act);
        m_seen = 0;
        QTimer::singleShot(50, &m_timers, [this] { Poll(); });
    }
    void Poll() {
        if (auto* dlg = qobject_cast<CPrintSetupDlg*>(QApplication::activeModalWidget())) {
            ++m_seen;
            if (m_act) {
                auto act = std::move(m_act);
                m_act = nullptr;
                act(*dlg);
            }
            if (dlg->isVisible()) {
                dlg->reject();
            }
            return;
        }
        if (m_polls++ < 100) {
            QTimer::singleShot(20, &m_timers, [this] { Poll(); });
        }
    }
    static void Click(CPrintSetupDlg& dlg, const char* name) {
        dlg.findChild<QAbstractButton*>(name)->click();
    }

    // Owns the polling timers: none outlives the test.
    QObject m_timers;
    std::function<void(CPrintSetupDlg&)> m_act;
    int m_seen = 0;
    int m_polls = 0;
};

TEST_F(PrintCommandsTest, SettingsAndPreviewOnlyBeepWhileBusy) {
    Start();
    CTAVView* view = frame->ActiveView();
    ASSERT_NE(view, nullptr);
    view->GetDocument()->SetBusy(1);
    const int beeps = app->Prompter().BeepCount();
    OnDialog({});
    EXPECT_TRUE(frame->Dispatch(cmd::kPrintSettings));
    EXPECT_TRUE(frame->Dispatch(cmd::kPrintPreview));
    EXPECT_EQ(app->Prompter().BeepCount(), beeps + 2);
    EXPECT_EQ(m_seen, 0);
    view->GetDocument()->SetBusy(0);
}

TEST_F(PrintCommandsTest, CancelKeepsTheViewsSettings) {
    Start();
    CTAVView* view = frame->ActiveView();
    ASSERT_NE(view, nullptr);
    view->PrintSettings().m_x2 = 4;
    OnDialog([](CPrintSetupDlg& dlg) {
        Click(dlg, "1101");
        Click(dlg, "1106");
        Click(dlg, "IDCANCEL");
    });
    const int beeps = app->Prompter().BeepCount();
    EXPECT_TRUE(frame->Dispatch(cmd::kPrintSettings));
    EXPECT_EQ(app->Prompter().BeepCount(), beeps) << view->GetDocument()->GetBusy();
    EXPECT_EQ(m_seen, 1);
    EXPECT_EQ(view->PrintSettings().m_areaMode, 0);
    EXPECT_EQ(view->PrintSettings().m_fit, 1);
    EXPECT_EQ(view->PrintSettings().m_x2, 4.0);
}

TEST_F(PrintCommandsTest, PickTakesOverTheSettingsAndStartsToolEight) {
    Start();
    CTAVView* view = frame->ActiveView();
    ASSERT_NE(view, nullptr);
    OnDialog([](CPrintSetupDlg& dlg) {
        Click(dlg, "1101");
        Click(dlg, "1044");
        Click(dlg, "1114");
    });
    EXPECT_TRUE(frame->Dispatch(cmd::kPrintSettings));
    EXPECT_EQ(m_seen, 1);
    EXPECT_EQ(view->GetTool(), kToolPrintWindow);
    EXPECT_EQ(view->PrintSettings().m_areaMode, 1);
    EXPECT_EQ(view->PrintSettings().m_blackWhite, 1);
    EXPECT_EQ(frame->StatusText().toStdString(), kPrintWindowPrompt);
}

}  // namespace
