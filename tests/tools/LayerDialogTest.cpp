#include "tools/LayerDialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <memory>

#include "document/TAVDoc.h"
#include "support/Describe.h"
#include "support/Recorders.h"
#include "support/RecordingPrompter.h"
#include "support/Widgets.h"
#include "view/FrameServices.h"

namespace {

void AddPoint(CTAVDoc& doc, int layer) {
    doc.AddEntity(std::make_unique<CPnt>());
    doc.GetEntity(doc.GetEntityCount() - 1)->m_layer = layer;
    doc.GetEntity(doc.GetEntityCount() - 1)->m_name = doc.GetLayer(layer).m_name;
}

// Layers A..D, one point on each named after its layer, a dialog shown with current layer 3.
struct SLayerFixture {
    explicit SLayerFixture(int current = 3) {
        doc.Layers() = {CLayer("A", 0, 1), CLayer("B", 0, 1), CLayer("C", 1, 0), CLayer("D", 0, 1)};
        for (int i = 0; i < 4; ++i) {
            AddPoint(doc, i);
        }
        dlg = std::make_unique<CLayerDialog>(doc, current, prompter);
        dlg->show();
        QApplication::processEvents();
    }
    CLayerListBox& List() { return *dlg->List(); }
    QWidget* Viewport() { return List().viewport(); }
    int RowY(int row) { return List().visualItemRect(List().item(row)).center().y(); }
    void DoubleClick(int x, int row) {
        ::Mouse(Viewport(), QEvent::MouseButtonDblClick, QPointF(x, RowY(row)), Qt::LeftButton,
                Qt::LeftButton);
    }
    void Click(int x, int row, Qt::KeyboardModifiers mods = {}) {
        ClickAt(Viewport(), QPointF(x, RowY(row)), mods);
    }
    void Button(int id) { ::Click(*dlg, id); }
    QString CurrentText() { return Text(*dlg, 1115); }
    CLayerNameEdit* Editor() { return dlg->findChild<CLayerNameEdit*>("999"); }

    CRecordingPrompter prompter;
    CTAVDoc doc{&prompter};
    std::unique_ptr<CLayerDialog> dlg;
};

TEST(LayerDialog, ControlsAndTexts) {
    SLayerFixture f;
    EXPECT_EQ(f.dlg->windowTitle(), "Warstwy");
    const std::pair<int, const char*> buttons[] = {
        {1014, "&Nowa..."}, {1015, "&Edytuj..."}, {1016, "&Usuń"}, {1017, "&Aktualna"}, {1, "Tak"}};
    for (auto [id, text] : buttons) {
        EXPECT_EQ(Control<QPushButton>(*f.dlg, id)->text(), QString::fromUtf8(text));
    }
    auto* current = Control<QLineEdit>(*f.dlg, 1115);
    EXPECT_FALSE(current->isEnabled());
    EXPECT_EQ(current->text(), "D");
    EXPECT_EQ(f.List().count(), 4);
    EXPECT_TRUE(f.List().SelectedRows().empty());
    // A plain click selects one row, Ctrl and Shift toggle one.
    f.Click(60, 0);
    f.Click(60, 2);
    EXPECT_EQ(f.List().SelectedRows(), (std::vector<int>{2}));
    f.Click(60, 0, Qt::ControlModifier);
    f.Click(60, 3, Qt::ShiftModifier);
    EXPECT_EQ(f.List().SelectedRows(), (std::vector<int>{0, 2, 3}));
    f.Click(60, 2, Qt::ControlModifier);
    EXPECT_EQ(f.List().SelectedRows(), (std::vector<int>{0, 3}));
}

// Rows 0..2 selected, then a click on row 0 at x: every selected row takes the clicked row's new
// flag (C is locked and hidden already); right of the flags the click only selects.
TEST(LayerRowClick, FlagColumnsOfSelectedRows) {
    const struct {
        int x;
        const char* layers;
        std::vector<int> selected;
    } cases[] = {
        {4, "A locked; B locked; C locked hidden; D", {0, 1, 2}},
        {20, "A hidden; B hidden; C locked hidden; D", {0, 1, 2}},
        {36, "A; B; C locked hidden; D", {0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.x);
        SLayerFixture f;
        f.Click(60, 0);
        f.Click(60, 1, Qt::ControlModifier);
        f.Click(60, 2, Qt::ControlModifier);
        f.Click(c.x, 0);
        EXPECT_EQ(DescribeLayers(f.doc), c.layers);
        EXPECT_EQ(f.List().SelectedRows(), c.selected);
    }
}

TEST(LayerDialog, FlagClickOnUnselectedRowOnlySelectsAndDoubleClickRenames) {
    SLayerFixture f;
    f.Click(60, 0);
    f.Click(10, 1);
    EXPECT_EQ(f.doc.GetLayer(1).m_locked, 0);
    EXPECT_EQ(f.List().SelectedRows(), (std::vector<int>{1}));
    // A double click renames only right of x = 40.
    f.DoubleClick(40, 1);
    QApplication::processEvents();
    EXPECT_EQ(f.Editor(), nullptr);
    f.Click(60, 1);
    f.Click(60, 1);
    ASSERT_EQ(f.List().SelectedRows(), (std::vector<int>{1}));
    f.DoubleClick(41, 1);
    QApplication::processEvents();
    ASSERT_NE(f.Editor(), nullptr);
    EXPECT_EQ(f.Editor()->text(), "B");
    EXPECT_EQ(f.Editor()->selectedText(), "B");
    EXPECT_GE(f.Editor()->geometry().left(), CLayerListBox::kTextPartX);
}

// A name typed in the editor is trimmed and stored by Enter or "Tak"; Enter on text the user did
// not change leaves the name alone.
TEST(LayerDialog, RenameByEnterOrTak) {
    const struct {
        int row;
        const char* typed;  // nullptr: nothing typed
        int button;         // 0: Enter in the editor
        const char* name;
    } cases[] = {{0, "  Kable  ", 0, "Kable"}, {3, "Rury", 1, "Rury"}, {2, nullptr, 0, "C"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        SLayerFixture f;
        f.Click(60, c.row);
        f.Button(1015);
        ASSERT_NE(f.Editor(), nullptr);
        if (c.typed != nullptr) {
            Key(f.Editor(), Qt::Key_K);  // typing marks the text changed
            f.Editor()->setText(c.typed);
        }
        if (c.button == 0) {
            Key(f.Editor(), Qt::Key_Return);
            EXPECT_EQ(f.List().Editor(), nullptr);
            EXPECT_TRUE(f.dlg->isVisible());
        } else {
            f.Button(c.button);
            EXPECT_EQ(f.dlg->result(), QDialog::Accepted);
        }
        EXPECT_EQ(f.doc.GetLayer(c.row).m_name, c.name);
        EXPECT_TRUE(f.prompter.messages.empty());
        EXPECT_EQ(f.doc.History().UndoName(), c.typed ? "Nazwa warstwy" : "");
    }
}

TEST(LayerDialog, RefusedNameKeepsTheEditorAndTheDialog) {
    SLayerFixture f;
    f.Click(60, 1);
    f.Button(1015);
    CLayerNameEdit* editor = f.Editor();
    ASSERT_NE(editor, nullptr);
    Key(editor, Qt::Key_A);
    editor->setText("A");
    Key(editor, Qt::Key_Return);
    ASSERT_EQ(f.Editor(), editor);
    // "Tak" over the refused text: the text was checked already, so no second message.
    f.Button(1);
    EXPECT_TRUE(f.dlg->isVisible());
    EXPECT_EQ(f.dlg->result(), QDialog::Rejected);
    EXPECT_EQ(MessageTexts(f.prompter),
              std::vector<std::string>{"Obiekt o takiej nazwie już istnieje!"});
    EXPECT_EQ(DescribeLayers(f.doc), "A; B; C locked hidden; D");
    // A blank text is refused in its turn.
    Key(editor, Qt::Key_Space);
    editor->setText(" \t ");
    f.Button(1);
    EXPECT_EQ(MessageTexts(f.prompter),
              (std::vector<std::string>{"Obiekt o takiej nazwie już istnieje!",
                                        "Nazwa obiektu nie może być pusta!"}));
    EXPECT_TRUE(f.dlg->isVisible());
    EXPECT_EQ(f.Editor(), editor);
}

TEST(LayerDialog, NewLayerEscapeKeepsItsName) {
    SLayerFixture f;
    f.Click(60, 0);
    f.Button(1014);
    EXPECT_EQ(DescribeLayers(f.doc), "A; B; C locked hidden; D; Warstwa4");
    EXPECT_EQ(f.List().count(), 5);
    EXPECT_EQ(f.List().SelectedRows(), (std::vector<int>{0, 4}));
    ASSERT_NE(f.Editor(), nullptr);
    EXPECT_EQ(f.Editor()->text(), "Warstwa4");
    Key(f.Editor(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_EQ(f.List().Editor(), nullptr);
    EXPECT_EQ(DescribeLayers(f.doc), "A; B; C locked hidden; D; Warstwa4");
    EXPECT_TRUE(f.dlg->isVisible());
}

TEST(LayerDialog, OneRowButtonsWantOneRow) {
    SLayerFixture f;
    f.Button(1015);
    f.Button(1017);
    f.Click(60, 0);
    f.Click(60, 1, Qt::ControlModifier);
    f.Button(1015);
    f.Button(1017);
    EXPECT_EQ(MessageTexts(f.prompter), std::vector<std::string>(4, "Wybierz jedną warstwę"));
    EXPECT_EQ(f.Editor(), nullptr);
    EXPECT_EQ(f.dlg->Current(), 3);
    f.Click(60, 1);
    f.Button(1017);
    EXPECT_EQ(f.dlg->Current(), 1);
    EXPECT_EQ(f.CurrentText(), "B");
}

TEST(LayerDialog, DeleteTwoRowsKeepsTheCurrentLayer) {
    SLayerFixture f;
    f.Click(60, 1);
    f.Click(60, 2, Qt::ControlModifier);
    f.Button(1016);
    EXPECT_EQ(f.prompter.questions.size(), 2u);
    EXPECT_EQ(f.List().count(), 2);
    EXPECT_EQ(f.dlg->Current(), 1);
    EXPECT_EQ(f.CurrentText(), "D");
    EXPECT_TRUE(f.List().SelectedRows().empty());
    EXPECT_EQ(Describe(f.doc), "pnt 0 0 0 name=A\npnt 0 0 0 L1 name=D\n");
    // The current layer, last, deleted: the new last is current.
    f.Click(60, 1);
    f.Button(1016);
    EXPECT_EQ(f.dlg->Current(), 0);
    EXPECT_EQ(f.CurrentText(), "A");
}

TEST(LayerDialog, DeleteWithARefusedNameOpenAsksNothingMore) {
    SLayerFixture f;
    f.dlg->activateWindow();
    f.Click(60, 1);
    f.Button(1015);
    ASSERT_NE(f.Editor(), nullptr);
    Key(f.Editor(), Qt::Key_A);
    f.Editor()->setText("");
    f.Button(1016);
    QApplication::processEvents();
    EXPECT_TRUE(f.prompter.messages.empty());
    EXPECT_EQ(f.List().Editor(), nullptr);
    EXPECT_EQ(DescribeLayers(f.doc), "A; C locked hidden; D");
}

// While busy the dialog's delete and the command itself only beep.
TEST(LayerDialog, OnlyBeepsWhileBusy) {
    SLayerFixture f;
    f.doc.SetBusy(1);
    f.Click(60, 1);
    f.Button(1016);
    OnLayers(f.doc, f.prompter, nullptr);
    EXPECT_EQ(f.prompter.beeps, 2);
    EXPECT_TRUE(f.prompter.questions.empty());
    EXPECT_EQ(DescribeLayers(f.doc), "A; B; C locked hidden; D");
    EXPECT_EQ(f.doc.GetEntityCount(), 4);
    EXPECT_FALSE(f.doc.IsModified());
}

TEST(LayerDialog, PopupSelectsClearsAndInverts) {
    SLayerFixture f;
    std::unique_ptr<QMenu> menu(f.List().CreatePopup());
    QStringList texts;
    QList<int> ids;
    for (QAction* a : menu->actions()) {
        texts << a->text();
        ids << a->data().toInt();
    }
    EXPECT_EQ(texts, (QStringList{"Wybierz wszystkie", QString::fromUtf8("Zlikwiduj wybór"), "",
                                  QString::fromUtf8("Odwróc wskazania")}));
    EXPECT_EQ(ids, (QList<int>{32804, 32805, 0, 32806}));
    f.Click(60, 1);
    f.List().InvertRows();
    EXPECT_EQ(f.List().SelectedRows(), (std::vector<int>{0, 2, 3}));
    f.List().SelectAllRows();
    EXPECT_EQ(f.List().SelectedRows().size(), 4u);
    f.List().ClearAllRows();
    EXPECT_TRUE(f.List().SelectedRows().empty());
}

TEST(LayersCommand, AppliesCurrentAndReloadsTheCombo) {
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    doc.Layers().emplace_back("Druga", 0, 1);
    AddPoint(doc, 0);
    CRecordingFrame frame;
    CFrameServices* before = GetFrameServices();
    SetFrameServices(&frame);
    OnNextModal([](QWidget& w) {
        auto& dlg = dynamic_cast<CLayerDialog&>(w);
        dlg.List()->item(0)->setSelected(true);
        dlg.OnDelete();
        dlg.accept();
    });
    OnLayers(doc, prompter, nullptr);
    SetFrameServices(before);
    EXPECT_EQ(DescribeLayers(doc), "Druga");
    EXPECT_EQ(doc.GetCurrentLayer(), 0);
    EXPECT_EQ(doc.GetEntityCount(), 0);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(frame.shown, (std::vector<CTAVDoc*>{&doc}));
    // One step; closing the manager marked the drawing modified, which undo keeps.
    EXPECT_EQ(doc.History().UndoCount(), 1);
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(DescribeLayers(doc), "Warstwa1; Druga");
    EXPECT_EQ(doc.GetEntityCount(), 1);
    EXPECT_TRUE(doc.IsModified());
}

}  // namespace
