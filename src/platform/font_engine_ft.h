#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <memory>
#include <optional>

#include "platform/font_engine.h"

namespace lumetch {

// A FreeType/fontconfig engine with its own font configuration. It always
// exists; when FreeType or fontconfig cannot start, every request answers
// "nothing" (nullopt, empty family, no families).
std::unique_ptr<FontEngine> make_freetype_font_engine();

// How outline coordinates map into the 800-unit cell: y' = scale_y * y and
// x' = scale_x * x + shear * y' (a shear after scaling keeps a synthetic
// oblique at the same slant whatever the face's proportions).
struct OutlineTransform {
  double scale_x = 1.0;
  double scale_y = 1.0;
  double shear = 0.0;
};

// The native form of a FreeType outline: per contour one polygon starting at
// an on-curve point, straight runs as line records, conic runs as
// quadratic-spline records, cubic arcs split into quadratic pieces within a
// tenth of a unit. Contours of fewer than two points enclose nothing and are
// left out. nullopt when the outline is malformed (bad contour ends, a cubic
// arc without exactly two controls, a contour with no on-curve point that is
// not all conic).
std::optional<NativeOutline> to_native_outline(const FT_Outline& outline,
                                               const OutlineTransform& transform);

}  // namespace lumetch
