#include "commands/edit_commands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "commands/create_object.h"
#include "commands/engrave.h"
#include "commands/layout_commands.h"
#include "commands/object_style.h"
#include "geometry/marker_capture.h"
#include "model/defaults_file.h"
#include "model/layout_file.h"
#include "platform/scripted_operator.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

namespace fs = std::filesystem;

const fs::path kData = LUMETCH_TEST_DATA;

// Everything of a document that an edit may change, as the files hold it.
struct Snapshot {
  std::string layout;    // every object, as saved
  std::string selected;  // the selected ones
  std::string defaults;  // "default.$"
  std::vector<std::string> names;
  std::map<std::string, std::string> glyphs;  // each text's glyph file
  ObjectId current = kNoObject;
  std::vector<ObjectId> ids;
  bool operator==(const Snapshot&) const = default;
};

// Member by member, so that a failure says what differs.
void expect_same(const Snapshot& got, const Snapshot& want) {
  EXPECT_EQ(got.layout, want.layout);
  EXPECT_EQ(got.selected, want.selected);
  EXPECT_EQ(got.defaults, want.defaults);
  EXPECT_EQ(got.names, want.names);
  EXPECT_TRUE(got.glyphs == want.glyphs);
  EXPECT_EQ(got.current, want.current);
  EXPECT_EQ(got.ids, want.ids);
}

struct Desk {
  test::TempDir dir;
  CketralDoc doc;
  ScriptedOperator op;
  Desk() { doc.work_dir = dir.path(); }

  MarkObject* create(int32_t type) {
    if (type == PLT) op.file_answers = {kData / "plt/multi_pen.plt"};
    if (type == BMP) op.file_answers = {kData / "bmp/f_bottom_up.bmp"};
    if (type == VCT) op.file_answers = {kData / "vct/ring.vct"};
    return CreateObject(doc, type, op);
  }
  void select(std::initializer_list<const MarkObject*> objs) {
    doc.selection.clear();
    for (const MarkObject* o : objs) doc.selection.add(o->id);
    doc.selection.set_current(objs.size() > 0 ? (*std::rbegin(objs))->id : kNoObject);
  }
  Snapshot snapshot() {
    Snapshot s;
    EXPECT_TRUE(save_layout(doc, dir.file("all.mrk"), true, false));
    EXPECT_TRUE(save_layout(doc, dir.file("sel.mrk"), false, false));
    EXPECT_TRUE(save_defaults(dir.file("default.$"), doc.defaults));
    s.layout = dir.read("all.mrk");
    s.selected = dir.read("sel.mrk");
    s.defaults = dir.read("default.$");
    s.names = doc.object_list.entries();
    for (const MarkObject& o : doc.ring.oldest_first()) {
      s.ids.push_back(o.id);
      std::string glyph_file;
      if (const auto* p = o.block<LineTextParams>()) glyph_file = p->glyph_file;
      if (const auto* p = o.block<ArcTextParams>()) glyph_file = p->glyph_file;
      if (!glyph_file.empty()) s.glyphs[glyph_file] = dir.read(fs::path(glyph_file).filename());
    }
    s.current = doc.selection.current();
    return s;
  }
  std::vector<test::Move> mark() {
    test::CaptureLog log;
    PortWriter port(std::make_unique<test::CaptureChannel>(log));
    PenEmitter pen(doc, port, op);
    EXPECT_EQ(Engrave(pen).outcome, EngraveResult::Outcome::Done);
    std::vector<test::Move> moves;
    for (const std::string& c : log.commands) {
      if (auto m = test::parse_move(c)) moves.push_back(*m);
    }
    return moves;
  }
};

TEST(Undo, EveryCommandIsUndoneAndRedoneExactly) {
  const struct {
    const char* name;
    std::function<void(Desk&)> command;
    char selection = 'p';  // p: the text and the plot, r: the rectangle, t: the text
  } rows[] = {
      {"create a line", [](Desk& d) { d.create(LINE); }},
      // The other plain shapes are created through the same step as these two.
      {"create a rectangle", [](Desk& d) { d.create(RECTANGLE); }},
      {"create a line text", [](Desk& d) { d.create(LINE_TEXT); }},
      {"create an arc text", [](Desk& d) { d.create(ARC_TEXT); }},
      {"create a barcode", [](Desk& d) { d.create(BARCODE); }},
      {"import a plot", [](Desk& d) { d.create(PLT); }},
      {"import a bitmap", [](Desk& d) { d.create(BMP); }},
      {"import outlines", [](Desk& d) { d.create(VCT); }},
      {"delete two", [](Desk& d) { delete_objects(d.doc, false); }},
      {"delete all", [](Desk& d) { delete_objects(d.doc, true); }},
      {"cut", [](Desk& d) { CutCommand(d.doc, d.op); }},
      {"paste",
       [](Desk& d) {
         CopyCommand(d.doc, d.op);
         PasteCommand(d.doc, d.op);
       }},
      {"colour box", [](Desk& d) { apply_layer(d.doc, 5); }},
      {"output mode", [](Desk& d) { apply_output_mode(d.doc, 2, 1, 0.2); }, 'r'},
      {"font of a text",
       [](Desk& d) {
         ASSERT_TRUE(apply_font(d.doc, {"Liberation Serif", 700, 1, 0}, d.op));
       },
       't'},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Desk d;
    // A line text, a rectangle and a plot; the text and the plot selected.
    MarkObject* text = d.create(LINE_TEXT);
    MarkObject* rect = d.create(RECTANGLE);
    MarkObject* plot = d.create(PLT);
    if (row.selection == 'p') d.select({text, plot});
    if (row.selection == 'r') d.select({rect});
    if (row.selection == 't') d.select({text});

    const Snapshot before = d.snapshot();
    row.command(d);
    const Snapshot after = d.snapshot();
    ASSERT_NE(after, before);
    EXPECT_TRUE(d.doc.history.modified());
    ASSERT_TRUE(UndoCommand(d.doc));
    expect_same(d.snapshot(), before);
    ASSERT_TRUE(RedoCommand(d.doc));
    expect_same(d.snapshot(), after);
    EXPECT_FALSE(RedoCommand(d.doc));
  }
}

TEST(Undo, AnUndoneDeleteBringsBackItsObjectWhateverCameBetween) {
  Desk d;
  d.doc.defaults.line_text.text = "AAA";
  MarkObject* old_text = d.create(LINE_TEXT);
  const ObjectId id = old_text->id;
  const std::vector<test::Move> old_strokes = d.mark();
  ASSERT_FALSE(old_strokes.empty());

  delete_objects(d.doc, true);
  // A new text takes the same list name, with other characters.
  d.doc.defaults.line_text.text = "BBB";
  MarkObject* new_text = d.create(LINE_TEXT);
  EXPECT_EQ(new_text->name, "txt1");
  EXPECT_NE(new_text->id, id);
  ASSERT_NE(d.mark(), old_strokes);
  ASSERT_TRUE(UndoCommand(d.doc));  // the new text goes
  ASSERT_TRUE(UndoCommand(d.doc));  // the old one comes back
  const MarkObject* back = d.doc.ring.find(id);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->name, "txt1");
  EXPECT_EQ(d.doc.selection, Selection::only(id));
  EXPECT_EQ(d.mark(), old_strokes);
}

TEST(Undo, MarkedSerialNumbersStayAdvanced) {
  Desk d;
  d.doc.defaults.barcode.text = "0007";
  MarkObject* code = d.create(BARCODE);
  code->block<BarcodeParams>()->variable = 1;  // as the page will set it
  const ObjectId id = code->id;
  apply_layer(d.doc, 2);
  d.doc.history.mark_clean();
  d.mark();
  EXPECT_TRUE(d.doc.history.modified());
  ASSERT_EQ(code->block<BarcodeParams>()->text, "0008");
  ASSERT_TRUE(UndoCommand(d.doc));  // layer
  ASSERT_TRUE(UndoCommand(d.doc));  // creation
  ASSERT_TRUE(RedoCommand(d.doc));
  EXPECT_EQ(d.doc.ring.find(id)->block<BarcodeParams>()->text, "0008");
}

TEST(Undo, NewAndOpenClearTheHistoryAndSaveSetsTheCleanPoint) {
  Desk d;
  d.create(LINE);
  d.create(CIRCLE);
  ASSERT_TRUE(d.doc.history.can_undo());
  d.op.file_answers = {d.dir.file("a.mrk")};
  ASSERT_TRUE(SaveCommand(d.doc, d.op));
  EXPECT_FALSE(d.doc.history.modified());
  ASSERT_TRUE(UndoCommand(d.doc));
  EXPECT_TRUE(d.doc.history.modified());
  ASSERT_TRUE(RedoCommand(d.doc));
  EXPECT_FALSE(d.doc.history.modified());

  EXPECT_EQ(d.doc.layout_path, d.dir.file("a.mrk"));
  d.op.file_answers = {d.dir.file("a.mrk")};
  OpenCommand(d.doc, d.op);
  EXPECT_EQ(d.doc.ring.size(), 4u);
  EXPECT_FALSE(d.doc.history.can_undo());
  // Added to what the ring held, the objects are in no file.
  EXPECT_TRUE(d.doc.history.modified());
  d.create(LINE);
  d.op.ask_answers = {Answer::No};
  NewCommand(d.doc, d.op);
  EXPECT_TRUE(d.doc.ring.is_empty());
  EXPECT_FALSE(d.doc.history.can_undo());
  EXPECT_FALSE(UndoCommand(d.doc));
}

}  // namespace
}  // namespace lumetch
