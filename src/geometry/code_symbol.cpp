#include "geometry/code_symbol.h"

#include <zint.h>

#include <cmath>
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
    if (options.size >= 1 && options.size <= 30) z->option_2 = options.size;
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
  out.ok = true;
  return out;
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
