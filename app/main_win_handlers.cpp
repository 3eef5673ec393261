// The main window's start-up and shutdown, languages, service readout_->mode, connection and the
// instrument commands.
#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <filesystem>

#include "app/chart_controls.h"
#include "app/find_instrument_win.h"
#include "app/globals.h"
#include "app/main_win.h"
#include "app/preferences.h"
#include "app/readout_panel.h"
#include "qtkit/settings_store.h"
#include "app/side_panels.h"
#include "qtkit/widget_helpers.h"
#include "calibration/calibration_panel.h"
#include "link/com_messages.h"
#include "link/host_serial.h"
#include "link/instrument_probe.h"
#include "link/port_description.h"
#include "measurement/wykres.h"
#include "session/session.h"
#include "qtkit/strings.h"

namespace app {

namespace {
const FindInstrumentTexts& findInstrumentTextsFor(const CaptionTable& table) {
  if (table == kPolishCaptions) return kFindInstrumentPl;
  if (table == kEnglishCaptions) return kFindInstrumentEn;
  return kFindInstrumentIt;
}
}  // namespace

// --- start-up and shutdown ---------------------------------------------------------------

bool TMainWin::FormCreate() {
  // 1. State.
  instrument_.receiver().LinkMode = devlink::LinkMode::Measuring;
  lines_.Clear();
  bufferHoldsReplay_ = false;
  recordingActive_ = false;
  live_.processor().setFilterConstant(1.0);
  live_.processor().requestStatsReset();
  live_.processor().clearFilterPrimed();

  // 2. Chart.
  chart_->Wykres1->Clear();

  // 3. The calibration grids' placeholders, then their headings.
  calibration::MarkPlaceholderCells(calibration_);
  calibration::WriteGridHeadings(calibration_);

  // 5. First run: the preferences must be confirmed, or the program ends.
  const bool present =
      store_.keyExists(keys::kProduct) && store_.valueExists(keys::kProduct, keys::kLng);
  if (!present) {
    const bool ok = runPreferences_ ? runPreferences_() : [this] {
      TPreferences dialog(store_, this, [this](const QString& text) { dialogs_.message(text); });
      return dialog.exec() == QDialog::Accepted;
    }();
    if (!ok) return false;
  }

  // 6. Language.
  applyLanguageFromSettings();

  // The CSV style: commas unless semicolons were chosen.
  try {
    if (store_.valueExists(keys::kProduct, keys::kCsvStyle)) {
      csvStyle_ = measurement::csvStyleFromName(store_.readString(keys::kProduct, keys::kCsvStyle));
      menu_.CsvComma->setChecked(csvStyle_ == measurement::CsvStyle::Comma);
      menu_.CsvSemicolon->setChecked(csvStyle_ == measurement::CsvStyle::Semicolon);
    }
  } catch (const SettingsError&) {
    // A value of the wrong type leaves commas.
  }

  // Reconnecting by itself: on unless turned off.
  try {
    if (store_.valueExists(keys::kProduct, keys::kAutoReconnect))
      menu_.AutoReconnect1->setChecked(store_.readBool(keys::kProduct, keys::kAutoReconnect));
  } catch (const SettingsError&) {
    // A value of the wrong type leaves it on.
  }
  instrument_.setAutoReconnect(menu_.AutoReconnect1->isChecked());

  // 4. Port remembered from the last run.
  try {
    const QString name = qtkit::qstr(store_.readString(keys::kProduct, keys::kComPort));
    if (name.size() > 3) {
      instrument_.setPort(name.toStdString());
      DisableAllCOMs();
      for (QAction* com : menu_.COMs) {
        if (com->data().toString() == name) com->setChecked(true);
      }
    }
  } catch (const SettingsError& e) {
    dialogs_.message(qtkit::qstr(e.what()));
  }
  return true;
}

bool TMainWin::FormCloseQuery() {
  return dialogs_.askYesNo(caption(caption::kCloseQuestion));
}

void TMainWin::FormClose() {
  closePortAndStoreIt();
  QCoreApplication::quit();
}

void TMainWin::closePortAndStoreIt() {
  stopUpload();
  setWindowState(Qt::WindowNoState);
  if (instrument_.connected() || instrument_.reconnecting()) {
    try {
      instrument_.disconnect();
    } catch (const devlink::EComPort& e) {
      dialogs_.message(qtkit::qstr(e.what()));
    }
  }
  store_.writeString(keys::kProduct, keys::kComPort, instrument_.port());
}

void TMainWin::Koniec1Click() {
  close();
}

void TMainWin::OProgramie1Click() {
  if (showAbout_) showAbout_();
}

// --- languages ----------------------------------------------------------------------------

void TMainWin::applyLanguageFromSettings() {
  try {
    LanguageCode = store_.readString(keys::kProduct, keys::kLng);
  } catch (const SettingsError& e) {
    // A value of the wrong type: reported, and the Italian table stands in as for any
    // unknown code.
    dialogs_.message(qtkit::qstr(e.what()));
    LanguageCode.clear();
  }
  zmienJezyk(captionTableFor(LanguageCode));
}

void TMainWin::zmienJezyk(const CaptionTable& table) {
  for (std::size_t i = 0; i < captionTexts_.size(); ++i)
    captionTexts_[i] = QString::fromUtf8(table[i]);
  live_.setVectorWord(caption(caption::kVector).toStdString());
  auto t = [this](int i) { return caption(i); };

  readout_->setGroupTitles(t(0), t(1), t(2), t(3));
  statistics_->Dane->setText(t(4));
  statistics_->LabelMinimum->setText(t(5));
  statistics_->LabelMaksimum->setText(t(6));
  statistics_->LabelSrednia->setText(t(7));
  filter_->filtr->setText(t(8));
  controls_->LabelSterowanie->setText(t(9));
  controls_->S_Polacz->setText(menu_.Poczony1->isChecked() ? t(caption::kDisconnect)
                                                           : t(caption::kConnect));
  controls_->S_Zapisz->setText(recordingActive_ ? t(caption::kStopSaving)
                                                : t(caption::kSaveToFile));
  chart_->Autoskalowanie->setText(t(16));
  controls_->S_Dane->setText(t(17));
  controls_->S_Otworz->setText(t(18));
  calibrationPanel_->setCaptions({t(19), t(caption::kReceive), t(caption::kCancelReadback), t(21),
                                  t(22), t(23), t(24)});

  const MainMenu& m = menu_;
  m.Plik1->setTitle(t(25));
  m.Widok1->setTitle(t(26));
  m.Serwis->setTitle(t(27));
  m.Ustawienia->setTitle(t(28));
  m.Sterowanie->setTitle(t(29));
  m.Raport1->setTitle(t(30));
  m.Pomoc1->setTitle(t(31));
  m.Otwrz1->setText(t(32));
  m.Zapisz1->setText(t(33));
  m.Zakoncz->setText(t(34));
  m.Pobierzwynikizurzdzenia1->setText(t(35));
  m.Koniec1->setText(t(36));
  m.Minmax1->setText(t(37));
  m.Danezurzdzenia1->setText(t(38));
  m.Zmieuytkownika1->setText(t(39));
  m.Wyjdztryb1->setText(t(40));
  m.Poczony1->setText(t(41));
  m.Trans->setTitle(t(42));
  m.Ustawieniaserwisowe1->setText(t(43));
  m.Zmiejzyk1->setText(t(44));
  m.Twrzraport1->setText(t(45));
  m.OProgramie1->setText(t(46));
  for (const RemoteMenuCaption& rc : kRemoteMenuCaptions) {
    const QString name = QString::fromLatin1(rc.name);
    if (QMenu* sub = m.remoteMenu(name)) sub->setTitle(t(rc.entry));
    if (QAction* a = m.remoteItem(name)) a->setText(t(rc.entry));
  }
  chart_->Kosz->setToolTip(t(caption::kClearChartHint));
  chart_->Wstrzymaj->setToolTip(t(caption::kHoldHint));
  showPanelButtonHints(panelHintsFor(table));
  captionTable_ = &table;
  const ConnectionTexts& connection = connectionTextsFor(table);
  menu_.AutoReconnect1->setText(QString::fromUtf8(connection.autoReconnect));
  menu_.FormatCsv->setTitle(QString::fromUtf8(connection.csvFormat));
  menu_.CsvComma->setText(QString::fromUtf8(connection.csvComma));
  menu_.CsvSemicolon->setText(QString::fromUtf8(connection.csvSemicolon));
  menu_.FindInstrument1->setText(QString::fromUtf8(findInstrumentTextsFor(table).menuItem));
  // The close question and the file dialogs then speak the same language as the window.
  if (toolkitLanguage_) toolkitLanguage_(QString::fromLatin1(languageOf(table)));

  fitCaptions();
  update();
}

void TMainWin::showPanelButtonHints(const PanelButtonHints& hints) {
  chart_->PokazSerwis->setToolTip(QString::fromUtf8(hints.show));
  calibrationPanel_->UkrysSerwis->setToolTip(QString::fromUtf8(hints.hide));
}

void TMainWin::Zmiejzyk1Click() {
  if (runPreferences_) {
    runPreferences_();
  } else {
    TPreferences dialog(store_, this, [this](const QString& text) { dialogs_.message(text); });
    dialog.exec();
  }
  applyLanguageFromSettings();
}

void TMainWin::Polski1Click() {
  instrument_.send('N', 1, 0);
  zmienJezyk(kPolishCaptions);
}

void TMainWin::Angielski1Click() {
  instrument_.send('N', 0, 0);
  zmienJezyk(kEnglishCaptions);
}

// --- service readout_->mode -------------------------------------------------------------------------

void TMainWin::EnterServiceMode() {
  menu_.Serwis->menuAction()->setVisible(true);
  calibrationPanel_->show();
  calibrationPanel_->raise();
  chart_->PokazSerwis->show();
  chart_->Wykres1->Clear();
}

void TMainWin::LeaveServiceMode() {
  menu_.Serwis->menuAction()->setVisible(false);
  calibrationPanel_->hide();
  chart_->PokazSerwis->hide();
  chart_->Wykres1->Clear();
}

void TMainWin::UkrysSerwisClick() {
  calibrationPanel_->hide();
}

void TMainWin::PokazSerwisClick() {
  calibrationPanel_->show();
  calibrationPanel_->raise();
}

// --- connection ---------------------------------------------------------------------------

void TMainWin::COMClick(int number) {
  instrument_.setPort("COM" + std::to_string(number));
  DisableAllCOMs();
  menu_.COMs[static_cast<std::size_t>(number - 1)]->setChecked(true);
}

void TMainWin::DisableAllCOMs() {
  for (QAction* com : menu_.COMs) com->setChecked(false);
}

void TMainWin::FindInstrumentClick() {
  auto lines = instrumentLines_ ? instrumentLines_
                                : std::function<std::vector<std::string>()>(
                                      [] { return devlink::serialDevices(); });
  auto* win = new TFindInstrumentWin(findInstrumentTextsFor(*captionTable_), std::move(lines), {},
                                     [this](int n) { COMClick(n); }, this);
  win->setAttribute(Qt::WA_DeleteOnClose);
  win->open();
  win->search();
}

void TMainWin::describePortItems() {
  for (QAction* com : menu_.COMs) {
    const QString name = com->data().toString();
    const std::optional<std::string> where =
        portDescriber_ ? portDescriber_(name.toStdString()) : devlink::describePort(name.toStdString());
    // An ampersand in a product string is shown, not taken for a shortcut mark.
    QString text = name;
    if (where)
      text += QStringLiteral(" — ") + qtkit::qstr(*where).replace(QLatin1Char('&'), QStringLiteral("&&"));
    com->setText(text);
  }
}

void TMainWin::Poczony1Click() {
  dialogs_.beep();
  if (menu_.Poczony1->isChecked()) {
    try {
      instrument_.disconnect();  // also ends the search for a lost device
    } catch (const devlink::EComPort& e) {
      dialogs_.message(qtkit::qstr(e.what()));
    }
    showDisconnected();
    return;
  }
  try {
    instrument_.connect();
  } catch (const devlink::EComPort& e) {
    // The first line as it always was; the second names the device and says why.
    const std::string port = instrument_.port();
    dialogs_.message(QString::fromUtf8(kCannotConnectText) + qtkit::qstr(port) + QLatin1Char('\n') +
                     qtkit::qstr(devlink::portOpenFailureText(devlink::portDevicePath(port), e.Code,
                                                              e.WinCode, LanguageCode)));
    return;
  }
  menu_.Poczony1->setChecked(true);
  menu_.Trans->menuAction()->setEnabled(false);
  setTransferButtons();
  menu_.Sterowanie->menuAction()->setEnabled(true);
  // While recording, the menu item stays off: the button is the recording's stop.
  menu_.Zapisz1->setEnabled(!recordingActive_);
  controls_->S_Zapisz->setEnabled(true);
  controls_->S_Polacz->setText(caption(caption::kDisconnect));
  fitCaptions();
}

void TMainWin::showDisconnected() {
  menu_.Poczony1->setChecked(false);
  menu_.Trans->menuAction()->setEnabled(true);
  setTransferButtons();
  menu_.Sterowanie->menuAction()->setEnabled(false);
  setLabelColour(readout_->BP, kSilver);
  menu_.Zapisz1->setEnabled(false);
  controls_->S_Zapisz->setEnabled(false);
  controls_->S_Polacz->setText(caption(caption::kConnect));
  fitCaptions();
}

void TMainWin::AutoReconnect1Click() {
  const bool on = !menu_.AutoReconnect1->isChecked();
  menu_.AutoReconnect1->setChecked(on);
  store_.writeBool(keys::kProduct, keys::kAutoReconnect, on);
  const bool searching = instrument_.reconnecting();
  instrument_.setAutoReconnect(on);
  if (searching && !on) showDisconnected();
}

void TMainWin::setCsvStyle(measurement::CsvStyle style) {
  csvStyle_ = style;
  menu_.CsvComma->setChecked(style == measurement::CsvStyle::Comma);
  menu_.CsvSemicolon->setChecked(style == measurement::CsvStyle::Semicolon);
  store_.writeString(keys::kProduct, keys::kCsvStyle, measurement::csvStyleName(style));
}

bool TMainWin::Reconnecting() const {
  return instrument_.reconnecting();
}

// The instrument has closed the port, the transfers have ended; the window says so.
void TMainWin::ComPort1HangUp() {
  statusBar_->showMessage(QString::fromUtf8(connectionTextsFor(*captionTable_).lost)
                              .arg(qtkit::qstr(instrument_.port())));
  if (!instrument_.reconnecting()) showDisconnected();
}

void TMainWin::message(const std::string& text) {
  dialogs_.message(QString::fromStdString(text));
}

QString TMainWin::connectionStatusText() const {
  return instrument_.connected()
             ? QString::fromUtf8(kConnectedOnText) + qtkit::qstr(instrument_.port())
             : QString::fromUtf8(kNotConnectedText);
}

QString TMainWin::statusText() const {
  return statusBar_->currentMessage();
}

void TMainWin::ComPort1Open() {
  statusBar_->showMessage(connectionStatusText());
  setTransferButtons();  // Power, Odbierz, Wyslij and the download's menu item
  readout_->setColours(kYellow, kWhite);
}

void TMainWin::ComPort1Close() {
  stopUpload();  // nothing more is written to a closed port
  statusBar_->showMessage(QString::fromUtf8(kNotConnectedText));
  setTransferButtons();
  readout_->setColours(kSilver, kSilver);
}

void TMainWin::SprPolaczTimer(bool dataSeen) {
  if (dataSeen) {
    setLabelColour(readout_->BP, kSilver);
    readout_->setColours(kYellow, kWhite);
  } else {
    setLabelColour(readout_->BP, kAqua);
    readout_->setColours(kSilver, kSilver);
  }
}

// --- instrument commands ------------------------------------------------------------------

void TMainWin::PowerClick() {
  instrument_.send('X', 0, 0);
}

}  // namespace app
