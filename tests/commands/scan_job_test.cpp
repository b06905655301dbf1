#include "commands/scan_job.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "commands/engrave.h"
#include "geometry/marker_capture.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

namespace fs = std::filesystem;

// Scanning area 40 × 20 mm centred on (2, 1) at 10 dots/mm, every line:
// 400 × 200 pixels whose top-left corner is field point (-18, 11).
struct ScanRig : test::MarkerCapture {
  test::TempDir dir;
  ScanRig() {
    MarkSettings& s = doc.settings;
    s.scan_size_x = 40.0;
    s.scan_size_y = 20.0;
    s.scan_cent_x = 2.0;
    s.scan_cent_y = 1.0;
    s.resolution = 10;
    s.pen_home = 0;
  }
  // A filled 10 × 6 mm rectangle on the white layer centred on (cent_x, -3):
  // pixels 180..279 × 110..169 at cent_x 5.
  ScanRig& rectangle(double cent_x = 5.0) {
    auto o = std::make_unique<MarkObject>();
    o->type = RECTANGLE;
    o->layer = 7;
    o->cent_x = cent_x;
    o->cent_y = -3.0;
    o->width = 10.0;
    o->height = 6.0;
    o->output_mode = 2;
    o->params = RectangleParams{10.0, 6.0, 0.0, 0.0, 0};
    doc.ring.add(std::move(o));
    return *this;
  }
  ConvertResult convert(const std::string& name, int32_t style) {
    doc.settings.convert_style = style;
    return ConvertFile(pen, dir.file(name));
  }
};

TEST(BuildScanRaster, DrawsEveryLayerBlackAtTheFieldPosition) {
  ScanRig rig;
  rig.rectangle();  // engraving is 1: the job's state is kept
  std::string error;
  const std::optional<ScanRaster> raster = BuildScanRaster(rig.doc, &error);
  ASSERT_TRUE(raster);
  ASSERT_EQ(raster->width(), 400);
  int64_t wrong = 0;
  for (int32_t y = 0; y < 200; ++y) {
    for (int32_t x = 0; x < 400; ++x) {
      const bool inside = x >= 181 && x <= 278 && y >= 111 && y <= 168;
      const bool near = x >= 178 && x <= 281 && y >= 108 && y <= 171;
      if (inside != raster->is_black(x, y) && (inside || !near)) ++wrong;
    }
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(std::vector<int32_t>({rig.doc.raster_mode, rig.doc.raster_width, rig.doc.engraving}),
            std::vector<int32_t>({0, 0, 1}));

  ScanRig empty;
  EXPECT_FALSE(BuildScanRaster(empty.doc, &error));
  EXPECT_TRUE(error.empty());
  rig.doc.settings.scan_size_x = 0.0;
  EXPECT_FALSE(BuildScanRaster(rig.doc, &error));
  EXPECT_NE(error.find("0 x 200"), std::string::npos) << error;
}

TEST(ScanJob, HeaderOfBothDialectsThenTheRuns) {
  ScanRig rig;
  rig.rectangle().doc.settings.pen_add[0] = 1;
  rig.doc.settings.power[0] = 80;
  rig.doc.settings.speed[0] = 300;
  ScanJob(rig.pen);
  // The hatch fills rows 111..169 from edge to edge (pixels 180..280): one
  // run a row, the first (odd) left to right. Pixel 180 is 50 + (18 - 20)
  // = 48 mm, row 111 is 50 + (8.9 - 10) = 48.9 mm: where the rectangle's own
  // outline marks, the scanning area being centred on the field position.
  ASSERT_EQ(rig.commands().size(), 1 + 2 * 59u);
  EXPECT_EQ(rig.commands()[0], "SP1;VS300;");
  EXPECT_EQ(rig.commands()[1] + rig.commands()[2], "PU1920,1956;PD2320,1956;");

  ScanRig other;
  other.rectangle().doc.view.stable_speed_cmd = "SP0;";
  other.doc.settings.power[0] = 80;
  other.doc.settings.speed[0] = 300;
  ScanJob(other.pen);
  EXPECT_EQ(other.commands()[0], "SP2;DA80;VS300;");
  EXPECT_EQ(other.moves(), rig.moves());

  ScanRig failed;  // no raster: a warning, and the job reports a stop
  failed.rectangle().doc.settings.resolution = 0;
  ScanJob(failed.pen);
  EXPECT_TRUE(failed.commands().empty());
  EXPECT_EQ(failed.doc.stop_requested, 1);
  EXPECT_EQ(failed.op.texts("message").size(), 1u);
}

TEST(ConvertFile, ScanningPltEndsAndParksEvenAfterEscape) {
  ScanRig rig;
  rig.rectangle().doc.stop_requested = 1;  // left over from the last job's park move
  const ConvertResult r = rig.convert("a.plt", 0);
  EXPECT_TRUE(r.ok && r.file_written) << r.message;
  const std::string text = rig.dir.read("a.plt");
  EXPECT_TRUE(text.starts_with("PU1920,1956;PD2320,1956;PU2320,1952;")) << text.substr(0, 40);
  EXPECT_TRUE(text.ends_with(";PU;"));
  EXPECT_TRUE(rig.commands().empty());
  using Statuses = std::vector<std::pair<int, std::string>>;
  EXPECT_EQ(rig.op.statuses, (Statuses{{0, kOutputtingStatus}, {0, " "}}));

  rig.doc.settings.pen_home = 1;
  EXPECT_TRUE(rig.convert("b.plt", 0).ok);
  EXPECT_EQ(rig.dir.read("b.plt"), text.substr(0, text.size() - 3) + "PU2000,2000;");
}

// The PLT conversions write beside the target and rename when complete: a
// disk filling up or Escape leaves the previous file, and no temporary.
TEST(ConvertFile, FailedOrStoppedPltLeavesThePreviousFile) {
  constexpr int kDiskFull = 0, kParkMove = -1;
  struct Case {
    int32_t style;
    int escape_at;  // the poll that sees Escape
  };
  for (const Case c : {Case{0, kDiskFull}, {3, kDiskFull}, {0, 3}, {3, 3}, {0, kParkMove}}) {
    SCOPED_TRACE(std::to_string(c.style) + " " + std::to_string(c.escape_at));
    ScanRig rig;
    rig.rectangle().doc.settings.pen_home = 1;
    int polls = 0;
    rig.op.on_poll = [&polls](ScriptedOperator&) { ++polls; };
    ASSERT_TRUE(rig.convert("out.plt", c.style).ok);  // the park move is the last poll
    const int escape_at = c.escape_at == kParkMove ? polls : c.escape_at;
    polls = 0;
    rig.op.on_poll = [&polls, escape_at](ScriptedOperator& o) {
      if (++polls == escape_at) o.press_escape();
    };
    rig.dir.write("out.plt", "previous");
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 32;  // both plots are longer
    if (c.escape_at == kDiskFull) setrlimit(RLIMIT_FSIZE, &small);
    const ConvertResult r = rig.convert("out.plt", c.style);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_FALSE(r.ok || r.file_written);
    EXPECT_EQ(r.stopped, c.escape_at != kDiskFull);
    EXPECT_NE(r.message.find(r.stopped ? "Stopped" : "too large"), std::string::npos) << r.message;
    EXPECT_EQ(rig.dir.read("out.plt"), "previous");
    EXPECT_EQ(std::distance(fs::directory_iterator(rig.dir.path()), fs::directory_iterator()), 1);
  }
}

// The conversions count the raster's lines (rows, or columns of a vertical
// scan) to their total, and Escape while they do stops any of them.
TEST(ConvertFile, ProgressCountsRowsAndEscapeStopsEveryStyle) {
  const struct {
    int32_t style;
    bool vertical;
    int64_t rows;
  } cases[] = {{0, false, 199}, {0, true, 399}, {2, false, 200}, {3, false, 200}};
  for (const auto& c : cases) {
    for (const bool escape : {false, true}) {
      SCOPED_TRACE(std::to_string(c.style) + (c.vertical ? " vertical" : "") +
                   (escape ? " Escape" : ""));
      ScanRig rig;
      rig.rectangle().doc.settings.scan_style_hz = c.vertical ? 1 : 0;
      rig.pen.set_poll_intervals(std::chrono::milliseconds(0), std::chrono::milliseconds(0));
      if (escape) {
        rig.op.on_poll = [&rig](ScriptedOperator& o) {
          if (rig.pen.progress().kind == JobProgress::Kind::Converting) o.press_escape();
        };
      }
      const ConvertResult r = rig.convert("out", c.style);
      EXPECT_EQ(r.stopped, escape);
      EXPECT_EQ(r.file_written, !escape);
      EXPECT_EQ(fs::exists(rig.dir.file("out")), !escape);
      const std::vector<JobProgress>& shown = rig.op.progress;
      ASSERT_FALSE(shown.empty());
      EXPECT_EQ(shown.front().kind, JobProgress::Kind::Drawing);
      EXPECT_EQ(shown.front().objects_total, 1);
      EXPECT_EQ(rig.op.progress_ends, 1);
      const JobProgress& last = shown.back();
      EXPECT_EQ(last.kind, JobProgress::Kind::Converting);
      EXPECT_EQ(last.rows_total, c.rows);
      EXPECT_EQ(last.columns, c.vertical);
      if (escape) {
        EXPECT_LT(last.rows_done, c.rows);
      } else {
        EXPECT_EQ(last.rows_done, c.rows);
      }
    }
  }
}

TEST(ConvertFile, BmpOutlinesAndFailures) {
  ScanRig rig;
  rig.rectangle();
  EXPECT_TRUE(rig.convert("a.bmp", 1).ok);
  EXPECT_EQ(rig.dir.read("a.bmp").size(), 62u + 52u * 200u);  // 400-bit rows in 52 bytes

  ScanRig outside;  // nothing drawn in the area: nothing traced, no file
  const ConvertResult none = outside.rectangle(60.0).convert("a.vct", 2);
  EXPECT_TRUE(none.ok && !none.file_written && !none.message.empty());

  ScanRig empty;
  for (const ConvertResult& r :
       {empty.convert("e.plt", 0), rig.convert("s.plt", 7), rig.convert("missing/a.plt", 0)}) {
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.message.empty());
  }
  EXPECT_TRUE(fs::is_empty(empty.dir.path()));
  EXPECT_FALSE(fs::exists(rig.dir.file("s.plt")));

  // A disk filling up mid-file: the reason, and no partial file left.
  rig.doc.settings.scan_style_yz = 1;
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 1000;
  setrlimit(RLIMIT_FSIZE, &small);
  const ConvertResult full = rig.convert("full.plt", 0);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_FALSE(full.ok);
  EXPECT_NE(full.message.find("too large"), std::string::npos) << full.message;
  EXPECT_FALSE(fs::exists(rig.dir.file("full.plt")));
}

}  // namespace
}  // namespace lumetch
