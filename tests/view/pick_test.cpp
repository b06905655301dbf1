#include "view/pick.h"

#include <gtest/gtest.h>

#include <vector>

#include "model/units.h"
#include "view/view_doc.h"

namespace lumetch {
namespace {

using test::ViewDoc;

struct Layout : ViewDoc {
  MarkObject* rect = add(RECTANGLE, 0, 0, 20, 20, RectangleParams{20, 20, 1, 0, 0});
  MarkObject* line = add(LINE, 10, 0, 4, 2);  // over the rectangle's right edge
  MarkObject* ring = add(CIRCLE, -30, 0, 10, 10, CircleParams{10, 10, 1});
  MarkObject* tri = add(TRIANGLE, 0, 30, 20, 20, TriangleParams{20, 20, 1, 0});
  MarkObject* row = add(LINE, 30, 20, 2, 2);  // three copies at x 27, 30, 33
  Layout() {
    Commit c(doc);
    c.modify(*row).columns = 3;
    row->column_gap = 1;
    c.push("Array");
  }
  MarkObject* by_name(char n) {
    switch (n) {
      case 'R':
        return rect;
      case 'L':
        return line;
      case 'C':
        return ring;
      case 'T':
        return tri;
      case 'A':
        return row;
    }
    return nullptr;
  }
  Selection sel(const char* ids, char current) {
    Selection s;
    for (const char* p = ids; *p != 0; ++p) s.add(by_name(*p)->id);
    s.set_current(current != 0 ? by_name(current)->id : kNoObject);
    return s;
  }
};

TEST(Pick, ClicksSelectWhatLiesUnderThePointer) {
  const struct {
    const char* name;
    const char* before;  // selected before the click; the last one current
    double x, y;
    bool ctrl;
    const char* after;
    char current;
    PressOutcome outcome;
  } rows[] = {
      {"inside a hollow rectangle, away from its edge", "", 0, 0, false, "", 0, PressOutcome::Band},
      {"on the rectangle's edge", "", -9.5, 0, false, "R", 'R', PressOutcome::Single},
      {"where two overlap: both, the newer current", "", 10, 0, false, "RL", 'L',
       PressOutcome::Group},
      {"in the hole of an ellipse", "", -30, 0, false, "", 0, PressOutcome::Band},
      {"on the ellipse's ring", "", -25, 0, false, "C", 'C', PressOutcome::Single},
      {"inside a hollow triangle", "", 0, 27, false, "", 0, PressOutcome::Band},
      {"on the triangle's base", "", 0, 20.5, false, "T", 'T', PressOutcome::Single},
      {"on the third copy of an array", "", 33, 20, false, "A", 'A', PressOutcome::Single},
      {"between two copies", "", 31.5, 20, false, "", 0, PressOutcome::Band},
      {"nothing there clears the selection", "C", 50, -40, false, "", 'C', PressOutcome::Band},
      {"Ctrl adds to the selection", "C", 33, 20, true, "AC", 'A', PressOutcome::Group},
      {"Ctrl on a selected object keeps it", "C", -25, 0, true, "C", 'C', PressOutcome::Band},
      {"Ctrl with nothing selected selects the object", "", 33, 20, true, "A", 'A',
       PressOutcome::Band},
  };
  for (const auto& r : rows) {
    Layout l;
    const std::string before = r.before;
    l.doc.selection = l.sel(r.before, before.empty() ? 0 : before.back());
    const PickResult got = pick_at(l.doc, l.at(r.x, r.y), r.ctrl);
    EXPECT_EQ(got.selection, l.sel(r.after, r.current)) << r.name;
    EXPECT_EQ(got.outcome, r.outcome) << r.name;
  }
}

TEST(Pick, RubberBandTakesObjectsWhollyInside) {
  const struct {
    const char* name;
    const char* before;
    double x0, y0, x1, y1;
    bool ctrl;
    const char* after;
    char current;
  } rows[] = {
      {"partly covering the rectangle", "", -12, -12, 5, 12, false, "", 0},
      {"around the rectangle and the line", "", -12, -12, 13, 12, false, "RL", 'L'},
      {"drawn from the other corner", "", 13, 12, -12, -12, false, "RL", 'L'},
      {"Ctrl adds what is inside", "C", 25, 18, 35, 22, true, "AC", 'A'},
      {"empty band clears", "C", 40, -40, 45, -45, false, "", 0},
      {"empty band with Ctrl keeps", "C", 40, -40, 45, -45, true, "C", 'C'},
  };
  for (const auto& r : rows) {
    Layout l;
    const std::string before = r.before;
    l.doc.selection = l.sel(r.before, before.empty() ? 0 : before.back());
    const Selection got = band_select(l.doc, l.at(r.x0, r.y0), l.at(r.x1, r.y1), r.ctrl);
    EXPECT_EQ(got, l.sel(r.after, r.current)) << r.name;
  }
}

TEST(Pick, AHugeArrayTestsOnlyTheCopiesNearThePoint) {
  ViewDoc d;
  MarkObject* o = d.add(LINE, 0, 0, 1, 1);
  o->columns = o->rows = 100000;
  o->column_gap = o->row_gap = 1;  // copies 1 mm wide, 1 mm apart
  const PickRegion region = pick_region(*o, d.doc.view);
  const struct {
    const char* name;
    double x, y;
    bool hit;
  } rows[] = {
      {"the top-left copy", -99999.5 + 0.5, 99999.5 - 0.5, true},
      {"the bottom-right copy", 99999.5 - 0.5, -99999.5 + 0.5, true},
      {"a gap between copies", 0.0, 0.0, false},
      {"outside the array", 100001, 0, false},
  };
  for (const auto& r : rows) {
    std::size_t tested = 0;
    EXPECT_EQ(picks(*o, region, d.doc.view, d.at(r.x, r.y), &tested), r.hit) << r.name;
    EXPECT_LE(tested, 9u) << r.name;
  }
}

}  // namespace
}  // namespace lumetch
