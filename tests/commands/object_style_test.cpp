#include "commands/object_style.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "commands/create_object.h"
#include "platform/scripted_operator.h"
#include "platform/text_codec.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

// A square for every character, wider for the face "Wide", so a glyph file
// shows which face it was written with.
class FaceFonts : public FontEngine {
 public:
  std::vector<std::string> faces;
  std::optional<NativeOutline> outline(const FontDescription& font, char32_t, bool) override {
    faces.push_back(font.face_name);
    const int32_t s = (font.face_name == "Wide" ? 600 : 300) * 65536;
    return NativeOutline{{{0, 0}, {{OutlineCurve::Kind::Line, {{s, 0}, {s, s}, {0, s}}}}}};
  }
  std::string resolved_family(const FontDescription& font) override { return font.face_name; }
  std::vector<std::string> outline_families() override { return {"Narrow", "Wide"}; }
};

struct Fixture {
  test::TempDir dir;
  FaceFonts fonts;
  ScriptedOperator op;
  CketralDoc doc;
  Fixture() {
    doc.work_dir = dir.path();
    doc.font_engine = &fonts;
  }
  MarkObject* create(int32_t type) { return CreateObject(doc, type, op); }
  // An object of a type whose creation needs a file: a bare record.
  MarkObject* add_bare(int32_t type) {
    auto record = std::make_unique<MarkObject>();
    record->type = type;
    MarkObject* obj = doc.ring.add(std::move(record));
    doc.selection = Selection::only(obj->id);
    return obj;
  }
};

TEST(ObjectStyle, EachCommandRunsOnlyForItsSelectionKinds) {
  // Per selection kind: colour box, output mode, font.
  const std::vector<std::pair<int32_t, std::string>> rows = {
      {0, "---"},   {-1, "c--"},       {LINE, "co-"}, {RECTANGLE, "co-"}, {LINE_TEXT, "cof"},
      {PLT, "c--"}, {ARC_TEXT, "cof"}, {BMP, "co-"},  {BARCODE, "co-"},   {VCT, "co-"}};
  for (const auto& [kind, allowed] : rows) {
    Fixture f;
    CketralDoc& doc = f.doc;
    if (kind == -1) {
      const ObjectId first = f.add_bare(LINE)->id;
      f.add_bare(CIRCLE);
      doc.selection.add(first);
    } else if (kind > 0) {
      f.add_bare(kind);
    }
    ASSERT_EQ(selection_kind(doc), kind);
    EXPECT_EQ(std::string({colour_box_allowed(doc) ? 'c' : '-',
                           output_mode_allowed(doc) ? 'o' : '-', font_allowed(doc) ? 'f' : '-'}),
              allowed)
        << kind;
  }
}

TEST(ObjectStyle, ColourBoxSetsEverySelectedObjectAndLeavesTheDefaults) {
  Fixture f;
  MarkObject* unselected = f.create(CIRCLE);
  MarkObject* a = f.create(RECTANGLE);
  MarkObject* b = f.create(LINE_TEXT);
  MarkObject* c = f.create(LINE);
  for (MarkObject* o : {a, b, c}) f.doc.selection.add(o->id);
  a->layer = 3;
  c->layer = 6;
  b->angle = 30.0;   // 40 x 6
  c->angle = -90.0;  // 30 x 1
  c->width = 30.0;
  EXPECT_EQ(opening_layer(f.doc), 3);  // the oldest selected, not the newest

  const CreationDefaults before = f.doc.defaults;
  const StyleInvalidate area = apply_layer(f.doc, 5);
  for (MarkObject* o : {a, b, c}) EXPECT_EQ(o->layer, 5);
  EXPECT_EQ(unselected->layer, 0);
  EXPECT_EQ(f.doc.defaults, before);
  // The largest turned extents: sin 90 * 30 against sin 30 * 40 from the text,
  // sin 90 * 1 against sin 30 * 6 in height; a turn either way counts.
  EXPECT_NEAR(area.width, 30.0, 1e-4);
  EXPECT_NEAR(area.height, 3.0, 1e-4);
  EXPECT_EQ(area.angle, 90.0);

  // A layer none of the eight changes nothing; with none selected layer 0 opens.
  EXPECT_EQ(apply_layer(f.doc, 8), (StyleInvalidate{0.0, 0.0, 90.0}));
  EXPECT_EQ(a->layer, 5);
  f.doc.selection.clear();
  EXPECT_EQ(opening_layer(f.doc), 0);
}

TEST(ObjectStyle, PitchBoxReadsTheNumberAtTheStartOfItsFirstNineCharacters) {
  const std::vector<std::pair<const char*, double>> rows = {
      {"0.2", 0.2},      {"", 0.0},      {"abc", 0.0},         {"1.23456789012", 1.2345678},
      {"  0.050", 0.05}, {"0.5mm", 0.5}, {"+0.3", 0.3},        {"-0.1", -0.1},
      {"inf", 0.0},      {"1e999", 0.0}, {"         0.2", 0.0}};
  for (const auto& [text, value] : rows) EXPECT_DOUBLE_EQ(read_box_text(text), value) << text;
  EXPECT_EQ(box_text(0.2), "  0.200");
  EXPECT_EQ(box_text(12.5), " 12.500");
}

TEST(ObjectStyle, OutputModeReachesTheObjectAndTheNextObjectOfItsTypeButNoPlot) {
  Fixture f;
  MarkObject* rect = f.create(RECTANGLE);
  CreationDefaults expected = f.doc.defaults;
  ASSERT_TRUE(apply_output_mode(f.doc, 2, 1, 0.2));
  expected.rectangle.style = {2, 0.2, 1};
  EXPECT_EQ(f.doc.defaults, expected);
  for (const MarkObject* o : {rect, f.create(RECTANGLE)}) {
    EXPECT_EQ(std::tuple(o->output_mode, o->fill_direction, o->fill_pitch), std::tuple(2, 1, 0.2));
  }
  EXPECT_EQ(f.create(CIRCLE)->output_mode, 0);

  // Groups with nothing checked keep their fields.
  f.create(BARCODE);
  ASSERT_TRUE(apply_output_mode(f.doc, kNoneChecked, kNoneChecked, 0.0));
  EXPECT_EQ(current_object(f.doc)->output_mode, 1);
  EXPECT_EQ(current_object(f.doc)->fill_pitch, 0.0);
  EXPECT_EQ(f.doc.defaults.barcode.style, (OutputStyle{1, 0.0, 0}));

  // Bitmaps keep only the pitch as default; plots are refused.
  MarkObject* bmp = f.add_bare(BMP);
  expected = f.doc.defaults;
  ASSERT_TRUE(apply_output_mode(f.doc, 2, 1, 0.1));
  EXPECT_EQ(bmp->output_mode, 2);
  EXPECT_EQ(bmp->fill_pitch, 0.1);
  expected.bmp.fill_pitch = 0.1;
  EXPECT_EQ(f.doc.defaults, expected);

  MarkObject* plt = f.add_bare(PLT);
  EXPECT_FALSE(apply_output_mode(f.doc, 2, 1, 0.3));
  EXPECT_EQ(plt->output_mode, 0);
  EXPECT_EQ(plt->fill_pitch, 0.05);
  EXPECT_EQ(f.doc.defaults, expected);
  CketralDoc empty;  // current is the end sentinel
  EXPECT_FALSE(apply_output_mode(empty, 2, 1, 0.3));
}

TEST(ObjectStyle, FontChangeRewritesTheGlyphFileAndReachesTheNextLineText) {
  Fixture f;
  MarkObject* arc = f.create(ARC_TEXT);
  MarkObject* text = f.create(LINE_TEXT);
  const std::string glyph_name =
      std::filesystem::path(text->block<LineTextParams>()->glyph_file).filename().string();
  const std::string old_glyphs = f.dir.read(glyph_name);
  ASSERT_FALSE(old_glyphs.empty());
  EXPECT_EQ(current_font(f.doc), (FontChoice{"Arial", 0, 0, 0}));

  ASSERT_TRUE(apply_font(f.doc, {"Wide", 700, 1, 128}, f.op));
  EXPECT_TRUE(f.op.shown.empty());
  const LineTextParams& p = *text->block<LineTextParams>();
  EXPECT_EQ(std::tuple(p.face_name, p.font_weight, p.font_italic, p.font_charset),
            std::tuple("Wide", 700, 1, 128));
  EXPECT_EQ(f.doc.outline_font.face_name, "Wide");
  EXPECT_EQ(f.doc.outline_font.charset, 128);
  EXPECT_EQ(p.glyph_file, (f.dir.path() / glyph_name).string());
  EXPECT_NE(f.dir.read(glyph_name), old_glyphs);  // the wide squares
  EXPECT_EQ(f.doc.defaults.arc_text.face_name, "Arial");
  EXPECT_EQ(arc->block<ArcTextParams>()->face_name, "Arial");
  const LineTextParams& next = *f.create(LINE_TEXT)->block<LineTextParams>();
  EXPECT_EQ(next.face_name, "Wide");
  EXPECT_EQ(next.font_weight, 700);

  // A Japanese face is kept in the layout's own encoding.
  ASSERT_TRUE(apply_font(f.doc, {"ＭＳ 明朝", 400, 0, 128}, f.op));
  EXPECT_EQ(f.doc.defaults.line_text.face_name, utf8_to_cp932("ＭＳ 明朝").bytes);
  EXPECT_EQ(current_font(f.doc).face, "ＭＳ 明朝");
}

TEST(ObjectStyle, FontThatCannotBeStoredOrWrittenChangesNothing) {
  Fixture f;
  MarkObject* text = f.create(LINE_TEXT);
  const LineTextParams before = *text->block<LineTextParams>();
  const CreationDefaults defaults = f.doc.defaults;
  const FontDescription outline = f.doc.outline_font;

  EXPECT_FALSE(apply_font(f.doc, {"Emoji \xF0\x9F\x98\x80", 400, 0, 0}, f.op));
  EXPECT_FALSE(apply_font(f.doc, {"", 400, 0, 0}, f.op));
  text->block<LineTextParams>()->glyph_file = (f.dir.path() / "gone" / "txt1.txt").string();
  EXPECT_FALSE(apply_font(f.doc, {"Wide", 700, 0, 0}, f.op));
  ASSERT_EQ(f.op.texts("message").size(), 3u);
  EXPECT_NE(f.op.texts("message")[2].find("gone"), std::string::npos);
  LineTextParams after = *text->block<LineTextParams>();
  after.glyph_file = before.glyph_file;
  EXPECT_EQ(after, before);
  EXPECT_EQ(f.doc.defaults, defaults);
  EXPECT_EQ(f.doc.outline_font, outline);

  f.create(RECTANGLE);  // no text
  EXPECT_FALSE(apply_font(f.doc, {"Wide", 700, 0, 0}, f.op));
}

}  // namespace
}  // namespace lumetch
