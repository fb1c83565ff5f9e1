#include "exchange/GsiImport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "document/TAVDoc.h"
#include "support/AlignPrompter.h"
#include "support/SurveyTestFiles.h"
#include "support/TempFiles.h"

namespace {

// 100 gon (a right angle) and 1000 units of distance.
const std::string kRight = "10000000";
const std::string kThousand = "1000";

struct SDecodeCase {
    const char* name;
    std::string line;
    const char* label;
    double x, y, z;
};

const SDecodeCase kDecodeCases[] = {
    {"gon_and_millimetres", GsiLine("P12", kRight, kRight, kThousand), "P12", 0, 1000, 0},
    {"tenth_millimetres", GsiLine("P12", kRight, kRight, kThousand, '2', '6'), "P12", 0, 100, 0},
    {"hundredth_millimetres", GsiLine("P", kRight, kRight, kThousand, '2', '8'), "P", 0, 10, 0},
    {"feet", GsiLine("P", kRight, kRight, kThousand, '2', '1'), "P", 0, 304.8, 0},
    {"tenth_feet", GsiLine("P", kRight, kRight, kThousand, '2', '7'), "P", 0, 30.48, 0},
    {"degrees", GsiLine("P", "9000000", "9000000", kThousand, '3'), "P", 0, 1000, 0},
    {"zenith_straight_up", GsiLine("P", "0", "0", "2500"), "P", 0, 0, 2500},
    {"half_turn_down", GsiLine("P", "20000000", "15000000", "1000"), "P", -707.10678118654752, 0,
     -707.10678118654752},
    {"numeric_label_keeps_inner_zeros", GsiLine("1020", "0", kRight, "5"), "1020", 5, 0, 0},
    {"label_of_zeros_is_empty", GsiLine("0", "0", kRight, "5"), "", 5, 0, 0},
    {"label_blanks_and_zeros_stripped",
     "*" + GsiWord("11", '0', '+', "  00 0A0", ' ') + GsiWord("21", '2', '+', "0") +
         GsiWord("22", '2', '+', kRight) + GsiWord("31", '0', '+', "1"),
     "A0", 1, 0, 0},
    {"negative_sign",
     "*" + GsiWord("11", '0', '+', "N") + GsiWord("21", '2', '-', kRight) +
         GsiWord("22", '2', '+', kRight) + GsiWord("31", '0', '+', "10"),
     "N", 0, -10, 0},
    {"no_final_separator", GsiLine("Q", "0", kRight, "7").substr(0, 1 + 24 * 3 + 23), "Q", 7, 0, 0},
    {"words_after_the_fourth_ignored", GsiLine("Q", "0", kRight, "7") + "81..00+0000000000000123 ",
     "Q", 7, 0, 0},
};

class GsiDecodeTest : public ::testing::TestWithParam<SDecodeCase> {};

TEST_P(GsiDecodeTest, ReducesThePolarMeasurement) {
    const SDecodeCase& c = GetParam();
    SGsiMeasurement m;
    ASSERT_EQ(DecodeGsiLine(c.line, m), EGsiError::None);
    EXPECT_EQ(m.label, c.label);
    EXPECT_NEAR(m.point.x, c.x, 1e-9);
    EXPECT_NEAR(m.point.y, c.y, 1e-9);
    EXPECT_NEAR(m.point.z, c.z, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Lines, GsiDecodeTest, ::testing::ValuesIn(kDecodeCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct SErrorCase {
    const char* name;
    std::string line;
    const char* message;  // for line 7
};

std::string Good() {
    return GsiLine("P1", kRight, kRight, kThousand);
}

// The good line with one word (0..3) replaced.
std::string WithWord(int k, const std::string& word) {
    std::string line = Good();
    line.replace(1 + 24 * static_cast<size_t>(k), 24, word);
    return line;
}

const SErrorCase kErrorCases[] = {
    {"empty_line", "", "Line: 7. \nCan not find point label WI!"},
    {"marker_only", "*", "Line: 7. \nCan not find point label WI!"},
    {"label_wi", WithWord(0, GsiWord("12", '0', '+', "P1")),
     "Line: 7. \nCan not find point label WI!"},
    {"label_word_cut", Good().substr(0, 23), "Line: 7. \nCan not find point label WI!"},
    {"hz_missing", Good().substr(0, 25), "Line: 7. \nCan not find Hz WI!"},
    {"hz_word_cut", Good().substr(0, 25 + 22), "Line: 7. \nCan not find Hz WI!"},
    {"hz_wi", WithWord(1, GsiWord("81", '2', '+', kRight)), "Line: 7. \nCan not find Hz WI!"},
    {"hz_value", WithWord(1, GsiWord("21", '2', ' ', "abc", ' ')),
     "Line: 7. \nCan not read Hz value!"},
    {"hz_units", WithWord(1, GsiWord("21", '4', '+', kRight)),
     "Line: 7. \nUnrecognized Hz units: 4 !"},
    {"hz_value_before_units", WithWord(1, GsiWord("21", '4', '+', "x", 'x')),
     "Line: 7. \nCan not read Hz value!"},
    {"v_missing", Good().substr(0, 49), "Line: 7. \nCan not find V WI!"},
    {"v_wi", WithWord(2, GsiWord("21", '2', '+', kRight)), "Line: 7. \nCan not find V WI!"},
    {"v_value", WithWord(2, GsiWord("22", '2', '+', "--", '-')),
     "Line: 7. \nCan not read V value!"},
    {"v_units", WithWord(2, GsiWord("22", '0', '+', kRight)),
     "Line: 7. \nUnrecognized V units: 0 !"},
    {"sd_missing", Good().substr(0, 73 + 22), "Line: 7. \nCan not find SD WI!"},
    {"sd_wi", WithWord(3, GsiWord("32", '0', '+', kThousand)), "Line: 7. \nCan not find SD WI!"},
    {"sd_value", WithWord(3, GsiWord("31", '0', '+', "", ' ')),
     "Line: 7. \nCan not read SD value!"},
    {"sd_units", WithWord(3, GsiWord("31", '5', '+', kThousand)),
     "Line: 7. \nUnrecognized SD units: 5 !"},
    {"sd_units_angle_code", WithWord(3, GsiWord("31", '2', '+', kThousand)),
     "Line: 7. \nUnrecognized SD units: 2 !"},
    {"nul_inside_a_word", Good().replace(30, 1, std::string(1, '\0')),
     "Line: 7. \nCan not find Hz WI!"},
    {"unit_in_windows_1250", WithWord(1, GsiWord("21", '\xb9', '+', kRight)),
     "Line: 7. \nUnrecognized Hz units: ą !"},
};

class GsiErrorTest : public ::testing::TestWithParam<SErrorCase> {};

TEST_P(GsiErrorTest, FirstFaultOfTheLine) {
    SGsiMeasurement m;
    const EGsiError e = DecodeGsiLine(GetParam().line, m);
    ASSERT_NE(e, EGsiError::None);
    EXPECT_EQ(GsiErrorMessage(e, 7, m.unit), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(Lines, GsiErrorTest, ::testing::ValuesIn(kErrorCases),
                         [](const auto& info) { return std::string(info.param.name); });

class GsiImportTest : public ::testing::Test {
protected:
    void SetUp() override { SetLastEntityNumber(0); }
    void TearDown() override { SetLastEntityNumber(0); }

    EImportResult Import(const std::string& content) {
        CTempFile f(content, ".gsi");
        return ImportGsiFile(doc, f.path);
    }
    const CPnt& Point(int i) { return *static_cast<const CPnt*>(doc.GetEntity(i)); }

    CAlignPrompter prompter;
    CTAVDoc doc{&prompter};
};

TEST_F(GsiImportTest, InstrumentFileWithCrlf) {
    const std::string file = GsiLine("BAZA", "0", kRight, "0") + "\r\n" +
                             GsiLine("BAZAX", "0", kRight, "2000") + "\r\n" +
                             GsiLine("BAZAY", kRight, kRight, "2000") + "\r\n" +
                             GsiLine("P12", kRight, kRight, kThousand) + "\r\n";
    ASSERT_EQ(Import(file), EImportResult::Done);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_NEAR(prompter.shown[0].modelFirstPoint.x, 2000.0, 1e-9);
    EXPECT_EQ(prompter.shown[0].modelSecondAxis, 1);
    EXPECT_NEAR(prompter.shown[0].modelSecondPoint.y, 2000.0, 1e-9);
    ASSERT_EQ(doc.GetEntityCount(), 4);
    EXPECT_EQ(Point(3).m_name, "P12");
    EXPECT_NEAR(Point(3).m_point.x, 0.0, 1e-9);
    EXPECT_NEAR(Point(3).m_point.y, 1000.0, 1e-9);
    EXPECT_NEAR(Point(3).m_point.z, 0.0, 1e-9);
    EXPECT_EQ(Point(3).m_number, 4);
    EXPECT_EQ(Point(3).m_color[1], 1.0);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(GsiImportTest, ErrorOnTheThirdLineImportsNothing) {
    const std::string bad = WithWord(1, GsiWord("81", '2', '+', kRight));
    ASSERT_EQ(Import(Good() + "\r\n" + Good() + "\r\n" + bad + "\r\n" + Good() + "\r\n"),
              EImportResult::Refused);
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text, "Line: 3. \nCan not find Hz WI!");
    EXPECT_TRUE(prompter.shown.empty());  // no dialog
    EXPECT_EQ(doc.GetEntityCount(), 0);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(GetLastEntityNumber(), 0);
    EXPECT_EQ(prompter.waitDepth, 0);
}

// Files of many thousand lines are decoded ahead of the points being made, in runs: every
// line counts where it stands, the first fault anywhere ends the import with nothing added,
// and a whole file comes in file order.
TEST_F(GsiImportTest, LongFilesKeepOrderAndLineNumbers) {
    constexpr int kLines = 30001;
    const auto lineOf = [](int i) {
        return GsiLine("P" + std::to_string(i), std::to_string(i * 100), kRight,
                       std::to_string(1000 + i));
    };
    std::string file;
    for (int i = 1; i <= kLines; ++i) {
        file += lineOf(i) + "\r\n";
    }
    ASSERT_EQ(Import(file), EImportResult::Done);
    ASSERT_EQ(doc.GetEntityCount(), kLines);
    for (int i : {0, 4095, 4096, 12287, 12288, 20000, kLines - 1}) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Point(i).m_name, "P" + std::to_string(i + 1));
        EXPECT_EQ(Point(i).m_number, i + 1);
        // The dialog as pre-filled places nothing elsewhere: the points are the decoded ones,
        // to the bit, though reduced on another thread.
        SGsiMeasurement m;
        ASSERT_EQ(DecodeGsiLine(lineOf(i + 1), m), EGsiError::None);
        EXPECT_EQ(Point(i).m_point.x, m.point.x);
        EXPECT_EQ(Point(i).m_point.y, m.point.y);
        EXPECT_EQ(Point(i).m_point.z, m.point.z);
        const double hz = (i + 1) * 100 * 1.570796326794897e-7;
        EXPECT_NEAR(Point(i).m_point.x, (1001 + i) * std::cos(hz), 1e-9);
    }
    EXPECT_TRUE(prompter.messages.empty());

    // The same file with a fault in its last run, in its first line, and in two runs (the
    // earlier one is reported).
    const std::vector<std::vector<int>> faults = {{kLines}, {1}, {25000, 5000}};
    for (const std::vector<int>& faulty : faults) {
        const int first = *std::min_element(faulty.begin(), faulty.end());
        SCOPED_TRACE(first);
        CAlignPrompter p2;
        CTAVDoc doc2(&p2);
        std::string lines;
        for (int i = 1; i <= kLines; ++i) {
            const bool bad = std::find(faulty.begin(), faulty.end(), i) != faulty.end();
            lines += (bad ? WithWord(3, GsiWord("31", i == first ? '5' : '9', '+', "7"))
                          : GsiLine("P" + std::to_string(i), "0", kRight, "7")) +
                     "\n";
        }
        CTempFile f(lines, ".gsi");
        ASSERT_EQ(ImportGsiFile(doc2, f.path), EImportResult::Refused);
        ASSERT_EQ(p2.messages.size(), 1u);
        EXPECT_EQ(p2.messages[0].text,
                  "Line: " + std::to_string(first) + ". \nUnrecognized SD units: 5 !");
        EXPECT_EQ(doc2.GetEntityCount(), 0);
        EXPECT_TRUE(p2.shown.empty());
        EXPECT_EQ(p2.waitDepth, 0);
    }
}

TEST_F(GsiImportTest, TrailingEmptyLineIsAFault) {
    ASSERT_EQ(Import(Good() + "\r\n\r\n"), EImportResult::Refused);
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text, "Line: 2. \nCan not find point label WI!");
}

TEST_F(GsiImportTest, BinaryGarbageGivesOneMessage) {
    std::string garbage;
    for (int i = 0; i < 5000; ++i) {
        garbage += static_cast<char>((i * 7919) & 0xff);
    }
    ASSERT_EQ(Import(garbage), EImportResult::Refused);
    EXPECT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(doc.GetEntityCount(), 0);
}

TEST_F(GsiImportTest, CancelAndEmptyFile) {
    prompter.confirm = false;
    ASSERT_EQ(Import(Good() + "\n"), EImportResult::Cancelled);
    EXPECT_EQ(doc.GetEntityCount(), 0);
    EXPECT_FALSE(doc.IsModified());
    prompter.confirm = true;
    ASSERT_EQ(Import(""), EImportResult::Done);
    EXPECT_EQ(prompter.shown.size(), 2u);
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(GsiImportTest, LeftHandedAndPlacedDrawingFrame) {
    prompter.edit = [](SAlignment& a) {
        a.leftHanded = true;
        a.drawingOrigin = CPoint3(500, 0, 0);
        a.drawingFirstPoint = CPoint3(501, 0, 0);
        a.drawingSecondPoint = CPoint3(500, 1, 0);
    };
    ASSERT_EQ(Import(GsiLine("P", kRight, kRight, kThousand) + "\n"), EImportResult::Done);
    ASSERT_EQ(doc.GetEntityCount(), 1);
    EXPECT_NEAR(Point(0).m_point.x, 500.0, 1e-9);
    EXPECT_NEAR(Point(0).m_point.y, -1000.0, 1e-9);
}

}  // namespace
