#include "measurement/wykres.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

namespace measurement {

TWykres::TWykres(QWidget* parent, int width, int height)
    : QWidget(parent), model_(width, height), repaint_(this, [this] { update(); }) {
  resize(width, height);
  // The picture covers the whole control: no background erase before painting.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TWykres::changed() {
  // Only a finished picture is worth showing; batched steps paint nothing yet.
  if (model_.paintCount() != shownPaintCount_) {
    shownPaintCount_ = model_.paintCount();
    repaint_.request();
  }
}

void TWykres::AddPoint(double value) {
  model_.AddPoint(value);
  changed();
}

void TWykres::Clear() {
  model_.Clear();
  changed();
}

void TWykres::SetRange(double top, double bottom) {
  model_.SetRange(top, bottom);
  changed();
}

void TWykres::Redraw(double top, double bottom) {
  model_.Redraw(top, bottom);
  changed();
}

void TWykres::RecalcMinMax() {
  model_.RecalcMinMax();
}

void TWykres::BeginBatch() {
  model_.BeginBatch();
}

void TWykres::EndBatch() {
  model_.EndBatch();
  changed();
}

QImage TWykres::image() const {
  const PixelCanvas& c = model_.canvas();
  return QImage(reinterpret_cast<const uchar*>(c.data()), c.width(), c.height(), c.bytesPerLine(),
                QImage::Format_RGB32);
}

QSize TWykres::sizeHint() const {
  return {model_.Width(), model_.Height()};
}

void TWykres::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QImage picture = image();
  const QRect r = event->rect();
  painter.drawImage(r.topLeft(), picture, r);
}

void TWykres::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (event->size().width() != model_.Width() || event->size().height() != model_.Height()) {
    model_.Resize(event->size().width(), event->size().height());
    changed();
  }
}

}  // namespace measurement
