// CSV recordings: 200,000 rows through measurement::CsvRecording into a file in the temp
// folder (open, one add() per row, close), in both styles, and the row text alone.
//
// "paced" drives the recording's clock as the instrument does (a frame every 18.76 ms at
// 9600 baud, so a write + fdatasync every 53 rows); "burst" hands all rows over at once on
// the real clock, so everything waits in the appender until close. The peak resident size
// is reset before each run (/proc/self/clear_refs) and read back after it: `peak_growth_kB`
// is what the run added on top of what the process held before.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "measurement/csv_recording.h"
#include "measurement/formatting.h"

namespace {

using measurement::CsvStyle;
using measurement::MeasurementReading;

constexpr int kRows = 200'000;
constexpr std::int64_t kFramePeriodUs = 18'760;  // 18 bytes at 9600 baud, 8N1

struct Sample {
  MeasurementReading reading;
  std::string line;  // as the data file gets it
};

// A spread of what the instrument sends: each axis, vector mode with its components, the
// three units and modes, several ranges, negative values, with and without a temperature.
std::vector<Sample> makeSamples() {
  std::vector<Sample> out;
  for (int i = 0; i < 1024; ++i) {
    MeasurementReading m;
    m.axis = static_cast<std::uint8_t>(i % 4);
    m.unit = static_cast<std::uint8_t>((i / 4) % 3);
    m.measuringMode = static_cast<std::uint8_t>((i / 12) % 3);
    m.rangeIndex = static_cast<std::uint8_t>((i / 36) % 4);
    m.temperatureRaw =
        i % 7 == 0 ? measurement::kNoTemperature : static_cast<std::int16_t>(200 + (i * 13) % 120);
    m.valueRaw = static_cast<std::int16_t>((i * 2731) % 39999 - 19999);
    for (std::size_t c = 0; c < 3; ++c)
      m.componentRaw[c] =
          static_cast<std::int16_t>((i * 577 + static_cast<int>(c) * 4099) % 39999 - 19999);
    measurement::FixedText text;
    measurement::FormatByRangeInto(
        m.effectiveRange(), measurement::ScaleByRange(m.effectiveRange(), m.valueRaw), true, text);
    out.push_back({m, std::string(text.view())});
  }
  return out;
}

// kB from a "Name:   123 kB" line of /proc/self/status; -1 when it cannot be read.
long statusKb(const char* name) {
  std::ifstream in("/proc/self/status");
  const std::size_t n = std::strlen(name);
  for (std::string l; std::getline(in, l);)
    if (l.compare(0, n, name) == 0 && l.size() > n && l[n] == ':')
      return std::strtol(l.c_str() + n + 1, nullptr, 10);
  return -1;
}

// Makes VmHWM the present VmRSS again; false when the kernel does not allow it.
bool resetPeak() {
  std::FILE* f = std::fopen("/proc/self/clear_refs", "w");
  if (!f) return false;
  const bool ok = std::fputs("5", f) >= 0;
  return std::fclose(f) == 0 && ok;
}

void BM_CsvRecording200k(benchmark::State& state) {
  const CsvStyle style = state.range(0) == 0 ? CsvStyle::Comma : CsvStyle::Semicolon;
  const bool paced = state.range(1) != 0;
  const std::vector<Sample> samples = makeSamples();
  const auto path = std::filesystem::temp_directory_path() /
                    ("halvex-csv-bench-" + std::to_string(::getpid()) + ".csv");
  std::int64_t nowMs = 0;
  std::int64_t nowUs = 0;
  measurement::DurableAppender::Clock clock;
  if (paced) clock = [&nowMs] { return nowMs; };

  const bool peakReset = resetPeak();
  const long rssBefore = statusKb("VmRSS");
  std::uintmax_t bytes = 0;
  for (auto _ : state) {
    measurement::CsvRecording csv(clock);
    const auto start = std::chrono::system_clock::now();
    if (!csv.open(path, style)) {
      state.SkipWithError("cannot create the file");
      break;
    }
    for (int i = 0; i < kRows; ++i) {
      const Sample& s = samples[static_cast<std::size_t>(i) & 1023];
      nowUs += kFramePeriodUs;
      nowMs = nowUs / 1000;
      csv.add(start + std::chrono::microseconds(static_cast<std::int64_t>(i) * kFramePeriodUs),
              s.line, s.reading);
    }
    if (!csv.close()) {
      state.SkipWithError("the file could not be written");
      break;
    }
    state.PauseTiming();
    bytes = std::filesystem::file_size(path);
    state.ResumeTiming();
  }
  const long peakAfter = statusKb("VmHWM");
  std::filesystem::remove(path);

  state.SetItemsProcessed(state.iterations() * kRows);
  state.counters["per_row"] = benchmark::Counter(
      kRows, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
  state.counters["rss_before_kB"] = static_cast<double>(rssBefore);
  state.counters["peak_growth_kB"] = peakReset && rssBefore >= 0 && peakAfter >= 0
                                         ? static_cast<double>(peakAfter - rssBefore)
                                         : -1.0;
}
BENCHMARK(BM_CsvRecording200k)
    ->ArgNames({"semicolon", "paced"})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Unit(benchmark::kMillisecond);

void BM_AppendCsvRow(benchmark::State& state) {
  const CsvStyle style = state.range(0) == 0 ? CsvStyle::Comma : CsvStyle::Semicolon;
  const std::vector<Sample> samples = makeSamples();
  const auto start = std::chrono::system_clock::now();
  std::string row;
  row.reserve(256);
  std::size_t i = 0;
  for (auto _ : state) {
    const Sample& s = samples[i & 1023];
    row.clear();
    measurement::appendCsvRow(
        row, style,
        start + std::chrono::microseconds(static_cast<std::int64_t>(i) * kFramePeriodUs), s.line,
        s.reading);
    benchmark::DoNotOptimize(row.data());
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AppendCsvRow)->ArgName("semicolon")->Arg(0)->Arg(1);

}  // namespace
