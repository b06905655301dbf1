#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/cketral_doc.h"
#include "model/object_list.h"
#include "model/object_ring.h"

namespace lumetch {
namespace {

ObjectList list_of(const std::vector<std::string>& names) {
  ObjectList list;
  for (const auto& n : names) list.append(n);
  return list;
}

TEST(Naming, LastMatchingEntryPlusOne) {
  struct Row {
    const char* name;
    std::vector<std::string> entries;
    int32_t type;
    const char* expected;
  };
  const std::string huge = "line" + std::string(40, '9');
  const std::vector<Row> rows = {
      {"empty_list", {}, LINE, "line1"},
      {"last_not_largest", {"line1", "line5", "line3"}, LINE, "line4"},
      {"duplicates_allowed", {"line3", "line3"}, LINE, "line4"},
      {"texts_share_txt", {"txt1", "line1", "txt2"}, LINE_TEXT, "txt3"},
      {"arc_text_too", {"txt1", "line1", "txt2"}, ARC_TEXT, "txt3"},
      {"rectangle_vs_rhombus", {"rectangle4"}, RHOMBIC, "rhombic1"},
      {"triangle_vs_text", {"thrangle6"}, LINE_TEXT, "txt1"},
      {"plt_vs_polygon", {"plt2"}, POLYGON, "polygon1"},
      {"barcode_vs_bmp", {"barcode9"}, BMP, "bmp1"},
      {"leading_digits_only", {"line12abc"}, LINE, "line13"},
      {"no_digits_is_zero", {"line5", "lineX"}, LINE, "line1"},
      {"short_entry_is_zero", {"line5", "li"}, LINE, "line1"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(next_object_name(list_of(row.entries), object_prefix(row.type)), row.expected)
        << row.name;
  }
  // A runaway number saturates instead of overflowing.
  EXPECT_EQ(next_object_name(list_of({huge}), "line").substr(0, 4), "line");
}

// Builds a document with objects named in creation order, each selected alone
// as creation does.
struct DocFixture {
  CketralDoc doc;
  MarkObject* make(int32_t type) {
    auto obj = std::make_unique<MarkObject>();
    obj->type = type;
    obj->selected = 1;
    MarkObject* raw = doc.ring.add(std::move(obj));
    doc.object_list.append(next_object_name(doc.object_list, object_prefix(type)));
    doc.object_list.select(doc.object_list.size() - 1);
    return raw;
  }
  std::vector<int32_t> types_oldest_first() {
    std::vector<int32_t> out;
    for (const MarkObject& o : doc.ring.oldest_first()) out.push_back(o.type);
    return out;
  }
};

TEST(ObjectRing, NewObjectsGoAheadButAreWalkedLast) {
  DocFixture f;
  EXPECT_TRUE(f.doc.ring.is_empty());
  EXPECT_EQ(f.doc.ring.current, f.doc.ring.end());
  EXPECT_EQ(f.doc.ring.current->type, NONE);
  MarkObject* a = f.make(LINE);
  MarkObject* b = f.make(CIRCLE);
  MarkObject* c = f.make(POLYGON);
  EXPECT_EQ(f.doc.ring.head()->next, c);
  EXPECT_EQ(f.doc.ring.end()->prev, a);
  EXPECT_EQ(f.types_oldest_first(), (std::vector<int32_t>{LINE, CIRCLE, POLYGON}));
  EXPECT_EQ(f.doc.ring.current, c);
  // Adding deselects every other object.
  EXPECT_EQ(a->selected, 0);
  EXPECT_EQ(b->selected, 0);
  EXPECT_EQ(c->selected, 1);
  EXPECT_EQ(f.doc.ring.index_of(a), 1);
  EXPECT_EQ(f.doc.ring.index_of(c), 3);
  EXPECT_EQ(f.doc.ring.size(), 3u);
}

TEST(DeleteObjects, RemovesSelectedAndKeepsListInStep) {
  DocFixture f;
  MarkObject* l1 = f.make(LINE);
  MarkObject* r1 = f.make(RECTANGLE);
  MarkObject* l2 = f.make(LINE);
  MarkObject* c1 = f.make(CIRCLE);
  (void)l2;
  l1->selected = 1;
  r1->selected = 1;
  c1->selected = 0;
  // line1 and rectangle1 (adjacent, entries 1 and 2) go; line2, circle1 stay.
  f.doc.view.selection.selection_kind = -1;
  delete_objects(f.doc, false);
  EXPECT_EQ(f.doc.object_list.entries(), (std::vector<std::string>{"drawing", "line2", "circle1"}));
  EXPECT_EQ(f.types_oldest_first(), (std::vector<int32_t>{LINE, CIRCLE}));
  EXPECT_EQ(f.doc.ring.current, f.doc.ring.oldest());
  EXPECT_EQ(f.doc.object_list.selection(), 0);
  EXPECT_EQ(f.doc.view.selection.selection_kind, 0);
}

TEST(DeleteObjects, NothingSelectedStillShowsDrawingPage) {
  DocFixture f;
  f.make(LINE);
  MarkObject* last = f.make(CIRCLE);
  last->selected = 0;
  f.doc.view.selection.selection_kind = 3;
  delete_objects(f.doc, false);
  EXPECT_EQ(f.doc.ring.size(), 2u);
  EXPECT_EQ(f.doc.object_list.size(), 3);
  EXPECT_EQ(f.doc.object_list.selection(), 0);
  EXPECT_EQ(f.doc.view.selection.selection_kind, 0);
  // current falls back to the oldest object, as after any deletion.
  EXPECT_EQ(f.doc.ring.current->type, LINE);
}

TEST(DeleteObjects, AllLeavesCurrentOnTheHeadAndNamesRestart) {
  DocFixture f;
  for (int i = 0; i < 5; ++i) f.make(LINE);
  delete_objects(f.doc, true);
  EXPECT_TRUE(f.doc.ring.is_empty());
  EXPECT_EQ(f.doc.ring.current, f.doc.ring.head());
  EXPECT_EQ(f.doc.object_list.entries(), std::vector<std::string>{"drawing"});
  EXPECT_EQ(next_object_name(f.doc.object_list, "line"), "line1");
  // The ring still works afterwards.
  f.make(RHOMBIC);
  EXPECT_EQ(f.doc.object_list.entries().back(), "rhombic1");
  EXPECT_EQ(f.doc.ring.index_of(f.doc.ring.current), 1);
}

TEST(DeleteObjects, ListIndicesFollowRingPositionWithGaps) {
  DocFixture f;
  std::vector<MarkObject*> objs;
  for (int i = 0; i < 6; ++i) objs.push_back(f.make(i % 2 == 0 ? LINE : POLYGON));
  // Selected: positions 1, 3, 4, 6 (line1, line2, polygon2, polygon3).
  for (int i : {0, 2, 3, 5}) objs[i]->selected = 1;
  delete_objects(f.doc, false);
  EXPECT_EQ(f.doc.object_list.entries(),
            (std::vector<std::string>{"drawing", "polygon1", "line3"}));
  EXPECT_EQ(f.doc.ring.index_of(objs[1]), 1);
  EXPECT_EQ(f.doc.ring.index_of(objs[4]), 2);
}

TEST(ScreenRect, OneCopyBoxAtZoomAndOrigin) {
  MarkObject o;
  o.cent_x = 1.0;
  o.cent_y = -2.0;
  o.width = 10.0;
  o.height = 4.0;
  o.rows = 3;  // copies do not enter
  const ScreenRect r = compute_screen_rect(o, 5, 16000, 16000);
  EXPECT_EQ(r, (ScreenRect{16000 - 40, 0 - 16000, 16000 + 60, -40 - 16000}));
}

}  // namespace
}  // namespace lumetch
