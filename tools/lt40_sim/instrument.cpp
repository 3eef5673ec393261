#include "tools/lt40_sim/instrument.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace tools {

namespace {

constexpr std::uint8_t kSync1 = 0xAA;
constexpr std::uint8_t kSync2 = 0x55;
constexpr std::size_t kCommandSize = 6;

// Direction of the simulated field: X follows the generator, Y and Z are fixed
// fractions of it, so the vector magnitude is always consistent with the components.
constexpr std::array<double, 3> kDirection{1.0, -0.5, 0.25};

// 1 mT in kA/m (B / µ0).
constexpr double kKiloAmperePerMetrePerMilliTesla = 1.0 / (0.4 * std::numbers::pi);

// Smoothing of the instrument's own filter, per frame.
constexpr double kFilterWeight = 0.25;

bool isCommandLetter(std::uint8_t letter) {
  constexpr std::string_view kLetters = "MPRAUFBTHNXVZJDCS";
  return kLetters.find(static_cast<char>(letter)) != std::string_view::npos;
}

void putS16(std::uint8_t* at, std::int16_t value) {
  const auto u = static_cast<std::uint16_t>(value);
  at[0] = static_cast<std::uint8_t>(u & 0xFF);
  at[1] = static_cast<std::uint8_t>(u >> 8);
}

std::int16_t toCounts(double value, bool allowOverrange) {
  double limit = allowOverrange ? 32767.0 : Instrument::kMaxCounts;
  double rounded = std::nearbyint(value);
  return static_cast<std::int16_t>(std::clamp(rounded, -limit, limit));
}

double magnitude(const std::array<double, 3>& v) {
  return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

void putWord(Instrument::CalibrationMemory& m, int address, int value) {
  const auto u = static_cast<std::uint16_t>(static_cast<std::int16_t>(value));
  m[address] = static_cast<std::uint8_t>(u & 0xFF);
  m[address + 1] = static_cast<std::uint8_t>(u >> 8);
}

}  // namespace

std::optional<Generator> parseGenerator(std::string_view name) {
  if (name == "sine") return Generator::Sine;
  if (name == "ramp") return Generator::Ramp;
  if (name == "const") return Generator::Const;
  if (name == "noise") return Generator::Noise;
  if (name == "steps") return Generator::Steps;
  return std::nullopt;
}

const char* generatorName(Generator generator) {
  switch (generator) {
    case Generator::Sine:
      return "sine";
    case Generator::Ramp:
      return "ramp";
    case Generator::Const:
      return "const";
    case Generator::Noise:
      return "noise";
    case Generator::Steps:
      return "steps";
  }
  return "?";
}

Instrument::Instrument(InstrumentConfig config) : config_(std::move(config)), rng_(config_.seed) {
  calibration_ = config_.calibration ? *config_.calibration : defaultCalibration();
  results_ = defaultResults(std::clamp(config_.results, 0, kMaxResults));
}

void Instrument::setResults(std::vector<StoredResult> results) {
  if (results.size() > static_cast<std::size_t>(kMaxResults)) results.resize(kMaxResults);
  results_ = std::move(results);
}

std::uint16_t Instrument::resultEndAddress() const {
  return static_cast<std::uint16_t>(kResultsBase + 3 * results_.size());
}

std::uint8_t Instrument::resultStatus(int rangeIndex) {
  const int r = rangeIndex & 3;
  return static_cast<std::uint8_t>(((r >> 1) << 6) | ((r & 1) << 7));
}

Instrument::CalibrationMemory Instrument::defaultCalibration() {
  CalibrationMemory m{};
  // Gains of the three axes: DC ranges 1..4 at base+0,4,8,12 and the AC column at
  // base+16,20,24; all near 0.5 (0.5 × 32768 = 16384), a little different per axis.
  const std::array<int, 3> axisBase{0, 48, 96};
  for (int a = 0; a < 3; ++a) {
    const int base = axisBase[a];
    for (int k = 0; k < 4; ++k) putWord(m, base + 4 * k, 16384 + 37 * a + 11 * k);
    for (int k = 0; k < 3; ++k) putWord(m, base + 16 + 4 * k, 16300 + 29 * a + 7 * k);
    putWord(m, base + 10, -12 + 5 * a);  // offset, DC
    putWord(m, base + 42, 8 - 3 * a);    // offset, AC column
  }
  m[28] = 12;  // phases
  m[29] = 14;
  m[30] = 13;
  m[31] = 0;
  m[76] = 1;  // probe number 12345
  m[77] = 2;
  m[78] = 3;
  m[79] = 4;
  m[92] = 5;
  m[93] = 20;             // temperature correction offset
  putWord(m, 94, 655);    // temperature correction coefficient ≈ 0.02
  putWord(m, 124, 1250);  // thermometer coefficient and offset
  putWord(m, 126, 2730);
  // Filter time coefficients 32767·e^(−x) for x = 0.1, 0.25, 0.5, 0.75 (DC, then AC): a
  // probe whose every value, read back, is accepted again by the upload.
  const std::array<int, 4> coefficients{29649, 25519, 19874, 15478};
  for (int k = 0; k < 4; ++k) {
    putWord(m, 144 + 2 * k, coefficients[k]);
    putWord(m, 160 + 2 * k, coefficients[k]);
  }
  putWord(m, 168, 300);  // filter thresholds 1 and 2, DC and AC
  putWord(m, 172, 200);
  putWord(m, 174, 1500);
  putWord(m, 178, 1000);
  putWord(m, 180, 2147);  // field correction ≈ 1e-6
  putWord(m, 192, 0x35);  // analog switches
  m[194] = 128;           // digital potentiometer
  return m;
}

std::vector<StoredResult> Instrument::defaultResults(int n) {
  std::vector<StoredResult> results;
  results.reserve(static_cast<std::size_t>(std::max(n, 0)));
  for (int i = 0; i < n; ++i) {
    const double v = 18000.0 * std::sin(0.9 * i + 0.3) * (0.3 + 0.7 * ((i * 7) % 10) / 9.0);
    results.push_back({static_cast<std::int16_t>(std::lround(v)), (i * 3 + i / 4) % 4});
  }
  return results;
}

std::vector<Bytes> Instrument::feed(std::span<const std::uint8_t> bytes) {
  input_.insert(input_.end(), bytes.begin(), bytes.end());
  std::vector<Bytes> replies;
  std::size_t pos = 0;
  auto skip = [&](std::size_t n) {
    pos += n;
    skippedBytes_ += n;
  };
  while (pos < input_.size()) {
    const std::size_t left = input_.size() - pos;
    if (input_[pos] != kSync1) {
      skip(1);
      continue;
    }
    if (left < 2) break;
    if (input_[pos + 1] != kSync2 || (left >= 3 && !isCommandLetter(input_[pos + 2]))) {
      skip(1);
      continue;
    }
    if (left < 3) break;
    std::size_t size = kCommandSize;
    if (input_[pos + 2] == 'C') {
      if (left < 5) break;
      const std::uint8_t n = input_[pos + 4];
      if (n != 1 && n != 2 && n != 4) {
        skip(1);
        continue;
      }
      size = 6 + n;
    }
    if (left < size) break;
    const std::span<const std::uint8_t> frame(input_.data() + pos, size);
    std::string note;
    if (auto reply = handleFrame(frame, note)) replies.push_back(std::move(*reply));
    if (observer_) observer_(frame, note);
    pos += size;
  }
  input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(pos));
  return replies;
}

void Instrument::discardPartialInput() {
  skippedBytes_ += input_.size();
  input_.clear();
}

std::optional<Bytes> Instrument::handleFrame(std::span<const std::uint8_t> f, std::string& note) {
  const char letter = static_cast<char>(f[2]);
  const int a = f[3];
  const int b = f[4];
  const int c = f[5];
  char text[96];

  // Switched off, the instrument only listens for the power key.
  if (!powered_ && letter != 'X') {
    note = std::string(1, letter) + ": ignored, power is off";
    return std::nullopt;
  }

  auto setChoice = [&](int& field, int max, const char* what) {
    if (a <= max) {
      field = a;
      std::snprintf(text, sizeof text, "%c: %s %d", letter, what, a);
    } else {
      std::snprintf(text, sizeof text, "%c: %s %d out of range, ignored", letter, what, a);
    }
    note = text;
  };
  auto setFlag = [&](bool& field, const char* what) {
    field = a != 0;
    note = std::string(1, letter) + ": " + what + (field ? " on" : " off");
  };

  switch (letter) {
    case 'M':
      setChoice(measuringMode_, 2, "measuring mode");
      peak_.reset();
      return std::nullopt;
    case 'P':
      setFlag(peakHold_, "peak hold");
      peak_.reset();
      return std::nullopt;
    case 'R':
      setChoice(rangeSetting_, 4, "range");
      return std::nullopt;
    case 'A':
      setChoice(axis_, 3, "axis");
      peak_.reset();
      return std::nullopt;
    case 'U':
      setChoice(unit_, 2, "unit");
      peak_.reset();
      return std::nullopt;
    case 'F':
      setFlag(filter_, "filter");
      filterState_.reset();
      return std::nullopt;
    case 'B':
      setFlag(resultsMemory_, "results memory");
      return std::nullopt;
    case 'T':
      autoOff_ = a;
      std::snprintf(text, sizeof text, "T: automatic switch-off %d", a);
      note = text;
      return std::nullopt;
    case 'N':
      language_ = a;
      std::snprintf(text, sizeof text, "N: display language %d", a);
      note = text;
      return std::nullopt;
    case 'H': {
      if (!lastField_) lastField_ = rawField(0);
      zeroOffset_ = *lastField_;
      filterState_.reset();
      peak_.reset();
      std::snprintf(text, sizeof text, "H: zeroed, offset %.0f %.0f %.0f", zeroOffset_[0],
                    zeroOffset_[1], zeroOffset_[2]);
      note = text;
      return std::nullopt;
    }
    case 'X':
      powered_ = !powered_;
      note = powered_ ? "X: power on" : "X: power off";
      if (powered_) paused_ = false;
      return std::nullopt;
    case 'V':
      paused_ = !paused_;
      note = paused_ ? "V: streaming paused" : "V: streaming resumed";
      return std::nullopt;
    case 'S':
      ++eepromStores_;
      note = "S: calibration stored to EEPROM";
      return std::nullopt;
    case 'Z': {
      const std::uint16_t end = resultEndAddress();
      std::snprintf(text, sizeof text, "Z: %zu results, end address %u", results_.size(), end);
      note = text;
      return Bytes{kSync1, kSync2, static_cast<std::uint8_t>(end & 0xFF),
                   static_cast<std::uint8_t>(end >> 8)};
    }
    case 'J': {
      const std::uint32_t address =
          static_cast<std::uint32_t>(a) | (static_cast<std::uint32_t>(b) << 8);
      Bytes reply{kSync1, kSync2, resultMemoryByte(address), resultMemoryByte(address + 1),
                  resultMemoryByte(address + 2)};
      std::snprintf(text, sizeof text, "J: result at %u: status 0x%02X counts %d", address,
                    reply[2], static_cast<std::int16_t>(reply[3] | (reply[4] << 8)));
      note = text;
      return reply;
    }
    case 'D': {
      const std::uint8_t lo = calibration_[a];
      const std::uint8_t hi = c == 1 ? 0 : calibration_[(a + 1) % kCalibrationSize];
      std::snprintf(text, sizeof text, "D: read %d bytes at %d: 0x%02X%02X", c == 1 ? 1 : 2, a, hi,
                    lo);
      note = text;
      return Bytes{kSync1, kSync2, lo, hi};
    }
    case 'C': {
      const std::size_t n = f[4];
      std::string data;
      for (std::size_t k = 0; k < n; ++k) {
        calibration_[(a + k) % kCalibrationSize] = f[6 + k];
        std::snprintf(text, sizeof text, " %02X", f[6 + k]);
        data += text;
      }
      std::snprintf(text, sizeof text, "C: write %zu bytes at %d:", n, a);
      note = text + data;
      return std::nullopt;
    }
    default:
      note = "unknown";
      return std::nullopt;
  }
}

std::uint8_t Instrument::resultMemoryByte(std::uint32_t address) const {
  // The results memory is byte addressed: result i occupies status, low and high
  // byte at 100 + 3(i − 1); everything outside it reads as zero.
  if (address < kResultsBase) return 0;
  const std::uint32_t offset = address - kResultsBase;
  const std::size_t index = offset / 3;
  if (index >= results_.size()) return 0;
  const StoredResult& r = results_[index];
  const auto u = static_cast<std::uint16_t>(r.counts);
  switch (offset % 3) {
    case 0:
      return resultStatus(r.rangeIndex);
    case 1:
      return static_cast<std::uint8_t>(u & 0xFF);
    default:
      return static_cast<std::uint8_t>(u >> 8);
  }
}

std::array<double, 3> Instrument::rawField(double t) {
  const double period = config_.periodSeconds > 0 ? config_.periodSeconds : 1.0;
  const double phase = t / period - std::floor(t / period);  // 0..1 within the period
  double g = config_.value;
  switch (config_.generator) {
    case Generator::Sine:
      g += config_.amplitude * std::sin(2 * std::numbers::pi * t / period);
      break;
    case Generator::Ramp:
      g += config_.amplitude * (2 * phase - 1);
      break;
    case Generator::Const:
      break;
    case Generator::Noise:
      g += config_.amplitude * std::uniform_real_distribution<double>(-1.0, 1.0)(rng_);
      break;
    case Generator::Steps: {
      static constexpr std::array<double, 5> kLevels{0.0, 1.0, 0.5, -0.5, -1.0};
      g += config_.amplitude *
           kLevels[std::min<std::size_t>(static_cast<std::size_t>(phase * kLevels.size()), 4)];
      break;
    }
  }
  return {g * kDirection[0], g * kDirection[1], g * kDirection[2]};
}

Instrument::Reading Instrument::currentReading(const std::array<double, 3>& raw) {
  std::array<double, 3> field;
  for (int k = 0; k < 3; ++k) field[k] = raw[k] - zeroOffset_[k];

  if (filter_) {
    if (!filterState_) filterState_ = field;
    for (int k = 0; k < 3; ++k) {
      (*filterState_)[k] += kFilterWeight * (field[k] - (*filterState_)[k]);
    }
    field = *filterState_;
  }
  // 50 Hz and AC measure the size of an alternating field: no sign.
  if (measuringMode_ != 0) {
    for (double& v : field) v = std::fabs(v);
  }
  // Gs needs no conversion of the counts: the PC shows them with one decimal less,
  // which is the factor 10 between gauss and millitesla.
  if (unit_ == 1) {
    for (double& v : field) v *= kKiloAmperePerMetrePerMilliTesla;
  }
  Reading reading;
  reading.components = field;
  reading.value = axis_ == 3 ? magnitude(field) : field[static_cast<std::size_t>(axis_)];

  if (peakHold_) {
    if (!peak_ || std::fabs(reading.value) > std::fabs(peak_->value)) peak_ = reading;
    reading = *peak_;
  }
  return reading;
}

Instrument::Frame Instrument::nextMeasurementFrame(double t) {
  lastField_ = rawField(t);
  const Reading reading = currentReading(*lastField_);

  int range = rangeSetting_;
  if (range == 4) {
    // Automatic: the finest range that still shows the reading.
    range = 0;
    while (range < 2 &&
           std::fabs(std::nearbyint(reading.value / std::pow(10.0, range))) > kMaxCounts) {
      ++range;
    }
  }
  const double divisor = std::pow(10.0, range);

  Frame f{};
  f[0] = kSync1;
  f[1] = kSync2;
  f[2] = static_cast<std::uint8_t>((peakHold_ ? 0x01 : 0) | (filter_ ? 0x10 : 0) |
                                   (resultsMemory_ ? 0x20 : 0));
  f[3] = config_.batteryLow ? 0x01 : 0x00;
  f[4] = static_cast<std::uint8_t>(measuringMode_);
  f[5] = static_cast<std::uint8_t>(axis_);
  f[6] = static_cast<std::uint8_t>(range);
  f[7] = static_cast<std::uint8_t>(unit_);
  // Probe temperature: 23.5 °C drifting by ±1.5 °C over ten minutes.
  const std::int16_t temperature =
      config_.temperature ? static_cast<std::int16_t>(
                                std::lround(235 + 15 * std::sin(2 * std::numbers::pi * t / 600)))
                          : kNoTemperature;
  putS16(&f[8], temperature);
  putS16(&f[10], toCounts(reading.value / divisor, config_.overrange));
  for (int k = 0; k < 3; ++k) {
    putS16(&f[12 + 2 * k], toCounts(reading.components[k] / divisor, config_.overrange));
  }
  return f;
}

}  // namespace tools
