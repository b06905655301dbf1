#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "geometry/mapping.h"
#include "model/mark_object.h"
#include "platform/canvas.h"

namespace lumetch {

// Nine elements, bar first, alternating bar and space; true = wide.
using Code39Pattern = std::array<bool, 9>;

// The pattern of one byte of a barcode text (lower case as upper case; bytes
// without a Code 39 character get the pattern of "1").
Code39Pattern code39_pattern(unsigned char c);

// Narrow element width for a symbol `size_x` wide holding `text_length` bytes
// between the start and stop characters, quiet zones included.
double code39_bar_width(double size_x, std::size_t text_length);

// Generator of the barcode: every bar (or, for display type 1, every space,
// gap and quiet zone) as one rectangle, per copy one contour list.
void DrawBarcode(GeomContext& g, Canvas* dc, const MarkObject& obj);

}  // namespace lumetch
