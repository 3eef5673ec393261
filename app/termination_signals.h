#pragma once
// SIGTERM and SIGHUP (a logout, a shutdown, a closed terminal) end the program as the user
// would: the handler only wakes the GUI thread, which then runs `onSignal` there. The
// previous handlers come back when this object goes.
#include <QObject>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace app {

class TerminationSignals : public QObject {
 public:
  explicit TerminationSignals(std::function<void(int signal)> onSignal);
  ~TerminationSignals() override;
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

 private:
  std::function<void(int)> onSignal_;
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace app
