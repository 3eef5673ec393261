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
#include <string>

#include "calibration/address_map.h"
#include "calibration/calibration_grid.h"
#include "calibration/page_control.h"
#include "calibration/panel_glyphs.h"
#include "qtkit/widget_helpers.h"

namespace calibration {

namespace {
// Room kept between the EEPROM check box's caption and the panel's right edge.
constexpr int kSaveEpromRightMargin = 8;
}  // namespace

using qtkit::makeLabel;
using qtkit::named;
using qtkit::pixelFont;

CalibrationPanel::CalibrationPanel(QWidget* client, CalibrationData& data)
    : QGroupBox(QStringLiteral(" Kalibracja "), client), data_(data) {
  named(this, "Send");
  setGeometry(8, 168, 529, 233);
  setAutoFillBackground(true);
  captions_ = {QStringLiteral("Wyślij"), QStringLiteral("Odbierz"), QStringLiteral("Przerwij"),
               QStringLiteral("Otwórz"), QStringLiteral("Zapisz"),  QStringLiteral("Zapisz do EEPROM"),
               QStringLiteral("Numer sondy:")};
  const QFont base = client->font();

  PageControl1 = named(new PageControl(this), "PageControl1");
  PageControl1->setFont(pixelFont(base, 11));
  PageControl1->setGeometry(16, 20, 353, 205);
  const char* pages[] = {"Oś X",         "Oś Y", "Oś Z",  "Korekcja",   "Temperatura",
                         "Filtr i Faza", "PC",   "Sonda", "Diagnostyka"};
  const char* pageNames[] = {"TabOsX",      "TabOsY",         "TabOsZ",
                             "TabKorekcja", "TabTemperatura", "TabFiltrIFaza",
                             "TabPC",       "TabSonda",       "TabDiagnostyka"};
  QWidget* page[9];
  for (int i = 0; i < 9; ++i) {
    page[i] = named(new QWidget(PageControl1->pageArea()), pageNames[i]);
    PageControl1->addTab(page[i], QString::fromUtf8(pages[i]));
  }
  QWidget* pc = page[6];
  QWidget* diag = page[8];
  PageControl1->setCurrentIndex(5);

  // Pages "Oś X", "Oś Y", "Oś Z" and "Filtr i Faza": the grids.
  X = new CalibrationGrid(page[0], "X", data_, Grid::X, {80, 80, 80});
  Y = new CalibrationGrid(page[1], "Y", data_, Grid::Y, {80, 80, 80});
  Z = new CalibrationGrid(page[2], "Z", data_, Grid::Z, {80, 80, 80});
  for (CalibrationGrid* g : {X, Y, Z}) g->move(8, 8);
  KFILTR = new CalibrationGrid(page[5], "KFILTR", data_, Grid::KFILTR, {55, 55, 55});
  KFILTR->move(8, 8);
  S_Faza = new CalibrationGrid(page[5], "S_Faza", data_, Grid::S_Faza, {60, 39});
  S_Faza->move(192, 8);
  for (CalibrationGrid* g : {X, Y, Z, KFILTR, S_Faza}) grids_[static_cast<int>(g->grid())] = g;

  auto edit = [](QWidget* parent, const char* name, int x, int y, int w) {
    auto* e = named(new QLineEdit(parent), name);
    e->setGeometry(x, y, w, 21);
    return e;
  };
  // Page "Korekcja": the field correction.
  makeLabel(page[3], "LabelKorekcja", QStringLiteral("Kalibracja korekcji polowej"), 8, 10, 320, 18);
  _uiKorekcjaPolowa = edit(page[3], "_uiKorekcjaPolowa", 8, 32, 200);
  QLabel* hint = makeLabel(page[3], "LabelKorekcjaHint",
                           QStringLiteral("Współczynniki: (-0,00001..0,00001)"), 8, 56, 320, 18);
  QPalette grey = hint->palette();
  grey.setColor(QPalette::WindowText, QColor(128, 128, 128));
  hint->setPalette(grey);

  // Page "Temperatura": thermometer and temperature correction.
  struct Row {
    QLineEdit** edit;
    const char* name;
    const char* label;
  };
  const Row rows[] = {{&Wtemp, "Wtemp", "Współczynnik termometru. [-32767;32768]:"},
                      {&OTemp, "OTemp", "Offset termometru [0,65535]:"},
                      {&WKor, "WKor", "Współczynnik korekcji temp. (-1,1):"},
                      {&OKor, "OKor", "Offset korekcji temp. [0,255]:"}};
  int y = 8;
  for (const Row& r : rows) {
    makeLabel(page[4], (std::string("Label") + r.name).c_str(), QString::fromUtf8(r.label), 8, y,
              256, 21)
        ->setFont(pixelFont(base, 11));
    *r.edit = edit(page[4], r.name, 266, y, 72);
    y += 28;
  }

  // Page "Sonda": the digital potentiometer and the analog switches.
  makeLabel(page[7], "LabelPotencjometr",
            QStringLiteral("Ustawienie potencjometru cyfrowego [0,255]:"), 8, 8, 256, 21)
      ->setFont(pixelFont(base, 11));
  _uiPotencjometr = edit(page[7], "_uiPotencjometr", 266, 8, 72);
  makeLabel(page[7], "LabelKlucze", QStringLiteral("Konfiguracja kluczy analogowych:"), 8, 42,
            320, 18);
  QCheckBox** boxes[kSwitchCount] = {&_uiSS1, &_uiSS2,  &_uiSS3,  &_uiSS4,
                                     &_uiSS9, &_uiSS10, &_uiSS11, &_uiSS12};
  for (int bit = 0; bit < kSwitchCount; ++bit) {
    const QString caption = QString::fromLatin1(kSwitchCaptions[bit]);
    auto* box = named(new QCheckBox(caption, page[7]), ("_ui" + caption.toStdString()).c_str());
    box->setGeometry(8 + (bit % 4) * 82, 64 + (bit / 4) * 24, 78, 20);
    *boxes[bit] = box;
    switches_[bit] = box;
    connect(box, &QCheckBox::toggled, this, [this, bit](bool on) { data_.setSwitch(bit, on); });
  }

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

  bindEdit(Wtemp, Edit::Wtemp);
  bindEdit(OTemp, Edit::OTemp);
  bindEdit(WKor, Edit::WKor);
  bindEdit(OKor, Edit::OKor);
  bindEdit(_uiKorekcjaPolowa, Edit::KorekcjaPolowa);
  bindEdit(_uiPotencjometr, Edit::Potencjometr);
  bindEdit(NR, Edit::NR);
  data_.setListener([this](const CalibrationData::Change& c) { showChange(c); });
  UkrysSerwis = qtkit::makeSpeedButton(this, "UkrysSerwis", panelGlyph(PanelGlyph::Hide), 496, 184,
                                       kPanelGlyphSize);
  Postep = named(new QProgressBar(this), "Postep");
  Postep->setGeometry(384, 17, 129, 15);
  Postep->setRange(1, 68);
  Postep->setValue(1);
  Postep->setTextVisible(false);
  Postep->hide();

  fitCaptions();
  hide();
}

CalibrationPanel::~CalibrationPanel() {
  data_.setListener({});
}

void CalibrationPanel::bindEdit(QLineEdit* edit, Edit field) {
  edits_[static_cast<int>(field)] = edit;
  edit->setText(QString::fromStdString(data_.edit(field)));
  // Every change of the edit is written through (writing back a text the data set just
  // gave the edit changes nothing), so the view and the data set never differ.
  connect(edit, &QLineEdit::textChanged, this,
          [this, field](const QString& text) { data_.setEdit(field, text.toStdString()); });
}

void CalibrationPanel::showChange(const CalibrationData::Change& c) {
  switch (c.kind) {
    case CalibrationData::Change::CellText:
      grids_[static_cast<int>(c.cell.grid)]->showCell(c.cell.column, c.cell.row);
      break;
    case CalibrationData::Change::EditText: {
      QLineEdit* e = edits_[static_cast<int>(c.edit)];
      const QString text = QString::fromStdString(data_.edit(c.edit));
      if (e->text() != text) e->setText(text);
      break;
    }
    case CalibrationData::Change::SwitchState:
      switches_[c.bit]->setChecked(data_.switchOn(c.bit));
      break;
  }
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

void CalibrationPanel::fitCaptions() {
  const QFont base = parentWidget() ? parentWidget()->font() : font();
  for (QPushButton* b : {Wyslij, Odbierz, Otworz, Zapisz, Power}) qtkit::fitButtonCaption(b, base);
  // The check box keeps its place; its caption may reach to the panel's frame.
  qtkit::fitCheckBoxCaption(SaveEPROM, base, width() - SaveEPROM->x() - kSaveEpromRightMargin);
}

}  // namespace calibration
