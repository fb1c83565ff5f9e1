#include "exchange/DxfExport.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "document/TAVDoc.h"
#include "exchange/DxfImport.h"
#include "exchange/DxfText.h"
#include "support/Describe.h"
#include "support/RecordingPrompter.h"
#include "support/TempFiles.h"
#include "support/TestEntities.h"

namespace fs = std::filesystem;

namespace {

// The file as the export writes it, with "\n" in the expectation standing for CRLF.
std::string Crlf(const std::string& lf) {
    std::string out;
    for (char c : lf) {
        out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    return out;
}

// The comment, HEADER and TABLES before the entities; layers as "name" or "-name" when hidden.
std::string Head(const std::vector<std::string>& layers) {
    std::string head =
        "999\nTAV Document ver. 2.1.1\n"
        "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1009\n  9\n$DWGCODEPAGE\n  3\n"
        "ANSI_1250\n  0\nENDSEC\n"
        "  0\nSECTION\n  2\nTABLES\n  0\nTABLE\n  2\nLTYPE\n 70\n1\n  0\nLTYPE\n  2\n"
        "CONTINUOUS\n 70\n0\n  3\nSolid line\n 72\n65\n 73\n0\n 40\n0.0\n  0\nENDTAB\n"
        "  0\nTABLE\n  2\nLAYER\n 70\n" +
        std::to_string(layers.size()) + "\n";
    for (const std::string& l : layers) {
        const bool hidden = l[0] == '-';
        head += "  0\nLAYER\n  2\n" + l.substr(hidden ? 1 : 0) + "\n 70\n0\n 62\n" +
                (hidden ? "-7" : "7") + "\n  6\nCONTINUOUS\n";
    }
    return head + "  0\nENDTAB\n  0\nENDSEC\n  0\nSECTION\n  2\nENTITIES\n";
}
const std::string kTail = "  0\nENDSEC\n  0\nEOF";

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

std::string ExportToString(CTAVDoc& doc) {
    CTempDir dir;
    EXPECT_TRUE(ExportDxfFile(doc, dir.File("out.dxf")));
    return ReadFile(dir.File("out.dxf"));
}

// ---- palette ----

TEST(AciPalette, NearestNumberAndTies) {
    const struct {
        double rgb[3];
        int number;
    } cases[] = {
        {{1.0, 0.0, 0.0}, 1},     // red beats its twin 10
        {{0.9, 0.1, 0.1}, 12},    // dark red
        {{1.0, 1.0, 1.0}, 7},     // white is 7, not 0 or 255
        {{0.5, 0.5, 0.5}, 8},     // mid grey
        {{0.0, 0.0, 0.0}, 18},    // black is the darkest red
        {{0.99, 0.99, 0.99}, 7},  // near white is still 7
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NearestAciColor(c.rgb), c.number) << Xyz(CVec3(c.rgb[0], c.rgb[1], c.rgb[2]));
    }
}

TEST(AciPalette, EntriesAsListed) {
    auto hex = [](int i) {
        const auto& c = AciPalette[static_cast<size_t>(i)];
        char buf[8];
        std::snprintf(buf, sizeof buf, "%02X%02X%02X", static_cast<int>(c[0] * 255.0 + 0.5),
                      static_cast<int>(c[1] * 255.0 + 0.5), static_cast<int>(c[2] * 255.0 + 0.5));
        return std::string(buf);
    };
    std::string listed;
    for (int i : {0, 1, 9, 16, 17, 128, 129, 240, 250, 255}) {
        listed += hex(i) + " ";
    }
    EXPECT_EQ(listed, "FFFFFF FF0000 DCDCDC 950000 954A4A 007256 397264 FF003F 545454 FFFFFF ");
    EXPECT_EQ(AciPalette[11][1], 127.0 / 255.0);  // stored as the integer over 255
}

// Every colour of the palette maps back to the first number that holds it (white to 7): a
// mistyped entry or a wrong tie rule shows up here.
TEST(AciPalette, EveryEntryMapsToItsFirstNumber) {
    for (int i = 1; i < 256; ++i) {
        const auto& c = AciPalette[static_cast<size_t>(i)];
        int first = i;
        for (int j = 1; j < i; ++j) {
            if (AciPalette[static_cast<size_t>(j)] == c) {
                first = j;
                break;
            }
        }
        if (c[0] == 1.0 && c[1] == 1.0 && c[2] == 1.0) {
            first = 7;
        }
        const double rgb[3] = {c[0], c[1], c[2]};
        EXPECT_EQ(NearestAciColor(rgb), first) << "number " << i;
    }
}

// ---- records ----

TEST(DxfExport, EmptyDrawingGivesTheFrameOnly) {
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    EXPECT_EQ(ExportToString(doc), Crlf(Head({"Warstwa1"}) + kTail));
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(prompter.waitDepth, 0);
}

TEST(DxfExport, RecordsOfEachKind) {
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    doc.Layers().push_back(CLayer("Działki 2", 0, 0));

    auto pnt = Colored(MakePnt({5420000.125, -6310000.5, 0.0000004}, "P1"), 1, 0, 0);
    doc.AddEntity(std::move(pnt));
    auto line = Colored(MakePoly({{1.0, 2.0, 3.0}, {-1.5, 0.0, 1e7}}), 0, 0, 1);
    line->m_layer = 1;
    doc.AddEntity(std::move(line));
    doc.AddEntity(
        Colored(MakePoly({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, 1), 0.5, 0.5, 0.5));
    auto arc = Colored(MakeArc({10.0, 20.0, 30.0}, 2.5, 300.0, 120.0), 1, 1, 1);
    arc->m_axis = CVec3(0.0, 0.0, -1.0);
    doc.AddEntity(std::move(arc));
    doc.AddEntity(MakeArc({}, 0.125, 0, 359.999999999));
    auto text = MakeText("Zażółć gęślą", {1.0, 1.0, 0.0}, 2.5);
    text->m_rotation = 45.0;
    text->m_layer = 1;
    doc.AddEntity(std::move(text));

    const std::string bytes = ExportToString(doc);
    const std::string expected = Crlf(Head({"Warstwa1", "-Dzia\xB3ki 2"}) +
                                      "  0\nPOINT\n  8\nWarstwa1\n 62\n1\n"
                                      " 10\n5420000.125000\n 20\n-6310000.500000\n 30\n0.000000\n"
                                      "  0\nPOLYLINE\n  8\nDzia\xB3ki 2\n 62\n5\n 66\n1\n"
                                      " 10\n0.000000\n 20\n0.000000\n 30\n0.000000\n 70\n8\n"
                                      "  0\nVERTEX\n  8\nDzia\xB3ki 2\n"
                                      " 10\n1.000000\n 20\n2.000000\n 30\n3.000000\n 70\n32\n"
                                      "  0\nVERTEX\n  8\nDzia\xB3ki 2\n"
                                      " 10\n-1.500000\n 20\n0.000000\n 30\n10000000.000000\n"
                                      " 70\n32\n"
                                      "  0\nSEQEND\n  8\nDzia\xB3ki 2\n"
                                      "  0\nPOLYLINE\n  8\nWarstwa1\n 62\n8\n 66\n1\n"
                                      " 10\n0.000000\n 20\n0.000000\n 30\n0.000000\n 70\n9\n"
                                      "  0\nVERTEX\n  8\nWarstwa1\n"
                                      " 10\n0.000000\n 20\n0.000000\n 30\n0.000000\n 70\n32\n"
                                      "  0\nVERTEX\n  8\nWarstwa1\n"
                                      " 10\n1.000000\n 20\n0.000000\n 30\n0.000000\n 70\n32\n"
                                      "  0\nVERTEX\n  8\nWarstwa1\n"
                                      " 10\n1.000000\n 20\n1.000000\n 30\n0.000000\n 70\n32\n"
                                      "  0\nVERTEX\n  8\nWarstwa1\n"
                                      " 10\n0.000000\n 20\n1.000000\n 30\n0.000000\n 70\n32\n"
                                      "  0\nSEQEND\n  8\nWarstwa1\n"
                                      "  0\nARC\n  8\nWarstwa1\n 62\n7\n"
                                      // in its own system: x and z turn with the axis
                                      " 10\n-10.000000\n 20\n20.000000\n 30\n-30.000000\n"
                                      " 40\n2.500000\n 50\n300.000000\n 51\n60.000000\n"
                                      "210\n0.000000\n220\n0.000000\n230\n-1.000000\n"
                                      "  0\nCIRCLE\n  8\nWarstwa1\n 62\n18\n"
                                      " 10\n0.000000\n 20\n0.000000\n 30\n0.000000\n"
                                      " 40\n0.125000\n"
                                      "210\n0.000000\n220\n0.000000\n230\n1.000000\n"
                                      "  0\nTEXT\n  8\nDzia\xB3ki 2\n 62\n18\n"
                                      " 10\n1.000000\n 20\n1.000000\n 30\n0.000000\n"
                                      " 40\n2.500000\n"
                                      "  1\nZa\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9\n"
                                      " 50\n45.000000\n"
                                      "210\n0.000000\n220\n0.000000\n230\n1.000000\n" +
                                      kTail);
    EXPECT_EQ(bytes, expected);
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text, "Liczba zapisanych do pliku DXF obiektow: 6. ");
}

TEST(DxfExportArc, EndAngles) {
    struct {
        double start, length;
        const char* kind;
        const char* end;
    } cases[] = {
        {300.0, 120.0, "ARC", "60.000000"},
        {0.0, 359.999999999, "CIRCLE", nullptr},  // within 1e-8 of a full turn
        {0.0, 359.9999, "ARC", "359.999900"},
        {30.0, 360.000000005, "CIRCLE", nullptr},  // start is dropped with the circle
        {10.0, 0.0, "ARC", "10.000000"},
        {-90.0, 60.0, "ARC", "-30.000000"},  // fmod keeps the sign
        {350.0, 730.0, "ARC", "0.000000"},
    };
    for (const auto& c : cases) {
        CTAVDoc doc;
        auto arc = std::make_unique<CArc>();
        arc->m_start = c.start;
        arc->m_length = c.length;
        doc.AddEntity(std::move(arc));
        const std::string bytes = ExportToString(doc);
        EXPECT_NE(bytes.find(std::string("\r\n") + c.kind + "\r\n"), std::string::npos)
            << c.start << " " << c.length;
        if (c.end) {
            char start[64];
            std::snprintf(start, sizeof start, "%lf", c.start);
            EXPECT_NE(bytes.find(std::string(" 50\r\n") + start + "\r\n 51\r\n" + c.end + "\r\n"),
                      std::string::npos)
                << bytes;
        } else {
            EXPECT_EQ(bytes.find(" 50\r\n"), std::string::npos);
            EXPECT_EQ(bytes.find(" 51\r\n"), std::string::npos);
        }
    }
}

// The fast path of the number formatting must agree with the C library everywhere, ties and
// near ties included.
TEST(FormatDxfNumber, AgreesWithPrintf) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<double> values = {0.0,
                                  -0.0,
                                  5e-7,
                                  1.5e-6,
                                  2.5e-6,
                                  -5e-7,
                                  1e-7,
                                  -4e-7,
                                  0.5,
                                  4e9,
                                  4.5e15,
                                  1e300,
                                  -1e300,
                                  5e-324,
                                  inf,
                                  -inf,
                                  nan,
                                  -nan,
                                  999999.9999995,
                                  3999999999.9999995};
    // Exact ties at the seventh decimal (multiples of 2^-7 = 0.0078125) and their neighbours.
    for (int k = -300; k <= 300; ++k) {
        const double tie = k / 128.0 + 5420000.0 * (k % 3);
        values.push_back(tie);
        values.push_back(std::nextafter(tie, 1e300));
        values.push_back(std::nextafter(tie, -1e300));
    }
    uint64_t seed = 0x9E3779B97F4A7C15ULL;
    for (int i = 0; i < 200000; ++i) {
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        const double unit = static_cast<double>(seed >> 11) / 9007199254740992.0;
        const int exponent = static_cast<int>(seed % 40) - 20;
        double v = (unit - 0.5) * std::pow(10.0, exponent);
        if (i % 5 == 0) {
            v = std::round(v * 1e7) / 1e7;  // decimal-looking values
        }
        values.push_back(v);
    }
    char fast[kDxfNumberChars];
    char slow[400];
    for (double v : values) {
        const size_t n = FormatDxfNumber(v, fast);
        std::snprintf(slow, sizeof slow, "%lf", v);
        ASSERT_EQ(std::string(fast, n), slow) << std::hexfloat << v;
    }
}

TEST(DxfExport, OnlyCrlfLineEndsAndNoFinalLineEnd) {
    CTAVDoc doc;
    for (int i = 0; i < 3; ++i) {
        doc.AddEntity(MakeText("a\nb\rc", {}));  // would split the record without carets
    }
    const std::string bytes = ExportToString(doc);
    const auto count = [&](const char* what) { return Count(bytes, what); };
    EXPECT_EQ(count("\n"), count("\r\n"));
    EXPECT_EQ(count("\r"), count("\r\n"));
    EXPECT_EQ(bytes.substr(bytes.size() - 5), "\r\nEOF");
    EXPECT_NE(bytes.find("  1\r\na^Jb^Mc\r\n"), std::string::npos);
}

TEST(DxfExport, BrokenLayerIndexGoesToLayerZero) {
    CTAVDoc doc;
    for (int layer : {5, -1}) {
        doc.AddEntity(MakePnt({}));
        doc.GetEntity(doc.GetEntityCount() - 1)->m_layer = layer;
    }
    EXPECT_EQ(Count(ExportToString(doc), "POINT\r\n  8\r\n0\r\n"), 2);
}

TEST(DxfExport, UnwritableTargetKeepsTheOldFile) {
    CTempDir dir;
    const std::string path = dir.File("old.dxf");
    std::ofstream(path) << "old contents";
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    doc.AddEntity(std::make_unique<CPnt>());

    // The folder does not exist.
    EXPECT_FALSE(ExportDxfFile(doc, dir.path + "/missing/new.dxf"));
    ASSERT_EQ(prompter.fileErrors.size(), 1u);
    EXPECT_EQ(prompter.fileErrors[0], dir.path +
                                          "/missing/new.dxf: Can not create the file: No such "
                                          "file or directory.");
    // A "folder" that is a file.
    EXPECT_FALSE(ExportDxfFile(doc, path + "/new.dxf"));
    EXPECT_EQ(prompter.fileErrors.size(), 2u);
    // The target is a folder: everything is written, the rename fails, nothing is left.
    fs::create_directory(dir.path + "/d.dxf");
    EXPECT_FALSE(ExportDxfFile(doc, dir.path + "/d.dxf"));
    ASSERT_EQ(prompter.fileErrors.size(), 3u);
    EXPECT_NE(prompter.fileErrors[2].find("Can not replace the file: "), std::string::npos);
    EXPECT_EQ(dir.FileCount(), 2);
    // Read-only folder (not for root, who may write anywhere).
    if (geteuid() != 0) {
        fs::permissions(dir.path, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(ExportDxfFile(doc, path));
        fs::permissions(dir.path, fs::perms::owner_all);
    }
    EXPECT_EQ(ReadFile(path), "old contents");
    EXPECT_TRUE(prompter.messages.empty());  // no count message after a failure
    EXPECT_EQ(prompter.waitDepth, 0);

    ASSERT_TRUE(ExportDxfFile(doc, path));
    EXPECT_EQ(ReadFile(path).substr(0, 5), "999\r\n");
}

// A drawing large enough to be formatted by several threads: points, polygons, arcs and texts
// on three layers and a broken layer index, in many colours.
void FillLargeDrawing(CTAVDoc& doc, int count) {
    doc.Layers().emplace_back("Druga", 0, 1);
    doc.Layers().emplace_back("Trzecia", 0, 1);
    for (int i = 0; i < count; ++i) {
        const double d = i;
        std::unique_ptr<CEntity> e;
        if (i % 4 == 0) {
            e = MakePoly({{d, 0, 0.5}, {d, 1, 0.5}, {d, 2, 0.5}, {d, 3, 0.5}}, i % 8 == 0);
        } else if (i % 4 == 1) {
            e = MakePnt({d * 0.001, -d, 1e6 + d});
        } else if (i % 4 == 2) {
            e = MakeArc({}, 1.0 + d, 0, i % 3 == 0 ? 360.0 : 90.0);
        } else {
            auto t = std::make_unique<CText>();  // with the zero axis of a new text
            t->m_text = "t" + std::to_string(i);
            e = std::move(t);
        }
        e->m_layer = i % 13 == 0 ? 7 : i % 3;
        e->m_color[0] = (i % 7) / 6.0;
        e->m_color[1] = (i % 5) / 4.0;
        e->m_color[2] = (i % 3) / 2.0;
        doc.AddEntity(std::move(e));
    }
}

TEST(DxfExport, LargeDrawingIsWrittenWholeAndInOrder) {
    CTAVDoc doc;
    FillLargeDrawing(doc, 50001);
    const std::string bytes = ExportToString(doc);
    EXPECT_GT(bytes.size(), 3u << 20);  // several flushes

    // Byte for byte what one writer gives entity after entity.
    CDxfWriter writer;
    const std::vector<std::string> names = DxfLayerNames(doc);
    std::vector<bool> hidden;
    for (int i = 0; i < doc.GetLayerCount(); ++i) {
        hidden.push_back(doc.GetLayer(i).m_visible == 0);
    }
    writer.WriteHeader(names, hidden);
    for (int i = 0; i < doc.GetEntityCount(); ++i) {
        const CEntity& e = *doc.GetEntity(i);
        const std::string layer =
            e.m_layer < doc.GetLayerCount() ? names[static_cast<size_t>(e.m_layer)] : "0";
        e.WriteDxf(writer, layer, NearestAciColor(e.m_color));
    }
    writer.WriteFooter();
    ASSERT_EQ(bytes.size(), writer.Bytes().size());
    EXPECT_TRUE(bytes == writer.Bytes());
}

TEST(DxfExport, FailedWriteOfALargeDrawingKeepsTheOldFile) {
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    FillLargeDrawing(doc, 60000);
    CTempDir dir;
    const std::string path = dir.File("old.dxf");
    std::ofstream(path) << "old contents";

    // Files may not grow past 1 MB: a write in the middle of the export fails.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 1 << 20;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = ExportDxfFile(doc, path);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(ok);
    ASSERT_EQ(prompter.fileErrors.size(), 1u);
    EXPECT_EQ(prompter.fileErrors[0].rfind(path + ": ", 0), 0u) << prompter.fileErrors[0];
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(prompter.waitDepth, 0);
    EXPECT_EQ(ReadFile(path), "old contents");
    EXPECT_EQ(dir.FileCount(), 1);  // no temporary file left behind

    // The same export goes through once files may grow again.
    EXPECT_TRUE(ExportDxfFile(doc, path));
    EXPECT_EQ(ReadFile(path).substr(0, 5), "999\r\n");
}

// ---- layers and own coordinate systems ----

TEST(DxfLayerNames, ValidDistinctNames) {
    const struct {
        std::vector<std::string> in, out;
    } cases[] = {
        {{"Działki", "plain"}, {"Dzia\xB3ki", "plain"}},
        {{"a<b>c/d\\e\"f:g;h?i*j|k=l`m"}, {"a_b_c_d_e_f_g_h_i_j_k_l_m"}},
        {{"", "tab\there", "\x7F", "Жук", "?????ÄÜÖ"},
         {"_", "tab_here", "__2", "___", "_____\xC4\xDC\xD6"}},
        {{"ABC", "abc", "ABC_2", "a?c", "a*c"}, {"ABC", "abc_2", "ABC_2_2", "a_c", "a_c_2"}},
    };
    for (const auto& c : cases) {
        CTAVDoc doc;
        doc.Layers().clear();
        for (const std::string& name : c.in) {
            doc.Layers().push_back(CLayer(name, 0, 1));
        }
        EXPECT_EQ(DxfLayerNames(doc), c.out) << c.in[0];
    }
}

// Arcs and texts on tilted and flipped axes come back where they were, from the points in
// their own systems; the layers come back with their names and visibility.
TEST(DxfExport, RoundTripKeepsPlacesAndLayers) {
    CTAVDoc doc;
    doc.Layers().push_back(CLayer("ukryta?", 0, 0));
    const CVec3 axes[] = {{0, 0, -1}, {0.6, 0, 0.8}, {0.01, 0.01, 1}, {1, 2, 3}, {0, 0, 1}};
    for (const CVec3& axis : axes) {
        auto arc = MakeArc({-650.5, 120.25, 3.0}, 2.5, 30.0, 200.0);
        arc->m_axis = axis;
        arc->m_layer = 1;
        doc.AddEntity(std::move(arc));
        auto text = MakeText("tekst", {100.125, -7.5, 12.0}, 1.5);
        text->m_axis = axis;
        text->m_rotation = 30.0;
        doc.AddEntity(std::move(text));
    }
    CTempDir dir;
    ASSERT_TRUE(ExportDxfFile(doc, dir.File("out.dxf")));
    CRecordingPrompter prompter;
    CTAVDoc back(&prompter);
    ASSERT_EQ(ImportDxfFile(back, dir.File("out.dxf")), EImportResult::Done);
    ASSERT_EQ(back.GetEntityCount(), doc.GetEntityCount());
    for (int i = 0; i < doc.GetEntityCount(); ++i) {
        if (i % 2 == 0) {
            const auto& a = static_cast<const CArc&>(*doc.GetEntity(i));
            const auto& b = static_cast<const CArc&>(*back.GetEntity(i));
            ExpectXyz(b.m_center, a.m_center.x, a.m_center.y, a.m_center.z, 2e-6);
            EXPECT_NEAR(b.m_start, a.m_start, 1e-6);
            EXPECT_EQ(back.GetLayer(b.m_layer).m_name, "ukryta_");
            EXPECT_EQ(back.GetLayer(b.m_layer).m_visible, 0);
        } else {
            const auto& a = static_cast<const CText&>(*doc.GetEntity(i));
            const auto& b = static_cast<const CText&>(*back.GetEntity(i));
            ExpectXyz(b.m_position, a.m_position.x, a.m_position.y, a.m_position.z, 2e-6);
            EXPECT_NEAR(b.m_rotation, 30.0, 1e-9);
        }
    }
}

TEST(DxfExport, ManyLongAndEmptyLayerNames) {
    CTAVDoc doc;
    doc.Layers().clear();
    for (int i = 0; i < 10000; ++i) {
        doc.Layers().push_back(
            CLayer(i % 100 == 0 ? "" : std::string(300, 'x') + std::to_string(i % 7), 0, i % 2));
        auto p = MakePnt({1.0 * i, 0, 0});
        p->m_layer = i;
        doc.AddEntity(std::move(p));
    }
    CTempDir dir;
    ASSERT_TRUE(ExportDxfFile(doc, dir.File("out.dxf")));
    CRecordingPrompter prompter;
    CTAVDoc back(&prompter);
    ASSERT_EQ(ImportDxfFile(back, dir.File("out.dxf")), EImportResult::Done);
    EXPECT_EQ(back.GetLayerCount(), 10001);  // the new drawing's own layer and the file's
    int hidden = 0;
    for (int i = 0; i < back.GetLayerCount(); ++i) {
        hidden += back.GetLayer(i).m_visible == 0;
    }
    EXPECT_EQ(hidden, 5000);
}

// ---- text ----

TEST(EncodeDxfText, CodePageEscapesAndCarets) {
    EXPECT_EQ(EncodeDxfText("plain"), "plain");
    EXPECT_EQ(EncodeDxfText("Łódź"), "\xA3\xF3\x64\x9F");
    EXPECT_EQ(EncodeDxfText("20°C → Ж"),
              "20\xB0"
              "C \\U+2192 \\U+0416");
    EXPECT_EQ(EncodeDxfText("\xF0\x9F\x98\x80"), "\\U+D83D\\U+DE00");  // past U+FFFF
    EXPECT_EQ(EncodeDxfText(std::string("a\0b\nc\r", 6)), "a^@b^Jc^M");
    EXPECT_EQ(EncodeDxfText("tab\tand ^caret"), "tab\tand ^caret");
    EXPECT_EQ(EncodeDxfText("bad \xFF\xC3 end"), "bad ?? end");
    EXPECT_EQ(EncodeDxfText("\xE2\x82"), "??");  // cut-off sequence
}

}  // namespace
