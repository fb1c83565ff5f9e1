// Picking, point input and measuring through the view's mouse and keys.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <memory>

#include "document/TAVDoc.h"
#include "support/Describe.h"
#include "support/Recorders.h"
#include "support/TestEntities.h"
#include "support/TestView.h"
#include "support/Widgets.h"
#include "tools/core/Measurement.h"
#include "view/FrameServices.h"
#include "view/TAVView.h"
#include "view/core/PointLocator.h"

namespace {

// Pixel of world (x, y): ten pixels a unit, the origin at (200, 150).
int Px(double x) {
    return static_cast<int>(200 + 10 * x);
}
int Py(double y) {
    return static_cast<int>(150 - 10 * y);
}

class ViewPick : public testing::Test {
protected:
    void SetUp() override {
        SetFrameServices(&frame);
        FrameCommandHooks().measurementText = MeasurementText;
        doc = std::make_unique<CTAVDoc>(&prompter);
        doc->Layers().emplace_back("ukryta", 0, 0);
        // 0: a line at y = 0.3, 1: a point at (0, 5), 2: a line on the hidden layer at y = -5.
        AddLine({-5, 0.3, 0}, {5, 0.3, 0}, 0);
        doc->AddEntity(MakePnt({0, 5, 0}));
        AddLine({-5, -5, 0}, {5, -5, 0}, 1);
        doc->SetViewState(PlanTestViewState());
        view = std::make_unique<CTAVView>(*doc);
        ASSERT_TRUE(ShowAndWaitForFrame(*view)) << "no frame drawn";
    }
    void TearDown() override {
        view.reset();
        SetFrameServices(nullptr);
        FrameCommandHooks() = {};
    }

    void AddLine(CPoint3 a, CPoint3 b, int layer) {
        auto l = MakePoly({a, b});
        l->m_layer = layer;
        doc->AddEntity(std::move(l));
    }
    void Move(int x, int y, Qt::MouseButtons held = Qt::NoButton,
              Qt::KeyboardModifiers mods = Qt::NoModifier) {
        ::Mouse(view.get(), QEvent::MouseMove, QPointF(x, y), Qt::NoButton, held, mods);
    }
    void Click(int x, int y, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        Drag(x, y, x, y, mods);
    }
    void Drag(int x0, int y0, int x1, int y1, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        Move(x0, y0, Qt::NoButton, mods);
        ::Mouse(view.get(), QEvent::MouseButtonPress, QPointF(x0, y0), Qt::LeftButton,
                Qt::LeftButton, mods);
        Move(x1, y1, Qt::LeftButton, mods);
        ::Mouse(view.get(), QEvent::MouseButtonRelease, QPointF(x1, y1), Qt::LeftButton,
                Qt::NoButton, mods);
    }
    void RightClick(int x, int y) {
        ::Mouse(view.get(), QEvent::MouseButtonPress, QPointF(x, y), Qt::RightButton,
                Qt::RightButton);
        ::Mouse(view.get(), QEvent::MouseButtonRelease, QPointF(x, y), Qt::RightButton,
                Qt::NoButton);
        QApplication::processEvents();
    }
    void Key(int key) { ::Key(view.get(), key, QEvent::KeyRelease); }
    // Texts of a popup's items ("" for separators), and of the enabled ones.
    static std::vector<std::string> Texts(QMenu& menu, bool enabledOnly) {
        std::vector<std::string> out;
        for (QAction* a : menu.actions()) {
            if (!enabledOnly || (a->isEnabled() && !a->isSeparator())) {
                out.push_back(a->text().toStdString());
            }
        }
        return out;
    }

    CRecordingFrame frame;
    CRecordingPrompter prompter;
    std::unique_ptr<CTAVDoc> doc;
    std::unique_ptr<CTAVView> view;
};

TEST_F(ViewPick, FourPixelsIsAClickFiveADrag) {
    // Five pixels: the rectangle from y = 1.0 to 0.5 misses the line (a click at the release
    // would not: its square reaches down to 0.1).
    Drag(200, 140, 200, 145);
    EXPECT_TRUE(view->GetPickList().empty());
    // A rectangle of no height, widened to a pixel, across the line's row.
    Drag(Px(-2), Py(0.3), Px(2), Py(0.3));
    EXPECT_EQ(view->GetPickList(), std::vector<int>{0});
    // A rectangle that misses empties the selection.
    Drag(200, 140, 200, 145);
    EXPECT_TRUE(view->GetPickList().empty());
    EXPECT_EQ(view->GetCurrentPick(), -1);
    EXPECT_EQ(frame.status.substr(0, 29), "Liczba wybranych obieków: 0.");
    Drag(200, 141, 200, 145);
    EXPECT_EQ(view->GetPickList(), std::vector<int>{0});
    EXPECT_EQ(view->GetCurrentPick(), 0);
    EXPECT_EQ(frame.status, std::string("Liczba wybranych obieków: 1.") + std::string(50, ' '));
}

TEST_F(ViewPick, HiddenLayerIsNotPickedAndASecondClickDeselects) {
    Click(Px(0), Py(-5));
    EXPECT_TRUE(view->GetPickList().empty());
    doc->GetLayer(1).m_visible = 1;
    doc->InvalidateViews();
    Click(Px(0), Py(-5));
    EXPECT_EQ(view->GetPickList(), std::vector<int>{2});
    // A click on the only selected entity empties the selection.
    Click(Px(1), Py(0.3));
    ASSERT_EQ(view->GetCurrentPick(), 0);
    Click(Px(1), Py(0.3));
    EXPECT_EQ(view->GetCurrentPick(), -1);
    EXPECT_TRUE(view->GetPickList().empty());
}

TEST_F(ViewPick, ShiftGathersAndWholeWindowPicksAll) {
    Click(Px(0), Py(5));
    ASSERT_EQ(view->GetCurrentPick(), 1);
    Click(Px(1), Py(0.3), Qt::ShiftModifier);
    EXPECT_EQ(view->GetMultipleSelection(), (std::vector<int>{0, 1}));
    EXPECT_EQ(view->GetCurrentPick(), -1);
    EXPECT_TRUE(view->GetPickList().empty());
    // Selected entities are not in the pick pass: the window picks nothing new.
    Drag(0, 0, 399, 299);
    EXPECT_TRUE(view->GetPickList().empty());
    EXPECT_TRUE(view->GetMultipleSelection().empty());
    Drag(0, 0, 399, 299);
    EXPECT_EQ(view->GetPickList(), (std::vector<int>{0, 1}));  // the hidden line stays out
    EXPECT_EQ(frame.status,
              "Liczba wybranych obieków: 2.  Uzyj prawego przycisku myszy aby zmienic wybór.");
}

TEST_F(ViewPick, ManyStackedEntitiesUnderOneClickAreAllPicked) {
    for (int i = 0; i < 97; ++i) {
        AddLine({-1, -1 + i * 1e-3, 0}, {1, 1, 0}, 0);
    }
    doc->InvalidateViews();
    Click(Px(1), Py(1));
    EXPECT_EQ(view->GetPickList().size(), 97u);
}

TEST_F(ViewPick, PopupsRunTheirCommands) {
    QAction* chosen = nullptr;
    std::vector<std::string> texts, enabled;
    view->SetPopupRunner([&](QMenu& menu, const QPoint&) {
        texts = Texts(menu, false);
        enabled = Texts(menu, true);
        for (QAction* a : menu.actions()) {
            if (a->text() == "Nastepny") {
                chosen = a;
            }
        }
        return chosen;
    });
    RightClick(100, 100);
    EXPECT_EQ(texts, (std::vector<std::string>{"Wybierz", "Przesuń", "Zoom", "Obracaj", "Zoom okno",
                                               "", "Widok", "", "Wszystko"}));
    Drag(0, 0, 399, 299);
    RightClick(100, 100);
    EXPECT_EQ(texts, (std::vector<std::string>{"Nastepny", "", "Edytuj wybrane", "Edytuj Dane", "",
                                               "Kasuj wybór", "", "Informacje"}));
    // Without a shell the edit commands are gray; clearing works from the view.
    EXPECT_EQ(enabled, (std::vector<std::string>{"Nastepny", "Kasuj wybór", "Informacje"}));
    EXPECT_EQ(view->GetCurrentPick(), 1);  // "Nastepny" ran
    view->SetPopupRunner([](QMenu& menu, const QPoint&) { return menu.actions().last(); });
    RightClick(100, 100);
    EXPECT_EQ(view->GetCurrentPick(), 1);  // "Informacje" needs the shell
}

// What a deletion keeps while busy or refused is the selection's test; here the key.
TEST_F(ViewPick, DeleteKeyAsksAndDeletesThePick) {
    Click(Px(0), Py(5));
    Key(Qt::Key_Delete);
    ASSERT_EQ(prompter.questions.size(), 1u);
    EXPECT_EQ(Describe(*doc), "line [-5 0.3 0, 5 0.3 0]\nline [-5 -5 0, 5 -5 0] L1\n");
    EXPECT_EQ(view->GetCurrentPick(), -1);
    EXPECT_EQ(frame.status, "Gotowy");
}

TEST_F(ViewPick, RemovedEntitiesEmptyTheLists) {
    Drag(0, 0, 399, 299);
    ASSERT_FALSE(view->GetPickList().empty());
    doc->RemoveEntity(2);
    EXPECT_TRUE(view->GetPickList().empty());
    EXPECT_EQ(view->GetCurrentPick(), -1);
}

TEST_F(ViewPick, LayerDeletionEmptiesTheLists) {
    Click(Px(0), Py(5));
    Click(Px(1), Py(0.3), Qt::ShiftModifier);
    ASSERT_EQ(view->GetMultipleSelection().size(), 2u);
    ASSERT_GE(doc->DeleteLayer(1), 0);
    EXPECT_TRUE(view->GetMultipleSelection().empty());
    EXPECT_EQ(view->GetCurrentPick(), -1);
    // The index follows the smaller table: a click still picks the right entity.
    Click(Px(0), Py(5));
    EXPECT_EQ(view->GetPickList(), std::vector<int>{1});
}

TEST_F(ViewPick, LengthOfTwoSnappedVertices) {
    view->m_localizationMask = kSnapVertex;
    view->OnMeasure(2);
    EXPECT_EQ(view->GetTool(), kToolPointInput);
    EXPECT_EQ(doc->GetBusy(), 1);
    EXPECT_EQ(frame.status,
              "Wskaż położenie wierzchołka. Prawy przycisk myszy, aby zakończyć pomiar.");
    Move(Px(-5) + 1, Py(0.3) + 1);
    EXPECT_TRUE(view->IsLocalizedPending());
    EXPECT_EQ(view->GetCursorResource(), 134);
    Click(Px(-5) + 1, Py(0.3) + 1);
    Click(Px(5) - 1, Py(0.3));
    Move(Px(1), Py(-3));
    EXPECT_FALSE(view->IsLocalizedPending());
    EXPECT_EQ(view->GetCursorResource(), 130);
    RightClick(Px(1), Py(-3));
    EXPECT_EQ(MessageTexts(prompter), std::vector<std::string>{"Długość:\t 10.000\n dX:\t 10.000\n"
                                                               " dY:\t 0.000\n dZ:\t 0.000"});
    EXPECT_EQ(prompter.messages[0].icon, CPrompter::EIcon::Information);
    EXPECT_EQ(view->GetTool(), kToolSelect);
    EXPECT_EQ(doc->GetBusy(), 0);
    EXPECT_EQ(view->GetTempEntity(), nullptr);
    EXPECT_EQ(frame.status, "Gotowy");
}

// Measurements ended before any click, by one click, and abandoned by Escape.
TEST_F(ViewPick, MeasurementsEndedEarly) {
    view->OnMeasure(3);
    RightClick(Px(3), Py(3));
    // Coordinates ended by the right button: no stale point, no box.
    view->OnMeasure(1);
    RightClick(Px(3), Py(3));
    std::vector<std::string> shown = {"Obwód:\t 0.000"};
    EXPECT_EQ(MessageTexts(prompter), shown);
    EXPECT_EQ(doc->GetBusy(), 0);
    EXPECT_EQ(view->GetTool(), kToolSelect);
    view->OnMeasure(1);
    view->OnMeasure(2);  // busy: only a beep
    EXPECT_EQ(prompter.beeps, 1);
    EXPECT_EQ(view->GetMeasureKind(), 1);
    Click(Px(2), Py(-1));
    QApplication::processEvents();
    shown.push_back("Wspólrzedne:\n X:\t 2.000\n Y:\t -1.000\n Z:\t 0.000");
    EXPECT_EQ(MessageTexts(prompter), shown);
    view->OnMeasure(2);
    Click(Px(2), Py(-1));
    Key(Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_EQ(MessageTexts(prompter), shown);
    EXPECT_EQ(doc->GetBusy(), 0);
    EXPECT_EQ(view->GetMeasureKind(), 0);
    EXPECT_EQ(view->GetTempEntity(), nullptr);
    EXPECT_EQ(view->GetTool(), kToolSelect);
}

TEST_F(ViewPick, SnappedCrossingIsThePickedPoint) {
    AddLine({-2, -2, 0}, {2, 2, 0}, 0);
    AddLine({-2, 2, 0}, {2, -2, 0}, 0);
    doc->InvalidateViews();
    view->m_localizationMask = kSnapIntersection;
    view->OnMeasure(1);
    Click(Px(0) + 1, Py(0) + 1);
    QApplication::processEvents();
    EXPECT_EQ(MessageTexts(prompter),
              std::vector<std::string>{"Wspólrzedne:\n X:\t 0.000\n Y:\t 0.000\n Z:\t 0.000"});
    EXPECT_EQ(frame.coordinates, "       0.000,      0.000,      0.000");
}

}  // namespace
