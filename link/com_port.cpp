#include "link/com_port.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <iterator>
#include <system_error>
#include <utility>

#include "link/com_messages.h"

namespace devlink {

namespace {

// While a received-data handler leaves the bytes waiting, the event thread looks at the
// input count this often instead of being woken by the same bytes again and again.
constexpr int kUnconsumedPollMs = 20;

// A wake that finds fewer bytes than this waiting comes from a line fed byte by byte.
constexpr int kGatherBelowBytes = 4;

// How long such a burst is let run: this many byte times at the line's rate, within limits
// that keep a frame's last byte close to its showing at slow rates and wake-ups rare at
// fast ones.
constexpr double kGatherByteTimes = 4;
constexpr int kGatherMinMs = 2;
constexpr int kGatherMaxMs = 20;

int gatherWindowMs(const LineSettings& s) {
  const double stopBits = s.stopBits == sbOneStopBit ? 1 : s.stopBits == sbOne5StopBits ? 1.5 : 2;
  const double bitsPerByte = 1 + s.dataBits + (s.parity == prNone ? 0 : 1) + stopBits;
  const double ms = std::ceil(kGatherByteTimes * bitsPerByte * 1000.0 / std::max(s.baudRate, 1u));
  return static_cast<int>(std::clamp(ms, double{kGatherMinMs}, double{kGatherMaxMs}));
}

constexpr std::uint32_t kBaudRates[] = {0,     110,   300,   600,   1200,  2400,   4800,   9600,
                                        14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};

std::uint32_t toHostTimeout(std::int32_t v) {
  return static_cast<std::uint32_t>(v);
}

}  // namespace

std::uint32_t baudRateValue(TBaudRate rate) {
  const auto i = static_cast<std::size_t>(rate);
  return i < std::size(kBaudRates) ? kBaudRates[i] : 0;
}

EComPort::EComPort(int code, int winCode)
    : std::runtime_error(comMessage(code, winCode)), Code(code), WinCode(winCode) {}

// ---- settings groups -------------------------------------------------------------------

namespace {
template <typename T>
bool store(T& field, T value) {
  if (field == value) return false;
  field = value;
  return true;
}
}  // namespace

void TComParity::SetBits(TParityBits v) {
  if (store(bits_, v)) port_.ApplyLineSettings();
}
void TComParity::SetCheck(bool v) {
  if (store(check_, v)) port_.ApplyLineSettings();
}
void TComParity::SetReplace(bool v) {
  if (store(replace_, v)) port_.ApplyLineSettings();
}
void TComParity::SetReplaceChar(std::uint8_t v) {
  if (store(replaceChar_, v)) port_.ApplyLineSettings();
}

void TComFlowControl::SetOutCTSFlow(bool v) {
  if (store(outCTSFlow_, v)) port_.ApplyLineSettings();
}
void TComFlowControl::SetOutDSRFlow(bool v) {
  if (store(outDSRFlow_, v)) port_.ApplyLineSettings();
}
void TComFlowControl::SetControlDTR(TDTRFlowControl v) {
  if (store(controlDTR_, v)) port_.ApplyLineSettings();
}
void TComFlowControl::SetControlRTS(TRTSFlowControl v) {
  if (store(controlRTS_, v)) port_.ApplyLineSettings();
}
void TComFlowControl::SetXonXoffOut(bool v) {
  if (store(xonXoffOut_, v)) port_.ApplyLineSettings();
}
void TComFlowControl::SetXonXoffIn(bool v) {
  if (store(xonXoffIn_, v)) port_.ApplyLineSettings();
}
void TComFlowControl::SetDSRSensitivity(bool v) {
  if (store(dsrSensitivity_, v)) port_.ApplyLineSettings();
}
void TComFlowControl::SetTxContinueOnXoff(bool v) {
  if (store(txContinueOnXoff_, v)) port_.ApplyLineSettings();
}
void TComFlowControl::SetXonChar(std::uint8_t v) {
  if (store(xonChar_, v)) port_.ApplyLineSettings();
}
void TComFlowControl::SetXoffChar(std::uint8_t v) {
  if (store(xoffChar_, v)) port_.ApplyLineSettings();
}

void TComTimeouts::change(std::int32_t& field, std::int32_t v) {
  if (store(field, v)) port_.ApplyTimeouts();
}
void TComTimeouts::SetReadInterval(std::int32_t v) {
  change(readInterval_, v);
}
void TComTimeouts::SetReadTotalMultiplier(std::int32_t v) {
  change(readTotalMultiplier_, v);
}
void TComTimeouts::SetReadTotalConstant(std::int32_t v) {
  change(readTotalConstant_, v);
}
void TComTimeouts::SetWriteTotalMultiplier(std::int32_t v) {
  change(writeTotalMultiplier_, v);
}
void TComTimeouts::SetWriteTotalConstant(std::int32_t v) {
  change(writeTotalConstant_, v);
}

void TComBuffer::SetInputSize(std::int32_t v) {
  if (store(inputSize_, v)) port_.ApplyBuffer();
}
void TComBuffer::SetOutputSize(std::int32_t v) {
  if (store(outputSize_, v)) port_.ApplyBuffer();
}

// ---- event thread ----------------------------------------------------------------------

TComThread::TComThread(TCustomComPort& port, HostSerial& host, DeliveryQueue& queue,
                       TComEvents events, TSyncMethod syncMethod, unsigned session)
    : port_(port), host_(host), queue_(queue), syncMethod_(syncMethod), session_(session) {
  host_.setEventMask(events);
}

TComThread::~TComThread() {
  if (thread_.joinable()) {
    stop_.set();
    WaitFor();
  }
}

void TComThread::Start() {
  queue_.producerStarted();
  try {
    thread_ = std::thread([this] { Execute(); });
  } catch (...) {
    queue_.producerFinished();
    throw;
  }
}

void TComThread::Stop() {
  stop_.set();
}

void TComThread::WaitFor() {
  if (!thread_.joinable()) return;
  queue_.drainUntilProducerFinished();
  thread_.join();
}

void TComThread::Execute() {
  bool unconsumed = false;  // the last delivery's bytes still wait, untouched
  int unconsumedCount = 0;
  bool endedByException = false;
  for (;;) {
    const WaitResult w = host_.waitEvent(stop_, unconsumed ? kUnconsumedPollMs : -1, !unconsumed);
    TComEvents events;
    if (w.kind == WaitResult::Events) {
      events = w.events;
      if (events == TComEvents{evRxChar}) {
        int waiting = w.waiting;
        if (waiting < 0 && host_.inputCount(waiting) != 0) waiting = 0;
        const int gatherMs = port_.gatherMs_.load(std::memory_order_relaxed);
        // A byte-paced line: let the rest of the burst arrive before announcing it.
        if (waiting > 0 && waiting < kGatherBelowBytes && gatherMs > 0 && stop_.waitFor(gatherMs))
          break;
      }
    } else if (w.kind == WaitResult::Timeout) {
      if (!unconsumed) continue;
      int n = 0;
      if (host_.inputCount(n) != 0) break;  // the device no longer answers
      if (n == unconsumedCount) continue;
      unconsumed = false;
      if (n == 0) continue;
      events.insert(evRxChar);
    } else {
      // Stop signal, device gone, or the wait failed: never wait again. A device that went
      // away is announced once, after every byte it sent before.
      if (w.kind == WaitResult::Gone) {
        auto job = [port = &port_, session = session_] { port->DeliverHangUp(session); };
        if (syncMethod_ == smNone) {
          try {
            job();
          } catch (...) {
            fatal_ = std::current_exception();
          }
        } else {
          const DeliveryQueue::Outcome r = queue_.runOnMain(job);
          if (r.error) fatal_ = r.error;
        }
      }
      break;
    }

    // Captures of two words: std::function keeps them in place, no allocation. The job
    // touches nothing of this thread: after a release (Close from inside a handler) it may
    // finish after this thread has ended.
    auto job = [port = &port_, session = session_, events] { port->Deliver(events, session); };
    if (syncMethod_ == smNone) {
      try {
        job();
      } catch (...) {
        fatal_ = std::current_exception();
        endedByException = true;
        break;
      }
    } else {
      const DeliveryQueue::Outcome r = queue_.runOnMain(job);
      if (r.error) {
        fatal_ = r.error;
        endedByException = true;
        break;
      }
      if (r.released) break;
    }
    // Written by the job on the main thread before the hand-over ended.
    const TCustomComPort::DispatchOutcome outcome = port_.lastOutcome_;
    if (outcome.rxUnconsumed) {
      unconsumed = true;
      unconsumedCount = outcome.rxCount;
    }
  }
  host_.setEventMask({});
  // After an escaped exception the waiting bytes are left for a later Read.
  if (!endedByException) host_.purge(PurgeWhat::DiscardQueues);
  queue_.producerFinished();
}

// ---- port ------------------------------------------------------------------------------

TCustomComPort::TCustomComPort() : TCustomComPort(makePosixSerial()) {}

TCustomComPort::TCustomComPort(std::unique_ptr<HostSerial> host) : host_(std::move(host)) {}

TCustomComPort::~TCustomComPort() {
  try {
    Close();
  } catch (...) {
    // A destructor must not throw; the hard stop below still releases everything.
  }
  if (thread_) {
    thread_->Stop();
    thread_->WaitFor();
    thread_.reset();
  }
  host_->close();
  connected_ = false;
}

void TCustomComPort::SetConnected(bool value) {
  if (value && !connected_) {
    Open();
  } else if (!value && connected_) {
    Close();
  }
}

void TCustomComPort::SetPort(const std::string& value) {
  if (value == port_) return;
  port_ = value;
  if (connected_) {
    Close();
    Open();
  }
}

void TCustomComPort::SetSyncMethod(TSyncMethod value) {
  if (connected_) throw EComPort(14);
  syncMethod_ = value;
}

void TCustomComPort::SetBaudRate(TBaudRate v) {
  if (store(baudRate_, v)) ApplyLineSettings();
}
void TCustomComPort::SetCustomBaudRate(std::int32_t v) {
  if (store(customBaudRate_, v)) ApplyLineSettings();
}
void TCustomComPort::SetDataBits(TDataBits v) {
  if (store(dataBits_, v)) ApplyLineSettings();
}
void TCustomComPort::SetStopBits(TStopBits v) {
  if (store(stopBits_, v)) ApplyLineSettings();
}
void TCustomComPort::SetDiscardNull(bool v) {
  if (store(discardNull_, v)) ApplyLineSettings();
}
void TCustomComPort::SetEventChar(std::uint8_t v) {
  if (store(eventChar_, v)) ApplyLineSettings();
}

void TCustomComPort::ApplyBuffer() {
  if (!connected_) return;
  if (int e = host_->setQueueSizes(buffer_.InputSize(), buffer_.OutputSize())) throw EComPort(9, e);
}

void TCustomComPort::ApplyLineSettings() {
  if (!connected_) return;
  LineSettings s;
  s.baudRate = baudRate_ == brCustom ? static_cast<std::uint32_t>(std::max(customBaudRate_, 0))
                                     : baudRateValue(baudRate_);
  s.dataBits = 5 + static_cast<int>(dataBits_);
  s.parity = parity_.Bits();
  s.stopBits = stopBits_;
  s.parityCheck = parity_.Check();
  s.parityReplace = parity_.Check() && parity_.Replace();
  s.parityReplaceChar = parity_.ReplaceChar();
  s.discardNull = discardNull_;
  s.outCtsFlow = flowControl_.OutCTSFlow();
  s.outDsrFlow = flowControl_.OutDSRFlow();
  s.dsrSensitivity = flowControl_.DSRSensitivity();
  s.txContinueOnXoff = flowControl_.TxContinueOnXoff();
  s.xonXoffOut = flowControl_.XonXoffOut();
  s.xonXoffIn = flowControl_.XonXoffIn();
  s.xonChar = flowControl_.XonChar();
  s.xoffChar = flowControl_.XoffChar();
  s.xonLimit = buffer_.InputSize() / 4;
  s.xoffLimit = buffer_.InputSize() / 4;
  s.dtr = flowControl_.ControlDTR();
  s.rts = flowControl_.ControlRTS();
  s.eventChar = eventChar_;
  if (int e = host_->setLineSettings(s)) throw EComPort(7, e);
  gatherMs_.store(gatherWindowMs(s), std::memory_order_relaxed);
}

void TCustomComPort::ApplyTimeouts() {
  if (!connected_) return;
  TimeoutSettings t;
  t.readInterval = toHostTimeout(timeouts_.ReadInterval());
  t.readTotalMultiplier = toHostTimeout(timeouts_.ReadTotalMultiplier());
  t.readTotalConstant = toHostTimeout(timeouts_.ReadTotalConstant());
  t.writeTotalMultiplier = toHostTimeout(timeouts_.WriteTotalMultiplier());
  t.writeTotalConstant = toHostTimeout(timeouts_.WriteTotalConstant());
  if (int e = host_->setTimeouts(t)) throw EComPort(8, e);
}

void TCustomComPort::Open() {
  if (connected_) return;
  if (OnBeforeOpen) OnBeforeOpen(*this);
  if (connected_) return;  // the handler opened it already
  if (int e = host_->open(port_)) throw EComPort(1, e);
  connected_ = true;
  ++session_;
  try {
    ApplyBuffer();
    ApplyLineSettings();
    ApplyTimeouts();
  } catch (...) {
    host_->close();
    connected_ = false;
    throw;
  }
  threadCreated_ = false;
  if (!events_.empty()) {
    try {
      thread_ =
          std::make_unique<TComThread>(*this, *host_, deliveries_, events_, syncMethod_, session_);
      thread_->Start();
    } catch (const std::system_error& e) {
      thread_.reset();
      host_->close();
      connected_ = false;
      throw EComPort(1, e.code().value());
    }
    threadCreated_ = true;
  }
  if (OnAfterOpen) OnAfterOpen(*this);
  if (!connected_) return;  // the handler closed it again
  const TComSignalEvent* handlers[] = {&OnCTSChange, &OnDSRChange, &OnRLSDChange};
  for (int i = 0; i < 3 && connected_; ++i) {
    ModemLines m;
    if (int e = host_->modemStatus(m)) throw EComPort(11, e);
    const bool state = i == 0 ? m.cts : i == 1 ? m.dsr : m.rlsd;
    if (*handlers[i]) (*handlers[i])(*this, state);
  }
}

void TCustomComPort::Close() {
  if (!connected_ || closing_) return;
  if (OnCTSChange) OnCTSChange(*this, false);
  if (OnDSRChange) OnDSRChange(*this, false);
  if (OnRLSDChange) OnRLSDChange(*this, false);
  if (OnBeforeClose) OnBeforeClose(*this);
  if (!connected_ || closing_) return;  // a handler closed it already
  if (int e = host_->purge(PurgeWhat::AbortTransfers)) throw EComPort(5, e);
  closing_ = true;
  if (threadCreated_) StopThread();
  host_->close();
  connected_ = false;
  closing_ = false;
  if (OnAfterClose) OnAfterClose(*this);
}

void TCustomComPort::StopThread() {
  // The deliveries still handed over run inside WaitFor (device still open); a handler that
  // throws there must not leave the thread behind.
  struct Reset {
    TCustomComPort& p;
    ~Reset() {
      p.thread_.reset();
      p.threadCreated_ = false;
    }
  } reset{*this};
  thread_->Stop();
  std::this_thread::yield();
  thread_->WaitFor();
}

int TCustomComPort::Read(void* buffer, int count) {
  if (!host_->isOpen()) throw EComPort(3, EBADF);
  int done = 0;
  if (int e = host_->read(buffer, count, done)) throw EComPort(3, e);
  bytesRead_ += static_cast<std::uint64_t>(done);
  return done;
}

int TCustomComPort::Write(const void* buffer, int count) {
  if (!host_->isOpen()) throw EComPort(2, EBADF);
  int done = 0;
  if (int e = host_->write(buffer, count, done)) throw EComPort(2, e);
  return done;
}

int TCustomComPort::BytesWaiting() {
  int count = 0;
  if (int e = host_->inputCount(count)) throw EComPort(10, e);
  TComErrors cleared;
  if (int e = host_->lineErrors(cleared)) throw EComPort(10, e);
  return count;
}

ModemLines TCustomComPort::LineSignals() {
  ModemLines m;
  if (int e = host_->modemStatus(m)) throw EComPort(11, e);
  return m;
}

void TCustomComPort::Deliver(TComEvents events, unsigned session) {
  const DispatchOutcome outcome = DispatchEvents(events, session);
  // A delivery of a closed session has no event thread waiting for its outcome.
  if (session == session_) lastOutcome_ = outcome;
}

void TCustomComPort::DeliverHangUp(unsigned session) {
  if (!connected_ || session != session_ || !OnHangUp) return;
  OnHangUp(*this);
}

TCustomComPort::DispatchOutcome TCustomComPort::DispatchEvents(TComEvents ev, unsigned session) {
  DispatchOutcome out;
  // A handler may close (or close and reopen) the port: the rest of the set then belongs to
  // a device that is gone.
  auto live = [&] { return connected_ && session_ == session; };
  auto notify = [&](TComEvent e, const TNotifyEvent& h) {
    if (live() && ev.contains(e) && h) h(*this);
  };
  auto signal = [&](TComEvent e, const TComSignalEvent& h, bool ModemLines::*line) {
    if (!live() || !ev.contains(e)) return;
    const ModemLines m = LineSignals();
    if (h) h(*this, m.*line);
  };

  if (!live()) return out;
  if (ev.contains(evError)) {
    TComErrors errors;
    if (int e = host_->lineErrors(errors)) throw EComPort(10, e);
    if (!parity_.Check()) errors.erase(ceRxParity);
    if (!errors.empty() && OnError) OnError(*this, errors);
  }
  if (live() && ev.contains(evRxChar)) {
    const int count = BytesWaiting();
    const std::uint64_t readBefore = bytesRead_;
    if (count > 0 && OnRxChar) OnRxChar(*this, count);
    if (live() && bytesRead_ == readBefore) {
      int now = 0;
      if (host_->inputCount(now) == 0 && now == count) {
        out.rxUnconsumed = true;
        out.rxCount = count;
      }
    }
  }
  notify(evTxEmpty, OnTxEmpty);
  notify(evBreak, OnBreak);
  notify(evRing, OnRing);
  signal(evCTS, OnCTSChange, &ModemLines::cts);
  signal(evDSR, OnDSRChange, &ModemLines::dsr);
  notify(evRxFlag, OnRxFlag);
  signal(evRLSD, OnRLSDChange, &ModemLines::rlsd);
  notify(evRx80Full, OnRx80Full);
  return out;
}

}  // namespace devlink
