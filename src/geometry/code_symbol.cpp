#include "geometry/code_symbol.h"

#include <zint.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <utility>

namespace lumetch {

namespace {

struct SymbolDeleter {
  void operator()(zint_symbol* s) const { ZBarcode_Delete(s); }
};

int zint_symbology(CodeSymbology s, bool gs1) {
  switch (s) {
    case CodeSymbology::kQr:
      return BARCODE_QRCODE;
    case CodeSymbology::kDataMatrix:
      return BARCODE_DATAMATRIX;
    case CodeSymbology::kCode128:
      return gs1 ? BARCODE_GS1_128 : BARCODE_CODE128;
  }
  return BARCODE_CODE128;
}

}  // namespace

CodeEncoding encode_code(CodeSymbology symbology, std::string_view data,
                         const CodeOptions& options) {
  CodeEncoding out;
  if (data.empty()) {
    out.error = "There is no data to encode.";
    return out;
  }
  const std::unique_ptr<zint_symbol, SymbolDeleter> z(ZBarcode_Create());
  if (!z) {
    out.error = "The code encoder could not start (out of memory).";
    return out;
  }
  z->symbology = zint_symbology(symbology, options.gs1);
  z->input_mode = options.gs1 && symbology != CodeSymbology::kQr ? GS1_MODE : DATA_MODE;
  z->show_hrt = 0;
  // At half scale the vector output counts in modules.
  z->scale = 0.5f;
  if (options.quiet_zone) z->output_options |= BARCODE_QUIET_ZONES;
  if (symbology == CodeSymbology::kQr) {
    if (options.ecc >= 1 && options.ecc <= 4) z->option_1 = options.ecc;
    if (options.size >= 1 && options.size <= 40) z->option_2 = options.size;
  } else if (symbology == CodeSymbology::kDataMatrix) {
    if (options.size >= 1 && options.size <= 30) {
      z->option_2 = options.size;
    } else {
      // Left to itself the encoder may pick an oblong symbol, which a square
      // box would stretch; an oblong one is had by choosing its size.
      z->option_3 = DM_SQUARE;
    }
  }
  const int result = ZBarcode_Encode_and_Buffer_Vector(
      z.get(), reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()),
      0);
  if (result >= ZINT_ERROR || z->vector == nullptr) {
    out.error = z->errtxt[0] != '\0' ? std::string(z->errtxt) : "The data cannot be encoded.";
    return out;
  }
  out.symbol.width = z->vector->width;
  out.symbol.height = z->vector->height;
  for (const zint_vector_rect* r = z->vector->rectangles; r != nullptr; r = r->next) {
    out.symbol.dark.push_back({r->x, r->y, r->width, r->height});
  }
  out.symbol.outlines = trace_dark_modules(out.symbol);
  out.ok = true;
  return out;
}

std::vector<std::vector<CodePoint>> trace_dark_modules(const CodeSymbol& symbol) {
  std::vector<std::vector<CodePoint>> loops;
  const auto whole = [](double v) { return std::fabs(v - std::round(v)) < 1e-6; };
  if (!whole(symbol.width) || !whole(symbol.height) || symbol.width <= 0 || symbol.height <= 0) {
    return loops;
  }
  const auto w = static_cast<int64_t>(std::round(symbol.width));
  const auto h = static_cast<int64_t>(std::round(symbol.height));
  if (w > 4096 || h > 4096) return loops;
  std::vector<uint8_t> dark(static_cast<std::size_t>(w * h), 0);
  for (const CodeRect& r : symbol.dark) {
    if (!whole(r.x) || !whole(r.y) || !whole(r.w) || !whole(r.h)) return {};
    const auto x0 = std::max<int64_t>(0, std::llround(r.x));
    const auto y0 = std::max<int64_t>(0, std::llround(r.y));
    const auto x1 = std::min<int64_t>(w, std::llround(r.x + r.w));
    const auto y1 = std::min<int64_t>(h, std::llround(r.y + r.h));
    for (int64_t y = y0; y < y1; ++y) {
      for (int64_t x = x0; x < x1; ++x) dark[static_cast<std::size_t>(y * w + x)] = 1;
    }
  }
  const auto at = [&](int64_t x, int64_t y) {
    return x >= 0 && y >= 0 && x < w && y < h && dark[static_cast<std::size_t>(y * w + x)] != 0;
  };
  // Boundary edges of the dark cells, each cell's clockwise as seen (y down),
  // kept where the neighbour across is light; up to two leave a vertex.
  const int64_t stride = w + 1;
  const auto vertex = [&](int64_t x, int64_t y) { return y * stride + x; };
  std::vector<std::array<int64_t, 2>> next(static_cast<std::size_t>(stride * (h + 1)),
                                           std::array<int64_t, 2>{-1, -1});
  int64_t edges = 0;
  const auto link = [&](int64_t from, int64_t to) {
    auto& slot = next[static_cast<std::size_t>(from)];
    (slot[0] < 0 ? slot[0] : slot[1]) = to;
    ++edges;
  };
  for (int64_t y = 0; y < h; ++y) {
    for (int64_t x = 0; x < w; ++x) {
      if (!at(x, y)) continue;
      if (!at(x, y - 1)) link(vertex(x, y), vertex(x + 1, y));
      if (!at(x + 1, y)) link(vertex(x + 1, y), vertex(x + 1, y + 1));
      if (!at(x, y + 1)) link(vertex(x + 1, y + 1), vertex(x, y + 1));
      if (!at(x - 1, y)) link(vertex(x, y + 1), vertex(x, y));
    }
  }
  const auto point = [&](int64_t v) {
    return CodePoint{static_cast<double>(v % stride), static_cast<double>(v / stride)};
  };
  for (std::size_t start = 0; start < next.size() && edges > 0; ++start) {
    while (next[start][0] >= 0) {
      std::vector<CodePoint> loop;
      int64_t v = static_cast<int64_t>(start);
      do {
        auto& slot = next[static_cast<std::size_t>(v)];
        const int64_t to = slot[0];
        slot[0] = slot[1];
        slot[1] = -1;
        --edges;
        const CodePoint p = point(v);
        // Points in a straight run are left out.
        if (loop.size() >= 2) {
          const CodePoint& a = loop[loop.size() - 2];
          const CodePoint& b = loop.back();
          if ((a.x == b.x && b.x == p.x) || (a.y == b.y && b.y == p.y)) loop.pop_back();
        }
        loop.push_back(p);
        v = to;
      } while (v != static_cast<int64_t>(start) && v >= 0);
      if (loop.size() >= 3) {
        const CodePoint& a = loop[loop.size() - 2];
        const CodePoint& b = loop.back();
        const CodePoint& p = loop.front();
        if ((a.x == b.x && b.x == p.x) || (a.y == b.y && b.y == p.y)) loop.pop_back();
      }
      loop.push_back(loop.front());
      loops.push_back(std::move(loop));
    }
  }
  return loops;
}

void add_code_contours(ContourList& list, const Mapper& m, const CodeSymbol& symbol, double left,
                       double top, double w, double h, bool negative) {
  if (!(symbol.width > 0 && symbol.height > 0)) return;
  const double kx = w / symbol.width;
  const double ky = h / symbol.height;
  const auto corner = [&](double mx, double my) { return m.point(left + mx * kx, top - my * ky); };
  if (negative) {
    // Counter-clockwise on the field; the dark rectangles below run clockwise.
    list.begin_contour();
    for (const auto& [mx, my] : {std::pair{0.0, 0.0},
                                 {0.0, symbol.height},
                                 {symbol.width, symbol.height},
                                 {symbol.width, 0.0},
                                 {0.0, 0.0}}) {
      list.add(corner(mx, my));
    }
  }
  if (!symbol.outlines.empty()) {
    for (const std::vector<CodePoint>& loop : symbol.outlines) {
      list.begin_contour();
      for (const CodePoint& p : loop) list.add(corner(p.x, p.y));
    }
    return;
  }
  for (const CodeRect& r : symbol.dark) {
    list.begin_contour();
    list.add(corner(r.x, r.y));
    list.add(corner(r.x + r.w, r.y));
    list.add(corner(r.x + r.w, r.y + r.h));
    list.add(corner(r.x, r.y + r.h));
    list.add(corner(r.x, r.y));
  }
}

CodeSymbology code_symbology(const CodeParams& p) {
  switch (p.symbology) {
    case kCodeDataMatrix:
      return CodeSymbology::kDataMatrix;
    case kCodeCode128:
      return CodeSymbology::kCode128;
    default:
      return CodeSymbology::kQr;
  }
}

CodeOptions code_options(const CodeParams& p) {
  CodeOptions o;
  o.ecc = p.ecc;
  o.size = p.code_size;
  o.quiet_zone = p.quiet_zone != 0;
  o.gs1 = p.gs1 != 0;
  return o;
}

CodeEncoding encode_block(const CodeParams& p) {
  struct Entry {
    CodeSymbology symbology;
    CodeOptions options;
    std::string data;
    CodeEncoding encoding;
  };
  static std::mutex mutex;
  static std::list<Entry> recent;  // most recently used first
  constexpr std::size_t kKept = 32;

  const CodeSymbology s = code_symbology(p);
  const CodeOptions o = code_options(p);
  {
    const std::lock_guard lock(mutex);
    for (auto it = recent.begin(); it != recent.end(); ++it) {
      if (it->symbology == s && it->options == o && it->data == p.data) {
        recent.splice(recent.begin(), recent, it);
        return recent.front().encoding;
      }
    }
  }
  CodeEncoding e = encode_code(s, p.data, o);
  const std::lock_guard lock(mutex);
  recent.push_front({s, o, p.data, e});
  if (recent.size() > kKept) recent.pop_back();
  return e;
}

void DrawCode(GeomContext& g, Canvas* dc, const MarkObject& obj) {
  const CodeParams* p = obj.block<CodeParams>();
  if (p == nullptr) return;
  const double w = obj.width;
  const double h = obj.height;
  if (!(std::isfinite(w) && w > 0 && std::isfinite(h) && h > 0)) return;
  if (!std::isfinite(obj.cent_x) || !std::isfinite(obj.cent_y) || !std::isfinite(obj.row_gap) ||
      !std::isfinite(obj.column_gap)) {
    return;
  }
  const Mapper m(g.doc, g.choose(dc));
  if (m.target() == DrawTarget::Marker && g.pen == nullptr) return;
  // Data the encoder refuses draws nothing; the job names the object.
  const CodeEncoding e = encode_block(*p);
  if (!e.ok) return;
  const bool negative = p->display_type == 1;
  ContourList list;
  for_each_copy(g, dc, obj, w, h, [&](double left, double top) {
    list.clear();
    add_code_contours(list, m, e.symbol, left, top, w, h, negative);
    RenderContours(g, obj.fill_direction, obj.output_mode, obj.fill_pitch, dc, list, 0, 0);
  });
}

}  // namespace lumetch
