#include "exchange/DxfImport.h"

#include <gtest/gtest.h>

#include "document/Cp1250.h"
#include "document/TAVDoc.h"
#include "exchange/DxfExport.h"
#include "exchange/DxfTestSupport.h"
#include "exchange/DxfText.h"
#include "exchange/ImportCommand.h"
#include "support/RecordingPrompter.h"
#include "support/TempFiles.h"
#include "support/TestEntities.h"

namespace {

const std::string kCount1 = "Liczba odczytanych z pliku DXF obiektow: 1. ";

// ---- kinds ----

TEST(DxfImport, KindsIgnoreCaseAndBlocksCreateNothing) {
    SImport im;
    im.Run(
        "  0\nSECTION\n  2\nblocks\n  0\nBLOCK\n  2\nB1\n  0\nPOINT\n 10\n9\n 20\n9\n 30\n9\n"
        "  0\nENDBLK\n  0\nENDSEC\n  0\nsection\n  2\nEntities\n" +
        Dxf("0|line|10|1|20|2|30|3|11|4|21|5|31|6|0|LINE|11|7|0|Point|0|ENDSEC|0|eof"));
    EXPECT_EQ(im.result, EImportResult::Done);
    // Coordinates an entity leaves out are 0, whatever the entity before had.
    EXPECT_EQ(Describe(im.doc),
              "line [1 2 3, 4 5 6] #1 rgb=1 1 1\n"
              "line [0 0 0, 7 0 0] #2 rgb=1 1 1\n"
              "pnt 0 0 0 #3 rgb=1 1 1\n");
    EXPECT_EQ(im.Texts(), std::vector<std::string>{"Liczba odczytanych z pliku DXF obiektow: 3. "});
}

TEST(DxfImport, NumbersNameAndLayerOfEveryEntity) {
    SImport im;
    im.doc.Layers().push_back(CLayer("WALLS", 0, 1));
    im.doc.Layers().push_back(CLayer("walls", 0, 1));
    im.doc.SetCurrentLayer(0);
    CCounterGuard counter(40);
    im.RunEntities("0|POINT|5|1A|8|walls|0|POINT|8|" + Utf8ToCp1250("Rzędne") + "|0|POINT|8|" +
                   Utf8ToCp1250("RZęDNE") + "|0|POINT|8|  Warstwa 1  |0|POINT|8|warstwa");
    // The first layer of that name in any case (ASCII letters fold only); the handle is the
    // name; a layer's whole name is kept, blanks inside included.
    EXPECT_EQ(Describe(im.doc),
              "pnt 0 0 0 L1 #41 name=1A rgb=1 1 1\n"
              "pnt 0 0 0 L3 #42 rgb=1 1 1\n"
              "pnt 0 0 0 L3 #43 rgb=1 1 1\n"
              "pnt 0 0 0 L4 #44 rgb=1 1 1\n"
              "pnt 0 0 0 L5 #45 rgb=1 1 1\n");
    EXPECT_EQ(DescribeLayers(im.doc), "Warstwa1; WALLS; walls; Rzędne; Warstwa 1; warstwa");
    // Without a layer name the current layer.
    SImport other;
    other.doc.Layers().push_back(CLayer("Druga", 0, 1));
    other.doc.SetCurrentLayer(1);
    other.RunEntities("0|POINT");
    EXPECT_EQ(Describe(other.doc), "pnt 0 0 0 L1 #1 rgb=1 1 1\n");
    EXPECT_EQ(other.doc.GetLayerCount(), 2);
}

TEST(DxfImport, ColoursFromThePaletteOrWhite) {
    const std::pair<const char*, const char*> cases[] = {
        {nullptr, "1 1 1"},
        {"1", "1 0 0"},
        {"   +5", "0 0 1"},
        {"0", "1 1 1"},
        {"256", "1 1 1"},
        {"-3", "1 1 1"},
        {"2147483647", "1 1 1"},
        {"250", "0.32941176470588235 0.32941176470588235 0.32941176470588235"}};
    for (const auto& [value, rgb] : cases) {
        SCOPED_TRACE(value ? value : "none");
        SImport im;
        im.RunEntities(value ? std::string("0|POINT|62|") + value + "|0|POINT" : "0|POINT|0|POINT");
        // The number is reset after an entity.
        EXPECT_EQ(Describe(im.doc),
                  "pnt 0 0 0 #1 rgb=" + std::string(rgb) + "\npnt 0 0 0 #2 rgb=1 1 1\n");
    }
}

// ---- arcs, circles, texts ----

TEST(DxfImport, ArcsAndCircles) {
    SImport im;
    // The third arc has no start angle: it was reset to 0. The size (code 40) never is.
    im.RunEntities(
        "0|ARC|10|1|20|2|30|3|40|4|50|300|51|60|0|ARC|50|10|51|10|0|ARC|51|90|"
        "0|CIRCLE|50|45|40|2.5");
    EXPECT_EQ(Describe(im.doc),
              "arc c=1 2 3 r=4 300+120 #1 rgb=1 1 1\n"
              "arc c=0 0 0 r=4 10+0 #2 rgb=1 1 1\n"
              "arc c=0 0 0 r=4 0+90 #3 rgb=1 1 1\n"
              "arc c=0 0 0 r=2.5 0+360 #4 rgb=1 1 1\n");
}

// Centres and insertion points are in the entity's own coordinate system: with extrusion
// (0, 0, -1) its X axis is the world's -X. This program's own files have always stored centres
// as world coordinates.
TEST(DxfImport, MirroredArcsAndTextsLandWhereTheyAre) {
    const std::string arc = "0|ARC|10|10|20|5|30|2|40|3|50|0|51|90|210|0|220|0|230|-1";
    SImport im;
    // The extrusion is back to +Z for the circle after the text; its radius is the text's size.
    im.RunEntities(arc + "|0|TEXT|10|4|20|1|30|0|40|2|1|Tekst|210|0|220|0|230|-1|0|CIRCLE|10|4");
    EXPECT_EQ(Describe(im.doc),
              "arc c=-10 5 -2 r=3 0+90 axis=0 0 -1 #1 rgb=1 1 1\n"
              "text \"Tekst\" at=-4 1 0 h=2 axis=0 0 -1 font=3 #2 rgb=1 1 1\n"
              "arc c=4 0 0 r=2 0+360 #3 rgb=1 1 1\n");
    CPoint3 start, end;
    ASSERT_EQ(im.At<CArc>(0).GetStartPoint(start), 1);
    ASSERT_EQ(im.At<CArc>(0).GetEndPoint(end), 1);
    EXPECT_EQ(Xyz(start, 9) + ", " + Xyz(end, 9),
              "-13 5 -2, -10 8 -2");  // OCS (13, 5, 2), (10, 8, 2)

    SImport own;
    own.Run("999\nTAV Document ver. 2.1.1\n" + Entities(Dxf(arc)));
    EXPECT_EQ(Describe(own.doc), "arc c=10 5 2 r=3 0+90 axis=0 0 -1 #1 rgb=1 1 1\n");
}

TEST(DxfImport, TextsAndAttributes) {
    SImport im;
    im.RunEntities(
        "0|TEXT|10|1|20|2|30|0|40|0.5|1|  Działka 12/3  |50|30|7|STANDARD|0|INSERT|2|BLK|"
        "66|1|0|ATTRIB|1|wartość|2|TAG|0|SEQEND|0|ATTDEF|1|");
    // The whole value line, blanks included; the file is Windows-1250 but this test wrote UTF-8
    // bytes, which are read as Windows-1250 characters. The attribute without its own height
    // takes the one before (size is never reset); its rotation was reset after the INSERT.
    EXPECT_EQ(Describe(im.doc), "text \"" + Cp1250ToUtf8("  Działka 12/3  ") +
                                    "\" at=1 2 0 h=0.5 axis=0 0 1 rot=30 font=3 #1 rgb=1 1 1\n"
                                    "text \"" +
                                    Cp1250ToUtf8("wartość") +
                                    "\" at=0 0 0 h=0.5 axis=0 0 1 font=3 #2 rgb=1 1 1\n"
                                    "text \"\" at=0 0 0 h=0.5 axis=0 0 1 font=3 #3 rgb=1 1 1\n");
}

// ---- polylines ----

TEST(DxfImport, LightweightPolylines) {
    SImport im;
    // Closed with a bulge; mirrored and open; closed without vertices.
    im.RunEntities(
        "0|LWPOLYLINE|90|4|70|1|38|5|10|0|20|0|10|1|20|0|42|0.5|10|1|20|1|10|0|20|1|"
        "0|LWPOLYLINE|38|2|10|3|20|4|10|5|20|6|210|0|220|0|230|-1|0|LWPOLYLINE|70|1");
    ASSERT_EQ(im.doc.GetEntityCount(), 3);
    const CPoly& p = im.At<CPoly>(0);
    EXPECT_EQ(p.m_closed, 0);
    // The bulge makes an arc between the second and third corners (its points: the curves'
    // tests); the corners themselves are kept and the outline closes on the first.
    const int n = p.GetVertexCount();
    ASSERT_GT(n, 6);
    ExpectXyz(p[0], 0, 0, 5);
    ExpectXyz(p[1], 1, 0, 5);
    ExpectXyz(p[n - 3], 1, 1, 5);
    ExpectXyz(p[n - 2], 0, 1, 5);
    ExpectXyz(p[n - 1], 0, 0, 5);
    EXPECT_EQ(Describe(*im.doc.GetEntity(1), 9) + "; " + Describe(*im.doc.GetEntity(2)),
              "line [-3 4 -2, -5 6 -2] #2 rgb=1 1 1; line [] #3 rgb=1 1 1");
}

const std::string kVertices =
    "0|VERTEX|10|0|20|0|30|1|70|32|0|VERTEX|10|2|20|0|30|1|"
    "0|VERTEX|10|2|20|2|30|1|0|SEQEND";

TEST(DxfImport, PolylinesWithVertices) {
    SImport im;
    im.RunEntities("0|POLYLINE|66|1|62|3|70|8|" + kVertices + "|0|POLYLINE|70|9|" + kVertices +
                   "|0|POLYLINE|70|1|0|SEQEND");
    // The closed bit repeats the first vertex; the entity stays a polyline.
    EXPECT_EQ(Describe(im.doc),
              "line [0 0 1, 2 0 1, 2 2 1] #1 rgb=0 1 0\n"
              "line [0 0 1, 2 0 1, 2 2 1, 0 0 1] #2 rgb=1 1 1\n"
              "line [] #3 rgb=1 1 1\n");
    EXPECT_EQ(im.Texts().back(), "Liczba odczytanych z pliku DXF obiektow: 3. ");
}

// A 2D polyline lies in the plane of its extrusion at the height its header gives; a 3D one
// has world vertices; without code 30 in the header the vertices keep their own heights,
// raised by the elevation.
TEST(DxfImport, FlatPolylinesUseTheirOwnPlane) {
    const std::string vertices = "|0|VERTEX|10|1|20|2|30|0|0|VERTEX|10|3|20|4|30|0|0|SEQEND|";
    const auto mirrored = [](const char* flags) {
        return "0|POLYLINE|10|0|20|0|30|7.5|70|" + std::string(flags) + "|210|0|220|0|230|-1";
    };
    SImport im;
    im.RunEntities(mirrored("0") + vertices + mirrored("8") + vertices + "0|POLYLINE|38|2" +
                   vertices.substr(0, vertices.size() - 1));
    EXPECT_EQ(Describe(im.doc, 9),
              "line [-1 2 -7.5, -3 4 -7.5] #1 rgb=1 1 1\n"
              "line [1 2 0, 3 4 0] #2 rgb=1 1 1\n"
              "line [1 2 2, 3 4 2] #3 rgb=1 1 1\n");
}

TEST(DxfImport, StrayEndsMissingEndsAndFaceRecords) {
    SImport im;
    // A SEQEND without polyline leaves the text; a VERTEX without one is read over; the
    // polyline's SEQEND never comes.
    im.RunEntities(
        "0|TEXT|1|t|0|SEQEND|0|VERTEX|10|9|0|POLYLINE|70|1|0|VERTEX|10|1|20|1|30|0|"
        "0|VERTEX|10|2|0|LWPOLYLINE|10|5|20|5|0|SEQEND");
    EXPECT_EQ(Describe(im.doc),
              "text \"t\" at=0 0 0 h=0 axis=0 0 1 font=3 #1 rgb=1 1 1\n"
              "line [1 1 0, 2 0 0, 1 1 0] #2 rgb=1 1 1\n"
              "line [5 5 0] #3 rgb=1 1 1\n");

    // The face records of a polyface mesh are not vertices.
    SImport mesh;
    mesh.RunEntities(
        "0|POLYLINE|70|64|0|VERTEX|10|1|20|1|30|1|70|192|"
        "0|VERTEX|10|0|20|0|30|0|70|128|71|1|0|SEQEND");
    EXPECT_EQ(Describe(mesh.doc), "line [1 1 1] #1 rgb=1 1 1\n");
}

TEST(DxfImport, FacesWithThreeOrFourCorners) {
    SImport im;
    const auto face = [](const char* x4) {
        return "0|3DFACE|10|0|20|0|30|0|11|1|21|0|31|0|12|1|22|1|32|0|13|" + std::string(x4) +
               "|23|1|33|0|";
    };
    std::string faces = face("1") + face("1.000000001") + face("1.00000002") + face("0");
    faces.pop_back();
    im.RunEntities(faces);
    EXPECT_EQ(Describe(im.doc, 12),
              "polygon [0 0 0, 1 0 0, 1 1 0] planar n=0 0 1 tess fan=1 #1 rgb=1 1 1\n"
              "polygon [0 0 0, 1 0 0, 1 1 0] planar n=0 0 1 tess fan=1 #2 rgb=1 1 1\n"
              "polygon [0 0 0, 1 0 0, 1 1 0, 1.00000002 1 0] planar n=0 0 1 tess #3 rgb=1 1 1\n"
              "polygon [0 0 0, 1 0 0, 1 1 0, 0 1 0] planar n=0 0 1 tess fan=1 #4 rgb=1 1 1\n");
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(im.At<CPoly>(i).FillPrimitives().empty()) << i;
    }
}

// ---- state between entities ----

TEST(DxfImport, NothingLeaksFromIgnoredEntities) {
    SImport im;
    // MTEXT and DIMENSION have no kind of their own.
    im.RunEntities(
        "0|MTEXT|62|1|50|33|210|0|220|0|230|-1|0|CIRCLE|10|1|40|1|0|DIMENSION|62|2|0|TEXT");
    EXPECT_EQ(Describe(im.doc),
              "arc c=1 0 0 r=1 0+360 #1 rgb=1 1 1\n"
              "text \"\" at=0 0 0 h=1 axis=0 0 1 font=3 #2 rgb=1 1 1\n");

    // A second ENTITIES section does not repeat the last entity.
    SImport two;
    two.Run(
        "  0\nSECTION\n  2\nENTITIES\n  0\nPOINT\n 10\n1\n  0\nENDSEC\n"
        "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n 11\n2\n  0\nENDSEC\n  0\nEOF\n");
    EXPECT_EQ(Describe(two.doc), "pnt 1 0 0 #1 rgb=1 1 1\nline [0 0 0, 2 0 0] #2 rgb=1 1 1\n");

    // A word that cannot be read ends the entity once; its record's value stays there.
    SImport word;
    word.RunEntities("0|POINT|10|1|0||10|2|0|POINT");
    EXPECT_EQ(Describe(word.doc), "pnt 1 0 0 #1 rgb=1 1 1\npnt 0 0 0 #2 rgb=1 1 1\n");
    EXPECT_EQ(word.Texts()[0], "Line: 10. \nCan not read string value!");
}

// ---- what ends an import ----

TEST(DxfImport, WhatEndsAnImport) {
    SImport header;
    header.Run(
        "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1009\n 9\n$EXTMIN\n 10\n0\n"
        " 20\n0\n 30\n0\n  0\nENDSEC\n  0\nEOF\n");
    EXPECT_EQ(header.result, EImportResult::Done);
    EXPECT_EQ(header.doc.GetEntityCount(), 0);
    EXPECT_TRUE(header.prompter.messages.empty());

    // A layer named EOF stops reading.
    SImport eof;
    eof.RunEntities("0|POINT|8|A|0|POINT|8|eof|10|1|0|POINT|8|B|0|POINT");
    EXPECT_EQ(Describe(eof.doc), "pnt 0 0 0 L1 #1 rgb=1 1 1\n");
    EXPECT_EQ(DescribeLayers(eof.doc), "Warstwa1; A");

    // A cut-off file keeps what was finished and says where it ended; it is no whole drawing.
    const std::pair<std::string, int> tails[] = {
        {"", 12}, {" 10\n", 13}, {" 10\n5", 14}, {"  0\n", 13}};
    for (const auto& [tail, line] : tails) {
        SImport im;
        im.Run("  0\nSECTION\n  2\nENTITIES\n  0\nPOINT\n 10\n1\n  0\nPOINT\n 10\n2\n" + tail);
        EXPECT_EQ(im.result, EImportResult::Refused);
        EXPECT_EQ(Describe(im.doc), "pnt 1 0 0 #1 rgb=1 1 1\n") << tail;
        EXPECT_EQ(im.Texts().back(),
                  "Line: " + std::to_string(line) +
                      ". \nThe file ends here, before its end of file record: "
                      "the drawing is incomplete. What was read before is kept.");
    }
}

TEST(DxfImport, CrlfAndLfReadAlike) {
    const std::string lf = Entities(Dxf("0|TEXT|1|abc |8|L 1|10|1.5"));
    std::string crlf;
    for (char c : lf) {
        crlf += c == '\n' ? "\r\n" : std::string(1, c);
    }
    for (const std::string& text : {lf, crlf}) {
        SImport im;
        im.Run(text);
        EXPECT_EQ(Describe(im.doc),
                  "text \"abc \" at=1.5 0 0 h=0 axis=0 0 1 font=3 L1 #1 rgb=1 1 1\n");
        EXPECT_EQ(im.LayerOf(0), "L 1");
    }
}

// ---- bad lines ----

TEST(DxfImport, BadLinesAreReportedAndReadingGoesOn) {
    SImport im;
    im.Run(
        "  0\nSECTION\n  2\nENTITIES\n"  // lines 1-4
        "  0\nPOINT\n"                   // 5-6
        "x10\n"                          // 7: not a group code
        " 10\n"                          // 8: taken as the next group code line
        "1.5e1\n"                        // 9
        " 20\n"                          // 10
        "abc\n"                          // 11: keeps the previous Y
        " 62\n"                          // 12
        "1.5\n"                          // 13: "%d" reads 1
        " 70\n"                          // 14
        "\n"                             // 15: no integer
        "  8\n"                          // 16
        "   \n"                          // 17: no name
        " 41\n"                          // 18
        "?\n"                            // 19: unused, but still checked
        " 30\n"                          // 20
        "nan\n"                          // 21: refused, not a number to draw
        "  0\nPOINT\n"                   // 22-23
        " 20\n"
        " +2.5 rest\n"
        "  0\nENDSEC\n  0\nEOF\n");
    EXPECT_EQ(Describe(im.doc), "pnt 15 0 0 #1 rgb=1 0 0\npnt 0 2.5 0 #2 rgb=1 1 1\n");
    EXPECT_EQ(im.Texts(), (std::vector<std::string>{
                              "Line: 7. \nGroup code expected. Continue reding.",
                              "Line: 11. \nCan not read floating-point value!",
                              "Line: 15. \nCan not read integer value!",
                              "Line: 17. \nCan not read string value!",
                              "Line: 19. \nCan not read floating-point value!",
                              "Line: 21. \nCan not read floating-point value!",
                              "Liczba odczytanych z pliku DXF obiektow: 2. ",
                          }));
    // Blank names in tables and objects (plot styles of every newer file) are valid and unused.
    SImport quiet;
    quiet.Run(
        "  0\nSECTION\n  2\nOBJECTS\n  0\nPLOTSETTINGS\n  5\n\n  6\n\n  7\n\n  8\n\n"
        "  0\nENDSEC\n  0\nEOF\n");
    EXPECT_TRUE(quiet.prompter.messages.empty());
}

TEST(DxfImport, ManyBadLinesShowTenMessagesThenACount) {
    SImport im;
    std::string body = "  0\nPOINT\n";
    for (int i = 0; i < 25; ++i) {
        body += " 10\nbad\n";
    }
    im.Run(Entities(body));
    const auto texts = im.Texts();
    ASSERT_EQ(texts.size(), 12u);
    EXPECT_EQ(texts[0], "Line: 8. \nCan not read floating-point value!");
    EXPECT_EQ(texts[9], "Line: 26. \nCan not read floating-point value!");
    EXPECT_EQ(texts[10], "Pominięto komunikaty o kolejnych błędnych wierszach pliku: 15.");
    EXPECT_EQ(texts[11], kCount1);
}

TEST(DxfImport, BinaryJunkNulsAndOverLongValues) {
    std::string junk;
    uint32_t seed = 12345;
    for (int i = 0; i < 200000; ++i) {
        seed = seed * 1103515245 + 12345;
        junk += static_cast<char>(seed >> 24);
    }
    SImport a;
    a.Run(junk);
    // Junk has no EOF record: incomplete, with its line messages and the word where it ended.
    EXPECT_EQ(a.result, EImportResult::Refused);
    EXPECT_LE(a.prompter.messages.size(), 12u);

    // A NUL ends a value as it ends a C string; a 3 MB line is cut, not held.
    SImport b;
    const char head[] = " 0\nPOINT\n 10\n7\0x\n  1\n";
    b.Run(
        Entities(std::string(head, sizeof head - 1) + std::string(3 << 20, 'A') + "\n  0\nTEXT\n"));
    EXPECT_EQ(Describe(b.doc), "pnt 7 0 0 #1 rgb=1 1 1\ntext \"" + std::string(511, 'A') +
                                   "\" at=0 0 0 h=0 axis=0 0 1 font=3 #2 rgb=1 1 1\n");
    EXPECT_EQ(b.prompter.messages.size(), 1u);

    SImport c;
    c.RunEntities("0|TEXT|5|" + std::string(300, 'F') + "|8|" + std::string(600, 'L') + "|1|" +
                  std::string(510, 'x') + "ąą");
    ASSERT_EQ(c.doc.GetEntityCount(), 1);
    EXPECT_EQ(c.doc.GetEntity(0)->m_name, std::string(255, 'F'));
    EXPECT_EQ(c.LayerOf(0), std::string(511, 'L'));
    // 511 bytes of the (Windows-1250) file: the first byte of "ą" in UTF-8 is read as "Ä".
    EXPECT_EQ(c.At<CText>(0).m_text, std::string(510, 'x') + "Ä");
}

// ---- encodings ----

TEST(DxfImport, TextsFollowTheFilesEncoding) {
    const std::string polish1250 = "Za\xBF\xF3\xB3\xE6";  // "Zażółć" in Windows-1250
    const std::string r2000 = "  9\n$ACADVER\n  1\nAC1015\n";
    const std::string cp1252 = "  9\n$DWGCODEPAGE\n  3\nANSI_1252\n";
    const struct {
        const char* name;
        std::string header, value, text;
    } cases[] = {
        {"NoHeaderIsWindows1250", "", polish1250, "Zażółć"},
        {"R12Is1250", "  9\n$ACADVER\n  1\nAC1009\n", polish1250, "Zażółć"},
        {"R2007IsUtf8", "  9\n$ACADVER\n  1\nAC1021\n" + cp1252, "Zażółć", "Zażółć"},
        {"Utf8WithABadByte", "  9\n$ACADVER\n  1\nAC1032\n",
         "a\xFF"
         "b",
         "a?b"},
        {"CodePage1252", r2000 + cp1252, "caf\xE9 \xBF", "café ¿"},
        {"Dos852", "  9\n$DWGCODEPAGE\n  3\ndos852\n", "\xA5", "ą"},
        {"UnknownCodePageKeeps1250", "  9\n$DWGCODEPAGE\n  3\nANSI_99999\n", polish1250, "Zażółć"},
        {"ByteOrderMarkIsUtf8", r2000, "Zażółć", "Zażółć"},
        {"Escapes", "", "\\U+0416\\u+0105 \\U+D83D\\U+DE00 \\U+DE00 \\U+12 \\U+0000",
         "Жą 😀 ? \\U+12 ?"},
    };
    for (const auto& c : cases) {
        SImport im;
        const std::string bom = std::string(c.name) == "ByteOrderMarkIsUtf8" ? "\xEF\xBB\xBF" : "";
        im.Run(bom + "  0\nSECTION\n  2\nHEADER\n" + c.header + "  0\nENDSEC\n" +
               Entities(Dxf("0|TEXT|8|" + c.value + "|1|" + c.value)));
        ASSERT_EQ(im.doc.GetEntityCount(), 1) << c.name;
        EXPECT_EQ(im.At<CText>(0).m_text, c.text) << c.name;
        EXPECT_EQ(im.LayerOf(0), c.text) << c.name;
        EXPECT_EQ(im.Texts().size(), 1u) << c.name;  // the count only
    }
}

TEST(DxfTextDecoder, VersionsAndCodePages) {
    CDxfTextDecoder d;
    EXPECT_FALSE(d.IsUtf8());
    EXPECT_EQ(d.CodePage(), "CP1250");
    d.SetVersion("AC1018");
    EXPECT_FALSE(d.IsUtf8());
    d.SetVersion(" AC1024 ");
    EXPECT_TRUE(d.IsUtf8());
    d.SetVersion("ACX");
    EXPECT_TRUE(d.IsUtf8());  // not a version: nothing changes
    d.SetVersion("AC1009");
    EXPECT_TRUE(d.IsUtf8());  // an earlier version does not undo UTF-8
    CDxfTextDecoder e;
    e.SetCodePage("ISO8859-2");
    EXPECT_EQ(e.CodePage(), "ISO-8859-2");
    EXPECT_EQ(e.Decode("\xB1"), "ą");
    e.SetCodePage("ansi_1250");
    EXPECT_EQ(e.CodePage(), "CP1250");
    EXPECT_EQ(e.Decode("\xB9"), "ą");
    e.SetCodePage("ANSI_932");
    EXPECT_EQ(e.Decode("\x82\xA0 \x82"), "あ ?");  // a cut-off double-byte character
}

// ---- export and back ----

TEST(DxfRoundTrip, EveryKindKeepsGeometryLayersAndColours) {
    CCounterGuard counter;
    CTAVDoc src;
    // In the order the import makes them.
    src.Layers().push_back(CLayer("OSNOWA", 0, 1));
    src.Layers().push_back(CLayer("Działki ewid.", 0, 1));
    int n = 0;
    const auto aci = [&n](auto e, int number, int layer) {
        const auto& c = AciPalette[static_cast<size_t>(number)];
        e->m_layer = layer;
        e->m_number = ++n;  // as the import numbers them
        return Colored(std::move(e), c[0], c[1], c[2]);
    };
    src.AddEntity(aci(MakePnt({5420000.123456, 6310000.654321, 101.25}), 1, 1));
    src.AddEntity(aci(MakePoly({{0, 0, 0}, {1, 2, 3}, {-4, 5, -6}}), 33, 2));
    src.AddEntity(aci(MakePoly({{0, 0, 2}, {4, 0, 2}, {4, 3, 2}}, 1), 250, 0));
    auto arc = MakeArc({3, 4, 5}, 2, 300, 120);
    arc->m_axis = CVec3(0, 0, -1);
    src.AddEntity(aci(std::move(arc), 5, 0));
    src.AddEntity(aci(MakeArc({-3, 4, 5}, 0.5), 7, 0));
    auto text = MakeText("Zażółć → 1°", {7, 8, 9}, 1.25);
    text->m_axis = CVec3(1, 0, 0);
    text->m_rotation = 90;
    src.AddEntity(aci(std::move(text), 200, 2));

    CTempDir dir;
    ASSERT_TRUE(ExportDxfFile(src, dir.File("rt.dxf")));
    CRecordingPrompter prompter;
    CTAVDoc dst(&prompter);
    EXPECT_EQ(ImportDxfFile(dst, dir.File("rt.dxf")), EImportResult::Done);
    EXPECT_EQ(prompter.messages.size(), 1u);  // the count only

    // "Warstwa1" matched, the other two made; a polygon comes back as a polyline with its
    // whole outline, a text in the DXF font.
    EXPECT_EQ(DescribeLayers(dst), "Warstwa1; OSNOWA; Działki ewid.");
    auto& polygon = dynamic_cast<CPoly&>(*src.GetEntity(2));
    polygon.m_closed = 0;
    polygon.AddVertex(polygon[0]);
    dynamic_cast<CText&>(*src.GetEntity(5)).m_font = 3;
    EXPECT_EQ(Describe(dst), Describe(src));
}

}  // namespace
