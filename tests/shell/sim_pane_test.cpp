#include "shell/sim_pane.h"

#include <gtest/gtest.h>

#include <QImage>
#include <string>
#include <vector>

#include "support/qt_helpers.h"

namespace lumetch {
namespace {

// Field 100 x 100 mm = 4000 x 4000 units at rate 1.
struct PaneFixture {
  MarkerSim sim;
  MarkSettings settings;
  SimPane pane{sim, settings};
  PaneFixture() {
    pane.resize(220, 240);
    pane.clear();
  }
  bool dark(MarkerSim::Point p) const { return test::dark(pane.picture(), pane.to_pixel(p)); }
};

TEST(SimPane, StrokesAreDrawnYUpScaledToTheFieldAndPenMovesAreNot) {
  PaneFixture f;
  f.sim.receive("PU0,0;PD4000,4000;");  // lower left to upper right
  f.sim.receive("PU0,4000;");           // a move, not a mark
  f.pane.finish();
  const QPointF lo = f.pane.to_pixel({0, 0});
  const QPointF hi = f.pane.to_pixel({4000, 4000});
  EXPECT_GT(lo.y(), hi.y());  // Y up
  // The field fills most of the smaller side of the picture.
  EXPECT_GT(hi.x() - lo.x(), 0.9 * f.pane.picture().width());
  EXPECT_TRUE(f.dark({1000, 1000}));
  EXPECT_FALSE(f.dark({1000, 3000}));
  EXPECT_FALSE(f.dark({0, 2000}));  // the pen-up move's path
}

TEST(SimPane, DrawingPieceByPieceGivesThePictureDrawnAtOnce) {
  const std::vector<std::string> commands = {"PU100,100;",   "PD3900,100;",    "PD3900,3900;",
                                             "PU2000,2000;", "CE500,300,360;", "PD2500,2600;",
                                             "PD2600,2600;", "PU0,0;",         "PD400,3000;"};
  PaneFixture piecewise, whole;
  for (const std::string& c : commands) {
    piecewise.sim.receive(c);
    piecewise.pane.refresh();
    whole.sim.receive(c);
  }
  piecewise.pane.finish();
  whole.pane.finish();
  EXPECT_TRUE(whole.dark({2000, 100}));
  EXPECT_EQ(piecewise.pane.picture(), whole.pane.picture());
  EXPECT_EQ(piecewise.pane.caption(), whole.pane.caption());
  EXPECT_EQ(whole.pane.caption(), "Last job: 3 strokes, 1 ellipse, 287.7 mm marked");
}

TEST(SimPane, MarksOutsideTheFieldWidenThePicture) {
  PaneFixture f;
  f.sim.receive("PU2000,2000;PD2500,2000;");
  f.pane.refresh();
  f.sim.receive("PD9000,2000;");  // far right of the field
  f.pane.refresh();
  EXPECT_TRUE(f.pane.picture().rect().contains(f.pane.to_pixel({8900, 2000}).toPoint()));
  EXPECT_TRUE(f.dark({8900, 2000}));
  EXPECT_TRUE(f.dark({2200, 2000}));
}

TEST(SimPane, CaptionCountsAndMeasuresInMillimetresOfEachAxis) {
  struct Case {
    double rate_x;
    int32_t swap;
    const char* commands;
    const char* caption;
  };
  const char* corner = "PU0,0;PD800,0;PD800,600;";
  const Case cases[] = {
      {1, 0, corner, "Last job: 1 stroke, 0 ellipses, 35.0 mm marked"},
      {2, 0, corner, "Last job: 1 stroke, 0 ellipses, 25.0 mm marked"},
      // Swapped axes: the marker's X carries the field's Y and its scale.
      {2, 1, corner, "Last job: 1 stroke, 0 ellipses, 27.5 mm marked"},
      {1, 0, "PU0,0;PD400,0;PU0,400;PD400,400;", "Last job: 2 strokes, 0 ellipses, 20.0 mm marked"},
      {1, 0, "PU10,10;CE100,50,360;", "Last job: 0 strokes, 1 ellipse, 0.0 mm marked"}};
  for (const Case& c : cases) {
    PaneFixture f;
    f.settings.rate_x = c.rate_x;
    f.settings.change_xy = c.swap;
    f.sim.receive(c.commands);
    f.pane.refresh();
    EXPECT_TRUE(f.pane.caption().startsWith("Marking: ")) << c.caption;
    f.pane.finish();
    EXPECT_EQ(f.pane.caption().toStdString(), c.caption);
  }
}

TEST(SimPane, ASimulatorClearedElsewhereStartsThePictureOver) {
  PaneFixture f;
  f.sim.receive("PU0,0;PD4000,0;PD4000,4000;");
  f.pane.finish();
  EXPECT_EQ(f.pane.caption(), "Last job: 1 stroke, 0 ellipses, 200.0 mm marked");
  f.sim.clear();
  f.sim.receive("PU0,0;PD0,400;");
  f.pane.refresh();
  EXPECT_EQ(f.pane.caption(), "Last job: 1 stroke, 0 ellipses, 10.0 mm marked");
  EXPECT_FALSE(f.dark({4000, 2000}));
  EXPECT_TRUE(f.dark({0, 200}));
}

}  // namespace
}  // namespace lumetch
