#pragma once
// The 600 ms state timer `ZmienStan`: moves LinkMode to PendingLinkMode and sends the
// first request of a result download's or calibration readback's phase.
#include <cstdint>
#include <functional>
#include <string>

#include "link/commands.h"
#include "link/frame_receiver.h"

namespace devlink {

// The download window's Label1 before the header; during the transfer the number of
// results and "." follow it.
inline constexpr const char* kDownloadLabelText = "Ilość wyników do pobrania: ";

class StateTimer {
 public:
  static constexpr int kIntervalMs = 600;

  // `firstCalibrationAddress` gives entry 1 of CalibrationAddressTable.
  StateTimer(FrameReceiver& receiver, CommandSender& sender,
             std::function<std::uint8_t()> firstCalibrationAddress);

  // Address of the next result to request (the result download advances it).
  std::uint16_t ResultAddress = 100;

  // Enables or disables the window's 600 ms timer.
  std::function<void(bool)> setEnabled;
  // Text for the download window's Label1.
  std::function<void(const std::string&)> onDownloadLabel;
  // Maximum of the download window's gauge.
  std::function<void(int)> onGaugeMax;
  // After each tick, with the mode it applied: a transfer learns that its first request
  // of a phase has gone out (and starts waiting for the reply).
  std::function<void(LinkMode)> onTick;

  // Where entry 1 of the calibration address map comes from (the readback sets it).
  void setFirstCalibrationAddress(std::function<std::uint8_t()> fn) {
    firstCalibrationAddress_ = std::move(fn);
  }

  // One tick (`ZmienStanTimer`).
  void tick();

  // "Ilość wyników do pobrania: " + (endAddress - 100) div 3 + "." (never negative).
  static std::string DownloadLabel(std::uint16_t endAddress);

 private:
  FrameReceiver& receiver_;
  CommandSender& sender_;
  std::function<std::uint8_t()> firstCalibrationAddress_;
  bool ticking_ = false;
};

}  // namespace devlink
