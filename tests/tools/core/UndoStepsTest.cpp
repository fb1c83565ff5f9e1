// Every kind of change undone and redone restores the drawing byte for byte; the history's
// bounds, the modified flag and the guards.

#include <gtest/gtest.h>

#include <functional>

#include "document/TAVDoc.h"
#include "exchange/ImportSession.h"
#include "support/RecordingPrompter.h"
#include "support/TestEntities.h"
#include "tools/core/CoordFrames.h"
#include "tools/core/EntityEdit.h"
#include "tools/core/ManagerRules.h"
#include "view/core/Selection.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Three layers, entities on each, a system and a plane, saved so that the flag is clear.
void Fill(CTAVDoc& doc) {
    AddNewLayer(doc);
    AddNewLayer(doc);
    for (int i = 0; i < 9; ++i) {
        std::unique_ptr<CEntity> e;
        switch (i % 3) {
            case 0:
                e = MakePnt(CPoint3(i, 2.0 * i, 0.5), "P" + std::to_string(i));
                break;
            case 1:
                e = MakePoly({CPoint3(0, 0, 0), CPoint3(i, 1, 0), CPoint3(i, i, 2)}, i % 2);
                break;
            default:
                e = MakeText("T" + std::to_string(i), CPoint3(i, 0, 0));
        }
        e->m_layer = i / 3;
        e->m_number = NextEntityNumber();
        doc.AddEntity(std::move(e));
    }
    StoreCoordSystem(doc, -1,
                     CCoordSystem("U", CPoint3(1, 1, 0), CPoint3(2, 1, 0), CPoint3(1, 2, 0)));
    doc.ClipPlanes().push_back(CClipPlane("C", 0, CPoint3(0, 0, 0), CVec3(1, 0, 0)));
    doc.RecomputeExtents();
    doc.ClearHistory();
    doc.SetModifiedFlag(false);
}

SImportResult TwoPoints() {
    SImportResult r;
    r.entities.push_back(MakePnt(CPoint3(50, 60, 70), "I1"));
    r.entities.push_back(MakePnt(CPoint3(-5, 0, 0), "I2"));
    r.entities[1]->m_layer = 0;
    r.layers.emplace_back("Imported", 0, 1);
    return r;
}

struct SStepCase {
    const char* name;  // the step's name as the menu shows it
    std::function<void(CTAVDoc&)> change;
};

void Select(CTAVDoc& doc, std::vector<int> multi) {
    std::vector<int> pick;
    int current = -1, cycle = 0, handle = -1;
    DeleteSelection(doc, SSelectionRefs{pick, multi, current, cycle, handle});
}

const std::vector<SStepCase>& StepCases() {
    static const std::vector<SStepCase> cases = {
        {"Import",
         [](CTAVDoc& doc) {
             SImportResult r = TwoPoints();
             MergeImport(doc, r, "x.pnt");
         }},
        {"Usuń",
         [](CTAVDoc& doc) {
             Select(doc, {0, 4, 8});
         }},
        {"Nowy obiekt",
         [](CTAVDoc& doc) {
             CEntityEdit edit;
             edit.BeginNew(doc, MakeArc(CPoint3(3, 3, 3), 7.0));
             ASSERT_EQ(edit.Commit(), nullptr);
         }},
        {"Edycja obiektu",
         [](CTAVDoc& doc) {
             CEntityEdit edit;
             edit.BeginExisting(doc, 1);
             edit.Entity()->Transform(CMatrix4(CVec3(-40, 0, 0)));
             edit.Entity()->m_name = "moved";
             ASSERT_EQ(edit.Commit(), nullptr);
         }},
        {"Właściwości",
         [](CTAVDoc& doc) {
             const std::vector<int> sel = {0, 2, 7};
             CDocStep step(doc, "Właściwości");
             SCommonProperties p = GatherCommonProperties(doc, sel);
             p.color[0] = 0.25;
             p.colorsDiffer = 0;
             ApplyCommonProperties(doc, sel, p, 2);
         }},
        {"Dane",
         [](CTAVDoc& doc) {
             CDocStep step(doc, "Dane");
             doc.TouchEntity(3);
             doc.GetEntity(3)->m_data.BuildObjectTree(1);
         }},
        {"Nowa warstwa", [](CTAVDoc& doc) { AddNewLayer(doc); }},
        {"Widoczność warstwy",
         [](CTAVDoc& doc) {
             ToggleLayerFlag(doc, {0, 2}, 2, 1);
         }},
        {"Usuń warstwę",
         [](CTAVDoc& doc) {
             int current = 2;
             DeleteSelectedLayers(doc, {1}, current);
         }},
        {"Nowy układ",
         [](CTAVDoc& doc) {
             CDocStep step(doc, "Nowy układ");
             StoreCoordSystem(
                 doc, -1, CCoordSystem("V", CPoint3(0, 0, 5), CPoint3(0, 1, 5), CPoint3(-1, 0, 5)));
             doc.SetActiveCoordSystem(1);
         }},
        {"Usuń układ",
         [](CTAVDoc& doc) {
             CDocStep step(doc, "Usuń układ");
             doc.SetActiveCoordSystem(0);
             doc.DeleteCoordSystem(0);
         }},
        {"Usuń płaszczyznę",
         [](CTAVDoc& doc) {
             CDocStep step(doc, "Usuń płaszczyznę");
             doc.DeleteClipPlane(0);
         }},
    };
    return cases;
}

TEST(UndoSteps, EachKindRestoresTheBytesBothWays) {
    for (const SStepCase& c : StepCases()) {
        SCOPED_TRACE(c.name);
        CRecordingPrompter prompter;
        CTAVDoc doc(&prompter);
        Fill(doc);
        const Bytes before = doc.SaveToBytes();
        const int count = doc.GetEntityCount();
        c.change(doc);
        const Bytes after = doc.SaveToBytes();
        ASSERT_NE(after, before);
        ASSERT_TRUE(doc.IsModified());
        EXPECT_EQ(doc.History().UndoName(), c.name);
        EXPECT_EQ(doc.History().UndoCount(), 1);

        ASSERT_TRUE(doc.Undo());
        EXPECT_EQ(doc.SaveToBytes(), before);
        EXPECT_EQ(doc.GetEntityCount(), count);
        EXPECT_FALSE(doc.IsModified());
        EXPECT_EQ(doc.History().RedoName(), c.name);
        EXPECT_FALSE(doc.Undo());

        ASSERT_TRUE(doc.Redo());
        EXPECT_EQ(doc.SaveToBytes(), after);
        EXPECT_TRUE(doc.IsModified());
        ASSERT_TRUE(doc.Undo());
        EXPECT_EQ(doc.SaveToBytes(), before);
        EXPECT_EQ(prompter.beeps, 0);
    }
}

TEST(UndoSteps, FiftyMixedStepsUndoToTheSavedFile) {
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    Fill(doc);
    const Bytes saved = doc.SaveToBytes();
    const auto& cases = StepCases();
    for (int i = 0; i < 50; ++i) {
        const SStepCase& c = cases[static_cast<size_t>(i * 7 % static_cast<int>(cases.size()))];
        if (doc.GetEntityCount() < 9 || doc.GetLayerCount() < 3 || doc.GetClipPlaneCount() == 0 ||
            doc.GetCoordSystemCount() == 0) {
            // Keep every case applicable: a fresh import puts entities back.
            SImportResult r = TwoPoints();
            for (int k = 0; k < 8; ++k) {
                r.entities.push_back(MakePnt(CPoint3(k, k, k)));
            }
            MergeImport(doc, r, "more.pnt");
            AddNewLayer(doc);
            AddNewLayer(doc);
            CDocStep step(doc, "Nowy układ");
            StoreCoordSystem(doc, -1,
                             CCoordSystem("W" + std::to_string(i), CPoint3(0, 0, 0),
                                          CPoint3(1, 0, 0), CPoint3(0, 1, 0)));
            doc.ClipPlanes().emplace_back("D" + std::to_string(i), 1, CPoint3(0, 0, i),
                                          CVec3(0, 0, 1));
        } else {
            c.change(doc);
        }
    }
    const Bytes last = doc.SaveToBytes();
    const int steps = doc.History().UndoCount();
    ASSERT_GE(steps, 50);
    // Halfway back and forward again, then all the way back.
    for (int i = 0; i < steps / 2; ++i) {
        ASSERT_TRUE(doc.Undo());
    }
    for (int i = 0; i < steps / 2; ++i) {
        ASSERT_TRUE(doc.Redo());
    }
    EXPECT_EQ(doc.SaveToBytes(), last);
    while (doc.Undo()) {
    }
    EXPECT_EQ(doc.SaveToBytes(), saved);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.History().RedoCount(), steps);
}

TEST(UndoSteps, ModifiedFlagFollowsTheHistory) {
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    Fill(doc);
    AddNewLayer(doc);
    AddNewLayer(doc);
    doc.SetModifiedFlag(false);  // saved after two steps
    ASSERT_TRUE(doc.Undo());
    EXPECT_TRUE(doc.IsModified());
    ASSERT_TRUE(doc.Redo());
    EXPECT_FALSE(doc.IsModified());
    // A new step after an undo drops the saved state's branch: it never comes back clean.
    ASSERT_TRUE(doc.Undo());
    ToggleLayerFlag(doc, {0}, 0, 0);
    EXPECT_FALSE(doc.History().CanRedo());
    ASSERT_TRUE(doc.Undo());
    EXPECT_TRUE(doc.IsModified());

    // Marked modified without a change (a manager closed): undo keeps the flag.
    doc.SetModifiedFlag(false);
    AddNewLayer(doc);
    doc.SetModifiedFlag(true);
    ASSERT_TRUE(doc.Undo());
    EXPECT_TRUE(doc.IsModified());

    // Saved again: the flag is clear, and a step that changes nothing is not kept.
    doc.SetModifiedFlag(false);
    const int steps = doc.History().UndoCount();
    {
        CDocStep step(doc, "nic");
        doc.SetModifiedFlag(true);
    }
    EXPECT_EQ(doc.History().UndoCount(), steps);
    EXPECT_TRUE(doc.IsModified());
}

TEST(UndoSteps, BoundsDropTheOldestSteps) {
    CTAVDoc doc;
    Fill(doc);
    doc.History().SetLimits(3, CDocHistory::kDefaultMaxBytes);
    for (int i = 0; i < 5; ++i) {
        AddNewLayer(doc);
    }
    EXPECT_EQ(doc.History().UndoCount(), 3);
    while (doc.Undo()) {
    }
    EXPECT_EQ(doc.GetLayerCount(), 3 + 2);

    // A byte bound below one import's entities keeps only the newest step.
    CTAVDoc big;
    for (int i = 0; i < 3; ++i) {
        SImportResult r;
        for (int k = 0; k < 1000; ++k) {
            r.entities.push_back(MakePoly({CPoint3(k, 0, 0), CPoint3(k, 1, 0)}));
        }
        MergeImport(big, r, "p.asc");
    }
    ASSERT_EQ(big.History().UndoCount(), 3);
    ASSERT_TRUE(big.Undo());
    const size_t held = big.History().Bytes();
    EXPECT_GT(held, 1000 * sizeof(CPoly));
    big.History().SetLimits(100, held / 2);
    EXPECT_EQ(big.History().UndoCount() + big.History().RedoCount(), 1);
    EXPECT_TRUE(big.History().CanRedo());
    ASSERT_TRUE(big.Redo());
    EXPECT_EQ(big.GetEntityCount(), 3000);
}

TEST(UndoSteps, NumbersStayAndTheCounterNeverRollsBack) {
    CTAVDoc doc;
    Fill(doc);
    CEntityEdit edit;
    edit.BeginNew(doc, MakePnt(CPoint3(1, 1, 1)));
    ASSERT_EQ(edit.Commit(), nullptr);
    const int number = doc.GetEntity(doc.GetEntityCount() - 1)->m_number;
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(GetLastEntityNumber(), number);
    ASSERT_TRUE(doc.Redo());
    EXPECT_EQ(doc.GetEntity(doc.GetEntityCount() - 1)->m_number, number);
}

TEST(UndoSteps, GuardsLeaveTheDrawingAlone) {
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    Fill(doc);
    AddNewLayer(doc);
    const Bytes now = doc.SaveToBytes();

    // Busy: a beep and nothing else.
    doc.SetBusy(true);
    EXPECT_FALSE(doc.Undo());
    EXPECT_EQ(prompter.beeps, 1);
    doc.SetBusy(false);

    // A cancelled edit is put back and leaves no step.
    CEntityEdit edit;
    edit.BeginNew(doc, MakePnt(CPoint3(9, 9, 9)));
    EXPECT_FALSE(doc.Undo());  // a step is open
    EXPECT_EQ(prompter.beeps, 2);
    edit.Cancel();
    EXPECT_EQ(doc.SaveToBytes(), now);
    EXPECT_EQ(doc.History().UndoName(), "Nowa warstwa");

    // Entities removed behind the history's back: the history goes, the drawing stays whole.
    SImportResult r = TwoPoints();
    MergeImport(doc, r, "a.pnt");
    doc.DeleteAllEntities();
    EXPECT_FALSE(doc.Undo());
    EXPECT_FALSE(doc.History().CanUndo());
    EXPECT_TRUE(doc.IsModified());

    // A new or opened document starts a fresh history.
    AddNewLayer(doc);
    ASSERT_TRUE(doc.History().CanUndo());
    doc.LoadFromBytes(now);
    EXPECT_FALSE(doc.History().CanUndo());
    AddNewLayer(doc);
    doc.OnNewDocument();
    EXPECT_FALSE(doc.History().CanUndo());
}

}  // namespace
