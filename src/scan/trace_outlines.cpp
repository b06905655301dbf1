#include "scan/trace_outlines.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#include "platform/text_file.h"
#include "scan/outline_simplify.h"
#include "scan/raster_scan.h"

namespace lumetch {

namespace {

// The eight neighbours, numbered as the tracer turns through them, rows
// growing downward: 0 left, then counter-clockwise on the screen.
constexpr int32_t kDx[8] = {-1, -1, 0, 1, 1, 1, 0, -1};
constexpr int32_t kDy[8] = {0, 1, 1, 1, 0, -1, -1, -1};

using Pixel = TracePixel;

// One bit per pixel, set = black, leftmost pixel in the most significant
// bit, padding bits clear. Tests outside the image see white.
class BitImage {
 public:
  BitImage(int32_t w, int32_t h)
      : w_(w),
        h_(h),
        stride_((static_cast<std::size_t>(w) + 7) / 8),
        bits_(stride_ * static_cast<std::size_t>(h)) {}

  int32_t width() const { return w_; }
  int32_t height() const { return h_; }
  std::size_t stride() const { return stride_; }
  uint8_t* row(int32_t y) { return bits_.data() + static_cast<std::size_t>(y) * stride_; }
  const uint8_t* row(int32_t y) const {
    return bits_.data() + static_cast<std::size_t>(y) * stride_;
  }

  bool black(int32_t x, int32_t y) const {
    if (static_cast<uint32_t>(x) >= static_cast<uint32_t>(w_) ||
        static_cast<uint32_t>(y) >= static_cast<uint32_t>(h_)) {
      return false;
    }
    return (row(y)[x >> 3] & (0x80u >> (x & 7))) != 0;
  }
  // Only for pixels inside the image.
  void whiten(Pixel p) { row(p.y)[p.x >> 3] &= static_cast<uint8_t>(~(0x80u >> (p.x & 7))); }

  // The first black pixel from (col, row) on, in reading order, columns from
  // 1 on every later row. False when there is none.
  bool find_black(int32_t& row_at, int32_t& col_at) const {
    for (int32_t y = row_at, x0 = col_at; y < h_; ++y, x0 = 1) {
      if (x0 >= w_) continue;
      const uint8_t* r = row(y);
      std::size_t k = static_cast<std::size_t>(x0) >> 3;
      unsigned byte = r[k] & (0xFFu >> (x0 & 7));
      for (;;) {
        if (byte != 0) {
          row_at = y;
          col_at = static_cast<int32_t>(k * 8) + std::countl_zero(static_cast<uint8_t>(byte));
          return true;
        }
        if (++k == stride_) break;
        byte = r[k];
      }
    }
    return false;
  }

 private:
  int32_t w_;
  int32_t h_;
  std::size_t stride_;
  std::vector<uint8_t> bits_;
};

// The raster's black pixels (its set bits are white).
BitImage rendered_from(const ScanRaster& raster) {
  BitImage img(raster.width(), raster.height());
  const std::size_t n = img.stride();
  const int32_t tail = raster.width() & 7;
  const auto last_mask = static_cast<uint8_t>(tail == 0 ? 0xFFu : 0xFFu << (8 - tail));
  for (int32_t y = 0; y < raster.height(); ++y) {
    const uint8_t* src = raster.row(y).data();
    uint8_t* dst = img.row(y);
    for (std::size_t k = 0; k < n; ++k) dst[k] = static_cast<uint8_t>(~src[k]);
    dst[n - 1] &= last_mask;
  }
  return img;
}

// What stays black once every interior pixel is whitened: a black pixel off
// the first row and column whose four neighbours are black is interior; a
// neighbour beyond the image counts white. All tests see the rendered image.
BitImage boundary_of(const BitImage& rendered) {
  const int32_t h = rendered.height();
  BitImage out(rendered.width(), h);
  const std::size_t n = rendered.stride();
  std::copy(rendered.row(0), rendered.row(0) + n, out.row(0));
  for (int32_t y = 1; y < h; ++y) {
    const uint8_t* up = rendered.row(y - 1);
    const uint8_t* cur = rendered.row(y);
    const uint8_t* down = y + 1 < h ? rendered.row(y + 1) : nullptr;
    uint8_t* dst = out.row(y);
    for (std::size_t k = 0; k < n; ++k) {
      const unsigned c = cur[k];
      const unsigned left = (c >> 1) | (k > 0 ? (cur[k - 1] & 1u) << 7 : 0u);
      const unsigned right = (c << 1) | (k + 1 < n ? cur[k + 1] >> 7 : 0u);
      unsigned interior = c & left & right & up[k] & (down != nullptr ? down[k] : 0u);
      if (k == 0) interior &= 0x7Fu;
      dst[k] = static_cast<uint8_t>(c & ~interior);
    }
  }
  return out;
}

enum class TraceEnd { Closed, Open, Dropped };

// Follows boundaries through the working image; style 2 steers its first
// step and its retries with the rendered image and a second boundary copy.
class Tracer {
 public:
  Tracer(const ScanRaster& raster, int32_t style)
      : style_(style),
        rendered_(rendered_from(raster)),
        working_(boundary_of(rendered_)),
        copy_(style == 2 ? working_ : BitImage(0, 0)) {
    if (style_ != 2) rendered_ = BitImage(0, 0);  // needed no longer
  }

  // The next start pixel from (col, row) on.
  bool next_start(int32_t& row, int32_t& col) const { return working_.find_black(row, col); }

  // Traces from `start`; the pixels in order are in pixels().
  TraceEnd trace(Pixel start) {
    pixels_.clear();
    take(start);
    if (style_ == 2) copy_.whiten(start);
    Pixel p = start;
    int d = 0;
    if (style_ == 2) {
      const int first = first_direction(start);
      if (first < 0) return TraceEnd::Closed;
      p = step(start, first);
      take(p);
      d = (first + 5) % 8;
    }
    for (;;) {
      for (int misses = 0; misses < 7;) {
        const Pixel q = step(p, d);
        if (working_.black(q.x, q.y)) {
          p = q;
          take(p);
          d = (d + 5) % 8;
          misses = 0;
        } else {
          d = (d + 1) % 8;
          ++misses;
        }
      }
      if (std::abs(p.x - start.x) <= 1 && std::abs(p.y - start.y) <= 1) return TraceEnd::Closed;
      if (style_ != 2) return TraceEnd::Open;
      // Step back along this trace through the second copy, which still
      // holds its pixels, and follow on from there.
      d = (d + 1) % 8;
      int tests = 0;
      while (tests < 8 && !copy_black(step(p, d))) {
        d = (d + 1) % 8;
        ++tests;
      }
      if (tests == 8) return TraceEnd::Dropped;
      p = step(p, d);
      pixels_.push_back(p);
      copy_.whiten(p);
      d = (d + 5) % 8;
    }
  }

  const std::vector<Pixel>& pixels() const { return pixels_; }

 private:
  static Pixel step(Pixel p, int d) { return {p.x + kDx[d], p.y + kDy[d]}; }
  bool copy_black(Pixel p) const { return copy_.black(p.x, p.y); }

  void take(Pixel p) {
    pixels_.push_back(p);
    working_.whiten(p);
  }

  // Among directions 1..4 in the second copy: the first black one, unless a
  // white gap that is no interior pixel leads to a second black one.
  int first_direction(Pixel s) const {
    int first = -1;
    bool gap = false;
    for (int d = 1; d <= 4; ++d) {
      const Pixel q = step(s, d);
      if (copy_black(q)) {
        if (first < 0) {
          first = d;
        } else if (gap) {
          return d;
        }
      } else if (first >= 0) {
        if (rendered_.black(q.x, q.y)) return first;
        gap = true;
      }
    }
    return first;
  }

  int32_t style_;
  BitImage rendered_;
  BitImage working_;
  BitImage copy_;
  std::vector<Pixel> pixels_;
};

std::string error_text(int error) {
  return std::generic_category().message(error);
}

void append_int(std::string& out, int64_t v) {
  char buf[24];
  out.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

// Closed contours in VCT points (Y up), kept in memory and written in one go.
struct VctOutput {
  std::vector<int32_t> xy;
  std::vector<int64_t> counts;
  int32_t min_x = std::numeric_limits<int32_t>::max();
  int32_t max_x = std::numeric_limits<int32_t>::min();
  int32_t min_y = std::numeric_limits<int32_t>::max();
  int32_t max_y = std::numeric_limits<int32_t>::min();

  void add(int32_t x, int32_t y) {
    xy.push_back(x);
    xy.push_back(y);
    min_x = std::min(min_x, x);
    max_x = std::max(max_x, x);
    min_y = std::min(min_y, y);
    max_y = std::max(max_y, y);
  }
  int64_t points() const { return static_cast<int64_t>(xy.size() / 2); }

  std::string text(int32_t resolution) const {
    std::string out;
    out.reserve(xy.size() * 6 + counts.size() * 8 + 96);
    for (int64_t v : {points(), static_cast<int64_t>(counts.size()), int64_t{min_x}, int64_t{max_x},
                      int64_t{min_y}, int64_t{max_y}}) {
      append_int(out, v);
      out += ',';
    }
    const std::string units = format_fixed(resolution * 1.0, 7, 3);
    out += units;
    out += ',';
    out += units;
    out += ";\n";
    std::size_t at = 0;
    for (const int64_t n : counts) {
      append_int(out, n);
      out += ";\n";
      for (int64_t i = 0; i < n; ++i, at += 2) {
        append_int(out, xy[at]);
        out += ',';
        append_int(out, xy[at + 1]);
        out += ";\n";
      }
    }
    return out;
  }
};

// The tracing counts the raster's rows as it scans them for starts.
JobProgress& rows_progress(PenEmitter& pen, int32_t h) {
  JobProgress& p = pen.progress();
  p.columns = false;
  p.rows_done = 0;
  p.rows_total = h;
  pen.pace_afresh();
  return p;
}

TraceResult trace_to_vct(const ScanRaster& raster, PenEmitter& pen,
                         const std::filesystem::path& path) {
  TraceResult result;
  Tracer tracer(raster, 2);
  VctOutput vct;
  std::vector<Pixel> kept;
  const int32_t h = raster.height();
  const int32_t& stop = pen.doc().stop_requested;
  JobProgress& progress = rows_progress(pen, h);
  int32_t row = 1;
  int32_t col = 1;
  // Escape ends the tracing; a VCT lacking outlines would look whole.
  while (stop == 0 && tracer.next_start(row, col)) {
    progress.rows_done = row;
    pen.work_step();
    const Pixel start{col, row};
    if (tracer.trace(start) == TraceEnd::Dropped) {
      // Its pixels are white now; what lies beyond it in scanning order may
      // still hold other shapes, so scanning goes on right after its start.
      col = start.x + 1;
      continue;
    }
    simplify_trace(tracer.pixels(), kept);
    vct.add(start.x, h - start.y);
    for (const Pixel& v : kept) vct.add(v.x, h - v.y);
    vct.add(start.x, h - start.y);
    vct.counts.push_back(static_cast<int64_t>(kept.size()) + 2);
    col = 1;
  }
  if (stop != 0) {
    result.stopped = true;
    return result;
  }
  progress.rows_done = h;
  result.contours = static_cast<int64_t>(vct.counts.size());
  result.points = vct.points();
  if (vct.counts.empty()) {
    result.ok = true;
    return result;
  }
  constexpr int64_t kMaxCount = std::numeric_limits<int32_t>::max();
  if (result.points > kMaxCount) {
    result.error = "The outlines have too many points for a VCT file: nothing was written.";
    return result;
  }
  std::string reason;
  if (!write_file_atomically(path, vct.text(pen.doc().settings.resolution), &reason)) {
    result.error = "The file " + path.string() + " cannot be written" +
                   (reason.empty() ? std::string() : ": " + reason) + ".";
    return result;
  }
  result.ok = true;
  result.file_written = true;
  return result;
}

TraceResult trace_to_plt(const ScanRaster& raster, PenEmitter& pen,
                         const std::filesystem::path& path) {
  TraceResult result;
  Tracer tracer(raster, 3);
  AtomicFile out;
  if (!out.open(path)) {
    result.error = "The file " + path.string() + " cannot be written: " + out.reason() + ".";
    return result;
  }
  std::FILE* const file = out.file();
  const int32_t& stop = pen.doc().stop_requested;
  const MarkSettings& s = pen.doc().settings;
  const int32_t h = raster.height();
  bool written = true;
  int error = 0;
  const auto move = [&](Pixel p, bool down) {
    if (!written) return;
    errno = 0;
    written = pen.EmitMoveToFile(pixel_marker_x(s, p.x), pixel_marker_y(s, p.y, h), down, file);
    if (!written) error = errno;
    ++result.points;
  };

  JobProgress& progress = rows_progress(pen, h);
  std::vector<Pixel> kept;
  int32_t row = 1;
  int32_t col = 1;
  // After Escape the file is dropped, so there is no point tracing on.
  while (written && stop == 0 && tracer.next_start(row, col)) {
    progress.rows_done = row;
    pen.work_step();
    const Pixel start{col, row};
    const bool closed = tracer.trace(start) == TraceEnd::Closed;
    const std::vector<Pixel>& pixels = tracer.pixels();
    simplify_trace(pixels, kept);
    move(start, false);
    for (const Pixel& v : kept) move(v, true);
    if (closed) {
      move(start, true);
    } else if (pixels.back() != (kept.empty() ? start : kept.back())) {
      move(pixels.back(), true);
    }
    ++result.contours;
    col = 1;
  }
  // A plot lacking the moves Escape suppressed would mark half the outlines.
  if (stop != 0) {
    result.stopped = true;
    return result;
  }
  if (written) progress.rows_done = h;
  std::string reason = error != 0 ? error_text(error) : std::string();
  if (written && !out.commit()) {
    written = false;
    reason = out.reason();
  }
  if (!written) {
    // Half a plot would mark half the outlines: the old file stays instead.
    result.error = "The file " + path.string() + " cannot be written" +
                   (reason.empty() ? std::string() : ": " + reason) + ".";
    return result;
  }
  result.ok = true;
  result.file_written = true;
  return result;
}

}  // namespace

TraceResult TraceOutlines(const ScanRaster& raster, PenEmitter& pen,
                          const std::filesystem::path& path, int32_t style) {
  if (style != 2 && style != 3) {
    TraceResult result;
    result.error = "Unknown outline conversion " + std::to_string(style) + ": nothing was written.";
    return result;
  }
  try {
    return style == 2 ? trace_to_vct(raster, pen, path) : trace_to_plt(raster, pen, path);
  } catch (const std::bad_alloc&) {
    TraceResult result;
    result.error = "Not enough memory to trace the outlines: nothing was written.";
    return result;
  }
}

}  // namespace lumetch
