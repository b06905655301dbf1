#pragma once

#include "geometry/mapping.h"
#include "model/mark_object.h"
#include "platform/canvas.h"

namespace lumetch {

// Generators of the six geometric shapes. Each draws or marks every copy of
// the object once on the target chosen for dc (null while marking). They never
// select pens or brushes and never send headers.
void DrawLine(GeomContext& g, Canvas* dc, const MarkObject& obj);
void DrawRectangle(GeomContext& g, Canvas* dc, const MarkObject& obj);
void DrawCircle(GeomContext& g, Canvas* dc, const MarkObject& obj);
void DrawTriangle(GeomContext& g, Canvas* dc, const MarkObject& obj);
void DrawRhombic(GeomContext& g, Canvas* dc, const MarkObject& obj);
void DrawPolygon(GeomContext& g, Canvas* dc, const MarkObject& obj);

}  // namespace lumetch
