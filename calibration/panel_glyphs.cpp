#include "calibration/panel_glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

namespace calibration {

namespace {

constexpr int kSize = 16;  // the glyph's design grid, in logical pixels
const QColor kCard(255, 255, 255);
const QColor kFrame(31, 41, 55);
const QColor kArrow(21, 101, 192);

void paintGlyph(QPainter& p, PanelGlyph which) {
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF card(1.5, 1.5, 13, 13);
  QPainterPath outline;
  outline.addRoundedRect(card, 1.5, 1.5);
  p.fillPath(outline, kCard);
  p.save();
  p.setClipPath(outline);
  p.fillRect(QRectF(card.left(), card.top(), card.width(), 3.5), kFrame);
  p.restore();
  p.setPen(QPen(kFrame, 1.0));
  p.drawPath(outline);

  const QPolygonF up{{8.0, 6.0}, {12.5, 12.0}, {3.5, 12.0}};
  const QPolygonF down{{3.5, 6.5}, {12.5, 6.5}, {8.0, 12.5}};
  p.setPen(Qt::NoPen);
  p.setBrush(kArrow);
  p.drawPolygon(which == PanelGlyph::Show ? up : down);
}

}  // namespace

QIcon panelGlyph(PanelGlyph which) {
  QIcon icon;
  // Drawn for ordinary and for doubled screens; the style greys the disabled look itself.
  for (const qreal ratio : {1.0, 1.5, 2.0}) {
    QPixmap pixmap(QSize(kSize, kSize) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    paintGlyph(p, which);
    p.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace calibration
