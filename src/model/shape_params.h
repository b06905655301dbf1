#pragma once

#include <cstdint>

namespace lumetch {

// Parameter blocks of the six geometric shapes.

struct LineParams {
  double size_x = 0.0;  // initial length
  double size_y = 0.0;  // initial thickness
  bool operator==(const LineParams&) const = default;
};

struct RectangleParams {
  double size_x = 0.0;
  double size_y = 0.0;
  double edge_size = 0.0;
  double edge_radius = 0.0;
  int32_t edge_style = 0;  // 0 right-angle, 1 round, 2 bevelled
  bool operator==(const RectangleParams&) const = default;
};

struct CircleParams {
  double size_x = 0.0;
  double size_y = 0.0;
  double edge_size = 0.0;
  bool operator==(const CircleParams&) const = default;
};

struct TriangleParams {
  double size_x = 0.0;
  double size_y = 0.0;
  double edge_size = 0.0;
  int32_t direction = 0;  // 0 apex up, 1 apex down
  bool operator==(const TriangleParams&) const = default;
};

struct RhombicParams {
  double size_x = 0.0;
  double size_y = 0.0;
  double edge_size = 0.0;
  bool operator==(const RhombicParams&) const = default;
};

struct PolygonParams {
  double size = 0.0;
  double edge_size = 0.0;
  int32_t edge_count = 0;
  bool operator==(const PolygonParams&) const = default;
};

}  // namespace lumetch
