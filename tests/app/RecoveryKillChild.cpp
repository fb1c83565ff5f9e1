// The program as the recovery test kills it: started like tav, one change made to the new
// drawing the way the drawing tools make it, then left running until it is killed.

#include <QApplication>
#include <clocale>
#include <memory>

#include "app/OpenDoc.h"
#include "app/TAVApp.h"
#include "document/Entity.h"

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setOrganizationName(QStringLiteral("Velmor"));
    QApplication::setApplicationName(QStringLiteral("TAV 2.1"));
    CTAVApp app;
    if (!app.InitInstance({}) || app.Documents().empty()) {
        return 1;
    }
    CTAVDoc& doc = app.Documents().front()->Doc();
    auto point = std::make_unique<CPnt>();
    point->m_point = CPoint3(5420001.5, 6310002.25, 10.0);
    point->m_name = "KILL1";
    doc.AddEntity(std::move(point));
    doc.RecomputeExtents();
    doc.SetModifiedFlag(true);
    doc.InvalidateViews();
    doc.UpdateAllViews(0);
    return QApplication::exec();
}
