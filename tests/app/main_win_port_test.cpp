// The main window against a pseudo-terminal that plays the instrument: connecting,
// the live readout, the connection check, the commands of the remote-control menu.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/globals.h"
#include "link/remote_control.h"
#include "tests/support/window_env.h"
#include "measurement/formatting.h"
#include "measurement/wykres.h"

namespace {

using app::TMainWin;
using testutil::Pty;
using testutil::WindowEnv;
namespace keys = qtkit::keys;

using Bytes = std::vector<std::uint8_t>;

Bytes command(char letter, std::uint8_t a) {
  return {0xAA, 0x55, static_cast<std::uint8_t>(letter), a, 0, 0};
}

// Connects the window to the pseudo-terminal through the connect button.
void connect(WindowEnv& env, const Pty& pty) {
  env.port().SetPort(pty.slave.toStdString());
  env.win->controls().S_Polacz->click();
  ASSERT_TRUE(env.port().Connected());
}

TEST(MainWinPort, ConnectFailureLeavesTheWindowDisconnected) {
  WindowEnv env;
  ASSERT_TRUE(env.start("pl"));
  TMainWin& w = *env.win;
  // COM7 is linked to a device that is not there.
  const QString ports = qEnvironmentVariable("XDG_CONFIG_HOME") + "/Vantorel/ports";
  QDir().mkpath(ports);
  QFile::remove(ports + "/COM7");
  ASSERT_TRUE(QFile::link("/nonexistent/halvex-test-tty", ports + "/COM7"));
  w.findChild<QAction*>("COM71")->trigger();
  w.menu().Poczony1->trigger();
  QFile::remove(ports + "/COM7");

  EXPECT_EQ(env.dialogs.messages,
            QStringList{"Nie można podłączyć się do COM7\n"
                        "/nonexistent/halvex-test-tty: brak takiego urządzenia"});
  EXPECT_EQ(env.dialogs.beeps, 1);
  EXPECT_FALSE(w.menu().Poczony1->isChecked());
  EXPECT_TRUE(w.menu().Trans->menuAction()->isEnabled());
  EXPECT_FALSE(w.menu().Sterowanie->menuAction()->isEnabled());
  EXPECT_FALSE(env.instrument().connectionCheckRunning());
  EXPECT_EQ(w.controls().S_Polacz->text(), "Połącz");
  EXPECT_EQ(w.statusText(), "Nie połączony");
}

// The connect message's second line names the device and says why it did not open, in the
// window's language.
struct ConnectFailure {
  const char* name;
  enum Cause { Missing, Busy, NoPermission } cause;
  const char* language;
  const char* reason;  // the second line after "<device>: "
};

void PrintTo(const ConnectFailure& f, std::ostream* os) {
  *os << f.name;
}

class MainWinConnectMessage : public ::testing::TestWithParam<ConnectFailure> {};

TEST_P(MainWinConnectMessage, SaysWhichDeviceAndWhy) {
  const ConnectFailure& row = GetParam();
  if (row.cause == ConnectFailure::NoPermission && ::geteuid() == 0) {
    GTEST_SKIP() << "root opens any device";
  }
  WindowEnv env;
  ASSERT_TRUE(env.start(row.language));
  TMainWin& w = *env.win;
  Pty pty;
  QString device = pty.slave;
  int holder = -1;  // the descriptor of the "other program" that holds the device
  switch (row.cause) {
    case ConnectFailure::Missing:
      device = QStringLiteral("/nonexistent/ttyUSB7");
      break;
    case ConnectFailure::Busy:
      holder = ::open(pty.slave.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
      ASSERT_GE(holder, 0);
      ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
      break;
    case ConnectFailure::NoPermission:
      ASSERT_EQ(::chmod(pty.slave.toLocal8Bit().constData(), 0), 0);
      break;
  }
  // COM7 is linked to the device, as a user links a port name once.
  const QString ports = qEnvironmentVariable("XDG_CONFIG_HOME") + "/Vantorel/ports";
  QDir().mkpath(ports);
  QFile::remove(ports + "/COM7");
  ASSERT_TRUE(QFile::link(device, ports + "/COM7"));
  w.findChild<QAction*>("COM71")->trigger();
  w.controls().S_Polacz->click();
  QFile::remove(ports + "/COM7");
  if (holder >= 0) ::close(holder);

  EXPECT_FALSE(env.port().Connected());
  EXPECT_EQ(env.dialogs.messages, QStringList{"Nie można podłączyć się do COM7\n" + device + ": " +
                                              QString::fromUtf8(row.reason)});
}

INSTANTIATE_TEST_SUITE_P(
    Causes, MainWinConnectMessage,
    ::testing::Values(
        ConnectFailure{"MissingPl", ConnectFailure::Missing, "pl", "brak takiego urządzenia"},
        ConnectFailure{"MissingEn", ConnectFailure::Missing, "en", "no such device"},
        ConnectFailure{"MissingIt", ConnectFailure::Missing, "it", "dispositivo inesistente"},
        ConnectFailure{"BusyPl", ConnectFailure::Busy, "pl",
                       "urządzenie jest zajęte przez inny program"},
        ConnectFailure{"BusyEn", ConnectFailure::Busy, "en", "in use by another program"},
        ConnectFailure{"NoPermissionPl", ConnectFailure::NoPermission, "pl",
                       "brak uprawnień; dodaj użytkownika do grupy \"dialout\" i zaloguj się "
                       "ponownie"},
        ConnectFailure{"NoPermissionEn", ConnectFailure::NoPermission, "en",
                       "permission denied; add the user to the \"dialout\" group and log in "
                       "again"}),
    [](const ::testing::TestParamInfo<ConnectFailure>& info) { return info.param.name; });

TEST(MainWinPort, ConnectReadDisconnect) {
  WindowEnv env;
  ASSERT_TRUE(env.start("pl"));
  TMainWin& w = *env.win;
  Pty pty;
  connect(env, pty);

  EXPECT_EQ(w.statusText(), "Połączony na " + pty.slave);
  EXPECT_TRUE(w.menu().Poczony1->isChecked());
  EXPECT_FALSE(w.menu().Trans->menuAction()->isEnabled());
  EXPECT_TRUE(w.menu().Sterowanie->menuAction()->isEnabled());
  EXPECT_TRUE(w.calibrationPanel().Wyslij->isEnabled());
  EXPECT_TRUE(w.calibrationPanel().Odbierz->isEnabled());
  EXPECT_TRUE(w.calibrationPanel().Power->isEnabled());
  EXPECT_TRUE(w.menu().Pobierzwynikizurzdzenia1->isEnabled());
  EXPECT_TRUE(w.menu().Zapisz1->isEnabled());
  EXPECT_TRUE(w.controls().S_Zapisz->isEnabled());
  EXPECT_TRUE(env.instrument().connectionCheckRunning());
  EXPECT_EQ(w.controls().S_Polacz->text(), "Rozłącz");
  EXPECT_EQ(qtkit::labelColour(w.readout().SWynik), app::kYellow);
  EXPECT_EQ(qtkit::labelColour(w.readout().STemp), app::kWhite);
  EXPECT_EQ(env.dialogs.beeps, 1);

  // One frame: 12.345 mT on the Y axis, 23.5 °C, peak hold lit.
  pty.write(testutil::frame(12345, 0, 0, 1, 0, 235, 0x02));
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.readout().SWynik->text() == " 12.345  mT"; }, 3000))
      << w.readout().SWynik->text().toStdString();
  EXPECT_EQ(w.readout().SOS->text(), "Y");
  EXPECT_EQ(w.readout().GroupBox1->title(), "Y");
  EXPECT_EQ(w.readout().mode->text(), "DC");
  EXPECT_TRUE(w.readout().STemp->isVisible() || !w.isVisible());
  EXPECT_FALSE(w.readout().STemp->isHidden());
  EXPECT_EQ(w.readout().STemp->text(), "   23.5  C");
  EXPECT_EQ(qtkit::labelColour(w.readout().F2), app::kAqua);
  EXPECT_EQ(qtkit::labelColour(w.readout().F4), app::kSilver);
  EXPECT_EQ(w.statistics().Min->text(), " 12.345");
  EXPECT_EQ(w.chart().Wykres1->Ilosc(), 1);

  // A vector frame shows the components and the word for the vector.
  pty.write(testutil::frame(-1234, 0, 0, 3, 2, -32768, 0, 0x01, {1000, -20000, 0}));
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.readout().SWynik->text() == " -1.234  mT"; }, 3000))
      << w.readout().SWynik->text().toStdString();
  EXPECT_EQ(w.readout().SOS->text(), "Wektor");
  EXPECT_EQ(w.readout().mode->text(), "AC");
  EXPECT_FALSE(w.readout().Falka->isHidden());
  EXPECT_TRUE(w.readout().STemp->isHidden());
  EXPECT_EQ(w.readout().Label9->text(), "  1.000  mT");
  EXPECT_EQ(w.readout().Label8->text(), "- 20.000  mT");
  EXPECT_EQ(qtkit::labelColour(w.readout().Label5), app::kAqua);

  // The hold button keeps the chart as it is.
  w.chart().Wstrzymaj->click();
  pty.write(testutil::frame(500));
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.readout().SWynik->text() == "  0.500  mT"; }, 3000));
  EXPECT_EQ(w.chart().Wykres1->Ilosc(), 2);
  w.chart().Wstrzymaj->click();

  // Disconnect.
  w.menu().Poczony1->trigger();
  EXPECT_FALSE(env.port().Connected());
  EXPECT_FALSE(w.menu().Poczony1->isChecked());
  EXPECT_TRUE(w.menu().Trans->menuAction()->isEnabled());
  EXPECT_FALSE(w.menu().Sterowanie->menuAction()->isEnabled());
  EXPECT_FALSE(w.calibrationPanel().Wyslij->isEnabled());
  EXPECT_FALSE(w.calibrationPanel().Odbierz->isEnabled());
  EXPECT_FALSE(w.calibrationPanel().Power->isEnabled());
  EXPECT_FALSE(w.menu().Zapisz1->isEnabled());
  EXPECT_FALSE(w.controls().S_Zapisz->isEnabled());
  EXPECT_FALSE(env.instrument().connectionCheckRunning());
  EXPECT_EQ(w.controls().S_Polacz->text(), "Połącz");
  EXPECT_EQ(w.statusText(), "Nie połączony");
  EXPECT_EQ(qtkit::labelColour(w.readout().BP), app::kSilver);
  EXPECT_EQ(qtkit::labelColour(w.readout().SWynik), app::kSilver);
  EXPECT_EQ(env.dialogs.beeps, 2);
  EXPECT_TRUE(env.dialogs.messages.isEmpty());
}

TEST(MainWinPort, ConnectionCheckGreysASilentInstrument) {
  WindowEnv env;
  ASSERT_TRUE(env.start("pl"));
  TMainWin& w = *env.win;
  Pty pty;
  connect(env, pty);
  // Silent: within two periods "No transmission" lights and the readout turns silver.
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return qtkit::labelColour(w.readout().BP) == app::kAqua; }, 2500));
  EXPECT_EQ(qtkit::labelColour(w.readout().SWynik), app::kSilver);
  EXPECT_EQ(qtkit::labelColour(w.readout().STemp), app::kSilver);
  EXPECT_EQ(qtkit::labelColour(w.readout().Label9), app::kSilver);
  // Any byte is life: the next tick restores the colours.
  pty.write({0x00});
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return qtkit::labelColour(w.readout().SWynik) == app::kYellow; }, 2000));
  EXPECT_EQ(qtkit::labelColour(w.readout().BP), app::kSilver);
  EXPECT_EQ(qtkit::labelColour(w.readout().STemp), app::kWhite);
  EXPECT_EQ(qtkit::labelColour(w.readout().Label2), app::kWhite);
}

TEST(MainWinPort, RemoteControlMenuSendsItsFrames) {
  WindowEnv env;
  ASSERT_TRUE(env.start("pl"));
  TMainWin& w = *env.win;
  Pty pty;
  connect(env, pty);
  pty.drain();
  // Every item of the table, through the menu the window built from it.
  int sent = 0;
  for (const devlink::RemoteItem& r : devlink::kRemoteItems) {
    if (r.effect == devlink::RemoteEffect::PolishCaptions ||
        r.effect == devlink::RemoteEffect::EnglishCaptions)
      continue;  // their own test below
    SCOPED_TRACE(r.name);
    QAction* item = w.menu().remoteItem(r.name);
    ASSERT_NE(item, nullptr);
    w.chart().Wykres1->AddPoint(1.0);
    item->trigger();
    EXPECT_EQ(pty.read(6), command(r.letter, r.a));
    EXPECT_EQ(w.chart().Wykres1->Ilosc() == 0, r.effect == devlink::RemoteEffect::ClearsChart);
    ++sent;
  }
  EXPECT_EQ(sent, 24);
  // The mode, axis and unit items clear the chart; the table says so for exactly those.
  for (const devlink::RemoteItem& r : devlink::kRemoteItems) {
    const bool modeAxisUnit = r.letter == 'M' || r.letter == 'A' || r.letter == 'U';
    EXPECT_EQ(r.effect == devlink::RemoteEffect::ClearsChart, modeAxisUnit) << r.name;
  }
  EXPECT_EQ(w.menu().remoteMenu("Zakres1")->menuAction()->text(), "Zakres");
  w.calibrationPanel().Power->click();
  EXPECT_EQ(pty.read(6), command('X', 0));
  EXPECT_TRUE(env.dialogs.messages.isEmpty());
}

TEST(MainWinPort, InstrumentLanguageSwitchesTheWindowButNotTheSetting) {
  WindowEnv env;
  ASSERT_TRUE(env.start("pl"));
  TMainWin& w = *env.win;
  Pty pty;
  connect(env, pty);
  pty.drain();
  w.menu().remoteItem("Angielski1")->trigger();
  EXPECT_EQ(pty.read(6), (Bytes{0xAA, 0x55, 0x4E, 0x00, 0x00, 0x00}));
  EXPECT_EQ(w.controls().S_Polacz->text(), "Disconnect");
  EXPECT_EQ(w.menu().Sterowanie->title(), "&Remote control");
  EXPECT_EQ(app::LanguageCode, "pl");
  EXPECT_EQ(env.store.readString(keys::kProduct, keys::kLng), "pl");
  w.menu().remoteItem("Polski1")->trigger();
  EXPECT_EQ(pty.read(6), (Bytes{0xAA, 0x55, 0x4E, 0x01, 0x00, 0x00}));
  EXPECT_EQ(w.controls().S_Polacz->text(), "Rozłącz");
}

TEST(MainWinPort, CommandWithThePortClosedIsReportedOnce) {
  WindowEnv env;
  ASSERT_TRUE(env.start("pl"));
  env.win->menu().remoteItem("Angielski1")->trigger();
  EXPECT_EQ(env.dialogs.messages, QStringList{"Wysłać polecenia"});
  EXPECT_EQ(env.win->controls().S_Polacz->text(), "Connect");  // the captions switch anyway
}

TEST(MainWinPort, ClosingTheWindowClosesThePortAndStoresItsName) {
  WindowEnv env;
  ASSERT_TRUE(env.start("pl"));
  TMainWin& w = *env.win;
  Pty pty;
  connect(env, pty);
  w.show();
  env.dialogs.yesNoAnswers = {true};
  EXPECT_TRUE(w.close());
  EXPECT_FALSE(env.port().Connected());
  EXPECT_EQ(QString::fromStdString(env.store.readString(keys::kProduct, keys::kComPort)),
            pty.slave);
}

TEST(MainWinPort, StateTimerAsksForTheDownloadHeader) {
  WindowEnv env;
  ASSERT_TRUE(env.start("pl"));
  Pty pty;
  connect(env, pty);
  pty.drain();
  env.receiver().PendingLinkMode = devlink::LinkMode::DownloadHeader;
  env.instrument().stateTimer().setEnabled(true);
  EXPECT_EQ(pty.readProcessingEvents(6), command('Z', 0));
  EXPECT_EQ(env.receiver().LinkMode, devlink::LinkMode::DownloadHeader);
  EXPECT_TRUE(env.instrument().stateTimerRunning());
  // "Z" again at the next tick, as long as no header has come.
  EXPECT_EQ(pty.readProcessingEvents(6), command('Z', 0));
  // Readback phase: reads the word at entry 1 of the address table and stops the timer.
  env.receiver().PendingLinkMode = devlink::LinkMode::CalibrationReadback;
  env.instrument().tickStateTimer();
  EXPECT_FALSE(env.instrument().stateTimerRunning());
  EXPECT_EQ(pty.read(6), (Bytes{0xAA, 0x55, 0x44, 0x00, 0x00, 0x02}));
  env.receiver().LinkMode = devlink::LinkMode::Measuring;
}

// Connecting while a recording runs (started on an earlier connection) keeps the menu's
// "&Zapisz do pliku..." off: the running recording is not restarted over itself; the button
// stays the recording's stop.
TEST(MainWinPort, ConnectingDuringARecordingKeepsStartingOff) {
  WindowEnv env;
  ASSERT_TRUE(env.start("pl"));
  TMainWin& w = *env.win;
  Pty pty;
  connect(env, pty);
  env.dialogs.fileAnswers = {env.path("rec.HVD")};
  w.Zapisz1Click();
  w.controls().S_Polacz->click();  // disconnect
  w.controls().S_Polacz->click();  // and connect again
  ASSERT_TRUE(env.port().Connected());
  EXPECT_TRUE(w.RecordingActive());
  EXPECT_FALSE(w.menu().Zapisz1->isEnabled());
  EXPECT_TRUE(w.controls().S_Zapisz->isEnabled());
  EXPECT_EQ(w.controls().S_Zapisz->text(), "Zakoncz zapis");
}

// An instrument that hands over four frames at a time at the line rate: every reading is
// recorded, and when it stops the last frame sent is the last recorded and the one shown.
TEST(MainWinPort, FourFramesPerWriteForTenSecondsAreAllRecorded) {
  WindowEnv env;
  ASSERT_TRUE(env.start("pl"));
  TMainWin& w = *env.win;
  Pty pty;
  connect(env, pty);
  const QString file = env.path("burst.HVD");
  env.dialogs.fileAnswers = {file};
  w.Zapisz1Click();
  // 4 frames of 18 bytes at 9600 baud take 75 ms on the line.
  constexpr int kWrites = 133;
  std::int16_t value = 0;
  QElapsedTimer clock;
  clock.start();
  for (int i = 0; i < kWrites; ++i) {
    Bytes burst;
    for (int k = 0; k < 4; ++k) {
      const Bytes f = testutil::frame(++value);
      burst.insert(burst.end(), f.begin(), f.end());
    }
    pty.write(burst);
    const qint64 due = static_cast<qint64>(i + 1) * 75;
    QTest::qWait(static_cast<int>(std::max<qint64>(0, due - clock.elapsed())));
  }
  ASSERT_TRUE(QTest::qWaitFor([&] { return env.lines().LineCount() == 4u * kWrites; }, 3000))
      << env.lines().LineCount();
  w.flushLiveDisplay();
  EXPECT_EQ(w.readout().SWynik->text(),
            QString::fromStdString(measurement::FormatLine(0, value / 1000.0)) + "  mT");
  w.ZakonczClick();
  const std::vector<std::string> lines = testutil::fileLines(file);
  ASSERT_EQ(lines.size(), 4u * kWrites);
  for (std::size_t i = 0; i < lines.size(); ++i)
    ASSERT_EQ(lines[i], measurement::FormatLine(0, static_cast<double>(i + 1) / 1000.0)) << i;
}

}  // namespace
