// The serial port object: opens a named serial device with a fixed line configuration, runs
// an event thread that watches the line and hands each set of line events to the main
// thread, and offers Read and Write of byte buffers. Failures raise EComPort.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "link/delivery_queue.h"
#include "link/host_serial.h"

namespace devlink {

enum TBaudRate {
  brCustom,
  br110,
  br300,
  br600,
  br1200,
  br2400,
  br4800,
  br9600,
  br14400,
  br19200,
  br38400,
  br56000,
  br57600,
  br115200,
  br128000,
  br256000
};
enum TDataBits { dbFive, dbSix, dbSeven, dbEight };
enum TSyncMethod { smThreadSync, smWindowSync, smNone };

// Bits per second of each TBaudRate (brCustom: 0, the port uses CustomBaudRate instead).
std::uint32_t baudRateValue(TBaudRate rate);

// Error of the serial port: a code 1..23 (texts in com_messages.h) and the system error
// number of the failing call, -1 when there is none.
class EComPort : public std::runtime_error {
 public:
  explicit EComPort(int code, int winCode = -1);
  int Code;
  int WinCode;
};

class TCustomComPort;

// Parity settings; a change while the port is open re-applies the line settings.
class TComParity {
 public:
  explicit TComParity(TCustomComPort& port) : port_(port) {}
  TCustomComPort& ComPort() const { return port_; }
  TParityBits Bits() const { return bits_; }
  void SetBits(TParityBits value);
  bool Check() const { return check_; }
  void SetCheck(bool value);
  bool Replace() const { return replace_; }
  void SetReplace(bool value);
  std::uint8_t ReplaceChar() const { return replaceChar_; }
  void SetReplaceChar(std::uint8_t value);

 private:
  TCustomComPort& port_;
  TParityBits bits_ = prNone;
  bool check_ = false;
  bool replace_ = false;
  std::uint8_t replaceChar_ = 0;
};

// Flow control and the DTR/RTS lines; a change while open re-applies the line settings.
class TComFlowControl {
 public:
  explicit TComFlowControl(TCustomComPort& port) : port_(port) {}
  TCustomComPort& ComPort() const { return port_; }
  bool OutCTSFlow() const { return outCTSFlow_; }
  void SetOutCTSFlow(bool value);
  bool OutDSRFlow() const { return outDSRFlow_; }
  void SetOutDSRFlow(bool value);
  TDTRFlowControl ControlDTR() const { return controlDTR_; }
  void SetControlDTR(TDTRFlowControl value);
  TRTSFlowControl ControlRTS() const { return controlRTS_; }
  void SetControlRTS(TRTSFlowControl value);
  bool XonXoffOut() const { return xonXoffOut_; }
  void SetXonXoffOut(bool value);
  bool XonXoffIn() const { return xonXoffIn_; }
  void SetXonXoffIn(bool value);
  bool DSRSensitivity() const { return dsrSensitivity_; }
  void SetDSRSensitivity(bool value);
  bool TxContinueOnXoff() const { return txContinueOnXoff_; }
  void SetTxContinueOnXoff(bool value);
  std::uint8_t XonChar() const { return xonChar_; }
  void SetXonChar(std::uint8_t value);
  std::uint8_t XoffChar() const { return xoffChar_; }
  void SetXoffChar(std::uint8_t value);

 private:
  TCustomComPort& port_;
  bool outCTSFlow_ = false;
  bool outDSRFlow_ = false;
  TDTRFlowControl controlDTR_ = dtrDisable;
  TRTSFlowControl controlRTS_ = rtsDisable;
  bool xonXoffOut_ = false;
  bool xonXoffIn_ = false;
  bool dsrSensitivity_ = false;
  bool txContinueOnXoff_ = false;
  std::uint8_t xonChar_ = 0x11;
  std::uint8_t xoffChar_ = 0x13;
};

// Read and write timeouts in ms (-1: the largest value); a change while open re-applies them.
class TComTimeouts {
 public:
  explicit TComTimeouts(TCustomComPort& port) : port_(port) {}
  TCustomComPort& ComPort() const { return port_; }
  std::int32_t ReadInterval() const { return readInterval_; }
  void SetReadInterval(std::int32_t value);
  std::int32_t ReadTotalMultiplier() const { return readTotalMultiplier_; }
  void SetReadTotalMultiplier(std::int32_t value);
  std::int32_t ReadTotalConstant() const { return readTotalConstant_; }
  void SetReadTotalConstant(std::int32_t value);
  std::int32_t WriteTotalMultiplier() const { return writeTotalMultiplier_; }
  void SetWriteTotalMultiplier(std::int32_t value);
  std::int32_t WriteTotalConstant() const { return writeTotalConstant_; }
  void SetWriteTotalConstant(std::int32_t value);

 private:
  void change(std::int32_t& field, std::int32_t value);
  TCustomComPort& port_;
  std::int32_t readInterval_ = -1;
  std::int32_t readTotalMultiplier_ = 0;
  std::int32_t readTotalConstant_ = 0;
  std::int32_t writeTotalMultiplier_ = 100;
  std::int32_t writeTotalConstant_ = 1000;
};

// Recommended driver queue sizes in bytes; a change while open re-applies them.
class TComBuffer {
 public:
  explicit TComBuffer(TCustomComPort& port) : port_(port) {}
  TCustomComPort& ComPort() const { return port_; }
  std::int32_t InputSize() const { return inputSize_; }
  void SetInputSize(std::int32_t value);
  std::int32_t OutputSize() const { return outputSize_; }
  void SetOutputSize(std::int32_t value);

 private:
  TCustomComPort& port_;
  std::int32_t inputSize_ = 1024;
  std::int32_t outputSize_ = 1024;
};

// The event thread: exists while the port is open, waits for line events and hands each set
// to the main thread through the port's DeliveryQueue, blocking until it has been run.
//
// When received data is announced. A wake that finds four or more bytes waiting (a frame
// written at once, a USB adapter's packet, a UART's FIFO) is announced at once. A wake that
// finds one to three bytes comes from a line fed byte by byte: the thread then lets the line
// run for four byte times at the current rate (5 ms at 9600 baud; at least 2, at most 20 ms)
// and announces what has arrived by then; the count is taken when the main thread runs the
// dispatch anyway. On a byte-paced 9600-baud line that is 3.3 deliveries per 18-byte frame
// instead of 18, and a frame's last byte reaches its handler 3 ms later in the median, 8 ms
// at most. The wait listens to the stop signal: Close does not wait for it, and bytes that
// were still being gathered are not delivered (as all input not yet read when the thread
// ends, they are discarded). Any other line condition is announced at once.
class TComThread {
 public:
  TComThread(TCustomComPort& port, HostSerial& host, DeliveryQueue& queue, TComEvents events,
             TSyncMethod syncMethod, unsigned session);
  ~TComThread();
  TComThread(const TComThread&) = delete;
  TComThread& operator=(const TComThread&) = delete;

  void Start();
  // Sets the stop signal; the thread starts no new line wait after it.
  void Stop();
  // Main thread: runs the deliveries the thread still hands over until it has ended.
  void WaitFor();
  // What escaped a handler and ended the thread, if anything.
  std::exception_ptr FatalException() const { return fatal_; }

 private:
  void Execute();

  TCustomComPort& port_;
  HostSerial& host_;
  DeliveryQueue& queue_;
  TSyncMethod syncMethod_;
  unsigned session_;
  StopSignal stop_;
  std::thread thread_;
  std::exception_ptr fatal_;  // written by the thread, read after it has ended
};

class TCustomComPort {
 public:
  using TNotifyEvent = std::function<void(TCustomComPort&)>;
  using TRxCharEvent = std::function<void(TCustomComPort&, int)>;
  using TComSignalEvent = std::function<void(TCustomComPort&, bool)>;
  using TComErrorEvent = std::function<void(TCustomComPort&, TComErrors)>;

  TCustomComPort();
  // With another host layer (a test double).
  explicit TCustomComPort(std::unique_ptr<HostSerial> host);
  virtual ~TCustomComPort();
  TCustomComPort(const TCustomComPort&) = delete;
  TCustomComPort& operator=(const TCustomComPort&) = delete;

  void Open();
  void Close();
  bool Connected() const { return connected_; }
  void SetConnected(bool value);
  std::string Port() const { return port_; }
  void SetPort(const std::string& value);

  // Reads up to `count` bytes; with the default timeouts it returns at once with what is
  // there (0 included). Code 3 on failure or on a closed port.
  int Read(void* buffer, int count);
  // Writes `count` bytes, waiting at most 100 ms per byte + 1000 ms by default; returns how
  // many were sent. Code 2 on failure or on a closed port.
  int Write(const void* buffer, int count);
  // Bytes in the input queue (also clears the line-error flags). Code 10 on failure.
  int BytesWaiting();
  // CTS, DSR, ring and carrier detect. Code 11 on failure.
  ModemLines LineSignals();

  TBaudRate BaudRate() const { return baudRate_; }
  void SetBaudRate(TBaudRate value);
  std::int32_t CustomBaudRate() const { return customBaudRate_; }
  void SetCustomBaudRate(std::int32_t value);
  TDataBits DataBits() const { return dataBits_; }
  void SetDataBits(TDataBits value);
  TStopBits StopBits() const { return stopBits_; }
  void SetStopBits(TStopBits value);
  bool DiscardNull() const { return discardNull_; }
  void SetDiscardNull(bool value);
  std::uint8_t EventChar() const { return eventChar_; }
  void SetEventChar(std::uint8_t value);
  // Takes effect at the next Open.
  TComEvents Events() const { return events_; }
  void SetEvents(TComEvents value) { events_ = value; }
  TSyncMethod SyncMethod() const { return syncMethod_; }
  void SetSyncMethod(TSyncMethod value);  // code 14 while open

  TComParity& Parity() { return parity_; }
  const TComParity& Parity() const { return parity_; }
  TComFlowControl& FlowControl() { return flowControl_; }
  const TComFlowControl& FlowControl() const { return flowControl_; }
  TComTimeouts& Timeouts() { return timeouts_; }
  const TComTimeouts& Timeouts() const { return timeouts_; }
  TComBuffer& Buffer() { return buffer_; }
  const TComBuffer& Buffer() const { return buffer_; }

  // The hand-over from the event thread; the GUI sets its wake callback.
  DeliveryQueue& Deliveries() { return deliveries_; }

  // Notifications; each is called only when assigned.
  TNotifyEvent OnBeforeOpen, OnAfterOpen, OnBeforeClose, OnAfterClose;
  TNotifyEvent OnTxEmpty, OnBreak, OnRing, OnRxFlag, OnRx80Full;
  TRxCharEvent OnRxChar;
  TComSignalEvent OnCTSChange, OnDSRChange, OnRLSDChange;
  TComErrorEvent OnError;
  // The device went away (hang-up, adapter unplugged): called once, on the main thread,
  // after the bytes it sent before that reached the port; the event thread has ended and the port stays open
  // until it is closed.
  TNotifyEvent OnHangUp;

 private:
  friend class TComParity;
  friend class TComFlowControl;
  friend class TComTimeouts;
  friend class TComBuffer;
  friend class TComThread;

  struct DispatchOutcome {
    // The received-data handler took nothing and no byte arrived meanwhile: the event thread
    // then waits for the count to change instead of announcing the same bytes again.
    bool rxUnconsumed = false;
    int rxCount = 0;
  };

  void ApplyBuffer();
  void ApplyLineSettings();
  void ApplyTimeouts();
  void StopThread();
  // The job a delivery runs on the main thread.
  void Deliver(TComEvents events, unsigned session);
  void DeliverHangUp(unsigned session);
  DispatchOutcome DispatchEvents(TComEvents events, unsigned session);

  std::unique_ptr<HostSerial> host_;
  std::string port_ = "COM1";
  TBaudRate baudRate_ = br9600;
  std::int32_t customBaudRate_ = 9600;
  TDataBits dataBits_ = dbEight;
  TStopBits stopBits_ = sbOneStopBit;
  bool discardNull_ = false;
  std::uint8_t eventChar_ = 0;
  TComEvents events_ = kAllComEvents;
  TSyncMethod syncMethod_ = smThreadSync;
  TComParity parity_{*this};
  TComFlowControl flowControl_{*this};
  TComTimeouts timeouts_{*this};
  TComBuffer buffer_{*this};

  bool connected_ = false;
  bool closing_ = false;
  bool threadCreated_ = false;
  unsigned session_ = 0;          // counts opens; a delivery of an earlier one is dropped
  std::uint64_t bytesRead_ = 0;   // main thread only
  DispatchOutcome lastOutcome_;   // of the last delivery; read by the event thread after it
  std::atomic<int> gatherMs_{0};  // how long a byte-paced burst is let run (TComThread)
  DeliveryQueue deliveries_;      // outlives the thread (declared before it)
  std::unique_ptr<TComThread> thread_;
};

// The port as the main window holds it; adds nothing to TCustomComPort.
class TComPort : public TCustomComPort {
 public:
  using TCustomComPort::TCustomComPort;
};

}  // namespace devlink
