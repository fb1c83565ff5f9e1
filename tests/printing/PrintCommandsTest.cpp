// The printing commands in the running program (main window hidden, offscreen platform).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QPrinterInfo>
#include <QProcess>
#include <QTimer>
#include <functional>

#include "app/AppTestSupport.h"
#include "app/CommandTable.h"
#include "printing/PrintSetupDlg.h"
#include "printing/ViewPrinting.h"
#include "printing/core/PrintSettings.h"
#include "view/TAVView.h"

namespace {

class PrintCommandsTest : public CAppTest {
protected:
    // Runs act on the print settings dialog once it is open (closing it is act's work); a
    // dialog left open is closed, so a fault cannot hang the run.
    void OnDialog(std::function<void(CPrintSetupDlg&)> act) {
        m_act = std::move(act);
        m_seen = m_polls = 0;
        m_timers = std::make_unique<QObject>();  // ends the polling for an earlier dialog
        QTimer::singleShot(50, m_timers.get(), [this] { Poll(); });
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
            QTimer::singleShot(20, m_timers.get(), [this] { Poll(); });
        }
    }
    static void Click(CPrintSetupDlg& dlg, const char* name) {
        dlg.findChild<QAbstractButton*>(name)->click();
    }

    // Owns the polling timers: none outlives the test.
    std::unique_ptr<QObject> m_timers;
    std::function<void(CPrintSetupDlg&)> m_act;
    int m_seen = 0;
    int m_polls = 0;
};

// While busy the settings and the preview only beep; then a cancelled dialog keeps the view's
// settings and a pick takes them over and starts tool 8.
TEST_F(PrintCommandsTest, SettingsCommand) {
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

    ViewPrintSettings(*view).m_x2 = 4;
    OnDialog([](CPrintSetupDlg& dlg) {
        Click(dlg, "1101");
        Click(dlg, "1106");
        Click(dlg, "IDCANCEL");
    });
    EXPECT_TRUE(frame->Dispatch(cmd::kPrintSettings));
    EXPECT_EQ(app->Prompter().BeepCount(), beeps + 2);
    EXPECT_EQ(m_seen, 1);
    EXPECT_EQ(ViewPrintSettings(*view).m_areaMode, 0);
    EXPECT_EQ(ViewPrintSettings(*view).m_fit, 1);
    EXPECT_EQ(ViewPrintSettings(*view).m_x2, 4.0);

    OnDialog([](CPrintSetupDlg& dlg) {
        Click(dlg, "1101");
        Click(dlg, "1044");
        Click(dlg, "1114");
    });
    EXPECT_TRUE(frame->Dispatch(cmd::kPrintSettings));
    EXPECT_EQ(m_seen, 1);
    EXPECT_EQ(view->GetTool(), kToolPrintWindow);
    EXPECT_EQ(ViewPrintSettings(*view).m_areaMode, 1);
    EXPECT_EQ(ViewPrintSettings(*view).m_blackWhite, 1);
    EXPECT_EQ(frame->StatusText().toStdString(), kPrintWindowPrompt);
}

// Printing from the command line: whatever would be said in a box goes to stderr and is
// answered at once, as nobody may be there to close it; a run that printed nothing fails.
TEST_F(PrintCommandsTest, CommandLinePrintSpeaksOnStderr) {
    const bool noPrinter = QPrinterInfo::availablePrinters().isEmpty();
    app = std::make_unique<CTAVApp>();
    user.Attach(app->Prompter());
    testing::internal::CaptureStderr();
    EXPECT_FALSE(app->InitInstance({"-p", settingsDir.Path() + "/missing.tav"}, false));
    const std::string started = testing::internal::GetCapturedStderr();
    EXPECT_EQ(app->ExitCode(), 1);
    EXPECT_TRUE(app->Documents().empty());
    if (noPrinter) {
        EXPECT_EQ(started, std::string("tav: ") + kPrintCannotStartMsg + "\n");
    }
    testing::internal::CaptureStderr();
    app->Prompter().ShowMessage("Brak pamięci");
    const bool yes = app->Prompter().AskYesNo("Czy zapisać?");
    const CQtPrompter::EAnswer answer = app->Prompter().AskYesNoCancel("Zamknąć?");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "tav: Brak pamięci\ntav: Czy zapisać?\ntav: Zamknąć?\n");
    EXPECT_FALSE(yes);
    EXPECT_EQ(answer, CQtPrompter::EAnswer::Cancel);
    EXPECT_TRUE(user.boxes.empty());
}

#ifdef TAV_BINARY
// The program itself, started to print where no printer is: it ends at once with code 1 and
// the reason on stderr instead of waiting for a box to be closed.
TEST(CommandLinePrintProcess, NoPrinterEndsWithTheReason) {
    if (!QPrinterInfo::availablePrinters().isEmpty()) {
        GTEST_SKIP() << "a printer is installed: the run would print on it";
    }
    CTempDir dir;
    const QString home = QString::fromStdString(dir.path);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR"}) {
        env.insert(QString::fromLatin1(name), home);
    }
    QProcess tav;
    tav.setProcessEnvironment(env);
    tav.start(QStringLiteral(TAV_BINARY),
              {QStringLiteral("-p"), QStringLiteral(TAV_SOURCE_DIR "/examples/plac.tav")});
    ASSERT_TRUE(tav.waitForStarted());
    // Only a guard against a box that nobody closes.
    if (!tav.waitForFinished(120000)) {
        tav.kill();
        tav.waitForFinished();
        FAIL() << "tav -p still running: " << tav.readAllStandardError().toStdString();
    }
    EXPECT_EQ(tav.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(tav.exitCode(), 1);
    const QString err = QString::fromUtf8(tav.readAllStandardError());
    EXPECT_TRUE(err.contains(QStringLiteral("tav: ") + QString::fromUtf8(kPrintCannotStartMsg) +
                             QLatin1Char('\n')))
        << err.toStdString();
}
#endif

}  // namespace
