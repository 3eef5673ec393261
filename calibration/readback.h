#pragma once
// The calibration readback (`OdbierzClick`): 74 memory reads in the order of
// CalibrationAddressTable, one after each accepted reply, then the words decoded into the
// data set. Toolkit-free; the window shows what the session reports and forwards the events.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "calibration/address_map.h"
#include "calibration/calibration_data.h"
#include "link/commands.h"
#include "link/frame_receiver.h"
#include "link/reply_gate.h"
#include "link/state_timer.h"
#include "link/transfer.h"

namespace calibration {

// Word k (1..74) as read from CalibrationAddressTable[k], first byte received = low byte;
// entry 0 unused.
using CalibrationWordTable = std::array<std::int16_t, kCalibrationWordCount + 1>;

// Writes the texts of the 74 words into the data set: gains word ÷ 32768 with 4 decimals
// (the X range-4 gain into the hidden (1, 7)), offsets and thresholds as signed decimals,
// phase (the fourth into the hidden row 4), OKor and the potentiometer as unsigned low bytes,
// WKor "0" or ÷ 32768 with 4 decimals, NR as five concatenated byte numbers, time
// coefficients "0" for 0 or negative, else −ln(w ÷ 32767) with 3 decimals, the switches from
// the low byte, the field correction "0" or w ÷ 2^31 with 12 decimals. The decimal point is
// always "." whatever the locale, and a value that shows as zero never carries a "-"
// ("-0.0000" would read back as the same word 0 anyway).
void DecodeCalibrationWords(const CalibrationWordTable& words, CalibrationData& data);

// `value` with exactly `decimals` digits after a ".", no "-" on a value shown as zero.
std::string FormatFixed(double value, int decimals);

// One readback at a time, driven by the window:
//   OdbierzClick()            the button (starts when idle, cancels otherwise);
//   stateTimerTicked(mode)    from StateTimer::onTick, after every state-timer tick;
//   readbackWordReceived(w)   from FrameReceiver::onReadbackWord;
//   replyBytesArrived()       from FrameReceiver::onTransferBytes;
//   replyTimedOut()           when the window's single-shot reply timer fires.
// What the window shows comes back through the callbacks below (each called only when set).
// The session enables the state timer through StateTimer::setEnabled and reads
// CalibrationAddressTable; the window gives the state timer entry 1 of that table.
//
// A lost reply does not hang the readback: 2 s after a request without an accepted reply the
// same request goes out again (a memory read has no side effect), at most 3 times; then the
// readback ends as a cancel would, the panel unchanged, and kNoReplyMessage names the
// address. A cancel before the first request also stops the state timer and withdraws the
// pending mode, so nothing is requested after the button shows its idle caption again.
//
// Each word counts only as the one reply to its request (devlink::ReplyGate): the next read
// goes out once the line has been quiet for the gate's guard time behind the reply; two
// different replies to one read, or other bytes behind it, make it ambiguous, and then the
// word before is read again too (an unasked reply may have been taken for it while its true
// reply was late) before the same read is repeated. The last word stands once the line has
// stayed quiet for kConfirmMs behind it. The panel changes only when all 74 words came, each
// once, in order; afterwards the receiver drains what is still under way.
class ReadbackSession : public devlink::Transfer {
 public:
  static constexpr int kReplyTimeoutMs = 2000;
  static constexpr int kMaxRetries = 3;
  // Reads answered, only not clearly, are asked again this many times.
  static constexpr int kMaxAmbiguousRetries = 10;
  static constexpr int kGaugeMax = 68;
  // How long the line must stay quiet behind the last word before the panel is filled.
  static constexpr int kConfirmMs = 300;  // `Postep` runs 1..68 and stays full from word 68

  // `clock` times the guard behind each reply (a test passes its own).
  ReadbackSession(devlink::FrameReceiver& receiver, devlink::CommandSender& sender,
                  devlink::StateTimer& stateTimer, CalibrationData& data,
                  devlink::ReplyGate::Clock clock = {});

  // The give-up message for the address that did not answer.
  static std::string NoReplyMessage(std::uint8_t address);

  // --- what the window shows ---
  // true at the start: disable `Wyslij` and `Power`, running caption on `Odbierz`, show
  // `Postep`. false at the end (completed, cancelled or given up): the reverse.
  std::function<void(bool running)> onRunningChanged;
  // `Postep` position, 1..68.
  std::function<void(int position)> onProgress;
  // All 74 words are in and decoded into the data set.
  std::function<void()> onCompleted;
  // A message box with OK (the give-up message).
  std::function<void(const std::string&)> showMessage;

  // --- events from the window ---
  void OdbierzClick();
  void start();   // nothing when already running
  void cancel() override;  // nothing when idle
  // The line went away: a running readback ends with its message, the panel unchanged, and
  // nothing is sent.
  void portLost();
  void stateTimerTicked(devlink::LinkMode applied) override;
  void readbackWordReceived(std::uint16_t word);
  void replyBytesArrived();
  void replyTimedOut() override;

  // --- the same, as a transfer of the instrument session ---
  bool active() const override { return running(); }
  void replyBytesArrived(bool /*foreign*/) override { replyBytesArrived(); }
  void readbackWord(std::uint16_t word) override { readbackWordReceived(word); }
  // A lost line ends the readback with its message; a close by hand ends it silently
  // (nothing could be asked over the closed port, and the button to cancel it is off).
  void lineClosed(bool lost) override;

  bool running() const { return state_ != State::Idle; }

  // --- state, named as the window's tables ---
  CalibrationWordTable CalibrationWords{};  // kept after the readback
  std::uint8_t ReadbackIndex = 1;           // word being requested; 75 once all are in
  int retries() const { return retries_; }  // resends of the current request
  // A read with no accepted reply after this long is sent again.
  int ReplyTimeoutMs = kReplyTimeoutMs;
  const devlink::ReplyGate& gate() const { return gate_; }

 private:
  enum class State : std::uint8_t { Idle, Starting, Reading };

  void requestCurrent();  // sends the read for ReadbackIndex and waits for its reply
  void acceptWord(std::uint16_t word);
  void askAgain(bool ambiguous);
  void stepBackAndAskAgain();
  bool confirming() const;
  void complete();
  void finish(bool lineOpen = true);  // the steps shared by completion, cancel and give-up

  devlink::FrameReceiver& receiver_;
  devlink::CommandSender& sender_;
  devlink::StateTimer& stateTimer_;
  CalibrationData& data_;
  State state_ = State::Idle;
  int retries_ = 0;
  int ambiguousRetries_ = 0;
  std::uint8_t furthest_ = 1;  // the furthest word reached in this readback
  devlink::ReplyGate gate_;
  // Counts the starts: a message box shown while sending runs an event loop in which the
  // user may cancel (and start again); a step resumed after it checks that its run is still
  // the current one.
  unsigned run_ = 0;
};

}  // namespace calibration
