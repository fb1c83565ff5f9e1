// tavcli measure: the information of one stored entity as JSON.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/TavCli.h"
#include "document/StringTable.h"
#include "document/TAVDoc.h"
#include "support/CliRun.h"

namespace {

class MeasureCli : public testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tavcli-measure-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_dir = tmpl;
        m_file = m_dir + "/m.tav";
        CTAVDoc doc;
        auto square = std::make_unique<CPoly>();
        square->m_vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
        square->m_closed = 1;
        doc.AddEntity(std::move(square));
        auto bow = std::make_unique<CPoly>();
        bow->m_vertices = {{0, 0, 0}, {1, 1, 0}, {1, 0, 0}, {0, 1, 0}};
        bow->m_closed = 1;
        doc.AddEntity(std::move(bow));
        auto circle = std::make_unique<CArc>();
        circle->m_radius = 2;
        doc.AddEntity(std::move(circle));
        auto line = std::make_unique<CPoly>();
        line->m_vertices = {{0, 0, 0}, {3, 4, 0}};
        doc.AddEntity(std::move(line));
        doc.AddEntity(std::make_unique<CPnt>());
        doc.AddEntity(std::make_unique<CText>());
        auto empty = std::make_unique<CPoly>();
        empty->m_closed = 1;
        doc.AddEntity(std::move(empty));
        ASSERT_TRUE(doc.OnSaveDocument(m_file));
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    SRun Run(std::vector<std::string> args) {
        args.insert(args.begin(), "measure");
        return RunCli(args);
    }

    std::string m_dir, m_file;
};

TEST_F(MeasureCli, SquarePolygon) {
    const SRun r = Run({m_file, "--entity", "0"});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["entity"], 0);
    EXPECT_EQ(j["type"], 100);
    EXPECT_EQ(j["kind"], "Poligon");
    EXPECT_EQ(j["rows"],
              nlohmann::json::parse(R"([["Obwód:","4.000"],["Pole powierzchni:","1.000"]])"));
    EXPECT_DOUBLE_EQ(j["perimeter"].get<double>(), 4.0);
    EXPECT_DOUBLE_EQ(j["area"].get<double>(), 1.0);
    EXPECT_FALSE(j.contains("length"));
    EXPECT_TRUE(r.err.empty());
}

TEST_F(MeasureCli, BowTieHasNoAreaAndSaysWhy) {
    const SRun r = Run({m_file, "--entity", "1"});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_TRUE(j["area"].is_null());
    EXPECT_EQ(j["rows"].size(), 1u);
    EXPECT_EQ(r.err, std::string(LoadStr(41511)) + "\n");
}

TEST_F(MeasureCli, CircleAndPolyline) {
    SRun r = Run({m_file, "--entity", "2"});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["kind"], "Okrąg");
    EXPECT_EQ(j["rows"][0][1], "12.566");
    EXPECT_EQ(j["rows"][1][1], "12.566");
    EXPECT_NEAR(j["perimeter"].get<double>(), 4 * M_PI, 1e-12);
    r = Run({"--entity", "3", m_file});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["kind"], "Łamana");
    EXPECT_EQ(j["rows"][0], nlohmann::json::parse(R"(["Długość:","5.000"])"));
    EXPECT_DOUBLE_EQ(j["length"].get<double>(), 5.0);
    EXPECT_TRUE(j["area"].is_null());  // two points enclose nothing
}

TEST_F(MeasureCli, VertexlessPolygonMeasuresZero) {
    const SRun r = Run({m_file, "--entity", "6"});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["perimeter"], 0.0);
    EXPECT_EQ(j["rows"].size(), 1u);
}

struct SRefusedCase {
    const char* name;
    const char* entity;
    const char* message;
};

class MeasureRefused : public MeasureCli, public testing::WithParamInterface<SRefusedCase> {};

TEST_P(MeasureRefused, ExitOne) {
    const SRun r = Run({m_file, "--entity", GetParam().entity});
    EXPECT_EQ(r.code, kExitRefused);
    EXPECT_EQ(r.err, std::string(GetParam().message) + "\n");
    EXPECT_TRUE(r.out.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Measure, MeasureRefused,
    testing::Values(
        SRefusedCase{"point", "4", "tavcli: entity 4 is a point (type 104): it has no information"},
        SRefusedCase{"text", "5", "tavcli: entity 5 is a text (type 102): it has no information"},
        SRefusedCase{"past_end", "7",
                     "tavcli: entity 7 is out of range: the document holds 7 entities (0 to 6)"},
        SRefusedCase{"negative", "-1",
                     "tavcli: entity -1 is out of range: the document holds 7 entities (0 to 6)"}),
    [](const auto& info) { return std::string(info.param.name); });

struct SUsageCase {
    const char* name;
    std::vector<std::string> args;
    const char* problem;
};

class MeasureUsage : public testing::TestWithParam<SUsageCase> {};

TEST_P(MeasureUsage, ExitTwo) {
    std::vector<std::string> args = {"measure"};
    args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
    std::ostringstream out, err;
    EXPECT_EQ(RunTavCli(args, out, err), kExitUsage);
    EXPECT_EQ(err.str().rfind(std::string("tavcli: ") + GetParam().problem + "\n", 0), 0u)
        << err.str();
}

INSTANTIATE_TEST_SUITE_P(
    Measure, MeasureUsage,
    testing::Values(
        SUsageCase{"nothing", {}, "measure takes FILE and --entity K"},
        SUsageCase{"no_entity", {"a.tav"}, "measure takes FILE and --entity K"},
        SUsageCase{"entity_missing", {"a.tav", "--entity"}, "--entity takes a whole number"},
        SUsageCase{"entity_word", {"a.tav", "--entity", "x"}, "--entity takes a whole number"},
        SUsageCase{
            "entity_fraction", {"a.tav", "--entity", "1.5"}, "--entity takes a whole number"},
        SUsageCase{"entity_huge",
                   {"a.tav", "--entity", "99999999999999999999"},
                   "--entity takes a whole number"},
        SUsageCase{"two_files", {"a.tav", "b.tav", "--entity", "0"}, "measure takes one FILE"},
        SUsageCase{"option", {"a.tav", "--system", "1"}, "unknown option: --system"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MeasureMissingFile, RefusedWithTheReason) {
    std::ostringstream out, err;
    EXPECT_EQ(RunTavCli({"measure", "/nonexistent/x.tav", "--entity", "0"}, out, err),
              kExitRefused);
    EXPECT_NE(err.str().find("/nonexistent/x.tav"), std::string::npos);
}

}  // namespace
