#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "commands/object_style.h"
#include "model/cketral_doc.h"

namespace lumetch {

// Moving, resizing, centring and mirroring the selection from the keyboard
// and the toolbar, each an edit of its own. All of them do nothing while
// nothing is selected.

// The selection's frame in view units (left, top, right, bottom, Y up): the
// box of every copy of the selected objects at the view's zoom and origin.
// Nullopt when nothing is selected.
std::optional<std::array<double, 4>> selection_frame(const CketralDoc& doc);

// The current step S in mm.
double current_step(const CketralDoc& doc);

// The step table is circular: larger after the largest gives the smallest.
// Returns the status text "当前步距值=  0.50mm".
std::string step_larger(CketralDoc& doc);
std::string step_smaller(CketralDoc& doc);

enum class MoveMode : int32_t {
  Centre = 0,           // the frame's centre to the field centre
  CentreLeftRight = 1,  // X only
  CentreTopBottom = 2,  // Y only
  Left = 3,
  Right = 4,
  Up = 5,
  Down = 6,
};

// Moves every selected object by the same amount; nudges by the step merge
// into one undo step while the same key is held. Returns the repaint area
// (largest turned extents, angle 90), nullopt when nothing moved.
std::optional<StyleInvalidate> MoveSelection(CketralDoc& doc, MoveMode mode);

enum class ResizeMode : int32_t {
  Narrower = 0,  // Home
  Wider = 1,     // Page Up
  Lower = 2,     // End
  Taller = 3,    // Page Down
};

// Grows or shrinks the selection's frame by the step about its centre and
// scales every selected object into it, with the type sizes and the array
// gaps; in proportion when several objects are selected or the current one
// keeps its aspect. A shrink to nothing is refused (nullopt).
std::optional<StyleInvalidate> ResizeSelection(CketralDoc& doc, ResizeMode mode);

// Scales every selected object by (sx, sy) about the selection frame's
// centre, with the type sizes and array gaps, as one step (merging by
// `merge_key`). Factors that are not positive and finite change nothing.
std::optional<StyleInvalidate> ScaleSelection(CketralDoc& doc, double sx, double sy,
                                              const std::string& step_name,
                                              const std::string& merge_key);

// Toggles mirror_x (x = true) or mirror_y of every selected object.
std::optional<StyleInvalidate> MirrorSelection(CketralDoc& doc, bool x);

// The Delete key: removes the selected objects; nothing selected, nothing done.
bool DeleteSelection(CketralDoc& doc);

}  // namespace lumetch
