#include "calibration/upload.h"

#include <bitset>
#include <cmath>
#include <string_view>

#include "calibration/calibration_number.h"
#include "measurement/utf8.h"

namespace calibration {

std::string AxisFormatMessage(Grid axis, int column, int row) {
  return "Nieprawidłowy format danych na osi " + std::to_string(static_cast<int>(axis) + 1) +
         " w kolumnie " + std::to_string(column) + " w wierszu " + std::to_string(row);
}

std::string FilterFormatMessage(int column, int row) {
  return "Nieprawidłowy format danych filtru w kolumnie " + std::to_string(column) + " w wierszu " +
         std::to_string(row);
}

std::string WriteFailedMessage(long value, std::uint8_t address) {
  return "Nie można wysłać tekstu " + std::to_string(value) + " do adresu " +
         std::to_string(address);
}

double RoundHalfEven(double x) {
  const double r = std::round(x);  // halves away from zero
  if (std::fabs(x - std::trunc(x)) == 0.5) return 2.0 * std::round(x / 2.0);
  return r;
}

std::optional<std::int32_t> EncodeGain(double x) {
  const double w = RoundHalfEven(x * 32768.0);
  if (!(w >= -32768.0 && w <= 32767.0)) return std::nullopt;
  return static_cast<std::int32_t>(w);
}

std::optional<std::int32_t> EncodeTimeCoefficient(double x) {
  if (x == 0.0) return 0;
  const double w = RoundHalfEven(32768.0 * std::exp(-x));
  if (!(w >= 1.0 && w <= 32767.0)) return std::nullopt;
  return static_cast<std::int32_t>(w);
}

std::int32_t EncodeTemperatureCoefficient(double x) {
  return static_cast<std::int32_t>(RoundHalfEven(x * 32767.0));
}

std::int32_t EncodeFieldCorrection(double x) {
  if (x == 0.0) return 0;
  return static_cast<std::int32_t>(RoundHalfEven(x * 2147483648.0));
}

std::array<std::uint8_t, 8> WriteWordFrame(std::uint16_t word, std::uint8_t address) {
  return {0xAA,
          0x55,
          0x43,
          address,
          0x02,
          0x00,
          static_cast<std::uint8_t>(word & 0xFF),
          static_cast<std::uint8_t>(word >> 8)};
}

std::array<std::uint8_t, 7> WriteByteFrame(std::uint8_t value, std::uint8_t address) {
  return {0xAA, 0x55, 0x43, address, 0x01, 0x00, value};
}

namespace {

// Valid: `bits` is what goes into the field (a byte field uses the low 8 bits).
struct Checked {
  enum State { Skip, Invalid, Valid } state = Skip;
  std::uint16_t bits = 0;
};

Checked checkReal(std::string_view text, double lo, double hi,
                  std::optional<std::int32_t> (*encode)(double)) {
  const ParsedNumber<double> n = ParseCalibrationReal(text);
  if (n.empty) return {};
  if (!n.ok || !insideOpenInterval(n.value, lo, hi)) return {Checked::Invalid};
  const std::optional<std::int32_t> w = encode(n.value);
  if (!w) return {Checked::Invalid};
  return {Checked::Valid, static_cast<std::uint16_t>(*w)};
}

Checked checkInteger(std::string_view text, Writer writer) {
  const ParsedNumber<std::int32_t> n = ParseCalibrationInteger(text);
  if (n.empty) return {};
  const bool byte = writer == Writer::WriteByte;
  // A word takes both readings of its 16 bits, so every text the readback writes (signed
  // words, unsigned thresholds) is accepted again.
  const std::int32_t lo = byte ? 0 : -32768;
  const std::int32_t hi = byte ? 255 : 65535;
  if (!n.ok || n.value < lo || n.value > hi) return {Checked::Invalid};
  return {Checked::Valid, static_cast<std::uint16_t>(n.value)};
}

Checked check(const CalibrationWrite& w, const CalibrationData& data) {
  const std::string& text = data.text(w.field);
  switch (w.encoding) {
    case Encoding::Gain:
      return checkReal(text, -1.0, 1.0, EncodeGain);
    case Encoding::TimeCoefficient:
      return checkReal(text, -1.0, 1.0, EncodeTimeCoefficient);
    case Encoding::TemperatureCoefficient:
      return checkReal(text, -1.0, 1.0, [](double x) -> std::optional<std::int32_t> {
        return EncodeTemperatureCoefficient(x);
      });
    case Encoding::FieldCorrection:
      return checkReal(text, -0.00001, 0.00001, [](double x) -> std::optional<std::int32_t> {
        return EncodeFieldCorrection(x);
      });
    case Encoding::Integer:
      return checkInteger(text, w.writer);
    case Encoding::SwitchByte:
      return {Checked::Valid, data.switchByte()};
    case Encoding::ProbeDigits:
      break;  // planned on its own
  }
  return {};
}

std::string invalidMessage(const CalibrationWrite& w) {
  const Cell* c = std::get_if<Cell>(&w.field);
  switch (w.group) {
    case UploadGroup::Gains:
    case UploadGroup::Offsets:
      return AxisFormatMessage(c->grid, c->column, c->row);
    case UploadGroup::Thresholds:
      return kThresholdMessage;
    case UploadGroup::TimeCoefficients:
      return FilterFormatMessage(c->column, c->row);
    case UploadGroup::Phase:
      return kPhaseMessage;
    case UploadGroup::Temperature:
      return w.encoding == Encoding::TemperatureCoefficient ? kTemperatureCoefficientMessage
                                                            : kTemperatureMessage;
    case UploadGroup::Potentiometer:
      return kPotentiometerMessage;
    case UploadGroup::FieldCorrection:
      return kFieldCorrectionMessage;
    default:
      return {};
  }
}

bool invalidEndsGroup(const CalibrationWrite& w) {
  switch (w.group) {
    case UploadGroup::Thresholds:
    case UploadGroup::Phase:
      return true;
    case UploadGroup::Temperature:
      return w.encoding == Encoding::Integer;  // an invalid WKor is only skipped
    default:
      return false;
  }
}

// The value as the failure message shows it: signed for WriteWord, unsigned otherwise.
long shownValue(Writer writer, std::uint16_t bits) {
  switch (writer) {
    case Writer::WriteWord:
      return static_cast<std::int16_t>(bits);
    case Writer::WriteByte:
      return bits & 0xFF;
    default:
      return bits;
  }
}

template <std::size_t N>
UploadStep frameStep(UploadGroup group, const std::array<std::uint8_t, N>& frame,
                     std::string failure, bool failureEndsGroup) {
  UploadStep s;
  s.kind = UploadStep::Kind::WriteFrame;
  s.group = group;
  s.frame.assign(frame.begin(), frame.end());
  s.text = std::move(failure);
  s.failureEndsGroup = failureEndsGroup;
  return s;
}

UploadStep messageStep(UploadGroup group, std::string text) {
  UploadStep s;
  s.group = group;
  s.text = std::move(text);
  return s;
}

int digit(std::string_view character) {
  return character.size() == 1 && character[0] >= '0' && character[0] <= '9' ? character[0] - '0'
                                                                             : -1;
}

// WriteProbeNumber: only a text of exactly five characters is written; a non-digit stops it
// where it stands (after the first frame when it is the fifth).
void planProbeNumber(const std::string& text, UploadPlan& plan) {
  const std::vector<std::string_view> chars = measurement::Utf8Characters(text);
  if (chars.size() != 5) return;
  std::array<std::uint8_t, 10> first = {0xAA, 0x55, 0x43, kProbeNumberAddress, 0x04, 0x00};
  for (int k = 0; k < 4; ++k) {
    const int d = digit(chars[k]);
    if (d < 0) {
      plan.push_back(messageStep(UploadGroup::ProbeNumber, kProbeNumberMessage));
      return;
    }
    first[6 + k] = static_cast<std::uint8_t>(d);
  }
  plan.push_back(frameStep(UploadGroup::ProbeNumber, first, kProbeNumberMessage, true));
  const int d5 = digit(chars[4]);
  if (d5 < 0) {
    plan.push_back(messageStep(UploadGroup::ProbeNumber, kProbeNumberMessage));
    return;
  }
  plan.push_back(frameStep(UploadGroup::ProbeNumber,
                           WriteByteFrame(static_cast<std::uint8_t>(d5), kProbeNumberLastAddress),
                           kProbeNumberMessage, true));
}

}  // namespace

UploadPlan PlanUpload(const CalibrationData& data, bool saveEeprom) {
  UploadPlan plan;
  std::bitset<kUploadGroupCount> ended;
  for (const CalibrationWrite& w : CalibrationWrites) {
    const auto group = static_cast<std::size_t>(w.group);
    if (ended[group]) continue;
    if (w.encoding == Encoding::ProbeDigits) {
      planProbeNumber(data.text(w.field), plan);
      continue;
    }
    const Checked c = check(w, data);
    if (c.state == Checked::Skip) continue;
    if (c.state == Checked::Invalid) {
      plan.push_back(messageStep(w.group, invalidMessage(w)));
      if (invalidEndsGroup(w)) ended.set(group);
      continue;
    }
    std::string failure = WriteFailedMessage(shownValue(w.writer, c.bits), w.address);
    if (w.writer == Writer::WriteByte) {
      plan.push_back(frameStep(w.group,
                               WriteByteFrame(static_cast<std::uint8_t>(c.bits), w.address),
                               std::move(failure), false));
    } else {
      plan.push_back(
          frameStep(w.group, WriteWordFrame(c.bits, w.address), std::move(failure), false));
    }
  }
  if (saveEeprom) {
    plan.push_back(frameStep(UploadGroup::SaveEeprom, devlink::CommandFrame('S', 0, 0, 0),
                             devlink::kSendFailedMessage, false));
    UploadStep wait;
    wait.kind = UploadStep::Kind::Wait;
    wait.group = UploadGroup::SaveEeprom;
    wait.waitMs = kSaveEepromWaitMs;
    plan.push_back(wait);
  }
  return plan;
}

UploadOutcome RunUpload(const UploadPlan& plan, const devlink::WriteFn& write,
                        const devlink::MessageFn& showMessage,
                        const std::function<void(int ms)>& wait) {
  UploadRunner runner;
  runner.write = write;
  runner.showMessage = showMessage;
  int armed = 0;
  runner.armTimer = [&armed](int ms) { armed = ms; };
  runner.start(plan);
  while (runner.waiting()) {
    if (wait) wait(armed);
    runner.timerFired();
  }
  return runner.outcome();
}

bool UploadRunner::start(UploadPlan plan) {
  if (running_) return false;
  plan_ = std::move(plan);
  next_ = 0;
  endedGroups_.reset();
  outcome_ = {};
  ++generation_;
  running_ = true;
  waiting_ = false;
  runSteps();
  return true;
}

void UploadRunner::timerFired() {
  if (!running_ || !waiting_) return;
  waiting_ = false;
  runSteps();
}

void UploadRunner::stop() {
  running_ = false;
  waiting_ = false;
}

void UploadRunner::runSteps() {
  auto show = [this](const std::string& text) {
    ++outcome_.messagesShown;
    if (showMessage) showMessage(text);
  };
  // Every callback may stop the run (a message box runs the event loop), or even stop it and
  // start another, so the loop asks again before each step.
  const std::uint64_t generation = generation_;
  auto current = [&] { return running_ && generation == generation_; };
  while (current() && next_ < plan_.size()) {
    const UploadStep& step = plan_[next_++];
    const auto group = static_cast<std::size_t>(step.group);
    if (group < endedGroups_.size() && endedGroups_[group]) continue;
    switch (step.kind) {
      case UploadStep::Kind::ShowMessage:
        show(step.text);
        break;
      case UploadStep::Kind::WriteFrame:
        if (devlink::WriteRaw(write, nullptr, step.frame.data(),
                              static_cast<int>(step.frame.size()))) {
          ++outcome_.framesWritten;
        } else {
          ++outcome_.framesFailed;
          if (step.failureEndsGroup && group < endedGroups_.size()) endedGroups_.set(group);
          show(step.text);
        }
        break;
      case UploadStep::Kind::Wait:
        waiting_ = true;
        if (armTimer) armTimer(step.waitMs);
        return;
    }
  }
  if (!current()) return;
  running_ = false;
  if (finished) finished(outcome_);
}

}  // namespace calibration
