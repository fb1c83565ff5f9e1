#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "document/TAVDoc.h"
#include "support/CliRun.h"
#include "support/TempFiles.h"

namespace fs = std::filesystem;

namespace {

// Output of a shell command, "" when it cannot run.
std::string Capture(const std::string& command) {
    std::string text;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) {
        return text;
    }
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe.get())) > 0) {
        text.append(buf, n);
    }
    return text;
}

int PdfPages(const std::string& path) {
    const std::string info = Capture("pdfinfo '" + path + "' 2>/dev/null");
    const size_t at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}

// Entity 0 without data, entity 1 a parcel whose owner field holds `owners` values, entity 2
// a tank with one dated modernization.
class DataCliTest : public ::testing::Test {
protected:
    void Write(int owners) {
        CTAVDoc doc;
        doc.AddEntity(std::make_unique<CPnt>());
        auto parcel = std::make_unique<CPnt>();
        parcel->m_data.BuildObjectTree(3);
        CDataNode value = GetDataTemplate(1)->GetChild(0);
        for (int i = 0; i < owners; ++i) {
            value.SetText("Właściciel nr " + std::to_string(i));
            parcel->m_data.GetChild(6).AddChild(value);
        }
        doc.AddEntity(std::move(parcel));
        auto tank = std::make_unique<CPnt>();
        tank->m_data.BuildObjectTree(4);
        CDataNode date = GetDataTemplate(3)->GetChild(0);
        date.SetText("2004.02.29");
        CDataNode note = GetDataTemplate(2)->GetChild(0);
        note.SetText("Malowanie");
        date.AddChild(note);
        tank->m_data.GetChild(1).AddChild(date);
        doc.AddEntity(std::move(tank));
        ASSERT_TRUE(doc.OnSaveDocument(m_file));
    }
    CTempDir m_dir;
    const std::string m_file = m_dir.File("in.tav"), m_pdf = m_dir.File("out.pdf");
};

TEST_F(DataCliTest, TreePrintsAsTextInTreeOrder) {
    Write(2);
    const SRun r = RunCli({"data", m_file, "--entity", "2", "-o", m_pdf});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(PdfPages(m_pdf), 1);
    const std::string text = Capture("pdftotext -layout '" + m_pdf + "' -");
    const size_t root = text.find("Zbiornik");
    const size_t mods = text.find("modernizacje");
    const size_t date = text.find("2004.02.29");
    const size_t note = text.find("Malowanie");
    ASSERT_NE(root, std::string::npos) << text;
    ASSERT_NE(note, std::string::npos) << text;
    EXPECT_LT(root, mods);
    EXPECT_LT(mods, date);
    EXPECT_LT(date, note);
}

TEST_F(DataCliTest, LongTreeGoesOnToMorePages) {
    Write(150);
    const SRun r = RunCli({"data", m_file, "--entity", "1", "-o", m_pdf});
    ASSERT_EQ(r.code, 0) << r.err;
    // 163 rows; an A4 page holds about 60 at 10 points.
    EXPECT_EQ(PdfPages(m_pdf), 3);
    const std::string text = Capture("pdftotext '" + m_pdf + "' -");
    EXPECT_NE(text.find("Właściciel nr 0"), std::string::npos);
    EXPECT_NE(text.find("Właściciel nr 149"), std::string::npos);
    EXPECT_NE(text.find("Powierzchnia działki"), std::string::npos);
}

TEST_F(DataCliTest, RefusalsWriteNothing) {
    Write(0);
    const std::pair<const char*, const char*> cases[] = {{"0", "entity 0 has no data"},
                                                         {"3", "entity 3 is out of range"},
                                                         {"-1", "out of range"},
                                                         {"99999999999", "out of range"}};
    for (const auto& [entity, message] : cases) {
        const SRun r = RunCli({"data", m_file, "--entity", entity, "-o", m_pdf});
        EXPECT_EQ(r.code, 1) << entity;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(m_pdf)) << entity;
    }
}

TEST_F(DataCliTest, UnreadableInputAndOutput) {
    Write(0);
    SRun r = RunCli({"data", m_dir.File("missing.tav"), "--entity", "1", "-o", m_pdf});
    EXPECT_EQ(r.code, 1);
    EXPECT_FALSE(fs::exists(m_pdf));
    r = RunCli({"data", m_file, "--entity", "1", "-o", m_dir.File("no/such/dir/out.pdf")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("the PDF cannot be written"), std::string::npos) << r.err;
}

}  // namespace
