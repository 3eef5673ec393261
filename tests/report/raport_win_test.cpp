// The report window: language chosen at creation, the kind list, the count field's rules,
// loading a data file over a table that keeps its hidden rows, and the print job (dialog
// scripted, recording surface) with its failure path.
#include "report/raport_win.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "qtkit/dialogs.h"
#include "qtkit/language.h"
#include "report/recording_print_surface.h"
#include "report/spin_edit.h"
#include "tests/support/awkward_files.h"

namespace {

using report::PrintedText;
using report::TRaport_Win;

class ReportWin : public ::testing::Test {
 protected:
  void SetUp() override {
    qtkit::LanguageCode = "pl";
    mainWin.show();
  }
  void TearDown() override { delete win; }

  TRaport_Win* open() {
    win = new TRaport_Win(&mainWin, dialogs, dir.path(), surfaces());
    return win;
  }

  qtkit::PrintSurfaceFactory surfaces() {
    return [this](QPrinter&) -> std::unique_ptr<qtkit::PrintSurface> {
      auto surface = std::make_unique<report::RecordingPrintSurface>(4961, 7016);
      if (!failWith.empty()) surface->failBegin(failWith);
      log = surface->log();
      return surface;
    };
  }

  QString file(const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
  }

  void load(const QString& path) {
    dialogs.fileAnswers << path;
    win->ZplikuClick();
  }

  // The count field loses the focus to the print button, as when the user clicks it.
  void leaveCountField() {
    win->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(win));
    win->SpinEdit1->setFocus();
    QApplication::processEvents();
    win->Button1->setFocus();
    QApplication::processEvents();
  }

  // Whether the window was closed (it is destroyed on closing).
  bool closed() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return win.isNull();
  }

  int shownRows() const { return win->Wyniki->model()->rowCount(); }
  QString cell(int column, int row) const {
    return win->Wyniki->model()->index(row - 1, column).data().toString();
  }
  void type(int column, int row, const QString& text) {
    QAbstractItemModel* m = win->Wyniki->model();
    m->setData(m->index(row - 1, column), text);
  }
  std::vector<std::string> printedOnPage(int page) const {
    std::vector<std::string> out;
    for (const PrintedText& t : log->texts()) {
      if (t.page == page) out.push_back(t.text);
    }
    return out;
  }

  QWidget mainWin;
  qtkit::ScriptedDialogs dialogs;
  QTemporaryDir dir;
  QPointer<TRaport_Win> win;
  std::shared_ptr<const report::PrintLog> log;
  std::string failWith;
};

TEST_F(ReportWin, CreationLanguageAndMainWindow) {
  struct Row {
    const char* code;
    const char* caption;
    const char* label1;
    const char* heading2;
    const char* kind0;
  };
  const Row rows[] = {{"pl", "Raport", "Nazwa instytucji:", "Indukcja pola", "Stałe"},
                      {"en", "Report", "Company:", "Field induction", "Constant (dc)"},
                      {"it", "Report", "Company:", "Field induction", "Constant (dc)"}};
  for (const Row& r : rows) {
    qtkit::LanguageCode = r.code;
    open();
    EXPECT_EQ(win->windowTitle(), QString::fromUtf8(r.caption));
    EXPECT_EQ(win->Label1->text(), QString::fromUtf8(r.label1));
    EXPECT_EQ(win->Wyniki->model()->headerData(2, Qt::Horizontal).toString(),
              QString::fromUtf8(r.heading2));
    EXPECT_EQ(win->ComboBox1->itemText(0), QString::fromUtf8(r.kind0));
    EXPECT_EQ(win->ComboBox1->itemText(1), "50 Hz");
    EXPECT_EQ(win->ComboBox1->currentIndex(), 0);
    EXPECT_EQ(win->size(), QSize(488, 391));
    EXPECT_EQ(win->Wyniki->columnWidth(1), 168);
    EXPECT_EQ(win->SpinEdit1->text(), "10");
    EXPECT_EQ(shownRows(), 10);
    EXPECT_EQ(cell(0, 10), "10");
    EXPECT_TRUE(win->isVisible());
    EXPECT_FALSE(win->Edit4->isVisible());
    EXPECT_FALSE(mainWin.isEnabled());
    EXPECT_TRUE(win->isEnabled());
    EXPECT_TRUE(win->Edit1->isEnabled());

    win->Button2Click();
    EXPECT_TRUE(closed());
    EXPECT_TRUE(mainWin.isEnabled());
  }
}

TEST_F(ReportWin, LanguageIsChosenOnceAndOnlyAlternatingFieldsShowTheFrequency) {
  qtkit::LanguageCode = "it";
  open();
  qtkit::LanguageCode = "pl";
  win->Edit4->setText("16,7");
  win->ComboBox1->setCurrentIndex(2);
  EXPECT_TRUE(win->Edit4->isVisible());
  EXPECT_TRUE(win->Label4->isVisible());
  win->ComboBox1->setCurrentIndex(1);
  EXPECT_FALSE(win->Label4->isVisible());
  win->ComboBox1->setCurrentIndex(2);
  dialogs.printAnswers << QString();
  win->Button1Click();
  const std::vector<std::string> page = printedOnPage(1);
  EXPECT_EQ(page[1], "Page 1");
  EXPECT_EQ(page[2], "version 2.1");
  EXPECT_EQ(page[4], "of ac magnetic field measurement f = 16,7");
}

TEST_F(ReportWin, CountFieldIsCorrectedOnlyOnFocusLossOrStepping) {
  open();
  win->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(win));
  win->SpinEdit1->setFocus();
  QTest::keyClick(win->SpinEdit1, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(win->SpinEdit1, "600");  // the table follows each key, uncorrected
  EXPECT_EQ(win->SpinEdit1->text(), "600");
  EXPECT_EQ(shownRows(), 600);
  EXPECT_EQ(cell(0, 600), "600");
  leaveCountField();
  EXPECT_EQ(win->SpinEdit1->text(), "500");
  EXPECT_EQ(shownRows(), 500);

  win->SpinEdit1->setText("abc");  // not an integer: counts as 1 and stays as typed
  EXPECT_EQ(shownRows(), 1);
  leaveCountField();
  EXPECT_EQ(win->SpinEdit1->text(), "abc");
  win->SpinEdit1->stepBy(1);
  EXPECT_EQ(win->SpinEdit1->text(), "2");

  win->SpinEdit1->setText("0");
  win->SpinEdit1->stepBy(-1);
  EXPECT_EQ(win->SpinEdit1->text(), "1");
  win->SpinEdit1->setText("1000");
  win->SpinEdit1->stepBy(1);
  EXPECT_EQ(win->SpinEdit1->text(), "500");
}

TEST_F(ReportWin, FewerLinesHideRowsThatComeBackWithTheirTexts) {
  open();
  for (int r = 1; r <= 10; ++r) {
    type(1, r, QStringLiteral("miejsce %1").arg(r));
    type(3, r, QStringLiteral("uwaga %1").arg(r));
  }
  load(file("five.HVD", " 1.000\r\n 2.000\r\n 3.000\r\n-  4.5\r\n 5.000\r\n"));
  ASSERT_EQ(dialogs.fileRequests.size(), 1);
  EXPECT_EQ(dialogs.fileRequests[0].filter, "Pliki danych Halvex 2.0|*.HVD");
  EXPECT_EQ(dialogs.fileRequests[0].defaultExtension, "*.HVD");
  EXPECT_EQ(dialogs.fileRequests[0].initialDir, dir.path());
  EXPECT_EQ(win->SpinEdit1->text(), "5");
  EXPECT_EQ(shownRows(), 5);
  EXPECT_EQ(cell(1, 4), "miejsce 4");
  EXPECT_EQ(cell(2, 4), "-  4.5");
  EXPECT_EQ(cell(3, 5), "uwaga 5");

  win->SpinEdit1->setText("10");
  EXPECT_EQ(shownRows(), 10);
  EXPECT_EQ(cell(0, 6), "6");
  EXPECT_EQ(cell(1, 6), "miejsce 6");
  EXPECT_EQ(cell(3, 10), "uwaga 10");
  EXPECT_EQ(cell(2, 6), "");
}

TEST_F(ReportWin, LongFileLoads1000LinesAndFocusLossLeaves500Printed) {
  open();
  QByteArray bytes;
  for (int i = 1; i <= 1200; ++i) bytes += " " + QByteArray::number(i) + ".000\r\n";
  load(file("long.HVD", bytes));
  EXPECT_EQ(win->SpinEdit1->text(), "1000");
  EXPECT_EQ(shownRows(), 1000);
  EXPECT_EQ(cell(2, 1000), " 1000.000");
  leaveCountField();
  EXPECT_EQ(win->SpinEdit1->text(), "500");
  EXPECT_EQ(shownRows(), 500);

  dialogs.printAnswers << QString();
  win->Button1Click();
  int results = 0;
  for (const PrintedText& t : log->texts()) {
    if (t.x == 16 * 124 && t.text.ends_with(".000")) {
      ++results;
      EXPECT_NE(t.text, " 501.000");
    }
  }
  EXPECT_EQ(results, 500);
}

TEST_F(ReportWin, EmptyFileLeavesOnlyTheHeadingRowUnreadableOneIsReported) {
  open();
  type(1, 3, "kept");
  win->ZplikuClick();                 // dialog cancelled
  dialogs.fileAnswers << dir.path();  // a folder is no data file
  win->ZplikuClick();
  EXPECT_EQ(dialogs.messages, QStringList{"Błąd. Nie można odczytac pliku."});
  EXPECT_EQ(win->SpinEdit1->text(), "10");
  EXPECT_EQ(cell(1, 3), "kept");

  load(file("empty.HVD", ""));
  EXPECT_EQ(win->SpinEdit1->text(), "0");
  EXPECT_EQ(shownRows(), 0);
  dialogs.printAnswers << QString();
  win->Button1Click();
  for (const PrintedText& t : log->texts()) EXPECT_LT(t.y, 18 * 140) << t.text;
}

// "Pobierz dane" on what is no data file: a pipe or a device is reported at once and changes
// nothing, a huge file loads what 1000 lines can reach; the window never freezes.
TEST_F(ReportWin, PipesDevicesAndHugeFilesNeverFreezeTheWindow) {
  using testutil::AwkwardFile;
  struct Row {
    AwkwardFile kind;
    QStringList messages;
    QString count;
  };
  const Row rows[] = {
      {AwkwardFile::Fifo, {"Błąd. Nie można odczytac pliku."}, "10"},
      {AwkwardFile::DevZero, {"Błąd. Nie można odczytac pliku."}, "10"},
      {AwkwardFile::Huge, {}, "1"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testutil::awkwardName(r.kind));
    open();
    dialogs.messages.clear();
    const QString path = dir.filePath(QString::fromLatin1(testutil::awkwardName(r.kind)));
    ASSERT_TRUE(testutil::makeAwkwardFile(r.kind, path.toStdString(), std::uint64_t{64} << 30));
    testutil::TimeBound bound(10, std::string("Pobierz dane on ") + testutil::awkwardName(r.kind));
    load(path);
    EXPECT_EQ(dialogs.messages, r.messages);
    EXPECT_EQ(win->SpinEdit1->text(), r.count);
    delete win;
  }
}

TEST_F(ReportWin, CancelledOrFailedJobsKeepTheWindowPrintingClosesIt) {
  open();
  win->Edit1->setText("Instytut");
  type(1, 1, "przy drzwiach");
  win->Button1Click();  // print dialog cancelled
  EXPECT_EQ(dialogs.printDialogs, 1);
  EXPECT_EQ(log, nullptr);

  failWith = "Błąd. Nie można drukować: /x/raport.pdf: Permission denied";
  dialogs.printAnswers << QString();
  win->Button1Click();
  EXPECT_EQ(dialogs.messages, QStringList{QString::fromStdString(failWith)});
  EXPECT_FALSE(closed());
  EXPECT_EQ(win->Edit1->text(), "Instytut");
  EXPECT_EQ(cell(1, 1), "przy drzwiach");
  EXPECT_FALSE(mainWin.isEnabled());

  failWith.clear();
  dialogs.printAnswers << QString();
  win->Button1Click();
  EXPECT_TRUE(log->ended());
  EXPECT_EQ(printedOnPage(1)[3], "Instytut");
  EXPECT_TRUE(closed());
  EXPECT_TRUE(mainWin.isEnabled());
}

TEST_F(ReportWin, PreviewFromThePrintButtonsMenu) {
  qtkit::LanguageCode = "en";
  open();
  ASSERT_EQ(win->Button1->actions().size(), 1);
  EXPECT_EQ(win->Button1->actions()[0]->text(), "Print preview");
  win->Edit2->setText("Kraków");
  win->Podgldwydruku1->trigger();  // looked at, closed without printing
  ASSERT_NE(log, nullptr);
  EXPECT_EQ(printedOnPage(1)[3], "Kraków");
  EXPECT_EQ(dialogs.printDialogs, 0);
  EXPECT_FALSE(closed());

  dialogs.previewAnswers << true;  // printed from the preview
  win->Podgldwydruku1->trigger();
  EXPECT_TRUE(closed());
  EXPECT_TRUE(mainWin.isEnabled());
}

}  // namespace
