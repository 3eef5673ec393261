// The chart control shows its model's picture and repaints only finished pictures.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPaintEvent>
#include <QPixmap>
#include <QTest>
#include <QToolButton>

#include "measurement/recording.h"
#include "measurement/wykres.h"

namespace measurement {
namespace {

TEST(TWykresTest, ShownPictureIsTheModelsPicture) {
  TWykres chart;
  chart.SetMax(0.1);
  chart.SetSkala(20.0);
  chart.Clear();
  EXPECT_EQ(chart.size(), QSize(529, 217));
  chart.AddPoint(3.0);
  EXPECT_EQ(chart.Ilosc(), 1);
  EXPECT_EQ(chart.WritePos(), 1);
  const QImage img = chart.image();
  ASSERT_EQ(img.size(), QSize(529, 217));
  EXPECT_EQ(img.pixel(1, 108), qRgb(255, 255, 0));
  EXPECT_EQ(img.pixel(20, 50), qRgb(147, 147, 147));
  EXPECT_EQ(img.pixel(5, 5), qRgb(128, 128, 128));
  EXPECT_EQ(img.pixel(0, 5), qRgb(0, 0, 0));

  // What the widget paints on screen is that picture.
  const QImage grabbed = chart.grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(grabbed, img.convertToFormat(QImage::Format_RGB32));
}

TEST(TWykresTest, PropertiesAndRangeGoThroughToTheModel) {
  TWykres chart;
  chart.SetAutoSkala(false);
  chart.SetRange(10.0, 0.0);
  EXPECT_EQ(chart.Max(), 10.0);
  EXPECT_EQ(chart.Min(), 0.0);
  chart.AddPoint(20.0);  // above: up triangle at the top right
  EXPECT_EQ(chart.image().pixel(529 - 12, 6), qRgb(0, 0, 0));
  EXPECT_EQ(chart.image().pixel(529 - 12, 9), qRgb(255, 255, 0));
  chart.SetAutoSkala(true);
  chart.SetRange(1.0, -1.0);  // ignored under automatic scaling
  EXPECT_EQ(chart.Max(), 10.0);
  chart.SetColor(rgbColor(255, 0, 0));
  chart.AddPoint(20.0);
  EXPECT_EQ(chart.image().pixel(2, 108), qRgb(255, 0, 0));
}

TEST(TWykresTest, ReplayPaintsOnceAtTheEnd) {
  TWykres chart;
  chart.SetSkala(20.0);
  LineStore store;
  for (int i = 0; i < 600; ++i) store.AppendLine(std::to_string(i % 37));
  double state = 0;
  store.ParseReplayData(1.0, state);
  const auto before = chart.model().paintCount();
  ShowReplayWindow(chart, store, 72, chart.width());
  EXPECT_EQ(chart.model().paintCount(), before + 1);
  EXPECT_EQ(chart.Ilosc(), 527);
  EXPECT_TRUE(chart.AutoSkala());
}

// Counts the paint events a widget receives and where they fell.
struct PaintSpy : QObject {
  int paints = 0;
  QRect last;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) {
      ++paints;
      last = static_cast<QPaintEvent*>(e)->rect();
    }
    return false;
  }
};

TEST(TWykresTest, ValuesFasterThanTheScreenArePaintedOncePerShowingAndOnlyWhereTheyChanged) {
  QWidget window;
  TWykres chart(&window);
  // A button over the top right corner, where the main window has its clear button.
  QToolButton corner(&window);
  corner.setGeometry(496, 8, 25, 25);
  PaintSpy chartPaints, cornerPaints;
  chart.installEventFilter(&chartPaints);
  corner.installEventFilter(&cornerPaints);
  chart.SetAutoSkala(false);
  chart.SetRange(10.0, -10.0);
  for (int i = 0; i < 600; ++i) chart.AddPoint(i % 2 ? 1.0 : -1.0);  // a full ring, mid-height
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  QTest::qWait(50);

  chart.SetRepaintInterval(100);
  QTest::qWait(120);  // a quiet spell longer than the interval
  const auto painted = chart.model().paintCount();
  chartPaints.paints = cornerPaints.paints = 0;
  chart.AddPoint(0.5);  // after a quiet spell: shown at once
  for (int i = 0; i < 10; ++i) chart.AddPoint(i % 2 ? 1.0 : -1.0);  // gathered
  ASSERT_TRUE(QTest::qWaitFor([&] { return chartPaints.paints >= 2; }, 2000));
  QTest::qWait(150);
  EXPECT_EQ(chartPaints.paints, 2);
  EXPECT_EQ(chart.model().paintCount(), painted + 2);  // one picture per showing
  EXPECT_EQ(cornerPaints.paints, 0);
  EXPECT_LT(chartPaints.last.height(), 40);  // the rows the trace covers, not all 217
  EXPECT_EQ(chartPaints.last.width(), 527);

  // What is on screen is the model's picture.
  const QImage grabbed = chart.grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(grabbed, chart.image().convertToFormat(QImage::Format_RGB32));
}

}  // namespace
}  // namespace measurement

// The application lives on main's stack: a static one would be destroyed after Qt's own
// statics at exit.
int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
