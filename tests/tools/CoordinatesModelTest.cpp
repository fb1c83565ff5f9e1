#include "tools/CoordinatesModel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLocale>

#include "document/TAVDoc.h"
#include "support/Describe.h"
#include "tools/CoordinatesListCtrl.h"
#include "tools/core/CoordFrames.h"
#include "tools/core/EditTexts.h"

namespace {

// A polyline of two vertices in a document whose active system has its origin at global
// (100, 0, 0), axes along the global ones.
struct SModelFixture {
    CRecordingPrompter prompter;
    CTAVDoc doc{&prompter};
    CPoly poly;
    CCoordinatesModel model;
    SModelFixture() {
        doc.SetActiveCoordSystem(StoreCoordSystem(
            doc, -1,
            CCoordSystem("L", CPoint3(100, 0, 0), CPoint3(101, 0, 0), CPoint3(100, 1, 0))));
        poly.AddVertex(CPoint3(100, 0, 0));
        CPoint3 second(110, 20, 30);
        second.flag = 0;
        poly.AddVertex(second);
        model.Attach(&doc, &poly);
    }
    QString Cell(int row, int column) { return model.data(model.index(row, column)).toString(); }
};

TEST(CoordinatesModelTest, RowsShowLocalCoordinatesAndFlags) {
    SModelFixture f;
    EXPECT_EQ(f.model.rowCount(), 2);
    EXPECT_EQ(f.model.columnCount(), 4);
    EXPECT_EQ(f.Cell(0, 1), "0.000");
    EXPECT_EQ(f.Cell(1, 1), "10.000");
    EXPECT_EQ(f.Cell(1, 3), "30.000");
    EXPECT_EQ(f.model.data(f.model.index(0, 0), Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_EQ(f.model.data(f.model.index(1, 0), Qt::CheckStateRole).toInt(), Qt::Unchecked);
    EXPECT_EQ(f.model.headerData(0, Qt::Horizontal).toString(), "");
    EXPECT_EQ(f.model.headerData(1, Qt::Horizontal).toString(), "X:         ");
    EXPECT_EQ(f.model.headerData(3, Qt::Horizontal).toString(), "Z:         ");
    // A flag word with the top bit set reads as a negative number: no tick.
    f.poly[0].flag = 0x80000000u;
    EXPECT_EQ(f.model.data(f.model.index(0, 0), Qt::CheckStateRole).toInt(), Qt::Unchecked);
}

TEST(CoordinatesModelTest, TickingSetsTheFlagWordToOneOrZero) {
    SModelFixture f;
    EXPECT_TRUE(f.model.setData(f.model.index(1, 0), Qt::Checked, Qt::CheckStateRole));
    f.poly[0].flag = 7;
    EXPECT_TRUE(f.model.setData(f.model.index(0, 0), Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_EQ(Describe(f.poly), "line [100 0 0 f0, 110 20 30]");
}

class CoordinateTextTest : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland)); }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

// Column Y of row 1: stored global y = local y (the system is only shifted along x); the flag
// word is kept.
TEST_F(CoordinateTextTest, ParsedInTheCLocaleWhateverTheUserLocale) {
    const struct {
        const char* text;
        const char* error;  // "" when accepted
        const char* poly;
    } cases[] = {{"12.5", "", "line [100 0 0, 110 12.5 30 f0]"},
                 {" -3e2 ", "", "line [100 0 0, 110 -300 30 f0]"},
                 {"1,5", kEnterNumber, "line [100 0 0, 110 20 30 f0]"},
                 {"12x", kEnterNumber, "line [100 0 0, 110 20 30 f0]"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        SModelFixture f;
        EXPECT_EQ(f.model.setData(f.model.index(1, 2), QString(c.text)), !*c.error);
        EXPECT_EQ(f.model.LastError().toStdString(), c.error);
        EXPECT_EQ(Describe(f.poly), c.poly);
    }
}

TEST(CoordinatesModelTest, TypedXIsStoredThroughTheInverse) {
    SModelFixture f;
    ASSERT_TRUE(f.model.SetCoordinateText(0, 1, "0"));
    EXPECT_EQ(Describe(f.poly), "line [100 0 0, 110 20 30 f0]");
    ASSERT_TRUE(f.model.SetCoordinateText(0, 1, "-5"));
    EXPECT_EQ(Describe(f.poly), "line [95 0 0, 110 20 30 f0]");
    EXPECT_EQ(f.Cell(0, 1), "-5.000");
    EXPECT_FALSE(f.model.SetCoordinateText(0, 4, "1"));
    EXPECT_FALSE(f.model.SetCoordinateText(2, 1, "1"));
    // A singular active system refuses typed values.
    SModelFixture f2;
    f2.doc.AddCoordSystem(CCoordSystem("Z", CPoint3(), CPoint3(1, 0, 0), CPoint3(0, 1, 0)),
                          CMatrix4());
    f2.doc.SetActiveCoordSystem(1);
    EXPECT_FALSE(f2.model.SetCoordinateText(1, 1, "5"));
    EXPECT_EQ(Describe(f2.poly), "line [100 0 0, 110 20 30 f0]");
    EXPECT_EQ(f2.model.LastError().toStdString(), kSingularSystem);
}

TEST(CoordinatesModelTest, PendingRowsCopyTheLastVertex) {
    SModelFixture f;
    EXPECT_EQ(f.model.AppendPendingRow(), 2);
    EXPECT_EQ(f.model.InsertCopyAfter(0), 1);
    EXPECT_EQ(f.model.InsertCopyAfter(9), -1);
    EXPECT_EQ(Describe(f.poly), "line [100 0 0, 100 0 0, 110 20 30 f0, 110 20 30 f0]");
    f.model.RemoveAll();
    EXPECT_EQ(f.model.rowCount(), 0);
    // With no vertex the new one is the global origin.
    EXPECT_EQ(f.model.AppendPendingRow(), 0);
    EXPECT_EQ(Describe(f.poly), "line [0 0 0]");
    EXPECT_FALSE(f.model.RemoveVertexRow(1));
    EXPECT_TRUE(f.model.RemoveVertexRow(0));
}

// The cell editor, driven with keys as a user does.
struct SListFixture : SModelFixture {
    CCoordinatesListCtrl list;
    std::vector<std::array<int, 3>> changes;
    SListFixture() {
        list.Attach(&doc, &poly);
        list.resize(300, 200);
        QObject::connect(&list, &CCoordinatesListCtrl::itemChanged, [this](int r, int c, int m) {
            changes.push_back({r, c, m});
        });
    }
    void Key(QWidget* w, int key, const QString& text = {}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(w, &press);
    }
    void Type(QWidget* w, const QString& text) {
        for (QChar ch : text) {
            Key(w, 0, QString(ch));
        }
    }
    bool SawText(int row, int column) const {
        for (const auto& c : changes) {
            if (c[0] == row && c[1] == column && c[2] == CCoordinatesListCtrl::kMaskText) {
                return true;
            }
        }
        return false;
    }
};

TEST(CoordinatesListCtrlTest, EnterStoresTheTypedValue) {
    SListFixture f;
    f.list.StartEdit(1, 2);
    CCoordinateEdit* editor = f.list.Editor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->objectName(), "999");
    EXPECT_EQ(editor->text(), "20.000");
    EXPECT_EQ(editor->maxLength(), 31);
    editor->selectAll();
    f.Type(editor, "12.5");
    f.Key(editor, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(f.poly[1].y, 12.5);
    EXPECT_EQ(f.Cell(1, 2), "12.500");
    // Every digit typed counts, beyond the fifteen a text round trip would keep.
    f.list.StartEdit(1, 2);
    ASSERT_NE(f.list.Editor(), nullptr);
    f.list.Editor()->selectAll();
    f.Type(f.list.Editor(), "12345678.123456789");
    f.Key(f.list.Editor(), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(f.poly[1].y, 12345678.123456789);
    EXPECT_TRUE(f.SawText(1, 2));
    EXPECT_EQ(f.list.Editor(), nullptr);
    // Enter without typing notifies nothing.
    SListFixture f2;
    f2.list.StartEdit(0, 3);
    ASSERT_NE(f2.list.Editor(), nullptr);
    f2.Key(f2.list.Editor(), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_FALSE(f2.SawText(0, 3));
    EXPECT_TRUE(f2.prompter.messages.empty());
}

TEST(CoordinatesListCtrlTest, RefusedTextKeepsTheEditorAndTheValue) {
    SListFixture f;
    f.list.StartEdit(1, 1);
    CCoordinateEdit* editor = f.list.Editor();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    f.Type(editor, "1,5");
    f.Key(editor, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(f.list.Editor(), editor);
    EXPECT_EQ(MessageTexts(f.prompter), std::vector<std::string>{kEnterNumber});
    f.Key(editor, Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_EQ(f.list.Editor(), nullptr);
    EXPECT_EQ(Describe(f.poly), "line [100 0 0, 110 20 30 f0]");
    EXPECT_FALSE(f.SawText(1, 1));
}

TEST(CoordinatesListCtrlTest, EditingPastTheEndAddsAPendingCopy) {
    SListFixture f;
    f.list.StartEdit(3, 1);  // beyond the row count: nothing
    EXPECT_EQ(f.list.Editor(), nullptr);
    f.list.StartEdit(2, 1);
    EXPECT_EQ(f.list.PendingRow(), 2);
    EXPECT_EQ(f.poly.GetVertexCount(), 3);
    EXPECT_EQ(f.list.SelectedRow(), 2);
    f.list.StartEdit(0, 0);  // column 0 is not editable
    EXPECT_EQ(f.list.Editor()->Row(), 2);
}

TEST(CoordinatesListCtrlTest, ColumnWidths) {
    SListFixture f;
    f.list.show();
    f.list.resize(324, 200);
    QApplication::processEvents();
    EXPECT_EQ(f.list.columnWidth(0), 20);
    EXPECT_EQ(f.list.columnWidth(1), 100);
    EXPECT_EQ(f.list.columnWidth(3), 100);
}

}  // namespace
