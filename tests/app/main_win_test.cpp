// The main window's start-up, settings, languages, closing, small handlers and layout,
// checked by what the window shows and what it leaves in the settings store.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/preferences.h"
#include "tests/support/window_env.h"
#include "measurement/wykres.h"

namespace {

using app::TMainWin;
using testutil::WindowEnv;
namespace keys = qtkit::keys;

// Answers the preferences dialog that the window is about to show modally.
void answerPreferences(int languageIndex, bool ok) {
  QTimer::singleShot(0, [languageIndex, ok] {
    auto* dialog = qobject_cast<app::TPreferences*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    if (!ok) {
      dialog->reject();  // the close box
      return;
    }
    dialog->cbJezyk->setCurrentIndex(languageIndex);
    dialog->edImie->setText(QStringLiteral("Jan Kowalski"));
    QTest::mouseClick(dialog->Button1, Qt::LeftButton);
  });
}

// ---- start-up ------------------------------------------------------------------------------

TEST(MainWinStartUp, FirstRunShowsPreferencesAndGoesOnAfterOk) {
  WindowEnv env;
  answerPreferences(1, true);
  ASSERT_TRUE(env.start(std::nullopt));
  EXPECT_EQ(env.store.readString(keys::kProduct, keys::kLng), "en");
  EXPECT_EQ(env.store.readString(keys::kProduct, keys::kName), "Jan Kowalski");
  EXPECT_EQ(app::LanguageCode, "en");
  EXPECT_EQ(env.win->controls().S_Polacz->text(), "Connect");
  EXPECT_EQ(env.win->menu().Plik1->title(), "&File");
}

TEST(MainWinStartUp, FirstRunClosedWithoutOkEndsTheProgram) {
  WindowEnv env;
  answerPreferences(0, false);
  EXPECT_FALSE(env.start(std::nullopt));
  EXPECT_FALSE(env.store.valueExists(keys::kProduct, keys::kLng));
  EXPECT_FALSE(env.store.valueExists(keys::kProduct, keys::kComPort));
}

TEST(MainWinStartUp, KeyWithoutLanguageCountsAsFirstRun) {
  WindowEnv env;
  env.store.writeString(keys::kProduct, keys::kName, "x");
  bool asked = false;
  env.win = env.makeWindow();
  env.win->setRunPreferences([&] {
    asked = true;
    return false;
  });
  EXPECT_FALSE(env.win->FormCreate());
  EXPECT_TRUE(asked);
}

TEST(MainWinStartUp, WindowAsCreated) {
  WindowEnv env;
  ASSERT_TRUE(env.start("pl", std::nullopt, false));
  TMainWin& w = *env.win;
  EXPECT_EQ(w.windowTitle(), "Vantorel - Halvex 25.3.10");
  EXPECT_EQ(w.centralWidget()->size(), QSize(684, 437));
  EXPECT_EQ(w.minimumSize(), w.maximumSize());  // not resizable
  EXPECT_FALSE(w.isEnabled());                  // until the splash has gone
  w.setEnabled(true);  // the splash's end keeps the menus' own states
  EXPECT_FALSE(w.menu().Sterowanie->menuAction()->isEnabled());
  EXPECT_TRUE(w.menu().Trans->menuAction()->isEnabled());
  EXPECT_EQ(w.statusText(), "Nie połączony");
  EXPECT_EQ(w.findChild<QStatusBar*>("StatusBar1")->geometry(), QRect(0, 416, 684, 21));
  EXPECT_EQ(w.readout().geometry(), QRect(8, 8, 369, 153));
  EXPECT_EQ(w.statistics().geometry(), QRect(384, 8, 153, 89));
  EXPECT_EQ(w.filter().geometry(), QRect(384, 104, 153, 57));
  EXPECT_EQ(w.controls().geometry(), QRect(543, 8, 130, 153));
  EXPECT_EQ(w.chart().Panel5->geometry(), QRect(544, 168, 129, 233));
  EXPECT_EQ(w.chart().Wykres1->geometry(), QRect(8, 168, 529, 217));
  EXPECT_EQ(w.chart().TrackBar1->geometry(), QRect(8, 385, 529, 22));
  EXPECT_EQ(w.calibrationPanel().geometry(), QRect(8, 168, 529, 233));
  EXPECT_EQ(w.chart().Kosz->pos(), QPoint(504, 176));
  EXPECT_EQ(w.chart().Wstrzymaj->pos(), QPoint(16, 352));
  EXPECT_EQ(w.chart().PokazSerwis->pos(), QPoint(504, 352));
  // The hide button of the panel stands where the show button stands.
  EXPECT_EQ(w.calibrationPanel().UkrysSerwis->mapTo(w.centralWidget(), QPoint(0, 0)), QPoint(504, 352));

  EXPECT_FALSE(w.menu().Zapisz1->isEnabled());
  EXPECT_FALSE(w.menu().Zakoncz->isEnabled());
  EXPECT_FALSE(w.menu().Pobierzwynikizurzdzenia1->isEnabled());
  EXPECT_FALSE(w.menu().Serwis->menuAction()->isVisible());
  EXPECT_FALSE(w.menu().Sterowanie->menuAction()->isEnabled());
  EXPECT_TRUE(w.menu().Minmax1->isChecked());
  EXPECT_TRUE(w.menu().Danezurzdzenia1->isChecked());
  EXPECT_TRUE(w.menu().COMs[0]->isChecked());
  EXPECT_TRUE(w.controls().S_Polacz->isEnabled());
  EXPECT_TRUE(w.controls().S_Otworz->isEnabled());
  EXPECT_FALSE(w.controls().S_Zapisz->isEnabled());
  EXPECT_TRUE(w.statistics().Dane->isChecked());
  EXPECT_FALSE(w.filter().filtr->isChecked());
  EXPECT_EQ(w.filter().Tau->text(), "1");
  EXPECT_TRUE(w.chart().Autoskalowanie->isChecked());
  EXPECT_FALSE(w.chart().W->isEnabled());
  EXPECT_FALSE(w.chart().O->isEnabled());
  EXPECT_EQ(w.chart().W->value(), 52);
  EXPECT_EQ(w.chart().O->value(), 500);
  EXPECT_TRUE(w.chart().TrackBar1->isHidden());
  EXPECT_EQ(w.chart().TrackBar1->pageStep(), 527);
  EXPECT_TRUE(w.calibrationPanel().isHidden());
  EXPECT_TRUE(w.chart().PokazSerwis->isHidden());
  EXPECT_FALSE(w.calibrationPanel().Wyslij->isEnabled());
  EXPECT_FALSE(w.calibrationPanel().Odbierz->isEnabled());
  EXPECT_FALSE(w.calibrationPanel().Power->isEnabled());
  EXPECT_TRUE(w.calibrationPanel().Postep->isHidden());
  EXPECT_EQ(w.calibrationPanel().Postep->minimum(), 1);
  EXPECT_EQ(w.calibrationPanel().Postep->maximum(), 68);
  for (QLabel* l : {w.readout().F2, w.readout().F3, w.readout().F4, w.readout().F5, w.readout().F6, w.readout().Label5, w.readout().BP})
    EXPECT_EQ(qtkit::labelColour(l), app::kSilver);
  EXPECT_EQ(qtkit::labelColour(w.readout().SOS), app::kAqua);
  EXPECT_EQ(qtkit::labelColour(w.readout().mode), app::kAqua);
  EXPECT_FALSE(env.instrument().connectionCheckRunning());
  EXPECT_FALSE(env.instrument().stateTimerRunning());
  EXPECT_FALSE(w.findChild<QTimer*>("Timer1")->isActive());
  EXPECT_EQ(devlink::Instrument::kConnectionCheckMs, 800);
  EXPECT_EQ(devlink::StateTimer::kIntervalMs, 600);
  EXPECT_EQ(w.findChild<QTimer*>("Timer1")->interval(), 250);
  EXPECT_EQ(env.port().Port(), "COM1");
  EXPECT_EQ(w.chart().Wykres1->Skala(), 20.0);
  EXPECT_TRUE(w.chart().Wykres1->AutoSkala());

  // Shortcuts of the menu.
  EXPECT_EQ(w.menu().Otwrz1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
  EXPECT_EQ(w.menu().Zapisz1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
  EXPECT_EQ(w.menu().Zmieuytkownika1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_U));
  EXPECT_EQ(w.menu().Ustawieniaserwisowe1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
  EXPECT_EQ(w.menu().OProgramie1->shortcut(), QKeySequence(Qt::Key_F1));

  // Controls are found by their names.
  EXPECT_EQ(w.findChild<QLabel*>("SWynik"), w.readout().SWynik);
  EXPECT_EQ(w.findChild<QAction*>("Com51"), w.menu().COMs[4]);
  EXPECT_EQ(w.findChild<QAction*>("COM201"), w.menu().COMs[19]);
  EXPECT_EQ(w.findChild<QCheckBox*>("OstatniEkran"), w.calibrationPanel().OstatniEkran);
}

// Every menu of the window as it is created, written out item by item: captions in their
// places, "----" for a separator, a submenu's items indented under it.
QString menuTree(const QList<QAction*>& actions, int depth = 0) {
  QString out;
  const QString indent(2 * depth, QLatin1Char(' '));
  for (const QAction* a : actions) {
    out += indent + (a->isSeparator() ? QStringLiteral("----") : a->text()) + '\n';
    if (const QMenu* sub = a->menu<QMenu*>()) out += menuTree(sub->actions(), depth + 1);
  }
  return out;
}

TEST(MainWinMenus, EveryMenuAsCreatedInItsOrder) {
  const char* const expected = R"(&Plik
  &Otwórz plik...
  &Zapisz do pliku...
  &Zakończ zapisywanie do pliku
  ----
  Pobierz wyniki z urządzenia
  ----
  &Koniec
Widok
  Obróbka danych
  ----
  Dane z urządzenia
&Serwis
  Zmień &użytkownika...
  ----
  &Wyjdź z trybu serwisowego
&Ustawienia
  Połączony
  Parametry &transmisji
    COM1
    COM2
    COM3
    COM4
    COM5
    COM6
    COM7
    COM8
    COM9
    COM10
    COM11
    COM12
    COM13
    COM14
    COM15
    COM16
    COM17
    COM18
    COM19
    COM20
    ----
    Znajdź przyrząd…
  Automatyczne ponowne łączenie
  Format CSV
    Przecinki, kropka dziesiętna
    Średniki, przecinek dziesiętny
  ----
  Tryb &serwisowy...
  Zmień język
Raport
  Twórz raport
Sterowanie przyrzadem
  Tryb pomiaru
    Pole magnetyczne
      DC
      AC
    Ekstremum
      Yes
      Nie
  Nastawy
    Zakres
      Auto
      20 mT
      200mT
      2000mT
    Osie
      X
      Y
      Z
      Wektor
    Jednostki
      Gs
      mT
      kA/m
  Funkcje dodatkowe
    Zerowanie
    Filtr
      Tak
      Nie
    Aktywny
      3 min.
      6 min.
      12 min.
      Nie
    Wyniki
      Tak
      Nie
    Język
      Polski
      Angielski
P&omoc
  &O Programie
)";
  WindowEnv env;
  env.win = env.makeWindow();  // before any language
  EXPECT_EQ(menuTree(env.win->menuBar()->actions()).toStdString(), expected);
}

struct PortCase {
  std::optional<std::string> stored;
  std::string port;
  int checked;  // 0: none
};

class MainWinStoredPort : public ::testing::TestWithParam<PortCase> {};

TEST_P(MainWinStoredPort, TakesTheRememberedPort) {
  WindowEnv env;
  ASSERT_TRUE(env.start("pl", GetParam().stored));
  EXPECT_EQ(env.port().Port(), GetParam().port);
  for (int n = 1; n <= 20; ++n)
    EXPECT_EQ(env.win->menu().COMs[static_cast<std::size_t>(n - 1)]->isChecked(), n == GetParam().checked)
        << "COM" << n;
  EXPECT_TRUE(env.dialogs.messages.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Values, MainWinStoredPort,
                         ::testing::Values(PortCase{std::string("COM7"), "COM7", 7},
                                           PortCase{std::string("COM12"), "COM12", 12},
                                           PortCase{std::string("COM21"), "COM21", 0},
                                           PortCase{std::string("COM"), "COM1", 1},
                                           PortCase{std::string(""), "COM1", 1},
                                           PortCase{std::nullopt, "COM1", 1}));

TEST(MainWinStartUp, SettingsOfTheWrongTypeAreReportedAndStartUpGoesOn) {
  WindowEnv env;
  env.store.writeRaw(keys::kProduct, keys::kLng, std::uint32_t{1});
  env.store.writeRaw(keys::kProduct, keys::kComPort, std::uint32_t{7});
  ASSERT_TRUE(env.start(std::nullopt));
  ASSERT_EQ(env.dialogs.messages.size(), 2);
  EXPECT_EQ(env.dialogs.messages[0], "Invalid data type for 'lng'");
  EXPECT_EQ(env.dialogs.messages[1], "Invalid data type for 'ComPort'");
  EXPECT_EQ(env.win->caption(0), "Vettore");  // an unreadable code counts as unknown
  EXPECT_EQ(env.port().Port(), "COM1");
}

// ---- languages -----------------------------------------------------------------------------

struct LanguageCase {
  std::string lng;
  const char* connect;
  const char* dane;
  const char* plik;
  const char* sterowanie;
  const char* max2;
  const char* koszHint;
  const char* holdHint;
  const char* odbierz;
  const char* nie;
  const char* showPanelHint;
  const char* hidePanelHint;
};

class MainWinLanguage : public ::testing::TestWithParam<LanguageCase> {};

TEST_P(MainWinLanguage, AppliesTheTableOfTheStoredLanguage) {
  const LanguageCase& c = GetParam();
  WindowEnv env;
  ASSERT_TRUE(env.start(c.lng));
  TMainWin& w = *env.win;
  EXPECT_EQ(app::LanguageCode, c.lng);
  EXPECT_EQ(w.controls().S_Polacz->text(), QString::fromUtf8(c.connect));
  EXPECT_EQ(w.statistics().Dane->text(), QString::fromUtf8(c.dane));
  EXPECT_EQ(w.menu().Plik1->title(), QString::fromUtf8(c.plik));
  EXPECT_EQ(w.menu().Sterowanie->title(), QString::fromUtf8(c.sterowanie));
  EXPECT_EQ(w.menu().remoteItem("Max2")->text(), QString::fromUtf8(c.max2));
  EXPECT_EQ(w.chart().Kosz->toolTip(), QString::fromUtf8(c.koszHint));
  EXPECT_EQ(w.chart().Wstrzymaj->toolTip(), QString::fromUtf8(c.holdHint));
  EXPECT_EQ(w.calibrationPanel().Odbierz->text(), QString::fromUtf8(c.odbierz));
  EXPECT_EQ(w.chart().PokazSerwis->toolTip(), QString::fromUtf8(c.showPanelHint));
  EXPECT_EQ(w.calibrationPanel().UkrysSerwis->toolTip(), QString::fromUtf8(c.hidePanelHint));
  for (QAction* no : {w.menu().remoteItem("Nie1"), w.menu().remoteItem("Nie6"), w.menu().remoteItem("Nie7"), w.menu().remoteItem("Nie8")})
    EXPECT_EQ(no->text(), QString::fromUtf8(c.nie));
  for (int i = 0; i < app::kCaptionCount; ++i)
    EXPECT_EQ(w.caption(i),
              QString::fromUtf8(app::captionTableFor(c.lng)[static_cast<std::size_t>(i)]));
}

INSTANTIATE_TEST_SUITE_P(
    Tables, MainWinLanguage,
    ::testing::Values(
        LanguageCase{"pl", "Połącz", "Obróbka danych", "&Plik", "S&terowanie przyrządem", "Tak",
                     "Kasuj wykres", "Blokuj wynik", "Odbierz", "Nie", "Pokaż panel kalibracji",
                     "Ukryj panel kalibracji"},
        LanguageCase{"en", "Connect", "Data processing", "&File", "&Remote control", "Yes",
                     "Clear chart", "Block chart", "Receive", "No", "Show the calibration panel",
                     "Hide the calibration panel"},
        LanguageCase{"it", "Connetti", "Lavorazione dati", "&File", "Controllo &remoto", "Si'",
                     "Cancella andamento", "Blocca risultato", "Rispondere", "No",
                     "Mostra il pannello di calibrazione", "Nascondi il pannello di calibrazione"},
        LanguageCase{"xx", "Connetti", "Lavorazione dati", "&File", "Controllo &remoto", "Si'",
                     "Cancella andamento", "Blocca risultato", "Rispondere", "No",
                     "Mostra il pannello di calibrazione", "Nascondi il pannello di calibrazione"},
        LanguageCase{"", "Connetti", "Lavorazione dati", "&File", "Controllo &remoto", "Si'",
                     "Cancella andamento", "Blocca risultato", "Rispondere", "No",
                     "Mostra il pannello di calibrazione", "Nascondi il pannello di calibrazione"}),
    [](const auto& info) {
      return info.param.lng.empty() ? std::string("empty") : info.param.lng;
    });

TEST(MainWinLanguageTables, FindInstrumentSpeaksTheWindowsLanguage) {
  WindowEnv env;
  ASSERT_TRUE(env.start("pl"));
  TMainWin& w = *env.win;
  struct Case {
    const app::CaptionTable* table;
    const char* item;
  };
  for (const Case& c : {Case{&app::kEnglishCaptions, "Find instrument…"},
                        Case{&app::kItalianCaptions, "Trova strumento…"},
                        Case{&app::kPolishCaptions, "Znajdź przyrząd…"}}) {
    w.zmienJezyk(*c.table);
    EXPECT_EQ(w.menu().FindInstrument1->text(), QString::fromUtf8(c.item));
  }
}

TEST(MainWinLanguageTables, OddTextsAreKeptAsWritten) {
  EXPECT_STREQ(app::kItalianCaptions[18], "A pri file");
  EXPECT_STREQ(app::kItalianCaptions[27], "&Sevizio");
  EXPECT_STREQ(app::kItalianCaptions[63], "Si'");
  EXPECT_STREQ(app::kItalianCaptions[46], "Di");
  EXPECT_STREQ(app::kPolishCaptions[9], "  Sterowanie");
  EXPECT_STREQ(app::kPolishCaptions[13], "Zakoncz zapis");
  EXPECT_STREQ(app::kEnglishCaptions[67], "Do you really want to close the application?");
}

TEST(MainWinLanguageTables, StateCaptionsFollowTheState) {
  WindowEnv env;
  ASSERT_TRUE(env.start("pl"));
  TMainWin& w = *env.win;
  w.calibrationPanel().setReadbackRunning(true);
  EXPECT_EQ(w.calibrationPanel().Odbierz->text(), "Przerwij");
  // A running readback keeps its running caption in the new language.
  w.zmienJezyk(app::kEnglishCaptions);
  EXPECT_EQ(w.calibrationPanel().Odbierz->text(), "Cancel");
  EXPECT_TRUE(w.calibrationPanel().readbackRunning());
  w.calibrationPanel().setReadbackRunning(false);
  w.zmienJezyk(app::kItalianCaptions);
  EXPECT_EQ(w.calibrationPanel().Odbierz->text(), "Rispondere");
  EXPECT_FALSE(w.calibrationPanel().readbackRunning());
}

TEST(MainWinLanguageTables, ChangeLanguageThroughPreferences) {
  WindowEnv env;
  ASSERT_TRUE(env.start("pl"));
  TMainWin& w = *env.win;
  w.setLiveRefreshInterval(0);
  const std::vector<std::uint8_t> vectorFrame = testutil::frame(1000, 0, 0, /*axis=*/3);
  env.receiver().handleEvent(vectorFrame.data(), static_cast<int>(vectorFrame.size()));
  EXPECT_EQ(w.readout().SOS->text(), "Wektor");
  answerPreferences(1, true);
  w.menu().Zmiejzyk1->trigger();
  env.receiver().handleEvent(vectorFrame.data(), static_cast<int>(vectorFrame.size()));
  EXPECT_EQ(w.readout().SOS->text(), "Vector") << "the next frame names the axis in the new language";
  EXPECT_EQ(env.store.readString(keys::kProduct, keys::kLng), "en");
  EXPECT_EQ(app::LanguageCode, "en");
  EXPECT_EQ(w.menu().Zmiejzyk1->text(), "Change language...");
  EXPECT_EQ(w.menu().Widok1->title(), "&View");
  EXPECT_EQ(w.chart().PokazSerwis->toolTip(), "Show the calibration panel");
  EXPECT_EQ(w.calibrationPanel().UkrysSerwis->toolTip(), "Hide the calibration panel");

  answerPreferences(2, false);  // closed without OK: the language stays
  w.menu().Zmiejzyk1->trigger();
  EXPECT_EQ(app::LanguageCode, "en");
  EXPECT_EQ(w.menu().Widok1->title(), "&View");
}

// ---- closing -------------------------------------------------------------------------------

TEST(MainWinClose, NoKeepsTheWindowAndWritesNothing) {
  WindowEnv env;
  ASSERT_TRUE(env.start("pl"));
  env.win->show();
  env.dialogs.yesNoAnswers = {false};
  env.win->menu().Koniec1->trigger();
  EXPECT_TRUE(env.win->isVisible());
  ASSERT_EQ(env.dialogs.questions.size(), 1);
  EXPECT_EQ(env.dialogs.questions[0], "Czy na pewno zakończyć pracę z programem?");
  EXPECT_FALSE(env.store.valueExists(keys::kProduct, keys::kComPort));
}

TEST(MainWinClose, YesStoresThePortName) {
  WindowEnv env;
  ASSERT_TRUE(env.start("en"));
  env.win->show();
  env.win->menu().Trans->actions()[8]->trigger();  // COM9
  env.dialogs.yesNoAnswers = {true};
  EXPECT_TRUE(env.win->close());
  EXPECT_FALSE(env.win->isVisible());
  EXPECT_EQ(env.dialogs.questions.value(0), "Do you really want to close the application?");
  EXPECT_EQ(env.store.readString(keys::kProduct, keys::kComPort), "COM9");
}

// ---- small handlers ------------------------------------------------------------------------

TEST(MainWinHandlers, StatisticsMenuAndCheckBoxFollowEachOther) {
  WindowEnv env;
  ASSERT_TRUE(env.start());
  TMainWin& w = *env.win;
  w.menu().Minmax1->trigger();
  EXPECT_FALSE(w.menu().Minmax1->isChecked());
  EXPECT_FALSE(w.statistics().Dane->isChecked());
  w.statistics().Dane->click();
  EXPECT_TRUE(w.statistics().Dane->isChecked());
  EXPECT_TRUE(w.menu().Minmax1->isChecked());
  w.statistics().Min->setText("1");
  w.statistics().Max->setText("2");
  w.statistics().Avr->setText("3");
  w.statistics().Button1->click();
  EXPECT_TRUE(w.statistics().Min->text().isEmpty() && w.statistics().Max->text().isEmpty() && w.statistics().Avr->text().isEmpty());
  EXPECT_TRUE(env.processor().state().StatsResetPending);
}

TEST(MainWinHandlers, DigitalFilterReadsTimeConstant) {
  WindowEnv env;
  ASSERT_TRUE(env.start());
  TMainWin& w = *env.win;
  w.filter().Tau->setText("0,5");
  w.filter().filtr->click();
  EXPECT_TRUE(w.filter().filtr->isChecked());
  EXPECT_DOUBLE_EQ(env.processor().state().FilterConstant, 0.5);
  EXPECT_FALSE(w.filter().Tau->isEnabled());
  w.filter().filtr->click();
  EXPECT_TRUE(w.filter().Tau->isEnabled());
  EXPECT_DOUBLE_EQ(env.processor().state().FilterConstant, 0.5);  // live: keeps its value

  w.filter().Tau->setText("abc");
  w.filter().filtr->click();
  EXPECT_FALSE(w.filter().filtr->isChecked());
  EXPECT_TRUE(w.filter().Tau->isEnabled());
  EXPECT_TRUE(env.dialogs.messages.isEmpty());
}

TEST(MainWinHandlers, TovikFilterRejectsALetterThreshold) {
  WindowEnv env;
  ASSERT_TRUE(env.start());
  TMainWin& w = *env.win;
  w.calibrationPanel().FT_Tau->setText("0,25");
  w.calibrationPanel().FT_Prog->setText("120");
  w.calibrationPanel().FTovik->click();
  EXPECT_TRUE(w.calibrationPanel().FTovik->isChecked());
  EXPECT_FALSE(w.calibrationPanel().FT_Tau->isEnabled());
  EXPECT_FALSE(w.calibrationPanel().FT_Prog->isEnabled());
  EXPECT_DOUBLE_EQ(env.processor().state().TovikTimeConstant, 0.25);
  EXPECT_EQ(env.processor().state().TovikThreshold, 120);
  w.calibrationPanel().FTovik->click();
  EXPECT_TRUE(w.calibrationPanel().FT_Tau->isEnabled());

  w.calibrationPanel().FT_Prog->setText("a");
  w.calibrationPanel().FTovik->click();
  EXPECT_FALSE(w.calibrationPanel().FTovik->isChecked());
  EXPECT_TRUE(w.calibrationPanel().FT_Tau->isEnabled());
  EXPECT_TRUE(w.calibrationPanel().FT_Prog->isEnabled());
  EXPECT_EQ(env.dialogs.messages, QStringList{"Niepoprawnie wprowadzone dane!"});
}

TEST(MainWinHandlers, ThresholdSwitchAndAmplitudeReset) {
  WindowEnv env;
  ASSERT_TRUE(env.start());
  TMainWin& w = *env.win;
  w.calibrationPanel().ProgWlacz->click();
  EXPECT_FALSE(w.calibrationPanel().TempProg->isEnabled());
  w.calibrationPanel().ProgWlacz->click();
  EXPECT_TRUE(w.calibrationPanel().TempProg->isEnabled());
  w.calibrationPanel()._uiAmplitude->setText("345");
  w.calibrationPanel()._uiClearAverage->click();
  EXPECT_EQ(w.calibrationPanel()._uiAmplitude->text(), "0");

  // Every frame reads the override as it stands now, edited between frames.
  const std::vector<std::uint8_t> f = testutil::frame(1000);
  w.calibrationPanel().TempProg->setText("0,2");
  w.calibrationPanel().ProgWlacz->click();
  env.receiver().handleEvent(f.data(), static_cast<int>(f.size()));
  EXPECT_EQ(w.calibrationPanel().TempProg->text(), "0,2");
  w.calibrationPanel().TempProg->setText("x");
  env.receiver().handleEvent(f.data(), static_cast<int>(f.size()));
  EXPECT_EQ(w.calibrationPanel().TempProg->text(), "Blad!");
}

TEST(MainWinHandlers, AboutBoxAndOtherWindowsThroughHooks) {
  WindowEnv env;
  ASSERT_TRUE(env.start());
  TMainWin& w = *env.win;
  int about = 0, password = 0, user = 0, report = 0;
  w.setShowAbout([&] { ++about; });
  w.setShowPassword([&] { ++password; });
  w.setShowUserSettings([&] { ++user; });
  w.setCreateReport([&] { ++report; });
  w.menu().OProgramie1->trigger();
  w.menu().Ustawieniaserwisowe1->trigger();
  w.menu().Zmieuytkownika1->trigger();
  w.menu().Twrzraport1->trigger();
  EXPECT_EQ(about, 1);
  EXPECT_EQ(password, 1);
  EXPECT_EQ(user, 1);
  EXPECT_EQ(report, 1);
}

TEST(MainWinHandlers, ScalingPanel) {
  WindowEnv env;
  ASSERT_TRUE(env.start());
  TMainWin& w = *env.win;
  w.chart().Autoskalowanie->click();
  EXPECT_FALSE(w.chart().Wykres1->AutoSkala());
  EXPECT_TRUE(w.chart().W->isEnabled());
  EXPECT_TRUE(w.chart().O->isEnabled());
  EXPECT_NEAR(w.chart().Wykres1->Min(), 22.96, 1e-9);
  EXPECT_NEAR(w.chart().Wykres1->Max(), 77.04, 1e-9);
  w.chart().W->setValue(10);  // half-span 1
  w.chart().O->setValue(-200);
  EXPECT_NEAR(w.chart().Wykres1->Max(), -19.0, 1e-9);
  EXPECT_NEAR(w.chart().Wykres1->Min(), -21.0, 1e-9);
  w.chart().Autoskalowanie->click();
  EXPECT_TRUE(w.chart().Wykres1->AutoSkala());
  EXPECT_FALSE(w.chart().W->isEnabled());

  w.chart().Wykres1->AddPoint(1.0);
  w.chart().Kosz->click();
  EXPECT_EQ(w.chart().Wykres1->Ilosc(), 0);
}

TEST(MainWinHandlers, ServiceMode) {
  WindowEnv env;
  ASSERT_TRUE(env.start());
  TMainWin& w = *env.win;
  w.show();
  w.chart().Wykres1->AddPoint(3.0);
  w.EnterServiceMode();
  EXPECT_TRUE(w.menu().Serwis->menuAction()->isVisible());
  EXPECT_TRUE(w.calibrationPanel().isVisible());
  EXPECT_TRUE(w.chart().PokazSerwis->isVisibleTo(w.centralWidget()));
  EXPECT_EQ(w.chart().Wykres1->Ilosc(), 0);
  w.calibrationPanel().UkrysSerwis->click();
  EXPECT_FALSE(w.calibrationPanel().isVisible());
  EXPECT_TRUE(w.menu().Serwis->menuAction()->isVisible());
  w.chart().PokazSerwis->click();
  EXPECT_TRUE(w.calibrationPanel().isVisible());
  w.menu().Wyjdztryb1->trigger();
  EXPECT_FALSE(w.menu().Serwis->menuAction()->isVisible());
  EXPECT_FALSE(w.calibrationPanel().isVisible());
  EXPECT_FALSE(w.chart().PokazSerwis->isVisible());
}

// The share of a glyph's area that stands out from a background it is drawn on: pixels
// whose grey level differs from the background's by more than a third of the scale.
double standingOut(const QIcon& icon, int size, const QColor& background) {
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(background);
  QPainter painter(&image);
  icon.paint(&painter, image.rect());
  painter.end();
  int differing = 0;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      if (std::abs(qGray(image.pixel(x, y)) - qGray(background.rgb())) > 85) ++differing;
  return static_cast<double>(differing) / (size * size);
}

// The buttons that show and hide the calibration panel are seen on a light and on a dark
// desktop, on the panel and over the chart's grey; the two glyphs are not the same.
TEST(MainWinHandlers, PanelButtonsHaveGlyphsThatStandOut) {
  WindowEnv env;
  ASSERT_TRUE(env.start());
  QToolButton* show = env.win->chart().PokazSerwis;
  QToolButton* hide = env.win->calibrationPanel().UkrysSerwis;
  const QColor backgrounds[] = {Qt::white, QColor(239, 239, 239), QColor(128, 128, 128),
                                QColor(53, 53, 53), Qt::black};
  for (QToolButton* button : {show, hide}) {
    SCOPED_TRACE(button->objectName().toStdString());
    EXPECT_EQ(button->size(), QSize(25, 25));
    EXPECT_FALSE(button->icon().isNull());
    for (const QColor& background : backgrounds)
      EXPECT_GT(standingOut(button->icon(), button->iconSize().width(), background), 0.2)
          << background.name().toStdString();
  }
  EXPECT_NE(show->icon().pixmap(18).toImage(), hide->icon().pixmap(18).toImage());
}

TEST(MainWinHandlers, ChoosingAPortChecksOnlyThatItem) {
  WindowEnv env;
  ASSERT_TRUE(env.start("pl", std::string("COM3")));
  TMainWin& w = *env.win;
  w.findChild<QAction*>("COM71")->trigger();
  EXPECT_EQ(env.port().Port(), "COM7");
  for (int n = 1; n <= 20; ++n)
    EXPECT_EQ(w.menu().COMs[static_cast<std::size_t>(n - 1)]->isChecked(), n == 7);
  EXPECT_FALSE(env.port().Connected());
}

// The port items say where their names lead each time the menu opens, and stay what they
// were to choose, check and remember.
TEST(MainWinHandlers, PortItemsSayWhereTheyLeadWhenTheMenuOpens) {
  WindowEnv env;
  ASSERT_TRUE(env.start("pl", std::string("COM12")));
  TMainWin& w = *env.win;
  std::map<std::string, std::string> devices = {{"COM1", "/dev/ttyS0 (serial8250)"},
                                                {"COM3", "/dev/ttyUSB0 (FT232R USB UART)"},
                                                {"COM12", "/dev/pts/4"}};
  std::vector<std::string> asked;
  w.setPortDescriber([&](const std::string& port) -> std::optional<std::string> {
    asked.push_back(port);
    const auto it = devices.find(port);
    if (it == devices.end()) return std::nullopt;
    return it->second;
  });

  struct Step {
    std::map<std::string, std::string> devices;
    std::map<int, QString> texts;  // items not named here show their plain name
  };
  const Step steps[] = {
      {devices,
       {{1, QStringLiteral("COM1 — /dev/ttyS0 (serial8250)")},
        {3, QStringLiteral("COM3 — /dev/ttyUSB0 (FT232R USB UART)")},
        {12, QStringLiteral("COM12 — /dev/pts/4")}}},
      // The adapter unplugged, another one plugged in: the next opening tells.
      {{{"COM20", "/dev/ttyACM0 (LT-40)"}, {"COM2", "/dev/ttyUSB1 (R&D Serial)"}},
       {{20, QStringLiteral("COM20 — /dev/ttyACM0 (LT-40)")},
        {2, QStringLiteral("COM2 — /dev/ttyUSB1 (R&&D Serial)")}}},
      {{}, {}},
  };
  for (const Step& step : steps) {
    devices = step.devices;
    asked.clear();
    Q_EMIT w.menu().Trans->aboutToShow();
    EXPECT_EQ(asked.size(), 20u);
    for (int n = 1; n <= 20; ++n) {
      QAction* com = w.menu().COMs[static_cast<std::size_t>(n - 1)];
      const QString name = QStringLiteral("COM%1").arg(n);
      const auto it = step.texts.find(n);
      EXPECT_EQ(com->text(), it == step.texts.end() ? name : it->second) << n;
      EXPECT_EQ(com->data().toString(), name);
      EXPECT_EQ(com->isChecked(), n == 12) << n;
    }
  }

  devices = {{"COM3", "/dev/ttyUSB0 (FT232R USB UART)"}};
  Q_EMIT w.menu().Trans->aboutToShow();
  w.findChild<QAction*>("COM31")->trigger();
  EXPECT_EQ(env.port().Port(), "COM3");
  for (int n = 1; n <= 20; ++n)
    EXPECT_EQ(w.menu().COMs[static_cast<std::size_t>(n - 1)]->isChecked(), n == 3) << n;
  w.FormClose();
  EXPECT_EQ(env.store.readString(qtkit::keys::kProduct, qtkit::keys::kComPort), "COM3");
}

}  // namespace
