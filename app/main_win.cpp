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

namespace app {

TMainWin::TMainWin(SettingsStore& store, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      ComPort1(std::make_unique<devlink::TComPort>()),
      Receiver([this](std::uint8_t* buffer, int count) { return ComPort1->Read(buffer, count); }),
      Commands(
          [this](const std::uint8_t* bytes, int count) { return ComPort1->Write(bytes, count); },
          [this](const std::string& text) { dialogs_.message(QString::fromStdString(text)); }),
      StateTimer(Receiver, Commands,
                 [this] { return calibrationPanel_->CalibrationAddressTable[1]; }),
      Readback(Receiver, Commands, StateTimer, Calibration),
      Download(Receiver, Commands, StateTimer),
      store_(store),
      dialogs_(dialogs) {
  setObjectName(QStringLiteral("MainWin"));
  setWindowTitle(QString::fromUtf8(kWindowCaption));
  setAttribute(Qt::WA_QuitOnClose, true);

  Client = named(new QWidget(this), "Client");
  Client->setFixedSize(kClientWidth, kClientHeight);
  Client->setFont(pixelFont(font(), 12));
  setCentralWidget(Client);

  for (std::size_t i = 0; i < CaptionTexts.size(); ++i)
    CaptionTexts[i] = QString::fromUtf8(kPolishCaptions[i]);

  readout_ = new ReadoutPanel(Client);
  statistics_ = new StatisticsPanel(Client);
  filter_ = new FilterPanel(Client);
  controls_ = new ControlPanel(Client);
  chart_ = std::make_unique<ChartControls>(Client);
  calibrationPanel_ = new calibration::CalibrationPanel(Client, Calibration);
  showPanelButtonHints(kPanelHintsPl);  // until a language table is applied

  readoutRefresh_ =
      std::make_unique<measurement::RefreshThrottle>(this, [this] { showGatheredReadout(); });
  setLiveRefreshInterval(kLiveRefreshMs);

  StatusBar1 = named(new QStatusBar(Client), "StatusBar1");
  StatusBar1->setGeometry(0, 416, kClientWidth, 21);
  StatusBar1->setSizeGripEnabled(false);
  StatusBar1->showMessage(QString::fromUtf8(kNotConnectedText));

  createMenus();
  fitCaptions();
  createTimers();
  connectHandlers();
  setupPort();
  setupTransfers();

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
  // The panel shows the data set, which goes with the window's members, before the
  // window's children.
  delete calibrationPanel_;
  calibrationPanel_ = nullptr;
  // The port calls back into the window while it closes; the window is going away.
  ComPort1->OnAfterOpen = nullptr;
  ComPort1->OnAfterClose = nullptr;
  ComPort1->OnRxChar = nullptr;
  ComPort1->OnHangUp = nullptr;
  try {
    if (ComPort1->Connected()) ComPort1->Close();
  } catch (...) {
    // Nothing to tell anyone any more.
  }
}

void TMainWin::createTimers() {
  SprPolacz = named(new QTimer(this), "SprPolacz");
  SprPolacz->setInterval(800);
  ZmienStan = named(new QTimer(this), "ZmienStan");
  ZmienStan->setInterval(devlink::StateTimer::kIntervalMs);
  Timer1 = named(new QTimer(this), "Timer1");
  Timer1->setInterval(250);
  ReadbackReplyTimer = named(new QTimer(this), "ReadbackReplyTimer");
  ReadbackReplyTimer->setSingleShot(true);
  DownloadReplyTimer = named(new QTimer(this), "DownloadReplyTimer");
  DownloadReplyTimer->setSingleShot(true);
  reconnect_ = named(new QTimer(this), "reconnect");
  reconnect_->setInterval(kReconnectMs);
  journalPoll_ = named(new QTimer(this), "journalPoll");
  journalPoll_->setInterval(measurement::DurableAppender::kFlushIntervalMs);
  DrainTimer = named(new QTimer(this), "DrainTimer");
  DrainTimer->setSingleShot(true);
  // The guard and drain times are a few reply lengths: a coarse timer could run 5 % short.
  for (QTimer* t : {ReadbackReplyTimer, DownloadReplyTimer, DrainTimer})
    t->setTimerType(Qt::PreciseTimer);
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

  connect(SprPolacz, &QTimer::timeout, this, [this] { SprPolaczTimer(); });
  connect(ZmienStan, &QTimer::timeout, this, [this] { ZmienStanTimer(); });
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
  connect(ReadbackReplyTimer, &QTimer::timeout, this, [this] { Readback.replyTimedOut(); });
  connect(DownloadReplyTimer, &QTimer::timeout, this, [this] { Download.replyTimeout(); });
  connect(DrainTimer, &QTimer::timeout, this, [this] { Receiver.quietTimeout(); });
  connect(journalPoll_, &QTimer::timeout, this, [this] { pollJournal(); });
  connect(reconnect_, &QTimer::timeout, this, [this] { tryReconnect(); });
}

void TMainWin::setupPort() {
  // 9600 baud, 8 data bits, no parity, one stop bit, DTR on, RTS off, no flow control.
  ComPort1->SetPort("COM1");
  ComPort1->SetBaudRate(devlink::br9600);
  ComPort1->SetDataBits(devlink::dbEight);
  ComPort1->SetStopBits(devlink::sbOneStopBit);
  ComPort1->Parity().SetBits(devlink::prNone);
  ComPort1->FlowControl().SetControlDTR(devlink::dtrEnable);
  ComPort1->FlowControl().SetControlRTS(devlink::rtsDisable);
  ComPort1->FlowControl().SetOutCTSFlow(false);
  ComPort1->FlowControl().SetOutDSRFlow(false);
  ComPort1->FlowControl().SetXonXoffIn(false);
  ComPort1->FlowControl().SetXonXoffOut(false);
  ComPort1->OnAfterOpen = [this](devlink::TCustomComPort&) { ComPort1Open(); };
  ComPort1->OnAfterClose = [this](devlink::TCustomComPort&) { ComPort1Close(); };
  ComPort1->OnRxChar = [this](devlink::TCustomComPort&, int count) { ComPort1RxChar(count); };
  // A half frame left by a pulled cable must not be glued to the first frame after it.
  ComPort1->OnHangUp = [this](devlink::TCustomComPort&) { ComPort1HangUp(); };
  attachDeliveryQueue(ComPort1->Deliveries(), this);

  Receiver.onMeasurementFrame = [this](const std::uint8_t* frame) {
    processMeasurementFrame(frame);
  };
  Receiver.bytesWaiting = [this] { return ComPort1->Connected() ? ComPort1->BytesWaiting() : 0; };
  Receiver.armQuietTimer = [this](int ms) {
    if (ms > 0)
      DrainTimer->start(ms);
    else
      DrainTimer->stop();
  };
  StateTimer.setEnabled = [this](bool on) {
    if (on)
      ZmienStan->start();
    else
      ZmienStan->stop();
  };
}

void TMainWin::fitCaptions() {
  for (QPushButton* b :
       {controls_->S_Polacz, controls_->S_Zapisz, controls_->S_Dane, controls_->S_Otworz})
    fitButtonCaption(b, Client->font());
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
