#pragma once
// TWykres, the main window's strip chart control: a widget that shows the picture of its
// WykresModel (the ring, scaling and painting live there, free of the toolkit).
#include <QImage>
#include <QWidget>

#include "measurement/refresh_throttle.h"
#include "measurement/wykres_model.h"

namespace measurement {

class TWykres : public QWidget {
  Q_OBJECT

 public:
  // The control keeps its size fixed (529 × 217 on the main window); the model follows
  // resizes made by the layout.
  explicit TWykres(QWidget* parent = nullptr, int width = 529, int height = 217);

  void AddPoint(double value);
  void Clear();
  void SetRange(double top, double bottom);
  void Redraw(double top, double bottom);
  void RecalcMinMax();
  // Between the two nothing is shown; EndBatch shows the final picture once.
  void BeginBatch();
  void EndBatch();

  double Min() const { return model_.Min(); }
  void SetMin(double v) { model_.SetMin(v); }
  double Max() const { return model_.Max(); }
  void SetMax(double v) { model_.SetMax(v); }
  double Skala() const { return model_.Skala(); }
  void SetSkala(double v) { model_.SetSkala(v); }
  bool AutoSkala() const { return model_.AutoSkala(); }
  void SetAutoSkala(bool on) { model_.SetAutoSkala(on); }
  int Ilosc() const { return model_.Ilosc(); }
  int WritePos() const { return model_.WritePos(); }
  TColor ColorOut() const { return model_.ColorOut(); }
  void SetColorOut(TColor c) { model_.SetColorOut(c); }
  TColor ColorIn() const { return model_.ColorIn(); }
  void SetColorIn(TColor c) { model_.SetColorIn(c); }
  TColor Color() const { return model_.Color(); }
  void SetColor(TColor c) { model_.SetColor(c); }
  TColor SiatkaColor() const { return model_.SiatkaColor(); }
  void SetSiatkaColor(TColor c) { model_.SetSiatkaColor(c); }

  // The chart's current picture (painted now if changes wait for their showing); it shares
  // the model's pixels (no copy), valid until the next change of the chart.
  QImage image() const;
  // The model with its picture up to date.
  const WykresModel& model() const;

  QSize sizeHint() const override;

  // Shortest time between two repaints on screen (0, the default: every change). Changes
  // are kept at once; the picture is painted when it is shown, so values that come faster
  // than the screen is refreshed cost no painting of their own.
  void SetRepaintInterval(int ms) { repaint_.setInterval(ms); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Every painting step of the model goes into one open batch of the model until the
  // picture is shown: what the last step would have painted is painted once.
  void defer();
  void paintPending() const;
  void changed();
  void showPicture();

  mutable WykresModel model_;
  std::vector<PixelBox> strips_;  // kept between showings: no allocation per showing
  mutable bool deferred_ = false;
  int batchDepth_ = 0;
  RefreshThrottle repaint_;
};

}  // namespace measurement
