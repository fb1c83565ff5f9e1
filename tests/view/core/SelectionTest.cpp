// Selection lists: picks, the Shift rule, "Nastepny", deleting.
#include <gtest/gtest.h>

#include <memory>

#include "document/TAVDoc.h"
#include "support/RecordingPrompter.h"
#include "view/core/Selection.h"

namespace {

class SelectionTest : public testing::Test {
protected:
    void SetUp() override {
        doc = std::make_unique<CTAVDoc>(&prompter);
        doc->Layers().emplace_back("Zamknieta", 1, 1);
        for (int i = 0; i < 10; ++i) {
            auto p = std::make_unique<CPnt>();
            p->m_number = 100 + i;
            p->m_point = CPoint3(i, 0, 0);
            doc->AddEntity(std::move(p));
        }
    }
    SSelectionRefs Refs() { return {pickList, multi, current, cycle, handle}; }
    std::vector<int> Numbers() const {
        std::vector<int> out;
        for (int i = 0; i < doc->GetEntityCount(); ++i) {
            out.push_back(doc->GetEntity(i)->m_number);
        }
        return out;
    }

    CRecordingPrompter prompter;
    std::unique_ptr<CTAVDoc> doc;
    std::vector<int> pickList, multi;
    int current = -1, cycle = 0, handle = -1;
};

TEST_F(SelectionTest, StackedHitsGoInAscendingAndNextWrapsOverTwoOrMore) {
    const unsigned names[] = {7, 2, 5, 2};
    const SPickOutcome out = ApplyPick(Refs(), false, names, *doc);
    EXPECT_EQ(pickList, (std::vector<int>{2, 5, 7}));
    EXPECT_EQ(current, 2);
    EXPECT_TRUE(out.changed);
    EXPECT_EQ(out.status,
              "Liczba wybranych obieków: 3.  Uzyj prawego przycisku myszy aby zmienic wybór.");
    std::vector<int> visited;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(NextPick(Refs()));
        visited.push_back(current);
    }
    EXPECT_EQ(visited, (std::vector<int>{5, 7, 2, 5}));
    // "Nastepny" needs two entries.
    const unsigned one[] = {4};
    ApplyPick(Refs(), false, one, *doc);
    EXPECT_FALSE(NextPick(Refs()));
    EXPECT_EQ(current, 4);
    pickList.clear();
    cycle = 3;
    EXPECT_FALSE(NextPick(Refs()));  // no division by an empty list
}

TEST_F(SelectionTest, LockedLayerAndOutOfRangeNamesAreDropped) {
    doc->GetEntity(3)->m_layer = 1;  // locked
    const unsigned names[] = {3, 10, 4000000000u, 6};
    const SPickOutcome out = ApplyPick(Refs(), false, names, *doc);
    EXPECT_EQ(pickList, (std::vector<int>{6}));
    EXPECT_EQ(out.targetCount, 1);
    EXPECT_EQ(out.status, std::string("Liczba wybranych obieków: 1.") + std::string(50, ' '));
}

TEST_F(SelectionTest, ShiftMovesCurrentPickIntoMultipleSelection) {
    const unsigned first[] = {4, 8};
    ApplyPick(Refs(), false, first, *doc);
    ASSERT_EQ(current, 4);
    const unsigned second[] = {1};
    SPickOutcome out = ApplyPick(Refs(), true, second, *doc);
    EXPECT_TRUE(pickList.empty());
    EXPECT_EQ(multi, (std::vector<int>{1, 4}));
    EXPECT_EQ(current, -1);
    EXPECT_EQ(out.status.substr(0, 29), "Liczba wybranych obieków: 2.");
    // Without a current pick, a further Shift pick only adds.
    const unsigned third[] = {9, 1};
    out = ApplyPick(Refs(), true, third, *doc);
    EXPECT_EQ(multi, (std::vector<int>{1, 4, 9}));
    EXPECT_TRUE(HasSelection(Refs()));
    // A plain pick empties the multiple selection.
    const unsigned plain[] = {0};
    ApplyPick(Refs(), false, plain, *doc);
    EXPECT_TRUE(multi.empty());
    EXPECT_EQ(current, 0);
}

TEST_F(SelectionTest, EmptyPickClearsAndReportsChangeOnlyWhenSomethingWasSelected) {
    SPickOutcome out = ApplyPick(Refs(), false, {}, *doc);
    EXPECT_FALSE(out.changed);
    const unsigned names[] = {2};
    ApplyPick(Refs(), false, names, *doc);
    handle = 1;
    out = ApplyPick(Refs(), false, {}, *doc);
    EXPECT_TRUE(out.changed);
    EXPECT_TRUE(pickList.empty());
    EXPECT_EQ(current, -1);
    EXPECT_EQ(handle, -1);
}

TEST_F(SelectionTest, ClearKeepsListsUnlessAll) {
    const unsigned names[] = {2, 3};
    ApplyPick(Refs(), false, names, *doc);
    EXPECT_FALSE(ClearSelection(Refs(), false));
    EXPECT_EQ(current, -1);
    EXPECT_EQ(pickList.size(), 2u);
    EXPECT_TRUE(ClearSelection(Refs(), true));
    EXPECT_TRUE(pickList.empty());
    EXPECT_FALSE(ClearSelection(Refs(), true));
    // Information is offered for everything but texts.
    doc->AddEntity(std::make_unique<CText>());
    EXPECT_FALSE(CanShowInfo(*doc, -1));
    EXPECT_TRUE(CanShowInfo(*doc, 0));
    EXPECT_FALSE(CanShowInfo(*doc, 10));
    EXPECT_FALSE(CanShowInfo(*doc, 11));
}

TEST_F(SelectionTest, DeletingMultipleSelectionRemovesExactlyThose) {
    multi = {2, 5, 7};
    EXPECT_EQ(EntitiesToDelete(Refs(), *doc), (std::vector<int>{7, 5, 2}));
    EXPECT_EQ(DeleteSelection(*doc, Refs()), 3);
    EXPECT_EQ(Numbers(), (std::vector<int>{100, 101, 103, 104, 106, 108, 109}));
    ASSERT_EQ(prompter.questions.size(), 1u);
    EXPECT_EQ(prompter.questions[0].text, kDeleteQuestion);
    EXPECT_EQ(prompter.questions[0].icon, CPrompter::EIcon::Stop);
    EXPECT_TRUE(multi.empty());
    EXPECT_TRUE(doc->IsModified());
    EXPECT_DOUBLE_EQ(doc->GetMaxCorner().x, 9.0);
    EXPECT_DOUBLE_EQ(doc->GetMinCorner().x, 0.0);
}

TEST_F(SelectionTest, DeleteTakesCurrentPickBeforeMultipleSelection) {
    pickList = {3, 6};
    current = 6;
    multi = {1};
    EXPECT_EQ(DeleteSelection(*doc, Refs()), 1);
    EXPECT_EQ(doc->GetEntityCount(), 9);
    EXPECT_EQ(doc->GetEntity(6)->m_number, 107);
    EXPECT_EQ(current, -1);
    EXPECT_TRUE(pickList.empty());
    // Stale indices are not deleted.
    multi = {4, 12, -1};
    EXPECT_EQ(DeleteSelection(*doc, Refs()), 1);
    EXPECT_EQ(doc->GetEntityCount(), 8);
}

TEST_F(SelectionTest, DeleteAnsweredNoOrWhileBusyKeepsEverything) {
    multi = {1, 2};
    prompter.answers = {false};
    EXPECT_EQ(DeleteSelection(*doc, Refs()), 0);
    EXPECT_EQ(doc->GetEntityCount(), 10);
    EXPECT_EQ(multi.size(), 2u);
    EXPECT_FALSE(doc->IsModified());

    doc->SetBusy(1);
    EXPECT_EQ(DeleteSelection(*doc, Refs()), 0);
    EXPECT_EQ(prompter.beeps, 1);
    EXPECT_EQ(prompter.questions.size(), 1u);  // not asked again
    EXPECT_EQ(doc->GetEntityCount(), 10);
}

}  // namespace
