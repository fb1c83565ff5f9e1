#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "cli/TavCli.h"
#include "document/TAVDoc.h"
#include "support/CliRun.h"

namespace fs = std::filesystem;

namespace {

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

class TavCliDxfTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tavclidxf-XXXXXX";
        m_dir = mkdtemp(tmpl);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    std::string Write(const std::string& name, const std::string& content) {
        const std::string path = m_dir + "/" + name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    std::string m_dir;
};

TEST_F(TavCliDxfTest, DxfInAndOut) {
    const std::string dxf = Write("in.dxf",
                                  "  0\nSECTION\n  2\nENTITIES\n  0\nPOINT\n 10\n1\n"
                                  "  0\nCIRCLE\n 40\n2\n  0\nENDSEC\n  0\nEOF\n");
    // By extension, and by kind whatever the name.
    SRun r = RunCli({"convert", dxf, m_dir + "/a.tav"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "Liczba odczytanych z pliku DXF obiektow: 2. \n");
    const std::string txt = Write("in.txt", ReadBytes(dxf));
    r = RunCli({"convert", txt, m_dir + "/b.tav", "--import-as", "dxf"});
    ASSERT_EQ(r.code, 0) << r.err;

    // A .tav document out as DXF, and a DXF file straight through.
    r = RunCli({"convert", m_dir + "/a.tav", m_dir + "/c.DXF"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "Liczba zapisanych do pliku DXF obiektow: 2. \n");
    const std::string c = ReadBytes(m_dir + "/c.DXF");
    EXPECT_EQ(c.substr(0, 30), "999\r\nTAV Document ver. 2.1.1\r\n");
    EXPECT_EQ(Count(c, "\r\nPOINT\r\n"), 1);
    EXPECT_EQ(Count(c, "\r\nCIRCLE\r\n"), 1);
    r = RunCli({"convert", dxf, m_dir + "/d.dxf"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadBytes(m_dir + "/d.dxf"), c);

    // An unwritable target.
    r = RunCli({"convert", dxf, m_dir + "/no/such/dir/e.dxf"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Can not create the file"), std::string::npos);
    EXPECT_EQ(RunCli({"convert", dxf, m_dir + "/e.dwg"}).code, 2);
}

// The batch tool prints a thousand line messages, then only their count.
TEST_F(TavCliDxfTest, LineMessagesCappedAtAThousand) {
    std::string body = "  0\nSECTION\n  2\nENTITIES\n  0\nPOINT\n";
    for (int i = 0; i < 1500; ++i) {
        body += " 10\nx\n";
    }
    const std::string dxf = Write("bad.dxf", body + "  0\nENDSEC\n  0\nEOF\n");
    const SRun r = RunCli({"convert", dxf, m_dir + "/bad.tav"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(Count(r.err, "Can not read floating-point value!"), 1000);
    EXPECT_NE(r.err.find("Line: 2006. \nCan not read floating-point value!"), std::string::npos);
    EXPECT_EQ(r.err.find("Line: 2008. "), std::string::npos);
    EXPECT_NE(r.err.find("Pominięto komunikaty o kolejnych błędnych wierszach pliku: 500."),
              std::string::npos);
}

}  // namespace
