#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "model/cketral_doc.h"
#include "model/object_list.h"
#include "model/object_ring.h"

namespace lumetch {
namespace {

std::vector<std::string> list_of(const std::vector<std::string>& names) {
  std::vector<std::string> list{"drawing"};
  list.insert(list.end(), names.begin(), names.end());
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
    Commit commit(doc);
    MarkObject* raw = commit.add(std::move(obj));
    doc.selection = Selection::only(raw->id);
    commit.push("Create");
    return raw;
  }
  void select(std::initializer_list<MarkObject*> objs) {
    doc.selection.clear();
    for (MarkObject* o : objs) doc.selection.add(o->id);
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
  EXPECT_EQ(current_object(f.doc), nullptr);
  MarkObject* a = f.make(LINE);
  MarkObject* b = f.make(CIRCLE);
  MarkObject* c = f.make(POLYGON);
  EXPECT_EQ(f.doc.ring.head()->next, c);
  EXPECT_EQ(f.doc.ring.end()->prev, a);
  EXPECT_EQ(f.types_oldest_first(), (std::vector<int32_t>{LINE, CIRCLE, POLYGON}));
  EXPECT_EQ(current_object(f.doc), c);
  // Creating selects the new object alone.
  EXPECT_FALSE(is_selected(f.doc, *a));
  EXPECT_FALSE(is_selected(f.doc, *b));
  EXPECT_TRUE(is_selected(f.doc, *c));
  // Ids are unique, found again, and never those of a removed object.
  EXPECT_TRUE(a->id < b->id && b->id < c->id);
  EXPECT_EQ(f.doc.ring.find(b->id), b);
  const ObjectId gone = b->id;
  f.select({b});
  delete_objects(f.doc, false);
  EXPECT_EQ(f.doc.ring.find(gone), nullptr);
  EXPECT_GT(f.make(LINE)->id, c->id);
  EXPECT_EQ(f.doc.ring.index_of(a), 1);
  EXPECT_EQ(f.doc.ring.index_of(c), 2);
  EXPECT_EQ(f.doc.ring.size(), 3u);
}

TEST(DeleteObjects, RemovesSelectedAndKeepsListInStep) {
  DocFixture f;
  MarkObject* l1 = f.make(LINE);
  MarkObject* r1 = f.make(RECTANGLE);
  MarkObject* l2 = f.make(LINE);
  MarkObject* c1 = f.make(CIRCLE);
  (void)l2;
  (void)c1;
  f.select({l1, r1});
  EXPECT_EQ(selection_kind(f.doc), -1);
  // line1 and rectangle1 (adjacent, entries 1 and 2) go; line2, circle1 stay.
  delete_objects(f.doc, false);
  EXPECT_EQ(f.doc.object_list.entries(), (std::vector<std::string>{"drawing", "line2", "circle1"}));
  EXPECT_EQ(f.types_oldest_first(), (std::vector<int32_t>{LINE, CIRCLE}));
  EXPECT_EQ(current_object(f.doc), f.doc.ring.oldest());
  EXPECT_EQ(f.doc.object_list.selection(), 0);
  EXPECT_EQ(selection_kind(f.doc), 0);
}

TEST(DeleteObjects, NothingSelectedStillShowsDrawingPage) {
  DocFixture f;
  f.make(LINE);
  f.make(CIRCLE);
  f.select({});
  delete_objects(f.doc, false);
  EXPECT_EQ(f.doc.ring.size(), 2u);
  EXPECT_EQ(f.doc.object_list.size(), 3);
  EXPECT_EQ(f.doc.object_list.selection(), 0);
  EXPECT_EQ(selection_kind(f.doc), 0);
  // current falls back to the oldest object, as after any deletion.
  EXPECT_EQ(current_object(f.doc)->type, LINE);
}

TEST(DeleteObjects, AllLeavesCurrentOnTheHeadAndNamesRestart) {
  DocFixture f;
  for (int i = 0; i < 5; ++i) f.make(LINE);
  delete_objects(f.doc, true);
  EXPECT_TRUE(f.doc.ring.is_empty());
  EXPECT_EQ(current_object(f.doc), nullptr);
  EXPECT_EQ(f.doc.object_list.entries(), std::vector<std::string>{"drawing"});
  EXPECT_EQ(next_object_name(f.doc.object_list, "line"), "line1");
  // The ring still works afterwards.
  f.make(RHOMBIC);
  EXPECT_EQ(f.doc.object_list.entries().back(), "rhombic1");
  EXPECT_EQ(f.doc.ring.index_of(current_object(f.doc)), 1);
}

TEST(DeleteObjects, ListIndicesFollowRingPositionWithGaps) {
  DocFixture f;
  std::vector<MarkObject*> objs;
  for (int i = 0; i < 6; ++i) objs.push_back(f.make(i % 2 == 0 ? LINE : POLYGON));
  // Selected: positions 1, 3, 4, 6 (line1, line2, polygon2, polygon3).
  f.select({objs[0], objs[2], objs[3], objs[5]});
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
