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

#include "main_win_test_util.h"
#include "measurement/formatting.h"
#include "measurement/wykres.h"
#include "tests/awkward_files.h"

namespace {

using app::TMainWin;
using testutil::WindowEnv;

// A reading of `counts` thousandths of a millitesla, handed to the window as the port would.
void feed(TMainWin& w, std::int16_t counts) {
  const std::vector<std::uint8_t> f = testutil::frame(counts);
  w.Receiver.handleEvent(f.data(), static_cast<int>(f.size()));
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

  for (int i = 1; i <= 529; ++i) feed(w, static_cast<std::int16_t>(i));
  EXPECT_TRUE(w.RecordingActive());
  feed(w, 530);
  EXPECT_FALSE(w.RecordingActive());
  EXPECT_EQ(w.controls().S_Zapisz->text(), "Zapisz do pliku");
  EXPECT_TRUE(w.menu().Otwrz1->isEnabled());
  EXPECT_TRUE(w.controls().S_Otworz->isEnabled());
  EXPECT_FALSE(w.menu().Zakoncz->isEnabled());

  const std::vector<std::string> lines = testutil::fileLines(file);
  ASSERT_EQ(lines.size(), 530u);
  EXPECT_EQ(lines.front(), line(1));
  EXPECT_EQ(lines.back(), line(530));
  EXPECT_EQ(w.Lines.LineCount(), 0u);
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
  feed(w, 100);
  w.chart().Wstrzymaj->click();  // down
  feed(w, 200);
  feed(w, 300);
  w.chart().Wstrzymaj->click();  // up again
  feed(w, 400);
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
  feed(w, 1500);
  feed(w, -1500);
  w.ZakonczClick();
  EXPECT_EQ(env.dialogs.messages, QStringList{"Błąd. Nie można zapisać do pliku."});
  EXPECT_EQ(env.dialogs.fileRequests.size(), 2);
  EXPECT_EQ(testutil::fileLines(good), (std::vector<std::string>{"  1.500", " -1.500"}));

  // Cancelling the second choice gives the lines up.
  env.dialogs.messages.clear();
  env.dialogs.fileAnswers = {bad, std::nullopt};
  w.Zapisz1Click();
  feed(w, 7);
  w.ZakonczClick();
  EXPECT_EQ(env.dialogs.messages, QStringList{"Błąd. Nie można zapisać do pliku."});
  EXPECT_EQ(w.Lines.LineCount(), 0u);
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
  EXPECT_EQ(w.Lines.LineCount(), 600u);
  EXPECT_EQ(w.chart().Wykres1->Ilosc(), 527);
  EXPECT_DOUBLE_EQ(w.chart().Wykres1->model().Newest(), w.Lines.ReplayValue(528));

  // Scrolling redraws once the bar has rested for 250 ms.
  w.chart().TrackBar1->setValue(72);
  EXPECT_TRUE(w.Timer1->isActive());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !w.Timer1->isActive(); }, 2000));
  EXPECT_DOUBLE_EQ(w.chart().Wykres1->model().Newest(), w.Lines.ReplayValue(599));
  EXPECT_EQ(w.chart().Wykres1->Ilosc(), 527);

  // Live readings do not reach the chart during replay.
  feed(w, 5);
  EXPECT_DOUBLE_EQ(w.chart().Wykres1->model().Newest(), w.Lines.ReplayValue(599));

  env.dialogs.fileAnswers = {shortFile};
  w.menu().Otwrz1->trigger();
  EXPECT_TRUE(w.chart().TrackBar1->isHidden());  // the long file's bar goes
  EXPECT_EQ(w.chart().TrackBar1->value(), 1);
  EXPECT_EQ(w.chart().Wykres1->Ilosc(), 99);
  EXPECT_DOUBLE_EQ(w.chart().Wykres1->model().Newest(), w.Lines.ReplayValue(99));

  // "Filtr cyfrowy" with T = 2 smooths the replay with e^(-2).
  w.filter().Tau->setText("2");
  w.filter().filtr->click();
  EXPECT_DOUBLE_EQ(w.Lines.ReplayValue(2), 2.0 - std::exp(-2.0) * (2.0 - 1.0));
  w.filter().filtr->click();  // off: e^(-1)
  EXPECT_DOUBLE_EQ(w.Lines.ReplayValue(2), 2.0 - std::exp(-1.0) * (2.0 - 1.0));

  w.controls().S_Dane->click();
  EXPECT_TRUE(w.menu().Danezurzdzenia1->isChecked());
  EXPECT_TRUE(w.chart().TrackBar1->isHidden());
  EXPECT_FALSE(w.chart().Kosz->isHidden());
  EXPECT_EQ(w.chart().Wykres1->Ilosc(), 0);
  EXPECT_FALSE(w.Processor.state().FilterPrimed);
  feed(w, 5);
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
  EXPECT_EQ(w.Lines.LineCount(), 65535u);
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
    EXPECT_EQ(w.Lines.LineCount(), r.replayed ? 1u : 0u);
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
  EXPECT_NEAR(w.Lines.ReplayValue(2), 10.0 - std::exp(-2.0) * 10.0, 1e-9);  // 8.6466
}

}  // namespace
