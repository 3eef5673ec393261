#pragma once
// SIGTERM and SIGHUP (a logout, a shutdown, a closed terminal), and for the logger SIGINT,
// end the program as the user would: the handler only wakes the event loop's thread, which
// then runs `onSignal` there. The previous handlers come back when this object goes.
#include <signal.h>

#include <QObject>
#include <functional>
#include <initializer_list>
#include <memory>

class QSocketNotifier;

namespace qtkit {

class TerminationSignals : public QObject {
 public:
  explicit TerminationSignals(std::function<void(int signal)> onSignal,
                              std::initializer_list<int> signals = {SIGTERM, SIGHUP});
  ~TerminationSignals() override;
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

 private:
  std::function<void(int)> onSignal_;
  std::unique_ptr<QSocketNotifier> notifier_;
  static constexpr int kMaxSignals = 4;
  int signals_[kMaxSignals] = {};
  struct sigaction old_[kMaxSignals] = {};
  int count_ = 0;
};

}  // namespace qtkit
