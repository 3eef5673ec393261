// A CSV recording made by the window from the simulated instrument, read back field by
// field: both styles, the vector mode, a probe without temperature, a held stretch and
// frames beyond the range that must not appear.
#include <gtest/gtest.h>

#include <QAction>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "measurement/wykres.h"
#include "tests/support/sim_process.h"
#include "tests/support/window_env.h"

namespace {

std::vector<std::string> splitRow(const std::string& row, char separator) {
  std::vector<std::string> fields(1);
  for (const char c : row) {
    if (c == separator)
      fields.emplace_back();
    else
      fields.back() += c;
  }
  return fields;
}

double number(std::string text) {
  for (char& c : text)
    if (c == ',') c = '.';
  return std::stod(text);
}

struct CsvCase {
  const char* name;
  bool semicolon;
  bool vector;
  std::vector<std::string> sim;  // the simulator's options
  int holdMs;                    // a held stretch in the middle of the recording (0: none)
  int minRows;                   // at least this many rows (0: exactly none)
  const char* temperature;       // expected temperature field ("" with none)
};

class WindowCsv : public ::testing::TestWithParam<CsvCase> {};

TEST_P(WindowCsv, RowsAreTheReadingsOfTheInstrument) {
  const CsvCase& c = GetParam();
  testutil::WindowEnv env;
  ASSERT_TRUE(env.start("pl"));
  app::TMainWin& w = *env.win;
  const QString link = env.path("ttyLT40");
  std::vector<std::string> options = {"--rate", "100", "--gen", "const"};
  options.insert(options.end(), c.sim.begin(), c.sim.end());
  testutil::SimulatorProcess sim(link.toStdString(), env.path("sim.log").toStdString(), options);
  env.port().SetPort(link.toStdString());
  w.controls().S_Polacz->click();
  ASSERT_TRUE(env.port().Connected());
  if (c.minRows == 0) {  // frames come, all of them beyond the range
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.readout().SWynik->text() == "Overrange"; }, 5000));
  } else {
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.chart().Wykres1->Ilosc() > 2; }, 5000));
  }
  if (c.vector) {
    w.menu().remoteItem("Wektor1")->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.readout().SOS->text() == "Wektor"; }, 5000));
  }
  if (c.semicolon) w.menu().CsvSemicolon->trigger();

  const QString file = env.path("run.csv");
  env.dialogs.fileAnswers = {file};
  w.controls().S_Zapisz->click();
  ASSERT_TRUE(w.RecordingActive());
  QTest::qWait(400);
  QElapsedTimer held;
  if (c.holdMs > 0) {
    w.chart().Wstrzymaj->setChecked(true);
    held.start();
    QTest::qWait(c.holdMs);
    w.chart().Wstrzymaj->setChecked(false);
  }
  QTest::qWait(400);
  w.controls().S_Zapisz->click();
  ASSERT_FALSE(w.RecordingActive());
  EXPECT_TRUE(env.dialogs.messages.isEmpty()) << env.dialogs.messages.join("|").toStdString();

  const std::vector<std::string> rows = testutil::fileLines(file);
  ASSERT_FALSE(rows.empty());
  const char sep = c.semicolon ? ';' : ',';
  EXPECT_EQ(splitRow(rows[0], sep),
            (std::vector<std::string>{"time", "value", "unit", "mode", "axis", "range",
                                      "temperature", "x", "y", "z"}));
  const std::size_t count = rows.size() - 1;
  if (c.minRows == 0) {
    EXPECT_EQ(count, 0u) << "nothing beyond the range is recorded";
    return;
  }
  EXPECT_GE(count, static_cast<std::size_t>(c.minRows));
  QDateTime previous;
  qint64 longestGapMs = 0;
  for (std::size_t i = 1; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i]);
    const std::vector<std::string> f = splitRow(rows[i], sep);
    ASSERT_EQ(f.size(), 10u);
    const QDateTime at = QDateTime::fromString(QString::fromStdString(f[0]), Qt::ISODateWithMs);
    ASSERT_TRUE(at.isValid());
    if (previous.isValid()) longestGapMs = std::max(longestGapMs, previous.msecsTo(at));
    previous = at;
    EXPECT_EQ(f[1].find(' '), std::string::npos) << "no padding";
    EXPECT_EQ(f[1].find(c.semicolon ? '.' : ','), std::string::npos);
    EXPECT_EQ(f[2], "mT");
    EXPECT_EQ(f[3], "DC");
    EXPECT_EQ(f[5], "0");
    EXPECT_EQ(f[6], c.temperature);
    if (c.vector) {
      EXPECT_EQ(f[4], "vector");
      const double x = number(f[7]), y = number(f[8]), z = number(f[9]);
      EXPECT_NEAR(x, 12.345, 0.0005);
      EXPECT_NEAR(y, -0.5 * x, 0.0015);
      EXPECT_NEAR(z, 0.25 * x, 0.0015);
      EXPECT_NEAR(number(f[1]), std::sqrt(x * x + y * y + z * z), 0.002);
    } else {
      EXPECT_EQ(f[4], "X");
      EXPECT_EQ(f[1], c.semicolon ? "12,345" : "12.345");
      EXPECT_EQ(f[7] + f[8] + f[9], "");
    }
  }
  // Readings that came while the chart was held are not recorded.
  if (c.holdMs > 0) EXPECT_GE(longestGapMs, c.holdMs - 50);
  else EXPECT_LT(longestGapMs, 200);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WindowCsv,
    ::testing::Values(
        CsvCase{"Comma", false, false, {"--value", "12345"}, 0, 40, "23.5"},
        CsvCase{"SemicolonVector", true, true, {"--value", "12345"}, 0, 40, "23,5"},
        CsvCase{"NoTemperature", false, false, {"--value", "12345", "--no-temperature"}, 0, 40, ""},
        CsvCase{"HeldStretch", false, false, {"--value", "12345"}, 500, 30, "23.5"},
        CsvCase{"Overrange", false, false, {"--value", "40000000", "--overrange"}, 0, 0, ""}),
    [](const ::testing::TestParamInfo<CsvCase>& info) { return std::string(info.param.name); });

}  // namespace
