#pragma once
// Cuts the instrument's byte stream into frames according to the reception mode and
// hands each frame to the part of the program waiting for it. Toolkit-free: bytes
// come in through a read callback, frames go out through callbacks.
//
// The device-link namespace is `devlink`, not `link`: glibc declares the function
// ::link() in <unistd.h>, which <memory>, <atomic>, GoogleTest and Qt all pull in,
// and a namespace of that name does not compile next to it.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

namespace devlink {

// Reception mode. Stored as one byte; a value outside the four names is representable
// (and then no branch handles the bytes).
enum class LinkMode : std::uint8_t {
  Measuring = 0,
  DownloadHeader = 1,
  DownloadResults = 2,
  CalibrationReadback = 3,
};

// Whether the 18 bytes (sync pair first) are a measurement frame the instrument can send:
// measuring mode 0..2, axis 0..3, unit 0..2 and a range index that scales (0..4, or 0..3 in
// gauss, where the effective index is one higher). Anything else is bytes that happen to
// follow a sync pair, such as a reply glued to the next frame.
bool IsWellFormedMeasurementFrame(const std::uint8_t* frame18);

// The receive state of the main window and the receive event `ComPort1RxChar`.
class FrameReceiver {
 public:
  static constexpr int kBufferSize = 255;
  static constexpr int kMeasurementFrameSize = 18;
  static constexpr int kReadbackFrameSize = 4;
  static constexpr int kHeaderFrameSize = 4;
  static constexpr int kResultFrameSize = 5;
  // Largest number of bytes read and handled as one event.
  static constexpr int kBlockSize = 64000;

  // Reads up to `count` bytes into the block, returns how many it read (the port's
  // Read). May throw; the failure ends the event silently.
  using ReadFn = std::function<int(std::uint8_t*, int)>;

  explicit FrameReceiver(ReadFn read = {});

  // --- reception state (positions 1..255 of the buffer are indices 0..254) ---
  std::array<std::uint8_t, kBufferSize> ReceiveBuffer{};
  std::uint16_t ReceiveFill = 0;
  devlink::LinkMode LinkMode = devlink::LinkMode::Measuring;
  devlink::LinkMode PendingLinkMode = devlink::LinkMode::Measuring;
  // Set by every receive event; the connection check reads and clears it.
  bool DataReceived = false;
  std::uint16_t ResultEndAddress = 0;

  // --- where frames go (each called only when assigned) ---
  ReadFn read;
  // Positions 1..18 of one measurement frame, once for every complete frame of an event,
  // in order. A consumer that throws loses only that frame.
  std::function<void(const std::uint8_t* frame18)> onMeasurementFrame;
  // After ResultEndAddress has been set and PendingLinkMode set to DownloadResults.
  std::function<void(std::uint16_t endAddress)> onDownloadHeader;
  // Bytes 3, 4, 5 of a result reply.
  std::function<void(std::uint8_t status, std::uint8_t lo, std::uint8_t hi)> onResultReply;
  // The word of a readback reply (byte 3 + 256 * byte 4); the fill is already 0.
  std::function<void(std::uint16_t word)> onReadbackWord;
  // Bytes arrived while a transfer's mode is on, before the replies among them are handed
  // over: a transfer waiting for quiet behind a reply learns that the line is not quiet.
  // `foreign`: in the download's modes, the event is not made of whole replies (its bytes are
  // ignored, and a reply taken in the same request's window cannot be trusted).
  std::function<void(bool foreign)> onTransferBytes;
  // How many bytes wait on the line that no receive event has handed over yet (the port's
  // count); unset or failing counts as none.
  std::function<int()> bytesWaiting;
  // (Re)starts the single-shot quiet timer of the drain for `ms`; 0 stops it. Its expiry
  // calls quietTimeout().
  std::function<void(int ms)> armQuietTimer;

  // After a transfer: the receive buffer is emptied and what arrives is discarded until the
  // line has been quiet for kDrainQuietMs (then whatever is left goes too) or a well-formed
  // measurement frame starts at a sync pair. Replies still under way never become readings.
  static constexpr int kDrainQuietMs = 20;
  void beginDrain();
  void quietTimeout();
  bool draining() const { return draining_; }
  // The port was opened, closed or hung up: nothing received before belongs to what comes
  // next, so the receive buffer is emptied (and a drain ends).
  void resetReception();
  // Bytes wait on the line that no event has handed over yet.
  bool lineBusy() const;

  // The port's receive event with the number of bytes waiting. Reads exactly
  // `count` bytes (in blocks of at most kBlockSize, each handled as an event of its
  // own) and handles them. Never throws: a failure ends the current event silently.
  void ComPort1RxChar(int count);

  // Handles `count` bytes as one receive event without reading them (the bytes are
  // copied as needed). Used by ComPort1RxChar and by tests. Never throws.
  void handleEvent(const std::uint8_t* bytes, int count);

 private:
  void handleBytes(const std::uint8_t* bytes, int count);
  void appendDroppingOldest(const std::uint8_t* bytes, int count, int frameSize);
  void resynchronise(int firstPosition);
  void decodeMeasurementFrames();
  bool startsWithSync() const;
  bool syncAt(int position) const;
  void endDrain();

  std::unique_ptr<std::uint8_t[]> block_;
  bool draining_ = false;
};

}  // namespace devlink
