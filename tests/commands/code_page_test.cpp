#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "commands/create_object.h"
#include "commands/draw_object.h"
#include "commands/edit_commands.h"
#include "commands/page_table.h"
#include "geometry/code_symbol.h"
#include "geometry/variable_fields.h"
#include "model/edit.h"
#include "platform/recording_canvas.h"
#include "platform/scripted_operator.h"

namespace lumetch {
namespace {

// Control numbers of the code page.
enum : int32_t {
  kSizeX = 1103,
  kSizeY = 1104,
  kData = 1110,
  kSymbology = 1120,
  kEcc = 1121,
  kVersion = 1122,
  kQuietZone = 1052,
  kGs1 = 1053,
  kDisplay = 1301,
  kVariable = 1123,
};

using Steps = std::vector<std::pair<int32_t, std::string>>;

struct CodeDoc {
  CketralDoc doc;
  ScriptedOperator op;
  MarkObject* code = nullptr;
  CodeDoc() { code = CreateObject(doc, CODE, op); }
  CodeParams& block() { return std::get<CodeParams>(code->params); }
  PageEdit apply(int32_t id, const std::string& text) {
    return apply_row(doc, PageId::Code, id, text);
  }
  // Every corner the screen drawing reaches, in order.
  std::vector<int32_t> drawn() {
    GeomContext g{doc, nullptr};
    RecordingCanvas canvas;
    DrawObject(g, &canvas, *code);
    std::vector<int32_t> out;
    for (const auto& drawn_op : canvas.ops()) {
      out.push_back(static_cast<int32_t>(drawn_op.kind));
      for (const CanvasPoint& p : drawn_op.points) out.insert(out.end(), {p.x, p.y});
    }
    return out;
  }
};

TEST(CodePage, IsThePageOfCodesAndShowsANewOne) {
  EXPECT_EQ(creation_type(kCmdCode), CODE);
  EXPECT_EQ(pages_for_kind(CODE), std::vector<PageId>{PageId::Code});
  EXPECT_EQ(page_def(PageId::Code).title, "コードのプロパティ");
  CodeDoc d;
  ASSERT_NE(d.code, nullptr);
  EXPECT_EQ(current_object(d.doc), d.code);
  EXPECT_EQ(row_text(d.doc, PageId::Code, kData), "LUMETCH");
  EXPECT_EQ(row_text(d.doc, PageId::Code, kSymbology), "0");
  EXPECT_FALSE(d.drawn().empty());
}

TEST(CodePage, EachChangeIsOneUndoStepAndChangesWhatIsDrawn) {
  const struct {
    const char* name;
    Steps before;  // applied first, each its own step
    int32_t id;
    const char* text;
    bool redraws;
    bool (*check)(const MarkObject&, const CodeParams&);
  } rows[] = {
      // clang-format off
      {"width, the height kept in proportion", {}, kSizeX, "30", true,
       [](const MarkObject& o, const CodeParams& p) {
         return o.width == 30 && o.height == 30 && p.size_x == 30 && p.size_y == 30;
       }},
      {"height of a linear code alone", {{kSymbology, "2"}}, kSizeY, "5", true,
       [](const MarkObject& o, const CodeParams& p) {
         return o.width == 20 && o.height == 5 && p.size_y == 5;
       }},
      // From zero there is no ratio to scale; the symbol's own square is taken.
      {"width from zero", {{kSizeY, "0"}}, kSizeX, "25", true,
       [](const MarkObject& o, const CodeParams& p) {
         return o.width == 25 && o.height == 25 && p.size_y == 25;
       }},
      {"Data Matrix", {}, kSymbology, "1", true,
       [](const MarkObject& o, const CodeParams& p) {
         return p.symbology == kCodeDataMatrix && o.keep_aspect == 1;
       }},
      // A QR version means nothing to Code 128; bars need not keep a square box.
      {"Code 128 from a fixed version", {{kVersion, "3"}}, kSymbology, "2", true,
       [](const MarkObject& o, const CodeParams& p) {
         return p.symbology == kCodeCode128 && p.code_size == 0 && o.keep_aspect == 0;
       }},
      // Left to itself the encoder raises the level while the version stays.
      {"error correction L", {}, kEcc, "1", true,
       [](const MarkObject&, const CodeParams& p) { return p.ecc == 1; }},
      {"QR version 5", {}, kVersion, "5", true,
       [](const MarkObject&, const CodeParams& p) { return p.code_size == 5; }},
      {"no quiet zone", {}, kQuietZone, "0", true,
       [](const MarkObject&, const CodeParams& p) { return p.quiet_zone == 0; }},
      {"GS1 Data Matrix", {{kSymbology, "1"}, {kData, "[01]09501101530003"}}, kGs1, "1", true,
       [](const MarkObject&, const CodeParams& p) { return p.gs1 == 1; }},
      {"negative", {}, kDisplay, "1", true,
       [](const MarkObject&, const CodeParams& p) { return p.display_type == 1; }},
      {"data, kept as the layout keeps texts", {}, kData, "https://example.org/日本", true,
       [](const MarkObject&, const CodeParams& p) {
         return p.data == "https://example.org/\x93\xFA\x96\x7B";
       }},
      {"serial number", {{kData, "0099"}}, kVariable, "1", false,
       [](const MarkObject&, const CodeParams& p) { return p.variable == 1; }},
      // The csv field needs no data file until marking.
      {"data fields", {{kVariable, "2"}}, kData, "{date:YYMMDD}-{csv:LOT}", true,
       [](const MarkObject&, const CodeParams& p) { return p.data == "{date:YYMMDD}-{csv:LOT}"; }},
      // clang-format on
  };
  for (const auto& row : rows) {
    CodeDoc d;
    for (const auto& [id, text] : row.before) ASSERT_TRUE(d.apply(id, text).applied) << row.name;
    const MarkObject before = detached_copy(*d.code);
    const std::vector<int32_t> drawn = d.drawn();
    const std::size_t steps = d.doc.history.size();

    const PageEdit e = d.apply(row.id, row.text);
    ASSERT_TRUE(e.applied) << row.name << ": " << e.status;
    EXPECT_TRUE(row.check(*d.code, d.block())) << row.name;
    EXPECT_EQ(d.drawn() != drawn, row.redraws) << row.name;
    EXPECT_EQ(d.doc.history.size(), steps + 1) << row.name;

    ASSERT_TRUE(UndoCommand(d.doc)) << row.name;
    EXPECT_TRUE(changed_fields(before, *d.code).empty()) << row.name;
    EXPECT_EQ(d.drawn(), drawn) << row.name;
  }
}

TEST(CodePage, WhatCouldNotBeMarkedIsRefusedWithTheReason) {
  const std::string too_long_for_v1 = "A CODE OF VERSION ONE HOLDS 25 OF THESE";
  // A QR code holds these as bytes; no mode of Data Matrix packs them into its 1558 codewords.
  const std::string long_bytes(2000, '~');
  const auto encoder = [](int32_t symbology, const std::string& data, CodeOptions o = {}) {
    return encode_code(static_cast<CodeSymbology>(symbology), data, o).error;
  };
  CodeOptions v1;
  v1.size = 1;
  CodeOptions gs1;
  gs1.gs1 = true;
  CodeOptions v1_h;
  v1_h.size = 1;
  v1_h.ecc = 4;
  const std::string x300(300, 'x');  // a field template once; Code 128 holds fewer
  const std::string nines(17, '9');  // fills a 1-H QR code; the next number does not fit
  ASSERT_TRUE(encode_code(CodeSymbology::kQr, nines, v1_h).ok);
  ASSERT_FALSE(encode_code(CodeSymbology::kQr, "1" + std::string(17, '0'), v1_h).ok);

  const struct {
    const char* name;
    Steps before;
    int32_t id;
    std::string text;
    std::string reason;  // part of the status
  } rows[] = {
      // clang-format off
      {"empty data", {}, kData, "", "A code needs data"},
      {"too long for a fixed version", {{kVersion, "1"}}, kData, too_long_for_v1,
       "QR cannot encode this: " + encoder(kCodeQr, too_long_for_v1, v1)},
      {"a fixed version too small", {{kData, too_long_for_v1}}, kVersion, "1",
       encoder(kCodeQr, too_long_for_v1, v1)},
      {"switch to a symbology that cannot hold the data", {{kData, long_bytes}}, kSymbology, "1",
       "Data Matrix cannot encode this: " + encoder(kCodeDataMatrix, long_bytes)},
      {"Code 128 cannot hold as much", {{kData, long_bytes}}, kSymbology, "2",
       encoder(kCodeCode128, long_bytes)},
      {"GS1 on data without application identifiers", {{kSymbology, "1"}}, kGs1, "1",
       encoder(kCodeDataMatrix, "LUMETCH", gs1)},
      {"lower-case GS1 data", {{kSymbology, "2"}, {kData, "[01]09501101530003"}, {kGs1, "1"}},
       kData, "[01]abc", encoder(kCodeCode128, "[01]abc", gs1)},
      {"GS1 as QR", {}, kGs1, "1", "not as QR"},
      {"error correction of a Data Matrix", {{kSymbology, "1"}}, kEcc, "2", "QR codes only"},
      {"QR version 41", {}, kVersion, "41", "between 0 (the smallest that fits) and 40"},
      {"Data Matrix size 31", {{kSymbology, "1"}}, kVersion, "31", "and 30"},
      {"a size for Code 128", {{kSymbology, "2"}}, kVersion, "2", "no sizes"},
      {"serial number of letters", {}, kVariable, "1", "digits 0 to 9 only"},
      {"serial number that cannot advance", {{kVersion, "1"}, {kEcc, "4"}, {kData, nines}},
       kVariable, "1", "could not advance"},
      {"letters typed into a serial number", {{kData, "7"}, {kVariable, "1"}}, kData, "7A",
       "digits 0 to 9 only"},
      {"unclosed field", {{kVariable, "2"}}, kData, "LOT {date:YYMM",
       parse_fields("LOT {date:YYMM").error},
      {"fields too long as plain data", {{kSymbology, "2"}, {kVariable, "2"}, {kData, x300}},
       kVariable, "0", encoder(kCodeCode128, x300)},
      {"half-width katakana", {}, kData, "ｶﾞ", "half-width katakana"},
      {"a character CP932 has not", {}, kData, "\xF0\x9F\x98\x80", "The data is refused"},
      {"more than a code holds", {}, kData, std::string(3001, '1'), "at most 3000"},
      // clang-format on
  };
  for (const auto& row : rows) {
    CodeDoc d;
    for (const auto& [id, text] : row.before) {
      ASSERT_TRUE(d.apply(id, text).applied) << row.name << ": " << id << " " << text;
    }
    ASSERT_FALSE(row.reason.empty()) << row.name;
    const MarkObject before = detached_copy(*d.code);
    const std::size_t steps = d.doc.history.size();

    const PageEdit e = d.apply(row.id, row.text);
    EXPECT_FALSE(e.applied) << row.name;
    EXPECT_NE(e.status.find(row.reason), std::string::npos)
        << row.name << ": " << e.status << " / " << row.reason;
    EXPECT_TRUE(changed_fields(before, *d.code).empty()) << row.name;
    EXPECT_EQ(d.doc.history.size(), steps) << row.name;
  }
}

}  // namespace
}  // namespace lumetch
