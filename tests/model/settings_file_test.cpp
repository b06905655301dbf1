#include "model/settings_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace lumetch {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0, nl; start < text.size(); start = nl + 1) {
    nl = text.find('\n', start);
    lines.push_back(text.substr(start, nl - start));
  }
  return lines;
}

std::string join_lines(const std::vector<std::string>& lines, const char* end = "\n") {
  std::string out;
  for (const auto& l : lines) out += l + end;
  return out;
}

// Every field but change_y away from its default (the mirror flags differ from
// each other), doubles already at three decimals; the scalars in the record's order.
const MarkSettings kUnusual = [] {
  MarkSettings s{150.5, 2.25, 7,  1.025, 0.975, -12.5, 33.125, 1,    1,      0,  0,
                 5,     {},   {}, {},    {},    -1.5,  2.5,    60.0, 25.125, 20, 0.05,
                 3,     1,    0,  2,     1,     110.0, 90.0,   4.0,  -4.0,   8,  13};
  for (int32_t i = 0; i < kLayerCount; ++i) {
    const auto k = static_cast<std::size_t>(i);
    s.mark_num[k] = i + 2;
    s.speed[k] = 10 * i + 3;
    s.power[k] = 90 - i;
    s.pen_add[k] = i % 2;
  }
  return s;
}();

const std::string kDefaultText = [] {
  std::ifstream in(fs::path(LUMETCH_TEST_DATA) / "settings" / "default_settings.txt",
                   std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}();

TEST(SettingsFormat, DefaultRecordMatchesTheReferenceFileByteForByte) {
  EXPECT_EQ(format_settings(MarkSettings{}), kDefaultText);
  const auto lines = split_lines(format_settings(kUnusual));
  ASSERT_EQ(lines.size(), 38u);
  EXPECT_EQ(lines[13], "mark_num 3;speed 13;power 89;pen_add 1;");
  EXPECT_EQ(lines[8], "change_x 1;");
  EXPECT_EQ(lines[27], "scan_style_hz 1;");  // before the vertical style
}

TEST(SettingsFormat, FixedThreeDecimalsAgreesWithPrintf) {
  for (double v : {0.0, -1.0, 0.0126, 0.0625, -0.0004, 0.0005, 123.4565, -99999.9999, 1e10}) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%7.3f", v);
    EXPECT_EQ(format_fixed(v, 7, 3), buf) << v;
  }
}

TEST(SettingsFile, RoundTripKeepsThreeDecimals) {
  TempDir dir;
  MarkSettings s = kUnusual;
  s.scan_dot = 0.0126;
  ASSERT_TRUE(save_settings(dir.file("$.1"), s));
  MarkSettings back;
  ASSERT_TRUE(load_settings(dir.file("$.1"), back));
  s.scan_dot = 0.013;
  EXPECT_EQ(back, s);
}

// The default file with one line changed, read into kUnusual: a damaged field
// keeps what the record had, an index out of its table takes its default.
TEST(SettingsFile, ReadsByPositionKeepingDamagedFieldsAndResettingBadIndices) {
  struct Case {
    const char* name;
    std::size_t line;
    std::string text;
    std::string read_as;  // how the line comes back; empty: kUnusual's line
  };
  const Case cases[] = {
      // The key words play no part: the line's place decides the field.
      {"another key", 0, "grid_size 2.250;", "disp_size   2.250;"},
      {"the vertical style in the horizontal's place", 27, "scan_style_yz 1;", "scan_style_hz 1;"},
      {"no semicolon", 3, "rate_x   1.500", ""},
      {"no blank", 3, "rate_x1.5;", ""},
      {"letters", 0, "disp_size abc;", ""},
      {"nan", 1, "grid_size nan;", ""},
      {"overflowing real", 4, "rate_y 1e999;", ""},
      {"letters after an integer", 2, "move_step 2x;", ""},
      {"integer too large", 24, "resolution 99999999999;", ""},
      {"empty value", 25, "scan_dot ;", ""},
      {"over-long line, cut and kept apart from the next", 0,
       "disp_size " + std::string(100000, ' ') + "5;", ""},
      {"blanks and a plus sign", 2, "move_step  +5 ;", "move_step 5;"},
      {"one bad value in a layer line", 14, "mark_num 4;speed x;power 50;pen_add 1;",
       "mark_num 4;speed 23;power 50;pen_add 1;"},
      {"layer line cut short", 13, "mark_num 6;speed 7", "mark_num 6;speed 13;power 89;pen_add 1;"},
      {"zoom beyond the table", 36, "view_zoom_num 14;", "view_zoom_num 9;"},
      {"last zoom", 36, "view_zoom_num 13;", "view_zoom_num 13;"},
      {"step beyond the table", 2, "move_step 8;", "move_step 3;"},
      {"last step", 2, "move_step 7;", "move_step 7;"},
      {"negative layer", 11, "mark_layer -1;", "mark_layer 0;"},
      {"layer beyond the arrays", 11, "mark_layer 8;", "mark_layer 0;"},
      {"last layer", 11, "mark_layer 7;", "mark_layer 7;"},
      {"locate style beyond the nine points", 35, "locate_style 9;", "locate_style 0;"},
      {"last locate style", 35, "locate_style 8;", "locate_style 8;"},
  };
  const std::vector<std::string> defaults = split_lines(kDefaultText);
  const std::vector<std::string> unusual = split_lines(format_settings(kUnusual));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    std::vector<std::string> lines = defaults;
    lines[c.line] = c.text;
    dir.write("$.1", join_lines(lines));
    MarkSettings s = kUnusual;
    ASSERT_TRUE(load_settings(dir.file("$.1"), s));
    lines = defaults;
    lines[c.line] = c.read_as.empty() ? unusual[c.line] : c.read_as;
    EXPECT_EQ(format_settings(s), join_lines(lines));
  }
}

TEST(SettingsFile, ShortFilesAndWindowsLineEnds) {
  TempDir dir;
  std::vector<std::string> lines = split_lines(kDefaultText);
  dir.write("$.1", join_lines(lines, "\r\n"));
  MarkSettings s = kUnusual;
  ASSERT_TRUE(load_settings(dir.file("$.1"), s));
  EXPECT_EQ(s, MarkSettings{});

  lines.resize(5);  // the rest keeps what the record had
  dir.write("$.1", join_lines(lines));
  s = kUnusual;
  ASSERT_TRUE(load_settings(dir.file("$.1"), s));
  std::vector<std::string> expected = split_lines(format_settings(kUnusual));
  std::copy(lines.begin(), lines.end(), expected.begin());
  EXPECT_EQ(format_settings(s), join_lines(expected));
}

TEST(SettingsFile, MissingFileOrAFolderLeavesTheRecordAlone) {
  TempDir dir;
  fs::create_directory(dir.file("folder"));
  for (const char* name : {"$.1", "folder"}) {
    MarkSettings s = kUnusual;
    EXPECT_FALSE(load_settings(dir.file(name), s)) << name;
    EXPECT_EQ(s, kUnusual);
  }
}

TEST(SettingsFile, SaveReplacesTheWholeFileKeepingItsMode) {
  TempDir dir;
  dir.write("$.1", std::string(5000, 'z'));
  const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(dir.file("$.1"), mode);
  ASSERT_TRUE(save_settings(dir.file("$.1"), MarkSettings{}));
  EXPECT_EQ(dir.read("$.1"), kDefaultText);
  EXPECT_EQ(fs::status(dir.file("$.1")).permissions() & fs::perms::all, mode);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);  // no temporary left

  EXPECT_FALSE(save_settings(dir.path() / "no-such-dir" / "$.1", MarkSettings{}));
  EXPECT_FALSE(fs::exists(dir.path() / "no-such-dir"));
  fs::create_directory(dir.file("folder"));
  EXPECT_FALSE(save_settings(dir.file("folder"), MarkSettings{}));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2);
  if (::geteuid() == 0) return;  // root may write any file
  fs::permissions(dir.file("$.1"), fs::perms::owner_read);
  EXPECT_FALSE(save_settings(dir.file("$.1"), kUnusual));
  EXPECT_EQ(dir.read("$.1"), kDefaultText);
}

TEST(ScreenFile, ExactTextRoundTripAndDamage) {
  TempDir dir;
  ASSERT_TRUE(save_screen_state(dir.file("screen.$"), ScreenState{}));
  EXPECT_EQ(dir.read("screen.$"),
            "screen_size 470;\nposition_x 10000;\nposition_y -10000;\nend ;\n");
  const ScreenState saved{612, -35, 4200};
  ASSERT_TRUE(save_screen_state(dir.file("screen.$"), saved));
  ScreenState s;
  ASSERT_TRUE(load_screen_state(dir.file("screen.$"), s));
  EXPECT_EQ(s, saved);

  dir.write("screen.$", "screen_size 300\nposition_x 5;\nposition_y nan;\n");
  s = ScreenState{};
  ASSERT_TRUE(load_screen_state(dir.file("screen.$"), s));
  EXPECT_EQ(s, (ScreenState{470, 5, -10000}));
  EXPECT_FALSE(load_screen_state(dir.file("none"), s));
  EXPECT_EQ(s, (ScreenState{470, 5, -10000}));
}

}  // namespace
}  // namespace lumetch
