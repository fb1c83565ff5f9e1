// The program as a user drives it, on the xcb platform with OpenGL: an idle window does no
// work, the report runs from its menu, rubber lines and snap markers show at survey heights, a
// first view shows its drawing, and the import dialog picks the reader by the extension.
#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <memory>

#include "app/AppTestSupport.h"
#include "app/ChildFrame.h"
#include "app/CommandTable.h"
#include "app/OpenDoc.h"
#include "document/Entity.h"
#include "exchange/ImportCommand.h"
#include "support/RecordingPrompter.h"
#include "support/TestEntities.h"
#include "support/TestView.h"
#include "support/Widgets.h"
#include "tools/DistanceReportDlg.h"
#include "view/TAVView.h"
#include "view/ViewCursors.h"

namespace {

// Runs the event loop for ms milliseconds, blocking in between as the program does.
void Idle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Counts the title changes of every window, and the times the event loop went to sleep, while
// it lives: a loop that wakes itself up sleeps thousands of times a second.
class CTitleChangeCounter : public QObject {
public:
    CTitleChangeCounter() {
        qApp->installEventFilter(this);
        connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
                [this] { ++sleeps; });
    }
    int count = 0;
    int sleeps = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::WindowTitleChange) {
            ++count;
        }
        return false;
    }
};

void MoveTo(QWidget& w, QPoint p) {
    Mouse(&w, QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton);
}

void Click(QWidget& w, QPoint p) {
    MoveTo(w, p);
    ClickAt(&w, p);
}

// Pixels of img (a frame of background bg) that differ from bg inside the rectangle.
int InkIn(const QImage& img, QRect r, QRgb bg) {
    int n = 0;
    r = r.intersected(img.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            n += (img.pixel(x, y) & 0xffffff) != (bg & 0xffffff) ? 1 : 0;
        }
    }
    return n;
}

// The box of a and b (a plan view) lies in the window with its binding sides 8 pixels clear of
// the edges.
void ExpectFitted(const CCamera& cam, const CPoint3& a, const CPoint3& b) {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    cam.ProjectToWindow(a, x0, y0);
    cam.ProjectToWindow(b, x1, y1);
    const int gapX = std::min({x0, x1, cam.m_clientWidth - x0, cam.m_clientWidth - x1});
    const int gapY = std::min({y0, y1, cam.m_clientHeight - y0, cam.m_clientHeight - y1});
    EXPECT_GE(std::min(gapX, gapY), CCamera::kFitMarginPixels - 1);
    EXPECT_LE(std::min(gapX, gapY), CCamera::kFitMarginPixels + 1);
}

std::unique_ptr<CPnt> Point(const char* name, double x, double y, double z) {
    return Colored(MakePnt({x, y, z}, name), 1, 1, 1);
}

// --- the whole program --------------------------------------------------------------------

class DailyWork : public CAppTest {
protected:
    QString TempPath(const QString& name) const { return settingsDir.Path() + "/" + name; }
    void StartShown(const QStringList& args) {
        app = std::make_unique<CTAVApp>();
        user.Attach(app->Prompter());
        ASSERT_TRUE(app->InitInstance(args, true));
        frame = app->MainFrame();
        for (CChildFrame* f : frame->ChildFrames()) {
            ASSERT_TRUE(WaitForFrame(*f->GetView()));
        }
    }
    static bool WaitForFrame(CTAVView& view) {
        for (int i = 0; i < 100 && view.GetPaintCount() == 0; ++i) {
            Idle(50);
        }
        return view.GetPaintCount() > 0;
    }
    // Writes a document of the given points with a new document's camera.
    QString WriteDoc(const QString& name, std::vector<std::unique_ptr<CPnt>> points) {
        CTAVDoc doc;
        for (auto& p : points) {
            doc.AddEntity(std::move(p));
        }
        doc.RecomputeExtents();
        const QString path = TempPath(name);
        EXPECT_TRUE(doc.OnSaveDocument(path.toStdString()));
        return path;
    }
    QString WriteFile(const QString& name, const QByteArray& bytes) {
        QFile f(TempPath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }
    QAction* MenuAction(unsigned id) {
        for (QAction* a : frame->ActionsFor(id)) {
            if (qobject_cast<QMenu*>(a->parent())) {
                return a;
            }
        }
        return nullptr;
    }
};

TEST_F(DailyWork, IdleProgramNeitherPaintsNorRetitles) {
    const QString path = TempPath("plac.tav");
    ASSERT_TRUE(QFile::copy(QStringLiteral(TAV_SOURCE_DIR "/examples/plac.tav"), path));
    StartShown({path});
    CTitleChangeCounter titles;
    Idle(300);  // what the start left to do
    CTAVView* view = frame->ActiveView();
    ASSERT_NE(view, nullptr);
    CTAVView* second = view;
    for (int views = 1; views <= 2; ++views) {
        if (views == 2) {  // two views side by side stay as quiet
            ASSERT_TRUE(frame->Dispatch(cmd::kNewWindow));
            ASSERT_TRUE(frame->Dispatch(cmd::kTile));
            ASSERT_EQ(frame->ChildFrames().size(), 2);
            second = frame->ChildFrames()[1]->GetView();
            ASSERT_TRUE(WaitForFrame(*second));
            Idle(300);
        }
        const int paints = view->GetPaintCount() + (views == 2 ? second->GetPaintCount() : 0);
        titles.count = titles.sleeps = 0;
        Idle(2000);
        EXPECT_LE(view->GetPaintCount() + (views == 2 ? second->GetPaintCount() : 0) - paints, 2);
        EXPECT_LE(titles.count, 2) << views;
        EXPECT_LE(titles.sleeps, 200) << views;  // the fault woke it 60 000 times a second
    }

    // States still follow their causes: the document's flag, and a pick made with the mouse.
    COpenDoc* doc = frame->ActiveDocument();
    doc->Doc().SetModifiedFlag();
    Idle(50);
    EXPECT_TRUE(frame->isWindowModified());
    EXPECT_TRUE(frame->ActiveChild()->windowTitle().endsWith("[*]"));
    EXPECT_TRUE(frame->ActiveChild()->isWindowModified());
    QAction* clear = MenuAction(32772);
    ASSERT_NE(clear, nullptr);
    EXPECT_FALSE(clear->isEnabled());
    CTAVView* active = frame->ActiveView();
    int x = 0, y = 0;
    for (int i = 0; i < doc->Doc().GetEntityCount(); ++i) {
        if (const auto* p = dynamic_cast<const CPnt*>(doc->Doc().GetEntity(i))) {
            active->Camera().ProjectToWindow(p->m_point, x, y);
            break;
        }
    }
    Click(*active, {x, y});
    Idle(50);
    ASSERT_GE(active->GetCurrentPick(), 0);
    EXPECT_TRUE(clear->isEnabled());
}

TEST_F(DailyWork, DistanceReportFromTheMenu) {
    std::vector<std::unique_ptr<CPnt>> points;
    points.push_back(Point("A1", 0, 0, 0));
    points.push_back(Point("A2", 10, 0, 0));
    points.push_back(Point("B1", 0, 0.5, 0));
    points.push_back(Point("B2", 10, 0, 2));
    const QString path = WriteDoc("pomiar.tav", std::move(points));
    StartShown({path});
    QAction* report = MenuAction(cmd::kDistanceReport);
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->text(), "&Raport o odległościach punktów ");
    EXPECT_TRUE(report->isEnabled());

    // Busy: a beep and nothing else.
    CTAVDoc& doc = frame->ActiveDocument()->Doc();
    doc.SetBusy(1);
    const int beeps = app->Prompter().BeepCount();
    report->trigger();
    EXPECT_EQ(app->Prompter().BeepCount(), beeps + 1);
    EXPECT_TRUE(user.fileRequests.empty());
    doc.SetBusy(0);

    const auto answer = [](const char* ideal, const char* measured) {
        QTimer::singleShot(0, [=] {
            auto* dlg = qobject_cast<CDistanceReportDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dlg, nullptr);
            dlg->findChild<QLineEdit*>("1116")->setText(ideal);
            dlg->findChild<QLineEdit*>("1117")->setText("1");
            dlg->findChild<QLineEdit*>("1118")->setText(measured);
            dlg->findChild<QLineEdit*>("1119")->setText("1");
            dlg->findChild<QPushButton*>("1")->click();
        });
    };
    for (const char* ext : {"txt", "csv"}) {
        const QString out = TempPath(QString("raport.") + ext);
        user.files.push_back({out, QString(ext) == "csv" ? 2 : 1});
        answer("A", "B");
        report->trigger();
        ASSERT_FALSE(user.fileRequests.empty());
        const CQtPrompter::SFileRequest& asked = user.fileRequests.back();
        EXPECT_TRUE(asked.save);
        EXPECT_EQ(asked.filters,
                  (QStringList{"Pliki tekstowe (*.txt)", "Pliki tekstowe CSV (*.csv)",
                               "Wszystkie pliki (*.*)"}));
        EXPECT_EQ(asked.filterSuffixes, (QStringList{"txt", "csv", "txt"}));
        EXPECT_EQ(asked.fileName, TempPath("pomiar"));
        QFile written(out);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly)) << ext;
        const QByteArray text = written.readAll();
        EXPECT_TRUE(text.contains("A1")) << ext;
        EXPECT_TRUE(text.contains("B2")) << ext;
        // The distances A1-B1 and A2-B2.
        EXPECT_TRUE(text.contains("0.500")) << ext;
        EXPECT_TRUE(text.contains("2.000")) << ext;
    }
}

// A file written without a view carries a new document's camera: the first view shows its
// drawing, fitted 8 pixels clear of the edges; a file with a camera of its own keeps it.
TEST_F(DailyWork, FirstViewShowsTheDrawing) {
    std::vector<std::unique_ptr<CPnt>> points;
    points.push_back(Point("P1", 5420000.0, 6310000.0, 100.0));
    points.push_back(Point("P2", 5420050.0, 6310020.0, 104.0));
    const QString converted = WriteDoc("convert.tav", std::move(points));
    CTAVDoc own;
    own.AddEntity(Point("Q", 1, 2, 3));
    CViewState camera = PlanTestViewState();
    own.SetViewState(camera);
    ASSERT_TRUE(own.OnSaveDocument(TempPath("own.tav").toStdString()));
    StartShown({converted, TempPath("own.tav")});
    ASSERT_EQ(frame->ChildFrames().size(), 2);

    CTAVView& fitted = *frame->ChildFrames()[0]->GetView();
    const CCamera& cam = fitted.Camera();
    ExpectFitted(cam, CPoint3(5420000.0, 6310000.0, 100.0), CPoint3(5420050.0, 6310020.0, 104.0));
    EXPECT_EQ(cam.HistorySize(), 0);

    const CCamera& kept = frame->ChildFrames()[1]->GetView()->Camera();
    EXPECT_DOUBLE_EQ(kept.m_eye.z, camera.eye.z);
    EXPECT_DOUBLE_EQ(kept.m_target.x, 0.0);
}

// The import dialog opens on every supported file, which reads by the extension; an unknown
// extension reads nothing; an import into an empty drawing shows it, into a full one keeps the
// view.
TEST_F(DailyWork, ImportByExtensionAndTheFirstView) {
    StartShown({});
    const QByteArray dxf =
        "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n10\n5420000\n20\n6310000\n30\n100\n"
        "11\n5420100\n21\n6310040\n31\n100\n0\nENDSEC\n0\nEOF\n";
    const QString upper = WriteFile("PLAN.DXF", dxf);
    const QString unknown = WriteFile("plan.xyz", dxf);
    CTAVView& view = *frame->ActiveView();
    CTAVDoc& doc = frame->ActiveDocument()->Doc();

    user.files.push_back({unknown, kImportFilterAll});
    ASSERT_TRUE(frame->Dispatch(cmd::kImport));
    ASSERT_EQ(user.fileRequests.size(), 1u);
    const CQtPrompter::SFileRequest& asked = user.fileRequests[0];
    ASSERT_EQ(asked.filters.size(), 9);
    EXPECT_EQ(asked.filters[0], "Points from text file (*.pnt)");
    EXPECT_EQ(
        asked.filters[7],
        "Wszystkie obsługiwane pliki (*.pnt *.gsi *.pnl *.crv *.dxf *.pym *.asc *.csv *.txt)");
    EXPECT_EQ(asked.filterIndex, 8);
    EXPECT_EQ(doc.GetEntityCount(), 0);
    ASSERT_EQ(user.boxes.size(), 1u);
    EXPECT_EQ(user.boxes[0].text.toStdString(),
              "Nie rozpoznano rodzaju pliku \"plan.xyz\" po jego rozszerzeniu.\n"
              "Obsługiwane rozszerzenia: pnt, gsi, pnl, crv, dxf, pym, asc, csv.");
    EXPECT_FALSE(doc.IsModified());

    user.files.push_back({upper, kImportFilterAll});
    ASSERT_TRUE(frame->Dispatch(cmd::kImport));
    ASSERT_EQ(doc.GetEntityCount(), 1);
    ExpectFitted(view.Camera(), CPoint3(5420000, 6310000, 100), CPoint3(5420100, 6310040, 100));
    EXPECT_EQ(view.Camera().HistorySize(), 0);

    // A second import into the drawing that now has entities leaves the camera alone.
    const CPoint3 eye = view.Camera().m_eye;
    const double right = view.Camera().m_right;
    const QString far = WriteFile("far.dxf", QByteArray(dxf).replace("5420", "7420"));
    user.files.push_back({far, kImportFilterAll});
    ASSERT_TRUE(frame->Dispatch(cmd::kImport));
    EXPECT_EQ(doc.GetEntityCount(), 2);
    EXPECT_DOUBLE_EQ(view.Camera().m_eye.x, eye.x);
    EXPECT_DOUBLE_EQ(view.Camera().m_right, right);
}

// --- one view -------------------------------------------------------------------------------

struct SHeightCase {
    const char* name;
    double z;
    int perspective;
    bool clamp;  // false: as on a context without depth clamping
};

// "Długość" between two empty spots: the segment to the cursor lies on the plane z = 0, far
// outside the depth range fitted to a drawing at survey height, and must still be drawn.
const SHeightCase kRubberLineCases[] = {
    {"z100", 100.0, 0, true},         {"zMinus5000", -5000.0, 0, true},
    {"z1e7", 1e7, 0, true},           {"z100Perspective", 100.0, 1, true},
    {"z100NoClamp", 100.0, 0, false}, {"zMinus5000NoClamp", -5000.0, 0, false},
};

TEST(RubberLine, ShowsAtSurveyHeights) {
    for (const SHeightCase& c : kRubberLineCases) {
        SCOPED_TRACE(c.name);
        CRecordingPrompter prompter;
        CTAVDoc doc(&prompter);
        doc.AddEntity(Point("P1", 5420000, 6310000, c.z));
        doc.AddEntity(Point("P2", 5420040, 6310030, c.z));
        doc.RecomputeExtents();
        CViewState s = PlanTestViewState();
        s.perspective = c.perspective;
        doc.SetViewState(s);
        CTAVView view(doc);
        ASSERT_TRUE(ShowAndWaitForFrame(view));
        view.Renderer().m_depthClamp = view.Renderer().m_depthClamp && c.clamp;
        view.OnPlan();
        view.OnZoomAll();
        view.OnMeasure(2);
        const QPoint a(100, 150), b(300, 150);
        Click(view, a);
        MoveTo(view, b);
        const QImage img = view.grabFramebuffer();
        // Along the middle of the segment, away from the markers at its ends.
        const int ink = InkIn(img, QRect(150, 146, 100, 9), qRgb(0, 0, 0));
        EXPECT_GE(ink, 40) << c.name;
        view.AbandonMeasurement();
    }
}

// A localized vertex gets the square marker drawn around it; a segment's midpoint the triangle.
TEST(SnapMarker, DrawnAtTheSnappedPointWithItsKind) {
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    doc.AddEntity(Colored(MakePoly({{-10, -5, 0}, {10, -5, 0}}), 1, 0, 0));
    doc.RecomputeExtents();
    doc.SetViewState(PlanTestViewState());
    CTAVView view(doc);
    ASSERT_TRUE(ShowAndWaitForFrame(view));
    view.m_localizationMask = kSnapVertex | kSnapMidpoint;
    view.OnMeasure(1);
    int x = 0, y = 0;
    view.Camera().ProjectToWindow(CPoint3(-10, -5, 0), x, y);
    MoveTo(view, {x + 1, y - 1});
    ASSERT_TRUE(view.IsLocalizedPending());
    EXPECT_EQ(view.GetLocalizedKind(), kSnapVertex);
    QImage img = view.grabFramebuffer();
    const int h = kSnapMarkerSize / 2;
    const QRgb marker = kSnapMarkerRgb;
    // The square's edges left and right of the vertex, none of the line's own colour.
    EXPECT_EQ(img.pixel(x - h, y) & 0xffffff, marker & 0xffffff);
    EXPECT_EQ(img.pixel(x + h, y - 2) & 0xffffff, marker & 0xffffff);
    EXPECT_NE(img.pixel(x, y - h - 3) & 0xffffff, marker & 0xffffff);

    view.Camera().ProjectToWindow(CPoint3(0, -5, 0), x, y);
    MoveTo(view, {x, y});
    ASSERT_TRUE(view.IsLocalizedPending());
    EXPECT_EQ(view.GetLocalizedKind(), kSnapMidpoint);
    img = view.grabFramebuffer();
    EXPECT_EQ(img.pixel(x, y + h) & 0xffffff, marker & 0xffffff);  // the triangle's base
    EXPECT_NE(img.pixel(x - h, y) & 0xffffff, marker & 0xffffff);  // no square side

    // Away from everything: no marker.
    MoveTo(view, {20, 20});
    EXPECT_FALSE(view.IsLocalizedPending());
    EXPECT_EQ(view.GetLocalizedKind(), 0);
    view.AbandonMeasurement();
}

}  // namespace
