// The main window's live readout, processing options, chart controls, recording and replay.
#include <QAction>
#include <QCheckBox>
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
#include <filesystem>

#include "app/main_win.h"
#include "measurement/user_number.h"
#include "measurement/wykres.h"

namespace app {

namespace {

QString text(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

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

void TMainWin::processMeasurementFrame(const std::uint8_t* frame18) {
  const std::string tempProg = TempProg->text().toStdString();
  const std::string vectorWord = caption(caption::kVector).toStdString();
  measurement::ProcessorInputs in;
  in.filtr = filtr->isChecked();
  in.dane = Dane->isChecked();
  in.ftovik = FTovik->isChecked();
  in.progWlacz = ProgWlacz->isChecked();
  in.tempProg = tempProg;
  in.wstrzymaj = Wstrzymaj->isChecked();
  in.liveView = Danezurzdzenia1->isChecked();
  in.recording = recordingActive_;
  in.vectorWord = vectorWord;
  Processor.processFrame(frame18, in, update_);
  // The threshold override's "Blad!" is an input of the next frame: shown at once.
  if (update_.TempProg.changed) TempProg->setText(text(update_.TempProg.view()));
  measurement::MergeDisplayUpdate(gathered_, update_);
  readoutRefresh_->request();

  if (update_.chartValue) Wykres1->AddPoint(*update_.chartValue);
  if (update_.recordLine.changed && recordingActive_) {
    if (Lines.appendRecordedLine(update_.recordLine.view(), OstatniEkran->isChecked()))
      ZakonczClick();
  }
}

void TMainWin::showGatheredReadout() {
  applyDisplayUpdate(gathered_);
  gathered_.reset();
}

void TMainWin::setLiveRefreshInterval(int ms) {
  readoutRefresh_->setInterval(ms);
  Wykres1->SetRepaintInterval(ms);
}

void TMainWin::flushLiveDisplay() {
  if (readoutRefresh_->pending()) readoutRefresh_->flush();
}

void TMainWin::applyDisplayUpdate(const measurement::DisplayUpdate& u) {
  auto colour = [](measurement::IndicatorColour c) {
    const measurement::Rgb rgb = measurement::colourOf(c);
    return (std::uint32_t{rgb.r} << 16) | (std::uint32_t{rgb.g} << 8) | rgb.b;
  };
  setLabelColour(F2, colour(u.F2));
  setLabelColour(F4, colour(u.F4));
  setLabelColour(F6, colour(u.F6));
  setLabelColour(F5, colour(u.F5));
  setLabelColour(Label5, colour(u.Label5));
  setLabelColour(BP, colour(u.BP));

  auto apply = [](QLabel* label, const measurement::TextChange& change) {
    if (change.changed) label->setText(text(change.view()));
  };
  apply(mode, u.mode);
  if (u.FalkaVisible) Falka->setVisible(*u.FalkaVisible);
  apply(SOS, u.SOS);
  if (u.GroupBox1.changed) GroupBox1->setTitle(text(u.GroupBox1.view()));
  apply(SWynik, u.SWynik);
  apply(Min, u.Min);
  apply(Max, u.Max);
  apply(Avr, u.Avr);
  apply(_uiAmplitude, u._uiAmplitude);
  if (u.STempVisible) {
    STemp->setVisible(*u.STempVisible);
    Label2->setVisible(*u.STempVisible);
  }
  apply(STemp, u.STemp);
  apply(Label9, u.Label9);
  apply(Label8, u.Label8);
  apply(Label7, u.Label7);
  if (u.TempProg.changed) TempProg->setText(text(u.TempProg.view()));
}

// --- statistics and filters ---------------------------------------------------------------

void TMainWin::Minmax1Click() {
  Minmax1->setChecked(!Minmax1->isChecked());
  Dane->setChecked(Minmax1->isChecked());
}

void TMainWin::DaneClick() {
  Minmax1->setChecked(Dane->isChecked());
}

void TMainWin::Button1Click() {
  Processor.requestStatsReset();
  Min->clear();
  Max->clear();
  Avr->clear();
}

void TMainWin::filtrClick() {
  if (filtr->isChecked()) {
    Processor.clearFilterPrimed();
    const measurement::UserNumber tau = parseUserReal(Tau->text());
    Processor.setFilterConstant(tau.value);
    if (!tau.whole) {
      filtr->setChecked(false);  // runs this handler again, unchecked
      return;
    }
    Tau->setEnabled(false);
    if (replayShown()) recomputeReplay();
  } else {
    Tau->setEnabled(true);
    if (replayShown()) {
      Processor.setFilterConstant(1.0);
      recomputeReplay();
    }
  }
}

void TMainWin::ProgWlaczClick() {
  TempProg->setEnabled(!ProgWlacz->isChecked());
}

void TMainWin::FTovikClick() {
  if (!FTovik->isChecked()) {
    FT_Tau->setEnabled(true);
    FT_Prog->setEnabled(true);
    return;
  }
  FT_Tau->setEnabled(false);
  FT_Prog->setEnabled(false);
  const double timeConstant = parseUserReal(FT_Tau->text()).value;
  bool ok = false;
  const int threshold = FT_Prog->text().toInt(&ok, 10);
  if (!ok) {
    dialogs_.message(QString::fromUtf8(kInvalidDataText));
    FTovik->setChecked(false);  // runs this handler again, unchecked
    return;
  }
  Processor.setTovik(timeConstant, static_cast<std::uint16_t>(threshold & 0xFFFF));
}

void TMainWin::_uiClearAverageClick() {
  Processor.resetAmplitude();
  _uiAmplitude->setText(QStringLiteral("0"));
}

// --- chart controls -----------------------------------------------------------------------

void TMainWin::AutoskalowanieClick() {
  if (Autoskalowanie->isChecked()) {
    Wykres1->SetAutoSkala(true);
    W->setEnabled(false);
    O->setEnabled(false);
  } else {
    Wykres1->SetAutoSkala(false);
    const measurement::ChartRange range = measurement::manualRange(W->value(), O->value());
    Wykres1->SetRange(range.top, range.bottom);
    W->setEnabled(true);
    O->setEnabled(true);
  }
  if (replayShown()) ShowReplayWindow(static_cast<std::size_t>(TrackBar1->value()));
}

void TMainWin::WChange() {
  const measurement::ChartRange range = measurement::manualRange(W->value(), O->value());
  Wykres1->SetRange(range.top, range.bottom);
}

void TMainWin::KoszClick() {
  Wykres1->Clear();
}

// --- recording ----------------------------------------------------------------------------

void TMainWin::setRecordingControls(bool recording) {
  Zapisz1->setEnabled(!recording);
  Zakoncz->setEnabled(recording);
  S_Zapisz->setText(caption(recording ? caption::kStopSaving : caption::kSaveToFile));
  Otwrz1->setEnabled(!recording);
  S_Otworz->setEnabled(!recording);
  fitCaptions();
}

void TMainWin::Zapisz1Click() {
  const std::optional<QString> file = dialogs_.saveFile(dataFileRequest());
  if (!file) return;
  recordingFileName_ = *file;
  Lines.Clear();
  bufferHoldsReplay_ = false;
  recordingActive_ = true;
  setRecordingControls(true);
}

void TMainWin::ZakonczClick() {
  recordingActive_ = false;
  setRecordingControls(false);
  if (Lines.LineCount() > 0) writeRecording();
  Lines.Clear();
}

// Writes the recorded lines. A file that cannot be written is reported and the user may
// choose another one; only cancelling that choice gives the lines up.
bool TMainWin::writeRecording() {
  QString target = recordingFileName_;
  for (;;) {
    if (measurement::writeDataFile(std::filesystem::path(target.toStdString()), Lines)) return true;
    dialogs_.message(QString::fromUtf8(measurement::kWriteErrorText));
    const std::optional<QString> other = dialogs_.saveFile(dataFileRequest());
    if (!other) return false;
    target = *other;
  }
}

// --- replay -------------------------------------------------------------------------------

bool TMainWin::replayShown() const {
  return !Danezurzdzenia1->isChecked();
}

void TMainWin::Otwrz1Click() {
  const std::optional<QString> file = dialogs_.openFile(dataFileRequest());
  if (!file) return;
  const measurement::ReadResult read =
      measurement::readDataFile(std::filesystem::path(file->toStdString()), Lines);
  bufferHoldsReplay_ = read.ok;
  if (!read.ok) {
    dialogs_.message(QString::fromUtf8(measurement::kReadErrorText));
    return;
  }
  if (read.truncated) dialogs_.message(QString::fromUtf8(measurement::kFileTruncatedText));

  Kosz->hide();
  Danezurzdzenia1->setChecked(false);
  recomputeReplayValues();
  ShowReplayWindow(1);
  TrackBar1->setValue(1);
  const measurement::ReplayScrollBar bar =
      measurement::replayScrollBar(Lines.LineCount(), Wykres1->width());
  if (bar.visible) {
    TrackBar1->setRange(1, bar.maximum);
    TrackBar1->show();
  } else {
    TrackBar1->hide();  // a scroll bar left by a longer file has nothing to scroll now
  }
}

void TMainWin::recomputeReplayValues() {
  // A recording since the file was opened has replaced its lines: the values computed
  // from the file then stay as they are.
  if (!bufferHoldsReplay_) return;
  double state = Processor.state().FilterState;
  Lines.ParseReplayData(Processor.state().FilterConstant, state);
  Processor.setFilterState(state);
}

void TMainWin::recomputeReplay() {
  recomputeReplayValues();
  ShowReplayWindow(static_cast<std::size_t>(TrackBar1->value()));
}

void TMainWin::ShowReplayWindow(std::size_t start) {
  measurement::ShowReplayWindow(*Wykres1, Lines, start, Wykres1->width());
}

void TMainWin::TrackBar1Change() {
  Timer1->stop();
  Timer1->start();
}

void TMainWin::Timer1Timer() {
  ShowReplayWindow(static_cast<std::size_t>(TrackBar1->value()));
  Timer1->stop();
}

void TMainWin::Danezurzdzenia1Click() {
  TrackBar1->hide();
  Wykres1->Clear();
  Kosz->show();
  Danezurzdzenia1->setChecked(true);
  Processor.clearFilterPrimed();
}

}  // namespace app
