#include "model/field_table.h"

#include <cmath>
#include <type_traits>

#include "platform/text_file.h"

namespace lumetch {

namespace {

using F = FieldFormat;
using U = Unit;

constexpr FieldDef<MarkObject> kHeader[] = {
    {"rows", "行数", U::None, F::Integer, &MarkObject::rows},
    {"columns", "列数", U::None, F::Integer, &MarkObject::columns},
    {"row_gap", "行間", U::Mm, F::Real, &MarkObject::row_gap},
    {"column_gap", "列間", U::Mm, F::Real, &MarkObject::column_gap},
    {"cent_x", "オフセットX", U::Mm, F::Real, &MarkObject::cent_x},
    {"cent_y", "オフセットY", U::Mm, F::Real, &MarkObject::cent_y},
    {"width", "横幅", U::Mm, F::Real, &MarkObject::width},
    {"height", "縦幅", U::Mm, F::Real, &MarkObject::height},
    {"angle", "角度", U::Degrees, F::Real, &MarkObject::angle},
    {"layer", "", U::None, F::Integer, &MarkObject::layer},
    {"output_mode", "", U::None, F::Integer, &MarkObject::output_mode},
    {"fill_pitch", "", U::Mm, F::Real, &MarkObject::fill_pitch},
    {"fill_direction", "", U::None, F::Integer, &MarkObject::fill_direction},
    {"keep_aspect", "縦横の比率を固定する", U::None, F::Integer, &MarkObject::keep_aspect},
    {"mirror_x", "", U::None, F::Integer, &MarkObject::mirror_x},
    {"mirror_y", "", U::None, F::Integer, &MarkObject::mirror_y},
};

constexpr FieldDef<LineParams> kLine[] = {
    {"size_x", "", U::Mm, F::Real, &LineParams::size_x},
    {"size_y", "", U::Mm, F::Real, &LineParams::size_y},
};

// The corner radius is written "%4.2f", two decimals only: layouts from the
// old program hold it so, and a wider field would change every rectangle
// record.
constexpr FieldDef<RectangleParams> kRectangle[] = {
    {"size_x", "横幅", U::Mm, F::Real, &RectangleParams::size_x},
    {"size_y", "縦幅", U::Mm, F::Real, &RectangleParams::size_y},
    {"edge_size", "エッジサイズ", U::Mm, F::Real, &RectangleParams::edge_size},
    {"edge_style", "エッジスタイル", U::None, F::Integer, &RectangleParams::edge_style},
    {"edge_radius", "エッジ半径", U::Mm, F::Real, &RectangleParams::edge_radius, 4, 2},
};

constexpr FieldDef<CircleParams> kCircle[] = {
    {"size_x", "サイズX", U::Mm, F::Real, &CircleParams::size_x},
    {"size_y", "サイズY", U::Mm, F::Real, &CircleParams::size_y},
    {"edge_size", "エッジサイズ", U::Mm, F::Real, &CircleParams::edge_size},
};

constexpr FieldDef<TriangleParams> kTriangle[] = {
    {"size_x", "横幅", U::Mm, F::Real, &TriangleParams::size_x},
    {"size_y", "縦幅", U::Mm, F::Real, &TriangleParams::size_y},
    {"edge_size", "エッジサイズ", U::Mm, F::Real, &TriangleParams::edge_size},
    {"direction", "", U::None, F::Integer, &TriangleParams::direction},
};

// The rhombus's three sizes are written "%7.2f" (two decimals), as the old
// program wrote them; its layouts must read and write back unchanged.
constexpr FieldDef<RhombicParams> kRhombic[] = {
    {"size_x", "横幅", U::Mm, F::Real, &RhombicParams::size_x, 7, 2},
    {"size_y", "縦幅", U::Mm, F::Real, &RhombicParams::size_y, 7, 2},
    {"edge_size", "エッジサイズ", U::Mm, F::Real, &RhombicParams::edge_size, 7, 2},
};

constexpr FieldDef<PolygonParams> kPolygon[] = {
    {"size", "サイズ", U::Mm, F::Real, &PolygonParams::size},
    {"edge_size", "エッジサイズ", U::Mm, F::Real, &PolygonParams::edge_size},
    {"edge_count", "エッジの数", U::None, F::Integer, &PolygonParams::edge_count},
};

// The line lengths (line_count + 1 of them) and the character records follow.
constexpr FieldDef<LineTextParams> kLineText[] = {
    {"char_gap", "字間", U::Mm, F::Real, &LineTextParams::char_gap},
    {"size_x", "サイズX", U::Mm, F::Real, &LineTextParams::size_x},
    {"size_y", "サイズY", U::Mm, F::Real, &LineTextParams::size_y},
    {"line_width_x", "線幅X", U::Mm, F::Real, &LineTextParams::line_width_x},
    {"line_width_y", "線幅Y", U::Mm, F::Real, &LineTextParams::line_width_y},
    {"vertical", "", U::None, F::Integer, &LineTextParams::vertical},
    {"align", "", U::None, F::Integer, &LineTextParams::align},
    {"font_weight", "", U::None, F::Integer, &LineTextParams::font_weight},
    {"font_italic", "", U::None, F::Integer, &LineTextParams::font_italic},
    {"font_charset", "", U::None, F::Integer, &LineTextParams::font_charset},
    {"face_name", "", U::None, F::Text, &LineTextParams::face_name},
    {"text", "", U::None, F::Text, &LineTextParams::text},
    {"line_gap", "行間", U::Mm, F::Real, &LineTextParams::line_gap},
    {"line_count", "", U::None, F::Integer, &LineTextParams::line_count},
};

// The character records follow, each number closed by ",".
constexpr FieldDef<ArcTextParams> kArcText[] = {
    {"size_x", "サイズX", U::Mm, F::Real, &ArcTextParams::size_x},
    {"size_y", "サイズY", U::Mm, F::Real, &ArcTextParams::size_y},
    {"downward", "", U::None, F::Integer, &ArcTextParams::downward},
    {"radius_x", "半径X", U::Mm, F::Real, &ArcTextParams::radius_x},
    {"radius_y", "半径Y", U::Mm, F::Real, &ArcTextParams::radius_y},
    {"span", "両端サイズ", U::Degrees, F::Real, &ArcTextParams::span},
    {"line_width_x", "", U::Mm, F::Real, &ArcTextParams::line_width_x},
    {"line_width_y", "", U::Mm, F::Real, &ArcTextParams::line_width_y},
    {"font_weight", "", U::None, F::Integer, &ArcTextParams::font_weight},
    {"font_italic", "", U::None, F::Integer, &ArcTextParams::font_italic},
    {"font_charset", "", U::None, F::Integer, &ArcTextParams::font_charset},
    {"face_name", "", U::None, F::Text, &ArcTextParams::face_name},
    {"text", "", U::None, F::Text, &ArcTextParams::text},
};

constexpr FieldDef<BarcodeParams> kBarcode[] = {
    {"size_x", "サイズX", U::Mm, F::Real, &BarcodeParams::size_x},
    {"size_y", "サイズY", U::Mm, F::Real, &BarcodeParams::size_y},
    {"bar_width", "バーの幅", U::Mm, F::Real, &BarcodeParams::bar_width},
    {"display_type", "", U::None, F::Integer, &BarcodeParams::display_type},
    {"text", "文字列", U::None, F::Rest, &BarcodeParams::text},
};

// The data runs to the end of the line; the record code escapes its breaks.
constexpr FieldDef<CodeParams> kCode[] = {
    {"size_x", "サイズX", U::Mm, F::Real, &CodeParams::size_x},
    {"size_y", "サイズY", U::Mm, F::Real, &CodeParams::size_y},
    {"symbology", "コードの種類", U::None, F::Integer, &CodeParams::symbology},
    {"ecc", "誤り訂正", U::None, F::Integer, &CodeParams::ecc},
    {"code_size", "型番", U::None, F::Integer, &CodeParams::code_size},
    {"quiet_zone", "クワイエットゾーン", U::None, F::Integer, &CodeParams::quiet_zone},
    {"gs1", "GS1", U::None, F::Integer, &CodeParams::gs1},
    {"display_type", "", U::None, F::Integer, &CodeParams::display_type},
    {"data", "データ", U::None, F::Rest, &CodeParams::data},
};

constexpr FieldDef<PltBlock> kPlt[] = {
    {"source_path", "", U::None, F::Rest, &PltBlock::source_path},
};

constexpr FieldDef<BmpBlock> kBmp[] = {
    {"style", "", U::None, F::Integer, &BmpBlock::style},
    {"source_path", "", U::None, F::Rest, &BmpBlock::source_path},
};

constexpr FieldDef<VctBlock> kVct[] = {
    {"source_path", "", U::None, F::Rest, &VctBlock::source_path},
};

// --- "default.$" records ---------------------------------------------------
// A name, label and unit repeat those of the block or header field the
// default fills (a test holds them to it); lengths and angles are the typed
// texts. The line text's line table follows its fields: it is built from the
// text, so the record code writes and checks it.

using CD = CreationDefaults;
using D = DefaultsFormat;
using S = StylePart;

constexpr DefaultsFieldDef<CD::LineText> kDefLineText[] = {
    {"width", "横幅", U::Mm, D::Typed, &CD::LineText::width},
    {"height", "縦幅", U::Mm, D::Typed, &CD::LineText::height},
    {"size_x", "サイズX", U::Mm, D::Typed, &CD::LineText::size_x},
    {"size_y", "サイズY", U::Mm, D::Typed, &CD::LineText::size_y},
    {"char_gap", "字間", U::Mm, D::Typed, &CD::LineText::char_gap},
    {"line_width_x", "線幅X", U::Mm, D::Typed, &CD::LineText::line_width_x},
    {"line_width_y", "線幅Y", U::Mm, D::Typed, &CD::LineText::line_width_y},
    {"angle", "角度", U::Degrees, D::Typed, &CD::LineText::angle},
    {"line_gap", "行間", U::Mm, D::Typed, &CD::LineText::line_gap},
    {"vertical", "", U::None, D::Integer, &CD::LineText::vertical},
    {"align", "", U::None, D::Integer, &CD::LineText::align},
    {"text", "", U::None, D::OpenText, &CD::LineText::text, '\t'},
    {"face_name", "", U::None, D::Text, &CD::LineText::face_name, '\t'},
    {"font_weight", "", U::None, D::Integer, &CD::LineText::font_weight},
    {"font_italic", "", U::None, D::Integer, &CD::LineText::font_italic},
    {"font_charset", "", U::None, D::Integer, &CD::LineText::font_charset},
    {"layer", "", U::None, D::Integer, &CD::LineText::layer},
    {"output_style", "", U::None, D::Style, &CD::LineText::style},
};

constexpr DefaultsFieldDef<CD::ArcText> kDefArcText[] = {
    {"size_x", "サイズX", U::Mm, D::Typed, &CD::ArcText::size_x},
    {"size_y", "サイズY", U::Mm, D::Typed, &CD::ArcText::size_y},
    {"radius_x", "半径X", U::Mm, D::Typed, &CD::ArcText::radius_x},
    {"radius_y", "半径Y", U::Mm, D::Typed, &CD::ArcText::radius_y},
    {"span", "両端サイズ", U::Degrees, D::Typed, &CD::ArcText::span},
    {"line_width_x", "", U::Mm, D::Typed, &CD::ArcText::line_width_x},
    {"line_width_y", "", U::Mm, D::Typed, &CD::ArcText::line_width_y},
    {"angle", "角度", U::Degrees, D::Typed, &CD::ArcText::angle},
    {"downward", "", U::None, D::Integer, &CD::ArcText::downward},
    {"text", "", U::None, D::OpenText, &CD::ArcText::text, '\t'},
    {"face_name", "", U::None, D::Text, &CD::ArcText::face_name, '\t'},
    {"font_weight", "", U::None, D::Integer, &CD::ArcText::font_weight},
    {"font_italic", "", U::None, D::Integer, &CD::ArcText::font_italic},
    {"font_charset", "", U::None, D::Integer, &CD::ArcText::font_charset},
    {"layer", "", U::None, D::Integer, &CD::ArcText::layer},
    {"output_style", "", U::None, D::Style, &CD::ArcText::style},
};

// Length and thickness become the line block's two sizes.
constexpr DefaultsFieldDef<CD::Line> kDefLine[] = {
    {"size_x", "", U::Mm, D::Typed, &CD::Line::length},
    {"size_y", "", U::Mm, D::Typed, &CD::Line::thickness},
    {"angle", "角度", U::Degrees, D::Typed, &CD::Line::angle},
    {"output_style", "", U::None, D::Style, &CD::Line::style},
};

constexpr DefaultsFieldDef<CD::Rectangle> kDefRectangle[] = {
    {"size_x", "横幅", U::Mm, D::Typed, &CD::Rectangle::width},
    {"size_y", "縦幅", U::Mm, D::Typed, &CD::Rectangle::height},
    {"edge_size", "エッジサイズ", U::Mm, D::Typed, &CD::Rectangle::edge_size},
    {"edge_radius", "エッジ半径", U::Mm, D::Typed, &CD::Rectangle::edge_radius},
    {"edge_style", "エッジスタイル", U::None, D::Integer, &CD::Rectangle::edge_style},
    {"output_style", "", U::None, D::Style, &CD::Rectangle::style},
};

constexpr DefaultsFieldDef<CD::Ellipse> kDefEllipse[] = {
    {"size_x", "サイズX", U::Mm, D::Typed, &CD::Ellipse::size_x},
    {"size_y", "サイズY", U::Mm, D::Typed, &CD::Ellipse::size_y},
    {"edge_size", "エッジサイズ", U::Mm, D::Typed, &CD::Ellipse::edge_size},
    {"output_style", "", U::None, D::Style, &CD::Ellipse::style},
};

constexpr DefaultsFieldDef<CD::Triangle> kDefTriangle[] = {
    {"size_x", "横幅", U::Mm, D::Typed, &CD::Triangle::width},
    {"size_y", "縦幅", U::Mm, D::Typed, &CD::Triangle::height},
    {"edge_size", "エッジサイズ", U::Mm, D::Typed, &CD::Triangle::edge_size},
    {"direction", "", U::None, D::Integer, &CD::Triangle::direction},
    {"output_style", "", U::None, D::Style, &CD::Triangle::style},
};

constexpr DefaultsFieldDef<CD::Rhombic> kDefRhombic[] = {
    {"size_x", "横幅", U::Mm, D::Typed, &CD::Rhombic::width},
    {"size_y", "縦幅", U::Mm, D::Typed, &CD::Rhombic::height},
    {"edge_size", "エッジサイズ", U::Mm, D::Typed, &CD::Rhombic::edge_size},
    {"output_style", "", U::None, D::Style, &CD::Rhombic::style},
};

// The edge count is typed into a box like the lengths and kept as that text.
constexpr DefaultsFieldDef<CD::Polygon> kDefPolygon[] = {
    {"size", "サイズ", U::Mm, D::Typed, &CD::Polygon::size},
    {"edge_size", "エッジサイズ", U::Mm, D::Typed, &CD::Polygon::edge_size},
    {"edge_count", "エッジの数", U::None, D::Typed, &CD::Polygon::edge_count},
    {"output_style", "", U::None, D::Style, &CD::Polygon::style},
};

// The text may hold ",": only numbers follow it.
constexpr DefaultsFieldDef<CD::Barcode> kDefBarcode[] = {
    {"size_x", "サイズX", U::Mm, D::Typed, &CD::Barcode::width},
    {"size_y", "サイズY", U::Mm, D::Typed, &CD::Barcode::height},
    {"text", "文字列", U::None, D::OpenText, &CD::Barcode::text},
    {"output_style", "", U::None, D::Style, &CD::Barcode::style},
};

// A BMP object's line spacing.
constexpr DefaultsFieldDef<CD::Bmp> kDefBmp[] = {
    {"fill_pitch", "", U::Mm, D::Pitch, &CD::Bmp::fill_pitch},
};

// The VCT line holds the style in an order of its own.
constexpr DefaultsFieldDef<CD::Vct> kDefVct[] = {
    {"output_mode", "", U::None, D::Style, &CD::Vct::style, ',', S::Mode},
    {"fill_direction", "", U::None, D::Style, &CD::Vct::style, ',', S::Direction},
    {"fill_pitch", "", U::Mm, D::Style, &CD::Vct::style, ',', S::Pitch},
};

template <class Record>
bool same_value(const Record& a, const Record& b, const FieldDef<Record>& f) {
  return std::visit(
      [&](auto member) {
        const auto& x = a.*member;
        const auto& y = b.*member;
        if constexpr (std::is_same_v<std::decay_t<decltype(x)>, double>) {
          return x == y || (std::isnan(x) && std::isnan(y));
        } else {
          return x == y;
        }
      },
      f.member);
}

std::string_view unit_text(Unit u) {
  switch (u) {
    case Unit::Mm:
      return "mm";
    case Unit::Degrees:
      return "°";
    case Unit::None:
      break;
  }
  return "";
}

}  // namespace

std::span<const FieldDef<MarkObject>> header_fields() {
  return kHeader;
}

template <>
std::span<const FieldDef<LineParams>> block_fields() {
  return kLine;
}
template <>
std::span<const FieldDef<RectangleParams>> block_fields() {
  return kRectangle;
}
template <>
std::span<const FieldDef<CircleParams>> block_fields() {
  return kCircle;
}
template <>
std::span<const FieldDef<TriangleParams>> block_fields() {
  return kTriangle;
}
template <>
std::span<const FieldDef<RhombicParams>> block_fields() {
  return kRhombic;
}
template <>
std::span<const FieldDef<PolygonParams>> block_fields() {
  return kPolygon;
}
template <>
std::span<const FieldDef<LineTextParams>> block_fields() {
  return kLineText;
}
template <>
std::span<const FieldDef<ArcTextParams>> block_fields() {
  return kArcText;
}
template <>
std::span<const FieldDef<BarcodeParams>> block_fields() {
  return kBarcode;
}
template <>
std::span<const FieldDef<PltBlock>> block_fields() {
  return kPlt;
}
template <>
std::span<const FieldDef<BmpBlock>> block_fields() {
  return kBmp;
}
template <>
std::span<const FieldDef<VctBlock>> block_fields() {
  return kVct;
}
template <>
std::span<const FieldDef<CodeParams>> block_fields() {
  return kCode;
}

template <>
std::span<const DefaultsFieldDef<CD::LineText>> defaults_fields() {
  return kDefLineText;
}
template <>
std::span<const DefaultsFieldDef<CD::ArcText>> defaults_fields() {
  return kDefArcText;
}
template <>
std::span<const DefaultsFieldDef<CD::Line>> defaults_fields() {
  return kDefLine;
}
template <>
std::span<const DefaultsFieldDef<CD::Rectangle>> defaults_fields() {
  return kDefRectangle;
}
template <>
std::span<const DefaultsFieldDef<CD::Ellipse>> defaults_fields() {
  return kDefEllipse;
}
template <>
std::span<const DefaultsFieldDef<CD::Triangle>> defaults_fields() {
  return kDefTriangle;
}
template <>
std::span<const DefaultsFieldDef<CD::Rhombic>> defaults_fields() {
  return kDefRhombic;
}
template <>
std::span<const DefaultsFieldDef<CD::Polygon>> defaults_fields() {
  return kDefPolygon;
}
template <>
std::span<const DefaultsFieldDef<CD::Barcode>> defaults_fields() {
  return kDefBarcode;
}
template <>
std::span<const DefaultsFieldDef<CD::Bmp>> defaults_fields() {
  return kDefBmp;
}
template <>
std::span<const DefaultsFieldDef<CD::Vct>> defaults_fields() {
  return kDefVct;
}

std::vector<FieldValue> field_values(const ParamBlock& block) {
  std::vector<FieldValue> out;
  std::visit(
      [&](const auto& p) {
        using Block = std::decay_t<decltype(p)>;
        if constexpr (!std::is_same_v<Block, std::monostate>) {
          for (const FieldDef<Block>& f : block_fields<Block>()) {
            FieldValue v{f.name, {}, unit_text(f.unit), false};
            std::visit(
                [&](auto member) {
                  const auto& x = p.*member;
                  using T = std::decay_t<decltype(x)>;
                  if constexpr (std::is_same_v<T, double>) {
                    v.value = std::string(trim_blanks(format_fixed(x, f.width, f.precision)));
                  } else if constexpr (std::is_same_v<T, int32_t>) {
                    v.value = std::to_string(x);
                  } else {
                    v.value = x;
                    v.text = true;
                  }
                },
                f.member);
            out.push_back(std::move(v));
          }
        }
      },
      block);
  return out;
}

void changed_block_fields(const ParamBlock& a, const ParamBlock& b,
                          std::vector<std::string_view>& names) {
  if (a.index() != b.index()) {
    names.push_back("params");
    return;
  }
  std::visit(
      [&](const auto& x) {
        using Block = std::decay_t<decltype(x)>;
        if constexpr (!std::is_same_v<Block, std::monostate>) {
          const Block& y = std::get<Block>(b);
          if (x == y) return;
          bool named = false;
          for (const FieldDef<Block>& f : block_fields<Block>()) {
            if (!same_value(x, y, f)) {
              names.push_back(f.name);
              named = true;
            }
          }
          // What the table does not hold: line lengths, character records,
          // files and loaded data.
          if (!named) names.push_back("params");
        }
      },
      a);
}

}  // namespace lumetch
