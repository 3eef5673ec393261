#include "qtkit/qt_event_loop.h"

#include <QTimer>
#include <utility>

#include "link/delivery_queue.h"
#include "qtkit/qt_delivery.h"

namespace qtkit {

namespace {

class QtTimer : public devlink::Timer {
 public:
  QtTimer(QObject* context, devlink::EventLoop::TimerKind kind, std::function<void()> onTimeout)
      : timer_(new QTimer(context)) {
    using Kind = devlink::EventLoop::TimerKind;
    timer_->setSingleShot(kind != Kind::Repeating);
    if (kind == Kind::PreciseSingleShot) timer_->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer_, &QTimer::timeout, timer_, std::move(onTimeout));
  }
  ~QtTimer() override { delete timer_; }
  QtTimer(const QtTimer&) = delete;
  QtTimer& operator=(const QtTimer&) = delete;

  void start(int ms) override { timer_->start(ms); }
  void stop() override { timer_->stop(); }
  bool active() const override { return timer_->isActive(); }

 private:
  QTimer* timer_;
};

}  // namespace

std::unique_ptr<devlink::Timer> QtEventLoop::makeTimer(TimerKind kind,
                                                       std::function<void()> onTimeout) {
  return std::make_unique<QtTimer>(context_, kind, std::move(onTimeout));
}

bool QtEventLoop::attach(devlink::DeliveryQueue& queue) {
  return attachDeliveryQueue(queue, context_);
}

}  // namespace qtkit
