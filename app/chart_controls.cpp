#include "app/chart_controls.h"

#include <QCheckBox>
#include <QScrollBar>
#include <QSlider>

#include "app/main_win_texts.h"
#include "calibration/panel_glyphs.h"
#include "measurement/wykres.h"
#include "qtkit/widget_helpers.h"

namespace app {

namespace {
// Until the language table replaces it with entry 69.
constexpr const char* kHoldHintText = "Zablokuj wykres i zapis danych do pliku.";
}  // namespace

ChartControls::ChartControls(QWidget* client) {
  Wykres1 = qtkit::named(new measurement::TWykres(client, 529, 217), "Wykres1");
  Wykres1->move(8, 168);
  Wykres1->SetMax(0.1);
  Wykres1->SetAutoSkala(true);
  Wykres1->SetSkala(20.0);
  Wykres1->SetColorOut(measurement::clBtnFace);
  Wykres1->SetColorIn(measurement::rgbColor(128, 128, 128));
  Wykres1->SetColor(measurement::clYellow);
  Wykres1->SetSiatkaColor(measurement::rgbColor(147, 147, 147));

  Kosz = qtkit::makeSpeedButton(client, "Kosz", QStyle::SP_TrashIcon, 504, 176);
  Kosz->setToolTip(QString::fromUtf8(kPolishCaptions[caption::kClearChartHint]));
  Wstrzymaj = qtkit::makeSpeedButton(client, "Wstrzymaj", QStyle::SP_MediaPause, 16, 352);
  Wstrzymaj->setCheckable(true);
  Wstrzymaj->setToolTip(QString::fromUtf8(kHoldHintText));
  PokazSerwis = qtkit::makeSpeedButton(client, "PokazSerwis",
                                       calibration::panelGlyph(calibration::PanelGlyph::Show), 504,
                                       352, calibration::kPanelGlyphSize);
  PokazSerwis->hide();

  TrackBar1 = qtkit::named(new QScrollBar(Qt::Horizontal, client), "TrackBar1");
  TrackBar1->setGeometry(8, 385, 529, 22);
  TrackBar1->setRange(1, 1);
  TrackBar1->setValue(1);
  TrackBar1->setPageStep(527);
  TrackBar1->hide();

  const QFont base = client->font();
  Panel5 = new QFrame(client);
  qtkit::makePanel(Panel5, "Panel5", 544, 168, 129, 233);
  Autoskalowanie =
      qtkit::named(new QCheckBox(QStringLiteral("Autoskalowanie"), Panel5), "Autoskalowanie");
  Autoskalowanie->setGeometry(6, 6, 120, 20);
  Autoskalowanie->setChecked(true);
  LabelW = qtkit::makeLabel(Panel5, "LabelW", QStringLiteral("W"), 22, 30, 28, 16, Qt::AlignCenter);
  LabelO = qtkit::makeLabel(Panel5, "LabelO", QStringLiteral("O"), 80, 30, 28, 16, Qt::AlignCenter);
  for (QLabel* l : {LabelW, LabelO}) l->setFont(qtkit::pixelFont(base, 12, true));
  qtkit::makeLabel(Panel5, "LabelWPlus", QStringLiteral("+"), 22, 46, 28, 14, Qt::AlignCenter);
  qtkit::makeLabel(Panel5, "LabelOPlus", QStringLiteral("+"), 80, 46, 28, 14, Qt::AlignCenter);
  qtkit::makeLabel(Panel5, "LabelWMinus", QStringLiteral("-"), 22, 206, 28, 14, Qt::AlignCenter);
  qtkit::makeLabel(Panel5, "LabelOMinus", QStringLiteral("-"), 80, 206, 28, 14, Qt::AlignCenter);
  auto slider = [this](const char* name, int x, int min, int max, int pos) {
    auto* s = qtkit::named(new QSlider(Qt::Vertical, Panel5), name);
    s->setGeometry(x, 62, 28, 142);
    s->setRange(min, max);
    s->setValue(pos);
    // The smallest value stands at the top, so "+" (zoom in, trace up) is up.
    s->setInvertedAppearance(true);
    s->setInvertedControls(true);
    s->setEnabled(false);
    return s;
  };
  W = slider("W", 22, 1, 100, 52);
  O = slider("O", 80, -10000, 10000, 500);
  O->setPageStep(100);
  W->setPageStep(5);
}

}  // namespace app
