#include "tools/core/ManagerRules.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <random>

#include "document/TAVDoc.h"
#include "support/Describe.h"
#include "support/Recorders.h"
#include "support/RecordingPrompter.h"
#include "tools/core/CoordFrames.h"

namespace {

constexpr char kLastLayer[] = "Nie można usunąć ostatniej wrstwy!";

void AddPoint(CTAVDoc& doc, int layer, double x) {
    auto p = std::make_unique<CPnt>();
    p->m_layer = layer;
    p->m_name = "L" + doc.GetLayer(layer).m_name;
    p->m_point = CPoint3(x, 0.0, 0.0);
    doc.AddEntity(std::move(p));
}

// Layers A, B, C, D with two points each, the points of layer i at x = 10 i and 10 i + 1.
void FourLayers(CTAVDoc& doc) {
    doc.Layers().clear();
    for (const char* n : {"A", "B", "C", "D"}) {
        doc.Layers().emplace_back(n, 0, 1);
    }
    for (int i = 0; i < 4; ++i) {
        AddPoint(doc, i, 10.0 * i);
        AddPoint(doc, i, 10.0 * i + 1.0);
    }
    doc.RecomputeExtents();
}

// Every entity's layer index is valid and names the layer its name was made from.
void ExpectLayersConsistent(const CTAVDoc& doc) {
    for (int i = 0; i < doc.GetEntityCount(); ++i) {
        const CEntity& e = *doc.GetEntity(i);
        ASSERT_GE(e.m_layer, 0);
        ASSERT_LT(e.m_layer, doc.GetLayerCount());
        EXPECT_EQ(e.m_name, "L" + doc.GetLayer(e.m_layer).m_name);
    }
}

// "name" (on) at x y z n x y z of a plane or the dialog's values, to 9 decimals.
std::string Plane(const std::string& name, int active, const CPoint3& p, const CVec3& n) {
    return "\"" + name + "\"" + (active ? " on" : "") + " at " + Xyz(p, 9) + " n " + Xyz(n, 9);
}
std::string Plane(const CClipPlane& c) {
    return Plane(c.m_name, c.m_active, c.m_point, c.m_normal);
}
std::string Plane(const SClipPlaneInput& c) {
    return Plane(c.name, c.active, c.point, c.normal);
}

// Out of range asks nothing; the only layer is kept with a message; No changes nothing.
TEST(DeleteLayer, RefusalsChangeNothing) {
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    AddPoint(doc, 0, 1.0);
    EXPECT_EQ(doc.DeleteLayer(0), -1);
    EXPECT_EQ(MessageTexts(prompter), std::vector<std::string>{kLastLayer});
    EXPECT_EQ(doc.GetEntityCount(), 1);
    CTAVDoc four(&prompter);
    FourLayers(four);
    EXPECT_EQ(four.DeleteLayer(-1), -1);
    EXPECT_EQ(four.DeleteLayer(4), -1);
    EXPECT_TRUE(prompter.questions.empty());
    CCountingObserver view;
    four.AddObserver(&view);
    prompter.answers = {false};
    EXPECT_EQ(four.DeleteLayer(2), -1);
    ASSERT_EQ(prompter.questions.size(), 1u);
    EXPECT_EQ(prompter.questions[0].text,
              "Czy na prawdę chcesz usunąć warstwę: C i wszystkie obiekty, które do niej należą?");
    EXPECT_EQ(DescribeLayers(four), "A; B; C; D");
    EXPECT_EQ(four.GetEntityCount(), 8);
    EXPECT_EQ(view.removed, 0);
    EXPECT_EQ(prompter.messages.size(), 1u);
    four.RemoveObserver(&view);
}

TEST(DeleteLayer, EntitiesGoAndLaterLayersMoveDown) {
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    FourLayers(doc);
    CCountingObserver view;
    doc.AddObserver(&view);
    EXPECT_EQ(doc.DeleteLayer(3), 2);  // the last: the new last takes its place
    EXPECT_EQ(doc.GetMaxCorner().x, 21.0);
    EXPECT_EQ(doc.DeleteLayer(0), 0);
    EXPECT_EQ(view.removed, 2);
    EXPECT_EQ(doc.GetMinCorner().x, 10.0);
    EXPECT_EQ(DescribeLayers(doc), "B; C");
    EXPECT_EQ(doc.GetEntityCount(), 4);
    ExpectLayersConsistent(doc);
    doc.RemoveObserver(&view);
}

// Rows are deleted with a question each; a refused one stays. The current layer keeps its
// layer, or when deleted goes to its successor or the new last; the last layer always stays.
TEST(DeleteSelectedLayers, RowsAnswersAndTheCurrentLayer) {
    const struct {
        std::vector<int> rows;
        std::deque<bool> answers;
        int current;
        size_t asked;
        std::vector<int> deleted;
        const char* layers;
        int currentAfter;
        int messages;
    } cases[] = {
        {{2, 1}, {}, 3, 2, {1, 1}, "A; D", 1, 0},
        {{0, 1, 3}, {true, false, true}, 1, 3, {0, 2}, "B; C", 0, 0},
        {{1}, {}, 1, 1, {1}, "A; C; D", 1, 0},
        {{3}, {}, 3, 1, {3}, "A; B; C", 2, 0},
        {{0, 1, 2, 3}, {}, 0, 3, {0, 0, 0}, "D", 0, 1},  // the last is not asked about
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.layers);
        CRecordingPrompter prompter;
        prompter.answers = c.answers;
        CTAVDoc doc(&prompter);
        FourLayers(doc);
        int current = c.current;
        EXPECT_EQ(DeleteSelectedLayers(doc, c.rows, current), c.deleted);
        EXPECT_EQ(prompter.questions.size(), c.asked);
        EXPECT_EQ(DescribeLayers(doc), c.layers);
        EXPECT_EQ(current, c.currentAfter);
        EXPECT_EQ(MessageTexts(prompter), std::vector<std::string>(c.messages, kLastLayer));
        EXPECT_EQ(doc.GetEntityCount(), 2 * doc.GetLayerCount());  // two points each
        ExpectLayersConsistent(doc);
    }
}

TEST(DeleteSelectedLayers, RandomDeletionsKeepEveryEntityOnItsLayer) {
    std::mt19937 random(13);
    for (int round = 0; round < 50; ++round) {
        CTAVDoc doc;
        doc.Layers().clear();
        const int layers = 1 + static_cast<int>(random() % 8);
        for (int i = 0; i < layers; ++i) {
            doc.Layers().emplace_back("W" + std::to_string(i), 0, 1);
        }
        for (int i = 0; i < 40; ++i) {
            AddPoint(doc, static_cast<int>(random() % layers), i);
        }
        int current = static_cast<int>(random() % layers);
        const std::string currentName = doc.GetLayer(current).m_name;
        std::vector<int> rows;
        for (int i = 0; i < layers; ++i) {
            if (random() % 2 != 0) {
                rows.push_back(i);
            }
        }
        const bool currentGoes = std::find(rows.begin(), rows.end(), current) != rows.end();
        DeleteSelectedLayers(doc, rows, current);
        ASSERT_GE(current, 0);
        ASSERT_LT(current, doc.GetLayerCount());
        if (!currentGoes) {
            EXPECT_EQ(doc.GetLayer(current).m_name, currentName);
        }
        ExpectLayersConsistent(doc);
    }
}

TEST(LayerNames, NewNameStartsAtTheCountAndSkipsTakenNames) {
    CTAVDoc doc;
    doc.Layers() = {CLayer("Warstwa0", 0, 1), CLayer("Warstwa1", 0, 1)};
    EXPECT_EQ(MakeNewLayerName(doc), "Warstwa2");
    doc.Layers() = {CLayer("Warstwa2", 0, 1), CLayer("A", 0, 1)};
    EXPECT_EQ(MakeNewLayerName(doc), "Warstwa3");
    EXPECT_EQ(AddNewLayer(doc), 2);
    EXPECT_EQ(DescribeLayers(doc), "Warstwa2; A; Warstwa3");
    std::string typed;
    for (int i = 0; i < 600; ++i) {
        typed += "ż";
    }
    const std::string name = TrimObjectName(typed);
    EXPECT_EQ(name.size(), 511u * 2);
    EXPECT_EQ(TrimObjectName(std::string(511, 'a') + " x"), std::string(511, 'a'));
    // The lock and eye columns of a row.
    const std::pair<int, int> cases[] = {{3, -1}, {4, 0},   {19, 0},  {20, 1},
                                         {35, 1}, {36, -1}, {40, -1}, {41, -1}};
    for (auto [x, column] : cases) {
        EXPECT_EQ(LayerFlagColumn(x), column) << x;
    }
}

struct SNameCase {
    const char* label;
    std::string typed;
    int row;
    const char* expected;  // the stored name, or the message
    bool accepted;
};

const SNameCase kLayerNameCheckCases[] = {
    {"Padded", "  Kable  ", 0, "Kable", true},
    {"Tabs", "\t Nowa\t", 1, "Nowa", true},
    {"OwnName", "Rury", 1, "Rury", true},
    {"NewRowIsAnyIndex", "Gaz", 2, "Gaz", true},
    {"InnerBlanksStay", " a  b ", 0, "a  b", true},
    {"CaseCounts", "kable", 1, "kable", true},
    {"Empty", "", 0, "Nazwa obiektu nie może być pusta!", false},
    {"Blank", " \t ", 0, "Nazwa obiektu nie może być pusta!", false},
    {"Duplicate", "Kable", 1, "Obiekt o takiej nazwie już istnieje!", false},
    {"DuplicateAfterTrim", " Kable ", 2, "Obiekt o takiej nazwie już istnieje!", false},
};

TEST(LayerNameCheck, TrimsAndRefuses) {
    for (const SNameCase& c : kLayerNameCheckCases) {
        SCOPED_TRACE(c.label);
        CRecordingPrompter prompter;
        CTAVDoc doc(&prompter);
        doc.Layers() = {CLayer("Kable", 0, 1), CLayer("Rury", 0, 1)};
        std::string out = "before";
        EXPECT_EQ(CheckLayerName(doc, c.row, c.typed, prompter, out), c.accepted);
        EXPECT_EQ(out, c.accepted ? c.expected : "before");
        EXPECT_EQ(MessageTexts(prompter),
                  c.accepted ? std::vector<std::string>{} : std::vector<std::string>{c.expected});
    }
}

TEST(LayerFlags, SelectedRowsTakeTheOppositeOfTheClickedRow) {
    CTAVDoc doc;
    doc.Layers() = {CLayer("A", 0, 1), CLayer("B", 0, 0), CLayer("C", 1, 1), CLayer("D", 0, 1)};
    EXPECT_TRUE(ToggleLayerFlag(doc, {0, 1, 2}, 0, 1));
    EXPECT_EQ(DescribeLayers(doc), "A hidden; B hidden; C locked hidden; D");
    EXPECT_TRUE(ToggleLayerFlag(doc, {0, 1, 2}, 1, 1));
    EXPECT_EQ(DescribeLayers(doc), "A; B; C locked; D");
    EXPECT_TRUE(ToggleLayerFlag(doc, {1, 2}, 2, 0));
    EXPECT_EQ(DescribeLayers(doc), "A; B; C; D");
    EXPECT_FALSE(ToggleLayerFlag(doc, {0}, 4, 0));
    EXPECT_TRUE(ToggleLayerFlag(doc, {0, 9, -1}, 0, 0));
    EXPECT_EQ(DescribeLayers(doc), "A locked; B; C; D");
}

TEST(ClipPlaneRules, LimitCountsActivePlanes) {
    EXPECT_EQ(ClipPlaneLimit(0), 6);
    EXPECT_EQ(ClipPlaneLimit(-1), 6);
    EXPECT_EQ(ClipPlaneLimit(8), 8);
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    for (int i = 0; i < 7; ++i) {
        doc.ClipPlanes().emplace_back("P" + std::to_string(i), i < 6 ? 1 : 0, CPoint3(),
                                      CVec3(0, 0, 1));
    }
    EXPECT_TRUE(CheckActiveClipPlanes(doc, 6, prompter));
    doc.GetClipPlane(6).m_active = 1;
    EXPECT_EQ(CountActiveClipPlanes(doc), 7);
    EXPECT_FALSE(CheckActiveClipPlanes(doc, 6, prompter));
    EXPECT_EQ(MessageTexts(prompter), std::vector<std::string>{"Nie moze byc wlaczonych wiecej "
                                                               "niz \n6 plaszczyzn odcinajacych!"});
    // A new plane in the global frame.
    CTAVDoc global;
    EXPECT_EQ(Plane(MakeNewClipPlane(global)), "\"\" at 0 0 0 n 1 0 0");
}

TEST(ClipPlaneRules, ShiftedSystemShowsLocalStoresGlobal) {
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    doc.SetActiveCoordSystem(
        StoreCoordSystem(doc, -1, CCoordSystem("U", {100, 0, 0}, {101, 0, 0}, {100, 1, 0})));
    const CClipPlane fresh = MakeNewClipPlane(doc);
    SClipPlaneInput typed = ClipPlaneToInput(doc, fresh);
    EXPECT_EQ(Plane(typed), "\"\" at 0 0 0 n 1 0 0");
    typed.name = "Cięcie";
    CClipPlane stored;
    ASSERT_TRUE(CheckClipPlaneInput(doc, -1, typed, prompter, stored));
    EXPECT_EQ(Plane(stored), "\"Cięcie\" at 100 0 0 n 1 0 0");
}

TEST(ClipPlaneRules, NormalTurnsWithTheSystemButIsNotShifted) {
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    doc.SetActiveCoordSystem(
        StoreCoordSystem(doc, -1, CCoordSystem("U", {100, 0, 0}, {100, 1, 0}, {99, 0, 0})));
    EXPECT_EQ(Plane(MakeNewClipPlane(doc)), "\"\" at 100 0 0 n 0 1 0");
    SClipPlaneInput typed;
    typed.name = "Z";
    typed.point = CPoint3(0, 0, 5);
    typed.normal = CVec3(0, 0, 2);
    CClipPlane stored;
    ASSERT_TRUE(CheckClipPlaneInput(doc, -1, typed, prompter, stored));
    EXPECT_EQ(Plane(stored), "\"Z\" at 100 0 5 n 0 0 2");
    EXPECT_EQ(Equation(stored, 12), "0 0 -1 5");
    // Shown again, the stored plane reads as typed.
    EXPECT_EQ(Plane(ClipPlaneToInput(doc, stored)), "\"Z\" at 0 0 5 n 0 0 2");
}

TEST(ClipPlaneRules, RefusedInputLeavesThePlane) {
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    doc.ClipPlanes().emplace_back("A", 0, CPoint3(), CVec3(0, 0, 1));
    doc.ClipPlanes().emplace_back("B", 0, CPoint3(), CVec3(0, 0, 1));
    CClipPlane out("stare", 1, CPoint3(1, 2, 3), CVec3(0, 1, 0));
    SClipPlaneInput typed;
    typed.normal = CVec3(0, 0, 1);
    typed.name = "";
    EXPECT_FALSE(CheckClipPlaneInput(doc, -1, typed, prompter, out));
    typed.name = "B";
    EXPECT_FALSE(CheckClipPlaneInput(doc, 0, typed, prompter, out));
    typed.name = "C";
    typed.normal = CVec3(0, 0, 9e-9);
    EXPECT_FALSE(CheckClipPlaneInput(doc, 0, typed, prompter, out));
    EXPECT_EQ(MessageTexts(prompter),
              (std::vector<std::string>{"Nazwa obiektu nie może być pusta!",
                                        "Obiekt o takiej nazwie już istnieje!",
                                        "Wektor normalny nie może być zerowy!"}));
    EXPECT_EQ(Plane(out), "\"stare\" on at 1 2 3 n 0 1 0");
    // Its own unchanged name is accepted.
    typed.name = "B";
    typed.normal = CVec3(0, 0, 1e-7);
    EXPECT_TRUE(CheckClipPlaneInput(doc, 1, typed, prompter, out));
}

}  // namespace
