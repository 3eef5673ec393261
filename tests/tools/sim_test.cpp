// Tests of the simulated LT-40: the model byte by byte, and the real lt40-sim program on
// a pseudo-terminal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tools/lt40_sim/instrument.h"

namespace {

using tools::Bytes;
using tools::Instrument;
using tools::InstrumentConfig;

// Payload positions in the 18-byte frame (counted from 0, sync pair at 0 and 1).
constexpr int kStatusA = 2;
constexpr int kStatusB = 3;
constexpr int kMode = 4;
constexpr int kAxis = 5;
constexpr int kRange = 6;
constexpr int kUnit = 7;
constexpr int kTemperature = 8;
constexpr int kValue = 10;
constexpr int kComponentX = 12;
constexpr int kComponentY = 14;
constexpr int kComponentZ = 16;

Bytes command(char letter, int a = 0, int b = 0, int c = 0) {
  return {0xAA,
          0x55,
          static_cast<std::uint8_t>(letter),
          static_cast<std::uint8_t>(a),
          static_cast<std::uint8_t>(b),
          static_cast<std::uint8_t>(c)};
}

Bytes join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

int s16(const Instrument::Frame& f, int at) {
  return static_cast<std::int16_t>(f[at] | (f[at + 1] << 8));
}

InstrumentConfig constant(double value) {
  InstrumentConfig c;
  c.generator = tools::Generator::Const;
  c.value = value;
  c.amplitude = 0;
  return c;
}

// ---------------------------------------------------------------------------
// Command parsing

TEST(SimParsing, CommandSplitOverCallsTakesEffectWhenComplete) {
  Instrument inst(constant(1000));
  const Bytes axis = command('A', 3);
  for (std::size_t k = 0; k + 1 < axis.size(); ++k) {
    EXPECT_TRUE(inst.feed(std::span(&axis[k], 1)).empty());
    EXPECT_EQ(inst.axis(), 0) << "after byte " << k;
  }
  inst.feed(std::span(&axis.back(), 1));
  EXPECT_EQ(inst.axis(), 3);
  EXPECT_EQ(inst.pendingInputSize(), 0u);
}

TEST(SimParsing, GarbageAroundFramesIsSkipped) {
  struct Row {
    const char* name;
    Bytes input;
    int axis;
    std::size_t replies;
  };
  const std::vector<Row> rows = {
      {"garbage before", join({{0x01, 0x02, 0x55, 0x00}, command('A', 2)}), 2, 0},
      {"lone 0xAA before", join({{0xAA, 0x13}, command('A', 1)}), 1, 0},
      {"0xAA 0xAA 0x55", join({{0xAA}, command('A', 3)}), 3, 0},
      {"unknown letter", join({{0xAA, 0x55, 'Q', 1, 2, 3}, command('A', 2)}), 2, 0},
      {"sync pair inside garbage",
       join({{0xAA, 0x55, 0x00}, command('A', 1), {0xFF}, command('Z')}), 1, 1},
      {"between two requests", join({command('Z'), {0x10, 0x20, 0xAA}, command('Z')}), 0, 2},
  };
  for (const Row& row : rows) {
    Instrument inst(constant(1000));
    const auto replies = inst.feed(row.input);
    EXPECT_EQ(inst.axis(), row.axis) << row.name;
    EXPECT_EQ(replies.size(), row.replies) << row.name;
  }
}

TEST(SimParsing, ArbitraryChunkingGivesTheSameReplies) {
  const Bytes stream = join({{0x00, 0x42},
                             command('Z'),
                             {0xAA},
                             command('J', 100, 0, 3),
                             {0x01},
                             command('D', 76, 0, 2),
                             command('A', 3),
                             {0x99}});
  Instrument whole;
  const auto expected = whole.feed(stream);
  ASSERT_EQ(expected.size(), 3u);
  for (std::size_t chunk : {1u, 2u, 3u, 5u, 7u, 11u}) {
    Instrument inst;
    std::vector<Bytes> got;
    for (std::size_t k = 0; k < stream.size(); k += chunk) {
      const auto part = std::span(stream).subspan(k, std::min(chunk, stream.size() - k));
      for (auto& r : inst.feed(part)) got.push_back(r);
    }
    EXPECT_EQ(got, expected) << "chunk " << chunk;
    EXPECT_EQ(inst.axis(), 3) << "chunk " << chunk;
  }
}

TEST(SimParsing, DiscardPartialInputDropsACutFrame) {
  Instrument inst(constant(1000));
  const Bytes cut = {0xAA, 0x55, 'A'};
  inst.feed(cut);
  EXPECT_EQ(inst.pendingInputSize(), 3u);
  inst.discardPartialInput();
  // Without the discard the next frame's bytes would become the cut frame's arguments.
  inst.feed(command('U', 2));
  EXPECT_EQ(inst.unit(), 2);
  EXPECT_EQ(inst.axis(), 0);
}

TEST(SimParsing, ObserverSeesEveryFrame) {
  Instrument inst;
  std::vector<Bytes> seen;
  inst.setFrameObserver([&](std::span<const std::uint8_t> f, std::string_view note) {
    seen.emplace_back(f.begin(), f.end());
    EXPECT_FALSE(note.empty());
  });
  const Bytes write = {0xAA, 0x55, 'C', 28, 1, 0, 7};
  inst.feed(join({command('M', 2), {0x00}, write, command('S')}));
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[1], write);
  EXPECT_EQ(inst.eepromStores(), 1);
}

// ---------------------------------------------------------------------------
// Measurement frames

TEST(SimFrames, DefaultFrameLayout) {
  Instrument inst(constant(1000));
  const auto f = inst.nextMeasurementFrame(0);
  EXPECT_EQ(f[0], 0xAA);
  EXPECT_EQ(f[1], 0x55);
  EXPECT_EQ(f[kStatusA], 0);
  EXPECT_EQ(f[kStatusB], 0);
  EXPECT_EQ(f[kMode], 0);
  EXPECT_EQ(f[kAxis], 0);
  EXPECT_EQ(f[kRange], 0);
  EXPECT_EQ(f[kUnit], 0);
  EXPECT_EQ(s16(f, kTemperature), 235);
  EXPECT_EQ(s16(f, kValue), 1000);
  EXPECT_EQ(s16(f, kComponentX), 1000);
  EXPECT_EQ(s16(f, kComponentY), -500);
  EXPECT_EQ(s16(f, kComponentZ), 250);
  // Little-endian: 1000 = 0x03E8.
  EXPECT_EQ(f[kValue], 0xE8);
  EXPECT_EQ(f[kValue + 1], 0x03);
}

struct LetterCase {
  const char* name;
  std::vector<Bytes> commands;
  double value;  // constant field level in counts
  int position;  // byte position checked in the next frame
  int expected;  // byte, or s16 when position is a 16-bit field
};

class SimLetters : public ::testing::TestWithParam<LetterCase> {};

TEST_P(SimLetters, ChangesTheNextFrame) {
  const LetterCase& c = GetParam();
  Instrument inst(constant(c.value));
  inst.nextMeasurementFrame(0);
  for (const Bytes& cmd : c.commands) EXPECT_TRUE(inst.feed(cmd).empty());
  const auto f = inst.nextMeasurementFrame(0.1);
  const bool word = c.position >= kTemperature;
  EXPECT_EQ(word ? s16(f, c.position) : f[c.position], c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sim, SimLetters,
    ::testing::Values(
        LetterCase{"ModeAC", {command('M', 2)}, 1000, kMode, 2},
        LetterCase{"Mode50Hz", {command('M', 1)}, 1000, kMode, 1},
        LetterCase{"ModeInvalidIgnored", {command('M', 2), command('M', 7)}, 1000, kMode, 2},
        LetterCase{"AcHasNoSign", {command('M', 2)}, 1000, kComponentY, 500},
        LetterCase{"PeakHoldBit0", {command('P', 1)}, 1000, kStatusA, 0x01},
        LetterCase{"PeakHoldOff", {command('P', 1), command('P', 0)}, 1000, kStatusA, 0},
        LetterCase{"FilterBit4", {command('F', 1)}, 1000, kStatusA, 0x10},
        LetterCase{"ResultsMemoryBit5", {command('B', 1)}, 1000, kStatusA, 0x20},
        LetterCase{"ResultsMemoryOff", {command('B', 1), command('B', 0)}, 1000, kStatusA, 0},
        LetterCase{"AllIndicators",
                   {command('B', 1), command('F', 1), command('P', 1)},
                   1000,
                   kStatusA,
                   0x31},
        LetterCase{"AxisY", {command('A', 1)}, 1000, kValue, -500},
        LetterCase{"AxisZ", {command('A', 2)}, 1000, kValue, 250},
        LetterCase{"AxisVectorByte", {command('A', 3)}, 1000, kAxis, 3},
        LetterCase{"VectorIsMagnitude", {command('A', 3)}, 1000, kValue, 1146},
        LetterCase{"Range1Byte", {command('R', 1)}, 1000, kRange, 1},
        LetterCase{"Range1Counts", {command('R', 1)}, 1000, kValue, 100},
        LetterCase{"Range2Counts", {command('R', 2)}, 1000, kComponentY, -5},
        LetterCase{"FixedRangeClamps", {command('R', 0)}, 30000, kValue, 19999},
        LetterCase{"AutoRangePicks1", {command('R', 1), command('R', 4)}, 50000, kRange, 1},
        LetterCase{"AutoRangeCounts", {command('R', 4)}, 50000, kValue, 5000},
        LetterCase{"AutoRangePicks2", {command('R', 4)}, 500000, kRange, 2},
        LetterCase{"AutoRangeTopClamps", {command('R', 4)}, 5000000, kValue, 19999},
        LetterCase{"AutoVectorByMagnitude", {command('A', 3)}, 19000, kRange, 1},
        LetterCase{"UnitGsByte", {command('U', 2)}, 1000, kUnit, 2},
        LetterCase{"UnitGsSameCounts", {command('U', 2)}, 1000, kValue, 1000},
        LetterCase{"UnitKiloAmperePerMetre", {command('U', 1)}, 1000, kValue, 796},
        LetterCase{"ZeroingSubtracts", {command('H')}, 1000, kValue, 0},
        LetterCase{"ZeroingAllComponents", {command('H')}, 1000, kComponentZ, 0},
        LetterCase{"AutoOffOnlyStored", {command('T', 2)}, 1000, kValue, 1000},
        LetterCase{"LanguageOnlyStored", {command('N', 0)}, 1000, kStatusA, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimFrames, StoredSettingsAndToggles) {
  Instrument inst(constant(1000));
  inst.feed(join({command('T', 3), command('N', 0)}));
  EXPECT_EQ(inst.autoOff(), 3);
  EXPECT_EQ(inst.language(), 0);

  EXPECT_TRUE(inst.streaming());
  inst.feed(command('V'));
  EXPECT_TRUE(inst.paused());
  EXPECT_FALSE(inst.streaming());
  inst.feed(command('V'));
  EXPECT_TRUE(inst.streaming());

  // Power off: silent and deaf to everything but the power key.
  inst.feed(command('X'));
  EXPECT_FALSE(inst.powered());
  EXPECT_FALSE(inst.streaming());
  EXPECT_TRUE(inst.feed(command('Z')).empty());
  inst.feed(command('A', 2));
  EXPECT_EQ(inst.axis(), 0);
  inst.feed(command('X'));
  EXPECT_TRUE(inst.streaming());
  EXPECT_EQ(inst.feed(command('Z')).size(), 1u);
}

TEST(SimFrames, OverrangeOptionSendsCountsBeyondTheRange) {
  InstrumentConfig config = constant(30000);
  config.overrange = true;
  Instrument inst(config);
  inst.feed(command('R', 0));
  EXPECT_EQ(s16(inst.nextMeasurementFrame(0), kValue), 30000);
}

TEST(SimFrames, TemperatureAndBattery) {
  InstrumentConfig config = constant(1000);
  config.temperature = false;
  config.batteryLow = true;
  Instrument inst(config);
  const auto f = inst.nextMeasurementFrame(0);
  EXPECT_EQ(s16(f, kTemperature), -32768);
  EXPECT_EQ(f[kStatusB], 0x01);

  // The temperature drifts slowly around 23.5 °C.
  Instrument warm(constant(1000));
  for (double t : {0.0, 60.0, 150.0, 400.0}) {
    const int tenths = s16(warm.nextMeasurementFrame(t), kTemperature);
    EXPECT_GE(tenths, 220);
    EXPECT_LE(tenths, 250);
  }
  EXPECT_NE(s16(warm.nextMeasurementFrame(150), kTemperature), 235);
}

TEST(SimFrames, GeneratorsFollowTime) {
  InstrumentConfig c;
  c.value = 1000;
  c.amplitude = 500;
  c.periodSeconds = 4;
  struct Row {
    tools::Generator gen;
    double t;
    int expected;
  };
  const std::vector<Row> rows = {
      {tools::Generator::Sine, 0, 1000},    {tools::Generator::Sine, 1, 1500},
      {tools::Generator::Sine, 3, 500},     {tools::Generator::Ramp, 0, 500},
      {tools::Generator::Ramp, 2, 1000},    {tools::Generator::Ramp, 5, 750},
      {tools::Generator::Const, 3, 1000},   {tools::Generator::Steps, 0.2, 1000},
      {tools::Generator::Steps, 1.0, 1500}, {tools::Generator::Steps, 3.5, 500},
  };
  for (const Row& row : rows) {
    c.generator = row.gen;
    Instrument inst(c);
    EXPECT_EQ(s16(inst.nextMeasurementFrame(row.t), kValue), row.expected)
        << tools::generatorName(row.gen) << " at " << row.t;
  }
  c.generator = tools::Generator::Noise;
  Instrument noisy(c);
  int distinct = 0;
  int previous = INT_MIN;
  for (int k = 0; k < 20; ++k) {
    const int v = s16(noisy.nextMeasurementFrame(k * 0.1), kValue);
    EXPECT_GE(v, 500);
    EXPECT_LE(v, 1500);
    distinct += v != previous;
    previous = v;
  }
  EXPECT_GT(distinct, 10);
}

TEST(SimFrames, PeakHoldKeepsTheLargestReading) {
  InstrumentConfig c;
  c.generator = tools::Generator::Steps;  // levels 0, +1, +0.5, −0.5, −1 of the amplitude
  c.value = 0;
  c.amplitude = 1000;
  c.periodSeconds = 5;
  Instrument inst(c);
  inst.feed(command('P', 1));
  EXPECT_EQ(s16(inst.nextMeasurementFrame(0.5), kValue), 0);
  EXPECT_EQ(s16(inst.nextMeasurementFrame(1.5), kValue), 1000);
  EXPECT_EQ(s16(inst.nextMeasurementFrame(2.5), kValue), 1000);
  EXPECT_EQ(s16(inst.nextMeasurementFrame(3.5), kValue), 1000);
  inst.feed(command('P', 0));
  EXPECT_EQ(s16(inst.nextMeasurementFrame(3.6), kValue), -500);
}

TEST(SimFrames, FilterSmoothsAStep) {
  InstrumentConfig c;
  c.generator = tools::Generator::Steps;
  c.value = 0;
  c.amplitude = 1000;
  c.periodSeconds = 5;
  Instrument inst(c);
  inst.feed(command('F', 1));
  EXPECT_EQ(s16(inst.nextMeasurementFrame(0.5), kValue), 0);
  int previous = 0;
  for (double t = 1.1; t < 2.0; t += 0.1) {
    const int v = s16(inst.nextMeasurementFrame(t), kValue);
    EXPECT_GT(v, previous);
    EXPECT_LT(v, 1000);
    previous = v;
  }
}

// ---------------------------------------------------------------------------
// Replies

TEST(SimReplies, DownloadHeader) {
  InstrumentConfig c;
  c.results = 10;
  Instrument ten(c);
  EXPECT_EQ(ten.feed(command('Z')), (std::vector<Bytes>{{0xAA, 0x55, 0x82, 0x00}}));

  Instrument standard;  // 25 results: 100 + 75
  EXPECT_EQ(standard.feed(command('Z')), (std::vector<Bytes>{{0xAA, 0x55, 0xAF, 0x00}}));

  c.results = 0;
  Instrument empty(c);
  EXPECT_EQ(empty.feed(command('Z')), (std::vector<Bytes>{{0xAA, 0x55, 0x64, 0x00}}));

  c.results = 1000;  // 3100 = 0x0C1C
  Instrument many(c);
  EXPECT_EQ(many.feed(command('Z')), (std::vector<Bytes>{{0xAA, 0x55, 0x1C, 0x0C}}));
}

TEST(SimReplies, ResultRequests) {
  Instrument inst;
  inst.setResults({{1234, 2}, {1234, 1}, {1234, 3}, {-12345, 0}, {-1, 0}});
  struct Row {
    int address;
    Bytes reply;
  };
  const std::vector<Row> rows = {
      {100, {0xAA, 0x55, 0x40, 0xD2, 0x04}},
      {103, {0xAA, 0x55, 0x80, 0xD2, 0x04}},
      {106, {0xAA, 0x55, 0xC0, 0xD2, 0x04}},
      {109, {0xAA, 0x55, 0x00, 0xC7, 0xCF}},
      {112, {0xAA, 0x55, 0x00, 0xFF, 0xFF}},
      {115, {0xAA, 0x55, 0x00, 0x00, 0x00}},
      {1000, {0xAA, 0x55, 0x00, 0x00, 0x00}},
      {97, {0xAA, 0x55, 0x00, 0x00, 0x00}},
      // The memory is byte addressed: a request off the grid of results reads across.
      {99, {0xAA, 0x55, 0x00, 0x40, 0xD2}},
      {101, {0xAA, 0x55, 0xD2, 0x04, 0x80}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(inst.feed(command('J', row.address & 0xFF, row.address >> 8, 3)),
              std::vector<Bytes>{row.reply})
        << "address " << row.address;
  }
  EXPECT_EQ(inst.resultEndAddress(), 115);
}

TEST(SimReplies, DefaultResultsAreVaried) {
  const auto results = Instrument::defaultResults(25);
  ASSERT_EQ(results.size(), 25u);
  std::set<int> ranges;
  bool negative = false;
  bool positive = false;
  for (const auto& r : results) {
    ranges.insert(r.rangeIndex);
    negative |= r.counts < 0;
    positive |= r.counts > 0;
    EXPECT_LE(std::abs(r.counts), 19999);
  }
  EXPECT_EQ(ranges.size(), 4u);
  EXPECT_TRUE(negative && positive);
}

TEST(SimReplies, CalibrationReadAndWrite) {
  Instrument inst;
  // Default memory: probe number 1 2 3 4 5, gains near 0.5.
  EXPECT_EQ(inst.feed(command('D', 76, 0, 2)), (std::vector<Bytes>{{0xAA, 0x55, 0x01, 0x02}}));
  EXPECT_EQ(inst.feed(command('D', 78, 0, 2)), (std::vector<Bytes>{{0xAA, 0x55, 0x03, 0x04}}));
  EXPECT_EQ(inst.feed(command('D', 92, 0, 2))[0][2], 5);
  const auto gain = inst.feed(command('D', 0, 0, 2))[0];
  EXPECT_NEAR(gain[2] | (gain[3] << 8), 16384, 300);

  // Word write, byte write and the four-byte probe write, then read back.
  const Bytes word = {0xAA, 0x55, 0x43, 0x10, 0x02, 0x00, 0x34, 0x12};
  const Bytes byte = {0xAA, 0x55, 0x43, 0x1C, 0x01, 0x00, 0x2A};
  const Bytes probe = {0xAA, 0x55, 0x43, 0x4C, 0x04, 0x00, 9, 8, 7, 6};
  EXPECT_TRUE(inst.feed(join({word, byte, probe})).empty());
  EXPECT_EQ(inst.feed(command('D', 0x10, 0, 2)), (std::vector<Bytes>{{0xAA, 0x55, 0x34, 0x12}}));
  EXPECT_EQ(inst.calibration()[28], 0x2A);
  EXPECT_EQ(inst.feed(command('D', 76, 0, 2)), (std::vector<Bytes>{{0xAA, 0x55, 0x09, 0x08}}));
  EXPECT_EQ(inst.feed(command('D', 78, 0, 2)), (std::vector<Bytes>{{0xAA, 0x55, 0x07, 0x06}}));

  // A write frame with an impossible length is not a frame: nothing is written.
  const auto before = inst.calibration();
  inst.feed(Bytes{0xAA, 0x55, 0x43, 0x20, 0x03, 0x00, 1, 2, 3});
  EXPECT_EQ(inst.calibration(), before);

  // The last address pairs with address 0.
  Instrument::CalibrationMemory memory{};
  memory[255] = 0x11;
  memory[0] = 0x22;
  inst.setCalibration(memory);
  EXPECT_EQ(inst.feed(command('D', 255, 0, 2)), (std::vector<Bytes>{{0xAA, 0x55, 0x11, 0x22}}));
}

TEST(SimReplies, CommandsWithoutReply) {
  Instrument inst;
  for (char letter : {'M', 'P', 'R', 'A', 'U', 'F', 'B', 'T', 'H', 'N', 'V', 'S', 'X'}) {
    EXPECT_TRUE(inst.feed(command(letter, 0)).empty()) << letter;
  }
}

TEST(SimReplies, RepliesInOrderDespiteGarbage) {
  Instrument inst;
  inst.setResults({{1234, 2}});
  const Bytes stream =
      join({{0x17}, command('Z'), {0xAA, 0x00}, command('J', 100, 0, 3), command('D', 76, 0, 2)});
  const auto replies = inst.feed(stream);
  ASSERT_EQ(replies.size(), 3u);
  EXPECT_EQ(replies[0], (Bytes{0xAA, 0x55, 0x67, 0x00}));
  EXPECT_EQ(replies[1], (Bytes{0xAA, 0x55, 0x40, 0xD2, 0x04}));
  EXPECT_EQ(replies[2], (Bytes{0xAA, 0x55, 0x01, 0x02}));
  EXPECT_GE(inst.skippedInputBytes(), 3u);
}

// ---------------------------------------------------------------------------
// The real program on a pseudo-terminal

class SimProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/lt40simXXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    dir_ = folder;
    link_ = dir_ + "/ttyLT";
  }
  void TearDown() override {
    if (fd_ >= 0) close(fd_);
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
    std::filesystem::remove_all(dir_);
  }

  // Starts the simulator and returns its first line of output.
  std::string start(std::vector<std::string> args) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return {};
    args.insert(args.begin(), LT40_SIM_PATH);
    pid_ = fork();
    if (pid_ == 0) {
      dup2(pipeFds[1], STDOUT_FILENO);
      close(pipeFds[0]);
      close(pipeFds[1]);
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(pipeFds[1]);
    out_ = pipeFds[0];
    std::string line;
    char ch;
    pollfd p{out_, POLLIN, 0};
    while (poll(&p, 1, 5000) > 0 && read(out_, &ch, 1) == 1 && ch != '\n') line += ch;
    return line;
  }

  int openLine() {
    const int fd = open(link_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return fd;
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
    return fd;
  }

  // Reads until `count` bytes arrived or the time is up.
  static Bytes readBytes(int fd, std::size_t count, int timeoutMs) {
    Bytes got;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got.size() < count) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          end - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
      std::uint8_t buf[256];
      const ssize_t n = read(fd, buf, std::min(sizeof buf, count - got.size()));
      if (n <= 0) break;
      got.insert(got.end(), buf, buf + n);
    }
    return got;
  }

  // What one read() gets once bytes are there.
  static Bytes readOnce(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0) return {};
    std::uint8_t buf[256];
    const ssize_t n = read(fd, buf, sizeof buf);
    return n > 0 ? Bytes(buf, buf + n) : Bytes{};
  }

  // The next whole measurement frame on the line.
  static std::optional<Instrument::Frame> readFrame(int fd) {
    Bytes window;
    for (int k = 0; k < 200; ++k) {
      const Bytes b = readBytes(fd, 1, 1000);
      if (b.empty()) return std::nullopt;
      window.push_back(b[0]);
      if (window.size() >= 2 && window[window.size() - 2] == 0xAA && window.back() == 0x55) {
        const Bytes rest = readBytes(fd, 16, 1000);
        if (rest.size() != 16) return std::nullopt;
        Instrument::Frame f{0xAA, 0x55};
        std::copy(rest.begin(), rest.end(), f.begin() + 2);
        return f;
      }
    }
    return std::nullopt;
  }

  static void send(int fd, const Bytes& bytes) {
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  // Reads what comes until the line has been quiet for 150 ms; false when it never is
  // within 3 s (the instrument keeps streaming).
  static bool drain(int fd) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!readBytes(fd, 4096, 150).empty()) {
      if (std::chrono::steady_clock::now() > end) return false;
    }
    return true;
  }

  // Exit status after SIGTERM, or -1 if it did not end in time.
  int terminate() {
    kill(pid_, SIGTERM);
    for (int k = 0; k < 100; ++k) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return -1;
  }

  std::string dir_;
  std::string link_;
  pid_t pid_ = -1;
  int out_ = -1;
  int fd_ = -1;
};

TEST_F(SimProgram, StreamsFollowsCommandsSurvivesReconnectAndCleansUp) {
  const std::string line =
      start({"--link", link_, "--rate", "50", "--gen", "const", "--value", "1000"});
  EXPECT_NE(line.find("ttyLT -> /dev/pts/"), std::string::npos) << line;
  EXPECT_NE(line.find("(link " + link_ + ")"), std::string::npos) << line;
  std::error_code ec;
  ASSERT_TRUE(std::filesystem::is_symlink(link_, ec));

  fd_ = openLine();
  ASSERT_GE(fd_, 0) << std::strerror(errno);
  auto frame = readFrame(fd_);
  ASSERT_TRUE(frame);
  EXPECT_EQ(s16(*frame, kValue), 1000);
  EXPECT_EQ((*frame)[kAxis], 0);

  // A command takes effect in the frames that follow.
  send(fd_, command('A', 3));
  bool vector = false;
  for (int k = 0; k < 50 && !vector; ++k) {
    frame = readFrame(fd_);
    ASSERT_TRUE(frame);
    vector = (*frame)[kAxis] == 3;
  }
  ASSERT_TRUE(vector);
  EXPECT_EQ(s16(*frame, kValue), 1146);

  // The program closes the line (leaving it exclusive) and opens it again.
  ioctl(fd_, TIOCEXCL);
  close(fd_);
  fd_ = -1;
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  if (getuid() == 0) {
    // Root ignores the exclusive mode; check as an ordinary user that it was cleared.
    const auto pts = std::filesystem::canonical(link_);
    chmod(pts.c_str(), 0666);
    const pid_t child = fork();
    if (child == 0) {
      if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
      const int fd = open(pts.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
      _exit(fd >= 0 ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    // Exit code 2: this machine does not let us change user; nothing to check then.
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 1) << "reopen as another user";
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  fd_ = openLine();
  ASSERT_GE(fd_, 0) << std::strerror(errno);
  frame = readFrame(fd_);
  ASSERT_TRUE(frame);
  EXPECT_EQ((*frame)[kAxis], 3) << "state kept across the reconnect";

  // Paused, the line carries only the replies.
  send(fd_, command('V'));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_TRUE(drain(fd_)) << "still streaming after V";
  send(fd_, command('Z'));
  EXPECT_EQ(readBytes(fd_, 4, 1000), (Bytes{0xAA, 0x55, 0xAF, 0x00}));
  EXPECT_TRUE(readBytes(fd_, 1, 300).empty());

  EXPECT_EQ(terminate(), 0);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link_, ec)));
}

TEST_F(SimProgram, OnceFramesThenSilent) {
  start({"--link", link_, "--rate", "100", "--once-frames", "3"});
  fd_ = openLine();
  ASSERT_GE(fd_, 0);
  const Bytes got = readBytes(fd_, 4096, 500);
  EXPECT_EQ(got.size(), 3 * Instrument::kFrameSize);
  // Requests are still answered.
  send(fd_, command('D', 76, 0, 2));
  EXPECT_EQ(readBytes(fd_, 4, 1000), (Bytes{0xAA, 0x55, 0x01, 0x02}));
  EXPECT_EQ(terminate(), 0);
}

TEST_F(SimProgram, SplitRepliesArriveInTwoParts) {
  start({"--link", link_, "--silent", "--split-replies", "--results", "10"});
  fd_ = openLine();
  ASSERT_GE(fd_, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  send(fd_, command('Z'));
  EXPECT_EQ(readOnce(fd_, 1000), (Bytes{0xAA, 0x55})) << "first write";
  EXPECT_EQ(readOnce(fd_, 1000), (Bytes{0x82, 0x00})) << "second write";
  EXPECT_EQ(terminate(), 0);
}

TEST_F(SimProgram, FaultsBeginAfterTheFirstReplies) {
  start({"--link", link_, "--silent", "--split-replies", "--faults-after", "1", "--results", "10"});
  fd_ = openLine();
  ASSERT_GE(fd_, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  send(fd_, command('Z'));
  EXPECT_EQ(readOnce(fd_, 1000), (Bytes{0xAA, 0x55, 0x82, 0x00})) << "spared";
  send(fd_, command('J', 100, 0, 3));
  EXPECT_EQ(readOnce(fd_, 1000).size(), 2u) << "split";
  EXPECT_EQ(readOnce(fd_, 1000).size(), 3u);
  EXPECT_EQ(terminate(), 0);
}

TEST(SimProgramOptions, HelpAndBadOptions) {
  auto run = [](const std::string& args) {
    const std::string cmd = std::string(LT40_SIM_PATH) + " " + args + " >/dev/null 2>&1";
    const int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  EXPECT_EQ(run("--help"), 0);
  EXPECT_EQ(run("--rate 0"), 2);
  EXPECT_EQ(run("--gen square"), 2);
  EXPECT_EQ(run("--drop-replies 1.5"), 2);
  EXPECT_EQ(run("--faults-after -1"), 2);
  EXPECT_EQ(run("--port COM1 --link /tmp/x"), 2);
  EXPECT_EQ(run("--calibration /nonexistent/file"), 2);
  EXPECT_EQ(run("--bogus"), 2);
}

}  // namespace
