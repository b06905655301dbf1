#include "shell/sim_pane.h"
#include "support/qt_helpers.h"

#include <gtest/gtest.h>

#include <QDockWidget>
#include <QImage>
#include <string>
#include <vector>

namespace lumetch {
namespace {

// Field 100 x 100 mm = 4000 x 4000 units at rate 1.
struct PaneFixture {
  MarkerSim sim;
  MarkSettings settings;
  SimPane pane{sim, settings};
  PaneFixture() { pane.resize(220, 240); }
};

TEST(SimPane, StrokesAreDrawnYUpScaledToTheFieldAndPenMovesAreNot) {
  PaneFixture f;
  f.pane.clear();
  f.sim.receive("PU0,0;");
  f.sim.receive("PD4000,4000;");  // lower left to upper right
  f.sim.receive("PU0,4000;");     // a move, not a mark
  f.pane.finish();

  const QImage& img = f.pane.picture();
  ASSERT_FALSE(img.isNull());
  const QPointF lo = f.pane.to_pixel({0, 0});
  const QPointF hi = f.pane.to_pixel({4000, 4000});
  EXPECT_LT(lo.x(), hi.x());
  EXPECT_GT(lo.y(), hi.y());  // Y up
  // The field fills most of the smaller side of the picture.
  EXPECT_GT(hi.x() - lo.x(), 0.9 * img.width());
  EXPECT_TRUE(test::dark(img, f.pane.to_pixel({2000, 2000})));
  EXPECT_TRUE(test::dark(img, f.pane.to_pixel({1000, 1000})));
  EXPECT_FALSE(test::dark(img, f.pane.to_pixel({1000, 3000})));
  EXPECT_FALSE(test::dark(img, f.pane.to_pixel({0, 2000})));  // the pen-up move's path
}

TEST(SimPane, DrawingPieceByPieceGivesThePictureDrawnAtOnce) {
  const std::vector<std::string> commands = {"PU100,100;",   "PD3900,100;",    "PD3900,3900;",
                                             "PU2000,2000;", "CE500,300,360;", "PD2500,2600;",
                                             "PD2600,2600;", "PU0,0;",         "PD400,3000;"};
  PaneFixture piecewise;
  piecewise.pane.clear();
  for (const std::string& c : commands) {
    piecewise.sim.receive(c);
    piecewise.pane.refresh();
  }
  piecewise.pane.finish();

  PaneFixture whole;
  whole.pane.clear();
  for (const std::string& c : commands) whole.sim.receive(c);
  whole.pane.finish();

  EXPECT_TRUE(test::dark(whole.pane.picture(), whole.pane.to_pixel({2000, 100})));
  EXPECT_EQ(piecewise.pane.picture(), whole.pane.picture());
  EXPECT_EQ(piecewise.pane.caption(), whole.pane.caption());
  EXPECT_EQ(whole.pane.caption(), "Last job: 3 strokes, 1 ellipse, 287.7 mm marked");
}

TEST(SimPane, MarksOutsideTheFieldWidenThePicture) {
  PaneFixture f;
  f.pane.clear();
  f.sim.receive("PU2000,2000;PD2500,2000;");
  f.pane.refresh();
  f.sim.receive("PD9000,2000;");  // far right of the field
  f.pane.refresh();
  const QPointF far = f.pane.to_pixel({8900, 2000});
  EXPECT_TRUE(f.pane.picture().rect().contains(far.toPoint()));
  EXPECT_TRUE(test::dark(f.pane.picture(), far));
  EXPECT_TRUE(test::dark(f.pane.picture(), f.pane.to_pixel({2200, 2000})));
}

TEST(SimPane, CaptionCountsAndMeasuresInMillimetresOfEachAxis) {
  struct Case {
    const char* name;
    double rate_x, rate_y;
    int32_t swap;
    const char* commands;
    const char* caption;
  };
  const Case cases[] = {
      {"rates 1", 1, 1, 0, "PU0,0;PD800,0;PD800,600;",
       "Last job: 1 stroke, 0 ellipses, 35.0 mm marked"},
      {"rate_x 2", 2, 1, 0, "PU0,0;PD800,0;PD800,600;",
       "Last job: 1 stroke, 0 ellipses, 25.0 mm marked"},
      // Swapped axes: the marker's X carries the field's Y and its scale.
      {"swapped", 2, 1, 1, "PU0,0;PD800,0;PD800,600;",
       "Last job: 1 stroke, 0 ellipses, 27.5 mm marked"},
      {"two strokes", 1, 1, 0, "PU0,0;PD400,0;PU0,400;PD400,400;",
       "Last job: 2 strokes, 0 ellipses, 20.0 mm marked"},
      {"ellipse only", 1, 1, 0, "PU10,10;CE100,50,360;",
       "Last job: 0 strokes, 1 ellipse, 0.0 mm marked"},
  };
  for (const Case& c : cases) {
    PaneFixture f;
    f.settings.rate_x = c.rate_x;
    f.settings.rate_y = c.rate_y;
    f.settings.change_xy = c.swap;
    f.pane.clear();
    f.sim.receive(c.commands);
    f.pane.refresh();
    EXPECT_TRUE(f.pane.caption().startsWith("Marking: ")) << c.name;
    f.pane.finish();
    EXPECT_EQ(f.pane.caption().toStdString(), c.caption) << c.name;
  }
}

TEST(SimPane, ASimulatorClearedElsewhereStartsThePictureOver) {
  PaneFixture f;
  f.pane.clear();
  f.sim.receive("PU0,0;PD4000,0;PD4000,4000;");
  f.pane.finish();
  EXPECT_EQ(f.pane.caption(), "Last job: 1 stroke, 0 ellipses, 200.0 mm marked");

  f.sim.clear();
  f.sim.receive("PU0,0;PD0,400;");
  f.pane.refresh();
  EXPECT_EQ(f.pane.caption(), "Last job: 1 stroke, 0 ellipses, 10.0 mm marked");
  EXPECT_FALSE(test::dark(f.pane.picture(), f.pane.to_pixel({4000, 2000})));
  EXPECT_TRUE(test::dark(f.pane.picture(), f.pane.to_pixel({0, 200})));
}

TEST(SimPane, DockHoldsThePane) {
  MarkerSim sim;
  MarkSettings settings;
  QWidget window;
  auto* pane = new SimPane(sim, settings);
  QDockWidget* dock = make_sim_dock(pane, &window);
  EXPECT_EQ(dock->widget(), pane);
  EXPECT_EQ(dock->windowTitle(), "Marker simulator");
  EXPECT_EQ(dock->parent(), &window);
}

}  // namespace
}  // namespace lumetch
