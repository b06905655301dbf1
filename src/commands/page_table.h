#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "commands/object_style.h"
#include "model/cketral_doc.h"

namespace lumetch {

// The property pages as data: every control of a page with its label, how
// it shows the document and what a change of it does. The window builds the
// widgets from these tables; everything a control does to the document is
// here, as edits of the edit layer, so it can be tested and undone.

enum class PageId : uint8_t {
  Mark,
  Scan,
  Locate,
  Line,
  Rect,
  Circle,
  Triangle,
  Rhombic,
  Polygon,
  Barcode,
  LineText,
  ArcText,
  PerWord,
  Plt,
  Bmp,
  Vct,
  Group,
  Code,
};

enum class RowKind : uint8_t {
  Measure,  // a number box: mm, degrees or a scale; spins by the current step
  Count,    // a whole-number box; spins by 1
  Check,    // a tick box: text "0" or "1"
  Choice,   // radio buttons in a group box: text is the chosen index
  Combo,    // a drop-down list: text is the chosen index
  Line,     // a one-line text box applied on every change
  Text,     // a multi-line text box applied by a button of the page
  Button,   // a push button; what it does is the page's own code
};

// What the window repaints after a change of a control.
enum class PageRepaint : uint8_t {
  None,
  Selection,  // the current object's (or the selection's) area, PageEdit::area
  ScanArea,   // the band along the scanning-area outline, before and after
  View,       // the whole editing view
  Preview,    // the page's own picture
};

struct PageEdit {
  bool applied = false;
  std::string status;    // why the change was refused, for the status bar
  StyleInvalidate area;  // for PageRepaint::Selection
};

// Which control changes which object: consecutive changes with the same
// `merge` key are one undo step, named after the control's label.
struct RowKey {
  std::string merge;
  std::string_view label;
};

// Texts are UTF-8 here; the document keeps CP932 bytes.
using RowRead = std::string (*)(const CketralDoc& doc);
using RowApply = PageEdit (*)(CketralDoc& doc, std::string_view text, const RowKey& key);

struct PageRow {
  int32_t id = 0;  // the control's number; widgets are named "c<id>"
  std::string_view label;
  RowKind kind = RowKind::Measure;
  RowRead read = nullptr;    // null for buttons
  RowApply apply = nullptr;  // null: typing stores nothing; the page's own code acts
  // Choice and Combo: the entries; Choice: the group box title in `group`.
  std::span<const std::string_view> choices{};
  std::string_view group{};
  bool spins = true;  // Measure and Count boxes have spin buttons
  PageRepaint repaint = PageRepaint::Selection;
  // A spin step (after it is applied, when the row applies) is also handed to
  // the page's own code: the pen or plotter moves at once.
  bool acts_on_spin = false;
  // A Line box applied when it is left or Enter is pressed instead of on
  // every keystroke: for texts whose partial forms are refused ("[01" of a
  // GS1 datum, "{date:" of a field).
  bool applies_when_done = false;
};

struct PageDef {
  PageId id{};
  std::string_view title;
  std::span<const PageRow> rows;
};

const PageDef& page_def(PageId id);
// The pages a selection kind shows, in tab order (0 nothing, -1 several,
// 1..13 an object type).
std::vector<PageId> pages_for_kind(int32_t kind);

const PageRow* find_row(PageId page, int32_t id);
// What control `id` of `page` shows now; empty for an unknown control.
std::string row_text(const CketralDoc& doc, PageId page, int32_t id);
// A change of control `id`: typed text, "0"/"1" for ticks, the index for
// choices. Nothing happens while the ring is empty on an object page.
PageEdit apply_row(CketralDoc& doc, PageId page, int32_t id, std::string_view text);
// A spin button's step on the text of a box: counts by 1, measures by the
// current step; nullopt where the box does not spin or a count would go
// below 0.
std::optional<std::string> spin_row(const CketralDoc& doc, PageId page, int32_t id,
                                    std::string_view text, bool up);

// Helpers for the tables of each family of pages.
namespace page {

// "%7.3f".
std::string fixed(double v);
// A box reads its first nine characters: the C rule for numbers (not a
// number reads 0) and decimal integers for counts.
double read_measure(std::string_view text);
int64_t read_count(std::string_view text);

// The current object when it is of `type` (any type for 0), else null.
MarkObject* current_of(CketralDoc& doc, int32_t type = 0);
const MarkObject* current_of(const CketralDoc& doc, int32_t type = 0);

// One change of the current object as an undo step. `change` gets the staged object and returns false to
// refuse (nothing is kept); the object's screen rectangle follows, and
// PageEdit::area is its size and angle.
PageEdit change_current(CketralDoc& doc, const RowKey& key,
                        const std::function<bool(MarkObject&, PageEdit&)>& change);
// One change of the settings, the defaults or the selection's objects as an
// undo step; `change` returns false to refuse.
PageEdit change_document(CketralDoc& doc, const RowKey& key,
                         const std::function<bool(CketralDoc&, PageEdit&)>& change);

// The block of the current object, for reads; a default block when there is
// no such object.
template <class Block>
const Block& current_block(const CketralDoc& doc) {
  static const Block kNone{};
  const MarkObject* o = current_of(doc);
  const Block* b = o != nullptr ? o->block<Block>() : nullptr;
  return b != nullptr ? *b : kNone;
}

}  // namespace page

// The tables of each family, defined beside their page-specific code.
std::span<const PageRow> shape_page_rows(PageId id);
std::span<const PageRow> text_page_rows(PageId id);
std::span<const PageRow> settings_page_rows(PageId id);
std::span<const PageRow> code_page_rows();

}  // namespace lumetch
