#include "marker/pen_emitter.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "geometry/marker_capture.h"
#include "model/units.h"

namespace lumetch {
namespace {

using Rig = test::MarkerCapture;  // a pen emitter on a port that records every command

using Commands = std::vector<std::string>;

TEST(EmitMove, OneCommandPerMoveWithoutSuppression) {
  Rig r;
  r.pen.EmitMove(100, -20, true);
  r.pen.EmitMove(0, 0, false);
  r.pen.EmitMove(0, 0, false);
  EXPECT_EQ(r.commands(), (Commands{"PD100,-20;", "PU0,0;", "PU0,0;"}));
}

TEST(EmitMove, MirrorsThenSwaps) {
  struct Row {
    const char* name;
    int change_x, change_y, change_xy;
    double rate_x;
    int32_t x, y;
    const char* expected;
  };
  // Field 100 × 50 mm. 100 × 0.015625 × 40 = 62.5 exactly, for results at halves.
  for (const Row& row : {Row{"none", 0, 0, 0, 1.0, 1000, 7, "PD1000,7;"},
                         Row{"mirror_x", 1, 0, 0, 1.0, 1000, 7, "PD3000,7;"},
                         Row{"mirror_y", 0, 1, 0, 1.0, 1000, 7, "PD1000,1993;"},
                         Row{"mirror_x_then_swap", 1, 0, 1, 1.0, 1000, 7, "PD7,3000;"},
                         Row{"all_three", 1, 1, 1, 1.0, 10, 20, "PD1980,3990;"},
                         Row{"field_uses_rate", 1, 0, 0, 1.25, 50, 0, "PD4950,0;"},
                         Row{"half_negative", 1, 0, 0, 0.015625, 63, 0, "PD-1,0;"},
                         Row{"half_positive", 1, 0, 0, 0.015625, 60, 0, "PD3,0;"}}) {
    Rig r;
    r.doc.settings.change_x = row.change_x;
    r.doc.settings.change_y = row.change_y;
    r.doc.settings.change_xy = row.change_xy;
    r.doc.settings.rate_x = row.rate_x;
    r.doc.settings.mark_size_y = 50.0;
    r.pen.EmitMove(row.x, row.y, true);
    EXPECT_EQ(r.commands(), Commands{row.expected}) << row.name;
  }
}

TEST(NearestInt, HalvesGoAwayFromZeroAndExtremesSaturate) {
  EXPECT_EQ(nearest_int(2.5), 3);
  EXPECT_EQ(nearest_int(-0.5), -1);
  EXPECT_EQ(nearest_int(-2.4999999), -2);
  EXPECT_EQ(nearest_int(-0.0), 0);
  EXPECT_EQ(nearest_int(1e12), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(nearest_int(-1e12), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(nearest_int(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(EscapePoll, StopDialectStopsAtOnceAndLeavesLaterKeysQueued) {
  // Only exactly "SP0;" or "sp0;" pauses; everything else stops.
  for (const char* dialect : {"SP1;", "SP0", "Sp0;", "IN;"}) {
    Rig r;
    r.doc.view.stable_speed_cmd = dialect;
    r.op.keys.push_back({KeyEvent::Kind::Up, kKeyEscape});  // releases are discarded
    r.op.press_escape();
    r.op.keys.push_back({KeyEvent::Kind::Down, 'B'});
    r.pen.EmitMove(1, 2, true);
    EXPECT_TRUE(r.commands().empty()) << dialect;
    EXPECT_EQ(r.doc.stop_requested, 1);
    ASSERT_EQ(r.op.keys.size(), 1u);
    EXPECT_EQ(r.op.keys.front().key, 'B');
    EXPECT_TRUE(r.op.texts("continue").empty());
  }
}

TEST(EscapePoll, PausingDialectAsksOncePerEscape) {
  struct Row {
    const char* name;
    int escapes;
    std::deque<bool> answers;
    Commands expected;
    int stop;
  };
  const std::vector<Row> rows = {
      {"yes", 1, {true}, {"Zt;", "Zt;", "PD5,6;"}, 0},
      {"no", 1, {false}, {"Zt;", "Zt;Zz;"}, 1},
      {"two_yes", 2, {true, true}, {"Zt;", "Zt;", "Zt;", "Zt;", "PD5,6;"}, 0},
      {"yes_then_no", 2, {true, false}, {"Zt;", "Zt;", "Zt;", "Zt;Zz;"}, 1},
  };
  for (const Row& row : rows) {
    Rig r;
    r.doc.view.stable_speed_cmd = "sp0;";
    for (int i = 0; i < row.escapes; ++i) r.op.press_escape();
    r.op.continue_answers = row.answers;
    r.pen.EmitMove(5, 6, true);
    EXPECT_EQ(r.commands(), row.expected) << row.name;
    EXPECT_EQ(r.doc.stop_requested, row.stop) << row.name;
    EXPECT_EQ(r.op.texts("continue").size(), row.answers.size()) << row.name;
  }
}

TEST(EmitMoveToFile, WritesTheSameTextAndNeverPauses) {
  Rig r;
  r.doc.view.stable_speed_cmd = "SP0;";
  r.doc.settings.change_x = 1;
  std::FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(r.pen.EmitMoveToFile(1000, 7, true, f));
  r.op.press_escape();
  EXPECT_TRUE(r.pen.EmitMoveToFile(1, 1, false, f));
  EXPECT_EQ(r.doc.stop_requested, 1);
  EXPECT_TRUE(r.op.texts("continue").empty());
  EXPECT_TRUE(r.commands().empty());
  std::rewind(f);
  char buf[64] = {};
  const std::size_t n = std::fread(buf, 1, sizeof buf - 1, f);
  std::fclose(f);
  EXPECT_EQ(std::string(buf, n), "PD3000,7;");
}

TEST(SendEllipse, CentreMoveThenOneCeCommand) {
  Rig r;
  r.pen.SendEllipse(0, 0, 101, 41);
  r.pen.SendEllipse(101, 41, 0, 0);
  r.pen.SendEllipse(-7, -3, 0, 0);  // truncation toward zero
  EXPECT_EQ(r.commands(), (Commands{"PU50,20;", "CE50,20,360;", "PU50,20;", "CE50,20,360;", "PU-3,-1;",
                              "CE3,1,360;"}));
  Rig swapped;
  swapped.doc.settings.change_xy = 1;  // moves the centre, not the radii
  swapped.pen.SendEllipse(0, 0, 101, 41);
  EXPECT_EQ(swapped.commands(), (Commands{"PU20,50;", "CE50,20,360;"}));
  Rig stopped;  // an ellipse whose centre move was stopped is not marked
  stopped.op.press_escape();
  stopped.pen.SendEllipse(0, 0, 10, 10);
  EXPECT_TRUE(stopped.commands().empty());
}

// The port reports once and writes nothing more until reset (port_writer_test);
// the emitter stops the job and tells the operator.
TEST(FailedPort, ReportedOnceJobStoppedNothingMoreWritten) {
  Rig r;
  r.sent.fail_after = 1;
  r.pen.EmitMove(1, 1, false);
  r.pen.EmitMove(2, 2, true);
  r.pen.EmitMove(3, 3, true);
  r.pen.Send("PU;");
  EXPECT_EQ(r.commands(), Commands{"PU1,1;"});
  EXPECT_EQ(r.doc.stop_requested, 1);
  ASSERT_EQ(r.op.texts("message").size(), 1u);
  EXPECT_NE(r.op.texts("message")[0].find("capture"), std::string::npos);
}

}  // namespace
}  // namespace lumetch
