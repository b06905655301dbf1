#include "model/layout_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/temp_dir.h"

namespace lumetch {
namespace {

namespace fs = std::filesystem;

// Neighbouring header fields differ, so a swap in the record shows.
MarkObject header(int32_t type, ParamBlock block = {}) {
  return {.name = {}, .rows = 2, .columns = 3, .row_gap = 1.5, .column_gap = 0.25,
          .cent_x = -12.5, .cent_y = 7.125, .width = 20.0, .height = 10.0, .angle = 45.0,
          .screen_rect = {}, .layer = 6, .type = type, .keep_aspect = 1, .output_mode = 2,
          .fill_pitch = 0.1, .fill_direction = 0, .mirror_x = 0, .mirror_y = 1,
          .params = std::move(block), .scratch = {}};
}

template <class Block>
Block with_path(const char* path) {
  Block b;
  b.source_path = path;
  return b;
}

BmpBlock bmp_style_1(const char* path) {
  BmpBlock b = with_path<BmpBlock>(path);
  b.style = 1;
  return b;
}

TEST(FormatRecord, WritesEachShapeWithItsFieldWidthsAndReadsItBack) {
  const std::string head =
      ",2,3,  1.500,  0.250,-12.500,  7.125, 20.000, 10.000, 45.000,6,2,  0.100,0,1,0,1,";
  const struct {
    const char* name;
    int32_t type;
    ParamBlock block;
    std::string tail;  // empty: no record at all
  } cases[] = {
      {"line", LINE, LineParams{20.0, 0.5}, " 20.000,  0.500"},
      {"rectangle: radius %4.2f", RECTANGLE, RectangleParams{20, 10, 1, 12.346, 2},
       " 20.000, 10.000,  1.000,2,12.35"},
      {"circle", CIRCLE, CircleParams{20.0, 10.0, 1.25}, " 20.000, 10.000,  1.250"},
      {"triangle", TRIANGLE, TriangleParams{20.0, 10.0, 0.5, 1}, " 20.000, 10.000,  0.500,1"},
      {"rhombus: %7.2f", RHOMBIC, RhombicParams{20.0, -3.5, 12.346}, "  20.00,  -3.50,  12.35"},
      {"polygon", POLYGON, PolygonParams{20.0, 2.0, 6}, " 20.000,  2.000,6"},
      {"barcode: text to the end of the line", BARCODE,
       BarcodeParams{40.0, 10.0, 0.206, 1, "A,B C", 0}, " 40.000, 10.000,  0.206,1,A,B C"},
      {"plt: the path ends the line", PLT, with_path<PltBlock>("/p/a,b.plt"), "/p/a,b.plt"},
      {"bmp", BMP, bmp_style_1("logo.bmp"), "1,logo.bmp"},
      {"vct", VCT, with_path<VctBlock>("/v/o.vct"), "/v/o.vct"},
      {"block does not match the type", LINE, CircleParams{}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string line = c.tail.empty() ? "" : std::to_string(c.type) + head + c.tail + "\n";
    EXPECT_EQ(format_record(header(c.type, c.block), false), line);
    const auto back = parse_record(line);
    EXPECT_EQ(back ? format_record(*back, false) : "", line);
  }
}

TEST(ParseRecord, TakesOrRefusesWholeLines) {
  std::string line = format_record(header(POLYGON, PolygonParams{20.0, 2.0, 6}), false);
  line.pop_back();
  const std::size_t layer = line.find(",6,2,") + 1;
  const std::string cut = line.substr(0, line.rfind(','));
  const struct {
    const char* name;
    std::string text;
    bool taken;
  } cases[] = {
      {"as written", line, true},
      {"blanks after the last field", line + "  \t", true},
      {"blanks and a plus sign before the type", "  +" + line, true},
      {"last field missing", cut, false},
      {"extra field", line + ",1", false},
      {"empty field", "10," + line.substr(4), false},
      {"letters in a number", "10,2,3,  1.5x0" + line.substr(14), false},
      {"real in an integer field", "10,2.0,3" + line.substr(6), false},
      {"integer too large", cut + ",4294967302", false},
      {"nan", "10,2,3,    nan" + line.substr(14), false},
      {"overflowing real", "10,2,3,  1e999" + line.substr(14), false},
      {"type without a record", "11" + line.substr(2), false},
      {"layer beyond the tables", line.substr(0, layer) + "8" + line.substr(layer + 1), false},
      {"negative layer", line.substr(0, layer) + "-1" + line.substr(layer + 1), false},
  };
  for (const auto& c : cases) {
    const auto obj = parse_record(c.text);
    EXPECT_EQ(obj ? format_record(*obj, false) : "", c.taken ? line + "\n" : "") << c.name;
  }
}

// A document whose windows are recorded, with a folder for its files.
struct Session : DocObserver {
  CketralDoc doc;
  test::TempDir dir;
  std::vector<int32_t> sheets;
  int list_changes = 0;

  Session() { doc.observer = this; }
  void sheet_switched(int32_t kind) override { sheets.push_back(kind); }
  void list_changed() override { ++list_changes; }

  MarkObject* create(MarkObject obj) {
    Commit commit(doc);
    MarkObject* added = commit.add(std::make_unique<MarkObject>(std::move(obj)));
    doc.selection.add(added->id);
    commit.push("Create");
    return added;
  }
  void select(std::initializer_list<const MarkObject*> objs) {
    doc.selection.clear();
    for (const MarkObject* o : objs) doc.selection.add(o->id);
  }
  OpenResult open(const std::string& text) {
    dir.write("in.mrk", text);
    return open_layout(doc, dir.file("in.mrk"));
  }
};

TEST(LayoutFile, CopyAndPasteThroughTheClipboardFileLandsOneMillimetreOff) {
  Session s;
  MarkObject* a = s.create(header(LINE, LineParams{1.0, 2.0}));
  MarkObject* b = s.create(header(CIRCLE, CircleParams{3.0, 4.0, 0.0}));
  MarkObject* c = s.create(header(POLYGON, PolygonParams{5.0, 0.0, 5}));
  s.select({a, c});  // not b
  s.sheets.clear();
  s.list_changes = 0;
  EXPECT_FALSE(open_layout(s.doc, s.dir.file("nowhere.mrk")).opened());
  EXPECT_FALSE(open_layout(s.doc, s.dir.path()).opened());
  EXPECT_TRUE(s.sheets.empty());
  ASSERT_TRUE(save_layout(s.doc, s.dir.file("#.1"), false, true));
  const std::string copies = format_record(*a, true) + format_record(*c, true);
  EXPECT_EQ(s.dir.read("#.1"), copies);

  EXPECT_EQ(open_layout(s.doc, s.dir.file("#.1")).objects_read, 2);
  EXPECT_EQ(s.list_changes, 1);
  MarkObject* pasted = current_object(s.doc);
  EXPECT_EQ(std::pair(pasted->cent_x, pasted->cent_y), std::pair(c->cent_x + 1, c->cent_y + 1));
  const MarkObject& first = *pasted->next;  // placed on screen like the last one
  EXPECT_EQ(first.screen_rect, compute_screen_rect(first, s.doc.view.zoom(), s.doc.view.origin_x,
                                                   s.doc.view.origin_y));
  ASSERT_TRUE(save_layout(s.doc, s.dir.file("sel.mrk"), false, false));
  EXPECT_EQ(s.dir.read("sel.mrk"), copies);  // only the pasted copies are selected
  ASSERT_TRUE(save_layout(s.doc, s.dir.file("all.mrk"), true, false));
  EXPECT_EQ(s.dir.read("all.mrk"), format_record(*a, false) + format_record(*b, false) +
                                       format_record(*c, false) + copies);

  s.select({});
  ASSERT_TRUE(save_layout(s.doc, s.dir.file("#.1"), false, false));
  EXPECT_EQ(s.dir.read("#.1"), "");  // nothing selected: nothing stale is left to paste
  EXPECT_EQ(std::distance(fs::directory_iterator(s.dir.path()), {}), 3);  // no temporary
  EXPECT_FALSE(save_layout(s.doc, s.dir.file("missing") / "x.mrk", true, false));
}

const std::string kLine = format_record(header(LINE, LineParams{3.0, 4.0}), false);

TEST(OpenLayout, AddsToTheRingAndShowsThePageAndListEntryOfWhatWasRead) {
  const std::string triangle = format_record(header(TRIANGLE, TriangleParams{}), false);
  const std::string circle = format_record(header(CIRCLE, CircleParams{}), false);
  const struct {
    const char* name;
    std::string text;
    int32_t sheet;
    int list_selection;
    std::vector<std::string> names;  // after the circle already there
  } cases[] = {
      {"nothing: the drawing page", "", 0, 0, {}},
      {"one object: its page and entry", triangle, TRIANGLE, 2, {"thrangle1"}},
      {"several: the group page, entry 0", circle + kLine, -1, 0, {"circle2", "line1"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Session s;
    MarkObject* old = s.create(header(CIRCLE, CircleParams{}));
    s.sheets.clear();
    EXPECT_TRUE(s.open(c.text).opened());
    EXPECT_FALSE(is_selected(s.doc, *old));
    EXPECT_EQ(s.sheets, std::vector<int32_t>{c.sheet});
    EXPECT_EQ(s.doc.object_list.selection(), c.list_selection);
    const auto& entries = s.doc.object_list.entries();
    EXPECT_EQ(std::vector<std::string>(entries.begin() + 2, entries.end()), c.names);
  }
}

TEST(OpenLayout, SkipsBadLinesReadsWindowsLineEndsAndLongLines) {
  Session s;
  std::string crlf = kLine;
  crlf.insert(crlf.size() - 1, "\r");
  // A broken record, a stranger, a blank line (not counted), a valid record
  // stretched past 4999 characters, 10000 sevens, a last line without its end.
  const OpenResult r =
      s.open(crlf + "2,1,1,  1.000\n" + "not a record\n" + "\r\n" + "1," + std::string(6000, ' ') +
             kLine.substr(2) + std::string(10000, '7') + "\n" + kLine.substr(0, kLine.size() - 1));
  EXPECT_EQ(r.objects_read, 3);
  EXPECT_EQ(r.lines_skipped, 3);
  EXPECT_EQ(r.damaged_lines, (std::vector<int>{2, 3, 6}));
  EXPECT_EQ(s.doc.object_list.entries(),
            (std::vector<std::string>{"drawing", "line1", "line2", "line3"}));
  for (const MarkObject& o : s.doc.ring.oldest_first()) EXPECT_EQ(format_record(o, false), kLine);
}

TEST(FormatRecord, TextsCarryTabbedTextsCharacterRecordsAndTheVariableFlag) {
  const std::string head =
      ",2,3,  1.500,  0.250,-12.500,  7.125, 20.000, 10.000, 45.000,6,2,  0.100,0,1,0,1,";
  LineTextParams lt;
  lt.text =
      "A,\x82\xA0"
      "B";  // four characters, the third two bytes
  lt.line_count = 2;
  lt.line_lengths = {2, 2, 7};
  lt.chars = {{1, 2, 3, 4, 5, 6, 7}};  // the other three went missing: zeros
  lt.variable = 1;
  lt.face_name = "IPAGothic";
  lt.font_charset = 128;
  const std::string zeros = "  0.000,  0.000,  0.000,  0.000,  0.000,  0.000,  0.000\n";
  const std::string line_text =
      "4" + head + "  1.000,  4.000,  6.000,  0.000,  0.000,0,3,0,0,128,IPAGothic\tA,\x82\xA0" +
      "B\t  1.000,2,2,2,7\n  1.000,  2.000,  3.000,  4.000,  5.000,  6.000,  7.000\n" + zeros +
      zeros + zeros + "0,variable,1\n";
  EXPECT_EQ(format_record(header(LINE_TEXT, lt), false), line_text);

  ArcTextParams at;
  at.text = "xy";
  at.chars = {{}, {0.5, 0, 0, 0, -90, 0, 0}};
  const std::string arc_text =
      "6" + head + "  6.000,  8.000,0, 20.000, 20.000,260.000,  0.000,  0.000,0,0,0,Arial\txy\t" +
      "  0.000,  0.000,  0.000,  0.000,  0.000,  0.000,  0.000,  0.500,  0.000,  0.000,  " +
      "0.000,-90.000,  0.000,  0.000,\n";
  EXPECT_EQ(format_record(header(ARC_TEXT, at), false), arc_text);
  const auto arc = parse_record(arc_text);
  ASSERT_NE(arc, nullptr);
  EXPECT_EQ(arc->block<ArcTextParams>()->chars, at.chars);
  EXPECT_EQ(parse_record(arc_text.substr(0, arc_text.size() - 10) + "\n"), nullptr);  // cut short

  // 120 characters need more than the old 4999-character line; read whole.
  at.text = std::string(120, 'W');
  at.chars.assign(120, CharRecord{0.5, 0, 0, 0, -90, 0, 0});
  const std::string long_arc = format_record(header(ARC_TEXT, at), false);
  EXPECT_GT(long_arc.size(), 5000u);
  const auto long_back = parse_record(long_arc);
  ASSERT_NE(long_back, nullptr);
  EXPECT_EQ(long_back->block<ArcTextParams>()->chars, at.chars);

  // A barcode text longer than its block is cut to 255 bytes.
  const auto long_code = parse_record("11" + head + "1,1,1,0," + std::string(300, '7'));
  ASSERT_NE(long_code, nullptr);
  EXPECT_EQ(long_code->block<BarcodeParams>()->text.size(), kBarcodeTextMax);
}

TEST(OpenLayout, ReadsCharacterLinesTheVariableFlagAndNamesGlyphFiles) {
  Session s;
  s.doc.work_dir = s.dir.path();
  LineTextParams lt;
  lt.text = "AB";
  lt.chars = {{1, 0, 0, 0, 0, 0, 0}, {2, 0, 0, 0, 0, 0, 0}};
  lt.variable = 1;
  BarcodeParams bc;
  bc.variable = 1;
  const std::string text = format_record(header(LINE_TEXT, lt), false);
  const std::string code = format_record(header(BARCODE, bc), false);
  ASSERT_NE(text.find("0,variable,1"), std::string::npos);

  std::vector<std::string> loaded;
  LoadHooks hooks;
  hooks.object_loaded = [&](CketralDoc&, MarkObject& o) {
    if (const auto* p = o.block<LineTextParams>()) loaded.push_back(p->glyph_file);
  };
  // The second text lost its last character line: the record that follows
  // is still read as a record.
  const std::string cut = text.substr(0, text.find("  2.000"));
  s.dir.write("in.mrk", text + code + cut + kLine);
  const OpenResult r = open_layout(s.doc, s.dir.file("in.mrk"), hooks);
  EXPECT_EQ(r.objects_read, 4);
  EXPECT_EQ(r.lines_skipped, 0);
  EXPECT_EQ(r.char_lines_missing, 1);
  EXPECT_EQ(r.damaged_lines, std::vector<int>{7});  // the record whose text was cut
  std::vector<MarkObject*> objs;
  for (MarkObject& o : s.doc.ring.oldest_first()) objs.push_back(&o);
  ASSERT_EQ(objs.size(), 4u);
  // Glyph files are named by the object's id, one each, in the scratch folder.
  ASSERT_EQ(loaded.size(), 2u);
  for (int i : {0, 1}) {
    const fs::path glyphs = loaded[static_cast<std::size_t>(i)];
    EXPECT_EQ(glyphs.parent_path(), s.dir.path());
    EXPECT_NE(glyphs.filename().string().find(std::to_string(objs[i == 0 ? 0 : 2]->id)),
              std::string::npos)
        << glyphs;
  }
  EXPECT_NE(loaded[0], loaded[1]);
  EXPECT_EQ(objs[0]->block<LineTextParams>()->variable, 1);
  EXPECT_EQ(objs[0]->block<LineTextParams>()->chars, lt.chars);
  EXPECT_EQ(objs[1]->block<BarcodeParams>()->variable, 1);
  const auto* damaged = objs[2]->block<LineTextParams>();
  EXPECT_EQ(damaged->variable, 0);
  EXPECT_EQ(damaged->chars, (std::vector<CharRecord>{lt.chars[0], {}}));
  EXPECT_EQ(objs[3]->type, LINE);

  // Deleting a text keeps its glyph file while the delete can be undone, and
  // removes it with the last step that holds the text.
  std::ofstream(loaded[0]) << "glyphs";
  s.select({objs[0]});
  delete_objects(s.doc, false);
  EXPECT_TRUE(fs::exists(loaded[0]));
  s.doc.history.clear();
  EXPECT_FALSE(fs::exists(loaded[0]));
}

TEST(LayoutFile, CodesKeepAnyDataAndTheLayoutKeepsItsDataSource) {
  // Data with the bytes a record line cannot hold as they are.
  for (const std::string data : {"LUMETCH", "a\\nb", "line1\nline2\r\tend\\", "[01]09501101530003"}) {
    CodeParams c;
    c.symbology = kCodeDataMatrix;
    c.ecc = 2;
    c.code_size = 5;
    c.quiet_zone = 0;
    c.gs1 = 1;
    c.display_type = 1;
    c.data = data;
    c.variable = 2;
    const std::string rec = format_record(header(CODE, c), false);
    EXPECT_EQ(std::count(rec.begin(), rec.end(), '\n'), 2) << rec;  // the record and its flag
    std::unique_ptr<MarkObject> back = parse_record(rec.substr(0, rec.find('\n') + 1));
    ASSERT_NE(back, nullptr) << rec;
    apply_extension_line(rec.substr(rec.find('\n') + 1), back.get());
    EXPECT_EQ(*back->block<CodeParams>(), c) << rec;
  }
  // A dangling escape is a damaged record, refused whole.
  CodeParams c;
  const std::string rec = format_record(header(CODE, c), false);
  EXPECT_EQ(parse_record(rec.substr(0, rec.size() - 1) + "\\\n"), nullptr);
  EXPECT_EQ(parse_record(rec.substr(0, rec.size() - 1) + "\\q\n"), nullptr);

  // The data source goes before the records of a saved layout and comes back
  // on opening; a clipboard file (the selection) carries none.
  Session s;
  s.doc.work_dir = s.dir.path();
  const VariableData source{"/data/lots, 2026.csv", 7, "06:00=A;14:00=B"};
  s.doc.variable_data = source;
  MarkObject* code = s.create(header(CODE, c));
  ASSERT_TRUE(save_layout(s.doc, s.dir.file("a.mrk"), true, false));
  EXPECT_TRUE(s.dir.read("a.mrk").starts_with("0,data,7,/data/lots, 2026.csv\n0,shifts,"));
  CketralDoc fresh;
  fresh.work_dir = s.dir.path();
  EXPECT_EQ(open_layout(fresh, s.dir.file("a.mrk")).objects_read, 1);
  EXPECT_EQ(fresh.variable_data, source);
  s.select({code});
  ASSERT_TRUE(save_layout(s.doc, s.dir.file("clip.mrk"), false, true));
  EXPECT_EQ(s.dir.read("clip.mrk").find("0,data"), std::string::npos);
  // A damaged data line leaves the source as it was.
  VariableData kept = source;
  EXPECT_TRUE(apply_variable_data_line("0,data,x,/other.csv", kept));
  EXPECT_TRUE(apply_variable_data_line("0,data,-1,/other.csv", kept));
  EXPECT_EQ(kept, source);
}

}  // namespace
}  // namespace lumetch
