#include "commands/create_object.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "geometry/barcode.h"
#include "model/defaults_file.h"
#include "platform/scripted_operator.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

namespace fs = std::filesystem;

// A square outline for every character; records the faces it is asked for.
class SquareFonts : public FontEngine {
 public:
  std::vector<std::string> faces;
  std::optional<NativeOutline> outline(const FontDescription& font, char32_t) override {
    faces.push_back(font.face_name);
    constexpr int32_t s = 300 * 65536;
    return NativeOutline{{{0, 0}, {{OutlineCurve::Kind::Line, {{s, 0}, {s, s}, {0, s}}}}}};
  }
  std::string resolved_family(const FontDescription& font) override { return font.face_name; }
  std::vector<std::string> outline_families() override { return {"Square"}; }
};

class Recorder : public DocObserver {
 public:
  std::vector<int32_t> sheets;
  int list_changes = 0;
  std::vector<std::vector<double>> selections;
  int full_repaints = 0;
  void sheet_switched(int32_t kind) override { sheets.push_back(kind); }
  void list_changed() override { ++list_changes; }
  void invalidate_selection(double w, double h, double a) override {
    selections.push_back({w, h, a});
  }
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
  MarkObject* import(int32_t type, const std::string& name, const std::string& content) {
    dir.write(name, content);
    op.file_answers.push_back(dir.file(name));
    return CreateObject(doc, type, op);
  }
};

TEST(CreationType, TheTwelveCommandsAndNothingElse) {
  const std::pair<int32_t, int32_t> rows[] = {
      {1401, LINE},     {1402, RECTANGLE}, {1403, CIRCLE}, {32788, LINE_TEXT}, {32787, ARC_TEXT},
      {1405, PLT},      {32794, BMP},      {32825, VCT},   {32802, TRIANGLE},  {32804, RHOMBIC},
      {32806, POLYGON}, {32823, BARCODE},  {1404, NONE},   {0, NONE}};
  for (const auto& [id, type] : rows) EXPECT_EQ(creation_type(id), type) << id;
}

TEST(CreateObject, EveryTypeTakesItsSizeAngleLayerAndStyleFromTheDefaults) {
  Fixture f;
  f.doc.defaults.line.angle = "30";
  f.doc.defaults.line_text.angle = "-15";
  f.doc.defaults.line_text.layer = 3;
  f.doc.defaults.arc_text.layer = 9;  // no such layer
  f.doc.defaults.triangle.style = {2, 0.2, 1};
  struct Row {
    int32_t type;
    double width, height, angle;
    int32_t layer, keep_aspect, output_mode;
  };
  const Row rows[] = {
      {LINE, 20, 1, 30, 0, 0, 0},       {RECTANGLE, 20, 20, 0, 0, 0, 0},
      {CIRCLE, 40, 40, 0, 0, 0, 0},     {TRIANGLE, 20, 20, 0, 0, 0, 2},
      {RHOMBIC, 20, 20, 0, 0, 0, 0},    {POLYGON, 20, 20, 0, 0, 1, 0},
      {LINE_TEXT, 40, 6, -15, 3, 0, 0}, {ARC_TEXT, 40, 40, 0, 0, 0, 0},
      {BARCODE, 40, 10, 0, 0, 0, 1},
  };
  std::vector<const MarkObject*> made;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.type);
    const MarkObject* o = made.emplace_back(f.create(r.type));
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->type, r.type);
    EXPECT_EQ(std::vector<double>({o->width, o->height, o->angle}),
              std::vector<double>({r.width, r.height, r.angle}));
    EXPECT_EQ(o->layer, r.layer);
    EXPECT_EQ(o->keep_aspect, r.keep_aspect);
    EXPECT_EQ(o->output_mode, r.output_mode);
    EXPECT_EQ(o->fill_direction, r.type == TRIANGLE ? 1 : 0);
    EXPECT_EQ(std::vector<int32_t>({o->rows, o->columns, o->selected, o->mirror_x, o->mirror_y}),
              std::vector<int32_t>({1, 1, 1, 0, 0}));
    EXPECT_EQ(std::vector<double>({o->row_gap, o->column_gap, o->cent_x, o->cent_y}),
              std::vector<double>({1, 1, 0, 0}));
    EXPECT_EQ(o->screen_rect,
              compute_screen_rect(*o, f.doc.view.zoom(), f.doc.view.origin_x, f.doc.view.origin_y));
  }
  EXPECT_EQ(made[0]->block<LineParams>()->size_y, 1);
  EXPECT_EQ(made[5]->block<PolygonParams>()->edge_count, 8);
  EXPECT_EQ(made[7]->block<ArcTextParams>()->radius_y, 20);
  EXPECT_EQ(made[8]->block<BarcodeParams>()->bar_width, code39_bar_width(40, 10));
}

TEST(CreateObject, TypedLengthsConvertAsNumbersAndFollowTheDefaultsFile) {
  Fixture f;
  f.doc.defaults.rectangle.width = "35";
  f.doc.defaults.rectangle.height = " 12.5mm";
  f.doc.defaults.rectangle.edge_size = "abc";
  f.doc.defaults.rectangle.edge_radius = "1e999";
  const auto* p = f.create(RECTANGLE)->block<RectangleParams>();
  EXPECT_EQ(*p, (RectangleParams{35, 12.5, 0, 0, 0}));
  EXPECT_EQ(f.doc.ring.current->width, 35);

  ASSERT_TRUE(save_defaults(f.dir.file("default.$"), f.doc.defaults));
  Fixture next;
  ASSERT_TRUE(load_defaults(f.dir.file("default.$"), next.doc.defaults));
  EXPECT_EQ(next.create(RECTANGLE)->width, 35);
}

TEST(CreateObject, ObjectsAreNamedSelectedAndShownInTurn) {
  Fixture f;
  const MarkObject* first = f.create(LINE);
  f.create(LINE);
  const MarkObject* rect = f.create(RECTANGLE);
  EXPECT_EQ(f.doc.object_list.entries(),
            (std::vector<std::string>{"drawing", "line1", "line2", "rectangle1"}));
  EXPECT_EQ(f.doc.object_list.selection(), 3);
  EXPECT_EQ(f.doc.ring.current, rect);
  EXPECT_EQ(first->selected, 0);
  EXPECT_EQ(f.doc.view.selection.selection_kind, RECTANGLE);
  EXPECT_EQ(f.seen.sheets, (std::vector<int32_t>{LINE, LINE, RECTANGLE}));
  EXPECT_EQ(f.seen.list_changes, 3);
  EXPECT_EQ(f.seen.selections.back(), (std::vector<double>{20, 20, 0}));
  EXPECT_EQ(f.create(NONE), nullptr);
  EXPECT_EQ(f.doc.ring.size(), 3u);
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
  EXPECT_EQ(line->line_lengths, (std::vector<int32_t>{2, 3, 0}));
  EXPECT_EQ(line->chars.size(), 5u);
  EXPECT_EQ(line->glyph_file, (f.doc.scratch_directory / "txt1.txt").string());
  EXPECT_EQ(f.fonts.faces.back(), "LineFace");

  const auto* arc = f.create(ARC_TEXT)->block<ArcTextParams>();
  EXPECT_EQ(arc->glyph_file, (f.doc.scratch_directory / "txt2.txt").string());
  EXPECT_EQ(f.doc.outline_font.face_name, "ArcFace");
  EXPECT_GT(fs::file_size(line->glyph_file), 0u);
  EXPECT_GT(fs::file_size(arc->glyph_file), 0u);
  EXPECT_FALSE(fs::exists(f.dir.file("txt1.txt")));
}

TEST(ImportObject, CancellingTheDialogCreatesNothing) {
  Fixture f;
  const std::pair<int32_t, const char*> rows[] = {{PLT, "CAD File(*.plt)|*.plt|"},
                                                  {BMP, "BMP File(*.bmp)|*.bmp|"},
                                                  {VCT, "VCT File(*.vct)|*.vct|"}};
  for (const auto& [type, filter] : rows) EXPECT_EQ(f.create(type), nullptr);
  ASSERT_EQ(f.op.shown.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(f.op.shown[i].caption, rows[i].second);
  EXPECT_EQ(f.op.shown[1].text, "*.bmp");
  EXPECT_TRUE(f.doc.ring.is_empty());
  EXPECT_EQ(f.doc.object_list.size(), 1);
  EXPECT_TRUE(f.seen.sheets.empty());
  EXPECT_EQ(f.seen.full_repaints, 0);
}

TEST(ImportObject, PlotsAreSizedByTheResolution) {
  const std::string plot = "IN;SP2;PU0,0;PD400,0;PD400,200;PU;\n";
  for (const int32_t resolution : {40, 0}) {
    SCOPED_TRACE(resolution);
    Fixture f;
    f.doc.settings.resolution = resolution;
    const MarkObject* o = f.import(PLT, "a.plt", plot);
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->width, 10.0);
    EXPECT_EQ(o->height, 5.0);
    EXPECT_EQ(o->keep_aspect, 1);
    EXPECT_EQ(f.doc.object_list.at(1), "plt1");
    EXPECT_TRUE(fs::exists(f.dir.file("plt11.$")));  // pen 2's strokes
    EXPECT_EQ(f.seen.full_repaints, 1);
    EXPECT_EQ(f.seen.sheets, std::vector<int32_t>{PLT});
  }
  Fixture f;
  EXPECT_EQ(f.import(PLT, "a.txt", plot), nullptr);
  EXPECT_EQ(
      f.op.texts("message"),
      std::vector<std::string>{"The file " + f.dir.file("a.txt").string() + " is not a PLT file."});
  EXPECT_TRUE(f.doc.ring.is_empty());
}

// A one-bit bitmap of w × h pixels, bottom-up, all pixels 0.
std::string one_bit_bmp(int32_t w, int32_t h) {
  const int32_t bits = (w + 31) / 32 * 4 * h;
  std::string b = "BM";
  auto le = [&b](int32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  for (const int32_t v : {62 + bits, 0, 62, 40, w, h}) le(v, 4);
  le(1, 2);  // planes
  le(1, 2);  // bits per pixel
  for (const int32_t v : {0, bits, 2835, 2835, 2, 0, 0, 0xFFFFFF}) le(v, 4);
  return b + std::string(static_cast<std::size_t>(bits), '\0');
}

TEST(ImportObject, BitmapsRefusedCreateNothingAndTinyOnesKeepTheirSize) {
  Fixture f;
  EXPECT_EQ(f.import(BMP, "bad.bmp", "not a bitmap"), nullptr);
  EXPECT_EQ(f.op.texts("message").size(), 1u);  // the loader's own message
  EXPECT_TRUE(f.doc.ring.is_empty());

  f.doc.defaults.bmp.fill_pitch = 0.08;
  const MarkObject* big = f.import(BMP, "big.bmp", one_bit_bmp(100, 50));
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(std::vector<double>({big->width, big->height}), std::vector<double>({2, 1}));
  EXPECT_EQ(big->fill_pitch, 0.08);
  EXPECT_EQ(big->block<BmpBlock>()->image_width, 2);
  // Whole millimetres would make this one 0 × 0.
  const MarkObject* tiny = f.import(BMP, "tiny.bmp", one_bit_bmp(20, 10));
  ASSERT_NE(tiny, nullptr);
  EXPECT_EQ(std::vector<double>({tiny->width, tiny->height}), std::vector<double>({0.5, 0.25}));
  EXPECT_EQ(f.doc.object_list.at(2), "bmp2");
}

TEST(ImportObject, OutlinesWithoutExtentOrHeaderSayWhy) {
  Fixture f;
  EXPECT_EQ(f.import(VCT, "flat.vct", "1,1,5,5,0,10,1,1;\n1;\n5,0;\n"), nullptr);
  EXPECT_EQ(f.import(VCT, "junk.vct", "hello\n"), nullptr);
  const auto messages = f.op.texts("message");
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_NE(messages[0].find("XMAX equals XMIN"), std::string::npos);
  EXPECT_NE(messages[1].find("is not a VCT file"), std::string::npos);
  EXPECT_TRUE(f.doc.ring.is_empty());

  f.doc.defaults.vct.style = {2, 0.1, 1};
  const MarkObject* o = ImportFile(f.doc, VCT, f.dir.file("ok.vct"), f.op);  // not there yet
  EXPECT_EQ(o, nullptr);
  f.dir.write("ok.vct", "4,1,0,400,0,200,40,40;\n");
  o = ImportFile(f.doc, VCT, f.dir.file("ok.vct"), f.op);
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(std::vector<double>({o->width, o->height}), std::vector<double>({10, 5}));
  EXPECT_EQ(o->output_mode, 2);
  EXPECT_EQ(o->fill_direction, 1);
  EXPECT_EQ(ImportFile(f.doc, LINE, f.dir.file("ok.vct"), f.op), nullptr);
}

}  // namespace
}  // namespace lumetch
