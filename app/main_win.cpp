// The main window's controls, menus and timers, and how they are bound to the handlers.
#include "app/main_win.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include "app/qt_delivery.h"
#include "app/settings_store.h"
#include "measurement/wykres.h"

namespace app {

namespace {

// Colours of the window's own surfaces (the captions' colours are in main_win.h).
const QColor kPanelGrey(58, 58, 58);
const QColor kPanelTitle(224, 224, 224);
const QColor kResetRed(200, 0, 0);

QFont pixelFont(const QFont& base, int pixels, bool bold = false) {
  QFont f = base;
  f.setPixelSize(pixels);
  f.setBold(bold);
  return f;
}

template <class W>
W* named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int x, int y, int w,
                  int h, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
  auto* label = named(new QLabel(text, parent), name);
  label->setGeometry(x, y, w, h);
  label->setAlignment(align);
  return label;
}

// A group box on the dark readout panel: light title, transparent body.
QGroupBox* makeReadoutGroup(QWidget* parent, const char* name, const QString& title, int x, int y,
                            int w, int h) {
  auto* box = named(new QGroupBox(title, parent), name);
  box->setGeometry(x, y, w, h);
  QPalette p = box->palette();
  p.setColor(QPalette::WindowText, kPanelTitle);
  box->setPalette(p);
  return box;
}

QFrame* makePanel(QWidget* parent, const char* name, int x, int y, int w, int h) {
  auto* panel = named(new QFrame(parent), name);
  panel->setGeometry(x, y, w, h);
  panel->setFrameShape(QFrame::StyledPanel);
  panel->setFrameShadow(QFrame::Raised);
  return panel;
}

QToolButton* makeSpeedButton(QWidget* parent, const char* name, QStyle::StandardPixmap icon, int x,
                             int y) {
  auto* button = named(new QToolButton(parent), name);
  button->setGeometry(x, y, 25, 25);
  button->setAutoRaise(true);
  button->setIcon(parent->style()->standardIcon(icon));
  button->setIconSize(QSize(16, 16));
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

}  // namespace

std::uint32_t labelColour(const QLabel* label) {
  return label->palette().color(QPalette::WindowText).rgb() & 0xFFFFFFu;
}

void setLabelColour(QLabel* label, std::uint32_t rgb) {
  QPalette p = label->palette();
  const QColor colour(QRgb(0xFF000000u | rgb));
  if (p.color(QPalette::WindowText) == colour) return;
  p.setColor(QPalette::WindowText, colour);
  label->setPalette(p);
}

TMainWin::TMainWin(SettingsStore& store, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      ComPort1(std::make_unique<devlink::TComPort>()),
      Receiver([this](std::uint8_t* buffer, int count) { return ComPort1->Read(buffer, count); }),
      Commands(
          [this](const std::uint8_t* bytes, int count) { return ComPort1->Write(bytes, count); },
          [this](const std::string& text) { dialogs_.message(QString::fromStdString(text)); }),
      StateTimer(Receiver, Commands, [this] { return CalibrationAddressTable[1]; }),
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

  createReadoutPanel();
  createSidePanels();
  createChartArea();
  createCalibrationGroup();
  // The labels that change with every frame paint their own background, so that
  // updating them does not repaint the group boxes and panels behind them: following
  // the instrument live then costs a fraction of the CPU.
  for (QLabel* l : {SWynik, Label9, Label8, Label7, STemp, Min, Max, Avr, _uiAmplitude})
    l->setAutoFillBackground(true);

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
  // The port calls back into the window while it closes; the window is going away.
  ComPort1->OnAfterOpen = nullptr;
  ComPort1->OnAfterClose = nullptr;
  ComPort1->OnRxChar = nullptr;
  try {
    if (ComPort1->Connected()) ComPort1->Close();
  } catch (...) {
    // Nothing to tell anyone any more.
  }
}

void TMainWin::createReadoutPanel() {
  Panel1 = named(new QFrame(Client), "Panel1");
  Panel1->setGeometry(8, 8, 369, 153);
  Panel1->setFrameShape(QFrame::Panel);
  Panel1->setFrameShadow(QFrame::Sunken);
  Panel1->setLineWidth(2);
  Panel1->setAutoFillBackground(true);
  QPalette dark = Panel1->palette();
  dark.setColor(QPalette::Window, kPanelGrey);
  dark.setColor(QPalette::WindowText, QColor(QRgb(0xFF000000u | kSilver)));
  Panel1->setPalette(dark);

  const QFont base = Client->font();

  GroupBox1 = makeReadoutGroup(Panel1, "GroupBox1", QStringLiteral(" Wynik "), 6, 4, 244, 72);
  SWynik =
      makeLabel(GroupBox1, "SWynik", QString(), 2, 18, 218, 46, Qt::AlignRight | Qt::AlignVCenter);
  SWynik->setFont(pixelFont(base, 24, true));
  Falka = makeLabel(GroupBox1, "Falka", QStringLiteral("~"), 220, 18, 20, 30, Qt::AlignCenter);
  Falka->setFont(pixelFont(base, 22, true));
  Falka->hide();

  GroupBox2 = makeReadoutGroup(Panel1, "GroupBox2", QStringLiteral(" Osie "), 6, 78, 154, 69);
  const QFont small = pixelFont(base, 11, true);
  LabelX = makeLabel(GroupBox2, "LabelX", QStringLiteral("X"), 8, 16, 14, 16);
  LabelY = makeLabel(GroupBox2, "LabelY", QStringLiteral("Y"), 8, 32, 14, 16);
  LabelZ = makeLabel(GroupBox2, "LabelZ", QStringLiteral("Z"), 8, 48, 14, 16);
  Label9 =
      makeLabel(GroupBox2, "Label9", QString(), 22, 16, 126, 16, Qt::AlignRight | Qt::AlignVCenter);
  Label8 =
      makeLabel(GroupBox2, "Label8", QString(), 22, 32, 126, 16, Qt::AlignRight | Qt::AlignVCenter);
  Label7 =
      makeLabel(GroupBox2, "Label7", QString(), 22, 48, 126, 16, Qt::AlignRight | Qt::AlignVCenter);
  for (QLabel* l : {LabelX, LabelY, LabelZ, Label9, Label8, Label7}) l->setFont(small);
  for (QLabel* l : {LabelX, LabelY, LabelZ}) setLabelColour(l, kSilver);

  GroupBox4 =
      makeReadoutGroup(Panel1, "GroupBox4", QStringLiteral(" Temperatura "), 164, 78, 86, 69);
  STemp =
      makeLabel(GroupBox4, "STemp", QString(), 2, 26, 80, 20, Qt::AlignRight | Qt::AlignVCenter);
  STemp->setFont(pixelFont(base, 13, true));
  // The degree mark sits raised just before the "C" that ends the temperature text.
  const QFontMetrics fm(STemp->font());
  const int cLeft = STemp->x() + STemp->width() - fm.horizontalAdvance(QLatin1Char('C'));
  Label2 =
      makeLabel(GroupBox4, "Label2", QStringLiteral("o"), cLeft - 8, 20, 8, 12, Qt::AlignCenter);
  Label2->setFont(pixelFont(base, 9, true));
  STemp->hide();
  Label2->hide();

  GroupBox3 = makeReadoutGroup(Panel1, "GroupBox3", QStringLiteral(" Funkcje "), 254, 4, 108, 143);
  SOS = makeLabel(GroupBox3, "SOS", QStringLiteral("X"), 6, 16, 60, 20);
  SOS->setFont(pixelFont(base, 13, true));
  mode = makeLabel(GroupBox3, "mode", QStringLiteral("DC"), 62, 16, 40, 20,
                   Qt::AlignRight | Qt::AlignVCenter);
  mode->setFont(pixelFont(base, 13, true));
  setLabelColour(SOS, kAqua);
  setLabelColour(mode, kAqua);
  struct Indicator {
    QLabel** label;
    const char* name;
    const char* text;
  };
  const Indicator indicators[] = {{&F2, "F2", "Peak Hold"},      {&F3, "F3", "Relative"},
                                  {&F4, "F4", "Gradient"},       {&F5, "F5", "Results"},
                                  {&F6, "F6", "Filter"},         {&Label5, "Label5", "Battery Low"},
                                  {&BP, "BP", "No transmission"}};
  int y = 40;
  for (const Indicator& ind : indicators) {
    *ind.label = makeLabel(GroupBox3, ind.name, QString::fromLatin1(ind.text), 8, y, 92, 14);
    (*ind.label)->setFont(pixelFont(base, 11));
    setLabelColour(*ind.label, kSilver);
    y += 14;
  }

  setReadoutColours(kSilver, kSilver);
}

void TMainWin::createSidePanels() {
  const QFont base = Client->font();

  // Statistics.
  Panel2 = makePanel(Client, "Panel2", 384, 8, 153, 89);
  Dane = named(new QCheckBox(QStringLiteral("Obróbka danych "), Panel2), "Dane");
  Dane->setGeometry(6, 4, 140, 20);
  Dane->setChecked(true);
  LabelMinimum = makeLabel(Panel2, "LabelMinimum", QStringLiteral("Minimum:"), 8, 26, 64, 16);
  LabelMaksimum = makeLabel(Panel2, "LabelMaksimum", QStringLiteral("Maximum:"), 8, 44, 64, 16);
  LabelSrednia = makeLabel(Panel2, "LabelSrednia", QStringLiteral("Średnia:"), 8, 62, 64, 16);
  for (QLabel* l : {LabelMinimum, LabelMaksimum, LabelSrednia}) l->setFont(pixelFont(base, 11));
  Min = makeLabel(Panel2, "Min", QString(), 72, 26, 54, 16, Qt::AlignRight | Qt::AlignVCenter);
  Max = makeLabel(Panel2, "Max", QString(), 72, 44, 54, 16, Qt::AlignRight | Qt::AlignVCenter);
  Avr = makeLabel(Panel2, "Avr", QString(), 72, 62, 54, 16, Qt::AlignRight | Qt::AlignVCenter);
  for (QLabel* l : {Min, Max, Avr}) l->setFont(pixelFont(base, 12, true));
  Button1 = named(new QPushButton(QStringLiteral("c"), Panel2), "Button1");
  Button1->setGeometry(128, 62, 20, 20);
  Button1->setFont(pixelFont(base, 12, true));
  {
    QPalette p = Button1->palette();
    p.setColor(QPalette::Button, kResetRed);
    p.setColor(QPalette::ButtonText, Qt::white);
    Button1->setPalette(p);
    Button1->setAutoFillBackground(true);
  }

  // Digital filter.
  Panel3 = makePanel(Client, "Panel3", 384, 104, 153, 57);
  filtr = named(new QCheckBox(QStringLiteral("Filtr cyfrowy"), Panel3), "filtr");
  filtr->setGeometry(6, 4, 140, 20);
  LabelT = makeLabel(Panel3, "LabelT", QStringLiteral("T ="), 10, 30, 26, 18);
  Tau = named(new QLineEdit(QStringLiteral("1"), Panel3), "Tau");
  Tau->setGeometry(38, 28, 64, 22);
  Tau->setAlignment(Qt::AlignRight);
  LabelS = makeLabel(Panel3, "LabelS", QStringLiteral("[s]"), 108, 30, 30, 18);

  // Control.
  Panel4 = makePanel(Client, "Panel4", 543, 8, 130, 153);
  LabelSterowanie =
      makeLabel(Panel4, "LabelSterowanie", QStringLiteral("  Sterowanie"), 2, 4, 126, 18);
  LabelSterowanie->setFont(pixelFont(base, 12, true));
  auto button = [this](const char* name, const QString& text, int y) {
    auto* b = named(new QPushButton(text, Panel4), name);
    b->setGeometry(8, y, 114, 27);
    return b;
  };
  S_Polacz = button("S_Polacz", QStringLiteral("Połącz"), 26);
  S_Zapisz = button("S_Zapisz", QStringLiteral("Zapisz do pliku"), 58);
  S_Dane = button("S_Dane", QStringLiteral("Dane z urządzenia"), 90);
  S_Otworz = button("S_Otworz", QStringLiteral("Otwórz plik"), 122);
  S_Zapisz->setEnabled(false);
  S_Polacz->setIcon(style()->standardIcon(QStyle::SP_DriveNetIcon));
  S_Zapisz->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
  S_Dane->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
  S_Otworz->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));

  // Chart scaling.
  Panel5 = makePanel(Client, "Panel5", 544, 168, 129, 233);
  Autoskalowanie = named(new QCheckBox(QStringLiteral("Autoskalowanie"), Panel5), "Autoskalowanie");
  Autoskalowanie->setGeometry(6, 6, 120, 20);
  Autoskalowanie->setChecked(true);
  LabelW = makeLabel(Panel5, "LabelW", QStringLiteral("W"), 22, 30, 28, 16, Qt::AlignCenter);
  LabelO = makeLabel(Panel5, "LabelO", QStringLiteral("O"), 80, 30, 28, 16, Qt::AlignCenter);
  for (QLabel* l : {LabelW, LabelO}) l->setFont(pixelFont(base, 12, true));
  makeLabel(Panel5, "LabelWPlus", QStringLiteral("+"), 22, 46, 28, 14, Qt::AlignCenter);
  makeLabel(Panel5, "LabelOPlus", QStringLiteral("+"), 80, 46, 28, 14, Qt::AlignCenter);
  makeLabel(Panel5, "LabelWMinus", QStringLiteral("-"), 22, 206, 28, 14, Qt::AlignCenter);
  makeLabel(Panel5, "LabelOMinus", QStringLiteral("-"), 80, 206, 28, 14, Qt::AlignCenter);
  auto slider = [this](const char* name, int x, int min, int max, int pos) {
    auto* s = named(new QSlider(Qt::Vertical, Panel5), name);
    s->setGeometry(x, 62, 28, 142);
    s->setRange(min, max);
    s->setValue(pos);
    // The smallest value stands at the top, so "+" (zoom in, trace up) is up.
    s->setInvertedAppearance(true);
    s->setInvertedControls(true);
    s->setEnabled(false);
    return s;
  };
  W = slider("W", 22, 1, 100, 52);
  O = slider("O", 80, -10000, 10000, 500);
  O->setPageStep(100);
  W->setPageStep(5);
}

void TMainWin::createChartArea() {
  Wykres1 = named(new measurement::TWykres(Client, 529, 217), "Wykres1");
  Wykres1->move(8, 168);
  Wykres1->SetMax(0.1);
  Wykres1->SetAutoSkala(true);
  Wykres1->SetSkala(20.0);
  Wykres1->SetColorOut(measurement::clBtnFace);
  Wykres1->SetColorIn(measurement::rgbColor(128, 128, 128));
  Wykres1->SetColor(measurement::clYellow);
  Wykres1->SetSiatkaColor(measurement::rgbColor(147, 147, 147));

  Kosz = makeSpeedButton(Client, "Kosz", QStyle::SP_TrashIcon, 504, 176);
  Kosz->setToolTip(QString::fromUtf8(kPolishCaptions[caption::kClearChartHint]));
  Wstrzymaj = makeSpeedButton(Client, "Wstrzymaj", QStyle::SP_MediaPause, 16, 352);
  Wstrzymaj->setCheckable(true);
  Wstrzymaj->setToolTip(QString::fromUtf8(kHoldHintText));
  PokazSerwis = makeSpeedButton(Client, "PokazSerwis", QStyle::SP_TitleBarNormalButton, 504, 352);
  PokazSerwis->hide();

  TrackBar1 = named(new QScrollBar(Qt::Horizontal, Client), "TrackBar1");
  TrackBar1->setGeometry(8, 385, 529, 22);
  TrackBar1->setRange(1, 1);
  TrackBar1->setValue(1);
  TrackBar1->setPageStep(527);
  TrackBar1->hide();
}

void TMainWin::createCalibrationGroup() {
  Send = named(new QGroupBox(QStringLiteral(" Kalibracja "), Client), "Send");
  Send->setGeometry(8, 168, 529, 233);
  Send->setAutoFillBackground(true);

  PageControl1 = named(new QTabWidget(Send), "PageControl1");
  PageControl1->setGeometry(16, 20, 353, 205);
  PageControl1->setUsesScrollButtons(true);
  PageControl1->setDocumentMode(false);
  PageControl1->tabBar()->setFont(pixelFont(Client->font(), 11));
  const char* pages[] = {"Oś X",         "Oś Y", "Oś Z",  "Korekcja",   "Temperatura",
                         "Filtr i Faza", "PC",   "Sonda", "Diagnostyka"};
  const char* pageNames[] = {"TabOsX",      "TabOsY",         "TabOsZ",
                             "TabKorekcja", "TabTemperatura", "TabFiltrIFaza",
                             "TabPC",       "TabSonda",       "TabDiagnostyka"};
  QWidget* pc = nullptr;
  QWidget* diag = nullptr;
  for (int i = 0; i < 9; ++i) {
    auto* page = named(new QWidget(PageControl1), pageNames[i]);
    PageControl1->addTab(page, QString::fromUtf8(pages[i]));
    if (i == 6) pc = page;
    if (i == 8) diag = page;
  }
  PageControl1->setCurrentIndex(5);

  // Page "PC": options of the live processing and of recording.
  ProgWlacz = named(new QCheckBox(QStringLiteral("Próg:"), pc), "ProgWlacz");
  ProgWlacz->setGeometry(8, 10, 90, 20);
  TempProg = named(new QLineEdit(pc), "TempProg");
  TempProg->setGeometry(104, 9, 80, 22);
  FTovik = named(new QCheckBox(QStringLiteral("Filtr Tovik"), pc), "FTovik");
  FTovik->setGeometry(8, 44, 100, 20);
  makeLabel(pc, "LabelFTTau", QStringLiteral("T ="), 112, 44, 28, 20);
  FT_Tau = named(new QLineEdit(QStringLiteral("1"), pc), "FT_Tau");
  FT_Tau->setGeometry(142, 43, 60, 22);
  makeLabel(pc, "LabelFTProg", QStringLiteral("Próg ="), 212, 44, 44, 20);
  FT_Prog = named(new QLineEdit(QStringLiteral("50"), pc), "FT_Prog");
  FT_Prog->setGeometry(258, 43, 60, 22);
  OstatniEkran =
      named(new QCheckBox(QStringLiteral("Zapisuj tylko pierwszy ekran."), pc), "OstatniEkran");
  OstatniEkran->setGeometry(8, 84, 300, 20);

  // Page "Diagnostyka": the largest jump between consecutive raw readings.
  makeLabel(diag, "LabelAmplituda", QStringLiteral("Amplituda:"), 8, 12, 80, 20);
  _uiAmplitude = makeLabel(diag, "_uiAmplitude", QStringLiteral("0"), 90, 12, 80, 20,
                           Qt::AlignRight | Qt::AlignVCenter);
  _uiAmplitude->setFont(pixelFont(Client->font(), 12, true));
  _uiClearAverage = named(new QPushButton(QStringLiteral("c"), diag), "_uiClearAverage");
  _uiClearAverage->setGeometry(178, 12, 20, 20);

  auto button = [this](const char* name, const QString& text, int x, int y) {
    auto* b = named(new QPushButton(text, Send), name);
    b->setGeometry(x, y, 57, 25);
    return b;
  };
  Wyslij = button("Wyslij", QStringLiteral("Wyślij"), 383, 40);
  Odbierz = button("Odbierz", QStringLiteral("Odbierz"), 456, 40);
  Otworz = button("Otworz", QStringLiteral("Otwórz"), 384, 72);
  Zapisz = button("Zapisz", QStringLiteral("Zapisz"), 456, 72);
  BitBtn1 = button("BitBtn1", QString(), 384, 103);
  BitBtn1->setIcon(QIcon::fromTheme(QStringLiteral("document-print"),
                                    style()->standardIcon(QStyle::SP_FileDialogDetailedView)));
  Power = button("Power", QStringLiteral("Power"), 456, 104);
  Wyslij->setEnabled(false);
  Odbierz->setEnabled(false);
  Power->setEnabled(false);
  SaveEPROM = named(new QCheckBox(QStringLiteral("Zapisz do EEPROM"), Send), "SaveEPROM");
  SaveEPROM->setGeometry(392, 136, 130, 20);
  Label4 = makeLabel(Send, "Label4", QStringLiteral("Numer sondy:"), 372, 159, 86, 18,
                     Qt::AlignRight | Qt::AlignVCenter);
  Label4->setFont(pixelFont(Client->font(), 11));
  NR = named(new QLineEdit(Send), "NR");
  NR->setGeometry(461, 158, 52, 19);
  NR->setMaxLength(5);
  UkrysSerwis = makeSpeedButton(Send, "UkrysSerwis", QStyle::SP_TitleBarMinButton, 496, 184);
  Postep = named(new QProgressBar(Send), "Postep");
  Postep->setGeometry(384, 17, 129, 15);
  Postep->setRange(1, 68);
  Postep->setValue(1);
  Postep->setTextVisible(false);
  Postep->hide();

  Send->hide();
}

void TMainWin::createMenus() {
  QMenuBar* bar = menuBar();
  bar->setNativeMenuBar(false);
  bar->setObjectName(QStringLiteral("MainMenu1"));

  // The menus have no parent widget: a QMenu that is a child of the window would follow the
  // window's enabling (disabled during the splash) and carry it into its menu item, which
  // would then lose its own state (e.g. the remote-control menu, enabled only while
  // connected). The window owns them itself; their items are the window's children.
  auto menu = [this](QWidget*, const char* name, const QString& title) {
    auto* m = named(new QMenu(title), name);
    m->menuAction()->setObjectName(QString::fromLatin1(name));
    ownedMenus_.emplace_back(m);
    return m;
  };
  auto item = [this](QMenu* m, const char* name, const QString& text, std::function<void()> handler,
                     const QKeySequence& shortcut = {}) {
    auto* a = named(new QAction(text, this), name);
    if (!shortcut.isEmpty()) a->setShortcut(shortcut);
    m->addAction(a);
    connect(a, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
    return a;
  };
  // Check marks belong to the handlers, as the menu items of the form do not check
  // themselves: the toggle Qt makes before `triggered` is taken back first.
  auto checkItem = [this](QMenu* m, const char* name, const QString& text,
                          std::function<void()> handler, bool checked) {
    auto* a = named(new QAction(text, this), name);
    a->setCheckable(true);
    a->setChecked(checked);
    m->addAction(a);
    connect(a, &QAction::triggered, this, [a, handler = std::move(handler)](bool now) {
      a->setChecked(!now);
      handler();
    });
    return a;
  };

  Plik1 = menu(bar, "Plik1", QStringLiteral("&Plik"));
  bar->addMenu(Plik1);
  Otwrz1 = item(
      Plik1, "Otwrz1", QStringLiteral("&Otwórz plik..."), [this] { Otwrz1Click(); },
      QKeySequence(Qt::CTRL | Qt::Key_O));
  Zapisz1 = item(
      Plik1, "Zapisz1", QStringLiteral("&Zapisz do pliku..."), [this] { Zapisz1Click(); },
      QKeySequence(Qt::CTRL | Qt::Key_Z));
  Zakoncz = item(Plik1, "Zakoncz", QStringLiteral("&Zakończ zapisywanie do pliku"),
                 [this] { ZakonczClick(); });
  Plik1->addSeparator();
  Pobierzwynikizurzdzenia1 = item(Plik1, "Pobierzwynikizurzdzenia1",
                                  QStringLiteral("Pobierz wyniki z urządzenia"), [this] {
                                    if (downloadResults_) downloadResults_();
                                  });
  Plik1->addSeparator();
  Koniec1 = item(Plik1, "Koniec1", QStringLiteral("&Koniec"), [this] { Koniec1Click(); });
  Zapisz1->setEnabled(false);
  Zakoncz->setEnabled(false);
  Pobierzwynikizurzdzenia1->setEnabled(false);

  Widok1 = menu(bar, "Widok1", QStringLiteral("Widok"));
  bar->addMenu(Widok1);
  Minmax1 = checkItem(
      Widok1, "Minmax1", QStringLiteral("Obróbka danych"), [this] { Minmax1Click(); }, true);
  Widok1->addSeparator();
  Danezurzdzenia1 = checkItem(
      Widok1, "Danezurzdzenia1", QStringLiteral("Dane z urządzenia"),
      [this] { Danezurzdzenia1Click(); }, true);

  Serwis = menu(bar, "Serwis", QStringLiteral("&Serwis"));
  bar->addMenu(Serwis);
  Zmieuytkownika1 = item(
      Serwis, "Zmieuytkownika1", QStringLiteral("Zmień &użytkownika..."),
      [this] {
        if (showUserSettings_) showUserSettings_();
      },
      QKeySequence(Qt::CTRL | Qt::Key_U));
  Serwis->addSeparator();
  Wyjdztryb1 = item(Serwis, "Wyjdztryb1", QStringLiteral("&Wyjdź z trybu serwisowego"),
                    [this] { LeaveServiceMode(); });
  Serwis->menuAction()->setVisible(false);

  Ustawienia = menu(bar, "Ustawienia", QStringLiteral("&Ustawienia"));
  bar->addMenu(Ustawienia);
  Poczony1 = checkItem(
      Ustawienia, "Poczony1", QStringLiteral("Połączony"), [this] { Poczony1Click(); }, false);
  Trans = menu(Ustawienia, "Trans", QStringLiteral("Parametry &transmisji"));
  Ustawienia->addMenu(Trans);
  for (int n = 1; n <= kComPortCount; ++n) {
    const QByteArray name = n == 5 ? QByteArray("Com51") : "COM" + QByteArray::number(n) + "1";
    COMs[static_cast<std::size_t>(n - 1)] = checkItem(
        Trans, name.constData(), QStringLiteral("COM%1").arg(n), [this, n] { COMClick(n); },
        n == 1);
  }
  Ustawienia->addSeparator();
  Ustawieniaserwisowe1 = item(
      Ustawienia, "Ustawieniaserwisowe1", QStringLiteral("Tryb &serwisowy..."),
      [this] {
        if (showPassword_) showPassword_();
      },
      QKeySequence(Qt::CTRL | Qt::Key_S));
  Zmiejzyk1 =
      item(Ustawienia, "Zmiejzyk1", QStringLiteral("Zmień język"), [this] { Zmiejzyk1Click(); });
  // Ctrl+T opens the port list, as its menu item's shortcut.
  auto* transShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_T), this);
  connect(transShortcut, &QShortcut::activated, this, [this] {
    if (Trans->menuAction()->isEnabled())
      Trans->popup(mapToGlobal(QPoint(40, menuBar()->height())));
  });

  Raport1 = menu(bar, "Raport1", QStringLiteral("Raport"));
  bar->addMenu(Raport1);
  Twrzraport1 = item(Raport1, "Twrzraport1", QStringLiteral("Twórz raport"), [this] {
    if (createReport_) createReport_();
  });

  Sterowanie = menu(bar, "Sterowanie", QStringLiteral("Sterowanie przyrzadem"));
  bar->addMenu(Sterowanie);
  auto command = [this, &item](QMenu* m, const char* name, const QString& text, char letter,
                               std::uint8_t a) {
    return item(m, name, text, [this, letter, a] { sendMenuCommand(letter, a); });
  };
  Trybpomiaru1 = menu(Sterowanie, "Trybpomiaru1", QStringLiteral("Tryb pomiaru"));
  Sterowanie->addMenu(Trybpomiaru1);
  Polemagnetyczne1 = menu(Trybpomiaru1, "Polemagnetyczne1", QStringLiteral("Pole magnetyczne"));
  Trybpomiaru1->addMenu(Polemagnetyczne1);
  DC1 = command(Polemagnetyczne1, "DC1", QStringLiteral("DC"), 'M', 0);
  AC1 = command(Polemagnetyczne1, "AC1", QStringLiteral("AC"), 'M', 2);
  Ekstremum1 = menu(Trybpomiaru1, "Ekstremum1", QStringLiteral("Ekstremum"));
  Trybpomiaru1->addMenu(Ekstremum1);
  Max2 = command(Ekstremum1, "Max2", QStringLiteral("Yes"), 'P', 1);
  Nie1 = command(Ekstremum1, "Nie1", QStringLiteral("Nie"), 'P', 0);

  Nastawy1 = menu(Sterowanie, "Nastawy1", QStringLiteral("Nastawy"));
  Sterowanie->addMenu(Nastawy1);
  Zakres1 = menu(Nastawy1, "Zakres1", QStringLiteral("Zakres"));
  Nastawy1->addMenu(Zakres1);
  Auto1 = command(Zakres1, "Auto1", QStringLiteral("Auto"), 'R', 4);
  N20mT1 = command(Zakres1, "N20mT1", QStringLiteral("20 mT"), 'R', 0);
  N200mT1 = command(Zakres1, "N200mT1", QStringLiteral("200mT"), 'R', 1);
  N2000mT1 = command(Zakres1, "N2000mT1", QStringLiteral("2000mT"), 'R', 2);
  Osie1 = menu(Nastawy1, "Osie1", QStringLiteral("Osie"));
  Nastawy1->addMenu(Osie1);
  X1 = command(Osie1, "X1", QStringLiteral("X"), 'A', 0);
  Y1 = command(Osie1, "Y1", QStringLiteral("Y"), 'A', 1);
  Z1 = command(Osie1, "Z1", QStringLiteral("Z"), 'A', 2);
  Wektor1 = command(Osie1, "Wektor1", QStringLiteral("Wektor"), 'A', 3);
  Jednostki1 = menu(Nastawy1, "Jednostki1", QStringLiteral("Jednostki"));
  Nastawy1->addMenu(Jednostki1);
  Gs1 = command(Jednostki1, "Gs1", QStringLiteral("Gs"), 'U', 2);
  mT1 = command(Jednostki1, "mT1", QStringLiteral("mT"), 'U', 0);
  kAm1 = command(Jednostki1, "kAm1", QStringLiteral("kA/m"), 'U', 1);

  Funkcjedodatkowe1 = menu(Sterowanie, "Funkcjedodatkowe1", QStringLiteral("Funkcje dodatkowe"));
  Sterowanie->addMenu(Funkcjedodatkowe1);
  Zerowanie1 = command(Funkcjedodatkowe1, "Zerowanie1", QStringLiteral("Zerowanie"), 'H', 0);
  Filtr1 = menu(Funkcjedodatkowe1, "Filtr1", QStringLiteral("Filtr"));
  Funkcjedodatkowe1->addMenu(Filtr1);
  Tak3 = command(Filtr1, "Tak3", QStringLiteral("Tak"), 'F', 1);
  Nie6 = command(Filtr1, "Nie6", QStringLiteral("Nie"), 'F', 0);
  Aktywny1 = menu(Funkcjedodatkowe1, "Aktywny1", QStringLiteral("Aktywny"));
  Funkcjedodatkowe1->addMenu(Aktywny1);
  N3min1 = command(Aktywny1, "N3min1", QStringLiteral("3 min."), 'T', 1);
  N6min1 = command(Aktywny1, "N6min1", QStringLiteral("6 min."), 'T', 2);
  N12min1 = command(Aktywny1, "N12min1", QStringLiteral("12 min."), 'T', 3);
  Nie7 = command(Aktywny1, "Nie7", QStringLiteral("Nie"), 'T', 0);
  Wyniki1 = menu(Funkcjedodatkowe1, "Wyniki1", QStringLiteral("Wyniki"));
  Funkcjedodatkowe1->addMenu(Wyniki1);
  // "Yes" switches the results memory on: 1, as every other yes of this menu.
  Tak4 = command(Wyniki1, "Tak4", QStringLiteral("Tak"), 'B', 1);
  Nie8 = command(Wyniki1, "Nie8", QStringLiteral("Nie"), 'B', 0);
  Jzyk1 = menu(Funkcjedodatkowe1, "Jzyk1", QStringLiteral("Język"));
  Funkcjedodatkowe1->addMenu(Jzyk1);
  Polski1 = item(Jzyk1, "Polski1", QStringLiteral("Polski"), [this] { Polski1Click(); });
  Angielski1 =
      item(Jzyk1, "Angielski1", QStringLiteral("Angielski"), [this] { Angielski1Click(); });
  Sterowanie->menuAction()->setEnabled(false);

  Pomoc1 = menu(bar, "Pomoc1", QStringLiteral("P&omoc"));
  bar->addMenu(Pomoc1);
  OProgramie1 = item(
      Pomoc1, "OProgramie1", QStringLiteral("&O Programie"), [this] { OProgramie1Click(); },
      QKeySequence(Qt::Key_F1));
}

void TMainWin::createTimers() {
  SprPolacz = named(new QTimer(this), "SprPolacz");
  SprPolacz->setInterval(800);
  ZmienStan = named(new QTimer(this), "ZmienStan");
  ZmienStan->setInterval(devlink::StateTimer::kIntervalMs);
  Timer1 = named(new QTimer(this), "Timer1");
  Timer1->setInterval(250);
}

void TMainWin::connectHandlers() {
  connect(S_Polacz, &QPushButton::clicked, this, [this] { Poczony1Click(); });
  // The record button starts a recording or, while one runs, ends it.
  connect(S_Zapisz, &QPushButton::clicked, this,
          [this] { recordingActive_ ? ZakonczClick() : Zapisz1Click(); });
  connect(S_Dane, &QPushButton::clicked, this, [this] { Danezurzdzenia1Click(); });
  connect(S_Otworz, &QPushButton::clicked, this, [this] { Otwrz1Click(); });

  // Check boxes run their handler on every change of state, also one made by code.
  connect(Dane, &QCheckBox::toggled, this, [this] { DaneClick(); });
  connect(filtr, &QCheckBox::toggled, this, [this] { filtrClick(); });
  connect(ProgWlacz, &QCheckBox::toggled, this, [this] { ProgWlaczClick(); });
  connect(FTovik, &QCheckBox::toggled, this, [this] { FTovikClick(); });
  connect(Autoskalowanie, &QCheckBox::toggled, this, [this] { AutoskalowanieClick(); });
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(_uiClearAverage, &QPushButton::clicked, this, [this] { _uiClearAverageClick(); });

  connect(W, &QSlider::valueChanged, this, [this] { WChange(); });
  connect(O, &QSlider::valueChanged, this, [this] { WChange(); });
  connect(Kosz, &QToolButton::clicked, this, [this] { KoszClick(); });
  connect(TrackBar1, &QScrollBar::valueChanged, this, [this] { TrackBar1Change(); });

  connect(PokazSerwis, &QToolButton::clicked, this, [this] { PokazSerwisClick(); });
  connect(UkrysSerwis, &QToolButton::clicked, this, [this] { UkrysSerwisClick(); });
  connect(Power, &QPushButton::clicked, this, [this] { PowerClick(); });
  connect(BitBtn1, &QPushButton::clicked, this, [this] {
    if (calibrationCard_) calibrationCard_();
  });

  connect(SprPolacz, &QTimer::timeout, this, [this] { SprPolaczTimer(); });
  connect(ZmienStan, &QTimer::timeout, this, [this] { ZmienStanTimer(); });
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
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
  attachDeliveryQueue(ComPort1->Deliveries(), this);

  Receiver.onMeasurementFrame = [this](const std::uint8_t* frame) {
    processMeasurementFrame(frame);
  };
  StateTimer.setEnabled = [this](bool on) {
    if (on)
      ZmienStan->start();
    else
      ZmienStan->stop();
  };
}

void TMainWin::fitCaptions() {
  // Some languages' captions are longer than the buttons: their type gets smaller until
  // the caption fits (down to a readable minimum).
  for (QPushButton* b :
       {S_Polacz, S_Zapisz, S_Dane, S_Otworz, Wyslij, Odbierz, Otworz, Zapisz, Power}) {
    const int room = b->width() - 10 - (b->icon().isNull() ? 0 : b->iconSize().width() + 4);
    int pixels = 12;
    QFont f = pixelFont(Client->font(), pixels);
    while (pixels > 9 && QFontMetrics(f).horizontalAdvance(b->text()) > room)
      f.setPixelSize(--pixels);
    if (b->font() != f) b->setFont(f);
  }
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
