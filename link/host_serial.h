// The host's serial layer under the port object: an interface the port calls for every
// device operation, and its POSIX termios implementation for Linux.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

namespace devlink {

// A small bit set over an enumeration whose values are 0, 1, 2, ... (one bit per value).
template <typename E, typename Bits>
class EnumSet {
 public:
  constexpr EnumSet() = default;
  constexpr EnumSet(std::initializer_list<E> items) {
    for (E e : items) insert(e);
  }
  static constexpr EnumSet fromBits(Bits bits) {
    EnumSet s;
    s.bits_ = bits;
    return s;
  }
  constexpr Bits bits() const { return bits_; }
  constexpr bool contains(E e) const { return (bits_ & bit(e)) != 0; }
  constexpr bool empty() const { return bits_ == 0; }
  constexpr void insert(E e) { bits_ = static_cast<Bits>(bits_ | bit(e)); }
  constexpr void erase(E e) { bits_ = static_cast<Bits>(bits_ & ~bit(e)); }
  constexpr EnumSet operator|(EnumSet o) const {
    return fromBits(static_cast<Bits>(bits_ | o.bits_));
  }
  constexpr EnumSet operator&(EnumSet o) const {
    return fromBits(static_cast<Bits>(bits_ & o.bits_));
  }
  constexpr bool operator==(const EnumSet&) const = default;

 private:
  static constexpr Bits bit(E e) { return static_cast<Bits>(Bits{1} << static_cast<int>(e)); }
  Bits bits_ = 0;
};

// Line-level types shared by the port object and the host layer; the ordinal of each value
// is its position in the list.
enum TStopBits { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum TParityBits { prNone, prOdd, prEven, prMark, prSpace };
enum TDTRFlowControl { dtrDisable, dtrEnable, dtrHandshake };
enum TRTSFlowControl { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };

enum TComEvent {
  evRxChar,
  evTxEmpty,
  evRxFlag,
  evRing,
  evBreak,
  evCTS,
  evDSR,
  evError,
  evRLSD,
  evRx80Full
};
using TComEvents = EnumSet<TComEvent, std::uint16_t>;
inline constexpr TComEvents kAllComEvents{evRxChar, evTxEmpty, evRxFlag, evRing, evBreak,
                                          evCTS,    evDSR,     evError,  evRLSD, evRx80Full};

enum TComError { ceFrame, ceRxParity, ceOverrun, ceBreak, ceIO, ceMode, ceRxOver, ceTxFull };
using TComErrors = EnumSet<TComError, std::uint16_t>;

// One complete line configuration, built by the port from its properties and applied as a
// whole.
struct LineSettings {
  std::uint32_t baudRate = 9600;  // bits per second
  int dataBits = 8;               // 5..8
  TParityBits parity = prNone;
  TStopBits stopBits = sbOneStopBit;
  bool parityCheck = false;
  bool parityReplace = false;
  std::uint8_t parityReplaceChar = 0;
  bool discardNull = false;
  bool outCtsFlow = false;
  bool outDsrFlow = false;
  bool dsrSensitivity = false;
  bool txContinueOnXoff = false;
  bool xonXoffOut = false;
  bool xonXoffIn = false;
  std::uint8_t xonChar = 0x11;
  std::uint8_t xoffChar = 0x13;
  int xonLimit = 256;
  int xoffLimit = 256;
  TDTRFlowControl dtr = dtrDisable;
  TRTSFlowControl rts = rtsDisable;
  std::uint8_t eventChar = 0;
};

// The five timeout values in milliseconds; 0xFFFFFFFF is "the largest value" (-1 at the port).
struct TimeoutSettings {
  static constexpr std::uint32_t kMax = 0xFFFFFFFFu;
  std::uint32_t readInterval = kMax;
  std::uint32_t readTotalMultiplier = 0;
  std::uint32_t readTotalConstant = 0;
  std::uint32_t writeTotalMultiplier = 100;
  std::uint32_t writeTotalConstant = 1000;
};

struct ModemLines {
  bool cts = false;
  bool dsr = false;
  bool ring = false;
  bool rlsd = false;
};

enum class PurgeWhat {
  AbortTransfers,  // abort reads and writes in progress
  DiscardQueues,   // drop what waits in both driver queues
};

// Outcome of one wait for line events.
struct WaitResult {
  enum Kind {
    Events,   // `events` holds the conditions seen
    Timeout,  // the time limit passed with nothing to report
    Stopped,  // the stop signal is set
    Gone,     // the device went away (hang-up, unplugged): waiting again is pointless
    Failed,   // the wait itself failed; `error` holds errno
  };
  Kind kind = Failed;
  TComEvents events;
  int error = 0;
  int waiting = -1;  // with evRxChar: the bytes waiting when the wait ended; -1 when not known
};

// The event thread's stop signal: an eventfd that stays readable once set.
class StopSignal {
 public:
  StopSignal();  // throws std::system_error when no eventfd can be made
  ~StopSignal();
  StopSignal(const StopSignal&) = delete;
  StopSignal& operator=(const StopSignal&) = delete;
  void set();
  bool isSet() const;
  // Blocks until the signal is set or `timeoutMs` has passed; true when it is set.
  bool waitFor(int timeoutMs) const;
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
};

// Every call returns 0 on success or an errno value; the port puts that number into its
// messages. Calls that need an open device return EBADF when there is none. No call throws.
// The event thread uses only waitEvent, inputCount, setEventMask and purge; the main thread
// does not close the device while that thread runs.
class HostSerial {
 public:
  virtual ~HostSerial() = default;

  // Resolves the port name to a device and opens it for reading and writing, exclusively
  // (also against root). Never blocks. Errors: ENOENT (no such device, empty name),
  // ENAMETOOLONG, EACCES, EBUSY (held by another program), ENOTTY (not a terminal), ...
  virtual int open(const std::string& portName) = 0;
  virtual bool isOpen() const = 0;
  // Recommended driver queue sizes. The tty driver sizes its own queues, so this only
  // checks the values (EINVAL when negative). Does not block.
  virtual int setQueueSizes(int inputSize, int outputSize) = 0;
  // Applies rate, framing, parity, flow control and the DTR/RTS lines. Does not block.
  // Errors: those of tcsetattr/ioctl (EINVAL for a rate the device refuses).
  virtual int setLineSettings(const LineSettings& settings) = 0;
  // Stores the timeouts used by read and write. Does not block, does not fail.
  virtual int setTimeouts(const TimeoutSettings& timeouts) = 0;
  // Chooses which conditions waitEvent reports. Only evRxChar is observable on a tty.
  virtual void setEventMask(TComEvents mask) = 0;
  // Blocks until received data (when `watchInput` and the mask holds evRxChar), the stop
  // signal, the device going away, or `timeoutMs` (-1: no limit). Retries on EINTR. With
  // evRxChar the result says how many bytes were waiting (saves the caller a query).
  virtual WaitResult waitEvent(const StopSignal& stop, int timeoutMs, bool watchInput) = 0;
  // Bytes waiting in the input queue. Does not block.
  virtual int inputCount(int& count) = 0;
  // Line errors seen since the previous call (and so cleared by it). Does not block. A
  // device without error counters (pseudo-terminals, most USB adapters) is asked once per
  // open and then reports no errors without a system call.
  virtual int lineErrors(TComErrors& errors) = 0;
  // CTS, DSR, ring and carrier detect. A device without modem lines reports all off.
  virtual int modemStatus(ModemLines& lines) = 0;
  // Reads up to `count` bytes into `buffer`, returning in `done` how many arrived. Blocks as
  // the timeouts say; with the port's defaults it returns at once with what is there (0 too).
  // Errors: EIO after a hang-up, EBADF.
  virtual int read(void* buffer, int count, int& done) = 0;
  // Writes `count` bytes, waiting at most WriteTotalMultiplier * count + WriteTotalConstant
  // ms (both 0: no limit) for the line to take them; `done` is how many were sent.
  // Errors: EIO after a hang-up, EBADF.
  virtual int write(const void* buffer, int count, int& done) = 0;
  // Does not block. AbortTransfers has nothing to abort here (transfers are synchronous).
  virtual int purge(PurgeWhat what) = 0;
  // Releases the device and its locks. Does not fail; harmless when closed.
  virtual void close() = 0;
};

// The POSIX termios implementation (see host_serial.cpp for how each call is mapped).
std::unique_ptr<HostSerial> makePosixSerial();

// Device path for a port name: an absolute path as it is; else
// $XDG_CONFIG_HOME/Vantorel/ports/<name> (default ~/.config) when that link exists; else
// COMn (any case) -> /dev/ttyS<n-1>; else /dev/<name>. Returns an empty path and sets
// `error` (ENOENT for an empty name, ENAMETOOLONG for names over 4096 characters).
std::string resolvePortPath(const std::string& portName, int& error);

// The device a port name stands for, as messages name it: resolvePortPath with symbolic
// links followed to what they point to (a link to a missing device gives that device's
// path); the name itself when it resolves to no path.
std::string portDevicePath(const std::string& portName);

// The folder where port-name links live: $XDG_CONFIG_HOME/Vantorel/ports.
std::string portLinkFolder();

}  // namespace devlink
