// Argument checks of tavcli render: refused before any display or file is touched.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/TavCli.h"

namespace {

struct RenderArgsCase {
    const char* name;
    std::vector<std::string> args;
    const char* problem;
};

class RenderArgs : public testing::TestWithParam<RenderArgsCase> {};

TEST_P(RenderArgs, UsageError) {
    const RenderArgsCase& c = GetParam();
    std::vector<std::string> args = {"render"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    std::ostringstream out, err;
    EXPECT_EQ(RunTavCli(args, out, err), kExitUsage);
    EXPECT_EQ(err.str().rfind(std::string("tavcli: ") + c.problem + "\n", 0), 0u) << err.str();
    EXPECT_TRUE(out.str().empty());
}

INSTANTIATE_TEST_SUITE_P(
    All, RenderArgs,
    testing::Values(
        RenderArgsCase{"nothing", {}, "render takes FILE and -o OUT.png"},
        RenderArgsCase{"no_output", {"a.tav"}, "render takes FILE and -o OUT.png"},
        RenderArgsCase{"o_without_name", {"a.tav", "-o"}, "-o needs a file name"},
        RenderArgsCase{"two_files", {"a.tav", "b.tav", "-o", "x.png"}, "render takes one FILE"},
        RenderArgsCase{
            "mode_4", {"a.tav", "-o", "x.png", "--mode", "4"}, "--mode takes 0, 1, 2 or 3"},
        RenderArgsCase{
            "mode_missing", {"a.tav", "-o", "x.png", "--mode"}, "--mode takes 0, 1, 2 or 3"},
        RenderArgsCase{"mode_two_digits",
                       {"a.tav", "-o", "x.png", "--mode", "01"},
                       "--mode takes 0, 1, 2 or 3"},
        RenderArgsCase{"size_zero",
                       {"a.tav", "-o", "x.png", "--size", "0x10"},
                       "--size takes WIDTHxHEIGHT, each 1..16384"},
        RenderArgsCase{"size_huge",
                       {"a.tav", "-o", "x.png", "--size", "16385x10"},
                       "--size takes WIDTHxHEIGHT, each 1..16384"},
        RenderArgsCase{"size_overflow",
                       {"a.tav", "-o", "x.png", "--size", "99999999999x1"},
                       "--size takes WIDTHxHEIGHT, each 1..16384"},
        RenderArgsCase{"size_signed",
                       {"a.tav", "-o", "x.png", "--size", "-5x10"},
                       "--size takes WIDTHxHEIGHT, each 1..16384"},
        RenderArgsCase{"size_no_x",
                       {"a.tav", "-o", "x.png", "--size", "640"},
                       "--size takes WIDTHxHEIGHT, each 1..16384"},
        RenderArgsCase{
            "unknown_option", {"a.tav", "-o", "x.png", "--shade"}, "unknown option: --shade"}),
    [](const testing::TestParamInfo<RenderArgsCase>& i) { return i.param.name; });

TEST(RenderHelp, UsageNamesTheCommand) {
    std::ostringstream out, err;
    EXPECT_EQ(RunTavCli({"--help"}, out, err), kExitOk);
    EXPECT_NE(out.str().find("  render FILE -o OUT.png [--mode 0..3] [--size WxH] [--white] "
                             "[--names] [--fit]\n"),
              std::string::npos);
    EXPECT_NE(out.str().find("  --help             show this text\n"), std::string::npos);
}

}  // namespace
