#include "platform/font_engine_ft.h"

#include <fontconfig/fontconfig.h>
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include FT_ADVANCES_H

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

namespace lumetch {
namespace {

constexpr double kCellHeight = 800.0;
constexpr double kAverageWidth = 400.0;
// The slant of a synthetic oblique, as fontconfig's own synthetic rule uses.
constexpr double kObliqueShear = 0.2;
// Cubic arcs are replaced by quadratic pieces no farther than this from them.
constexpr double kCubicTolerance = 0.1;
constexpr int kMaxCubicPieces = 64;

struct Pt {
  double x = 0.0;
  double y = 0.0;
};

Pt midpoint(Pt a, Pt b) {
  return {(a.x + b.x) / 2.0, (a.y + b.y) / 2.0};
}

int32_t to_fixed(double v) {
  const double scaled = std::round(v * 65536.0);  // halves away from zero
  if (!(scaled > static_cast<double>(std::numeric_limits<int32_t>::min()))) {
    return std::numeric_limits<int32_t>::min();
  }
  if (scaled >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
    return std::numeric_limits<int32_t>::max();
  }
  return static_cast<int32_t>(scaled);
}

FixedPoint to_fixed(Pt p) {
  return {to_fixed(p.x), to_fixed(p.y)};
}

Pt cubic_at(const Pt (&c)[4], double t) {
  const double u = 1.0 - t;
  const double a = u * u * u;
  const double b = 3.0 * u * u * t;
  const double d = 3.0 * u * t * t;
  const double e = t * t * t;
  return {a * c[0].x + b * c[1].x + d * c[2].x + e * c[3].x,
          a * c[0].y + b * c[1].y + d * c[2].y + e * c[3].y};
}

Pt cubic_derivative(const Pt (&c)[4], double t) {
  const double u = 1.0 - t;
  const double a = 3.0 * u * u;
  const double b = 6.0 * u * t;
  const double d = 3.0 * t * t;
  return {a * (c[1].x - c[0].x) + b * (c[2].x - c[1].x) + d * (c[3].x - c[2].x),
          a * (c[1].y - c[0].y) + b * (c[2].y - c[1].y) + d * (c[3].y - c[2].y)};
}

// Appends one quadratic-spline record per piece. A cubic on [t0, t1] is
// replaced by the quadratic whose control is (3(Q1 + Q2) − (Q0 + Q3)) / 4; it
// strays at most √3/36 · |Q3 − 3Q2 + 3Q1 − Q0| from the cubic, and that third
// difference shrinks with the cube of the piece length, so n equal pieces
// suffice when the whole-arc bound divided by n³ is within the tolerance.
void append_cubic(const Pt (&c)[4], std::vector<OutlineCurve>& curves) {
  const double dx = c[3].x - 3.0 * c[2].x + 3.0 * c[1].x - c[0].x;
  const double dy = c[3].y - 3.0 * c[2].y + 3.0 * c[1].y - c[0].y;
  const double bound = std::sqrt(3.0) / 36.0 * std::hypot(dx, dy);
  int pieces = 1;
  while (pieces < kMaxCubicPieces && bound / (pieces * pieces * pieces) > kCubicTolerance) {
    ++pieces;
  }
  for (int i = 0; i < pieces; ++i) {
    const double t0 = static_cast<double>(i) / pieces;
    const double t1 = static_cast<double>(i + 1) / pieces;
    const double h = (t1 - t0) / 3.0;
    const Pt q0 = i == 0 ? c[0] : cubic_at(c, t0);
    const Pt q3 = i == pieces - 1 ? c[3] : cubic_at(c, t1);
    const Pt d0 = cubic_derivative(c, t0);
    const Pt d1 = cubic_derivative(c, t1);
    const Pt q1{q0.x + h * d0.x, q0.y + h * d0.y};
    const Pt q2{q3.x - h * d1.x, q3.y - h * d1.y};
    const Pt control{(3.0 * (q1.x + q2.x) - (q0.x + q3.x)) / 4.0,
                     (3.0 * (q1.y + q2.y) - (q0.y + q3.y)) / 4.0};
    curves.push_back({OutlineCurve::Kind::QSpline, {to_fixed(control), to_fixed(q3)}});
  }
}

enum class Tag { On, Conic, Cubic };

Tag tag_of(unsigned char raw) {
  switch (FT_CURVE_TAG(raw)) {
    case FT_CURVE_TAG_ON:
      return Tag::On;
    case FT_CURVE_TAG_CUBIC:
      return Tag::Cubic;
    default:
      return Tag::Conic;
  }
}

// One contour of n points into a polygon; false when it is malformed.
bool add_contour(const Pt* pts, const Tag* tags, std::size_t n, NativeOutline& out) {
  if (n < 2) return true;
  Pt start;
  std::size_t begin = 0;
  std::size_t count = 0;
  if (tags[0] == Tag::On) {
    start = pts[0];
    begin = 1;
    count = n - 1;
  } else if (tags[n - 1] == Tag::On) {
    start = pts[n - 1];
    count = n - 1;
  } else if (tags[0] == Tag::Conic && tags[n - 1] == Tag::Conic) {
    start = midpoint(pts[n - 1], pts[0]);
    count = n;
  } else {
    return false;
  }

  OutlinePolygon poly;
  poly.start = to_fixed(start);
  std::vector<Pt> conics;
  std::vector<Pt> cubics;
  Pt current = start;
  for (std::size_t k = 0; k <= count; ++k) {
    // The walk ends back at the start, which closes a pending curve.
    const bool closing = k == count;
    const Pt p = closing ? start : pts[begin + k];
    const Tag tag = closing ? Tag::On : tags[begin + k];
    if (tag == Tag::Conic) {
      if (!cubics.empty()) return false;
      conics.push_back(p);
      continue;
    }
    if (tag == Tag::Cubic) {
      if (!conics.empty() || cubics.size() == 2) return false;
      cubics.push_back(p);
      continue;
    }
    if (!conics.empty()) {
      OutlineCurve curve{OutlineCurve::Kind::QSpline, {}};
      for (const Pt& c : conics) curve.points.push_back(to_fixed(c));
      curve.points.push_back(to_fixed(p));
      poly.curves.push_back(std::move(curve));
    } else if (cubics.size() == 2) {
      const Pt arc[4] = {current, cubics[0], cubics[1], p};
      append_cubic(arc, poly.curves);
    } else if (!cubics.empty()) {
      return false;
    } else if (!closing) {
      if (poly.curves.empty() || poly.curves.back().kind != OutlineCurve::Kind::Line) {
        poly.curves.push_back({OutlineCurve::Kind::Line, {}});
      }
      poly.curves.back().points.push_back(to_fixed(p));
    }
    conics.clear();
    cubics.clear();
    current = p;
  }
  out.push_back(std::move(poly));
  return true;
}

// Fonts are asked for with their OpenType weight; 0 means regular.
int normalized_weight(int32_t weight) {
  if (weight <= 0) return 400;
  return std::min(weight, 1000);
}

bool is_ascii(std::string_view s) {
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

class FreeTypeFontEngine final : public FontEngine {
 public:
  FreeTypeFontEngine() {
    if (FT_Init_FreeType(&library_) != 0) library_ = nullptr;
    config_ = FcInitLoadConfigAndFonts();
  }

  ~FreeTypeFontEngine() override {
    for (auto& [key, face] : faces_) {
      if (face.face != nullptr) FT_Done_Face(face.face);
    }
    if (library_ != nullptr) FT_Done_FreeType(library_);
    for (auto& [key, resolved] : resolved_) {
      if (resolved.set != nullptr) FcFontSetDestroy(resolved.set);
    }
    if (config_ != nullptr) FcConfigDestroy(config_);
  }

  FreeTypeFontEngine(const FreeTypeFontEngine&) = delete;
  FreeTypeFontEngine& operator=(const FreeTypeFontEngine&) = delete;

  std::optional<NativeOutline> outline(const FontDescription& font, char32_t ch,
                                       bool japanese) override {
    if (!ready() || ch == 0 || ch > 0x10FFFF) return std::nullopt;
    const Resolved& resolved =
        resolve(font, japanese || ch >= 0x80 || wants_japanese_fonts(font, {}));
    const bool bold = normalized_weight(font.weight) >= 600;
    for (const Candidate& candidate : resolved.candidates) {
      if (candidate.charset != nullptr && !FcCharSetHasChar(candidate.charset, ch)) continue;
      Face* face = face_for(candidate);
      if (face == nullptr) continue;
      const FT_UInt glyph = FT_Get_Char_Index(face->face, ch);
      if (glyph == 0) continue;
      const FT_Int32 flags = FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP;
      if (FT_Load_Glyph(face->face, glyph, flags) != 0) continue;
      FT_GlyphSlot slot = face->face->glyph;
      if (slot->format != FT_GLYPH_FORMAT_OUTLINE) continue;
      // Synthetic bold when only a lighter face matched: FreeType's own
      // strength, a 24th of the em; a failure leaves the glyph as drawn.
      if (bold && candidate.synthetic_bold_allowed && slot->outline.n_contours > 0) {
        FT_Outline_Embolden(&slot->outline, face->face->units_per_EM / 24);
      }
      OutlineTransform transform{face->scale_x, face->scale_y, 0.0};
      if (font.italic != 0 && candidate.slant == FC_SLANT_ROMAN) transform.shear = kObliqueShear;
      if (auto native = to_native_outline(slot->outline, transform)) return native;
    }
    return std::nullopt;
  }

  std::string resolved_family(const FontDescription& font) override {
    if (!ready()) return {};
    const Resolved& resolved = resolve(font, wants_japanese_fonts(font, {}));
    return resolved.candidates.empty() ? std::string() : resolved.candidates.front().family;
  }

  std::vector<std::string> outline_families() override {
    if (!ready()) return {};
    if (!families_) families_ = list_families();
    return *families_;
  }

 private:
  struct Candidate {
    std::string file;
    int index = 0;
    std::string family;
    int slant = FC_SLANT_ROMAN;
    bool synthetic_bold_allowed = false;  // the face is lighter than demibold
    FcCharSet* charset = nullptr;         // owned by the font set
  };

  // Outline fonts for one request, best match first, as fontconfig sorts
  // them; the rest are the fallback for characters the best match lacks.
  struct Resolved {
    FcFontSet* set = nullptr;
    std::vector<Candidate> candidates;
  };

  struct Face {
    FT_Face face = nullptr;  // null when the file could not be opened
    double scale_x = 1.0;
    double scale_y = 1.0;
  };

  using ResolveKey = std::tuple<std::string, int, bool, bool>;

  bool ready() const { return library_ != nullptr && config_ != nullptr; }

  const Resolved& resolve(const FontDescription& font, bool japanese) {
    const int weight = normalized_weight(font.weight);
    const ResolveKey key{font.face_name, weight, font.italic != 0, japanese};
    if (const auto it = resolved_.find(key); it != resolved_.end()) return it->second;

    Resolved resolved;
    FcPattern* pattern = FcPatternCreate();
    if (pattern != nullptr) {
      if (!font.face_name.empty()) {
        FcPatternAddString(pattern, FC_FAMILY,
                           reinterpret_cast<const FcChar8*>(font.face_name.c_str()));
      }
      FcPatternAddDouble(pattern, FC_WEIGHT, FcWeightFromOpenTypeDouble(weight));
      FcPatternAddInteger(pattern, FC_SLANT, font.italic != 0 ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
      if (japanese) FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
      FcConfigSubstitute(config_, pattern, FcMatchPattern);
      FcDefaultSubstitute(pattern);
      FcResult result = FcResultNoMatch;
      resolved.set = FcFontSort(config_, pattern, FcFalse, nullptr, &result);
      FcPatternDestroy(pattern);
    }
    if (resolved.set != nullptr) {
      for (int i = 0; i < resolved.set->nfont; ++i) {
        if (auto candidate = candidate_of(resolved.set->fonts[i])) {
          resolved.candidates.push_back(std::move(*candidate));
        }
      }
    }
    return resolved_.emplace(key, std::move(resolved)).first->second;
  }

  static std::optional<Candidate> candidate_of(FcPattern* font) {
    FcBool outline = FcFalse;
    if (FcPatternGetBool(font, FC_OUTLINE, 0, &outline) != FcResultMatch || !outline) {
      return std::nullopt;
    }
    FcChar8* file = nullptr;
    if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch || file == nullptr) {
      return std::nullopt;
    }
    Candidate c;
    c.file = reinterpret_cast<const char*>(file);
    FcPatternGetInteger(font, FC_INDEX, 0, &c.index);
    FcChar8* family = nullptr;
    if (FcPatternGetString(font, FC_FAMILY, 0, &family) == FcResultMatch && family != nullptr) {
      c.family = reinterpret_cast<const char*>(family);
    }
    FcPatternGetInteger(font, FC_SLANT, 0, &c.slant);
    // A variable font gives a weight range: it has its bold, nothing to
    // synthesise.
    double weight = 0.0;
    c.synthetic_bold_allowed = FcPatternGetDouble(font, FC_WEIGHT, 0, &weight) == FcResultMatch &&
                               weight < FC_WEIGHT_DEMIBOLD;
    FcCharSet* charset = nullptr;
    if (FcPatternGetCharSet(font, FC_CHARSET, 0, &charset) == FcResultMatch) c.charset = charset;
    return c;
  }

  Face* face_for(const Candidate& candidate) {
    const auto key = std::make_pair(candidate.file, candidate.index);
    auto it = faces_.find(key);
    if (it == faces_.end()) it = faces_.emplace(key, open_face(candidate)).first;
    return it->second.face != nullptr ? &it->second : nullptr;
  }

  Face open_face(const Candidate& candidate) const {
    Face f;
    if (FT_New_Face(library_, candidate.file.c_str(), candidate.index, &f.face) != 0) {
      return Face{};
    }
    if (!FT_IS_SCALABLE(f.face)) {
      FT_Done_Face(f.face);
      return Face{};
    }
    // Measured as the Windows font mapper measures a cell: the win ascent
    // and descent span the cell height, the average width its width.
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(f.face, FT_SFNT_OS2));
    const bool has_os2 = os2 != nullptr && os2->version != 0xFFFF;
    double cell = has_os2 ? static_cast<double>(os2->usWinAscent) + os2->usWinDescent : 0.0;
    if (cell <= 0.0) {
      const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(f.face, FT_SFNT_HHEA));
      if (hhea != nullptr) cell = static_cast<double>(hhea->Ascender) - hhea->Descender;
    }
    if (cell <= 0.0) cell = static_cast<double>(f.face->ascender) - f.face->descender;
    if (cell <= 0.0) cell = f.face->units_per_EM;
    if (cell <= 0.0) cell = 1000.0;
    f.scale_y = kCellHeight / cell;

    double average = has_os2 ? os2->xAvgCharWidth : 0.0;
    if (average <= 0.0) average = average_advance(f.face);
    f.scale_x = average > 0.0 ? kAverageWidth / average : f.scale_y;
    return f;
  }

  // What a missing average width stands for: the mean advance of all glyphs
  // that advance at all.
  static double average_advance(FT_Face face) {
    if (face->num_glyphs <= 0) return 0.0;
    std::vector<FT_Fixed> advances(static_cast<std::size_t>(face->num_glyphs));
    if (FT_Get_Advances(face, 0, static_cast<FT_UInt>(face->num_glyphs), FT_LOAD_NO_SCALE,
                        advances.data()) != 0) {
      return 0.0;
    }
    double sum = 0.0;
    int count = 0;
    for (const FT_Fixed a : advances) {
      if (a > 0) {
        sum += static_cast<double>(a);
        ++count;
      }
    }
    return count > 0 ? sum / count : 0.0;
  }

  std::vector<std::string> list_families() const {
    std::vector<std::string> families;
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_OUTLINE, nullptr);
    FcFontSet* set = nullptr;
    if (pattern != nullptr && objects != nullptr) {
      FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
      set = FcFontList(config_, pattern, objects);
    }
    if (set != nullptr) {
      for (int i = 0; i < set->nfont; ++i) {
        FcChar8* family = nullptr;
        if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &family) == FcResultMatch &&
            family != nullptr) {
          families.emplace_back(reinterpret_cast<const char*>(family));
        }
      }
      FcFontSetDestroy(set);
    }
    if (objects != nullptr) FcObjectSetDestroy(objects);
    if (pattern != nullptr) FcPatternDestroy(pattern);
    std::sort(families.begin(), families.end());
    families.erase(std::unique(families.begin(), families.end()), families.end());
    return families;
  }

  FT_Library library_ = nullptr;
  FcConfig* config_ = nullptr;
  std::map<ResolveKey, Resolved> resolved_;
  std::map<std::pair<std::string, int>, Face> faces_;
  std::optional<std::vector<std::string>> families_;
};

}  // namespace

std::optional<NativeOutline> to_native_outline(const FT_Outline& outline,
                                               const OutlineTransform& transform) {
  NativeOutline native;
  if (outline.n_contours <= 0) return native;
  if (outline.n_points <= 0 || outline.points == nullptr || outline.tags == nullptr ||
      outline.contours == nullptr) {
    return std::nullopt;
  }
  const auto n_points = static_cast<std::size_t>(outline.n_points);
  std::vector<Pt> pts(n_points);
  std::vector<Tag> tags(n_points);
  for (std::size_t i = 0; i < n_points; ++i) {
    const double y = transform.scale_y * static_cast<double>(outline.points[i].y);
    pts[i] = {transform.scale_x * static_cast<double>(outline.points[i].x) + transform.shear * y,
              y};
    tags[i] = tag_of(static_cast<unsigned char>(outline.tags[i]));
  }
  std::size_t first = 0;
  for (int c = 0; c < outline.n_contours; ++c) {
    const long last = outline.contours[c];
    if (last < static_cast<long>(first) || last >= static_cast<long>(n_points)) {
      return std::nullopt;
    }
    const auto end = static_cast<std::size_t>(last) + 1;
    if (!add_contour(&pts[first], &tags[first], end - first, native)) return std::nullopt;
    first = end;
  }
  return native;
}

std::unique_ptr<FontEngine> make_freetype_font_engine() {
  return std::make_unique<FreeTypeFontEngine>();
}

bool wants_japanese_fonts(const FontDescription& font, std::string_view text) {
  return font.charset == 128 || !is_ascii(font.face_name) || !is_ascii(text);
}

FontEngine& system_font_engine() {
  static FreeTypeFontEngine engine;
  return engine;
}

}  // namespace lumetch
