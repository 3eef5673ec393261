#include "app/readout_panel.h"

#include <QGroupBox>
#include <QLabel>

#include "qtkit/strings.h"
#include "qtkit/widget_helpers.h"

namespace app {

namespace {

const QColor kPanelGrey(58, 58, 58);
const QColor kPanelTitle(224, 224, 224);

// A group box on the dark panel: light title, transparent body.
QGroupBox* makeGroup(QWidget* parent, const char* name, const QString& title, int x, int y, int w,
                     int h) {
  auto* box = qtkit::named(new QGroupBox(title, parent), name);
  box->setGeometry(x, y, w, h);
  QPalette p = box->palette();
  p.setColor(QPalette::WindowText, kPanelTitle);
  box->setPalette(p);
  return box;
}

std::uint32_t captionRgb(measurement::IndicatorColour c) {
  const measurement::Rgb rgb = measurement::colourOf(c);
  return (std::uint32_t{rgb.r} << 16) | (std::uint32_t{rgb.g} << 8) | rgb.b;
}

}  // namespace

ReadoutPanel::ReadoutPanel(QWidget* client) : QFrame(client) {
  qtkit::named(this, "Panel1");
  setGeometry(8, 8, 369, 153);
  setFrameShape(QFrame::Panel);
  setFrameShadow(QFrame::Sunken);
  setLineWidth(2);
  setAutoFillBackground(true);
  QPalette dark = palette();
  dark.setColor(QPalette::Window, kPanelGrey);
  dark.setColor(QPalette::WindowText, QColor(QRgb(0xFF000000u | kSilver)));
  setPalette(dark);

  const QFont base = client->font();

  GroupBox1 = makeGroup(this, "GroupBox1", QStringLiteral(" Wynik "), 6, 4, 244, 72);
  SWynik = qtkit::makeLabel(GroupBox1, "SWynik", QString(), 2, 18, 218, 46,
                            Qt::AlignRight | Qt::AlignVCenter);
  SWynik->setFont(qtkit::pixelFont(base, 24, true));
  Falka =
      qtkit::makeLabel(GroupBox1, "Falka", QStringLiteral("~"), 220, 18, 20, 30, Qt::AlignCenter);
  Falka->setFont(qtkit::pixelFont(base, 22, true));
  Falka->hide();

  GroupBox2 = makeGroup(this, "GroupBox2", QStringLiteral(" Osie "), 6, 78, 154, 69);
  const QFont small = qtkit::pixelFont(base, 11, true);
  LabelX = qtkit::makeLabel(GroupBox2, "LabelX", QStringLiteral("X"), 8, 16, 14, 16);
  LabelY = qtkit::makeLabel(GroupBox2, "LabelY", QStringLiteral("Y"), 8, 32, 14, 16);
  LabelZ = qtkit::makeLabel(GroupBox2, "LabelZ", QStringLiteral("Z"), 8, 48, 14, 16);
  Label9 = qtkit::makeLabel(GroupBox2, "Label9", QString(), 22, 16, 126, 16,
                            Qt::AlignRight | Qt::AlignVCenter);
  Label8 = qtkit::makeLabel(GroupBox2, "Label8", QString(), 22, 32, 126, 16,
                            Qt::AlignRight | Qt::AlignVCenter);
  Label7 = qtkit::makeLabel(GroupBox2, "Label7", QString(), 22, 48, 126, 16,
                            Qt::AlignRight | Qt::AlignVCenter);
  for (QLabel* l : {LabelX, LabelY, LabelZ, Label9, Label8, Label7}) l->setFont(small);
  for (QLabel* l : {LabelX, LabelY, LabelZ}) qtkit::setLabelColour(l, kSilver);

  GroupBox4 = makeGroup(this, "GroupBox4", QStringLiteral(" Temperatura "), 164, 78, 86, 69);
  STemp = qtkit::makeLabel(GroupBox4, "STemp", QString(), 2, 26, 80, 20,
                           Qt::AlignRight | Qt::AlignVCenter);
  STemp->setFont(qtkit::pixelFont(base, 13, true));
  // The degree mark sits raised just before the "C" that ends the temperature text.
  const QFontMetrics fm(STemp->font());
  const int cLeft = STemp->x() + STemp->width() - fm.horizontalAdvance(QLatin1Char('C'));
  Label2 = qtkit::makeLabel(GroupBox4, "Label2", QStringLiteral("o"), cLeft - 8, 20, 8, 12,
                            Qt::AlignCenter);
  Label2->setFont(qtkit::pixelFont(base, 9, true));
  STemp->hide();
  Label2->hide();

  GroupBox3 = makeGroup(this, "GroupBox3", QStringLiteral(" Funkcje "), 254, 4, 108, 143);
  SOS = qtkit::makeLabel(GroupBox3, "SOS", QStringLiteral("X"), 6, 16, 60, 20);
  SOS->setFont(qtkit::pixelFont(base, 13, true));
  mode = qtkit::makeLabel(GroupBox3, "mode", QStringLiteral("DC"), 62, 16, 40, 20,
                          Qt::AlignRight | Qt::AlignVCenter);
  mode->setFont(qtkit::pixelFont(base, 13, true));
  qtkit::setLabelColour(SOS, kAqua);
  qtkit::setLabelColour(mode, kAqua);
  struct Indicator {
    QLabel** label;
    const char* name;
    const char* text;
  };
  const Indicator indicators[] = {{&F2, "F2", "Peak Hold"},      {&F3, "F3", "Relative"},
                                  {&F4, "F4", "Gradient"},       {&F5, "F5", "Results"},
                                  {&F6, "F6", "Filter"},         {&Label5, "Label5", "Battery Low"},
                                  {&BP, "BP", "No transmission"}};
  int y = 40;
  for (const Indicator& ind : indicators) {
    *ind.label = qtkit::makeLabel(GroupBox3, ind.name, QString::fromLatin1(ind.text), 8, y, 92, 14);
    (*ind.label)->setFont(qtkit::pixelFont(base, 11));
    qtkit::setLabelColour(*ind.label, kSilver);
    y += 14;
  }

  // The labels that change with every frame paint their own background, so that updating
  // them does not repaint the group boxes behind them.
  for (QLabel* l : {SWynik, Label9, Label8, Label7, STemp}) l->setAutoFillBackground(true);
  setColours(kSilver, kSilver);
}

void ReadoutPanel::apply(const measurement::DisplayUpdate& u) {
  qtkit::setLabelColour(F2, captionRgb(u.F2));
  qtkit::setLabelColour(F4, captionRgb(u.F4));
  qtkit::setLabelColour(F6, captionRgb(u.F6));
  qtkit::setLabelColour(F5, captionRgb(u.F5));
  qtkit::setLabelColour(Label5, captionRgb(u.Label5));
  qtkit::setLabelColour(BP, captionRgb(u.BP));
  auto show = [](QLabel* label, const measurement::TextChange& change) {
    if (change.changed) label->setText(qtkit::qstr(change.view()));
  };
  show(mode, u.mode);
  if (u.FalkaVisible) Falka->setVisible(*u.FalkaVisible);
  show(SOS, u.SOS);
  if (u.GroupBox1.changed) GroupBox1->setTitle(qtkit::qstr(u.GroupBox1.view()));
  show(SWynik, u.SWynik);
  if (u.STempVisible) {
    STemp->setVisible(*u.STempVisible);
    Label2->setVisible(*u.STempVisible);
  }
  show(STemp, u.STemp);
  show(Label9, u.Label9);
  show(Label8, u.Label8);
  show(Label7, u.Label7);
}

void ReadoutPanel::setColours(std::uint32_t reading, std::uint32_t temperature) {
  for (QLabel* l : {STemp, Label2}) qtkit::setLabelColour(l, temperature);
  for (QLabel* l : {Falka, SWynik, Label9, Label8, Label7}) qtkit::setLabelColour(l, reading);
}

void ReadoutPanel::setGroupTitles(const QString& reading, const QString& temperature,
                                  const QString& functions, const QString& axes) {
  GroupBox1->setTitle(reading);
  GroupBox4->setTitle(temperature);
  GroupBox3->setTitle(functions);
  GroupBox2->setTitle(axes);
}

}  // namespace app
