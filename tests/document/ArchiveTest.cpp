#include "document/Archive.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "support/ArchiveBytes.h"
#include "support/Describe.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Image(const std::function<void(CArchive&)>& write) {
    CArchive ar;
    write(ar);
    return ar.Buffer();
}

TEST(ArchiveTest, PrimitivesAreLittleEndian) {
    Bytes b = Image([](CArchive& ar) {
        ar.WriteU8(0xAB);
        ar.WriteU16(0x1234);
        ar.WriteU32(0xDEADBEEF);
        ar.WriteI32(-2);
        ar.WriteF64(1.0);
    });
    EXPECT_EQ(b, (Bytes{0xAB, 0x34, 0x12, 0xEF, 0xBE, 0xAD, 0xDE, 0xFE, 0xFF, 0xFF, 0xFF, 0, 0, 0,
                        0, 0, 0, 0xF0, 0x3F}));

    CArchive in(b);
    EXPECT_TRUE(in.IsLoading());
    EXPECT_TRUE(CArchive().IsStoring());
    EXPECT_EQ(in.ReadU8(), 0xAB);
    EXPECT_EQ(in.ReadU16(), 0x1234);
    EXPECT_EQ(in.ReadU32(), 0xDEADBEEFu);
    EXPECT_EQ(in.ReadI32(), -2);
    EXPECT_EQ(in.ReadF64(), 1.0);
    EXPECT_EQ(in.Remaining(), 0u);
    EXPECT_EQ(in.Position(), b.size());
    // Doubles keep every bit.
    const double values[] = {-0.0, std::numeric_limits<double>::denorm_min(),
                             std::numeric_limits<double>::infinity(), 1234567.891011,
                             -5000000.0000001};
    CArchive out;
    for (double v : values) {
        out.WriteF64(v);
    }
    out.WriteF64(std::nan(""));
    CArchive in2(out.Buffer());
    for (double v : values) {
        double r = in2.ReadF64();
        EXPECT_EQ(std::signbit(r), std::signbit(v));
        EXPECT_EQ(r, v);
    }
    EXPECT_TRUE(std::isnan(in2.ReadF64()));
}

struct SCountCase {
    const char* name;
    uint64_t count;
    Bytes bytes;
};

const SCountCase kArchiveCountTestCases[] = {
    {"zero", 0, {0, 0}},
    {"small", 300, {0x2C, 0x01}},
    {"FFFE", 0xFFFE, {0xFE, 0xFF}},
    {"FFFF", 0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0, 0}},
    {"10000", 0x10000, {0xFF, 0xFF, 0, 0, 1, 0}},
    {"max", 0xFFFFFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
};

TEST(ArchiveCountTest, EscapeAtFFFF) {
    for (const SCountCase& c : kArchiveCountTestCases) {
        SCOPED_TRACE(c.name);
        Bytes b = Image([&](CArchive& ar) { ar.WriteCount(c.count); });
        EXPECT_EQ(b, c.bytes);
        CArchive in(b);
        EXPECT_EQ(in.ReadCount(), c.count);
        EXPECT_EQ(in.Remaining(), 0u);
    }
}

struct SStringLengthCase {
    const char* name;
    size_t length;
    Bytes prefix;
};

const SStringLengthCase kArchiveStringLengthTestCases[] = {
    {"empty", 0, {0}},
    {"len254", 254, {0xFE}},
    {"len255", 255, {0xFF, 0xFF, 0x00}},
    {"len300", 300, {0xFF, 0x2C, 0x01}},
    {"len65533", 65533, {0xFF, 0xFD, 0xFF}},
    {"len65534", 65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0, 0}},
    {"len65535", 65535, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0}},
    {"len70000", 70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
};

TEST(ArchiveStringLengthTest, PrefixAndRoundTrip) {
    for (const SStringLengthCase& c : kArchiveStringLengthTestCases) {
        SCOPED_TRACE(c.name);
        std::string text(c.length, 'x');
        for (size_t i = 0; i < text.size(); i += 7) {
            text[i] = static_cast<char>('a' + i % 26);
        }
        CArchive out;
        out.WriteString(text);
        out.WriteU8(0x5A);
        const Bytes& b = out.Buffer();
        ASSERT_EQ(b.size(), c.prefix.size() + c.length + 1);
        EXPECT_EQ(Bytes(b.begin(), b.begin() + static_cast<long>(c.prefix.size())), c.prefix);

        CArchive in(b);
        EXPECT_EQ(in.ReadString(), text);
        EXPECT_EQ(in.ReadU8(), 0x5A);
    }
}

TEST(ArchiveTest, StringPrefixCountsCp1250Bytes) {
    // 200 letters are 400 UTF-8 bytes but 200 bytes in the file: a one-byte prefix.
    std::string a;
    for (int i = 0; i < 200; ++i) {
        a += "ą";
    }
    Bytes b = Image([&](CArchive& ar) { ar.WriteString(a); });
    ASSERT_EQ(b.size(), 201u);
    EXPECT_EQ(b[0], 200);
    EXPECT_EQ(b[1], 0xB9);

    std::string l;
    for (int i = 0; i < 300; ++i) {
        l += "ł";
    }
    b = Image([&](CArchive& ar) { ar.WriteString(l); });
    ASSERT_EQ(b.size(), 303u);
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 4), (Bytes{0xFF, 0x2C, 0x01, 0xB3}));
    CArchive in(b);
    EXPECT_EQ(in.ReadString(), l);
    // Characters cp1250 lacks are written as question marks and flagged.
    CArchive euro;
    euro.WriteString("€ Łódź");
    EXPECT_EQ(euro.Buffer(), (Bytes{6, 0x80, ' ', 0xA3, 0xF3, 'd', 0x9F}));
    EXPECT_FALSE(euro.HadUnmappableChars());

    CArchive cyr;
    cyr.WriteString("aЖb");
    EXPECT_EQ(cyr.Buffer(), (Bytes{3, 'a', '?', 'b'}));
    EXPECT_TRUE(cyr.HadUnmappableChars());
    // The flag stays set for the rest of the archive.
    cyr.WriteString("ok");
    EXPECT_TRUE(cyr.HadUnmappableChars());

    CArchive line;
    line.WriteLine("Ж");
    EXPECT_EQ(line.Buffer(), (Bytes{'?', '\n'}));
    EXPECT_TRUE(line.HadUnmappableChars());
}

// Every refusal: its cause and exact text, and where the archive stands afterwards: nothing of
// the refused item is consumed or written. No bytes: a storing archive.
TEST(ArchiveTest, RefusalsNameTheByteAndConsumeNothing) {
    using E = CArchiveException;
    const Bytes unicode{0xFF, 0xFE, 0xFF, 0x02, 'a', 0, 'b', 0},
        hugeLength{0x11, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 'b', 'c'};
    const Bytes shortBy1{5, 'a', 'b', 'c', 'd'}, three{1, 2, 3}, blank(34), none;
    const Bytes noLf{'a', 'b', 'c'}, line{'1', '2', '3', '4', '5', '\n'};
    const char* const loading = "Cannot write to an archive that is loading.";
    const char* const storing = "Cannot read from an archive that is storing.";
    const struct {
        const Bytes* bytes;
        std::function<void(CArchive&)> op;
        E::ECause cause;
        const char* text;
        size_t position;
    } cases[] = {
        {&unicode, [](CArchive& a) { a.ReadString(); }, E::genericException,
         "String at byte 0 is stored as Unicode (prefix FF FFFE), which is not supported.", 0},
        // A huge length is refused before anything is read: the caller may report where the
        // string started.
        {&hugeLength,
         [](CArchive& a) {
             a.ReadU8();
             a.ReadString();
         },
         E::endOfFile, "String length 2147483647 at byte 8 exceeds the 3 bytes left in the file.",
         1},
        {&shortBy1, [](CArchive& a) { a.ReadString(); }, E::endOfFile,
         "String length 5 at byte 1 exceeds the 4 bytes left in the file.", 0},
        {&none, [](CArchive& a) { a.ReadString(); }, E::endOfFile,
         "Unexpected end of file at byte 0.", 0},
        {&three,
         [](CArchive& a) {
             a.ReadU16();
             a.ReadU32();
         },
         E::endOfFile, "Unexpected end of file at byte 2.", 2},
        {&blank, [](CArchive& a) { a.CheckAvailable(3, 17, "Vertex count"); }, E::endOfFile,
         "Vertex count 3 at byte 0 (at least 17 bytes each) exceeds the 34 bytes left in the file.",
         0},
        // count * size would wrap around to a small number.
        {&blank, [](CArchive& a) { a.CheckAvailable(0x8000000000000001ull, 2, "Entity count"); },
         E::endOfFile,
         "Entity count 9223372036854775809 at byte 0 (at least 2 bytes each) exceeds the 34 "
         "bytes left in the file.",
         0},
        {&blank, [](CArchive& a) { a.CheckAvailable(UINT64_MAX, 17, "Layer count"); }, E::endOfFile,
         "Layer count 18446744073709551615 at byte 0 (at least 17 bytes each) exceeds the 34 "
         "bytes left in the file.",
         0},
        {&line, [](CArchive& a) { a.ReadLine(4); }, E::genericException,
         "Line at byte 0 is longer than 4 bytes.", 0},
        {&noLf, [](CArchive& a) { a.ReadLine(64); }, E::endOfFile,
         "Unexpected end of file at byte 3 while reading a line.", 0},
        // A limit reached before the end of the data is the line-length refusal.
        {&noLf, [](CArchive& a) { a.ReadLine(2); }, E::genericException,
         "Line at byte 0 is longer than 2 bytes.", 0},
        {&none, [](CArchive& a) { a.ReadLine(10); }, E::endOfFile,
         "Unexpected end of file at byte 0 while reading a line.", 0},
        {&noLf, [](CArchive& a) { a.WriteU32(1); }, E::readOnly, loading, 0},
        {&noLf, [](CArchive& a) { a.WriteString("x"); }, E::readOnly, loading, 0},
        {&noLf, [](CArchive& a) { a.WriteLine("x"); }, E::readOnly, loading, 0},
        {&noLf, [](CArchive& a) { a.WriteCount(0x12345); }, E::readOnly, loading, 0},
        {nullptr, [](CArchive& a) { a.ReadU8(); }, E::writeOnly, storing, 0},
        {nullptr, [](CArchive& a) { a.ReadString(); }, E::writeOnly, storing, 0},
        {nullptr, [](CArchive& a) { a.ReadLine(5); }, E::writeOnly, storing, 0},
        {nullptr,
         [](CArchive& a) {
             a.WriteU8(7);
             a.WriteCount(0x100000000ull);
         },
         E::genericException, "Count 4294967296 is too large for the file format.", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        CArchive loaded(c.bytes ? *c.bytes : none), stored;
        CArchive& ar = c.bytes ? loaded : stored;
        const E e = CatchArchive([&] { c.op(ar); });
        EXPECT_EQ(e.Cause(), c.cause);
        EXPECT_STREQ(e.what(), c.text);
        EXPECT_EQ(ar.Position(), c.position);
        EXPECT_EQ(stored.Buffer(), Bytes(c.bytes ? 0 : c.position, 7));
    }
    // Counts the bytes left can hold pass.
    CArchive in(blank);
    EXPECT_NO_THROW(in.CheckAvailable(2, 17, "Vertex count"));
    EXPECT_NO_THROW(in.CheckAvailable(0, 1000, "Vertex count"));
    EXPECT_NO_THROW(in.CheckAvailable(34, 1, "Vertex count"));
}

// One item of the truncation table: how to write it and how to read and check it back.
struct SItem {
    std::function<void(CArchive&)> write;
    std::function<void(CArchive&)> readAndCheck;
};

TEST(ArchiveTest, EveryTruncationThrowsEndOfFileAtTheItemStart) {
    CMatrix4 m;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            m.m[r][c] = r * 4 + c + 0.5;
        }
    }
    const std::string longText(300, 'q');
    const std::vector<SItem> items = {
        {[](CArchive& a) { a.WriteU8(9); }, [](CArchive& a) { EXPECT_EQ(a.ReadU8(), 9); }},
        {[](CArchive& a) { a.WriteU16(0xBEEF); },
         [](CArchive& a) { EXPECT_EQ(a.ReadU16(), 0xBEEF); }},
        {[](CArchive& a) { a.WriteU32(77); }, [](CArchive& a) { EXPECT_EQ(a.ReadU32(), 77u); }},
        {[](CArchive& a) { a.WriteI32(-1); }, [](CArchive& a) { EXPECT_EQ(a.ReadI32(), -1); }},
        {[](CArchive& a) { a.WriteF64(2.5); }, [](CArchive& a) { EXPECT_EQ(a.ReadF64(), 2.5); }},
        {[](CArchive& a) { a.WriteCount(70000); },
         [](CArchive& a) { EXPECT_EQ(a.ReadCount(), 70000u); }},
        {[](CArchive& a) { a.WriteString("Łąka"); },
         [](CArchive& a) { EXPECT_EQ(a.ReadString(), "Łąka"); }},
        {[&](CArchive& a) { a.WriteString(longText); },
         [&](CArchive& a) { EXPECT_EQ(a.ReadString(), longText); }},
        {[](CArchive& a) { a.WritePoint3(CPoint3(1, 2, 3)); },
         [](CArchive& a) { EXPECT_EQ(Xyz(a.ReadPoint3()), "1 2 3"); }},
        {[](CArchive& a) { a.WriteVec3(CVec3(-1, -2, -3)); },
         [](CArchive& a) { EXPECT_EQ(a.ReadVec3().z, -3); }},
        {[&](CArchive& a) { a.WriteMatrix(m); },
         [&](CArchive& a) { EXPECT_TRUE(a.ReadMatrix().Equals(m, 0)); }},
        {[](CArchive& a) { a.WriteLine("TAV"); },
         [](CArchive& a) { EXPECT_EQ(a.ReadLine(100), "TAV"); }},
    };

    CArchive out;
    std::vector<size_t> ends;
    for (const SItem& it : items) {
        it.write(out);
        ends.push_back(out.Position());
    }
    const Bytes full = out.Buffer();

    for (size_t len = 0; len < full.size(); ++len) {
        SCOPED_TRACE("truncated to " + std::to_string(len) + " bytes");
        // An exactly sized heap block, so a sanitizer run sees any read past the end.
        auto data = std::make_unique<uint8_t[]>(len == 0 ? 1 : len);
        std::copy(full.begin(), full.begin() + static_cast<long>(len), data.get());
        CArchive in(std::span<const uint8_t>(data.get(), len));
        size_t i = 0;
        while (ends[i] <= len) {
            items[i].readAndCheck(in);
            ++i;
        }
        const size_t start = i == 0 ? 0 : ends[i - 1];
        ASSERT_EQ(in.Position(), start);
        CArchiveException e = CatchArchive([&] { items[i].readAndCheck(in); });
        EXPECT_EQ(e.Cause(), CArchiveException::endOfFile) << e.what();
        EXPECT_EQ(in.Position(), start);
    }

    CArchive in(full);
    for (const SItem& it : items) {
        it.readAndCheck(in);
    }
    EXPECT_EQ(in.Remaining(), 0u);
}

TEST(ArchiveTest, PointVectorAndMatrixLayout) {
    CPoint3 p(1.5, -2.0, 3.25);
    p.flag = 7;
    CMatrix4 m;
    m.m[0][1] = 2.0;
    m.m[3][2] = -1.0;
    Bytes b = Image([&](CArchive& ar) {
        ar.WritePoint3(p);
        ar.WriteVec3(CVec3(4, 5, 6));
        ar.WriteMatrix(m);
    });
    ASSERT_EQ(b.size(), 24u + 24u + 128u);
    CArchive in(b);
    // Row-major: m[0][1] is the second double of the matrix, m[3][2] the fifteenth.
    std::vector<double> want = {1.5, -2.0, 3.25, 4, 5, 6, 0, 2};
    want.resize(6 + 14, 0.0);
    want.insert(want.end(), {-1.0, 0.0});
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(in.ReadF64(), want[i]) << i;
    }

    // The point flag is not stored; a read point has the default flag.
    CArchive in2(b);
    CPoint3 r = in2.ReadPoint3();
    EXPECT_EQ(r.flag, 1u);
    EXPECT_EQ(r.z, 3.25);
}

TEST(ArchiveTest, Lines) {
    Bytes b = Image([](CArchive& ar) {
        ar.WriteLine("TAV Document ver. 2.1.1");
        ar.WriteLine("Wartość");
        ar.WriteLine("");
    });
    const std::string expected = "TAV Document ver. 2.1.1\nWarto\x9C\xE6\n\n";
    EXPECT_EQ(std::string(b.begin(), b.end()), expected);

    CArchive in(b);
    EXPECT_EQ(in.ReadLine(64), "TAV Document ver. 2.1.1");
    EXPECT_EQ(in.ReadLine(64), "Wartość");
    EXPECT_EQ(in.ReadLine(0), "");
    EXPECT_EQ(in.Remaining(), 0u);

    // One carriage return before the line end is stripped.
    const std::string text = "abc\r\nx\r\r\n\r\n12345\n";
    Bytes crlf(text.begin(), text.end());
    CArchive in2(crlf);
    EXPECT_EQ(in2.ReadLine(4), "abc");
    EXPECT_EQ(in2.ReadLine(10), "x\r");
    EXPECT_EQ(in2.ReadLine(10), "");
    EXPECT_EQ(in2.Position(), 11u);
    EXPECT_EQ(in2.ReadLine(5), "12345");  // five bytes fit a limit of five
}

TEST(ArchiveTest, BufferGrowthEmptyValuesAndTakenBuffers) {
    CArchive out;
    out.Reserve(3);
    EXPECT_TRUE(out.Buffer().empty());
    out.WriteU16(0x0201);
    EXPECT_EQ(out.Buffer(), (Bytes{1, 2}));
    // Past the reserve and past several growth steps, with Buffer() looked at in between.
    Bytes expected{1, 2};
    for (int i = 0; i < 20000; ++i) {
        out.WriteU8(static_cast<uint8_t>(i));
        expected.push_back(static_cast<uint8_t>(i));
        if (i % 4999 == 0) {
            ASSERT_EQ(out.Buffer(), expected);
        }
    }
    EXPECT_EQ(out.Position(), expected.size());
    EXPECT_EQ(out.Buffer(), expected);
    // Empty values, and a taken buffer that starts over.
    CArchive empty;
    empty.WriteRaw(nullptr, 0);
    empty.WriteLine(std::string_view{});
    empty.WriteString(std::string_view{});
    EXPECT_EQ(empty.Buffer(), (Bytes{'\n', 0}));

    CArchive in(std::span<const uint8_t>{});
    in.ReadRaw(nullptr, 0);
    EXPECT_EQ(in.Position(), 0u);

    CArchive taken;
    taken.Reserve(100);
    taken.WriteU32(5);
    EXPECT_EQ(taken.TakeBuffer(), (Bytes{5, 0, 0, 0}));
    EXPECT_EQ(taken.Position(), 0u);
    taken.WriteU8(1);
    EXPECT_EQ(taken.Buffer(), Bytes{1});
}

}  // namespace
