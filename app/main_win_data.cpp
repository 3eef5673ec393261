// The main window's live readout, processing options, chart controls, recording and replay.
#include <QAction>
#include <QAbstractButton>
#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QStandardPaths>
#include <QTimer>
#include <QToolButton>
#include <charconv>
#include <chrono>
#include <cstring>
#include <filesystem>

#include "app/chart_controls.h"
#include "app/globals.h"
#include "app/main_win.h"
#include "app/readout_panel.h"
#include "app/side_panels.h"
#include "calibration/calibration_panel.h"
#include "measurement/user_number.h"
#include "measurement/wykres.h"
#include "qtkit/strings.h"

namespace app {

namespace {

// A real number typed by the user: the value of its valid leading part, and whether the
// whole text is that number.
measurement::UserNumber parseUserReal(const QString& input) {
  return measurement::parseUserNumber(input.toStdString());
}

}  // namespace

QString TMainWin::dataDirectory() {
  QString base = QProcessEnvironment::systemEnvironment().value(QStringLiteral("XDG_DATA_HOME"));
  if (base.isEmpty() || !QDir::isAbsolutePath(base))
    base = QDir::homePath() + QStringLiteral("/.local/share");
  return QDir::cleanPath(base + QStringLiteral("/Vantorel/Halvex"));
}

FileDialogRequest TMainWin::dataFileRequest() const {
  const QString dir = dataDirectory();
  QDir().mkpath(dir);  // the dialog then opens there; when it cannot be made, it opens elsewhere
  return FileDialogRequest{QString::fromUtf8(kDataFileFilter),
                           QString::fromUtf8(kDataFileExtension), QString(), dir};
}

// --- live readout -------------------------------------------------------------------------

void TMainWin::measurementFrame(const std::uint8_t* frame18) {
  live_.frame(frame18, std::chrono::system_clock::now());
}

void TMainWin::sample(const measurement::Sample& s) {
  const measurement::DisplayUpdate& update = s.display;
  // The threshold override's "Blad!" is an input of the next frame: shown at once.
  if (update.TempProg.changed)
    calibrationPanel_->TempProg->setText(qtkit::qstr(update.TempProg.view()));
  measurement::MergeDisplayUpdate(gathered_, update);
  readoutRefresh_->request();
  if (s.chartValue) chart_->Wykres1->AddPoint(*s.chartValue);
}

// Each input of the processing follows its control, and is set once now.
void TMainWin::bindLiveInputs() {
  measurement::ProcessorInputs& in = live_.inputs();
  auto follow = [this](QAbstractButton* box, bool measurement::ProcessorInputs::*field) {
    live_.inputs().*field = box->isChecked();
    connect(box, &QAbstractButton::toggled, this,
            [this, field](bool on) { live_.inputs().*field = on; });
  };
  follow(filter_->filtr, &measurement::ProcessorInputs::filtr);
  follow(statistics_->Dane, &measurement::ProcessorInputs::dane);
  follow(calibrationPanel_->FTovik, &measurement::ProcessorInputs::ftovik);
  follow(calibrationPanel_->ProgWlacz, &measurement::ProcessorInputs::progWlacz);
  follow(chart_->Wstrzymaj, &measurement::ProcessorInputs::wstrzymaj);
  in.liveView = menu_.Danezurzdzenia1->isChecked();
  connect(menu_.Danezurzdzenia1, &QAction::toggled, this,
          [this](bool on) { live_.inputs().liveView = on; });
  live_.setThresholdText(calibrationPanel_->TempProg->text().toStdString());
  connect(calibrationPanel_->TempProg, &QLineEdit::textChanged, this,
          [this](const QString& text) { live_.setThresholdText(text.toStdString()); });
  live_.setVectorWord(caption(caption::kVector).toStdString());
  live_.setRecording(recordingActive_);

  // "Zapisuj tylko pierwszy ekran." limits either recording.
  auto firstScreen = [this](bool on) {
    lineSink_.firstScreenOnly = on;
    csvSink_.firstScreenOnly = on;
  };
  firstScreen(calibrationPanel_->OstatniEkran->isChecked());
  connect(calibrationPanel_->OstatniEkran, &QAbstractButton::toggled, this, firstScreen);
  lineSink_.onFull = [this] { ZakonczClick(); };
  csvSink_.onFull = [this] { ZakonczClick(); };
}

void TMainWin::showGatheredReadout() {
  const measurement::DisplayUpdate& u = gathered_;
  readout_->apply(u);
  statistics_->apply(u);
  if (u._uiAmplitude.changed)
    calibrationPanel_->_uiAmplitude->setText(qtkit::qstr(u._uiAmplitude.view()));
  gathered_.reset();
}

void TMainWin::setLiveRefreshInterval(int ms) {
  readoutRefresh_->setInterval(ms);
  chart_->Wykres1->SetRepaintInterval(ms);
}

void TMainWin::flushLiveDisplay() {
  if (readoutRefresh_->pending()) readoutRefresh_->flush();
}

// --- statistics and filters ---------------------------------------------------------------

void TMainWin::Minmax1Click() {
  menu_.Minmax1->setChecked(!menu_.Minmax1->isChecked());
  statistics_->Dane->setChecked(menu_.Minmax1->isChecked());
}

void TMainWin::DaneClick() {
  menu_.Minmax1->setChecked(statistics_->Dane->isChecked());
}

void TMainWin::Button1Click() {
  live_.processor().requestStatsReset();
  statistics_->clearValues();
  // Values gathered for the next repaint would otherwise put the old statistics back.
  for (measurement::TextChange* t : {&gathered_.Min, &gathered_.Max, &gathered_.Avr})
    t->changed = false;
}

void TMainWin::filtrClick() {
  if (filter_->filtr->isChecked()) {
    live_.processor().clearFilterPrimed();
    const measurement::UserNumber tau = parseUserReal(filter_->Tau->text());
    live_.processor().setFilterConstant(tau.value);
    if (!tau.whole) {
      filter_->filtr->setChecked(false);  // runs this handler again, unchecked
      return;
    }
    filter_->Tau->setEnabled(false);
    if (replayShown()) recomputeReplay();
  } else {
    filter_->Tau->setEnabled(true);
    if (replayShown()) {
      live_.processor().setFilterConstant(1.0);
      recomputeReplay();
    }
  }
}

void TMainWin::ProgWlaczClick() {
  calibrationPanel_->TempProg->setEnabled(!calibrationPanel_->ProgWlacz->isChecked());
}

void TMainWin::FTovikClick() {
  if (!calibrationPanel_->FTovik->isChecked()) {
    calibrationPanel_->FT_Tau->setEnabled(true);
    calibrationPanel_->FT_Prog->setEnabled(true);
    return;
  }
  calibrationPanel_->FT_Tau->setEnabled(false);
  calibrationPanel_->FT_Prog->setEnabled(false);
  const double timeConstant = parseUserReal(calibrationPanel_->FT_Tau->text()).value;
  bool ok = false;
  const int threshold = calibrationPanel_->FT_Prog->text().toInt(&ok, 10);
  if (!ok) {
    dialogs_.message(QString::fromUtf8(kInvalidDataText));
    calibrationPanel_->FTovik->setChecked(false);  // runs this handler again, unchecked
    return;
  }
  live_.processor().setTovik(timeConstant, static_cast<std::uint16_t>(threshold & 0xFFFF));
}

void TMainWin::_uiClearAverageClick() {
  live_.processor().resetAmplitude();
  calibrationPanel_->_uiAmplitude->setText(QStringLiteral("0"));
  gathered_._uiAmplitude.changed = false;  // not put back by the next repaint
}

// --- chart controls -----------------------------------------------------------------------

void TMainWin::AutoskalowanieClick() {
  if (chart_->Autoskalowanie->isChecked()) {
    chart_->Wykres1->SetAutoSkala(true);
    chart_->W->setEnabled(false);
    chart_->O->setEnabled(false);
  } else {
    chart_->Wykres1->SetAutoSkala(false);
    const measurement::ChartRange range = measurement::manualRange(chart_->W->value(), chart_->O->value());
    chart_->Wykres1->SetRange(range.top, range.bottom);
    chart_->W->setEnabled(true);
    chart_->O->setEnabled(true);
  }
  if (replayShown()) ShowReplayWindow(static_cast<std::size_t>(chart_->TrackBar1->value()));
}

void TMainWin::WChange() {
  const measurement::ChartRange range = measurement::manualRange(chart_->W->value(), chart_->O->value());
  chart_->Wykres1->SetRange(range.top, range.bottom);
}

void TMainWin::KoszClick() {
  chart_->Wykres1->Clear();
}

// --- recording ----------------------------------------------------------------------------

void TMainWin::setRecordingControls(bool recording) {
  menu_.Zapisz1->setEnabled(!recording);
  menu_.Zakoncz->setEnabled(recording);
  controls_->S_Zapisz->setText(caption(recording ? caption::kStopSaving : caption::kSaveToFile));
  menu_.Otwrz1->setEnabled(!recording);
  controls_->S_Otworz->setEnabled(!recording);
  fitCaptions();
}

void TMainWin::Zapisz1Click() {
  FileDialogRequest request = dataFileRequest();
  request.filter += QLatin1Char('|') + QString::fromUtf8(kCsvFileFilter);
  const std::optional<QString> file = dialogs_.saveFile(request);
  if (!file) return;
  if (measurement::isCsvFileName(file->toStdString())) {
    if (!csv_.open(std::filesystem::path(file->toStdString()), csvStyle_)) {
      dialogs_.message(QString::fromUtf8(measurement::kWriteErrorText));
      return;
    }
    csvActive_ = true;
    journalProblemTold_ = false;
    recordingFileName_ = *file;
    recordingActive_ = true;
    live_.addSink(csvSink_);
    live_.setRecording(true);
    setRecordingControls(true);
    journalPoll_->start();
    return;
  }
  recordingFileName_ = *file;
  lines_.Clear();
  bufferHoldsReplay_ = false;
  recordingActive_ = true;
  live_.addSink(lineSink_);
  live_.setRecording(true);
  setRecordingControls(true);
  startJournal();
}

void TMainWin::ZakonczClick() {
  recordingActive_ = false;
  live_.setRecording(false);
  live_.removeSink(lineSink_);
  live_.removeSink(csvSink_);
  setRecordingControls(false);
  journalPoll_->stop();
  if (csvActive_) {
    csvActive_ = false;
    if (!csv_.close() && !journalProblemTold_) dialogs_.message(QString::fromUtf8(measurement::kWriteErrorText));
    return;
  }
  const bool written = lines_.LineCount() == 0 || writeRecording();
  // Lines the user gave up on stay in the journal, offered at the next start.
  if (written) {
    journal_.finish();
  } else {
    journal_.abandon();
  }
  lines_.Clear();
}

void TMainWin::startJournal() {
  journalProblemTold_ = false;
  if (!journal_.start(std::chrono::system_clock::now())) {
    pollJournal();  // tells why, once
    return;
  }
  journalPoll_->start();
}

// Makes the journal durable while no line comes, and tells once when it cannot be kept.
void TMainWin::pollJournal() {
  if (csvActive_) {
    // A CSV file that fills up or vanishes: said once; what it holds stays whole rows.
    csv_.poll();
    if (csv_.error() == 0 || journalProblemTold_) return;
    journalProblemTold_ = true;
    dialogs_.message(QString::fromUtf8(measurement::kWriteErrorText));
    return;
  }
  journal_.poll();
  if (journal_.error() == 0 || journalProblemTold_) return;
  journalProblemTold_ = true;
  journalPoll_->stop();
  dialogs_.message(QString::fromUtf8(kJournalFailedText)
                       .arg(QString::fromLocal8Bit(std::strerror(journal_.error()))));
}

void TMainWin::offerLeftoverRecordings() {
  const int language = LanguageCode == "pl" ? 0 : LanguageCode == "en" ? 1 : 2;
  for (;;) {
    std::optional<measurement::LeftoverJournal> left =
        measurement::LeftoverJournal::findOldest(measurement::journalFolder());
    if (!left) return;
    const QString when =
        QDateTime::fromMSecsSinceEpoch(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           left->startedAt().time_since_epoch())
                                           .count())
            .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!dialogs_.askYesNo(QString::fromUtf8(kRecoverRecordingQuestions[language]).arg(when))) {
      left->remove();
      continue;
    }
    measurement::LineStore lines;
    const std::optional<QString> file =
        left->read(lines).ok ? dialogs_.saveFile(dataFileRequest()) : std::nullopt;
    if (file && measurement::writeDataFile(std::filesystem::path(file->toStdString()), lines)) {
      left->remove();
      continue;
    }
    if (file) dialogs_.message(QString::fromUtf8(measurement::kWriteErrorText));
    // Not saved: kept where it is under a name that is not offered again.
    left->setAside();
  }
}

void TMainWin::endSession() {
  if (recordingActive_) ZakonczClick();
  // Not FormClose: its quit would close the windows, and the close question would wait for
  // an answer nobody gives at a logout.
  closePortAndStoreIt();
}

// Writes the recorded lines. A file that cannot be written is reported and the user may
// choose another one; only cancelling that choice gives the lines up.
bool TMainWin::writeRecording() {
  QString target = recordingFileName_;
  for (;;) {
    if (measurement::writeDataFile(std::filesystem::path(target.toStdString()), lines_)) return true;
    dialogs_.message(QString::fromUtf8(measurement::kWriteErrorText));
    const std::optional<QString> other = dialogs_.saveFile(dataFileRequest());
    if (!other) return false;
    target = *other;
  }
}

// --- replay -------------------------------------------------------------------------------

bool TMainWin::replayShown() const {
  return !menu_.Danezurzdzenia1->isChecked();
}

void TMainWin::Otwrz1Click() {
  const std::optional<QString> file = dialogs_.openFile(dataFileRequest());
  if (!file) return;
  const measurement::ReadResult read =
      measurement::readDataFile(std::filesystem::path(file->toStdString()), lines_);
  if (!read.ok) {
    // A file that could not even be opened leaves the earlier file's lines, which the
    // replay on screen still shows and recomputes; lines read before a later failure
    // replace them, and the values on screen then no longer match the buffer.
    if (read.linesReplaced) bufferHoldsReplay_ = false;
    dialogs_.message(QString::fromUtf8(measurement::kReadErrorText));
    return;
  }
  bufferHoldsReplay_ = true;
  if (read.truncated) dialogs_.message(QString::fromUtf8(measurement::kFileTruncatedText));

  chart_->Kosz->hide();
  menu_.Danezurzdzenia1->setChecked(false);
  recomputeReplayValues();
  ShowReplayWindow(1);
  chart_->TrackBar1->setValue(1);
  const measurement::ReplayScrollBar bar =
      measurement::replayScrollBar(lines_.LineCount(), chart_->Wykres1->width());
  if (bar.visible) {
    chart_->TrackBar1->setRange(1, bar.maximum);
    chart_->TrackBar1->show();
  } else {
    chart_->TrackBar1->hide();  // a scroll bar left by a longer file has nothing to scroll now
  }
}

void TMainWin::recomputeReplayValues() {
  // A recording since the file was opened has replaced its lines: the values computed
  // from the file then stay as they are.
  if (!bufferHoldsReplay_) return;
  double state = live_.processor().state().FilterState;
  lines_.ParseReplayData(live_.processor().state().FilterConstant, state);
  live_.processor().setFilterState(state);
}

void TMainWin::recomputeReplay() {
  recomputeReplayValues();
  ShowReplayWindow(static_cast<std::size_t>(chart_->TrackBar1->value()));
}

void TMainWin::ShowReplayWindow(std::size_t start) {
  measurement::ShowReplayWindow(*chart_->Wykres1, lines_, start, chart_->Wykres1->width());
}

void TMainWin::TrackBar1Change() {
  timer1_->stop();
  timer1_->start();
}

void TMainWin::Timer1Timer() {
  ShowReplayWindow(static_cast<std::size_t>(chart_->TrackBar1->value()));
  timer1_->stop();
}

void TMainWin::Danezurzdzenia1Click() {
  chart_->TrackBar1->hide();
  chart_->Wykres1->Clear();
  chart_->Kosz->show();
  menu_.Danezurzdzenia1->setChecked(true);
  live_.processor().clearFilterPrimed();
}

}  // namespace app
