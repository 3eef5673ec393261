// The port object on real pseudo-terminals: the test plays the instrument on the master side.
#include "link/com_port.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/alloc_count.h"
#include "tests/support/scoped_env.h"

namespace {

using testutil::ScopedEnv;

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

long long msSince(Clock::time_point t0) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count();
}

// The instrument's end of a pseudo-terminal.
class Pty {
 public:
  Pty() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
      throw std::runtime_error("no pseudo-terminal");
    char name[128];
    if (::ptsname_r(master_, name, sizeof name) != 0) throw std::runtime_error("ptsname");
    path_ = name;
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  }
  ~Pty() { closeMaster(); }
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  const std::string& path() const { return path_; }

  void send(const std::string& bytes) { send(bytes.data(), bytes.size()); }
  void send(const char* bytes, std::size_t n) {
    ASSERT_EQ(::write(master_, bytes, n), static_cast<ssize_t>(n));
  }

  // What the port wrote, collected until `n` bytes came or the time is up.
  std::string receive(std::size_t n, int timeoutMs = 1000) {
    std::string got;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got.size() < n && Clock::now() < deadline) {
      pollfd p{master_, POLLIN, 0};
      if (::poll(&p, 1, 10) > 0) {
        char buf[256];
        ssize_t r = ::read(master_, buf, sizeof buf);
        if (r > 0) got.append(buf, static_cast<std::size_t>(r));
      }
    }
    return got;
  }

  void closeMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }

 private:
  int master_ = -1;
  std::string path_;
};

// Stands in for the GUI thread's message loop: the port's wake callback signals it and it
// runs the deliveries.
class MainLoop {
 public:
  // The wake may still be running on the event thread when the loop goes (a device that
  // hangs up while the test ends): it keeps what it signals alive by itself.
  explicit MainLoop(devlink::DeliveryQueue& q) : q_(q) {
    q_.setWake([sync = sync_] {
      std::lock_guard lock(sync->m);
      sync->cv.notify_all();
    });
  }
  ~MainLoop() { q_.setWake(nullptr); }

  bool runUntil(const std::function<bool()>& done, int timeoutMs = 2000) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      q_.drain();
      if (done()) return true;
      if (Clock::now() >= deadline) return false;
      std::unique_lock lock(sync_->m);
      sync_->cv.wait_for(lock, 5ms);
    }
  }
  void runFor(int ms) {
    runUntil([] { return false; }, ms);
  }
  // Waits for a delivery to be handed over without running it.
  bool waitPending(int timeoutMs = 2000) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!q_.pending()) {
      if (Clock::now() >= deadline) return false;
      std::this_thread::sleep_for(1ms);
    }
    return true;
  }

 private:
  devlink::DeliveryQueue& q_;
  struct Sync {
    std::mutex m;
    std::condition_variable cv;
  };
  std::shared_ptr<Sync> sync_ = std::make_shared<Sync>();
};

class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/comport-test-XXXXXX";
    if (!::mkdtemp(tmpl)) throw std::runtime_error("mkdtemp");
    path_ = tmpl;
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

double processCpuMs() {
  timespec ts{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// Waits, without running deliveries, until `n` bytes wait in the port's input queue.
bool waitBytes(devlink::TCustomComPort& port, int n, int timeoutMs = 1000) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (port.BytesWaiting() < n) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(1ms);
  }
  return port.BytesWaiting() == n;
}

// Records the notifications of a port as short strings.
struct Recorder {
  std::vector<std::string> log;
  void attach(devlink::TCustomComPort& p) {
    p.OnBeforeOpen = [this](devlink::TCustomComPort&) { log.push_back("BeforeOpen"); };
    p.OnAfterOpen = [this](devlink::TCustomComPort&) { log.push_back("AfterOpen"); };
    p.OnBeforeClose = [this](devlink::TCustomComPort&) { log.push_back("BeforeClose"); };
    p.OnAfterClose = [this](devlink::TCustomComPort&) { log.push_back("AfterClose"); };
    p.OnCTSChange = [this](devlink::TCustomComPort&, bool on) {
      log.push_back(on ? "CTS1" : "CTS0");
    };
    p.OnDSRChange = [this](devlink::TCustomComPort&, bool on) {
      log.push_back(on ? "DSR1" : "DSR0");
    };
    p.OnRLSDChange = [this](devlink::TCustomComPort&, bool on) {
      log.push_back(on ? "RLSD1" : "RLSD0");
    };
  }
  std::vector<std::string> take() { return std::exchange(log, {}); }
};

const std::vector<std::string> kOpenLog = {"BeforeOpen", "AfterOpen", "CTS0", "DSR0", "RLSD0"};
const std::vector<std::string> kCloseLog = {"CTS0", "DSR0", "RLSD0", "BeforeClose", "AfterClose"};

std::vector<std::string> concat(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// A received-data handler that reads exactly the count it is given, as frame reception does.
struct Reader {
  std::string data;
  std::vector<int> counts;
  void attach(devlink::TCustomComPort& p) {
    p.OnRxChar = [this](devlink::TCustomComPort& port, int count) {
      counts.push_back(count);
      std::string buf(static_cast<std::size_t>(count), '\0');
      int n = port.Read(buf.data(), count);
      data.append(buf.data(), static_cast<std::size_t>(n));
    };
  }
};

TEST(ComPortOnPty, OpenCloseLifecycleAndNotifications) {
  Pty a, b;
  Recorder rec;
  {
    Reader reader;
    devlink::TComPort port;
    MainLoop loop(port.Deliveries());
    EXPECT_EQ(port.Port(), "COM1");
    EXPECT_FALSE(port.Connected());
    port.SetPort(a.path());
    rec.attach(port);

    port.Close();  // closed: nothing happens
    EXPECT_TRUE(rec.take().empty());

    port.Open();
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(rec.take(), kOpenLog);  // a pty has no modem lines: all reported off
    port.Open();
    port.SetConnected(true);
    port.SetPort(a.path());  // the same name
    EXPECT_TRUE(rec.take().empty());
    EXPECT_EQ(port.LineSignals().cts, false);

    try {
      port.SetSyncMethod(devlink::smNone);
      FAIL() << "SyncMethod changed while open";
    } catch (const devlink::EComPort& e) {
      EXPECT_EQ(e.Code, 14);
      EXPECT_EQ(e.WinCode, -1);
      EXPECT_STREQ(e.what(), "Cannot set property while connected");
    }
    EXPECT_EQ(port.SyncMethod(), devlink::smThreadSync);

    // A new name while open passes through a full close and open, onto the new device.
    port.SetPort(b.path());
    EXPECT_EQ(rec.take(), concat(kCloseLog, kOpenLog));
    EXPECT_TRUE(port.Connected());
    reader.attach(port);
    a.send("A");
    b.send("B");
    EXPECT_TRUE(loop.runUntil([&] { return !reader.data.empty(); }));
    loop.runFor(50);
    EXPECT_EQ(reader.data, "B");

    port.Close();
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(rec.take(), kCloseLog);
    port.Close();
    port.SetConnected(false);
    EXPECT_TRUE(rec.take().empty());

    port.SetSyncMethod(devlink::smWindowSync);  // allowed while closed
    port.SetSyncMethod(devlink::smThreadSync);
    port.SetConnected(true);
    EXPECT_EQ(rec.take(), kOpenLog);
  }
  // Destroying an open port closes it.
  EXPECT_EQ(rec.take(), kCloseLog);
  devlink::TComPort again;
  again.SetPort(b.path());
  EXPECT_NO_THROW(again.Open());
}

TEST(ComPortOnPty, OpenFailuresLeaveThePortClosed) {
  TempDir tmp;
  const std::string regular = tmp.path() + "/not-a-tty";
  std::ofstream(regular) << "data";
  struct Row {
    std::string name;
    int errnoValue;
  };
  const Row rows[] = {
      {"/nonexistent-dir/ttyX", ENOENT},
      {"", ENOENT},
      {std::string(5000, 'a'), ENAMETOOLONG},
      {regular, ENOTTY},
      {tmp.path(), EISDIR},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("port name of " + std::to_string(row.name.size()) +
                 " chars: " + row.name.substr(0, 40));
    int before = 0, after = 0;
    devlink::TComPort port;
    port.OnBeforeOpen = [&](devlink::TCustomComPort&) { ++before; };
    port.OnAfterOpen = [&](devlink::TCustomComPort&) { ++after; };
    port.SetPort(row.name);
    try {
      port.SetConnected(true);
      FAIL() << "opened";
    } catch (const devlink::EComPort& e) {
      EXPECT_EQ(e.Code, 1);
      EXPECT_EQ(e.WinCode, row.errnoValue);
      EXPECT_EQ(std::string(e.what()),
                "Unable to open com port (win error code: " + std::to_string(row.errnoValue) + ")");
    }
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(before, 1);
    EXPECT_EQ(after, 0);
  }

  // A device held by another port object (another program) cannot be opened, also as root.
  Pty a;
  devlink::TComPort first, second;
  first.SetPort(a.path());
  second.SetPort(a.path());
  first.Open();
  try {
    second.Open();
    FAIL() << "opened twice";
  } catch (const devlink::EComPort& e) {
    EXPECT_EQ(e.Code, 1);
    EXPECT_EQ(e.WinCode, EBUSY);
  }
  EXPECT_FALSE(second.Connected());
  EXPECT_EQ(first.Write("ok", 2), 2);
  EXPECT_EQ(a.receive(2), "ok");
  first.Close();
  EXPECT_NO_THROW(second.Open());  // released by Close

  // Settings the device refuses: the open fails with their code and releases the device.
  Pty c;
  devlink::TComPort bad;
  int afterOpen = 0;
  bad.OnAfterOpen = [&](devlink::TCustomComPort&) { ++afterOpen; };
  bad.SetPort(c.path());
  bad.SetBaudRate(devlink::brCustom);
  bad.SetCustomBaudRate(0);
  try {
    bad.Open();
    FAIL() << "opened with rate 0";
  } catch (const devlink::EComPort& e) {
    EXPECT_EQ(e.Code, 7);
    EXPECT_EQ(e.WinCode, EINVAL);
  }
  bad.SetBaudRate(devlink::br9600);
  bad.Buffer().SetInputSize(-5);
  try {
    bad.Open();
    FAIL() << "opened with a negative queue size";
  } catch (const devlink::EComPort& e) {
    EXPECT_EQ(e.Code, 9);
  }
  EXPECT_FALSE(bad.Connected());
  EXPECT_EQ(afterOpen, 0);
  devlink::TComPort other;
  other.SetPort(c.path());
  EXPECT_NO_THROW(other.Open());
}

TEST(ComPortOnPty, PortNamesResolveThroughLinks) {
  TempDir cfg;
  ScopedEnv xdg("XDG_CONFIG_HOME", cfg.path().c_str());
  const std::string folder = cfg.path() + "/Vantorel/ports";
  EXPECT_EQ(devlink::portLinkFolder(), folder);
  fs::create_directories(folder);
  Pty a, b;
  ASSERT_EQ(::symlink(a.path().c_str(), (folder + "/COM1").c_str()), 0);
  ASSERT_EQ(::symlink(b.path().c_str(), (folder + "/com1").c_str()), 0);

  struct Row {
    std::string name, path;
    int error;
  };
  const Row rows[] = {
      {"COM1", folder + "/COM1", 0},
      {"com1", folder + "/com1", 0},
      {"COM7", "/dev/ttyS6", 0},
      {"com20", "/dev/ttyS19", 0},
      {"/dev/pts/77", "/dev/pts/77", 0},
      {"ttyUSB0", "/dev/ttyUSB0", 0},
      {"", "", ENOENT},
      {std::string(5000, 'C'), "", ENAMETOOLONG},
  };
  for (const Row& row : rows) {
    int err = -1;
    EXPECT_EQ(devlink::resolvePortPath(row.name, err), row.path) << row.name.substr(0, 20);
    EXPECT_EQ(err, row.error) << row.name.substr(0, 20);
  }

  // "com1" differs from "COM1": writing it closes and reopens, here onto another device.
  Recorder rec;
  devlink::TComPort port;
  rec.attach(port);
  port.Open();  // "COM1"
  EXPECT_EQ(port.Write("1", 1), 1);
  EXPECT_EQ(a.receive(1), "1");
  rec.take();
  port.SetPort("com1");
  EXPECT_EQ(rec.take(), concat(kCloseLog, kOpenLog));
  EXPECT_EQ(port.Write("2", 1), 1);
  EXPECT_EQ(b.receive(1), "2");
  EXPECT_EQ(a.receive(1, 50), "");

  {
    ScopedEnv noXdg("XDG_CONFIG_HOME", nullptr);
    ScopedEnv home("HOME", "/home/someone");
    EXPECT_EQ(devlink::portLinkFolder(), "/home/someone/.config/Vantorel/ports");
  }
}

TEST(ComPortOnPty, LineSettingsReachTheDevice) {
  Pty a;
  // A second descriptor on the same tty, opened before the port takes it exclusively, shows
  // what the port configured.
  const int spy = ::open(a.path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(spy, 0);
  auto attrs = [&] {
    termios t{};
    EXPECT_EQ(::tcgetattr(spy, &t), 0);
    return t;
  };
  devlink::TComPort port;
  port.SetPort(a.path());
  port.FlowControl().SetControlDTR(devlink::dtrEnable);  // as the main window's form sets it
  port.Open();
  termios t = attrs();
  EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B9600));
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL | INPCK), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_cc[VMIN], 0);
  EXPECT_EQ(t.c_cc[VTIME], 0);

  // Changes while open are applied at once. (A pseudo-terminal keeps 8 data bits and no
  // parity whatever it is told, so framing is checked with the scripted host instead.)
  port.SetBaudRate(devlink::br19200);
  port.SetStopBits(devlink::sbTwoStopBits);
  port.Parity().SetCheck(true);
  port.FlowControl().SetXonXoffIn(true);
  port.FlowControl().SetXonXoffOut(true);
  port.FlowControl().SetXonChar(0x01);
  port.FlowControl().SetXoffChar(0x02);
  port.FlowControl().SetOutCTSFlow(true);
  t = attrs();
  EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B19200));
  EXPECT_EQ(t.c_cflag & (CSTOPB | CRTSCTS), static_cast<tcflag_t>(CSTOPB | CRTSCTS));
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF | INPCK), static_cast<tcflag_t>(IXON | IXOFF | INPCK));
  EXPECT_EQ(t.c_cc[VSTART], 0x01);
  EXPECT_EQ(t.c_cc[VSTOP], 0x02);
  port.SetStopBits(devlink::sbOneStopBit);
  port.FlowControl().SetOutCTSFlow(false);
  port.FlowControl().SetXonXoffIn(false);
  t = attrs();
  EXPECT_EQ(t.c_cflag & (CSTOPB | CRTSCTS), 0u);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON));

  // Rates without a standard constant go through the kernel's "other" rate.
  port.SetBaudRate(devlink::br14400);
  EXPECT_EQ(attrs().c_cflag & CBAUD, static_cast<tcflag_t>(0010000));
  port.SetBaudRate(devlink::brCustom);
  port.SetCustomBaudRate(250000);
  EXPECT_EQ(attrs().c_cflag & CBAUD, static_cast<tcflag_t>(0010000));
  port.SetBaudRate(devlink::br115200);
  t = attrs();
  EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B115200));

  // Without modem lines every line is off; DTR/RTS changes are not failures.
  port.FlowControl().SetControlRTS(devlink::rtsEnable);
  const devlink::ModemLines m = port.LineSignals();
  EXPECT_FALSE(m.cts || m.dsr || m.ring || m.rlsd);
  try {
    port.Buffer().SetOutputSize(-1);
    FAIL() << "negative queue size accepted";
  } catch (const devlink::EComPort& e) {
    EXPECT_EQ(e.Code, 9);
    EXPECT_EQ(e.WinCode, EINVAL);
  }
  EXPECT_TRUE(port.Connected());
  port.Close();
  ::close(spy);
}

TEST(ComPortOnPty, ReadWriteAndDeliveries) {
  Pty a;
  Reader reader;
  std::vector<int> seen;
  int thrown = 0;
  devlink::TComPort port;
  char buf[100];
  auto expectCode = [&](const std::function<void()>& op, int code) {
    try {
      op();
      ADD_FAILURE() << "no exception, expected code " << code;
    } catch (const devlink::EComPort& e) {
      EXPECT_EQ(e.Code, code);
      EXPECT_EQ(e.WinCode, EBADF);
    }
  };
  // No device: code 2 for Write, 3 for Read, 10 for the input count.
  expectCode([&] { port.Write("x", 1); }, 2);
  expectCode([&] { port.Read(buf, 1); }, 3);
  expectCode([&] { port.BytesWaiting(); }, 10);

  port.SetPort(a.path());
  MainLoop loop(port.Deliveries());
  reader.attach(port);
  port.Open();

  EXPECT_EQ(port.Write("abc", 3), 3);
  EXPECT_EQ(a.receive(3), "abc");
  EXPECT_EQ(port.Write("", 0), 0);

  // Received bytes reach OnRxChar with their count, on the thread that drains.
  a.send("hello");
  EXPECT_TRUE(loop.runUntil([&] { return reader.data.size() >= 5; }));
  EXPECT_EQ(reader.data, "hello");
  for (int c : reader.counts) EXPECT_GT(c, 0);

  // Read returns at once with what is there.
  port.OnRxChar = nullptr;
  auto t0 = Clock::now();
  EXPECT_EQ(port.Read(buf, sizeof buf), 0);
  EXPECT_LT(msSince(t0), 50);
  a.send("xyz");
  EXPECT_TRUE(loop.runUntil([&] { return port.BytesWaiting() == 3; }));
  t0 = Clock::now();
  EXPECT_EQ(port.Read(buf, sizeof buf), 3);
  EXPECT_LT(msSince(t0), 50);
  EXPECT_EQ(std::string(buf, 3), "xyz");

  // The count is taken when the delivery runs: 0 calls nothing, later bytes are included.
  reader = {};
  reader.attach(port);
  a.send("q");
  ASSERT_TRUE(loop.waitPending());
  EXPECT_TRUE(waitBytes(port, 1));
  EXPECT_EQ(port.Read(buf, sizeof buf), 1);
  port.Deliveries().drain();
  EXPECT_TRUE(reader.counts.empty());
  a.send("r");  // still noticed after a delivery that found nothing
  EXPECT_TRUE(loop.runUntil([&] { return reader.data == "r"; }));
  EXPECT_EQ(reader.counts, std::vector<int>{1});

  reader = {};
  reader.attach(port);
  a.send("ab");
  ASSERT_TRUE(loop.waitPending());
  a.send("cd");
  EXPECT_TRUE(waitBytes(port, 4));
  port.Deliveries().drain();
  EXPECT_EQ(reader.counts, std::vector<int>{4});
  EXPECT_EQ(reader.data, "abcd");

  // Bytes a handler leaves waiting are not announced again and again.
  port.OnRxChar = [&](devlink::TCustomComPort&, int count) { seen.push_back(count); };
  a.send("0123456789");
  EXPECT_TRUE(loop.runUntil([&] { return !seen.empty() && seen.back() == 10; }));
  loop.runFor(200);
  EXPECT_LE(seen.size(), 2u);
  seen.clear();
  a.send("+");  // new bytes are announced with the whole count
  EXPECT_TRUE(loop.runUntil([&] { return !seen.empty(); }));
  EXPECT_EQ(seen.back(), 11);
  EXPECT_EQ(port.Read(buf, sizeof buf), 11);

  // An exception escaping a handler ends the event thread: no more notifications until the
  // port is reopened. It does not escape the drain.
  port.OnRxChar = [&](devlink::TCustomComPort&, int) {
    ++thrown;
    throw std::runtime_error("handler failed");
  };
  a.send("e");
  EXPECT_TRUE(loop.runUntil([&] { return thrown == 1; }));
  a.send("f");
  loop.runFor(150);
  EXPECT_EQ(thrown, 1);
  EXPECT_FALSE(port.Deliveries().pending());
  port.Close();
  reader = {};
  reader.attach(port);
  port.Open();
  a.send("g");
  EXPECT_TRUE(loop.runUntil([&] { return !reader.data.empty() && reader.data.back() == 'g'; }));
}

TEST(ComPortOnPty, CloseRunsPendingDeliveryAndDiscardsInput) {
  Pty a;
  std::vector<std::string> log;
  devlink::TComPort port;
  port.SetPort(a.path());
  MainLoop loop(port.Deliveries());
  port.OnRxChar = [&](devlink::TCustomComPort& p, int count) {
    std::string buf(static_cast<std::size_t>(count), '\0');
    const int n = p.Read(buf.data(), count);
    log.push_back("RxChar:" + buf.substr(0, static_cast<std::size_t>(n)) +
                  (p.Connected() ? ":open" : ":closed"));
  };
  port.OnAfterClose = [&](devlink::TCustomComPort&) { log.push_back("AfterClose"); };
  port.Open();

  // A delivery pending when Close starts still runs, with the device open, before it closes.
  a.send("pend");
  ASSERT_TRUE(loop.waitPending());
  EXPECT_TRUE(waitBytes(port, 4));
  port.Close();
  EXPECT_EQ(log, (std::vector<std::string>{"RxChar:pend:open", "AfterClose"}));
  EXPECT_FALSE(port.Deliveries().pending());

  // Closing discards what was received and not read.
  log.clear();
  auto handler = std::exchange(port.OnRxChar, nullptr);
  port.Open();
  a.send("lost");
  ASSERT_TRUE(waitBytes(port, 4));
  port.Close();
  port.Open();
  EXPECT_EQ(port.BytesWaiting(), 0);
  char buf[16];
  EXPECT_EQ(port.Read(buf, sizeof buf), 0);

  // Closing from inside a handler neither deadlocks nor leaves the thread behind.
  log.clear();
  port.OnRxChar = [&](devlink::TCustomComPort& p, int) {
    log.push_back("RxChar");
    p.Close();
    log.push_back(p.Connected() ? "still open" : "closed");
  };
  a.send("c");
  EXPECT_TRUE(loop.runUntil([&] { return !port.Connected(); }));
  EXPECT_EQ(log, (std::vector<std::string>{"RxChar", "AfterClose", "closed"}));
  port.OnRxChar = handler;
  port.Open();
  log.clear();
  a.send("again");
  EXPECT_TRUE(loop.runUntil([&] { return !log.empty(); }));
  EXPECT_EQ(log.front().rfind("RxChar:", 0), 0u);
}

TEST(ComPortOnPty, HangUpEndsEventThreadWithoutSpinningAndPortReopens) {
  auto a = std::make_unique<Pty>();
  Reader reader;
  int afterClose = 0;
  devlink::TComPort port;
  port.SetPort(a->path());
  MainLoop loop(port.Deliveries());
  reader.attach(port);
  port.OnAfterClose = [&](devlink::TCustomComPort&) { ++afterClose; };
  int hangUps = 0;
  port.OnHangUp = [&](devlink::TCustomComPort&) { ++hangUps; };
  port.Open();
  a->send("hi");
  EXPECT_TRUE(loop.runUntil([&] { return reader.data == "hi"; }));

  a->closeMaster();  // the instrument goes away
  loop.runFor(100);
  EXPECT_EQ(hangUps, 1) << "the hang-up is reported once";
  const double cpu0 = processCpuMs();
  const auto t0 = Clock::now();
  loop.runFor(500);
  const double cpu = processCpuMs() - cpu0;
  const auto wall = msSince(t0);
  // A thread that kept waking up would burn about the whole wall time.
  EXPECT_LT(cpu, 60.0) << "CPU ms over " << wall << " ms after the hang-up";
  EXPECT_FALSE(port.Deliveries().pending());
  EXPECT_TRUE(port.Connected());

  EXPECT_NO_THROW(port.Close());
  EXPECT_FALSE(port.Connected());
  EXPECT_EQ(afterClose, 1);

  Pty b;
  port.SetPort(b.path());
  port.Open();
  b.send("back");
  EXPECT_TRUE(loop.runUntil([&] { return reader.data == "hiback"; }));
  EXPECT_EQ(port.Write("ok", 2), 2);
  EXPECT_EQ(b.receive(2), "ok");
}

TEST(ComPortOnPty, BlockedWriteEndsAfterWriteTimeout) {
  Pty a;  // nobody reads the master: the line stops taking bytes once its buffers are full
  devlink::TComPort port;
  port.SetPort(a.path());
  port.Open();
  // Fill quickly with a tiny write timeout, then go back to the defaults (re-applied open).
  port.Timeouts().SetWriteTotalMultiplier(0);
  port.Timeouts().SetWriteTotalConstant(1);
  const std::string chunk(4096, 'x');
  bool full = false;
  for (int i = 0; i < 1000 && !full; ++i) full = port.Write(chunk.data(), 4096) < 4096;
  ASSERT_TRUE(full);
  port.Timeouts().SetWriteTotalMultiplier(100);
  port.Timeouts().SetWriteTotalConstant(1000);

  const int n = 8;
  const auto t0 = Clock::now();
  const int sent = port.Write("command!", n);
  const auto elapsed = msSince(t0);
  EXPECT_GE(sent, 0);
  EXPECT_LT(sent, n);
  EXPECT_LE(elapsed, 100 * n + 1000 + 200);
  EXPECT_GE(elapsed, 100 * n + 1000 - 20);  // it waited for the line rather than giving up
  EXPECT_TRUE(port.Connected());
  port.Close();
}

TEST(ComPortOnPty, ByteFedLineIsAnnouncedInGathersAndAllocatesNothing) {
  Pty a;
  devlink::TComPort port;
  port.SetPort(a.path());
  MainLoop loop(port.Deliveries());
  char got[256];
  int have = 0;
  int announcements = 0;
  port.OnRxChar = [&](devlink::TCustomComPort& p, int count) {
    ++announcements;
    have += p.Read(got + have, std::min(count, static_cast<int>(sizeof got) - have));
  };
  port.Open();

  // One byte at a time, as a UART delivers at 9600 baud: the bytes of a burst are announced
  // together, all of them, in order.
  const std::string frame = "\xAA\x55 eighteen bytes.";
  ASSERT_EQ(frame.size(), 18u);
  std::thread uart([&] {
    for (char c : frame) {
      a.send(&c, 1);
      std::this_thread::sleep_for(1ms);
    }
  });
  EXPECT_TRUE(loop.runUntil([&] { return have >= 18; }));
  uart.join();
  EXPECT_EQ(std::string(got, static_cast<std::size_t>(have)), frame);
  EXPECT_LT(announcements, 12);

  // A whole frame in one write is one announcement; the steady stream of them allocates
  // nothing on either thread.
  auto frameOnce = [&] {
    have = 0;
    announcements = 0;
    a.send(frame.data(), frame.size());
    return loop.runUntil([&] { return have == 18; });
  };
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(frameOnce());
  EXPECT_EQ(announcements, 1);
  const std::uint64_t before = testutil::allocations();
  for (int i = 0; i < 30; ++i) ASSERT_TRUE(frameOnce());
  EXPECT_EQ(testutil::allocations() - before, 0u) << "allocations in 30 deliveries";
  port.Close();
}

}  // namespace
