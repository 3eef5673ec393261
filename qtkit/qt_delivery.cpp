#include "qtkit/qt_delivery.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QObject>
#include <QSocketNotifier>
#include <cstdint>
#include <memory>
#include <utility>

namespace qtkit {

namespace {

// The descriptor, closed when the last of its users (notifier, wake callback) is gone.
struct WakeFd {
  int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  ~WakeFd() {
    if (fd >= 0) ::close(fd);
  }
  WakeFd() = default;
  WakeFd(const WakeFd&) = delete;
  WakeFd& operator=(const WakeFd&) = delete;
};

}  // namespace

std::function<void()> guiThreadWake(QObject* context, std::function<void()> drain) {
  auto wakeFd = std::make_shared<WakeFd>();
  if (wakeFd->fd < 0) return {};
  auto* notifier = new QSocketNotifier(wakeFd->fd, QSocketNotifier::Read, context);
  QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                   [drain = std::move(drain), wakeFd] {
                     // Reset the counter first: a wake that comes while draining leaves it
                     // readable again.
                     std::uint64_t count = 0;
                     [[maybe_unused]] const ssize_t r = ::read(wakeFd->fd, &count, sizeof count);
                     drain();
                   });
  return [wakeFd] {
    const std::uint64_t one = 1;
    // Non-blocking: the counter cannot overflow here, and a failed write only leaves the
    // job for the next drain.
    [[maybe_unused]] const ssize_t r = ::write(wakeFd->fd, &one, sizeof one);
  };
}

}  // namespace qtkit
