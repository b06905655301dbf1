#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/cketral_doc.h"

namespace lumetch {

// A point in view units (0.01 mm at true size, Y up).
struct ViewPoint {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const ViewPoint&) const = default;
};

// Half-open in both axes once normalised: the lower edges belong to the
// rectangle, the upper ones do not.
bool rect_contains(const std::array<int32_t, 4>& ltrb, ViewPoint p);

// Where a click picks an object, for the copy placed about the object's centre.
// Hollow shapes are picked on their band, not in their interior.
struct PickRegion {
  enum class Kind { None, Rect, RectBand, PolygonBand };
  Kind kind = Kind::None;
  std::array<int32_t, 4> outer_rect{};  // Rect, RectBand (left, top, right, bottom)
  std::array<int32_t, 4> inner_rect{};  // RectBand; empty when the band fills the box
  bool inner_empty = false;
  std::vector<ViewPoint> outer;     // PolygonBand, closed
  std::vector<ViewPoint> inner;     // PolygonBand; empty: no hole
  std::array<int32_t, 4> bounds{};  // left, bottom, right, top of everything that can contain

  bool contains(ViewPoint p) const;
};

// The region of `obj` at the view's zoom and origin.
PickRegion pick_region(const MarkObject& obj, const ViewState& view);

// Whether `p` falls on any copy of the object's array. Only the copies whose
// place can hold the point are tested, so the cost does not grow with the
// number of copies; `copies_tested`, when given, receives how many were.
bool picks(const MarkObject& obj, const PickRegion& region, const ViewState& view, ViewPoint p,
           std::size_t* copies_tested = nullptr);

// What a press with the left button does when it is on no handle.
enum class PressOutcome {
  Single,  // one object picked: its page, its list row
  Group,   // several: the group page, list entry 0
  Band,    // nothing (or Ctrl with one first hit): a rubber band begins
};

struct PickResult {
  Selection selection;
  PressOutcome outcome = PressOutcome::Band;
};

// The selection a click at `p` makes: without Ctrl every object under the
// pointer, the newest current; with Ctrl those are added to the selection.
PickResult pick_at(const CketralDoc& doc, ViewPoint p, bool ctrl);

// The selection when a rubber band from `anchor` to `corner` is released:
// objects wholly inside (their screen_rect) are taken; without Ctrl the
// others are dropped.
Selection band_select(const CketralDoc& doc, ViewPoint anchor, ViewPoint corner, bool ctrl);

// Makes `sel` the document's selection (told to the observer, not an undo step).
void apply_selection(CketralDoc& doc, const Selection& sel);

}  // namespace lumetch
