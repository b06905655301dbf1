#include "commands/draw_object.h"

#include "geometry/barcode.h"
#include "geometry/basic_shapes.h"
#include "geometry/code_symbol.h"
#include "geometry/text_shapes.h"
#include "imports/bmp.h"
#include "imports/plt.h"
#include "imports/vct.h"

namespace lumetch {

bool has_generator(int32_t type) {
  // Every object type has its generator now.
  return is_object_type(type);
}

bool run_generator(GeomContext& g, Canvas* dc, const MarkObject& obj) {
  switch (obj.type) {
    case LINE:
      DrawLine(g, dc, obj);
      return true;
    case RECTANGLE:
      DrawRectangle(g, dc, obj);
      return true;
    case CIRCLE:
      DrawCircle(g, dc, obj);
      return true;
    case TRIANGLE:
      DrawTriangle(g, dc, obj);
      return true;
    case RHOMBIC:
      DrawRhombic(g, dc, obj);
      return true;
    case POLYGON:
      DrawPolygon(g, dc, obj);
      return true;
    case LINE_TEXT:
      DrawLineText(g, dc, obj);
      return true;
    case ARC_TEXT:
      DrawArcText(g, dc, obj);
      return true;
    case BARCODE:
      DrawBarcode(g, dc, obj);
      return true;
    case PLT:
      DrawPlt(g, dc, obj);
      return true;
    case BMP:
      DrawBmp(g, dc, obj);
      return true;
    case VCT:
      DrawVct(g, dc, obj);
      return true;
    case CODE:
      DrawCode(g, dc, obj);
      return true;
    default:
      return false;
  }
}

void DrawObject(GeomContext& g, Canvas* dc, const MarkObject& obj) {
  if (dc == nullptr) return;
  const Rgb colour = obj.layer >= 0 && obj.layer < 8
                         ? g.doc.view.layer_colours[static_cast<size_t>(obj.layer)]
                         : Rgb{};
  const Pen old_pen = dc->pen();
  const Brush old_brush = dc->brush();
  dc->set_pen(Pen{colour, 1, PenStyle::Solid});
  dc->set_brush(Brush{colour, false});
  run_generator(g, dc, obj);
  dc->set_pen(old_pen);
  dc->set_brush(old_brush);
}

}  // namespace lumetch
