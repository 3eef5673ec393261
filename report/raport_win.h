#pragma once
// TRaport_Win, the report window: the particulars of a series of field measurements and a
// table of results (typed, or loaded from a data file), printed as a paginated report. In
// Polish when the language is "pl", else in English, decided once at creation. While it is
// open the main window is disabled (its live display keeps updating); closing it enables the
// main window again and destroys it.
#include <QString>
#include <QWidget>

#include "qtkit/qt_print_surface.h"
#include "report/report_layout.h"
#include "report/report_texts.h"
#include "report/results_table.h"

class QAction;
class QCloseEvent;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace app {
class Dialogs;
}

namespace report {

class ResultsModel;
class SpinEdit;

class TRaport_Win : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 488;
  static constexpr int kClientHeight = 391;
  static constexpr int kColumnWidths[kResultColumns] = {40, 168, 78, 162};
  static constexpr int kRowHeight = 18;

  // mainWindow is disabled while this window is open and owns it; dialogs shows the file,
  // print and message boxes; dataDirectory is where the open-file dialog starts; surfaces
  // makes the print surface for the printer the print dialog chose. Shows itself.
  TRaport_Win(QWidget* mainWindow, qtkit::Dialogs& dialogs, QString dataDirectory = {},
              qtkit::PrintSurfaceFactory surfaces = qtkit::qtPrintSurfaces());
  ~TRaport_Win() override;

  void FormCreate();
  void zmienJezyk(const report::ReportTexts& table);
  void ComboBox1Change();
  void SpinEdit1Change();
  void ZplikuClick();
  void Button1Click();
  // The print button's context menu: the same printout in the print preview first.
  void Podgldwydruku1Click();
  void Button2Click();
  void FormClose();

  // The particulars as typed, for the printout.
  ReportFields fields() const;
  const ResultsTable& table() const { return table_; }

  // The language table chosen at creation; the printout uses this copy.
  report::ReportTexts ReportTexts{};

  QLabel* Label1;
  QLineEdit* Edit1;
  QLabel* Label2;
  QLineEdit* Edit2;
  QLabel* Label3;
  QComboBox* ComboBox1;
  QLineEdit* Edit4;
  QLabel* Label4;
  QLabel* Label5;
  QLineEdit* Edit3;
  QLabel* Label6;
  QLineEdit* Edit5;
  QLabel* Label7;
  QLineEdit* Edit6;
  QLabel* Label8;
  QLineEdit* Edit7;
  QLabel* Label9;
  SpinEdit* SpinEdit1;
  QTableView* Wyniki;
  QPushButton* Button1;
  QAction* Podgldwydruku1;
  QPushButton* Button2;
  QPushButton* Zpliku;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void print(bool preview);

  QWidget* mainWindow_;
  qtkit::Dialogs& dialogs_;
  qtkit::PrintSurfaceFactory surfaces_;
  QString dataDirectory_;
  ResultsTable table_;
  ResultsModel* model_;
};

}  // namespace report
