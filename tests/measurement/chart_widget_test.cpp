// The chart control shows its model's picture and repaints only finished pictures.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPixmap>

#include "measurement/recording.h"
#include "measurement/wykres.h"

namespace measurement {
namespace {

QApplication& app() {
  static int argc = 1;
  static char name[] = "chart_widget_tests";
  static char* argv[] = {name, nullptr};
  static QApplication a(argc, argv);
  return a;
}

TEST(TWykresTest, ShownPictureIsTheModelsPicture) {
  app();
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
  app();
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
  app();
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

}  // namespace
}  // namespace measurement
