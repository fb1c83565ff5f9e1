// The layer combo box: hit zones in the closed field and in the dropped list, selection.

#include <QAbstractItemView>
#include <QMouseEvent>

#include "app/AppTestSupport.h"
#include "app/LayerComboBox.h"
#include "document/TAVDoc.h"
#include "support/Describe.h"
#include "support/Recorders.h"
#include "support/Widgets.h"

namespace {

void Click(QWidget* target, QEvent::Type type, int x, int y) {
    Mouse(target, type, QPointF(x, y), Qt::LeftButton,
          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton);
}

class LayerComboTest : public ::testing::Test {
protected:
    void SetUp() override {
        doc.Layers().emplace_back("Druga", 0, 1);
        doc.Layers().emplace_back("Trzecia", 1, 0);
        doc.SetCurrentLayer(1);
        doc.AddObserver(&view);
        combo.Reload(&doc, &guard);
        combo.show();
    }
    void TearDown() override {
        combo.hidePopup();
        doc.RemoveObserver(&view);
    }
    bool ListOpen() const { return combo.view()->isVisible(); }

    CTAVDoc doc;
    CCountingObserver view;
    QObject guard;
    CLayerComboBox combo;
};

TEST_F(LayerComboTest, ReloadListsLayersAndSelectsTheCurrentOne) {
    EXPECT_EQ(combo.count(), 3);
    EXPECT_EQ(combo.currentIndex(), 1);
    EXPECT_EQ(combo.GetDocument(), &doc);
    combo.Reload(nullptr, nullptr);
    EXPECT_EQ(combo.count(), 0);
    EXPECT_EQ(combo.GetDocument(), nullptr);
    // Without a guard to follow, a document is not shown.
    combo.Reload(&doc, nullptr);
    EXPECT_EQ(combo.count(), 0);
}

TEST_F(LayerComboTest, ForgetsTheDocumentWhenItsGuardGoes) {
    auto* shortLived = new QObject;
    combo.Reload(&doc, shortLived);
    EXPECT_EQ(combo.count(), 3);
    delete shortLived;
    EXPECT_EQ(combo.count(), 0);
    EXPECT_EQ(combo.GetDocument(), nullptr);
    // A click on the images does nothing now.
    Click(&combo, QEvent::MouseButtonPress, 10, 5);
    EXPECT_EQ(doc.GetLayer(1).m_locked, 0);
}

struct SHitCase {
    int x;
    const char* flags;  // of the layer clicked, which starts unlocked and visible
    bool opens;         // the list drops down
};

const SHitCase kHits[] = {{3, "", false},         {4, " locked", false},  {19, " locked", false},
                          {20, " hidden", false}, {35, " hidden", false}, {36, "", false},
                          {37, "", true}};

// Puts the flags, the modified mark and the counts back as SetUp left them.
void Reset(CTAVDoc& doc, CCountingObserver& view, CLayerComboBox& combo) {
    combo.hidePopup();
    doc.Layers()[0] = CLayer(doc.GetLayer(0).m_name, 0, 1);
    doc.Layers()[1] = CLayer(doc.GetLayer(1).m_name, 0, 1);
    doc.SetCurrentLayer(1);
    doc.SetModifiedFlag(false);
    view.hints.clear();
    view.invalidated = 0;
}

TEST_F(LayerComboTest, ClickOnTheClosedField) {
    for (const SHitCase& c : kHits) {
        SCOPED_TRACE(c.x);
        Reset(doc, view, combo);
        Click(&combo, QEvent::MouseButtonPress, c.x, combo.height() / 2);
        Click(&combo, QEvent::MouseButtonRelease, c.x, combo.height() / 2);
        // Only the current layer is touched from the closed field.
        EXPECT_EQ(DescribeLayers(doc),
                  std::string("Warstwa1; Druga") + c.flags + "; Trzecia locked hidden");
        EXPECT_EQ(ListOpen(), c.opens);
        const bool toggled = *c.flags != 0;
        EXPECT_EQ(doc.IsModified(), toggled);
        EXPECT_EQ(view.invalidated, toggled ? 1 : 0);
        EXPECT_EQ(view.hints.size(), toggled ? 1u : 0u);
    }
}

// In the dropped list the click acts on the row under the mouse, and the list stays open.
TEST_F(LayerComboTest, ClickInTheDroppedList) {
    for (const SHitCase& c : kHits) {
        SCOPED_TRACE(c.x);
        Reset(doc, view, combo);
        combo.showPopup();
        ASSERT_TRUE(ListOpen());
        QWidget* viewport = combo.view()->viewport();
        const QRect row = combo.view()->visualRect(combo.model()->index(0, 0));
        ASSERT_TRUE(row.isValid());
        Click(viewport, QEvent::MouseButtonPress, c.x, row.center().y());
        // x > 36 is the ordinary click that selects the row.
        if (!c.opens) {
            Click(viewport, QEvent::MouseButtonRelease, c.x, row.center().y());
            EXPECT_TRUE(ListOpen());
            EXPECT_EQ(doc.GetCurrentLayer(), 1);
        }
        EXPECT_EQ(DescribeLayers(doc),
                  std::string("Warstwa1") + c.flags + "; Druga; Trzecia locked hidden");
    }
}

TEST_F(LayerComboTest, DoubleClickOnTheEyeTogglesOnce) {
    Click(&combo, QEvent::MouseButtonPress, 25, 5);
    Click(&combo, QEvent::MouseButtonRelease, 25, 5);
    Click(&combo, QEvent::MouseButtonDblClick, 25, 5);
    Click(&combo, QEvent::MouseButtonRelease, 25, 5);
    EXPECT_EQ(DescribeLayers(doc), "Warstwa1; Druga hidden; Trzecia locked hidden");
    EXPECT_FALSE(ListOpen());
}

TEST_F(LayerComboTest, ChoosingALayerMakesItCurrentAndMarksTheDocument) {
    emit combo.activated(1);  // the layer already current: nothing changes
    EXPECT_FALSE(doc.IsModified());
    combo.setCurrentIndex(2);
    emit combo.activated(2);
    EXPECT_EQ(doc.GetCurrentLayer(), 2);
    EXPECT_TRUE(doc.IsModified());
    // An invalid choice goes back to the first row.
    combo.setCurrentIndex(-1);
    emit combo.activated(-1);
    EXPECT_EQ(combo.currentIndex(), 0);
    EXPECT_EQ(doc.GetCurrentLayer(), 2);
}

TEST_F(LayerComboTest, ToggleAtRefusesOutOfRange) {
    EXPECT_FALSE(combo.ToggleAt(3, 10));
    EXPECT_FALSE(combo.ToggleAt(-1, 10));
    EXPECT_FALSE(combo.ToggleAt(0, 36));
    EXPECT_TRUE(combo.ToggleAt(0, 4));
    EXPECT_EQ(DescribeLayers(doc), "Warstwa1 locked; Druga; Trzecia locked hidden");
    EXPECT_GE(combo.ItemHeight(), 16);
}

}  // namespace
