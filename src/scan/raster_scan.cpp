#include "scan/raster_scan.h"

#include <algorithm>
#include <cmath>

#include "model/units.h"

namespace lumetch {

namespace {

// The formulas hold for lines inside the raster; for a line index outside it
// (|1 − t| of the ellipse grows past 1 there, the rhombus and triangles run
// on) they leave [0, size]. Clamping keeps every walk inside the raster.
ClipBounds clamped(int64_t lo, int64_t hi, int32_t size) {
  const int64_t top = std::max(size, 0);
  return {static_cast<int32_t>(std::clamp<int64_t>(lo, 0, top)),
          static_cast<int32_t>(std::clamp<int64_t>(hi, 0, top))};
}

// Half-width of the ellipse clip at a line `along` pixels into a span of
// `span` pixels, as the far bound across a line of `across` pixels.
int32_t ellipse_far(int32_t along, int32_t span, int32_t across) {
  const double d = along - span / 2.0;
  const double t = 4 * d * d / span / span;
  return nearest_int((std::sqrt(std::fabs(1 - t)) + 1) * across / 2);
}

// Near bound of the rhombus clip: the same formula for rows and columns.
int32_t rhombus_near(int32_t along, int32_t span, int32_t across) {
  const double f = static_cast<double>(along) / span;
  if (along > span / 2) return nearest_int((f - 0.5) * across);
  return nearest_int((0.5 - f) * across);
}

}  // namespace

ClipBounds scan_clip_row(int32_t outline, int32_t py, int32_t w, int32_t h) {
  switch (outline) {
    case 1: {
      const int32_t right = ellipse_far(py, h, w);
      return clamped(int64_t{w} - right, right, w);
    }
    case 2: {
      const int32_t left = rhombus_near(py, h, w);
      return clamped(left, int64_t{w} - left, w);
    }
    case 3: {
      const int32_t left = nearest_int((1 - static_cast<double>(py) / h) * w * 0.5);
      return clamped(left, int64_t{w} - left, w);
    }
    case 4: {
      const int32_t left = nearest_int(w * 0.5 * py / h);
      return clamped(left, int64_t{w} - left, w);
    }
    default:
      return clamped(0, w, w);
  }
}

ClipBounds scan_clip_column(int32_t outline, int32_t px, int32_t w, int32_t h) {
  switch (outline) {
    case 1: {
      const int32_t bottom = ellipse_far(px, w, h);
      return clamped(int64_t{h} - bottom, bottom, h);
    }
    case 2: {
      const int32_t top = rhombus_near(px, w, h);
      return clamped(top, int64_t{h} - top, h);
    }
    case 3: {
      const double slope = 2.0 * px * h / w;
      const int32_t top = px > w / 2 ? nearest_int(slope - h) : nearest_int(h - slope);
      return clamped(top, h, h);
    }
    case 4: {
      const int32_t bottom = px > w / 2
                                 ? nearest_int(2.0 * static_cast<double>(int64_t{w} - px) * h / w)
                                 : nearest_int(2.0 * px * h / w);
      return clamped(0, bottom, h);
    }
    default:
      return clamped(0, h, h);
  }
}

// The raster already sits at the scanning area's centre, which the object
// mapping puts on the field position; subtracting scan_cent here again would
// mark the scan that far away from where the objects and the outline test
// mark, so it is not subtracted.
int32_t pixel_marker_x(const MarkSettings& s, int32_t px) {
  const double mm = static_cast<double>(px) / s.resolution;
  return nearest_int(((s.mark_size_x / 2 + (mm - s.scan_size_x / 2)) + s.locate_cent_x) * s.rate_x *
                     kUnitsPerMm);
}

int32_t pixel_marker_y(const MarkSettings& s, int32_t py, int32_t h) {
  const double mm = static_cast<double>(int64_t{h} - py) / s.resolution;
  return nearest_int(((s.mark_size_y / 2 + (mm - s.scan_size_y / 2)) + s.locate_cent_y) * s.rate_y *
                     kUnitsPerMm);
}

namespace {

// Sends the runs of one scan line. Pixels are read straight from the raster's
// bytes: `at(i)` gives the byte offset and bit mask of the i-th pixel along
// the line, so one loop serves rows and columns.
class LineScanner {
 public:
  LineScanner(const ScanRaster& raster, PenEmitter& pen, std::FILE* file)
      : bits_(raster.bits().data()),
        stride_(raster.stride()),
        doc_(pen.doc()),
        s_(pen.doc().settings),
        pen_(pen),
        file_(file),
        h_(raster.height()),
        // Stored bits: 0 black, 1 white. Intaglio marks black, relief the rest.
        marked_bit_(s_.scan_style_yz == 0 ? 0u : 1u) {}

  enum class Outcome { Go, Stop, Failed };

  // Walks a row from `from` to `to` (either direction, both included).
  Outcome row(int32_t py, int32_t from, int32_t to) {
    const uint8_t* line = bits_ + static_cast<std::size_t>(py) * stride_;
    const int32_t y = pixel_marker_y(s_, py, h_);
    return walk(
        from, to,
        [line](int32_t px) {
          return (line[static_cast<std::size_t>(px) >> 3] >> (7 - (px & 7))) & 1u;
        },
        [this, y](int32_t a, int32_t b) {
          return run(pixel_marker_x(s_, a), y, pixel_marker_x(s_, b), y);
        });
  }

  // Walks a column from row `from` to row `to` (either direction, both included).
  Outcome column(int32_t px, int32_t from, int32_t to) {
    const uint8_t* column = bits_ + (static_cast<std::size_t>(px) >> 3);
    const int shift = 7 - (px & 7);
    const std::size_t stride = stride_;
    const int32_t x = pixel_marker_x(s_, px);
    return walk(
        from, to,
        [column, shift, stride](int32_t py) {
          return (column[static_cast<std::size_t>(py) * stride] >> shift) & 1u;
        },
        [this, x](int32_t a, int32_t b) {
          return run(x, pixel_marker_y(s_, a, h_), x, pixel_marker_y(s_, b, h_));
        });
  }

 private:
  template <class Bit, class Run>
  Outcome walk(int32_t from, int32_t to, Bit bit, Run send) {
    const int32_t dir = to >= from ? 1 : -1;
    const uint32_t want = marked_bit_;
    bool open = false;
    int32_t start = 0;
    for (int32_t i = from;; i += dir) {
      const bool marked = bit(i) == want;
      if (marked != open) {
        if (marked) {
          start = i;
        } else if (const Outcome o = send(start, i - dir); o != Outcome::Go) {
          return o;
        }
        open = marked;
      }
      if (i == to) break;
    }
    return open ? send(start, to) : Outcome::Go;
  }

  Outcome run(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    if (doc_.stop_requested != 0) return Outcome::Stop;
    if (!move(x1, y1, false)) return Outcome::Failed;
    // A pen-up stopped by Escape was not made: marking to the run's end
    // would draw a line from wherever the pen stands.
    if (doc_.stop_requested != 0) return Outcome::Stop;
    if (!move(x2, y2, true)) return Outcome::Failed;
    return Outcome::Go;
  }

  bool move(int32_t x, int32_t y, bool down) {
    if (file_ != nullptr) return pen_.EmitMoveToFile(x, y, down, file_);
    pen_.EmitMove(x, y, down);
    return true;
  }

  const uint8_t* bits_;
  std::size_t stride_;
  CketralDoc& doc_;
  const MarkSettings& s_;
  PenEmitter& pen_;
  std::FILE* file_;
  int32_t h_;
  uint32_t marked_bit_;
};

}  // namespace

bool RasterScan(const ScanRaster& raster, PenEmitter& pen, std::FILE* file) {
  const MarkSettings& s = pen.doc().settings;
  const int32_t w = raster.width();
  const int32_t h = raster.height();
  if (s.resolution <= 0 || w <= 0 || h <= 0) return true;
  const int32_t step = std::max(nearest_int(s.resolution * s.scan_dot), 1);
  LineScanner scanner(raster, pen, file);
  const bool vertical = s.scan_style_hz == 1;
  const int32_t lines = vertical ? w : h;
  JobProgress& progress = pen.progress();
  progress.columns = vertical;
  progress.rows_done = 0;
  progress.rows_total = lines > 1 ? (int64_t{lines} - 2) / step + 1 : 0;
  pen.pace_afresh();
  // 64-bit line index: a huge step must not wrap past the last line.
  for (int64_t line = 1; line < lines; line += step, ++progress.rows_done) {
    // Lines clipped away or without a run send nothing: they still see Escape.
    pen.work_step();
    if (pen.doc().stop_requested != 0) return true;
    const auto at = static_cast<int32_t>(line);
    const ClipBounds b = vertical ? scan_clip_column(s.scan_outline, at, w, h)
                                  : scan_clip_row(s.scan_outline, at, w, h);
    // The walk leaves out both bounds; nothing is left when they are close.
    const int32_t first = b.lo + 1;
    const int32_t last = b.hi - 1;
    if (first > last) continue;
    const bool backward = (at / step) % 2 == 0;
    const int32_t from = backward ? last : first;
    const int32_t to = backward ? first : last;
    const LineScanner::Outcome o =
        vertical ? scanner.column(at, from, to) : scanner.row(at, from, to);
    if (o == LineScanner::Outcome::Failed) return false;
    if (o == LineScanner::Outcome::Stop) return true;
  }
  return true;
}

}  // namespace lumetch
