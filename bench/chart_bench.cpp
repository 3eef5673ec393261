// Strip chart and replay figures: one chart point, one full replay window, opening a long
// data file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include "measurement/formatting.h"
#include "measurement/recording.h"
#include "measurement/wykres_model.h"

namespace {

using measurement::LineStore;
using measurement::WykresModel;

WykresModel mainWindowChart() {
  WykresModel chart(529, 217);
  chart.SetMax(0.1);
  chart.SetSkala(20.0);
  chart.SetAutoSkala(true);
  chart.Clear();
  return chart;
}

// One live reading on a full, scrolling chart with automatic scaling: ring, rescan, repaint.
void BM_AddPoint(benchmark::State& state) {
  WykresModel chart = mainWindowChart();
  for (int i = 0; i < 600; ++i) chart.AddPoint(std::sin(i * 0.02) * 10.0);
  int i = 600;
  for (auto _ : state) {
    chart.AddPoint(std::sin(i++ * 0.02) * 10.0);
    benchmark::DoNotOptimize(chart.canvas().data());
  }
}
BENCHMARK(BM_AddPoint);

LineStore replayStore() {
  LineStore store;
  for (int i = 0; i < 2000; ++i)
    store.AppendLine(measurement::FormatLine(0, std::sin(i * 0.01) * 15.0));
  double filterState = 0;
  store.ParseReplayData(1.0, filterState);
  return store;
}

// A full 528-value replay window redrawn (what Timer1Timer does after scrolling).
void BM_ReplayWindow(benchmark::State& state) {
  const LineStore store = replayStore();
  WykresModel chart = mainWindowChart();
  std::size_t start = 1;
  for (auto _ : state) {
    measurement::ShowReplayWindow(chart, store, start, chart.Width());
    start = start % 1400 + 1;
    benchmark::DoNotOptimize(chart.canvas().data());
  }
}
BENCHMARK(BM_ReplayWindow)->Unit(benchmark::kMicrosecond);

// The same window with a repaint after every value, for comparison.
void BM_ReplayWindowPaintEveryValue(benchmark::State& state) {
  const LineStore store = replayStore();
  WykresModel chart = mainWindowChart();
  for (auto _ : state) {
    const auto win = measurement::replayWindow(store.ReplayCount(), 100, chart.Width());
    chart.Clear();
    chart.SetAutoSkala(false);
    chart.SetMax(chart.Min() + 0.0001);
    for (std::size_t i = win.first; i < win.last; ++i) chart.AddPoint(store.ReplayValue(i));
    chart.SetAutoSkala(true);
    chart.AddPoint(store.ReplayValue(win.last));
    benchmark::DoNotOptimize(chart.canvas().data());
  }
}
BENCHMARK(BM_ReplayWindowPaintEveryValue)->Unit(benchmark::kMicrosecond);

// Opening a 65535-line data file: read, split into lines, smoothing into ReplayValues.
void BM_OpenDataFile(benchmark::State& state) {
  const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                     ("halvex-bench-" + std::to_string(::getpid()) + ".HVD");
  {
    std::ofstream out(file, std::ios::binary);
    for (int i = 0; i < 65535; ++i)
      out << measurement::FormatLine(0, (i % 39999 - 19999) / 1000.0) << "\r\n";
  }
  LineStore store;
  for (auto _ : state) {
    const auto result = measurement::readDataFile(file, store);
    double filterState = 0;
    store.ParseReplayData(1.0, filterState);
    benchmark::DoNotOptimize(result);
  }
  state.counters["bytes_held"] = static_cast<double>(store.memoryBytes());
  std::filesystem::remove(file);
}
BENCHMARK(BM_OpenDataFile)->Unit(benchmark::kMillisecond);

}  // namespace
