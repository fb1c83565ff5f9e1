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

// The square, the bow tie (no area, and why), the circle, the polyline (two points enclose
// nothing) and the polygon without vertices.
TEST_F(MeasureCli, AreaAndLengthOfEachKind) {
    const struct {
        const char* entity;
        const char* json;
        std::string err;
    } cases[] = {
        {"0",
         R"({"area":1.0,"entity":0,"kind":"Poligon","perimeter":4.0,"rows":[["Obwód:","4.000"],
             ["Pole powierzchni:","1.000"]],"type":100})",
         ""},
        {"1",
         R"({"area":null,"entity":1,"kind":"Poligon","perimeter":4.82842712474619,
             "rows":[["Obwód:","4.828"]],"type":100})",
         std::string(LoadStr(41511)) + "\n"},
        {"2",
         R"({"area":12.566370614359172,"entity":2,"kind":"Okrąg","perimeter":12.566370614359172,
             "rows":[["Obwód:","12.566"],["Pole powierzchni:","12.566"]],"type":103})",
         ""},
        {"3",
         R"({"area":null,"entity":3,"kind":"Łamana","length":5.0,"rows":[["Długość:","5.000"]],
             "type":101})",
         ""},
        {"6",
         R"({"area":null,"entity":6,"kind":"Poligon","perimeter":0.0,"rows":[["Obwód:","0.000"]],
             "type":100})",
         ""},
    };
    for (const auto& c : cases) {
        const SRun r = Run({m_file, "--entity", c.entity});
        ASSERT_EQ(r.code, kExitOk) << r.err;
        EXPECT_EQ(nlohmann::json::parse(r.out), nlohmann::json::parse(c.json)) << r.out;
        EXPECT_EQ(r.err, c.err);
    }
    // The options may come before the file.
    EXPECT_EQ(Run({"--entity", "3", m_file}).out, Run({m_file, "--entity", "3"}).out);
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
