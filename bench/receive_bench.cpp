// Bytes in through the frame receiver, processed into a display update: one 18-byte
// frame per event as the port delivers a steady line, and several frames per event as a
// USB adapter or a window kept busy for a while hands them over.
#include <benchmark/benchmark.h>

#include <array>
#include <atomic>
#include <cstring>
#include <vector>

#include "link/frame_receiver.h"
#include "measurement/processor.h"

namespace {

std::vector<std::uint8_t> makeFrames(int count) {
  std::vector<std::uint8_t> s;
  for (int i = 0; i < count; ++i) {
    const auto value =
        static_cast<std::uint16_t>(static_cast<std::int16_t>((i * 37) % 39999 - 19999));
    const auto comp = static_cast<std::uint16_t>(static_cast<std::int16_t>((i * 11) % 3000 - 1500));
    const std::uint8_t f[18] = {0xAA,
                                0x55,
                                static_cast<std::uint8_t>(i & 0x3F),
                                0,
                                0,
                                3,
                                0,
                                0,
                                235,
                                0,
                                static_cast<std::uint8_t>(value & 0xFF),
                                static_cast<std::uint8_t>(value >> 8),
                                static_cast<std::uint8_t>(comp & 0xFF),
                                static_cast<std::uint8_t>(comp >> 8),
                                static_cast<std::uint8_t>(comp & 0xFF),
                                static_cast<std::uint8_t>(comp >> 8),
                                static_cast<std::uint8_t>(comp & 0xFF),
                                static_cast<std::uint8_t>(comp >> 8)};
    s.insert(s.end(), f, f + 18);
  }
  return s;
}

void BM_ReceiveAndProcess(benchmark::State& state) {
  const std::vector<std::uint8_t> stream = makeFrames(4096);
  std::size_t pos = 0;
  devlink::FrameReceiver rx([&](std::uint8_t* dst, int n) {
    if (pos + static_cast<std::size_t>(n) > stream.size()) pos = 0;
    std::memcpy(dst, stream.data() + pos, static_cast<std::size_t>(n));
    pos += static_cast<std::size_t>(n);
    return n;
  });
  measurement::MeasurementProcessor proc;
  measurement::ProcessorInputs in;
  in.filtr = true;  // the busiest path: both filters, statistics, chart, recording
  in.ftovik = true;
  in.recording = true;
  proc.setTovik(1.0, 50);
  measurement::DisplayUpdate out;
  std::int64_t frames = 0;
  rx.onMeasurementFrame = [&](const std::uint8_t* f) {
    proc.processFrame(f, in, out);
    ++frames;
  };
  const int perEvent = static_cast<int>(state.range(0));
  for (auto _ : state) {
    rx.ComPort1RxChar(18 * perEvent);
    benchmark::DoNotOptimize(out.SWynik.text.len);
  }
  state.counters["frames_per_second"] =
      benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReceiveAndProcess)->ArgName("frames_per_event")->Arg(1)->Arg(4)->Arg(64);

}  // namespace
