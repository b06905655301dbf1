#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <variant>

#include "model/import_params.h"
#include "model/shape_params.h"
#include "model/text_params.h"

namespace lumetch {

// Type codes as stored in layout files; 0 is "no object" and the "drawing" entry.
enum ObjectType : int32_t {
  NONE = 0,
  LINE = 1,
  RECTANGLE = 2,
  CIRCLE = 3,
  LINE_TEXT = 4,
  PLT = 5,
  ARC_TEXT = 6,
  BMP = 7,
  TRIANGLE = 8,
  RHOMBIC = 9,
  POLYGON = 10,
  BARCODE = 11,
  VCT = 12,
};

inline constexpr bool is_object_type(int32_t code) {
  return code >= LINE && code <= VCT;
}

// Object-list prefix of a type ("" for codes outside 1..12).
std::string_view object_prefix(int32_t type);

// The parameter block of an object, owned by it. Types whose blocks are not
// defined yet carry std::monostate.
using ParamBlock =
    std::variant<std::monostate, LineParams, RectangleParams, CircleParams, TriangleParams,
                 RhombicParams, PolygonParams, LineTextParams, ArcTextParams, BarcodeParams,
                 PltBlock, BmpBlock, VctBlock>;

struct ScreenRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  bool operator==(const ScreenRect&) const = default;
};

struct MarkObject {
  int32_t rows = 1;
  int32_t columns = 1;
  double row_gap = 0.0;
  double column_gap = 0.0;
  double cent_x = 0.0;
  double cent_y = 0.0;
  double width = 0.0;
  double height = 0.0;
  double angle = 0.0;
  ScreenRect screen_rect;
  int32_t layer = 0;
  int32_t type = NONE;
  int32_t selected = 0;
  int32_t keep_aspect = 0;
  int32_t output_mode = 0;
  double fill_pitch = 0.05;
  int32_t fill_direction = 0;
  int32_t mirror_x = 0;
  int32_t mirror_y = 0;
  ParamBlock params;
  // Ring links; the ring owns the records, these never do.
  MarkObject* next = nullptr;  // towards the end sentinel (older)
  MarkObject* prev = nullptr;  // towards the head sentinel (newer)

  template <class Block>
  Block* block() {
    return std::get_if<Block>(&params);
  }
  template <class Block>
  const Block* block() const {
    return std::get_if<Block>(&params);
  }
};

// screen_rect of one copy-sized box about the centre, for zoom factor z and
// the view's origin offsets.
ScreenRect compute_screen_rect(const MarkObject& obj, int32_t z, int32_t origin_x,
                               int32_t origin_y);

}  // namespace lumetch
