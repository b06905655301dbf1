// The scan of a 100 × 100 mm area at 40 dots/mm (4000 × 4000 pixels) holding
// texts and fills: raster build + scan + scanning PLT, outline tracing of the
// same raster, and potrace on the same bitmap where it is installed.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "commands/scan_job.h"
#include "geometry/text_objects.h"
#include "marker/pen_emitter.h"
#include "marker/port_writer.h"
#include "model/cketral_doc.h"
#include "platform/scripted_operator.h"
#include "scan/raster_scan.h"
#include "scan/scan_raster.h"
#include "scan/trace_outlines.h"

namespace lumetch {
namespace {

namespace fs = std::filesystem;

const fs::path kDir = fs::temp_directory_path() / "lumetch-scan-bench";

// Rows of filled serial-number texts, filled discs and rectangles.
struct ScanLayout {
  CketralDoc doc;
  ScriptedOperator op;
  PortWriter port{make_channel("null", nullptr)};
  PenEmitter pen{doc, port, op};

  ScanLayout() {
    fs::create_directories(kDir);
    doc.work_dir = kDir;
    MarkSettings& s = doc.settings;
    s.scan_size_x = s.scan_size_y = 100.0;
    s.scan_cent_x = s.scan_cent_y = 0.0;
    s.resolution = 40;
    s.scan_dot = 0.1;
    for (int i = 0; i < 8; ++i) {
      auto t = std::make_unique<MarkObject>();
      t->type = LINE_TEXT;
      t->cent_y = 40.0 - i * 11.0;
      t->width = 90.0;
      t->height = 8.0;
      t->output_mode = 2;
      LineTextParams p;
      p.size_x = 6.0;
      p.size_y = 8.0;
      p.text = "LOT 2026-12 No." + std::to_string(1000 + i);
      p.line_lengths = {static_cast<int32_t>(p.text.size()), 0};
      p.chars.resize(p.text.size());
      p.glyph_file = (kDir / ("txt" + std::to_string(i) + ".txt")).string();
      t->params = p;
      MarkObject* added = doc.ring.add(std::move(t));
      WriteObjectGlyphFile(doc, *added);
    }
    for (int i = 0; i < 6; ++i) {
      auto c = std::make_unique<MarkObject>();
      c->type = i % 2 == 0 ? CIRCLE : RECTANGLE;
      c->cent_x = -40.0 + i * 16.0;
      c->cent_y = -44.0;
      c->width = c->height = 10.0;
      c->output_mode = 2;
      if (c->type == CIRCLE) {
        c->params = CircleParams{10.0, 10.0, 2.0};
      } else {
        c->params = RectangleParams{10.0, 10.0, 1.5, 1.0, 1};
      }
      doc.ring.add(std::move(c));
    }
  }
};

void BM_ScanToPlt4000(benchmark::State& state) {
  ScanLayout l;
  l.doc.settings.convert_style = 0;
  for (auto _ : state) {
    if (!ConvertFile(l.pen, kDir / "scan.plt").ok) state.SkipWithError("conversion failed");
  }
  state.counters["plt_bytes"] = static_cast<double>(fs::file_size(kDir / "scan.plt"));
}

void BM_BuildRasterOnly4000(benchmark::State& state) {
  ScanLayout l;
  for (auto _ : state) benchmark::DoNotOptimize(BuildScanRaster(l.doc));
}

void BM_TraceOutlinesVct4000(benchmark::State& state) {
  ScanLayout l;
  const auto raster = BuildScanRaster(l.doc);
  if (!raster) {
    state.SkipWithError("no raster");
    return;
  }
  int64_t contours = 0;
  for (auto _ : state) {
    contours = TraceOutlines(*raster, l.pen, kDir / "trace.vct", 2).contours;
  }
  state.counters["contours"] = static_cast<double>(contours);
}

// potrace on the raster written as a BMP, as an established tracer to
// compare the outline tracing with.
void time_potrace(benchmark::State& state, const std::optional<ScanRaster>& raster,
                  const std::string& name) {
  if (std::system("command -v potrace >/dev/null 2>&1") != 0) {
    state.SkipWithError("potrace is not installed");
    return;
  }
  const fs::path bmp = kDir / (name + ".bmp");
  if (!raster || !WriteScanBmp(*raster, 40, bmp)) {
    state.SkipWithError("no bitmap");
    return;
  }
  const std::string cmd = "potrace -b svg -o " + (kDir / (name + ".svg")).string() + " " + bmp.string();
  for (auto _ : state) {
    if (std::system(cmd.c_str()) != 0) state.SkipWithError("potrace failed");
  }
}

void BM_PotraceSameBitmap4000(benchmark::State& state) {
  ScanLayout l;
  time_potrace(state, BuildScanRaster(l.doc), "scan");
}

// A dithered 4000 × 4000 raster: rows of random runs of 1 to 12 pixels,
// black and white in turn, about half of them black; scanned at every pixel.
struct DitheredRaster {
  ScanLayout l;
  std::optional<ScanRaster> raster = ScanRaster::create(4000, 4000);
  int64_t black = 0;
  DitheredRaster() {
    l.doc.settings.scan_dot = 1.0 / 40;  // one scan line per pixel row
    std::mt19937 rng(9);
    std::uniform_int_distribution<int> run(1, 12);
    for (int32_t y = 0; raster && y < raster->height(); ++y) {
      bool dark = (y & 1) != 0;
      for (int32_t x = 0; x < raster->width();) {
        const int32_t end = std::min(raster->width(), x + run(rng));
        for (; x < end; ++x) {
          if (dark) raster->set_black(x, y, true), ++black;
        }
        dark = !dark;
      }
    }
  }
};

void BM_ScanDitheredToPlt4000(benchmark::State& state) {
  DitheredRaster d;
  if (!d.raster) {
    state.SkipWithError("no raster");
    return;
  }
  for (auto _ : state) {
    std::FILE* f = std::fopen((kDir / "dithered.plt").c_str(), "wb");
    if (f == nullptr || !RasterScan(*d.raster, d.l.pen, f)) state.SkipWithError("scan failed");
    if (f != nullptr) std::fclose(f);
  }
  state.counters["black_share"] = static_cast<double>(d.black) / (4000.0 * 4000.0);
  state.counters["plt_bytes"] = static_cast<double>(fs::file_size(kDir / "dithered.plt"));
}

void BM_TraceDithered4000(benchmark::State& state) {
  DitheredRaster d;
  if (!d.raster) {
    state.SkipWithError("no raster");
    return;
  }
  int64_t contours = 0;
  for (auto _ : state) contours = TraceOutlines(*d.raster, d.l.pen, kDir / "dithered.vct", 2).contours;
  state.counters["contours"] = static_cast<double>(contours);
}

void BM_PotraceDithered4000(benchmark::State& state) {
  DitheredRaster d;
  time_potrace(state, d.raster, "dithered");
}

BENCHMARK(BM_BuildRasterOnly4000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ScanToPlt4000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TraceOutlinesVct4000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PotraceSameBitmap4000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ScanDitheredToPlt4000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TraceDithered4000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_PotraceDithered4000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace lumetch
