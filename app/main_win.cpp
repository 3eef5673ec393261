// The main window's construction: its client area, panels, status bar and timers, and how
// the controls and the port are bound to the handlers.
#include "app/main_win.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

#include "app/chart_controls.h"
#include "qtkit/qt_delivery.h"
#include "app/readout_panel.h"
#include "qtkit/settings_store.h"
#include "app/side_panels.h"
#include "qtkit/widget_helpers.h"
#include "calibration/calibration_panel.h"
#include "measurement/wykres.h"
#include "session/session.h"

namespace app {

TMainWin::TMainWin(SettingsStore& store, Dialogs& dialogs, session::Session& session,
                   QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      store_(store),
      dialogs_(dialogs),
      session_(session),
      instrument_(session.instrument()),
      live_(session.live()),
      lines_(session.lines()),
      calibration_(session.calibration()),
      readback_(session.readback()),
      download_(session.download()) {
  setObjectName(QStringLiteral("MainWin"));
  setWindowTitle(QString::fromUtf8(kWindowCaption));
  setAttribute(Qt::WA_QuitOnClose, true);

  client_ = named(new QWidget(this), "Client");
  client_->setFixedSize(kClientWidth, kClientHeight);
  client_->setFont(pixelFont(font(), 12));
  setCentralWidget(client_);

  for (std::size_t i = 0; i < captionTexts_.size(); ++i)
    captionTexts_[i] = QString::fromUtf8(kPolishCaptions[i]);

  readout_ = new ReadoutPanel(client_);
  statistics_ = new StatisticsPanel(client_);
  filter_ = new FilterPanel(client_);
  controls_ = new ControlPanel(client_);
  chart_ = std::make_unique<ChartControls>(client_);
  calibrationPanel_ = new calibration::CalibrationPanel(client_, calibration_);
  showPanelButtonHints(kPanelHintsPl);  // until a language table is applied

  readoutRefresh_ =
      std::make_unique<measurement::RefreshThrottle>(this, [this] { showGatheredReadout(); });
  setLiveRefreshInterval(kLiveRefreshMs);

  statusBar_ = named(new QStatusBar(client_), "StatusBar1");
  statusBar_->setGeometry(0, 416, kClientWidth, 21);
  statusBar_->setSizeGripEnabled(false);
  statusBar_->showMessage(QString::fromUtf8(kNotConnectedText));

  createMenus();
  fitCaptions();
  createTimers();
  connectHandlers();
  bindLiveInputs();
  setupTransfers();
  instrument_.setListener(this);
  live_.addSink(*this);

  // The client area keeps its size; the window is its menu bar plus that area.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  adjustSize();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect frame = screen->availableGeometry();
    move(frame.center() - QPoint(width() / 2, height() / 2));
  }
  // Disabled until the start-up splash has gone.
  setEnabled(false);
}

TMainWin::~TMainWin() {
  stopUpload();
  // The session outlives the window: it stops telling the window anything.
  instrument_.setListener(nullptr);
  live_.removeSink(*this);
  live_.removeSink(lineSink_);
  live_.removeSink(csvSink_);
  live_.setRecording(false);
  download_.view = devlink::DownloadView{};
  readback_.onRunningChanged = nullptr;
  readback_.onProgress = nullptr;
  readback_.onCompleted = nullptr;
  readback_.showMessage = nullptr;
  // The panel shows the data set; it goes before the window's other children.
  delete calibrationPanel_;
  calibrationPanel_ = nullptr;
}

void TMainWin::createTimers() {
  timer1_ = named(new QTimer(this), "Timer1");
  timer1_->setInterval(250);
  journalPoll_ = named(new QTimer(this), "journalPoll");
  journalPoll_->setInterval(measurement::DurableAppender::kFlushIntervalMs);
}

void TMainWin::connectHandlers() {
  ControlPanel& c = *controls_;
  connect(c.S_Polacz, &QPushButton::clicked, this, [this] { Poczony1Click(); });
  // The record button starts a recording or, while one runs, ends it.
  connect(c.S_Zapisz, &QPushButton::clicked, this,
          [this] { recordingActive_ ? ZakonczClick() : Zapisz1Click(); });
  connect(c.S_Dane, &QPushButton::clicked, this, [this] { Danezurzdzenia1Click(); });
  connect(c.S_Otworz, &QPushButton::clicked, this, [this] { Otwrz1Click(); });

  // Check boxes run their handler on every change of state, also one made by code.
  connect(statistics_->Dane, &QCheckBox::toggled, this, [this] { DaneClick(); });
  connect(statistics_->Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(filter_->filtr, &QCheckBox::toggled, this, [this] { filtrClick(); });

  ChartControls& ch = *chart_;
  connect(ch.Autoskalowanie, &QCheckBox::toggled, this, [this] { AutoskalowanieClick(); });
  connect(ch.W, &QSlider::valueChanged, this, [this] { WChange(); });
  connect(ch.O, &QSlider::valueChanged, this, [this] { WChange(); });
  connect(ch.Kosz, &QToolButton::clicked, this, [this] { KoszClick(); });
  connect(ch.TrackBar1, &QScrollBar::valueChanged, this, [this] { TrackBar1Change(); });
  connect(ch.PokazSerwis, &QToolButton::clicked, this, [this] { PokazSerwisClick(); });

  calibration::CalibrationPanel& cal = *calibrationPanel_;
  connect(cal.ProgWlacz, &QCheckBox::toggled, this, [this] { ProgWlaczClick(); });
  connect(cal.FTovik, &QCheckBox::toggled, this, [this] { FTovikClick(); });
  connect(cal._uiClearAverage, &QPushButton::clicked, this, [this] { _uiClearAverageClick(); });
  connect(cal.UkrysSerwis, &QToolButton::clicked, this, [this] { UkrysSerwisClick(); });
  connect(cal.Power, &QPushButton::clicked, this, [this] { PowerClick(); });
  connect(cal.BitBtn1, &QPushButton::clicked, this, [this] {
    if (calibrationCard_) calibrationCard_();
  });
  connect(cal.Wyslij, &QPushButton::clicked, this, [this] { WyslijClick(); });
  connect(cal.Odbierz, &QPushButton::clicked, this, [this] { OdbierzClick(); });
  connect(cal.Otworz, &QPushButton::clicked, this, [this] { OtworzClick(); });
  connect(cal.Zapisz, &QPushButton::clicked, this, [this] { ZapiszClick(); });

  connect(timer1_, &QTimer::timeout, this, [this] { Timer1Timer(); });
  connect(journalPoll_, &QTimer::timeout, this, [this] { pollJournal(); });
}

void TMainWin::fitCaptions() {
  for (QPushButton* b :
       {controls_->S_Polacz, controls_->S_Zapisz, controls_->S_Dane, controls_->S_Otworz})
    fitButtonCaption(b, client_->font());
}

void TMainWin::closeEvent(QCloseEvent* event) {
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
}

}  // namespace app
