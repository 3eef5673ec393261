#include "link/frame_receiver.h"

#include <algorithm>
#include <cstring>

namespace devlink {

namespace {
constexpr std::uint8_t kSync1 = 0xAA;
constexpr std::uint8_t kSync2 = 0x55;
}  // namespace

bool IsWellFormedMeasurementFrame(const std::uint8_t* f) {
  const std::uint8_t mode = f[4], axis = f[5], range = f[6], unit = f[7];
  if (mode > 2 || axis > 3 || unit > 2) return false;
  const int effectiveRange = range + (unit == 2 ? 1 : 0);
  return effectiveRange <= 4;
}

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
  return syncAt(0);
}

bool FrameReceiver::syncAt(int position) const {
  return ReceiveFill >= position + 2 && ReceiveBuffer[position] == kSync1 &&
         ReceiveBuffer[position + 1] == kSync2;
}

void FrameReceiver::beginDrain() {
  ReceiveFill = 0;
  draining_ = true;
  if (armQuietTimer) armQuietTimer(kDrainQuietMs);
}

void FrameReceiver::endDrain() {
  if (!draining_) return;
  draining_ = false;
  if (armQuietTimer) armQuietTimer(0);
}

void FrameReceiver::quietTimeout() {
  if (!draining_) return;
  draining_ = false;
  ReceiveFill = 0;
}

void FrameReceiver::resetReception() {
  ReceiveFill = 0;
  endDrain();
}

bool FrameReceiver::lineBusy() const {
  if (!bytesWaiting) return false;
  try {
    return bytesWaiting() > 0;
  } catch (...) {
    return false;
  }
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
    if (!IsWellFormedMeasurementFrame(ReceiveBuffer.data())) {
      // Not a frame the instrument sends: its sync pair was payload or the tail of
      // something else. Step past it and look for the next pair.
      resynchronise(1);
      continue;
    }
    endDrain();
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

// Replies of `size` bytes taken from one event: the event must be made of whole replies,
// each starting with the sync pair (a doubled reply that came in one event is two replies;
// the transfer decides what two replies mean). Returns how many there are, 0 when the
// event is anything else.
static int wholeReplies(const std::uint8_t* bytes, int count, int size) {
  if (count <= 0 || count % size != 0) return 0;
  for (int at = 0; at < count; at += size) {
    if (bytes[at] != kSync1 || bytes[at + 1] != kSync2) return 0;
  }
  return count / size;
}

void FrameReceiver::handleBytes(const std::uint8_t* bytes, int count) {
  if (LinkMode != devlink::LinkMode::Measuring && count > 0 && onTransferBytes) {
    const bool foreign =
        (LinkMode == devlink::LinkMode::DownloadResults &&
         wholeReplies(bytes, count, kResultFrameSize) == 0) ||
        (LinkMode == devlink::LinkMode::DownloadHeader &&
         wholeReplies(bytes, count, kHeaderFrameSize) == 0);
    onTransferBytes(foreign);
  }
  switch (LinkMode) {
    case devlink::LinkMode::Measuring:
      if (draining_ && count > 0 && armQuietTimer) armQuietTimer(kDrainQuietMs);
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
    case devlink::LinkMode::DownloadHeader: {
      const int n = wholeReplies(bytes, count, kHeaderFrameSize);
      for (int k = 0; k < n && LinkMode == devlink::LinkMode::DownloadHeader; ++k) {
        const std::uint8_t* h = bytes + k * kHeaderFrameSize;
        ResultEndAddress = static_cast<std::uint16_t>(h[2] | (h[3] << 8));
        PendingLinkMode = devlink::LinkMode::DownloadResults;
        if (onDownloadHeader) onDownloadHeader(ResultEndAddress);
      }
      break;
    }
    case devlink::LinkMode::DownloadResults: {
      const int n = wholeReplies(bytes, count, kResultFrameSize);
      for (int k = 0; k < n && LinkMode == devlink::LinkMode::DownloadResults; ++k) {
        const std::uint8_t* r = bytes + k * kResultFrameSize;
        if (onResultReply) onResultReply(r[2], r[3], r[4]);
      }
      break;
    }
    case devlink::LinkMode::CalibrationReadback: {
      appendDroppingOldest(bytes, count, kReadbackFrameSize);
      const bool one = startsWithSync() && ReceiveFill == kReadbackFrameSize;
      const bool two = startsWithSync() && ReceiveFill == 2 * kReadbackFrameSize &&
                       syncAt(kReadbackFrameSize);
      if (one || two) {
        // A doubled reply that came in one piece is two replies.
        std::array<std::uint16_t, 2> words{};
        const int n = one ? 1 : 2;
        for (int k = 0; k < n; ++k) {
          const int at = k * kReadbackFrameSize;
          words[static_cast<std::size_t>(k)] =
              static_cast<std::uint16_t>(ReceiveBuffer[at + 2] | (ReceiveBuffer[at + 3] << 8));
        }
        ReceiveFill = 0;
        for (int k = 0; k < n && LinkMode == devlink::LinkMode::CalibrationReadback; ++k) {
          if (onReadbackWord) onReadbackWord(words[static_cast<std::size_t>(k)]);
        }
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
