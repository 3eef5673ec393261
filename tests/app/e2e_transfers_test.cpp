// The real main window against the simulated instrument: the calibration upload lands in
// the instrument's memory as encoded words, the readback fills the panel as the decoding
// says, and the stored results come down into a data file.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <array>
#include <sys/resource.h>

#include <QStatusBar>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/pobierz_win.h"
#include "calibration/address_map.h"
#include "calibration/calibration_grid.h"
#include "calibration/readback.h"
#include "calibration/upload.h"
#include "tests/support/window_env.h"
#include "measurement/wykres.h"
#include "tests/support/sim_process.h"
#include "tools/lt40_sim/instrument.h"

namespace {

using calibration::Edit;
using calibration::Grid;
using Memory = tools::Instrument::CalibrationMemory;

// A window connected to lt40-sim (streaming frames), whose calibration memory is mirrored
// into a file after every write.
struct SimRun {
  testutil::WindowEnv env;
  std::unique_ptr<testutil::SimulatorProcess> sim;
  QString memoryFile;

  void start(std::vector<std::string> extra) {
    ASSERT_TRUE(env.start("pl"));
    memoryFile = env.path("memory.bin");
    const QString link = env.path("ttyLT40");
    extra.insert(extra.end(), {"--rate", "50", "--calibration-out", memoryFile.toStdString()});
    sim = std::make_unique<testutil::SimulatorProcess>(link.toStdString(),
                                                       env.path("sim.log").toStdString(), extra);
    ASSERT_TRUE(QFile::exists(link));
    env.port().SetPort(link.toStdString());
    env.win->controls().S_Polacz->click();
    ASSERT_TRUE(env.port().Connected());
    ASSERT_TRUE(QTest::qWaitFor([&] { return env.win->chart().Wykres1->Ilosc() > 2; }, 5000));
  }
  Memory memory() const {
    Memory m{};
    std::ifstream in(memoryFile.toStdString(), std::ios::binary);
    in.read(reinterpret_cast<char*>(m.data()), static_cast<std::streamsize>(m.size()));
    return m;
  }
  bool readBack() {
    env.win->OdbierzClick();
    return QTest::qWaitFor([&] { return !env.readback().running(); }, 30000);
  }
  // Results as the download writes them, for the simulator's default memory of `n`.
  static std::vector<std::string> expectedResults(int n) {
    std::vector<std::string> lines;
    for (const tools::StoredResult& r : tools::Instrument::defaultResults(n)) {
      const auto counts = static_cast<std::uint16_t>(r.counts);
      lines.push_back(devlink::ResultDownload::ResultLine(
          tools::Instrument::resultStatus(r.rangeIndex), static_cast<std::uint8_t>(counts & 0xFF),
          static_cast<std::uint8_t>(counts >> 8)));
    }
    return lines;
  }
  // Downloads into `file` through the menu; true once the transfer has ended.
  bool download(app::TPobierzWin& window, const QString& file) {
    env.win->attachDownloadWindow(window);
    env.dialogs.fileAnswers = {file};
    env.win->menu().Pobierzwynikizurzdzenia1->trigger();
    return QTest::qWaitFor([&] { return !env.download().active(); }, 60000);
  }
};
struct SimWindow : ::testing::Test, SimRun {};

// How the instrument misbehaves, as lt40-sim's options say, in every transfer test below.
// A reply later than the program's repeat is shortened with the repeat (300 ms, 450 ms late)
// so that the tests stay quick.
struct Misbehaviour {
  const char* name;
  std::vector<std::string> options;
};
const std::vector<Misbehaviour> kMisbehaviours = {
    {"doubled replies", {"--double-replies", "0.3"}},
    {"late replies", {"--late-replies", "0.05", "--late-ms", "450"}},
    {"dropped replies", {"--drop-replies", "0.05"}},
    {"stray replies", {"--stray-replies", "3"}},
};
constexpr int kShortReplyTimeoutMs = 300;

// Every written field with a value inside its range.
void fillPanel(calibration::CalibrationData& d) {
  int n = 0;
  for (Grid g : {Grid::X, Grid::Y, Grid::Z}) {
    for (int column : {1, 2}) {
      for (int row : {1, 3, 5}) d.setCell(g, column, row, "0," + std::to_string(11 + n++));
      d.setCell(g, column, 6, std::to_string(-100 * column - n));
    }
  }
  d.setCell(Grid::KFILTR, 1, 1, "1200");
  d.setCell(Grid::KFILTR, 2, 1, "$1F4");
  d.setCell(Grid::KFILTR, 1, 2, "900");
  d.setCell(Grid::KFILTR, 2, 2, "800");
  for (int row = 3; row <= 6; ++row) {
    d.setCell(Grid::KFILTR, 1, row, "0." + std::to_string(row));
    d.setCell(Grid::KFILTR, 2, row, "0.0" + std::to_string(row));
  }
  for (int row = 1; row <= 3; ++row) d.setCell(Grid::S_Faza, 1, row, std::to_string(10 * row));
  d.setEdit(Edit::Wtemp, "-1234");
  d.setEdit(Edit::OTemp, "40000");
  d.setEdit(Edit::WKor, "-0,25");
  d.setEdit(Edit::OKor, "17");
  d.setEdit(Edit::Potencjometr, "200");
  d.setEdit(Edit::NR, "31415");
  d.setEdit(Edit::KorekcjaPolowa, "0.000003");
  d.setSwitchByte(0xA5);
}

TEST_F(SimWindow, UploadLandsInTheInstrumentsMemoryAsTheEncodedWords) {
  start({});
  app::TMainWin& w = *env.win;
  calibration::CalibrationData& d = env.calibration();
  fillPanel(d);
  w.calibrationPanel().SaveEPROM->setChecked(true);

  // What the memory must hold: the old content with every planned frame written into it.
  Memory expected = memory();
  int frames = 0;
  for (const calibration::UploadStep& step : calibration::PlanUpload(d, true)) {
    if (step.kind != calibration::UploadStep::Kind::WriteFrame || step.frame[2] != 'C') continue;
    const std::size_t n = step.frame[4];
    for (std::size_t i = 0; i < n; ++i) expected[step.frame[3] + i] = step.frame[6 + i];
    ++frames;
  }
  // 18 gains, 6 offsets, 4 thresholds, 8 coefficients, 3 phases, 4 temperature fields, the
  // switches, the potentiometer, 2 probe frames, the field correction.
  EXPECT_EQ(frames, 48);
  w.WyslijClick();
  // The instrument's 500 ms for storing it run on a timer.
  ASSERT_TRUE(QTest::qWaitFor([&] { return !w.UploadActive(); }, 3000));
  EXPECT_TRUE(env.dialogs.messages.isEmpty()) << env.dialogs.messages.join("|").toStdString();
  EXPECT_TRUE(w.calibrationPanel().Wyslij->isEnabled());
  ASSERT_TRUE(QTest::qWaitFor([&] { return memory() == expected; }, 5000));
  const Memory m = memory();
  EXPECT_EQ(m[0] | (m[1] << 8), 0x0E14);     // X gain 0,11 → round(0.11 · 32768) = 3604
  EXPECT_EQ(m[192], 0xA5);                   // switch byte
  EXPECT_EQ(m[94] | (m[95] << 8), 0xE000);   // WKor −0.25 · 32767 → −8192 (half to even)
  EXPECT_EQ(m[180] | (m[181] << 8), 6442);   // 0.000003 · 2^31
  EXPECT_EQ((std::array{m[76], m[77], m[78], m[79], m[92]}),
            (std::array<std::uint8_t, 5>{3, 1, 4, 1, 5}));

  // Read back: the texts come back up to the documented format differences.
  d.setCell(Grid::X, 1, 1, "junk");
  ASSERT_TRUE(readBack());
  EXPECT_EQ(d.cell(Grid::X, 1, 1), "0.1100");
  EXPECT_EQ(d.cell(Grid::Z, 2, 6), "-218");
  EXPECT_EQ(d.cell(Grid::KFILTR, 2, 1), "500");
  EXPECT_EQ(d.cell(Grid::KFILTR, 1, 3), "0.300");  // −ln(round(32768·e^−0.3) / 32767)
  EXPECT_EQ(d.cell(Grid::S_Faza, 1, 2), "20");
  EXPECT_EQ(d.edit(Edit::Wtemp), "-1234");
  EXPECT_EQ(d.edit(Edit::OTemp), "-25536");     // the word read back as a signed number
  EXPECT_EQ(d.edit(Edit::WKor), "-0.2500");     // −8192 ÷ 32768
  EXPECT_EQ(d.edit(Edit::NR), "31415");
  EXPECT_EQ(d.edit(Edit::Potencjometr), "200");
  EXPECT_EQ(d.edit(Edit::KorekcjaPolowa), "0.000002999790");
  EXPECT_EQ(d.switchByte(), 0xA5);
  EXPECT_TRUE(w.calibrationPanel().switchBox(7)->isChecked());
  EXPECT_EQ(w.calibrationPanel().WKor->text(), "-0.2500");
}

TEST_F(SimWindow, ReadbackFillsEveryCellAsTheWordsSay) {
  // A known memory: every byte different.
  Memory known{};
  for (std::size_t i = 0; i < known.size(); ++i) known[i] = static_cast<std::uint8_t>(i * 7 + 3);
  const QString file = env.path("known.bin");
  {
    std::ofstream out(file.toStdString(), std::ios::binary);
    out.write(reinterpret_cast<const char*>(known.data()), 256);
  }
  start({"--calibration", file.toStdString()});
  app::TMainWin& w = *env.win;
  calibration::CalibrationWordTable words{};
  for (int k = 1; k <= calibration::kCalibrationWordCount; ++k) {
    const std::uint8_t a = calibration::CalibrationAddressTable[static_cast<std::size_t>(k)];
    words[static_cast<std::size_t>(k)] = static_cast<std::int16_t>(known[a] | (known[a + 1] << 8));
  }
  calibration::CalibrationData expected;
  calibration::MarkPlaceholderCells(expected);
  calibration::WriteGridHeadings(expected);
  calibration::DecodeCalibrationWords(words, expected);

  EXPECT_FALSE(w.calibrationPanel().readbackRunning());
  w.OdbierzClick();
  EXPECT_EQ(w.calibrationPanel().Odbierz->text(), "Przerwij");
  EXPECT_FALSE(w.calibrationPanel().Wyslij->isEnabled());
  EXPECT_TRUE(w.calibrationPanel().Postep->isVisible() || !w.isVisible());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !env.readback().running(); }, 15000));
  EXPECT_EQ(w.calibrationPanel().Odbierz->text(), "Odbierz");
  EXPECT_TRUE(w.calibrationPanel().Wyslij->isEnabled());
  EXPECT_TRUE(env.dialogs.messages.isEmpty()) << env.dialogs.messages.join("|").toStdString();
  EXPECT_EQ(env.readback().CalibrationWords, words);
  for (Grid g : {Grid::X, Grid::Y, Grid::Z, Grid::KFILTR, Grid::S_Faza})
    for (int c = 0; c <= 3; ++c)
      for (int r = 0; r <= 8; ++r) EXPECT_EQ(env.calibration().cell(g, c, r), expected.cell(g, c, r));
  for (int e = 0; e < calibration::kEditCount; ++e)
    EXPECT_EQ(env.calibration().edit(Edit(e)), expected.edit(Edit(e)));
  EXPECT_EQ(env.calibration().switchByte(), known[192]);
  EXPECT_EQ(w.calibrationPanel().X->item(1, 1)->text().toStdString(), expected.cell(Grid::X, 1, 1));
}

TEST_F(SimWindow, StoredResultsComeDownIntoADataFile) {
  start({"--results", "40"});
  app::TMainWin& w = *env.win;
  app::TPobierzWin window(&w);
  w.attachDownloadWindow(window);
  const QString file = env.path("results.HVD");
  env.dialogs.fileAnswers = {file};
  w.menu().Pobierzwynikizurzdzenia1->trigger();
  EXPECT_FALSE(w.menu().Pobierzwynikizurzdzenia1->isEnabled());
  // While the results come, the live readout stands still.
  ASSERT_TRUE(QTest::qWaitFor([&] { return env.receiver().LinkMode != devlink::LinkMode::Measuring; },
                              2000));
  const int pointsDuring = w.chart().Wykres1->Ilosc();
  ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(file); }, 10000));
  EXPECT_LE(w.chart().Wykres1->Ilosc(), pointsDuring + 1);
  EXPECT_EQ(window.Label1->text(), "Ilość wyników do pobrania: 40.");
  EXPECT_FALSE(window.isVisible());

  EXPECT_EQ(testutil::fileLines(file), expectedResults(40));
  // And the readings come back.
  const int after = w.chart().Wykres1->Ilosc();
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.chart().Wykres1->Ilosc() > after + 3; }, 5000));
  EXPECT_TRUE(w.menu().Pobierzwynikizurzdzenia1->isEnabled());
  EXPECT_TRUE(env.dialogs.messages.isEmpty()) << env.dialogs.messages.join("|").toStdString();
}

}  // namespace

namespace {

// A misbehaving instrument never turns into wrong calibration: the readback ends with
// exactly the instrument's words, or with a message and the panel as it was.
TEST(SimReadback, EndsWithTheInstrumentsDataOrAMessage) {
  for (const Misbehaviour& m : kMisbehaviours) {
    SCOPED_TRACE(m.name);
    SimRun t;
    t.start(m.options);
    if (::testing::Test::HasFatalFailure()) return;
    t.env.readback().ReplyTimeoutMs = kShortReplyTimeoutMs;
    const Memory memory = t.memory();
    calibration::CalibrationWordTable words{};
    for (int k = 1; k <= calibration::kCalibrationWordCount; ++k) {
      const std::uint8_t a = calibration::CalibrationAddressTable[static_cast<std::size_t>(k)];
      words[static_cast<std::size_t>(k)] =
          static_cast<std::int16_t>(memory[a] | (memory[a + 1] << 8));
    }
    t.env.calibration().setEdit(Edit::NR, "untouched");
    ASSERT_TRUE(t.readBack());
    if (t.env.dialogs.messages.isEmpty()) {
      EXPECT_EQ(t.env.readback().CalibrationWords, words);
      EXPECT_EQ(t.env.calibration().edit(Edit::NR), "12345");
    } else {
      EXPECT_EQ(t.env.calibration().edit(Edit::NR), "untouched");
    }
    // These rates are well within what the repeats cover: the data must come through.
    EXPECT_TRUE(t.env.dialogs.messages.isEmpty()) << t.env.dialogs.messages.join("|").toStdString();
  }
}

// The same for the download: the file holds every result once, in order, or the user is
// asked about what came (a correct beginning of it).
TEST(SimDownload, EndsWithTheInstrumentsDataOrAMessage) {
  for (const Misbehaviour& m : kMisbehaviours) {
    SCOPED_TRACE(m.name);
    SimRun t;
    std::vector<std::string> options = m.options;
    options.insert(options.end(), {"--results", "60", "--faults-after", "1"});
    t.start(options);
    if (::testing::Test::HasFatalFailure()) return;
    app::TMainWin& w = *t.env.win;
    t.env.download().ReplyTimeoutMs = kShortReplyTimeoutMs;
    app::TPobierzWin window(&w);
    const QString file = t.env.path("results.HVD");
    ASSERT_TRUE(t.download(window, file));
    const std::vector<std::string> expected = SimRun::expectedResults(60);
    const std::vector<std::string> lines = testutil::fileLines(file);
    ASSERT_LE(lines.size(), expected.size());
    const auto wrong = std::mismatch(lines.begin(), lines.end(), expected.begin());
    EXPECT_TRUE(wrong.first == lines.end())
        << "result " << (wrong.first - lines.begin()) + 1 << " is " << *wrong.first << ", not "
        << *wrong.second;
    EXPECT_TRUE(t.env.dialogs.questions.isEmpty()) << t.env.dialogs.questions.join("|").toStdString();
    EXPECT_EQ(lines, expected);
    EXPECT_TRUE(w.statusText().startsWith("Pobrano wyników: 60, zapisano w pliku results.HVD"))
        << w.statusText().toStdString();
  }
}

// Stray replies during and after a transfer never become readings: a recording across a
// download holds only what the instrument sent as measurement frames.
TEST_F(SimWindow, RecordingAcrossATransferHoldsOnlyMeasuredValues) {
  start({"--gen", "const", "--value", "12345", "--stray-replies", "5", "--results", "40"});
  app::TMainWin& w = *env.win;
  const QString recording = env.path("recording.HVD");
  env.dialogs.fileAnswers = {recording};
  w.Zapisz1Click();
  ASSERT_TRUE(w.RecordingActive());
  app::TPobierzWin window(&w);
  ASSERT_TRUE(download(window, env.path("results.HVD")));
  const int after = w.chart().Wykres1->Ilosc();
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.chart().Wykres1->Ilosc() > after + 25; }, 5000));
  w.ZakonczClick();
  const std::vector<std::string> lines = testutil::fileLines(recording);
  ASSERT_GT(lines.size(), 25u);
  for (const std::string& line : lines) ASSERT_EQ(line, " 12.345");
}

// A cable pulled in the middle of a frame, then the line opened again (by itself): no value
// the instrument never sent is recorded, and readings resume.
TEST_F(SimWindow, HangUpMidFrameLeavesNoFalseReading) {
  start({"--gen", "const", "--value", "12345", "--replug-ms", "300"});
  app::TMainWin& w = *env.win;
  const QString recording = env.path("recording.HVD");
  env.dialogs.fileAnswers = {recording};
  w.Zapisz1Click();
  const int before = w.chart().Wykres1->Ilosc();
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.chart().Wykres1->Ilosc() > before + 5; }, 5000));
  sim->signal(SIGUSR1);
  // Lost, then back by itself once the simulator is plugged in again.
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return w.statusText().startsWith("Utracono połączenie"); }, 1000));
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return w.statusText().startsWith("Połączony na"); }, 2000));
  const int reconnected = w.chart().Wykres1->Ilosc();
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.chart().Wykres1->Ilosc() > reconnected + 5; }, 5000));
  w.ZakonczClick();
  const std::vector<std::string> lines = testutil::fileLines(recording);
  ASSERT_GT(lines.size(), 10u);
  for (const std::string& line : lines) ASSERT_EQ(line, " 12.345");
}

// Anyone trying the program reads the simulated probe back and uploads it again: every value
// of it is one the upload accepts.
TEST_F(SimWindow, DefaultProbeReadsBackAndUploadsWithoutAMessage) {
  start({});
  ASSERT_TRUE(readBack());
  EXPECT_EQ(env.calibration().edit(Edit::NR), "12345");
  const Memory before = memory();
  env.win->WyslijClick();
  EXPECT_TRUE(env.dialogs.messages.isEmpty()) << env.dialogs.messages.join("|").toStdString();
  EXPECT_EQ(memory()[0], before[0]);
}

}  // namespace

namespace {

double processCpuMs() {
  rusage u{};
  ::getrusage(RUSAGE_SELF, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
         (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// The cable pulled and plugged in again: the loss is said in the status bar within a second,
// and with reconnecting on the readings come back by themselves, a recording across the gap
// holding every reading before and after it once; with it off, or after a disconnect by hand
// during the search, the window stays disconnected.
TEST(SimReconnect, TheInstrumentComesBackByItself) {
  struct Row {
    const char* name;
    bool autoReconnect;
    bool disconnectDuringSearch;
  };
  for (const Row& row : {Row{"reconnecting", true, false}, Row{"reconnecting off", false, false},
                         Row{"disconnected by hand", true, true}}) {
    SCOPED_TRACE(row.name);
    SimRun t;
    // A ramp of 4 counts a frame (50 frames a second): every reading is larger than the
    // one before.
    t.start({"--gen", "ramp", "--value", "5000", "--amplitude", "5000", "--period", "50",
             "--replug-ms", "800"});
    if (::testing::Test::HasFatalFailure()) return;
    app::TMainWin& w = *t.env.win;
    if (!row.autoReconnect) w.menu().AutoReconnect1->trigger();
    ASSERT_EQ(w.menu().AutoReconnect1->isChecked(), row.autoReconnect);
    const QString recording = t.env.path("across.HVD");
    t.env.dialogs.fileAnswers = {recording};
    w.Zapisz1Click();
    const int before = w.chart().Wykres1->Ilosc();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.chart().Wykres1->Ilosc() > before + 5; }, 5000));

    t.sim->signal(SIGUSR1);
    const QString lost = "Utracono połączenie z " + t.env.path("ttyLT40");
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.statusText() == lost; }, 1000));
    EXPECT_TRUE(t.env.dialogs.messages.isEmpty()) << "no message box";
    if (row.disconnectDuringSearch) w.controls().S_Polacz->click();
    EXPECT_EQ(w.Reconnecting(), row.autoReconnect && !row.disconnectDuringSearch);
    if (w.Reconnecting()) {
      // Waiting for the device costs next to nothing: no busy loop.
      const double cpu0 = processCpuMs();
      QTest::qWait(500);
      EXPECT_LT(processCpuMs() - cpu0, 50.0) << "CPU ms in 500 ms of waiting";
    }
    const int atLoss = w.chart().Wykres1->Ilosc();
    const bool back = QTest::qWaitFor([&] { return w.chart().Wykres1->Ilosc() > atLoss + 5; },
                                      800 + 1500 + 500);
    if (row.autoReconnect && !row.disconnectDuringSearch) {
      ASSERT_TRUE(back);
      EXPECT_TRUE(w.statusText().startsWith("Połączony na "));
    } else {
      EXPECT_FALSE(back);
      EXPECT_FALSE(t.env.port().Connected());
      EXPECT_EQ(w.controls().S_Polacz->text(), "Połącz");
    }
    w.ZakonczClick();
    const std::vector<std::string> lines = testutil::fileLines(recording);
    ASSERT_GT(lines.size(), 5u);
    for (std::size_t i = 1; i < lines.size(); ++i) {
      ASSERT_LT(std::stod(lines[i - 1]), std::stod(lines[i])) << "line " << i + 1;
    }
  }
}

}  // namespace
