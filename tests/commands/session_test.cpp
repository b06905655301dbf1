#include "commands/session.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace lumetch {
namespace {

TEST(Session, FirstStartInAnEmptyDirectoryUsesDefaultsAndLeavesTheFilesOnExit) {
  test::TempDir dir;
  CketralDoc doc;
  doc.defaults.line.length = "99";  // a missing "default.$" gives the initial values
  start_session(doc, dir.path());
  EXPECT_EQ(doc.settings, MarkSettings{});
  EXPECT_EQ(doc.view.stable_speed_cmd, "SP1;");
  EXPECT_EQ(doc.view.variable_speed_cmd, "SP2;");
  EXPECT_EQ(doc.view.zoom_index, 9);
  EXPECT_EQ(current_object(doc), nullptr);
  EXPECT_EQ(doc.plot_reading, PlotReading::kFull);

  auto obj = std::make_unique<MarkObject>();
  obj->type = LINE;
  doc.ring.add(std::move(obj));
  doc.settings.scan_dot = 0.0126;
  EXPECT_EQ(doc.defaults, CreationDefaults{});
  doc.defaults.rectangle.width = "35";
  ASSERT_TRUE(end_session(doc).empty());
  EXPECT_TRUE(doc.ring.is_empty());
  EXPECT_EQ(dir.read("fix.txt"), "stable speed:SP1;\nVarible speed:SP2;\n");
  EXPECT_NE(dir.read("$.1").find("scan_dot   0.013;"), std::string::npos);
  EXPECT_NE(dir.read("default.$").find("rect:35,20,"), std::string::npos);

  CketralDoc next;
  start_session(next, dir.path());
  EXPECT_DOUBLE_EQ(next.settings.scan_dot, 0.013);
  EXPECT_EQ(next.defaults.rectangle.width, "35");

  // Kept at once, without waiting for the end of the run.
  ASSERT_TRUE(set_plot_reading(next, PlotReading::kFirstPairOnly));
  CketralDoc third;
  start_session(third, dir.path());
  EXPECT_EQ(third.plot_reading, PlotReading::kFirstPairOnly);
}

TEST(Session, StartReadsTheDialectAndZoomAndExitKeepsTheOperatorsFixTxt) {
  test::TempDir dir;
  dir.write("fix.txt", "mode:SP0;xyz\nother:SP3;\n");
  dir.write("$.1", std::string("disp_size 100.000;\n") + "grid_size 1.000;\n");
  CketralDoc doc;
  doc.settings.view_zoom_num = 4;  // what the file does not say comes from the defaults
  start_session(doc, dir.path());
  EXPECT_EQ(doc.view.stable_speed_cmd, "SP0;");
  EXPECT_EQ(doc.view.variable_speed_cmd, "SP3;");
  EXPECT_EQ(doc.settings.view_zoom_num, 9);
  EXPECT_EQ(doc.view.zoom_index, 9);
  ASSERT_TRUE(end_session(doc).empty());
  EXPECT_EQ(dir.read("fix.txt"), "mode:SP0;xyz\nother:SP3;\n");
}

TEST(Session, ExitNamesEveryFileItCouldNotWrite) {
  test::TempDir dir;
  CketralDoc doc;
  start_session(doc, dir.path());
  std::filesystem::create_directory(dir.file("$.1"));
  std::filesystem::create_directory(dir.file("default.$"));
  EXPECT_EQ(end_session(doc), (std::vector<std::string>{"$.1", "default.$"}));
  // Already written by the window: nothing written again, nothing to say.
  EXPECT_TRUE(end_session(doc, true).empty());
}

}  // namespace
}  // namespace lumetch
