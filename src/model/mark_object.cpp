#include "model/mark_object.h"

#include "model/units.h"

namespace lumetch {

std::string_view object_prefix(int32_t type) {
  switch (type) {
    case LINE:
      return "line";
    case RECTANGLE:
      return "rectangle";
    case CIRCLE:
      return "circle";
    case LINE_TEXT:
      return "txt";
    case PLT:
      return "plt";
    case ARC_TEXT:
      return "txt";
    case BMP:
      return "bmp";
    case TRIANGLE:
      return "thrangle";
    case RHOMBIC:
      return "rhombic";
    case POLYGON:
      return "polygon";
    case BARCODE:
      return "barcode";
    case VCT:
      return "vct";
    default:
      return "";
  }
}

ScreenRect compute_screen_rect(const MarkObject& obj, int32_t z, int32_t origin_x,
                               int32_t origin_y) {
  const double two_z = 2.0 * z;
  ScreenRect r;
  r.left = nearest_int(two_z * (obj.cent_x - obj.width / 2) + origin_x);
  r.top = nearest_int(two_z * (obj.cent_y + obj.height / 2) - origin_y);
  r.right = nearest_int(two_z * (obj.cent_x + obj.width / 2) + origin_x);
  r.bottom = nearest_int(two_z * (obj.cent_y - obj.height / 2) - origin_y);
  return r;
}

}  // namespace lumetch
