// tavcli info, dump, convert (documents, DXF and survey files) and report; which reader a kind
// or extension chooses is the import command's test.

#include "cli/TavCli.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "document/TAVDoc.h"
#include "support/CliRun.h"
#include "support/SurveyTestFiles.h"
#include "support/TempFiles.h"
#include "support/TestEntities.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

class TavCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_file = m_dir.File("in.tav");
        CTAVDoc doc;
        auto p = MakePnt({0.1, 5420000.000000001, -2.5}, "Ą1");
        p->m_number = 3;
        p->m_data.BuildObjectTree(0);
        doc.AddEntity(std::move(p));
        doc.AddEntity(MakePoly({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, 1));
        doc.AddEntity(MakeArc({}, 0.5));
        doc.AddEntity(MakeText("łódź", {}));
        doc.AddEntity(MakePnt({}));
        doc.AddCoordSystem(CCoordSystem("U", {}, {1, 0, 0}, {0, 1, 0}), CMatrix4::Identity());
        doc.ClipPlanes().emplace_back("c", 1, CPoint3(0, 0, 5), CVec3(0, 0, 2));
        doc.RecomputeExtents();
        ASSERT_TRUE(doc.OnSaveDocument(m_file));
    }
    // The points of a .tav file as "name x y z" lines, rounded to a millionth without a sign on
    // zero: the polar reduction leaves 1e-14 or so.
    std::string Points(const std::string& tav) {
        const auto micro = [](double v) {
            const double r = std::round(v * 1e6) / 1e6;
            return r == 0.0 ? 0.0 : r;
        };
        CTAVDoc doc;
        EXPECT_TRUE(doc.OnOpenDocument(tav));
        std::string out;
        for (int i = 0; i < doc.GetEntityCount(); ++i) {
            const auto* p = static_cast<const CPnt*>(doc.GetEntity(i));
            char line[200];
            std::snprintf(line, sizeof line, "%s %.6f %.6f %.6f\n", p->m_name.c_str(),
                          micro(p->m_point.x), micro(p->m_point.y), micro(p->m_point.z));
            out += line;
        }
        return out;
    }

    CTempDir m_dir;
    std::string m_file;
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

TEST_F(TavCliTest, ConvertWritesCurrentVersionAndRefusals) {
    const std::string out = m_dir.File("out.TAV");
    SRun r = RunCli({"convert", m_file, out});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadFile(m_file), ReadFile(out));

    const std::string bad = m_dir.Write("bad.tav", "TAV Document ver. 9\n");
    r = RunCli({"info", bad});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Unrecognized header in document file.\nCan not read document!"),
              std::string::npos)
        << r.err;
    EXPECT_TRUE(r.out.empty());
    r = RunCli({"dump", m_dir.File("none.tav")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("none.tav"), std::string::npos);
    EXPECT_EQ(RunCli({"convert", bad, m_dir.File("x.tav")}).code, 1);
    EXPECT_FALSE(fs::exists(m_dir.File("x.tav")));
    EXPECT_EQ(RunCli({"convert", m_file, m_dir.File("no/such/dir.tav")}).code, 1);
}

TEST_F(TavCliTest, DxfInAndOut) {
    const std::string dxf = m_dir.Write("in.dxf",
                                        "  0\nSECTION\n  2\nENTITIES\n  0\nPOINT\n 10\n1\n"
                                        "  0\nCIRCLE\n 40\n2\n  0\nENDSEC\n  0\nEOF\n");
    // By extension, and by kind whatever the name.
    SRun r = RunCli({"convert", dxf, m_dir.File("a.tav")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "Liczba odczytanych z pliku DXF obiektow: 2. \n");
    const std::string txt = m_dir.Write("in.txt", ReadFile(dxf));
    ASSERT_EQ(RunCli({"convert", txt, m_dir.File("b.tav"), "--import-as", "dxf"}).code, 0);
    // A .tav document out as DXF, and a DXF file straight through.
    r = RunCli({"convert", m_dir.File("a.tav"), m_dir.File("c.DXF")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "Liczba zapisanych do pliku DXF obiektow: 2. \n");
    const std::string c = ReadFile(m_dir.File("c.DXF"));
    EXPECT_EQ(c.substr(0, 30), "999\r\nTAV Document ver. 2.1.1\r\n");
    EXPECT_EQ(Count(c, "\r\nPOINT\r\n"), 1);
    EXPECT_EQ(Count(c, "\r\nCIRCLE\r\n"), 1);
    ASSERT_EQ(RunCli({"convert", dxf, m_dir.File("d.dxf")}).code, 0);
    EXPECT_EQ(ReadFile(m_dir.File("d.dxf")), c);
    // An unwritable target.
    r = RunCli({"convert", dxf, m_dir.File("no/such/dir/e.dxf")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Can not create the file"), std::string::npos);
    // A file cut short is no drawing to convert: status 1, nothing written.
    const std::string whole = ReadFile(dxf);
    const std::string cut = m_dir.Write("cut.dxf", whole.substr(0, whole.rfind("EOF")));
    r = RunCli({"convert", cut, m_dir.File("cut.tav")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Line: 15. \nThe file ends here"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("cut.tav")));
}

// Point files with the alignment preloaded from the file or given as options; a failed check
// prints its message and adds nothing; reader messages go to stderr, the thousand first, then
// their count.
TEST_F(TavCliTest, SurveyPoints) {
    const std::string a =
        m_dir.Write("a.pnt", "BAZA 10 0 0\nBAZAX 11 0 0\nBAZAY 10 1 0\nP 12 3 4\n");
    SRun r = RunCli({"convert", a, m_dir.File("a.tav")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Points(m_dir.File("a.tav")),
              "BAZA 0.000000 0.000000 0.000000\nBAZAX 1.000000 0.000000 0.000000\n"
              "BAZAY 0.000000 1.000000 0.000000\nP 2.000000 3.000000 4.000000\n");
    const std::string b = m_dir.Write("b.txt", "P 1 2 3\n");
    r = RunCli({"convert", b, m_dir.File("b.tav"), "--import-as", "pnt", "--drawing-frame",
                "100,200,0;100,201,0@X;99,200,0@Y", "--left-handed"});
    ASSERT_EQ(r.code, 0) << r.err;
    // (1, 2, 3) lands at (98, 201, 3), then Y is negated.
    EXPECT_EQ(Points(m_dir.File("b.tav")), "P 98.000000 -201.000000 3.000000\n");

    const std::string out = m_dir.File("c.tav");
    r = RunCli(
        {"convert", b, out, "--import-as", "pnt", "--drawing-frame", "0,0,0;1,0,0@X;0,1,0@X"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Dwukrotnie zdefiniowano ta sama os dla ukladu wspólrzednych modelu!\n");
    EXPECT_FALSE(fs::exists(out));

    std::string text;
    for (int i = 0; i < 1005; ++i) {
        text += "zly wiersz\n";
    }
    r = RunCli({"convert", m_dir.Write("e.pnt", text + "P 1 2 3\n"), m_dir.File("e.tav")});
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(r.err.rfind("Line: 1. \nCan not read point label or point coordinates!\n", 0), 0u);
    EXPECT_NE(r.err.find("Line: 1000. \n"), std::string::npos);
    EXPECT_EQ(r.err.find("Line: 1001. \n"), std::string::npos);
    EXPECT_NE(r.err.find("Pominięto komunikaty o kolejnych błędnych wierszach pliku: 5."),
              std::string::npos)
        << r.err.substr(r.err.size() - 200);
    EXPECT_EQ(Points(m_dir.File("e.tav")), "P 1.000000 2.000000 3.000000\n");

    const std::string good = GsiLine("P12", "10000000", "10000000", "1000");
    const std::string gsi =
        m_dir.Write("f.gsi", good + "\r\n" + GsiLine("7", "0", "10000000", "5") + "\r\n");
    r = RunCli({"convert", gsi, m_dir.File("f.tav")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Points(m_dir.File("f.tav")),
              "P12 0.000000 1000.000000 0.000000\n7 5.000000 0.000000 0.000000\n");
    const std::string bad = m_dir.Write("g.gsi", good + "\r\n" + good.substr(0, 40) + "\r\n");
    r = RunCli({"convert", bad, m_dir.File("g.tav")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Line: 2. \nCan not find Hz WI!\n");
    EXPECT_FALSE(fs::exists(m_dir.File("g.tav")));
}

TEST_F(TavCliTest, SurveyOptionsAndPointLists) {
    // Metres, and the instrument's 81-83 over the polar words.
    const std::string gsi =
        m_dir.Write("h.gsi",
                    "110001+0000000A 21.322+10000000 22.322+10000000 31..00+00001000 "
                    "81..00+00005000 82..00+00006000 83..00+00000700 \r");
    SRun r = RunCli({"convert", gsi, m_dir.File("h.tav"), "--units", "m"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Points(m_dir.File("h.tav")), "A 0.000000 1.000000 0.000000\n");
    r = RunCli({"convert", gsi, m_dir.File("h.tav"), "--gsi-coordinates"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Points(m_dir.File("h.tav")), "A 6000.000000 5000.000000 700.000000\n");

    // A list without names, its columns as given, out as a list in another order.
    const std::string csv = m_dir.Write("i.csv", "2;1;3\r\n5,5;4;6\r\n");
    r = RunCli({"convert", csv, m_dir.File("i.tav"), "--columns", "YXZ"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Points(m_dir.File("i.tav")),
              "1 1.000000 2.000000 3.000000\n2 4.000000 5.500000 6.000000\n");
    r = RunCli({"convert", m_dir.File("i.tav"), m_dir.File("j.csv"), "--columns", "ZNXY"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadFile(m_dir.File("j.csv")), "3,1,1,2\r\n6,2,4,5.5\r\n");

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--columns", "NXY"}, {"--columns"}, {"--units", "km"}}) {
        std::vector<std::string> args = {"convert", csv, m_dir.File("k.tav")};
        args.insert(args.end(), bad.begin(), bad.end());
        EXPECT_EQ(RunCli(args).code, 2) << bad[0];
    }
}

// The C locale for the report's number form, whatever the user running the tests has.
class CCLocale {
public:
    CCLocale()
        : m_had(std::getenv("LC_ALL") != nullptr), m_old(m_had ? std::getenv("LC_ALL") : "") {
        setenv("LC_ALL", "C", 1);
    }
    ~CCLocale() {
        if (m_had) {
            setenv("LC_ALL", m_old.c_str(), 1);
        } else {
            unsetenv("LC_ALL");
        }
    }

private:
    bool m_had;
    std::string m_old;
};

TEST_F(TavCliTest, Report) {
    CCLocale cLocale;
    CTAVDoc doc;
    for (auto [name, x] : {std::pair{"P1", 1.0}, {"P101", 1.25}, {"P2", 2.0}}) {
        doc.AddEntity(MakePnt({x, 0, 0}, name));
    }
    const std::string tav = m_dir.File("r.tav");
    ASSERT_TRUE(doc.OnSaveDocument(tav));
    const std::string csv = m_dir.File("r.CSV");
    SRun r = RunCli({"report", tav, "--ideal", "P:1", "--measured", " P:101", "-o", csv});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadFile(csv),
              "\"Etykieta1:\";\"X1:\";\"Y1:\";\"Z1:\";\"Etykieta2:\";\"X2:\";\"Y2:\";\"Z2:\";"
              "\"dX:\";\"dY:\";\"dZ:\";\"Odleglosc:\"\r\n"
              "\"P1\";1.000;0.000;0.000;\"P101\";1.250;0.000;0.000;-0.250;0.000;0.000;0.250\r\n"
              "\"P2\";2.000;0.000;0.000;\"\";0.000;0.000;0.000;2.000;0.000;0.000;2.000\r\n");
    const std::string txt = m_dir.File("r.txt");
    r = RunCli({"report", tav, "--ideal", "P:1", "--measured", "P:101", "--local", "-o", txt});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string text = ReadFile(txt);
    EXPECT_NE(text.find("Plik modelu:\r\n  " + tav + "\r\n"), std::string::npos);
    EXPECT_NE(text.find("  <<<<  Koniec  >>>>\r\n"), std::string::npos);

    r = RunCli({"report", tav, "--ideal", "P", "--measured", "P", "-o", txt});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Nazwy punktów idealnych i zmierzonych muszą sie różnić\n");
    r = RunCli({"report", tav, "--ideal", "X", "--measured", "P", "-o", txt});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Nie znaleziono punktów o zadanych nazwach\n");
    EXPECT_EQ(
        RunCli({"report", m_dir.File("none.tav"), "--ideal", "P", "--measured", "M", "-o", txt})
            .code,
        1);
}

}  // namespace
