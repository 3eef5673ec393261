#include "qtkit/termination_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>

namespace qtkit {

namespace {

// One program, one set of handlers: the pipe the handler writes the signal number to.
int gPipe[2] = {-1, -1};

void onSignal(int sig) {
  const int saved = errno;
  const unsigned char byte = static_cast<unsigned char>(sig);
  [[maybe_unused]] const ssize_t n = ::write(gPipe[1], &byte, 1);
  errno = saved;
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void(int)> onSignalFn,
                                       std::initializer_list<int> signals)
    : onSignal_(std::move(onSignalFn)) {
  if (gPipe[0] >= 0 || ::pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  notifier_ = std::make_unique<QSocketNotifier>(gPipe[0], QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
    unsigned char byte = 0;
    int last = 0;
    while (::read(gPipe[0], &byte, 1) == 1) last = byte;
    if (last != 0 && onSignal_) onSignal_(last);
  });
  struct sigaction sa {};
  sa.sa_handler = onSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (const int sig : signals) {
    if (count_ == kMaxSignals) break;
    signals_[count_] = sig;
    sigaction(sig, &sa, &old_[count_]);
    ++count_;
  }
}

TerminationSignals::~TerminationSignals() {
  if (!notifier_) return;
  for (int i = 0; i < count_; ++i) sigaction(signals_[i], &old_[i], nullptr);
  notifier_.reset();
  ::close(gPipe[0]);
  ::close(gPipe[1]);
  gPipe[0] = gPipe[1] = -1;
}

}  // namespace qtkit
