#pragma once

#include <cstdint>

namespace lumetch {

// A colour as the canvases and the layer table take it.
struct Rgb {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  bool operator==(const Rgb&) const = default;
};

}  // namespace lumetch
