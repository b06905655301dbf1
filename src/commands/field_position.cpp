#include "commands/field_position.h"

#include <cstddef>
#include <string>
#include <vector>

#include "model/units.h"

namespace lumetch {

namespace {

// The scanning-area rectangle centred on the field position, in millimetres.
struct FieldBox {
  double fx;  // field position
  double fy;
  double hx;  // half sizes
  double hy;
};

FieldBox field_box(const MarkSettings& s) {
  return {s.mark_size_x / 2 + s.locate_cent_x, s.mark_size_y / 2 + s.locate_cent_y,
          s.scan_size_x / 2, s.scan_size_y / 2};
}

// Layer 0's header. Unlike the engraving job's header it carries no "IN;" and
// goes out whatever the layer's power.
std::string outline_header(const CketralDoc& doc) {
  const MarkSettings& s = doc.settings;
  const std::string& stable = doc.view.stable_speed_cmd;
  std::string h = s.pen_add[0] != 0 ? stable : doc.view.variable_speed_cmd;
  if (stable != "SP1;" && stable != "sp1;") h += "DA" + std::to_string(s.power[0]) + ";";
  h += "VS" + std::to_string(s.speed[0]) + ";";
  return h;
}

struct Vertex {
  double x;
  double y;
};

}  // namespace

std::optional<MarkerPoint> reference_point(const MarkSettings& s) {
  // Side of each style's point: -1 left or bottom, 0 middle, 1 right or top.
  static constexpr int kSide[9][2] = {{0, 0},   {0, 1}, {0, -1}, {-1, 1}, {-1, 0},
                                      {-1, -1}, {1, 1}, {1, 0},  {1, -1}};
  if (s.locate_style < 0 || s.locate_style > 8) return std::nullopt;
  const int* side = kSide[s.locate_style];
  const FieldBox f = field_box(s);
  const double x = side[0] < 0 ? f.fx - f.hx : side[0] > 0 ? f.fx + f.hx : f.fx;
  const double y = side[1] < 0 ? f.fy - f.hy : side[1] > 0 ? f.fy + f.hy : f.fy;
  return MarkerPoint{nearest_int(x * s.rate_x * kUnitsPerMm),
                     nearest_int(y * s.rate_y * kUnitsPerMm)};
}

void MovePlotter(PenEmitter& pen) {
  if (const auto p = reference_point(pen.doc().settings)) pen.EmitMove(p->x, p->y, false);
}

void OutlineTest(PenEmitter& pen) {
  CketralDoc& doc = pen.doc();
  const MarkSettings& s = doc.settings;
  // A flag left over from an earlier action must not cut this test short.
  doc.stop_requested = 0;
  pen.Send(outline_header(doc));

  const FieldBox f = field_box(s);
  const double l = (f.fx - f.hx) * s.rate_x * kUnitsPerMm;
  const double r = (f.fx + f.hx) * s.rate_x * kUnitsPerMm;
  const double t = (f.fy + f.hy) * s.rate_y * kUnitsPerMm;
  const double b = (f.fy - f.hy) * s.rate_y * kUnitsPerMm;
  const double m = (l + r) / 2;
  const double n = (t + b) / 2;

  std::vector<Vertex> path;
  switch (s.scan_outline) {
    case 0:
      path = {{l, t}, {r, t}, {r, b}, {l, b}, {l, t}};
      break;
    case 1:
      pen.SendEllipse(nearest_int(l), nearest_int(t), nearest_int(r), nearest_int(b));
      break;
    case 2:
      path = {{m, t}, {r, n}, {m, b}, {l, n}, {m, t}};
      break;
    case 3:
      path = {{m, t}, {r, b}, {l, b}, {m, t}};
      break;
    case 4:
      path = {{m, b}, {r, t}, {l, t}, {m, b}};
      break;
    default:
      break;
  }
  // Once Escape stops a move (or the port fails) the rest is not traced: the
  // next pen-down move would mark a line from the last corner reached straight
  // across the shape.
  for (std::size_t i = 0; i < path.size() && doc.stop_requested == 0; ++i) {
    pen.EmitMove(nearest_int(path[i].x), nearest_int(path[i].y), i != 0);
  }
  // Pen up to the reference point even after a stop, as the job parks; the
  // pen is raised where it is when there is no such point.
  if (const auto p = reference_point(s)) {
    pen.ParkAt(p->x, p->y);
  } else {
    pen.Send("PU;");
  }
}

}  // namespace lumetch
