#include "commands/recent_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace lumetch {
namespace {

using Paths = std::vector<std::filesystem::path>;

TEST(RecentFiles, NewestFirstOnceEachAtMostEightAndOnlyAbsolutePaths) {
  RecentFiles r;
  for (int i = 1; i <= 10; ++i) r.touch("/l/" + std::to_string(i) + ".mrk");
  r.touch("/l/5.mrk");
  EXPECT_EQ(r.paths(), (Paths{"/l/5.mrk", "/l/10.mrk", "/l/9.mrk", "/l/8.mrk", "/l/7.mrk",
                              "/l/6.mrk", "/l/4.mrk", "/l/3.mrk"}));
  r.remove("/l/10.mrk");
  EXPECT_EQ(RecentFiles::parse(r.format()).paths(), r.paths());
  // Damaged lines, relative names and repeats are left out; CR LF is read.
  EXPECT_EQ(RecentFiles::parse("\n/a b.mrk\r\nrel.mrk\n/a b.mrk\n/c.mrk").paths(),
            (Paths{"/a b.mrk", "/c.mrk"}));

  test::TempDir dir;
  EXPECT_TRUE(load_recent_files(dir.path()).paths().empty());  // none yet
  ASSERT_TRUE(save_recent_files(dir.path(), r));
  EXPECT_EQ(load_recent_files(dir.path()).paths(), r.paths());
}

TEST(WindowPlacement, ReadsBackAndDamagedFilesGiveTheScreen) {
  test::TempDir dir;
  EXPECT_FALSE(load_window_placement(dir.path()));
  ASSERT_TRUE(save_window_placement(dir.path(), {1200, 800, false}));
  EXPECT_EQ(load_window_placement(dir.path()), (WindowPlacement{1200, 800, false}));
  for (const char* text : {"", "1200,800", "1200,800,2", "90,800,0", "1200,x,0", "1200,800,1,4",
                           "40000,800,1"}) {
    dir.write("window.$", text);
    EXPECT_FALSE(load_window_placement(dir.path())) << text;
  }
  dir.write("window.$", "800,600,1\r\n");
  EXPECT_EQ(load_window_placement(dir.path()), (WindowPlacement{800, 600, true}));
}

}  // namespace
}  // namespace lumetch
