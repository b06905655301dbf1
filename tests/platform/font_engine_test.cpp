#include "platform/font_engine_ft.h"

#include <fontconfig/fontconfig.h>
#include FT_TRUETYPE_TABLES_H
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace lumetch {
namespace {

using Kind = OutlineCurve::Kind;

double fx(int32_t v) {
  return v / 65536.0;
}

struct Box {
  double xmin = 1e9, xmax = -1e9, ymin = 1e9, ymax = -1e9;
  void add(FixedPoint p) {
    xmin = std::min(xmin, fx(p.x));
    xmax = std::max(xmax, fx(p.x));
    ymin = std::min(ymin, fx(p.y));
    ymax = std::max(ymax, fx(p.y));
  }
};

Box box_of(const NativeOutline& outline) {
  Box b;
  for (const OutlinePolygon& poly : outline) {
    b.add(poly.start);
    for (const OutlineCurve& c : poly.curves) {
      for (FixedPoint p : c.points) b.add(p);
    }
  }
  return b;
}

// Every number of an outline in order, with record kinds and sizes, so two
// outlines compare as equal only when they are the same.
std::vector<int64_t> flat(const NativeOutline& outline) {
  std::vector<int64_t> v;
  for (const OutlinePolygon& poly : outline) {
    v.insert(v.end(), {-1, poly.start.x, poly.start.y});
    for (const OutlineCurve& c : poly.curves) {
      v.insert(v.end(), {c.kind == Kind::Line ? -2 : -3, static_cast<int64_t>(c.points.size())});
      for (FixedPoint p : c.points) v.insert(v.end(), {p.x, p.y});
    }
  }
  return v;
}

// The font file fontconfig gives for a family, opened with plain FreeType so
// the expected figures come from the font's own tables.
class RawFace {
 public:
  explicit RawFace(const char* family) {
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcChar8* file = nullptr;
    int index = 0;
    if (match != nullptr && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
      FcPatternGetInteger(match, FC_INDEX, 0, &index);
      if (FT_Init_FreeType(&library_) == 0) {
        FT_New_Face(library_, reinterpret_cast<const char*>(file), index, &face_);
      }
    }
    if (match != nullptr) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
  }
  ~RawFace() {
    if (face_ != nullptr) FT_Done_Face(face_);
    if (library_ != nullptr) FT_Done_FreeType(library_);
  }
  FT_Face face() const { return face_; }
  const TT_OS2* os2() const {
    return static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
  }
  // A font-unit point in the cell: win ascent + descent span 800, the
  // average width 400.
  FixedPoint scaled(FT_Vector v) const {
    const double sx = 400.0 / os2()->xAvgCharWidth;
    const double sy = 800.0 / (os2()->usWinAscent + os2()->usWinDescent);
    return {static_cast<int32_t>(std::round(static_cast<double>(v.x) * sx * 65536.0)),
            static_cast<int32_t>(std::round(static_cast<double>(v.y) * sy * 65536.0))};
  }

 private:
  FT_Library library_ = nullptr;
  FT_Face face_ = nullptr;
};

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
  const RawFace raw("Liberation Sans");
  ASSERT_TRUE(raw.face() != nullptr && raw.os2() != nullptr);
  ASSERT_EQ(FT_Load_Char(raw.face(), 'H', FT_LOAD_NO_SCALE), 0);
  const FT_Outline& src = raw.face()->glyph->outline;
  ASSERT_EQ(src.n_contours, 1);

  const NativeOutline h = outline_of("Arial", U'H');
  ASSERT_EQ(h.size(), 1u);
  std::vector<FixedPoint> points{h[0].start};
  for (const OutlineCurve& c : h[0].curves) {
    EXPECT_EQ(c.kind, Kind::Line);
    points.insert(points.end(), c.points.begin(), c.points.end());
  }
  ASSERT_EQ(points.size(), static_cast<std::size_t>(src.n_points));
  for (std::size_t i = 0; i < points.size(); ++i) {
    const FixedPoint expected = raw.scaled(src.points[i]);
    EXPECT_NEAR(points[i].x, expected.x, 1) << i;
    EXPECT_NEAR(points[i].y, expected.y, 1) << i;
  }
  // Baseline to cap height, in the 800-unit cell.
  const Box b = box_of(h);
  EXPECT_EQ(b.ymin, 0.0);
  EXPECT_NEAR(b.ymax, fx(raw.scaled({0, raw.os2()->sCapHeight}).y), 0.01);
}

TEST_F(FontEngineTest, CurvedContoursBecomeSplinesEndingOnTheCurve) {
  const RawFace raw("Liberation Sans");
  ASSERT_TRUE(raw.face() != nullptr && raw.os2() != nullptr);
  ASSERT_EQ(FT_Load_Char(raw.face(), 'O', FT_LOAD_NO_SCALE), 0);
  const FT_Outline& src = raw.face()->glyph->outline;
  std::vector<FixedPoint> on_curve;
  for (int i = 0; i < src.n_points; ++i) {
    if (FT_CURVE_TAG(src.tags[i]) != FT_CURVE_TAG_ON) continue;
    on_curve.push_back(raw.scaled(src.points[i]));
  }

  const NativeOutline o = outline_of("Arial", U'O');
  ASSERT_EQ(o.size(), 2u);  // outer ring and counter
  for (const OutlinePolygon& poly : o) {
    ASSERT_FALSE(poly.curves.empty());
    for (const OutlineCurve& c : poly.curves) {
      ASSERT_EQ(c.kind, Kind::QSpline);
      ASSERT_GE(c.points.size(), 2u);
      EXPECT_NE(std::find(on_curve.begin(), on_curve.end(), c.points.back()), on_curve.end());
    }
    EXPECT_EQ(poly.curves.back().points.back(), poly.start);  // closes on itself
  }
}

TEST_F(FontEngineTest, BlanksAreEmptyAndImpossibleCharactersAbsent) {
  FontDescription font;
  const std::optional<NativeOutline> space = engine_->outline(font, U' ');
  ASSERT_TRUE(space.has_value());
  EXPECT_TRUE(space->empty());
  EXPECT_FALSE(engine_->outline(font, 0).has_value());
  EXPECT_FALSE(engine_->outline(font, 0x110000).has_value());
  EXPECT_FALSE(engine_->outline(font, 0xFFFFFFFF).has_value());
  font.face_name = "\xff\xfe";  // not UTF-8 at all
  EXPECT_FALSE(outline_of(font.face_name, U'A').empty());
}

TEST_F(FontEngineTest, JapaneseFacesAndFallbackForMissingCharacters) {
  EXPECT_NE(flat(outline_of("ＭＳ ゴシック", U'あ')), flat(outline_of("ＭＳ 明朝", U'あ')));
  // Liberation Sans has neither: a Japanese character in a Latin face comes
  // from the Japanese sans, as font linking does, even where a Latin
  // fallback (DejaVu Sans has ①) would have it.
  for (char32_t ch : {U'あ', U'①'}) {
    const NativeOutline gothic = outline_of("ＭＳ ゴシック", ch);
    EXPECT_FALSE(gothic.empty());
    EXPECT_EQ(flat(outline_of("Arial", ch)), flat(gothic)) << static_cast<uint32_t>(ch);
  }

  FontDescription missing;
  missing.face_name = "NoSuchFace123";
  EXPECT_FALSE(engine_->resolved_family(missing).empty());
  EXPECT_FALSE(outline_of(missing.face_name, U'A').empty());
}

TEST_F(FontEngineTest, BoldWidensStemsAndItalicSlants) {
  // Liberation has a real bold; IPAGothic has none, so it is emboldened.
  for (const char* face : {"Arial", "ＭＳ ゴシック"}) {
    const Box regular = box_of(outline_of(face, U'I'));
    const Box bold = box_of(outline_of(face, U'I', 700));
    // Either way the stem gains about 30 of the 400-unit average width.
    EXPECT_GT(bold.xmax - bold.xmin, regular.xmax - regular.xmin + 15.0) << face;
  }
  // IPAGothic has no italic either: its roman glyph is sheared about the baseline.
  const NativeOutline upright = outline_of("ＭＳ ゴシック", U'I');
  const NativeOutline slanted = outline_of("ＭＳ ゴシック", U'I', 0, 1);
  ASSERT_EQ(flat(upright).size(), flat(slanted).size());
  ASSERT_EQ(upright.size(), 1u);
  const auto& u = upright[0].curves[0].points;
  const auto& s = slanted[0].curves[0].points;
  ASSERT_EQ(u.size(), s.size());
  for (std::size_t i = 0; i < u.size(); ++i) {
    EXPECT_EQ(s[i].y, u[i].y);
    EXPECT_NEAR(fx(s[i].x), fx(u[i].x) + 0.2 * fx(u[i].y), 1e-4);
  }
}

// Hand-made outlines for the contour walk.
struct RawContour {
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

constexpr char kOn = FT_CURVE_TAG_ON;
constexpr char kConic = FT_CURVE_TAG_CONIC;
constexpr char kCubic = FT_CURVE_TAG_CUBIC;

FixedPoint fp(double x, double y) {
  return {static_cast<int32_t>(x * 65536), static_cast<int32_t>(y * 65536)};
}

TEST(ToNativeOutline, WalksContoursFromAnOnCurvePoint) {
  const auto L = [](std::vector<FixedPoint> p) { return OutlineCurve{Kind::Line, std::move(p)}; };
  const auto Q = [](std::vector<FixedPoint> p) {
    return OutlineCurve{Kind::QSpline, std::move(p)};
  };
  const struct {
    const char* name;
    RawContour raw;
    OutlineTransform transform;
    FixedPoint start;
    std::vector<OutlineCurve> curves;
  } cases[] = {
      {"starts on curve, conic closes back to the start",
       {{{0, 0}, {10, 0}, {10, 10}}, {kOn, kOn, kConic}, {2}},
       {},
       fp(0, 0),
       {L({fp(10, 0)}), Q({fp(10, 10), fp(0, 0)})}},
      {"starts off curve: the last point starts it",
       {{{0, 10}, {10, 10}, {10, 5}, {10, 0}}, {kConic, kOn, kOn, kOn}, {3}},
       {},
       fp(10, 0),
       {Q({fp(0, 10), fp(10, 10)}), L({fp(10, 5)})}},
      {"all conic: starts at the implied midpoint",
       {{{10, 10}, {-10, 10}, {-10, -10}, {10, -10}}, {kConic, kConic, kConic, kConic}, {3}},
       {},
       fp(10, 0),
       {Q({fp(10, 10), fp(-10, 10), fp(-10, -10), fp(10, -10), fp(10, 0)})}},
      {"scaled, then sheared by the scaled height",
       {{{0, 0}, {10, 0}, {10, 10}}, {kOn, kOn, kOn}, {2}},
       {2.0, 3.0, 0.5},
       fp(0, 0),
       {L({fp(20, 0), fp(35, 30)})}},
  };
  for (auto c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<NativeOutline> o = c.raw.convert(c.transform);
    ASSERT_TRUE(o.has_value());
    ASSERT_EQ(o->size(), 1u);
    EXPECT_EQ((*o)[0].start, c.start);
    ASSERT_EQ((*o)[0].curves.size(), c.curves.size());
    for (std::size_t i = 0; i < c.curves.size(); ++i) {
      EXPECT_EQ((*o)[0].curves[i].kind, c.curves[i].kind) << i;
      EXPECT_EQ((*o)[0].curves[i].points, c.curves[i].points) << i;
    }
  }
}

TEST(ToNativeOutline, SplitsCubicsIntoCloseQuadratics) {
  // An S-shaped cubic, 800 units wide like a large glyph arc.
  RawContour raw{{{0, 0}, {0, 800}, {800, -400}, {800, 400}}, {kOn, kCubic, kCubic, kOn}, {3}};
  const std::optional<NativeOutline> o = raw.convert();
  ASSERT_TRUE(o.has_value());
  ASSERT_EQ(o->size(), 1u);
  const auto& curves = (*o)[0].curves;
  ASSERT_GT(curves.size(), 2u);
  EXPECT_EQ(curves.back().points.back(), fp(800, 400));

  const auto cubic = [](double t) {
    const double u = 1 - t;
    return std::pair{3 * u * t * t * 800 + t * t * t * 800,
                     3 * u * u * t * 800 - 3 * u * t * t * 400 + t * t * t * 400};
  };
  std::vector<std::pair<double, double>> dense;
  for (int i = 0; i <= 20000; ++i) dense.push_back(cubic(i / 20000.0));
  double worst = 0;
  FixedPoint a = (*o)[0].start;
  for (const OutlineCurve& c : curves) {
    ASSERT_EQ(c.kind, Kind::QSpline);
    ASSERT_EQ(c.points.size(), 2u);
    const FixedPoint b = c.points[0], e = c.points[1];
    for (int i = 0; i <= 16; ++i) {
      const double t = i / 16.0, u = 1 - t;
      const double x = u * u * fx(a.x) + 2 * u * t * fx(b.x) + t * t * fx(e.x);
      const double y = u * u * fx(a.y) + 2 * u * t * fx(b.y) + t * t * fx(e.y);
      double nearest = 1e9;
      for (const auto& [px, py] : dense) nearest = std::min(nearest, std::hypot(px - x, py - y));
      worst = std::max(worst, nearest);
    }
    a = e;
  }
  EXPECT_LT(worst, 0.15);
}

TEST(ToNativeOutline, RefusesMalformedOutlines) {
  const struct {
    const char* name;
    RawContour raw;
    bool ok;
    std::size_t polygons;
  } cases[] = {
      {"cubic arc with one control",
       {{{0, 0}, {5, 5}, {10, 0}}, {kOn, kCubic, kOn}, {2}},
       false,
       0},
      {"contour end beyond the points", {{{0, 0}, {5, 5}}, {kOn, kOn}, {5}}, false, 0},
      {"contour ends going backwards",
       {{{0, 0}, {5, 5}, {1, 1}}, {kOn, kOn, kOn}, {1, 0}},
       false,
       0},
      {"lone point dropped",
       {{{0, 0}, {1, 1}, {5, 5}, {9, 0}}, {kOn, kOn, kOn, kOn}, {0, 3}},
       true,
       1},
  };
  for (auto c : cases) {
    const std::optional<NativeOutline> o = c.raw.convert();
    EXPECT_EQ(o.has_value(), c.ok) << c.name;
    if (o) {
      EXPECT_EQ(o->size(), c.polygons) << c.name;
    }
  }
}

}  // namespace
}  // namespace lumetch
