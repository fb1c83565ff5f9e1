#include "exchange/PymImport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>

#include "document/Archive.h"
#include "exchange/ImportCommand.h"
#include "exchange/ReaderTestUtil.h"

using C = Coords3;

namespace {

// Writes the sibling format byte by byte: five header values, the layers, then the four entity
// groups of old-format records (no reserved value, no closed flag, no type codes).
class CPymBytes {
public:
    CPymBytes() {
        for (uint32_t v : {2u, 0u, 1u, 0u, 7u}) {
            m_ar.WriteU32(v);
        }
    }
    CPymBytes& Layers(const std::vector<std::string>& names) {
        m_ar.WriteCount(names.size());
        for (const std::string& n : names) {
            m_ar.WriteU32(0);
            m_ar.WriteU32(1);
            m_ar.WriteString(n);
        }
        return *this;
    }
    CPymBytes& Count(uint64_t n) {
        m_ar.WriteCount(n);
        return *this;
    }
    // Entity base: attribute data root, layer, number, name, colour.
    CPymBytes& Base(int32_t layer, int32_t number, const std::string& name,
                    const std::string& data = "") {
        m_ar.WriteU16(0);  // no child nodes
        m_ar.WriteString(data);
        m_ar.WriteU32(20);
        m_ar.WriteU8(3);
        m_ar.WriteU8(1);
        m_ar.WriteU32(0);
        m_ar.WriteU32(0);
        m_ar.WriteI32(layer);
        m_ar.WriteI32(number);
        m_ar.WriteString(name);
        for (double c : {0.25, 0.5, 0.75}) {
            m_ar.WriteF64(c);
        }
        return *this;
    }
    CPymBytes& Poly(int32_t layer, int32_t number, const std::string& name, const C& vertices) {
        Base(layer, number, name);
        m_ar.WriteU32(static_cast<uint32_t>(vertices.size()));
        for (const auto& v : vertices) {
            m_ar.WritePoint3(CPoint3(v[0], v[1], v[2]));
            m_ar.WriteU32(5);
        }
        return *this;
    }
    CPymBytes& Text(int32_t layer, int32_t number, const std::string& text) {
        Base(layer, number, "t", "działka 7");
        m_ar.WritePoint3(CPoint3(1, 2, 3));
        m_ar.WriteVec3(CVec3(0, 0, 1));
        m_ar.WriteF64(30.0);
        m_ar.WriteF64(2.5);
        m_ar.WriteU32(2);
        m_ar.WriteString(text);
        return *this;
    }
    CPymBytes& Arc(int32_t layer, int32_t number) {
        Base(layer, number, "a");
        m_ar.WritePoint3(CPoint3(4, 5, 6));
        m_ar.WriteVec3(CVec3(0, 1, 0));
        for (double v : {2.0, 45.0, 90.0}) {
            m_ar.WriteF64(v);
        }
        return *this;
    }
    CPymBytes& U32(uint32_t v) {
        m_ar.WriteU32(v);
        return *this;
    }
    std::vector<uint8_t> Bytes() { return m_ar.Buffer(); }

private:
    CArchive m_ar;
};

const C kSquare{{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}};
const C kLine{{1, 1, 1}, {2, 2, 2}};

// Two layers; a polygon, a polyline, a text and an arc, on file layers 0, 1, 1, 0.
std::vector<uint8_t> SmallFile() {
    return CPymBytes()
        .Layers({"Warstwa1", "Kadłub"})
        .Count(1)
        .Poly(0, 7, "plate", kSquare)
        .Count(1)
        .Poly(1, 7, "line", kLine)
        .Count(1)
        .Text(1, 3, "Tekst ąę")
        .Count(1)
        .Arc(0, INT_MAX)
        .Bytes();
}

EImportResult Import(CTAVDoc& doc, const std::vector<uint8_t>& bytes) {
    return ImportPymData(doc, bytes, "in.pym");
}

// The number of fill primitives of a polyline or polygon, -1 for other kinds.
int PolyFill(const CTAVDoc& doc, int i) {
    const auto* p = dynamic_cast<const CPoly*>(doc.GetEntity(i));
    return p ? static_cast<int>(p->FillPrimitives().size()) : -1;
}

TEST(PymImportTest, LayersEntitiesAndFreshNumbers) {
    CCounterGuard counter(50);
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    doc.Layers().emplace_back("B", 0, 1);
    doc.Layers().emplace_back("C", 1, 0);
    doc.SetCurrentLayer(2);
    ASSERT_EQ(Import(doc, SmallFile()), EImportResult::Done);
    EXPECT_TRUE(prompter.fileErrors.empty());

    // The clashing name gets " import"; the layers follow the document's three. Fresh numbers;
    // the file's own (up to INT_MAX) do not move the counter.
    EXPECT_EQ(DescribeLayers(doc), "Warstwa1; B; C locked hidden; Warstwa1 import; Kadłub");
    EXPECT_EQ(doc.GetCurrentLayer(), 2);
    const std::string rgb = " rgb=0.25 0.5 0.75";
    EXPECT_EQ(Describe(doc),
              "polygon [0 0 0 f5, 4 0 0 f5, 4 4 0 f5, 0 4 0 f5] planar n=0 0 1 tess fan=1 L3 #51 "
              "name=plate" +
                  rgb + "\nline [1 1 1 f5, 2 2 2 f5] L4 #52 name=line" + rgb +
                  "\ntext \"Tekst ąę\" at=1 2 3 h=2.5 axis=0 0 1 rot=30 font=2 L4 #53 name=t" +
                  rgb + " data=\"działka 7\"\narc c=4 5 6 r=2 45+90 axis=0 1 0 L3 #54 name=a" +
                  rgb + "\n");
    EXPECT_FALSE(PolyAt(doc, 0).FillPrimitives().empty());
    EXPECT_TRUE(PolyAt(doc, 1).FillPrimitives().empty());
    EXPECT_EQ(GetLastEntityNumber(), 54);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_GE(doc.GetMaxCorner().x, 6.0);  // extents recomputed: the arc reaches x = 6
}

TEST(PymImportTest, EveryMatchLengthensTheName) {
    CCounterGuard counter;
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    doc.Layers()[0].m_name = "A";
    doc.Layers().emplace_back("A import", 0, 1);
    doc.Layers().emplace_back("a", 0, 1);  // case counts
    const auto bytes =
        CPymBytes().Layers({"A", "a import", "Z"}).Count(0).Count(0).Count(0).Count(0).Bytes();
    ASSERT_EQ(Import(doc, bytes), EImportResult::Done);
    EXPECT_EQ(DescribeLayers(doc), "A; A import; a; A import import; a import; Z");
    // The comparison goes through the document's layers once, in order: a name lengthened into
    // one that an earlier layer has keeps that clash.
    CTAVDoc other(&prompter);
    other.Layers()[0].m_name = "A import";
    other.Layers().emplace_back("A", 0, 1);
    ASSERT_EQ(Import(other, bytes), EImportResult::Done);
    EXPECT_EQ(DescribeLayers(other), "A import; A; A import; a import; Z");
}

TEST(PymImportTest, DamageIsReportedAndWhatWasAppendedStays) {
    const struct {
        std::vector<uint8_t> bytes;
        std::string reason;  // part of the reported text
        int layers;          // the document's layer count afterwards
        int entities;
    } cases[] = {
        {CPymBytes()
             .Layers({"L0", "L1"})
             .Count(1)
             .Poly(1, 1, "ok", kSquare)
             .Count(1)
             .Poly(2, 2, "bad", kLine)
             .Bytes(),
         "Entity 2 of the file refers to layer 2, which the file does not define.", 3, 1},
        {CPymBytes().Layers({"L0"}).Count(0).Count(0).Count(0).Count(1).Arc(-2, 1).Bytes(),
         "Entity 1 of the file refers to layer -2", 2, 0},
        {CPymBytes().Count(0xFFFFFFFFu).Bytes(), "Layer count 4294967295", 1, 0},
        {CPymBytes().Layers({"L0"}).Count(100000).Poly(0, 1, "p", kSquare).Bytes(),
         "Entity count 100000", 2, 0},
        {CPymBytes().Layers({"L0"}).Count(1).Base(0, 1, "p").U32(1000000).Bytes(),
         "vertex count 1000000", 2, 0},
        {CPymBytes().Bytes(), "Unexpected end of file", 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        CCounterGuard counter;
        CRecordingPrompter prompter;
        CTAVDoc doc(&prompter);
        EXPECT_EQ(Import(doc, c.bytes), EImportResult::Refused);
        ASSERT_EQ(prompter.fileErrors.size(), 1u);
        EXPECT_EQ(prompter.fileErrors[0].rfind("in.pym: ", 0), 0u);
        EXPECT_NE(prompter.fileErrors[0].find(c.reason), std::string::npos)
            << prompter.fileErrors[0];
        EXPECT_EQ(doc.GetLayerCount(), c.layers);
        EXPECT_EQ(doc.GetEntityCount(), c.entities);
        // Whatever was appended is shown and marked as a change.
        EXPECT_EQ(doc.IsModified(), c.layers > 1);
        EXPECT_EQ(prompter.waitDepth, 0);
    }
}

TEST(PymImportTest, TruncatedAtEveryOffset) {
    const std::vector<uint8_t> full = SmallFile();
    CCounterGuard counter;
    CRecordingPrompter fullPrompter;
    CTAVDoc reference(&fullPrompter);
    ASSERT_EQ(Import(reference, full), EImportResult::Done);
    for (size_t n = 0; n < full.size(); ++n) {
        CCounterGuard numbersAgain;
        CRecordingPrompter prompter;
        CTAVDoc doc(&prompter);
        const std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<ptrdiff_t>(n));
        ASSERT_EQ(Import(doc, cut), EImportResult::Refused) << n;
        EXPECT_EQ(prompter.fileErrors.size(), 1u) << n;
        EXPECT_TRUE(doc.GetLayerCount() == 1 || doc.GetLayerCount() == 3) << n;
        ASSERT_LT(doc.GetEntityCount(), 4) << n;
        // Only whole entities stay: each equals its counterpart of the full import.
        for (int i = 0; i < doc.GetEntityCount(); ++i) {
            EXPECT_EQ(Describe(*doc.GetEntity(i)), Describe(*reference.GetEntity(i))) << n;
            EXPECT_EQ(PolyFill(doc, i), PolyFill(reference, i)) << n;
        }
        EXPECT_EQ(doc.IsModified(), doc.GetLayerCount() > 1) << n;
    }
}

TEST(PymImportTest, FifoDirectoryAndASecondImport) {
    CCounterGuard counter;
    CRecordingPrompter prompter;
    CTAVDoc doc(&prompter);
    CTempDir dir;
    EXPECT_EQ(ImportPymFile(doc, dir.path), EImportResult::OpenFailed);
    ASSERT_EQ(prompter.fileErrors.size(), 1u);
    EXPECT_EQ(prompter.fileErrors[0], dir.path + ": Can not open the file: Is a directory.");
    // A FIFO without a writer is refused at once instead of waiting.
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    EXPECT_EQ(ImportPymFile(doc, dir.File("fifo")), EImportResult::OpenFailed);
    EXPECT_EQ(prompter.fileErrors.size(), 2u);
    EXPECT_FALSE(doc.IsModified());

    const std::vector<uint8_t> bytes = SmallFile();
    const std::string path = dir.Write("a.pym", std::string(bytes.begin(), bytes.end()));
    ASSERT_EQ(ImportPymFile(doc, path), EImportResult::Done);
    // A second import adds again, with rising numbers.
    EXPECT_EQ(ImportPymFile(doc, path), EImportResult::Done);
    EXPECT_EQ(doc.GetEntityCount(), 8);
    EXPECT_EQ(DescribeLayers(doc),
              "Warstwa1; Warstwa1 import; Kadłub; Warstwa1 import import; Kadłub import");
    EXPECT_EQ(doc.GetEntity(7)->m_number, 8);
}

}  // namespace
