// Menus, toolbars, prompts and shortcuts as the user meets them.

#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <set>
#include <string>

#include "app/AppTestSupport.h"
#include "app/CommandTable.h"
#include "app/LayerComboBox.h"

namespace {

// A menu as its entries joined by '|': "id text" for a command, "-" for a separator,
// "> title[...]" for a popup with its own entries.
std::string Describe(const QMenu* menu) {
    std::string out;
    for (const QAction* a : menu->actions()) {
        out += out.empty() ? "" : "|";
        if (a->isSeparator()) {
            out += "-";
        } else if (a->menu()) {
            out += "> " + a->text().toStdString() + "[" + Describe(a->menu()) + "]";
        } else {
            out += a->objectName().toStdString() + " " + a->text().toStdString();
        }
    }
    return out;
}

// Each menu of a menu bar as "title: entries".
std::vector<std::string> DescribeBar(const QList<QMenu*>& menus) {
    std::vector<std::string> out;
    for (const QMenu* m : menus) {
        out.push_back(m->title().toStdString() + ": " + Describe(m));
    }
    return out;
}

const std::string kToolBars =
    "[59392 &Stanadrd|32796 &Warstwy|32810 &Zoom|32811 &Rysuj|32817 &Pomiary]";
const std::string kHelp = "32815 Pomoc|57664 &O programie TAV...";

const std::vector<std::string> kBar128 = {
    "&Plik: 57600 &Nowy\tCtrl+N|57601 &Otwórz...\tCtrl+O|-|57606 D&rukarka...|-|"
    "57616 Ostatnio otwierane pliki|-|57665 &Koniec",
    "Wi&dok: > &Paski narzędzi" + kToolBars +
        "|59393 &Linia Statusu|32794 B&iałe tło|32795 &Display lista",
    "&Pomoc: " + kHelp};

const std::vector<std::string> kBar129 = {
    "&Plik: 57600 &Nowy\tCtrl+N|57601 &Otwórz...\tCtrl+O|32769 &Import...|57602 Za&mknij|"
    "57603 &Zapisz\tCtrl+S|57604 Zapisz &jako...|32770 &Eksportuj...|-|32803 &Drukuj...\tCtrl+P|"
    "57609 Pod&gląd wydruku...|57606 D&rukarka...|-|57616 Ostatnio otwierane pliki|-|"
    "57665 &Koniec",
    "&Edytuj: 57643 &Cofnij\tCtrl+Z|57644 &Ponów\tCtrl+Y|-|32772 &Kasuj wybór|-|"
    "32773 &Edytuj wybrane|32774 Edytuj &Dane\tCtrl+D|-|32813 Wymaż wybrane",
    "Wi&dok: 32775 &Przezroczysty|32776 &Ukryte linie niewidoczne|32777 Wypełniony &kolorem|"
    "32778 Wypełniony i &cieniowany|-|32779 &Wybierz|> &Zoom[32780 &Przesuń|32781 &Skaluj|"
    "32782 &Obracaj|32783 O&kno|32812 Pop&rzedni|32784 &Wszystko]|-|32809 Pla&n|"
    "32786 Punkt o&bserwacji...|32785 Rzu&towanie...|-|32807 N&azwy punktów|32794 B&iałe tło|"
    "32795 &Display lista|-|> Pa&ski narzędzi" +
        kToolBars + "|59393 &Linia statusu",
    "&Rysuj: 32787 &Poligon|32788 &Łamana|32789 &Tekst|32790 &Okrąg/Łuk|32800 Punkt",
    "&Nastawy: 32791 &Warstwy|32792 &Płaszczyzny odcinające|32793 &Układy współrzędnych|-|"
    "32801 Tryb lokalizacji punktu|32830 Jednostka &GSI...",
    "&Informacje: 32818 &Wspólrzedne|32798 &Długość|32799 &Pole/Obwód|-|"
    "32808 &Raport o odległościach punktów ",
    "&Okno: 57648 &Nowe okno|57650 &Rozmieść|57651 &Podziel|57649 Rozmieść &ikony",
    "Po&moc: " + kHelp};

class MenuTest : public CAppTest {};

// Both menu bars have every entry in order, and the one shown follows whether a document is
// open.
TEST_F(MenuTest, MenuBarsAndWhichIsShown) {
    Start();
    EXPECT_EQ(DescribeBar(frame->MenuBarMenus(128)), kBar128);
    EXPECT_EQ(DescribeBar(frame->MenuBarMenus(129)), kBar129);
    auto shownTitles = [this] {
        std::vector<std::string> titles;
        for (QAction* a : frame->menuBar()->actions()) {
            titles.push_back(a->text().toStdString());
        }
        return titles;
    };
    const std::vector<std::string> bar129 = {"&Plik",    "&Edytuj",     "Wi&dok", "&Rysuj",
                                             "&Nastawy", "&Informacje", "&Okno",  "Po&moc"};
    ASSERT_EQ(app->Documents().size(), 1u);  // the new document of a start without arguments
    EXPECT_EQ(shownTitles(), bar129);
    ASSERT_TRUE(frame->Dispatch(cmd::kFileClose));
    EXPECT_EQ(shownTitles(), (std::vector<std::string>{"&Plik", "Wi&dok", "&Pomoc"}));
    ASSERT_TRUE(frame->Dispatch(cmd::kFileNew));
    EXPECT_EQ(shownTitles(), bar129);
}

struct SPromptCase {
    const char* name;
    unsigned id;
    const char* prompt;
    const char* tooltip;
};

const SPromptCase kPrompts[] = {
    {"Import", 32769, "Importuj dane z pliku tekstowego", "Import"},
    {"Export", 32770, "Eksportuj dnae do pliku tekstowego", "Eksport"},
    {"EditData", 32774, "Edytuj dane dodatkowe wybranego obiektu", "Edytuj Dane"},
    {"Filled", 32778, "Przełącz widok na wypełnianiony kolorem i zacieniowany", ""},
    {"Projection", 32785, "Przełączaj miedzy trybami rzutowania: Ortogonalnym lub Perspektywą",
     "Rzutowanie"},
    {"Polyline", 32788, "Rysuj a nowa Łamaną", "Nowa Łamana"},
    {"Planes", 32792, "Otwórz okno dialogowe menedżera plaszczyzn odcinajacych",
     "Plaszczyzny odcinajace"},
    {"Systems", 32793, "Otwórz okno dialogowe menedżera ukladów wspólrzednych",
     "Uklady wspólrzednych"},
    {"Background", 32794, "Zmień kolor tła na biale lub czarne", "Kolor tła"},
    {"DisplayList", 32795, "Używaj albo nie displaylist-y", "Displaylista"},
    {"LayersBar", 32796, "Pokaż lub ukryj pasek narzędzi Warstwy", "Pasek narzędzi Warstwy"},
    {"Print", 32803, "Drukuje bieżący dokument", "Drukuj"},
    {"Report", 32808, "Utwórz plik raportu o odległościach punktów", "Raport odległości"},
    {"Coordinates", 32818, "Pokaż współrzędne", "Współrzędne"},
    {"New", 57600, "Tworzy nowy dokument", "Nowy"},
    {"About", 57664, "Wyświetla informacje o programie", "O programie"},
    {"StatusBar", 59393, "Pokaż lub ukryj linię statusu", "Linia statusu"},
};

// Every menu item and button of the command shows the prompt in the status bar and the
// tooltip on the button, spelled as in the program's resources.
TEST_F(MenuTest, MenuItemsAndButtonsCarryPromptAndTooltip) {
    Start();
    for (const SPromptCase& c : kPrompts) {
        SCOPED_TRACE(c.name);
        const QList<QAction*> actions = frame->ActionsFor(c.id);
        ASSERT_FALSE(actions.isEmpty());
        for (const QAction* a : actions) {
            EXPECT_EQ(a->statusTip().toStdString(), c.prompt);
            if (*c.tooltip) {
                EXPECT_EQ(a->toolTip().toStdString(), c.tooltip);
            }
        }
    }
}

TEST(CommandTableTest, SortedUniqueAndFoundById) {
    unsigned last = 0;
    for (const SCommand& c : CommandTable()) {
        EXPECT_GT(c.id, last) << c.id;
        last = c.id;
        EXPECT_EQ(FindCommand(c.id), &c);
    }
    EXPECT_EQ(FindCommand(32771), nullptr);
    EXPECT_EQ(FindCommand(0), nullptr);
}

TEST(CommandTableTest, EveryMenuCommandHasAPrompt) {
    std::function<void(std::span<const SMenuItem>)> check = [&](auto items) {
        for (const SMenuItem& item : items) {
            if (item.kind == EMenuKind::Popup) {
                check(item.items);
            } else if (item.kind == EMenuKind::Command) {
                const SCommand* c = FindCommand(item.id);
                ASSERT_NE(c, nullptr) << item.id;
                EXPECT_STRNE(c->prompt, "") << item.id;
            }
        }
    };
    check(MenuBar(128));
    check(MenuBar(129));
}

TEST(CommandTableTest, DocumentTemplateFields) {
    EXPECT_EQ(DocTemplateField(EDocField::WindowTitle), "");
    EXPECT_EQ(DocTemplateField(EDocField::DocName), "TAV");
    EXPECT_EQ(DocTemplateField(EDocField::FileNewName), "TAV");
    EXPECT_EQ(DocTemplateField(EDocField::FilterName), "TAV Files (*.tav)");
    EXPECT_EQ(DocTemplateField(EDocField::FilterExt), ".tav");
    EXPECT_EQ(DocTemplateField(EDocField::RegFileTypeId), "TAV.Document");
    EXPECT_EQ(DocTemplateField(EDocField::RegFileTypeName), "TAV Document");
    EXPECT_STREQ(AppStr(57345), "Gotowy");
    EXPECT_STREQ(AppStr(128), "TAV");
    EXPECT_EQ(std::string(AppStr(32802)), std::string(33, ' '));
}

// Each key sends exactly one command: Ctrl+P prints at once (57607) although the menu text of
// 32803 shows it.
TEST_F(MenuTest, EveryShortcutIsBoundOnce) {
    Start();
    std::map<std::string, std::vector<unsigned>> owners;
    std::set<std::string> allKeys;
    for (QAction* a : frame->findChildren<QAction*>()) {
        for (const QKeySequence& k : a->shortcuts()) {
            const std::string key = k.toString(QKeySequence::PortableText).toStdString();
            // No key is taken twice, also not by the windows' own system menus.
            EXPECT_TRUE(allKeys.insert(key).second) << key;
            bool isCommand = false;
            const unsigned id = a->objectName().toUInt(&isCommand);
            if (isCommand) {
                owners[key].push_back(id);
            }
        }
    }
    const std::map<std::string, std::vector<unsigned>> expected = {
        {"Ctrl+N", {57600}}, {"Ctrl+O", {57601}},       {"Ctrl+S", {57603}},   {"Ctrl+P", {57607}},
        {"Ctrl+D", {32774}}, {"F6", {57680}},           {"Shift+F6", {57681}}, {"Ctrl+Z", {57643}},
        {"Ctrl+Y", {57644}}, {"Ctrl+Shift+Z", {57644}},
    };
    EXPECT_EQ(owners, expected);
    for (QAction* a : frame->ActionsFor(32803)) {
        EXPECT_TRUE(a->shortcut().isEmpty());
    }
}

TEST_F(MenuTest, ToolBarsInOrderWithTitlesAreasAndButtons) {
    Start();
    struct SExpect {
        unsigned id;
        const char* title;
        std::vector<std::string> items;  // ids, "-" for separators, "combo"
        Qt::ToolBarAreas areas;
    };
    const std::vector<SExpect> expected = {
        {59392,
         "Standard",
         {"57600", "57601", "57603", "-", "57643", "57644", "-", "32774", "32773", "-", "32809",
          "32786", "32779", "-", "57609", "57607", "-", "57664"},
         Qt::AllToolBarAreas},
        {32796, "Warstwy", {"combo", "-", "32791"}, Qt::TopToolBarArea | Qt::BottomToolBarArea},
        {32810,
         "Zoom",
         {"32784", "32780", "32781", "32782", "32783", "32812"},
         Qt::AllToolBarAreas},
        {32811, "Rysuj", {"32787", "32788", "32789", "32790", "32800"}, Qt::AllToolBarAreas},
        {32817, "Pomiary", {"32818", "32798", "32799"}, Qt::AllToolBarAreas},
    };
    const QList<QToolBar*> bars = frame->findChildren<QToolBar*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(bars.size(), 5);
    for (size_t i = 0; i < expected.size(); ++i) {
        const QToolBar* bar = bars[static_cast<qsizetype>(i)];
        EXPECT_EQ(bar->objectName().toUInt(), expected[i].id);
        EXPECT_EQ(bar->windowTitle().toStdString(), expected[i].title);
        EXPECT_EQ(bar->allowedAreas(), expected[i].areas) << expected[i].id;
        EXPECT_EQ(frame->toolBarArea(const_cast<QToolBar*>(bar)), Qt::TopToolBarArea);
        std::vector<std::string> items;
        for (QAction* a : bar->actions()) {
            if (a->isSeparator()) {
                items.push_back("-");
            } else if (bar->widgetForAction(a) == frame->LayerCombo()) {
                items.push_back("combo");
            } else {
                items.push_back(a->objectName().toStdString());
                EXPECT_FALSE(a->icon().isNull()) << a->objectName().toStdString();
            }
        }
        EXPECT_EQ(items, expected[i].items);
    }
    EXPECT_EQ(frame->LayerCombo()->width(), 350);
}

// Commands whose handlers are not in the program yet are shown, but disabled; the shell's own
// commands are enabled, and a registered handler enables its command as its updater says.
TEST_F(MenuTest, CommandsAreEnabledByTheirHandlers) {
    Start();
    frame->RegisterCommand(32787, {});  // a command without a handler
    frame->UpdateCommandUI();
    int unhandled = 0;
    for (const SCommand& c : CommandTable()) {
        if (frame->HasHandler(c.id) && c.id != 32787) {
            continue;
        }
        ++unhandled;
        for (const QAction* a : frame->ActionsFor(c.id)) {
            EXPECT_FALSE(a->isEnabled()) << c.id;
        }
    }
    EXPECT_GT(unhandled, 0);
    for (unsigned id : {32769u, 32794u, 32795u, 57600u, 57601u, 57602u, 57603u, 57604u, 57606u,
                        57648u, 57664u, 57665u, 32815u, 59392u, 59393u}) {
        for (const QAction* a : frame->ActionsFor(id)) {
            EXPECT_TRUE(a->isEnabled()) << id;
        }
    }
    EXPECT_FALSE(frame->Dispatch(32787));

    int runs = 0;
    bool allowed = false;
    frame->RegisterCommand(
        32787, [&] { ++runs; }, [&](CMainFrame::SCmdUI& ui) { ui.enabled = allowed; });
    frame->UpdateCommandUI();
    for (const QAction* a : frame->ActionsFor(32787)) {
        EXPECT_FALSE(a->isEnabled());
    }
    EXPECT_FALSE(frame->Dispatch(32787));
    allowed = true;
    frame->UpdateCommandUI();
    ASSERT_EQ(frame->ActionsFor(32787).size(), 2);  // menu item and toolbar button
    frame->ActionsFor(32787).back()->trigger();
    EXPECT_EQ(runs, 1);
}

TEST_F(MenuTest, ToolBarAndStatusBarToggles) {
    Start();
    QToolBar* zoom = frame->ToolBar(32810);
    ASSERT_NE(zoom, nullptr);
    EXPECT_EQ(frame->QueryCommand(32810).checked, 1);
    ASSERT_TRUE(frame->Dispatch(32810));
    EXPECT_TRUE(zoom->isHidden());
    EXPECT_EQ(frame->QueryCommand(32810).checked, 0);
    for (const QAction* a : frame->ActionsFor(32810)) {
        EXPECT_TRUE(a->isCheckable());
        EXPECT_FALSE(a->isChecked());
    }
    ASSERT_TRUE(frame->Dispatch(59393));
    EXPECT_EQ(frame->QueryCommand(59393).checked, 0);
    // Recent files appear in both file menus.
    app->AddToRecentFileList("/tmp/a.tav");
    app->AddToRecentFileList("/tmp/b.tav");
    app->AddToRecentFileList("/tmp/a.tav");
    for (unsigned bar : {128u, 129u}) {
        EXPECT_NE(Describe(frame->MenuBarMenus(bar).front())
                      .find("|57616 &1 /tmp/a.tav|57617 &2 /tmp/b.tav|-|"),
                  std::string::npos)
            << bar;
    }
    EXPECT_EQ(app->RecentFiles(), (QStringList{"/tmp/a.tav", "/tmp/b.tav"}));
    for (int i = 0; i < 6; ++i) {
        app->AddToRecentFileList(QStringLiteral("/tmp/f%1.tav").arg(i));
    }
    EXPECT_EQ(app->RecentFiles().size(), 4);
    EXPECT_EQ(app->RecentFiles().front(), "/tmp/f5.tav");
}

}  // namespace
