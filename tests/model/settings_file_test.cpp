#include "model/settings_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace lumetch {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Every field but change_y away from its default (the mirror flags differ from
// each other), indices at their tables' last entries, doubles at three
// decimals; the scalars in the record's order.
// clang-format off
const MarkSettings kUnusual{150.5, 2.25, 7, 1.025, 0.975, -12.5, 33.125, 1, 1, 0, 0, 7,
                            {2, 3, 4, 5, 6, 7, 8, 9}, {3, 13, 23, 33, 43, 53, 63, 73},
                            {90, 89, 88, 87, 86, 85, 84, 83}, {0, 1, 0, 1, 0, 1, 0, 1},
                            -1.5, 2.5, 60.0, 25.125, 20, 0.05, 3, 1, 0, 2, 1, 110.0, 90.0, 4.0,
                            -4.0, 8, 13};
// clang-format on

const std::string kDefaultText = [] {
  std::ifstream in(fs::path(LUMETCH_TEST_DATA) / "settings" / "default_settings.txt",
                   std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}();

TEST(SettingsFormat, DefaultRecordMatchesTheReferenceFileByteForByte) {
  EXPECT_EQ(format_settings(MarkSettings{}), kDefaultText);
  const auto lines = split_lines(format_settings(kUnusual));
  EXPECT_EQ(lines.at(13), "mark_num 3;speed 13;power 89;pen_add 1;");
  EXPECT_EQ(lines.at(8), "change_x 1;");
  EXPECT_EQ(lines.at(27), "scan_style_hz 1;");  // before the vertical style
}

TEST(SettingsFormat, FixedThreeDecimalsAgreesWithPrintf) {
  for (double v : {0.0, -1.0, 0.0126, 0.0625, -0.0004, 0.0005, 123.4565, -99999.9999, 1e10}) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%7.3f", v);
    EXPECT_EQ(format_fixed(v, 7, 3), buf) << v;
  }
}

// The default file with one line changed, read into kUnusual: a damaged field
// keeps what the record had, an index out of its table takes its default.
TEST(SettingsFile, ReadsByPositionKeepingDamagedFieldsAndResettingBadIndices) {
  const struct {
    const char* name;
    std::size_t line;
    std::string text;
    std::string read_as;  // empty: kUnusual's line
  } cases[] = {
      {"the line's place decides the field", 0, "grid_size 2.250;", "disp_size   2.250;"},
      {"blanks and a plus sign", 2, "move_step  +5 ;", "move_step 5;"},
      {"no semicolon", 3, "rate_x   1.500", ""},
      {"letters after a real", 0, "disp_size 1.5x;", ""},
      {"nan", 1, "grid_size nan;", ""},
      {"overflowing real", 4, "rate_y 1e999;", ""},
      {"letters after an integer", 2, "move_step 2x;", ""},
      {"integer too large", 24, "resolution 99999999999;", ""},
      {"over-long line, cut and kept apart from the next", 0,
       "disp_size " + std::string(100000, ' ') + "5;", ""},
      {"one bad value in a layer line", 14, "mark_num 4;speed x;power 50;pen_add 1;",
       "mark_num 4;speed 23;power 50;pen_add 1;"},
      {"layer line cut short", 13, "mark_num 6;speed 7", "mark_num 6;speed 13;power 89;pen_add 1;"},
      {"zoom beyond the table", 36, "view_zoom_num 14;", "view_zoom_num 9;"},
      {"step beyond the table", 2, "move_step 8;", "move_step 3;"},
      {"negative layer", 11, "mark_layer -1;", "mark_layer 0;"},
      {"layer beyond the arrays", 11, "mark_layer 8;", "mark_layer 0;"},
      {"locate style beyond the nine points", 35, "locate_style 9;", "locate_style 0;"},
  };
  const std::vector<std::string> unusual = split_lines(format_settings(kUnusual));
  auto defaults_but = [](std::size_t i, const std::string& text) {
    std::vector<std::string> lines = split_lines(kDefaultText);
    lines.at(i) = text;
    std::string out;
    for (const auto& l : lines) out += l + "\n";
    return out;
  };
  TempDir dir;
  for (const auto& c : cases) {
    dir.write("$.1", defaults_but(c.line, c.text));
    MarkSettings s = kUnusual;
    ASSERT_TRUE(load_settings(dir.file("$.1"), s).ok()) << c.name;
    EXPECT_EQ(format_settings(s),
              defaults_but(c.line, c.read_as.empty() ? unusual[c.line] : c.read_as))
        << c.name;
  }
}

TEST(SettingsFile, ShortFileWithWindowsLineEndsLeavesTheRestAlone) {
  TempDir dir;
  dir.write("$.1", "disp_size 1.5;\r\ngrid_size 2;\r\n");
  MarkSettings s = kUnusual;
  ASSERT_TRUE(load_settings(dir.file("$.1"), s).ok());
  MarkSettings expected = kUnusual;
  expected.disp_size = 1.5;
  expected.grid_size = 2.0;
  EXPECT_EQ(s, expected);
}

// The file is replaced whole, through a link, keeping its mode.
TEST(SettingsFile, SaveRoundTripsAndReplacesTheFileAtomically) {
  TempDir dir;
  const fs::path file = dir.file("$.1");
  dir.write("real", std::string(5000, 'z'));
  const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(dir.file("real"), mode);
  fs::create_symlink(dir.file("real"), file);
  ASSERT_TRUE(save_settings(file, kUnusual));
  MarkSettings back;
  ASSERT_TRUE(load_settings(file, back).ok());
  EXPECT_TRUE(load_settings(dir.file("none"), back).missing());
  EXPECT_TRUE(load_settings(dir.path(), back).unreadable());
  EXPECT_EQ(back, kUnusual);  // failed loads leave the record alone
  EXPECT_EQ(dir.read("real"), format_settings(kUnusual));
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, mode);

  fs::create_directory(dir.file("folder"));
  EXPECT_FALSE(save_settings(dir.file("folder"), back));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 3);  // no temporary left
  if (::geteuid() == 0) return;  // root writes to read-only files
  fs::permissions(dir.file("real"), fs::perms::owner_read);
  EXPECT_FALSE(save_settings(file, MarkSettings{}));
  EXPECT_EQ(dir.read("real"), format_settings(kUnusual));
}

TEST(ScreenFile, ExactTextAndDamagedLinesKeepTheirValues) {
  TempDir dir;
  const fs::path file = dir.file("screen.$");
  ASSERT_TRUE(save_screen_state(file, ScreenState{}));
  EXPECT_EQ(dir.read("screen.$"),
            "screen_size 470;\nposition_x 10000;\nposition_y -10000;\nend ;\n");
  dir.write("screen.$", "screen_size 300\nposition_x 5;\nposition_y -7;\n");
  ScreenState s{612, -35, 4200};
  ASSERT_TRUE(load_screen_state(file, s).ok());
  EXPECT_EQ(s, (ScreenState{612, 5, -7}));  // the first line has no ";"
  EXPECT_TRUE(load_screen_state(dir.file("none"), s).missing());
  EXPECT_TRUE(load_screen_state(dir.path(), s).unreadable());
  EXPECT_EQ(s, (ScreenState{612, 5, -7}));
}

TEST(PlotFile, RoundTripsAndAMissingOrDamagedFileReadsEveryPair) {
  TempDir dir;
  const fs::path file = dir.file("plot.$");
  PlotReading r = PlotReading::kFirstPairOnly;
  EXPECT_TRUE(load_plot_options(file, r).missing());
  EXPECT_EQ(r, PlotReading::kFull);
  ASSERT_TRUE(save_plot_options(file, PlotReading::kFirstPairOnly));
  EXPECT_EQ(dir.read("plot.$"), "plot_reading 1;\nend ;\n");
  ASSERT_TRUE(load_plot_options(file, r).ok());
  EXPECT_EQ(r, PlotReading::kFirstPairOnly);
  EXPECT_EQ(parse_plot_options("plot_reading 1 ;\r\n"), PlotReading::kFirstPairOnly);
  for (const char* damaged : {"plot_reading 2;", "plot_reading 1\n", "plot_reading x;", ""}) {
    EXPECT_EQ(parse_plot_options(damaged), PlotReading::kFull) << damaged;
  }
}

}  // namespace
}  // namespace lumetch
