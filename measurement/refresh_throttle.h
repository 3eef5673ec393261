#pragma once
// Shows changes at most once per interval: the first change after a quiet spell is
// shown at once, later ones are gathered and shown when the interval has passed. The
// instrument can send 53 frames a second; repainting the readout and the chart at
// 25 Hz looks the same to the eye and costs well under half the CPU.
#include <QElapsedTimer>
#include <QTimer>
#include <functional>

namespace measurement {

class RefreshThrottle {
 public:
  // `show` runs on the GUI thread whenever gathered changes are to be shown.
  RefreshThrottle(QObject* owner, std::function<void()> show)
      : timer_(owner), show_(std::move(show)) {
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, owner, [this] { flush(); });
  }

  // 0 shows every change at once.
  void setInterval(int ms) { intervalMs_ = ms; }
  int interval() const { return intervalMs_; }

  // Something changed: show it now or when the interval has passed.
  void request() {
    if (timer_.isActive()) return;
    const qint64 since = shown_.isValid() ? shown_.elapsed() : intervalMs_;
    if (intervalMs_ <= 0 || since >= intervalMs_) {
      flush();
    } else {
      timer_.start(static_cast<int>(intervalMs_ - since));
    }
  }

  // Shows what is gathered now (e.g. before a picture is taken or the window hides).
  void flush() {
    timer_.stop();
    shown_.restart();
    show_();
  }

  bool pending() const { return timer_.isActive(); }

 private:
  QTimer timer_;
  std::function<void()> show_;
  QElapsedTimer shown_;
  int intervalMs_ = 0;
};

}  // namespace measurement
