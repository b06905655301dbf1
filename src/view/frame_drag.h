#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "model/cketral_doc.h"
#include "view/pick.h"

namespace lumetch {

// left, top, right, bottom in view units; top above bottom.
using FrameRect = std::array<double, 4>;
// [0] the rounded frame; [1..9] the handle squares row by row from the
// top-left (5 is the centre, which drags nothing of its own).
using HandleRects = std::array<std::array<int32_t, 4>, 10>;

// The handle squares of `frame` with handle half-side k, as they are drawn:
// centred on the corners and edge middles of the frame widened by 2k.
HandleRects handle_rects(const FrameRect& frame, int32_t k);

// The pointer shape over each entry of the handle rectangles; the widget
// maps it to its platform's cursor.
enum class CursorKind { Arrow, SizeAll, SizeNwSe, SizeNeSw, SizeNS, SizeWE };
CursorKind handle_cursor(int index);

// A press on the marks: the drag it starts (1 moves the frame, 2..10 drag
// handle mode − 1) and the cursor to show. All entries are tested and the
// last hit wins, so a handle inside the frame beats the frame and the centre
// square still moves the frame (showing the arrow). No hit: drag_mode -1.
struct HandleHit {
  int32_t drag_mode = -1;
  std::optional<CursorKind> cursor;
};
HandleHit handle_press(const HandleRects& rects, ViewPoint p);

// Whether edge handles may act: never for a keep-aspect current object or
// for several objects.
bool edge_handles_allowed(const CketralDoc& doc);

// One step of a drag by (dx, dy) view units. Corners keep the frame's
// proportions; a step that would leave the frame smaller than min_size, or
// not finite (a frame of no height or width cannot scale in proportion),
// is refused and the frame stays as it was.
FrameRect drag_frame(const FrameRect& frame, int32_t drag_mode, int32_t dx, int32_t dy,
                     double min_size, bool edges_allowed);

// A drag in progress: device-pixel mouse steps become view-unit steps of
// k/4 per pixel (Y flipped) applied to the frame one at a time.
class FrameDrag {
 public:
  FrameDrag(int32_t drag_mode, ViewPoint press_px, const FrameRect& frame, const ViewState& view,
            bool edges_allowed);
  void move_to(ViewPoint px);
  const FrameRect& frame() const { return frame_; }
  int32_t drag_mode() const { return mode_; }

 private:
  int32_t mode_;
  ViewPoint last_;
  FrameRect frame_;
  int32_t k_;
  double min_size_;
  bool edges_;
};

// The release: every selected object is mapped from the frame as drawn to
// the frame as dragged (centre, size, screen_rect, the gaps of arrays and
// the type's own size fields), as one undo step named `step_name`
// ("Move" or "Resize"); drawn_frame becomes the frame. A frame that did not
// change changes nothing and makes no step. Returns whether a step was made.
bool release_frame(CketralDoc& doc, const FrameRect& drawn, const FrameRect& frame,
                   const std::string& step_name);

// The type's block fields that follow its size after a resize by (sx, sy).
void sync_type_size(MarkObject& obj, double sx, double sy);

}  // namespace lumetch
