// "Znajdź przyrząd…": what the window lists for each outcome of listening, and what "Użyj"
// does; then the whole way from the menu to a port name leading to the simulator.
#include "app/find_instrument_win.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QTemporaryDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <string>
#include <vector>

#include "link/port_description.h"
#include "tests/support/window_env.h"
#include "tests/support/scoped_env.h"
#include "tests/support/sim_process.h"

namespace {
using app::TFindInstrumentWin;
using testutil::WindowEnv;
using devlink::ProbeOutcome;
using devlink::ProbeResult;

struct ListCase {
  const char* what;
  std::vector<ProbeResult> results;
  QString status;
  std::vector<QString> rows;
  int current;  // -1: none
  bool useEnabled;
};

class FindInstrumentList : public ::testing::TestWithParam<ListCase> {};

TEST_P(FindInstrumentList, SaysWhatEachLineTurnedOutToBe) {
  const ListCase& c = GetParam();
  std::vector<std::string> asked;
  std::vector<std::string> lines;
  for (const ProbeResult& r : c.results) lines.push_back(r.device);
  TFindInstrumentWin win(
      app::kFindInstrumentPl, [&] { return lines; },
      [&](const std::vector<std::string>& devices) {
        asked = devices;
        return c.results;
      },
      {});
  win.search();
  EXPECT_FALSE(win.Again->isEnabled());
  EXPECT_FALSE(win.Use->isEnabled());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !win.searching(); }, 3000));
  EXPECT_EQ(asked, lines);
  EXPECT_EQ(win.Status->text(), c.status);
  ASSERT_EQ(win.Results->count(), static_cast<int>(c.rows.size()));
  for (int i = 0; i < win.Results->count(); ++i) EXPECT_EQ(win.Results->item(i)->text(), c.rows[i]);
  EXPECT_EQ(win.Results->currentRow(), c.current);
  EXPECT_EQ(win.Use->isEnabled(), c.useEnabled);
  EXPECT_TRUE(win.Again->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, FindInstrumentList,
    ::testing::Values(
        ListCase{"no lines", {}, QStringLiteral("Brak linii szeregowych."), {}, -1, false},
        ListCase{"none found",
                 {{"/nonexistent/ttyUSB0", ProbeOutcome::NoInstrument},
                  {"/nonexistent/ttyS0", ProbeOutcome::Busy}},
                 QStringLiteral("Nie znaleziono przyrządu."),
                 {QStringLiteral("/nonexistent/ttyUSB0 — brak przyrządu"),
                  QStringLiteral("/nonexistent/ttyS0 — zajęta")},
                 -1,
                 false},
        ListCase{"two found, the first chosen",
                 {{"/nonexistent/ttyACM0", ProbeOutcome::CannotOpen},
                  {"/nonexistent/ttyUSB0", ProbeOutcome::Instrument},
                  {"/nonexistent/ttyUSB1", ProbeOutcome::Instrument}},
                 QStringLiteral("Znalezione przyrządy: 2"),
                 {QStringLiteral("/nonexistent/ttyACM0 — nie można otworzyć"),
                  QStringLiteral("/nonexistent/ttyUSB0 — przyrząd LT-40"),
                  QStringLiteral("/nonexistent/ttyUSB1 — przyrząd LT-40")},
                 1,
                 true}));

TEST(FindInstrumentWin, UseMakesThePortNameLeadToTheLine) {
  QTemporaryDir config;
  testutil::ScopedEnv xdg("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData());
  const QString lineFile = config.filePath(QStringLiteral("ttyUSB0"));
  QFile(lineFile).open(QIODevice::WriteOnly);
  struct Step {
    QString port;
    int chosen;
  };
  for (const Step& s : {Step{QStringLiteral("COM7"), 7}, Step{QStringLiteral("COM20"), 20}}) {
    int chosen = 0;
    TFindInstrumentWin win(
        app::kFindInstrumentPl, [&] { return std::vector<std::string>{lineFile.toStdString()}; },
        [](const std::vector<std::string>& d) {
          return std::vector<ProbeResult>{{d[0], ProbeOutcome::Instrument}};
        },
        [&](int n) { chosen = n; });
    win.search();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !win.searching(); }, 3000));
    win.PortName->setCurrentText(s.port);
    win.Use->click();
    EXPECT_EQ(chosen, s.chosen);
    EXPECT_EQ(win.result(), QDialog::Accepted);
    EXPECT_EQ(devlink::describePort(s.port.toStdString()), lineFile.toStdString());
  }
}

TEST(FindInstrumentWin, FromTheMenuToThePortThatLeadsToTheInstrument) {
  WindowEnv env;
  testutil::ScopedEnv xdg("XDG_CONFIG_HOME", env.path(QStringLiteral("config")).toLocal8Bit().constData());
  const std::string link = env.path(QStringLiteral("lt40")).toStdString();
  testutil::SimulatorProcess sim(link, env.path(QStringLiteral("sim.log")).toStdString(), {});
  ASSERT_TRUE(env.start("pl", std::string("COM1")));
  app::TMainWin& w = *env.win;
  w.setInstrumentLines([link] { return std::vector<std::string>{link}; });

  EXPECT_EQ(w.menu().FindInstrument1->text(), QStringLiteral("Znajdź przyrząd…"));
  w.menu().FindInstrument1->trigger();
  auto* win = w.findChild<TFindInstrumentWin*>();
  ASSERT_NE(win, nullptr);
  EXPECT_EQ(win->windowTitle(), QStringLiteral("Znajdź przyrząd"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !win->searching(); }, 5000));
  EXPECT_EQ(win->Status->text(), QStringLiteral("Znalezione przyrządy: 1"));
  win->PortName->setCurrentText(QStringLiteral("COM5"));
  win->Use->click();

  EXPECT_EQ(env.port().Port(), "COM5");
  for (int n = 1; n <= 20; ++n)
    EXPECT_EQ(w.menu().COMs[static_cast<std::size_t>(n - 1)]->isChecked(), n == 5) << n;
  EXPECT_EQ(devlink::describePort("COM5"), devlink::portDevicePath(link));
  // The menu now says where COM5 leads.
  w.setPortDescriber({});
  Q_EMIT w.menu().Trans->aboutToShow();
  EXPECT_EQ(w.menu().COMs[4]->text(),
            QStringLiteral("COM5 — ") + QString::fromStdString(devlink::portDevicePath(link)));
}

}  // namespace
