#include "commands/draw_object.h"

#include <gtest/gtest.h>

#include "platform/recording_canvas.h"

namespace lumetch {
namespace {

MarkObject square(int32_t layer) {
  MarkObject o;
  o.type = RECTANGLE;
  o.layer = layer;
  o.width = 10.0;
  o.height = 10.0;
  o.params = RectangleParams{10.0, 10.0, 0.0, 0.0, 0};
  return o;
}

TEST(DrawObject, DrawsInTheLayerColourAndRestoresThePen) {
  CketralDoc doc;
  GeomContext g{doc, nullptr};
  RecordingCanvas canvas;
  const Pen before{{1, 2, 3}, 4, PenStyle::Dot};
  const Brush brush_before{{9, 9, 9}, true};
  canvas.set_pen(before);
  canvas.set_brush(brush_before);
  const MarkObject o = square(5);
  DrawObject(g, &canvas, o);
  ASSERT_FALSE(canvas.ops().empty());
  for (const auto& op : canvas.ops()) {
    EXPECT_EQ(op.pen, (Pen{{0, 0, 255}, 1, PenStyle::Solid}));
    EXPECT_EQ(op.brush, (Brush{{0, 0, 255}, false}));
  }
  EXPECT_EQ(canvas.pen(), before);
  EXPECT_EQ(canvas.brush(), brush_before);
}

TEST(DrawObject, UnknownTypesAndNoCanvasDrawNothing) {
  CketralDoc doc;
  GeomContext g{doc, nullptr};
  RecordingCanvas canvas;
  MarkObject o = square(0);
  o.type = 0;
  DrawObject(g, &canvas, o);
  o.type = 14;
  DrawObject(g, &canvas, o);
  EXPECT_TRUE(canvas.ops().empty());
  EXPECT_FALSE(run_generator(g, &canvas, o));
  o.type = RECTANGLE;
  DrawObject(g, nullptr, o);  // no canvas: nothing to draw on, and no crash
  EXPECT_TRUE(run_generator(g, &canvas, o));
}

}  // namespace
}  // namespace lumetch
