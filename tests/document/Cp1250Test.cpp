#include "document/Cp1250.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cerrno>
#include <string>

namespace {

// Converts with glibc iconv; returns false when iconv refuses the input.
bool Iconv(const char* to, const char* from, const std::string& in, std::string* out) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        ADD_FAILURE() << "iconv_open " << from << " -> " << to << " failed, errno " << errno;
        return false;
    }
    std::string src = in;
    char buf[64];
    char* inp = src.data();
    size_t inLeft = src.size();
    char* outp = buf;
    size_t outLeft = sizeof buf;
    size_t rc = iconv(cd, &inp, &inLeft, &outp, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1) || inLeft != 0) {
        return false;
    }
    out->assign(buf, static_cast<size_t>(outp - buf));
    return true;
}

bool IsUndefinedByte(int b) {
    return b == 0x81 || b == 0x83 || b == 0x88 || b == 0x90 || b == 0x98;
}

TEST(Cp1250Test, TableAgreesWithIconvForEveryDefinedByte) {
    int checked = 0;
    for (int b = 0; b < 256; ++b) {
        if (IsUndefinedByte(b)) {
            continue;
        }
        std::string byte(1, static_cast<char>(b));
        std::string expected;
        ASSERT_TRUE(Iconv("UTF-8", "CP1250", byte, &expected)) << "byte " << b;
        EXPECT_EQ(Cp1250ToUtf8(byte), expected) << "byte " << b;

        // And back: iconv's encoding of that character is the same single byte.
        std::string back;
        ASSERT_TRUE(Iconv("CP1250", "UTF-8", expected, &back)) << "byte " << b;
        EXPECT_EQ(back, byte);
        bool lossy = false;
        EXPECT_EQ(Utf8ToCp1250(expected, &lossy), byte) << "byte " << b;
        EXPECT_FALSE(lossy);
        ++checked;
    }
    EXPECT_EQ(checked, 251);
}

TEST(Cp1250Test, UndefinedBytesMapToC1Controls) {
    for (int b : {0x81, 0x83, 0x88, 0x90, 0x98}) {
        std::string byte(1, static_cast<char>(b));
        std::string utf8 = Cp1250ToUtf8(byte);
        ASSERT_EQ(utf8.size(), 2u);
        EXPECT_EQ(static_cast<uint8_t>(utf8[0]), 0xC2);
        EXPECT_EQ(static_cast<uint8_t>(utf8[1]), b);
        EXPECT_EQ(Cp1250ToUnicode(static_cast<uint8_t>(b)), static_cast<char32_t>(b));
        uint8_t out = 0;
        EXPECT_TRUE(UnicodeToCp1250(static_cast<char32_t>(b), &out));
        EXPECT_EQ(out, b);
    }
    // The other C1 controls have no byte: 0x80 is the euro sign.
    uint8_t out = 0;
    EXPECT_FALSE(UnicodeToCp1250(0x80, &out));
    EXPECT_FALSE(UnicodeToCp1250(0x9F, &out));
    EXPECT_TRUE(UnicodeToCp1250(0x20AC, &out));
    EXPECT_EQ(out, 0x80);
}

// Byte by byte the iconv test covers; here all of them in one string, undefined ones too.
TEST(Cp1250Test, EveryByteRoundTripsInOneString) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    const std::string utf8 = Cp1250ToUtf8(all);
    EXPECT_EQ(Utf8CharCount(utf8), 256u);
    bool lossy = false;
    EXPECT_EQ(Utf8ToCp1250(utf8, &lossy), all);
    EXPECT_FALSE(lossy);
    EXPECT_EQ(Utf8CharCount(""), 0u);
    EXPECT_EQ(Utf8CharCount("Zażółć gęślą jaźń"), 17u);
    EXPECT_EQ(Utf8CharCount("\xF0\x9F\x98\x80"), 1u);
}

// Characters cp1250 lacks and bad UTF-8 become one question mark each; a character outside the
// basic plane is one '?', not four.
TEST(Cp1250Test, UnmappableAndInvalidBecomeQuestionMarks) {
    const struct {
        std::string utf8;
        std::string cp1250;
        bool lossy;
    } cases[] = {
        {"aЖb", "a?b", true},
        {"€ 5 – ok", "\x80 5 \x96 ok", false},
        {"x\xF0\x9F\x98\x80y", "x?y", true},
        {"a\x80z", "a?z", true},  // a lone continuation
        {"ab\xC5", "ab?", true},  // truncated at the end
        {"\xC5"
         "A",
         "?A", true},                        // truncated before ASCII
        {"\xE2\x82", "??", true},            // a truncated three-byte sequence
        {"\xC0\x80", "??", true},            // an overlong NUL
        {"\xE0\x80\xAF", "???", true},       // overlong, three bytes
        {"\xED\xA0\x80", "???", true},       // a surrogate
        {"\xF4\x90\x80\x80", "????", true},  // above Unicode
        {"\xFF\xC5\x82", "?\xB3", true},     // an invalid lead byte 0xFF
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cp1250);
        bool lossy = false;
        EXPECT_EQ(Utf8ToCp1250(c.utf8, &lossy), c.cp1250);
        EXPECT_EQ(lossy, c.lossy);
        EXPECT_EQ(Utf8CharCount(c.utf8), c.cp1250.size());
    }
    // A flag that is already set stays set; a null flag pointer is allowed.
    bool lossy = true;
    EXPECT_EQ(Utf8ToCp1250("plain", &lossy), "plain");
    EXPECT_TRUE(lossy);
    EXPECT_EQ(Utf8ToCp1250("Ж"), "?");
}

}  // namespace
