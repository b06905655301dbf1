// Opening big layouts in the window, to the first paint of the whole frame:
// 10 000 shapes, and one 50 MB plot (read again at opening), each against an
// empty layout opened the same way in the same run.
#include <benchmark/benchmark.h>

#include "qt_bench_main.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "model/cketral_doc.h"
#include "model/layout_file.h"
#include "platform/scripted_operator.h"
#include "shell/main_frame.h"

namespace lumetch {
namespace {

namespace fs = std::filesystem;

const fs::path kDir = fs::temp_directory_path() / "lumetch-open-bench";

// Rectangles, ellipses and triangles spread over the field, arrays among them.
fs::path shapes_layout(int count) {
  fs::create_directories(kDir);
  const fs::path path = kDir / ("shapes" + std::to_string(count) + ".mrk");
  if (fs::exists(path)) return path;
  std::mt19937 rng(3);
  std::uniform_real_distribution<double> at(-45.0, 45.0);
  std::string text;
  char line[256];
  for (int i = 0; i < count; ++i) {
    const int type = i % 3 == 0 ? 2 : i % 3 == 1 ? 3 : 8;
    const int copies = i % 50 == 0 ? 3 : 1;
    std::snprintf(line, sizeof line,
                  "%d,%d,%d,  1.000,  1.000,%8.3f,%8.3f,  2.000,  2.000,  0.000,0,0,  0.050,0,0,0,0,"
                  "  2.000,  2.000,  0.500%s\n",
                  type, copies, copies, at(rng), at(rng), type == 2 ? ",0,  0.00" : type == 8 ? ",0" : "");
    text += line;
  }
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

// One plot object whose file holds about `mb` megabytes of moves over four pens.
fs::path plot_layout(int mb) {
  fs::create_directories(kDir);
  const fs::path plot = kDir / "big.plt";
  if (!fs::exists(plot) || fs::file_size(plot) < static_cast<std::uintmax_t>(mb) << 20) {
    std::ofstream out(plot, std::ios::binary);
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> c(0, 40000);
    std::string chunk = "IN;";
    char buf[40];
    std::size_t size = 0;
    for (int line = 0; size < static_cast<std::size_t>(mb) << 20; ++line) {
      if (line % 16 == 0) chunk += "SP" + std::to_string(line / 16 % 4 + 1) + ";";
      for (int i = 0; i < 24; ++i) {
        chunk.append(buf, static_cast<std::size_t>(std::snprintf(
                              buf, sizeof buf, "%s%d,%d;", i == 0 ? "PU" : "PD", c(rng), c(rng))));
      }
      if (chunk.size() > (1 << 20)) {
        out << chunk;
        size += chunk.size();
        chunk.clear();
      }
    }
    out << chunk;
  }
  const fs::path path = kDir / "plot.mrk";
  std::ofstream(path, std::ios::binary)
      << "5,1,1,  1.000,  1.000,  0.000,  0.000, 80.000, 80.000,  0.000,0,0,  0.050,0,0,0,0,"
      << plot.string() << "\n";
  return path;
}

fs::path empty_layout() {
  fs::create_directories(kDir);
  const fs::path path = kDir / "empty.mrk";
  std::ofstream(path, std::ios::binary) << "";
  return path;
}

// A new window opens the layout and is painted whole once; the median of the
// wall times is reported besides the mean.
void open_and_paint(benchmark::State& state, const fs::path& layout) {
  std::vector<double> ms;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    CketralDoc doc;
    doc.work_dir = kDir;
    ScriptedOperator op;
    {
      CMainFrame frame(doc, &op);
      frame.resize(1400, 900);
      if (!frame.open_at_start(layout, false) && !doc.ring.is_empty()) {
        state.SkipWithError("the layout did not open");
      }
      QImage img(frame.size(), QImage::Format_RGB32);
      QPainter p(&img);
      frame.render(&p);
      p.end();
      benchmark::DoNotOptimize(img.bits());
      ms.push_back(
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
      state.counters["objects"] = static_cast<double>(doc.ring.size());
    }
  }
  std::sort(ms.begin(), ms.end());
  state.counters["median_ms"] = ms.empty() ? 0 : ms[ms.size() / 2];
}

void BM_OpenEmptyReference(benchmark::State& state) { open_and_paint(state, empty_layout()); }
void BM_Open10000Shapes(benchmark::State& state) { open_and_paint(state, shapes_layout(10000)); }
void BM_OpenPlot50MB(benchmark::State& state) { open_and_paint(state, plot_layout(50)); }

BENCHMARK(BM_OpenEmptyReference)->Unit(benchmark::kMillisecond)->Iterations(9);
BENCHMARK(BM_Open10000Shapes)->Unit(benchmark::kMillisecond)->Iterations(9);
BENCHMARK(BM_OpenPlot50MB)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
}  // namespace lumetch

int main(int argc, char** argv) { return run_qt_benchmarks(argc, argv); }
