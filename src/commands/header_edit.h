#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "commands/object_style.h"
#include "model/cketral_doc.h"

namespace lumetch {

// The header edits every object page shares: offset, size, angle and the
// copy array of the current object, applied on every change of a box.

enum class HeaderField : int32_t {
  CentX,
  CentY,
  Width,
  Height,
  Angle,
  Rows,
  Columns,
  RowGap,
  ColumnGap,
};

// An array of more copies than this is refused: every repaint and job would
// walk them all.
inline constexpr int64_t kMaxCopies = 1'000'000;

struct HeaderEdit {
  bool applied = false;
  std::string status;  // why it was refused, for the status bar
  StyleInvalidate area;  // the current object's size and angle, for the repaint
};

// What a box shows: "%7.3f" for lengths and angles, decimal for counts.
std::string header_text(const MarkObject& obj, HeaderField field);

// The text of a box applied to the current object as one edit; consecutive
// edits of one box merge into one undo step. At most the first 9 characters
// count; a text that is no number reads as 0. Counts that are negative or
// make more than kMaxCopies copies are refused and the field keeps its value.
HeaderEdit apply_header_text(CketralDoc& doc, HeaderField field, std::string_view text);

}  // namespace lumetch
