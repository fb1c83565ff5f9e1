#include "tools/DataDialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <memory>

#include "document/TAVDoc.h"
#include "support/Describe.h"
#include "support/Widgets.h"

namespace {

CDataNode Parcel() {
    CDataNode tree;
    tree.BuildObjectTree(3);
    return tree;
}

struct STreeFixture {
    explicit STreeFixture(const CDataNode& tree) {
        dlg = std::make_unique<CDataTreeDialog>(tree, prompter);
        dlg->show();
        QApplication::processEvents();
    }
    CDataTreeCtrl& Ctrl() { return *dlg->TreeCtrl(); }
    QTreeWidgetItem* Root() { return Ctrl().topLevelItem(0); }
    // Types text into the open label editor and presses Enter; events run afterwards.
    void Type(const QString& text) {
        QLineEdit* editor = Ctrl().LabelEditor();
        ASSERT_NE(editor, nullptr);
        editor->setText(text);
        Key(editor, Qt::Key_Return);
        QApplication::processEvents();
        QApplication::processEvents();
    }
    CRecordingPrompter prompter;
    std::unique_ptr<CDataTreeDialog> dlg;
};

QStringList MenuTexts(QMenu* menu) {
    QStringList texts;
    for (QAction* a : menu->actions()) {
        texts << a->text();
    }
    return texts;
}

TEST(DataTypeDialog, NoChoiceActsAsCancel) {
    CDataTypeDialog dlg;
    EXPECT_EQ(dlg.windowTitle(), "Typ Danych");
    const char* names[5] = {"&Budynek lub konstrukcja budowlana", "&Kabel", "&Rura", "&Działka",
                            "&Zbiornik"};
    for (int i = 0; i < 5; ++i) {
        auto* radio = dlg.findChild<QRadioButton*>(QString::number(1018 + i));
        ASSERT_NE(radio, nullptr);
        EXPECT_EQ(radio->text(), QString::fromUtf8(names[i]));
        EXPECT_FALSE(radio->isChecked());
    }
    EXPECT_EQ(dlg.Type(), -1);
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    dlg.findChild<QRadioButton*>("1021")->setChecked(true);
    EXPECT_EQ(dlg.Type(), 3);
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

// The tree under its name; a value added to a field is edited at once and Enter keeps the
// dialog, as does Escape in a new label.
TEST(DataTreeDialog, ShowsTheTreeAndEditsNewValuesInPlace) {
    STreeFixture f(Parcel());
    EXPECT_EQ(f.dlg->windowTitle(), QString::fromUtf8("Działka"));
    EXPECT_EQ(f.Ctrl().objectName(), "1011");
    EXPECT_EQ(f.dlg->findChild<QPushButton*>("1012")->text(), "Drukuj");
    ASSERT_EQ(f.Root()->childCount(), 12);
    EXPECT_EQ(f.Root()->child(6)->text(0), QString::fromUtf8("Właściciel"));
    EXPECT_TRUE(f.Root()->isExpanded());
    EXPECT_EQ(f.Ctrl().NodeOf(f.Root()->child(11))->GetText(), "Powierzchnia działki");
    std::unique_ptr<QMenu> none(f.Ctrl().CreatePopup(f.Root()));
    EXPECT_EQ(none, nullptr);

    QTreeWidgetItem* owner = f.Root()->child(6);
    std::unique_ptr<QMenu> menu(f.Ctrl().CreatePopup(owner));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(MenuTexts(menu.get()), QStringList{"&Dodaj Dane"});
    f.Ctrl().setCurrentItem(owner);
    f.Ctrl().OnCommand(menu->actions()[0]->data().toInt());
    ASSERT_EQ(owner->childCount(), 1);
    EXPECT_EQ(owner->child(0)->text(0), "Dane");
    ASSERT_TRUE(f.Ctrl().IsEditingLabel());
    EXPECT_EQ(f.Ctrl().LabelEditor()->maxLength(), 80);
    f.Type("Jan Kowalski");
    EXPECT_TRUE(f.dlg->isVisible());
    EXPECT_NE(f.dlg->result(), QDialog::Accepted);
    EXPECT_FALSE(f.Ctrl().IsEditingLabel());
    EXPECT_EQ(f.dlg->Tree().GetChild(6).GetChild(0).GetText(), "Jan Kowalski");

    f.Ctrl().setCurrentItem(f.Root()->child(7));
    f.Ctrl().OnCommand(1003);
    ASSERT_TRUE(f.Ctrl().IsEditingLabel());
    Key(f.Ctrl().LabelEditor(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_TRUE(f.dlg->isVisible());
    // The prototype's text "Dane" is a valid text, so the cancelled edit keeps it.
    EXPECT_EQ(f.dlg->Tree().GetChild(7).GetChild(0).GetText(), "Dane");
    EXPECT_TRUE(f.prompter.messages.empty());
}

TEST(DataTreeDialog, BadDateRestartsTheEdit) {
    CDataNode tank;
    tank.BuildObjectTree(4);
    STreeFixture f(tank);
    QTreeWidgetItem* mods = f.Root()->child(1);
    f.Ctrl().setCurrentItem(mods);
    f.Ctrl().OnCommand(1003);
    ASSERT_EQ(mods->childCount(), 1);
    EXPECT_EQ(f.Ctrl().LabelEditor()->maxLength(), 10);
    f.Type("2006.13.01");
    EXPECT_TRUE(f.Ctrl().IsEditingLabel());
    EXPECT_EQ(f.dlg->Tree().GetChild(1).GetChild(0).GetText(), "Datę");
    f.Type("2004.02.29");
    EXPECT_EQ(MessageTexts(f.prompter),
              std::vector<std::string>{"Niepoprawna Data!\nPoprawny format daty: rrrr.mm.dd"});
    EXPECT_FALSE(f.Ctrl().IsEditingLabel());
    EXPECT_EQ(f.dlg->Tree().GetChild(1).GetChild(0).GetText(), "2004.02.29");
    EXPECT_EQ(mods->child(0)->text(0), "2004.02.29");
    EXPECT_TRUE(f.dlg->isVisible());
    // A bad number and an empty text are refused.
    STreeFixture f2(Parcel());
    QTreeWidgetItem* area = f2.Root()->child(11);
    f2.Ctrl().setCurrentItem(area);
    f2.Ctrl().OnCommand(1003);
    f2.Type("1e5");
    f2.Type("-12.5");
    f2.Ctrl().setCurrentItem(f2.Root()->child(0));
    f2.Ctrl().OnCommand(1003);
    f2.Type("");
    EXPECT_EQ(MessageTexts(f2.prompter),
              (std::vector<std::string>{"Niepoprawna Liczba!", "Niepoprawny Tekst!"}));
    EXPECT_EQ(f2.dlg->Tree().GetChild(11).GetChild(0).GetText(), "-12.5");
    EXPECT_EQ(f2.dlg->Tree().GetChild(0).GetChild(0).GetText(), "Wartość");
    // The number field takes one value only.
    std::unique_ptr<QMenu> menu(f2.Ctrl().CreatePopup(area));
    EXPECT_EQ(menu, nullptr);
}

TEST(DataTreeDialog, DeleteAsksFirst) {
    CDataNode tree = Parcel();
    CDataNode value = GetDataTemplate(1)->GetChild(0);
    value.SetText("x");
    tree.GetChild(6).AddChild(value);
    tree.GetChild(6).AddChild(value);
    STreeFixture f(tree);
    QTreeWidgetItem* first = f.Root()->child(6)->child(0);
    std::unique_ptr<QMenu> menu(f.Ctrl().CreatePopup(first));
    EXPECT_EQ(MenuTexts(menu.get()), (QStringList{"&Edytuj", QString::fromUtf8("&Usuń")}));
    f.Ctrl().setCurrentItem(first);
    f.prompter.answers = {false, true};
    f.Ctrl().OnCommand(1002);
    EXPECT_EQ(f.Root()->child(6)->childCount(), 2);
    f.Ctrl().OnCommand(1002);
    ASSERT_EQ(f.prompter.questions.size(), 2u);
    EXPECT_EQ(f.prompter.questions[0].text, "Czy chcesz usunąć te dane?");
    EXPECT_EQ(f.Root()->child(6)->childCount(), 1);
    EXPECT_EQ(f.dlg->Tree().GetChild(6).GetChildCount(), 1);
    // Fields may not be edited or deleted.
    f.Ctrl().setCurrentItem(f.Root()->child(6));
    f.Ctrl().OnCommand(1002);
    f.Ctrl().OnCommand(1001);
    EXPECT_EQ(f.prompter.questions.size(), 2u);
    EXPECT_FALSE(f.Ctrl().IsEditingLabel());
}

TEST(DataTreeDialog, SeveralKindsComeInASubmenu) {
    CDataNode kinds;
    kinds.SetChildLimit(-1);
    CDataNode a;
    a.SetText("A");
    kinds.AddChild(a);
    a.SetText("B");
    kinds.AddChild(a);
    CDataNode tree;
    tree.SetText("inne");
    tree.SetFlags(CDataNode::flagAdd);
    tree.SetTemplate(&kinds);
    STreeFixture f(tree);
    std::unique_ptr<QMenu> menu(f.Ctrl().CreatePopup(f.Root()));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    QMenu* sub = menu->actions()[0]->menu();
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->title(), "&Dodaj");
    EXPECT_EQ(MenuTexts(sub), (QStringList{"A", "B"}));
    EXPECT_EQ(sub->actions()[1]->data().toInt(), 1004);
}

TEST(DataTreeDialog, PrintButtonPrintsTheEditedCopy) {
    STreeFixture f(Parcel());
    std::string printed;
    SetDataPrintHandler([&printed](const CDataNode& tree, QWidget*) { printed = tree.GetText(); });
    Click(*f.dlg, 1012);
    SetDataPrintHandler({});
    EXPECT_EQ(printed, "Działka");
}

TEST(DataEntryPoints, RemoveAsksAndEmpties) {
    CRecordingPrompter prompter;
    CDataNode tree = Parcel();
    prompter.answers = {false};
    EXPECT_FALSE(OnRemoveDataButton(tree, prompter));
    EXPECT_EQ(tree.GetChildCount(), 12);
    EXPECT_TRUE(OnRemoveDataButton(tree, prompter));
    EXPECT_EQ(DescribeData(tree), "\"\"");
    ASSERT_EQ(prompter.questions.size(), 2u);
    EXPECT_EQ(prompter.questions[0].text, "Czy jesteś pewny?");
    // A cancelled type leaves no data.
    CDataNode tree2;
    CRecordingPrompter prompter2;
    OnNextModal([](QWidget& dlg) { Click(dlg, 2); });
    EXPECT_FALSE(OnEntityDataButton(tree2, prompter2, nullptr));
    EXPECT_EQ(tree2, CDataNode());
}

TEST(DataEntryPoints, NewTreeStaysWhenTheTreeDialogIsCancelled) {
    CDataNode tree;
    CRecordingPrompter prompter;
    OnNextModal([](QWidget& dlg) {
        Click(dlg, 1019);
        OnNextModal([](QWidget& treeDlg) {
            EXPECT_EQ(treeDlg.windowTitle(), "Kabel");
            Click(treeDlg, 2);
        });
        Click(dlg, 1);
    });
    EXPECT_TRUE(OnEntityDataButton(tree, prompter, nullptr));
    EXPECT_EQ(DescribeData(tree), "\"Kabel\"{\"dane\"}");
}

TEST(DataEntryPoints, EditDataStoresOnlyOnTak) {
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    doc.AddEntity(std::make_unique<CPnt>());
    doc.SetModifiedFlag(false);
    // Cancelling the type dialog: the entity stays without data.
    OnNextModal([](QWidget& dlg) { Click(dlg, 1); });
    EXPECT_FALSE(OnEditData(doc, 0, prompter, nullptr));
    EXPECT_EQ(doc.GetEntity(0)->m_data.GetText(), "");
    // Type chosen, tree dialog cancelled: nothing reaches the entity.
    OnNextModal([](QWidget& dlg) {
        Click(dlg, 1020);
        OnNextModal([](QWidget& treeDlg) { Click(treeDlg, 2); });
        Click(dlg, 1);
    });
    EXPECT_FALSE(OnEditData(doc, 0, prompter, nullptr));
    EXPECT_EQ(doc.GetEntity(0)->m_data.GetText(), "");
    EXPECT_FALSE(doc.IsModified());
    OnNextModal([](QWidget& dlg) {
        Click(dlg, 1020);
        OnNextModal([](QWidget& treeDlg) { Click(treeDlg, 1); });
        Click(dlg, 1);
    });
    EXPECT_TRUE(OnEditData(doc, 0, prompter, nullptr));
    EXPECT_EQ(doc.GetEntity(0)->m_data.GetText(), "Rura");
    EXPECT_TRUE(doc.IsModified());
    EXPECT_FALSE(OnEditData(doc, 1, prompter, nullptr));
    doc.SetBusy(1);
    EXPECT_FALSE(OnEditData(doc, 0, prompter, nullptr));
    EXPECT_EQ(prompter.beeps, 1);
}

}  // namespace
