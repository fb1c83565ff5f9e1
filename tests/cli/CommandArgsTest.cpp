// Arguments of the tavcli commands: usage errors (2) and refused values (1) are found before
// any display or file is touched, each with its own text on stderr; --help names every command
// and option.

#include <gtest/gtest.h>

#include "printing/core/PrintSettings.h"
#include "support/CliRun.h"

namespace {

struct SArgsCase {
    const char* name;
    std::vector<std::string> args;
    int exit;
    std::string message;  // the start of stderr when it begins with "tavcli: ", else a part
};

std::vector<std::string> Print(std::vector<std::string> more) {
    more.insert(more.begin(), {"print", "missing.tav", "-o", "x.pdf"});
    return more;
}
std::vector<std::string> Render(std::vector<std::string> more) {
    more.insert(more.begin(), {"render", "a.tav", "-o", "x.png"});
    return more;
}

const std::string kSize = "tavcli: --size takes WIDTHxHEIGHT, each 1..16384\n";
const std::string kMode = "tavcli: --mode takes 0, 1, 2 or 3\n";
const std::string kScale = "tavcli: --scale takes M:N";
const std::string kWindow = "tavcli: --window takes X1,Y1,X2,Y2";
const std::string kWidth = "tavcli: --line-width takes 0 (Auto) to 8";
const std::string kEntity = "tavcli: --entity takes a whole number\n";
const std::string kMeasure = "tavcli: measure takes FILE and --entity K\n";
const std::string kData = "data takes FILE, --entity K and -o";

const SArgsCase kCases[] = {
    {"usage_nothing", {}, 2, ""},
    {"usage_unknown_command", {"frobnicate"}, 2, ""},
    {"info_no_file", {"info"}, 2, ""},
    {"info_two_files", {"info", "a.tav", "b.tav"}, 2, ""},
    {"convert_no_output", {"convert", "a.tav"}, 2, ""},
    {"convert_unknown_output", {"convert", "a.tav", "out.txt"}, 2, ""},
    {"convert_dwg", {"convert", "a.dxf", "e.dwg"}, 2, ""},
    {"render_nothing", {"render"}, 2, "tavcli: render takes FILE and -o OUT.png\n"},
    {"render_no_output", {"render", "a.tav"}, 2, "tavcli: render takes FILE and -o OUT.png\n"},
    {"render_o_without_name", {"render", "a.tav", "-o"}, 2, "tavcli: -o needs a file name\n"},
    {"render_two_files",
     {"render", "a.tav", "b.tav", "-o", "x.png"},
     2,
     "tavcli: render takes one FILE\n"},
    {"render_mode_4", Render({"--mode", "4"}), 2, kMode},
    {"render_mode_missing", Render({"--mode"}), 2, kMode},
    {"render_mode_two_digits", Render({"--mode", "01"}), 2, kMode},
    {"render_size_zero", Render({"--size", "0x10"}), 2, kSize},
    {"render_size_huge", Render({"--size", "16385x10"}), 2, kSize},
    {"render_size_overflow", Render({"--size", "99999999999x1"}), 2, kSize},
    {"render_size_signed", Render({"--size", "-5x10"}), 2, kSize},
    {"render_size_no_x", Render({"--size", "640"}), 2, kSize},
    {"render_unknown_option", Render({"--shade"}), 2, "tavcli: unknown option: --shade\n"},
    {"print_nothing", {"print"}, 2, "tavcli: print takes FILE and -o OUT.pdf\n"},
    {"print_no_output", {"print", "a.tav"}, 2, "tavcli: print takes FILE and -o OUT.pdf\n"},
    {"print_two_files",
     {"print", "a.tav", "a.tav", "-o", "x.pdf"},
     2,
     "tavcli: print takes one FILE"},
    {"print_unknown_option", Print({"--colour"}), 2, "tavcli: unknown option: --colour"},
    {"print_scale_no_colon", Print({"--scale", "12"}), 2, kScale},
    {"print_scale_text", Print({"--scale", "1:abc"}), 2, kScale},
    {"print_scale_nan", Print({"--scale", "nan:1"}), 2, kScale},
    {"print_scale_overflow", Print({"--scale", "1e999:1"}), 2, kScale},
    {"print_fit_and_scale", Print({"--fit", "--scale", "1:1"}), 2,
     "tavcli: --fit and --scale exclude each other"},
    {"print_unknown_paper", Print({"--paper", "A99"}), 2, "tavcli: --paper takes a page size name"},
    {"print_window_three", Print({"--window", "1,2,3"}), 2, kWindow},
    {"print_window_five", Print({"--window", "1,2,3,4,5"}), 2, kWindow},
    {"print_line_width_9", Print({"--line-width", "9"}), 2, kWidth},
    {"print_line_width_negative", Print({"--line-width", "-1"}), 2, kWidth},
    {"print_dpi_text", Print({"--dpi", "300dpi"}), 2, "tavcli: --dpi takes a whole number"},
    {"print_shift_text", Print({"--shift-down", "1mm"}), 2,
     "tavcli: --shift-down takes a number of mm"},
    {"print_dpi_zero", Print({"--dpi", "0"}), 1, "tavcli: --dpi must lie between 1 and 1200\n"},
    {"print_shift_beyond_1000", Print({"--shift-right", "1000.5"}), 1,
     "tavcli: --shift-right must lie between 0 and 1000 mm\n"},
    {"print_scale_zero", Print({"--scale", "0:1"}), 1, kPrintScaleMsg},
    {"print_units_negative", Print({"--scale", "1:-2"}), 1, kPrintScaleMsg},
    {"print_empty_window", Print({"--window", "0,5,10,5"}), 1, kPrintWindowMsg},
    {"measure_nothing", {"measure"}, 2, kMeasure},
    {"measure_no_entity", {"measure", "a.tav"}, 2, kMeasure},
    {"measure_entity_missing", {"measure", "a.tav", "--entity"}, 2, kEntity},
    {"measure_entity_word", {"measure", "a.tav", "--entity", "x"}, 2, kEntity},
    {"measure_entity_fraction", {"measure", "a.tav", "--entity", "1.5"}, 2, kEntity},
    {"measure_entity_huge", {"measure", "a.tav", "--entity", "99999999999999999999"}, 2, kEntity},
    {"measure_two_files",
     {"measure", "a.tav", "b.tav", "--entity", "0"},
     2,
     "tavcli: measure takes one FILE\n"},
    {"measure_option",
     {"measure", "a.tav", "--system", "1"},
     2,
     "tavcli: unknown option: --system\n"},
    {"data_not_a_number", {"data", "a.tav", "--entity", "1x", "-o", "x.pdf"}, 2, "whole number"},
    {"data_no_entity", {"data", "a.tav", "-o", "x.pdf"}, 2, kData},
    {"data_no_output", {"data", "a.tav", "--entity", "1"}, 2, kData},
    {"data_dangling_option", {"data", "a.tav", "--entity"}, 2, "--entity needs a value"},
    {"data_two_files",
     {"data", "a.tav", "x.tav", "--entity", "1", "-o", "x.pdf"},
     2,
     "data takes one FILE"},
    {"report_no_measured", {"report", "a.tav", "--ideal", "P", "-o", "r.txt"}, 2, ""},
    {"report_dangling_output", {"report", "a.tav", "--ideal", "P", "--measured", "M", "-o"}, 2, ""},
    {"report_start_too_big",
     {"report", "a.tav", "--ideal", "P:1000001", "--measured", "M", "-o", "r.txt"},
     2,
     "Wprowadź liczbę całkowitą z zakresu od 0 do 1000000."},
    {"convert_frame_not_one",
     {"convert", "a.pnt", "a.tav", "--drawing-frame", "0,0,0;1,0,0@X"},
     2,
     "--drawing-frame"},
    {"convert_frame_missing", {"convert", "a.pnt", "a.tav", "--drawing-frame"}, 2, ""},
};

TEST(CommandArgs, RefusedBeforeReading) {
    for (const SArgsCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const SRun r = RunCli(c.args);
        EXPECT_EQ(r.code, c.exit);
        if (c.message.rfind("tavcli: ", 0) == 0) {
            EXPECT_EQ(r.err.rfind(c.message, 0), 0u) << r.err;
        } else {
            EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        }
        EXPECT_TRUE(r.out.empty());
    }
}

TEST(CommandHelp, NamesEveryCommandAndOption) {
    const SRun r = RunCli({"--help"});
    EXPECT_EQ(r.code, kExitOk);
    const std::string help = r.out + r.err;
    for (const char* text :
         {"Exit status", "  --help             show this text\n",
          "  render FILE -o OUT.png [--mode 0..3] [--size WxH] [--white] [--names] [--fit]\n",
          "print FILE -o OUT.pdf", "--scale M:N", "--fit", "--paper", "--landscape", "--mono",
          "--raster", "--white", "--line-width", "--window", "--shift-right", "--shift-down",
          "--names", "--zoom-all", "--dpi", "data FILE --entity K -o OUT.pdf"}) {
        EXPECT_NE(help.find(text), std::string::npos) << text;
    }
}

}  // namespace
