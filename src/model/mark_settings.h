#pragma once

#include <array>
#include <cstdint>

namespace lumetch {

inline constexpr int kLayerCount = 8;

// Machine, marking and view settings, kept in "$.1". Field order is the file's.
struct MarkSettings {
  double disp_size = 100.0;
  double grid_size = 1.0;
  int32_t move_step = 3;
  double rate_x = 1.0;
  double rate_y = 1.0;
  double pen_x = 0.0;
  double pen_y = 0.0;
  int32_t change_xy = 0;
  int32_t change_x = 0;
  int32_t change_y = 0;
  int32_t pen_home = 1;
  int32_t mark_layer = 0;
  std::array<int32_t, kLayerCount> mark_num{1, 1, 1, 1, 1, 1, 1, 1};
  std::array<int32_t, kLayerCount> speed{8, 8, 8, 8, 8, 8, 8, 8};
  std::array<int32_t, kLayerCount> power{100, 100, 100, 100, 100, 100, 100, 100};
  std::array<int32_t, kLayerCount> pen_add{0, 0, 0, 0, 0, 0, 0, 0};
  double scan_cent_x = 0.0;
  double scan_cent_y = 0.0;
  double scan_size_x = 40.0;
  double scan_size_y = 40.0;
  int32_t resolution = 40;
  double scan_dot = 0.1;
  int32_t scan_outline = 0;
  int32_t scan_style_hz = 0;
  int32_t scan_style_yz = 0;
  int32_t convert_style = 0;
  int32_t output_style = 0;
  double mark_size_x = 100.0;
  double mark_size_y = 100.0;
  double locate_cent_x = 0.0;
  double locate_cent_y = 0.0;
  int32_t locate_style = 0;
  int32_t view_zoom_num = 9;

  bool operator==(const MarkSettings&) const = default;
};

}  // namespace lumetch
