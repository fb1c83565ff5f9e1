#include "tools/ClipPlaneDialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <memory>

#include "document/TAVDoc.h"
#include "support/Describe.h"
#include "support/Widgets.h"
#include "tools/core/CoordFrames.h"

namespace {

constexpr int kFields[6] = {1049, 1050, 1051, 1052, 1053, 1054};

void AddPlanes(CTAVDoc& doc, int count, int active) {
    for (int i = 0; i < count; ++i) {
        doc.ClipPlanes().emplace_back("P" + std::to_string(i), i < active ? 1 : 0, CPoint3(0, 0, i),
                                      CVec3(0, 0, 1));
    }
}

// A local system at (100, 0, 0) whose X axis is global Y.
void TurnedSystem(CTAVDoc& doc) {
    const CCoordSystem s("U", CPoint3(100, 0, 0), CPoint3(100, 1, 0), CPoint3(99, 0, 0));
    doc.SetActiveCoordSystem(doc.AddCoordSystem(s, MakeWorldToLocal(s)));
}

struct SListFixture {
    explicit SListFixture(int count, int active, int limit = 6) {
        AddPlanes(doc, count, active);
        dlg = std::make_unique<CClipPlanesDialog>(doc, limit, prompter);
        dlg->show();
        QApplication::processEvents();
    }
    void Release(int x, int row) {
        QListWidget& list = *dlg->List();
        ClickAt(list.viewport(), QPointF(x, list.visualItemRect(list.item(row)).center().y()));
    }
    CRecordingPrompter prompter;
    CTAVDoc doc{&prompter};
    std::unique_ptr<CClipPlanesDialog> dlg;
};

TEST(ClipPlanesDialog, ControlsAndTexts) {
    SListFixture f(2, 1);
    EXPECT_EQ(f.dlg->windowTitle(), "Plaszczyzny odcinajace");
    const std::pair<int, const char*> buttons[] = {
        {1014, "&Nowa..."}, {1015, "&Edytuj..."}, {1016, "&Usuń"}, {1, "Tak"}};
    for (auto [id, text] : buttons) {
        EXPECT_EQ(f.dlg->findChild<QPushButton*>(QString::number(id))->text(),
                  QString::fromUtf8(text));
    }
    EXPECT_EQ(f.dlg->List()->objectName(), "1001");
    EXPECT_EQ(f.dlg->List()->count(), 2);
}

TEST(ClipPlanesDialog, PadlockClickTogglesAndSelects) {
    SListFixture f(3, 0);
    const std::pair<int, int> cases[] = {{3, 0}, {4, 1}, {19, 0}, {20, 0}, {25, 0}};
    for (auto [x, expected] : cases) {
        f.Release(x, 1);
        EXPECT_EQ(f.dlg->List()->SelectedRow(), 1) << x;
        // 4 switches on and 19 off again; 3 and 20 and beyond leave the plane.
        EXPECT_EQ(f.doc.GetClipPlane(1).m_active, expected) << x;
    }
    EXPECT_EQ(f.doc.GetClipPlane(0).m_active, 0);
    EXPECT_EQ(f.doc.History().UndoCount(), 2);
    EXPECT_EQ(f.doc.History().UndoName(), "Przycinanie");
    ASSERT_TRUE(f.doc.Undo());
    EXPECT_EQ(f.doc.GetClipPlane(1).m_active, 1);
}

TEST(ClipPlanesDialog, SeventhActivePlaneIsRefusedOnTak) {
    SListFixture f(7, 6);
    f.Release(10, 6);
    EXPECT_EQ(f.doc.GetClipPlane(6).m_active, 1);
    Click(*f.dlg, 1);
    EXPECT_EQ(MessageTexts(f.prompter),
              std::vector<std::string>{
                  "Nie moze byc wlaczonych wiecej niz \n6 plaszczyzn odcinajacych!"});
    EXPECT_TRUE(f.dlg->isVisible());
    f.Release(10, 0);
    Click(*f.dlg, 1);
    EXPECT_FALSE(f.dlg->isVisible());
    EXPECT_EQ(f.dlg->result(), QDialog::Accepted);
    // Escape skips the limit.
    SListFixture g(7, 7);
    g.dlg->reject();
    EXPECT_TRUE(g.prompter.messages.empty());
    EXPECT_FALSE(g.dlg->isVisible());
}

TEST(ClipPlanesDialog, DeleteSelectsTheRowThatTookThePlace) {
    SListFixture f(3, 0);
    f.Release(40, 2);
    Click(*f.dlg, 1016);
    EXPECT_EQ(f.doc.GetClipPlaneCount(), 2);
    EXPECT_EQ(f.dlg->List()->count(), 2);
    EXPECT_EQ(f.dlg->List()->SelectedRow(), 1);
    f.prompter.answers = {false};
    Click(*f.dlg, 1016);
    EXPECT_EQ(f.doc.GetClipPlaneCount(), 2);
    Click(*f.dlg, 1016);
    Click(*f.dlg, 1016);
    EXPECT_EQ(f.doc.GetClipPlaneCount(), 0);
    EXPECT_EQ(f.dlg->List()->count(), 0);
    EXPECT_EQ(f.dlg->List()->SelectedRow(), -1);
    Click(*f.dlg, 1016);  // nothing selected: nothing asked
    EXPECT_EQ(f.prompter.questions.size(), 4u);
}

TEST(ClipPlanesDialog, NewPlaneGoesToTheEndSelected) {
    SListFixture f(1, 0);
    TurnedSystem(f.doc);
    f.dlg->SetPlaneRunner([](CClipPlaneDialog& plane) {
        // The new plane shows the system's origin and X axis.
        const double shown[6] = {0, 0, 0, 1, 0, 0};
        for (int i = 0; i < 6; ++i) {
            EXPECT_NEAR(Text(plane, kFields[i]).toDouble(), shown[i], 1e-9) << kFields[i];
        }
        plane.findChild<QLineEdit*>("1006")->setText("Nowa");
        plane.findChild<QCheckBox*>("1090")->setChecked(true);
        plane.accept();
        return plane.result() == QDialog::Accepted;
    });
    Click(*f.dlg, 1014);
    ASSERT_EQ(f.doc.GetClipPlaneCount(), 2);
    const CClipPlane& p = f.doc.GetClipPlane(1);
    EXPECT_EQ(p.m_name, "Nowa");
    EXPECT_EQ(p.m_active, 1);
    EXPECT_NEAR(p.m_point.x, 100.0, 1e-9);
    EXPECT_NEAR(p.m_normal.y, 1.0, 1e-9);
    EXPECT_NEAR(p.m_normal.x, 0.0, 1e-9);
    EXPECT_EQ(f.dlg->List()->SelectedRow(), 1);
    EXPECT_EQ(f.doc.History().UndoName(), "Nowa płaszczyzna");
}

TEST(ClipPlanesDialog, CancelledEditChangesNothing) {
    SListFixture f(2, 0);
    f.Release(40, 0);
    f.dlg->SetPlaneRunner([](CClipPlaneDialog& plane) {
        plane.findChild<QLineEdit*>("1006")->setText("Inna");
        return false;
    });
    Click(*f.dlg, 1015);
    EXPECT_EQ(f.doc.GetClipPlane(0).m_name, "P0");
}

struct SPlaneFixture {
    explicit SPlaneFixture(int index = -1) {
        AddPlanes(doc, 2, 0);
        const CClipPlane plane = index < 0 ? CClipPlane() : doc.GetClipPlane(index);
        dlg = std::make_unique<CClipPlaneDialog>(doc, index, plane, prompter);
    }
    CRecordingPrompter prompter;
    CTAVDoc doc{&prompter};
    std::unique_ptr<CClipPlaneDialog> dlg;
};

TEST(ClipPlaneDialog, ControlsShowThePlane) {
    SPlaneFixture f(1);
    EXPECT_EQ(f.dlg->windowTitle(), "Plaszczyzna odcinajaca:");
    EXPECT_EQ(f.dlg->findChild<QLineEdit*>("1006")->text(), "P1");
    EXPECT_EQ(f.dlg->findChild<QCheckBox*>("1090")->text(), "&Aktywna");
    const char* expected[6] = {"0", "0", "1", "0", "0", "1"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(Text(*f.dlg, kFields[i]), expected[i]) << kFields[i];
    }
    EXPECT_EQ(f.dlg->findChild<QPushButton*>("2")->text(), "Przerwij");
    // Editing with the same name is accepted.
    SPlaneFixture g(1);
    SetText(*g.dlg, 1051, " 5 ");
    SetText(*g.dlg, 1054, "2");
    g.dlg->accept();
    EXPECT_EQ(g.dlg->result(), QDialog::Accepted);
    double eq[4];
    g.dlg->Plane().GetEquation(eq);
    EXPECT_EQ(eq[2], -1.0);
    EXPECT_EQ(eq[3], 5.0);
    EXPECT_TRUE(g.prompter.messages.empty());
}

struct SRefusal {
    const char* label;
    int field;  // 0: the name
    const char* text;
    const char* message;
};

const SRefusal kClipPlaneRefusalCases[] = {
    {"EmptyName", 0, "", "Nazwa obiektu nie może być pusta!"},
    {"TakenName", 0, "P0", "Obiekt o takiej nazwie już istnieje!"},
    {"Comma", 1049, "1,5", "Wprowadź liczbę."},
    {"Empty", 1051, "", "Wprowadź liczbę."},
    {"TinyNormal", 1054, "1e-9", "Wektor normalny nie może być zerowy!"},
};

TEST(ClipPlaneRefusal, DialogStaysWithTheMessage) {
    for (const SRefusal& c : kClipPlaneRefusalCases) {
        SCOPED_TRACE(c.label);
        SPlaneFixture f;
        f.dlg->show();
        SetText(*f.dlg, 1006, "Nowa");
        SetText(*f.dlg, 1054, "1");
        SetText(*f.dlg, c.field == 0 ? 1006 : c.field, QString::fromUtf8(c.text));
        f.dlg->accept();
        EXPECT_NE(f.dlg->result(), QDialog::Accepted);
        EXPECT_TRUE(f.dlg->isVisible());
        EXPECT_EQ(MessageTexts(f.prompter), std::vector<std::string>{c.message});
    }
}

TEST(ClipPlanesCommand, MarksModifiedWhateverTheClose) {
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    OnNextModal([](QWidget& w) {
        auto& dlg = dynamic_cast<CClipPlanesDialog&>(w);
        EXPECT_EQ(dlg.Limit(), 6);
        dlg.reject();
    });
    OnClipPlanes(doc, 0, prompter, nullptr);
    EXPECT_TRUE(doc.IsModified());
}

}  // namespace
