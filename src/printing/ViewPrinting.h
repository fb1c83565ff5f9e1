#pragma once

// Printing a view on a QPrinter: the job with the view's settings, camera and display state,
// the page count for the print dialog, the print and preview commands and the settings dialog.

#include <cstdint>
#include <functional>
#include <string>

#include "printing/core/PrintSettings.h"

class CProgress;
class CTAVView;
class QPrinter;
class QWidget;

// The print settings of view, kept as long as the view lives.
CPrintSettings& ViewPrintSettings(CTAVView& view);
// Starts picking the print window in view; done runs once a dragged window is in the view's
// print settings, in the print plane frame.
void BeginPrintWindowPick(CTAVView& view, std::function<void()> done);

// Pages of the view's print on printer's paper; 0 when the settings are refused (reason set).
int64_t CountPrintPages(CTAVView& view, const QPrinter& printer, std::string* reason = nullptr);

// True when printer leads somewhere: a printer of the system, or a file to print into.
bool HasPrintTarget(const QPrinter& printer);

// Prints the view on printer, pages from..to (0, 0: all). preview: arcs at screen density.
// Messages go to the document's prompter. False when the job was refused or a page could not
// be drawn in full. progress, when given, sees the pages; stopped there, the printer is asked
// to drop the job (not in a preview), the job ends cleanly, nothing is said and false is
// returned.
bool PrintView(CTAVView& view, QPrinter& printer, bool preview, int64_t from = 0, int64_t to = 0,
               CProgress* progress = nullptr);

// 57607: the print dialog with pages 1..n, then the job (seen by progress, when given). False
// when cancelled or refused.
bool RunPrintDialog(CTAVView& view, QPrinter& printer, QWidget* parent,
                    CProgress* progress = nullptr);

// 57609: the print preview; the view skips resizing until it closes. progress, when given,
// sees each drawing of the pages; stopped, the preview shows what was drawn.
void RunPrintPreview(CTAVView& view, QPrinter& printer, QWidget* parent,
                     CProgress* progress = nullptr);
