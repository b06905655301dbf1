// The page of the code object: its box, symbology, options and data. A
// change that would leave a code the encoder refuses is refused as it is
// entered, with the encoder's reason, so that nothing reaches a job that
// could not mark it.

#include <cstddef>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>

#include "commands/page_rows.h"
#include "geometry/code_symbol.h"
#include "geometry/serial.h"
#include "geometry/variable_fields.h"
#include "platform/text_codec.h"

namespace lumetch {

namespace {

using page::header_row;
using HF = HeaderField;

constexpr std::string_view kSymbologies[] = {"QR", "Data Matrix", "Code 128"};
constexpr std::string_view kEccLevels[] = {"自動", "L", "M", "Q", "H"};
constexpr std::string_view kCodeDisplayTypes[] = {"標準", "反転"};
constexpr std::string_view kVariableKinds[] = {"なし", "シリアル番号", "可変データ"};

// The largest size number the encoder knows per symbology (0 picks the
// smallest that fits).
constexpr int64_t kMaxQrVersion = 40;
constexpr int64_t kMaxDataMatrixSize = 30;

std::string symbology_name(int32_t symbology) {
  return symbology >= 0 && symbology < static_cast<int32_t>(std::size(kSymbologies))
             ? std::string(kSymbologies[symbology])
             : std::string(kSymbologies[kCodeQr]);  // the encoder's reading of others
}

bool all_digits(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// Why the code `o` could not be marked as it stands; empty when it can.
// Data fields are filled at every pass, so only their form is checked here
// and the filled data at marking time.
std::string code_refusal(const MarkObject& o) {
  const CodeParams& b = *o.block<CodeParams>();
  if (b.data.empty()) return "A code needs data: empty data is refused.";
  if (b.variable == 2) {
    const TemplateParse t = parse_fields(b.data);
    return t.ok ? std::string() : "The data fields are refused: " + t.error;
  }
  // The serial rule keeps only a leading number; anything after it would
  // be lost at the first pass.
  if (b.variable == 1 && !all_digits(b.data)) {
    return "A serial number holds the digits 0 to 9 only; this data is refused.";
  }
  const CodeEncoding e = encode_block(b);
  if (!e.ok) return symbology_name(b.symbology) + " cannot encode this: " + e.error;
  if (b.variable == 1 && NextSerialOf(o).empty()) {
    return "The serial number could not advance: the next number does not fit this code.";
  }
  return {};
}

using CodeChange = std::function<bool(MarkObject&, CodeParams&, PageEdit&)>;

// One change of the current code as an undo step, kept only when the code
// can still be marked afterwards.
PageEdit change_code(CketralDoc& doc, const RowKey& key, const CodeChange& change) {
  return page::change_current(doc, key, [&change](MarkObject& o, PageEdit& e) {
    CodeParams* b = o.block<CodeParams>();
    if (b == nullptr || !change(o, *b, e)) return false;
    e.status = code_refusal(o);
    return e.status.empty();
  });
}

// --- the box -------------------------------------------------------------

// The size boxes keep the block's size and the object's in step. With the
// proportions kept, the other side follows; from a zero side it takes the
// symbol's own proportions, as a ratio of zero cannot be scaled back.
template <bool X>
PageEdit code_side_apply(CketralDoc& doc, std::string_view text, const RowKey& key) {
  return page::change_current(doc, key, [text](MarkObject& o, PageEdit&) {
    CodeParams* b = o.block<CodeParams>();
    if (b == nullptr) return false;
    double& side = X ? o.width : o.height;
    double& other = X ? o.height : o.width;
    const double old = side;
    side = page::read_measure(text);
    if (o.keep_aspect == 1) {
      if (old != 0 && other != 0) {
        other = other * side / old;
      } else if (const CodeEncoding e = encode_block(*b); e.ok) {
        other =
            X ? side * e.symbol.height / e.symbol.width : side * e.symbol.width / e.symbol.height;
      }
    }
    b->size_x = o.width;
    b->size_y = o.height;
    return true;
  });
}

// --- symbology and options -------------------------------------------------

PageEdit code_symbology_apply(CketralDoc& doc, std::string_view text, const RowKey& key) {
  const int64_t v = page::read_count(text);
  if (v < 0 || v >= static_cast<int64_t>(std::size(kSymbologies))) return {};
  return change_code(doc, key, [v](MarkObject& o, CodeParams& b, PageEdit&) {
    const auto s = static_cast<int32_t>(v);
    if (b.symbology == s) return true;
    const bool was_linear = b.symbology == kCodeCode128;
    b.symbology = s;
    // Sizes are numbered per symbology, error correction is chosen for QR
    // only and GS1 data is not encoded as QR: what the new symbology would
    // ignore goes back to its default, so the page shows what is used.
    b.code_size = 0;
    if (s != kCodeQr) b.ecc = 0;
    if (s == kCodeQr) b.gs1 = 0;
    // A 2D code's modules are square; its box keeps its proportions.
    if (was_linear != (s == kCodeCode128)) o.keep_aspect = s == kCodeCode128 ? 0 : 1;
    return true;
  });
}

PageEdit code_ecc_apply(CketralDoc& doc, std::string_view text, const RowKey& key) {
  const int64_t v = page::read_count(text);
  if (v < 0 || v >= static_cast<int64_t>(std::size(kEccLevels))) return {};
  return change_code(doc, key, [v](MarkObject&, CodeParams& b, PageEdit& e) {
    if (v != 0 && b.symbology != kCodeQr) {
      e.status = "The error correction level is chosen for QR codes only; " +
                 symbology_name(b.symbology) + " sets its own.";
      return false;
    }
    b.ecc = static_cast<int32_t>(v);
    return true;
  });
}

PageEdit code_size_apply(CketralDoc& doc, std::string_view text, const RowKey& key) {
  const int64_t n = page::read_count(text);
  return change_code(doc, key, [n](MarkObject&, CodeParams& b, PageEdit& e) {
    if (b.symbology == kCodeCode128) {
      if (n == 0) return true;
      e.status = "A Code 128 symbol has no sizes to choose from: its 型番 stays 0.";
      return false;
    }
    const bool qr = b.symbology != kCodeDataMatrix;
    const int64_t max = qr ? kMaxQrVersion : kMaxDataMatrixSize;
    if (n < 0 || n > max) {
      e.status = std::string(qr ? "A QR version" : "A Data Matrix size") + " of " +
                 std::to_string(n) + " is refused: it must lie between 0 (the smallest that " +
                 "fits) and " + std::to_string(max) + ".";
      return false;
    }
    b.code_size = static_cast<int32_t>(n);
    return true;
  });
}

PageEdit code_quiet_zone_apply(CketralDoc& doc, std::string_view text, const RowKey& key) {
  return change_code(doc, key, [text](MarkObject&, CodeParams& b, PageEdit&) {
    b.quiet_zone = text == "1" ? 1 : 0;
    return true;
  });
}

PageEdit code_gs1_apply(CketralDoc& doc, std::string_view text, const RowKey& key) {
  const bool on = text == "1";
  return change_code(doc, key, [on](MarkObject&, CodeParams& b, PageEdit& e) {
    if (on && b.symbology != kCodeDataMatrix && b.symbology != kCodeCode128) {
      e.status = "GS1 data is encoded as Data Matrix or Code 128, not as QR.";
      return false;
    }
    b.gs1 = on ? 1 : 0;
    return true;
  });
}

PageEdit code_variable_apply(CketralDoc& doc, std::string_view text, const RowKey& key) {
  const int64_t v = page::read_count(text);
  if (v < 0 || v >= static_cast<int64_t>(std::size(kVariableKinds))) return {};
  return change_code(doc, key, [v](MarkObject&, CodeParams& b, PageEdit&) {
    b.variable = static_cast<int32_t>(v);
    return true;
  });
}

// --- data ----------------------------------------------------------------

std::string code_data_read(const CketralDoc& doc) {
  return cp932_to_utf8(page::current_block<CodeParams>(doc).data);
}

PageEdit code_data_apply(CketralDoc& doc, std::string_view text, const RowKey& key) {
  PageEdit refused;
  EncodeResult r = utf8_to_cp932(text);
  if (!r.ok) {
    refused.status = "The data is refused: " + r.error;
    return refused;
  }
  // Widened katakana would be other bytes than the ones typed, and a
  // scanner would read them back as such.
  if (r.halfwidth_converted) {
    refused.status =
        "The data is refused: half-width katakana cannot be stored as typed; use full-width "
        "katakana.";
    return refused;
  }
  if (r.bytes.size() > kCodeDataMax) {
    refused.status = "The data is refused: it takes " + std::to_string(r.bytes.size()) +
                     " bytes (a two-byte character takes two), and a code holds at most " +
                     std::to_string(kCodeDataMax) + ".";
    return refused;
  }
  return change_code(doc, key, [&r](MarkObject&, CodeParams& b, PageEdit&) {
    b.data = r.bytes;
    return true;
  });
}

constexpr PageRow data_row() {
  PageRow r{1110, "データ", RowKind::Line, &code_data_read, &code_data_apply};
  r.applies_when_done = true;
  return r;
}

constexpr PageRow kCodeRows[] = {
    header_row<HF::CentX>(1101, "オフセットX"),
    header_row<HF::CentY>(1102, "オフセットY"),
    {1103, "サイズX", RowKind::Measure, &page::header_read<HF::Width>, &code_side_apply<true>},
    {1104, "サイズY", RowKind::Measure, &page::header_read<HF::Height>, &code_side_apply<false>},
    {1120, "コードの種類", RowKind::Combo, &page::block_read<&CodeParams::symbology>,
     &code_symbology_apply, kSymbologies},
    {1121, "誤り訂正", RowKind::Combo, &page::block_read<&CodeParams::ecc>, &code_ecc_apply,
     kEccLevels},
    {1122, "型番", RowKind::Count, &page::block_read<&CodeParams::code_size>, &code_size_apply},
    {1052, "クワイエットゾーン", RowKind::Check, &page::tick_read<&CodeParams::quiet_zone>,
     &code_quiet_zone_apply},
    {1053, "GS1", RowKind::Check, &page::tick_read<&CodeParams::gs1>, &code_gs1_apply},
    // A drop-down: three radio buttons of these labels are wider than the pane.
    {1123, "可変", RowKind::Combo, &page::block_read<&CodeParams::variable>, &code_variable_apply,
     kVariableKinds},
    data_row(),
    header_row<HF::Rows>(1106, "行数"),
    header_row<HF::Columns>(1107, "列数"),
    header_row<HF::RowGap>(1108, "行間"),
    header_row<HF::ColumnGap>(1109, "列間"),
    page::choice_row<&CodeParams::display_type, kCodeDisplayTypes>(1301, "表示タイプ"),
    page::keep_aspect_row(),
};

}  // namespace

std::span<const PageRow> code_page_rows() {
  return kCodeRows;
}

}  // namespace lumetch
