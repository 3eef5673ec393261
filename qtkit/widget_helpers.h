#pragma once
// Small helpers that lay out the fixed-position controls of the program's windows: each
// control gets its form name as object name and its geometry in client pixels.
#include <QFont>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QStyle>
#include <QToolButton>

namespace qtkit {

inline QFont pixelFont(const QFont& base, int pixels, bool bold = false) {
  QFont f = base;
  f.setPixelSize(pixels);
  f.setBold(bold);
  return f;
}

template <class W>
W* named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

inline QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int x, int y,
                         int w, int h, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
  auto* label = named(new QLabel(text, parent), name);
  label->setGeometry(x, y, w, h);
  label->setAlignment(align);
  return label;
}

// A raised panel of the main window.
inline void makePanel(QFrame* panel, const char* name, int x, int y, int w, int h) {
  named(panel, name);
  panel->setGeometry(x, y, w, h);
  panel->setFrameShape(QFrame::StyledPanel);
  panel->setFrameShadow(QFrame::Raised);
}

// A flat 25 × 25 picture button (the form's speed buttons).
inline QToolButton* makeSpeedButton(QWidget* parent, const char* name, const QIcon& icon, int x,
                                    int y, int iconSize = 16) {
  auto* button = named(new QToolButton(parent), name);
  button->setGeometry(x, y, 25, 25);
  button->setAutoRaise(true);
  button->setIcon(icon);
  button->setIconSize(QSize(iconSize, iconSize));
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}
inline QToolButton* makeSpeedButton(QWidget* parent, const char* name, QStyle::StandardPixmap icon,
                                    int x, int y) {
  return makeSpeedButton(parent, name, parent->style()->standardIcon(icon), x, y);
}

// The caption colour of a label as 0xRRGGBB, and setting it (no repaint when unchanged).
inline std::uint32_t labelColour(const QLabel* label) {
  return label->palette().color(QPalette::WindowText).rgb() & 0xFFFFFFu;
}
inline void setLabelColour(QLabel* label, std::uint32_t rgb) {
  QPalette p = label->palette();
  const QColor colour(QRgb(0xFF000000u | rgb));
  if (p.color(QPalette::WindowText) == colour) return;
  p.setColor(QPalette::WindowText, colour);
  label->setPalette(p);
}

}  // namespace qtkit

#include <QCheckBox>
#include <QFontMetrics>
#include <QPushButton>
#include <algorithm>

namespace qtkit {

// Some languages' captions are longer than their buttons: the type gets smaller until the
// caption fits (down to a readable minimum).
inline void fitButtonCaption(QPushButton* b, const QFont& base, int pixels = 12) {
  const int room = b->width() - 10 - (b->icon().isNull() ? 0 : b->iconSize().width() + 4);
  QFont f = pixelFont(base, pixels);
  while (pixels > 9 && QFontMetrics(f).horizontalAdvance(b->text()) > room)
    f.setPixelSize(--pixels);
  if (b->font() != f) b->setFont(f);
}

// A check box as wide as its caption, at most `room` pixels from where it stands: a caption
// longer than that gets smaller type (down to the same readable minimum).
inline void fitCheckBoxCaption(QCheckBox* box, const QFont& base, int room, int pixels = 12) {
  QFont f = pixelFont(base, pixels);
  box->setFont(f);
  while (pixels > 9 && box->sizeHint().width() > room) {
    f.setPixelSize(--pixels);
    box->setFont(f);
  }
  box->resize(std::min(box->sizeHint().width(), room), box->height());
}

}  // namespace qtkit
