#pragma once
// TMainWin, the program's main window: the live readout, the strip chart, recording and
// replay, the connection to the instrument and its remote control, and the (hidden)
// calibration panel of service mode. It is given the session it shows (the instrument, the
// live measurement session, the calibration data set, the transfers and the line buffer)
// and owns only its panels, menus and timers; its handlers read the controls, call that
// logic and show the result. The panels lay out and show; the menus are built in
// main_menu.cpp.
#include <QMainWindow>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/main_menu.h"
#include "app/main_win_texts.h"
#include "calibration/calibration_data.h"
#include "calibration/readback.h"
#include "calibration/upload.h"
#include "link/instrument.h"
#include "link/result_download.h"
#include "measurement/csv_recording.h"
#include "measurement/live_session.h"
#include "measurement/recording.h"
#include "measurement/recording_journal.h"
#include "measurement/recording_sinks.h"
#include "measurement/refresh_throttle.h"
#include "qtkit/dialogs.h"
#include "qtkit/qt_delivery.h"
#include "qtkit/settings_store.h"
#include "qtkit/widget_helpers.h"

class QCloseEvent;
class QStatusBar;
class QTimer;

namespace session {
class Session;
}

namespace calibration {
class CalibrationPanel;
}

namespace app {

// The main window's files name the Qt support they use without its namespace.
using qtkit::attachDeliveryQueue;
using qtkit::Dialogs;
using qtkit::FileDialogRequest;
using qtkit::fitButtonCaption;
using qtkit::named;
using qtkit::pixelFont;
using qtkit::setLabelColour;
using qtkit::SettingsError;
using qtkit::SettingsStore;
namespace keys = qtkit::keys;

class ChartControls;
class ControlPanel;
class FilterPanel;
class ReadoutPanel;
class StatisticsPanel;
class TPobierzWin;

// Texts shown by the main window itself (never translated).
inline constexpr const char* kWindowCaption = "Vantorel - Halvex 25.3.10";
inline constexpr const char* kNotConnectedText = "Nie połączony";
inline constexpr const char* kConnectedOnText = "Połączony na ";
inline constexpr const char* kCannotConnectText = "Nie można podłączyć się do ";
inline constexpr const char* kInvalidDataText = "Niepoprawnie wprowadzone dane!";
inline constexpr const char* kDataFileFilter = "Pliki danych Halvex 2.2|*.HVD";
inline constexpr const char* kDataFileExtension = "*.HVD";
// The recording's save dialog offers CSV after the data files.
inline constexpr const char* kCsvFileFilter = "CSV (*.csv)|*.csv";
// Asked at start for a recording that never ended (%1: its start, local date and time).
// Polish, English, Italian.
inline constexpr const char* kRecoverRecordingQuestions[3] = {
    "Odzyskać niezakończony zapis z %1?",
    "Recover the unfinished recording from %1?",
    "Recuperare la registrazione non terminata del %1?",
};
// Said once when the recording's journal cannot be kept (%1: the system's reason).
inline constexpr const char* kJournalFailedText =
    "Nie można prowadzić kopii zapasowej nagrania (%1). Nagranie trwa dalej w pamięci.";

class TMainWin : public QMainWindow,
                 private devlink::InstrumentListener,
                 private measurement::SampleSink {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 684;
  static constexpr int kClientHeight = 437;
  // The readout and the chart are repainted at most this often (25 Hz) while frames
  // stream in; every frame is still processed, charted and recorded.
  static constexpr int kLiveRefreshMs = 40;
  // How long the status bar tells of a finished download before the connection's text.
  static constexpr int kDownloadNoticeMs = 10000;

  TMainWin(qtkit::SettingsStore& store, qtkit::Dialogs& dialogs, session::Session& session,
           QWidget* parent = nullptr);
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
  // What each port item of "Parametry transmisji" says its name leads to, asked every time
  // that menu opens (nullopt: the plain name). The default looks at the host's devices.
  using PortDescriber = std::function<std::optional<std::string>(const std::string& port)>;
  void setPortDescriber(PortDescriber fn) { portDescriber_ = std::move(fn); }
  // The serial lines "Znajdź przyrząd…" listens to. The default: the host's lines with
  // hardware behind them.
  void setInstrumentLines(std::function<std::vector<std::string>()> fn) {
    instrumentLines_ = std::move(fn);
  }
  void setShowPassword(std::function<void()> fn) { showPassword_ = std::move(fn); }
  void setShowUserSettings(std::function<void()> fn) { showUserSettings_ = std::move(fn); }
  void setCreateReport(std::function<void()> fn) { createReport_ = std::move(fn); }
  void setCalibrationCard(std::function<void()> fn) { calibrationCard_ = std::move(fn); }
  // Switches Qt's own texts (message box buttons, file and print dialogs) to the language of
  // each caption table applied ("pl", "en" or "it").
  void setToolkitLanguage(std::function<void(const QString&)> fn) {
    toolkitLanguage_ = std::move(fn);
  }
  // Runs the preferences dialog modally, returns whether it ended with OK. The default
  // creates a TPreferences owned by this window.
  void setRunPreferences(std::function<bool()> fn) { runPreferences_ = std::move(fn); }

  // The data folder the file dialogs open in: $XDG_DATA_HOME/Vantorel/Halvex
  // (~/.local/share/Vantorel/Halvex), created when a dialog needs it.
  static QString dataDirectory();

  // --- the panels and the menu ---
  ReadoutPanel& readout() const { return *readout_; }
  StatisticsPanel& statistics() const { return *statistics_; }
  FilterPanel& filter() const { return *filter_; }
  ControlPanel& controls() const { return *controls_; }
  ChartControls& chart() const { return *chart_; }
  calibration::CalibrationPanel& calibrationPanel() const { return *calibrationPanel_; }
  const MainMenu& menu() const { return menu_; }

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
  QString caption(int index) const { return captionTexts_[static_cast<std::size_t>(index)]; }
  // What the status bar says now.
  QString statusText() const;

  // --- connection ---
  void COMClick(int number);  // COM11Click … COM201Click (number 1..20)
  void DisableAllCOMs();
  // Each port item: its name, and where it leads when that is a device.
  void describePortItems();
  // Opens the window that listens for the instrument on the serial lines.
  void FindInstrumentClick();
  void Poczony1Click();
  // "Automatyczne ponowne łączenie": turns reconnecting by itself on or off (stored).
  void AutoReconnect1Click();
  // "Format CSV" › commas or semicolons (stored as the string "CsvStyle").
  void setCsvStyle(measurement::CsvStyle style);
  // The device went away (hang-up, adapter unplugged): said once in the status bar; with
  // reconnecting on, the instrument tries the port again until it opens, else the window is
  // left disconnected.
  void ComPort1HangUp();
  bool Reconnecting() const;
  void ComPort1Open();
  void ComPort1Close();
  // The connection check (every 800 ms while connected): the "no transmission" light.
  void SprPolaczTimer(bool dataSeen);

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

  // --- calibration panel (service mode) ---
  void WyslijClick();
  void OdbierzClick();
  void OtworzClick();
  void ZapiszClick();
  // True while an upload runs (its message boxes run a nested event loop).
  bool UploadActive() const { return uploadActive_; }

  // --- result download ---
  void Pobierzwynikizurzdzenia1Click();
  // The download window, created with the other lasting windows; it shows the transfer
  // and its Anuluj cancels it.
  void attachDownloadWindow(TPobierzWin& window);

  // --- recording and replay ---
  void Zapisz1Click();
  void ZakonczClick();
  void Otwrz1Click();
  void TrackBar1Change();
  void Timer1Timer();
  void Danezurzdzenia1Click();
  void ShowReplayWindow(std::size_t start);
  bool RecordingActive() const { return recordingActive_; }
  // At start: each recording left behind by a program that ended without stopping it is
  // offered once (Yes: saved as a data file, No: deleted).
  void offerLeftoverRecordings();
  // SIGTERM or SIGHUP: a running recording ends as the user would end it, the port closes.
  void endSession();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void createMenus();
  void createTimers();
  void connectHandlers();
  void setupTransfers();
  // Buttons that start something, off while an upload runs.
  void setTransferButtons();
  void fitCaptions();
  // The controls of a closed connection (what a disconnect by hand leaves).
  void showDisconnected();
  // FormClose's work without ending the program: the port closed, its name stored.
  void closePortAndStoreIt();
  // "Połączony na <port>" or "Nie połączony".
  QString connectionStatusText() const;
  void showPanelButtonHints(const PanelButtonHints& hints);

  // Sends one command of the remote-control menu; see link/remote_control.h.
  void sendRemoteCommand(char letter, std::uint8_t a, bool clearsChart);
  void applyLanguageFromSettings();
  // The live session's inputs follow the controls they come from.
  void bindLiveInputs();
  void showGatheredReadout();

  // --- the instrument's events ---
  void measurementFrame(const std::uint8_t* frame18) override;
  void connectionOpened() override { ComPort1Open(); }
  void connectionClosed() override { ComPort1Close(); }
  void connectionLost() override { ComPort1HangUp(); }
  void connectionChecked(bool dataSeen) override { SprPolaczTimer(dataSeen); }
  void message(const std::string& text) override;
  // --- each sample of the live session: readout, statistics, chart ---
  void sample(const measurement::Sample& s) override;
  void setRecordingControls(bool recording);
  bool writeRecording();
  void startJournal();
  void pollJournal();
  void recomputeReplay();
  void recomputeReplayValues();
  bool replayShown() const;
  qtkit::FileDialogRequest dataFileRequest() const;

  qtkit::SettingsStore& store_;
  qtkit::Dialogs& dialogs_;
  session::Session& session_;
  devlink::Instrument& instrument_;
  measurement::LiveSession& live_;
  measurement::LineStore& lines_;
  calibration::CalibrationData& calibration_;
  calibration::ReadbackSession& readback_;
  devlink::ResultDownload& download_;
  std::array<QString, kCaptionCount> captionTexts_;
  QWidget* client_;
  QStatusBar* statusBar_;
  QTimer* timer1_;  // replay redraw after scrolling, 250 ms
  ReadoutPanel* readout_;
  StatisticsPanel* statistics_;
  FilterPanel* filter_;
  ControlPanel* controls_;
  std::unique_ptr<ChartControls> chart_;
  calibration::CalibrationPanel* calibrationPanel_;
  MainMenu menu_;

  // What the readout is to show next, gathered from the frames since the last showing.
  measurement::DisplayUpdate gathered_;
  std::unique_ptr<measurement::RefreshThrottle> readoutRefresh_;
  bool recordingActive_ = false;
  // The running recording's lines, durable once a second, for the next start after a crash.
  measurement::RecordingJournal journal_;
  QTimer* journalPoll_ = nullptr;
  measurement::LineRecordingSink lineSink_{lines_, journal_};
  // A recording to a ".csv" file streams its rows there instead of gathering lines.
  measurement::CsvRecording csv_;
  measurement::CsvRecordingSink csvSink_{csv_};
  bool csvActive_ = false;
  measurement::CsvStyle csvStyle_ = measurement::CsvStyle::Comma;
  const CaptionTable* captionTable_ = &kPolishCaptions;
  bool journalProblemTold_ = false;
  QString recordingFileName_;
  // The lines in the buffer are those of the opened file (a recording replaces them).
  bool bufferHoldsReplay_ = false;
  bool uploadActive_ = false;
  // The upload's steps; its wait (the instrument storing the calibration) runs on
  // uploadWaitTimer_, so the window goes on handling events meanwhile.
  calibration::UploadRunner upload_;
  QTimer* uploadWaitTimer_ = nullptr;
  void uploadEnded();
  // The port or the window closes: a running upload ends where it stands.
  void stopUpload();

  std::function<void()> showAbout_;
  PortDescriber portDescriber_;
  std::function<std::vector<std::string>()> instrumentLines_;
  std::function<void()> showPassword_;
  std::function<void()> showUserSettings_;
  std::function<void()> createReport_;
  std::function<void()> calibrationCard_;
  std::function<void(const QString&)> toolkitLanguage_;
  std::function<bool()> runPreferences_;
};

}  // namespace app
