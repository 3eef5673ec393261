#include "app/pobierz_win.h"

#include <QGuiApplication>
#include <QHideEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <algorithm>

#include "link/result_download.h"
#include "link/state_timer.h"

namespace app {

TPobierzWin::TPobierzWin(QWidget* mainWindow)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                           Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint),
      mainWindow_(mainWindow) {
  setObjectName(QStringLiteral("PobierzWin"));
  setWindowTitle(QString::fromUtf8(kPobierzCaption));
  setFixedSize(kClientWidth, kClientHeight);
  setModal(false);
  // The form's type: 8 points at 96 dpi.
  QFont f = font();
  f.setPixelSize(kFontPixels);
  setFont(f);

  Label1 = new QLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->move(8, 8);
  setLabel(QString::fromUtf8(devlink::kDownloadLabelText));

  Gauge1 = new QProgressBar(this);
  Gauge1->setObjectName(QStringLiteral("Gauge1"));
  Gauge1->setGeometry(8, 32, 193, 20);
  Gauge1->setRange(devlink::ResultDownload::kGaugeRest,
                   devlink::ResultDownload::kGaugeInitialMaximum);
  Gauge1->setValue(devlink::ResultDownload::kGaugeRest);

  Anuluj = new QPushButton(QString::fromUtf8(kAnulujCaption), this);
  Anuluj->setObjectName(QStringLiteral("Anuluj"));
  Anuluj->setGeometry(72, 64, 75, 25);
  Anuluj->setAutoDefault(false);
  connect(Anuluj, &QPushButton::clicked, this, [this] { AnulujClick(); });
}

void TPobierzWin::AnulujClick() {
  if (onCancel) onCancel();
  if (isVisible()) hide();
}

void TPobierzWin::reject() {
  AnulujClick();
}

void TPobierzWin::setLabel(const QString& text) {
  Label1->setText(text);
  Label1->adjustSize();
}

void TPobierzWin::setGaugeMaximum(int maximum) {
  // QProgressBar would lower its minimum to a smaller maximum.
  if (maximum < Gauge1->minimum()) return;
  Gauge1->setMaximum(maximum);
}

void TPobierzWin::setGaugePosition(int position) {
  Gauge1->setValue(std::clamp(position, Gauge1->minimum(), Gauge1->maximum()));
}

void TPobierzWin::showCentred() {
  ensurePolished();
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect r = frameGeometry();
    r.moveCenter(screen->availableGeometry().center());
    move(r.topLeft());
  }
  show();
  raise();
}

// Spontaneous show and hide events come from the window system (minimising, restoring);
// the transfer is still running then, so the main window stays as it is.
void TPobierzWin::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous() && mainWindow_) mainWindow_->setEnabled(false);
}

void TPobierzWin::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  if (!event->spontaneous() && mainWindow_) mainWindow_->setEnabled(true);
}

}  // namespace app
