#pragma once

#include "geometry/glyph_file.h"
#include "geometry/mapping.h"
#include "model/mark_object.h"
#include "platform/canvas.h"

namespace lumetch {

// Generators of the two text types. Both read the object's glyph file (once
// per copy for line text) and draw nothing when it is missing or unreadable.
void DrawLineText(GeomContext& g, Canvas* dc, const MarkObject& obj);
void DrawArcText(GeomContext& g, Canvas* dc, const MarkObject& obj);
// The same with the glyph file given, already read.
void draw_line_text_with(GeomContext& g, Canvas* dc, const MarkObject& obj,
                         const GlyphFile& file);
void draw_arc_text_with(GeomContext& g, Canvas* dc, const MarkObject& obj,
                        const GlyphFile& file);

// The parameter angle at which the arc of the ellipse (a sin θ, b cos θ),
// measured from its top, reaches length s.
double ArcAngle(double a, double b, double s);

}  // namespace lumetch
