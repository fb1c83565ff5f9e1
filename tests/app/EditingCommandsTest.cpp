// The editing commands through the shell, and what closing windows does to an open edit.

#include "app/AppTestSupport.h"
#include "app/ChildFrame.h"
#include "app/CommandTable.h"
#include "app/OpenDoc.h"
#include "support/Widgets.h"
#include "tools/CoordSystemsDialog.h"
#include "view/TAVView.h"

namespace {

using EAnswer = CQtPrompter::EAnswer;

class EditingCommandsTest : public CAppTest {
protected:
    CTAVView* View() const { return frame->ActiveView(); }
    CTAVDoc& Doc() const { return frame->ActiveDocument()->Doc(); }
    // Records the entity count whenever a box asks something, and answers No.
    void RecordQuestions() {
        app->Prompter().SetBoxRunner([this](const CQtPrompter::SBox& box) {
            asked.push_back(box.text);
            countsWhenAsked.push_back(
                frame->ActiveDocument() ? frame->ActiveDocument()->Doc().GetEntityCount() : -1);
            return EAnswer::No;
        });
    }
    std::vector<QString> asked;
    std::vector<int> countsWhenAsked;
};

TEST_F(EditingCommandsTest, DrawCommandsOpenTheirDialogsOnce) {
    Start();
    ASSERT_NE(View(), nullptr);
    for (unsigned id : {cmd::kNewPoint, cmd::kNewPolyline, cmd::kNewPolygon, cmd::kNewArc,
                        cmd::kNewText, cmd::kCoordSystems}) {
        EXPECT_TRUE(frame->QueryCommand(id).enabled) << id;
    }
    EXPECT_FALSE(frame->QueryCommand(cmd::kEditSelected).enabled);
    ASSERT_TRUE(frame->Dispatch(cmd::kNewArc));
    QWidget* dlg = View()->GetEntityDialog();
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->objectName(), "155");
    EXPECT_EQ(Doc().GetEntityCount(), 1);
    // A second draw command only beeps: the same dialog, no second entity.
    frame->Dispatch(cmd::kNewPoint);
    EXPECT_EQ(View()->GetEntityDialog(), dlg);
    EXPECT_EQ(Doc().GetEntityCount(), 1);
}

// Escape leaves the dialog open with the select tool; deleting the edited entity must still be
// refused, or cancelling would remove whatever took its slot.
TEST_F(EditingCommandsTest, DeleteIsRefusedWhileAnEntityIsEdited) {
    Start();
    ASSERT_TRUE(frame->Dispatch(cmd::kNewPoint));
    Key(View(), Qt::Key_Escape, QEvent::KeyRelease);
    EXPECT_EQ(View()->GetTool(), 1);
    View()->Renderer().m_currentPick = 0;
    View()->Renderer().m_pickList = {0};
    frame->Dispatch(32813);
    ASSERT_EQ(Doc().GetEntityCount(), 1);
    ASSERT_NE(View()->GetEntityDialog(), nullptr);
    View()->GetEntityDialog()->close();
    FlushDeferredDeletes();
    EXPECT_EQ(Doc().GetEntityCount(), 0);
    EXPECT_EQ(Doc().GetBusy(), 0);
}

// Closing a document or its window with an open edit cancels the edit before asking to save,
// so a half-made entity can never be saved.
TEST_F(EditingCommandsTest, ClosingCancelsTheEditFirst) {
    for (const bool byWindow : {false, true}) {
        Start();
        RecordQuestions();
        Doc().SetModifiedFlag(true);
        ASSERT_TRUE(frame->Dispatch(byWindow ? cmd::kNewPoint : cmd::kNewPolyline));
        ASSERT_EQ(Doc().GetEntityCount(), 1);
        if (byWindow) {
            frame->ChildFrames()[0]->close();
        } else {
            ASSERT_TRUE(frame->Dispatch(cmd::kFileClose));
        }
        FlushDeferredDeletes();
        EXPECT_EQ(countsWhenAsked, std::vector<int>{0}) << byWindow;
        EXPECT_TRUE(frame->ChildFrames().isEmpty()) << byWindow;
        countsWhenAsked.clear();
        app.reset();
        FlushDeferredDeletes();
    }
}

// The menu names the step, the states follow the history, the keys reach the commands, and
// while an edit is open they only beep.
TEST_F(EditingCommandsTest, UndoAndRedoFromMenuAndKeys) {
    Start();
    const auto state = [this](unsigned id) {
        const CMainFrame::SCmdUI ui = frame->QueryCommand(id);
        return (ui.enabled ? "on " : "off ") + ui.text;
    };
    EXPECT_EQ(state(cmd::kUndo), "off &Cofnij\tCtrl+Z");
    EXPECT_EQ(state(cmd::kRedo), "off &Ponów\tCtrl+Y");
    ASSERT_TRUE(frame->Dispatch(cmd::kNewPoint));
    QWidget* dlg = View()->GetEntityDialog();
    ASSERT_NE(dlg, nullptr);
    const int beeps = app->Prompter().BeepCount();
    EXPECT_FALSE(Doc().Undo());
    EXPECT_EQ(app->Prompter().BeepCount(), beeps + 1);
    Click(*dlg, 1);
    FlushDeferredDeletes();
    ASSERT_EQ(Doc().GetEntityCount(), 1);
    EXPECT_EQ(state(cmd::kUndo), "on &Cofnij: Nowy obiekt\tCtrl+Z");

    ASSERT_TRUE(frame->Dispatch(cmd::kUndo));
    EXPECT_EQ(Doc().GetEntityCount(), 0);
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_EQ(state(cmd::kUndo), "off &Cofnij\tCtrl+Z");
    EXPECT_EQ(state(cmd::kRedo), "on &Ponów: Nowy obiekt\tCtrl+Y");
    // The menu item and the button show what the updater gives.
    frame->UpdateCommandUI();
    ASSERT_FALSE(frame->ActionsFor(cmd::kRedo).isEmpty());
    for (QAction* a : frame->ActionsFor(cmd::kRedo)) {
        EXPECT_TRUE(a->isEnabled());
        EXPECT_EQ(a->text(), "&Ponów: Nowy obiekt\tCtrl+Y");
    }

    // Each redo key repeats; Ctrl+Z takes back.
    for (const QKeySequence& key :
         {QKeySequence("Ctrl+Y"), QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Z")}) {
        QAction* bound = nullptr;
        for (QAction* a : frame->findChildren<QAction*>()) {
            if (a->shortcuts().contains(key)) {
                bound = a;
            }
        }
        ASSERT_NE(bound, nullptr) << key.toString().toStdString();
        const int count = Doc().GetEntityCount();
        bound->trigger();
        EXPECT_EQ(Doc().GetEntityCount(), count == 0 ? 1 : 0);
        if (key == QKeySequence("Ctrl+Y")) {
            ASSERT_TRUE(frame->Dispatch(cmd::kUndo));
        }
    }
}

TEST_F(EditingCommandsTest, QuittingCancelsTheSystemDialogWithoutReopeningTheList) {
    Start();
    int reopened = 0;
    CoordSystemsReopenHook() = [&reopened](CTAVView&) { ++reopened; };
    ASSERT_NE(OpenCoordSystemDialog(*View(), -1), nullptr);
    CTAVDoc* doc = &Doc();
    EXPECT_EQ(doc->GetBusy(), 1);
    frame->close();
    EXPECT_EQ(reopened, 0);
    FlushDeferredDeletes();
}

}  // namespace
