#include "link/state_timer.h"

#include "link/result_address.h"

namespace devlink {

StateTimer::StateTimer(FrameReceiver& receiver, CommandSender& sender,
                       std::function<std::uint8_t()> firstCalibrationAddress)
    : receiver_(receiver),
      sender_(sender),
      firstCalibrationAddress_(std::move(firstCalibrationAddress)) {}

std::string StateTimer::DownloadLabel(std::uint16_t endAddress) {
  return kDownloadLabelText + std::to_string(ResultsBelow(endAddress)) + ".";
}

void StateTimer::tick() {
  // A failed send shows a message box whose event loop lets the timer fire again: that
  // tick is skipped instead of stacking requests and boxes.
  if (ticking_) return;
  ticking_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{ticking_};
  receiver_.LinkMode = receiver_.PendingLinkMode;
  switch (receiver_.LinkMode) {
    case LinkMode::DownloadHeader:
      // The timer stays on: "Z" goes out again every tick until the header is in.
      sender_.SendCommand('Z', 0, 0);
      break;
    case LinkMode::DownloadResults:
      if (setEnabled) setEnabled(false);  // before the send, whose failure shows a message
      sender_.SendResultRequest(ResultAddress);
      if (onDownloadLabel) onDownloadLabel(DownloadLabel(receiver_.ResultEndAddress));
      if (onGaugeMax) onGaugeMax(receiver_.ResultEndAddress);
      break;
    case LinkMode::CalibrationReadback:
      receiver_.ReceiveFill = 0;
      if (setEnabled) setEnabled(false);
      sender_.SendMemoryRead(firstCalibrationAddress_ ? firstCalibrationAddress_() : 0, 2);
      break;
    default:
      break;
  }
  if (onTick) onTick(receiver_.LinkMode);
}

}  // namespace devlink
