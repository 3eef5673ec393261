// The calibration card window: its controls, the print job (dialog scripted, recording
// surface) reading the data set when OK is pressed, and cancelling or failing without losing
// what was typed.
#include "calibration/print_data_win.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include "qtkit/dialogs.h"
#include "qtkit/language.h"
#include "report/recording_print_surface.h"

namespace {

using calibration::TPrintDataWin;
using report::PrintedText;

class PrintDataWin : public ::testing::Test {
 protected:
  void SetUp() override { mainWin.show(); }
  void TearDown() override { delete win; }

  TPrintDataWin* open() {
    win = new TPrintDataWin(&mainWin, data, dialogs, [this](QPrinter&) {
      auto surface = std::make_unique<report::RecordingPrintSurface>(4961, 7016);
      if (!failWith.empty()) surface->failEnd(failWith);
      log = surface->log();
      return std::unique_ptr<qtkit::PrintSurface>(std::move(surface));
    });
    return win;
  }
  bool closed() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return win.isNull();
  }
  std::vector<std::string> printedAt(int page, int y) const {
    std::vector<std::string> out;
    for (const PrintedText& t : log->texts()) {
      if (t.page == page && t.y == y) out.push_back(t.text);
    }
    return out;
  }

  QWidget mainWin;
  calibration::CalibrationData data;
  qtkit::ScriptedDialogs dialogs;
  QPointer<TPrintDataWin> win;
  std::shared_ptr<const report::PrintLog> log;
  std::string failWith;
};

TEST_F(PrintDataWin, ControlsArePolishInEveryLanguage) {
  qtkit::LanguageCode = "en";
  open();
  EXPECT_EQ(win->windowTitle(), "Drukuj tablice kalibracyjną");
  EXPECT_EQ(win->size(), QSize(361, 209));
  EXPECT_EQ(win->Dane->title(), " Dane ");
  EXPECT_EQ(win->Label1->text(), "Numer seryjny:");
  EXPECT_EQ(win->Label3->text(), "Sonda:");
  EXPECT_EQ(win->Label2->text(), "Klient:");
  EXPECT_EQ(win->Button1->text(), "OK");
  EXPECT_EQ(win->Button2->text(), "Anuluj");
  EXPECT_EQ(win->NrSer->width(), 217);
  EXPECT_TRUE(win->NrSer->text().isEmpty());
  EXPECT_FALSE(mainWin.isEnabled());
  EXPECT_TRUE(win->NrSer->isEnabled());
  win->Button2Click();
  EXPECT_TRUE(closed());
  EXPECT_TRUE(mainWin.isEnabled());
  qtkit::LanguageCode = "pl";
}

TEST_F(PrintDataWin, OkPrintsTheDataSetAsItStandsAndCloses) {
  calibration::MarkPlaceholderCells(data);
  open();
  data.setCell(calibration::Grid::X, 1, 7, "0.000123");  // changed after the window opened
  win->NrSer->setText("40-123");
  win->Klient->setText("Vantorel");
  dialogs.printAnswers << QString();
  win->Button1Click();
  ASSERT_NE(log, nullptr);
  EXPECT_EQ(log->pageCount(), 2);
  EXPECT_EQ(printedAt(1, 1200),
            (std::vector<std::string>{"Data wydruku:", qtkit::todayShortDate().toStdString()}));
  EXPECT_EQ(printedAt(1, 1350), (std::vector<std::string>{"Numer seryjny:", "40-123"}));
  EXPECT_EQ(printedAt(1, 1500), std::vector<std::string>{"Sonda:"});
  EXPECT_EQ(printedAt(1, 1650), (std::vector<std::string>{"Klient:", "Vantorel"}));
  EXPECT_EQ(printedAt(1, 2900),
            (std::vector<std::string>{"7.", "Oś X, DC, zakres 4, wzmocnienie", "0.000123"}));
  EXPECT_EQ(printedAt(1, 2400),
            (std::vector<std::string>{"2.", "Oś X, DC, zakres 1, offset", "-"}));
  EXPECT_EQ(printedAt(2, 500),
            (std::vector<std::string>{"45.", "Oś Z, DC, zakres 1, wzmocnienie"}));
  EXPECT_TRUE(closed());
  EXPECT_TRUE(mainWin.isEnabled());
}

TEST_F(PrintDataWin, CancelledOrFailedJobsKeepTheWindowAndItsTexts) {
  open();
  win->Sonda->setText("S-7");
  win->Button1Click();  // print dialog cancelled
  EXPECT_EQ(dialogs.printDialogs, 1);
  EXPECT_EQ(log, nullptr);

  failWith = "Błąd. Nie można drukować: drukarka zgłosiła błąd";
  dialogs.printAnswers << QString();
  win->Button1Click();
  dialogs.previewAnswers << true;  // printing from the preview fails the same way
  win->Podgldwydruku1->trigger();
  EXPECT_EQ(dialogs.messages, QStringList(2, QString::fromStdString(failWith)));
  EXPECT_FALSE(closed());
  EXPECT_EQ(win->Sonda->text(), "S-7");
  EXPECT_FALSE(mainWin.isEnabled());
  EXPECT_EQ(win->Podgldwydruku1->text(), "Podgląd wydruku");
}

}  // namespace
