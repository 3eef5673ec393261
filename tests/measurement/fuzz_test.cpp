// Random byte streams through the receive and processing path: no failure may
// escape, the buffer never overfills, and every output stays finite and bounded.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "link/frame_receiver.h"
#include "measurement/processor.h"

namespace {

using devlink::FrameReceiver;
using devlink::LinkMode;
using measurement::DisplayUpdate;
using measurement::MeasurementProcessor;
using measurement::ProcessorInputs;

// A stream that is mostly measurement frames with random payloads (nine in ten with a
// mode, axis, range and unit the instrument sends, so they reach the processing), mixed
// with short replies, stray sync bytes and noise.
std::vector<std::uint8_t> makeStream(std::mt19937& rng, std::size_t size) {
  std::vector<std::uint8_t> s;
  s.reserve(size + 32);
  std::uniform_int_distribution<int> byte(0, 255), kind(0, 9);
  while (s.size() < size) {
    const int k = kind(rng);
    if (k < 6) {
      s.push_back(0xAA);
      s.push_back(0x55);
      const std::size_t at = s.size();
      for (int i = 0; i < 16; ++i) s.push_back(static_cast<std::uint8_t>(byte(rng)));
      if (byte(rng) % 10 != 0) {
        s[at + 2] = static_cast<std::uint8_t>(byte(rng) % 3);  // mode
        s[at + 3] = static_cast<std::uint8_t>(byte(rng) % 4);  // axis
        s[at + 4] = static_cast<std::uint8_t>(byte(rng) % 4);  // range index
        s[at + 5] = static_cast<std::uint8_t>(byte(rng) % 3);  // unit
      }
    } else if (k == 6) {
      s.push_back(0xAA);
      s.push_back(0x55);
      const int n = byte(rng) % 4 + 1;
      for (int i = 0; i < n; ++i) s.push_back(static_cast<std::uint8_t>(byte(rng)));
    } else if (k == 7) {
      s.push_back(0xAA);
    } else {
      const int n = byte(rng) % 40;
      for (int i = 0; i < n; ++i) s.push_back(static_cast<std::uint8_t>(byte(rng)));
    }
  }
  return s;
}

double randomConstant(std::mt19937& rng) {
  static const double specials[] = {0.0,
                                    -1.0,
                                    1.0,
                                    0.05,
                                    1e-300,
                                    -1e300,
                                    1e300,
                                    100.0,
                                    std::numeric_limits<double>::infinity(),
                                    -std::numeric_limits<double>::infinity(),
                                    std::numeric_limits<double>::quiet_NaN()};
  std::uniform_int_distribution<std::size_t> pick(0, std::size(specials) - 1);
  return specials[pick(rng)];
}

bool finiteAndBounded(const measurement::TextChange& t) {
  return t.text.len <= t.text.buf.size();
}

TEST(ReceiveFuzz, RandomStreamsNeverBreakTheInvariants) {
  std::mt19937 rng(0x4C543430u);  // fixed seed: failures are reproducible
  FrameReceiver rx;
  MeasurementProcessor proc;
  ProcessorInputs in;
  DisplayUpdate out;
  const char* thresholds[] = {"",      "Blad!", "0,5", "abc",      "-1",
                              "1e400", "nan",   " 3 ", "0.000001", ","};
  const char* words[] = {"Wektor", "Vector", "Vettore"};

  std::vector<std::uint8_t> stream;
  std::size_t pos = 0;
  rx.read = [&](std::uint8_t* dst, int n) {
    const int got =
        static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(n), stream.size() - pos));
    std::memcpy(dst, stream.data() + pos, static_cast<std::size_t>(got));
    pos += static_cast<std::size_t>(got);
    return got;
  };
  long frames = 0, escaped = 0, badOutput = 0;
  rx.onMeasurementFrame = [&](const std::uint8_t* f) {
    try {
      proc.processFrame(f, in, out);
    } catch (...) {
      ++escaped;  // the receiver would swallow it; the processor must not throw at all
    }
    ++frames;
    if (out.chartValue && (!std::isfinite(*out.chartValue) || std::fabs(*out.chartValue) > 40000.0))
      ++badOutput;
    for (const auto* t :
         {&out.SWynik, &out.Min, &out.Max, &out.Avr, &out.STemp, &out.Label9, &out.recordLine}) {
      if (!finiteAndBounded(*t)) ++badOutput;
    }
    const auto& st = proc.state();
    if (!std::isfinite(st.FilterState) || !std::isfinite(st.Average) ||
        !std::isfinite(st.Minimum) || !std::isfinite(st.Maximum) || st.Count < 0)
      ++badOutput;
    if (out.SWynik.view().find("nan") != std::string_view::npos ||
        out.SWynik.view().find("inf") != std::string_view::npos)
      ++badOutput;
  };
  rx.onResultReply = [&](std::uint8_t, std::uint8_t, std::uint8_t) {
    if (rng() % 3 == 0) rx.LinkMode = LinkMode::Measuring;
  };
  rx.onReadbackWord = [&](std::uint16_t) {
    if (rng() % 5 == 0) rx.LinkMode = LinkMode::Measuring;
  };

  std::uniform_int_distribution<int> percent(0, 99);
  std::size_t totalBytes = 0;
  long fillViolations = 0;
  while (totalBytes < 6'000'000) {
    stream = makeStream(rng, 2000 + rng() % 30000);
    pos = 0;
    while (pos < stream.size()) {
      // Random event sizes: mostly small, sometimes a backlog far above the buffer.
      const int size = percent(rng);
      int n = size < 70   ? static_cast<int>(rng() % 25)
              : size < 95 ? 18
                          : static_cast<int>(rng() % 1500);
      n = std::min<int>(n, static_cast<int>(stream.size() - pos));
      if (percent(rng) < 2)
        rx.LinkMode = percent(rng) < 60 ? LinkMode::Measuring : static_cast<LinkMode>(rng() % 5);
      if (percent(rng) < 1) rx.PendingLinkMode = static_cast<LinkMode>(rng() % 5);
      if (percent(rng) < 3) {
        in.filtr = rng() & 1;
        in.dane = rng() & 1;
        in.ftovik = rng() & 1;
        in.progWlacz = rng() & 1;
        in.wstrzymaj = rng() & 1;
        in.liveView = rng() & 1;
        in.recording = rng() & 1;
        in.tempProg = thresholds[rng() % std::size(thresholds)];
        in.vectorWord = words[rng() % 3];
      }
      if (percent(rng) < 1) proc.setFilterConstant(randomConstant(rng));
      if (percent(rng) < 1) proc.setTovik(randomConstant(rng), static_cast<std::uint16_t>(rng()));
      if (percent(rng) < 1) proc.clearFilterPrimed();
      if (percent(rng) < 1) proc.requestStatsReset();
      if (percent(rng) < 1) proc.resetAmplitude();
      try {
        rx.ComPort1RxChar(n);
      } catch (...) {
        ++escaped;
      }
      if (n == 0) ++pos;  // keep moving through the stream
      if (rx.ReceiveFill > FrameReceiver::kBufferSize) ++fillViolations;
    }
    totalBytes += stream.size();
  }
  EXPECT_EQ(escaped, 0);
  EXPECT_EQ(fillViolations, 0);
  EXPECT_EQ(badOutput, 0);
  RecordProperty("frames", static_cast<int>(frames));
  EXPECT_GT(frames, 30000) << "the stream should exercise the processing";
}

}  // namespace
