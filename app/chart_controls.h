#pragma once
// The chart area of the main window: the strip chart Wykres1 with its clear and hold
// buttons, the replay scroll bar, the button that shows the calibration panel again, and
// the scaling panel (Panel5) with "Autoskalowanie" and the track bars W and O. Views
// only: the handlers are the main window's.
class QCheckBox;
class QFrame;
class QLabel;
class QScrollBar;
class QSlider;
class QToolButton;
class QWidget;

namespace measurement {
class TWykres;
}

namespace app {

class ChartControls {
 public:
  explicit ChartControls(QWidget* client);

  measurement::TWykres* Wykres1;
  QToolButton* Kosz;
  QToolButton* Wstrzymaj;
  QToolButton* PokazSerwis;
  QScrollBar* TrackBar1;
  QFrame* Panel5;
  QCheckBox* Autoskalowanie;
  QLabel* LabelW;
  QLabel* LabelO;
  QSlider* W;
  QSlider* O;
};

}  // namespace app
