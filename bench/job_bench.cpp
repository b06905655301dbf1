// The whole engraving job of a 1000-shape layout into a channel that discards
// everything: how many commands the program can produce per second.
#include <benchmark/benchmark.h>

#include <memory>

#include "commands/engrave.h"
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

}  // namespace
}  // namespace lumetch
