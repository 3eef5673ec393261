#pragma once
// The small panels beside the readout: the statistics (Panel2), the digital filter
// (Panel3) and the control buttons (Panel4). Views only: their handlers are the main
// window's.
#include <QFrame>

#include "measurement/processor.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace app {

class StatisticsPanel : public QFrame {
  Q_OBJECT

 public:
  explicit StatisticsPanel(QWidget* client);
  // The statistics texts of a (gathered) display update.
  void apply(const measurement::DisplayUpdate& update);
  // Empties the three value labels ("c").
  void clearValues();

  QCheckBox* Dane;
  QLabel* LabelMinimum;
  QLabel* LabelMaksimum;
  QLabel* LabelSrednia;
  QLabel* Min;
  QLabel* Max;
  QLabel* Avr;
  QPushButton* Button1;  // the red "c"
};

class FilterPanel : public QFrame {
  Q_OBJECT

 public:
  explicit FilterPanel(QWidget* client);

  QCheckBox* filtr;
  QLabel* LabelT;
  QLineEdit* Tau;
  QLabel* LabelS;
};

class ControlPanel : public QFrame {
  Q_OBJECT

 public:
  explicit ControlPanel(QWidget* client);

  QLabel* LabelSterowanie;
  QPushButton* S_Polacz;
  QPushButton* S_Zapisz;
  QPushButton* S_Dane;
  QPushButton* S_Otworz;
};

}  // namespace app
