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

const std::filesystem::path kLayouts = std::filesystem::path(LUMETCH_TEST_DATA) / "layouts";

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A header with every field set to something distinct.
MarkObject header(int32_t type) {
  MarkObject o;
  o.type = type;
  o.rows = 2;
  o.columns = 3;
  o.row_gap = 1.5;
  o.column_gap = 0.25;
  o.cent_x = -12.5;
  o.cent_y = 7.125;
  o.width = 20.0;
  o.height = 10.0;
  o.angle = 45.0;
  o.layer = 6;
  o.output_mode = 2;
  o.fill_pitch = 0.1;
  o.fill_direction = 1;
  o.keep_aspect = 1;
  o.mirror_x = 0;
  o.mirror_y = 1;
  return o;
}

MarkObject with(MarkObject o, ParamBlock block) {
  o.params = block;
  return o;
}

void expect_same_record(const MarkObject& a, const MarkObject& b) {
  EXPECT_EQ(format_record(a, false), format_record(b, false));
  EXPECT_EQ(a.type, b.type);
  EXPECT_EQ(a.rows, b.rows);
  EXPECT_EQ(a.columns, b.columns);
  EXPECT_EQ(a.row_gap, b.row_gap);
  EXPECT_EQ(a.column_gap, b.column_gap);
  EXPECT_EQ(a.cent_x, b.cent_x);
  EXPECT_EQ(a.cent_y, b.cent_y);
  EXPECT_EQ(a.width, b.width);
  EXPECT_EQ(a.height, b.height);
  EXPECT_EQ(a.angle, b.angle);
  EXPECT_EQ(a.layer, b.layer);
  EXPECT_EQ(a.output_mode, b.output_mode);
  EXPECT_EQ(a.fill_pitch, b.fill_pitch);
  EXPECT_EQ(a.fill_direction, b.fill_direction);
  EXPECT_EQ(a.keep_aspect, b.keep_aspect);
  EXPECT_EQ(a.mirror_x, b.mirror_x);
  EXPECT_EQ(a.mirror_y, b.mirror_y);
  EXPECT_EQ(a.params, b.params);
}

const std::string kHeaderText =
    ",2,3,  1.500,  0.250,-12.500,  7.125, 20.000, 10.000, 45.000,6,2,  0.100,1,1,0,1,";

TEST(FormatRecord, WritesEachShapeWithItsFieldWidths) {
  struct Case {
    const char* name;
    MarkObject obj;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"line", with(header(LINE), LineParams{20.0, 0.5}), "1" + kHeaderText + " 20.000,  0.500\n"},
      {"rectangle radius %4.2f", with(header(RECTANGLE), RectangleParams{20.0, 10.0, 1.0, 2.5, 1}),
       "2" + kHeaderText + " 20.000, 10.000,  1.000,1,2.50\n"},
      {"rectangle radius wider than 4",
       with(header(RECTANGLE), RectangleParams{20.0, 10.0, 0.0, 12.346, 2}),
       "2" + kHeaderText + " 20.000, 10.000,  0.000,2,12.35\n"},
      {"circle", with(header(CIRCLE), CircleParams{20.0, 10.0, 1.25}),
       "3" + kHeaderText + " 20.000, 10.000,  1.250\n"},
      {"triangle", with(header(TRIANGLE), TriangleParams{20.0, 10.0, 0.5, 1}),
       "8" + kHeaderText + " 20.000, 10.000,  0.500,1\n"},
      {"rhombus %7.2f", with(header(RHOMBIC), RhombicParams{20.0, -3.5, 12.346}),
       "9" + kHeaderText + "  20.00,  -3.50,  12.35\n"},
      {"polygon", with(header(POLYGON), PolygonParams{20.0, 2.0, 6}),
       "10" + kHeaderText + " 20.000,  2.000,6\n"},
      {"wide numbers are not cut", with(header(LINE), LineParams{-1234.5678, 100000.0}),
       "1" + kHeaderText + "-1234.568,100000.000\n"},
      {"type without a record yet", with(header(BARCODE), {}), ""},
      {"block does not match the type", with(header(LINE), CircleParams{}), ""},
  };
  for (const Case& c : cases) EXPECT_EQ(format_record(c.obj, false), c.expected) << c.name;
}

TEST(FormatRecord, OffsetMovesOnlyTheCentre) {
  const MarkObject obj = with(header(LINE), LineParams{20.0, 0.5});
  EXPECT_EQ(format_record(obj, true),
            "1,2,3,  1.500,  0.250,-11.500,  8.125, 20.000, 10.000, 45.000,6,2,  0.100,1,1,0,1, "
            "20.000,  0.500\n");
  EXPECT_EQ(obj.cent_x, -12.5);  // the object itself stays put
}

TEST(ParseRecord, EveryShapeRoundTrips) {
  const std::vector<MarkObject> objects = {
      with(header(LINE), LineParams{20.0, 0.5}),
      with(header(RECTANGLE), RectangleParams{20.0, 10.0, 1.0, 2.25, 2}),
      with(header(CIRCLE), CircleParams{20.0, 10.0, 1.25}),
      with(header(TRIANGLE), TriangleParams{20.0, 10.0, 0.5, 1}),
      with(header(RHOMBIC), RhombicParams{20.0, 10.5, 0.75}),
      with(header(POLYGON), PolygonParams{20.0, 2.0, 6}),
  };
  for (const MarkObject& obj : objects) {
    SCOPED_TRACE(obj.type);
    const auto back = parse_record(format_record(obj, false));
    ASSERT_NE(back, nullptr);
    expect_same_record(*back, obj);
    EXPECT_EQ(back->selected, 1);
  }
}

TEST(ParseRecord, KeepsOnlyTheDecimalsWritten) {
  MarkObject rect = with(header(RECTANGLE), RectangleParams{20.0004, 10.0, 1.0, 1.236, 1});
  rect.cent_x = 3.14159;
  auto back = parse_record(format_record(rect, false));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->block<RectangleParams>()->edge_radius, 1.24);
  EXPECT_EQ(back->block<RectangleParams>()->size_x, 20.0);
  EXPECT_EQ(back->cent_x, 3.142);

  back = parse_record(
      format_record(with(header(RHOMBIC), RhombicParams{12.346, 9.004, 1.125}), false));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(*back->block<RhombicParams>(), (RhombicParams{12.35, 9.0, 1.12}));
}

TEST(ParseRecord, ToleratesWhatOtherWritersLeave) {
  const std::string body =
      "1,1,  1.000,  1.000,  2.000,  3.000, 10.000,  1.000,  0.000,0,0,  0.050,0,0,0,0, 10.000,  "
      "1.000";
  for (const std::string& line : {"1," + body, "1," + body + "\r\n", "1," + body + "  \t",
                                  "  +1," + body, "\t1," + body + "\n"}) {
    const auto obj = parse_record(line);
    ASSERT_NE(obj, nullptr) << line;
    EXPECT_EQ(obj->cent_y, 3.0);
    EXPECT_EQ(obj->block<LineParams>()->size_y, 1.0);
  }
}

TEST(ParseRecord, RefusesBrokenLinesWhole) {
  const std::string good = format_record(with(header(POLYGON), PolygonParams{20.0, 2.0, 6}), false);
  ASSERT_NE(parse_record(good), nullptr);
  const std::string line = good.substr(0, good.size() - 1);
  const std::size_t layer = line.find(",6,2,") + 1;
  struct Case {
    const char* name;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"empty", ""},
      {"header cut short", line.substr(0, 40)},
      {"last tail field missing", line.substr(0, line.rfind(','))},
      {"cut after a separator", line.substr(0, line.rfind(',') + 1)},
      {"trailing separator", line + ","},
      {"extra field", line + ",1"},
      {"empty field", "10," + line.substr(4)},
      {"letters in a number", "10,2,3,  1.5x0" + line.substr(14)},
      {"blank inside a number", "10,2,3,  1.5 0" + line.substr(14)},
      {"real in an integer field", "10,2.0,3" + line.substr(6)},
      {"integer too large", "10,2,3" + line.substr(6, line.rfind(',') - 6) + ",4294967302"},
      {"nan", "10,2,3,    nan" + line.substr(14)},
      {"infinity", "10,2,3,-infinity" + line.substr(14)},
      {"overflowing real", "10,2,3,  1e999" + line.substr(14)},
      {"type 0", "0" + line.substr(2)},
      {"type 13", "13" + line.substr(2)},
      {"negative type", "-1" + line.substr(2)},
      {"layer beyond the tables", line.substr(0, layer) + "8" + line.substr(layer + 1)},
      {"negative layer", line.substr(0, layer) + "-1" + line.substr(layer + 1)},
  };
  for (const Case& c : cases) EXPECT_EQ(parse_record(c.text), nullptr) << c.name;
}

// Records what the document tells its windows.
struct Recorder : DocObserver {
  std::vector<int32_t> sheets;
  int list_changes = 0;
  void sheet_switched(int32_t kind) override { sheets.push_back(kind); }
  void list_changed() override { ++list_changes; }
};

struct LayoutFixture : ::testing::Test {
  CketralDoc doc;
  Recorder recorder;
  test::TempDir dir;
  LayoutFixture() { doc.observer = &recorder; }

  MarkObject* create(MarkObject obj) {
    obj.selected = 1;
    MarkObject* added = doc.ring.add(std::make_unique<MarkObject>(std::move(obj)));
    doc.object_list.append(next_object_name(doc.object_list, object_prefix(added->type)));
    return added;
  }
  std::vector<MarkObject*> objects() {
    std::vector<MarkObject*> all;
    for (MarkObject& o : doc.ring.oldest_first()) all.push_back(&o);
    return all;
  }
  std::vector<std::string> names() const {
    return {doc.object_list.entries().begin() + 1, doc.object_list.entries().end()};
  }
};

TEST_F(LayoutFixture, SavesInRingOrderAllOrOnlySelected) {
  MarkObject* a = create(with(header(LINE), LineParams{1.0, 2.0}));
  MarkObject* b = create(with(header(CIRCLE), CircleParams{3.0, 4.0, 0.0}));
  MarkObject* c = create(with(header(POLYGON), PolygonParams{5.0, 0.0, 5}));
  a->selected = 1;  // a and c selected, b not
  ASSERT_EQ(b->selected, 0);

  ASSERT_TRUE(save_layout(doc, dir.file("all.mrk"), true, false));
  EXPECT_EQ(dir.read("all.mrk"),
            format_record(*a, false) + format_record(*b, false) + format_record(*c, false));
  ASSERT_TRUE(save_layout(doc, dir.file("sel.mrk"), false, true));
  EXPECT_EQ(dir.read("sel.mrk"), format_record(*a, true) + format_record(*c, true));

  a->selected = c->selected = 0;  // nothing selected: an empty file replaces the old one
  ASSERT_TRUE(save_layout(doc, dir.file("sel.mrk"), false, false));
  EXPECT_EQ(dir.read("sel.mrk"), "");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST_F(LayoutFixture, FailedSaveLeavesNothingBehind) {
  create(with(header(LINE), LineParams{1.0, 2.0}));
  EXPECT_FALSE(save_layout(doc, dir.file("missing") / "x.mrk", true, false));
  std::filesystem::create_directory(dir.file("taken.mrk"));
  EXPECT_FALSE(save_layout(doc, dir.file("taken.mrk"), true, false));
  EXPECT_TRUE(std::filesystem::is_directory(dir.file("taken.mrk")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST_F(LayoutFixture, SaveThroughALinkWritesTheLinkedFile) {
  dir.write("real.mrk", "old\n");
  std::filesystem::create_symlink(dir.file("real.mrk"), dir.file("link.mrk"));
  create(with(header(LINE), LineParams{1.0, 2.0}));
  ASSERT_TRUE(save_layout(doc, dir.file("link.mrk"), true, false));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.mrk")));
  EXPECT_EQ(dir.read("real.mrk"), format_record(*doc.ring.current, false));
}

TEST_F(LayoutFixture, OpensEveryShapeAndWritesTheSameFileBack) {
  const OpenResult r = open_layout(doc, kLayouts / "six_shapes.mrk");
  EXPECT_EQ(r.objects_read, 6);
  EXPECT_EQ(r.lines_skipped, 0);
  EXPECT_EQ(names(), (std::vector<std::string>{"line1", "rectangle1", "circle1", "thrangle1",
                                               "rhombic1", "polygon1"}));
  const std::vector<MarkObject*> objs = objects();
  ASSERT_EQ(objs.size(), 6u);
  for (MarkObject* o : objs) {
    EXPECT_EQ(o->selected, 1);
    EXPECT_EQ(o->screen_rect,
              compute_screen_rect(*o, doc.view.zoom(), doc.view.origin_x, doc.view.origin_y));
  }
  EXPECT_EQ(doc.ring.current, objs.back());
  EXPECT_EQ(*objs[0]->block<LineParams>(), (LineParams{20.0, 0.5}));
  EXPECT_EQ(objs[0]->angle, 30.0);
  EXPECT_EQ(*objs[1]->block<RectangleParams>(), (RectangleParams{10.0, 6.0, 1.0, 2.5, 1}));
  EXPECT_EQ(objs[1]->columns, 3);
  EXPECT_EQ(*objs[2]->block<CircleParams>(), (CircleParams{20.0, 20.0, 2.0}));
  EXPECT_EQ(*objs[3]->block<TriangleParams>(), (TriangleParams{16.0, 8.0, 1.5, 1}));
  EXPECT_EQ(*objs[4]->block<RhombicParams>(), (RhombicParams{12.0, 9.0, 1.25}));
  EXPECT_EQ(*objs[5]->block<PolygonParams>(), (PolygonParams{8.0, 0.0, 6}));
  EXPECT_EQ(objs[5]->cent_y, -100.25);
  EXPECT_EQ(objs[5]->layer, 7);
  // Several objects: the group page, list entry 0.
  EXPECT_EQ(recorder.sheets, std::vector<int32_t>{-1});
  EXPECT_EQ(doc.view.selection.selection_kind, -1);
  EXPECT_EQ(doc.object_list.selection(), 0);
  EXPECT_EQ(recorder.list_changes, 1);

  ASSERT_TRUE(save_layout(doc, dir.file("again.mrk"), true, false));
  EXPECT_EQ(dir.read("again.mrk"), read_file(kLayouts / "six_shapes.mrk"));
}

TEST_F(LayoutFixture, OpenAddsToTheRingAndContinuesNaming) {
  MarkObject* old = create(with(header(LINE), LineParams{1.0, 2.0}));
  const std::string two = format_record(with(header(LINE), LineParams{3.0, 4.0}), false) +
                          format_record(with(header(LINE), LineParams{5.0, 6.0}), false);
  dir.write("two.mrk", two);
  EXPECT_EQ(open_layout(doc, dir.file("two.mrk")).objects_read, 2);
  EXPECT_EQ(names(), (std::vector<std::string>{"line1", "line2", "line3"}));
  const std::vector<MarkObject*> objs = objects();
  ASSERT_EQ(objs.size(), 3u);
  EXPECT_EQ(objs[0], old);
  EXPECT_EQ(old->selected, 0);
  EXPECT_EQ(objs[1]->selected, 1);
  EXPECT_EQ(objs[2]->selected, 1);
  EXPECT_EQ(objs[2]->block<LineParams>()->size_x, 5.0);
  EXPECT_EQ(doc.ring.current, objs[2]);
}

TEST_F(LayoutFixture, OneObjectShowsItsPageAndListEntry) {
  create(with(header(CIRCLE), CircleParams{1.0, 1.0, 0.0}));
  create(with(header(CIRCLE), CircleParams{1.0, 1.0, 0.0}));
  dir.write("one.mrk", format_record(with(header(TRIANGLE), TriangleParams{}), false));
  EXPECT_EQ(open_layout(doc, dir.file("one.mrk")).objects_read, 1);
  EXPECT_EQ(recorder.sheets, std::vector<int32_t>{TRIANGLE});
  EXPECT_EQ(doc.object_list.selection(), 3);
  EXPECT_EQ(doc.object_list.at(3), "thrangle1");
}

TEST_F(LayoutFixture, EmptyFileDeselectsAndShowsTheDrawingPage) {
  MarkObject* old = create(with(header(LINE), LineParams{1.0, 2.0}));
  doc.object_list.select(1);
  dir.write("empty.mrk", "");
  const OpenResult r = open_layout(doc, dir.file("empty.mrk"));
  EXPECT_TRUE(r.opened());
  EXPECT_EQ(r.objects_read, 0);
  EXPECT_EQ(old->selected, 0);
  EXPECT_EQ(recorder.sheets, std::vector<int32_t>{0});
  EXPECT_EQ(doc.object_list.selection(), 0);
}

TEST_F(LayoutFixture, MissingFileChangesNothing) {
  MarkObject* old = create(with(header(LINE), LineParams{1.0, 2.0}));
  doc.object_list.select(1);
  for (const auto& path : {dir.file("nowhere.mrk"), dir.path()}) {
    const OpenResult r = open_layout(doc, path);
    EXPECT_FALSE(r.opened());
    EXPECT_EQ(old->selected, 1);
    EXPECT_EQ(doc.ring.size(), 1u);
    EXPECT_EQ(doc.object_list.selection(), 1);
    EXPECT_TRUE(recorder.sheets.empty());
    EXPECT_EQ(recorder.list_changes, 0);
  }
}

TEST_F(LayoutFixture, DamagedLinesAreSkippedWhileTheRestLoads) {
  const OpenResult r = open_layout(doc, kLayouts / "damaged.mrk");
  EXPECT_EQ(r.objects_read, 2);
  EXPECT_EQ(r.lines_skipped, 15);
  EXPECT_EQ(names(), (std::vector<std::string>{"line1", "polygon1"}));
  EXPECT_EQ(objects().back()->block<PolygonParams>()->edge_count, 5);
}

TEST_F(LayoutFixture, ReadsWindowsLineEndsAndAnUnterminatedLastLine) {
  const OpenResult r = open_layout(doc, kLayouts / "crlf_no_final_newline.mrk");
  EXPECT_EQ(r.objects_read, 2);
  EXPECT_EQ(r.lines_skipped, 0);
  EXPECT_EQ(names(), (std::vector<std::string>{"rhombic1", "line1"}));
  EXPECT_EQ(objects().back()->cent_y, 3.0);
}

TEST_F(LayoutFixture, LongLinesStayOneRecord) {
  const std::string good = format_record(with(header(LINE), LineParams{1.0, 2.0}), false);
  // A valid record stretched past the old 4999-character limit by blanks.
  const std::string padded = "1," + std::string(6000, ' ') + good.substr(2);
  dir.write("long.mrk", padded + std::string(10000, '7') + "\n" + good);
  const OpenResult r = open_layout(doc, dir.file("long.mrk"));
  EXPECT_EQ(r.objects_read, 2);
  EXPECT_EQ(r.lines_skipped, 1);  // the 10000 sevens, as one line
  for (MarkObject* o : objects()) expect_same_record(*o, *parse_record(good));
}

TEST_F(LayoutFixture, CopyAndPasteThroughTheClipboardFileLandsOneMillimetreOff) {
  MarkObject* a = create(with(header(RECTANGLE), RectangleParams{20.0, 10.0, 0.0, 0.0, 0}));
  ASSERT_TRUE(save_layout(doc, dir.file("#.1"), false, true));
  EXPECT_EQ(open_layout(doc, dir.file("#.1")).objects_read, 1);
  EXPECT_EQ(a->selected, 0);
  MarkObject* copy = doc.ring.current;
  EXPECT_EQ(copy->cent_x, a->cent_x + 1.0);
  EXPECT_EQ(copy->cent_y, a->cent_y + 1.0);
  EXPECT_EQ(doc.object_list.at(2), "rectangle2");
}

}  // namespace
}  // namespace lumetch
