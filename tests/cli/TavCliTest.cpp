#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/TavCli.h"
#include "document/TAVDoc.h"
#include "support/CliRun.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

class TavCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tavcli-XXXXXX";
        m_dir = mkdtemp(tmpl);
        m_file = m_dir + "/in.tav";
        CTAVDoc doc;
        auto p = std::make_unique<CPnt>();
        p->m_name = "Ą1";
        p->m_number = 3;
        p->m_point = CPoint3(0.1, 5420000.000000001, -2.5);
        p->m_data.BuildObjectTree(0);
        doc.AddEntity(std::move(p));
        auto poly = std::make_unique<CPoly>();
        poly->m_closed = 1;
        for (auto [x, y] : {std::pair{0.0, 0.0}, {1.0, 0.0}, {1.0, 1.0}}) {
            poly->AddVertex(CPoint3(x, y, 0));
        }
        doc.AddEntity(std::move(poly));
        auto arc = std::make_unique<CArc>();
        arc->m_radius = 0.5;
        doc.AddEntity(std::move(arc));
        auto text = std::make_unique<CText>();
        text->m_text = "łódź";
        doc.AddEntity(std::move(text));
        auto pnt2 = std::make_unique<CPnt>();
        doc.AddEntity(std::move(pnt2));
        CMatrix4 m;
        m.SetIdentity();
        doc.AddCoordSystem(CCoordSystem("U", {}, {1, 0, 0}, {0, 1, 0}), m);
        doc.ClipPlanes().emplace_back("c", 1, CPoint3(0, 0, 5), CVec3(0, 0, 2));
        doc.RecomputeExtents();
        ASSERT_TRUE(doc.OnSaveDocument(m_file));
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string m_dir, m_file;
};

TEST_F(TavCliTest, InfoCountsByTypeCode) {
    const SRun r = RunCli({"info", m_file});
    ASSERT_EQ(r.code, 0) << r.err;
    const json j = json::parse(r.out);
    EXPECT_EQ(j["header"], "TAV Document ver. 2.1.1");
    EXPECT_EQ(j["layers"], 1);
    EXPECT_EQ(j["entities"], json::parse(R"({"100": 1, "102": 1, "103": 1, "104": 2})"));
    EXPECT_EQ(j["extents"]["min"][2], -2.5);
    EXPECT_EQ(j["extents"]["max"][1], 5420000.000000001);  // numbers round-trip
}

TEST_F(TavCliTest, DumpHasEveryField) {
    const SRun r = RunCli({"dump", m_file});
    ASSERT_EQ(r.code, 0) << r.err;
    const json j = json::parse(r.out);
    EXPECT_EQ(j["currentLayer"], 0);
    EXPECT_EQ(j["activeCoordSystem"], -1);
    EXPECT_EQ(j["layers"][0]["name"], "Warstwa1");
    EXPECT_EQ(j["coordSystems"][0]["xPoint"], json::parse("[1.0, 0.0, 0.0]"));
    EXPECT_EQ(j["clipPlanes"][0]["equation"], json::parse("[0.0, 0.0, -1.0, 5.0]"));
    ASSERT_EQ(j["matrices"][0].size(), 16u);
    EXPECT_EQ(j["matrices"][0][5], 1.0);

    const json& pnt = j["entities"][0];
    EXPECT_EQ(pnt["type"], 104);
    EXPECT_EQ(pnt["name"], "Ą1");
    EXPECT_EQ(pnt["number"], 3);
    EXPECT_EQ(pnt["reserved"], 1);
    EXPECT_EQ(pnt["flag"], 1);
    EXPECT_EQ(pnt["point"][1], 5420000.000000001);
    EXPECT_EQ(pnt["data"]["text"], "Budynek lub konstrukcja budowlana");
    EXPECT_EQ(pnt["data"]["children"][0]["template"], 1);

    const json& poly = j["entities"][1];
    EXPECT_EQ(poly["closed"], 1);
    EXPECT_EQ(poly["vertices"][2], json::parse("[1.0, 1.0, 0.0, 1]"));
    EXPECT_EQ(poly["planar"], 1);
    EXPECT_EQ(j["entities"][2]["radius"], 0.5);
    EXPECT_EQ(j["entities"][3]["text"], "łódź");
    EXPECT_EQ(j["view"]["viewAngle"], 40.0);
    EXPECT_EQ(j["view"]["localizationMask"], 0);
    EXPECT_TRUE(j["view"].contains("targetPoint"));
    EXPECT_TRUE(j.contains("extents"));
}

TEST_F(TavCliTest, ConvertWritesCurrentVersion) {
    const std::string out = m_dir + "/out.TAV";
    const SRun r = RunCli({"convert", m_file, out});
    ASSERT_EQ(r.code, 0) << r.err;
    std::ifstream a(m_file, std::ios::binary), b(out, std::ios::binary);
    const std::string sa((std::istreambuf_iterator<char>(a)), {});
    const std::string sb((std::istreambuf_iterator<char>(b)), {});
    EXPECT_EQ(sa, sb);
}

TEST_F(TavCliTest, RefusedInputsExitOne) {
    const std::string bad = m_dir + "/bad.tav";
    std::ofstream(bad) << "TAV Document ver. 9\n";
    SRun r = RunCli({"info", bad});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Unrecognized header in document file.\nCan not read document!"),
              std::string::npos)
        << r.err;
    EXPECT_TRUE(r.out.empty());

    r = RunCli({"dump", m_dir + "/none.tav"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("none.tav"), std::string::npos);

    r = RunCli({"convert", bad, m_dir + "/x.tav"});
    EXPECT_EQ(r.code, 1);
    EXPECT_FALSE(fs::exists(m_dir + "/x.tav"));

    r = RunCli({"convert", m_file, m_dir + "/no/such/dir.tav"});
    EXPECT_EQ(r.code, 1);
}

TEST_F(TavCliTest, UsageErrorsExitTwo) {
    EXPECT_EQ(RunCli({}).code, 2);
    EXPECT_EQ(RunCli({"frobnicate"}).code, 2);
    EXPECT_EQ(RunCli({"info"}).code, 2);
    EXPECT_EQ(RunCli({"info", m_file, m_file}).code, 2);
    EXPECT_EQ(RunCli({"convert", m_file}).code, 2);
    EXPECT_EQ(RunCli({"convert", m_file, m_dir + "/out.txt"}).code, 2);
    const SRun help = RunCli({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("Exit status"), std::string::npos);
}

}  // namespace
