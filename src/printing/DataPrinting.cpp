#include "printing/DataPrinting.h"

#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include "printing/output/DataTreePainter.h"
#include "tools/core/DataRules.h"

void PrintDataTree(const CDataNode& tree, QWidget* parent) {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (!info.isNull()) {
        QPrinter printer(info, QPrinter::HighResolution);
        printer.setDocName(QString::fromUtf8(datatexts::kPrintJob));
        PaintDataTree(printer, tree);
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QString::fromUtf8(datatexts::kPrintJob));
    QPrintPreviewDialog preview(&printer, parent);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested,
                     [&tree](QPrinter* p) { PaintDataTree(*p, tree); });
    preview.exec();
}
