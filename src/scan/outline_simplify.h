#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace lumetch {

struct TracePixel {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const TracePixel&) const = default;
};

// Beyond this distance from the chord a pixel makes a bend.
inline constexpr double kOutlineTolerance = 0.8;

// The vertices kept from a traced pixel path, its first pixel not included.
// From the last kept vertex V (initially the first pixel), each next pixel
// P is tested: if some pixel after V and before P lies more than the
// tolerance (PointLineDistance) off the line from V to P, the pixel before
// P is kept and becomes V. Long straight runs are decided in constant time
// per pixel, with the same result as testing every pixel.
void simplify_trace(std::span<const TracePixel> trace, std::vector<TracePixel>& kept);

}  // namespace lumetch
