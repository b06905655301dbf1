// Imports: reading 50 MB plots into their stroke files, and marking a
// 2000 × 2000-pixel bitmap object into a channel that discards everything.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "commands/engrave.h"
#include "imports/bmp.h"
#include "imports/plt.h"
#include "marker/pen_emitter.h"
#include "marker/port_writer.h"
#include "model/cketral_doc.h"
#include "platform/scripted_operator.h"

namespace lumetch {
namespace {

namespace fs = std::filesystem;

const fs::path kDir = fs::temp_directory_path() / "lumetch-import-bench";

// A plot of random polylines over four pens, about `mb` megabytes.
fs::path big_plot(int mb) {
  fs::create_directories(kDir);
  const fs::path path = kDir / "big.plt";
  if (fs::exists(path) && fs::file_size(path) >= static_cast<std::uintmax_t>(mb) << 20) return path;
  std::ofstream out(path, std::ios::binary);
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> coord(0, 40000);
  out << "IN;";
  std::size_t size = 3;
  char buf[64];
  while (size < static_cast<std::size_t>(mb) << 20) {
    out << "SP" << (rng() % 4 + 1) << ";";
    int n = std::snprintf(buf, sizeof buf, "PU%d,%d;", coord(rng), coord(rng));
    out.write(buf, n);
    size += 4 + static_cast<std::size_t>(n);
    for (int i = 0; i < 20; ++i) {
      n = std::snprintf(buf, sizeof buf, "PD%d,%d;\n", coord(rng), coord(rng));
      out.write(buf, n);
      size += static_cast<std::size_t>(n);
    }
  }
  return path;
}

// The same over four pens, written as HPGL/2 writers do: about 20 pairs to a
// PD, every fourth polyline relative (PR), numbers apart by commas, blanks or
// both, no line breaks.
fs::path big_pair_plot(int mb) {
  fs::create_directories(kDir);
  const fs::path path = kDir / "big-pairs.plt";
  if (fs::exists(path) && fs::file_size(path) >= static_cast<std::uintmax_t>(mb) << 20) return path;
  std::ofstream out(path, std::ios::binary);
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> coord(0, 40000);
  std::uniform_int_distribution<int> step(-400, 400);
  const char* const separators[] = {",", ", ", " ", " , "};
  std::string text = "IN;";
  std::size_t size = 0;
  char buf[32];
  for (int line = 0; size + text.size() < static_cast<std::size_t>(mb) << 20; ++line) {
    if (line % 16 == 0) text += "SP" + std::to_string(rng() % 4 + 1) + ";";
    const bool relative = line % 4 == 3;
    text.append(buf, static_cast<std::size_t>(
                         std::snprintf(buf, sizeof buf, "PU%d,%d;", coord(rng), coord(rng))));
    text += relative ? "PD;PR" : "PD";
    const int pairs = 18 + static_cast<int>(rng() % 5);
    for (int i = 0; i < pairs; ++i) {
      if (i > 0) text += separators[rng() % 4];
      const int x = relative ? step(rng) : coord(rng);
      const int y = relative ? step(rng) : coord(rng);
      text.append(buf, static_cast<std::size_t>(
                           std::snprintf(buf, sizeof buf, "%d%s%d", x, separators[rng() % 4], y)));
    }
    text += relative ? ";PA;" : ";";
    if (text.size() > (1u << 20)) {
      out << text;
      size += text.size();
      text.clear();
    }
  }
  out << text;
  return path;
}

void import_plot(benchmark::State& state, const fs::path& plot,
                 PlotReading reading = PlotReading::kFull) {
  const auto bytes = static_cast<int64_t>(fs::file_size(plot));
  for (auto _ : state) {
    const PltParse parse = ParsePlt(plot, (kDir / "pen").string(), {}, reading);
    if (parse.result != PltParse::kRead) state.SkipWithError("plot not read");
  }
  state.SetBytesProcessed(bytes * state.iterations());
  for (int i = 0; i < 8; ++i) fs::remove(kDir / ("pen" + std::to_string(i) + ".$"));
}

void BM_ImportPlot50MB(benchmark::State& state) { import_plot(state, big_plot(50)); }

// The same plot through the first-pair reader, the reference of the one above
// in the same run (it reads this single-pair plot to the same strokes).
void BM_ImportPlot50MBFirstPair(benchmark::State& state) {
  import_plot(state, big_plot(50), PlotReading::kFirstPairOnly);
}

void BM_ImportPlot50MBPairs(benchmark::State& state) { import_plot(state, big_pair_plot(50)); }

// A one-bit 2000 × 2000 image: a ring with a checker of 20-pixel squares inside.
fs::path big_bitmap() {
  fs::create_directories(kDir);
  const fs::path path = kDir / "big.bmp";
  const int w = 2000;
  const int h = 2000;
  const int stride = (w + 31) / 32 * 4;
  std::string bits(static_cast<std::size_t>(stride * h), '\xFF');
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const double r = std::hypot(x - 1000.0, y - 1000.0);
      const bool mark = (r > 800 && r < 950) || (r < 700 && ((x / 20 + y / 20) % 2 == 0));
      if (mark)
        bits[static_cast<std::size_t>(y * stride + x / 8)] &= static_cast<char>(~(0x80 >> (x % 8)));
    }
  }
  auto put32 = [](std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  std::string file = "BM";
  put32(file, static_cast<uint32_t>(62 + bits.size()));
  put32(file, 0);
  put32(file, 62);
  put32(file, 40);
  put32(file, w);
  put32(file, h);
  file += std::string("\x01\x00\x01\x00", 4);
  for (int i = 0; i < 6; ++i) put32(file, 0);
  put32(file, 0);         // palette: black
  put32(file, 0xFFFFFF);  // white
  file += bits;
  std::ofstream(path, std::ios::binary) << file;
  return path;
}

void BM_MarkBitmap2000(benchmark::State& state) {
  const fs::path image = big_bitmap();
  CketralDoc doc;
  ScriptedOperator op;
  BmpLoad load = LoadBmp(image, 40, &op);
  if (load.result != BmpLoad::kLoaded) {
    state.SkipWithError("bitmap not loaded");
    return;
  }
  auto o = std::make_unique<MarkObject>();
  o->type = BMP;
  o->width = o->height = 50.0;
  o->fill_pitch = 0.05;
  BmpBlock b;
  b.source_path = image.string();
  b.width_px = load.width_px;
  b.height_px = load.height_px;
  b.bits_offset = load.bits_offset;
  b.image_width = b.image_height = 50.0;
  b.dib = SharedBytes(std::move(load.dib));
  o->params = std::move(b);
  doc.ring.add(std::move(o));
  PortWriter port(make_channel("null", nullptr));
  PenEmitter pen(doc, port, op);
  std::uint64_t commands = 0;
  for (auto _ : state) {
    commands += Engrave(pen).commands_sent;
    op.shown.clear();
    op.statuses.clear();
  }
  state.counters["commands_per_job"] =
      benchmark::Counter(static_cast<double>(commands) / static_cast<double>(state.iterations()));
}

BENCHMARK(BM_ImportPlot50MB)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ImportPlot50MBFirstPair)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ImportPlot50MBPairs)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_MarkBitmap2000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lumetch
