#include "geometry/text_shapes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "geometry/glyph_file.h"
#include "geometry/glyph_words.h"
#include "geometry/marker_capture.h"
#include "platform/recording_canvas.h"
#include "support/temp_dir.h"

namespace lumetch {
namespace {

using test::Words;
using test::write_words;

struct HandGlyph {
  uint16_t type, xmin, xmax;
  Words data;
};

// Outlines 384 units wide: a right triangle from the cell's top-left corner,
// a diamond from its top vertex whose corners average to its centre.
const HandGlyph kTriangle{kGlyphOutline, 0, 384, {4, 0, 0, 384, 0, 0, 768, 0, 0, 0}};
const HandGlyph kDiamond{kGlyphOutline, 0, 384, {5, 192, 0, 384, 384, 192, 768, 0, 384, 192, 0, 0}};

Words assemble(const std::vector<HandGlyph>& glyphs) {
  Words w(1 + kDirectoryWords * glyphs.size());
  w[0] = static_cast<uint16_t>(glyphs.size());
  for (std::size_t k = 0; k < glyphs.size(); ++k) {
    const HandGlyph& g = glyphs[k];
    const uint16_t dir[] = {g.type, static_cast<uint16_t>(g.data.empty() ? 0 : w.size()),
                            0,      static_cast<uint16_t>(g.data.size()),
                            g.xmin, g.xmax};
    std::copy(std::begin(dir), std::end(dir), w.begin() + static_cast<std::ptrdiff_t>(1 + 7 * k));
    w.insert(w.end(), g.data.begin(), g.data.end());
  }
  return w;
}

struct Pt {
  double x, y;
};

// Screen Z = 200 with the origin at 0: drawn points read back in mm to 1/400 mm.
struct Rig : test::MarkerCapture {
  test::TempDir dir;
  std::string path = dir.file("txt1.txt").string();
  Rig() {
    doc.view.zoom_index = 13;
    doc.view.origin_x = doc.view.origin_y = 0;
  }
  // Blanks for spaces, `shape` for the other characters.
  void glyphs(const std::string& text, const HandGlyph& shape) const {
    std::vector<HandGlyph> list;
    for (char ch : text) list.push_back(ch == ' ' ? HandGlyph{kGlyphBlank, 0, 128, {}} : shape);
    write_words(path, assemble(list));
  }
  // 20 x 10 about (3, -2): (L, T) = (-7, 3); 0.01 mm per outline unit across, 0.0075 down.
  MarkObject line_text(const std::string& text, std::vector<int32_t> lines = {}) const {
    if (lines.empty()) lines = {static_cast<int32_t>(text.size())};
    MarkObject obj;
    std::tie(obj.type, obj.width, obj.height, obj.cent_x, obj.cent_y) =
        std::tuple(LINE_TEXT, 20, 10, 3, -2);
    LineTextParams p{.size_x = 7.68, .size_y = 5.76, .text = text, .chars = {}, .glyph_file = path};
    std::tie(p.line_count, p.line_lengths, p.align) =
        std::tuple(static_cast<int32_t>(lines.size()), lines, 0);
    obj.params = p;
    return obj;
  }
  // 50 x 30 about the origin: the ellipse centre is (-5, -5).
  MarkObject arc_text(const std::string& text) const {
    MarkObject obj;
    std::tie(obj.type, obj.width, obj.height) = std::tuple(ARC_TEXT, 50, 30);
    obj.params = ArcTextParams{.text = text, .chars = {}, .glyph_file = path};
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

TEST(GlyphFileRead, DamagedEntriesReadAsBlanks) {
  const Words good = assemble({kTriangle, {kGlyphBlank, 0, 128, {}}});
  EXPECT_FALSE(ParseGlyphFile({}));
  EXPECT_FALSE(ParseGlyphFile(Words(good.begin(), good.begin() + 14)));  // directory cut short
  // Offset past the end, its high word, length past the end, offset into the
  // directory, unknown type.
  const std::pair<std::size_t, uint16_t> damage[] = {{2, 40}, {3, 1}, {4, 11}, {2, 3}, {1, 3}};
  for (const auto& [word, value] : damage) {
    Words w = good;
    w[word] = value;
    const auto bad = ParseGlyphFile(w);
    ASSERT_TRUE(bad) << word;
    const GlyphFile::Glyph& g = bad->glyphs[0];
    EXPECT_TRUE(g.type == kGlyphBlank && g.xmin == 0 && g.xmax == 128 && g.data.empty()) << word;
  }
  test::TempDir dir;
  dir.write("g.txt", test::glyph_bytes(good) + "x");  // the odd byte belongs to no word
  const auto read = ReadGlyphFile(dir.file("g.txt"));
  ASSERT_TRUE(read && read->glyphs.size() == 2);
  EXPECT_TRUE(read->glyphs[0].type == kGlyphOutline && read->glyphs[0].xmax == 384);
  EXPECT_EQ(read->glyphs[0].data, kTriangle.data);
  EXPECT_EQ(read->glyphs[1].type, kGlyphBlank);
  EXPECT_FALSE(ReadGlyphFile(dir.file("missing.txt")));
}

TEST(ArcAngle, CircleExactEllipseAlongItsArc) {
  EXPECT_DOUBLE_EQ(ArcAngle(16, 16, 8), 0.5);
  for (const auto& [a, b, s] :
       {std::tuple{20.0, 10.0, 40.0}, {10.0, 20.0, 30.0}, {16.0, 12.0, -20.0}}) {
    const double theta = ArcAngle(a, b, s);
    double length = 0;  // of (a sin t, b cos t) from 0 to theta, by the midpoint rule
    for (int i = 0; i < 1000; ++i) {
      const double t = (i + 0.5) * theta / 1000;
      length += std::hypot(a * std::cos(t), b * std::sin(t)) * theta / 1000;
    }
    EXPECT_NEAR(length, s, std::fabs(s) * 0.01) << a << ' ' << b;
  }
}

// The first point of each drawn character as (right of L, below T) in mm. The
// triangle is 3.84 mm wide and 5.76 high, a blank 1.28 wide; gaps are 1.
TEST(LineText, LaysOutCharacters) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<int32_t> lines;
    int32_t align, vertical, mirror_x, mirror_y;
    double char_angle;
    std::vector<Pt> expected;
  };
  const Case cases[] = {
      {"left", "AA", {}, 0, 0, 0, 0, 0, {{0, 0}, {4.84, 0}}},
      {"justified, one", "A", {}, 3, 0, 0, 0, 0, {{0, 0}}},
      {"justified fills the box", "AA", {}, 3, 0, 0, 0, 0, {{0, 0}, {16.16, 0}}},
      {"centre", "A", {}, 2, 0, 0, 0, 0, {{8.08, 0}}},
      {"right", "A", {}, 1, 0, 0, 0, 0, {{16.16, 0}}},
      {"blank advances 128 units", "A B", {}, 0, 0, 0, 0, 0, {{0, 0}, {7.12, 0}}},
      {"empty line takes no space", "AB", {1, 0, 1}, 0, 0, 0, 0, 0, {{0, 0}, {0, 6.76}}},
      {"vertical", "ABC", {1, 2}, 0, 1, 0, 0, 0, {{1.92, 0}, {10.6, 0}, {10.6, 6.76}}},
      {"vertical, bottom", "A", {}, 1, 1, 0, 0, 0, {{1.92, 4.24}}},
      {"mirror x", "A", {}, 0, 0, 1, 0, 0, {{20, 0}}},
      {"mirror y", "A", {}, 0, 0, 0, 1, 0, {{0, 10}}},
      // Clockwise about the cell's centre (192, 384): the corner goes to (576, 192).
      {"char angle 90", "A", {}, 0, 0, 0, 0, 90, {{5.76, 1.44}}},
  };
  for (const Case& c : cases) {
    Rig rig;
    rig.glyphs(c.text, kTriangle);
    MarkObject obj = rig.line_text(c.text, c.lines);
    std::tie(obj.mirror_x, obj.mirror_y) = std::tuple(c.mirror_x, c.mirror_y);
    auto& p = *obj.block<LineTextParams>();
    std::tie(p.align, p.vertical) = std::tuple(c.align, c.vertical);
    p.chars = {CharRecord{.angle = c.char_angle}};  // the rest read as zeros
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
  rig.glyphs("A", kTriangle);
  MarkObject obj = rig.line_text("A");
  obj.rows = obj.columns = 2;  // copy corners at x -17 / 3, y 8 / -2
  const auto firsts = [&] {
    std::vector<std::pair<double, double>> out;
    for (const auto& c : rig.draw(obj)) out.emplace_back(c[0].x, c[0].y);
    return out;
  };
  using P = std::vector<std::pair<double, double>>;
  EXPECT_EQ(firsts(), (P{{-17, 8}, {3, 8}, {-17, -2}, {3, -2}}));  // row by row
  obj.block<LineTextParams>()->vertical = 1;
  EXPECT_EQ(firsts(), (P{{-15.08, 8}, {-15.08, -2}, {4.92, 8}, {4.92, -2}}));  // by columns
  obj.angle = 90;  // all clockwise about the array centre (3, -2)
  EXPECT_EQ(firsts(), (P{{13, 16.08}, {3, 16.08}, {13, -3.92}, {3, -3.92}}));
}

TEST(ArcText, CentresOnTheMeanCircleFillingTheSpan) {
  Rig rig;
  const std::string text = "01234567890";
  rig.glyphs(text, kDiamond);
  const auto drawn = rig.draw(rig.arc_text(text));
  ASSERT_EQ(drawn.size(), text.size());
  // R = 16, the span 260 degrees of it (72.6 mm) about the top; the outer
  // centres lie half a 3 mm character inside its ends.
  std::vector<double> angles;
  for (const auto& c : drawn) {
    const Pt m = centre_of(c);
    EXPECT_NEAR(std::hypot(m.x + 5, m.y + 5), 16, kTol);
    angles.push_back(std::atan2(m.x + 5, m.y + 5));
  }
  const double span = 260 * 2 * std::numbers::pi * 16 / 360;
  EXPECT_NEAR(angles.back() * 16, span / 2 - 1.5, 0.005);
  EXPECT_NEAR(angles.front() * 16, 1.5 - span / 2, 0.005);
}

TEST(ArcText, CharAngleTurnsClockwiseAndCopiesInnerLoop) {
  Rig rig;
  rig.glyphs("AB", kDiamond);
  MarkObject obj = rig.arc_text("AB");
  const auto flat = rig.draw(obj);
  obj.block<ArcTextParams>()->chars = {CharRecord{.angle = 90}};
  const auto turned = rig.draw(obj);
  ASSERT_TRUE(flat.size() == 2 && turned.size() == 2);
  // The top vertex, seen from the character's centre, turns a quarter clockwise.
  const Pt c0 = centre_of(flat[0]), c1 = centre_of(turned[0]);
  EXPECT_NEAR(turned[0][0].x - c1.x, flat[0][0].y - c0.y, 2 * kTol);
  EXPECT_NEAR(turned[0][0].y - c1.y, -(flat[0][0].x - c0.x), 2 * kTol);
  std::tie(obj.columns, obj.column_gap) = std::tuple(2, 10);
  const auto copies = rig.draw(obj);  // each character in every copy before the next
  ASSERT_EQ(copies.size(), 4u);
  EXPECT_NEAR(copies[1][0].x - copies[0][0].x, 60, kTol);
}

// In the view a text array draws only the copies that can reach the window:
// every character the full walk draws inside it, turned arrays and
// characters moved beyond the box included, and fewer in all.
TEST(TextShapes, ArraysInTheViewDrawOnlyTheCopiesThatReachTheWindow) {
  struct Case {
    const char* name;
    bool arc;
    double angle;
    CharRecord rec;
  };
  for (const Case& c : {Case{"line", false, 0, {}}, Case{"turned", false, 30, {}},
                        Case{"moved", false, 0, CharRecord{.offset_x = 35, .offset_y = -12}},
                        Case{"arc", true, 0, {}},
                        Case{"arc moved", true, 0, CharRecord{.offset_x = 25, .offset_y = 9}}}) {
    SCOPED_TRACE(c.name);
    Rig rig;
    rig.glyphs("AB", kDiamond);
    MarkObject obj = c.arc ? rig.arc_text("AB") : rig.line_text("AB");
    obj.angle = c.angle;
    std::tie(obj.rows, obj.columns, obj.row_gap, obj.column_gap) = std::tuple(30, 30, 2.0, 3.0);
    if (c.arc) obj.block<ArcTextParams>()->chars = {c.rec, c.rec};
    if (!c.arc) obj.block<LineTextParams>()->chars = {c.rec, c.rec};
    const auto full = rig.draw(obj);
    const FieldWindow w{-60.0, -40.0, 70.0, 50.0};
    rig.g.visible = w;
    const auto culled = rig.draw(obj);
    EXPECT_LT(culled.size(), full.size() / 2);
    std::size_t in_window = 0;
    for (const auto& line : full) {
      const bool inside = std::any_of(line.begin(), line.end(), [&](const Pt& p) {
        return p.x >= w.left && p.x <= w.right && p.y >= w.bottom && p.y <= w.top;
      });
      if (!inside) continue;
      ++in_window;
      const bool drawn = std::any_of(culled.begin(), culled.end(), [&](const auto& other) {
        return other.size() == line.size() &&
               std::equal(line.begin(), line.end(), other.begin(), [](const Pt& a, const Pt& b) {
                 return a.x == b.x && a.y == b.y;
               });
      });
      ASSERT_TRUE(drawn) << "a character at " << line[0].x << ", " << line[0].y;
    }
    EXPECT_GT(in_window, 8u);
  }
}

TEST(TextShapes, FilledOutlineGetsCharacterStrokeWidth) {
  Rig rig;
  rig.glyphs("A", kDiamond);
  MarkObject obj = rig.line_text("A");
  obj.output_mode = 2;
  RecordingCanvas plain, stroked;
  DrawLineText(rig.g, &plain, obj);
  // On screen only a stroke width adds hatch lines to the painted area.
  obj.block<LineTextParams>()->chars = {CharRecord{.font_width_x = 0.1}};
  DrawLineText(rig.g, &stroked, obj);
  EXPECT_EQ(plain.ops().front().kind, RecordingCanvas::Op::Kind::Polygon);
  EXPECT_GT(stroked.ops().size(), plain.ops().size() + 10);
}

TEST(TextShapes, StrokeGlyphMovesDrawsAndStops) {
  Rig rig;
  write_words(rig.path,
              assemble({{kGlyphStroke, 0, 384, {0, 0, 0, 1, 384, 0, 5, 384, 768, 1, 9}}}));
  const MarkObject obj = rig.line_text("A");
  RecordingCanvas dc;
  DrawLineText(rig.g, &dc, obj);
  ASSERT_EQ(dc.ops().size(), 3u);  // the partial triple is dropped
  EXPECT_EQ(dc.ops()[0].kind, RecordingCanvas::Op::Kind::MoveTo);
  EXPECT_EQ(dc.ops()[0].points[0], (CanvasPoint{-2800, 1200}));
  EXPECT_EQ(dc.ops()[2].kind, RecordingCanvas::Op::Kind::LineTo);
  DrawLineText(rig.g, nullptr, obj);  // marker: (L, T) = (-7, 3) is 1720, 2120
  EXPECT_EQ(rig.moves(),
            (std::vector{test::up(1720, 2120), test::down(1874, 2120), test::down(1874, 1890)}));
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
  // A: a diamond, then a count past its data; B: data past the end, a blank
  // 128 units wide; C: good.
  Words w =
      assemble({{kGlyphOutline, 0, 384, {5, 192, 0, 384, 384, 192, 768, 0, 384, 192, 0, 50, 1}},
                kDiamond,
                kDiamond});
  w[1 + 7 + 1] = 60000;  // B's offset
  write_words(rig.path, w);
  const auto drawn = rig.draw(line);
  ASSERT_EQ(drawn.size(), 2u);
  EXPECT_EQ(drawn[0].size(), 5u);
  EXPECT_NEAR(drawn[1][3].x + 7, 3.84 + 1 + 1.28 + 1, kTol);  // C's left corner
  EXPECT_EQ(rig.draw(arc).size(), 2u);
  rig.glyphs("A", kDiamond);  // fewer characters than the text: draws what it has
  EXPECT_EQ(rig.draw(line).size(), 1u);

  line.block<LineTextParams>()->size_x = std::numeric_limits<double>::quiet_NaN();
  arc.block<ArcTextParams>()->radius_x = std::numeric_limits<double>::infinity();
  EXPECT_TRUE(rig.draw(line).empty());
  EXPECT_TRUE(rig.draw(arc).empty());
  // Radii at half the character height leave no ellipse: nothing, no NaN points.
  arc.block<ArcTextParams>()->radius_x = arc.block<ArcTextParams>()->radius_y = 4;
  EXPECT_TRUE(rig.draw(arc).empty());
}

}  // namespace
}  // namespace lumetch
