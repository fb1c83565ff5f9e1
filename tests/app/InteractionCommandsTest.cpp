// The selection and measuring commands through the frame's command table, and the popups and
// result boxes that go through the shell.
#include <QApplication>
#include <QMenu>

#include "app/AppTestSupport.h"
#include "app/OpenDoc.h"
#include "support/TestEntities.h"
#include "support/Widgets.h"
#include "view/FrameServices.h"
#include "view/TAVView.h"

namespace {

class InteractionCommands : public CAppTest {
protected:
    void SetUp() override {
        Start();
        view = frame->ActiveView();
        ASSERT_NE(view, nullptr);
        doc = view->GetDocument();
        doc->AddEntity(MakePoly({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, 1));
        doc->AddEntity(std::make_unique<CText>());
    }
    bool Enabled(unsigned id) { return frame->QueryCommand(id).enabled; }

    CTAVView* view = nullptr;
    CTAVDoc* doc = nullptr;
};

TEST_F(InteractionCommands, SelectionCommandsFollowTheSelection) {
    for (unsigned id : {32771u, 32772u, 32797u, 32813u}) {
        EXPECT_FALSE(Enabled(id)) << id;
    }
    view->Renderer().m_pickList = {0, 1};
    view->Renderer().m_currentPick = 0;
    for (unsigned id : {32771u, 32772u, 32797u, 32813u}) {
        EXPECT_TRUE(Enabled(id)) << id;
    }
    EXPECT_TRUE(frame->Dispatch(32771));
    EXPECT_EQ(view->GetCurrentPick(), 1);
    EXPECT_FALSE(Enabled(32797));  // a text has no information
    // The popup asks the table: "Kasuj wybór" is on, and runs through it.
    std::unique_ptr<QMenu> menu = view->BuildPopupMenu();
    ASSERT_NE(menu, nullptr);
    QAction* clear = nullptr;
    for (QAction* a : menu->actions()) {
        if (a->text() == "Kasuj wybór") {
            clear = a;
        }
    }
    ASSERT_NE(clear, nullptr);
    EXPECT_TRUE(clear->isEnabled());
    view->RunCommandId(clear->data().toUInt());
    EXPECT_TRUE(view->GetPickList().empty());
    EXPECT_FALSE(Enabled(32772));
}

TEST_F(InteractionCommands, MeasuringChecksItsCommandShowsThePromptAndTheCaptionedResult) {
    EXPECT_TRUE(frame->Dispatch(32818));
    EXPECT_EQ(view->GetMeasureKind(), 1);
    EXPECT_EQ(frame->QueryCommand(32818).checked, 1);
    EXPECT_EQ(frame->QueryCommand(32798).checked, 0);
    frame->SetStatusText("");
    frame->UpdateCommandUI();
    EXPECT_EQ(frame->StatusText(), "Wskaż położenie punktu lewym przyciskiem myszy.");
    const int beeps = app->Prompter().BeepCount();
    frame->Dispatch(32799);
    EXPECT_EQ(app->Prompter().BeepCount(), beeps + 1);
    EXPECT_EQ(view->GetMeasureKind(), 1);
    ClickAt(view, QPointF(10, 10));
    QApplication::processEvents();
    ASSERT_EQ(user.boxes.size(), 1u);
    EXPECT_EQ(user.boxes[0].title, "Pomiar:");
    EXPECT_EQ(user.boxes[0].icon, CPrompter::EIcon::Information);
    EXPECT_TRUE(user.boxes[0].text.startsWith("Wspólrzedne:\n X:\t "));
    EXPECT_EQ(view->GetMeasureKind(), 0);
    EXPECT_EQ(frame->QueryCommand(32818).checked, 0);
    EXPECT_EQ(doc->GetBusy(), 0);
    // The hooks go with the frame.
    EXPECT_TRUE(static_cast<bool>(FrameCommandHooks().run));
    app.reset();
    FlushDeferredDeletes();
    EXPECT_FALSE(static_cast<bool>(FrameCommandHooks().run));
    EXPECT_FALSE(static_cast<bool>(FrameCommandHooks().showInfo));
}

}  // namespace
