// The main window's start-up and shutdown, languages, service mode, connection and the
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

#include "app/globals.h"
#include "app/main_win.h"
#include "app/preferences.h"
#include "app/settings_store.h"
#include "measurement/wykres.h"

namespace app {

namespace {

// Instrument addresses of the calibration readback words 1..74, in reading order.
constexpr std::array<std::uint8_t, 74> kCalibrationAddresses = {
    0,   4,   8,   12,  16,  20,  24,                            // 1..7
    32,  36,  40,                                                // 8..10
    48,  52,  56,  60,  64,  68,  72,                            // 11..17
    80,  84,  88,                                                // 18..20
    96,  100, 104, 108, 112, 116, 120,                           // 21..27
    128, 132, 136,                                               // 28..30
    10,  14,  26,  42,  58,  62,  74,  90,  106, 110, 122, 138,  // 31..42
    168, 170, 172,                                               // 43..45
    28,  29,  30,  31,                                           // 46..49
    124, 126, 94,  93,                                           // 50..53
    76,  78,  92,                                                // 54..56
    144, 146, 148, 150, 152, 154, 156, 158, 160, 162, 164, 166,  // 57..68
    174, 176, 178, 192, 194, 180};                               // 69..74

QString fromUtf8(const std::string& s) {
  return QString::fromStdString(s);
}

}  // namespace

// --- start-up and shutdown ---------------------------------------------------------------

bool TMainWin::FormCreate() {
  // 1. State.
  Receiver.LinkMode = devlink::LinkMode::Measuring;
  Lines.Clear();
  bufferHoldsReplay_ = false;
  recordingActive_ = false;
  Processor.setFilterConstant(1.0);
  Processor.requestStatsReset();
  Processor.clearFilterPrimed();

  // 2. Chart.
  Wykres1->Clear();

  // 3. The calibration grids' placeholders and headings come with the calibration panel.

  // 4. Calibration addresses (entry 0 unused).
  CalibrationAddressTable[0] = 0;
  std::copy(kCalibrationAddresses.begin(), kCalibrationAddresses.end(),
            CalibrationAddressTable.begin() + 1);

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

  // 7. Port remembered from the last run.
  try {
    const QString name = fromUtf8(store_.readString(keys::kProduct, keys::kComPort));
    if (name.size() > 3) {
      ComPort1->SetPort(name.toStdString());
      DisableAllCOMs();
      for (QAction* com : COMs) {
        if (com->text() == name) com->setChecked(true);
      }
    }
  } catch (const SettingsError& e) {
    dialogs_.message(fromUtf8(e.what()));
  }
  return true;
}

bool TMainWin::FormCloseQuery() {
  return dialogs_.askYesNo(caption(caption::kCloseQuestion));
}

void TMainWin::FormClose() {
  setWindowState(Qt::WindowNoState);
  if (ComPort1->Connected()) {
    try {
      ComPort1->Close();
    } catch (const devlink::EComPort& e) {
      dialogs_.message(fromUtf8(e.what()));
    }
  }
  store_.writeString(keys::kProduct, keys::kComPort, ComPort1->Port());
  QCoreApplication::quit();
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
    dialogs_.message(fromUtf8(e.what()));
    LanguageCode.clear();
  }
  zmienJezyk(captionTableFor(LanguageCode));
}

void TMainWin::zmienJezyk(const CaptionTable& table) {
  for (std::size_t i = 0; i < CaptionTexts.size(); ++i)
    CaptionTexts[i] = QString::fromUtf8(table[i]);
  auto t = [this](int i) { return caption(i); };

  GroupBox1->setTitle(t(0));
  GroupBox4->setTitle(t(1));
  GroupBox3->setTitle(t(2));
  GroupBox2->setTitle(t(3));
  Dane->setText(t(4));
  LabelMinimum->setText(t(5));
  LabelMaksimum->setText(t(6));
  LabelSrednia->setText(t(7));
  filtr->setText(t(8));
  LabelSterowanie->setText(t(9));
  S_Polacz->setText(Poczony1->isChecked() ? t(caption::kDisconnect) : t(caption::kConnect));
  S_Zapisz->setText(recordingActive_ ? t(caption::kStopSaving) : t(caption::kSaveToFile));
  Autoskalowanie->setText(t(16));
  S_Dane->setText(t(17));
  S_Otworz->setText(t(18));
  Wyslij->setText(t(19));
  Odbierz->setText(CalibrationReadbackActive ? t(caption::kCancelReadback) : t(caption::kReceive));
  Otworz->setText(t(21));
  Zapisz->setText(t(22));
  SaveEPROM->setText(t(23));
  Label4->setText(t(24));

  Plik1->setTitle(t(25));
  Widok1->setTitle(t(26));
  Serwis->setTitle(t(27));
  Ustawienia->setTitle(t(28));
  Sterowanie->setTitle(t(29));
  Raport1->setTitle(t(30));
  Pomoc1->setTitle(t(31));
  Otwrz1->setText(t(32));
  Zapisz1->setText(t(33));
  Zakoncz->setText(t(34));
  Pobierzwynikizurzdzenia1->setText(t(35));
  Koniec1->setText(t(36));
  Minmax1->setText(t(37));
  Danezurzdzenia1->setText(t(38));
  Zmieuytkownika1->setText(t(39));
  Wyjdztryb1->setText(t(40));
  Poczony1->setText(t(41));
  Trans->setTitle(t(42));
  Ustawieniaserwisowe1->setText(t(43));
  Zmiejzyk1->setText(t(44));
  Twrzraport1->setText(t(45));
  OProgramie1->setText(t(46));
  Trybpomiaru1->setTitle(t(47));
  Nastawy1->setTitle(t(48));
  Funkcjedodatkowe1->setTitle(t(49));
  Polemagnetyczne1->setTitle(t(50));
  Ekstremum1->setTitle(t(51));
  for (QAction* no : {Nie1, Nie6, Nie7, Nie8}) no->setText(t(53));
  Zakres1->setTitle(t(54));
  Osie1->setTitle(t(55));
  Jednostki1->setTitle(t(56));
  Wektor1->setText(t(57));
  Zerowanie1->setText(t(58));
  Filtr1->setTitle(t(59));
  Aktywny1->setTitle(t(60));
  Wyniki1->setTitle(t(61));
  Jzyk1->setTitle(t(62));
  Tak3->setText(t(63));
  Tak4->setText(t(63));
  Polski1->setText(t(64));
  Angielski1->setText(t(65));
  Kosz->setToolTip(t(caption::kClearChartHint));
  Wstrzymaj->setToolTip(t(caption::kHoldHint));
  Max2->setText(t(70));

  fitCaptions();
  update();
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
  Commands.SendCommand('N', 1, 0);
  zmienJezyk(kPolishCaptions);
}

void TMainWin::Angielski1Click() {
  Commands.SendCommand('N', 0, 0);
  zmienJezyk(kEnglishCaptions);
}

// --- service mode -------------------------------------------------------------------------

void TMainWin::EnterServiceMode() {
  Serwis->menuAction()->setVisible(true);
  Send->show();
  Send->raise();
  PokazSerwis->show();
  Wykres1->Clear();
}

void TMainWin::LeaveServiceMode() {
  Serwis->menuAction()->setVisible(false);
  Send->hide();
  PokazSerwis->hide();
  Wykres1->Clear();
}

void TMainWin::UkrysSerwisClick() {
  Send->hide();
}

void TMainWin::PokazSerwisClick() {
  Send->show();
  Send->raise();
}

// --- connection ---------------------------------------------------------------------------

void TMainWin::COMClick(int number) {
  ComPort1->SetPort("COM" + std::to_string(number));
  DisableAllCOMs();
  COMs[static_cast<std::size_t>(number - 1)]->setChecked(true);
}

void TMainWin::DisableAllCOMs() {
  for (QAction* com : COMs) com->setChecked(false);
}

void TMainWin::Poczony1Click() {
  dialogs_.beep();
  if (Poczony1->isChecked()) {
    Poczony1->setChecked(false);
    try {
      ComPort1->Close();
    } catch (const devlink::EComPort& e) {
      dialogs_.message(fromUtf8(e.what()));
    }
    Trans->menuAction()->setEnabled(true);
    Wyslij->setEnabled(false);
    SprPolacz->stop();
    Sterowanie->menuAction()->setEnabled(false);
    setLabelColour(BP, kSilver);
    Zapisz1->setEnabled(false);
    S_Zapisz->setEnabled(false);
    S_Polacz->setText(caption(caption::kConnect));
    fitCaptions();
    return;
  }
  try {
    ComPort1->Open();
  } catch (const devlink::EComPort&) {
    dialogs_.message(QString::fromUtf8(kCannotConnectText) + fromUtf8(ComPort1->Port()));
    return;
  }
  Poczony1->setChecked(true);
  Trans->menuAction()->setEnabled(false);
  Wyslij->setEnabled(true);
  SprPolacz->start();
  Sterowanie->menuAction()->setEnabled(true);
  // While recording, the menu item stays off: the button is the recording's stop.
  Zapisz1->setEnabled(!recordingActive_);
  S_Zapisz->setEnabled(true);
  S_Polacz->setText(caption(caption::kDisconnect));
  fitCaptions();
}

void TMainWin::setReadoutColours(std::uint32_t reading, std::uint32_t temperature) {
  for (QLabel* l : {STemp, Label2}) setLabelColour(l, temperature);
  for (QLabel* l : {Falka, SWynik, Label9, Label8, Label7}) setLabelColour(l, reading);
}

void TMainWin::ComPort1Open() {
  StatusBar1->showMessage(QString::fromUtf8(kConnectedOnText) + fromUtf8(ComPort1->Port()));
  Power->setEnabled(true);
  Pobierzwynikizurzdzenia1->setEnabled(true);
  Odbierz->setEnabled(true);
  setReadoutColours(kYellow, kWhite);
}

void TMainWin::ComPort1Close() {
  StatusBar1->showMessage(QString::fromUtf8(kNotConnectedText));
  Power->setEnabled(false);
  Pobierzwynikizurzdzenia1->setEnabled(false);
  Odbierz->setEnabled(false);
  setReadoutColours(kSilver, kSilver);
}

void TMainWin::SprPolaczTimer() {
  if (Receiver.DataReceived) {
    Receiver.DataReceived = false;
    setLabelColour(BP, kSilver);
    setReadoutColours(kYellow, kWhite);
  } else {
    setLabelColour(BP, kAqua);
    setReadoutColours(kSilver, kSilver);
  }
}

void TMainWin::ComPort1RxChar(int count) {
  Receiver.ComPort1RxChar(count);
}

void TMainWin::ZmienStanTimer() {
  StateTimer.tick();
}

// --- instrument commands ------------------------------------------------------------------

void TMainWin::sendMenuCommand(char letter, std::uint8_t a) {
  Commands.SendCommand(letter, a, 0);
  // A new mode, axis or unit makes the old trace meaningless.
  if (letter == 'M' || letter == 'A' || letter == 'U') Wykres1->Clear();
}

void TMainWin::PowerClick() {
  Commands.SendCommand('X', 0, 0);
}

}  // namespace app
