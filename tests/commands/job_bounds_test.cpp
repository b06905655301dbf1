#include "commands/job_bounds.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "commands/create_object.h"
#include "commands/draw_object.h"
#include "marker/channels.h"
#include "marker/pen_emitter.h"
#include "platform/scripted_operator.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

struct Desk {
  test::TempDir dir;
  CketralDoc doc;
  ScriptedOperator op;
  Desk() { doc.work_dir = dir.path(); }
};

// Every move of every copy, the slow way.
MoveBox full_run(CketralDoc& doc, const MarkObject& obj, Operator& op) {
  PortWriter nowhere(std::make_unique<NullChannel>());
  PenEmitter pen(doc, nowhere, op);
  MoveBox box;
  pen.set_probe([&](int32_t x, int32_t y, bool) { box.add(x, y); });
  doc.engraving = 1;
  GeomContext g{doc, &pen};
  run_generator(g, nullptr, obj);
  doc.engraving = 0;
  return box;
}

TEST(CheckJobField, TheCornerCopiesBoundTheWholeArrayOfEveryType) {
  const struct {
    int32_t type;
    double angle;
  } cases[] = {{LINE, 30},     {RECTANGLE, 20}, {CIRCLE, 0},   {LINE_TEXT, 15}, {ARC_TEXT, 0},
               {TRIANGLE, 45}, {RHOMBIC, 10},   {POLYGON, 70}, {BARCODE, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    Desk d;
    MarkObject* obj = CreateObject(d.doc, c.type, d.op);
    ASSERT_NE(obj, nullptr);
    obj->rows = 7;
    obj->columns = 9;
    obj->row_gap = 1.5;
    obj->column_gap = -0.5;
    obj->angle = c.angle;
    const MoveBox expected = full_run(d.doc, *obj, d.op);
    ASSERT_FALSE(expected.empty);
    const FieldCheck check = CheckJobField(d.doc);
    ASSERT_EQ(check.outside.size(), 1u);  // 9 columns of 40 mm barcodes do not fit
    const MoveBox& got = check.outside[0].box;
    EXPECT_NEAR(got.min_x, expected.min_x, 1);
    EXPECT_NEAR(got.max_x, expected.max_x, 1);
    EXPECT_NEAR(got.min_y, expected.min_y, 1);
    EXPECT_NEAR(got.max_y, expected.max_y, 1);
    // The dry run sent nothing and left the object and the document as they were.
    EXPECT_EQ(obj->rows, 7);
    EXPECT_EQ(obj->column_gap, -0.5);
    EXPECT_EQ(d.doc.engraving, 0);
  }
}

TEST(CheckJobField, SaysWhatLeavesTheFieldAndHowFar) {
  const struct {
    const char* label;
    void (*setup)(CketralDoc&, MarkObject&);
    std::vector<std::string> outside;
    double beyond_mm;  // of the first
  } cases[] = {
      {"inside", [](CketralDoc&, MarkObject&) {}, {}, 0},
      {"10 mm past the right edge",
       [](CketralDoc&, MarkObject& o) { o.cent_x = 50; },
       {"rectangle1"},
       10},
      {"a layer without power is not marked",
       [](CketralDoc& d, MarkObject& o) {
         o.cent_x = 500;
         d.settings.power[0] = 0;
       },
       {},
       0},
      {"the park position",
       [](CketralDoc& d, MarkObject&) {
         d.settings.pen_home = 1;
         d.settings.pen_y = -60;
       },
       {"the park position"},
       10},
      {"the scanning area of a raster job",
       [](CketralDoc& d, MarkObject& o) {
         o.cent_x = 500;  // not looked at: the raster holds only the area
         d.settings.output_style = 1;
         d.settings.scan_size_x = 120;
       },
       {"the scanning area"},
       10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Desk d;
    MarkObject* obj = CreateObject(d.doc, RECTANGLE, d.op);
    ASSERT_NE(obj, nullptr);
    d.doc.settings.pen_home = 0;
    c.setup(d.doc, *obj);
    const FieldCheck check = CheckJobField(d.doc);
    std::vector<std::string> names;
    for (const auto& o : check.outside) names.push_back(o.name);
    EXPECT_EQ(names, c.outside);
    if (!check.inside()) {
      EXPECT_NEAR(check.outside[0].beyond_mm, c.beyond_mm, 0.05);
      EXPECT_NE(describe_outside(check).find(c.outside[0]), std::string::npos);
    }
    EXPECT_EQ(describe_outside(check).empty(), check.inside());
  }
}

}  // namespace
}  // namespace lumetch
