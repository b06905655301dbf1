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
    std::optional<NativeOutline> o =
        engine_->outline({.weight = weight, .italic = italic, .face_name = face}, ch, false);
    EXPECT_TRUE(o.has_value()) << face << " U+" << std::hex << static_cast<uint32_t>(ch);
    return o.value_or(NativeOutline{});
  }
  double x_extent(const std::string& face, int weight) {
    const auto v = points(outline_of(face, U'I', weight));
    const auto [lo, hi] = std::minmax_element(v.begin(), v.end(),
                                              [](FixedPoint a, FixedPoint b) { return a.x < b.x; });
    return fx(hi->x - lo->x);
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
    EXPECT_EQ(engine_->resolved_family({.charset = c.charset, .face_name = c.face}), c.family)
        << c.face;
  }
  EXPECT_EQ(system_font_engine().resolved_family(FontDescription{}), "Liberation Sans");
  const std::vector<std::string> families = engine_->outline_families();
  EXPECT_TRUE(std::is_sorted(families.begin(), families.end()));
  EXPECT_EQ(std::adjacent_find(families.begin(), families.end()), families.end());
  EXPECT_TRUE(std::binary_search(families.begin(), families.end(), "IPAGothic"));
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

TEST_F(FontEngineTest, BlanksAreEmptyAndImpossibleCharactersAbsent) {
  const std::optional<NativeOutline> space = engine_->outline({}, U' ', false);
  EXPECT_TRUE(space && space->empty());
  for (char32_t ch : {0u, 0x110000u, 0xFFFFFFFFu}) EXPECT_FALSE(engine_->outline({}, ch, false));
  EXPECT_FALSE(outline_of("\xff\xfe", U'A').empty());  // a face name that is no UTF-8
  EXPECT_FALSE(engine_->resolved_family({.face_name = "NoSuchFace123"}).empty());
  EXPECT_FALSE(outline_of("NoSuchFace123", U'A').empty());
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
  // Liberation has a real bold; IPAGothic has none and is emboldened.
  for (const char* face : {"Arial", "ＭＳ ゴシック"}) {
    EXPECT_GT(x_extent(face, 700), x_extent(face, 0) + 15) << face;
  }
  // Nor has IPAGothic an italic: its roman glyph is sheared about the baseline.
  const auto upright = points(outline_of("ＭＳ ゴシック", U'I'));
  const auto slanted = points(outline_of("ＭＳ ゴシック", U'I', 0, 1));
  ASSERT_EQ(upright.size(), slanted.size());
  for (std::size_t i = 0; i < upright.size(); ++i) {
    EXPECT_EQ(slanted[i].y, upright[i].y);
    EXPECT_NEAR(fx(slanted[i].x), fx(upright[i].x) + 0.2 * fx(upright[i].y), 1e-4);
  }
}

// The walk of a hand-made outline: points, tags, contour ends.
std::optional<NativeOutline> walk(std::vector<FT_Vector> pts, std::vector<char> tags,
                                  std::vector<short> ends, const OutlineTransform& t = {}) {
  FT_Outline o{};
  o.n_points = static_cast<short>(pts.size());
  o.n_contours = static_cast<short>(ends.size());
  o.points = pts.data();
  o.tags = tags.data();
  o.contours = ends.data();
  return to_native_outline(o, t);
}

constexpr char O = FT_CURVE_TAG_ON, C = FT_CURVE_TAG_CONIC, K = FT_CURVE_TAG_CUBIC;

TEST(ToNativeOutline, WalksContoursFromAnOnCurvePoint) {
  const std::pair<std::optional<NativeOutline>, std::string> cases[] = {
      // On-curve start; a conic closes back to it.
      {walk({{0, 0}, {10, 0}, {10, 10}}, {O, O, C}, {2}), "S 0,0 L 10,0 Q 10,10 0,0;"},
      // Off-curve start: the last point starts it.
      {walk({{0, 10}, {10, 10}, {10, 5}, {10, 0}}, {C, O, O, O}, {3}),
       "S 10,0 Q 0,10 10,10 L 10,5;"},
      // All conic: starts at the implied midpoint.
      {walk({{10, 10}, {-10, 10}, {-10, -10}, {10, -10}}, {C, C, C, C}, {3}),
       "S 10,0 Q 10,10 -10,10 -10,-10 10,-10 10,0;"},
      // A lone point is dropped.
      {walk({{0, 0}, {1, 1}, {5, 5}, {9, 0}}, {O, O, O, O}, {0, 3}), "S 1,1 L 5,5 9,0;"},
      // Malformed: a cubic arc with one control, a contour end beyond the points.
      {walk({{0, 0}, {5, 5}, {10, 0}}, {O, K, O}, {2}), "none"},
      {walk({{0, 0}, {5, 5}}, {O, O}, {5}), "none"},
  };
  for (const auto& [outline, expected] : cases) EXPECT_EQ(describe(outline), expected);
  // Scaled, then sheared by the scaled height.
  EXPECT_EQ(describe(walk({{0, 0}, {10, 0}, {10, 10}}, {O, O, O}, {2}, {2.0, 3.0, 0.5})),
            "S 0,0 L 20,0 35,30;");
}

TEST(ToNativeOutline, SplitsCubicsIntoCloseQuadratics) {
  // An S-shaped cubic as wide as a whole cell.
  const std::optional<NativeOutline> o =
      walk({{0, 0}, {0, 800}, {800, -400}, {800, 400}}, {O, K, K, O}, {3});
  ASSERT_TRUE(o.has_value() && o->size() == 1);
  const auto& curves = (*o)[0].curves;
  ASSERT_GT(curves.size(), 2u);
  EXPECT_EQ(curves.back().points.back(), fp(800, 400));
  const auto cubic = [](double t) {
    const double u = 1 - t;
    return std::pair{3 * u * t * t * 800 + t * t * t * 800,
                     3 * u * u * t * 800 - 3 * u * t * t * 400 + t * t * t * 400};
  };
  double worst = 0;
  FixedPoint a = (*o)[0].start;
  for (const OutlineCurve& c : curves) {
    ASSERT_TRUE(c.kind == Kind::QSpline && c.points.size() == 2);
    const FixedPoint b = c.points[0], e = c.points[1];
    for (double t = 0; t <= 1; t += 1 / 16.0) {
      const double u = 1 - t;
      const double x = u * u * fx(a.x) + 2 * u * t * fx(b.x) + t * t * fx(e.x);
      const double y = u * u * fx(a.y) + 2 * u * t * fx(b.y) + t * t * fx(e.y);
      double nearest = 1e9;  // distance to the cubic, densely sampled
      for (int k = 0; k <= 20000; ++k) {
        const auto [cx, cy] = cubic(k / 20000.0);
        nearest = std::min(nearest, std::hypot(cx - x, cy - y));
      }
      worst = std::max(worst, nearest);
    }
    a = e;
  }
  EXPECT_LT(worst, 0.15);
}

}  // namespace
}  // namespace lumetch
