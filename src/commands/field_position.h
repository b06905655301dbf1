#pragma once

#include <cstdint>
#include <optional>

#include "marker/pen_emitter.h"
#include "model/mark_settings.h"

namespace lumetch {

struct MarkerPoint {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const MarkerPoint&) const = default;
};

// The reference point of locate_style (0 centre … 8 right bottom) of the
// scanning-area rectangle laid around the field position, in marker units
// before mirror and swap; nullopt for a style outside 0..8.
std::optional<MarkerPoint> reference_point(const MarkSettings& s);

// One pen-up move to the reference point (none for a style outside 0..8).
void MovePlotter(PenEmitter& pen);

// Layer 0's header, the scanning outline traced at the field position, then
// MovePlotter.
void OutlineTest(PenEmitter& pen);

}  // namespace lumetch
