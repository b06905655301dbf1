#include "model/edit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/cketral_doc.h"

namespace lumetch {
namespace {

struct Doc : DocObserver {
  CketralDoc doc;
  std::vector<ChangeNotice> notices;
  Doc() { doc.observer = this; }
  void document_changed(const ChangeNotice& n) override { notices.push_back(n); }

  MarkObject* add(int32_t type) {
    Commit c(doc);
    auto record = std::make_unique<MarkObject>();
    record->type = type;
    MarkObject* obj = c.add(std::move(record));
    doc.selection = Selection::only(obj->id);
    c.push("Create");
    return obj;
  }
  // One edit of the centre, with the merge key a field page would use.
  void move_to(MarkObject& obj, double x, const std::string& key) {
    Commit c(doc);
    c.modify(obj).cent_x = x;
    c.push("Move", key);
  }
};

TEST(EditHistory, EditsOfOneFieldMergeUntilAnotherFieldOrASave) {
  Doc d;
  MarkObject* obj = d.add(LINE);
  const ObjectId id = obj->id;
  const struct {
    double x;
    const char* key;
    bool save_first;
    std::size_t steps;  // after the edit
  } rows[] = {
      {1.0, "cent_x", false, 2}, {1.2, "cent_x", false, 2}, {1.25, "cent_x", false, 2},
      {2.0, "cent_y", false, 3}, {3.0, "", false, 4},       {3.5, "", false, 5},
      {4.0, "cent_x", false, 6}, {4.5, "cent_x", true, 7},
  };
  for (const auto& row : rows) {
    if (row.save_first) d.doc.history.mark_clean();
    d.move_to(*obj, row.x, row.key);
    EXPECT_EQ(d.doc.history.size(), row.steps) << row.x;
  }
  // Undoing the merged typing goes back to before the first keystroke.
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(undo(d.doc));
  EXPECT_EQ(d.doc.ring.find(id)->cent_x, 1.25);
  ASSERT_TRUE(undo(d.doc));
  EXPECT_EQ(d.doc.ring.find(id)->cent_x, 0.0);
  // The notice names the field that changed.
  const ChangeNotice& n = d.notices.back();
  ASSERT_NE(n.fields_of(id), nullptr);
  EXPECT_EQ(n.fields_of(id)->names, std::vector<std::string_view>{"cent_x"});
}

TEST(EditHistory, BoundedByStepsAndMemoryAndLosesACleanPointItDrops) {
  Doc d;
  MarkObject* obj = d.add(LINE);
  d.doc.history.mark_clean();
  d.doc.history.set_limits(3, EditHistory::kMaxBytes);
  for (int i = 1; i <= 5; ++i) d.move_to(*obj, i, "");
  EXPECT_EQ(d.doc.history.size(), 3u);
  int undone = 0;
  while (undo(d.doc)) ++undone;
  EXPECT_EQ(undone, 3);
  EXPECT_EQ(obj->cent_x, 2.0);
  EXPECT_TRUE(d.doc.history.modified());  // the saved state is gone for good

  // A few hundred bytes allowed: one step stays, however large.
  d.doc.history.set_limits(EditHistory::kMaxSteps, 200);
  for (int i = 0; i < 3; ++i) d.move_to(*obj, i, "");
  EXPECT_EQ(d.doc.history.size(), 1u);
  EXPECT_GT(d.doc.history.bytes(), 0u);
}

TEST(Commit, NotPushedItRevertsAndSelectionAloneIsNoStep) {
  Doc d;
  MarkObject* keep = d.add(LINE);
  const std::vector<ObjectId> order = d.doc.ring.order();
  {
    Commit c(d.doc);
    c.modify(*keep).layer = 4;
    c.remove(*keep);
    auto record = std::make_unique<MarkObject>();
    record->type = CIRCLE;
    c.add(std::move(record));
    d.doc.defaults.line.length = "77";
  }
  EXPECT_EQ(d.doc.ring.order(), order);
  EXPECT_EQ(d.doc.ring.find(order[0])->layer, 0);
  EXPECT_EQ(d.doc.defaults.line.length, CreationDefaults{}.line.length);
  EXPECT_EQ(d.doc.history.size(), 1u);

  Commit select(d.doc);
  d.doc.selection = Selection{};
  const ChangeNotice n = select.push("Select");
  EXPECT_TRUE(n.selection);
  EXPECT_EQ(d.doc.history.size(), 1u);
}

TEST(ChangedFields, NamesHeaderAndBlockFieldsFromTheirTables) {
  MarkObject rect;
  rect.type = RECTANGLE;
  rect.params = RectangleParams{10, 10, 1, 2, 1};
  MarkObject text;
  text.type = LINE_TEXT;
  text.params = LineTextParams{};
  const struct {
    const char* name;
    MarkObject base;
    std::function<void(MarkObject&)> change;
    std::vector<std::string_view> names;
  } rows[] = {
      {"nothing", rect, [](MarkObject&) {}, {}},
      {"header", rect, [](MarkObject& o) { o.cent_y = 3, o.layer = 2; }, {"cent_y", "layer"}},
      {"radius",
       rect,
       [](MarkObject& o) { o.block<RectangleParams>()->edge_radius = 3; },
       {"edge_radius"}},
      {"NaN stays NaN", rect, [](MarkObject& o) { o.angle = std::nan(""); }, {"angle"}},
      {"text", text, [](MarkObject& o) { o.block<LineTextParams>()->text = "x"; }, {"text"}},
      {"character records",
       text,
       [](MarkObject& o) { o.block<LineTextParams>()->chars.resize(3); },
       {"params"}},
      {"another type", rect, [](MarkObject& o) { o.params = CircleParams{}; }, {"params"}},
  };
  for (const auto& row : rows) {
    MarkObject changed = row.base;
    row.change(changed);
    EXPECT_EQ(changed_fields(row.base, changed), row.names) << row.name;
  }
  MarkObject nan = rect;
  nan.angle = std::nan("");
  EXPECT_TRUE(changed_fields(nan, nan).empty());
}

}  // namespace
}  // namespace lumetch
