// The calibration panel of service mode inside the main window: its layout and states,
// the views of the data set, the language of its captions, the calibration files and the
// rules of the upload and readback buttons.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "calibration/calibration_grid.h"
#include "calibration/page_control.h"
#include "calibration/upload.h"
#include "tests/support/window_env.h"

namespace {

using calibration::Edit;
using calibration::Grid;

class PanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(env.start("pl"));
    w = env.win.get();
    p = &w->calibrationPanel();
  }
  testutil::WindowEnv env;
  app::TMainWin* w = nullptr;
  calibration::CalibrationPanel* p = nullptr;
};

TEST_F(PanelTest, LayoutAndStatesAsCreated) {
  EXPECT_EQ(p->geometry(), QRect(8, 168, 529, 233));
  EXPECT_EQ(p->title(), " Kalibracja ");
  EXPECT_TRUE(p->isHidden());
  EXPECT_EQ(p->PageControl1->geometry(), QRect(16, 20, 353, 205));
  const QStringList pages = {"Oś X", "Oś Y",  "Oś Z",       "Korekcja",   "Temperatura",
                             "Filtr i Faza", "PC", "Sonda", "Diagnostyka"};
  ASSERT_EQ(p->PageControl1->count(), pages.size());
  for (int i = 0; i < pages.size(); ++i) EXPECT_EQ(p->PageControl1->tabText(i), pages[i]);
  EXPECT_EQ(p->PageControl1->currentIndex(), 5);
  // The tabs wrap into more than one row, each tab whole.
  EXPECT_GT(p->PageControl1->tabButton(8)->y(), p->PageControl1->tabButton(0)->y());
  for (int i = 0; i < pages.size(); ++i)
    EXPECT_LE(p->PageControl1->tabButton(i)->geometry().right(), 353);

  struct Place {
    QWidget* widget;
    QRect rect;
    bool enabled;
  };
  const Place places[] = {
      {p->Wyslij, {383, 40, 57, 25}, false},  {p->Odbierz, {456, 40, 57, 25}, false},
      {p->Otworz, {384, 72, 57, 25}, true},   {p->Zapisz, {456, 72, 57, 25}, true},
      {p->BitBtn1, {384, 103, 57, 25}, true}, {p->Power, {456, 104, 57, 25}, false},
      {p->NR, {461, 158, 52, 19}, true},      {p->UkrysSerwis, {496, 184, 25, 25}, true},
      {p->Postep, {384, 17, 129, 15}, true},
  };
  for (const Place& pl : places) {
    SCOPED_TRACE(pl.widget->objectName().toStdString());
    EXPECT_EQ(pl.widget->geometry(), pl.rect);
    EXPECT_EQ(pl.widget->isEnabled(), pl.enabled);
  }
  EXPECT_EQ(p->SaveEPROM->pos(), QPoint(392, 136));
  EXPECT_FALSE(p->SaveEPROM->isChecked());
  EXPECT_TRUE(p->Postep->isHidden());
  EXPECT_EQ(p->Postep->minimum(), 1);
  EXPECT_EQ(p->Postep->maximum(), 68);
  EXPECT_TRUE(p->BitBtn1->text().isEmpty());

  struct GridShape {
    calibration::CalibrationGrid* grid;
    int columns, rows;
    std::vector<int> widths;
  };
  const GridShape shapes[] = {{p->X, 3, 7, {80, 80, 80}},      {p->Y, 3, 7, {80, 80, 80}},
                              {p->Z, 3, 7, {80, 80, 80}},      {p->KFILTR, 3, 7, {55, 55, 55}},
                              {p->S_Faza, 2, 4, {60, 39}}};
  for (const GridShape& g : shapes) {
    SCOPED_TRACE(g.grid->objectName().toStdString());
    EXPECT_EQ(g.grid->columnCount(), g.columns);
    EXPECT_EQ(g.grid->rowCount(), g.rows);
    for (int c = 0; c < g.columns; ++c) EXPECT_EQ(g.grid->columnWidth(c), g.widths[c]);
    for (int r = 0; r < g.rows; ++r) EXPECT_EQ(g.grid->rowHeight(r), 16);
    EXPECT_EQ(g.grid->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(g.grid->item(0, 0)->flags() & Qt::ItemIsEditable, 0) << "headings are fixed";
    EXPECT_NE(g.grid->item(1, 1)->flags() & Qt::ItemIsEditable, 0);
  }
  // Placeholders and headings, written at creation, are what the grids show.
  EXPECT_EQ(p->X->item(0, 1)->text(), "DC");
  EXPECT_EQ(p->Y->item(3, 0)->text(), "Wzmocnienie");
  EXPECT_EQ(p->Z->item(2, 2)->text(), "-");
  EXPECT_EQ(p->Z->item(4, 1)->text(), "-");
  EXPECT_EQ(p->KFILTR->item(4, 0)->text(), "I ON");
  EXPECT_EQ(p->S_Faza->item(0, 1)->text(), "Faza");
  EXPECT_EQ(env.calibration().cell(Grid::X, 3, 2), "-") << "hidden placeholder cells too";
  EXPECT_EQ(env.calibration().cell(Grid::X, 2, 8), "-");
}

TEST_F(PanelTest, WidgetsAndTheDataSetShowTheSameTexts) {
  calibration::CalibrationData& d = env.calibration();
  p->X->item(1, 1)->setText("0,25");
  QTest::keyClicks(p->OKor, "17");
  p->_uiSS12->setChecked(true);
  EXPECT_EQ(d.cell(Grid::X, 1, 1), "0,25");
  EXPECT_EQ(d.edit(Edit::OKor), "17");
  EXPECT_EQ(d.switchByte(), 0x80);

  d.setCell(Grid::KFILTR, 2, 6, "0.125");
  d.setCell(Grid::X, 1, 7, "0.5000");  // hidden: stored, not shown
  d.setEdit(Edit::NR, "1234512");      // longer than five characters: shown whole
  d.setSwitch(0, true);
  EXPECT_EQ(p->KFILTR->item(6, 2)->text(), "0.125");
  EXPECT_EQ(d.cell(Grid::X, 1, 7), "0.5000");
  EXPECT_EQ(p->NR->text(), "1234512");
  EXPECT_TRUE(p->_uiSS1->isChecked());

  // Any text is kept; a pasted 10,000 characters do not move the panel.
  const QString huge(10000, QLatin1Char('7'));
  p->_uiKorekcjaPolowa->setText(huge);
  EXPECT_EQ(d.edit(Edit::KorekcjaPolowa).size(), 10000u);
  EXPECT_EQ(p->_uiKorekcjaPolowa->width(), 200);
  EXPECT_EQ(p->geometry(), QRect(8, 168, 529, 233));
}

TEST_F(PanelTest, LanguageChangesOnlyTheCaptionsOfTheTable) {
  w->zmienJezyk(app::kEnglishCaptions);
  EXPECT_EQ(p->Wyslij->text(), "Send");
  EXPECT_EQ(p->Odbierz->text(), "Receive");
  EXPECT_EQ(p->Otworz->text(), "Open");
  EXPECT_EQ(p->Zapisz->text(), "Save");
  EXPECT_EQ(p->SaveEPROM->text(), "Save to EEPROM");
  EXPECT_EQ(p->Label4->text(), "Probe number");
  EXPECT_EQ(p->Power->text(), "Power");
  EXPECT_EQ(p->PageControl1->tabText(0), "Oś X");
  EXPECT_EQ(p->X->item(1, 0)->text(), "Wzmocnienie");
  EXPECT_EQ(p->_uiSS9->text(), "SS9");
  w->zmienJezyk(app::kItalianCaptions);
  EXPECT_EQ(p->Wyslij->text(), "Spedire");
  EXPECT_EQ(p->Label4->text(), "Numero sonda");
}

TEST_F(PanelTest, EepromCheckBoxShowsItsWholeCaptionInEveryLanguage) {
  struct Case {
    const app::CaptionTable* table;
    const char* caption;
  };
  for (const Case& c : {Case{&app::kPolishCaptions, "Zapisz do EEPROM"},
                        Case{&app::kEnglishCaptions, "Save to EEPROM"},
                        Case{&app::kItalianCaptions, "Salva EEPROM"}}) {
    SCOPED_TRACE(c.caption);
    w->zmienJezyk(*c.table);
    const QCheckBox* box = p->SaveEPROM;
    EXPECT_EQ(box->text(), QString::fromUtf8(c.caption));
    EXPECT_EQ(box->pos(), QPoint(392, 136));
    EXPECT_GE(box->width(), box->sizeHint().width()) << "the caption is not cut";
    EXPECT_LT(box->geometry().right(), p->width() - 2) << "inside the panel's frame";
    EXPECT_GE(box->font().pixelSize(), 9);
  }
}

// Tab and Shift+Tab in a grid go over its editable cells only, row by row, then on to the
// next (previous) control; whatever is typed on the way lands in the data set.
TEST_F(PanelTest, TabGoesOverTheEditableCellsAndEveryTypedTextLands) {
  w->EnterServiceMode();
  w->show();
  QApplication::setActiveWindow(w);
  ASSERT_TRUE(QTest::qWaitForWindowActive(w));
  calibration::CalibrationData& d = env.calibration();
  struct Case {
    calibration::CalibrationGrid* grid;
    int page;
  };
  for (const Case& c : {Case{p->X, 0}, Case{p->Y, 1}, Case{p->Z, 2}, Case{p->KFILTR, 5},
                        Case{p->S_Faza, 5}}) {
    calibration::CalibrationGrid* g = c.grid;
    SCOPED_TRACE(g->objectName().toStdString());
    p->PageControl1->setCurrentIndex(c.page);
    std::vector<std::string> headings;
    for (int col = 0; col < g->columnCount(); ++col) headings.push_back(d.cell(g->grid(), col, 0));
    for (int row = 1; row < g->rowCount(); ++row) headings.push_back(d.cell(g->grid(), 0, row));
    auto typed = [](int col, int row, char pass) {
      return pass + std::to_string(col) + std::to_string(row);
    };
    auto inGrid = [g] {
      QWidget* f = QApplication::focusWidget();
      return f != nullptr && (f == g || g->isAncestorOf(f));
    };

    // Tabbed into, the grid starts at its first editable cell.
    g->setFocus(Qt::TabFocusReason);
    for (int row = 1; row < g->rowCount(); ++row) {
      for (int col = 1; col < g->columnCount(); ++col) {
        ASSERT_TRUE(inGrid()) << col << "," << row;
        EXPECT_EQ(g->currentRow(), row);
        EXPECT_EQ(g->currentColumn(), col);
        QTest::keyClicks(QApplication::focusWidget(), QString::fromStdString(typed(col, row, 'a')));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      }
    }
    EXPECT_FALSE(inGrid()) << "Tab in the last cell goes on to the next control";

    // Shift+Tab comes back into the last cell and goes backwards.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    for (int row = g->rowCount() - 1; row >= 1; --row) {
      for (int col = g->columnCount() - 1; col >= 1; --col) {
        ASSERT_TRUE(inGrid()) << col << "," << row;
        EXPECT_EQ(g->currentRow(), row);
        EXPECT_EQ(g->currentColumn(), col);
        if ((row + col) % 2 == 0)
          QTest::keyClicks(QApplication::focusWidget(),
                           QString::fromStdString(typed(col, row, 'b')));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
      }
    }
    EXPECT_FALSE(inGrid()) << "Shift+Tab in the first cell goes on to the previous control";

    for (int row = 1; row < g->rowCount(); ++row)
      for (int col = 1; col < g->columnCount(); ++col)
        EXPECT_EQ(d.cell(g->grid(), col, row), typed(col, row, (row + col) % 2 == 0 ? 'b' : 'a'))
            << col << "," << row;

    // A click on a heading does not make it the cell keys go to.
    const QRect heading = g->visualRect(g->model()->index(0, 1));
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, heading.center());
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("q"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCoreApplication::processEvents();  // Return commits the editor's text a moment later
    EXPECT_EQ(d.cell(g->grid(), 1, 1), "q");

    std::vector<std::string> after;
    for (int col = 0; col < g->columnCount(); ++col) after.push_back(d.cell(g->grid(), col, 0));
    for (int row = 1; row < g->rowCount(); ++row) after.push_back(d.cell(g->grid(), 0, row));
    EXPECT_EQ(after, headings) << "the headings are as they were";
  }
}

TEST_F(PanelTest, CalibrationFilesThroughTheButtons) {
  calibration::CalibrationData& d = env.calibration();
  const QString file = env.path("a.HVC");
  d.setCell(Grid::Y, 2, 3, "-0,5");
  d.setCell(Grid::X, 1, 4, "not a placeholder");
  env.dialogs.fileAnswers = {file};
  p->Zapisz->click();
  ASSERT_EQ(env.dialogs.fileRequests.size(), 1);
  EXPECT_EQ(env.dialogs.fileRequests[0].filter, "Pliki kalibracyjne Halvex 2.2|*.HVC");
  EXPECT_EQ(env.dialogs.fileRequests[0].defaultExtension, "*.HVC");
  EXPECT_EQ(d.cell(Grid::X, 1, 4), "-") << "placeholders are written before each save";
  const std::vector<std::string> lines = testutil::fileLines(file);
  ASSERT_EQ(lines.size(), 58u);
  EXPECT_EQ(lines[18 + 3 * 2 + 2 - 1], "-0,5");  // line 18·(2−1) + 3·(3−1) + 2

  // Cancelling either dialog changes nothing.
  d.setCell(Grid::Y, 2, 3, "changed");
  p->Otworz->click();
  p->Zapisz->click();
  EXPECT_EQ(d.cell(Grid::Y, 2, 3), "changed");
  env.dialogs.fileAnswers = {file};
  p->Otworz->click();
  EXPECT_EQ(p->Y->item(3, 2)->text(), "-0,5");
  EXPECT_TRUE(env.dialogs.messages.isEmpty());

  // A target that cannot be written: the message, and the earlier file kept.
  env.dialogs.fileAnswers = {env.path("no/such/folder/b.HVC"), env.path("missing.HVC")};
  p->Zapisz->click();
  p->Otworz->click();
  EXPECT_EQ(env.dialogs.messages, (QStringList{"Uwaga! Nastąpił jakiś (?) błąd w połączeniu.",
                                               "Błąd odczytu pliku!"}));
}

TEST_F(PanelTest, UploadWithThePortClosedReportsEachParameterAndEndsEnabled) {
  // Only the switch byte is sent from an empty panel, so one write fails.
  w->WyslijClick();
  EXPECT_EQ(env.dialogs.messages, QStringList{"Nie można wysłać tekstu 0 do adresu 192"});
  env.dialogs.messages.clear();
  env.calibration().setCell(Grid::X, 1, 1, "0.5");
  env.calibration().setEdit(Edit::NR, "12345");
  env.calibration().setCell(Grid::KFILTR, 1, 3, "1");  // refused: outside (-1, 1)
  w->WyslijClick();
  EXPECT_EQ(env.dialogs.messages,
            (QStringList{"Nie można wysłać tekstu 16384 do adresu 0",
                         "Nieprawidłowy format danych filtru w kolumnie 1 w wierszu 3",
                         "Nie można wysłać tekstu 0 do adresu 192", "Nie moge zmienić numeru sondy."}));
  EXPECT_TRUE(p->Wyslij->isEnabled()) << "enabled at the end of every upload";
  EXPECT_FALSE(w->UploadActive());
}

// The 500 ms after "S" run on a timer: the window handles its events meanwhile, keeps every
// transfer off, and the frames are those of the plan in the plan's order.
TEST_F(PanelTest, UploadWaitsForTheInstrumentWhileTheWindowHandlesEvents) {
  testutil::Pty pty;
  env.port().SetPort(pty.slave.toStdString());
  w->controls().S_Polacz->click();
  ASSERT_TRUE(env.port().Connected());
  pty.drain();
  env.calibration().setCell(Grid::X, 1, 1, "0.5");
  env.calibration().setCell(Grid::Y, 2, 3, "-0.25");
  env.calibration().setEdit(Edit::NR, "12345");
  p->SaveEPROM->setChecked(true);
  std::vector<std::uint8_t> planned;
  for (const calibration::UploadStep& step : calibration::PlanUpload(env.calibration(), true))
    if (step.kind == calibration::UploadStep::Kind::WriteFrame)
      planned.insert(planned.end(), step.frame.begin(), step.frame.end());
  ASSERT_EQ(planned.back(), 0);  // ... 'S' 0 0 0 last
  ASSERT_EQ(planned[planned.size() - 4], 'S');

  bool firedDuringUpload = false;
  bool transfersOffMeanwhile = false;
  QElapsedTimer clock;
  clock.start();
  w->WyslijClick();
  QTimer::singleShot(100, w, [&] {
    firedDuringUpload = w->UploadActive();
    transfersOffMeanwhile = !p->Wyslij->isEnabled() && !p->Odbierz->isEnabled() &&
                            !p->Otworz->isEnabled() && !p->Zapisz->isEnabled();
  });
  EXPECT_TRUE(w->UploadActive()) << "the wait has only begun";
  ASSERT_TRUE(QTest::qWaitFor([&] { return !w->UploadActive(); }, 3000));
  EXPECT_GE(clock.elapsed(), 500);
  EXPECT_TRUE(firedDuringUpload);
  EXPECT_TRUE(transfersOffMeanwhile);
  EXPECT_TRUE(p->Wyslij->isEnabled());
  EXPECT_TRUE(p->Odbierz->isEnabled());
  EXPECT_EQ(pty.read(planned.size()), planned);
  EXPECT_TRUE(pty.read(1, 100).empty());
  EXPECT_TRUE(env.dialogs.messages.isEmpty());
}

TEST_F(PanelTest, ClosingThePortDuringTheUploadsWaitEndsIt) {
  testutil::Pty pty;
  env.port().SetPort(pty.slave.toStdString());
  w->controls().S_Polacz->click();
  ASSERT_TRUE(env.port().Connected());
  p->SaveEPROM->setChecked(true);
  w->WyslijClick();
  ASSERT_TRUE(w->UploadActive());
  w->controls().S_Polacz->click();  // disconnect
  ASSERT_FALSE(env.port().Connected());
  EXPECT_FALSE(w->UploadActive()) << "the upload ends with the port";
  EXPECT_TRUE(p->Otworz->isEnabled());
  QTest::qWait(700);  // past the wait: nothing more happens
  EXPECT_FALSE(w->UploadActive());
  EXPECT_TRUE(env.dialogs.messages.isEmpty()) << env.dialogs.messages.join("|").toStdString();
  // And the next upload runs again.
  w->controls().S_Polacz->click();
  ASSERT_TRUE(env.port().Connected());
  w->WyslijClick();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !w->UploadActive(); }, 3000));
}

TEST_F(PanelTest, ReadbackCaptionGaugeAndCancelAgainstALine) {
  testutil::Pty pty;
  env.port().SetPort(pty.slave.toStdString());
  w->controls().S_Polacz->click();
  ASSERT_TRUE(env.port().Connected());
  EXPECT_TRUE(p->Wyslij->isEnabled());
  pty.drain();
  w->show();
  p->show();

  p->Odbierz->click();
  EXPECT_EQ(p->Odbierz->text(), "Przerwij");
  EXPECT_FALSE(p->Wyslij->isEnabled());
  EXPECT_FALSE(p->Power->isEnabled());
  EXPECT_TRUE(p->Postep->isVisible());
  EXPECT_EQ(pty.read(6), (std::vector<std::uint8_t>{0xAA, 0x55, 'V', 0, 0, 0}));
  // Cancelled before the first request: nothing more is asked of the instrument.
  p->Odbierz->click();
  EXPECT_EQ(p->Odbierz->text(), "Odbierz");
  EXPECT_TRUE(p->Wyslij->isEnabled());
  EXPECT_TRUE(p->Power->isEnabled());
  EXPECT_FALSE(p->Postep->isVisible());
  EXPECT_EQ(pty.read(6), (std::vector<std::uint8_t>{0xAA, 0x55, 'V', 0, 0, 0}));
  QTest::qWait(800);
  EXPECT_TRUE(pty.read(6, 100).empty());
  EXPECT_EQ(env.receiver().LinkMode, devlink::LinkMode::Measuring);

  // Started again, the first request goes out 600 ms later; the words come one by one.
  p->Odbierz->click();
  pty.readProcessingEvents(6);
  for (int k = 1; k <= 74; ++k) {
    const std::vector<std::uint8_t> request = pty.readProcessingEvents(6, 3000);
    ASSERT_EQ(request.size(), 6u) << k;
    EXPECT_EQ(request[2], 'D');
    EXPECT_EQ(request[3], calibration::CalibrationAddressTable[static_cast<std::size_t>(k)]);
    // The first reply arrives in two pieces.
    if (k == 1) {
      pty.write({0xAA, 0x55});
      QTest::qWait(20);
      pty.write({0x00, 0x40});
    } else {
      pty.write({0xAA, 0x55, static_cast<std::uint8_t>(k), 0x00});
    }
    if (k < 74) {
      ASSERT_TRUE(QTest::qWaitFor([&] { return env.readback().ReadbackIndex == k + 1; }, 2000));
      EXPECT_EQ(p->Postep->value(), std::min(k, 68));
    }
  }
  ASSERT_TRUE(QTest::qWaitFor([&] { return !env.readback().running(); }, 2000));
  EXPECT_EQ(env.calibration().cell(Grid::X, 1, 1), "0.5000");
  EXPECT_EQ(p->X->item(1, 1)->text(), "0.5000");
  EXPECT_EQ(p->Odbierz->text(), "Odbierz");
  EXPECT_TRUE(p->Wyslij->isEnabled());
  EXPECT_EQ(pty.readProcessingEvents(6), (std::vector<std::uint8_t>{0xAA, 0x55, 'V', 0, 0, 0}));
}

// A readback running when the port is closed by hand ends there, quietly: nothing more is
// asked over the closed port, and the panel can start again at the next connection.
TEST_F(PanelTest, ClosingThePortEndsARunningReadbackQuietly) {
  testutil::Pty pty;
  env.port().SetPort(pty.slave.toStdString());
  w->controls().S_Polacz->click();
  ASSERT_TRUE(env.port().Connected());
  p->Odbierz->click();
  ASSERT_TRUE(env.readback().running());
  pty.readProcessingEvents(12, 1500);  // "V", then the first read
  w->controls().S_Polacz->click();     // disconnect
  ASSERT_FALSE(env.port().Connected());
  EXPECT_FALSE(env.readback().running());
  EXPECT_EQ(p->Odbierz->text(), "Odbierz");
  QTest::qWait(2500);  // past a reply timeout: no repeat, no message
  EXPECT_TRUE(env.dialogs.messages.isEmpty()) << env.dialogs.messages.join("|").toStdString();
  w->controls().S_Polacz->click();
  ASSERT_TRUE(env.port().Connected());
  EXPECT_TRUE(p->Odbierz->isEnabled());
  EXPECT_TRUE(p->Wyslij->isEnabled());
}

}  // namespace
