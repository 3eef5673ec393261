#pragma once
// The calibration panel of service mode: the group box " Kalibracja " that lies over the
// chart, its nine pages, the buttons of the upload, readback, calibration file and card,
// the probe number and the readback gauge. The pages "PC" and "Diagnostyka" hold options of
// the live processing and of recording. The main window owns the panel and wires its
// buttons.
#include <QGroupBox>
#include <QString>
#include <array>
#include <cstdint>

#include "calibration/calibration_data.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace calibration {

// The panel's texts that follow the user-interface language.
struct PanelCaptions {
  QString Wyslij;
  QString OdbierzIdle;     // "Odbierz"
  QString OdbierzRunning;  // "Przerwij" while a readback runs
  QString Otworz;
  QString Zapisz;
  QString SaveEPROM;
  QString Label4;
};

class CalibrationGrid;
class PageControl;

class CalibrationPanel : public QGroupBox {
  Q_OBJECT

 public:
  // The panel shows `data` and writes every edit through to it; `data` outlives the panel.
  CalibrationPanel(QWidget* client, CalibrationData& data);
  ~CalibrationPanel() override;

  CalibrationData& data() const { return data_; }
  // The edit that shows an edit of the data set, the box of switch bit 0..7.
  QLineEdit* editFor(Edit edit) const { return edits_[static_cast<int>(edit)]; }
  QCheckBox* switchBox(int bit) const { return switches_[bit]; }
  CalibrationGrid* gridFor(Grid grid) const { return grids_[static_cast<int>(grid)]; }

  // The captions of the current language; Odbierz keeps showing whether a readback runs.
  void setCaptions(const PanelCaptions& captions);
  // The receive button's caption is the record of a running readback.
  void setReadbackRunning(bool running);
  bool readbackRunning() const;

  PageControl* PageControl1;
  QPushButton* Wyslij;
  QPushButton* Odbierz;
  QPushButton* Otworz;
  QPushButton* Zapisz;
  QPushButton* BitBtn1;
  QPushButton* Power;
  QCheckBox* SaveEPROM;
  QLabel* Label4;
  QLineEdit* NR;
  QToolButton* UkrysSerwis;
  QProgressBar* Postep;
  // page "PC"
  QCheckBox* ProgWlacz;
  QLineEdit* TempProg;
  QCheckBox* FTovik;
  QLineEdit* FT_Tau;
  QLineEdit* FT_Prog;
  QCheckBox* OstatniEkran;
  // page "Diagnostyka"
  QLabel* _uiAmplitude;
  QPushButton* _uiClearAverage;
  // the grids of the pages "Oś X", "Oś Y", "Oś Z" and "Filtr i Faza"
  CalibrationGrid* X;
  CalibrationGrid* Y;
  CalibrationGrid* Z;
  CalibrationGrid* KFILTR;
  CalibrationGrid* S_Faza;
  // pages "Temperatura", "Korekcja" and "Sonda"
  QLineEdit* Wtemp;
  QLineEdit* OTemp;
  QLineEdit* WKor;
  QLineEdit* OKor;
  QLineEdit* _uiKorekcjaPolowa;
  QLineEdit* _uiPotencjometr;
  QCheckBox* _uiSS1;
  QCheckBox* _uiSS2;
  QCheckBox* _uiSS3;
  QCheckBox* _uiSS4;
  QCheckBox* _uiSS9;
  QCheckBox* _uiSS10;
  QCheckBox* _uiSS11;
  QCheckBox* _uiSS12;

 private:
  void fitCaptions();
  void bindEdit(QLineEdit* edit, Edit field);
  void showChange(const CalibrationData::Change& change);

  CalibrationData& data_;
  PanelCaptions captions_;
  CalibrationGrid* grids_[kGridCount] = {};
  QLineEdit* edits_[kEditCount] = {};
  QCheckBox* switches_[kSwitchCount] = {};
};

}  // namespace calibration
