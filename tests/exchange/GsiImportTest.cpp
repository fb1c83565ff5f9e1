#include "exchange/GsiImport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "document/TAVDoc.h"
#include "support/AlignPrompter.h"
#include "support/SurveyTestFiles.h"
#include "support/TempFiles.h"
#include "support/TestEntities.h"

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
    // 359 degrees 59'59.0" and a right angle as DDD.MMSS; 1600 mil.
    {"sexagesimal", GsiLine("S", "35959590", "9000000", "1000", '4'), "S",
     1000 * std::cos(kDegToRad*(359 + 59 / 60.0 + 59 / 3600.0)),
     1000 * std::sin(kDegToRad*(359 + 59 / 60.0 + 59 / 3600.0)), 0},
    {"sexagesimal_seconds_tenths", GsiLine("S", "3000305", "9000000", "1000", '4'), "S",
     1000 * std::cos(kDegToRad*(30 + 30.5 / 3600.0)),
     1000 * std::sin(kDegToRad*(30 + 30.5 / 3600.0)), 0},
    {"mil", GsiLine("M", "16000000", "16000000", "1000", '5'), "M", 0, 1000, 0},
    {"gsi8", "110001+00000P12 21.322+10000000 22.322+10000000 31..00+00001000 ", "P12", 0, 1000, 0},
    {"gsi8_without_last_blank", "110001+00000P12 21.322+00000000 22.322+10000000 31..06+00001000",
     "P12", 100, 0, 0},
    {"words_in_any_order",
     "*" + GsiWord("11", '0', '+', "R") + GsiWord("31", '0', '+', kThousand) +
         GsiWord("51", '.', '+', "x", 'x') + GsiWord("22", '2', '+', kRight) +
         GsiWord("21", '2', '+', kRight),
     "R", 0, 1000, 0},
    {"horizontal_distance_and_height",
     "110001+00000001 21.322+10000000 32..00+00000500 33..00-00000020 ", "1", 0, 500, -20},
    {"horizontal_distance_and_v",
     "110001+00000001 21.322+00000000 22.322+05000000 32..00+00000500 ", "1", 500, 0, 500},
    // 81-83 are easting, northing, height: X northing, Y easting.
    {"coordinates", "110001+00000C01 81..00+00001000 82..06+00020000 83...1-00000300 ", "C01", 2000,
     1000, -91.44},
};

TEST(GsiDecode, ReducesThePolarMeasurement) {
    for (const SDecodeCase& c : kDecodeCases) {
        SCOPED_TRACE(c.name);
        SGsiMeasurement m;
        ASSERT_EQ(DecodeGsiLine(c.line, m), EGsiError::None);
        EXPECT_EQ(m.label, c.label);
        ExpectXyz(m.point, c.x, c.y, c.z);
    }
}

struct SErrorCase {
    const char* name;
    std::string line;
    const char* message;  // after "Line: 7. \n"
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
    {"marker_only", "*", "Can not find point label WI!"},
    {"label_wi", WithWord(0, GsiWord("12", '0', '+', "P1")), "Can not find point label WI!"},
    {"label_word_cut", Good().substr(0, 23), "Can not find point label WI!"},
    {"hz_missing", Good().substr(0, 25), "Can not find Hz WI!"},
    {"hz_word_cut", Good().substr(0, 25 + 22), "Can not find Hz WI!"},
    {"hz_wi", WithWord(1, GsiWord("81", '2', '+', kRight)), "Can not find Hz WI!"},
    {"hz_value", WithWord(1, GsiWord("21", '2', ' ', "abc", ' ')), "Can not read Hz value!"},
    {"hz_units", WithWord(1, GsiWord("21", '9', '+', kRight)), "Unrecognized Hz units: 9 !"},
    {"dms_minutes_of_sixty", WithWord(1, GsiWord("21", '4', '+', "35960000")),
     "Can not read Hz value!"},
    {"hz_value_before_units", WithWord(1, GsiWord("21", '9', '+', "x", 'x')),
     "Can not read Hz value!"},
    {"v_missing", Good().substr(0, 49), "Can not find V WI!"},
    {"v_wi", WithWord(2, GsiWord("21", '2', '+', kRight)), "Can not find V WI!"},
    {"v_value", WithWord(2, GsiWord("22", '2', '+', "--", '-')), "Can not read V value!"},
    {"v_units", WithWord(2, GsiWord("22", '0', '+', kRight)), "Unrecognized V units: 0 !"},
    {"sd_missing", Good().substr(0, 73 + 22), "Can not find SD WI!"},
    {"sd_wi", WithWord(3, GsiWord("33", '0', '+', kThousand)), "Can not find SD WI!"},
    {"remark_only", "*" + GsiWord("11", '0', '+', "P") + GsiWord("71", '.', '+', "A"),
     "Can not find Hz WI!"},
    {"horizontal_distance_without_v", "110001+0000000P 21.322+00000000 32..00+00001000 ",
     "Can not find V WI!"},
    {"coordinate_units",
     "*" + GsiWord("11", '0', '+', "P") + GsiWord("81", '2', '+', "1") +
         GsiWord("82", '0', '+', "1") + GsiWord("83", '0', '+', "1"),
     "Unrecognized WI 81 units: 2 !"},
    {"coordinate_value",
     "*" + GsiWord("11", '0', '+', "P") + GsiWord("81", '0', '+', "1") +
         GsiWord("82", '0', '+', "x1", ' ') + GsiWord("83", '0', '+', "1"),
     "Can not read WI 82 value!"},
    {"gsi8_hz_units", "110001+0000000P 21.329+00000000 22.322+10000000 31..00+00001000 ",
     "Unrecognized Hz units: 9 !"},
    {"sd_value", WithWord(3, GsiWord("31", '0', '+', "", ' ')), "Can not read SD value!"},
    {"sd_units", WithWord(3, GsiWord("31", '5', '+', kThousand)), "Unrecognized SD units: 5 !"},
    {"sd_units_angle_code", WithWord(3, GsiWord("31", '2', '+', kThousand)),
     "Unrecognized SD units: 2 !"},
    {"nul_inside_a_word", Good().replace(30, 1, std::string(1, '\0')), "Can not find Hz WI!"},
    {"unit_in_windows_1250", WithWord(1, GsiWord("21", '\xb9', '+', kRight)),
     "Unrecognized Hz units: ą !"},
};

TEST(GsiDecode, FirstFaultOfTheLine) {
    for (const SErrorCase& c : kErrorCases) {
        SCOPED_TRACE(c.name);
        SGsiMeasurement m;
        const EGsiError e = DecodeGsiLine(c.line, m);
        ASSERT_NE(e, EGsiError::None);
        EXPECT_EQ(GsiErrorMessage(e, 7, m.unit, m.wi), std::string("Line: 7. \n") + c.message);
    }
}

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
    EXPECT_EQ(Describe(prompter.shown[0], 9),
              "0 0 0 x=2000 0 0 y=0 2000 0 -> 0 0 0 x=1 0 0 y=0 1 0");
    EXPECT_EQ(Describe(doc, 9),
              "pnt 0 0 0 #1 name=BAZA rgb=1 1 1\n"
              "pnt 2000 0 0 #2 name=BAZAX rgb=1 1 1\n"
              "pnt 0 2000 0 #3 name=BAZAY rgb=1 1 1\n"
              "pnt 0 1000 0 #4 name=P12 rgb=1 1 1\n");
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(GsiImportTest, ErrorOnTheThirdLineImportsNothing) {
    const std::string bad = WithWord(1, GsiWord("81", '2', '+', kRight));
    ASSERT_EQ(Import(Good() + "\r\n" + Good() + "\r\n" + bad + "\r\n" + Good() + "\r\n"),
              EImportResult::Refused);
    EXPECT_EQ(MessageTexts(prompter), std::vector<std::string>{"Line: 3. \nCan not find Hz WI!"});
    EXPECT_TRUE(prompter.shown.empty());  // no dialog
    EXPECT_EQ(doc.GetEntityCount(), 0);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(GetLastEntityNumber(), 0);
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
        ExpectXyz(Point(i).m_point, m.point.x, m.point.y, m.point.z, 0);
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
    }
}

TEST_F(GsiImportTest, EmptyLinesAreReadOverAndCountedEndsAnyMix) {
    // LF, CR LF, lone CR (three in a row as one instrument writes them) and blank lines.
    const std::string bad = WithWord(1, GsiWord("21", '9', '+', kRight));
    ASSERT_EQ(Import("\r\n" + Good() + "\r\r\r" + Good() + "\n  \n" + Good() + "\r" + bad + "\r\n"),
              EImportResult::Refused);
    EXPECT_EQ(MessageTexts(prompter),
              std::vector<std::string>{"Line: 8. \nUnrecognized Hz units: 9 !"});
    ASSERT_EQ(Import("\r\n" + Good() + "\r\r\r" + Good() + "\n  \n" + Good() + "\r"),
              EImportResult::Done);
    EXPECT_EQ(doc.GetEntityCount(), 3);
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

// Even a file without blocks asks for the placement (a cancel is the merge's test).
TEST_F(GsiImportTest, EmptyFileStillAsks) {
    ASSERT_EQ(Import(""), EImportResult::Done);
    EXPECT_EQ(prompter.shown.size(), 1u);
}

// Files of the instruments in the field; the expected values were worked out from the words
// of the files by hand (see data/survey/README).
std::string Survey(const char* name) {
    return std::string(TAV_SOURCE_DIR) + "/tests/exchange/data/survey/" + name;
}

class GsiFileTest : public GsiImportTest {
protected:
    EImportResult ReadFile(const char* name, SImportOptions options = {}) {
        return ImportWith(doc, SImportSource::File(Survey(name)), options, ReadGsiFile);
    }
    const CPnt* Named(const std::string& name) {
        for (int i = 0; i < doc.GetEntityCount(); ++i) {
            if (Point(i).m_name == name) {
                return &Point(i);
            }
        }
        ADD_FAILURE() << "no point " << name;
        return nullptr;
    }
    // The named points to a micrometre.
    std::string DescribeNamed(std::initializer_list<const char*> names) {
        std::string s;
        for (const char* name : names) {
            const CPnt* p = Named(name);
            s += p ? Describe(*p, 6) + "\n" : "";
        }
        return s;
    }
};

TEST_F(GsiFileTest, CrOnlyGsi8WithHorizontalDistancesAndGsi16WithSexagesimalAngles) {
    ASSERT_EQ(ReadFile("totalopenstation_totalopenstation__RILIEVO.gsi"), EImportResult::Done);
    EXPECT_TRUE(prompter.messages.empty());
    ASSERT_EQ(doc.GetEntityCount(), 23);
    EXPECT_EQ(DescribeNamed({"102", "116", "100"}),  // no code, no data
              "pnt -2517.22712 4499.63917 -306.659372 #3 name=102 rgb=1 1 1\n"
              "pnt -62797.212581 35293.927524 -422.067432 #17 name=116 rgb=1 1 1\n"
              "pnt 0 0 0 #1 name=100 rgb=1 1 1\n");
    // 35 45'10.0", 91 17'51.0", 13.825 m; 87 and 88 change nothing without a station.
    ASSERT_EQ(ReadFile("totalopenstation_totalopenstation__leica_gsi16_gurob.gsi"),
              EImportResult::Done);
    ASSERT_EQ(doc.GetEntityCount(), 23 + 343);
    EXPECT_EQ(DescribeNamed({"GDEM5415"}),
              "pnt 11216.741962 8075.724419 -313.049312 #24 name=GDEM5415 rgb=1 1 1\n");
    EXPECT_EQ(doc.GetLayerCount(), 1);
}

TEST_F(GsiFileTest, TwoStationsGiveTwoLayersAndAgreeWithTheInstrumentsCoordinates) {
    const char* file = "totalopenstation_totalopenstation__leica_gsi8_ertola.gsi";
    ASSERT_EQ(ReadFile(file), EImportResult::Done);
    // 699 blocks, four of them station blocks of STAZLIB3 and STAZLIB4.
    ASSERT_EQ(doc.GetEntityCount(), 695);
    // Before the first station: the instrument frame, on the current layer. Then from STAZLIB3
    // (X0 465.244, Y0 519.659, Z0 -0.588, i 1.350, r 1.300), and from STAZLIB4.
    EXPECT_EQ(DescribeLayers(doc), "Warstwa1; STAZLIB3; STAZLIB4");
    EXPECT_EQ(DescribeNamed({"1", "850", "852", "900"}),
              "pnt 25870.89413 15836.604424 3038.753398 #1 name=1 rgb=1 1 1 "
              "data=\"inne dane\"{\"1\"}\n"
              "pnt 444915.298888 449720.367535 1931.255972 L1 #498 name=850 rgb=1 1 1 "
              "data=\"inne dane\"{\"70\"}\n"
              "pnt 456567.326084 517177.769333 -1190.018502 L1 #500 name=852 rgb=1 1 1 "
              "data=\"inne dane\"{\"MK10\"}\n"
              "pnt 442775.848513 515667.320216 -1588.67612 L2 #528 name=900 rgb=1 1 1 "
              "data=\"inne dane\"{\"80\"}\n");

    // The instrument's own 81-83 for the same blocks: from STAZLIB3, where it recorded the
    // station it computed with, the two agree to the millimetre of the file (after STAZLIB4
    // its coordinates are 0.26 m off the recorded station).
    std::vector<CPoint3> polar;
    for (int i = 0; i < doc.GetEntityCount(); ++i) {
        polar.push_back(Point(i).m_point);
    }
    CAlignPrompter p2;
    CTAVDoc coords(&p2);
    SImportOptions options;
    options.gsiCoordinates = true;
    ASSERT_EQ(ImportWith(coords, SImportSource::File(Survey(file)), options, ReadGsiFile),
              EImportResult::Done);
    ASSERT_EQ(coords.GetEntityCount(), 695);
    int compared = 0;
    for (int i = 0; i < coords.GetEntityCount(); ++i) {
        const auto& c = static_cast<const CPnt&>(*coords.GetEntity(i));
        if (c.m_layer != 1) {
            continue;
        }
        ++compared;
        SCOPED_TRACE(c.m_name.view());
        EXPECT_NEAR(c.m_point.x, polar[static_cast<size_t>(i)].x, 3.0);
        EXPECT_NEAR(c.m_point.y, polar[static_cast<size_t>(i)].y, 3.0);
        EXPECT_NEAR(c.m_point.z, polar[static_cast<size_t>(i)].z, 3.0);
    }
    EXPECT_EQ(compared, 27);
    const auto& c850 = static_cast<const CPnt&>(*coords.GetEntity(499 - 2));
    EXPECT_EQ(c850.m_name, "850");
    ExpectXyz(c850.m_point, 444915.0, 449720.0, 1932.0, 0);
}

TEST_F(GsiFileTest, MetresGsi8AndGsi16AndBlocksSharingALine) {
    // One survey written as GSI-16, as GSI-8 and as GSI-8 with all blocks in one line.
    const std::string gsi16 = GsiLine("A", "12345678", "9876543", "123456") + "\r\n" +
                              GsiLine("B", "30000000", "10500000", "7000", '2', '6') + "\r\n";
    const std::string a8 = "110001+0000000A 21.322+12345678 22.322+09876543 31..00+00123456 ";
    const std::string b8 = "110002+0000000B 21.322+30000000 22.322+10500000 31..06+00007000 ";
    for (const std::string& text :
         {a8 + "\r\n" + b8 + "\r\n", a8 + b8 + "\n",
          GsiLine("A", "12345678", "9876543", "123456") +
              GsiLine("B", "30000000", "10500000", "7000", '2', '6').replace(0, 1, "*")}) {
        CAlignPrompter p16, p8;
        CTAVDoc d16(&p16), d8(&p8);
        CTempFile f16(gsi16, ".gsi"), f8(text, ".gsi");
        SImportOptions metres;
        metres.gsiMetres = true;
        ASSERT_EQ(ImportWith(d16, SImportSource::File(f16.path), {}, ReadGsiFile),
                  EImportResult::Done);
        ASSERT_EQ(ImportWith(d8, SImportSource::File(f8.path), metres, ReadGsiFile),
                  EImportResult::Done);
        ASSERT_EQ(d8.GetEntityCount(), 2);
        for (int i = 0; i < 2; ++i) {
            const auto& a = static_cast<const CPnt&>(*d16.GetEntity(i));
            const auto& b = static_cast<const CPnt&>(*d8.GetEntity(i));
            EXPECT_EQ(a.m_name, b.m_name);
            EXPECT_NEAR(a.m_point.x / 1000, b.m_point.x, 1e-12);
            EXPECT_NEAR(a.m_point.y / 1000, b.m_point.y, 1e-12);
            EXPECT_NEAR(a.m_point.z / 1000, b.m_point.z, 1e-12);
        }
    }
}

TEST_F(GsiFileTest, StationsFromStationAndCodeBlocks) {
    // Station S1 at N 1000, E 2000, H 100 (mm), i 1500, then a point 10 m to the east, level,
    // reflector 1300; a code block in force; a code block that starts station S2 with i 1600.
    const std::string text =
        "110001+000000S1 84..00+00002000 85..00+00001000 86..00+00000100 88..00+00001500 \n"
        "410002+0000WALL 42....+0000BRCK \n"
        "110003+000000P1 21.322+10000000 22.322+10000000 31..00+00010000 87..00+00001300 \n"
        "110004+000000P2 21.322+00000000 22.322+10000000 31..00+00010000 71....+0000TREE \n"
        "410005+00000002 42....+000000S2 43....+00001600 \n"
        "110006+000000P3 21.322+00000000 22.322+10000000 31..00+00010000 \n";
    ASSERT_EQ(Import(text), EImportResult::Done);
    // The reflector height stays in force; the remark wins over the code block. S2 has no
    // coordinates: the instrument frame again, no code in force.
    EXPECT_EQ(DescribeLayers(doc), "Warstwa1; S1; S2");
    EXPECT_EQ(Describe(doc, 9),
              "pnt 1000 12000 300 L1 #1 name=P1 rgb=1 1 1 data=\"inne dane\"{\"WALL BRCK\"}\n"
              "pnt 11000 2000 300 L1 #2 name=P2 rgb=1 1 1 data=\"inne dane\"{\"TREE\"}\n"
              "pnt 10000 0 0 L2 #3 name=P3 rgb=1 1 1\n");
}

TEST_F(GsiFileTest, HostileShapesEndWithAMessage) {
    // 10^5 words in one block, a 3 MB line, a line of only a marker.
    std::string many = "110001+0000000A ";
    for (int i = 0; i < 100000; ++i) {
        many += "51..1.+0000+000 ";
    }
    ASSERT_EQ(Import(many + "\n"), EImportResult::Refused);
    EXPECT_EQ(prompter.messages.back().text, "Line: 1. \nThe line is too long!");
    ASSERT_EQ(Import(many.substr(0, 16 * 60000) + "\n"), EImportResult::Refused);
    EXPECT_EQ(prompter.messages.back().text, "Line: 1. \nCan not find Hz WI!");
    EXPECT_EQ(doc.GetEntityCount(), 0);
}

}  // namespace
