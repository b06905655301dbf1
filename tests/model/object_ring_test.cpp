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

// After any deletion the drawing page shows, current falls back to the oldest
// object and every list entry names the object at its ring position; names
// go on from the last entry left.
TEST(DeleteObjects, RemovesTheSelectionOrAllKeepingTheListInStep) {
  const struct {
    const char* name;
    std::vector<int32_t> types;  // created in this order
    std::vector<std::size_t> selected;
    bool all;
    std::vector<std::string> entries;  // after the deletion
  } cases[] = {
      {"two adjacent", {LINE, RECTANGLE, LINE, CIRCLE}, {0, 1}, false, {"line2", "circle1"}},
      {"nothing selected", {LINE, CIRCLE}, {}, false, {"line1", "circle1"}},
      {"gaps", {LINE, POLYGON, LINE, POLYGON, LINE, POLYGON}, {0, 2, 3, 5}, false,
       {"polygon1", "line3"}},
      {"all", {LINE, LINE, LINE, LINE, LINE}, {}, true, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DocFixture f;
    std::vector<MarkObject*> objs;
    for (int32_t type : c.types) objs.push_back(f.make(type));
    f.doc.selection.clear();
    for (std::size_t i : c.selected) f.doc.selection.add(objs[i]->id);
    delete_objects(f.doc, c.all);
    EXPECT_EQ(f.doc.object_list.entries(), list_of(c.entries));
    int32_t at = 1;
    for (const MarkObject& o : f.doc.ring.oldest_first()) {
      EXPECT_EQ(f.doc.ring.index_of(&o), at);
      EXPECT_EQ(f.doc.object_list.entries()[static_cast<std::size_t>(at++)], o.name);
    }
    EXPECT_EQ(current_object(f.doc), c.all ? nullptr : f.doc.ring.oldest());
    EXPECT_EQ(f.doc.object_list.selection(), 0);
    EXPECT_EQ(selection_kind(f.doc), 0);
    f.make(RHOMBIC);  // the ring still works afterwards
    EXPECT_EQ(f.doc.object_list.entries().back(), "rhombic1");
    EXPECT_EQ(f.doc.ring.index_of(current_object(f.doc)), static_cast<int32_t>(f.doc.ring.size()));
  }
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
