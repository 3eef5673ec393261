#include "calibration/readback.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace calibration {

std::string FormatFixed(double value, int decimals) {
  char buf[400];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  std::string text(buf, res.ec == std::errc() ? res.ptr : buf);
  if (!text.empty() && text[0] == '-' && text.find_first_not_of("0.", 1) == std::string::npos) {
    text.erase(0, 1);
  }
  return text;
}

namespace {

std::uint8_t lowByte(std::int16_t w) {
  return static_cast<std::uint8_t>(static_cast<std::uint16_t>(w) & 0xFF);
}
std::uint8_t highByte(std::int16_t w) {
  return static_cast<std::uint8_t>(static_cast<std::uint16_t>(w) >> 8);
}
std::string gainText(std::int16_t w) {
  return FormatFixed(w / 32768.0, 4);
}
std::string timeCoefficientText(std::int16_t w) {
  return w <= 0 ? "0" : FormatFixed(-std::log(w / 32767.0), 3);
}

}  // namespace

void DecodeCalibrationWords(const CalibrationWordTable& words, CalibrationData& data) {
  auto word = [&words](int k) { return words[static_cast<std::size_t>(k)]; };
  // Gains: per axis the first word of the DC column's ranges 1..3 and of the AC column's.
  struct AxisWords {
    Grid grid;
    int dc;
    int ac;
    int dcOffset;
    int acOffset;
  };
  for (const AxisWords a : {AxisWords{Grid::X, 1, 5, 31, 34}, AxisWords{Grid::Y, 11, 15, 35, 38},
                            AxisWords{Grid::Z, 21, 25, 39, 42}}) {
    for (int range = 0; range < 3; ++range) {
      data.setCell(a.grid, 1, 1 + 2 * range, gainText(word(a.dc + range)));
      data.setCell(a.grid, 2, 1 + 2 * range, gainText(word(a.ac + range)));
    }
    data.setCell(a.grid, 1, 6, std::to_string(word(a.dcOffset)));
    data.setCell(a.grid, 2, 6, std::to_string(word(a.acOffset)));
  }
  data.setCell(Grid::X, 1, 7, gainText(word(4)));  // X's DC range-4 gain, a hidden cell

  data.setCell(Grid::KFILTR, 1, 1, std::to_string(word(43)));
  data.setCell(Grid::KFILTR, 2, 1, std::to_string(word(45)));
  data.setCell(Grid::KFILTR, 1, 2, std::to_string(word(69)));
  data.setCell(Grid::KFILTR, 2, 2, std::to_string(word(71)));
  for (int row = 1; row <= 4; ++row) {  // the fourth phase is a hidden cell
    data.setCell(Grid::S_Faza, 1, row, std::to_string(lowByte(word(45 + row))));
  }

  data.setEdit(Edit::Wtemp, std::to_string(word(50)));
  data.setEdit(Edit::OTemp, std::to_string(word(51)));
  data.setEdit(Edit::WKor, word(52) == 0 ? "0" : FormatFixed(word(52) / 32768.0, 4));
  data.setEdit(Edit::OKor, std::to_string(lowByte(word(53))));
  data.setEdit(Edit::NR, std::to_string(lowByte(word(54))) + std::to_string(highByte(word(54))) +
                             std::to_string(lowByte(word(55))) +
                             std::to_string(highByte(word(55))) +
                             std::to_string(lowByte(word(56))));

  for (int row = 3; row <= 6; ++row) {
    data.setCell(Grid::KFILTR, 1, row, timeCoefficientText(word(54 + row)));
    data.setCell(Grid::KFILTR, 2, row, timeCoefficientText(word(62 + row)));
  }

  data.setSwitchByte(lowByte(word(72)));
  data.setEdit(Edit::Potencjometr, std::to_string(lowByte(word(73))));
  data.setEdit(Edit::KorekcjaPolowa,
               word(74) == 0 ? "0" : FormatFixed(word(74) / 2147483648.0, 12));
}

// --- the session ---------------------------------------------------------------------------

ReadbackSession::ReadbackSession(devlink::FrameReceiver& receiver, devlink::CommandSender& sender,
                                 devlink::StateTimer& stateTimer, CalibrationData& data,
                                 devlink::ReplyGate::Clock clock)
    : receiver_(receiver),
      sender_(sender),
      stateTimer_(stateTimer),
      data_(data),
      gate_(std::move(clock)) {
  stateTimer_.setFirstCalibrationAddress([] { return CalibrationAddressTable[1]; });
}

void ReadbackSession::lineClosed(bool lost) {
  if (lost) {
    portLost();
  } else if (state_ != State::Idle) {
    finish(false);
  }
}

std::string ReadbackSession::NoReplyMessage(std::uint8_t address) {
  return "Przyrząd nie odpowiedział na odczyt adresu " + std::to_string(address) +
         ". Odczyt kalibracji przerwany.";
}

void ReadbackSession::OdbierzClick() {
  if (running()) {
    cancel();
  } else {
    start();
  }
}

void ReadbackSession::start() {
  if (state_ != State::Idle) return;
  state_ = State::Starting;
  const unsigned run = ++run_;
  retries_ = 0;
  ReadbackIndex = 1;
  if (onRunningChanged) onRunningChanged(true);
  if (onProgress) onProgress(1);
  sender_.SendCommand('V', 0, 0);
  if (run != run_ || state_ != State::Starting) return;  // cancelled during a message box
  receiver_.PendingLinkMode = devlink::LinkMode::CalibrationReadback;
  if (stateTimer_.setEnabled) stateTimer_.setEnabled(true);
}

void ReadbackSession::cancel() {
  if (state_ == State::Idle) return;
  finish();
}

void ReadbackSession::stateTimerTicked(devlink::LinkMode applied) {
  if (applied != devlink::LinkMode::CalibrationReadback) return;
  if (state_ != State::Starting) {
    // A tick that applied the readback mode after the readback ended (its request's
    // failure message ran an event loop in which the user cancelled): back to measuring.
    if (state_ == State::Idle) {
      receiver_.LinkMode = devlink::LinkMode::Measuring;
      receiver_.beginDrain();
    }
    return;
  }
  // The tick has sent the request for word 1; now its reply is awaited.
  state_ = State::Reading;
  retries_ = 0;
  ambiguousRetries_ = 0;
  furthest_ = 1;
  gate_.lateGuardMs = ReplyTimeoutMs;
  gate_.requestSent();
  arm(ReplyTimeoutMs);
}

void ReadbackSession::readbackWordReceived(std::uint16_t word) {
  if (state_ != State::Reading) return;
  const devlink::ReplyGate::Reply reply{static_cast<std::uint8_t>(word & 0xFF),
                                        static_cast<std::uint8_t>(word >> 8), 0};
  if (gate_.reply(reply)) arm(gate_.guardMs());
}

void ReadbackSession::replyBytesArrived() {
  if (state_ == State::Reading && gate_.bytesArrived()) arm(gate_.guardMs());
}

void ReadbackSession::acceptWord(std::uint16_t word) {
  if (confirming()) {
    // A reply nobody asked for came behind the last word: it may have been taken for it.
    stepBackAndAskAgain();
    return;
  }
  if (onProgress) onProgress(std::min<int>(ReadbackIndex, kGaugeMax));
  CalibrationWords[ReadbackIndex] = static_cast<std::int16_t>(word);
  ++ReadbackIndex;
  if (ReadbackIndex > furthest_) {
    // New ground: the repeats start again (not after stepping back, so a line that keeps
    // spoiling answers still ends with the message).
    furthest_ = ReadbackIndex;
    retries_ = 0;
    ambiguousRetries_ = 0;
  }
  if (ReadbackIndex <= kCalibrationWordCount) {
    requestCurrent();
    return;
  }
  // The last word stands once the line stays quiet behind it for a while.
  gate_.lateGuardMs = ReplyTimeoutMs;
  gate_.requestSent();
  arm(kConfirmMs);
}

bool ReadbackSession::confirming() const {
  return ReadbackIndex > kCalibrationWordCount;
}

void ReadbackSession::complete() {
  DecodeCalibrationWords(CalibrationWords, data_);
  finish();
  if (onCompleted) onCompleted();
}

// Something unasked is on the line. It may have come just before the word taken last (its
// true reply then late), so that word is read again first.
void ReadbackSession::stepBackAndAskAgain() {
  if (ReadbackIndex > 1) --ReadbackIndex;
  askAgain(true);
}

void ReadbackSession::replyTimedOut() {
  if (state_ != State::Reading) return;
  const devlink::ReplyGate::Expiry e = gate_.timerExpired(receiver_.lineBusy());
  switch (e.kind) {
    case devlink::ReplyGate::Expiry::Accepted:
      acceptWord(static_cast<std::uint16_t>(e.reply[0] | (e.reply[1] << 8)));
      return;
    case devlink::ReplyGate::Expiry::Wait:
      arm(e.ms);
      return;
    case devlink::ReplyGate::Expiry::TimedOut:
      if (confirming()) {
        complete();
        return;
      }
      askAgain(false);
      return;
    case devlink::ReplyGate::Expiry::Ambiguous:
      stepBackAndAskAgain();
      return;
    case devlink::ReplyGate::Expiry::Nothing:
      return;
  }
}

// No reply, or no reply that can be trusted: the same read again (a memory read changes
// nothing in the instrument), at most kMaxRetries times.
void ReadbackSession::askAgain(bool ambiguous) {
  int& count = ambiguous ? ambiguousRetries_ : retries_;
  if (count < (ambiguous ? kMaxAmbiguousRetries : kMaxRetries)) {
    ++count;
    // Bytes of a reply cut short would be glued to the new reply and spoil it.
    receiver_.ReceiveFill = 0;
    requestCurrent();
    return;
  }
  const std::uint8_t address = CalibrationAddressTable[ReadbackIndex];
  finish();
  if (showMessage) showMessage(NoReplyMessage(address));
}

void ReadbackSession::requestCurrent() {
  const unsigned run = run_;
  // No timeout may fire while a failure message of the send runs its event loop.
  arm(0);
  gate_.lateGuardMs = ReplyTimeoutMs;
  gate_.requestSent();
  sender_.SendMemoryRead(CalibrationAddressTable[ReadbackIndex], 2);
  if (run == run_ && state_ == State::Reading) arm(ReplyTimeoutMs);
}

void ReadbackSession::portLost() {
  if (state_ == State::Idle) return;
  const std::uint8_t address = CalibrationAddressTable[std::min<int>(ReadbackIndex, kCalibrationWordCount)];
  finish(false);
  if (showMessage) showMessage(NoReplyMessage(address));
}

void ReadbackSession::finish(bool lineOpen) {
  const bool wasStarting = state_ == State::Starting;
  const bool wasReading = state_ == State::Reading;
  state_ = State::Idle;
  gate_.reset();
  arm(0);
  if (wasStarting && stateTimer_.setEnabled) stateTimer_.setEnabled(false);
  if (receiver_.PendingLinkMode == devlink::LinkMode::CalibrationReadback) {
    receiver_.PendingLinkMode = devlink::LinkMode::Measuring;
  }
  receiver_.LinkMode = devlink::LinkMode::Measuring;
  // Replies still under way must not be glued to the next measurement frame.
  if (wasReading) receiver_.beginDrain();
  if (onRunningChanged) onRunningChanged(false);
  if (lineOpen) sender_.SendCommand('V', 0, 0);
}

}  // namespace calibration
