// The whole main window against the simulated instrument on a pseudo-terminal: live
// readings, a menu command reaching the instrument, recording and replaying a file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/window_env.h"
#include "tests/support/sim_process.h"
#include "measurement/recording.h"
#include "measurement/wykres.h"

namespace {

// lt40-sim linked at `link`, its log (every frame received, in hex) in `log`; stop(SIGKILL)
// plays a pulled cable: the line's other end vanishes without a goodbye.
struct Simulator : testutil::SimulatorProcess {
  Simulator(const QString& link, const QString& log, std::vector<std::string> extra)
      : SimulatorProcess(link.toStdString(), log.toStdString(), std::move(extra)) {}
};

QString readText(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
}

TEST(EndToEnd, LiveReadingCommandRecordingAndReplayAgainstTheSimulator) {
  testutil::WindowEnv env;
  ASSERT_TRUE(env.start("pl"));
  app::TMainWin& w = *env.win;
  const QString link = env.path("ttyLT40");
  const QString log = env.path("sim.log");
  Simulator sim(link, log, {"--gen", "const", "--value", "1234", "--rate", "100"});
  ASSERT_TRUE(QFile::exists(link));

  // Connect and watch the reading arrive.
  env.port().SetPort(link.toStdString());
  w.controls().S_Polacz->click();
  ASSERT_TRUE(env.port().Connected()) << env.dialogs.messages.join("; ").toStdString();
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.readout().SWynik->text() == "  1.234  mT"; }, 5000))
      << w.readout().SWynik->text().toStdString();
  EXPECT_EQ(w.readout().SOS->text(), "X");
  EXPECT_EQ(w.statusText(), "Połączony na " + link);

  // A menu command: its six bytes reach the instrument, which follows it.
  w.menu().remoteItem("Wektor1")->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.readout().SOS->text() == "Wektor"; }, 5000));
  EXPECT_TRUE(readText(log).contains("rx AA 55 41 03 00 00")) << readText(log).toStdString();
  w.menu().remoteItem("X1")->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.readout().SOS->text() == "X"; }, 5000));

  // Record a few dozen readings, stop, and find them in the file.
  const QString file = env.path("nagranie.HVD");
  env.dialogs.fileAnswers = {file};
  w.controls().S_Zapisz->click();
  ASSERT_TRUE(w.RecordingActive());
  ASSERT_TRUE(QTest::qWaitFor([&] { return env.lines().LineCount() >= 40; }, 5000));
  w.controls().S_Zapisz->click();  // now "Zakoncz zapis"
  EXPECT_FALSE(w.RecordingActive());
  const std::vector<std::string> lines = testutil::fileLines(file);
  ASSERT_GE(lines.size(), 40u);
  for (const std::string& l : lines) EXPECT_EQ(l, "  1.234");

  // Replay it: the chart shows the file instead of live data.
  w.menu().Poczony1->trigger();  // disconnect first, as an operator would
  env.dialogs.fileAnswers = {file};
  w.controls().S_Otworz->click();
  EXPECT_FALSE(w.menu().Danezurzdzenia1->isChecked());
  EXPECT_TRUE(w.chart().Kosz->isHidden());
  EXPECT_EQ(env.lines().LineCount(), static_cast<int>(lines.size()));
  EXPECT_EQ(w.chart().Wykres1->Ilosc(), static_cast<int>(lines.size()) - 1);
  EXPECT_TRUE(w.chart().TrackBar1->isHidden());  // a short file fits the chart
  EXPECT_TRUE(env.dialogs.messages.isEmpty()) << env.dialogs.messages.join("; ").toStdString();
  sim.stop();
}

TEST(EndToEnd, PulledCableLeavesTheProgramUsableAndReconnectWorks) {
  testutil::WindowEnv env;
  ASSERT_TRUE(env.start("pl"));
  app::TMainWin& w = *env.win;
  const QString link = env.path("ttyLT40");
  auto sim = std::make_unique<Simulator>(
      link, env.path("sim1.log"), std::vector<std::string>{"--gen", "const", "--value", "500"});
  env.port().SetPort(link.toStdString());
  w.controls().S_Polacz->click();
  ASSERT_TRUE(env.port().Connected());
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.readout().SWynik->text() == "  0.500  mT"; }, 5000));

  sim->stop(SIGKILL);
  QFile::remove(link);  // a killed simulator cannot remove its link
  // Silence shows within two connection-check periods; the window keeps working.
  QElapsedTimer silent;
  silent.start();
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return qtkit::labelColour(w.readout().BP) == app::kAqua; }, 3000));
  EXPECT_LE(silent.elapsed(), 1700);
  EXPECT_EQ(qtkit::labelColour(w.readout().SWynik), app::kSilver);
  w.controls().S_Polacz->click();  // disconnect
  EXPECT_FALSE(env.port().Connected());
  EXPECT_TRUE(env.dialogs.messages.isEmpty()) << env.dialogs.messages.join("; ").toStdString();

  // The instrument is back: connecting again brings the readings back.
  sim = std::make_unique<Simulator>(link, env.path("sim2.log"),
                                    std::vector<std::string>{"--gen", "const", "--value", "700"});
  w.controls().S_Polacz->click();
  ASSERT_TRUE(env.port().Connected()) << env.dialogs.messages.join("; ").toStdString();
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.readout().SWynik->text() == "  0.700  mT"; }, 5000))
      << w.readout().SWynik->text().toStdString();
  EXPECT_EQ(qtkit::labelColour(w.readout().SWynik), app::kYellow);
}

}  // namespace
