#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/TavCli.h"
#include "document/Archive.h"
#include "document/TAVDoc.h"
#include "support/CliRun.h"

namespace fs = std::filesystem;

namespace {

// Converts panel, curve, mesh and sibling files into documents, by extension or by kind.
class ShipImportCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tavcli-ship-XXXXXX";
        m_dir = mkdtemp(tmpl);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Write(const std::string& name, const std::string& content) {
        const std::string path = m_dir + "/" + name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    // Entity count of a converted document, -1 when it does not open.
    int EntitiesIn(const std::string& path) {
        CTAVDoc doc;
        return doc.OnOpenDocument(path) ? doc.GetEntityCount() : -1;
    }

    std::string m_dir;
};

TEST_F(ShipImportCliTest, ByExtensionAndByKind) {
    const std::string panel =
        "BEGIN PANELS\nPANEL: P\nBEGIN STIFFENERS\n1\nSTIFFENER: S\n2\n0 0\n1 0\n"
        "END STIFFENER:\nEND STIFFENERS\nTRANSFORMATION MATRIX\n1 0 0 0\n0 1 0 0\n0 0 1 0\n"
        "0 0 0 1\nEND TRANSFORMATION MATRIX\nSYMMETRY: 0\nEND PANEL:\n";
    const std::string curve =
        "BEGIN CURVES\r\nCURVE: K\r\n1\r\nCONTOUR:\r\n3\r\n0 0\r\n1 0\r\n1 1\r\nEND CONTOUR\r\n"
        "TRANSFORMATION MATRIX\r\n1 0 0 0\r\n0 1 0 0\r\n0 0 1 0\r\n0 0 0 1\r\n"
        "END TRANSFORMATION MATRIX\r\nEND CURVE:\r\n";
    const std::string mesh = "3\n1 0 0 0\n2 1 0 0\n3 0 1 0\n1 1 2 3\n2 1 2\n";
    CArchive pym;
    for (int i = 0; i < 5; ++i) {
        pym.WriteU32(0);
    }
    pym.WriteCount(1);
    pym.WriteU32(0);
    pym.WriteU32(1);
    pym.WriteString("L");
    for (int group = 0; group < 4; ++group) {
        pym.WriteCount(0);
    }
    const std::vector<uint8_t>& bytes = pym.Buffer();

    struct SCase {
        std::string in;
        std::string kind;
        int entities;
    };
    const SCase cases[] = {
        {Write("a.pnl", panel), "", 2},
        {Write("a.txt", panel), "pnl", 2},
        {Write("b.CRV", curve), "", 1},
        {Write("b.dat", curve), "crv", 1},
        {Write("c.asc", mesh), "", 2},
        {Write("c.pnt", mesh), "asc", 2},
        {Write("d.pym", std::string(bytes.begin(), bytes.end())), "", 0},
    };
    for (const SCase& c : cases) {
        const std::string out = c.in + ".tav";
        std::vector<std::string> args{"convert", c.in, out};
        if (!c.kind.empty()) {
            args.push_back("--import-as");
            args.push_back(c.kind);
        }
        const SRun r = RunCli(args);
        EXPECT_EQ(r.code, 0) << c.in << ": " << r.err;
        EXPECT_EQ(EntitiesIn(out), c.entities) << c.in;
    }
}

TEST_F(ShipImportCliTest, RefusedFilesExitOneWithTheReadersMessage) {
    struct SCase {
        std::string in;
        std::string message;
    };
    const SCase cases[] = {
        {Write("bad.pnl", "BEGIN CURVES\n"), "Line: 1. \nWrong .PNL file header!\n"},
        {Write("bad.crv", "BEGIN PANELS\n"), "Wrong .CRV file header!\n"},
        {Write("bad.pym", "short"), "Unexpected end of file at byte 4."},
    };
    for (const SCase& c : cases) {
        const SRun r = RunCli({"convert", c.in, c.in + ".tav"});
        EXPECT_EQ(r.code, 1) << c.in;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(c.in + ".tav"));
    }
}

}  // namespace
