#include "view/frame_drag.h"

#include <gtest/gtest.h>

#include <cmath>

#include "view/view_doc.h"

namespace lumetch {
namespace {

using test::ViewDoc;

TEST(FrameDrag, PressesFindTheHandleUnderThePointer) {
  // Frame 2000 × 2000 units; handles centred on the frame widened by 2k = 200.
  const HandleRects rects = handle_rects({1000, 3000, 3000, 1000}, 100);
  const struct {
    const char* name;
    ViewPoint p;
    int32_t drag_mode;
    std::optional<CursorKind> cursor;
  } rows[] = {
      {"top-left handle", {800, 3200}, 2, CursorKind::SizeNwSe},
      {"top-middle handle", {2004, 3200}, 3, CursorKind::SizeNS},
      {"middle-right handle", {3208, 1996}, 7, CursorKind::SizeWE},
      {"bottom-left handle", {800, 792}, 8, CursorKind::SizeNeSw},
      {"bottom-right handle", {3208, 792}, 10, CursorKind::SizeNwSe},
      {"inside the frame", {1500, 2500}, 1, CursorKind::SizeAll},
      {"the centre square moves the frame, showing the arrow", {2004, 1996}, 1, CursorKind::Arrow},
      {"outside every mark", {5000, 5000}, -1, std::nullopt},
  };
  for (const auto& r : rows) {
    const HandleHit hit = handle_press(rects, r.p);
    EXPECT_EQ(hit.drag_mode, r.drag_mode) << r.name;
    EXPECT_EQ(hit.cursor, r.cursor) << r.name;
  }
}

TEST(FrameDrag, StepsMoveAndResizeTheFrame) {
  const FrameRect wide{0, 2000, 4000, 0};  // twice as wide as high
  const FrameRect flat{0, 0, 4000, 0};     // a line of no height
  const struct {
    const char* name;
    FrameRect from;
    int32_t mode, dx, dy;
    bool edges;
    FrameRect to;
  } rows[] = {
      {"move", wide, 1, 100, -50, true, {100, 1950, 4100, -50}},
      {"top-left keeps the proportions", wide, 2, -200, 0, true, {-200, 2100, 4000, 0}},
      {"top-right keeps the proportions", wide, 4, 200, 0, true, {0, 2100, 4200, 0}},
      {"bottom-left keeps the proportions", wide, 8, 0, -100, true, {-200, 2000, 4000, -100}},
      {"bottom-right keeps the proportions", wide, 10, 0, -100, true, {0, 2000, 4200, -100}},
      {"top-middle", wide, 3, 0, 100, true, {0, 2100, 4000, 0}},
      {"top-middle refused", wide, 3, 0, 100, false, wide},
      {"middle-left refused", wide, 5, -100, 0, false, wide},
      {"middle-right down to just above the minimum", wide, 7, -3994, 0, true, {0, 2000, 6, 0}},
      {"middle-right below the minimum refused", wide, 7, -3996, 0, true, wide},
      {"bottom-middle below the minimum refused", wide, 9, 0, 1998, true, wide},
      {"corner of a frame of no height refused", flat, 8, 0, -100, true, flat},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(drag_frame(r.from, r.mode, r.dx, r.dy, 5.0, r.edges), r.to) << r.name;
  }
}

TEST(FrameDrag, RefusedStepsStopTheFrameAtItsLastValidSize) {
  ViewDoc d;  // Z = 50: the smallest frame is 5 units, a pixel 25
  FrameDrag drag(7, {0, 0}, {0, 100, 1000, 0}, d.doc.view, true);
  drag.move_to({-39, 3});
  EXPECT_EQ(drag.frame()[2], 25);
  drag.move_to({-40, 3});  // would reach 0
  EXPECT_EQ(drag.frame()[2], 25);
  drag.move_to({-39, 3});
  EXPECT_EQ(drag.frame()[2], 50);
}

TEST(FrameDrag, EdgeHandlesAreRefusedForKeepAspectAndSeveral) {
  const struct {
    const char* name;
    int32_t keep_aspect;
    bool several;
    bool allowed;
  } rows[] = {
      {"one free object", 0, false, true},
      {"one keep-aspect object", 1, false, false},
      {"several objects", 0, true, false},
  };
  for (const auto& r : rows) {
    ViewDoc d;
    MarkObject* a = d.add(LINE, 0, 0, 10, 1);
    MarkObject* b = d.add(LINE, 0, 5, 10, 1);
    b->keep_aspect = r.keep_aspect;
    d.doc.selection = Selection::only(b->id);
    if (r.several) d.doc.selection.add(a->id);
    EXPECT_EQ(edge_handles_allowed(d.doc), r.allowed) << r.name;
  }
}

// The frame of one object, as the view computes it.
FrameRect box_of(const CketralDoc& doc, const MarkObject& o) {
  const double z = doc.view.zoom();
  const double tw = o.columns * o.width + (o.columns - 1) * o.column_gap;
  const double th = o.rows * o.height + (o.rows - 1) * o.row_gap;
  const double l = z * (2 * o.cent_x - tw) + doc.view.origin_x;
  const double t = z * (2 * o.cent_y + th) - doc.view.origin_y;
  return {l, t, l + 2 * z * tw, t - 2 * z * th};
}

TEST(FrameDrag, ReleaseMapsTheFrameOntoTheObjectsAsOneStep) {
  const struct {
    const char* name;
    int32_t type;
    double w, h;
    int32_t columns, keep_aspect;
    FrameRect delta;  // added to the drawn frame (view units)
    const char* step;
    double cx, cy, width, height, column_gap, size_x;
  } rows[] = {
      {"3 columns dragged to twice the width",
       RECTANGLE,
       10,
       5,
       3,
       0,
       {0, 0, 3400, 0},
       "Resize",
       17,
       0,
       20,
       5,
       4,
       20},
      {"moved 10 mm right and 5 mm down",
       RECTANGLE,
       10,
       5,
       3,
       0,
       {1000, -500, 1000, -500},
       "Move",
       10,
       -5,
       10,
       5,
       2,
       10},
      {"keep aspect takes the larger scale",
       RECTANGLE,
       10,
       5,
       1,
       1,
       {0, 0, 1000, 0},
       "Resize",
       5,
       -2.5,
       20,
       10,
       2,
       20},
      {"a line of no height moves",
       LINE,
       10,
       0,
       1,
       0,
       {1000, 500, 1000, 500},
       "Move",
       10,
       5,
       10,
       0,
       2,
       0},
  };
  for (const auto& r : rows) {
    ViewDoc d;
    MarkObject* o = r.type == RECTANGLE
                        ? d.add(RECTANGLE, 0, 0, r.w, r.h, RectangleParams{r.w, r.h, 1, 0, 0})
                        : d.add(r.type, 0, 0, r.w, r.h);
    o->columns = r.columns;
    o->column_gap = 2;
    o->row_gap = 1;
    o->keep_aspect = r.keep_aspect;
    d.doc.selection = Selection::only(o->id);
    const MarkObject before = detached_copy(*o);
    const FrameRect drawn = box_of(d.doc, *o);
    FrameRect frame = drawn;
    for (int i = 0; i < 4; ++i) frame[i] += r.delta[i];

    ASSERT_TRUE(release_frame(d.doc, drawn, frame, r.step)) << r.name;
    EXPECT_DOUBLE_EQ(o->cent_x, r.cx) << r.name;
    EXPECT_DOUBLE_EQ(o->cent_y, r.cy) << r.name;
    EXPECT_DOUBLE_EQ(o->width, r.width) << r.name;
    EXPECT_DOUBLE_EQ(o->height, r.height) << r.name;
    EXPECT_DOUBLE_EQ(o->column_gap, r.column_gap) << r.name;
    EXPECT_EQ(o->row_gap, 1) << r.name << ": one row keeps its gap";
    if (const auto* p = o->block<RectangleParams>()) {
      EXPECT_DOUBLE_EQ(p->size_x, r.size_x) << r.name;
    }
    // A keep-aspect object follows its own scale, not the dragged frame's shape.
    if (r.keep_aspect == 0) {
      EXPECT_EQ(box_of(d.doc, *o), frame) << r.name;
    }
    EXPECT_EQ(d.doc.view.selection.drawn_frame, frame) << r.name;
    EXPECT_EQ(d.doc.history.undo_name(), r.step) << r.name;

    ASSERT_TRUE(undo(d.doc)) << r.name;
    EXPECT_TRUE(changed_fields(before, *o).empty()) << r.name << ": one undo restores it";
    EXPECT_FALSE(release_frame(d.doc, drawn, drawn, "Move")) << r.name << ": a plain click";
    EXPECT_TRUE(changed_fields(before, *o).empty()) << r.name;
  }
}

}  // namespace
}  // namespace lumetch
