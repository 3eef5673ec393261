#include "measurement/wykres.h"

#include <algorithm>

#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QResizeEvent>

namespace measurement {

TWykres::TWykres(QWidget* parent, int width, int height)
    : QWidget(parent), model_(width, height), repaint_(this, [this] { showPicture(); }) {
  resize(width, height);
  // The picture covers the whole control: no background erase before painting.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TWykres::defer() {
  if (deferred_) return;
  model_.BeginBatch();
  deferred_ = true;
}

void TWykres::paintPending() const {
  if (!deferred_) return;
  deferred_ = false;
  model_.EndBatch();
}

void TWykres::changed() {
  if (batchDepth_ == 0) repaint_.request();
}

void TWykres::showPicture() {
  paintPending();
  // Only the pixels that changed since the last showing go to the screen: per strip of
  // columns the rows the trace moved in. Neighbouring strips are joined while one rectangle
  // covers little more than the two would, as every rectangle costs a request of its own.
  constexpr int kRectangleCostPixels = 2048;
  model_.TakeChangedStrips(strips_);
  auto area = [](const PixelBox& b) {
    return b.empty() ? 0 : (b.right - b.left) * (b.bottom - b.top);
  };
  QRegion region;
  PixelBox run;
  auto flushRun = [&] {
    if (!run.empty())
      region += QRect(run.left, run.top, run.right - run.left, run.bottom - run.top);
    run = {};
  };
  for (const PixelBox& b : strips_) {
    if (b.empty()) continue;
    PixelBox joined = run;
    joined.add(b);
    if (!run.empty() && area(joined) > area(run) + area(b) + kRectangleCostPixels) flushRun();
    run.add(b);
  }
  flushRun();
  if (!region.isEmpty()) update(region);
}

void TWykres::AddPoint(double value) {
  defer();
  model_.AddPoint(value);
  changed();
}

void TWykres::Clear() {
  defer();
  model_.Clear();
  changed();
}

void TWykres::SetRange(double top, double bottom) {
  defer();
  model_.SetRange(top, bottom);
  changed();
}

void TWykres::Redraw(double top, double bottom) {
  defer();
  model_.Redraw(top, bottom);
  changed();
}

void TWykres::RecalcMinMax() {
  model_.RecalcMinMax();
}

void TWykres::BeginBatch() {
  ++batchDepth_;
}

void TWykres::EndBatch() {
  if (batchDepth_ == 0) return;
  if (--batchDepth_ == 0) changed();
}

QImage TWykres::image() const {
  paintPending();
  const PixelCanvas& c = model_.canvas();
  return QImage(reinterpret_cast<const uchar*>(c.data()), c.width(), c.height(), c.bytesPerLine(),
                QImage::Format_RGB32);
}

const WykresModel& TWykres::model() const {
  paintPending();
  return model_;
}

QSize TWykres::sizeHint() const {
  return {model_.Width(), model_.Height()};
}

void TWykres::paintEvent(QPaintEvent* event) {
  // The canvas as it was last shown (or painted for image()): changes made since then wait
  // for their own showing, so a repaint never mixes two pictures.
  const PixelCanvas& c = model_.canvas();
  const QImage picture(reinterpret_cast<const uchar*>(c.data()), c.width(), c.height(),
                       c.bytesPerLine(), QImage::Format_RGB32);
  QPainter painter(this);
  // In bands of fewer than 96 rows: Qt hands larger blits to its thread pool, and waking
  // those threads 25 times a second costs more than the copy of a few thousand pixels.
  constexpr int kBand = 64;
  for (const QRect& r : event->region()) {
    for (int top = r.top(); top <= r.bottom(); top += kBand) {
      const QRect band(r.left(), top, r.width(), std::min(kBand, r.bottom() + 1 - top));
      painter.drawImage(band.topLeft(), picture, band);
    }
  }
}

void TWykres::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (event->size().width() != model_.Width() || event->size().height() != model_.Height()) {
    defer();
    model_.Resize(event->size().width(), event->size().height());
    // The canvas changed size: the whole control is repainted now, from a finished picture.
    paintPending();
    model_.TakeChangedStrips(strips_);
  }
}

}  // namespace measurement
