#pragma once
// Binds a hand-over queue of another thread to the Qt event loop: the other thread wakes
// the GUI thread through an eventfd watched by a QSocketNotifier, which drains the queue. No
// allocation and no posted event per delivery.
#include <functional>
#include <utility>

class QObject;

namespace qtkit {

// A wake that makes `drain` run on the thread of `context` when its event loop runs (also
// inside a nested loop). The notifier is a child of `context`; the eventfd lives as long as
// either the notifier or the returned wake needs it, so a wake after `context` is gone writes
// harmlessly into a descriptor nobody reads. Empty when no eventfd can be made.
std::function<void()> guiThreadWake(QObject* context, std::function<void()> drain);

// A queue with setWake(std::function<void()>) and drain() (the serial port's hand-over
// queue): its wake runs drain() on the GUI thread. `context` must outlive the open port (the
// main window owns both). Returns false (and leaves the queue without wake) when no eventfd
// can be made; Close then still runs what is pending.
template <class Queue>
bool attachDeliveryQueue(Queue& queue, QObject* context) {
  std::function<void()> wake = guiThreadWake(context, [&queue] { queue.drain(); });
  const bool attached = static_cast<bool>(wake);
  queue.setWake(std::move(wake));
  return attached;
}

}  // namespace qtkit
