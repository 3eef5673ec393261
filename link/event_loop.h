#pragma once
// What the instrument session needs of the program's event loop, without naming a toolkit:
// timers that call back on the loop's thread, and a wake for the serial port's hand-over
// queue. The windows and the logger give the Qt loop (qtkit/qt_event_loop.h); tests may give
// their own.
#include <functional>
#include <memory>

namespace devlink {

class DeliveryQueue;

class Timer {
 public:
  virtual ~Timer() = default;
  // (Re)starts the timer: it fires `ms` milliseconds from now (a repeating one every `ms`).
  virtual void start(int ms) = 0;
  virtual void stop() = 0;
  virtual bool active() const = 0;
};

class EventLoop {
 public:
  enum class TimerKind {
    Repeating,
    SingleShot,
    // Single shot timed to the millisecond: guard and quiet times are a few reply lengths,
    // and a coarse timer could run 5 % short.
    PreciseSingleShot,
  };
  virtual ~EventLoop() = default;
  // `onTimeout` runs on the loop's thread; the timer never fires once destroyed.
  virtual std::unique_ptr<Timer> makeTimer(TimerKind kind, std::function<void()> onTimeout) = 0;
  // Makes the queue's jobs run on the loop's thread. False when that cannot be arranged.
  virtual bool attach(DeliveryQueue& queue) = 0;
};

}  // namespace devlink
