#pragma once

#include <cstdint>
#include <limits>

namespace lumetch {

// Marker units per millimetre, before the per-axis scale factors.
inline constexpr int32_t kUnitsPerMm = 40;

// Rounds to the nearest integer, halves away from zero. Every conversion from
// millimetres to marker units, view units or pixels goes through here.
// Values beyond the int32 range saturate instead of overflowing.
constexpr int32_t nearest_int(double v) {
  constexpr double kMax = static_cast<double>(std::numeric_limits<int32_t>::max());
  constexpr double kMin = static_cast<double>(std::numeric_limits<int32_t>::min());
  const double r = v >= 0 ? v + 0.5 : v - 0.5;
  if (!(r == r)) return 0;  // NaN
  if (r >= kMax) return std::numeric_limits<int32_t>::max();
  if (r <= kMin) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(r);
}

}  // namespace lumetch
