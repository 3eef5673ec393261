#pragma once
// Binds the serial port's hand-over queue to the Qt event loop: every job the port's
// event thread pushes is run on the GUI thread by a queued call.
class QObject;
namespace devlink {
class DeliveryQueue;
}

namespace app {
// `context` must outlive the open port (the main window owns both); queued calls
// that are still pending when it is destroyed are dropped by Qt.
void attachDeliveryQueue(devlink::DeliveryQueue& queue, QObject* context);
}  // namespace app
