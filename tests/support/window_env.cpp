#include "tests/support/window_env.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <QFile>
#include <QTest>
#include <chrono>
#include <stdexcept>

#include "app/globals.h"
#include "measurement/formatting.h"
#include "qtkit/settings_file.h"

namespace testutil {

WindowEnv::StateHome::StateHome(const QString& path) : saved(qgetenv("XDG_STATE_HOME")) {
  qputenv("XDG_STATE_HOME", path.toLocal8Bit());
}

WindowEnv::StateHome::~StateHome() {
  qputenv("XDG_STATE_HOME", saved);
}

WindowEnv::WindowEnv()
    : store((dir.path() + QStringLiteral("/halvex22.json")).toStdString(),
            qtkit::settingsFileReader()) {
  app::LanguageCode.clear();
  app::FirstRunEntry = false;
}

WindowEnv::~WindowEnv() {
  win.reset();
  app::LanguageCode.clear();
  app::FirstRunEntry = false;
}

bool WindowEnv::start(std::optional<std::string> lng, std::optional<std::string> comPort, bool afterSplash) {
  if (lng) store.writeString(qtkit::keys::kProduct, qtkit::keys::kLng, *lng);
  if (comPort) store.writeString(qtkit::keys::kProduct, qtkit::keys::kComPort, *comPort);
  win = makeWindow();
  const bool created = win->FormCreate();
  if (created && afterSplash) win->setEnabled(true);
  return created;
}

Pty::Pty() {
  master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
    throw std::runtime_error("no pseudo-terminal");
  slave = QString::fromLocal8Bit(::ptsname(master));
  ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
}

Pty::~Pty() {
  if (master >= 0) ::close(master);
}

void Pty::write(const std::vector<std::uint8_t>& bytes) const {
  if (::write(master, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
    throw std::runtime_error("pty write");
}

std::vector<std::uint8_t> Pty::read(std::size_t count, int timeoutMs) const {
  std::vector<std::uint8_t> out;
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (out.size() < count) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          until - std::chrono::steady_clock::now())
                          .count();
    pollfd p{master, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(std::max<long long>(left, 0))) > 0) {
      std::uint8_t buf[256];
      const ssize_t n = ::read(master, buf, std::min<std::size_t>(sizeof buf, count - out.size()));
      if (n > 0) out.insert(out.end(), buf, buf + n);
    }
    if (left <= 0) break;
  }
  return out;
}

std::vector<std::uint8_t> Pty::readProcessingEvents(std::size_t count, int timeoutMs) const {
  std::vector<std::uint8_t> out;
  (void)QTest::qWaitFor(
      [&] {
        const std::vector<std::uint8_t> more = read(count - out.size(), 0);
        out.insert(out.end(), more.begin(), more.end());
        return out.size() >= count;
      },
      timeoutMs);
  return out;
}

void Pty::drain() const {
  std::uint8_t buf[256];
  while (::read(master, buf, sizeof buf) > 0) {
  }
}

std::vector<std::uint8_t> frame(std::int16_t value, std::uint8_t range, std::uint8_t unit,
                                std::uint8_t axis, std::uint8_t mode, std::int16_t temperature,
                                std::uint8_t statusA, std::uint8_t statusB,
                                std::array<std::int16_t, 3> xyz) {
  auto lo = [](std::int16_t v) {
    return static_cast<std::uint8_t>(static_cast<std::uint16_t>(v) & 0xFF);
  };
  auto hi = [](std::int16_t v) {
    return static_cast<std::uint8_t>(static_cast<std::uint16_t>(v) >> 8);
  };
  return {0xAA,       0x55,       statusA,         statusB,         mode,       axis,
          range,      unit,       lo(temperature), hi(temperature), lo(value),  hi(value),
          lo(xyz[0]), hi(xyz[0]), lo(xyz[1]),      hi(xyz[1]),      lo(xyz[2]), hi(xyz[2])};
}

std::vector<std::string> fileLines(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  const std::string all = f.readAll().toStdString();
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < all.size()) {
    const std::size_t end = all.find("\r\n", pos);
    if (end == std::string::npos) {
      lines.push_back(all.substr(pos) + "<no CR LF>");
      break;
    }
    lines.push_back(all.substr(pos, end - pos));
    pos = end + 2;
  }
  return lines;
}

void writeDataFile(const QString& path, int count) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write test file");
  for (int i = 1; i <= count; ++i) f.write((measurement::FormatLine(0, i) + "\r\n").c_str());
}

}  // namespace testutil
