// Argument checks of tavcli print: usage errors (2) and refused values (1) are found before any
// display or file is touched.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/TavCli.h"
#include "printing/core/PrintSettings.h"

namespace {

struct PrintArgsCase {
    const char* name;
    std::vector<std::string> args;
    int exit;
    const char* message;  // start of stderr
};

class PrintArgs : public testing::TestWithParam<PrintArgsCase> {};

TEST_P(PrintArgs, RefusedBeforeReading) {
    const PrintArgsCase& c = GetParam();
    std::vector<std::string> args = {"print"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    std::ostringstream out, err;
    EXPECT_EQ(RunTavCli(args, out, err), c.exit);
    EXPECT_EQ(err.str().rfind(c.message, 0), 0u) << err.str();
    EXPECT_TRUE(out.str().empty());
}

const std::string kIn = "missing-print-input.tav";

INSTANTIATE_TEST_SUITE_P(
    All, PrintArgs,
    testing::Values(
        PrintArgsCase{"nothing", {}, 2, "tavcli: print takes FILE and -o OUT.pdf\n"},
        PrintArgsCase{"no_output", {kIn}, 2, "tavcli: print takes FILE and -o OUT.pdf\n"},
        PrintArgsCase{"two_files", {kIn, kIn, "-o", "x.pdf"}, 2, "tavcli: print takes one FILE"},
        PrintArgsCase{"unknown_option",
                      {kIn, "-o", "x.pdf", "--colour"},
                      2,
                      "tavcli: unknown option: --colour"},
        PrintArgsCase{"scale_no_colon",
                      {kIn, "-o", "x.pdf", "--scale", "12"},
                      2,
                      "tavcli: --scale takes M:N"},
        PrintArgsCase{
            "scale_text", {kIn, "-o", "x.pdf", "--scale", "1:abc"}, 2, "tavcli: --scale takes M:N"},
        PrintArgsCase{
            "scale_nan", {kIn, "-o", "x.pdf", "--scale", "nan:1"}, 2, "tavcli: --scale takes M:N"},
        PrintArgsCase{"scale_overflow",
                      {kIn, "-o", "x.pdf", "--scale", "1e999:1"},
                      2,
                      "tavcli: --scale takes M:N"},
        PrintArgsCase{"fit_and_scale",
                      {kIn, "-o", "x.pdf", "--fit", "--scale", "1:1"},
                      2,
                      "tavcli: --fit and --scale exclude each other"},
        PrintArgsCase{"unknown_paper",
                      {kIn, "-o", "x.pdf", "--paper", "A99"},
                      2,
                      "tavcli: --paper takes a page size name"},
        PrintArgsCase{"window_three",
                      {kIn, "-o", "x.pdf", "--window", "1,2,3"},
                      2,
                      "tavcli: --window takes X1,Y1,X2,Y2"},
        PrintArgsCase{"window_five",
                      {kIn, "-o", "x.pdf", "--window", "1,2,3,4,5"},
                      2,
                      "tavcli: --window takes X1,Y1,X2,Y2"},
        PrintArgsCase{"line_width_9",
                      {kIn, "-o", "x.pdf", "--line-width", "9"},
                      2,
                      "tavcli: --line-width takes 0 (Auto) to 8"},
        PrintArgsCase{"line_width_negative",
                      {kIn, "-o", "x.pdf", "--line-width", "-1"},
                      2,
                      "tavcli: --line-width takes 0 (Auto) to 8"},
        PrintArgsCase{"dpi_text",
                      {kIn, "-o", "x.pdf", "--dpi", "300dpi"},
                      2,
                      "tavcli: --dpi takes a whole number"},
        PrintArgsCase{"shift_text",
                      {kIn, "-o", "x.pdf", "--shift-down", "1mm"},
                      2,
                      "tavcli: --shift-down takes a number of mm"},
        PrintArgsCase{"dpi_zero",
                      {kIn, "-o", "x.pdf", "--dpi", "0"},
                      1,
                      "tavcli: --dpi must lie between 1 and 1200\n"},
        PrintArgsCase{"shift_beyond_1000",
                      {kIn, "-o", "x.pdf", "--shift-right", "1000.5"},
                      1,
                      "tavcli: --shift-right must lie between 0 and 1000 mm\n"},
        PrintArgsCase{"scale_zero", {kIn, "-o", "x.pdf", "--scale", "0:1"}, 1, kPrintScaleMsg},
        PrintArgsCase{"units_negative", {kIn, "-o", "x.pdf", "--scale", "1:-2"}, 1, kPrintScaleMsg},
        PrintArgsCase{
            "empty_window", {kIn, "-o", "x.pdf", "--window", "0,5,10,5"}, 1, kPrintWindowMsg}),
    [](const testing::TestParamInfo<PrintArgsCase>& i) { return std::string(i.param.name); });

TEST(PrintArgs, HelpDocumentsEveryOption) {
    std::ostringstream out, err;
    RunTavCli({"--help"}, out, err);
    const std::string help = out.str() + err.str();
    for (const char* option :
         {"print FILE -o OUT.pdf", "--scale M:N", "--fit", "--paper", "--landscape", "--mono",
          "--raster", "--white", "--line-width", "--window", "--shift-right", "--shift-down",
          "--names", "--zoom-all", "--dpi"}) {
        EXPECT_NE(help.find(option), std::string::npos) << option;
    }
}

}  // namespace
