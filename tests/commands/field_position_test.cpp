#include "commands/field_position.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "geometry/marker_capture.h"

namespace lumetch {
namespace {

using Commands = std::vector<std::string>;

// Field 100 x 100 mm, offsets 0, scanning area 40 x 20 mm, rates 1.
struct Field : test::MarkerCapture {
  Field() {
    doc.engraving = 0;
    doc.settings.scan_size_x = 40.0;
    doc.settings.scan_size_y = 20.0;
  }
};

TEST(FieldPosition, NineReferencePointsWithOffsetsAndRates) {
  Field f;
  MarkSettings& s = f.doc.settings;
  const std::vector<MarkerPoint> expected = {{2000, 2000}, {2000, 2400}, {2000, 1600},
                                             {1200, 2400}, {1200, 2000}, {1200, 1600},
                                             {2800, 2400}, {2800, 2000}, {2800, 1600}};
  for (int32_t style = 0; style < 9; ++style) {
    s.locate_style = style;
    EXPECT_EQ(reference_point(s), expected[static_cast<std::size_t>(style)]) << style;
  }
  for (int32_t style : {-1, 9}) {
    s.locate_style = style;
    EXPECT_EQ(reference_point(s), std::nullopt) << style;
    MovePlotter(f.pen);
  }
  EXPECT_TRUE(f.commands().empty());

  s.mark_size_x = 60.0;
  s.locate_cent_x = 5.0;
  s.locate_cent_y = -2.5;
  s.rate_x = 1.5;
  s.rate_y = 0.5;
  s.locate_style = 6;  // (30 + 5 + 20) x 1.5 x 40, (50 - 2.5 + 10) x 0.5 x 40
  EXPECT_EQ(reference_point(s), (MarkerPoint{3300, 1150}));
  s.change_xy = 1;  // the swap comes after the point
  MovePlotter(f.pen);
  EXPECT_EQ(f.commands(), Commands{"PU1150,3300;"});
}

TEST(FieldPosition, OutlineTestShapes) {
  struct Case {
    int32_t outline;
    Commands sent;  // after the header, before the final move to "右下"
  };
  const std::vector<Case> cases = {
      {0, {"PU1200,2400;", "PD2800,2400;", "PD2800,1600;", "PD1200,1600;", "PD1200,2400;"}},
      {1, {"PU2000,2000;", "CE800,400,360;"}},
      {2, {"PU2000,2400;", "PD2800,2000;", "PD2000,1600;", "PD1200,2000;", "PD2000,2400;"}},
      {3, {"PU2000,2400;", "PD2800,1600;", "PD1200,1600;", "PD2000,2400;"}},
      {4, {"PU2000,1600;", "PD2800,2400;", "PD1200,2400;", "PD2000,1600;"}},
      {5, {}},
  };
  for (const Case& c : cases) {
    Field f;
    f.doc.settings.scan_outline = c.outline;
    f.doc.settings.locate_style = 8;
    OutlineTest(f.pen);
    Commands expected{"SP2;VS8;"};
    expected.insert(expected.end(), c.sent.begin(), c.sent.end());
    expected.push_back("PU2800,1600;");
    EXPECT_EQ(f.commands(), expected) << c.outline;
  }
}

TEST(FieldPosition, OutlineTestHeaderInBothDialects) {
  struct Case {
    std::string stable;
    int32_t pen_add;
    std::string header;
  };
  const std::vector<Case> cases = {
      {"SP1;", 0, "SP2;VS7;"},
      {"sp1;", 1, "sp1;VS7;"},
      {"SP0;", 0, "SP2;DA0;VS7;"},  // no "IN;", and sent even without power
      {"SP0;", 1, "SP0;DA0;VS7;"},
  };
  for (const Case& c : cases) {
    Field f;
    f.doc.view.stable_speed_cmd = c.stable;
    f.doc.settings.speed = {7, 3, 3, 3, 3, 3, 3, 3};  // only layer 0 counts
    f.doc.settings.power = {0, 50, 50, 50, 50, 50, 50, 50};
    f.doc.settings.pen_add[0] = c.pen_add;
    OutlineTest(f.pen);
    EXPECT_EQ(f.commands().front(), c.header) << c.stable << c.pen_add;
  }
}

TEST(FieldPosition, EscapeStopsTheTraceButThePenStillGoesUpToThePoint) {
  Field f;
  f.doc.stop_requested = 1;  // left over from an earlier action: no effect
  f.escape_after(3);         // header, PU, PD sent; the next PD is stopped
  OutlineTest(f.pen);
  EXPECT_EQ(f.commands(), (Commands{"SP2;VS8;", "PU1200,2400;", "PD2800,2400;", "PU2000,2000;"}));
  EXPECT_EQ(f.doc.stop_requested, 1);
}

TEST(FieldPosition, FailedPortSendsNothingMoreAndReportsOnce) {
  Field f;
  f.sent.fail_after = 2;
  OutlineTest(f.pen);
  EXPECT_EQ(f.commands(), (Commands{"SP2;VS8;", "PU1200,2400;"}));
  EXPECT_EQ(f.op.texts("message").size(), 1u);
}

}  // namespace
}  // namespace lumetch
