#pragma once

#include <string_view>

namespace lumetch {

// A single-stroke font for plot labels, printable ASCII only. A glyph is
// strokes separated by blanks; a stroke is points of two hex digits each, x
// 0..8 across the character, y 0..C with the baseline at 3 and capitals
// reaching B. A stroke of one repeated point is a dot. Empty for a blank and
// for characters the font does not have.
std::string_view stroke_glyph(char c);
bool has_stroke_glyph(char c);

inline constexpr int kGlyphWidth = 8;
inline constexpr int kGlyphBaseline = 3;
inline constexpr int kGlyphCapHeight = 8;  // baseline to capital top

}  // namespace lumetch
