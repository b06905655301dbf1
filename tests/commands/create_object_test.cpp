#include "commands/create_object.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "geometry/barcode.h"
#include "imports/plt.h"
#include "model/defaults_file.h"
#include "platform/scripted_operator.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

namespace fs = std::filesystem;
using Doubles = std::vector<double>;
using Ints = std::vector<int32_t>;
using Texts = std::vector<std::string>;

// A square outline for every character; records the faces it is asked for.
class SquareFonts : public FontEngine {
 public:
  std::vector<std::string> faces;
  std::optional<NativeOutline> outline(const FontDescription& font, char32_t, bool) override {
    faces.push_back(font.face_name);
    constexpr int32_t s = 300 * 65536;
    return NativeOutline{{{0, 0}, {{OutlineCurve::Kind::Line, {{s, 0}, {s, s}, {0, s}}}}}};
  }
  std::string resolved_family(const FontDescription& font) override { return font.face_name; }
  std::vector<std::string> outline_families() override { return {"Square"}; }
};

class Recorder : public DocObserver {
 public:
  Ints sheets;
  int list_changes = 0;
  int full_repaints = 0;
  Doubles selection;
  void sheet_switched(int32_t kind) override { sheets.push_back(kind); }
  void list_changed() override { ++list_changes; }
  void invalidate_selection(double w, double h, double a) override { selection = {w, h, a}; }
  void invalidate_all() override { ++full_repaints; }
};

struct Fixture {
  test::TempDir dir;
  SquareFonts fonts;
  Recorder seen;
  ScriptedOperator op;
  CketralDoc doc;
  Fixture() {
    doc.work_dir = dir.path();
    doc.font_engine = &fonts;
    doc.observer = &seen;
  }
  MarkObject* create(int32_t type) { return CreateObject(doc, type, op); }
  // Creates an import, answering the file dialog with `path` (relative to dir).
  MarkObject* import(int32_t type, const fs::path& path) {
    op.file_answers.push_back(dir.path() / path);
    return CreateObject(doc, type, op);
  }
};

TEST(CreateObject, EveryTypeTakesItsFieldsFromTheDefaultsAndIsNamedSelectedAndShown) {
  Fixture f;
  f.doc.defaults.line.angle = "30";
  f.doc.defaults.line_text.angle = "-15";
  f.doc.defaults.line_text.layer = 3;
  f.doc.defaults.arc_text.layer = 9;  // no such layer
  f.doc.defaults.triangle.style = {2, 0.2, 1};
  // Width, height, angle; layer, keep_aspect, output_mode, fill_direction.
  const std::tuple<int32_t, Doubles, Ints> rows[] = {
      {LINE, {20, 1, 30}, {0, 0, 0, 0}},      {LINE, {20, 1, 30}, {0, 0, 0, 0}},
      {RECTANGLE, {20, 20, 0}, {0, 0, 0, 0}}, {CIRCLE, {40, 40, 0}, {0, 0, 0, 0}},
      {TRIANGLE, {20, 20, 0}, {0, 0, 2, 1}},  {RHOMBIC, {20, 20, 0}, {0, 0, 0, 0}},
      {POLYGON, {20, 20, 0}, {0, 1, 0, 0}},   {LINE_TEXT, {40, 6, -15}, {3, 0, 0, 0}},
      {ARC_TEXT, {40, 40, 0}, {0, 0, 0, 0}},  {BARCODE, {40, 10, 0}, {0, 0, 1, 0}},
  };
  std::vector<const MarkObject*> made;
  for (const auto& [type, size, flags] : rows) {
    const MarkObject* o = made.emplace_back(f.create(type));
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->type, type);
    EXPECT_EQ((Doubles{o->width, o->height, o->angle}), size) << type;
    EXPECT_EQ((Ints{o->layer, o->keep_aspect, o->output_mode, o->fill_direction}), flags) << type;
    EXPECT_EQ((Ints{o->rows, o->columns, is_selected(f.doc, *o), o->mirror_x, o->mirror_y}),
              (Ints{1, 1, 1, 0, 0}));
    EXPECT_EQ((Doubles{o->row_gap, o->column_gap, o->cent_x, o->cent_y}), (Doubles{1, 1, 0, 0}));
    EXPECT_EQ(o->screen_rect,
              compute_screen_rect(*o, f.doc.view.zoom(), f.doc.view.origin_x, f.doc.view.origin_y));
    EXPECT_EQ(current_object(f.doc), o);
    EXPECT_EQ(selection_kind(f.doc), type);
    EXPECT_EQ(f.seen.sheets.back(), type);
  }
  EXPECT_FALSE(is_selected(f.doc, *made[0]));
  EXPECT_EQ(made[0]->block<LineParams>()->size_y, 1);
  EXPECT_EQ(made[6]->block<PolygonParams>()->edge_count, 8);
  EXPECT_EQ(made[8]->block<ArcTextParams>()->radius_y, 20);
  EXPECT_EQ(made[9]->block<BarcodeParams>()->bar_width, code39_bar_width(40, 10));
  EXPECT_EQ(f.create(NONE), nullptr);
  EXPECT_EQ(f.doc.ring.size(), 10u);
  EXPECT_EQ(f.doc.object_list.entries(),
            (Texts{"drawing", "line1", "line2", "rectangle1", "circle1", "thrangle1", "rhombic1",
                   "polygon1", "txt1", "txt2", "barcode1"}));
  EXPECT_EQ(f.doc.object_list.selection(), 10);
  EXPECT_EQ(f.seen.list_changes, 10);
  EXPECT_EQ(f.seen.selection, (Doubles{40, 10, 0}));
}

TEST(CreateObject, TypedLengthsReadAsNumbersAndSurviveTheDefaultsFile) {
  Fixture f;
  f.doc.defaults.rectangle.width = "35";
  f.doc.defaults.rectangle.height = " 12.5mm";
  f.doc.defaults.rectangle.edge_size = "abc";
  f.doc.defaults.rectangle.edge_radius = "1e999";
  const MarkObject* o = f.create(RECTANGLE);
  EXPECT_EQ(*o->block<RectangleParams>(), (RectangleParams{35, 12.5, 0, 0, 0}));
  EXPECT_EQ((Doubles{o->width, o->height}), (Doubles{35, 12.5}));
  ASSERT_TRUE(save_defaults(f.dir.file("default.$"), f.doc.defaults));
  Fixture next;
  ASSERT_TRUE(load_defaults(f.dir.file("default.$"), next.doc.defaults).ok());
  EXPECT_EQ(next.create(RECTANGLE)->width, 35);
}

TEST(CreateObject, TextsGetTheirOwnGlyphFilesAndALineTableFromTheirBreaks) {
  Fixture f;
  f.doc.scratch_directory = f.dir.path() / "scratch";
  fs::create_directories(f.doc.scratch_directory);
  f.doc.defaults.line_text.text = "AB\r\nCDE";
  f.doc.defaults.line_text.face_name = "LineFace";
  f.doc.defaults.arc_text.face_name = "ArcFace";
  const auto* line = f.create(LINE_TEXT)->block<LineTextParams>();
  EXPECT_EQ(line->text, "ABCDE");
  EXPECT_EQ(line->line_count, 2);
  EXPECT_EQ(line->line_lengths, (Ints{2, 3, 0}));
  EXPECT_EQ(line->chars.size(), 5u);
  EXPECT_EQ(f.fonts.faces.back(), "LineFace");
  const auto* arc = f.create(ARC_TEXT)->block<ArcTextParams>();
  EXPECT_EQ(f.doc.outline_font.face_name, "ArcFace");
  // In the scratch folder, one file each.
  EXPECT_EQ(fs::path(line->glyph_file).parent_path(), f.doc.scratch_directory);
  EXPECT_EQ(fs::path(arc->glyph_file).parent_path(), f.doc.scratch_directory);
  EXPECT_NE(line->glyph_file, arc->glyph_file);
  EXPECT_GT(fs::file_size(line->glyph_file), 0u);
  EXPECT_GT(fs::file_size(arc->glyph_file), 0u);
}

TEST(ImportObject, CancelledOrRefusedImportsCreateNothingAndSayWhy) {
  Fixture f;
  for (const int32_t type : {PLT, BMP, VCT}) EXPECT_EQ(f.create(type), nullptr);
  f.dir.write("a.txt", "SP1;PD1,1;");
  f.dir.write("bad.bmp", "not a bitmap");
  f.dir.write("flat.vct", "1,1,5,5,0,10,1,1;\n1;\n5,0;\n");
  f.dir.write("junk.vct", "hello\n");
  EXPECT_EQ(f.import(PLT, "a.txt"), nullptr);
  EXPECT_EQ(f.import(BMP, "bad.bmp"), nullptr);
  EXPECT_EQ(f.import(VCT, "flat.vct"), nullptr);
  EXPECT_EQ(f.import(VCT, "junk.vct"), nullptr);
  EXPECT_EQ(ImportFile(f.doc, VCT, f.dir.file("none.vct"), f.op), nullptr);
  EXPECT_EQ(ImportFile(f.doc, LINE, f.dir.file("flat.vct"), f.op), nullptr);
  const auto file = [&](const char* name) { return "The file " + f.dir.file(name).string(); };
  EXPECT_EQ(
      f.op.texts("message"),
      (Texts{file("a.txt") + " is not a plot file: its name must end in .plt, .hpgl, .hpg or .hp.",
             "This file is not BMP!",
             "The outlines in " + f.dir.file("flat.vct").string() +
                 " have no size to scale: XMAX equals XMIN or YMAX equals YMIN.",
             file("junk.vct") + " is not a VCT file.", file("none.vct") + " cannot be opened."}));
  Texts dialogs;
  for (std::size_t i = 0; i < 3; ++i) dialogs.push_back(f.op.shown[i].text + f.op.shown[i].caption);
  EXPECT_EQ(dialogs, (Texts{std::string("*.plt") + kPlotFileFilter, "*.bmpBMP File(*.bmp)|*.bmp|",
                            "*.vctVCT File(*.vct)|*.vct|"}));
  EXPECT_TRUE(f.doc.ring.is_empty());
  EXPECT_EQ(f.doc.object_list.size(), 1);
  EXPECT_TRUE(f.seen.sheets.empty());
  EXPECT_EQ(f.seen.full_repaints, 0);
}

// What the reader left out is said once, as its report says it; a plot with
// nothing to draw is refused and leaves no stroke file.
TEST(ImportObject, PlotsOfEveryExtensionSayWhatTheyLeaveOutOrAreRefused) {
  const std::vector<std::tuple<const char*, const char*, bool>> rows = {
      {"DRAWING.HPGL", "SP1;PD0,0,10,0;VS5;SP12;PD1,1;", true},
      {"b.hp", "SP3;PD0,0;PD10,10;", true},
      {"notes.plt", "just some words\n", false},
      {"pens.hpg", "IN;SP1;SP2;PU10,10;", false}};
  for (const auto& [name, text, drawable] : rows) {
    SCOPED_TRACE(name);
    Fixture f;
    f.dir.write(name, text);
    const fs::path path = f.dir.file(name);
    const PlotReport report = parse_plt(text).report;
    ASSERT_EQ(report.drawable(), drawable);
    const MarkObject* o = f.import(PLT, name);
    EXPECT_EQ(o != nullptr, drawable);
    const std::string said =
        !report.drawable() ? "The file " + path.string() +
                                 " holds nothing that can be drawn: no "
                                 "pen-down move, line or curve."
        : report.summary().empty()
            ? ""
            : "The plot " + path.string() + " was imported; " + report.summary() + ".";
    EXPECT_EQ(f.op.texts("message"), said.empty() ? Texts{} : Texts{said});
    if (!report.drawable()) {
      EXPECT_TRUE(f.doc.ring.is_empty());
      EXPECT_EQ(std::distance(fs::directory_iterator(f.dir.path()), fs::directory_iterator()), 1);
    }
  }
}

TEST(ImportObject, ImportsTakeTheirSizeAndDefaultStyle) {
  Fixture f;
  f.dir.write("a.plt", "IN;SP2;PU0,0;PD400,0;PD400,200;PU;\n");
  for (const int32_t resolution : {40, 0}) {
    f.doc.settings.resolution = resolution;
    const MarkObject* o = f.import(PLT, "a.plt");
    ASSERT_NE(o, nullptr);
    EXPECT_EQ((Doubles{o->width, o->height}), (Doubles{10, 5})) << resolution;
    EXPECT_EQ(o->keep_aspect, 1);
  }
  // Each import has its own stroke file of pen 2 (the plot's only pen).
  std::vector<std::string> strokes;
  for (const MarkObject& p : f.doc.ring.oldest_first()) {
    EXPECT_FALSE(fs::exists(p.block<PltBlock>()->pen_file[0]));
    strokes.push_back(p.block<PltBlock>()->pen_file[1]);
    EXPECT_TRUE(fs::exists(strokes.back()));
  }
  ASSERT_EQ(strokes.size(), 2u);
  EXPECT_NE(strokes[0], strokes[1]);

  f.doc.defaults.bmp.fill_pitch = 0.08;
  const fs::path f_bmp = fs::path(LUMETCH_TEST_DATA) / "bmp" / "f_bottom_up.bmp";  // 10 × 6 px
  f.doc.settings.resolution = 4;
  const MarkObject* o = f.import(BMP, f_bmp);
  ASSERT_NE(o, nullptr);
  EXPECT_EQ((Doubles{o->width, o->height, o->block<BmpBlock>()->image_width, o->fill_pitch}),
            (Doubles{2, 1, 2, 0.08}));
  f.doc.settings.resolution = 40;  // whole millimetres would make it 0 × 0
  o = f.import(BMP, f_bmp);
  ASSERT_NE(o, nullptr);
  EXPECT_EQ((Doubles{o->width, o->height}), (Doubles{0.25, 0.15}));

  f.doc.defaults.vct.style = {2, 0.1, 1};
  f.dir.write("ok.vct", "4,1,0,400,0,200,40,40;\n");
  o = ImportFile(f.doc, VCT, f.dir.file("ok.vct"), f.op);
  ASSERT_NE(o, nullptr);
  EXPECT_EQ((Doubles{o->width, o->height, o->fill_pitch}), (Doubles{10, 5, 0.1}));
  EXPECT_EQ((Ints{o->output_mode, o->fill_direction, o->keep_aspect}), (Ints{2, 1, 1}));
  EXPECT_EQ(f.doc.object_list.entries(),
            (Texts{"drawing", "plt1", "plt2", "bmp1", "bmp2", "vct1"}));
  EXPECT_EQ(f.seen.sheets, (Ints{PLT, PLT, BMP, BMP, VCT}));
  EXPECT_EQ(f.seen.full_repaints, 5);
}

}  // namespace
}  // namespace lumetch
