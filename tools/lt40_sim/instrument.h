#pragma once
// Model of the LT-40 as the PC sees it over the serial line: it takes the bytes the PC
// sends, follows its command frames, answers requests and builds measurement frames.
// Pure logic without I/O, so the simulator's behaviour is tested byte by byte.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tools {

using Bytes = std::vector<std::uint8_t>;

// Shape of the simulated field over time.
enum class Generator { Sine, Ramp, Const, Noise, Steps };
std::optional<Generator> parseGenerator(std::string_view name);
const char* generatorName(Generator generator);

// One entry of the instrument's results memory: a reading in counts and the range
// index (0..3) that says where its decimal point is.
struct StoredResult {
  std::int16_t counts = 0;
  int rangeIndex = 0;
  bool operator==(const StoredResult&) const = default;
};

struct InstrumentConfig {
  Generator generator = Generator::Sine;
  // Field level and swing in counts of the finest range (1 count = 0.001 mT); the
  // X component follows the generator, Y and Z are fixed fractions of it.
  double value = 10000;
  double amplitude = 15000;
  double periodSeconds = 10;  // of sine, ramp and steps
  bool overrange = false;     // send readings beyond the range instead of clamping to ±19999
  bool temperature = true;    // false: the frames carry "no temperature" (−32768)
  bool batteryLow = false;
  int results = 25;  // results held in the results memory
  std::uint32_t seed = 1;
  std::optional<std::array<std::uint8_t, 256>> calibration;  // default content when empty
};

class Instrument {
 public:
  static constexpr std::size_t kFrameSize = 18;
  static constexpr std::size_t kCalibrationSize = 256;
  static constexpr std::uint16_t kResultsBase = 100;  // address of result 1
  static constexpr int kMaxResults = (65535 - kResultsBase) / 3;
  static constexpr int kMaxCounts = 19999;
  static constexpr std::int16_t kNoTemperature = -32768;

  using Frame = std::array<std::uint8_t, kFrameSize>;
  using CalibrationMemory = std::array<std::uint8_t, kCalibrationSize>;
  // Called for every complete command frame taken from the input, with a short text
  // that says what the instrument made of it.
  using FrameObserver = std::function<void(std::span<const std::uint8_t> frame, std::string_view)>;

  explicit Instrument(InstrumentConfig config = {});

  // Appends received bytes to the input, takes every complete command frame out of it
  // (found by the sync pair; bytes that do not start a known frame are skipped) and
  // returns the replies in order, each one complete frame meant for one write.
  std::vector<Bytes> feed(std::span<const std::uint8_t> bytes);
  // Drops an incomplete frame left in the input (the caller does so when the line has
  // been quiet for a while, so a cut frame cannot swallow the next command).
  void discardPartialInput();
  std::size_t pendingInputSize() const { return input_.size(); }
  std::uint64_t skippedInputBytes() const { return skippedBytes_; }

  // The measurement frame for the given time since start, from the current settings.
  Frame nextMeasurementFrame(double timeSeconds);
  // True while frames are to be sent: powered on and not paused by "V".
  bool streaming() const { return powered_ && !paused_; }

  bool powered() const { return powered_; }
  bool paused() const { return paused_; }
  void setPaused(bool paused) { paused_ = paused; }
  int measuringMode() const { return measuringMode_; }  // 0 DC, 1 50 Hz, 2 AC
  int axis() const { return axis_; }                    // 0 X, 1 Y, 2 Z, 3 vector
  int rangeSetting() const { return rangeSetting_; }    // 0..3 fixed, 4 automatic
  int unit() const { return unit_; }                    // 0 mT, 1 kA/m, 2 Gs
  bool peakHold() const { return peakHold_; }
  bool filter() const { return filter_; }
  bool resultsMemory() const { return resultsMemory_; }
  int autoOff() const { return autoOff_; }
  int language() const { return language_; }
  int eepromStores() const { return eepromStores_; }
  // Offset vector subtracted by zeroing, in counts of the finest range.
  std::array<double, 3> zeroOffset() const { return zeroOffset_; }

  const CalibrationMemory& calibration() const { return calibration_; }
  void setCalibration(const CalibrationMemory& memory) { calibration_ = memory; }
  const std::vector<StoredResult>& results() const { return results_; }
  void setResults(std::vector<StoredResult> results);
  std::uint16_t resultEndAddress() const;

  void setFrameObserver(FrameObserver observer) { observer_ = std::move(observer); }

  // Plausible calibration: gains near 0.5, small offsets, phases, filter coefficients,
  // probe number 12345.
  static CalibrationMemory defaultCalibration();
  // n results with varied values, signs and ranges (deterministic).
  static std::vector<StoredResult> defaultResults(int n);
  // Status byte of a result reply for a range index: r = 2·bit 6 + bit 7.
  static std::uint8_t resultStatus(int rangeIndex);

 private:
  struct Reading {
    double value = 0;  // the shown reading, finest-range counts in the current unit
    std::array<double, 3> components{};
  };

  std::optional<Bytes> handleFrame(std::span<const std::uint8_t> frame, std::string& note);
  std::array<double, 3> rawField(double t);
  Reading currentReading(const std::array<double, 3>& field);
  std::uint8_t resultMemoryByte(std::uint32_t address) const;

  InstrumentConfig config_;
  std::mt19937 rng_;
  Bytes input_;
  std::uint64_t skippedBytes_ = 0;
  FrameObserver observer_;

  bool powered_ = true;
  bool paused_ = false;
  int measuringMode_ = 0;
  int axis_ = 0;
  int rangeSetting_ = 4;
  int unit_ = 0;
  bool peakHold_ = false;
  bool filter_ = false;
  bool resultsMemory_ = false;
  int autoOff_ = 0;
  int language_ = 1;
  int eepromStores_ = 0;

  std::array<double, 3> zeroOffset_{};
  std::optional<std::array<double, 3>> lastField_;  // generator output of the last frame
  std::optional<std::array<double, 3>> filterState_;
  std::optional<Reading> peak_;

  CalibrationMemory calibration_{};
  std::vector<StoredResult> results_;
};

}  // namespace tools
