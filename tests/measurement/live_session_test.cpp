// The live session hands one sample per frame to its sinks; the recordings take the
// samples with a record line and end themselves at their limit.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "measurement/live_session.h"
#include "measurement/recording_sinks.h"
#include "tests/support/alloc_count.h"

namespace {

using measurement::LiveSession;
using measurement::Sample;
using measurement::SampleSink;

std::array<std::uint8_t, 18> frame(std::int16_t value, std::uint8_t range = 0) {
  std::array<std::uint8_t, 18> f{0xAA, 0x55, 0, 0, 0, 0, range, 0, 235 & 0xFF, 0};
  f[10] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(value) & 0xFF);
  f[11] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(value) >> 8);
  return f;
}

struct Seen : SampleSink {
  std::vector<std::string> lines;  // the record line of each sample ("" when none)
  std::vector<std::int16_t> raw;
  std::function<void()> after;
  void sample(const Sample& s) override {
    lines.emplace_back(s.recordLine);
    raw.push_back(s.reading.valueRaw);
    if (after) after();
  }
};

// Which samples carry a record line: only while recording, never while held, never over the
// range; every sample reaches every sink, in the order the sinks were added.
TEST(LiveSession, RecordLinesFollowRecordingHoldAndRange) {
  struct Row {
    const char* name;
    bool recording;
    bool held;
    std::int16_t value;
    const char* line;
  };
  const Row rows[] = {
      {"not recording", false, false, 1500, ""},
      {"recording", true, false, 1500, "  1.500"},
      {"held", true, true, 1500, ""},
      {"overrange", true, false, 25000, ""},
      {"negative", true, false, -2500, " -2.500"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    LiveSession live;
    Seen first, second;
    std::vector<int> order;
    first.after = [&] { order.push_back(1); };
    second.after = [&] { order.push_back(2); };
    live.addSink(first);
    live.addSink(second);
    live.setRecording(r.recording);
    live.inputs().wstrzymaj = r.held;
    const auto f = frame(r.value);
    live.frame(f.data(), std::chrono::system_clock::now());
    ASSERT_EQ(first.lines.size(), 1u);
    EXPECT_EQ(first.lines[0], r.line);
    EXPECT_EQ(second.lines, first.lines);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_EQ(first.raw[0], r.value);
  }
}

// A sink that ends the recording while it is called (a full buffer) removes the sinks; the
// removed ones get nothing more, the others go on.
TEST(LiveSession, ASinkRemovedDuringAFrameGetsNoMore) {
  LiveSession live;
  Seen stopper, removed, stays;
  stopper.after = [&] { live.removeSink(removed); };
  live.addSink(stopper);
  live.addSink(removed);
  live.addSink(stays);
  live.addSink(stays);  // added once only
  live.setRecording(true);
  for (int i = 1; i <= 3; ++i) {
    const auto f = frame(static_cast<std::int16_t>(i * 100));
    live.frame(f.data(), std::chrono::system_clock::now());
  }
  EXPECT_EQ(stopper.lines.size(), 3u);
  EXPECT_TRUE(removed.lines.empty());
  EXPECT_EQ(stays.lines.size(), 3u);
  EXPECT_EQ(live.frames(), 3u);
}

// The window's data-file recording ends at its limit, the CSV one only with the first-screen
// option, and the logger's data-file stream has no limit and writes each line as it comes.
TEST(RecordingSinks, LimitsAndStreams) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("halvex-sinks-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  LiveSession live;
  live.setRecording(true);

  measurement::LineStore lines;
  measurement::RecordingJournal journal;
  measurement::LineRecordingSink lineSink(lines, journal);
  lineSink.firstScreenOnly = true;
  int lineFull = 0;
  // As the window does: the full recording ends.
  lineSink.onFull = [&] {
    ++lineFull;
    live.removeSink(lineSink);
  };

  measurement::CsvRecording csv;
  ASSERT_TRUE(csv.open(dir / "run.csv", measurement::CsvStyle::Comma));
  measurement::CsvRecordingSink csvSink(csv);
  int csvFull = 0;
  csvSink.onFull = [&] { ++csvFull; };

  measurement::LineFileRecording stream;
  ASSERT_TRUE(stream.open(dir / "run.HVD"));

  live.addSink(lineSink);
  live.addSink(csvSink);
  live.addSink(stream);
  const std::size_t limit = measurement::recordingLineLimit(true);
  for (std::size_t i = 1; i <= limit + 5; ++i) {
    const auto f = frame(static_cast<std::int16_t>(i));
    live.frame(f.data(), std::chrono::system_clock::now());
  }
  EXPECT_EQ(lines.LineCount(), limit);
  EXPECT_EQ(lineFull, 1);
  EXPECT_EQ(csvFull, 0) << "no first-screen option on the CSV sink";
  EXPECT_EQ(csv.rows(), limit + 5);
  ASSERT_TRUE(stream.close());
  EXPECT_EQ(stream.lines(), limit + 5);
  std::ifstream in(dir / "run.HVD", std::ios::binary);
  std::string first;
  std::getline(in, first);
  EXPECT_EQ(first, "  0.001\r");
  ASSERT_TRUE(csv.close());
  std::filesystem::remove_all(dir);
}

}  // namespace

namespace {

// Following the instrument allocates nothing per frame once the sinks are in place: the
// session, the record line and the CSV row reuse their buffers.
TEST(LiveSession, FramesAllocateNothingInTheSteadyState) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("halvex-live-alloc-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  LiveSession live;
  Seen counter;
  counter.lines.reserve(2000);
  counter.raw.reserve(2000);
  // A clock that moves on 100 ms at each look: the file is flushed every ten rows.
  std::int64_t ms = 0;
  measurement::CsvRecording csv([&ms] { return ms += 100; });
  ASSERT_TRUE(csv.open(dir / "steady.csv", measurement::CsvStyle::Semicolon));
  measurement::CsvRecordingSink csvSink(csv);
  live.addSink(csvSink);
  live.setRecording(true);
  const auto f = frame(12345);
  const auto now = std::chrono::system_clock::now();
  for (int i = 0; i < 50; ++i) live.frame(f.data(), now);  // warm-up: buffers reach their size
  const std::uint64_t before = testutil::allocations();
  for (int i = 0; i < 1000; ++i) live.frame(f.data(), now);
  EXPECT_EQ(testutil::allocations() - before, 0u);
  EXPECT_EQ(csv.rows(), 1050u);
  ASSERT_TRUE(csv.close());
  std::filesystem::remove_all(dir);
}

}  // namespace
