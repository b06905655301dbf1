#include "marker/speed_modes.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "support/temp_dir.h"

namespace lumetch {
namespace {

using test::TempDir;

TEST(SpeedModeLine, TakesTheTextAfterTheColonThroughTheSemicolon) {
  struct Case {
    const char* name;
    std::string line;
    std::optional<std::string> cmd;
  };
  const Case cases[] = {
      {"default line", "stable speed:SP1;", "SP1;"},
      {"label ignored, tail dropped", "mode:SP0;xyz", "SP0;"},
      {"first colon counts", "a:b:SP3;", "b:SP3;"},
      {"lower case kept", ":sp0;", "sp0;"},
      {"semicolon alone", "x:;", ";"},
      {"19 characters", "m:" + std::string(18, 'A') + ";", std::string(18, 'A') + ";"},
      {"20 characters", "m:" + std::string(19, 'A') + ";", std::nullopt},
      {"no colon", "SP1;", std::nullopt},
      {"semicolon only before colon", "SP1;:SP2", std::nullopt},
      {"empty", "", std::nullopt},
      // The ";" lies beyond the 49 characters that count.
      {"command past 49 characters", std::string(45, 'L') + ":SP1;", std::nullopt},
      {"command ends at character 49", std::string(44, 'L') + ":SP1;", "SP1;"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(parse_speed_mode_line(c.line), c.cmd);
  }
}

TEST(SpeedModeFile, EachLineMissingOrRejectedKeepsItsOwnDefault) {
  const struct {
    const char* name;
    std::optional<std::string> file;  // none: no file
    SpeedModes modes;
  } cases[] = {
      {"no file", std::nullopt, {}},
      {"both read, Windows line ends", "anything:sp0;trailing\r\nVarible speed:SP5;\r\n",
       {"sp0;", "SP5;"}},
      {"first rejected", "no colon here\nVarible speed:SP5;\n", {"SP1;", "SP5;"}},
      {"second rejected", "stable speed:SP0;\nVarible speed SP5\n", {"SP0;", "SP2;"}},
      {"one line, no newline", "stable speed:SP0;", {"SP0;", "SP2;"}},
      // Read in 49-character pieces, the tail of line 1 would have become line 2.
      {"over-long first line", std::string(60, 'L') + ":SP7;\nVarible speed:SP8;\n",
       {"SP1;", "SP8;"}},
  };
  for (const auto& c : cases) {
    TempDir dir;
    if (c.file) dir.write("fix.txt", *c.file);
    EXPECT_EQ(load_speed_modes(dir.file("fix.txt")), c.modes) << c.name;
  }
}

TEST(SpeedModeFile, CreatesTheDefaultFileOnlyWhenMissing) {
  TempDir dir;
  ASSERT_TRUE(create_fix_file_if_missing(dir.file("fix.txt")));
  EXPECT_EQ(dir.read("fix.txt"), "stable speed:SP1;\nVarible speed:SP2;\n");
  EXPECT_EQ(load_speed_modes(dir.file("fix.txt")), SpeedModes{});

  dir.write("fix.txt", "mine:SP0;\n");
  EXPECT_TRUE(create_fix_file_if_missing(dir.file("fix.txt")));
  EXPECT_EQ(dir.read("fix.txt"), "mine:SP0;\n");

  EXPECT_FALSE(create_fix_file_if_missing(dir.path() / "missing-dir" / "fix.txt"));
}

}  // namespace
}  // namespace lumetch
