#pragma once

#include <cstdint>
#include <string>

#include "model/cketral_doc.h"

namespace lumetch {

// The speed and power commands sent before a layer's strokes, in the dialect
// of "fix.txt"; empty when the layer is not marked (no power, or none of the
// eight).
std::string layer_header(const CketralDoc& doc, int32_t layer);

}  // namespace lumetch
