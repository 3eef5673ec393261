#pragma once
// TMainWin, the program's main window: the live readout, the strip chart, recording and
// replay, the connection to the instrument and its remote control, and the (hidden)
// calibration panel of service mode. It owns the port, the receive and processing state
// and the line buffer; its handlers read the controls, call that logic and show the result.
#include <QMainWindow>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "app/main_win_texts.h"
#include "link/com_port.h"
#include "link/commands.h"
#include "link/frame_receiver.h"
#include "link/state_timer.h"
#include "measurement/processor.h"
#include "measurement/recording.h"
#include "measurement/refresh_throttle.h"

class QAction;
class QCheckBox;
class QCloseEvent;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QScrollBar;
class QSlider;
class QStatusBar;
class QTabWidget;
class QTimer;
class QToolButton;

namespace measurement {
class TWykres;
}

namespace app {

class SettingsStore;

// Texts shown by the main window itself (never translated).
inline constexpr const char* kWindowCaption = "Vantorel - Halvex 25.3.10";
inline constexpr const char* kNotConnectedText = "Nie połączony";
inline constexpr const char* kConnectedOnText = "Połączony na ";
inline constexpr const char* kCannotConnectText = "Nie można podłączyć się do ";
inline constexpr const char* kInvalidDataText = "Niepoprawnie wprowadzone dane!";
inline constexpr const char* kHoldHintText = "Zablokuj wykres i zapis danych do pliku.";
inline constexpr const char* kDataFileFilter = "Pliki danych Halvex 2.2|*.HVD";
inline constexpr const char* kDataFileExtension = "*.HVD";

// Colours of the readout's captions.
inline constexpr std::uint32_t kAqua = 0x00FFFF;    // lit indicator
inline constexpr std::uint32_t kSilver = 0xC0C0C0;  // dim indicator, silent readout
inline constexpr std::uint32_t kYellow = 0xFFFF00;  // reading
inline constexpr std::uint32_t kWhite = 0xFFFFFF;   // temperature

class TMainWin : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 684;
  static constexpr int kClientHeight = 437;
  static constexpr int kComPortCount = 20;
  // The readout and the chart are repainted at most this often (25 Hz) while frames
  // stream in; every frame is still processed, charted and recorded.
  static constexpr int kLiveRefreshMs = 40;

  TMainWin(SettingsStore& store, Dialogs& dialogs, QWidget* parent = nullptr);
  ~TMainWin() override;

  // Repaint pacing of the live readout and chart (0: show every frame at once).
  void setLiveRefreshInterval(int ms);
  // Shows what the frames received so far have to show, without waiting for the pace.
  void flushLiveDisplay();

  // --- start-up and shutdown ---
  // The start-up sequence. False when the first-run preferences dialog was closed
  // without OK: the caller then ends the program.
  bool FormCreate();
  // Asks the close question; false refuses the close.
  bool FormCloseQuery();
  // Closes the port and stores its name.
  void FormClose();

  // --- hooks set by the program (each called only when set) ---
  void setShowAbout(std::function<void()> fn) { showAbout_ = std::move(fn); }
  void setShowPassword(std::function<void()> fn) { showPassword_ = std::move(fn); }
  void setShowUserSettings(std::function<void()> fn) { showUserSettings_ = std::move(fn); }
  void setCreateReport(std::function<void()> fn) { createReport_ = std::move(fn); }
  void setDownloadResults(std::function<void()> fn) { downloadResults_ = std::move(fn); }
  void setCalibrationCard(std::function<void()> fn) { calibrationCard_ = std::move(fn); }
  // Runs the preferences dialog modally, returns whether it ended with OK. The default
  // creates a TPreferences owned by this window.
  void setRunPreferences(std::function<bool()> fn) { runPreferences_ = std::move(fn); }

  // The data folder the file dialogs open in: $XDG_DATA_HOME/Vantorel/Halvex
  // (~/.local/share/Vantorel/Halvex), created when a dialog needs it.
  static QString dataDirectory();

  // --- service mode ---
  void EnterServiceMode();
  void LeaveServiceMode();
  void UkrysSerwisClick();
  void PokazSerwisClick();

  // --- language ---
  void zmienJezyk(const CaptionTable& table);
  void Zmiejzyk1Click();
  void Polski1Click();
  void Angielski1Click();
  // Text of entry `index` of the table applied last.
  QString caption(int index) const { return CaptionTexts[static_cast<std::size_t>(index)]; }

  // --- connection ---
  void COMClick(int number);  // COM11Click … COM201Click (number 1..20)
  void DisableAllCOMs();
  void Poczony1Click();
  void ComPort1Open();
  void ComPort1Close();
  void ComPort1RxChar(int count);
  void SprPolaczTimer();
  void ZmienStanTimer();

  // --- small handlers of the window ---
  void Koniec1Click();
  void OProgramie1Click();
  void Minmax1Click();
  void DaneClick();
  void Button1Click();
  void filtrClick();
  void ProgWlaczClick();
  void FTovikClick();
  void _uiClearAverageClick();
  void PowerClick();

  // --- chart controls ---
  void AutoskalowanieClick();
  void WChange();
  void KoszClick();

  // --- recording and replay ---
  void Zapisz1Click();
  void ZakonczClick();
  void Otwrz1Click();
  void TrackBar1Change();
  void Timer1Timer();
  void Danezurzdzenia1Click();
  void ShowReplayWindow(std::size_t start);
  bool RecordingActive() const { return recordingActive_; }

  // --- shared state (owned here, used by the logic and by other windows) ---
  std::unique_ptr<devlink::TComPort> ComPort1;  // created first, closed last
  devlink::FrameReceiver Receiver;
  devlink::CommandSender Commands;
  devlink::StateTimer StateTimer;
  measurement::MeasurementProcessor Processor;
  measurement::LineStore Lines;
  // Entry k (1..74) is the instrument address of calibration readback word k.
  std::array<std::uint8_t, 75> CalibrationAddressTable{};
  std::array<QString, kCaptionCount> CaptionTexts;
  // Set while a calibration readback runs (the receive button then reads "cancel").
  bool CalibrationReadbackActive = false;

  // --- controls, named as in the form ---
  QWidget* Client;
  QStatusBar* StatusBar1;
  // readout panel
  QFrame* Panel1;
  QGroupBox* GroupBox1;  // reading
  QLabel* SWynik;
  QLabel* Falka;
  QGroupBox* GroupBox2;  // axes
  QLabel* LabelX;
  QLabel* LabelY;
  QLabel* LabelZ;
  QLabel* Label9;        // X component
  QLabel* Label8;        // Y component
  QLabel* Label7;        // Z component
  QGroupBox* GroupBox3;  // functions
  QLabel* SOS;
  QLabel* mode;
  QLabel* F2;            // Peak Hold
  QLabel* F3;            // Relative
  QLabel* F4;            // Gradient
  QLabel* F5;            // Results
  QLabel* F6;            // Filter
  QLabel* Label5;        // Battery Low
  QLabel* BP;            // No transmission
  QGroupBox* GroupBox4;  // temperature
  QLabel* STemp;
  QLabel* Label2;  // degree mark
  // statistics panel
  QFrame* Panel2;
  QCheckBox* Dane;
  QLabel* LabelMinimum;
  QLabel* LabelMaksimum;
  QLabel* LabelSrednia;
  QLabel* Min;
  QLabel* Max;
  QLabel* Avr;
  QPushButton* Button1;
  // filter panel
  QFrame* Panel3;
  QCheckBox* filtr;
  QLabel* LabelT;
  QLineEdit* Tau;
  QLabel* LabelS;
  // control panel
  QFrame* Panel4;
  QLabel* LabelSterowanie;
  QPushButton* S_Polacz;
  QPushButton* S_Zapisz;
  QPushButton* S_Dane;
  QPushButton* S_Otworz;
  // chart
  measurement::TWykres* Wykres1;
  QToolButton* Kosz;
  QToolButton* Wstrzymaj;
  QToolButton* PokazSerwis;
  QScrollBar* TrackBar1;
  // scaling panel
  QFrame* Panel5;
  QCheckBox* Autoskalowanie;
  QLabel* LabelW;
  QLabel* LabelO;
  QSlider* W;
  QSlider* O;
  // calibration group (service mode)
  QGroupBox* Send;
  QTabWidget* PageControl1;
  QPushButton* Wyslij;
  QPushButton* Odbierz;
  QPushButton* Otworz;
  QPushButton* Zapisz;
  QPushButton* BitBtn1;
  QPushButton* Power;
  QCheckBox* SaveEPROM;
  QLabel* Label4;
  QLineEdit* NR;
  QToolButton* UkrysSerwis;
  QProgressBar* Postep;
  // service pages "PC" and "Diagnostyka"
  QCheckBox* ProgWlacz;
  QLineEdit* TempProg;
  QCheckBox* FTovik;
  QLineEdit* FT_Tau;
  QLineEdit* FT_Prog;
  QCheckBox* OstatniEkran;
  QLabel* _uiAmplitude;
  QPushButton* _uiClearAverage;
  // timers
  QTimer* SprPolacz;
  QTimer* ZmienStan;
  QTimer* Timer1;

  // --- menus ---
  QMenu* Plik1;
  QAction* Otwrz1;
  QAction* Zapisz1;
  QAction* Zakoncz;
  QAction* Pobierzwynikizurzdzenia1;
  QAction* Koniec1;
  QMenu* Widok1;
  QAction* Minmax1;
  QAction* Danezurzdzenia1;
  QMenu* Serwis;
  QAction* Zmieuytkownika1;
  QAction* Wyjdztryb1;
  QMenu* Ustawienia;
  QAction* Poczony1;
  QMenu* Trans;
  std::array<QAction*, kComPortCount> COMs{};  // COM11 … COM201 (COM5: Com51)
  QAction* Ustawieniaserwisowe1;
  QAction* Zmiejzyk1;
  QMenu* Raport1;
  QAction* Twrzraport1;
  QMenu* Sterowanie;
  QMenu* Trybpomiaru1;
  QMenu* Polemagnetyczne1;
  QAction* DC1;
  QAction* AC1;
  QMenu* Ekstremum1;
  QAction* Max2;
  QAction* Nie1;
  QMenu* Nastawy1;
  QMenu* Zakres1;
  QAction* Auto1;
  QAction* N20mT1;
  QAction* N200mT1;
  QAction* N2000mT1;
  QMenu* Osie1;
  QAction* X1;
  QAction* Y1;
  QAction* Z1;
  QAction* Wektor1;
  QMenu* Jednostki1;
  QAction* Gs1;
  QAction* mT1;
  QAction* kAm1;
  QMenu* Funkcjedodatkowe1;
  QAction* Zerowanie1;
  QMenu* Filtr1;
  QAction* Tak3;
  QAction* Nie6;
  QMenu* Aktywny1;
  QAction* N3min1;
  QAction* N6min1;
  QAction* N12min1;
  QAction* Nie7;
  QMenu* Wyniki1;
  QAction* Tak4;
  QAction* Nie8;
  QMenu* Jzyk1;
  QAction* Polski1;
  QAction* Angielski1;
  QMenu* Pomoc1;
  QAction* OProgramie1;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void createReadoutPanel();
  void createSidePanels();
  void createChartArea();
  void createCalibrationGroup();
  void createMenus();
  void createTimers();
  void connectHandlers();
  void setupPort();
  void fitCaptions();

  // Sends one command frame; the letters M, A and U also clear the chart.
  void sendMenuCommand(char letter, std::uint8_t a);
  void applyLanguageFromSettings();
  void processMeasurementFrame(const std::uint8_t* frame18);
  void showGatheredReadout();
  void applyDisplayUpdate(const measurement::DisplayUpdate& update);
  void setReadoutColours(std::uint32_t reading, std::uint32_t temperature);
  void setRecordingControls(bool recording);
  bool writeRecording();
  void recomputeReplay();
  void recomputeReplayValues();
  bool replayShown() const;
  FileDialogRequest dataFileRequest() const;

  SettingsStore& store_;
  Dialogs& dialogs_;
  std::vector<std::unique_ptr<QMenu>> ownedMenus_;
  measurement::DisplayUpdate update_;
  // What the readout is to show next, gathered from the frames since the last showing.
  measurement::DisplayUpdate gathered_;
  std::unique_ptr<measurement::RefreshThrottle> readoutRefresh_;
  bool recordingActive_ = false;
  QString recordingFileName_;
  // The lines in the buffer are those of the opened file (a recording replaces them).
  bool bufferHoldsReplay_ = false;

  std::function<void()> showAbout_;
  std::function<void()> showPassword_;
  std::function<void()> showUserSettings_;
  std::function<void()> createReport_;
  std::function<void()> downloadResults_;
  std::function<void()> calibrationCard_;
  std::function<bool()> runPreferences_;
};

// Colour helpers shared with the tests: the caption colour of a label as 0xRRGGBB.
std::uint32_t labelColour(const QLabel* label);
void setLabelColour(QLabel* label, std::uint32_t rgb);

}  // namespace app
