// The whole engraving job of a 1000-shape layout into a channel that discards
// everything: how many commands the program can produce per second. And what
// showing a job's progress costs: the same large array marked (and a layout
// converted) with progress shown and not, runs interleaved, medians compared.
#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "commands/engrave.h"
#include "commands/scan_job.h"
#include "geometry/mapping.h"
#include "marker/pen_emitter.h"
#include "marker/port_writer.h"
#include "model/cketral_doc.h"
#include "platform/scripted_operator.h"

namespace lumetch {
namespace {

void add_shapes(CketralDoc& doc, int count, bool filled) {
  for (int i = 0; i < count; ++i) {
    auto o = std::make_unique<MarkObject>();
    o->cent_x = -45.0 + (i % 30) * 3.0;
    o->cent_y = -45.0 + (i / 30 % 30) * 3.0;
    o->width = 2.5;
    o->height = 2.5;
    o->output_mode = filled && i % 2 == 0 ? 2 : i % 2;
    o->fill_pitch = 0.05;
    switch (i % 6) {
      case 0:
        o->type = RECTANGLE;
        o->params = RectangleParams{2.5, 2.5, 0.3, 0.5, i % 3};
        break;
      case 1:
        o->type = CIRCLE;
        o->params = CircleParams{2.5, 2.5, 0.3};
        break;
      case 2:
        o->type = POLYGON;
        o->params = PolygonParams{2.5, 0.3, 8};
        break;
      case 3:
        o->type = TRIANGLE;
        o->params = TriangleParams{2.5, 2.5, 0.3, 0};
        break;
      case 4:
        o->type = RHOMBIC;
        o->params = RhombicParams{2.5, 2.5, 0.3};
        break;
      default:
        o->type = LINE;
        o->height = 0.3;
        o->params = LineParams{2.5, 0.3};
        break;
    }
    doc.ring.add(std::move(o));
  }
}

void run_job(benchmark::State& state, bool filled) {
  CketralDoc doc;
  add_shapes(doc, 1000, filled);
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
  state.counters["commands_per_job"] =
      benchmark::Counter(static_cast<double>(commands) / static_cast<double>(state.iterations()));
  state.counters["commands/s"] =
      benchmark::Counter(static_cast<double>(commands), benchmark::Counter::kIsRate);
}

void BM_EngraveOutlines(benchmark::State& state) { run_job(state, false); }
void BM_EngraveHalfFilled(benchmark::State& state) { run_job(state, true); }

BENCHMARK(BM_EngraveOutlines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EngraveHalfFilled)->Unit(benchmark::kMillisecond);

// The scripted operator without its records; with `shown` it formats every
// progress line as the terminal's operator does, else it shows none (as the
// CLI in a pipe).
class ProgressOperator : public ScriptedOperator {
 public:
  explicit ProgressOperator(bool show) : shown_(show) {}
  bool shows_progress() const override { return shown_; }
  void show_progress(const JobProgress& p) override {
    line = progress_text(p);
    ++lines;
  }
  void set_status(int, std::string_view) override {}
  std::string line;
  int lines = 0;

 private:
  bool shown_;
};

// A rows × columns array of squares; `size` 0.01 mm with a 1 mm hatch sends
// nothing per copy, so the walk itself is all the work.
void add_array(CketralDoc& doc, int32_t rows, int32_t columns, double size, int32_t mode) {
  auto o = std::make_unique<MarkObject>();
  o->type = RECTANGLE;
  o->rows = rows;
  o->columns = columns;
  o->row_gap = o->column_gap = 0.03;
  o->width = o->height = size;
  o->output_mode = mode;
  o->fill_pitch = mode == 2 ? 1.0 : 0.05;
  o->params = RectangleParams{size, size, 0.0, 0.0, 0};
  doc.ring.add(std::move(o));
}

// The thread's processor time: other work on the machine does not enter,
// while the job's own clock reads and line formatting do.
double thread_cpu_ms() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Runs `job` with progress shown and not, one pair per iteration, which
// goes first alternating; the counters give the median of each and their ratio.
template <class Job>
void compare(benchmark::State& state, Job job) {
  std::vector<double> on;
  std::vector<double> off;
  int lines = 0;
  bool first = false;
  for (auto _ : state) {
    first = !first;
    for (const bool shown : {first, !first}) {
      ProgressOperator op(shown);
      const double start = thread_cpu_ms();
      job(op);
      (shown ? on : off).push_back(thread_cpu_ms() - start);
      lines += op.lines;
    }
  }
  state.counters["off_ms"] = median(off);
  state.counters["on_ms"] = median(on);
  state.counters["ratio"] = median(on) / median(off);
  // Each pair ran back to back, under the same load of the machine.
  std::vector<double> pairs;
  for (std::size_t i = 0; i < on.size(); ++i) pairs.push_back(on[i] / off[i]);
  state.counters["pair_ratio"] = median(pairs);
  state.counters["lines_per_job"] = static_cast<double>(lines) / static_cast<double>(on.size());
}

void mark_array(benchmark::State& state, double size, int32_t mode) {
  CketralDoc doc;
  add_array(doc, 1000, 1000, size, mode);
  PortWriter port(make_channel("null", nullptr));
  compare(state, [&](Operator& op) {
    PenEmitter pen(doc, port, op);
    if (Engrave(pen).outcome != EngraveResult::Outcome::Done) state.SkipWithError("job failed");
  });
}

// 10^6 outlined squares: five moves a copy.
void BM_ProgressMarkingArray(benchmark::State& state) {
  mark_array(state, 0.05, 0);
}
// 10^6 copies that send nothing: the per-copy poll is all there is besides the walk.
void BM_ProgressMarkingEmptyCopies(benchmark::State& state) {
  mark_array(state, 0.01, 2);
}

// A scanning PLT of a 4000 × 4000 raster, one line per pixel row, holding a
// 100 × 100 array of filled squares.
void BM_ProgressConvertScanPlt(benchmark::State& state) {
  const std::filesystem::path out =
      std::filesystem::temp_directory_path() / "lumetch-job-bench.plt";
  CketralDoc doc;
  MarkSettings& s = doc.settings;
  s.scan_size_x = s.scan_size_y = 100.0;
  s.resolution = 40;
  s.scan_dot = 0.025;
  s.convert_style = 0;
  add_array(doc, 100, 100, 0.5, 2);
  doc.ring.oldest()->fill_pitch = 0.05;
  doc.ring.oldest()->row_gap = doc.ring.oldest()->column_gap = 0.45;
  PortWriter port(make_channel("null", nullptr));
  compare(state, [&](Operator& op) {
    PenEmitter pen(doc, port, op);
    if (!ConvertFile(pen, out).ok) state.SkipWithError("conversion failed");
  });
  std::filesystem::remove(out);
}

// What the job's tick adds to the copy walk itself: 10^7 copies of nothing,
// walked as a paint walks them (no pen) and as a job does (each copy ticks).
void BM_CopyWalk(benchmark::State& state) {
  CketralDoc doc;
  add_array(doc, 1000, 10000, 0.01, 2);
  const MarkObject& obj = *doc.ring.oldest();
  ProgressOperator op(true);
  PortWriter port(make_channel("null", nullptr));
  PenEmitter pen(doc, port, op);
  pen.begin_progress(JobProgress::Kind::Marking);
  const GeomContext g{doc, state.range(0) != 0 ? &pen : nullptr};
  double sum = 0;
  for (auto _ : state) {
    for_each_copy(g, obj, obj.width, obj.height,
                  [&sum](double left, double top) { sum += left - top; });
    benchmark::DoNotOptimize(sum);
  }
  state.counters["ns_per_copy"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * 1e7,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["lines"] = op.lines;
}

// One progress line formatted.
void BM_ProgressLine(benchmark::State& state) {
  JobProgress p;
  p.objects_total = 12;
  p.passes_total = 40;
  p.copies_total = 100000000;
  for (auto _ : state) {
    ++p.copies_done;
    benchmark::DoNotOptimize(progress_text(p));
  }
}

BENCHMARK(BM_CopyWalk)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProgressLine);
BENCHMARK(BM_ProgressMarkingArray)->Unit(benchmark::kMillisecond)->Iterations(31);
BENCHMARK(BM_ProgressMarkingEmptyCopies)->Unit(benchmark::kMillisecond)->Iterations(31);
BENCHMARK(BM_ProgressConvertScanPlt)->Unit(benchmark::kMillisecond)->Iterations(31);

}  // namespace
}  // namespace lumetch
