#include "commands/scan_job.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "commands/engrave.h"
#include "geometry/marker_capture.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

using Statuses = std::vector<std::pair<int, std::string>>;

// Scanning area 40 × 20 mm centred on (2, 1) at 10 dots/mm: 400 × 200
// pixels whose top-left corner is field point (-18, 11).
struct ScanRig : test::MarkerCapture {
  test::TempDir dir;
  ScanRig() {
    MarkSettings& s = doc.settings;
    s.scan_size_x = 40.0;
    s.scan_size_y = 20.0;
    s.scan_cent_x = 2.0;
    s.scan_cent_y = 1.0;
    s.resolution = 10;
    s.scan_dot = 0.1;  // every line
    s.pen_home = 0;
  }
  // A filled 10 × 6 mm rectangle centred on (5, -3): pixels 180..279 × 110..169.
  void add_rectangle(int32_t layer = 7, double cent_x = 5.0) {
    auto o = std::make_unique<MarkObject>();
    o->type = RECTANGLE;
    o->layer = layer;  // 7 is the white layer: it must draw black all the same
    o->cent_x = cent_x;
    o->cent_y = -3.0;
    o->width = 10.0;
    o->height = 6.0;
    o->output_mode = 2;
    o->params = RectangleParams{10.0, 6.0, 0.0, 0.0, 0};
    doc.ring.add(std::move(o));
  }
  ConvertResult convert(const std::string& name, int32_t style) {
    doc.settings.convert_style = style;
    return ConvertFile(pen, dir.file(name));
  }
};

TEST(BuildScanRaster, DrawsObjectsBlackAtTheirFieldPosition) {
  ScanRig rig;
  rig.add_rectangle();
  rig.doc.engraving = 1;
  std::string error;
  const std::optional<ScanRaster> raster = BuildScanRaster(rig.doc, &error);
  ASSERT_TRUE(raster);
  EXPECT_EQ(raster->width(), 400);
  EXPECT_EQ(raster->height(), 200);
  int64_t stray = 0;
  int64_t missing = 0;
  for (int32_t y = 0; y < 200; ++y) {
    for (int32_t x = 0; x < 400; ++x) {
      const bool inside = x >= 181 && x <= 278 && y >= 111 && y <= 168;
      const bool near = x >= 178 && x <= 281 && y >= 108 && y <= 171;
      if (inside && !raster->is_black(x, y)) ++missing;
      if (!near && raster->is_black(x, y)) ++stray;
    }
  }
  EXPECT_EQ(missing, 0);
  EXPECT_EQ(stray, 0);
  EXPECT_EQ(rig.doc.raster_mode, 0);
  EXPECT_EQ(rig.doc.raster_width, 0);
  EXPECT_EQ(rig.doc.raster_height, 0);
  EXPECT_EQ(rig.doc.engraving, 1);
  EXPECT_TRUE(error.empty());

  ScanRig empty;
  EXPECT_FALSE(BuildScanRaster(empty.doc, &error));
  EXPECT_TRUE(error.empty());

  rig.doc.settings.scan_size_x = 0.0;
  EXPECT_FALSE(BuildScanRaster(rig.doc, &error));
  EXPECT_NE(error.find("0 x 200"), std::string::npos) << error;
}

TEST(ScanJob, HeaderOfBothDialectsThenTheRuns) {
  ScanRig rig;
  rig.add_rectangle();
  MarkSettings& s = rig.doc.settings;
  s.speed[0] = 300;
  s.power[0] = 80;
  s.pen_add[0] = 1;
  ScanJob(rig.pen);
  ASSERT_GT(rig.commands().size(), 3u);
  EXPECT_EQ(rig.commands()[0], "SP1;VS300;");
  const std::vector<test::Move> m = rig.moves();
  EXPECT_EQ(m.size() + 1, rig.commands().size());
  EXPECT_EQ(m.size() % 2, 0u);
  for (std::size_t i = 0; i < m.size(); ++i) EXPECT_EQ(m[i].down, i % 2 == 1) << i;

  ScanRig other;
  other.add_rectangle();
  other.doc.view.stable_speed_cmd = "SP0;";
  other.doc.view.variable_speed_cmd = "SP2;";
  other.doc.settings.power[0] = 80;
  other.doc.settings.speed[0] = 300;
  ScanJob(other.pen);
  ASSERT_FALSE(other.commands().empty());
  EXPECT_EQ(other.commands()[0], "SP2;DA80;VS300;");
  EXPECT_EQ(other.moves(), m);
}

TEST(ScanJob, RasterThatCannotBeMadeStopsTheJobWithAWarning) {
  ScanRig rig;
  rig.add_rectangle();
  rig.doc.settings.resolution = 0;
  ScanJob(rig.pen);
  EXPECT_TRUE(rig.commands().empty());
  EXPECT_EQ(rig.doc.stop_requested, 1);
  ASSERT_EQ(rig.op.shown.size(), 1u);
  EXPECT_EQ(rig.op.shown[0].caption, "Warning");

  ScanRig empty;  // an empty layout: nothing at all
  ScanJob(empty.pen);
  EXPECT_TRUE(empty.commands().empty());
  EXPECT_TRUE(empty.op.shown.empty());
  EXPECT_EQ(empty.doc.stop_requested, 0);
}

TEST(ConvertFile, ScanningPltRunsThenItsEnding) {
  ScanRig rig;
  rig.add_rectangle();
  rig.doc.stop_requested = 1;  // left over from the last job's park move
  const ConvertResult r = rig.convert("a.plt", 0);
  EXPECT_TRUE(r.ok) << r.message;
  EXPECT_TRUE(r.file_written);
  const std::string text = rig.dir.read("a.plt");
  EXPECT_TRUE(text.starts_with("PU")) << text.substr(0, 40);
  EXPECT_NE(text.find(";PD"), std::string::npos);
  EXPECT_TRUE(text.ends_with(";PU;"));
  EXPECT_TRUE(rig.commands().empty());
  EXPECT_EQ(rig.op.statuses, (Statuses{{0, kOutputtingStatus}, {0, " "}}));

  rig.doc.settings.pen_home = 1;  // parked instead, as the job parks
  rig.convert("b.plt", 0);
  const std::string parked = rig.dir.read("b.plt");
  EXPECT_EQ(parked.substr(0, parked.size() - 12), text.substr(0, text.size() - 3));
  EXPECT_TRUE(parked.ends_with(";PU2000,2000;"));
}

TEST(ConvertFile, EscapeStillWritesTheEnding) {
  ScanRig rig;
  rig.add_rectangle();
  int polls = 0;
  rig.op.on_poll = [&polls](ScriptedOperator& o) {
    if (++polls == 3) o.press_escape();  // the second run's pen-up
  };
  const ConvertResult r = rig.convert("a.plt", 0);
  EXPECT_TRUE(r.ok);
  EXPECT_FALSE(r.message.empty());
  const std::string text = rig.dir.read("a.plt");
  ASSERT_TRUE(text.ends_with(";PU;")) << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), ';'), 3) << text;
  EXPECT_EQ(rig.doc.stop_requested, 0);
}

TEST(ConvertFile, BmpOfTheRaster) {
  ScanRig rig;
  rig.add_rectangle();
  const ConvertResult r = rig.convert("a.bmp", 1);
  EXPECT_TRUE(r.ok) << r.message;
  const std::string bmp = rig.dir.read("a.bmp");
  EXPECT_TRUE(bmp.starts_with("BM"));
  EXPECT_EQ(bmp.size(), 62u + 52u * 200u);  // rows of 400 bits padded to 52 bytes
}

TEST(ConvertFile, NothingToWriteAndFailures) {
  ScanRig empty;
  ConvertResult r = empty.convert("a.plt", 0);
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.message.empty());
  EXPECT_FALSE(std::filesystem::exists(empty.dir.file("a.plt")));

  ScanRig rig;
  rig.add_rectangle();
  r = rig.convert("a.plt", 7);
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(std::filesystem::exists(rig.dir.file("a.plt")));

  r = rig.convert("missing/a.plt", 0);
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.message.find("No such file"), std::string::npos) << r.message;

  // A disk that fills up mid-file: failure, and no partial file is left.
  rig.doc.settings.scan_style_yz = 1;
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 1000;
  setrlimit(RLIMIT_FSIZE, &small);
  r = rig.convert("full.plt", 0);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.file_written);
  EXPECT_NE(r.message.find("too large"), std::string::npos) << r.message;
  EXPECT_FALSE(std::filesystem::exists(rig.dir.file("full.plt")));

  // Outlines of a raster with nothing drawn in it: no file, and said so.
  ScanRig outside;
  outside.add_rectangle(0, 60.0);
  r = outside.convert("a.vct", 2);
  EXPECT_TRUE(r.ok);
  EXPECT_FALSE(r.file_written);
  EXPECT_FALSE(r.message.empty());
  EXPECT_FALSE(std::filesystem::exists(outside.dir.file("a.vct")));
}

}  // namespace
}  // namespace lumetch
