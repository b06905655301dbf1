#pragma once

#include <memory>
#include <utility>

#include "model/cketral_doc.h"
#include "model/units.h"
#include "view/pick.h"

namespace lumetch::test {

// A document at true-size zoom: one field millimetre is 100 view units.
struct ViewDoc {
  CketralDoc doc;
  ViewDoc() { doc.view.zoom_index = 8; }

  template <class Block = std::monostate>
  MarkObject* add(int32_t type, double cx, double cy, double w, double h, Block block = {}) {
    Commit c(doc);
    auto r = std::make_unique<MarkObject>();
    r->type = type;
    r->cent_x = cx;
    r->cent_y = cy;
    r->width = w;
    r->height = h;
    r->params = std::move(block);
    MarkObject* o = c.add(std::move(r));
    doc.update_screen_rect(*o);
    c.push("Create");
    return o;
  }
  // The view point of a field point.
  ViewPoint at(double x, double y) const {
    const double z = doc.view.zoom();
    return {nearest_int(2 * z * x + doc.view.origin_x), nearest_int(2 * z * y - doc.view.origin_y)};
  }
};

}  // namespace lumetch::test
