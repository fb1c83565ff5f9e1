// tavcli with survey points: convert of .pnt and .gsi files with the alignment options, and the
// distance report.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/TavCli.h"
#include "document/TAVDoc.h"
#include "support/CliRun.h"
#include "support/SurveyTestFiles.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class SurveyCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tavsurveycli-XXXXXX";
        m_dir = mkdtemp(tmpl);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Write(const std::string& name, const std::string& content) {
        const std::string path = m_dir + "/" + name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    // Rounded to a millionth without a sign on zero: the polar reduction leaves 1e-14 or so.
    static double Micro(double v) {
        const double r = std::round(v * 1e6) / 1e6;
        return r == 0.0 ? 0.0 : r;
    }
    // The points of a .tav file as "name x y z" lines.
    std::string Points(const std::string& tav) {
        CTAVDoc doc;
        EXPECT_TRUE(doc.OnOpenDocument(tav));
        std::string out;
        for (int i = 0; i < doc.GetEntityCount(); ++i) {
            const auto* p = static_cast<const CPnt*>(doc.GetEntity(i));
            char line[200];
            std::snprintf(line, sizeof line, "%s %.6f %.6f %.6f\n", p->m_name.c_str(),
                          Micro(p->m_point.x), Micro(p->m_point.y), Micro(p->m_point.z));
            out += line;
        }
        return out;
    }

    std::string m_dir;
};

TEST_F(SurveyCliTest, PointFileWithPreloadedAlignment) {
    const std::string in = Write("a.pnt", "BAZA 10 0 0\nBAZAX 11 0 0\nBAZAY 10 1 0\nP 12 3 4\n");
    const std::string out = m_dir + "/a.tav";
    const SRun r = RunCli({"convert", in, out});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Points(out),
              "BAZA 0.000000 0.000000 0.000000\nBAZAX 1.000000 0.000000 0.000000\n"
              "BAZAY 0.000000 1.000000 0.000000\nP 2.000000 3.000000 4.000000\n");
}

TEST_F(SurveyCliTest, DrawingFrameAndLeftHanded) {
    const std::string in = Write("b.txt", "P 1 2 3\n");
    const std::string out = m_dir + "/b.tav";
    const SRun r = RunCli({"convert", in, out, "--import-as", "pnt", "--drawing-frame",
                           "100,200,0;100,201,0@X;99,200,0@Y", "--left-handed"});
    ASSERT_EQ(r.code, 0) << r.err;
    // (1, 2, 3) lands at (98, 201, 3), then Y is negated.
    EXPECT_EQ(Points(out), "P 98.000000 -201.000000 3.000000\n");
}

TEST_F(SurveyCliTest, FailedCheckPrintsItsMessageAndAddsNothing) {
    const std::string in = Write("c.pnt", "P 1 2 3\n");
    const std::string out = m_dir + "/c.tav";
    SRun r = RunCli({"convert", in, out, "--drawing-frame", "0,0,0;1,0,0@X;0,1,0@X"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Dwukrotnie zdefiniowano ta sama os dla ukladu wspólrzednych modelu!\n");
    EXPECT_FALSE(fs::exists(out));
    // Collinear reserved points from the file.
    const std::string bad = Write("d.pnt", "BAZA 0 0 0\nBAZAX 1 0 0\nBAZAY 2 0 0\n");
    r = RunCli({"convert", bad, out});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Trzy punkty importowanego modelu nie tworza ukladu wspólrzednych!\n");
    // A frame that is not one is a usage error.
    r = RunCli({"convert", in, out, "--drawing-frame", "0,0,0;1,0,0@X"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("--drawing-frame"), std::string::npos);
    EXPECT_EQ(RunCli({"convert", in, out, "--drawing-frame"}).code, 2);
}

TEST_F(SurveyCliTest, ReaderMessagesGoToStderr) {
    std::string text;
    for (int i = 0; i < 1005; ++i) {
        text += "zly wiersz\n";
    }
    text += "P 1 2 3\n";
    const std::string in = Write("e.pnt", text);
    const std::string out = m_dir + "/e.tav";
    const SRun r = RunCli({"convert", in, out});
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(r.err.rfind("Line: 1. \nCan not read point label or point coordinates!\n", 0), 0u);
    EXPECT_NE(r.err.find("Line: 1000. \n"), std::string::npos);
    EXPECT_EQ(r.err.find("Line: 1001. \n"), std::string::npos);
    EXPECT_NE(r.err.find(": 5."), std::string::npos) << r.err.substr(r.err.size() - 200);
    EXPECT_EQ(Points(out), "P 1.000000 2.000000 3.000000\n");
}

TEST_F(SurveyCliTest, GsiFileAndItsFatalErrors) {
    const std::string good = GsiLine("P12", "10000000", "10000000", "1000");
    const std::string in =
        Write("f.gsi", good + "\r\n" + GsiLine("7", "0", "10000000", "5") + "\r\n");
    const std::string out = m_dir + "/f.tav";
    SRun r = RunCli({"convert", in, out});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Points(out), "P12 0.000000 1000.000000 0.000000\n7 5.000000 0.000000 0.000000\n");

    const std::string bad = Write("g.gsi", good + "\r\n" + good.substr(0, 40) + "\r\n");
    r = RunCli({"convert", bad, m_dir + "/g.tav"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Line: 2. \nCan not find Hz WI!\n");
    EXPECT_FALSE(fs::exists(m_dir + "/g.tav"));
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

TEST_F(SurveyCliTest, Report) {
    CCLocale cLocale;
    CTAVDoc doc;
    for (auto [name, x] : {std::pair{"P1", 1.0}, {"P101", 1.25}, {"P2", 2.0}}) {
        auto p = std::make_unique<CPnt>();
        p->m_name = name;
        p->m_point = CPoint3(x, 0, 0);
        doc.AddEntity(std::move(p));
    }
    const std::string tav = m_dir + "/r.tav";
    ASSERT_TRUE(doc.OnSaveDocument(tav));
    const std::string csv = m_dir + "/r.CSV";
    SRun r = RunCli({"report", tav, "--ideal", "P:1", "--measured", " P:101", "-o", csv});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadFile(csv),
              "\"Etykieta1:\";\"X1:\";\"Y1:\";\"Z1:\";\"Etykieta2:\";\"X2:\";\"Y2:\";\"Z2:\";"
              "\"dX:\";\"dY:\";\"dZ:\";\"Odleglosc:\"\r\n"
              "\"P1\";1.000;0.000;0.000;\"P101\";1.250;0.000;0.000;-0.250;0.000;0.000;0.250\r\n"
              "\"P2\";2.000;0.000;0.000;\"\";0.000;0.000;0.000;2.000;0.000;0.000;2.000\r\n");

    const std::string txt = m_dir + "/r.txt";
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
    r = RunCli({"report", tav, "--ideal", "P:1000001", "--measured", "M", "-o", txt});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("Wprowadź liczbę całkowitą z zakresu od 0 do 1000000."),
              std::string::npos);
    EXPECT_EQ(RunCli({"report", tav, "--ideal", "P", "-o", txt}).code, 2);
    EXPECT_EQ(RunCli({"report", tav, "--ideal", "P", "--measured", "M", "-o"}).code, 2);
    EXPECT_EQ(
        RunCli({"report", m_dir + "/none.tav", "--ideal", "P", "--measured", "M", "-o", txt}).code,
        1);
}

}  // namespace
