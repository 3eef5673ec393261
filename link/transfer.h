#pragma once
// A transfer with the instrument (the result download, the calibration readback): one
// request outstanding at a time, each reply counted once for its request, a request repeated
// when its reply does not come, an end with exactly the instrument's data or with a message.
// The instrument session feeds every transfer attached to it with the events below; a
// transfer that is not running ignores them. A third transfer is a new class, not new
// branches in the receive path.
#include <cstdint>
#include <functional>

#include "link/frame_receiver.h"

namespace devlink {

class Transfer {
 public:
  virtual ~Transfer() = default;

  virtual bool active() const = 0;
  // Ends the transfer as its window's cancel does.
  virtual void cancel() = 0;

  // --- the session's events ---
  // After each state-timer tick, with the reception mode the tick applied.
  virtual void stateTimerTicked(LinkMode applied) = 0;
  // Bytes arrived while a transfer's mode is on (see FrameReceiver::onTransferBytes).
  virtual void replyBytesArrived(bool foreign) = 0;
  // The transfer's reply timer (armed through armReplyTimer) expired.
  virtual void replyTimedOut() = 0;
  // The port closed under the transfer: by hand (`lost` false) or because the device went
  // away (`lost` true).
  virtual void lineClosed(bool lost) = 0;
  // Replies as the frame receiver cuts them.
  virtual void readbackWord(std::uint16_t /*word*/) {}
  virtual void downloadHeader(std::uint16_t /*endAddress*/) {}
  virtual void resultReply(std::uint8_t /*status*/, std::uint8_t /*lo*/, std::uint8_t /*hi*/) {}

  // (Re)starts the transfer's single-shot reply timer for `ms` milliseconds; 0 stops it. Set
  // by the session the transfer is attached to.
  std::function<void(int ms)> armReplyTimer;

 protected:
  void arm(int ms) {
    if (armReplyTimer) armReplyTimer(ms);
  }
};

}  // namespace devlink
