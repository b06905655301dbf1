#pragma once

#include "geometry/mapping.h"
#include "model/mark_object.h"
#include "platform/canvas.h"

namespace lumetch {

// True for the types whose generator is built in.
bool has_generator(int32_t type);

// Calls the generator of the object's type; codes without a generator draw nothing.
// Returns false when the type has no generator.
bool run_generator(GeomContext& g, Canvas* dc, const MarkObject& obj);

// Screen and raster drawing of one object: pen and brush in its layer colour
// around the generator, the canvas's previous pen and brush restored after.
void DrawObject(GeomContext& g, Canvas* dc, const MarkObject& obj);

}  // namespace lumetch
