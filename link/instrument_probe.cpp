#include "link/instrument_probe.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <thread>

#include "link/frame_receiver.h"
#include "link/host_serial.h"

namespace devlink {
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kFrame = 18;

bool frameAt(const std::vector<unsigned char>& b, std::size_t at) {
  return at + kFrame <= b.size() && b[at] == 0xAA && b[at + 1] == 0x55 &&
         IsWellFormedMeasurementFrame(b.data() + at);
}

std::string firstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  if (in) std::getline(in, line);
  return line;
}

}  // namespace

bool holdsTwoConsecutiveFrames(const std::vector<unsigned char>& bytes) {
  for (std::size_t at = 0; at + 2 * kFrame <= bytes.size(); ++at)
    if (frameAt(bytes, at) && frameAt(bytes, at + kFrame)) return true;
  return false;
}

ProbeOutcome probeInstrument(const std::string& devicePath, int listenMs) {
  const int fd = ::open(devicePath.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return ProbeOutcome::CannotOpen;
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  if (!::isatty(fd)) return ProbeOutcome::CannotOpen;
  // The port object holds its line with an exclusive lock; a shared one fails while it does.
  if (::flock(fd, LOCK_SH | LOCK_NB) != 0)
    return errno == EWOULDBLOCK ? ProbeOutcome::Busy : ProbeOutcome::CannotOpen;
  termios saved{};
  if (::tcgetattr(fd, &saved) != 0) return ProbeOutcome::CannotOpen;
  termios raw = saved;
  ::cfmakeraw(&raw);
  raw.c_cflag = (raw.c_cflag & ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS)) |
                CS8 | CLOCAL | CREAD;
  raw.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  raw.c_cc[VMIN] = 0;
  raw.c_cc[VTIME] = 0;
  ::cfsetispeed(&raw, B9600);
  ::cfsetospeed(&raw, B9600);
  ::tcsetattr(fd, TCSANOW, &raw);

  std::vector<unsigned char> bytes;
  ProbeOutcome outcome = ProbeOutcome::NoInstrument;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(listenMs);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) break;
    pollfd p{fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    unsigned char block[512];
    const ssize_t got = ::read(fd, block, sizeof block);
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (got <= 0) {
      // A line with its other end gone (a pty nobody holds) reads as hung up.
      if (p.revents & (POLLHUP | POLLERR)) std::this_thread::sleep_for(std::chrono::milliseconds(20));
      continue;
    }
    bytes.insert(bytes.end(), block, block + got);
    if (holdsTwoConsecutiveFrames(bytes)) {
      outcome = ProbeOutcome::Instrument;
      break;
    }
    if (bytes.size() > 4096) bytes.erase(bytes.begin(), bytes.end() - 2 * kFrame);
  }
  ::tcsetattr(fd, TCSANOW, &saved);
  return outcome;
}

std::vector<ProbeResult> probeAll(const std::vector<std::string>& devices, int listenMs) {
  std::vector<ProbeResult> results(devices.size());
  std::vector<std::thread> threads;
  threads.reserve(devices.size());
  for (std::size_t i = 0; i < devices.size(); ++i) {
    results[i].device = devices[i];
    threads.emplace_back([&results, i, listenMs] {
      results[i].outcome = probeInstrument(results[i].device, listenMs);
    });
  }
  for (std::thread& t : threads) t.join();
  return results;
}

std::vector<std::string> serialDevices(const std::string& sysfsRoot, const std::string& devRoot) {
  std::vector<std::string> found;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(fs::path(sysfsRoot) / "class" / "tty", ec)) {
    const std::string name = e.path().filename().string();
    if (!fs::exists(e.path() / "device", ec)) continue;  // virtual terminals, ptys
    if (name.rfind("ttyS", 0) == 0) {
      const std::string type = firstLine(e.path() / "type");
      const std::string port = firstLine(e.path() / "port");
      if (type == "0" || port == "0" || port == "0x0") continue;
    }
    const fs::path node = fs::path(devRoot) / name;
    if (fs::exists(node, ec)) found.push_back(node.string());
  }
  std::sort(found.begin(), found.end());
  return found;
}

bool linkPortName(const std::string& portName, const std::string& device, std::string& error) {
  if (portName.empty() || portName.find('/') != std::string::npos || portName == "." ||
      portName == "..") {
    error = "not a port name: " + portName;
    return false;
  }
  const fs::path folder = portLinkFolder();
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) {
    error = folder.string() + ": " + ec.message();
    return false;
  }
  // Made under a temporary name and renamed over the old link, so the name never leads
  // nowhere in between.
  const fs::path link = folder / portName;
  const fs::path temporary = folder / ("." + portName + ".new");
  fs::remove(temporary, ec);
  fs::create_symlink(device, temporary, ec);
  if (!ec) fs::rename(temporary, link, ec);
  if (ec) {
    fs::remove(temporary, ec);
    error = link.string() + ": " + ec.message();
    return false;
  }
  return true;
}

}  // namespace devlink
