#include "geometry/barcode.h"

#include <cmath>
#include <cstddef>
#include <string>
#include <string_view>

#include "geometry/render_contours.h"

namespace lumetch {

namespace {

// Element widths in narrow units, and the spacing around characters.
constexpr double kWide = 2.5;
constexpr double kGap = 2.0;
constexpr double kQuietZone = 5.0;

// Builds a pattern from nine letters, 'w' wide and anything else narrow.
constexpr Code39Pattern pattern(std::string_view s) {
  Code39Pattern p{};
  for (std::size_t i = 0; i < p.size(); ++i) p[i] = s[i] == 'w';
  return p;
}

struct Code39Entry {
  char c;
  Code39Pattern pattern;
};

// ISO/IEC 16388 patterns, elements bar first.
constexpr Code39Entry kCode39[] = {
    {'0', pattern("nnnwwnwnn")}, {'1', pattern("wnnwnnnnw")}, {'2', pattern("nnwwnnnnw")},
    {'3', pattern("wnwwnnnnn")}, {'4', pattern("nnnwwnnnw")}, {'5', pattern("wnnwwnnnn")},
    {'6', pattern("nnwwwnnnn")}, {'7', pattern("nnnwnnwnw")}, {'8', pattern("wnnwnnwnn")},
    {'9', pattern("nnwwnnwnn")}, {'A', pattern("wnnnnwnnw")}, {'B', pattern("nnwnnwnnw")},
    {'C', pattern("wnwnnwnnn")}, {'D', pattern("nnnnwwnnw")}, {'E', pattern("wnnnwwnnn")},
    {'F', pattern("nnwnwwnnn")}, {'G', pattern("nnnnnwwnw")}, {'H', pattern("wnnnnwwnn")},
    {'I', pattern("nnwnnwwnn")}, {'J', pattern("nnnnwwwnn")}, {'K', pattern("wnnnnnnww")},
    {'L', pattern("nnwnnnnww")}, {'M', pattern("wnwnnnnwn")}, {'N', pattern("nnnnwnnww")},
    {'O', pattern("wnnnwnnwn")}, {'P', pattern("nnwnwnnwn")}, {'Q', pattern("nnnnnnwww")},
    {'R', pattern("wnnnnnwwn")}, {'S', pattern("nnwnnnwwn")}, {'T', pattern("nnnnwnwwn")},
    {'U', pattern("wwnnnnnnw")}, {'V', pattern("nwwnnnnnw")}, {'W', pattern("wwwnnnnnn")},
    {'X', pattern("nwnnwnnnw")}, {'Y', pattern("wwnnwnnnn")}, {'Z', pattern("nwwnwnnnn")},
    {'-', pattern("nwnnnnwnw")}, {'.', pattern("wwnnnnwnn")}, {' ', pattern("nwwnnnwnn")},
    {'*', pattern("nwnnwnwnn")}, {'$', pattern("nwnwnwnnn")}, {'/', pattern("nwnwnnnwn")},
    {'+', pattern("nwnnnwnwn")}, {'%', pattern("nnnwnwnwn")},
};

// ":;<=>?" share one pattern of their own.
constexpr Code39Pattern kPunctuation = pattern("wnnwnnnnn");

bool finite_positive(double v) {
  return std::isfinite(v) && v > 0;
}

// Adds the rectangle between the field x0 and x1, the full copy height,
// clockwise from its top-left corner.
void add_rectangle(ContourList& list, const Mapper& m, double top, double height, double x0,
                   double x1) {
  const CanvasPoint tl = m.point(x0, top);
  list.begin_contour();
  list.add(tl);
  list.add(m.point(x1, top));
  list.add(m.point(x1, top - height));
  list.add(m.point(x0, top - height));
  list.add(tl);
}

}  // namespace

Code39Pattern code39_pattern(unsigned char c) {
  if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
  if (c >= ':' && c <= '?') return kPunctuation;
  for (const Code39Entry& e : kCode39) {
    if (static_cast<unsigned char>(e.c) == c) return e.pattern;
  }
  return code39_pattern('1');
}

double code39_bar_width(double size_x, std::size_t text_length) {
  const auto l = static_cast<double>(text_length);
  return size_x / ((l + 2) * 13.5 + (2 * l + 2) + 10);
}

void DrawBarcode(GeomContext& g, Canvas* dc, const MarkObject& obj) {
  const BarcodeParams* p = obj.block<BarcodeParams>();
  if (p == nullptr) return;
  const double n = p->bar_width;
  const double w = obj.width;
  const double h = obj.height;
  if (!finite_positive(n) || !finite_positive(w) || !finite_positive(h)) return;
  if (!std::isfinite(obj.cent_x) || !std::isfinite(obj.cent_y) || !std::isfinite(obj.row_gap) ||
      !std::isfinite(obj.column_gap)) {
    return;
  }
  const Mapper m(g.doc, g.choose(dc));
  if (m.target() == DrawTarget::Marker && g.pen == nullptr) return;

  const std::string_view text = std::string_view(p->text).substr(0, kBarcodeTextMax);
  std::string data;
  data.reserve(text.size() + 2);
  data += '*';
  data += text;
  data += '*';
  const bool negative = p->display_type == 1;

  ContourList list;
  for_each_copy(g, dc, obj, w, h, [&](double left, double top) {
    list.clear();
    double x = kQuietZone * n;
    if (negative) add_rectangle(list, m, top, h, left, left + x);
    for (const char c : data) {
      const Code39Pattern pat = code39_pattern(static_cast<unsigned char>(c));
      for (std::size_t i = 0; i < pat.size(); ++i) {
        const double end = pat[i] ? x + kWide * n : x + n;
        // Bars sit on the even elements; the negative marks the spaces.
        if ((i % 2 == 1) == negative) add_rectangle(list, m, top, h, left + x, left + end);
        x = end;
      }
      if (negative) add_rectangle(list, m, top, h, left + x, left + (x + kGap * n));
      x = x + kGap * n;
    }
    if (negative) add_rectangle(list, m, top, h, left + w - kQuietZone * n, left + w);
    RenderContours(g, obj.fill_direction, obj.output_mode, obj.fill_pitch, dc, list, 0, 0);
  });
}

}  // namespace lumetch
