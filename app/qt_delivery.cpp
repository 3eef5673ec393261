#include "app/qt_delivery.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QObject>
#include <QSocketNotifier>
#include <cstdint>
#include <memory>

#include "link/delivery_queue.h"

namespace app {

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

bool attachDeliveryQueue(devlink::DeliveryQueue& queue, QObject* context) {
  auto wakeFd = std::make_shared<WakeFd>();
  if (wakeFd->fd < 0) {
    queue.setWake(nullptr);
    return false;
  }
  auto* notifier = new QSocketNotifier(wakeFd->fd, QSocketNotifier::Read, context);
  QObject::connect(notifier, &QSocketNotifier::activated, notifier, [&queue, wakeFd] {
    // Reset the counter first: a wake that comes while draining leaves it readable again.
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t r = ::read(wakeFd->fd, &count, sizeof count);
    queue.drain();
  });
  queue.setWake([wakeFd] {
    const std::uint64_t one = 1;
    // Non-blocking: the counter cannot overflow here, and a failed write only leaves the
    // job for the next drain.
    [[maybe_unused]] const ssize_t r = ::write(wakeFd->fd, &one, sizeof one);
  });
  return true;
}

}  // namespace app
