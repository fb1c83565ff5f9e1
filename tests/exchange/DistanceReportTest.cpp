// The distance report's computing half: dialog rules, matching, name proposal, number forms and
// the two writers byte for byte.

#include "exchange/DistanceReport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "document/TAVDoc.h"
#include "support/Describe.h"
#include "support/RecordingPrompter.h"
#include "support/TempFiles.h"
#include "support/TestEntities.h"

namespace {

std::string S(size_t n) {
    return std::string(n, ' ');
}

void AddPoint(CTAVDoc& doc, const std::string& name, double x, double y, double z) {
    doc.AddEntity(MakePnt({x, y, z}, name));
}

// Polish style: decimal comma, no-break space between groups.
const SNumberStyle kPolish{",", "\u00a0", "-", 3};

SReportFormat FixedFormat() {
    SReportFormat f;
    f.number = [](const std::string& lf) { return FormatNumberText(lf, kPolish); };
    f.clock = [] { return SReportStamp{"17.05.2024", "13:05:09"}; };
    return f;
}

TEST(ReportDialogRulesTest, StartNumbers) {
    const std::pair<const char*, int> accepted[] = {
        {"", -1},  {" \t ", -1}, {"0", 0},      {" \t12", 12},
        {"+5", 5}, {"-0", 0},    {"12 \t", 12}, {"1000000", 1000000},
    };
    for (const auto& [text, value] : accepted) {
        int v = 77;
        EXPECT_TRUE(ParseReportStart(text, v)) << '"' << text << '"';
        EXPECT_EQ(v, value) << '"' << text << '"';
    }
    for (const char* text :
         {"1000001", "-1", "12a", "1.5", "+", "1 2", "99999999999999999999", "0x10"}) {
        int v = 77;
        EXPECT_FALSE(ParseReportStart(text, v)) << '"' << text << '"';
        EXPECT_EQ(v, 77) << '"' << text << '"';
    }
    EXPECT_EQ(TrimReportPrefix(" \tP 1\t "), "P 1");
    EXPECT_EQ(TrimReportPrefix(" \t"), "");
}

TEST(ReportDialogRulesTest, NamesClash) {
    const auto q = [](const char* a, int s1, const char* b, int s2) {
        SReportQuery r;
        r.idealPrefix = a;
        r.idealStart = s1;
        r.measuredPrefix = b;
        r.measuredStart = s2;
        return r;
    };
    EXPECT_TRUE(ReportNamesClash(q("P", -1, "P", -1)));
    EXPECT_TRUE(ReportNamesClash(q("P", 1, "P", 1)));
    EXPECT_TRUE(ReportNamesClash(q("P", 1, "P", -1)));
    EXPECT_TRUE(ReportNamesClash(q("", -1, "", -1)));
    EXPECT_FALSE(ReportNamesClash(q("P", 1, "P", 101)));
    EXPECT_FALSE(ReportNamesClash(q("P", 0, "P", 1)));
    EXPECT_FALSE(ReportNamesClash(q("P", -1, "p", -1)));
    EXPECT_FALSE(ReportNamesClash(q("I", -1, "M", -1)));
}

std::vector<std::string> PairNames(const std::vector<SReportPair>& pairs) {
    std::vector<std::string> out;
    for (const SReportPair& p : pairs) {
        out.push_back(p.idealName + "=" + p.measuredName);
    }
    return out;
}

TEST(ReportMatchTest, NumberRangesKeepTheSetsApart) {
    CTAVDoc doc;
    for (const char* name : {"P0", "P5", "P105", "P100", "P200", "P101", "P201", "P99999999999",
                             "Q5", "P7x", "P107x", "P107y"}) {
        AddPoint(doc, name, 0, 0, 0);
    }
    SReportQuery q;
    q.idealPrefix = "P";
    q.idealStart = 1;
    q.measuredPrefix = "P";
    q.measuredStart = 101;
    // P0 is below the start, P101 and up are measured points, the long digit run is no number.
    EXPECT_EQ(PairNames(MatchReportPoints(doc, q)),
              (std::vector<std::string>{"P5=P105", "P100=P200", "P7x=P107x"}));
}

TEST(ReportMatchTest, PrefixesWithoutNumbers) {
    CTAVDoc doc;
    AddPoint(doc, "I12a", 1, 2, 3);
    AddPoint(doc, "M12b", 0, 0, 0);
    AddPoint(doc, " \tI7 ", 0, 0, 0);
    AddPoint(doc, "M7", 4, 0, 0);
    AddPoint(doc, "\tM7 ", 5, 0, 0);  // the same name: the first in document order wins
    auto poly = std::make_unique<CPoly>();
    poly->m_name = "I12b";  // not a point
    doc.AddEntity(std::move(poly));
    SReportQuery q;
    q.idealPrefix = "I";
    q.measuredPrefix = "M";
    const auto pairs = MatchReportPoints(doc, q);
    EXPECT_EQ(PairNames(pairs), (std::vector<std::string>{"I12a=", " \tI7 =M7"}));
    EXPECT_FALSE(pairs[0].matched);
    EXPECT_EQ(pairs[0].measured.x, 0.0);
    EXPECT_TRUE(pairs[1].matched);
    EXPECT_EQ(pairs[1].measured.x, 4.0);
}

// The matching as first described: for each ideal point, a search through every point.
std::vector<std::string> QuadraticMatch(const CTAVDoc& doc, const SReportQuery& q) {
    const int s1 = q.idealStart, s2 = q.measuredStart;
    const int e1 = s1 < s2 ? s2 - 1 : -1;
    const int e2 = s2 < s1 ? s1 - 1 : -1;
    const auto trim = [](const std::string& s) {
        const size_t a = s.find_first_not_of(" \t");
        return a == std::string::npos ? std::string()
                                      : s.substr(a, s.find_last_not_of(" \t") - a + 1);
    };
    std::vector<std::string> out;
    for (int i = 0; i < doc.GetEntityCount(); ++i) {
        int n1 = 0;
        std::string r1;
        if (!ParseNumberedName(trim(doc.GetEntity(i)->m_name.str()), q.idealPrefix, s1, e1, n1,
                               r1)) {
            continue;
        }
        std::string partner;
        for (int j = 0; j < doc.GetEntityCount(); ++j) {
            int n2 = 0;
            std::string r2;
            if (ParseNumberedName(trim(doc.GetEntity(j)->m_name.str()), q.measuredPrefix, s2, e2,
                                  n2, r2) &&
                r2 == r1 && n2 - s2 == n1 - s1) {
                partner = doc.GetEntity(j)->m_name;
                break;
            }
        }
        out.push_back(doc.GetEntity(i)->m_name.str() + "=" + partner);
    }
    return out;
}

TEST(ReportMatchTest, SameResultsAsTheSearchThroughAllPoints) {
    std::mt19937 rng(12345);
    const char* prefixes[] = {"", "P", "M", "PM"};
    const char* rests[] = {"", "a", "b", " "};
    const int starts[] = {-1, 0, 1, 3, 10};
    for (int round = 0; round < 300; ++round) {
        CTAVDoc doc;
        const int n = static_cast<int>(rng() % 30);
        for (int i = 0; i < n; ++i) {
            std::string name = prefixes[rng() % 4];
            if (rng() % 4 != 0) {
                name += std::to_string(rng() % 15);
            }
            name += rests[rng() % 4];
            AddPoint(doc, rng() % 5 == 0 ? " " + name + "\t" : name, i, 0, 0);
        }
        SReportQuery q;
        q.idealPrefix = prefixes[rng() % 4];
        q.measuredPrefix = prefixes[rng() % 4];
        q.idealStart = starts[rng() % 5];
        q.measuredStart = starts[rng() % 5];
        EXPECT_EQ(PairNames(MatchReportPoints(doc, q)), QuadraticMatch(doc, q)) << round;
    }
}

TEST(ReportNameTest, ProposalAndForm) {
    EXPECT_EQ(ProposeReportName(""), "");
    EXPECT_EQ(ProposeReportName("/dane/Model.TAV"), "/dane/Model");
    EXPECT_EQ(ProposeReportName("/dane/plan.c"), "/dane/plan");
    EXPECT_EQ(ProposeReportName("/dane/plan.dx"), "/dane/plan");
    EXPECT_EQ(ProposeReportName("/dane/plan.tavx"), "/dane/plan.tavx");
    EXPECT_EQ(ProposeReportName("/dane/plan."), "/dane/plan.");
    EXPECT_EQ(ProposeReportName("a.tv"), "a.tv");          // not longer than four characters
    EXPECT_EQ(ProposeReportName("/d.v2/ab"), "/d.v2/ab");  // a full stop in a folder name stays

    EXPECT_TRUE(IsCsvReportPath("/x/r.csv"));
    EXPECT_TRUE(IsCsvReportPath("/x/R.CsV"));
    EXPECT_FALSE(IsCsvReportPath("/x/r.txt"));
    EXPECT_FALSE(IsCsvReportPath("/x/report.dat"));
    EXPECT_FALSE(IsCsvReportPath("/x/r.csvx"));
    EXPECT_FALSE(IsCsvReportPath("/x/csv"));
    EXPECT_FALSE(IsCsvReportPath("/x.csv/r"));
}

TEST(ReportNumberTest, UserForm) {
    struct SCase {
        const char* lf;
        const char* want;
    };
    const SCase cases[] = {{"1234567.891234", "1\u00a0234\u00a0567,891"},
                           {"123456.000000", "123\u00a0456,000"},
                           {"999.999500", "1\u00a0000,000"},
                           {"-999.999499", "-999,999"},
                           {"12.345500", "12,346"},
                           {"-0.000400", "0,000"},  // no minus sign on a zero
                           {"-0.000500", "-0,001"},
                           {"0.000000", "0,000"},
                           {"7", "7,000"},
                           {"inf", ""},
                           {"-nan", ""},
                           {"", ""},
                           {"1.2.3", ""}};
    for (const SCase& c : cases) {
        EXPECT_EQ(FormatNumberText(c.lf, kPolish), c.want) << c.lf;
    }
    const SNumberStyle plain{".", "", "-", 0};
    EXPECT_EQ(FormatNumberText("1234.5", plain), "1235");
    EXPECT_EQ(FormatNumberText("-1234.4", plain), "-1234");

    // The tests run in the C locale, where printf is the reference.
    for (double v : {1.5, -0.0, 0.0000005, 0.0000015, 1e20, 5420000.1234567, -2.5e-7, 1e300}) {
        char buf[400];
        std::snprintf(buf, sizeof buf, "%lf", v);
        EXPECT_EQ(LfText(v), buf);
    }
}

TEST(ReportNumberTest, SystemFormatInTheCLocale) {
    // The environment names the locale; the C locale writes the "%lf" form with three decimals.
    const char* old = std::getenv("LC_ALL");
    const std::string saved = old ? old : "";
    setenv("LC_ALL", "C", 1);
    const SReportFormat f = SystemReportFormat();
    if (old) {
        setenv("LC_ALL", saved.c_str(), 1);
    } else {
        unsetenv("LC_ALL");
    }
    ASSERT_TRUE(f.number);
    EXPECT_EQ(f.number("1234567.891234"), "1234567.891");
    ASSERT_TRUE(f.clock);
    EXPECT_FALSE(f.clock().date.empty());
}

class ReportWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        doc.SetPathName("/dane/Model ż.tav");
        AddPoint(doc, "Iż1", 1234567.125, -2.5, 0);
        AddPoint(doc, "I2", 1, 2, 3);
        AddPoint(doc, "Mż1", 1234567.0, -2.0, 0.5);
        query.idealPrefix = "I";
        query.measuredPrefix = "M";
    }
    std::string Path(const char* name) { return m_dir.File(name); }

    CRecordingPrompter prompter;
    CTAVDoc doc{&prompter};
    SReportQuery query;
    CTempDir m_dir;
};

const std::string kTxtHeader =
    "     Etykieta1:              X1:            Y1:            Z1:          Etykieta2:       "
    "      X2:            Y2:            Z2:      dX:      dY:      dZ:    Odleglosc:\r\n";

TEST_F(ReportWriterTest, TextBytes) {
    const std::string path = Path("r.txt");
    const auto pairs = MatchReportPoints(doc, query);
    ASSERT_TRUE(WriteDistanceReportTxt(doc, path, pairs, doc.GetPathName(), false, FixedFormat()));
    const std::string want =
        "Data:\r\n  17.05.2024 13:05:09\r\nPlik modelu:\r\n  /dane/Model ż.tav\r\n\r\n\r\n"
        "Raport o wzajemnych odleglosciach punktów:\r\n\r\n" +
        kTxtHeader + "\r\n" + S(17) + "Iż1" + S(2) + "1\u00a0234\u00a0567,125" + S(9) + "-2,500" +
        S(10) + "0,000" + S(18) + "Mż1" + S(2) + "1\u00a0234\u00a0567,000" + S(9) + "-2,000" +
        S(10) + "0,500" + S(4) + "0,125" + S(3) + "-0,500" + S(3) + "-0,500" + S(4) + "0,718\r\n" +
        S(18) + "I2" + S(10) + "1,000" + S(10) + "2,000" + S(10) + "3,000" + S(21) + S(10) +
        "0,000" + S(10) + "0,000" + S(10) + "0,000" + S(4) + "1,000" + S(4) + "2,000" + S(4) +
        "3,000" + S(4) + "3,742\r\n" + "\r\n  <<<<  Koniec  >>>>\r\n";
    EXPECT_EQ(ReadFile(path), want);
}

TEST_F(ReportWriterTest, CsvBytes) {
    AddPoint(doc, "I\"q\"", 0.5, 0, 0);
    const std::string path = Path("r.csv");
    const auto pairs = MatchReportPoints(doc, query);
    ASSERT_TRUE(WriteDistanceReportCsv(doc, path, pairs, doc.GetPathName(), false, FixedFormat()));
    const std::string want =
        "\"Etykieta1:\";\"X1:\";\"Y1:\";\"Z1:\";\"Etykieta2:\";\"X2:\";\"Y2:\";\"Z2:\";\"dX:\";"
        "\"dY:\";\"dZ:\";\"Odleglosc:\"\r\n"
        "\"Iż1\";1\u00a0234\u00a0567,125;-2,500;0,000;\"Mż1\";1\u00a0234\u00a0567,000;-2,000;0,500;"
        "0,125;-0,500;-0,500;0,718\r\n"
        "\"I2\";1,000;2,000;3,000;\"\";0,000;0,000;0,000;1,000;2,000;3,000;3,742\r\n"
        "\"I\"\"q\"\"\";0,500;0,000;0,000;\"\";0,000;0,000;0,000;0,500;0,000;0,000;0,500\r\n";
    EXPECT_EQ(ReadFile(path), want);
}

TEST_F(ReportWriterTest, WithoutAUserFormTheLfTextIsUsed) {
    SReportFormat f;
    f.number = [](const std::string&) { return std::string(); };  // formatting failed
    const std::string path = Path("r.csv");
    ASSERT_TRUE(WriteDistanceReportCsv(doc, path, MatchReportPoints(doc, query), "", false, f));
    const std::string text = ReadFile(path);
    EXPECT_NE(text.find("\"I2\";1.000000;2.000000;3.000000;\"\";0.000000;"), std::string::npos)
        << text;
}

TEST_F(ReportWriterTest, LocalResultsUseTheActiveSystem) {
    // A system shifted by (1, 2, 3): world = local + (1, 2, 3).
    CMatrix4 toLocal(CVec3(-1, -2, -3));
    doc.AddCoordSystem(CCoordSystem("U", CPoint3(1, 2, 3), CPoint3(2, 2, 3), CPoint3(1, 3, 3)),
                       toLocal);
    doc.SetActiveCoordSystem(0);
    const std::string path = Path("r.csv");
    const auto pairs = MatchReportPoints(doc, query);
    ASSERT_TRUE(WriteDistanceReportCsv(doc, path, pairs, "", true, FixedFormat()));
    const std::string text = ReadFile(path);
    // Both matched points are moved; the difference stays.
    EXPECT_NE(text.find("\"Iż1\";1\u00a0234\u00a0566,125;-4,500;-3,000;\"Mż1\";1\u00a0234\u00a0566,"
                        "000;-4,000;-2,500;0,125;-0,500;-0,500;0,718\r\n"),
              std::string::npos)
        << text;
    // The missing partner stays at 0, 0, 0.
    EXPECT_NE(text.find("\"I2\";0,000;0,000;0,000;\"\";0,000;0,000;0,000;0,000;0,000;0,000;0,000"),
              std::string::npos)
        << text;
    // Without the flag, or with the global frame active, nothing moves.
    ASSERT_TRUE(WriteDistanceReportCsv(doc, path, pairs, "", false, FixedFormat()));
    EXPECT_NE(ReadFile(path).find("\"I2\";1,000;2,000;3,000;"), std::string::npos);
    doc.SetActiveCoordSystem(-1);
    ASSERT_TRUE(WriteDistanceReportCsv(doc, path, pairs, "", true, FixedFormat()));
    EXPECT_NE(ReadFile(path).find("\"I2\";1,000;2,000;3,000;"), std::string::npos);
}

TEST_F(ReportWriterTest, CommandMessagesAndChoices) {
    std::vector<std::string> proposals;
    std::string answer;
    const auto choose = [&](const std::string& proposed) {
        proposals.push_back(proposed);
        return answer;
    };
    // Names that cannot be told apart.
    SReportQuery clash = query;
    clash.measuredPrefix = "I";
    EXPECT_EQ(MakeDistanceReport(doc, clash, choose, FixedFormat()), EReportResult::NamesClash);
    // No ideal point: no file dialog.
    SReportQuery none = query;
    none.idealPrefix = "X";
    EXPECT_EQ(MakeDistanceReport(doc, none, choose, FixedFormat()), EReportResult::NoPoints);
    const std::vector<std::string> said = {"Nazwy punktów idealnych i zmierzonych muszą sie różnić",
                                           "Nie znaleziono punktów o zadanych nazwach"};
    EXPECT_EQ(MessageTexts(prompter), said);
    EXPECT_TRUE(proposals.empty());
    // Cancelled file dialog.
    EXPECT_EQ(MakeDistanceReport(doc, query, choose, FixedFormat()), EReportResult::Cancelled);
    EXPECT_EQ(proposals, std::vector<std::string>{"/dane/Model ż"});
    // Any other extension writes the text form.
    answer = Path("report.dat");
    EXPECT_EQ(MakeDistanceReport(doc, query, choose, FixedFormat()), EReportResult::Written);
    EXPECT_EQ(ReadFile(answer).rfind("Data:\r\n", 0), 0u);
    answer = Path("REPORT.CSV");
    EXPECT_EQ(MakeDistanceReport(doc, query, choose, FixedFormat()), EReportResult::Written);
    EXPECT_EQ(ReadFile(answer).rfind("\"Etykieta1:\"", 0), 0u);
    EXPECT_EQ(MessageTexts(prompter), said);
    EXPECT_EQ(prompter.waitDepth, 0);
}

TEST_F(ReportWriterTest, UnwritablePlaceIsReported) {
    const std::string path = Path("no/such/folder/r.txt");
    const auto pairs = MatchReportPoints(doc, query);
    EXPECT_FALSE(WriteDistanceReportTxt(doc, path, pairs, "", false, FixedFormat()));
    EXPECT_FALSE(WriteDistanceReportCsv(doc, path, pairs, "", false, FixedFormat()));
    ASSERT_EQ(prompter.fileErrors.size(), 2u);
    EXPECT_EQ(prompter.fileErrors[0].rfind(path + ": Can not create the file: ", 0), 0u)
        << prompter.fileErrors[0];
    EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
