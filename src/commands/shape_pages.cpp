// The pages of the shapes, the barcode and the imports.

#include <array>
#include <string>

#include "commands/shape_pages.h"

#include "commands/page_rows.h"
#include "geometry/barcode.h"
#include "geometry/variable_fields.h"
#include "imports/bmp.h"
#include "platform/text_codec.h"

namespace lumetch {

namespace {

using page::block_row;
using page::header_row;
using page::keep_aspect_row;
using HF = HeaderField;

// --- rectangle ---------------------------------------------------------

constexpr std::string_view kEdgeStyles[] = {"直角", "ラウンド", "傾斜"};

void rect_style_default(CreationDefaults& d, int32_t v) {
  d.rectangle.edge_style = v;  // later rectangles too
}

// --- triangle ----------------------------------------------------------

constexpr std::string_view kApex[] = {"上", "下"};

void triangle_default(CreationDefaults& d, int32_t v) {
  d.triangle.direction = v;
}

// --- polygon -----------------------------------------------------------

// The diameter is both the width and the height.
PageEdit polygon_size(CketralDoc& doc, std::string_view text, const RowKey& key) {
  return page::change_current(doc, key, [text](MarkObject& o, PageEdit&) {
    auto* b = o.block<PolygonParams>();
    if (b == nullptr) return false;
    b->size = page::read_measure(text);
    o.width = o.height = b->size;
    return true;
  });
}

// A polygon of millions of sides draws as a circle at any size and takes a
// moment per repaint; three sides is the least that closes.
constexpr int64_t kMaxPolygonEdges = 10000;

PageEdit polygon_edges(CketralDoc& doc, std::string_view text, const RowKey& key) {
  return page::change_current(doc, key, [text](MarkObject& o, PageEdit& e) {
    auto* b = o.block<PolygonParams>();
    if (b == nullptr) return false;
    const int64_t n = page::read_count(text);
    if (n < 0 || n > kMaxPolygonEdges) {
      e.status = "A polygon of " + std::to_string(n) + " edges is refused: at most " +
                 std::to_string(kMaxPolygonEdges) + ".";
      return false;
    }
    b->edge_count = static_cast<int32_t>(n);
    return true;
  });
}

// --- barcode -----------------------------------------------------------

// Width = bar width × this, for a text of n characters.
double barcode_factor(const BarcodeParams& b) {
  return 1.0 / code39_bar_width(1.0, b.text.size());
}

PageEdit barcode_width(CketralDoc& doc, std::string_view text, const RowKey& key) {
  return page::change_current(doc, key, [text](MarkObject& o, PageEdit&) {
    auto* b = o.block<BarcodeParams>();
    if (b == nullptr) return false;
    o.width = b->size_x = page::read_measure(text);
    b->bar_width = code39_bar_width(o.width, b->text.size());
    return true;
  });
}

PageEdit barcode_height(CketralDoc& doc, std::string_view text, const RowKey& key) {
  return page::change_current(doc, key, [text](MarkObject& o, PageEdit&) {
    auto* b = o.block<BarcodeParams>();
    if (b == nullptr) return false;
    o.height = b->size_y = page::read_measure(text);
    return true;
  });
}

PageEdit barcode_bar(CketralDoc& doc, std::string_view text, const RowKey& key) {
  return page::change_current(doc, key, [text](MarkObject& o, PageEdit&) {
    auto* b = o.block<BarcodeParams>();
    if (b == nullptr) return false;
    b->bar_width = page::read_measure(text);
    o.width = b->size_x = b->bar_width * barcode_factor(*b);
    return true;
  });
}

std::string barcode_text_read(const CketralDoc& doc) {
  return cp932_to_utf8(page::current_block<BarcodeParams>(doc).text);
}

PageEdit barcode_text(CketralDoc& doc, std::string_view text, const RowKey& key) {
  PageEdit refused;
  // Code 39 carries printable ASCII only; a byte the format cannot hold is
  // refused rather than marked as something else.
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x80 || u < 0x20) {
      refused.status = "A barcode holds letters, digits and ASCII signs only; \"" +
                       std::string(text) + "\" is refused.";
      return refused;
    }
  }
  if (text.size() > kBarcodeTextMax) {
    refused.status = "A barcode text holds at most " + std::to_string(kBarcodeTextMax) +
                     " characters; this one has " + std::to_string(text.size()) + ".";
    return refused;
  }
  return page::change_current(doc, key, [text](MarkObject& o, PageEdit& e) {
    auto* b = o.block<BarcodeParams>();
    if (b == nullptr) return false;
    if (b->variable == 2) {
      if (const TemplateParse t = parse_fields(text); !t.ok) {
        e.status = "The data fields cannot be read: " + t.error;
        return false;
      }
    }
    b->text = std::string(text);
    b->bar_width = code39_bar_width(o.width, b->text.size());
    return true;
  });
}

constexpr std::string_view kDisplayTypes[] = {"標準", "原本"};

// --- PLT ---------------------------------------------------------------

constexpr std::string_view kLayerNames[] = {"Black", "Red",  "Yellow",  "Green",
                                            "Cyan",  "Blue", "Magenta", "White"};

template <int Pen>
std::string plt_pen_read(const CketralDoc& doc) {
  return std::to_string(page::current_block<PltBlock>(doc).pen_layer[Pen]);
}

template <int Pen>
PageEdit plt_pen_apply(CketralDoc& doc, std::string_view text, const RowKey& key) {
  const int64_t v = page::read_count(text);
  if (v < 0 || v > 7) return {};
  return page::change_current(doc, key, [v](MarkObject& o, PageEdit&) {
    auto* b = o.block<PltBlock>();
    if (b == nullptr) return false;
    b->pen_layer[Pen] = static_cast<int32_t>(v);
    return true;
  });
}

template <int Pen>
constexpr PageRow pen_row(std::string_view label) {
  return {1081 + Pen,          label,       RowKind::Combo, &plt_pen_read<Pen>,
          &plt_pen_apply<Pen>, kLayerNames, "色の選択"};
}

// --- BMP ---------------------------------------------------------------

constexpr std::string_view kImageStyles[] = {"標準", "原本"};

// --- the tables --------------------------------------------------------

constexpr PageRow kOffsetX = header_row<HF::CentX>(1101, "オフセットX");
constexpr PageRow kOffsetY = header_row<HF::CentY>(1102, "オフセットY");

// Line, PLT and VCT: the header rows only.
constexpr PageRow kLineRows[] = {
    kOffsetX,
    kOffsetY,
    header_row<HF::Width>(1103, "横幅"),
    header_row<HF::Height>(1104, "縦幅"),
    header_row<HF::Angle>(1105, "角度"),
    header_row<HF::Rows>(1106, "行数"),
    header_row<HF::Columns>(1107, "列数"),
    header_row<HF::RowGap>(1108, "行間"),
    header_row<HF::ColumnGap>(1109, "列間"),
    keep_aspect_row(),
};

constexpr PageRow kRectRows[] = {
    kOffsetX,
    kOffsetY,
    header_row<HF::Width>(1103, "横幅"),
    header_row<HF::Height>(1104, "縦幅"),
    block_row<&RectangleParams::edge_size>(1105, "エッジサイズ"),
    block_row<&RectangleParams::edge_radius>(1106, "エッジ半径"),
    page::choice_row<&RectangleParams::edge_style, kEdgeStyles, &rect_style_default>(
        1311, "エッジスタイル"),
    header_row<HF::Rows>(1107, "行数"),
    header_row<HF::Columns>(1108, "列数"),
    header_row<HF::RowGap>(1109, "行間"),
    header_row<HF::ColumnGap>(1110, "列間"),
    keep_aspect_row(),
};

constexpr PageRow kCircleRows[] = {
    kOffsetX,
    kOffsetY,
    header_row<HF::Width>(1103, "サイズX"),
    header_row<HF::Height>(1104, "サイズY"),
    block_row<&CircleParams::edge_size>(1105, "エッジサイズ"),
    header_row<HF::Rows>(1106, "行数"),
    header_row<HF::Columns>(1107, "列数"),
    header_row<HF::RowGap>(1108, "行間"),
    header_row<HF::ColumnGap>(1109, "列間"),
    keep_aspect_row(),
};

constexpr PageRow kTriangleRows[] = {
    kOffsetX,
    kOffsetY,
    header_row<HF::Width>(1103, "横幅"),
    header_row<HF::Height>(1104, "縦幅"),
    block_row<&TriangleParams::edge_size>(1105, "エッジサイズ"),
    page::choice_row<&TriangleParams::direction, kApex, &triangle_default>(1311,
                                                                           "グラフィックスタイル"),
    header_row<HF::Rows>(1106, "行数"),
    header_row<HF::Columns>(1107, "列数"),
    header_row<HF::RowGap>(1108, "行間"),
    header_row<HF::ColumnGap>(1109, "列間"),
    keep_aspect_row(),
};

constexpr PageRow kRhombicRows[] = {
    kOffsetX,
    kOffsetY,
    header_row<HF::Width>(1103, "横幅"),
    header_row<HF::Height>(1104, "縦幅"),
    block_row<&RhombicParams::edge_size>(1105, "エッジサイズ"),
    header_row<HF::Rows>(1106, "行数"),
    header_row<HF::Columns>(1107, "列数"),
    header_row<HF::RowGap>(1108, "行間"),
    header_row<HF::ColumnGap>(1109, "列間"),
    keep_aspect_row(),
};

constexpr PageRow kPolygonRows[] = {
    kOffsetX,
    kOffsetY,
    {1103, "サイズ", RowKind::Measure, &page::block_read<&PolygonParams::size>, &polygon_size},
    block_row<&PolygonParams::edge_size>(1104, "エッジサイズ"),
    {1105, "エッジの数", RowKind::Count, &page::block_read<&PolygonParams::edge_count>,
     &polygon_edges},
    header_row<HF::Rows>(1106, "行数"),
    header_row<HF::Columns>(1107, "列数"),
    header_row<HF::RowGap>(1108, "行間"),
    header_row<HF::ColumnGap>(1109, "列間"),
};

constexpr PageRow kBarcodeRows[] = {
    kOffsetX,
    kOffsetY,
    {1103, "サイズX", RowKind::Measure, &page::header_read<HF::Width>, &barcode_width},
    {1104, "サイズY", RowKind::Measure, &page::header_read<HF::Height>, &barcode_height},
    {1105, "バーの幅", RowKind::Measure, &page::block_read<&BarcodeParams::bar_width>,
     &barcode_bar},
    page::serial_tick_row(),
    page::fields_tick_row(),
    {1110, "文字列", RowKind::Line, &barcode_text_read, &barcode_text},
    header_row<HF::Rows>(1106, "行数"),
    header_row<HF::Columns>(1107, "列数"),
    header_row<HF::RowGap>(1108, "行間"),
    header_row<HF::ColumnGap>(1109, "列間"),
    page::choice_row<&BarcodeParams::display_type, kDisplayTypes>(1301, "表示タイプ"),
};

constexpr PageRow kPltRows[] = {
    kLineRows[0],      kLineRows[1],      kLineRows[2],      kLineRows[3],      kLineRows[4],
    kLineRows[5],      kLineRows[6],      kLineRows[7],      kLineRows[8],      keep_aspect_row(),
    pen_row<0>("SP1"), pen_row<1>("SP2"), pen_row<2>("SP3"), pen_row<3>("SP4"), pen_row<4>("SP5"),
    pen_row<5>("SP6"), pen_row<6>("SP7"), pen_row<7>("SP8"),
};

constexpr PageRow kBmpRows[] = {
    kOffsetX,
    kOffsetY,
    header_row<HF::Width>(1103, "横幅"),
    header_row<HF::Height>(1104, "縦幅"),
    header_row<HF::Rows>(1105, "行数"),
    header_row<HF::Columns>(1106, "列数"),
    header_row<HF::RowGap>(1107, "行間"),
    header_row<HF::ColumnGap>(1108, "列間"),
    page::choice_row<&BmpBlock::style, kImageStyles>(1311, "イメージのスタイル"),
    {1135, "ファイルの選択", RowKind::Button},
    keep_aspect_row(),
};

}  // namespace

PageEdit choose_bmp_file(CketralDoc& doc, Operator& op) {
  if (page::current_of(doc, BMP) == nullptr) return {};
  FileRequest r;
  r.initial_name = "*.bmp";
  r.filter = "BMP File(*.bmp)|*.bmp|";
  const auto path = op.choose_file(r);
  if (!path) return {};
  op.set_status(0, "              Outputing Data，ESC Key to Stop!");
  BmpLoad load = LoadBmp(*path, doc.settings.resolution, &op);  // it shows its own refusals
  op.set_status(0, " ");
  if (load.result != BmpLoad::kLoaded) return {};
  return page::change_current(doc, {"bmp file", "ファイルの選択"}, [&](MarkObject& o, PageEdit&) {
    auto* b = o.block<BmpBlock>();
    if (b == nullptr) return false;
    b->source_path = path->string();
    b->width_px = load.width_px;
    b->height_px = load.height_px;
    b->top_down = load.top_down;
    b->bits_offset = load.bits_offset;
    b->dib = SharedBytes(std::move(load.dib));
    return true;
  });
}

std::span<const PageRow> shape_page_rows(PageId id) {
  switch (id) {
    case PageId::Line:
    case PageId::Vct:
      return kLineRows;
    case PageId::Rect:
      return kRectRows;
    case PageId::Circle:
      return kCircleRows;
    case PageId::Triangle:
      return kTriangleRows;
    case PageId::Rhombic:
      return kRhombicRows;
    case PageId::Polygon:
      return kPolygonRows;
    case PageId::Barcode:
      return kBarcodeRows;
    case PageId::Plt:
      return kPltRows;
    case PageId::Bmp:
      return kBmpRows;
    default:
      return {};
  }
}

}  // namespace lumetch
