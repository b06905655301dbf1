#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "model/cketral_doc.h"
#include "platform/operator.h"

namespace lumetch {

// What the view must repaint after a style change: InvalidateSelection's
// three arguments.
struct StyleInvalidate {
  double width = 0.0;
  double height = 0.0;
  double angle = 0.0;
  bool operator==(const StyleInvalidate&) const = default;
};

// Widens `area` to the object's turned extents (sin |angle| × width and
// × height), the repaint of a change to a turned object.
void widen_to_turned(StyleInvalidate& area, const MarkObject& obj);

// When each command may run, by the selection kind (0 none, -1 several,
// 1..12 the type of the one selected object).
bool colour_box_allowed(const CketralDoc& doc);
bool output_mode_allowed(const CketralDoc& doc);
bool font_allowed(const CketralDoc& doc);

// Colour box.

// The layer the colour box opens with: that of the oldest selected object,
// 0 when nothing is selected or its layer is none of the eight.
int32_t opening_layer(const CketralDoc& doc);

// Puts every selected object on `layer` (0..7; anything else changes
// nothing). Returns the largest turned extents of the selection with angle 90
// for the repaint. The creation defaults stay as they are.
StyleInvalidate apply_layer(CketralDoc& doc, int32_t layer);

// Output mode.

// A radio group with no button checked.
inline constexpr int32_t kNoneChecked = -1;

// "%7.3f", as the number boxes (the pitch box, the property pages) show a
// length.
std::string box_text(double pitch);

// A number box's text read as the boxes read it: the decimal number at the
// start of its first 9 characters; nothing readable is 0.
double read_box_text(std::string_view text);

// Sets output mode, fill direction and fill pitch of `current` and copies
// them into the creation defaults of its type (a BMP keeps only the pitch
// there). A mode or direction of kNoneChecked, or outside its buttons' range,
// leaves that field as it was. False, with nothing changed, when there is no
// current object or it is a plot (plots have no output style).
bool apply_output_mode(CketralDoc& doc, int32_t mode, int32_t direction, double pitch);

// The repaint of `current` after an edit: its own size and angle.
StyleInvalidate current_area(const CketralDoc& doc);

// Font.

// A font as the chooser hands it back. The face is UTF-8; weight on the
// 100..900 scale (0 regular); italic 0 or 1; charset 128 for Japanese.
struct FontChoice {
  std::string face;
  int32_t weight = 0;
  int32_t italic = 0;
  int32_t charset = 0;
  bool operator==(const FontChoice&) const = default;
};

// The font of `current`'s text block, the chooser's starting point; an
// empty face when `current` is no text.
FontChoice current_font(const CketralDoc& doc);

// Gives `current` (a line or arc text) the chosen face, weight, italic flag
// and character set, writes them into the text type's creation defaults and
// the document's outline font, and rewrites the text's glyph file. A face
// the layout files cannot hold (no CP932 form) or a glyph file that cannot
// be written is said through `op` and nothing changes: the old glyph file
// stays and matches the old font. False then, and when `current` is no text.
bool apply_font(CketralDoc& doc, const FontChoice& choice, Operator& op);

}  // namespace lumetch
