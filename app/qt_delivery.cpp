#include "app/qt_delivery.h"

#include <QMetaObject>
#include <QObject>

#include "link/delivery_queue.h"

namespace app {

void attachDeliveryQueue(devlink::DeliveryQueue& queue, QObject* context) {
  queue.setWake([&queue, context] {
    QMetaObject::invokeMethod(context, [&queue] { queue.drain(); }, Qt::QueuedConnection);
  });
}

}  // namespace app
