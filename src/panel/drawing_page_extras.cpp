// The "drawing" pages' own widgets and buttons: the field preview, the
// conversion, the plotter moves and the outline test; and the group page.

#include "panel/page_extras.h"

namespace lumetch {

void add_drawing_page_extras(CPropertyPage& /*page*/, const PageServices& /*services*/) {}

}  // namespace lumetch
