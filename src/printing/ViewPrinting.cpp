#include "printing/ViewPrinting.h"

#include <QPointer>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <algorithm>

#include "document/Prompter.h"
#include "printing/output/PrintJob.h"
#include "view/FrameServices.h"
#include "view/TAVView.h"

namespace {

// The settings ride on the view as a child object, so they go with it.
class CViewPrintSettings : public QObject {
public:
    explicit CViewPrintSettings(QObject* parent) : QObject(parent) {
        setObjectName(QStringLiteral("printSettings"));
    }
    CPrintSettings settings;
};

SPrintJobOptions ViewOptions(const CTAVView& view, bool preview) {
    SPrintJobOptions options;
    options.preview = preview;
    options.renderMode = view.GetRenderMode();
    options.showNames = view.Renderer().m_showNames != 0;
    options.pickList = view.Renderer().m_pickList;
    options.currentPick = view.Renderer().m_currentPick;
    const CFrameServices* frame = GetFrameServices();
    options.whiteBackground = frame != nullptr && frame->IsBackgroundWhite();
    return options;
}

void Tell(CTAVView& view, const std::string& text, CPrompter::EIcon icon) {
    view.GetDocument()->Prompter().ShowMessage(text, icon);
}

}  // namespace

CPrintSettings& ViewPrintSettings(CTAVView& view) {
    auto* held = static_cast<CViewPrintSettings*>(
        view.findChild<QObject*>(QStringLiteral("printSettings"), Qt::FindDirectChildrenOnly));
    if (held == nullptr) {
        held = new CViewPrintSettings(&view);
    }
    return held->settings;
}

void BeginPrintWindowPick(CTAVView& view, std::function<void()> done) {
    QPointer<CTAVView> guard(&view);
    view.BeginWindowPick(kPrintWindowPrompt,
                         [guard, done = std::move(done)](const CPoint3& wa, const CPoint3& wb) {
                             if (!guard) {
                                 return;
                             }
                             const SPrintView plane = PrintViewOf(guard->Camera());
                             double ax = 0, ay = 0, bx = 0, by = 0;
                             WorldToPrintPlane(plane, wa, ax, ay);
                             WorldToPrintPlane(plane, wb, bx, by);
                             CPrintSettings& s = ViewPrintSettings(*guard);
                             s.m_x1 = std::min(ax, bx);
                             s.m_y1 = std::min(ay, by);
                             s.m_x2 = std::max(ax, bx);
                             s.m_y2 = std::max(ay, by);
                             if (done) {
                                 done();
                             }
                         });
}

int64_t CountPrintPages(CTAVView& view, const QPrinter& printer, std::string* reason) {
    CPrintJob job(*view.GetDocument(), view.Camera(), ViewPrintSettings(view),
                  ViewOptions(view, false));
    const SPrintRefusal r = job.OnPreparePrinting(DescribePrintDevice(printer));
    if (!r.ok) {
        if (reason != nullptr) {
            *reason = r.message;
        }
        return 0;
    }
    return job.PageCount();
}

bool HasPrintTarget(const QPrinter& printer) {
    // Without a printer QPrinter falls back to writing a PDF, which needs a file name.
    return printer.outputFormat() == QPrinter::NativeFormat || !printer.outputFileName().isEmpty();
}

bool PrintView(CTAVView& view, QPrinter& printer, bool preview, int64_t from, int64_t to,
               CProgress* progress) {
    SPrintJobOptions options = ViewOptions(view, preview);
    options.progress = progress;
    if (!preview) {
        // Where the print system can drop a job, a stopped one prints nothing.
        options.abortDevice = [&printer] { printer.abort(); };
    }
    CPrintJob job(*view.GetDocument(), view.Camera(), ViewPrintSettings(view), options);
    const SPrintRefusal r = job.Run(printer, from > 0 ? from : 1, to);
    if (job.GetError() != 0) {
        view.RecordPrintError(job.GetError());
    }
    if (r.cancelled) {
        return false;
    }
    if (!r.ok) {
        Tell(view, r.message, CPrompter::EIcon::Warning);
        return false;
    }
    for (const std::string& m : job.Messages()) {
        Tell(view, m, CPrompter::EIcon::Error);
    }
    return job.Messages().empty() && job.GetError() == 0;
}

bool RunPrintDialog(CTAVView& view, QPrinter& printer, QWidget* parent, CProgress* progress) {
    std::string reason;
    int64_t pages = CountPrintPages(view, printer, &reason);
    if (pages == 0) {
        Tell(view, reason, CPrompter::EIcon::Warning);
        return false;
    }
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setMinMax(1, static_cast<int>(pages));
    dialog.setFromTo(1, static_cast<int>(pages));
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    // The paper may have changed in the dialog: count again.
    pages = CountPrintPages(view, printer, &reason);
    if (pages == 0) {
        Tell(view, reason, CPrompter::EIcon::Warning);
        return false;
    }
    int64_t from = 1, to = pages;
    if (printer.printRange() == QPrinter::PageRange) {
        from = std::clamp<int64_t>(printer.fromPage(), 1, pages);
        to = std::clamp<int64_t>(printer.toPage(), from, pages);
    }
    return PrintView(view, printer, false, from, to, progress);
}

void RunPrintPreview(CTAVView& view, QPrinter& printer, QWidget* parent, CProgress* progress) {
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Podgląd wydruku"));
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&view, progress](QPrinter* p) { PrintView(view, *p, true, 0, 0, progress); });
    view.SetSkipResize(1);
    dialog.exec();
    view.SetSkipResize(0);
}
