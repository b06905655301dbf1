#include "commands/header_edit.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "commands/arrange.h"
#include "commands/page_table.h"
#include "model/edit.h"
#include "platform/text_file.h"

namespace lumetch {

namespace {

bool is_count(HeaderField f) {
  return f == HeaderField::Rows || f == HeaderField::Columns;
}

// The length or angle a box edits; const or not as the object is.
template <class Obj>
auto length_field(Obj& o, HeaderField f) -> decltype(&o.cent_x) {
  switch (f) {
    case HeaderField::CentX:
      return &o.cent_x;
    case HeaderField::CentY:
      return &o.cent_y;
    case HeaderField::Width:
      return &o.width;
    case HeaderField::Height:
      return &o.height;
    case HeaderField::Angle:
      return &o.angle;
    case HeaderField::RowGap:
      return &o.row_gap;
    case HeaderField::ColumnGap:
      return &o.column_gap;
    default:
      return nullptr;
  }
}

std::string_view field_name(HeaderField f) {
  constexpr std::string_view kNames[] = {"cent_x", "cent_y",  "width",   "height",    "angle",
                                         "rows",   "columns", "row_gap", "column_gap"};
  return kNames[static_cast<int32_t>(f)];
}

// A shape's own sizes are the header's: the size boxes set both. (Texts and
// barcodes derive theirs by rules of their own pages.)
void sync_shape_size(MarkObject& o) {
  if (auto* p = o.block<RectangleParams>()) p->size_x = o.width, p->size_y = o.height;
  if (auto* p = o.block<CircleParams>()) p->size_x = o.width, p->size_y = o.height;
  if (auto* p = o.block<TriangleParams>()) p->size_x = o.width, p->size_y = o.height;
  if (auto* p = o.block<RhombicParams>()) p->size_x = o.width, p->size_y = o.height;
  if (auto* p = o.block<PolygonParams>()) p->size = o.width;
  if (auto* p = o.block<BmpBlock>()) p->image_width = o.width, p->image_height = o.height;
  if (auto* p = o.block<PltBlock>()) p->init_width = o.width, p->init_height = o.height;
  if (auto* p = o.block<VctBlock>()) p->init_width = o.width, p->init_height = o.height;
}

}  // namespace

std::string header_text(const MarkObject& obj, HeaderField field) {
  if (field == HeaderField::Rows) return std::to_string(obj.rows);
  if (field == HeaderField::Columns) return std::to_string(obj.columns);
  return page::fixed(*length_field(obj, field));
}

HeaderEdit apply_header_text(CketralDoc& doc, HeaderField field, std::string_view text) {
  HeaderEdit result;
  MarkObject* obj = current_object(doc);
  if (obj == nullptr) return result;
  if (is_count(field)) {
    const int64_t n = page::read_count(text);
    const int64_t other = field == HeaderField::Rows ? obj->columns : obj->rows;
    if (n < 0 || n > kMaxCopies || (n > 0 && other > kMaxCopies / n)) {
      result.status = "An array of " + std::to_string(n) +
                      (field == HeaderField::Rows ? " rows" : " columns") +
                      " is refused: at most " + std::to_string(kMaxCopies) + " copies.";
      return result;
    }
  }
  Commit commit(doc);
  commit.modify(*obj);
  if (field == HeaderField::Rows) {
    obj->rows = static_cast<int32_t>(page::read_count(text));
  } else if (field == HeaderField::Columns) {
    obj->columns = static_cast<int32_t>(page::read_count(text));
  } else {
    double& v = *length_field(*obj, field);
    const double old = v;
    v = page::read_measure(text);
    // Keep aspect: the other size follows in proportion.
    const bool size = field == HeaderField::Width || field == HeaderField::Height;
    if (size && obj->keep_aspect == 1 && old != 0) {
      const HeaderField other =
          field == HeaderField::Width ? HeaderField::Height : HeaderField::Width;
      double& o = *length_field(*obj, other);
      o = o * v / old;
    }
    if (size) sync_shape_size(*obj);
  }
  doc.update_screen_rect(*obj);
  commit.push("Edit " + std::string(field_name(field)),
              "header " + std::to_string(obj->id) + " " + std::string(field_name(field)));
  result.applied = true;
  result.area = {obj->width, obj->height, obj->angle};
  return result;
}

}  // namespace lumetch
