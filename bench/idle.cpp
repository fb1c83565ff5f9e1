// CPU used by the program while nobody touches it: the main window shown with a drawing open,
// the event loop left alone for 10 s. Two runs: the example drawing in one window, and a mixed
// drawing of 10^5 entities in two windows side by side ("Okno" > "Nowe okno", "Podziel").
// Prints the CPU seconds of this process and the frames the views drew meanwhile; the target is
// at most 0.05 s. Needs a display with OpenGL (xvfb-run). Usage: idle [seconds] (default 10).

#include <QApplication>
#include <QEventLoop>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "BenchCommon.h"
#include "MixedDrawing.h"
#include "app/ChildFrame.h"
#include "app/CommandTable.h"
#include "app/MainFrame.h"
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

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    QApplication qapp(argc, argv);
    // The user's settings stay untouched.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());

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
    return 0;
}
