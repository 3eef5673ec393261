#include "link/frame_receiver.h"

#include <algorithm>
#include <cstring>

namespace devlink {

namespace {
constexpr std::uint8_t kSync1 = 0xAA;
constexpr std::uint8_t kSync2 = 0x55;
}  // namespace

FrameReceiver::FrameReceiver(ReadFn readFn)
    : read(std::move(readFn)), block_(new std::uint8_t[kBlockSize]) {}

void FrameReceiver::ComPort1RxChar(int count) {
  if (count < 0) count = 0;
  // An event with nothing waiting still counts as one event: a second frame already
  // in the buffer is decoded by it.
  int remaining = count;
  do {
    const int chunk = std::min(remaining, kBlockSize);
    remaining -= chunk;
    try {
      DataReceived = true;
      int got = 0;
      if (chunk > 0) {
        if (!read) return;
        got = read(block_.get(), chunk);
        // A short read handles what did arrive; a failed read ends the event.
        if (got < 0) continue;
        if (got > chunk) got = chunk;
      }
      handleBytes(block_.get(), got);
    } catch (...) {
      // Failures inside the receive event are dropped; the next event starts afresh.
    }
  } while (remaining > 0);
}

void FrameReceiver::handleEvent(const std::uint8_t* bytes, int count) {
  if (count < 0 || (count > 0 && bytes == nullptr)) count = 0;
  try {
    DataReceived = true;
    handleBytes(bytes, count);
  } catch (...) {
  }
}

bool FrameReceiver::startsWithSync() const {
  return ReceiveFill >= 2 && ReceiveBuffer[0] == kSync1 && ReceiveBuffer[1] == kSync2;
}

// Keeps the newest bytes when an event brings more than the buffer holds. When the
// stream at the front is frame-aligned (it starts with the sync pair), whole frames
// are dropped so that the kept part stays aligned and no payload byte pair is taken
// for a sync pair; otherwise just the excess goes and resynchronisation follows.
void FrameReceiver::appendDroppingOldest(const std::uint8_t* bytes, int count, int frameSize) {
  int fill = ReceiveFill;
  const int total = fill + count;
  if (total > kBufferSize) {
    const int excess = total - kBufferSize;
    auto byteAt = [&](int i) { return i < fill ? ReceiveBuffer[i] : bytes[i - fill]; };
    int drop = excess;
    if (total >= 2 && byteAt(0) == kSync1 && byteAt(1) == kSync2) {
      drop = (excess + frameSize - 1) / frameSize * frameSize;
    }
    if (drop >= fill) {
      const int skip = drop - fill;
      bytes += skip;
      count -= skip;
      fill = 0;
    } else {
      std::memmove(ReceiveBuffer.data(), ReceiveBuffer.data() + drop,
                   static_cast<std::size_t>(fill - drop));
      fill -= drop;
    }
  }
  if (count > 0) std::memcpy(ReceiveBuffer.data() + fill, bytes, static_cast<std::size_t>(count));
  ReceiveFill = static_cast<std::uint16_t>(fill + count);
}

// Moves the first sync pair found at or after `firstPosition` (0-based) to the front;
// without one only the last byte stays (it may be the 0xAA of a pair still coming).
void FrameReceiver::resynchronise(int firstPosition) {
  const int fill = ReceiveFill;
  if (fill == 0) return;
  int i = fill - 1;
  for (int k = firstPosition; k + 1 < fill; ++k) {
    if (ReceiveBuffer[k] == kSync1 && ReceiveBuffer[k + 1] == kSync2) {
      i = k;
      break;
    }
  }
  std::memmove(ReceiveBuffer.data(), ReceiveBuffer.data() + i, static_cast<std::size_t>(fill - i));
  ReceiveFill = static_cast<std::uint16_t>(fill - i);
}

// Decodes every complete frame at the front of the buffer, resynchronising where the
// bytes do not start with the sync pair. Afterwards the buffer holds less than one frame.
void FrameReceiver::decodeMeasurementFrames() {
  for (;;) {
    if (!startsWithSync()) {
      if (ReceiveFill < 2) return;
      resynchronise(0);
      if (!startsWithSync()) return;
    }
    if (ReceiveFill < kMeasurementFrameSize) return;
    // The frame leaves the buffer before it is handed on, so a failing consumer cannot
    // make the same frame come back; its failure ends only its own frame.
    std::array<std::uint8_t, kMeasurementFrameSize> frame;
    std::memcpy(frame.data(), ReceiveBuffer.data(), frame.size());
    const int rest = ReceiveFill - kMeasurementFrameSize;
    std::memmove(ReceiveBuffer.data(), ReceiveBuffer.data() + kMeasurementFrameSize,
                 static_cast<std::size_t>(rest));
    ReceiveFill = static_cast<std::uint16_t>(rest);
    if (onMeasurementFrame) {
      try {
        onMeasurementFrame(frame.data());
      } catch (...) {
      }
    }
  }
}

void FrameReceiver::handleBytes(const std::uint8_t* bytes, int count) {
  switch (LinkMode) {
    case devlink::LinkMode::Measuring:
      // Taken in pieces that fit the buffer; every complete frame is decoded before the
      // next piece goes in, so no frame that arrived is lost however many come at once.
      while (count > 0) {
        const int piece = std::min(count, kBufferSize - static_cast<int>(ReceiveFill));
        std::memcpy(ReceiveBuffer.data() + ReceiveFill, bytes, static_cast<std::size_t>(piece));
        ReceiveFill = static_cast<std::uint16_t>(ReceiveFill + piece);
        bytes += piece;
        count -= piece;
        decodeMeasurementFrames();
      }
      break;
    case devlink::LinkMode::DownloadHeader:
      if (count == kHeaderFrameSize && bytes[0] == kSync1 && bytes[1] == kSync2) {
        ResultEndAddress = static_cast<std::uint16_t>(bytes[2] | (bytes[3] << 8));
        PendingLinkMode = devlink::LinkMode::DownloadResults;
        if (onDownloadHeader) onDownloadHeader(ResultEndAddress);
      }
      break;
    case devlink::LinkMode::DownloadResults:
      if (count == kResultFrameSize && bytes[0] == kSync1 && bytes[1] == kSync2) {
        if (onResultReply) onResultReply(bytes[2], bytes[3], bytes[4]);
      }
      break;
    case devlink::LinkMode::CalibrationReadback: {
      appendDroppingOldest(bytes, count, kReadbackFrameSize);
      if (startsWithSync() && ReceiveFill == kReadbackFrameSize) {
        const auto word = static_cast<std::uint16_t>(ReceiveBuffer[2] | (ReceiveBuffer[3] << 8));
        ReceiveFill = 0;
        if (onReadbackWord) onReadbackWord(word);
      } else if (ReceiveFill > 2 * kReadbackFrameSize) {
        // A pair at position 1 with more than a reply behind it is no reply: step
        // past its first byte so the search can find the next pair.
        resynchronise(startsWithSync() ? 1 : 0);
      }
      break;
    }
    default:
      // Unknown mode: the bytes are not expected by anybody.
      break;
  }
}

}  // namespace devlink
