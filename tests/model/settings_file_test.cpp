#include "model/settings_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace lumetch {
namespace {

using test::TempDir;

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const auto nl = text.find('\n', start);
    lines.push_back(text.substr(start, nl - start));
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
  return lines;
}

std::string join_lines(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& l : lines) out += l + "\n";
  return out;
}

std::string read_data(const std::string& name) {
  std::ifstream in(std::string(LUMETCH_TEST_DATA) + "/settings/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every field away from its default, doubles already at three decimals.
MarkSettings unusual_settings() {
  MarkSettings s;
  s.disp_size = 150.5;
  s.grid_size = 2.25;
  s.move_step = 7;
  s.rate_x = 1.025;
  s.rate_y = 0.975;
  s.pen_x = -12.5;
  s.pen_y = 33.125;
  s.change_xy = 1;
  s.change_x = 1;
  s.change_y = 1;
  s.pen_home = 0;
  s.mark_layer = 5;
  for (int i = 0; i < kLayerCount; ++i) {
    const auto k = static_cast<std::size_t>(i);
    s.mark_num[k] = i + 2;
    s.speed[k] = 10 * i + 3;
    s.power[k] = 90 - i;
    s.pen_add[k] = i % 2;
  }
  s.scan_cent_x = -1.5;
  s.scan_cent_y = 2.5;
  s.scan_size_x = 60.0;
  s.scan_size_y = 25.125;
  s.resolution = 20;
  s.scan_dot = 0.05;
  s.scan_outline = 3;
  s.scan_style_hz = 1;
  s.scan_style_yz = 0;
  s.convert_style = 2;
  s.output_style = 1;
  s.mark_size_x = 110.0;
  s.mark_size_y = 90.0;
  s.locate_cent_x = 4.0;
  s.locate_cent_y = -4.0;
  s.locate_style = 8;
  s.view_zoom_num = 13;
  return s;
}

TEST(SettingsFormat, DefaultRecordMatchesTheReferenceFileByteForByte) {
  const std::string text = format_settings(MarkSettings{});
  EXPECT_EQ(text, read_data("default_settings.txt"));
  const auto lines = split_lines(text);
  ASSERT_EQ(lines.size(), 38u);
  EXPECT_EQ(lines[3], "rate_x   1.000;");
  EXPECT_EQ(lines[12], "mark_num 1;speed 8;power 100;pen_add 0;");
  EXPECT_EQ(lines[27], "scan_style_hz 0;");
  EXPECT_EQ(lines[28], "scan_style_yz 0;");
  EXPECT_EQ(lines[37], "end ;");
}

TEST(SettingsFormat, FixedThreeDecimalsAgreesWithPrintf) {
  for (double v : {0.0, 1.0, -1.0, 0.0126, 0.0625, -0.0004, 2.5e-4, 123.4565, 1234.5678,
                   -99999.9999, 1e10, 0.1, 0.0005, 100.0}) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%7.3f", v);
    EXPECT_EQ(format_7_3f(v), buf) << v;
  }
}

TEST(SettingsFile, RoundTripKeepsThreeDecimals) {
  TempDir dir;
  MarkSettings s = unusual_settings();
  s.scan_dot = 0.0126;
  ASSERT_TRUE(save_settings(dir.file("$.1"), s));
  MarkSettings back;
  ASSERT_TRUE(load_settings(dir.file("$.1"), back));
  MarkSettings expected = unusual_settings();
  expected.scan_dot = 0.013;
  EXPECT_EQ(back, expected);
}

TEST(SettingsFile, ReadingIsPositional) {
  TempDir dir;
  auto lines = split_lines(format_settings(unusual_settings()));
  std::swap(lines[0], lines[1]);    // disp_size <-> grid_size
  std::swap(lines[27], lines[28]);  // scan_style_hz <-> scan_style_yz
  dir.write("$.1", join_lines(lines));
  MarkSettings s;
  ASSERT_TRUE(load_settings(dir.file("$.1"), s));
  EXPECT_EQ(s.disp_size, 2.25);
  EXPECT_EQ(s.grid_size, 150.5);
  EXPECT_EQ(s.scan_style_hz, 0);
  EXPECT_EQ(s.scan_style_yz, 1);
}

TEST(SettingsFile, DamagedFieldsKeepWhatTheRecordHad) {
  const MarkSettings before = unusual_settings();
  const auto good = split_lines(format_settings(MarkSettings{}));
  struct Case {
    const char* name;
    std::function<void(std::vector<std::string>&)> damage;
    std::function<void(MarkSettings&)> expect;  // edits `before` into the expected record
  };
  const std::vector<Case> cases = {
      {"short file", [](auto& l) { l.resize(5); },
       [](MarkSettings& e) {
         const MarkSettings d;
         e.disp_size = d.disp_size, e.grid_size = d.grid_size, e.move_step = d.move_step;
         e.rate_x = d.rate_x, e.rate_y = d.rate_y;
       }},
      {"empty file", [](auto& l) { l.clear(); }, [](MarkSettings&) {}},
      {"no semicolon", [](auto& l) { l[3] = "rate_x   1.000"; },
       [](MarkSettings& e) { e = MarkSettings{}, e.rate_x = unusual_settings().rate_x; }},
      {"no blank", [](auto& l) { l[3] = "rate_x1.5;"; },
       [](MarkSettings& e) { e = MarkSettings{}, e.rate_x = unusual_settings().rate_x; }},
      {"garbage and non-finite",
       [](auto& l) {
         l[0] = "disp_size abc;", l[1] = "grid_size nan;", l[3] = "rate_x inf;";
         l[4] = "rate_y 1e999;", l[2] = "move_step 2x;", l[24] = "resolution 99999999999;";
         l[25] = "scan_dot ;";
       },
       [](MarkSettings& e) {
         const MarkSettings u = unusual_settings();
         e = MarkSettings{};
         e.disp_size = u.disp_size, e.grid_size = u.grid_size, e.rate_x = u.rate_x;
         e.rate_y = u.rate_y, e.move_step = u.move_step, e.resolution = u.resolution;
         e.scan_dot = u.scan_dot;
       }},
      {"one bad value in a layer line",
       [](auto& l) { l[14] = "mark_num 4;speed x;power 50;pen_add 1;"; },
       [](MarkSettings& e) {
         e = MarkSettings{};
         e.mark_num[2] = 4, e.speed[2] = unusual_settings().speed[2], e.power[2] = 50;
         e.pen_add[2] = 1;
       }},
      {"layer line cut short", [](auto& l) { l[13] = "mark_num 6;speed 7"; },
       [](MarkSettings& e) {
         const MarkSettings u = unusual_settings();
         e = MarkSettings{};
         e.mark_num[1] = 6, e.speed[1] = u.speed[1], e.power[1] = u.power[1];
         e.pen_add[1] = u.pen_add[1];
       }},
      {"over-long lines stay on their own line",
       [](auto& l) {
         l[0] = "disp_size " + std::string(100000, ' ') + "5;";
         l[2] = "move_step " + std::string(100000, '1') + ";";
       },
       [](MarkSettings& e) {
         const MarkSettings u = unusual_settings();
         e = MarkSettings{}, e.disp_size = u.disp_size, e.move_step = u.move_step;
       }},
      {"windows line ends",
       [](auto& l) {
         for (auto& line : l) line += "\r";
       },
       [](MarkSettings& e) { e = MarkSettings{}; }},
      {"blanks around values", [](auto& l) { l[2] = "move_step  +5 ;"; },
       [](MarkSettings& e) { e = MarkSettings{}, e.move_step = 5; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    auto lines = good;
    c.damage(lines);
    dir.write("$.1", join_lines(lines));
    MarkSettings s = before;
    EXPECT_TRUE(load_settings(dir.file("$.1"), s));
    MarkSettings expected = before;
    c.expect(expected);
    EXPECT_EQ(s, expected);
  }
}

TEST(SettingsFile, IndicesOutOfRangeTakeTheirDefaults) {
  struct Case {
    int line;  // 0-based
    const char* text;
    int32_t MarkSettings::*field;
    int32_t expected;
  };
  const Case cases[] = {
      {36, "view_zoom_num 14;", &MarkSettings::view_zoom_num, 9},
      {36, "view_zoom_num -1;", &MarkSettings::view_zoom_num, 9},
      {36, "view_zoom_num 13;", &MarkSettings::view_zoom_num, 13},
      {36, "view_zoom_num 0;", &MarkSettings::view_zoom_num, 0},
      {2, "move_step 8;", &MarkSettings::move_step, 3},
      {2, "move_step 7;", &MarkSettings::move_step, 7},
      {11, "mark_layer -1;", &MarkSettings::mark_layer, 0},
      {11, "mark_layer 8;", &MarkSettings::mark_layer, 0},
      {11, "mark_layer 7;", &MarkSettings::mark_layer, 7},
      {35, "locate_style 9;", &MarkSettings::locate_style, 0},
      {35, "locate_style 8;", &MarkSettings::locate_style, 8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    TempDir dir;
    auto lines = split_lines(format_settings(MarkSettings{}));
    lines[static_cast<std::size_t>(c.line)] = c.text;
    dir.write("$.1", join_lines(lines));
    MarkSettings s = unusual_settings();
    ASSERT_TRUE(load_settings(dir.file("$.1"), s));
    EXPECT_EQ(s.*c.field, c.expected);
  }
}

TEST(SettingsFile, MissingFileLeavesTheRecordAlone) {
  TempDir dir;
  MarkSettings s = unusual_settings();
  EXPECT_FALSE(load_settings(dir.file("$.1"), s));
  EXPECT_EQ(s, unusual_settings());
}

TEST(SettingsFile, SaveReplacesTheWholeFileAndLeavesNoTemporary) {
  TempDir dir;
  dir.write("$.1", std::string(5000, 'z'));
  ASSERT_TRUE(save_settings(dir.file("$.1"), MarkSettings{}));
  EXPECT_EQ(dir.read("$.1"), read_data("default_settings.txt"));
  const auto entries = std::distance(std::filesystem::directory_iterator(dir.path()),
                                     std::filesystem::directory_iterator());
  EXPECT_EQ(entries, 1);
}

TEST(SettingsFile, SaveKeepsTheFileMode) {
  namespace fs = std::filesystem;
  TempDir dir;
  dir.write("$.1", "old");
  fs::permissions(dir.file("$.1"),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_TRUE(save_settings(dir.file("$.1"), MarkSettings{}));
  EXPECT_EQ(fs::status(dir.file("$.1")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(SettingsFile, SaveSparesAReadOnlyFile) {
  namespace fs = std::filesystem;
  if (::geteuid() == 0) GTEST_SKIP() << "root may write any file";
  TempDir dir;
  dir.write("locked", "old");
  fs::permissions(dir.file("locked"), fs::perms::owner_read);
  EXPECT_FALSE(save_settings(dir.file("locked"), MarkSettings{}));
  EXPECT_EQ(dir.read("locked"), "old");
}

TEST(SettingsFile, ADirectoryIsNoSettingsFile) {
  TempDir dir;
  std::filesystem::create_directory(dir.file("$.1"));
  MarkSettings s = unusual_settings();
  EXPECT_FALSE(load_settings(dir.file("$.1"), s));
  EXPECT_EQ(s, unusual_settings());
}

TEST(SettingsFile, SaveIntoAMissingFolderFailsQuietly) {
  TempDir dir;
  EXPECT_FALSE(save_settings(dir.path() / "no-such-dir" / "$.1", MarkSettings{}));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "no-such-dir"));
}

TEST(ScreenFile, RoundTripAndExactText) {
  TempDir dir;
  ASSERT_TRUE(save_screen_state(dir.file("screen.$"), ScreenState{}));
  EXPECT_EQ(dir.read("screen.$"),
            "screen_size 470;\nposition_x 10000;\nposition_y -10000;\nend ;\n");
  const ScreenState s{612, -35, 4200};
  ASSERT_TRUE(save_screen_state(dir.file("screen.$"), s));
  ScreenState back;
  ASSERT_TRUE(load_screen_state(dir.file("screen.$"), back));
  EXPECT_EQ(back, s);
}

TEST(ScreenFile, DamagedOrMissingKeepsValues) {
  TempDir dir;
  ScreenState s;
  EXPECT_FALSE(load_screen_state(dir.file("screen.$"), s));
  EXPECT_EQ(s, ScreenState{});

  dir.write("screen.$", "screen_size 300;\nposition_x 12abc;");
  ASSERT_TRUE(load_screen_state(dir.file("screen.$"), s));
  EXPECT_EQ(s, (ScreenState{300, 10000, -10000}));

  dir.write("screen.$", "screen_size 300\nposition_x 5;\nposition_y nan;\n");
  s = ScreenState{};
  ASSERT_TRUE(load_screen_state(dir.file("screen.$"), s));
  EXPECT_EQ(s, (ScreenState{470, 5, -10000}));
}

}  // namespace
}  // namespace lumetch
