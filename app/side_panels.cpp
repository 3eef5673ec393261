#include "app/side_panels.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "qtkit/widget_helpers.h"

namespace app {

namespace {
const QColor kResetRed(200, 0, 0);
}  // namespace

StatisticsPanel::StatisticsPanel(QWidget* client) : QFrame(client) {
  qtkit::makePanel(this, "Panel2", 384, 8, 153, 89);
  const QFont base = client->font();
  Dane = qtkit::named(new QCheckBox(QStringLiteral("Obróbka danych "), this), "Dane");
  Dane->setGeometry(6, 4, 140, 20);
  Dane->setChecked(true);
  LabelMinimum = qtkit::makeLabel(this, "LabelMinimum", QStringLiteral("Minimum:"), 8, 26, 64, 16);
  LabelMaksimum =
      qtkit::makeLabel(this, "LabelMaksimum", QStringLiteral("Maximum:"), 8, 44, 64, 16);
  LabelSrednia = qtkit::makeLabel(this, "LabelSrednia", QStringLiteral("Średnia:"), 8, 62, 64, 16);
  for (QLabel* l : {LabelMinimum, LabelMaksimum, LabelSrednia})
    l->setFont(qtkit::pixelFont(base, 11));
  Min = qtkit::makeLabel(this, "Min", QString(), 72, 26, 54, 16, Qt::AlignRight | Qt::AlignVCenter);
  Max = qtkit::makeLabel(this, "Max", QString(), 72, 44, 54, 16, Qt::AlignRight | Qt::AlignVCenter);
  Avr = qtkit::makeLabel(this, "Avr", QString(), 72, 62, 54, 16, Qt::AlignRight | Qt::AlignVCenter);
  for (QLabel* l : {Min, Max, Avr}) {
    l->setFont(qtkit::pixelFont(base, 12, true));
    l->setAutoFillBackground(true);  // updated with every frame: no repaint of the panel
  }
  Button1 = qtkit::named(new QPushButton(QStringLiteral("c"), this), "Button1");
  Button1->setGeometry(128, 62, 20, 20);
  Button1->setFont(qtkit::pixelFont(base, 12, true));
  QPalette p = Button1->palette();
  p.setColor(QPalette::Button, kResetRed);
  p.setColor(QPalette::ButtonText, Qt::white);
  Button1->setPalette(p);
  Button1->setAutoFillBackground(true);
}

void StatisticsPanel::apply(const measurement::DisplayUpdate& u) {
  auto show = [](QLabel* label, const measurement::TextChange& change) {
    if (change.changed) {
      label->setText(QString::fromUtf8(change.view().data(),
                                       static_cast<qsizetype>(change.view().size())));
    }
  };
  show(Min, u.Min);
  show(Max, u.Max);
  show(Avr, u.Avr);
}

void StatisticsPanel::clearValues() {
  Min->clear();
  Max->clear();
  Avr->clear();
}

FilterPanel::FilterPanel(QWidget* client) : QFrame(client) {
  qtkit::makePanel(this, "Panel3", 384, 104, 153, 57);
  filtr = qtkit::named(new QCheckBox(QStringLiteral("Filtr cyfrowy"), this), "filtr");
  filtr->setGeometry(6, 4, 140, 20);
  LabelT = qtkit::makeLabel(this, "LabelT", QStringLiteral("T ="), 10, 30, 26, 18);
  Tau = qtkit::named(new QLineEdit(QStringLiteral("1"), this), "Tau");
  Tau->setGeometry(38, 28, 64, 22);
  Tau->setAlignment(Qt::AlignRight);
  LabelS = qtkit::makeLabel(this, "LabelS", QStringLiteral("[s]"), 108, 30, 30, 18);
}

ControlPanel::ControlPanel(QWidget* client) : QFrame(client) {
  qtkit::makePanel(this, "Panel4", 543, 8, 130, 153);
  LabelSterowanie =
      qtkit::makeLabel(this, "LabelSterowanie", QStringLiteral("  Sterowanie"), 2, 4, 126, 18);
  LabelSterowanie->setFont(qtkit::pixelFont(client->font(), 12, true));
  auto button = [this](const char* name, const QString& text, int y) {
    auto* b = qtkit::named(new QPushButton(text, this), name);
    b->setGeometry(8, y, 114, 27);
    return b;
  };
  S_Polacz = button("S_Polacz", QStringLiteral("Połącz"), 26);
  S_Zapisz = button("S_Zapisz", QStringLiteral("Zapisz do pliku"), 58);
  S_Dane = button("S_Dane", QStringLiteral("Dane z urządzenia"), 90);
  S_Otworz = button("S_Otworz", QStringLiteral("Otwórz plik"), 122);
  S_Zapisz->setEnabled(false);
  S_Polacz->setIcon(style()->standardIcon(QStyle::SP_DriveNetIcon));
  S_Zapisz->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
  S_Dane->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
  S_Otworz->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
}

}  // namespace app
