// Hatch filling on the marker at the finest pitch, into a channel that only
// counts: how many pen moves the scan-line filler produces per second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "geometry/mapping.h"
#include "geometry/render_contours.h"
#include "marker/pen_emitter.h"
#include "marker/port_writer.h"
#include "model/cketral_doc.h"
#include "platform/scripted_operator.h"

namespace lumetch {
namespace {

class CountingChannel : public Channel {
 public:
  explicit CountingChannel(std::uint64_t& count) : count_(count) {}
  std::string name() const override { return "count"; }
  std::optional<std::string> write(std::string_view command) override {
    benchmark::DoNotOptimize(command.data());
    ++count_;
    return std::nullopt;
  }

 private:
  std::uint64_t& count_;
};

// Field millimetres to marker units with the default 100 mm field.
void add_point(ContourList& c, const MarkSettings& s, double x, double y) {
  c.add({marker_x(s, x), marker_y(s, y)});
}

// A 100 × 100 mm square ring with a 1 mm band: outer clockwise, inner
// counter-clockwise, so only the band is hatched.
ContourList ring(const MarkSettings& s) {
  ContourList c;
  c.begin_contour();
  for (auto [x, y] : {std::pair{-50.0, 50.0}, {50.0, 50.0}, {50.0, -50.0}, {-50.0, -50.0}}) {
    add_point(c, s, x, y);
  }
  add_point(c, s, -50.0, 50.0);
  c.begin_contour();
  for (auto [x, y] : {std::pair{-49.0, 49.0}, {-49.0, -49.0}, {49.0, -49.0}, {49.0, 49.0}}) {
    add_point(c, s, x, y);
  }
  add_point(c, s, -49.0, 49.0);
  return c;
}

// A 150-pointed star of 300 vertices, radii 48 and 20 mm.
ContourList star(const MarkSettings& s) {
  ContourList c;
  c.begin_contour();
  constexpr int kVertices = 300;
  for (int k = 0; k < kVertices; ++k) {
    const double a = 2 * kPi * k / kVertices;
    const double r = k % 2 == 0 ? 48.0 : 20.0;
    add_point(c, s, r * std::cos(a), r * std::sin(a));
  }
  c.add(c.points.front());
  return c;
}

void run_fill(benchmark::State& state, ContourList (*shape)(const MarkSettings&),
              int32_t direction) {
  CketralDoc doc;
  doc.engraving = 1;
  ScriptedOperator op;
  std::uint64_t moves = 0;
  PortWriter port(std::make_unique<CountingChannel>(moves));
  PenEmitter pen(doc, port, op);
  GeomContext g{doc, &pen};
  const ContourList contours = shape(doc.settings);
  for (auto _ : state) {
    RenderContours(g, direction, 2, 0.01, nullptr, contours, 0, 0);
  }
  state.counters["moves_per_fill"] =
      benchmark::Counter(static_cast<double>(moves) / static_cast<double>(state.iterations()));
  state.counters["moves/s"] =
      benchmark::Counter(static_cast<double>(moves), benchmark::Counter::kIsRate);
}

void BM_HatchRing(benchmark::State& state) {
  run_fill(state, ring, 0);
}
void BM_HatchStar(benchmark::State& state) {
  run_fill(state, star, 0);
}
void BM_HatchStarVertical(benchmark::State& state) {
  run_fill(state, star, 1);
}

BENCHMARK(BM_HatchRing)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HatchStar)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HatchStarVertical)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lumetch
