// The OpenGL view as a widget: mouse tools, commands and their check marks, history, drawing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QWheelEvent>
#include <cmath>
#include <memory>

#include "document/TAVDoc.h"
#include "support/Recorders.h"
#include "support/RecordingPrompter.h"
#include "support/TestEntities.h"
#include "support/TestView.h"
#include "support/Widgets.h"
#include "view/TAVView.h"

namespace {

const CTAVView::SViewCommand* Command(unsigned id) {
    for (const CTAVView::SViewCommand& c : CTAVView::Commands()) {
        if (c.id == id) {
            return &c;
        }
    }
    return nullptr;
}

class ViewWidget : public testing::Test {
protected:
    void SetUp() override {
        doc = std::make_unique<CTAVDoc>(&prompter);
        doc->AddEntity(Colored(MakePnt({0, 0, 0}), 1, 1, 1));
        doc->SetViewState(PlanTestViewState());
        view = std::make_unique<CTAVView>(*doc);
        ASSERT_TRUE(ShowAndWaitForFrame(*view)) << "no frame drawn";
    }
    void TearDown() override { view.reset(); }

    void Mouse(QEvent::Type type, int x, int y, Qt::MouseButton button, Qt::MouseButtons held) {
        ::Mouse(view.get(), type, QPointF(x, y), button, held);
    }
    void Run(unsigned id) {
        const CTAVView::SViewCommand* c = Command(id);
        ASSERT_NE(c, nullptr) << id;
        c->run(*view);
    }
    // Enabled and check state of a command.
    std::pair<bool, int> State(unsigned id) {
        bool enabled = true;
        int checked = -1;
        Command(id)->update(*view, enabled, checked);
        return {enabled, checked};
    }

    CRecordingPrompter prompter;
    std::unique_ptr<CTAVDoc> doc;
    std::unique_ptr<CTAVView> view;
};

TEST_F(ViewWidget, ReadsTheSavedCameraAndASelectClickLeavesNoHistory) {
    EXPECT_EQ(view->Camera().m_clientWidth, 400);
    EXPECT_DOUBLE_EQ(view->Camera().m_right, 20.0);
    EXPECT_STREQ(view->GetLastError(), "No Error");
    const QImage img = view->grabFramebuffer();
    EXPECT_EQ(img.pixelColor(200, 150), QColor(255, 255, 255));
    EXPECT_EQ(img.pixelColor(100, 100), QColor(0, 0, 0));
    // A select click leaves no history.
    Mouse(QEvent::MouseButtonPress, 10, 10, Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, 10, 10, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(view->Camera().HistorySize(), 0);
    // The picked point of the press lies on the reference plane.
    EXPECT_NEAR(view->GetPickedPoint().x, -19.0, 1e-9);
    EXPECT_NEAR(view->GetPickedPoint().z, 0.0, 1e-9);
}

TEST_F(ViewWidget, CompilesTheListAfterTheFirstFrameThenIdles) {
    QElapsedTimer t;
    t.start();
    while (view->IsRebuildPending() && t.elapsed() < 5000) {
        QApplication::processEvents();
    }
    EXPECT_FALSE(view->IsRebuildPending());
    EXPECT_EQ(view->Renderer().GetCompileCount(), 1);
    // An idle view neither paints nor compiles again.
    const int paints = view->GetPaintCount();
    t.restart();
    while (t.elapsed() < 300) {
        QApplication::processEvents();
    }
    EXPECT_EQ(view->GetPaintCount(), paints);
    EXPECT_EQ(view->Renderer().GetCompileCount(), 1);
    // A change is shown at the next paint, and compiled once after it.
    Run(32777);
    view->repaint();
    EXPECT_EQ(view->Renderer().GetCompileCount(), 1);
    EXPECT_TRUE(view->IsRebuildPending());
    t.restart();
    while (view->IsRebuildPending() && t.elapsed() < 5000) {
        QApplication::processEvents();
    }
    EXPECT_EQ(view->Renderer().GetCompileCount(), 2);
}

TEST_F(ViewWidget, ToolCommandsCheckMarksAndMiddleDrag) {
    EXPECT_EQ(State(32779).second, 1);
    EXPECT_EQ(State(32780).second, 0);
    EXPECT_EQ(State(32783).second, -1);
    EXPECT_FALSE(State(32812).first);  // empty history
    Run(32781);
    EXPECT_EQ(view->GetTool(), kToolZoom);
    EXPECT_EQ(State(32781).second, 1);
    EXPECT_EQ(State(32779).second, 0);
    Run(32775 + 2);
    EXPECT_EQ(view->GetRenderMode(), 2);
    EXPECT_EQ(State(32777).second, 1);
    EXPECT_TRUE(view->IsRebuildPending());
    // A middle drag rotates and returns to the tool.
    const CPoint3 eye = view->Camera().m_eye;
    Mouse(QEvent::MouseButtonPress, 200, 50, Qt::MiddleButton, Qt::MiddleButton);
    Mouse(QEvent::MouseMove, 200, 100, Qt::NoButton, Qt::MiddleButton);
    EXPECT_EQ(view->GetTool(), kToolRotateMiddle);
    EXPECT_EQ(view->GetPreviousTool(), kToolZoom);
    EXPECT_FALSE(view->Camera().m_eye == eye);
    Mouse(QEvent::MouseButtonRelease, 200, 100, Qt::MiddleButton, Qt::NoButton);
    EXPECT_EQ(view->GetTool(), kToolZoom);
    // "Poprzedni" brings the camera of the press back.
    EXPECT_TRUE(State(32812).first);
    Run(32812);
    EXPECT_TRUE(view->Camera().m_eye == eye);
    EXPECT_FALSE(State(32812).first);
}

TEST_F(ViewWidget, TwoButtonPanZoomWindowAndWheel) {
    const CPoint3 target = view->Camera().m_target;
    Mouse(QEvent::MouseButtonPress, 100, 100, Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonPress, 100, 100, Qt::RightButton, Qt::LeftButton | Qt::RightButton);
    Mouse(QEvent::MouseMove, 140, 100, Qt::NoButton, Qt::LeftButton | Qt::RightButton);
    EXPECT_EQ(view->GetTool(), kToolPanTwoButtons);
    EXPECT_EQ(State(32780).second, 1);  // "Przesuń" shows the temporary pan too
    // 40 px of 400 over a 40-unit window: the camera moves 4 units left.
    EXPECT_NEAR(view->Camera().m_target.x, target.x - 4.0, 1e-9);
    Mouse(QEvent::MouseButtonRelease, 140, 100, Qt::RightButton, Qt::LeftButton);
    EXPECT_EQ(view->GetTool(), kToolPanTwoButtons);  // left still held
    Mouse(QEvent::MouseButtonRelease, 140, 100, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(view->GetTool(), kToolSelect);
    // The zoom window, then the wheel.
    Run(32783);
    EXPECT_EQ(view->GetTool(), kToolZoomWindow);
    Mouse(QEvent::MouseButtonPress, 100, 75, Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseMove, 200, 150, Qt::NoButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, 200, 150, Qt::LeftButton, Qt::NoButton);
    EXPECT_NEAR(view->Camera().m_scale, 0.25, 1e-12);
    EXPECT_EQ(view->GetTool(), kToolSelect);
    QWheelEvent wheel(QPointF(10, 10), view->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.get(), &wheel);
    EXPECT_NEAR(view->Camera().m_scale, 0.25 * std::pow(2.0, 1.0 / 12.0), 1e-12);
}

TEST_F(ViewWidget, BusyDocumentOnlyBeepsButPreviousWorks) {
    view->Camera().PushView();
    doc->SetBusy(1);
    Run(32778);
    Run(32782);
    Run(32784);
    EXPECT_EQ(prompter.beeps, 3);
    EXPECT_EQ(view->GetRenderMode(), 0);
    EXPECT_EQ(view->GetTool(), kToolSelect);
    Run(32812);
    EXPECT_EQ(view->Camera().HistorySize(), 0);
    EXPECT_EQ(prompter.beeps, 3);
}

TEST_F(ViewWidget, CameraGoesBackToTheDocumentBeforeSaving) {
    Run(32776);
    Run(32809);  // plan: pushes, fits and recentres on the point
    CViewState s;
    view->StoreViewState(*doc);
    doc->GetViewState(s);
    EXPECT_EQ(s.renderMode, 1);
    EXPECT_EQ(s.clientWidth, 400);
    EXPECT_TRUE(s.eye == view->Camera().m_eye);
    EXPECT_EQ(s.scale, 1.0);
}

class ViewWidgetInFrame : public ViewWidget {
protected:
    void SetUp() override {
        SetFrameServices(&frame);
        ViewWidget::SetUp();
    }
    void TearDown() override {
        ViewWidget::TearDown();
        SetFrameServices(nullptr);
    }
    CRecordingFrame frame;
};

TEST_F(ViewWidgetInFrame, StatusAndCoordinateTexts) {
    Mouse(QEvent::MouseMove, 300, 75, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(frame.coordinates, "      10.000,      7.500,      0.000");
    // In a local system shifted by (1000, -2000, 5) the pane shows local coordinates.
    CMatrix4 toLocal(CVec3(-1000, 2000, -5));
    doc->SetActiveCoordSystem(
        doc->AddCoordSystem(CCoordSystem("L", CPoint3(1000, -2000, 5), CPoint3(1001, -2000, 5),
                                         CPoint3(1000, -1999, 5)),
                            toLocal));
    Mouse(QEvent::MouseMove, 300, 75, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(frame.coordinates, "    -990.000,   2007.500,      0.000");
    Run(32783);
    EXPECT_EQ(frame.status,
              "Wcisnij lewy przycisk myszy i przeciagnij, aby wskazac okno do powiekszenia."
              "                    ");
    Mouse(QEvent::MouseButtonPress, 10, 10, Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, 60, 40, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(frame.status, "Gotowy");
}

TEST_F(ViewWidgetInFrame, WhiteBackgroundAndTargetMarker) {
    frame.white = true;
    CViewState s = doc->ViewState();
    s.targetMarker = 1;
    s.target = CPoint3(5, 0, 0);
    s.eye = CPoint3(5, 0, 10);
    doc->SetViewState(s);
    CTAVView marked(*doc);
    marked.resize(400, 300);
    const QImage img = marked.grabFramebuffer();
    EXPECT_EQ(img.pixelColor(20, 20), QColor(255, 255, 255));
    // The white point is drawn black; the marker is a green cross 10 px each way around the
    // target's pixel (200, 150).
    EXPECT_EQ(img.pixelColor(150, 150), QColor(0, 0, 0));
    auto greenNear = [&](int x, int y) {
        for (int dx = -1; dx <= 1; ++dx) {
            for (int dy = -1; dy <= 1; ++dy) {
                if (img.pixelColor(x + dx, y + dy) == QColor(0, 255, 0)) {
                    return true;
                }
            }
        }
        return false;
    };
    EXPECT_TRUE(greenNear(209, 150));
    EXPECT_TRUE(greenNear(200, 141));
    EXPECT_TRUE(greenNear(200, 159));
    EXPECT_FALSE(greenNear(215, 150));
}

}  // namespace
