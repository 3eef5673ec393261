#pragma once
// TPrintDataWin, the calibration card window: asks for the instrument's serial number, the
// probe and the customer, and prints the card of the calibration data set (Polish in every
// language). While it is open the main window is disabled; closing it enables the main
// window again and destroys it.
#include <QWidget>

#include "calibration/calibration_data.h"
#include "qtkit/qt_print_surface.h"

class QAction;
class QCloseEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace app {
class Dialogs;
}

namespace calibration {

inline constexpr const char* kPrintDataCaption = "Drukuj tablice kalibracyjną";
// The OK button's context menu item.
inline constexpr const char* kCardPreviewText = "Podgląd wydruku";

class TPrintDataWin : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 361;
  static constexpr int kClientHeight = 209;
  static constexpr int kNrSerWidth = 217;

  // mainWindow is disabled while this window is open and owns it; data is the panel's data
  // set, read when OK is pressed; dialogs shows the print dialog and messages; surfaces makes
  // the print surface for the printer the dialog chose. Shows itself.
  TPrintDataWin(QWidget* mainWindow, const CalibrationData& data, qtkit::Dialogs& dialogs,
                qtkit::PrintSurfaceFactory surfaces = qtkit::qtPrintSurfaces());
  ~TPrintDataWin() override;

  void FormCreate();
  void Button1Click();
  // OK's context menu: the same card in the print preview first.
  void Podgldwydruku1Click();
  void Button2Click();
  void FormClose();

  QGroupBox* Dane;
  QLabel* Label1;
  QLineEdit* NrSer;
  QLabel* Label3;
  QLineEdit* Sonda;
  QLabel* Label2;
  QLineEdit* Klient;
  QPushButton* Button1;
  QAction* Podgldwydruku1;
  QPushButton* Button2;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void print(bool preview);

  QWidget* mainWindow_;
  const CalibrationData& data_;
  qtkit::Dialogs& dialogs_;
  qtkit::PrintSurfaceFactory surfaces_;
};

}  // namespace calibration
