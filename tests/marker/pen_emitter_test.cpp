#include "marker/pen_emitter.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/units.h"
#include "platform/scripted_operator.h"

namespace lumetch {
namespace {

// Records every command; can be told to fail from the n-th write on.
class CaptureChannel : public Channel {
 public:
  explicit CaptureChannel(std::vector<std::string>& out) : out_(out) {}
  std::string name() const override { return "capture"; }
  std::optional<std::string> write(std::string_view command) override {
    if (fail_from_ >= 0 && static_cast<int>(out_.size()) >= fail_from_) {
      ++refused_;
      return "Cannot open the marker port \"capture\": No such device";
    }
    out_.emplace_back(command);
    return std::nullopt;
  }
  int fail_from_ = -1;
  int refused_ = 0;

 private:
  std::vector<std::string>& out_;
};

struct Rig {
  CketralDoc doc;
  std::vector<std::string> sent;
  CaptureChannel* channel = nullptr;
  std::unique_ptr<PortWriter> port;
  ScriptedOperator op;
  std::unique_ptr<PenEmitter> pen;
  Rig() {
    auto ch = std::make_unique<CaptureChannel>(sent);
    channel = ch.get();
    port = std::make_unique<PortWriter>(std::move(ch));
    pen = std::make_unique<PenEmitter>(doc, *port, op);
  }
};

TEST(EmitMove, PlainMoveSendsExactlyOneCommand) {
  Rig r;
  r.pen->EmitMove(100, -20, true);
  r.pen->EmitMove(0, 0, false);
  r.pen->EmitMove(0, 0, false);  // repeats are not suppressed
  EXPECT_EQ(r.sent, (std::vector<std::string>{"PD100,-20;", "PU0,0;", "PU0,0;"}));
}

struct AxisCase {
  const char* name;
  int change_x, change_y, change_xy;
  double rate_x, rate_y;
  int32_t x, y;
  const char* expected;
};

class AxisTransform : public ::testing::TestWithParam<AxisCase> {};

TEST_P(AxisTransform, MirrorsThenSwaps) {
  const AxisCase& c = GetParam();
  Rig r;
  r.doc.settings.change_x = c.change_x;
  r.doc.settings.change_y = c.change_y;
  r.doc.settings.change_xy = c.change_xy;
  r.doc.settings.rate_x = c.rate_x;
  r.doc.settings.rate_y = c.rate_y;
  r.doc.settings.mark_size_x = 100.0;
  r.doc.settings.mark_size_y = 50.0;
  r.pen->EmitMove(c.x, c.y, true);
  ASSERT_EQ(r.sent.size(), 1u);
  EXPECT_EQ(r.sent[0], c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AxisTransform,
    ::testing::Values(AxisCase{"none", 0, 0, 0, 1.0, 1.0, 1000, 7, "PD1000,7;"},
                      AxisCase{"mirror_x", 1, 0, 0, 1.0, 1.0, 1000, 7, "PD3000,7;"},
                      AxisCase{"mirror_y", 0, 1, 0, 1.0, 1.0, 1000, 7, "PD1000,1993;"},
                      AxisCase{"mirror_x_then_swap", 1, 0, 1, 1.0, 1.0, 1000, 7, "PD7,3000;"},
                      AxisCase{"both_mirrors_and_swap", 1, 1, 1, 1.0, 1.0, 10, 20, "PD1980,3990;"},
                      AxisCase{"swap_only", 0, 0, 1, 1.0, 1.0, -5, 9, "PD9,-5;"},
                      // The field extent uses the rate: 100 * 1.25 * 40 = 5000.
                      AxisCase{"mirror_with_rate", 1, 0, 0, 1.25, 1.0, 50, 0, "PD4950,0;"},
                      // 100 * 0.015625 * 40 = 62.5 exactly: results at halves.
                      AxisCase{"mirror_half_negative", 1, 0, 0, 0.015625, 1.0, 63, 0, "PD-1,0;"},
                      AxisCase{"mirror_half_positive", 1, 0, 0, 0.015625, 1.0, 60, 0, "PD3,0;"}),
    [](const ::testing::TestParamInfo<AxisCase>& row) { return std::string(row.param.name); });

TEST(NearestInt, HalvesGoAwayFromZero) {
  EXPECT_EQ(nearest_int(2.5), 3);
  EXPECT_EQ(nearest_int(-0.5), -1);
  EXPECT_EQ(nearest_int(-2.5), -3);
  EXPECT_EQ(nearest_int(2.4999999), 2);
  EXPECT_EQ(nearest_int(-2.4999999), -2);
  EXPECT_EQ(nearest_int(0.0), 0);
  EXPECT_EQ(nearest_int(-0.0), 0);
  // Out of range saturates instead of undefined behaviour.
  EXPECT_EQ(nearest_int(1e12), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(nearest_int(-1e12), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(nearest_int(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(EscapePoll, StopDialectStopsAtOnceAndLeavesLaterKeysQueued) {
  Rig r;
  r.doc.view.stable_speed_cmd = "SP1;";
  r.op.keys.push_back({KeyEvent::Kind::Char, 'a'});
  r.op.press_escape();
  r.op.keys.push_back({KeyEvent::Kind::Down, 'B'});
  r.pen->EmitMove(1, 2, true);
  EXPECT_TRUE(r.sent.empty());
  EXPECT_EQ(r.doc.stop_requested, 1);
  ASSERT_EQ(r.op.keys.size(), 1u);
  EXPECT_EQ(r.op.keys.front().key, 'B');
  EXPECT_TRUE(r.op.texts("continue").empty());
}

TEST(EscapePoll, OtherKeysAndEscapeReleasesAreDiscarded) {
  Rig r;
  r.op.keys.push_back({KeyEvent::Kind::Up, kKeyEscape});
  r.op.keys.push_back({KeyEvent::Kind::Char, kKeyEscape});
  r.op.keys.push_back({KeyEvent::Kind::Down, 'Q'});
  r.pen->EmitMove(1, 2, false);
  EXPECT_EQ(r.sent, std::vector<std::string>{"PU1,2;"});
  EXPECT_EQ(r.doc.stop_requested, 0);
  EXPECT_TRUE(r.op.keys.empty());
}

TEST(EscapePoll, PausingDialectContinuesOnYes) {
  for (const char* dialect : {"SP0;", "sp0;"}) {
    Rig r;
    r.doc.view.stable_speed_cmd = dialect;
    r.op.press_escape();
    r.op.continue_answers = {true};
    r.pen->EmitMove(5, 6, true);
    EXPECT_EQ(r.sent, (std::vector<std::string>{"Zt;", "Zt;", "PD5,6;"})) << dialect;
    EXPECT_EQ(r.doc.stop_requested, 0);
  }
}

TEST(EscapePoll, PausingDialectStopsOnNo) {
  Rig r;
  r.doc.view.stable_speed_cmd = "SP0;";
  r.op.press_escape();
  r.op.continue_answers = {false};
  r.pen->EmitMove(5, 6, true);
  EXPECT_EQ(r.sent, (std::vector<std::string>{"Zt;", "Zt;Zz;"}));
  EXPECT_EQ(r.doc.stop_requested, 1);
}

TEST(EscapePoll, TwoQueuedEscapesGiveTwoDialogsInTurn) {
  Rig r;
  r.doc.view.stable_speed_cmd = "SP0;";
  r.op.press_escape();
  r.op.press_escape();
  r.op.continue_answers = {true, true};
  r.pen->EmitMove(5, 6, false);
  EXPECT_EQ(r.op.texts("continue").size(), 2u);
  EXPECT_EQ(r.sent, (std::vector<std::string>{"Zt;", "Zt;", "Zt;", "Zt;", "PU5,6;"}));

  Rig second;
  second.doc.view.stable_speed_cmd = "SP0;";
  second.op.press_escape();
  second.op.press_escape();
  second.op.continue_answers = {true, false};
  second.pen->EmitMove(5, 6, false);
  EXPECT_EQ(second.sent, (std::vector<std::string>{"Zt;", "Zt;", "Zt;", "Zt;Zz;"}));
  EXPECT_EQ(second.doc.stop_requested, 1);
}

TEST(EscapePoll, OnlyPausingValuesPause) {
  // "SP0" without ";" or another case mix is the stop-at-once dialect.
  for (const char* dialect : {"SP0", "Sp0;", "SP2;", "IN;"}) {
    Rig r;
    r.doc.view.stable_speed_cmd = dialect;
    r.op.press_escape();
    r.pen->EmitMove(1, 1, true);
    EXPECT_TRUE(r.sent.empty()) << dialect;
    EXPECT_TRUE(r.op.texts("continue").empty()) << dialect;
  }
}

TEST(EmitMoveToFile, WritesTheSameTextAndNeverPauses) {
  Rig r;
  r.doc.view.stable_speed_cmd = "SP0;";
  r.doc.settings.change_x = 1;
  std::FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(r.pen->EmitMoveToFile(1000, 7, true, f));
  r.op.press_escape();
  EXPECT_TRUE(r.pen->EmitMoveToFile(1, 1, false, f));
  EXPECT_EQ(r.doc.stop_requested, 1);
  EXPECT_TRUE(r.op.texts("continue").empty());
  EXPECT_TRUE(r.sent.empty());
  std::rewind(f);
  char buf[64] = {};
  const std::size_t n = std::fread(buf, 1, sizeof buf - 1, f);
  std::fclose(f);
  EXPECT_EQ(std::string(buf, n), "PD3000,7;");
}

TEST(SendEllipse, CentreMoveThenOneCeCommand) {
  Rig r;
  r.pen->SendEllipse(0, 0, 101, 41);
  r.pen->SendEllipse(101, 41, 0, 0);
  r.pen->SendEllipse(-7, -3, 0, 0);  // truncation toward zero
  EXPECT_EQ(r.sent, (std::vector<std::string>{"PU50,20;", "CE50,20,360;", "PU50,20;",
                                              "CE50,20,360;", "PU-3,-1;", "CE3,1,360;"}));
}

TEST(SendEllipse, SwapMovesTheCentreButNotTheRadii) {
  Rig r;
  r.doc.settings.change_xy = 1;
  r.pen->SendEllipse(0, 0, 101, 41);
  EXPECT_EQ(r.sent, (std::vector<std::string>{"PU20,50;", "CE50,20,360;"}));
}

TEST(SendEllipse, StoppedCentreMoveMarksNoEllipse) {
  Rig r;
  r.op.press_escape();
  r.pen->SendEllipse(0, 0, 10, 10);
  EXPECT_TRUE(r.sent.empty());
  EXPECT_EQ(r.doc.stop_requested, 1);
}

TEST(FailedPort, ReportedOnceJobStoppedNothingMoreWritten) {
  Rig r;
  r.channel->fail_from_ = 1;
  r.pen->EmitMove(1, 1, false);
  r.pen->EmitMove(2, 2, true);
  r.pen->EmitMove(3, 3, true);
  r.pen->Send("PU;");
  EXPECT_EQ(r.sent, std::vector<std::string>{"PU1,1;"});
  EXPECT_EQ(r.channel->refused_, 1);  // the failed handle is never tried again
  EXPECT_EQ(r.doc.stop_requested, 1);
  ASSERT_EQ(r.op.texts("message").size(), 1u);
  EXPECT_NE(r.op.texts("message")[0].find("capture"), std::string::npos);
  EXPECT_TRUE(r.port->failed());
  // A later job tries the channel again after reset.
  r.channel->fail_from_ = -1;
  r.port->reset();
  r.pen->EmitMove(4, 4, false);
  EXPECT_EQ(r.sent.back(), "PU4,4;");
}

}  // namespace
}  // namespace lumetch
