#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/cketral_doc.h"

namespace lumetch {

// The box of a set of marker points, in units before mirror and swap.
struct MoveBox {
  int32_t min_x = 0;
  int32_t min_y = 0;
  int32_t max_x = 0;
  int32_t max_y = 0;
  bool empty = true;

  void add(int32_t x, int32_t y);
  void add(const MoveBox& other);
};

// Where an engraving job's moves would go, against the marking field
// (0 … mark_size × rate × 40 units on each axis).
struct FieldCheck {
  struct Outside {
    std::string name;      // the object's name, "the scanning area" or "the park position"
    MoveBox box;           // all its moves
    double beyond_mm = 0;  // how far the farthest move lies outside the field
  };
  int32_t field_x = 0;  // the field's extent in units
  int32_t field_y = 0;
  std::vector<Outside> outside;  // in marking order
  bool inside() const { return outside.empty(); }
};

// Works out, without sending anything, which parts of the job Engrave would
// run leave the field: each marked object by a dry run of its
// generator (a copy array by its four corner copies, which bound it), the
// scanning area of a raster job, and the park position. The document is left
// as it was.
FieldCheck CheckJobField(CketralDoc& doc);

// The operator's warning: how far, and which parts; empty when all is inside.
std::string describe_outside(const FieldCheck& check);

}  // namespace lumetch
