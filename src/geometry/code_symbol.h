#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/mapping.h"
#include "geometry/render_contours.h"
#include "model/mark_object.h"
#include "platform/canvas.h"

namespace lumetch {

// The symbologies a code object can hold.
enum class CodeSymbology : int32_t { kQr = 0, kDataMatrix = 1, kCode128 = 2 };

struct CodeOptions {
  // QR: error correction 1..4 (L, M, Q, H); 0 lets the encoder choose.
  int32_t ecc = 0;
  // QR version 1..40, Data Matrix size 1..30 (the encoder's numbering);
  // 0 takes the smallest that holds the data.
  int32_t size = 0;
  bool quiet_zone = true;  // the symbology's own quiet zone around the symbol
  bool gs1 = false;        // data in GS1 form, "[01]09501101530003" (Data Matrix, Code 128)
  bool operator==(const CodeOptions&) const = default;
};

// A dark rectangle of the symbol, in modules, y growing downward from the
// symbol's top-left corner (quiet zone included).
struct CodeRect {
  double x = 0;
  double y = 0;
  double w = 0;
  double h = 0;
  bool operator==(const CodeRect&) const = default;
};

struct CodePoint {
  double x = 0;
  double y = 0;
  bool operator==(const CodePoint&) const = default;
};

struct CodeSymbol {
  double width = 0;  // modules, quiet zone included
  double height = 0;
  std::vector<CodeRect> dark;  // runs of modules, as the encoder merges them
  // The outlines of the dark areas, clockwise as seen (holes the other way),
  // each closed (last point = first). Touching modules share no edge here:
  // a hatch line on an edge two rectangles share would be counted by
  // neither. Empty when the rectangles do not lie on the module grid.
  std::vector<std::vector<CodePoint>> outlines;
};

// The outlines of the union of `dark`, on a grid of whole modules; empty when
// a rectangle does not lie on it.
std::vector<std::vector<CodePoint>> trace_dark_modules(const CodeSymbol& symbol);

struct CodeEncoding {
  bool ok = false;
  CodeSymbol symbol;
  std::string error;  // the encoder's reason when the data cannot be encoded
};

// Encodes `data` (bytes as given) with libzint. A linear code's bars are
// as high as the encoder's default symbol height.
CodeEncoding encode_code(CodeSymbology symbology, std::string_view data,
                         const CodeOptions& options);

// The symbol stretched over a box w x h mm whose top-left corner is at
// (left, top) on the field (y up), as contours for the renderer: one per dark
// rectangle, or for the negative form the whole box with the dark
// rectangles as holes, wound the other way so that a nonzero fill leaves
// them unmarked.
void add_code_contours(ContourList& list, const Mapper& m, const CodeSymbol& symbol, double left,
                       double top, double w, double h, bool negative);

// The symbology and options a code object's block asks for.
CodeSymbology code_symbology(const CodeParams& p);
CodeOptions code_options(const CodeParams& p);

// encode_code of the block's data, remembered for the last few blocks drawn:
// the view repaints far more often than data changes.
CodeEncoding encode_block(const CodeParams& p);

// Generator of the code object: per copy the symbol (or its negative) as
// one contour list over the object's box.
void DrawCode(GeomContext& g, Canvas* dc, const MarkObject& obj);

}  // namespace lumetch
