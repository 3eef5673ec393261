#pragma once
// The set-up the two print windows share (the report window TRaport_Win and the calibration
// card window TPrintDataWin): a fixed-size dialog of the main window, destroyed when closed,
// whose print button also offers the preview in its context menu, that disables the main
// window while it is open and shows itself centred. The printing itself is
// qtkit::printFromWindow. Header-only.
#include <QAction>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QString>
#include <QWidget>

namespace qtkit {

// The print windows' window flags: a dialog of fixed size with a title and a close button.
inline Qt::WindowFlags printWindowFlags() {
  return Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
         Qt::WindowCloseButtonHint;
}

// Named `name`, destroyed when closed, `width` × `height` and not resizable.
inline void setUpPrintWindow(QWidget* window, const char* name, int width, int height) {
  window->setObjectName(QString::fromLatin1(name));
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setFixedSize(width, height);
}

// The print button's second way, "Podgldwydruku1": an item of its context menu that shows the
// preview. The caller connects it.
inline QAction* addPreviewAction(QPushButton* printButton, const QString& caption = QString()) {
  auto* preview = new QAction(caption, printButton);
  preview->setObjectName(QStringLiteral("Podgldwydruku1"));
  printButton->addAction(preview);
  printButton->setContextMenuPolicy(Qt::ActionsContextMenu);
  return preview;
}

// FormCreate's part: the main window is disabled while the print window is open; the print
// window, a child of it, is disabled with it and so is enabled again.
inline void holdMainWindow(QWidget* window, QWidget* mainWindow) {
  if (mainWindow != nullptr) mainWindow->setEnabled(false);
  window->setEnabled(true);
}

// FormClose's part: the main window is usable again.
inline void releaseMainWindow(QWidget* mainWindow) {
  if (mainWindow != nullptr) mainWindow->setEnabled(true);
}

// The end of the constructor: centred on the primary screen's free area, then shown.
inline void showPrintWindow(QWidget* window) {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    window->move(screen->availableGeometry().center() - window->rect().center());
  }
  window->show();
}

}  // namespace qtkit
