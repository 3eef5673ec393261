// The download window: layout and texts, the main window disabled while it shows, the
// gauge rule, Anuluj, and the window driven by a real download session.
#include "app/pobierz_win.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <memory>
#include <vector>

#include "link/result_download.h"

namespace {

using app::TPobierzWin;

struct PobierzWinFixture : ::testing::Test {
  QWidget mainWin;
  std::unique_ptr<TPobierzWin> win = std::make_unique<TPobierzWin>(&mainWin);
  int cancels = 0;

  void SetUp() override {
    mainWin.show();
    win->onCancel = [this] {
      ++cancels;
      win->hide();
    };
  }
};

TEST_F(PobierzWinFixture, LayoutAndTexts) {
  EXPECT_EQ(win->windowTitle(), QStringLiteral("Pobieranie wyników"));
  EXPECT_EQ(win->minimumSize(), QSize(210, 95));
  EXPECT_EQ(win->maximumSize(), QSize(210, 95));
  EXPECT_TRUE(win->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(win->parent(), nullptr) << "disabling the main window must not disable it";

  EXPECT_EQ(win->Label1->pos(), QPoint(8, 8));
  EXPECT_EQ(win->Label1->text(), QStringLiteral("Ilość wyników do pobrania: "));
  EXPECT_EQ(win->Gauge1->geometry(), QRect(8, 32, 193, 20));
  EXPECT_EQ(win->Gauge1->minimum(), 100);
  EXPECT_EQ(win->Gauge1->maximum(), 101);
  EXPECT_EQ(win->Gauge1->value(), 100);
  EXPECT_EQ(win->Anuluj->geometry(), QRect(72, 64, 75, 25));
  EXPECT_EQ(win->Anuluj->text(), QStringLiteral("Anuluj"));

  // The longest count a header can announce still fits the window.
  win->setLabel(QStringLiteral("Ilość wyników do pobrania: 21811."));
  EXPECT_LE(win->Label1->geometry().right(), 210);
}

TEST_F(PobierzWinFixture, ShowingDisablesTheMainWindowAndHidingEnablesIt) {
  win->showCentred();
  EXPECT_FALSE(mainWin.isEnabled());
  EXPECT_TRUE(win->isEnabled());
  EXPECT_TRUE(win->Anuluj->isEnabled());
  const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
  // Before the first showing the frame is not known yet; it may shift the centre by its width.
  const QRect frame = win->frameGeometry();
  const int margins = frame.width() - win->width() + frame.height() - win->height();
  EXPECT_LE((frame.center() - screenCentre).manhattanLength(), margins + 1);
  win->hide();
  EXPECT_TRUE(mainWin.isEnabled());
  win->showCentred();
  EXPECT_FALSE(mainWin.isEnabled());
  win->close();
  EXPECT_TRUE(mainWin.isEnabled());
}

TEST_F(PobierzWinFixture, GaugeMaximumNeverBelowItsMinimum) {
  win->setGaugeMaximum(99);
  EXPECT_EQ(win->Gauge1->minimum(), 100);
  EXPECT_EQ(win->Gauge1->maximum(), 101);
  win->setGaugeMaximum(130);
  win->setGaugePosition(127);
  EXPECT_EQ(win->Gauge1->maximum(), 130);
  EXPECT_EQ(win->Gauge1->value(), 127);
  win->setGaugePosition(133);
  EXPECT_EQ(win->Gauge1->value(), 130);
}

TEST_F(PobierzWinFixture, AnulujEscapeAndCloseAllCancel) {
  win->showCentred();
  QTest::mouseClick(win->Anuluj, Qt::LeftButton);
  EXPECT_EQ(cancels, 1);
  EXPECT_TRUE(mainWin.isEnabled());
  win->showCentred();
  QTest::keyClick(win.get(), Qt::Key_Escape);
  EXPECT_EQ(cancels, 2);
  win->showCentred();
  win->close();
  EXPECT_EQ(cancels, 3);
  EXPECT_FALSE(win->isVisible());
  // A cancel that does not close the window still leaves the main window usable.
  win->onCancel = [] {};
  win->showCentred();
  QTest::mouseClick(win->Anuluj, Qt::LeftButton);
  EXPECT_FALSE(win->isVisible());
  EXPECT_TRUE(mainWin.isEnabled());
}

TEST_F(PobierzWinFixture, ShowsWhatTheSessionTellsIt) {
  std::vector<std::vector<std::uint8_t>> writes;
  devlink::CommandSender sender(
      [&writes](const std::uint8_t* b, int n) {
        writes.emplace_back(b, b + n);
        return n;
      },
      {});
  devlink::FrameReceiver rx;
  devlink::StateTimer timer(rx, sender, [] { return std::uint8_t{0}; });
  devlink::ResultDownload dl(rx, sender, timer);
  rx.onDownloadHeader = [&dl](std::uint16_t end) { dl.onDownloadHeader(end); };
  timer.onTick = [&dl](devlink::LinkMode m) { dl.onTick(m); };
  dl.view.showLabel = [this](const std::string& s) { win->setLabel(QString::fromStdString(s)); };
  dl.view.setGaugeMaximum = [this](int m) { win->setGaugeMaximum(m); };
  dl.view.setGaugePosition = [this](int p) { win->setGaugePosition(p); };
  dl.view.showWindow = [this] { win->showCentred(); };
  dl.view.closeWindow = [this] { win->hide(); };
  dl.view.chooseFile = [] { return std::optional<std::string>("/nonexistent/r.HVD"); };
  win->onCancel = [&dl] { dl.cancel(); };

  ASSERT_TRUE(dl.start());
  EXPECT_TRUE(win->isVisible());
  EXPECT_FALSE(mainWin.isEnabled());
  timer.tick();
  const std::vector<std::uint8_t> header = {0xAA, 0x55, 130, 0};
  rx.handleEvent(header.data(), 4);
  timer.tick();
  EXPECT_EQ(win->Label1->text(), QStringLiteral("Ilość wyników do pobrania: 10."));
  EXPECT_EQ(win->Gauge1->maximum(), 130);

  QTest::mouseClick(win->Anuluj, Qt::LeftButton);
  EXPECT_FALSE(dl.active());
  EXPECT_FALSE(win->isVisible());
  EXPECT_TRUE(mainWin.isEnabled());
  EXPECT_EQ(win->Gauge1->value(), 100);
  EXPECT_EQ(writes.back(), (std::vector<std::uint8_t>{0xAA, 0x55, 'V', 0, 0, 0}));
}

}  // namespace
