#pragma once

#include <memory>

#include "model/cketral_doc.h"
#include "model/edit.h"

namespace lumetch::test {

// A plain w × h rectangle about (cx, cy).
inline std::unique_ptr<MarkObject> rectangle(double cx, double cy, double w, double h) {
  auto o = std::make_unique<MarkObject>();
  o->type = RECTANGLE;
  o->cent_x = cx;
  o->cent_y = cy;
  o->width = w;
  o->height = h;
  o->params = RectangleParams{w, h, 0, 0, 0};
  return o;
}

// A document of plain rectangles, each added selected (the last current).
struct Desk {
  CketralDoc doc;
  MarkObject* add(double cx, double cy, double w, double h, int32_t keep_aspect = 0) {
    auto o = rectangle(cx, cy, w, h);
    o->keep_aspect = keep_aspect;
    Commit c(doc);
    MarkObject* obj = c.add(std::move(o));
    doc.selection.add(obj->id);
    doc.selection.set_current(obj->id);
    c.push("Create");
    return obj;
  }
};

}  // namespace lumetch::test
