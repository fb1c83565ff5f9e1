// CPU used by the program while nobody touches it: the main window shown with a drawing open,
// the event loop left alone for 10 s. Two runs: the example drawing in one window, and a mixed
// drawing of 10^5 entities in two windows side by side ("Okno" > "Nowe okno", "Podziel").
// Then the interface pause of a recovery copy of 10^6 entities (TAV_RECOVERY_RUNS runs, 5).
// Prints the CPU seconds of this process and the frames the views drew meanwhile; the target is
// at most 0.05 s. Needs a display with OpenGL (xvfb-run). Usage: idle [seconds] (default 10).

#include <QApplication>
#include <QEventLoop>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "BenchCommon.h"
#include "MixedDrawing.h"
#include "app/ChildFrame.h"
#include "app/CommandTable.h"
#include "app/MainFrame.h"
#include "app/OpenDoc.h"
#include "app/RecoveryKeeper.h"
#include "app/TAVApp.h"
#include "view/TAVView.h"

namespace {

void RunLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

int Paints(CMainFrame& frame) {
    int n = 0;
    for (CChildFrame* f : frame.ChildFrames()) {
        n += f->GetView()->GetPaintCount();
    }
    return n;
}

void Measure(const char* name, const QString& file, bool split, int seconds) {
    CTAVApp app;
    if (!app.InitInstance({file}, true)) {
        std::fprintf(stderr, "%s: the program did not start\n", name);
        std::exit(1);
    }
    CMainFrame& frame = *app.MainFrame();
    if (split) {
        frame.Dispatch(cmd::kNewWindow);
        frame.Dispatch(cmd::kTile);
    }
    RunLoop(1500);  // start-up, first frames, display lists
    const int paints = Paints(frame);
    const double cpu = CpuSeconds();
    RunLoop(seconds * 1000);
    std::printf("%-34s CPU %.3f s in %d s idle, %d frames drawn (target <= 0.05 s)\n", name,
                CpuSeconds() - cpu, seconds, Paints(frame) - paints);
}

// The interface pause of a recovery turn with a large drawing open in a window: each turn
// follows a change, so each one writes a copy.
void MeasureRecoveryTurn(int n, int runs) {
    CTAVApp app;
    if (!app.InitInstance({}, true) || app.Recovery() == nullptr) {
        std::fprintf(stderr, "the program did not start\n");
        std::exit(1);
    }
    CTAVDoc& doc = app.Documents().front()->Doc();
    BuildMixedDrawing(doc, n);
    doc.RecomputeExtents();
    doc.UpdateAllViews(1);
    RunLoop(3000);
    std::vector<double> pause, onDisk;
    for (int r = 0; r < runs; ++r) {
        doc.SetModifiedFlag(true);
        const auto t0 = Clock::now();
        app.Recovery()->RunTurn();
        const auto t1 = Clock::now();
        app.Recovery()->WaitForWrites();
        pause.push_back(Seconds(t0, t1));
        onDisk.push_back(Seconds(t0, Clock::now()));
    }
    std::printf(
        "recovery turn, 10^%d entities in a window: pause %.3f s, on disk after %.3f s "
        "(medians of %d; target pause < 0.3 s)\n",
        static_cast<int>(std::lround(std::log10(n))), Median(pause), Median(onDisk), runs);
    doc.SetModifiedFlag(false);
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    QApplication qapp(argc, argv);
    // The user's settings stay untouched.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    qputenv("XDG_DATA_HOME", settings.path().toLocal8Bit());

    Measure("example drawing, one window", QStringLiteral(TAV_SOURCE_DIR "/examples/plac.tav"),
            false, seconds);
    const QString big = settings.path() + "/mixed.tav";
    {
        CTAVDoc doc;
        BuildMixedDrawing(doc, 100000);
        doc.RecomputeExtents();
        if (!doc.OnSaveDocument(big.toStdString())) {
            return 1;
        }
    }
    Measure("10^5 entities, two windows", big, true, seconds);
    MeasureRecoveryTurn(1000000, RunsFromEnv("TAV_RECOVERY_RUNS"));
    return 0;
}
