#include "model/layout_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace lumetch {
namespace {

namespace fs = std::filesystem;

// A header with every field set to something distinct, in MarkObject's order:
// rows, columns, gaps, centre, size, angle, screen_rect, layer, type, selected,
// keep_aspect, output_mode, fill_pitch, fill_direction, mirrors, params, links.
MarkObject header(int32_t type, ParamBlock block = {}) {
  return {2,    3, 1.5, 0.25, -12.5, 7.125, 20.0, 10.0, 45.0,  {},      6,
          type, 0, 1,   2,    0.1,   1,     0,    1,    block, nullptr, nullptr};
}

const std::string kHeaderText =
    ",2,3,  1.500,  0.250,-12.500,  7.125, 20.000, 10.000, 45.000,6,2,  0.100,1,1,0,1,";

TEST(FormatRecord, WritesEachShapeWithItsFieldWidthsAndReadsItBack) {
  struct Case {
    const char* name;
    int32_t type;
    ParamBlock block;
    std::string tail;  // after the header; empty: no record at all
  };
  const Case cases[] = {
      {"line", LINE, LineParams{20.0, 0.5}, " 20.000,  0.500"},
      {"rectangle: radius %4.2f", RECTANGLE, RectangleParams{20, 10, 1, 2.5, 1},
       " 20.000, 10.000,  1.000,1,2.50"},
      {"rectangle: wide radius", RECTANGLE, RectangleParams{20, 10, 0, 12.346, 2},
       " 20.000, 10.000,  0.000,2,12.35"},
      {"circle", CIRCLE, CircleParams{20.0, 10.0, 1.25}, " 20.000, 10.000,  1.250"},
      {"triangle", TRIANGLE, TriangleParams{20.0, 10.0, 0.5, 1}, " 20.000, 10.000,  0.500,1"},
      {"rhombus: %7.2f", RHOMBIC, RhombicParams{20.0, -3.5, 12.346}, "  20.00,  -3.50,  12.35"},
      {"polygon", POLYGON, PolygonParams{20.0, 2.0, 6}, " 20.000,  2.000,6"},
      {"wide numbers are not cut", LINE, LineParams{-1234.5678, 1e5}, "-1234.568,100000.000"},
      {"type without a record yet", BARCODE, {}, ""},
      {"block does not match the type", LINE, CircleParams{}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string expected =
        c.tail.empty() ? "" : std::to_string(c.type) + kHeaderText + c.tail + "\n";
    EXPECT_EQ(format_record(header(c.type, c.block), false), expected);
    if (expected.empty()) continue;
    const auto back = parse_record(expected);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(format_record(*back, false), expected);
    EXPECT_EQ(back->selected, 1);
  }
}

TEST(ParseRecord, TakesOrRefusesWholeLines) {
  std::string line = format_record(header(POLYGON, PolygonParams{20.0, 2.0, 6}), false);
  line.pop_back();
  const std::size_t layer = line.find(",6,2,") + 1;
  struct Case {
    const char* name;
    std::string text;
    bool taken;
  };
  const std::vector<Case> cases = {
      {"as written", line, true},
      {"windows line end", line + "\r\n", true},
      {"blanks after the last field", line + "  \t", true},
      {"blanks and a plus sign before the type", "  +" + line, true},
      {"empty", "", false},
      {"header cut short", line.substr(0, 40), false},
      {"last tail field missing", line.substr(0, line.rfind(',')), false},
      {"cut after a separator", line.substr(0, line.rfind(',') + 1), false},
      {"extra field", line + ",1", false},
      {"empty field", "10," + line.substr(4), false},
      {"letters in a number", "10,2,3,  1.5x0" + line.substr(14), false},
      {"real in an integer field", "10,2.0,3" + line.substr(6), false},
      {"integer too large", line.substr(0, line.rfind(',')) + ",4294967302", false},
      {"nan", "10,2,3,    nan" + line.substr(14), false},
      {"overflowing real", "10,2,3,  1e999" + line.substr(14), false},
      {"type 0", "0" + line.substr(2), false},
      {"type 13", "13" + line.substr(2), false},
      {"layer beyond the tables", line.substr(0, layer) + "8" + line.substr(layer + 1), false},
      {"negative layer", line.substr(0, layer) + "-1" + line.substr(layer + 1), false},
  };
  for (const Case& c : cases) {
    const auto obj = parse_record(c.text);
    ASSERT_EQ(obj != nullptr, c.taken) << c.name;
    if (obj) {
      EXPECT_EQ(format_record(*obj, false), line + "\n") << c.name;
    }
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
    obj.selected = 1;
    MarkObject* added = doc.ring.add(std::make_unique<MarkObject>(std::move(obj)));
    doc.object_list.append(next_object_name(doc.object_list, object_prefix(added->type)));
    return added;
  }
  std::vector<std::string> names() const {
    return {doc.object_list.entries().begin() + 1, doc.object_list.entries().end()};
  }
  OpenResult open(const std::string& text) {
    dir.write("in.mrk", text);
    return open_layout(doc, dir.file("in.mrk"));
  }
  long files() const { return std::distance(fs::directory_iterator(dir.path()), {}); }
};

const std::string kLine = format_record(header(LINE, LineParams{3.0, 4.0}), false);
const std::string kTriangle = format_record(header(TRIANGLE, TriangleParams{}), false);
const std::string kCircle = format_record(header(CIRCLE, CircleParams{1.0, 1.0, 0.0}), false);

TEST(SaveLayout, WritesInRingOrderAllOrOnlySelected) {
  Session s;
  MarkObject* a = s.create(header(LINE, LineParams{1.0, 2.0}));
  MarkObject* b = s.create(header(CIRCLE, CircleParams{3.0, 4.0, 0.0}));
  MarkObject* c = s.create(header(POLYGON, PolygonParams{5.0, 0.0, 5}));
  a->selected = 1;  // a and c selected, b not
  ASSERT_TRUE(save_layout(s.doc, s.dir.file("all.mrk"), true, false));
  EXPECT_EQ(s.dir.read("all.mrk"),
            format_record(*a, false) + format_record(*b, false) + format_record(*c, false));
  ASSERT_TRUE(save_layout(s.doc, s.dir.file("sel.mrk"), false, true));
  EXPECT_EQ(s.dir.read("sel.mrk"), format_record(*a, true) + format_record(*c, true));

  a->selected = c->selected = 0;  // nothing selected: an empty file replaces the old one
  ASSERT_TRUE(save_layout(s.doc, s.dir.file("sel.mrk"), false, false));
  EXPECT_EQ(s.dir.read("sel.mrk"), "");
  EXPECT_EQ(s.files(), 2);  // no temporary left
}

TEST(SaveLayout, FailsWithoutLeftoversAndWritesThroughALinkKeepingTheMode) {
  Session s;
  s.create(header(LINE, LineParams{1.0, 2.0}));
  EXPECT_FALSE(save_layout(s.doc, s.dir.file("missing") / "x.mrk", true, false));
  fs::create_directory(s.dir.file("taken.mrk"));
  EXPECT_FALSE(save_layout(s.doc, s.dir.file("taken.mrk"), true, false));
  EXPECT_TRUE(fs::is_directory(s.dir.file("taken.mrk")));
  EXPECT_EQ(s.files(), 1);

  s.dir.write("real.mrk", "old\n");
  const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write;
  fs::permissions(s.dir.file("real.mrk"), mode);
  fs::create_symlink(s.dir.file("real.mrk"), s.dir.file("link.mrk"));
  ASSERT_TRUE(save_layout(s.doc, s.dir.file("link.mrk"), true, false));
  EXPECT_TRUE(fs::is_symlink(s.dir.file("link.mrk")));
  EXPECT_EQ(s.dir.read("real.mrk"), format_record(*s.doc.ring.current, false));
  EXPECT_EQ(fs::status(s.dir.file("real.mrk")).permissions() & fs::perms::all, mode);
}

TEST(OpenLayout, ReadsEveryShapeAndWritesTheSameFileBack) {
  Session s;
  const fs::path file = fs::path(LUMETCH_TEST_DATA) / "layouts" / "six_shapes.mrk";
  const OpenResult r = open_layout(s.doc, file);
  EXPECT_EQ(r.objects_read, 6);
  EXPECT_EQ(r.lines_skipped, 0);
  for (const MarkObject& o : s.doc.ring.oldest_first()) {
    EXPECT_EQ(o.selected, 1);
    EXPECT_EQ(o.screen_rect,
              compute_screen_rect(o, s.doc.view.zoom(), s.doc.view.origin_x, s.doc.view.origin_y));
  }
  EXPECT_EQ(s.doc.ring.current->type, POLYGON);  // the newest
  EXPECT_EQ(s.list_changes, 1);
  ASSERT_TRUE(save_layout(s.doc, s.dir.file("again.mrk"), true, false));
  std::ifstream in(file, std::ios::binary);
  EXPECT_EQ(s.dir.read("again.mrk"), std::string(std::istreambuf_iterator<char>(in), {}));
}

TEST(OpenLayout, AddsToTheRingAndShowsThePageAndListEntryOfWhatWasRead) {
  struct Case {
    const char* name;
    std::string text;
    int32_t sheet;
    int list_selection;
    std::vector<std::string> names;  // after the two circles already there
  };
  const Case cases[] = {
      {"nothing: the drawing page", "", 0, 0, {}},
      {"one object: its page and entry", kTriangle, TRIANGLE, 3, {"thrangle1"}},
      {"several: the group page, entry 0", kCircle + kLine, -1, 0, {"circle3", "line1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Session s;
    MarkObject* first = s.create(header(CIRCLE, CircleParams{1.0, 1.0, 0.0}));
    MarkObject* second = s.create(header(CIRCLE, CircleParams{1.0, 1.0, 0.0}));
    first->selected = 1;
    s.doc.object_list.select(2);
    EXPECT_TRUE(s.open(c.text).opened());
    EXPECT_EQ(first->selected + second->selected, 0);
    EXPECT_EQ(s.sheets, std::vector<int32_t>{c.sheet});
    EXPECT_EQ(s.doc.object_list.selection(), c.list_selection);
    std::vector<std::string> names = s.names();
    EXPECT_EQ(std::vector<std::string>(names.begin() + 2, names.end()), c.names);
    EXPECT_EQ(s.doc.ring.size(), 2 + c.names.size());
  }
}

TEST(OpenLayout, MissingFileOrFolderChangesNothing) {
  Session s;
  MarkObject* old = s.create(header(LINE, LineParams{1.0, 2.0}));
  for (const fs::path& path : {s.dir.file("nowhere.mrk"), s.dir.path()}) {
    EXPECT_FALSE(open_layout(s.doc, path).opened());
    EXPECT_EQ(old->selected, 1);
    EXPECT_TRUE(s.sheets.empty());
    EXPECT_EQ(s.list_changes, 0);
  }
}

TEST(OpenLayout, SkipsBadLinesReadsWindowsLineEndsAndLongLines) {
  Session s;
  std::string crlf = kLine;
  crlf.insert(crlf.size() - 1, "\r");
  // A broken record, a stranger, a blank line (not counted), a valid record
  // stretched past the old 4999-character limit, 10000 sevens as one line,
  // and a last line without its line end.
  const OpenResult r =
      s.open(crlf + "2,1,1,  1.000\n" + "not a record\n" + "\r\n" + "1," + std::string(6000, ' ') +
             kLine.substr(2) + std::string(10000, '7') + "\n" + kLine.substr(0, kLine.size() - 1));
  EXPECT_EQ(r.objects_read, 3);
  EXPECT_EQ(r.lines_skipped, 3);
  EXPECT_EQ(s.names(), (std::vector<std::string>{"line1", "line2", "line3"}));
  for (const MarkObject& o : s.doc.ring.oldest_first()) EXPECT_EQ(format_record(o, false), kLine);
}

TEST(OpenLayout, CopyAndPasteThroughTheClipboardFileLandsOneMillimetreOff) {
  Session s;
  MarkObject* a = s.create(header(RECTANGLE, RectangleParams{20.0, 10.0, 0.0, 0.0, 0}));
  ASSERT_TRUE(save_layout(s.doc, s.dir.file("#.1"), false, true));
  EXPECT_EQ(open_layout(s.doc, s.dir.file("#.1")).objects_read, 1);
  EXPECT_EQ(a->selected, 0);
  const MarkObject* copy = s.doc.ring.current;
  EXPECT_EQ(copy->cent_x, a->cent_x + 1.0);
  EXPECT_EQ(copy->cent_y, a->cent_y + 1.0);
  EXPECT_EQ(format_record(*copy, false), format_record(*a, true));  // nothing else moved
  EXPECT_EQ(s.doc.object_list.at(2), "rectangle2");
}

}  // namespace
}  // namespace lumetch
