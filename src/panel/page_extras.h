#pragma once

#include "panel/property_page.h"

namespace lumetch {

// A page's own widgets and the code behind its buttons, added when the page
// is made.
void add_page_extras(CPropertyPage& page, const PageServices& services);

// Per family of pages, beside their own code.
void add_shape_page_extras(CPropertyPage& page, const PageServices& services);
void add_text_page_extras(CPropertyPage& page, const PageServices& services);
void add_drawing_page_extras(CPropertyPage& page, const PageServices& services);

}  // namespace lumetch
