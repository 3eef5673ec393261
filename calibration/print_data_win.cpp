#include "calibration/print_data_win.h"

#include <QAction>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "qtkit/print_window.h"
#include "calibration/calibration_card.h"
#include "qtkit/dialogs.h"

namespace calibration {

namespace {

template <class W>
W* named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

}  // namespace

TPrintDataWin::TPrintDataWin(QWidget* mainWindow, const CalibrationData& data,
                             qtkit::Dialogs& dialogs, qtkit::PrintSurfaceFactory surfaces)
    : QWidget(mainWindow, qtkit::printWindowFlags()),
      mainWindow_(mainWindow),
      data_(data),
      dialogs_(dialogs),
      surfaces_(std::move(surfaces)) {
  qtkit::setUpPrintWindow(this, "PrintDataWin", kClientWidth, kClientHeight);
  setWindowTitle(QString::fromUtf8(kPrintDataCaption));

  Dane = named(new QGroupBox(QStringLiteral(" Dane "), this), "Dane");
  Dane->setGeometry(8, 8, 345, 153);
  const auto row = [this](int y, QLabel*& label, const char* labelName, const char* caption,
                          QLineEdit*& edit, const char* editName) {
    label = named(new QLabel(QString::fromUtf8(caption), Dane), labelName);
    label->setGeometry(16, y, 96, 21);
    edit = named(new QLineEdit(Dane), editName);
    edit->setGeometry(112, y, kNrSerWidth, 21);
    label->setBuddy(edit);
  };
  row(32, Label1, "Label1", kSerialNumberLabel, NrSer, "NrSer");
  row(72, Label3, "Label3", kProbeLabel, Sonda, "Sonda");
  row(112, Label2, "Label2", kClientLabel, Klient, "Klient");

  Button1 = named(new QPushButton(QStringLiteral("OK"), this), "Button1");
  Button1->setGeometry(190, 172, 75, 25);
  Button1->setDefault(true);
  Button2 = named(new QPushButton(QStringLiteral("Anuluj"), this), "Button2");
  Button2->setGeometry(278, 172, 75, 25);
  Podgldwydruku1 = qtkit::addPreviewAction(Button1, QString::fromUtf8(kCardPreviewText));
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(Podgldwydruku1, &QAction::triggered, this, [this] { Podgldwydruku1Click(); });
  connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });

  FormCreate();
  qtkit::showPrintWindow(this);
}

TPrintDataWin::~TPrintDataWin() = default;

void TPrintDataWin::FormCreate() {
  qtkit::holdMainWindow(this, mainWindow_);
}

void TPrintDataWin::Button1Click() {
  print(false);
}

void TPrintDataWin::Podgldwydruku1Click() {
  print(true);
}

void TPrintDataWin::print(bool preview) {
  const CardTexts texts{qtkit::todayShortDate().toStdString(), NrSer->text().toStdString(),
                        Sonda->text().toStdString(), Klient->text().toStdString()};
  const auto layout = [this, &texts](qtkit::PrintSurface& s) {
    return printCalibrationCard(data_, texts, s);
  };
  qtkit::printFromWindow(*this, preview, dialogs_, surfaces_, layout);
}

void TPrintDataWin::Button2Click() {
  close();
}

void TPrintDataWin::FormClose() {
  qtkit::releaseMainWindow(mainWindow_);
}

void TPrintDataWin::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
}

}  // namespace calibration
