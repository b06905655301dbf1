#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/rgb.h"

namespace lumetch {

inline constexpr std::array<int32_t, 14> kZoomTable{1,  2,  5,  8,   10,  15,  20,
                                                    30, 50, 80, 100, 120, 160, 200};
inline constexpr std::array<double, 8> kStepTable{0.05, 0.1, 0.2, 0.5, 1.0, 2.0, 5.0, 10.0};
inline constexpr std::array<Rgb, 8> kLayerColours{{{0, 0, 0},
                                                   {255, 0, 0},
                                                   {255, 255, 0},
                                                   {0, 255, 0},
                                                   {0, 255, 255},
                                                   {0, 0, 255},
                                                   {255, 0, 255},
                                                   {255, 255, 255}}};

// Default speed-mode commands, used when "fix.txt" gives none.
inline constexpr const char* kDefaultStableSpeedCmd = "SP1;";
inline constexpr const char* kDefaultVariableSpeedCmd = "SP2;";

// The selection's box and handles, shared by the view and the panel (its kind
// is derived from the selection: selection_kind()).
struct SelectionFrame {
  std::array<double, 4> frame{};  // left, top, right, bottom in view units
  std::array<double, 4> drawn_frame{};
  std::array<std::array<int32_t, 4>, 10> handle_rects{};
  int32_t echo_guard = 0;
};

// The window-free part of the editing view that generators and jobs read.
struct ViewState {
  std::array<Rgb, 8> layer_colours = kLayerColours;
  int32_t saved_zoom_index = 9;
  int32_t zoom_index = 9;
  std::array<int32_t, 14> zoom_table = kZoomTable;
  int32_t origin_x = 16000;
  int32_t origin_y = 16000;
  int32_t handle_size = 100;
  std::array<double, 8> step_table = kStepTable;
  int32_t printing = 0;
  int32_t grid_on = 1;
  int32_t saved_grid_on = 1;
  std::string stable_speed_cmd = kDefaultStableSpeedCmd;
  std::string variable_speed_cmd = kDefaultVariableSpeedCmd;
  SelectionFrame selection;
  // The character the single-character page edits (0-based). Kept across
  // selections like the page's own choice; readers clamp it to the text.
  int32_t per_word_index = 0;

  // Zoom factor Z of the current zoom index; an index out of range reads its nearest end.
  int32_t zoom() const {
    const int32_t last = static_cast<int32_t>(zoom_table.size()) - 1;
    const int32_t i = zoom_index < 0 ? 0 : (zoom_index > last ? last : zoom_index);
    return zoom_table[static_cast<std::size_t>(i)];
  }
};

}  // namespace lumetch
