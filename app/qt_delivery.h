#pragma once
// Binds the serial port's hand-over queue to the Qt event loop: the port's event thread
// wakes the GUI thread through an eventfd watched by a QSocketNotifier, which drains the
// queue. No allocation and no posted event per delivery.
class QObject;
namespace devlink {
class DeliveryQueue;
}

namespace app {
// The notifier is a child of `context`, which must outlive the open port (the main window
// owns both). The eventfd lives as long as either the notifier or the queue's wake needs it,
// so a wake after `context` is gone writes harmlessly into a descriptor nobody reads.
// Returns false (and leaves the queue without wake) when no eventfd can be made; Close
// then still runs what is pending.
bool attachDeliveryQueue(devlink::DeliveryQueue& queue, QObject* context);
}  // namespace app
