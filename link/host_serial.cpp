#include "link/host_serial.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <pwd.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace devlink {

namespace {

constexpr std::size_t kMaxPortNameLength = 4096;

using Clock = std::chrono::steady_clock;

// Owns a file descriptor so that every failing step of an open closes it.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { reset(); }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  UniqueFd(UniqueFd&& o) noexcept : fd_(o.release()) {}
  UniqueFd& operator=(UniqueFd&& o) noexcept {
    if (this != &o) {
      reset();
      fd_ = o.release();
    }
    return *this;
  }
  int get() const { return fd_; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void reset() {
    if (fd_ >= 0) ::close(fd_);  // close() is never retried on Linux: the fd is gone either way
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

// Milliseconds left until `deadline`, rounded up so that poll() never spins on a 0 timeout
// while time remains.
int msUntil(Clock::time_point deadline) {
  auto left = deadline - Clock::now();
  if (left <= Clock::duration::zero()) return 0;
  auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
  return static_cast<int>(std::min<long long>(ms, 1'000'000'000LL));
}

// poll() that retries on EINTR with the remaining time; timeoutMs -1 waits without limit.
int pollRetry(pollfd* fds, nfds_t n, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
  for (;;) {
    int r = ::poll(fds, n, timeoutMs < 0 ? -1 : msUntil(deadline));
    if (r >= 0 || errno != EINTR) return r;
  }
}

speed_t standardSpeed(std::uint32_t rate) {
  switch (rate) {
    case 50:
      return B50;
    case 75:
      return B75;
    case 110:
      return B110;
    case 134:
      return B134;
    case 150:
      return B150;
    case 200:
      return B200;
    case 300:
      return B300;
    case 600:
      return B600;
    case 1200:
      return B1200;
    case 1800:
      return B1800;
    case 2400:
      return B2400;
    case 4800:
      return B4800;
    case 9600:
      return B9600;
    case 19200:
      return B19200;
    case 38400:
      return B38400;
    case 57600:
      return B57600;
    case 115200:
      return B115200;
    case 230400:
      return B230400;
    case 460800:
      return B460800;
    case 500000:
      return B500000;
    case 576000:
      return B576000;
    case 921600:
      return B921600;
    case 1000000:
      return B1000000;
    default:
      return B0;
  }
}

// Rates without a Bxxx constant (14400, 56000, 128000, 256000, custom ones) go through the
// kernel's termios2 with BOTHER. glibc 2.36 does not declare it and <asm/termbits.h> clashes
// with <termios.h>, so the kernel record is declared here for the layouts we know.
#if defined(__x86_64__) || defined(__i386__) || defined(__aarch64__) || defined(__arm__) || \
    defined(__riscv)
#define HALVEX_HAVE_TERMIOS2 1
struct KernelTermios2 {
  tcflag_t c_iflag;
  tcflag_t c_oflag;
  tcflag_t c_cflag;
  tcflag_t c_lflag;
  cc_t c_line;
  cc_t c_cc[19];
  speed_t c_ispeed;
  speed_t c_ospeed;
};
static_assert(sizeof(KernelTermios2) == 44);
constexpr unsigned long kTcGets2 = _IOR('T', 0x2A, KernelTermios2);
constexpr unsigned long kTcSets2 = _IOW('T', 0x2B, KernelTermios2);
constexpr tcflag_t kBother = 0010000;
#endif

int setCustomSpeed(int fd, std::uint32_t rate) {
#ifdef HALVEX_HAVE_TERMIOS2
  KernelTermios2 t{};
  if (::ioctl(fd, kTcGets2, &t) < 0) return errno;
  t.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << 16));  // output and input speed
  t.c_cflag |= kBother | (kBother << 16);
  t.c_ispeed = rate;
  t.c_ospeed = rate;
  if (::ioctl(fd, kTcSets2, &t) < 0) return errno;
  return 0;
#else
  (void)fd;
  (void)rate;
  return EINVAL;
#endif
}

// A device without modem lines (pseudo-terminal, some adapters) answers ENOTTY or EINVAL;
// that is not a failure of the line settings.
bool noModemLines(int err) {
  return err == ENOTTY || err == EINVAL;
}

int setModemLine(int fd, int line, bool on) {
  int bits = line;
  if (::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bits) < 0 && !noModemLines(errno)) return errno;
  return 0;
}

bool comNumber(const std::string& name, unsigned& n) {
  if (name.size() < 4 || name.size() > 6) return false;
  if (std::toupper(static_cast<unsigned char>(name[0])) != 'C' ||
      std::toupper(static_cast<unsigned char>(name[1])) != 'O' ||
      std::toupper(static_cast<unsigned char>(name[2])) != 'M')
    return false;
  unsigned v = 0;
  for (std::size_t i = 3; i < name.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) return false;
    v = v * 10 + static_cast<unsigned>(name[i] - '0');
  }
  if (v == 0) return false;
  n = v;
  return true;
}

class PosixSerial final : public HostSerial {
 public:
  ~PosixSerial() override { close(); }

  // open(O_RDWR|O_NOCTTY|O_NONBLOCK|O_CLOEXEC), then: isatty, flock(LOCK_EX|LOCK_NB) (root
  // passes TIOCEXCL, not the lock), TIOCEXCL (keeps out programs that do not lock), raw mode
  // (cfmakeraw, CLOCAL|CREAD, VMIN=VTIME=0). The descriptor is owned until all succeeded.
  int open(const std::string& portName) override {
    if (fd_ >= 0) return EBUSY;
    int err = 0;
    const std::string path = resolvePortPath(portName, err);
    if (path.empty()) return err;
    UniqueFd fd;
    for (;;) {
      fd = UniqueFd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
      if (fd.get() >= 0 || errno != EINTR) break;
    }
    if (fd.get() < 0) return errno;
    if (!::isatty(fd.get())) return errno == 0 ? ENOTTY : errno;
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) < 0) {
      // Another program (or another port object of ours) holds the device.
      return errno == EWOULDBLOCK ? EBUSY : errno;
    }
    if (::ioctl(fd.get(), TIOCEXCL) < 0) return errno;
    termios t{};
    if (::tcgetattr(fd.get(), &t) < 0) {
      int e = errno;
      ::ioctl(fd.get(), TIOCNXCL);
      return e;
    }
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (::tcsetattr(fd.get(), TCSANOW, &t) < 0) {
      int e = errno;
      ::ioctl(fd.get(), TIOCNXCL);
      return e;
    }
    fd_ = fd.release();
    haveErrorCounts_ = false;
    noErrorCounts_ = false;
    return 0;
  }

  bool isOpen() const override { return fd_ >= 0; }

  int setQueueSizes(int inputSize, int outputSize) override {
    if (fd_ < 0) return EBADF;
    if (inputSize < 0 || outputSize < 0) return EINVAL;
    return 0;
  }

  // Builds a termios from the raw base: CSn, PARENB/PARODD/CMSPAR, CSTOPB, INPCK, CRTSCTS,
  // IXON/IXOFF with VSTART/VSTOP; the rate through cfset[io]speed or termios2/BOTHER; then
  // DTR and RTS through TIOCMBIS/TIOCMBIC. Settings the tty driver lacks (DSR flow and
  // sensitivity, null discarding, continue after XOFF, RTS toggle, the XON/XOFF limits, the
  // event character, a replacement character other than 0) are accepted and have no effect.
  int setLineSettings(const LineSettings& s) override {
    if (fd_ < 0) return EBADF;
    if (s.baudRate == 0 || s.dataBits < 5 || s.dataBits > 8) return EINVAL;
    termios t{};
    if (::tcgetattr(fd_, &t) < 0) return errno;
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;

    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag |= kSizes[s.dataBits - 5];
    switch (s.parity) {
      case prNone:
        break;
      case prOdd:
        t.c_cflag |= PARENB | PARODD;
        break;
      case prEven:
        t.c_cflag |= PARENB;
        break;
      case prMark:
        t.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
      case prSpace:
        t.c_cflag |= PARENB | CMSPAR;
        break;
    }
    if (s.stopBits != sbOneStopBit) t.c_cflag |= CSTOPB;  // 1.5 with 5 data bits on a UART
    t.c_iflag &= ~static_cast<tcflag_t>(INPCK | IGNPAR | PARMRK | IXON | IXOFF | IXANY);
    // Checked parity reads a bad byte as 0, which is the replacement character by default.
    if (s.parityCheck) t.c_iflag |= INPCK;
    if (s.outCtsFlow || s.rts == rtsHandshake) t.c_cflag |= CRTSCTS;
    if (s.xonXoffOut) t.c_iflag |= IXON;
    if (s.xonXoffIn) t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = s.xonChar;
    t.c_cc[VSTOP] = s.xoffChar;

    const speed_t std = standardSpeed(s.baudRate);
    if (std != B0) {
      ::cfsetispeed(&t, std);
      ::cfsetospeed(&t, std);
    }
    if (::tcsetattr(fd_, TCSANOW, &t) < 0) return errno;
    if (std == B0) {
      if (int e = setCustomSpeed(fd_, s.baudRate)) return e;
    }
    if (int e = setModemLine(fd_, TIOCM_DTR, s.dtr != dtrDisable)) return e;
    if (int e = setModemLine(fd_, TIOCM_RTS, s.rts != rtsDisable)) return e;
    return 0;
  }

  int setTimeouts(const TimeoutSettings& t) override {
    if (fd_ < 0) return EBADF;
    timeouts_ = t;
    return 0;
  }

  void setEventMask(TComEvents mask) override { mask_.store(mask.bits()); }

  // poll() on the device and the stop signal's eventfd. POLLIN with bytes waiting reports
  // evRxChar (even beside POLLHUP, so the last bytes before a hang-up are still offered);
  // POLLHUP/POLLERR with nothing to read is the device gone. The stop signal wins over data.
  WaitResult waitEvent(const StopSignal& stop, int timeoutMs, bool watchInput) override {
    WaitResult res;
    if (fd_ < 0) {
      res.error = EBADF;
      return res;
    }
    const bool rx = watchInput && TComEvents::fromBits(mask_.load()).contains(evRxChar);
    pollfd fds[2] = {{fd_, static_cast<short>(rx ? POLLIN : 0), 0}, {stop.fd(), POLLIN, 0}};
    int r = pollRetry(fds, 2, timeoutMs);
    if (r < 0) {
      res.error = errno;
      return res;
    }
    if (fds[1].revents != 0) {
      res.kind = WaitResult::Stopped;
      return res;
    }
    if (r == 0) {
      res.kind = WaitResult::Timeout;
      return res;
    }
    const short ev = fds[0].revents;
    if (ev & POLLNVAL) {
      res.error = EBADF;
      return res;
    }
    if (ev & POLLIN) {
      int n = 0;
      if (::ioctl(fd_, FIONREAD, &n) < 0) n = 0;
      if (n > 0 || !(ev & (POLLHUP | POLLERR))) {
        res.kind = WaitResult::Events;
        res.events.insert(evRxChar);
        res.waiting = n;
        return res;
      }
    }
    if (ev & (POLLHUP | POLLERR)) {
      res.kind = WaitResult::Gone;
      return res;
    }
    res.kind = WaitResult::Timeout;  // woken with nothing of interest
    return res;
  }

  int inputCount(int& count) override {
    count = 0;
    if (fd_ < 0) return EBADF;
    int n = 0;
    if (::ioctl(fd_, FIONREAD, &n) < 0) return errno;
    count = n;
    return 0;
  }

  // TIOCGICOUNT counters compared with the previous call; drivers without them (ptys, many
  // USB adapters) report no errors.
  int lineErrors(TComErrors& errors) override {
    errors = {};
    if (fd_ < 0) return EBADF;
    if (noErrorCounts_) return 0;
    serial_icounter_struct c{};
    if (::ioctl(fd_, TIOCGICOUNT, &c) < 0) {
      noErrorCounts_ = errno == ENOTTY || errno == EINVAL;
      return 0;
    }
    if (haveErrorCounts_) {
      if (c.frame != lastCounts_.frame) errors.insert(ceFrame);
      if (c.parity != lastCounts_.parity) errors.insert(ceRxParity);
      if (c.overrun != lastCounts_.overrun) errors.insert(ceOverrun);
      if (c.brk != lastCounts_.brk) errors.insert(ceBreak);
      if (c.buf_overrun != lastCounts_.buf_overrun) errors.insert(ceRxOver);
    }
    lastCounts_ = c;
    haveErrorCounts_ = true;
    return 0;
  }

  int modemStatus(ModemLines& lines) override {
    lines = {};
    if (fd_ < 0) return EBADF;
    int bits = 0;
    if (::ioctl(fd_, TIOCMGET, &bits) < 0) return noModemLines(errno) ? 0 : errno;
    lines.cts = bits & TIOCM_CTS;
    lines.dsr = bits & TIOCM_DSR;
    lines.ring = bits & TIOCM_RNG;
    lines.rlsd = bits & TIOCM_CAR;
    return 0;
  }

  // The descriptor is non-blocking; the timeouts decide whether and how long to wait with
  // poll(POLLIN) on the monotonic clock:
  //  - interval max, totals 0: return at once with what is there;
  //  - interval max, multiplier max, 0 < constant < max: what is there, else wait up to
  //    the constant for the first byte;
  //  - otherwise: a total limit of multiplier*count+constant (none when both are 0) and an
  //    interval limit between bytes once the first has arrived.
  int read(void* buffer, int count, int& done) override {
    done = 0;
    if (fd_ < 0) return EBADF;
    if (count <= 0) return count < 0 ? EINVAL : 0;
    auto* p = static_cast<unsigned char*>(buffer);
    const TimeoutSettings t = timeouts_;
    constexpr std::uint32_t kMax = TimeoutSettings::kMax;
    const bool immediate =
        t.readInterval == kMax && t.readTotalMultiplier == 0 && t.readTotalConstant == 0;
    const bool firstByteWait = t.readInterval == kMax && t.readTotalMultiplier == kMax &&
                               t.readTotalConstant > 0 && t.readTotalConstant < kMax;
    bool hasTotal = false;
    Clock::time_point totalDeadline{};
    if (firstByteWait) {
      hasTotal = true;
      totalDeadline = Clock::now() + std::chrono::milliseconds(t.readTotalConstant);
    } else if (t.readTotalMultiplier != 0 || t.readTotalConstant != 0) {
      hasTotal = true;
      const std::uint64_t ms =
          std::uint64_t{t.readTotalMultiplier} * static_cast<std::uint64_t>(count) +
          t.readTotalConstant;
      totalDeadline = Clock::now() + std::chrono::milliseconds(
                                         std::min<std::uint64_t>(ms, std::uint64_t{1} << 40));
    }
    const bool hasInterval = t.readInterval != 0 && t.readInterval != kMax;
    Clock::time_point lastByte{};
    for (;;) {
      ssize_t r = ::read(fd_, p + done, static_cast<std::size_t>(count - done));
      if (r > 0) {
        done += static_cast<int>(r);
        lastByte = Clock::now();
        if (done == count || firstByteWait) return 0;
        continue;
      }
      if (r == 0) return 0;  // end of input (hang-up): what arrived is all there is
      if (errno == EINTR) continue;
      if (errno != EAGAIN) return done > 0 ? 0 : errno;
      if (immediate) return 0;
      int wait = -1;
      if (hasTotal) wait = msUntil(totalDeadline);
      if (hasInterval && done > 0) {
        int iw = msUntil(lastByte + std::chrono::milliseconds(t.readInterval));
        wait = wait < 0 ? iw : std::min(wait, iw);
      }
      if (wait == 0) return 0;
      pollfd pfd{fd_, POLLIN, 0};
      int pr = pollRetry(&pfd, 1, wait);
      if (pr < 0) return errno;
      if (pr == 0) return 0;
      // POLLHUP/POLLERR: the next read() reports it (0 or EIO).
    }
  }

  // write() on the non-blocking descriptor; when the line takes no more (EAGAIN) wait with
  // poll(POLLOUT) until the deadline WriteTotalMultiplier*count + WriteTotalConstant ms
  // after the start, then return what was sent.
  int write(const void* buffer, int count, int& done) override {
    done = 0;
    if (fd_ < 0) return EBADF;
    if (count <= 0) return count < 0 ? EINVAL : 0;
    const auto* p = static_cast<const unsigned char*>(buffer);
    const TimeoutSettings t = timeouts_;
    const bool limited = t.writeTotalMultiplier != 0 || t.writeTotalConstant != 0;
    const std::uint64_t ms =
        std::uint64_t{t.writeTotalMultiplier} * static_cast<std::uint64_t>(count) +
        t.writeTotalConstant;
    const auto deadline = Clock::now() + std::chrono::milliseconds(
                                             std::min<std::uint64_t>(ms, std::uint64_t{1} << 40));
    while (done < count) {
      ssize_t r = ::write(fd_, p + done, static_cast<std::size_t>(count - done));
      if (r > 0) {
        done += static_cast<int>(r);
        continue;
      }
      if (r < 0 && errno == EINTR) continue;
      if (r < 0 && errno != EAGAIN) return errno;
      int wait = limited ? msUntil(deadline) : -1;
      if (wait == 0) break;
      pollfd pfd{fd_, POLLOUT, 0};
      int pr = pollRetry(&pfd, 1, wait);
      if (pr < 0) return errno;
      if (pr == 0) break;
      // A hung-up line that cannot take data would otherwise wake this loop until the
      // deadline.
      if ((pfd.revents & (POLLHUP | POLLERR)) && !(pfd.revents & POLLOUT)) return EIO;
    }
    return 0;
  }

  // Transfers here are synchronous calls of the main thread, so there is nothing to abort;
  // discarding the queues is tcflush(TCIOFLUSH).
  int purge(PurgeWhat what) override {
    if (fd_ < 0) return EBADF;
    if (what == PurgeWhat::AbortTransfers) return 0;
    if (::tcflush(fd_, TCIOFLUSH) < 0) return errno;
    return 0;
  }

  // Drops the exclusive mode first: it stays on the tty after the descriptor is gone and
  // would keep every non-root program out of it.
  void close() override {
    if (fd_ < 0) return;
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
  TimeoutSettings timeouts_;
  std::atomic<std::uint16_t> mask_{0};
  serial_icounter_struct lastCounts_{};
  bool haveErrorCounts_ = false;
  bool noErrorCounts_ = false;  // the driver has no TIOCGICOUNT: not asked again until reopened
};

std::string configHome() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return xdg;  // a relative value is ignored, as XDG asks
  const char* home = std::getenv("HOME");
  std::string h = home && home[0] ? home : "";
  if (h.empty()) {
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) h = pw->pw_dir;
  }
  return h + "/.config";
}

}  // namespace

StopSignal::StopSignal() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
}

StopSignal::~StopSignal() {
  if (fd_ >= 0) ::close(fd_);
}

void StopSignal::set() {
  const std::uint64_t one = 1;
  // The counter never overflows here (set is called a handful of times); EINTR cannot
  // happen on a non-blocking eventfd write.
  [[maybe_unused]] ssize_t r = ::write(fd_, &one, sizeof one);
}

bool StopSignal::isSet() const {
  return waitFor(0);
}

bool StopSignal::waitFor(int timeoutMs) const {
  pollfd p{fd_, POLLIN, 0};
  return pollRetry(&p, 1, timeoutMs) > 0 && (p.revents & POLLIN);
}

std::string portLinkFolder() {
  return configHome() + "/Vantorel/ports";
}

std::string resolvePortPath(const std::string& portName, int& error) {
  error = 0;
  if (portName.empty()) {
    error = ENOENT;
    return {};
  }
  if (portName.size() > kMaxPortNameLength) {
    error = ENAMETOOLONG;
    return {};
  }
  if (portName.find('\0') != std::string::npos) {
    error = EINVAL;
    return {};
  }
  if (portName[0] == '/') return portName;
  if (portName.find('/') == std::string::npos && portName != "." && portName != "..") {
    const std::string link = portLinkFolder() + "/" + portName;
    struct stat st {};
    if (::lstat(link.c_str(), &st) == 0) return link;
  }
  if (unsigned n = 0; comNumber(portName, n)) return "/dev/ttyS" + std::to_string(n - 1);
  return "/dev/" + portName;
}

std::string portDevicePath(const std::string& portName) {
  int error = 0;
  std::filesystem::path path = resolvePortPath(portName, error);
  if (path.empty()) return portName;
  for (int hops = 0; hops < 40; ++hops) {  // as many as the system itself follows
    std::error_code ec;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(path, ec))) break;
    const std::filesystem::path target = std::filesystem::read_symlink(path, ec);
    if (ec) break;
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  return path.lexically_normal().string();
}

std::unique_ptr<HostSerial> makePosixSerial() {
  return std::make_unique<PosixSerial>();
}

}  // namespace devlink
