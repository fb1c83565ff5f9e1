// tavcli measure: the information of one stored entity as JSON.
#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>

#include "document/StringTable.h"
#include "document/TAVDoc.h"
#include "support/CliRun.h"
#include "support/TempFiles.h"
#include "support/TestEntities.h"

namespace {

class MeasureCli : public testing::Test {
protected:
    void SetUp() override {
        m_file = m_dir.File("m.tav");
        CTAVDoc doc;
        doc.AddEntity(MakePoly({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, 1));
        doc.AddEntity(MakePoly({{0, 0, 0}, {1, 1, 0}, {1, 0, 0}, {0, 1, 0}}, 1));  // a bow tie
        doc.AddEntity(MakeArc({}, 2));
        doc.AddEntity(MakePoly({{0, 0, 0}, {3, 4, 0}}));
        doc.AddEntity(MakePnt({}));
        doc.AddEntity(std::make_unique<CText>());
        doc.AddEntity(MakePoly({}, 1));
        ASSERT_TRUE(doc.OnSaveDocument(m_file));
    }
    SRun Run(std::vector<std::string> args) {
        args.insert(args.begin(), "measure");
        return RunCli(args);
    }

    CTempDir m_dir;
    std::string m_file;
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

TEST_F(MeasureCli, PointsTextsAndOutOfRangeAreRefused) {
    const std::pair<const char*, const char*> cases[] = {
        {"4", "tavcli: entity 4 is a point (type 104): it has no information"},
        {"5", "tavcli: entity 5 is a text (type 102): it has no information"},
        {"7", "tavcli: entity 7 is out of range: the document holds 7 entities (0 to 6)"},
        {"-1", "tavcli: entity -1 is out of range: the document holds 7 entities (0 to 6)"}};
    for (const auto& [entity, message] : cases) {
        const SRun r = Run({m_file, "--entity", entity});
        EXPECT_EQ(r.code, kExitRefused) << entity;
        EXPECT_EQ(r.err, std::string(message) + "\n");
        EXPECT_TRUE(r.out.empty()) << entity;
    }
}

TEST(MeasureMissingFile, RefusedWithTheReason) {
    const SRun r = RunCli({"measure", "/nonexistent/x.tav", "--entity", "0"});
    EXPECT_EQ(r.code, kExitRefused);
    EXPECT_NE(r.err.find("/nonexistent/x.tav"), std::string::npos);
}

}  // namespace
