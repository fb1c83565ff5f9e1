#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

#include "document/TAVDoc.h"
#include "support/Describe.h"
#include "support/TestEntities.h"
#include "support/Widgets.h"
#include "tools/ArcDialog.h"
#include "tools/CoordSystemsDialog.h"
#include "tools/CoordinatesListCtrl.h"
#include "tools/EntityDialog.h"
#include "tools/PointDialog.h"
#include "tools/PolyDialog.h"
#include "tools/PropertiesDialog.h"
#include "tools/TextDialog.h"
#include "tools/core/CoordFrames.h"
#include "tools/core/EditTexts.h"
#include "view/TAVView.h"

namespace {

// A document with one point and a view on it; the view is never shown (no GL needed).
struct SViewFixture {
    CRecordingPrompter prompter;
    CTAVDoc doc{&prompter};
    CTAVView view{doc};
    int reopened = 0;
    SViewFixture() {
        doc.AddEntity(MakePnt({5, 6, 7}, "P"));
        doc.SetModifiedFlag(false);
        CoordSystemsReopenHook() = [this](CTAVView&) { ++reopened; };
        view.SetToolQuiet(kToolSelect);
    }
    ~SViewFixture() {
        if (view.GetEntityDialog()) {
            AbandonViewDialog(view);
        }
        Flush();
    }
    void Pick(const CPoint3& p) {
        view.SetPickedPoint(p);
        emit view.pointPicked(view.GetEditHandle());
        Flush();
    }
    void ShiftedSystem() {
        doc.SetActiveCoordSystem(StoreCoordSystem(
            doc, -1,
            CCoordSystem("L", CPoint3(100, 0, 0), CPoint3(101, 0, 0), CPoint3(100, 1, 0))));
    }
};

TEST(EntityDialogsTest, ThreePicksGiveAPolylineOfThreeVertices) {
    SViewFixture f;
    CCounterGuard numbers(40);
    CEntityDialog* dlg = StartNewEntityDialog(f.view, kTypePolyline);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->objectName(), "153");
    EXPECT_EQ(dlg->windowTitle(), "Łamana");
    EXPECT_FALSE(dlg->isModal());
    EXPECT_EQ(f.doc.GetBusy(), 1);
    EXPECT_EQ(f.view.GetTool(), kToolPointInput);
    EXPECT_EQ(f.view.GetEntityDialog(), dlg);
    Flush();
    f.Pick(CPoint3(1, 0, 0));
    f.Pick(CPoint3(2, 3, 0));
    f.Pick(CPoint3(4, 5, 6));
    Click(*dlg, 1);
    Flush();
    EXPECT_EQ(Describe(f.doc), "pnt 5 6 7 name=P\nline [1 0 0, 2 3 0, 4 5 6] #41 rgb=1 1 1\n");
    EXPECT_EQ(f.doc.GetBusy(), 0);
    EXPECT_TRUE(f.doc.IsModified());
    EXPECT_EQ(f.view.GetEntityDialog(), nullptr);
    EXPECT_EQ(f.view.GetTool(), kToolSelect);
    EXPECT_EQ(f.view.GetEditHandle(), -1);
}

// The view announces a left click in point input to the open dialog.
TEST(EntityDialogsTest, LeftClickInPointInputIsAnnounced) {
    SViewFixture f;
    std::vector<int> handles;
    QObject::connect(&f.view, &CTAVView::pointPicked, [&](int h) { handles.push_back(h); });
    f.view.resize(200, 200);
    const auto click = [&f] { ClickAt(&f.view, QPointF(50, 60)); };
    click();
    EXPECT_TRUE(handles.empty()) << "no dialog, no announcement";
    CEntityDialog* dlg = StartNewEntityDialog(f.view, kTypePoint);
    ASSERT_NE(dlg, nullptr);
    Control<QLineEdit>(*dlg, 1050)->setFocus();
    f.view.SetEditHandle(1);
    click();
    ASSERT_EQ(handles.size(), 1u);
    EXPECT_EQ(handles[0], 1);
    Flush();
    const auto& pnt = dynamic_cast<const CPnt&>(*dlg->Entity());
    EXPECT_NE(Text(*dlg, 1049), "0");
    EXPECT_EQ(QString::number(pnt.m_point.x, 'f', 2), Text(*dlg, 1049));
}

TEST(EntityDialogsTest, BusyDocumentOnlyBeeps) {
    SViewFixture f;
    ASSERT_NE(StartNewEntityDialog(f.view, kTypePoint), nullptr);
    const int count = f.doc.GetEntityCount();
    for (int type : {kTypePoint, kTypePolyline, kTypePolygon, kTypeArc, kTypeText}) {
        EXPECT_EQ(StartNewEntityDialog(f.view, type), nullptr);
    }
    EXPECT_EQ(StartEditEntityDialog(f.view, 0), nullptr);
    EXPECT_EQ(RunCoordSystemsCommand(f.view), nullptr);
    EXPECT_EQ(OpenCoordSystemDialog(f.view, -1), nullptr);
    f.view.Renderer().m_multiSelection = {0, 1};
    EditSelected(f.view);
    EXPECT_EQ(f.prompter.beeps, 9);
    EXPECT_EQ(f.doc.GetEntityCount(), count);
    EXPECT_TRUE(f.prompter.messages.empty());
}

// Two vertices are refused with the dialog kept; then a cancel leaves the document as it was.
TEST(EntityDialogsTest, TooFewVerticesThenCancelledPolygon) {
    SViewFixture f;
    f.doc.SetModifiedFlag(true);  // modified before: cancel must not change that either way
    const std::vector<uint8_t> before = f.doc.SaveToBytes();
    const int number = GetLastEntityNumber();
    CEntityDialog* dlg = StartNewEntityDialog(f.view, kTypePolygon);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->windowTitle(), "Poligon");
    Flush();
    f.Pick(CPoint3(0, 0, 0));
    f.Pick(CPoint3(1, 0, 0));
    Click(*dlg, 1);
    Flush();
    EXPECT_EQ(MessageTexts(f.prompter), std::vector<std::string>{kPolygonTooFew});
    EXPECT_EQ(f.view.GetEntityDialog(), dlg);
    EXPECT_EQ(f.doc.GetBusy(), 1);
    // The pending row went with the refused "Tak"; the two vertices stay.
    EXPECT_EQ(dynamic_cast<const CPoly&>(*dlg->Entity()).GetVertexCount(), 2);
    EntityColorChooser() = [](double rgb[3], QWidget*) {
        rgb[0] = 0.0;
        return true;
    };
    Click(*dlg, 1008);
    Key(dlg, Qt::Key_Escape);
    Flush();
    EXPECT_EQ(f.doc.GetEntityCount(), 1);
    EXPECT_EQ(f.doc.SaveToBytes(), before);
    EXPECT_EQ(GetLastEntityNumber(), number);
    EXPECT_EQ(f.doc.GetBusy(), 0);
    double rgb[3];
    f.doc.GetCurrentColor(rgb);
    EXPECT_EQ(rgb[0], 1.0);
}

// A cancelled edit restores position, colour and data; a point typed in a local system is stored
// globally.
TEST(EntityDialogsTest, PointEdits) {
    SViewFixture f;
    f.doc.GetEntity(0)->m_data.SetText("Dane");
    const std::vector<uint8_t> before = f.doc.SaveToBytes();
    CEntityDialog* dlg = StartEditEntityDialog(f.view, 0);
    ASSERT_NE(dlg, nullptr);
    EXPECT_FALSE(Control<QPushButton>(*dlg, 1010)->isHidden());
    Click(*dlg, 1010);
    EXPECT_EQ(dlg->Entity()->m_data.GetText(), "");
    EXPECT_TRUE(Control<QPushButton>(*dlg, 1010)->isHidden());
    Control<QLineEdit>(*dlg, 1049)->setFocus();
    f.view.SetEditHandle(1);
    f.Pick(CPoint3(1.234, 2.345, 3.456));
    EXPECT_EQ(Text(*dlg, 1049), "1.23");
    EXPECT_EQ(Text(*dlg, 1051), "3.46");
    EXPECT_EQ(dynamic_cast<const CPnt&>(*dlg->Entity()).m_point.x, 1.23);
    EntityColorChooser() = [](double rgb[3], QWidget*) {
        rgb[1] = 0.5;
        return true;
    };
    Click(*dlg, 1008);
    Click(*dlg, 2);
    Flush();
    EXPECT_EQ(f.doc.SaveToBytes(), before);
    EXPECT_FALSE(f.doc.IsModified());

    f.ShiftedSystem();
    dlg = StartEditEntityDialog(f.view, 0);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->objectName(), "156");
    EXPECT_EQ(Text(*dlg, 1049), "-95");
    EXPECT_EQ(Text(*dlg, 1006), "P");
    SetText(*dlg, 1049, "0");
    SetText(*dlg, 1050, "abc");
    Click(*dlg, 1);
    EXPECT_EQ(MessageTexts(f.prompter), std::vector<std::string>{kEnterNumber});
    EXPECT_EQ(Describe(f.doc), "pnt 5 6 7 name=P data=\"Dane\"\n");
    SetText(*dlg, 1050, "0");
    SetText(*dlg, 1051, "0");
    Click(*dlg, 1);
    Flush();
    EXPECT_EQ(Describe(f.doc), "pnt 100 0 0 name=P data=\"Dane\"\n");
    EXPECT_EQ(f.doc.GetBusy(), 0);
}

TEST(EntityDialogsTest, ArcDialogCircleAnglesAndRanges) {
    SViewFixture f;
    CEntityDialog* dlg = StartNewEntityDialog(f.view, kTypeArc);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->objectName(), "155");
    auto* circle = Control<QCheckBox>(*dlg, 1041);
    EXPECT_TRUE(circle->isChecked());
    EXPECT_FALSE(Control<QLineEdit>(*dlg, 1038)->isEnabled());
    EXPECT_FALSE(Control<QLabel>(*dlg, 1043)->isEnabled());
    circle->click();
    EXPECT_TRUE(Control<QLineEdit>(*dlg, 1039)->isEnabled());
    EXPECT_EQ(Text(*dlg, 1039), "360");
    // Looking down the Z axis: a pick at angle 10 after a start of 350 gives length 20.
    f.view.Camera().m_eye = CPoint3(0, 0, 10);
    f.view.Camera().m_target = CPoint3(0, 0, 0);
    const auto at = [](double deg) {
        return CPoint3(3 * std::cos(deg * kDegToRad), 3 * std::sin(deg * kDegToRad), 0);
    };
    f.view.SetEditHandle(3);
    f.Pick(at(350));
    EXPECT_EQ(Text(*dlg, 1038), "350.00");
    f.view.SetEditHandle(4);
    f.Pick(at(10));
    EXPECT_EQ(Text(*dlg, 1039), "20.00");
    auto& arc = dynamic_cast<CArc&>(*dlg->Entity());
    EXPECT_NEAR(arc.m_length, 20.0, 1e-12);
    EXPECT_NEAR(arc.m_start, 350.0, 1e-12);
    // A start typed and not yet read back is the one the length is measured from.
    SetText(*dlg, 1038, "5");
    f.Pick(at(10));
    EXPECT_EQ(Text(*dlg, 1039), "5.00");
    f.view.SetEditHandle(2);
    f.Pick(at(123));
    EXPECT_EQ(Text(*dlg, 1037), "3.00");
    // A ray parallel to the plane keeps the value.
    f.view.Camera().m_eye = CPoint3(10, 0, 0);
    f.view.SetEditHandle(2);
    f.Pick(CPoint3(0, 5, 0));
    EXPECT_EQ(Text(*dlg, 1037), "3.00");
    SetText(*dlg, 1037, "0");
    Click(*dlg, 1);
    ASSERT_FALSE(f.prompter.messages.empty());
    EXPECT_EQ(f.prompter.messages.back().text,
              "Wprowadź liczbę z zakresu od 1e-10 do 10000000000.");
    SetText(*dlg, 1037, "2");
    SetText(*dlg, 1052, "0");
    SetText(*dlg, 1053, "0");
    SetText(*dlg, 1054, "0");
    Click(*dlg, 1);
    EXPECT_EQ(f.prompter.messages.back().text, kZeroAxis);
    EXPECT_EQ(f.view.GetEntityDialog(), dlg);
}

TEST(EntityDialogsTest, TextDialogFontsAndAxisOfTheActiveSystem) {
    SViewFixture f;
    CCounterGuard numbers(40);
    f.doc.SetActiveCoordSystem(StoreCoordSystem(
        f.doc, -1, CCoordSystem("Pion", CPoint3(0, 0, 0), CPoint3(1, 0, 0), CPoint3(0, 0, 1))));
    CEntityDialog* dlg = StartNewEntityDialog(f.view, kTypeText);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->objectName(), "154");
    auto* fonts = Control<QComboBox>(*dlg, 1035);
    ASSERT_EQ(fonts->count(), 4);
    EXPECT_EQ(fonts->itemText(1), "font2_085i");
    EXPECT_EQ(fonts->itemText(3), "font4_085");
    // The axis is the system's own Z (global -Y), shown in that system.
    EXPECT_EQ(Text(*dlg, 1054), "1");
    SetText(*dlg, 1034, "Ala");
    fonts->setCurrentIndex(2);
    SetText(*dlg, 1036, "2.5");
    Click(*dlg, 1);
    Flush();
    EXPECT_EQ(Describe(*f.doc.GetEntity(1)),
              "text \"Ala\" at=0 0 0 h=2.5 axis=0 -1 0 font=2 #41 rgb=1 1 1");
}

TEST(PropertiesDialogTest, ConfirmedDataRemovalReachesEverySelectedEntity) {
    SViewFixture f;
    std::vector<int> sel = {0};
    for (const char* n : {"P2", "P3"}) {
        auto p = MakePnt({}, n);
        p->m_data.SetText(n);
        sel.push_back(f.doc.AddEntity(std::move(p)));
    }
    CPropertiesDialog dlg(f.view, sel);
    EXPECT_EQ(dlg.objectName(), "167");
    EXPECT_EQ(Text(dlg, 1006), "");
    EXPECT_TRUE(Control<QPushButton>(dlg, 1009)->isHidden());
    EXPECT_EQ(Control<QPushButton>(dlg, 1008)->text(), "&Kolor");
    f.prompter.answers.push_back(true);
    Click(dlg, 1010);
    ASSERT_EQ(f.prompter.questions.size(), 1u);
    EXPECT_EQ(f.prompter.questions[0].text, kAskSure);
    EXPECT_TRUE(Control<QPushButton>(dlg, 1010)->isHidden());
    EXPECT_FALSE(Control<QPushButton>(dlg, 1009)->isHidden());
    Click(dlg, 1);
    EXPECT_EQ(Describe(f.doc), "pnt 5 6 7 name=P\npnt 0 0 0 name=P2\npnt 0 0 0 name=P3\n");
    EXPECT_TRUE(f.doc.IsModified());
    // Differing colours show "Rózne" until one is chosen.
    SViewFixture g;
    const std::vector<int> two = {0, g.doc.AddEntity(Colored(MakePnt({}), 0, 0, 1))};
    g.doc.Layers().push_back(CLayer("B", 0, 1));
    g.doc.GetEntity(1)->m_layer = 1;
    CPropertiesDialog differing(g.view, two);
    EXPECT_EQ(Control<QPushButton>(differing, 1008)->text(), "Rózne");
    EXPECT_EQ(Control<QComboBox>(differing, 1007)->currentIndex(), -1);
    Click(differing, 1);
    EXPECT_EQ(Describe(g.doc), "pnt 5 6 7 name=P\npnt 0 0 0 L1 rgb=0 0 1\n");
}

TEST(CoordSystemDialogTest, ThreePicksFillOriginXAndYPoints) {
    SViewFixture f;
    CCoordSystemDialog* dlg = OpenCoordSystemDialog(f.view, -1);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->windowTitle(), "Uklad wspolrzednych:");
    EXPECT_EQ(Text(*dlg, 1006), "Uklad0");
    EXPECT_EQ(Text(*dlg, 1124), "1");
    EXPECT_EQ(f.doc.GetBusy(), 1);
    // The dialog's window is not active while the user clicks in the view: the handle moves
    // on with the focus all the same.
    f.view.activateWindow();
    f.view.SetEditHandle(1);
    f.Pick(CPoint3(10, 20, 0));
    EXPECT_EQ(dlg->focusWidget()->objectName(), "1124");
    EXPECT_EQ(f.view.GetEditHandle(), 2);
    f.Pick(CPoint3(11, 20, 0));
    f.Pick(CPoint3(10, 20.556, 0));
    EXPECT_EQ(dlg->focusWidget()->objectName(), "1121");
    EXPECT_EQ(f.view.GetEditHandle(), 1);
    EXPECT_EQ(Text(*dlg, 1121), "10.00");
    EXPECT_EQ(Text(*dlg, 1125), "20.00");
    EXPECT_EQ(Text(*dlg, 1128), "20.56");
    Click(*dlg, 1);
    Flush();
    ASSERT_EQ(f.doc.GetCoordSystemCount(), 1);
    EXPECT_EQ(f.doc.GetCoordSystem(0).m_origin.x, 10.0);
    EXPECT_EQ(f.doc.GetBusy(), 0);
    EXPECT_EQ(f.reopened, 1);
    EXPECT_TRUE(f.doc.IsModified());
    // In the new system the picked global (11, 20, 0) reads 1.00, 0.00, 0.00.
    f.doc.SetActiveCoordSystem(0);
    dlg = OpenCoordSystemDialog(f.view, 0);
    f.view.SetEditHandle(2);
    f.Pick(CPoint3(11, 20, 0));
    EXPECT_EQ(Text(*dlg, 1124), "1.00");
    EXPECT_EQ(Text(*dlg, 1125), "0.00");
    EXPECT_EQ(Text(*dlg, 1121), "0");
}

struct SSystemCase {
    const char* name;
    const char* systemName;
    const char* xPoint[3];
    const char* message;
};

const SSystemCase kCoordSystemCheckTestCases[] = {
    {"EmptyName", "", {"2", "0", "0"}, kEmptyName},
    {"TakenName", "Jest", {"0", "0", "0"}, kNameTaken},
    {"Collinear", "Nowy", {"0", "-1", "0"}, kSystemDegenerate},
    {"OnOrigin", "Nowy", {"0", "0", "0"}, kSystemDegenerate},
    {"NotANumber", "Nowy", {"1e999", "0", "0"}, kEnterNumber},
};

TEST(CoordSystemCheckTest, RefusedDefinitionsKeepTheDialogAndTheValues) {
    for (const SSystemCase& c : kCoordSystemCheckTestCases) {
        SCOPED_TRACE(c.name);
        SViewFixture f;
        StoreCoordSystem(f.doc, -1,
                         CCoordSystem("Jest", CPoint3(), CPoint3(1, 0, 0), CPoint3(0, 1, 0)));
        CCoordSystemDialog* dlg = OpenCoordSystemDialog(f.view, -1);
        SetText(*dlg, 1006, c.systemName);
        for (int i = 0; i < 3; ++i) {
            SetText(*dlg, 1124 + i, c.xPoint[i]);
        }
        Click(*dlg, 1);
        Flush();
        ASSERT_EQ(f.prompter.messages.size(), 1u);
        EXPECT_EQ(f.prompter.messages[0].text, c.message);
        EXPECT_EQ(f.doc.GetCoordSystemCount(), 1);
        EXPECT_EQ(Text(*dlg, 1006), QString::fromUtf8(c.systemName));
        EXPECT_EQ(Text(*dlg, 1124), c.xPoint[0]);
        EXPECT_EQ(f.doc.GetBusy(), 1);
        EXPECT_EQ(f.reopened, 0);
    }
}

// Cancel reopens the systems' list, an abandoned dialog (its window closed) does not; an
// abandoned entity dialog takes the half-made entity with it.
TEST(CoordSystemDialogTest, CancelReopensTheListAndAbandonDoesNot) {
    SViewFixture f;
    CCoordSystemDialog* dlg = OpenCoordSystemDialog(f.view, -1);
    Click(*dlg, 2);
    Flush();
    EXPECT_EQ(f.reopened, 1);
    EXPECT_EQ(f.doc.GetBusy(), 0);
    EXPECT_EQ(f.doc.GetCoordSystemCount(), 0);
    OpenCoordSystemDialog(f.view, -1);
    AbandonViewDialog(f.view);
    Flush();
    EXPECT_EQ(f.reopened, 1);
    EXPECT_EQ(f.doc.GetBusy(), 0);
    EXPECT_EQ(f.view.GetEntityDialog(), nullptr);
    EXPECT_FALSE(f.doc.IsModified());

    const std::vector<uint8_t> before = f.doc.SaveToBytes();
    StartNewEntityDialog(f.view, kTypeArc);
    EXPECT_EQ(f.doc.GetEntityCount(), 2);
    AbandonViewDialog(f.view);
    Flush();
    EXPECT_EQ(f.doc.SaveToBytes(), before);
    EXPECT_EQ(f.doc.GetBusy(), 0);
    EXPECT_EQ(f.reopened, 1);
}

TEST(CoordSystemsDialogTest, CurrentSystemAndDeletion) {
    SViewFixture f;
    for (const char* n : {"A", "B", "C"}) {
        StoreCoordSystem(f.doc, -1, CCoordSystem(n, CPoint3(), CPoint3(1, 0, 0), CPoint3(0, 1, 0)));
    }
    CCoordSystemsDialog dlg(f.doc);
    EXPECT_EQ(dlg.windowTitle(), "Uklady wspólrzednych");
    EXPECT_EQ(dlg.CurrentName(), "Globalny układ odniesienia");
    EXPECT_FALSE(Control<QLineEdit>(dlg, 1115)->isEnabled());
    Click(dlg, 1017);  // nothing selected: nothing happens
    EXPECT_EQ(f.doc.GetActiveCoordSystem(), -1);
    Click(dlg, 1018);  // already global: nothing to save
    EXPECT_FALSE(f.doc.IsModified());
    dlg.List().setCurrentRow(2);
    Click(dlg, 1017);
    EXPECT_EQ(dlg.CurrentName(), "C");
    EXPECT_TRUE(f.doc.IsModified());
    dlg.List().setCurrentRow(0);
    Click(dlg, 1016);
    EXPECT_EQ(f.prompter.questions.back().text, kAskDeleteSystem);
    EXPECT_EQ(f.doc.GetCoordSystem(f.doc.GetActiveCoordSystem()).m_name, "C");
    EXPECT_EQ(dlg.List().count(), 2);
    dlg.List().setCurrentRow(1);
    Click(dlg, 1016);  // the current one: the global frame takes over
    EXPECT_EQ(f.doc.GetActiveCoordSystem(), -1);
    EXPECT_EQ(dlg.CurrentName(), "Globalny układ odniesienia");
    EXPECT_EQ(dlg.List().currentRow(), 0);
    Click(dlg, 1015);
    EXPECT_EQ(dlg.result(), CCoordSystemsDialog::kEdit);
    EXPECT_EQ(dlg.ChosenIndex(), 0);
}

// An existing polyline of three vertices edited in its dialog: a cancel after inserts, typing
// and deletes keeps the saved bytes; an inserted row never confirmed goes on "Tak".
TEST(PolyDialogTest, CancelKeepsTheBytesAndTakDropsAnUnconfirmedRow) {
    SViewFixture f;
    const int index = f.doc.AddEntity(MakePoly({{0, 0, 0}, {1, 2, 3}, {2, 4, 6}}));
    f.doc.SetModifiedFlag(false);
    const std::vector<uint8_t> before = f.doc.SaveToBytes();
    auto* dlg = dynamic_cast<CPolyDialog*>(StartEditEntityDialog(f.view, index));
    ASSERT_NE(dlg, nullptr);
    CCoordinatesListCtrl& list = dlg->List();
    EXPECT_EQ(list.SelectedRow(), 2);
    list.SelectRow(0);
    Click(*dlg, 1014);  // a copy of row 0 after it, pending
    Flush();
    EXPECT_EQ(list.PendingRow(), 1);
    EXPECT_EQ(list.Model().rowCount(), 4);
    ASSERT_NE(list.Editor(), nullptr);
    list.Editor()->setText("7.25");
    list.Editor()->setModified(true);
    Key(list.Editor(), Qt::Key_Return);
    Flush();
    EXPECT_EQ(list.PendingRow(), -1) << "an accepted value confirms the row";
    EXPECT_EQ(dynamic_cast<const CPoly&>(*dlg->Entity())[1].x, 7.25);
    list.DiscardEditor();
    list.SelectRow(3);
    Click(*dlg, 1016);  // the last row: the new last row is selected
    EXPECT_EQ(list.SelectedRow(), 2);
    f.prompter.answers.push_back(true);
    Click(*dlg, 1017);
    EXPECT_EQ(list.Model().rowCount(), 0);
    Click(*dlg, 2);
    Flush();
    EXPECT_EQ(f.doc.SaveToBytes(), before);
    EXPECT_FALSE(f.doc.IsModified());
    EXPECT_EQ(f.doc.GetBusy(), 0);

    dlg = dynamic_cast<CPolyDialog*>(StartEditEntityDialog(f.view, index));
    ASSERT_NE(dlg, nullptr);
    dlg->List().SelectRow(1);
    Click(*dlg, 1014);
    Flush();
    dlg->List().DiscardEditor();
    EXPECT_EQ(dlg->List().Model().rowCount(), 4);
    Click(*dlg, 1);
    Flush();
    EXPECT_EQ(Describe(*f.doc.GetEntity(index)), "line [0 0 0, 1 2 3, 2 4 6]");
    EXPECT_TRUE(f.doc.IsModified());
}

}  // namespace
