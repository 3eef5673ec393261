// Recording readings to data files and replaying data files in the chart, through the
// main window's handlers, checked by the files written and by what the chart shows.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cmath>

#include "tests/support/window_env.h"
#include "measurement/formatting.h"
#include "measurement/wykres.h"
#include "tests/support/awkward_files.h"

namespace {

using app::TMainWin;
using testutil::WindowEnv;

// A reading of `counts` thousandths of a millitesla, handed to the window as the port would.
void feed(WindowEnv& env, std::int16_t counts) {
  const std::vector<std::uint8_t> f = testutil::frame(counts);
  env.receiver().handleEvent(f.data(), static_cast<int>(f.size()));
}

std::string line(int counts) {
  return measurement::FormatLine(0, counts / 1000.0);
}

TEST(MainWinRecording, FirstScreenOnlyEndsAt530Lines) {
  WindowEnv env;
  ASSERT_TRUE(env.start("pl"));
  TMainWin& w = *env.win;
  const QString file = env.path("first.HVD");
  env.dialogs.fileAnswers = {file};
  w.calibrationPanel().OstatniEkran->setChecked(true);
  w.Zapisz1Click();
  ASSERT_TRUE(w.RecordingActive());
  EXPECT_EQ(w.controls().S_Zapisz->text(), "Zakoncz zapis");
  EXPECT_FALSE(w.menu().Zapisz1->isEnabled());
  EXPECT_TRUE(w.menu().Zakoncz->isEnabled());
  EXPECT_FALSE(w.menu().Otwrz1->isEnabled());
  EXPECT_FALSE(w.controls().S_Otworz->isEnabled());
  EXPECT_FALSE(QFile::exists(file));  // written when the recording ends

  for (int i = 1; i <= 529; ++i) feed(env, static_cast<std::int16_t>(i));
  EXPECT_TRUE(w.RecordingActive());
  feed(env, 530);
  EXPECT_FALSE(w.RecordingActive());
  EXPECT_EQ(w.controls().S_Zapisz->text(), "Zapisz do pliku");
  EXPECT_TRUE(w.menu().Otwrz1->isEnabled());
  EXPECT_TRUE(w.controls().S_Otworz->isEnabled());
  EXPECT_FALSE(w.menu().Zakoncz->isEnabled());

  const std::vector<std::string> lines = testutil::fileLines(file);
  ASSERT_EQ(lines.size(), 530u);
  EXPECT_EQ(lines.front(), line(1));
  EXPECT_EQ(lines.back(), line(530));
  EXPECT_EQ(env.lines().LineCount(), 0u);
  EXPECT_TRUE(env.dialogs.messages.isEmpty());
}

TEST(MainWinRecording, HoldSkipsReadingsAndEmptyRecordingWritesNothing) {
  WindowEnv env;
  ASSERT_TRUE(env.start("pl"));
  TMainWin& w = *env.win;
  const QString empty = env.path("empty.HVD");
  const QString held = env.path("held.HVD");
  env.dialogs.fileAnswers = {empty, held};

  w.Zapisz1Click();
  w.ZakonczClick();
  EXPECT_FALSE(QFile::exists(empty));

  w.Zapisz1Click();
  feed(env, 100);
  w.chart().Wstrzymaj->click();  // down
  feed(env, 200);
  feed(env, 300);
  w.chart().Wstrzymaj->click();  // up again
  feed(env, 400);
  w.menu().Zakoncz->trigger();
  EXPECT_EQ(testutil::fileLines(held), (std::vector<std::string>{line(100), line(400)}));

  // Cancelling the save dialog starts nothing.
  w.Zapisz1Click();
  EXPECT_FALSE(w.RecordingActive());
}

TEST(MainWinRecording, LanguageSwitchWhileRecording) {
  WindowEnv env;
  ASSERT_TRUE(env.start("pl"));
  TMainWin& w = *env.win;
  env.dialogs.fileAnswers = {env.path("lang.HVD")};
  w.Zapisz1Click();
  w.zmienJezyk(app::kItalianCaptions);
  EXPECT_EQ(w.controls().S_Zapisz->text(), "Termina salvataggio file");
  w.ZakonczClick();
  EXPECT_EQ(w.controls().S_Zapisz->text(), "Salva con nome...");
}

TEST(MainWinRecording, FailedWriteOffersAnotherFile) {
  WindowEnv env;
  ASSERT_TRUE(env.start("pl"));
  TMainWin& w = *env.win;
  const QString bad = env.path("no-such-folder/rec.HVD");
  const QString good = env.path("rec.HVD");
  env.dialogs.fileAnswers = {bad, good};
  w.Zapisz1Click();
  feed(env, 1500);
  feed(env, -1500);
  w.ZakonczClick();
  EXPECT_EQ(env.dialogs.messages, QStringList{"Błąd. Nie można zapisać do pliku."});
  EXPECT_EQ(env.dialogs.fileRequests.size(), 2);
  EXPECT_EQ(testutil::fileLines(good), (std::vector<std::string>{"  1.500", " -1.500"}));

  // Cancelling the second choice gives the lines up.
  env.dialogs.messages.clear();
  env.dialogs.fileAnswers = {bad, std::nullopt};
  w.Zapisz1Click();
  feed(env, 7);
  w.ZakonczClick();
  EXPECT_EQ(env.dialogs.messages, QStringList{"Błąd. Nie można zapisać do pliku."});
  EXPECT_EQ(env.lines().LineCount(), 0u);
  EXPECT_FALSE(w.RecordingActive());
}

TEST(MainWinReplay, FileDialogsOpenInTheDataFolder) {
  WindowEnv env;
  ASSERT_TRUE(env.start("pl"));
  TMainWin& w = *env.win;
  w.menu().Otwrz1->trigger();  // cancelled
  ASSERT_EQ(env.dialogs.fileRequests.size(), 1);
  const qtkit::FileDialogRequest& r = env.dialogs.fileRequests[0];
  EXPECT_EQ(r.filter, "Pliki danych Halvex 2.2|*.HVD");
  EXPECT_EQ(r.defaultExtension, "*.HVD");
  EXPECT_TRUE(r.fileName.isEmpty());
  EXPECT_EQ(r.initialDir, qEnvironmentVariable("XDG_DATA_HOME") + "/Vantorel/Halvex");
  EXPECT_TRUE(QDir(r.initialDir).exists());
  EXPECT_TRUE(w.menu().Danezurzdzenia1->isChecked());  // nothing changed
}

TEST(MainWinReplay, LongFileScrollsShortFileFits) {
  WindowEnv env;
  ASSERT_TRUE(env.start("pl"));
  TMainWin& w = *env.win;
  const QString longFile = env.path("long.HVD");
  const QString shortFile = env.path("short.HVD");
  testutil::writeDataFile(longFile, 600);
  testutil::writeDataFile(shortFile, 100);

  env.dialogs.fileAnswers = {longFile};
  w.controls().S_Otworz->click();
  EXPECT_FALSE(w.menu().Danezurzdzenia1->isChecked());
  EXPECT_TRUE(w.chart().Kosz->isHidden());
  EXPECT_FALSE(w.chart().TrackBar1->isHidden());
  EXPECT_EQ(w.chart().TrackBar1->minimum(), 1);
  EXPECT_EQ(w.chart().TrackBar1->maximum(), 72);
  EXPECT_EQ(w.chart().TrackBar1->value(), 1);
  EXPECT_EQ(env.lines().LineCount(), 600u);
  EXPECT_EQ(w.chart().Wykres1->Ilosc(), 527);
  EXPECT_DOUBLE_EQ(w.chart().Wykres1->model().Newest(), env.lines().ReplayValue(528));

  // Scrolling redraws once the bar has rested for 250 ms.
  w.chart().TrackBar1->setValue(72);
  EXPECT_TRUE(w.findChild<QTimer*>("Timer1")->isActive());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !w.findChild<QTimer*>("Timer1")->isActive(); }, 2000));
  EXPECT_DOUBLE_EQ(w.chart().Wykres1->model().Newest(), env.lines().ReplayValue(599));
  EXPECT_EQ(w.chart().Wykres1->Ilosc(), 527);

  // Live readings do not reach the chart during replay.
  feed(env, 5);
  EXPECT_DOUBLE_EQ(w.chart().Wykres1->model().Newest(), env.lines().ReplayValue(599));

  env.dialogs.fileAnswers = {shortFile};
  w.menu().Otwrz1->trigger();
  EXPECT_TRUE(w.chart().TrackBar1->isHidden());  // the long file's bar goes
  EXPECT_EQ(w.chart().TrackBar1->value(), 1);
  EXPECT_EQ(w.chart().Wykres1->Ilosc(), 99);
  EXPECT_DOUBLE_EQ(w.chart().Wykres1->model().Newest(), env.lines().ReplayValue(99));

  // "Filtr cyfrowy" with T = 2 smooths the replay with e^(-2).
  w.filter().Tau->setText("2");
  w.filter().filtr->click();
  EXPECT_DOUBLE_EQ(env.lines().ReplayValue(2), 2.0 - std::exp(-2.0) * (2.0 - 1.0));
  w.filter().filtr->click();  // off: e^(-1)
  EXPECT_DOUBLE_EQ(env.lines().ReplayValue(2), 2.0 - std::exp(-1.0) * (2.0 - 1.0));

  w.controls().S_Dane->click();
  EXPECT_TRUE(w.menu().Danezurzdzenia1->isChecked());
  EXPECT_TRUE(w.chart().TrackBar1->isHidden());
  EXPECT_FALSE(w.chart().Kosz->isHidden());
  EXPECT_EQ(w.chart().Wykres1->Ilosc(), 0);
  EXPECT_FALSE(env.processor().state().FilterPrimed);
  feed(env, 5);
  EXPECT_EQ(w.chart().Wykres1->Ilosc(), 1);
  EXPECT_TRUE(env.dialogs.messages.isEmpty());
}

TEST(MainWinReplay, UnreadableAndOverlongFiles) {
  WindowEnv env;
  ASSERT_TRUE(env.start("pl"));
  TMainWin& w = *env.win;
  env.dialogs.fileAnswers = {env.path("missing.HVD")};
  w.Otwrz1Click();
  EXPECT_EQ(env.dialogs.messages, QStringList{"Błąd. Nie można odczytac pliku."});
  EXPECT_TRUE(w.menu().Danezurzdzenia1->isChecked());

  env.dialogs.messages.clear();
  const QString huge = env.path("huge.HVD");
  testutil::writeDataFile(huge, 65537);
  env.dialogs.fileAnswers = {huge};
  w.Otwrz1Click();
  ASSERT_EQ(env.dialogs.messages.size(), 1);
  EXPECT_EQ(env.dialogs.messages[0], QString::fromUtf8(measurement::kFileTruncatedText));
  EXPECT_EQ(env.lines().LineCount(), 65535u);
  EXPECT_EQ(w.chart().TrackBar1->maximum(), 65535 - 528);
  EXPECT_FALSE(w.chart().TrackBar1->isHidden());
}

// Opening what is no data file never freezes the window: a pipe or a device is a read
// error that leaves the live display, a huge file replays what the buffer can take and says
// it was cut.
TEST(MainWinReplay, PipesDevicesAndHugeFilesNeverFreezeTheWindow) {
  using testutil::AwkwardFile;
  struct Row {
    AwkwardFile kind;
    const char* message;
    bool replayed;
  };
  const Row rows[] = {
      {AwkwardFile::Fifo, measurement::kReadErrorText, false},
      {AwkwardFile::DevZero, measurement::kReadErrorText, false},
      {AwkwardFile::Huge, measurement::kFileTruncatedText, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testutil::awkwardName(r.kind));
    WindowEnv env;
    ASSERT_TRUE(env.start("pl"));
    TMainWin& w = *env.win;
    const QString path = env.path(QString::fromLatin1(testutil::awkwardName(r.kind)));
    ASSERT_TRUE(testutil::makeAwkwardFile(r.kind, path.toStdString(), std::uint64_t{64} << 30));
    env.dialogs.fileAnswers = {path};
    testutil::TimeBound bound(10,
                              std::string("opening for replay ") + testutil::awkwardName(r.kind));
    w.Otwrz1Click();
    EXPECT_EQ(env.dialogs.messages, QStringList{QString::fromUtf8(r.message)});
    EXPECT_EQ(w.menu().Danezurzdzenia1->isChecked(), !r.replayed);
    EXPECT_EQ(env.lines().LineCount(), r.replayed ? 1u : 0u);
  }
}

// A file that cannot be opened leaves the replay on screen as it was, and switching the
// filter still recomputes it from the lines it came from.
TEST(MainWinReplay, FailedOpenKeepsTheShownReplayRecomputable) {
  WindowEnv env;
  ASSERT_TRUE(env.start("pl"));
  TMainWin& w = *env.win;
  const QString step = env.path("step.HVD");
  {
    QFile f(step);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("  0.000\r\n 10.000\r\n 10.000\r\n");
  }
  env.dialogs.fileAnswers = {step, env.path("missing.HVD")};
  w.Otwrz1Click();
  w.Otwrz1Click();
  EXPECT_EQ(env.dialogs.messages, QStringList{"Błąd. Nie można odczytac pliku."});
  w.filter().Tau->setText("2");
  w.filter().filtr->setChecked(true);
  EXPECT_NEAR(env.lines().ReplayValue(2), 10.0 - std::exp(-2.0) * 10.0, 1e-9);  // 8.6466
}

}  // namespace

#include <signal.h>

#include <QCoreApplication>
#include <QDateTime>

#include "app/program.h"
#include "qtkit/settings_store.h"
#include "measurement/recording_journal.h"

namespace {

// A recording whose program was killed after its lines were made durable is offered at the
// next start, once: Yes saves it as a data file, No
// deletes it, a cancelled save keeps it aside.
TEST(MainWinRecordingJournal, LeftBehindRecordingIsOfferedOnceAtStart) {
  struct Row {
    const char* name;
    bool yes;
    bool chooseFile;
    bool written;
  };
  for (const Row& row : {Row{"recovered", true, true, true}, Row{"declined", false, false, false},
                         Row{"save cancelled", true, false, false}}) {
    SCOPED_TRACE(row.name);
    WindowEnv env;
    const auto started = std::chrono::system_clock::now() - std::chrono::hours(2);
    {
      // What a killed program leaves: the lines made durable, the lock gone with the process.
      std::int64_t now = 0;
      measurement::RecordingJournal j([&now] { return now; });
      ASSERT_TRUE(j.start(started));
      for (int i = 1; i <= 3; ++i) j.append(line(i * 1000));
      now = measurement::DurableAppender::kFlushIntervalMs;
      j.poll();
      j.abandon();
    }
    ASSERT_TRUE(env.start("en"));
    const QString file = env.path("recovered.HVD");
    env.dialogs.yesNoAnswers = {row.yes};
    if (row.chooseFile) env.dialogs.fileAnswers = {file};
    env.win->offerLeftoverRecordings();
    const QString when =
        QDateTime::fromMSecsSinceEpoch(
            std::chrono::duration_cast<std::chrono::milliseconds>(started.time_since_epoch()).count())
            .toString("yyyy-MM-dd HH:mm:ss");
    EXPECT_EQ(env.dialogs.questions,
              QStringList{"Recover the unfinished recording from " + when + "?"});
    EXPECT_EQ(QFile::exists(file), row.written);
    if (row.written) {
      EXPECT_EQ(testutil::fileLines(file), (std::vector<std::string>{line(1000), line(2000), line(3000)}));
    }
    env.win->offerLeftoverRecordings();
    EXPECT_EQ(env.dialogs.questions.size(), 1) << "asked once per journal";
  }
}

// SIGTERM (a logout, a shutdown) during a recording ends it as the user would: the file is
// written and the journal goes.
TEST(MainWinRecordingJournal, TermSignalWritesTheRecording) {
  WindowEnv env;
  env.store.writeString(app::keys::kProduct, app::keys::kLng, "pl");
  env.store.writeRaw(app::keys::kProduct, app::keys::kService, std::uint32_t{0});
  const auto program = app::startProgram(env.store, env.dialogs, {});
  ASSERT_TRUE(program);
  int endedBy = 0;
  program->afterTermination = [&endedBy](int sig) { endedBy = sig; };
  TMainWin& w = *program->mainWin;
  const QString file = env.path("logout.HVD");
  env.dialogs.fileAnswers = {file};
  w.Zapisz1Click();
  for (int i = 1; i <= 5; ++i) {
    const std::vector<std::uint8_t> f = testutil::frame(static_cast<std::int16_t>(i * 100));
    program->session->instrument().receiver().handleEvent(f.data(), static_cast<int>(f.size()));
  }
  ::raise(SIGTERM);
  EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(file); }, 2000));
  EXPECT_EQ(endedBy, SIGTERM) << "then the program ends by the signal";
  EXPECT_FALSE(w.RecordingActive());
  EXPECT_EQ(testutil::fileLines(file).size(), 5u);
  EXPECT_FALSE(measurement::LeftoverJournal::findOldest(measurement::journalFolder()));
}

}  // namespace

namespace {

// A recording to a ".csv" file: the readings a data file would get (not while held, no
// overrange), one time-stamped row each, in the chosen style; the dialog offers CSV.
TEST(MainWinCsvRecording, RowsOfTheRecordedReadingsInEitherStyle) {
  for (const bool semicolon : {false, true}) {
    SCOPED_TRACE(semicolon ? "semicolon" : "comma");
    WindowEnv env;
    ASSERT_TRUE(env.start("pl"));
    TMainWin& w = *env.win;
    if (semicolon) w.menu().CsvSemicolon->trigger();
    EXPECT_EQ(w.menu().CsvSemicolon->isChecked(), semicolon);
    const QString file = env.path("run.CSV");
    env.dialogs.fileAnswers = {file};
    w.Zapisz1Click();
    EXPECT_TRUE(env.dialogs.fileRequests.back().filter.endsWith("|CSV (*.csv)|*.csv"));
    auto send = [&env](const std::vector<std::uint8_t>& f) {
      env.receiver().handleEvent(f.data(), static_cast<int>(f.size()));
    };
    send(testutil::frame(1500));
    send(testutil::frame(25000));  // overrange: no row
    w.chart().Wstrzymaj->setChecked(true);
    send(testutil::frame(1600));  // held: no row
    w.chart().Wstrzymaj->setChecked(false);
    send(testutil::frame(-1700, 0, 0, 3, 2, measurement::kNoTemperature, 0, 0, {1000, -500, 250}));
    w.ZakonczClick();
    EXPECT_FALSE(QFile::exists(env.path("run.CSV.HVD")));
    const std::vector<std::string> rows = testutil::fileLines(file);
    ASSERT_EQ(rows.size(), 3u);
    const char s = semicolon ? ';' : ',';
    const auto fields = [s](const std::string& row) {
      std::vector<std::string> out(1);
      for (char c : row) {
        if (c == s) {
          out.emplace_back();
        } else {
          out.back() += c;
        }
      }
      return out;
    };
    EXPECT_EQ(rows[0], semicolon ? "time;value;unit;mode;axis;range;temperature;x;y;z"
                                 : "time,value,unit,mode,axis,range,temperature,x,y,z");
    const std::vector<std::string> first = fields(rows[1]), second = fields(rows[2]);
    ASSERT_EQ(first.size(), 10u);
    ASSERT_EQ(second.size(), 10u);
    EXPECT_EQ(first[0].size(), std::string("2026-12-09T14:03:22.123+01:00").size()) << first[0];
    const std::string dec = semicolon ? "," : ".";
    EXPECT_EQ(std::vector<std::string>(first.begin() + 1, first.end()),
              (std::vector<std::string>{"1" + dec + "500", "mT", "DC", "X", "0", "23" + dec + "5",
                                        "", "", ""}));
    EXPECT_EQ(std::vector<std::string>(second.begin() + 1, second.end()),
              (std::vector<std::string>{"-1" + dec + "700", "mT", "AC", "vector", "0", "",
                                        "1" + dec + "000", "-0" + dec + "500", "0" + dec + "250"}));
  }
}

}  // namespace
