#include "imports/vct.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <memory>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "geometry/render_contours.h"
#include "platform/text_file.h"

namespace lumetch {

namespace {

// A header line longer than this is no header: the eight fields need far less.
constexpr std::size_t kMaxLineBytes = 4096;
// More points than this, in all contours of one file, and the file is not
// drawn: the counts in a file are not trusted, but memory must stay bounded.
constexpr std::size_t kMaxPoints = 50'000'000;
// The header's point count only sizes the first allocation, and only this far.
constexpr std::size_t kMaxReserve = 1 << 20;

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
  return s;
}

// Splits file text into lines. Lines longer than kMaxLineBytes are reported
// as overlong.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : rest_(text) {}

  enum class Result { Line, Overlong, End };

  // The next line without its "\n".
  Result next(std::string_view& line) {
    if (rest_.empty()) return Result::End;
    const std::size_t nl = rest_.find('\n');
    line = rest_.substr(0, nl);
    rest_.remove_prefix(nl == std::string_view::npos ? rest_.size() : nl + 1);
    return line.size() > kMaxLineBytes ? Result::Overlong : Result::Line;
  }

 private:
  std::string_view rest_;
};

// Parses a decimal int32 at `p`, after optional blanks, and the blanks after
// it; advances `p`. False when there are no digits or the value is out of range.
bool parse_int(const char*& p, const char* end, int32_t& out) {
  while (p != end && is_blank(*p)) ++p;
  bool negative = false;
  if (p != end && (*p == '-' || *p == '+')) {
    negative = *p == '-';
    ++p;
  }
  if (p == end || *p < '0' || *p > '9') return false;
  int64_t v = 0;
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  while (p != end && *p >= '0' && *p <= '9') {
    v = v * 10 + (*p - '0');
    if (v > kLimit) return false;
    ++p;
  }
  if (negative) v = -v;
  if (v > std::numeric_limits<int32_t>::max()) return false;
  while (p != end && is_blank(*p)) ++p;
  out = static_cast<int32_t>(v);
  return true;
}

bool expect(const char*& p, const char* end, char c) {
  if (p == end || *p != c) return false;
  ++p;
  return true;
}

// "N;" — the number of points of the next contour. What follows ";" is ignored.
bool parse_count_line(std::string_view line, int32_t& n) {
  const char* p = line.data();
  const char* const end = p + line.size();
  return parse_int(p, end, n) && expect(p, end, ';') && n >= 0;
}

// "X,Y;" — one point. What follows ";" is ignored.
bool parse_point_line(std::string_view line, int32_t& x, int32_t& y) {
  const char* p = line.data();
  const char* const end = p + line.size();
  return parse_int(p, end, x) && expect(p, end, ',') && parse_int(p, end, y) && expect(p, end, ';');
}

bool parse_int_field(std::string_view field, int32_t& out) {
  const char* p = field.data();
  const char* const end = p + field.size();
  return parse_int(p, end, out) && p == end;
}

// A C-locale decimal, blanks around it allowed; finite values only.
bool parse_double_field(std::string_view field, double& out) {
  field = trim(field);
  if (field.empty()) return false;
  const char* const end = field.data() + field.size();
  const auto r = std::from_chars(field.data(), end, out, std::chars_format::general);
  return r.ec == std::errc() && r.ptr == end && std::isfinite(out);
}

// The file's body after line 1: count lines, each followed by its points.
//
// The counts are not trusted: points and contours are taken as they come, so
// a file holding more than its header states reads whole. Counts and points
// differ in form, so the reader keeps its footing in a damaged file: a count
// line met where a point was expected ends the contour at the points read (an
// early end of file likewise), and a line that is neither a count nor a
// point (blank, garbage, overlong, a number out of range, a point beyond its
// contour's count) is skipped. Nothing is closed implicitly. Returns false
// when the file cannot be drawn at all: more than kMaxPoints points.
template <class MapPoint>
bool read_body(LineReader& in, ContourList& out, std::size_t reserve, MapPoint&& map_point) {
  out.clear();
  out.points.reserve(std::min(reserve, kMaxReserve));
  int32_t remaining = 0;  // points still promised by the current count line
  std::string_view line;
  for (;;) {
    const LineReader::Result r = in.next(line);
    if (r == LineReader::Result::End) break;
    if (r == LineReader::Result::Overlong) continue;
    int32_t x = 0;
    int32_t y = 0;
    if (remaining > 0 && parse_point_line(line, x, y)) {
      if (out.points.size() >= kMaxPoints) return false;
      out.add(map_point(x, y));
      --remaining;
      continue;
    }
    int32_t n = 0;
    if (!parse_count_line(line, n)) continue;
    // A contour that got no point is dropped.
    if (!out.counts.empty() && out.counts.back() == 0) out.counts.pop_back();
    out.begin_contour();
    remaining = n;
  }
  if (!out.counts.empty() && out.counts.back() == 0) out.counts.pop_back();
  return true;
}

bool all_finite(std::initializer_list<double> values) {
  return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

int32_t saturate(int64_t v) {
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(std::clamp(v, kMin, kMax));
}

// X - XMIN without int32 overflow.
double span(int32_t v, int32_t from) {
  return static_cast<double>(int64_t{v} - int64_t{from});
}

// The header's extents bound the drawing: a point outside them is pulled onto
// the nearest edge, so a damaged file cannot send the pen, or a fill's scan
// lines, far beyond the object's box.
int32_t clamp_to(int32_t v, int32_t a, int32_t b) {
  return std::clamp(v, std::min(a, b), std::max(a, b));
}

}  // namespace

std::optional<VctHeader> parse_vct_header(std::string_view line) {
  if (line.size() > kMaxLineBytes) return std::nullopt;
  const std::size_t semi = line.find(';');
  if (semi == std::string_view::npos) return std::nullopt;
  std::string_view rest = line.substr(0, semi);

  std::string_view fields[8];
  for (int i = 0; i < 7; ++i) {
    const std::size_t comma = rest.find(',');
    if (comma == std::string_view::npos) return std::nullopt;
    fields[i] = rest.substr(0, comma);
    rest.remove_prefix(comma + 1);
  }
  if (rest.find(',') != std::string_view::npos) return std::nullopt;
  fields[7] = rest;

  VctHeader h;
  if (!parse_int_field(fields[0], h.point_count) || !parse_int_field(fields[1], h.contour_count) ||
      !parse_int_field(fields[2], h.min_x) || !parse_int_field(fields[3], h.max_x) ||
      !parse_int_field(fields[4], h.min_y) || !parse_int_field(fields[5], h.max_y) ||
      !parse_double_field(fields[6], h.units_x) || !parse_double_field(fields[7], h.units_y)) {
    return std::nullopt;
  }
  if (h.point_count < 0 || h.contour_count < 0) return std::nullopt;
  return h;
}

std::optional<VctHeader> read_vct_header(const std::filesystem::path& path, ReadResult* file) {
  const InputText in = read_input_file(path);
  if (file != nullptr) *file = in;
  if (!in.ok()) return std::nullopt;
  return vct_header_of_text(in.text);
}

std::optional<VctHeader> vct_header_of_text(std::string_view text) {
  LineReader in(text);
  std::string_view line;
  if (in.next(line) != LineReader::Result::Line) return std::nullopt;
  return parse_vct_header(line);
}

std::optional<VctBlock> vct_block_from(const VctHeader& header, const std::string& source_path) {
  const double dx = span(header.max_x, header.min_x);
  const double dy = span(header.max_y, header.min_y);
  if (dx == 0 || dy == 0) return std::nullopt;

  VctBlock b;
  b.source_path = source_path;
  b.point_count = header.point_count;
  b.contour_count = header.contour_count;
  b.min_x = header.min_x;
  b.min_y = header.min_y;
  b.max_x = header.max_x;
  b.max_y = header.max_y;
  b.units_x = header.units_x;
  b.units_y = header.units_y;
  if (header.units_x <= 0 || header.units_y <= 0) {
    // No scale in the file: 10 mm wide, height in the file's proportion.
    b.init_width = 10.0;
    b.init_height = dy * 10 / dx;
  } else {
    b.init_width = dx / header.units_x;
    b.init_height = dy / header.units_y;
  }
  if (!all_finite({b.init_width, b.init_height})) return std::nullopt;
  return b;
}

void DrawVct(GeomContext& g, Canvas* dc, const MarkObject& obj) {
  const VctBlock* b = obj.block<VctBlock>();
  if (b == nullptr) return;
  if (g.choose(dc) == DrawTarget::Marker ? g.pen == nullptr : dc == nullptr) return;
  const InputText file = read_input_file(b->source_path);
  if (file.ok()) draw_vct_text(g, dc, obj, file.text);
}

void draw_vct_text(GeomContext& g, Canvas* dc, const MarkObject& obj, std::string_view text) {
  const VctBlock* b = obj.block<VctBlock>();
  if (b == nullptr) return;
  if (!all_finite({obj.cent_x, obj.cent_y, obj.width, obj.height, obj.row_gap, obj.column_gap,
                   obj.angle})) {
    return;
  }
  const double dx = span(b->max_x, b->min_x);
  const double dy = span(b->max_y, b->min_y);
  if (dx == 0 || dy == 0) return;

  const DrawTarget target = g.choose(dc);
  // Nothing to draw on: marking without a pen, or no canvas off the marker.
  if (target == DrawTarget::Marker ? g.pen == nullptr : dc == nullptr) return;

  const double w = obj.width;
  const double h = obj.height;
  const double sx = w / dx;
  const double sy = h / dy;
  const double a = obj.angle != 0 ? object_radians(obj.angle) : 0.0;
  const CketralDoc& doc = g.doc;
  const double z = doc.view.zoom();
  const double ox = doc.view.origin_x;
  const double oy = doc.view.origin_y;
  const double res = doc.settings.resolution;
  const std::size_t reserve = b->point_count > 0 ? static_cast<std::size_t>(b->point_count) : 0;

  ContourList list;
  for_each_copy(g, dc, obj, w, h, [&](double left, double top) {
    LineReader in(text);
    std::string_view header;
    if (in.next(header) == LineReader::Result::End) return;

    // The raster maps the copy's corner once and adds each point's own
    // rounded offset, rows growing downward.
    const int32_t anchor_x = nearest_int((left - doc.raster_left) * res);
    const int32_t anchor_y = nearest_int((doc.raster_top - top) * res);

    const auto map_point = [&](int32_t px, int32_t py) -> CanvasPoint {
      px = clamp_to(px, b->min_x, b->max_x);
      py = clamp_to(py, b->min_y, b->max_y);
      // The local box spans x 0..W and y -H..0 from the copy's top-left corner.
      double x = obj.mirror_x != 0 ? w - span(px, b->min_x) * sx : span(px, b->min_x) * sx;
      double y = obj.mirror_y != 0 ? -(span(py, b->min_y) * sy) : span(py, b->min_y) * sy - h;
      RotateAbout(w / 2, -h / 2, x, y, a);
      switch (target) {
        case DrawTarget::Marker:
          return {marker_x(doc.settings, left + x), marker_y(doc.settings, top + y)};
        case DrawTarget::Screen:
          // Rounded once, after doubling.
          return {nearest_int(2 * z * (left + x) + ox), nearest_int(2 * z * (top + y) - oy)};
        case DrawTarget::Raster:
          return {saturate(int64_t{anchor_x} + nearest_int(res * x)),
                  saturate(int64_t{anchor_y} - nearest_int(res * y))};
      }
      return {};
    };
    if (!read_body(in, list, reserve, map_point)) return;
    if (list.contour_count() > 0) {
      RenderContours(g, obj.fill_direction, obj.output_mode, obj.fill_pitch, dc, list, 0, 0);
    }
  });
}

bool PreviewVct(Canvas& dc, const std::filesystem::path& path, int32_t x0, int32_t y0, int32_t w,
                int32_t h) {
  const InputText file = read_input_file(path);
  return file.ok() && preview_vct_text(dc, file.text, x0, y0, w, h);
}

bool preview_vct_text(Canvas& dc, std::string_view text, int32_t x0, int32_t y0, int32_t w,
                      int32_t h) {
  LineReader in(text);
  std::string_view line;
  if (in.next(line) != LineReader::Result::Line) return false;
  const std::optional<VctHeader> header = parse_vct_header(line);
  if (!header) return false;
  const double dx = span(header->max_x, header->min_x);
  const double dy = span(header->max_y, header->min_y);
  if (dx == 0 || dy == 0) return false;

  // Each axis scaled on its own to fill the rectangle; file Y grows upward.
  const auto map_point = [&](int32_t px, int32_t py) -> CanvasPoint {
    px = clamp_to(px, header->min_x, header->max_x);
    py = clamp_to(py, header->min_y, header->max_y);
    return {nearest_int(span(px, header->min_x) * w / dx + x0),
            nearest_int(static_cast<double>(y0) + h - span(py, header->min_y) * h / dy)};
  };
  ContourList list;
  const auto reserve = static_cast<std::size_t>(header->point_count);
  if (!read_body(in, list, reserve, map_point)) return false;
  if (list.contour_count() > 0) dc.poly_polygon(list.points, list.counts);
  return true;
}

}  // namespace lumetch
