#include "calibration/calibration_panel.h"

#include <QCheckBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <algorithm>

#include "app/widget_helpers.h"
#include "calibration/address_map.h"

namespace calibration {

using app::makeLabel;
using app::named;
using app::pixelFont;

CalibrationPanel::CalibrationPanel(QWidget* client)
    : QGroupBox(QStringLiteral(" Kalibracja "), client) {
  named(this, "Send");
  setGeometry(8, 168, 529, 233);
  setAutoFillBackground(true);
  captions_ = {QStringLiteral("Wyślij"), QStringLiteral("Odbierz"), QStringLiteral("Przerwij"),
               QStringLiteral("Otwórz"), QStringLiteral("Zapisz"),  QStringLiteral("Zapisz do EEPROM"),
               QStringLiteral("Numer sondy:")};
  const QFont base = client->font();

  PageControl1 = named(new QTabWidget(this), "PageControl1");
  PageControl1->setGeometry(16, 20, 353, 205);
  PageControl1->setUsesScrollButtons(true);
  PageControl1->tabBar()->setFont(pixelFont(base, 11));
  const char* pages[] = {"Oś X",         "Oś Y", "Oś Z",  "Korekcja",   "Temperatura",
                         "Filtr i Faza", "PC",   "Sonda", "Diagnostyka"};
  const char* pageNames[] = {"TabOsX",      "TabOsY",         "TabOsZ",
                             "TabKorekcja", "TabTemperatura", "TabFiltrIFaza",
                             "TabPC",       "TabSonda",       "TabDiagnostyka"};
  QWidget* pc = nullptr;
  QWidget* diag = nullptr;
  for (int i = 0; i < 9; ++i) {
    auto* page = named(new QWidget(PageControl1), pageNames[i]);
    PageControl1->addTab(page, QString::fromUtf8(pages[i]));
    if (i == 6) pc = page;
    if (i == 8) diag = page;
  }
  PageControl1->setCurrentIndex(5);

  // Page "PC": options of the live processing and of recording.
  ProgWlacz = named(new QCheckBox(QStringLiteral("Próg:"), pc), "ProgWlacz");
  ProgWlacz->setGeometry(8, 10, 90, 20);
  TempProg = named(new QLineEdit(pc), "TempProg");
  TempProg->setGeometry(104, 9, 80, 22);
  FTovik = named(new QCheckBox(QStringLiteral("Filtr Tovik"), pc), "FTovik");
  FTovik->setGeometry(8, 44, 100, 20);
  makeLabel(pc, "LabelFTTau", QStringLiteral("T ="), 112, 44, 28, 20);
  FT_Tau = named(new QLineEdit(QStringLiteral("1"), pc), "FT_Tau");
  FT_Tau->setGeometry(142, 43, 60, 22);
  makeLabel(pc, "LabelFTProg", QStringLiteral("Próg ="), 212, 44, 44, 20);
  FT_Prog = named(new QLineEdit(QStringLiteral("50"), pc), "FT_Prog");
  FT_Prog->setGeometry(258, 43, 60, 22);
  OstatniEkran =
      named(new QCheckBox(QStringLiteral("Zapisuj tylko pierwszy ekran."), pc), "OstatniEkran");
  OstatniEkran->setGeometry(8, 84, 300, 20);

  // Page "Diagnostyka": the largest jump between consecutive raw readings.
  makeLabel(diag, "LabelAmplituda", QStringLiteral("Amplituda:"), 8, 12, 80, 20);
  _uiAmplitude = makeLabel(diag, "_uiAmplitude", QStringLiteral("0"), 90, 12, 80, 20,
                           Qt::AlignRight | Qt::AlignVCenter);
  _uiAmplitude->setFont(pixelFont(base, 12, true));
  _uiAmplitude->setAutoFillBackground(true);
  _uiClearAverage = named(new QPushButton(QStringLiteral("c"), diag), "_uiClearAverage");
  _uiClearAverage->setGeometry(178, 12, 20, 20);

  auto button = [this](const char* name, const QString& text, int x, int y) {
    auto* b = named(new QPushButton(text, this), name);
    b->setGeometry(x, y, 57, 25);
    return b;
  };
  Wyslij = button("Wyslij", captions_.Wyslij, 383, 40);
  Odbierz = button("Odbierz", captions_.OdbierzIdle, 456, 40);
  Otworz = button("Otworz", captions_.Otworz, 384, 72);
  Zapisz = button("Zapisz", captions_.Zapisz, 456, 72);
  BitBtn1 = button("BitBtn1", QString(), 384, 103);
  BitBtn1->setIcon(QIcon::fromTheme(QStringLiteral("document-print"),
                                    style()->standardIcon(QStyle::SP_FileDialogDetailedView)));
  Power = button("Power", QStringLiteral("Power"), 456, 104);
  Wyslij->setEnabled(false);
  Odbierz->setEnabled(false);
  Power->setEnabled(false);
  SaveEPROM = named(new QCheckBox(captions_.SaveEPROM, this), "SaveEPROM");
  SaveEPROM->setGeometry(392, 136, 130, 20);
  Label4 = makeLabel(this, "Label4", captions_.Label4, 372, 159, 86, 18,
                     Qt::AlignRight | Qt::AlignVCenter);
  Label4->setFont(pixelFont(base, 11));
  NR = named(new QLineEdit(this), "NR");
  NR->setGeometry(461, 158, 52, 19);
  UkrysSerwis = app::makeSpeedButton(this, "UkrysSerwis", QStyle::SP_TitleBarMinButton, 496, 184);
  Postep = named(new QProgressBar(this), "Postep");
  Postep->setGeometry(384, 17, 129, 15);
  Postep->setRange(1, 68);
  Postep->setValue(1);
  Postep->setTextVisible(false);
  Postep->hide();

  fitCaptions();
  hide();
}

void CalibrationPanel::setCaptions(const PanelCaptions& captions) {
  const bool running = readbackRunning();
  captions_ = captions;
  Wyslij->setText(captions_.Wyslij);
  Odbierz->setText(running ? captions_.OdbierzRunning : captions_.OdbierzIdle);
  Otworz->setText(captions_.Otworz);
  Zapisz->setText(captions_.Zapisz);
  SaveEPROM->setText(captions_.SaveEPROM);
  Label4->setText(captions_.Label4);
  fitCaptions();
}

void CalibrationPanel::setReadbackRunning(bool running) {
  Odbierz->setText(running ? captions_.OdbierzRunning : captions_.OdbierzIdle);
  fitCaptions();
}

bool CalibrationPanel::readbackRunning() const {
  return Odbierz->text() != captions_.OdbierzIdle;
}

void CalibrationPanel::fillAddressTable() {
  CalibrationAddressTable = calibration::CalibrationAddressTable;
}

void CalibrationPanel::fitCaptions() {
  for (QPushButton* b : {Wyslij, Odbierz, Otworz, Zapisz, Power})
    app::fitButtonCaption(b, parentWidget() ? parentWidget()->font() : font());
}

}  // namespace calibration
