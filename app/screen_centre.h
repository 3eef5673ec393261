#pragma once
// Placing the small lasting windows: centred on the screen each time they are shown.
#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

namespace app {

// Shows `window` centred on the primary screen's free area and brings it to the front.
inline void showCentredOnScreen(QWidget* window) {
  window->ensurePolished();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect r = window->frameGeometry();
    r.moveCenter(screen->availableGeometry().center());
    window->move(r.topLeft());
  }
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace app
