#include "platform/font_engine_ft.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace lumetch {
namespace {

using Kind = OutlineCurve::Kind;

double fx(int32_t v) {
  return v / 65536.0;
}
FixedPoint fp(double x, double y) {
  return {static_cast<int32_t>(std::round(x * 65536)), static_cast<int32_t>(std::round(y * 65536))};
}

// Every start and record point, in order.
std::vector<FixedPoint> points(const NativeOutline& outline) {
  std::vector<FixedPoint> v;
  for (const OutlinePolygon& poly : outline) {
    v.push_back(poly.start);
    for (const OutlineCurve& c : poly.curves) v.insert(v.end(), c.points.begin(), c.points.end());
  }
  return v;
}

double x_extent(const NativeOutline& outline) {
  const auto v = points(outline);
  const auto [lo, hi] =
      std::minmax_element(v.begin(), v.end(), [](FixedPoint a, FixedPoint b) { return a.x < b.x; });
  return fx(hi->x - lo->x);
}

// "S x,y" start, then " L"/" Q" records with their points; ";" ends a polygon.
std::string describe(const std::optional<NativeOutline>& outline) {
  if (!outline) return "none";
  std::string s;
  const auto point = [&s](FixedPoint p) {
    char buf[48];
    std::snprintf(buf, sizeof buf, " %g,%g", fx(p.x), fx(p.y));
    s += buf;
  };
  for (const OutlinePolygon& poly : *outline) {
    s += "S";
    point(poly.start);
    for (const OutlineCurve& c : poly.curves) {
      s += c.kind == Kind::Line ? " L" : " Q";
      for (FixedPoint p : c.points) point(p);
    }
    s += ";";
  }
  return s;
}

class FontEngineTest : public ::testing::Test {
 protected:
  std::unique_ptr<FontEngine> engine_ = make_freetype_font_engine();

  NativeOutline outline_of(const std::string& face, char32_t ch, int weight = 0, int italic = 0) {
    FontDescription font;
    font.face_name = face;
    font.weight = weight;
    font.italic = italic;
    std::optional<NativeOutline> o = engine_->outline(font, ch);
    EXPECT_TRUE(o.has_value()) << face << " U+" << std::hex << static_cast<uint32_t>(ch);
    return o.value_or(NativeOutline{});
  }
};

TEST_F(FontEngineTest, ResolvesFacesThroughFontconfig) {
  const struct {
    std::string face;
    int charset;
    std::string family;
  } cases[] = {
      {"Arial", 0, "Liberation Sans"},
      {"Arial", 128, "Liberation Sans"},  // a named Latin face still wins
      {"ＭＳ ゴシック", 0, "IPAGothic"},
      {"ＭＳ 明朝", 0, "IPAMincho"},
  };
  for (const auto& c : cases) {
    FontDescription font;
    font.face_name = c.face;
    font.charset = c.charset;
    EXPECT_EQ(engine_->resolved_family(font), c.family) << c.face;
  }
  EXPECT_EQ(system_font_engine().resolved_family(FontDescription{}), "Liberation Sans");

  const std::vector<std::string> families = engine_->outline_families();
  EXPECT_TRUE(std::is_sorted(families.begin(), families.end()));
  EXPECT_EQ(std::adjacent_find(families.begin(), families.end()), families.end());
  for (const char* f : {"Liberation Sans", "IPAGothic", "IPAMincho"}) {
    EXPECT_NE(std::find(families.begin(), families.end(), f), families.end()) << f;
  }
}

TEST_F(FontEngineTest, ScalesWinCellTo800AndAverageWidthTo400) {
  // Liberation Sans 2: win ascent 1854 + descent 434, average width 1187,
  // and its "H" in font units, all points on the curve.
  const double sy = 800.0 / (1854 + 434), sx = 400.0 / 1187;
  const int h[][2] = {{1121, 0},   {1121, 653},  {359, 653},   {359, 0},
                      {168, 0},    {168, 1409},  {359, 1409},  {359, 813},
                      {1121, 813}, {1121, 1409}, {1312, 1409}, {1312, 0}};
  OutlinePolygon expected{fp(h[0][0] * sx, h[0][1] * sy), {{Kind::Line, {}}}};
  for (const auto& p : h) expected.curves[0].points.push_back(fp(p[0] * sx, p[1] * sy));
  expected.curves[0].points.erase(expected.curves[0].points.begin());
  EXPECT_EQ(describe(outline_of("Arial", U'H')), describe(NativeOutline{expected}));
}

TEST_F(FontEngineTest, CurvedContoursBecomeSplinesEndingOnTheCurve) {
  const NativeOutline o = outline_of("Arial", U'O');
  ASSERT_EQ(o.size(), 2u);  // outer ring and counter
  bool top_is_an_end = false;
  const std::vector<FixedPoint> all = points(o);
  const int32_t top = std::max_element(all.begin(), all.end(), [](auto a, auto b) {
                        return a.y < b.y;
                      })->y;  // an on-curve extreme, about 500 units up
  for (const OutlinePolygon& poly : o) {
    for (const OutlineCurve& c : poly.curves) {
      EXPECT_TRUE(c.kind == Kind::QSpline && c.points.size() >= 2);
      top_is_an_end |= c.points.back().y == top;
    }
    EXPECT_EQ(poly.curves.back().points.back(), poly.start);  // closes on itself
  }
  EXPECT_TRUE(top_is_an_end);
  EXPECT_NEAR(fx(top), 500.0, 1.0);
}

TEST_F(FontEngineTest, BlanksAreEmptyAndImpossibleCharactersAbsent) {
  FontDescription font;
  const std::optional<NativeOutline> space = engine_->outline(font, U' ');
  ASSERT_TRUE(space.has_value());
  EXPECT_TRUE(space->empty());
  for (char32_t ch : {0u, 0x110000u, 0xFFFFFFFFu}) EXPECT_FALSE(engine_->outline(font, ch));
  EXPECT_FALSE(outline_of("\xff\xfe", U'A').empty());  // a face name that is no UTF-8
  font.face_name = "NoSuchFace123";
  EXPECT_FALSE(engine_->resolved_family(font).empty());
  EXPECT_FALSE(outline_of(font.face_name, U'A').empty());
}

TEST_F(FontEngineTest, JapaneseCharactersComeFromAJapaneseFont) {
  EXPECT_NE(describe(outline_of("ＭＳ ゴシック", U'あ')), describe(outline_of("ＭＳ 明朝", U'あ')));
  // Liberation Sans has neither: a Japanese font gives them, as font linking
  // does, even where a Latin fallback would have one (DejaVu Sans has ①).
  for (char32_t ch : {U'あ', U'①'}) {
    const NativeOutline gothic = outline_of("ＭＳ ゴシック", ch);
    EXPECT_FALSE(gothic.empty());
    EXPECT_EQ(describe(outline_of("Arial", ch)), describe(gothic)) << static_cast<uint32_t>(ch);
  }
}

TEST_F(FontEngineTest, BoldWidensStemsAndItalicSlants) {
  // Liberation has a real bold; IPAGothic has none and is emboldened. Either
  // way the "I" gains about 30 of the 400-unit average width.
  for (const char* face : {"Arial", "ＭＳ ゴシック"}) {
    EXPECT_GT(x_extent(outline_of(face, U'I', 700)), x_extent(outline_of(face, U'I')) + 15) << face;
  }
  // Nor has IPAGothic an italic: its roman glyph is sheared about the baseline.
  const auto upright = points(outline_of("ＭＳ ゴシック", U'I'));
  const auto slanted = points(outline_of("ＭＳ ゴシック", U'I', 0, 1));
  ASSERT_EQ(upright.size(), slanted.size());
  for (std::size_t i = 0; i < upright.size(); ++i) {
    const FixedPoint u = upright[i], s = slanted[i];
    EXPECT_EQ(s.y, u.y);
    EXPECT_NEAR(fx(s.x), fx(u.x) + 0.2 * fx(u.y), 1e-4);
  }
}

// Hand-made outlines for the contour walk: points, tags, contour ends.
struct Raw {
  std::vector<FT_Vector> points;
  std::vector<char> tags;
  std::vector<short> ends;

  std::optional<NativeOutline> convert(const OutlineTransform& t = {}) {
    FT_Outline o{};
    o.n_points = static_cast<short>(points.size());
    o.n_contours = static_cast<short>(ends.size());
    o.points = points.data();
    o.tags = tags.data();
    o.contours = ends.data();
    return to_native_outline(o, t);
  }
};

constexpr char kOn = FT_CURVE_TAG_ON, kConic = FT_CURVE_TAG_CONIC, kCubic = FT_CURVE_TAG_CUBIC;

TEST(ToNativeOutline, WalksContoursFromAnOnCurvePoint) {
  const struct {
    const char* name;
    Raw raw;
    OutlineTransform transform;
    std::string expected;
  } cases[] = {
      {"starts on curve, a conic closes back to the start",
       {{{0, 0}, {10, 0}, {10, 10}}, {kOn, kOn, kConic}, {2}},
       {},
       "S 0,0 L 10,0 Q 10,10 0,0;"},
      {"starts off curve: the last point starts it",
       {{{0, 10}, {10, 10}, {10, 5}, {10, 0}}, {kConic, kOn, kOn, kOn}, {3}},
       {},
       "S 10,0 Q 0,10 10,10 L 10,5;"},
      {"all conic: starts at the implied midpoint",
       {{{10, 10}, {-10, 10}, {-10, -10}, {10, -10}}, {kConic, kConic, kConic, kConic}, {3}},
       {},
       "S 10,0 Q 10,10 -10,10 -10,-10 10,-10 10,0;"},
      {"scaled, then sheared by the scaled height",
       {{{0, 0}, {10, 0}, {10, 10}}, {kOn, kOn, kOn}, {2}},
       {2.0, 3.0, 0.5},
       "S 0,0 L 20,0 35,30;"},
      {"a lone point is dropped",
       {{{0, 0}, {1, 1}, {5, 5}, {9, 0}}, {kOn, kOn, kOn, kOn}, {0, 3}},
       {},
       "S 1,1 L 5,5 9,0;"},
      {"cubic arc with one control",
       {{{0, 0}, {5, 5}, {10, 0}}, {kOn, kCubic, kOn}, {2}},
       {},
       "none"},
      {"contour end beyond the points", {{{0, 0}, {5, 5}}, {kOn, kOn}, {5}}, {}, "none"},
  };
  for (auto c : cases) EXPECT_EQ(describe(c.raw.convert(c.transform)), c.expected) << c.name;
}

TEST(ToNativeOutline, SplitsCubicsIntoCloseQuadratics) {
  // An S-shaped cubic as wide as a whole cell.
  Raw raw{{{0, 0}, {0, 800}, {800, -400}, {800, 400}}, {kOn, kCubic, kCubic, kOn}, {3}};
  const std::optional<NativeOutline> o = raw.convert();
  ASSERT_TRUE(o.has_value() && o->size() == 1);
  const auto& curves = (*o)[0].curves;
  ASSERT_GT(curves.size(), 2u);
  EXPECT_EQ(curves.back().points.back(), fp(800, 400));

  double worst = 0;
  FixedPoint a = (*o)[0].start;
  for (const OutlineCurve& c : curves) {
    ASSERT_TRUE(c.kind == Kind::QSpline && c.points.size() == 2);
    const FixedPoint b = c.points[0], e = c.points[1];
    for (int i = 0; i <= 16; ++i) {
      const double t = i / 16.0, u = 1 - t;
      const double x = u * u * fx(a.x) + 2 * u * t * fx(b.x) + t * t * fx(e.x);
      const double y = u * u * fx(a.y) + 2 * u * t * fx(b.y) + t * t * fx(e.y);
      double nearest = 1e9;
      for (int k = 0; k <= 20000; ++k) {  // distance to the cubic, densely sampled
        const double ct = k / 20000.0, cu = 1 - ct;
        nearest = std::min(nearest, std::hypot(3 * cu * ct * ct * 800 + ct * ct * ct * 800 - x,
                                               3 * cu * cu * ct * 800 - 3 * cu * ct * ct * 400 +
                                                   ct * ct * ct * 400 - y));
      }
      worst = std::max(worst, nearest);
    }
    a = e;
  }
  EXPECT_LT(worst, 0.15);
}

}  // namespace
}  // namespace lumetch
