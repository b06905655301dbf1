// Glyph files and text marking: building the glyph file of a long mixed
// Latin/Japanese text, and marking a filled line text into a channel that
// discards everything.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include "commands/engrave.h"
#include "geometry/glyph_file.h"
#include "geometry/text_objects.h"
#include "marker/pen_emitter.h"
#include "marker/port_writer.h"
#include "model/cketral_doc.h"
#include "platform/scripted_operator.h"
#include "platform/text_codec.h"

namespace lumetch {
namespace {

// 499 bytes: Latin letters and digits mixed with two-byte Japanese characters.
std::string mixed_text() {
  const std::string latin = "Lot 2026-12 Serial ";
  const std::string japanese = utf8_to_cp932("製造番号日本語テキスト").bytes;
  std::string text;
  while (text.size() + latin.size() + japanese.size() <= 499) text += latin + japanese;
  while (text.size() < 499) text += 'x';
  return text;
}

void BM_WriteGlyphFileMixed499(benchmark::State& state) {
  CketralDoc doc;
  const std::string text = mixed_text();
  const auto path = std::filesystem::temp_directory_path() / "lumetch-bench-glyphs.txt";
  std::size_t bytes = 0;
  for (auto _ : state) {
    if (!WriteGlyphFile(doc, text, path)) state.SkipWithError("glyph file not written");
    bytes = std::filesystem::file_size(path);
  }
  std::filesystem::remove(path);
  state.counters["chars"] = CountChars(text);
  state.counters["file_bytes"] = static_cast<double>(bytes);
}

void BM_MarkFilledLineText(benchmark::State& state) {
  CketralDoc doc;
  doc.work_dir = std::filesystem::temp_directory_path();
  auto o = std::make_unique<MarkObject>();
  o->type = LINE_TEXT;
  o->width = 80.0;
  o->height = 10.0;
  o->output_mode = 2;
  o->fill_pitch = 0.05;
  LineTextParams p;
  p.size_x = 8.0;
  p.size_y = 10.0;
  p.text = "LUMETCH 0123456789";
  p.line_lengths = {static_cast<int32_t>(p.text.size()), 0};
  p.chars.resize(p.text.size());
  p.glyph_file = (doc.work_dir / "lumetch-bench-txt1.txt").string();
  o->params = p;
  MarkObject* obj = doc.ring.add(std::move(o));
  if (!WriteObjectGlyphFile(doc, *obj)) state.SkipWithError("glyph file not written");
  ScriptedOperator op;
  PortWriter port(make_channel("null", nullptr));
  PenEmitter pen(doc, port, op);
  std::uint64_t commands = 0;
  for (auto _ : state) {
    const EngraveResult r = Engrave(pen);
    commands += r.commands_sent;
    op.shown.clear();
    op.statuses.clear();
  }
  std::filesystem::remove(obj->block<LineTextParams>()->glyph_file);
  state.counters["commands_per_job"] =
      benchmark::Counter(static_cast<double>(commands) / static_cast<double>(state.iterations()));
  state.counters["commands/s"] =
      benchmark::Counter(static_cast<double>(commands), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_WriteGlyphFileMixed499)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MarkFilledLineText)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lumetch
