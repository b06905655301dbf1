#include "scan/scan_raster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <utility>

#include "platform/text_file.h"

namespace lumetch {

namespace {

// Products of two int32 differences need 65 bits.
__extension__ using Wide = __int128;

constexpr Rgb kWhite{255, 255, 255};

bool draws_black(Rgb colour) {
  return !(colour == kWhite);
}

int64_t floor_div(Wide num, Wide den) {  // den > 0
  Wide q = num / den;
  if (num % den != 0 && num < 0) --q;
  return static_cast<int64_t>(q);
}

// Pixel operations on the raster's bits. The raster lends its bytes only
// read-only, but the canvas was given the raster itself to draw on.
class Pixels {
 public:
  explicit Pixels(ScanRaster& raster)
      : raster_(raster), bits_(const_cast<uint8_t*>(raster.bits().data())) {}

  int64_t width() const { return raster_.width(); }
  int64_t height() const { return raster_.height(); }

  void set(int64_t x, int64_t y, bool black) {
    if (x < 0 || y < 0 || x >= width() || y >= height()) return;
    apply(bits_[static_cast<std::size_t>(y) * raster_.stride() + static_cast<std::size_t>(x >> 3)],
          0x80u >> (x & 7), black);
  }

  // [left, right) × [top, bottom), clipped to the image; long rows go a byte at a time.
  void fill(int64_t left, int64_t top, int64_t right, int64_t bottom, bool black) {
    left = std::max<int64_t>(left, 0);
    top = std::max<int64_t>(top, 0);
    right = std::min(right, width());
    bottom = std::min(bottom, height());
    if (left >= right || top >= bottom) return;
    const auto x0 = static_cast<std::size_t>(left);
    const auto x1 = static_cast<std::size_t>(right);
    const std::size_t b0 = x0 >> 3;
    const std::size_t b1 = (x1 - 1) >> 3;
    const unsigned head = 0xFFu >> (x0 & 7);
    const unsigned tail = (0xFFu << (7 - ((x1 - 1) & 7))) & 0xFFu;
    const std::size_t stride = raster_.stride();
    uint8_t* row = bits_ + static_cast<std::size_t>(top) * stride;
    for (int64_t y = top; y < bottom; ++y, row += stride) {
      if (b0 == b1) {
        apply(row[b0], head & tail, black);
        continue;
      }
      apply(row[b0], head, black);
      std::memset(row + b0 + 1, black ? 0x00 : 0xFF, b1 - b0 - 1);
      apply(row[b1], tail, black);
    }
  }

 private:
  static void apply(uint8_t& byte, unsigned mask, bool black) {
    byte = static_cast<uint8_t>(black ? byte & ~mask : byte | mask);
  }

  ScanRaster& raster_;
  uint8_t* bits_;
};

// The pixel rows of a line from (x0, y0) to (x1, y1) with x0 < x1 and
// |y1 − y0| ≤ x1 − x0: y(x) = y0 + (x − x0)·dy/dx rounded to nearest, halves
// upward, so both end points are on it. Walks x one step at a time.
class LineWalk {
 public:
  LineWalk(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t at)
      : x_(at), two_dx_(2 * (x1 - x0)), two_dy_(2 * (y1 - y0)) {
    const Wide num = Wide{at - x0} * two_dy_ + two_dx_ / 2;
    const int64_t q = floor_div(num, two_dx_);
    y_ = y0 + q;
    rem_ = static_cast<int64_t>(num - Wide{q} * two_dx_);
  }
  int64_t y() const { return y_; }
  // |2dy| ≤ 2dx keeps the remainder within one correction of [0, 2dx).
  void advance_to(int64_t x) {
    for (; x_ < x; ++x_) {
      rem_ += two_dy_;
      if (rem_ >= two_dx_) {
        rem_ -= two_dx_;
        ++y_;
      } else if (rem_ < 0) {
        rem_ += two_dx_;
        --y_;
      }
    }
  }

 private:
  int64_t x_;
  int64_t y_ = 0;
  int64_t rem_ = 0;
  int64_t two_dx_;
  int64_t two_dy_;
};

// A line with both end points; a pen `width` pixels wide puts a width ×
// width square on every pixel of the thin line (offset width / 2 up and left).
// Only the columns (or rows) of the image are visited, so the cost is bounded
// by the image whatever the coordinates.
void draw_line(Pixels& px, int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t width,
               bool black) {
  const int64_t o = width / 2;
  if (std::max(x0, x1) - o + width <= 0 || std::min(x0, x1) - o >= px.width() ||
      std::max(y0, y1) - o + width <= 0 || std::min(y0, y1) - o >= px.height()) {
    return;
  }
  if (x0 == x1 || y0 == y1) {
    px.fill(std::min(x0, x1) - o, std::min(y0, y1) - o, std::max(x0, x1) - o + width,
            std::max(y0, y1) - o + width, black);
    return;
  }
  const bool x_major = std::abs(x1 - x0) >= std::abs(y1 - y0);
  if (!x_major) {
    std::swap(x0, y0);
    std::swap(x1, y1);
  }
  if (x0 > x1) {
    std::swap(x0, x1);
    std::swap(y0, y1);
  }
  // Along the major axis, position c is covered by the squares of the line
  // pixels x in [c + o − width + 1, c + o]; across it they span from the
  // smaller to the larger y at the two ends of that window.
  const int64_t major_size = x_major ? px.width() : px.height();
  const int64_t c_begin = std::max<int64_t>(x0 - o, 0);
  const int64_t c_end = std::min(x1 - o + width, major_size);
  if (c_begin >= c_end) return;
  if (width == 1) {
    LineWalk walk(x0, y0, x1, y1, c_begin);
    for (int64_t c = c_begin; c < c_end; ++c) {
      walk.advance_to(c);
      if (x_major) {
        px.set(c, walk.y(), black);
      } else {
        px.set(walk.y(), c, black);
      }
    }
    return;
  }
  const auto window_lo = [&](int64_t c) { return std::clamp(c + o - width + 1, x0, x1); };
  const auto window_hi = [&](int64_t c) { return std::clamp(c + o, x0, x1); };
  LineWalk lo(x0, y0, x1, y1, window_lo(c_begin));
  LineWalk hi(x0, y0, x1, y1, window_hi(c_begin));
  for (int64_t c = c_begin; c < c_end; ++c) {
    lo.advance_to(window_lo(c));
    hi.advance_to(window_hi(c));
    const int64_t from = std::min(lo.y(), hi.y()) - o;
    const int64_t to = std::max(lo.y(), hi.y()) - o + width;
    if (x_major) {
      px.fill(c, from, c + 1, to, black);
    } else {
      px.fill(from, c, to, c + 1, black);
    }
  }
}

int64_t pen_width(const Pen& pen) {
  return std::max<int64_t>(pen.width, 1);
}

// The contours as far as the points reach: negative counts are empty, a count
// past the end is cut short.
std::vector<std::span<const CanvasPoint>> contours_of(std::span<const CanvasPoint> points,
                                                      std::span<const int32_t> counts) {
  std::vector<std::span<const CanvasPoint>> out;
  std::size_t at = 0;
  for (const int32_t n : counts) {
    const std::size_t want = n > 0 ? static_cast<std::size_t>(n) : 0;
    const std::size_t count = std::min(want, points.size() - at);
    if (count > 0) out.push_back(points.subspan(at, count));
    at += count;
  }
  return out;
}

// Nonzero-winding fill sampled at pixel centres: pixel (x, y) is inside when
// (x + 0.5, y + 0.5) is, which leaves out the right and bottom edges.
void fill_polygons(Pixels& px, const std::vector<std::span<const CanvasPoint>>& contours,
                   bool black) {
  struct Edge {
    int64_t top, bottom;  // the rows it crosses: [top, bottom)
    double x1, y1, dx, dy;
    int32_t dir;
  };
  std::vector<Edge> edges;
  for (const auto& c : contours) {
    for (std::size_t i = 0; i < c.size(); ++i) {
      const CanvasPoint a = c[i];
      const CanvasPoint b = c[(i + 1) % c.size()];
      if (a.y == b.y) continue;
      const int64_t top = std::max<int64_t>(std::min(a.y, b.y), 0);
      const int64_t bottom = std::min<int64_t>(std::max(a.y, b.y), px.height());
      if (top >= bottom) continue;  // no image row crosses it
      const auto x1 = static_cast<double>(a.x);
      const auto y1 = static_cast<double>(a.y);
      edges.push_back({top, bottom, x1, y1, static_cast<double>(b.x) - x1,
                       static_cast<double>(b.y) - y1, a.y < b.y ? 1 : -1});
    }
  }
  if (edges.empty()) return;
  std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.top < b.top; });

  struct Crossing {
    int64_t x;  // first pixel whose centre lies right of the edge
    int32_t dir;
  };
  std::vector<const Edge*> active;
  std::vector<Crossing> crossings;
  const double limit = static_cast<double>(px.width()) + 1;
  std::size_t next = 0;
  for (int64_t y = edges.front().top; y < px.height(); ++y) {
    while (next < edges.size() && edges[next].top <= y) active.push_back(&edges[next++]);
    std::erase_if(active, [y](const Edge* e) { return e->bottom <= y; });
    if (active.empty()) {
      if (next == edges.size()) return;
      y = edges[next].top - 1;
      continue;
    }
    crossings.clear();
    const double yc = static_cast<double>(y) + 0.5;
    for (const Edge* e : active) {
      // Exact wherever the true crossing is a representable half pixel.
      const double x = std::clamp(e->x1 + (yc - e->y1) * e->dx / e->dy, -1.0, limit);
      crossings.push_back({static_cast<int64_t>(std::ceil(x - 0.5)), e->dir});
    }
    std::sort(crossings.begin(), crossings.end(),
              [](const Crossing& a, const Crossing& b) { return a.x < b.x; });
    int32_t winding = 0;
    int64_t start = 0;
    for (const Crossing& c : crossings) {
      if (winding == 0) start = c.x;
      winding += c.dir;
      if (winding == 0) px.fill(start, y, c.x, y + 1, black);
    }
  }
}

// The pixels of the ellipse inscribed in [left, right) × [top, bottom) on row
// y, sampled at pixel centres: [from, to), empty when from >= to.
std::pair<int64_t, int64_t> ellipse_row(double left, double top, double right, double bottom,
                                        int64_t y) {
  if (left >= right || top >= bottom) return {0, 0};
  const double a = (right - left) / 2;
  const double b = (bottom - top) / 2;
  const double dy = (static_cast<double>(y) + 0.5 - (top + b)) / b;
  const double t = 1 - dy * dy;
  if (t <= 0) return {0, 0};
  const double half = a * std::sqrt(t);
  const double cx = left + a;
  return {static_cast<int64_t>(std::ceil(cx - half - 0.5)),
          static_cast<int64_t>(std::ceil(cx + half - 0.5))};
}

}  // namespace

std::optional<ScanRaster> ScanRaster::create(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0 || int64_t{width} * height > kMaxPixels) return std::nullopt;
  const std::size_t stride = (static_cast<std::size_t>(width) + 31) / 32 * 4;
  try {
    std::vector<uint8_t> bits(stride * static_cast<std::size_t>(height), 0xFF);
    return ScanRaster(width, height, stride, std::move(bits));
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

// NOT-XOR drawing marks the selection on screen only; the raster ignores it.
// Dotted pens, used for the same marks, draw solid here.

void RasterCanvas::move_to(int32_t x, int32_t y) {
  at_ = {x, y};
}

void RasterCanvas::line_to(int32_t x, int32_t y) {
  if (pen().style != PenStyle::Hollow) {
    Pixels px(raster_);
    draw_line(px, at_.x, at_.y, x, y, pen_width(pen()), draws_black(pen().colour));
  }
  at_ = {x, y};
}

void RasterCanvas::polygon(std::span<const CanvasPoint> points) {
  const int32_t count = static_cast<int32_t>(
      std::min<std::size_t>(points.size(), std::numeric_limits<int32_t>::max()));
  poly_polygon(points, std::span<const int32_t>(&count, 1));
}

void RasterCanvas::poly_polygon(std::span<const CanvasPoint> points,
                                std::span<const int32_t> counts) {
  const auto contours = contours_of(points, counts);
  Pixels px(raster_);
  if (!brush().hollow) fill_polygons(px, contours, draws_black(brush().colour));
  if (pen().style == PenStyle::Hollow) return;
  const int64_t width = pen_width(pen());
  const bool black = draws_black(pen().colour);
  for (const auto& c : contours) {
    for (std::size_t i = 0; i < c.size(); ++i) {
      const CanvasPoint a = c[i];
      const CanvasPoint b = c[(i + 1) % c.size()];
      draw_line(px, a.x, a.y, b.x, b.y, width, black);
    }
  }
}

void RasterCanvas::rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  const int64_t l = std::min(left, right);
  const int64_t r = std::max(left, right);
  const int64_t t = std::min(top, bottom);
  const int64_t b = std::max(top, bottom);
  Pixels px(raster_);
  if (!brush().hollow) px.fill(l, t, r, b, draws_black(brush().colour));
  if (pen().style == PenStyle::Hollow || l >= r || t >= b) return;
  // The frame lies inside the rectangle, as the fill does.
  const int64_t w = pen_width(pen());
  const bool black = draws_black(pen().colour);
  px.fill(l, t, r, std::min(t + w, b), black);
  px.fill(l, std::max(b - w, t), r, b, black);
  px.fill(l, t, std::min(l + w, r), b, black);
  px.fill(std::max(r - w, l), t, r, b, black);
}

void RasterCanvas::ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  const double l = std::min(left, right);
  const double r = std::max(left, right);
  const double t = std::min(top, bottom);
  const double b = std::max(top, bottom);
  const bool fill = !brush().hollow;
  const bool frame = pen().style != PenStyle::Hollow;
  if (!fill && !frame) return;
  // The frame is the ring between this ellipse and the one inset by the pen width.
  const auto w = static_cast<double>(pen_width(pen()));
  const bool fill_black = draws_black(brush().colour);
  const bool pen_black = draws_black(pen().colour);
  Pixels px(raster_);
  const auto y_end = std::min(static_cast<int64_t>(b), px.height());
  for (auto y = std::max(static_cast<int64_t>(t), int64_t{0}); y < y_end; ++y) {
    const auto [from, to] = ellipse_row(l, t, r, b, y);
    if (from >= to) continue;
    if (fill) px.fill(from, y, to, y + 1, fill_black);
    if (!frame) continue;
    const auto [in_from, in_to] = ellipse_row(l + w, t + w, r - w, b - w, y);
    if (in_from >= in_to) {
      px.fill(from, y, to, y + 1, pen_black);
    } else {
      px.fill(from, y, in_from, y + 1, pen_black);
      px.fill(in_to, y, to, y + 1, pen_black);
    }
  }
}

void RasterCanvas::set_pixel(int32_t x, int32_t y, Rgb colour) {
  raster_.set_black(x, y, draws_black(colour));
}

namespace {

void put16(std::string& out, std::size_t at, uint32_t v) {
  out[at] = static_cast<char>(v & 0xFF);
  out[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& out, std::size_t at, uint32_t v) {
  put16(out, at, v & 0xFFFF);
  put16(out, at + 2, v >> 16);
}

}  // namespace

bool WriteScanBmp(const ScanRaster& raster, int32_t resolution, const std::filesystem::path& path,
                  std::string* reason) {
  constexpr std::size_t kOffset = 14 + 40 + 2 * 4;
  const std::size_t stride = raster.stride();
  const auto height = static_cast<std::size_t>(raster.height());
  const std::size_t image = stride * height;
  // At most 2^32 pixels: 512 MiB of bits, well inside the 32-bit size fields.
  const auto per_metre = static_cast<int32_t>(
      std::clamp<int64_t>(int64_t{resolution} * 1000, std::numeric_limits<int32_t>::min(),
                          std::numeric_limits<int32_t>::max()));
  try {
    std::string out(kOffset + image, '\0');
    out[0] = 'B';
    out[1] = 'M';
    put32(out, 2, static_cast<uint32_t>(kOffset + image));
    put32(out, 10, kOffset);
    put32(out, 14, 40);
    put32(out, 18, static_cast<uint32_t>(raster.width()));
    put32(out, 22, static_cast<uint32_t>(raster.height()));
    put16(out, 26, 1);  // planes
    put16(out, 28, 1);  // bits per pixel
    put32(out, 34, static_cast<uint32_t>(image));
    put32(out, 38, static_cast<uint32_t>(per_metre));
    put32(out, 42, static_cast<uint32_t>(per_metre));
    // Palette: black (0, 0, 0, 0) at 54, then white.
    out[58] = out[59] = out[60] = static_cast<char>(0xFF);
    for (std::size_t i = 0; i < height; ++i) {
      const auto row = raster.row(static_cast<int32_t>(height - 1 - i));
      std::memcpy(out.data() + kOffset + i * stride, row.data(), stride);
    }
    return write_file_atomically(path, out, reason);
  } catch (const std::bad_alloc&) {
    if (reason != nullptr) *reason = "not enough memory for the bitmap";
    return false;
  }
}

}  // namespace lumetch
