#pragma once
// Shows changes about once per interval: the first change after a quiet spell is shown at
// once, later ones are gathered. A change that comes three quarters of an interval or more
// after the last showing is shown with it; otherwise a timer shows the gathered changes when
// the interval has passed, unless a later change shows them first. So while the instrument
// streams (a frame every 19 ms) every other frame shows the picture, 26 times a second,
// without a timer of its own waking the program in between; no showing ever waits longer
// than the interval. Repainting at 25 Hz looks the same to the eye as at 53 Hz and costs
// well under half the CPU.
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

  // Something changed: show it now or by the end of the interval.
  void request() {
    const qint64 since = shown_.isValid() ? shown_.elapsed() : intervalMs_;
    if (intervalMs_ <= 0 || since >= intervalMs_ * 3 / 4) {
      flush();
    } else if (!timer_.isActive()) {
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
