#pragma once
// The instrument session's timers and port hand-over on the Qt event loop (Qt Core only:
// the windows and the logger use the same).
#include "link/event_loop.h"

class QObject;

namespace qtkit {

class QtEventLoop : public devlink::EventLoop {
 public:
  // Timers and the wake are children of `context`, which must outlive the session.
  explicit QtEventLoop(QObject* context) : context_(context) {}
  std::unique_ptr<devlink::Timer> makeTimer(TimerKind kind,
                                            std::function<void()> onTimeout) override;
  bool attach(devlink::DeliveryQueue& queue) override;

 private:
  QObject* context_;
};

}  // namespace qtkit
