#include "commands/arrange.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/edit.h"
#include "support/desk.h"

namespace lumetch {
namespace {

using test::Desk;

TEST(Arrange, TheStepTableIsCircularAndSaysTheStep) {
  const struct {
    int32_t from;
    bool larger;
    int32_t to;
    const char* text;
  } rows[] = {
      {7, true, 0, "当前步距值=  0.05mm"},
      {0, false, 7, "当前步距值= 10.00mm"},
      {3, true, 4, "当前步距值=  1.00mm"},
      {3, false, 2, "当前步距值=  0.20mm"},
  };
  for (const auto& row : rows) {
    CketralDoc doc;
    doc.settings.move_step = row.from;
    EXPECT_EQ(row.larger ? step_larger(doc) : step_smaller(doc), row.text) << row.from;
    EXPECT_EQ(doc.settings.move_step, row.to);
    EXPECT_EQ(doc.history.size(), 0u);  // a setting of the view, not an edit
  }
}

TEST(Arrange, CentringMovesTheWholeFrameAndKeepsDistances) {
  const struct {
    MoveMode mode;
    double a_x, a_y;  // where the first object lands
  } rows[] = {
      // Frame x from -20 to 70 (centre 25), y from -5 to 35 (centre 15).
      {MoveMode::Centre, -40.0, -5.0},
      {MoveMode::CentreLeftRight, -40.0, 10.0},
      {MoveMode::CentreTopBottom, -15.0, -5.0},
  };
  for (const auto& row : rows) {
    Desk d;
    MarkObject* a = d.add(-15, 10, 10, 30);
    MarkObject* b = d.add(60, 0, 20, 10);
    MarkObject* c = d.add(20, 30, 4, 10);
    ASSERT_TRUE(MoveSelection(d.doc, row.mode));
    EXPECT_DOUBLE_EQ(a->cent_x, row.a_x);
    EXPECT_DOUBLE_EQ(a->cent_y, row.a_y);
    EXPECT_DOUBLE_EQ(b->cent_x - a->cent_x, 75.0);
    EXPECT_DOUBLE_EQ(c->cent_y - b->cent_y, 30.0);
    EXPECT_EQ(b->screen_rect,
              compute_screen_rect(*b, d.doc.view.zoom(), d.doc.view.origin_x, d.doc.view.origin_y));
  }
}

TEST(Arrange, KeyboardResizeGrowsAboutTheCentreByTheStep) {
  const struct {
    const char* name;
    double w, h;
    int32_t keep_aspect;
    ResizeMode mode;
    int32_t step;
    bool done;
    double new_w, new_h;
    int32_t columns = 1;  // with a 5 mm column gap, scaled with the width
    double new_gap = 5;
  } rows[] = {
      {"Home on a frame narrower than the step", 0.3, 2, 0, ResizeMode::Narrower, 3, false, 0.3, 2},
      {"Page Down: height only", 10, 5, 0, ResizeMode::Taller, 3, true, 10, 5.5},
      {"Page Down keeping the aspect", 10, 5, 1, ResizeMode::Taller, 3, true, 11, 5.5},
      {"Page Up", 10, 5, 0, ResizeMode::Wider, 5, true, 12, 5},
      {"End", 10, 5, 0, ResizeMode::Lower, 5, true, 10, 3},
      // Frame 3 × 10 + 2 × 5 = 40 mm; 10 mm wider is 1.25 times.
      {"three columns", 10, 4, 0, ResizeMode::Wider, 7, true, 12.5, 4, 3, 6.25},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Desk d;
    MarkObject* o = d.add(5, -5, row.w, row.h, row.keep_aspect);
    o->columns = row.columns;
    o->column_gap = 5;
    d.doc.settings.move_step = row.step;
    EXPECT_EQ(ResizeSelection(d.doc, row.mode).has_value(), row.done);
    EXPECT_NEAR(o->width, row.new_w, 1e-9);
    EXPECT_NEAR(o->height, row.new_h, 1e-9);
    EXPECT_NEAR(o->cent_x, 5, 1e-9);  // about the frame's centre
    EXPECT_NEAR(o->block<RectangleParams>()->size_y, row.new_h, 1e-9);
    EXPECT_NEAR(o->column_gap, row.new_gap, 1e-9);
    EXPECT_EQ(o->row_gap, 0.0);  // one row: no gap to scale
  }
}

TEST(Arrange, MirrorTwiceRestoresAndNothingSelectedDoesNothing) {
  Desk d;
  MarkObject* a = d.add(0, 0, 10, 10);
  MarkObject* b = d.add(20, 0, 10, 10);
  b->mirror_x = 1;
  ASSERT_TRUE(MirrorSelection(d.doc, true));
  EXPECT_EQ(std::pair(a->mirror_x, b->mirror_x), std::pair(1, 0));
  ASSERT_TRUE(MirrorSelection(d.doc, true));
  EXPECT_EQ(std::pair(a->mirror_x, b->mirror_x), std::pair(0, 1));
  EXPECT_EQ(a->mirror_y, 0);

  d.doc.selection.clear();
  const std::size_t steps = d.doc.history.size();
  EXPECT_FALSE(MirrorSelection(d.doc, false));
  EXPECT_FALSE(MoveSelection(d.doc, MoveMode::Centre));
  EXPECT_FALSE(ResizeSelection(d.doc, ResizeMode::Wider));
  EXPECT_FALSE(DeleteSelection(d.doc));
  EXPECT_EQ(d.doc.ring.size(), 2u);
  EXPECT_EQ(d.doc.history.size(), steps);
  d.doc.selection.add(a->id);
  EXPECT_TRUE(DeleteSelection(d.doc));
  EXPECT_EQ(d.doc.ring.size(), 1u);
}

}  // namespace
}  // namespace lumetch
