#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumetch {

// The font request of the document: a character cell 800 units high with an
// average character width of 400 units. Only the face, weight, italic flag and
// character set change; the rest is kept as the stored settings expect.
struct FontDescription {
  int32_t height = 800;
  int32_t width = 400;
  int32_t escapement = 0;
  int32_t orientation = 0;
  int32_t weight = 400;  // 0 means "don't care": regular
  int32_t italic = 0;
  int32_t underline = 0;
  int32_t strike_out = 0;
  int32_t charset = 0;  // 128: Japanese (Shift-JIS)
  int32_t out_precision = 3;
  int32_t clip_precision = 0;
  int32_t quality = 1;
  int32_t pitch_and_family = 0x32;
  std::string face_name = "Arial";
  bool operator==(const FontDescription&) const = default;
};

// A point of a native outline in 16.16 fixed point (value / 65536), font
// units of the 800-unit cell, Y upward, origin at the pen position on the
// baseline.
struct FixedPoint {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const FixedPoint&) const = default;
};

// One record of a polygon: straight lines to each point, or a quadratic
// spline whose points are control points except the last, which lies on the
// curve (between two controls the on-curve point is their midpoint).
struct OutlineCurve {
  enum class Kind : uint8_t { Line, QSpline };
  Kind kind = Kind::Line;
  std::vector<FixedPoint> points;
};

// A closed polygon: its start point, then records continuing from it. The
// polygon closes back to the start.
struct OutlinePolygon {
  FixedPoint start;
  std::vector<OutlineCurve> curves;
};

using NativeOutline = std::vector<OutlinePolygon>;

// Outlines of single characters. Implementations are not thread-safe.
class FontEngine {
 public:
  virtual ~FontEngine() = default;

  // The outline of one Unicode character in the described font, or nullopt
  // when no installed font has it. A character without contours (a space)
  // gives an empty outline. `japanese` asks for the Japanese fonts whatever
  // the description says; callers decide it for a whole text
  // (wants_japanese_fonts).
  virtual std::optional<NativeOutline> outline(const FontDescription& font, char32_t ch,
                                               bool japanese) = 0;

  // The family the description resolves to ("Arial" → "Liberation Sans"),
  // empty when nothing resolves.
  virtual std::string resolved_family(const FontDescription& font) = 0;

  // Families the engine can outline, sorted, without duplicates.
  virtual std::vector<std::string> outline_families() = 0;
};

// Japanese fonts are asked for once for a whole text: when its face name or
// any of its characters is not plain ASCII, or its character set is 128, every
// character comes from the Japanese request, so that the Latin letters of a
// mixed text keep one face. `text` is bytes (CP932 or UTF-8 alike).
bool wants_japanese_fonts(const FontDescription& font, std::string_view text);

// The process-wide FreeType/fontconfig engine, created on first use.
FontEngine& system_font_engine();

}  // namespace lumetch
