#pragma once

// main() of the benchmarks that need Qt: the view paints into images, so no
// window is ever shown.
#include <benchmark/benchmark.h>

#include <QApplication>

inline int run_qt_benchmarks(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
