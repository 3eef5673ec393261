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

  // The chart's current picture; it shares the model's pixels (no copy), valid until the
  // next change of the chart.
  QImage image() const;
  const WykresModel& model() const { return model_; }

  QSize sizeHint() const override;

  // Shortest time between two repaints on screen (0, the default: every change). The
  // picture itself is always up to date; only showing it is paced.
  void SetRepaintInterval(int ms) { repaint_.setInterval(ms); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void changed();
  WykresModel model_;
  std::uint64_t shownPaintCount_ = 0;
  RefreshThrottle repaint_;
};

}  // namespace measurement
