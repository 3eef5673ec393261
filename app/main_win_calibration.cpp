// The main window's side of service mode's calibration panel (upload, readback, calibration
// files) and of the result download: the handlers read the controls, run the logic of
// calibration/ and link/ and show what it says.
#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <filesystem>

#include "app/globals.h"
#include "app/main_win.h"
#include "app/pobierz_win.h"
#include "calibration/calibration_file.h"
#include "calibration/calibration_panel.h"
#include "calibration/upload.h"
#include "qtkit/strings.h"
#include "session/session.h"

namespace app {

void TMainWin::setupTransfers() {
  uploadWaitTimer_ = new QTimer(this);
  uploadWaitTimer_->setObjectName("UploadWaitTimer");
  uploadWaitTimer_->setSingleShot(true);
  uploadWaitTimer_->setTimerType(Qt::PreciseTimer);  // never shorter than the instrument needs
  connect(uploadWaitTimer_, &QTimer::timeout, this, [this] { upload_.timerFired(); });
  upload_.write = [this](const std::uint8_t* bytes, int count) {
    return instrument_.write(bytes, count);
  };
  upload_.showMessage = [this](const std::string& text) { dialogs_.message(qtkit::qstr(text)); };
  // The instrument stores the calibration meanwhile; the window goes on handling events.
  upload_.armTimer = [this](int ms) { uploadWaitTimer_->start(ms); };
  upload_.finished = [this](const calibration::UploadOutcome&) { uploadEnded(); };

  calibration::CalibrationPanel& p = *calibrationPanel_;
  readback_.onRunningChanged = [this, &p](bool running) {
    p.setReadbackRunning(running);
    if (running) {
      p.Postep->setValue(1);
      p.Postep->show();
    } else {
      p.Postep->hide();
    }
    setTransferButtons();
  };
  readback_.onProgress = [&p](int position) { p.Postep->setValue(position); };
  readback_.showMessage = [this](const std::string& text) { dialogs_.message(qtkit::qstr(text)); };

  devlink::DownloadView& v = download_.view;
  v.enableMenuItem = [this] { setTransferButtons(); };
  v.chooseFile = [this]() -> std::optional<std::string> {
    const std::optional<QString> file = dialogs_.saveFile(dataFileRequest());
    if (!file) return std::nullopt;
    return file->toStdString();
  };
  v.showMessage = [this](const std::string& text) { dialogs_.message(qtkit::qstr(text)); };
  v.askYesNo = [this](const std::string& text) { return dialogs_.askYesNo(qtkit::qstr(text)); };
  v.resultsWritten = [this](std::size_t count, const std::string& file) {
    const QString text =
        qtkit::qstr(devlink::ResultDownload::ResultsWrittenText(LanguageCode, count, file));
    statusBar_->showMessage(text);
    // Then the connection's own text again, unless something else was said meanwhile.
    QTimer::singleShot(kDownloadNoticeMs, this, [this, text] {
      if (statusBar_->currentMessage() == text) statusBar_->showMessage(connectionStatusText());
    });
  };
}

void TMainWin::attachDownloadWindow(TPobierzWin& window) {
  devlink::DownloadView& v = download_.view;
  v.showLabel = [&window](const std::string& text) { window.setLabel(qtkit::qstr(text)); };
  v.setGaugeMaximum = [&window](int maximum) { window.setGaugeMaximum(maximum); };
  v.setGaugePosition = [&window](int position) { window.setGaugePosition(position); };
  v.showWindow = [&window] { window.showCentred(); };
  v.closeWindow = [&window] { window.hide(); };
  window.onCancel = [this] { download_.cancel(); };
}

// What may be started depends on the connection and on what runs: nothing starts during
// an upload; the upload is off while a readback runs; a download's menu item is off while
// the download runs.
void TMainWin::setTransferButtons() {
  calibration::CalibrationPanel& p = *calibrationPanel_;
  const bool connected = instrument_.connected();
  const bool readback = readback_.running();
  p.Wyslij->setEnabled(connected && !uploadActive_ && !readback);
  p.Odbierz->setEnabled(connected && !uploadActive_);
  p.Power->setEnabled(connected && !uploadActive_ && !readback);
  p.Otworz->setEnabled(!uploadActive_);
  p.Zapisz->setEnabled(!uploadActive_);
  menu_.Pobierzwynikizurzdzenia1->setEnabled(connected && !uploadActive_ && !download_.active());
}

// --- upload ---------------------------------------------------------------------------------

void TMainWin::WyslijClick() {
  if (uploadActive_ || readback_.running()) return;
  uploadActive_ = true;
  setTransferButtons();
  // Frames and messages go out at once; at the wait after "S" this returns and the timer
  // runs the rest.
  upload_.start(calibration::PlanUpload(calibration_, calibrationPanel_->SaveEPROM->isChecked()));
}

void TMainWin::uploadEnded() {
  uploadActive_ = false;
  setTransferButtons();
  calibrationPanel_->Wyslij->setEnabled(!readback_.running());  // enabled at the end in every case
}

void TMainWin::stopUpload() {
  if (!uploadActive_) return;
  upload_.stop();
  uploadWaitTimer_->stop();
  uploadEnded();
}

// --- readback -------------------------------------------------------------------------------

void TMainWin::OdbierzClick() {
  if (uploadActive_) return;
  readback_.OdbierzClick();
}

// --- calibration files ----------------------------------------------------------------------

namespace {
FileDialogRequest calibrationFileRequest() {
  return FileDialogRequest{QString::fromUtf8(calibration::kCalibrationFileFilter),
                           QString::fromUtf8(calibration::kCalibrationFileDefaultExtension),
                           QString(), TMainWin::dataDirectory()};
}
}  // namespace

void TMainWin::ZapiszClick() {
  const std::optional<QString> file = dialogs_.saveFile(calibrationFileRequest());
  if (!file) return;
  if (!calibration::SaveCalibrationFile(std::filesystem::path(file->toStdString()), calibration_))
    dialogs_.message(QString::fromUtf8(calibration::kCalibrationSaveFailedMessage));
}

void TMainWin::OtworzClick() {
  const std::optional<QString> file = dialogs_.openFile(calibrationFileRequest());
  if (!file) return;
  if (!calibration::OpenCalibrationFile(std::filesystem::path(file->toStdString()), calibration_))
    dialogs_.message(QString::fromUtf8(calibration::kCalibrationOpenFailedMessage));
}

// --- result download ------------------------------------------------------------------------

void TMainWin::Pobierzwynikizurzdzenia1Click() {
  if (uploadActive_) return;
  if (download_.start()) setTransferButtons();
}

}  // namespace app
