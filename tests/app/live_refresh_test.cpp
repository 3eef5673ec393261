// Pacing of the live readout: every frame is processed and charted, the labels show
// the newest state, and the first change after a quiet spell shows at once.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "tests/support/window_env.h"
#include "measurement/processor.h"
#include "measurement/refresh_throttle.h"
#include "measurement/wykres.h"

namespace {

TEST(LiveRefresh, ThrottleShowsAtOnceThenGathersUntilTheIntervalHasPassed) {
  QObject owner;
  int shown = 0;
  measurement::RefreshThrottle throttle(&owner, [&shown] { ++shown; });
  throttle.setInterval(100);
  throttle.request();
  EXPECT_EQ(shown, 1);  // after a quiet spell: at once
  throttle.request();
  throttle.request();
  EXPECT_EQ(shown, 1);
  EXPECT_TRUE(throttle.pending());
  ASSERT_TRUE(QTest::qWaitFor([&] { return shown == 2; }, 1000));
  QTest::qWait(150);
  EXPECT_EQ(shown, 2);  // two requests inside one interval give one showing

  // A change three quarters of an interval after a showing is shown with it, and the
  // waiting timer is not needed any more.
  throttle.request();  // shown: the last showing is 150 ms ago
  EXPECT_EQ(shown, 3);
  QTest::qWait(40);
  throttle.request();
  EXPECT_EQ(shown, 3);
  EXPECT_TRUE(throttle.pending());
  QTest::qWait(45);  // 85 ms since the showing
  throttle.request();
  EXPECT_EQ(shown, 4);
  EXPECT_FALSE(throttle.pending());
  shown = 2;

  throttle.setInterval(0);
  throttle.request();
  throttle.request();
  EXPECT_EQ(shown, 4);
}

TEST(LiveRefresh, MergedUpdateKeepsTheNewestTextsAndColours) {
  measurement::DisplayUpdate gathered, a, b;
  a.SWynik.set("  1.000  mT");
  a.Min.set("  1.000");
  a.F2 = measurement::IndicatorColour::Lit;
  a.STempVisible = true;
  b.SWynik.set("  2.000  mT");  // Min unchanged by the second frame
  b.F2 = measurement::IndicatorColour::Dim;
  measurement::MergeDisplayUpdate(gathered, a);
  measurement::MergeDisplayUpdate(gathered, b);
  EXPECT_EQ(gathered.SWynik.view(), "  2.000  mT");
  EXPECT_EQ(gathered.Min.view(), "  1.000");
  EXPECT_TRUE(gathered.Min.changed);
  EXPECT_FALSE(gathered.Max.changed);
  EXPECT_EQ(gathered.F2, measurement::IndicatorColour::Dim);
  EXPECT_EQ(gathered.STempVisible, std::optional<bool>(true));
}

TEST(LiveRefresh, FramesFasterThanTheRefreshAreAllChartedAndTheNewestIsShown) {
  testutil::WindowEnv env;
  ASSERT_TRUE(env.start("pl"));
  app::TMainWin& w = *env.win;
  w.setLiveRefreshInterval(200);  // long enough that the frames below fall inside it
  testutil::Pty pty;
  env.port().SetPort(pty.slave.toStdString());
  w.controls().S_Polacz->click();
  ASSERT_TRUE(env.port().Connected());

  pty.write(testutil::frame(1000));
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.chart().Wykres1->Ilosc() == 1; }, 3000));
  EXPECT_EQ(w.readout().SWynik->text(), "  1.000  mT");  // the first frame shows at once
  pty.write(testutil::frame(2000));
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.chart().Wykres1->Ilosc() == 2; }, 3000));
  pty.write(testutil::frame(3000));
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.chart().Wykres1->Ilosc() == 3; }, 3000));
  EXPECT_EQ(w.statistics().Max->text(), "  1.000");  // frames 2 and 3 are gathered, not yet shown
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.readout().SWynik->text() == "  3.000  mT"; }, 1000));
  EXPECT_EQ(w.statistics().Max->text(), "  3.000");
  EXPECT_EQ(w.statistics().Min->text(), "  1.000");
}

}  // namespace

namespace {

// A clear made while an update waits for the pace is not undone by that update.
TEST(LiveRefresh, ClearingDropsWhatWaitsToBeShown) {
  testutil::WindowEnv env;
  ASSERT_TRUE(env.start("pl"));
  app::TMainWin& w = *env.win;
  w.setLiveRefreshInterval(10000);
  auto feed = [&env](std::int16_t counts) {
    const std::vector<std::uint8_t> f = testutil::frame(counts);
    env.receiver().handleEvent(f.data(), static_cast<int>(f.size()));
  };
  feed(1000);  // shown at once
  feed(5000);  // a jump of 4000 counts, gathered
  feed(3000);
  w.Button1Click();
  w._uiClearAverageClick();
  w.flushLiveDisplay();
  EXPECT_EQ(w.statistics().Min->text(), "");
  EXPECT_EQ(w.statistics().Max->text(), "");
  EXPECT_EQ(w.statistics().Avr->text(), "");
  EXPECT_EQ(w.calibrationPanel()._uiAmplitude->text(), "0");
  EXPECT_EQ(w.readout().SWynik->text(), "  3.000  mT") << "the reading itself still shows";
  feed(4000);  // the statistics start again from here
  w.flushLiveDisplay();
  EXPECT_EQ(w.statistics().Min->text(), "  4.000");
}

}  // namespace
