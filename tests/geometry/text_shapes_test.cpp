#include "geometry/text_shapes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <limits>
#include <numbers>
#include <string>
#include <tuple>
#include <vector>

#include "geometry/glyph_file.h"
#include "geometry/marker_capture.h"
#include "platform/recording_canvas.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

using Words = std::vector<uint16_t>;

struct HandGlyph {
  uint16_t type;
  uint16_t xmin;
  uint16_t xmax;
  Words data;
};

// Outline glyphs spanning x 0..384 of the 768-unit cell: a right triangle
// whose first point is the cell's top-left corner, and a diamond whose first
// point is its top vertex and whose corners average to the cell's middle.
const HandGlyph kTriangle{kGlyphOutline, 0, 384, {4, 0, 0, 384, 0, 0, 768, 0, 0, 0}};
const HandGlyph kDiamond{kGlyphOutline, 0, 384, {5, 192, 0, 384, 384, 192, 768, 0, 384, 192, 0, 0}};
const HandGlyph kBlank{kGlyphBlank, 0, 128, {}};

// Directory and data, offsets filled in.
Words assemble(const std::vector<HandGlyph>& glyphs) {
  Words w(1 + kDirectoryWords * glyphs.size());
  w[0] = static_cast<uint16_t>(glyphs.size());
  for (std::size_t k = 0; k < glyphs.size(); ++k) {
    const HandGlyph& g = glyphs[k];
    const auto offset = static_cast<uint16_t>(g.data.empty() ? 0 : w.size());
    const uint16_t dir[] = {g.type, offset, 0, static_cast<uint16_t>(g.data.size()),
                            g.xmin, g.xmax};
    std::copy(std::begin(dir), std::end(dir), w.begin() + static_cast<std::ptrdiff_t>(1 + 7 * k));
    w.insert(w.end(), g.data.begin(), g.data.end());
  }
  return w;
}

void write_words(const std::filesystem::path& path, const Words& words, bool odd_byte = false) {
  std::ofstream out(path, std::ios::binary);
  for (uint16_t v : words) out << static_cast<char>(v & 0xFF) << static_cast<char>(v >> 8);
  if (odd_byte) out << 'x';
}

struct Pt {
  double x;
  double y;
};

// A marking document whose screen has Z = 200 and its origin at 0, so that a
// drawn point reads back in millimetres to 1/400 mm.
struct Rig : test::MarkerCapture {
  test::TempDir dir;
  std::string path = dir.file("txt1.txt").string();
  Rig() {
    doc.view.zoom_index = 13;
    doc.view.origin_x = doc.view.origin_y = 0;
  }
  void glyphs(const std::vector<HandGlyph>& list) const { write_words(path, assemble(list)); }
  // One glyph per character: blanks for spaces, `shape` otherwise.
  void glyphs_for(const std::string& text, const HandGlyph& shape) const {
    std::vector<HandGlyph> list;
    for (char ch : text) list.push_back(ch == ' ' ? kBlank : shape);
    glyphs(list);
  }
  // Copy corner (L, T) = (-7, 3); 0.01 mm per outline unit.
  MarkObject line_text(const std::string& text, std::vector<int32_t> lines = {}) const {
    if (lines.empty()) lines = {static_cast<int32_t>(text.size())};
    LineTextParams p;
    p.size_x = p.size_y = 7.68;
    p.text = text;
    p.glyph_file = path;
    p.line_count = static_cast<int32_t>(lines.size());
    p.line_lengths = lines;
    p.align = 0;
    return object(LINE_TEXT, p, 20, 10, 3, -2);
  }
  // Copy corner (-25, 15): the ellipse centre is (-5, -5).
  MarkObject arc_text(const std::string& text) const {
    ArcTextParams p;
    p.text = text;
    p.glyph_file = path;
    return object(ARC_TEXT, p, 50, 30, 0, 0);
  }
  static MarkObject object(ObjectType type, ParamBlock p, double w, double h, double cx,
                           double cy) {
    MarkObject obj;
    obj.type = type;
    obj.params = std::move(p);
    obj.width = w;
    obj.height = h;
    obj.cent_x = cx;
    obj.cent_y = cy;
    return obj;
  }
  // Each polyline drawn on screen, in millimetres.
  std::vector<std::vector<Pt>> draw(const MarkObject& obj) {
    RecordingCanvas dc;
    (obj.type == LINE_TEXT ? DrawLineText : DrawArcText)(g, &dc, obj);
    std::vector<std::vector<Pt>> out;
    for (const auto& o : dc.ops()) {
      if (o.kind == RecordingCanvas::Op::Kind::MoveTo) out.emplace_back();
      out.back().push_back({o.points[0].x / 400.0, o.points[0].y / 400.0});
    }
    return out;
  }
};

constexpr double kTol = 0.003;

Pt centre_of(const std::vector<Pt>& c) {
  return {(c[0].x + c[1].x + c[2].x + c[3].x) / 4, (c[0].y + c[1].y + c[2].y + c[3].y) / 4};
}

TEST(GlyphFileRead, ParsesAndRejectsDamage) {
  const Words good = assemble({kTriangle, kBlank});
  EXPECT_FALSE(ParseGlyphFile({}));
  EXPECT_FALSE(ParseGlyphFile(Words(good.begin(), good.begin() + 14)));  // directory cut short

  // Damaged entries of the first character read as blanks 0..128.
  struct Damage {
    const char* name;
    std::size_t word;
    uint16_t value;
  };
  for (const Damage& d : {Damage{"offset past end", 2, 40}, Damage{"offset high word", 3, 1},
                          Damage{"length past end", 4, 11}, Damage{"into directory", 2, 3},
                          Damage{"unknown type", 1, 3}}) {
    Words w = good;
    w[d.word] = d.value;
    const auto bad = ParseGlyphFile(w);
    ASSERT_TRUE(bad) << d.name;
    const GlyphFile::Glyph& g = bad->glyphs[0];
    EXPECT_TRUE(g.type == kGlyphBlank && g.xmin == 0 && g.xmax == 128 && g.data.empty()) << d.name;
  }

  test::TempDir dir;
  write_words(dir.file("g.txt"), good, true);  // the odd byte belongs to no word
  const auto read = ReadGlyphFile(dir.file("g.txt"));
  ASSERT_TRUE(read);
  ASSERT_EQ(read->glyphs.size(), 2u);
  EXPECT_TRUE(read->glyphs[0].type == kGlyphOutline && read->glyphs[0].xmax == 384);
  EXPECT_EQ(read->glyphs[0].data, kTriangle.data);
  EXPECT_EQ(read->glyphs[1].type, kGlyphBlank);
  EXPECT_FALSE(ReadGlyphFile(dir.file("missing.txt")));
}

TEST(ArcAngle, CircleExactEllipseAlongItsArc) {
  EXPECT_DOUBLE_EQ(ArcAngle(16, 16, 8), 0.5);
  // Arc length of (a sin t, b cos t) from 0 to theta, by Simpson's rule.
  auto length = [](double a, double b, double theta) {
    auto f = [&](double t) { return std::hypot(a * std::cos(t), b * std::sin(t)); };
    const int n = 2000;
    const double h = theta / n;
    double sum = f(0) + f(theta);
    for (int i = 1; i < n; ++i) sum += (i % 2 != 0 ? 4 : 2) * f(i * h);
    return sum * h / 3;
  };
  for (const auto& [a, b, s] : {std::tuple{20.0, 10.0, 5.0}, std::tuple{20.0, 10.0, 40.0},
                                std::tuple{10.0, 20.0, 30.0}, std::tuple{16.0, 12.0, -20.0}}) {
    EXPECT_NEAR(length(a, b, ArcAngle(a, b, s)), s, std::fabs(s) * 0.01)
        << a << ' ' << b << ' ' << s;
  }
}

// Layout of line text: the first point of each drawn character, as (right of
// L, below T) in millimetres. The triangle is 3.84 mm wide, the blank 1.28.
struct Style {
  int32_t align = 0;
  int32_t vertical = 0;
  int32_t mirror_x = 0;
  int32_t mirror_y = 0;
  double char_angle = 0;
};

TEST(LineText, LaysOutCharacters) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<int32_t> lines;
    Style style;
    std::vector<Pt> expected;
  };
  const Case cases[] = {
      {"left, char gap 1", "AA", {}, {}, {{0, 0}, {4.84, 0}}},
      {"justified one char at left", "A", {}, {.align = 3}, {{0, 0}}},
      {"justified fills the box", "AA", {}, {.align = 3}, {{0, 0}, {16.16, 0}}},
      {"centre", "A", {}, {.align = 2}, {{8.08, 0}}},
      {"right edge", "A", {}, {.align = 1}, {{16.16, 0}}},
      {"blank: 128 units plus gap", "A B", {}, {}, {{0, 0}, {7.12, 0}}},
      {"empty line takes no space", "AB", {1, 0, 1}, {}, {{0, 0}, {0, 8.68}}},
      {"line cut to the text", "AB", {1, 9}, {}, {{0, 0}, {0, 8.68}}},
      {"vertical: centred columns",
       "ABC",
       {1, 2},
       {.vertical = 1},
       {{1.92, 0}, {10.6, 0}, {10.6, 8.68}}},
      {"vertical, bottom", "A", {}, {.align = 1, .vertical = 1}, {{1.92, 2.32}}},
      {"mirror x in the box", "A", {}, {.mirror_x = 1}, {{20, 0}}},
      {"mirror y in the box", "A", {}, {.mirror_y = 1}, {{0, 10}}},
      // The top-left corner turns clockwise about (192, 384) to (576, 192).
      {"char angle 90", "A", {}, {.char_angle = 90}, {{5.76, 1.92}}},
  };
  for (const Case& c : cases) {
    Rig rig;
    rig.glyphs_for(c.text, kTriangle);
    MarkObject obj = rig.line_text(c.text, c.lines);
    auto& p = *obj.block<LineTextParams>();
    p.align = c.style.align;
    p.vertical = c.style.vertical;
    p.chars.resize(1);  // the rest read as zeros
    p.chars[0].angle = c.style.char_angle;
    obj.mirror_x = c.style.mirror_x;
    obj.mirror_y = c.style.mirror_y;
    const auto drawn = rig.draw(obj);
    ASSERT_EQ(drawn.size(), c.expected.size()) << c.name;
    for (std::size_t k = 0; k < drawn.size(); ++k) {
      EXPECT_NEAR(drawn[k][0].x + 7, c.expected[k].x, kTol) << c.name << " char " << k;
      EXPECT_NEAR(3 - drawn[k][0].y, c.expected[k].y, kTol) << c.name << " char " << k;
    }
  }
}

TEST(LineText, CopyOrderAndObjectAngle) {
  Rig rig;
  rig.glyphs_for("A", kTriangle);
  MarkObject obj = rig.line_text("A");
  obj.rows = obj.columns = 2;  // copies 20 x 10, corners at x -17 / 3, y 8 / -2
  const auto firsts = [&](const MarkObject& o) {
    std::vector<std::pair<double, double>> out;
    for (const auto& c : rig.draw(o)) out.emplace_back(c[0].x, c[0].y);
    return out;
  };
  using P = std::vector<std::pair<double, double>>;
  EXPECT_EQ(firsts(obj), (P{{-17, 8}, {3, 8}, {-17, -2}, {3, -2}}));  // row by row
  obj.block<LineTextParams>()->vertical = 1;
  EXPECT_EQ(firsts(obj),
            (P{{-15.08, 8}, {-15.08, -2}, {4.92, 8}, {4.92, -2}}));  // by columns, centred

  // Angle 90 turns every point clockwise about the array centre (3, -2).
  obj.block<LineTextParams>()->vertical = 0;
  const auto flat = rig.draw(obj);
  obj.angle = 90;
  const auto turned = rig.draw(obj);
  ASSERT_EQ(turned.size(), flat.size());
  for (std::size_t k = 0; k < flat.size(); ++k) {
    for (std::size_t i = 0; i < flat[k].size(); ++i) {
      EXPECT_NEAR(turned[k][i].x, 3 + (flat[k][i].y - -2), kTol);
      EXPECT_NEAR(turned[k][i].y, -2 - (flat[k][i].x - 3), kTol);
    }
  }
}

TEST(ArcText, CentresOnMeanCircleFillingTheSpan) {
  Rig rig;
  const std::string text = "01234567890";
  rig.glyphs_for(text, kDiamond);
  const auto drawn = rig.draw(rig.arc_text(text));
  ASSERT_EQ(drawn.size(), text.size());
  // R = 16, each character 3 mm wide (1.5 mm = 5.37 degrees of half width),
  // first and last edges at -130 and +130 degrees from the top.
  const double half = 1.5 / 16 * 180 / std::numbers::pi;
  for (std::size_t k = 0; k < drawn.size(); ++k) {
    const Pt c = centre_of(drawn[k]);
    EXPECT_NEAR(std::hypot(c.x - -5, c.y - -5), 16, kTol) << k;
    const double deg = std::atan2(c.x - -5, c.y - -5) * 180 / std::numbers::pi;
    if (k == 0) {
      EXPECT_NEAR(deg, -130 + half, 0.02);
    }
    if (k + 1 == drawn.size()) {
      EXPECT_NEAR(deg, 130 - half, 0.02);
    }
  }
}

TEST(ArcText, CharAngleTurnsClockwiseAndCopiesInnerLoop) {
  Rig rig;
  rig.glyphs_for("AB", kDiamond);
  MarkObject obj = rig.arc_text("AB");
  obj.block<ArcTextParams>()->chars.resize(1);
  const auto flat = rig.draw(obj);
  obj.block<ArcTextParams>()->chars[0].angle = 90;
  const auto turned = rig.draw(obj);
  ASSERT_EQ(flat.size(), 2u);
  ASSERT_EQ(turned.size(), 2u);
  // The top vertex, seen from the character's centre, turns a quarter clockwise.
  const Pt c0 = centre_of(flat[0]);
  const Pt c1 = centre_of(turned[0]);
  EXPECT_NEAR(turned[0][0].x - c1.x, flat[0][0].y - c0.y, 2 * kTol);
  EXPECT_NEAR(turned[0][0].y - c1.y, -(flat[0][0].x - c0.x), 2 * kTol);

  // Each character in every copy before the next character.
  obj.columns = 2;
  obj.column_gap = 10;
  const auto copies = rig.draw(obj);
  ASSERT_EQ(copies.size(), 4u);
  EXPECT_NEAR(copies[1][0].x - copies[0][0].x, 60, kTol);
  EXPECT_NEAR(copies[3][0].x - copies[2][0].x, 60, kTol);
  EXPECT_LT(copies[0][0].x, copies[2][0].x);  // A left of B in the first copy
}

TEST(TextShapes, FilledOutlineGetsCharacterStrokeWidth) {
  Rig rig;
  rig.glyphs_for("A", kDiamond);
  MarkObject obj = rig.line_text("A");
  obj.output_mode = 2;
  RecordingCanvas plain;
  DrawLineText(rig.g, &plain, obj);
  // On screen only a stroke width adds hatch lines to the painted area.
  obj.block<LineTextParams>()->chars = {CharRecord{.font_width_x = 0.1}};
  RecordingCanvas stroked;
  DrawLineText(rig.g, &stroked, obj);
  EXPECT_EQ(plain.ops().front().kind, RecordingCanvas::Op::Kind::Polygon);
  EXPECT_GT(stroked.ops().size(), plain.ops().size() + 10);
}

TEST(TextShapes, StrokeGlyphMovesAndDraws) {
  Rig rig;
  rig.glyphs({{kGlyphStroke, 0, 384, {0, 0, 0, 1, 384, 0, 5, 384, 768, 1, 9}}});
  const MarkObject obj = rig.line_text("A");
  RecordingCanvas dc;
  DrawLineText(rig.g, &dc, obj);
  using K = RecordingCanvas::Op::Kind;
  ASSERT_EQ(dc.ops().size(), 3u);  // the partial triple is dropped
  EXPECT_EQ(dc.ops()[0].kind, K::MoveTo);
  EXPECT_EQ(dc.ops()[0].points[0], (CanvasPoint{-2800, 1200}));
  EXPECT_EQ(dc.ops()[2].kind, K::LineTo);

  DrawLineText(rig.g, nullptr, obj);  // marker: (L, T) = (-7, 3) is 1720, 2120
  using test::down;
  using test::up;
  EXPECT_EQ(rig.moves(),
            (std::vector<test::Move>{up(1720, 2120), down(1874, 2120), down(1874, 1813)}));
  rig.clear();
  rig.escape_after(1);
  DrawLineText(rig.g, nullptr, obj);
  EXPECT_EQ(rig.commands().size(), 1u);
}

TEST(TextShapes, MissingDamagedOrDegenerateInputDrawsNoGarbage) {
  Rig rig;
  MarkObject line = rig.line_text("ABC");
  MarkObject arc = rig.arc_text("ABC");
  EXPECT_TRUE(rig.draw(line).empty());  // no glyph file yet
  EXPECT_TRUE(rig.draw(arc).empty());

  // A: a good diamond and then a count past its data; B: a diamond whose data
  // lie past the end, read as a blank 128 units wide; C: good.
  Words w =
      assemble({{kGlyphOutline, 0, 384, {5, 192, 0, 384, 384, 192, 768, 0, 384, 192, 0, 50, 1}},
                kDiamond,
                kDiamond});
  w[1 + 7 + 1] = 60000;  // B's offset
  w[1 + 7 + 3] = 4;
  write_words(rig.path, w);
  const auto drawn = rig.draw(line);
  ASSERT_EQ(drawn.size(), 2u);
  EXPECT_EQ(drawn[0].size(), 5u);
  EXPECT_NEAR(drawn[1][3].x - -7, 3.84 + 1 + 1.28 + 1, kTol);  // C's left corner
  EXPECT_EQ(rig.draw(arc).size(), 2u);

  // A file of fewer characters than the text draws what it has.
  rig.glyphs({kDiamond});
  EXPECT_EQ(rig.draw(line).size(), 1u);

  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  line.block<LineTextParams>()->size_x = kNaN;
  arc.block<ArcTextParams>()->radius_x = std::numeric_limits<double>::infinity();
  EXPECT_TRUE(rig.draw(line).empty());
  EXPECT_TRUE(rig.draw(arc).empty());
  // Radius x at half the character height leaves no ellipse: nothing, no NaN points.
  arc.block<ArcTextParams>()->radius_x = 4;
  arc.block<ArcTextParams>()->radius_y = 4;
  EXPECT_TRUE(rig.draw(arc).empty());
}

}  // namespace
}  // namespace lumetch
