// The port object's logic over a scripted host layer: order of host calls, failure codes,
// re-applied settings and the order in which a delivery calls the handlers.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/com_port.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct FakeState {
  std::mutex m;
  std::vector<std::string> calls;
  int openError = 0, queueError = 0, lineError = 0, timeoutError = 0, modemError = 0;
  int abortError = 0, readError = 0, writeError = 0, countError = 0;
  int inputCount = 0;
  devlink::TComErrors errors;
  devlink::ModemLines lines;
  devlink::LineSettings line;
  devlink::TimeoutSettings timeouts;
  int inputSize = 0, outputSize = 0;
  bool open = false;
  std::deque<devlink::TComEvents> injected;
  int injectFd = ::eventfd(0, EFD_CLOEXEC | EFD_SEMAPHORE | EFD_NONBLOCK);

  ~FakeState() { ::close(injectFd); }
  void log(std::string s) {
    std::lock_guard l(m);
    calls.push_back(std::move(s));
  }
  std::vector<std::string> take() {
    std::lock_guard l(m);
    return std::exchange(calls, {});
  }
  void inject(devlink::TComEvents ev) {
    {
      std::lock_guard l(m);
      injected.push_back(ev);
    }
    const std::uint64_t one = 1;
    ASSERT_EQ(::write(injectFd, &one, sizeof one), 8);
  }
};

class FakeSerial final : public devlink::HostSerial {
 public:
  explicit FakeSerial(std::shared_ptr<FakeState> s) : s_(std::move(s)) {}
  int open(const std::string&) override {
    s_->log("open");
    if (s_->openError) return s_->openError;
    s_->open = true;
    // A freshly opened device has no line events of an earlier opening waiting.
    std::lock_guard l(s_->m);
    std::uint64_t v = 0;
    while (::read(s_->injectFd, &v, sizeof v) > 0) {
    }
    s_->injected.clear();
    return 0;
  }
  bool isOpen() const override { return s_->open; }
  int setQueueSizes(int in, int out) override {
    s_->log("queue");
    s_->inputSize = in;
    s_->outputSize = out;
    return s_->queueError;
  }
  int setLineSettings(const devlink::LineSettings& ls) override {
    s_->log("line");
    s_->line = ls;
    return s_->lineError;
  }
  int setTimeouts(const devlink::TimeoutSettings& t) override {
    s_->log("timeouts");
    s_->timeouts = t;
    return s_->timeoutError;
  }
  void setEventMask(devlink::TComEvents mask) override {
    s_->log("mask:" + std::to_string(mask.bits()));
  }
  devlink::WaitResult waitEvent(const devlink::StopSignal& stop, int timeoutMs, bool) override {
    pollfd fds[2] = {{stop.fd(), POLLIN, 0}, {s_->injectFd, POLLIN, 0}};
    devlink::WaitResult r;
    int n = ::poll(fds, 2, timeoutMs);
    if (n < 0) {
      r.error = errno;
      return r;
    }
    if (fds[0].revents) {
      r.kind = devlink::WaitResult::Stopped;
    } else if (fds[1].revents) {
      std::uint64_t v;
      [[maybe_unused]] ssize_t got = ::read(s_->injectFd, &v, sizeof v);
      std::lock_guard l(s_->m);
      r.kind = devlink::WaitResult::Events;
      r.events = s_->injected.front();
      s_->injected.pop_front();
    } else {
      r.kind = devlink::WaitResult::Timeout;
    }
    return r;
  }
  int inputCount(int& count) override {
    std::lock_guard l(s_->m);
    count = s_->inputCount;
    return s_->countError;
  }
  int lineErrors(devlink::TComErrors& errors) override {
    std::lock_guard l(s_->m);
    errors = std::exchange(s_->errors, {});
    return 0;
  }
  int modemStatus(devlink::ModemLines& lines) override {
    s_->log("modem");
    lines = s_->lines;
    return s_->modemError;
  }
  int read(void*, int count, int& done) override {
    done = 0;
    if (s_->readError) return s_->readError;
    std::lock_guard l(s_->m);
    done = std::min(count, s_->inputCount);
    s_->inputCount -= done;
    return 0;
  }
  int write(const void*, int count, int& done) override {
    done = s_->writeError ? 0 : count;
    return s_->writeError;
  }
  int purge(devlink::PurgeWhat what) override {
    const bool abort = what == devlink::PurgeWhat::AbortTransfers;
    s_->log(abort ? "purge:abort" : "purge:discard");
    return abort ? s_->abortError : 0;
  }
  void close() override {
    if (!s_->open) return;
    s_->log("close");
    s_->open = false;
  }

 private:
  std::shared_ptr<FakeState> s_;
};

struct Fixture {
  std::shared_ptr<FakeState> host = std::make_shared<FakeState>();
  devlink::TComPort port{std::make_unique<FakeSerial>(host)};

  bool drainUntil(const std::function<bool()>& done, int ms = 1000) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
      port.Deliveries().drain();
      if (done()) return true;
      if (Clock::now() >= deadline) return false;
      std::this_thread::sleep_for(1ms);
    }
  }
};

using Calls = std::vector<std::string>;
const std::string kAllMask = "mask:" + std::to_string(devlink::kAllComEvents.bits());

TEST(ComPortFakeHost, OpenAndCloseCallTheHostInOrder) {
  Fixture f;
  f.port.FlowControl().SetControlDTR(devlink::dtrEnable);
  EXPECT_TRUE(f.host->take().empty());  // nothing is applied while closed
  f.port.Open();
  EXPECT_EQ(f.host->take(),
            (Calls{"open", "queue", "line", "timeouts", kAllMask, "modem", "modem", "modem"}));
  // The record built from the defaults and the form's DTR setting.
  const devlink::LineSettings& s = f.host->line;
  EXPECT_EQ(s.baudRate, 9600u);
  EXPECT_EQ(s.dataBits, 8);
  EXPECT_EQ(s.parity, devlink::prNone);
  EXPECT_EQ(s.stopBits, devlink::sbOneStopBit);
  EXPECT_EQ(s.dtr, devlink::dtrEnable);
  EXPECT_EQ(s.rts, devlink::rtsDisable);
  EXPECT_FALSE(s.outCtsFlow || s.xonXoffIn || s.xonXoffOut || s.parityCheck || s.discardNull);
  EXPECT_EQ(s.xonChar, 0x11);
  EXPECT_EQ(s.xoffChar, 0x13);
  EXPECT_EQ(s.xonLimit, 256);
  EXPECT_EQ(s.xoffLimit, 256);
  EXPECT_EQ(f.host->inputSize, 1024);
  EXPECT_EQ(f.host->outputSize, 1024);
  EXPECT_EQ(f.host->timeouts.readInterval, 0xFFFFFFFFu);
  EXPECT_EQ(f.host->timeouts.readTotalMultiplier, 0u);
  EXPECT_EQ(f.host->timeouts.readTotalConstant, 0u);
  EXPECT_EQ(f.host->timeouts.writeTotalMultiplier, 100u);
  EXPECT_EQ(f.host->timeouts.writeTotalConstant, 1000u);

  f.port.Close();
  EXPECT_EQ(f.host->take(), (Calls{"purge:abort", "mask:0", "purge:discard", "close"}));

  // Without events no event thread is made.
  f.port.SetEvents({});
  f.port.Open();
  EXPECT_EQ(f.host->take(),
            (Calls{"open", "queue", "line", "timeouts", "modem", "modem", "modem"}));
  f.port.Close();
  EXPECT_EQ(f.host->take(), (Calls{"purge:abort", "close"}));
}

TEST(ComPortFakeHost, FailuresRaiseTheirCodes) {
  struct Row {
    const char* what;
    int FakeState::*error;
    int code;
    bool openAfter;
    const char* message;
  };
  const Row rows[] = {
      {"open", &FakeState::openError, 1, false, "Unable to open com port (win error code: 5)"},
      {"queue", &FakeState::queueError, 9, false, "SetupComm function failed (win error code: 5)"},
      {"line", &FakeState::lineError, 7, false, "SetCommState function failed (win error code: 5)"},
      {"timeouts", &FakeState::timeoutError, 8, false,
       "SetCommTimeouts failed (win error code: 5)"},
      {"modem", &FakeState::modemError, 11, true,
       "GetCommModemStatus function failed (win error code: 5)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Fixture f;
    int afterOpen = 0;
    f.port.OnAfterOpen = [&](devlink::TCustomComPort&) { ++afterOpen; };
    (*f.host).*row.error = EIO;
    try {
      f.port.Open();
      ADD_FAILURE() << "no exception";
    } catch (const devlink::EComPort& e) {
      EXPECT_EQ(e.Code, row.code);
      EXPECT_EQ(e.WinCode, EIO);
      EXPECT_STREQ(e.what(), row.message);
    }
    EXPECT_EQ(f.port.Connected(), row.openAfter);
    EXPECT_EQ(f.host->open, row.openAfter);  // a failed configuration closes the device
    EXPECT_EQ(afterOpen, row.openAfter ? 1 : 0);
    (*f.host).*row.error = 0;
  }

  // A failing abort leaves the port open with its thread running.
  Fixture f;
  int txEmpty = 0;
  f.port.OnTxEmpty = [&](devlink::TCustomComPort&) { ++txEmpty; };
  f.port.Open();
  f.host->abortError = EIO;
  try {
    f.port.Close();
    ADD_FAILURE() << "no exception";
  } catch (const devlink::EComPort& e) {
    EXPECT_EQ(e.Code, 5);
    EXPECT_STREQ(e.what(), "PurgeComm function failed (win error code: 5)");
  }
  EXPECT_TRUE(f.port.Connected());
  f.host->inject({devlink::evTxEmpty});
  EXPECT_TRUE(f.drainUntil([&] { return txEmpty == 1; }));
  f.host->abortError = 0;

  // Transfers and queries.
  auto expectCode = [&](const std::function<void()>& op, int code) {
    try {
      op();
      ADD_FAILURE() << "no exception, expected code " << code;
    } catch (const devlink::EComPort& e) {
      EXPECT_EQ(e.Code, code);
      EXPECT_EQ(e.WinCode, EIO);
    }
  };
  char buf[4];
  f.host->readError = EIO;
  f.host->writeError = EIO;
  f.host->countError = EIO;
  f.host->modemError = EIO;
  expectCode([&] { f.port.Read(buf, 4); }, 3);
  expectCode([&] { f.port.Write(buf, 4); }, 2);
  expectCode([&] { f.port.BytesWaiting(); }, 10);
  expectCode([&] { f.port.LineSignals(); }, 11);
  f.host->countError = 0;
  f.port.Close();
  EXPECT_FALSE(f.port.Connected());
}

TEST(ComPortFakeHost, SettingChangesReapplyTheirGroupWhileOpen) {
  using devlink::TComPort;
  struct Row {
    const char* name;
    std::function<void(TComPort&)> change;
    const char* call;  // nullptr: nothing is applied
    std::function<bool(const FakeState&)> check;
  };
  auto any = [](const FakeState&) { return true; };
  const Row rows[] = {
      {"same rate", [](TComPort& p) { p.SetBaudRate(devlink::br9600); }, nullptr, any},
      {"rate", [](TComPort& p) { p.SetBaudRate(devlink::br57600); }, "line",
       [](const FakeState& s) { return s.line.baudRate == 57600; }},
      {"custom rate", [](TComPort& p) { p.SetCustomBaudRate(1234); }, "line", any},
      {"use custom", [](TComPort& p) { p.SetBaudRate(devlink::brCustom); }, "line",
       [](const FakeState& s) { return s.line.baudRate == 1234; }},
      {"data bits", [](TComPort& p) { p.SetDataBits(devlink::dbSeven); }, "line",
       [](const FakeState& s) { return s.line.dataBits == 7; }},
      {"stop bits", [](TComPort& p) { p.SetStopBits(devlink::sbTwoStopBits); }, "line",
       [](const FakeState& s) { return s.line.stopBits == devlink::sbTwoStopBits; }},
      {"discard null", [](TComPort& p) { p.SetDiscardNull(true); }, "line", any},
      {"event char", [](TComPort& p) { p.SetEventChar('\n'); }, "line",
       [](const FakeState& s) { return s.line.eventChar == '\n'; }},
      {"parity", [](TComPort& p) { p.Parity().SetBits(devlink::prOdd); }, "line",
       [](const FakeState& s) { return s.line.parity == devlink::prOdd; }},
      {"parity check", [](TComPort& p) { p.Parity().SetCheck(true); }, "line", any},
      {"parity replace", [](TComPort& p) { p.Parity().SetReplace(true); }, "line",
       [](const FakeState& s) { return s.line.parityReplace; }},
      {"replace char", [](TComPort& p) { p.Parity().SetReplaceChar('?'); }, "line", any},
      {"cts flow", [](TComPort& p) { p.FlowControl().SetOutCTSFlow(true); }, "line",
       [](const FakeState& s) { return s.line.outCtsFlow; }},
      {"dsr flow", [](TComPort& p) { p.FlowControl().SetOutDSRFlow(true); }, "line", any},
      {"dtr", [](TComPort& p) { p.FlowControl().SetControlDTR(devlink::dtrHandshake); }, "line",
       [](const FakeState& s) { return s.line.dtr == devlink::dtrHandshake; }},
      {"rts", [](TComPort& p) { p.FlowControl().SetControlRTS(devlink::rtsToggle); }, "line",
       [](const FakeState& s) { return s.line.rts == devlink::rtsToggle; }},
      {"xon out", [](TComPort& p) { p.FlowControl().SetXonXoffOut(true); }, "line", any},
      {"xon in", [](TComPort& p) { p.FlowControl().SetXonXoffIn(true); }, "line", any},
      {"dsr sens", [](TComPort& p) { p.FlowControl().SetDSRSensitivity(true); }, "line", any},
      {"tx cont", [](TComPort& p) { p.FlowControl().SetTxContinueOnXoff(true); }, "line", any},
      {"xon char", [](TComPort& p) { p.FlowControl().SetXonChar(1); }, "line",
       [](const FakeState& s) { return s.line.xonChar == 1; }},
      {"xoff char", [](TComPort& p) { p.FlowControl().SetXoffChar(2); }, "line",
       [](const FakeState& s) { return s.line.xoffChar == 2; }},
      {"same xoff", [](TComPort& p) { p.FlowControl().SetXoffChar(2); }, nullptr, any},
      {"read interval", [](TComPort& p) { p.Timeouts().SetReadInterval(5); }, "timeouts",
       [](const FakeState& s) { return s.timeouts.readInterval == 5; }},
      {"read mult", [](TComPort& p) { p.Timeouts().SetReadTotalMultiplier(-1); }, "timeouts",
       [](const FakeState& s) { return s.timeouts.readTotalMultiplier == 0xFFFFFFFFu; }},
      {"read const", [](TComPort& p) { p.Timeouts().SetReadTotalConstant(7); }, "timeouts", any},
      {"write mult", [](TComPort& p) { p.Timeouts().SetWriteTotalMultiplier(3); }, "timeouts", any},
      {"write const", [](TComPort& p) { p.Timeouts().SetWriteTotalConstant(4); }, "timeouts",
       [](const FakeState& s) { return s.timeouts.writeTotalConstant == 4; }},
      {"input size", [](TComPort& p) { p.Buffer().SetInputSize(2048); }, "queue",
       [](const FakeState& s) { return s.inputSize == 2048 && s.outputSize == 1024; }},
      {"xon limit", [](TComPort& p) { p.SetBaudRate(devlink::br4800); }, "line",
       [](const FakeState& s) { return s.line.xonLimit == 512 && s.line.xoffLimit == 512; }},
      {"output size", [](TComPort& p) { p.Buffer().SetOutputSize(64); }, "queue",
       [](const FakeState& s) { return s.outputSize == 64; }},
      {"events", [](TComPort& p) { p.SetEvents({devlink::evRxChar}); }, nullptr, any},
  };
  Fixture closed;
  for (const Row& row : rows) row.change(closed.port);
  EXPECT_TRUE(closed.host->take().empty()) << "applied while closed";

  Fixture f;
  f.port.Open();
  f.host->take();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    row.change(f.port);
    const Calls calls = f.host->take();
    EXPECT_EQ(calls, row.call ? Calls{row.call} : Calls{});
    EXPECT_TRUE(row.check(*f.host));
  }
}

TEST(ComPortFakeHost, DeliveryCallsHandlersInFixedOrder) {
  std::vector<std::string> log;  // outlives the port, whose destructor still notifies
  Fixture f;
  auto& p = f.port;
  auto note = [&](const char* s) {
    return [&log, s](devlink::TCustomComPort&) { log.push_back(s); };
  };
  p.OnError = [&](devlink::TCustomComPort&, devlink::TComErrors e) {
    log.push_back(std::string("Error:") + (e.contains(devlink::ceFrame) ? "frame" : "") +
                  (e.contains(devlink::ceRxParity) ? "+parity" : ""));
  };
  p.OnRxChar = [&](devlink::TCustomComPort&, int n) {
    log.push_back("RxChar:" + std::to_string(n));
  };
  p.OnTxEmpty = note("TxEmpty");
  p.OnBreak = note("Break");
  p.OnRing = note("Ring");
  p.OnRxFlag = note("RxFlag");
  p.OnRx80Full = note("Rx80Full");
  p.OnCTSChange = [&](devlink::TCustomComPort&, bool on) { log.push_back(on ? "CTS1" : "CTS0"); };
  p.OnDSRChange = [&](devlink::TCustomComPort&, bool on) { log.push_back(on ? "DSR1" : "DSR0"); };
  p.OnRLSDChange = [&](devlink::TCustomComPort&, bool on) {
    log.push_back(on ? "RLSD1" : "RLSD0");
  };
  p.Open();
  log.clear();

  f.host->inputCount = 3;
  f.host->errors = {devlink::ceFrame, devlink::ceRxParity};
  f.host->lines.cts = true;
  f.host->lines.rlsd = true;
  f.host->inject(devlink::kAllComEvents);
  const std::vector<std::string> expected = {"Error:frame", "RxChar:3", "TxEmpty", "Break",
                                             "Ring",        "CTS1",     "DSR0",    "RxFlag",
                                             "RLSD1",       "Rx80Full"};
  EXPECT_TRUE(f.drainUntil([&] { return log.size() >= expected.size(); }));
  EXPECT_EQ(log, expected);  // parity errors count only with parity checking on

  log.clear();
  p.Parity().SetCheck(true);
  f.host->errors = {devlink::ceRxParity};
  f.host->inject({devlink::evError});
  EXPECT_TRUE(f.drainUntil([&] { return !log.empty(); }));
  EXPECT_EQ(log, std::vector<std::string>{"Error:+parity"});

  // No errors and no bytes: nothing is called.
  log.clear();
  f.host->inputCount = 0;
  f.host->inject({devlink::evError, devlink::evRxChar});
  std::this_thread::sleep_for(30ms);
  f.drainUntil([] { return false; }, 50);
  EXPECT_TRUE(log.empty());

  // An exception escaping a handler ends the thread; reopening brings notifications back.
  p.OnTxEmpty = [&](devlink::TCustomComPort&) {
    log.push_back("throw");
    throw std::runtime_error("handler failed");
  };
  f.host->inject({devlink::evTxEmpty});
  EXPECT_TRUE(f.drainUntil([&] { return !log.empty(); }));
  f.host->inject({devlink::evTxEmpty});
  f.drainUntil([] { return false; }, 100);
  EXPECT_EQ(log, std::vector<std::string>{"throw"});
  EXPECT_FALSE(p.Deliveries().pending());
  p.Close();
  p.OnTxEmpty = note("TxEmpty");
  p.Open();
  log.clear();
  f.host->inject({devlink::evTxEmpty});
  EXPECT_TRUE(f.drainUntil([&] { return !log.empty(); }));
  EXPECT_EQ(log, std::vector<std::string>{"TxEmpty"});
  p.Close();

  // smNone runs the dispatch on the event thread itself.
  p.SetSyncMethod(devlink::smNone);
  std::mutex m;
  std::thread::id ranOn;
  p.OnTxEmpty = [&](devlink::TCustomComPort&) {
    std::lock_guard l(m);
    ranOn = std::this_thread::get_id();
  };
  p.Open();
  f.host->inject({devlink::evTxEmpty});
  const auto deadline = Clock::now() + 1s;
  for (;;) {
    {
      std::lock_guard l(m);
      if (ranOn != std::thread::id{} || Clock::now() > deadline) break;
    }
    std::this_thread::sleep_for(1ms);
  }
  p.Close();
  EXPECT_NE(ranOn, std::thread::id{});
  EXPECT_NE(ranOn, std::this_thread::get_id());
}

TEST(ComPortFakeHost, AWakeWithFewBytesWaitsForTheBurstABurstIsAnnouncedAtOnce) {
  Fixture f;
  std::vector<int> counts;
  f.port.OnRxChar = [&](devlink::TCustomComPort& p, int n) {
    counts.push_back(n);
    char buf[64];
    p.Read(buf, n);
  };
  f.port.Open();
  auto setWaiting = [&](int n) {
    std::lock_guard l(f.host->m);
    f.host->inputCount = n;
  };
  // Time from the line event to the delivery being handed over.
  auto handOverMs = [&](int waiting) {
    setWaiting(waiting);
    const auto t0 = Clock::now();
    f.host->inject({devlink::evRxChar});
    while (!f.port.Deliveries().pending()) std::this_thread::sleep_for(50us);
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
  };

  // One byte: the line is let run (at 9600 baud four byte times, at least 2 ms) and what
  // arrived meanwhile is announced with it.
  setWaiting(1);
  const auto t0 = Clock::now();
  f.host->inject({devlink::evRxChar});
  setWaiting(3);
  while (!f.port.Deliveries().pending()) std::this_thread::sleep_for(50us);
  EXPECT_GE(Clock::now() - t0, 2ms);
  f.port.Deliveries().drain();
  EXPECT_EQ(counts, std::vector<int>{3});

  // Eighteen bytes at once: no wait (the quickest of a few tries, the machine may be busy).
  double quickest = 1e9;
  for (int i = 0; i < 5; ++i) {
    quickest = std::min(quickest, handOverMs(18));
    f.port.Deliveries().drain();
  }
  EXPECT_LT(quickest, 2.0);
  EXPECT_EQ(counts.size(), 6u);
  EXPECT_EQ(counts.back(), 18);
  f.port.Close();
}

}  // namespace
