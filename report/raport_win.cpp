#include "report/raport_win.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <filesystem>
#include <optional>
#include <type_traits>

#include "qtkit/dialogs.h"
#include "qtkit/language.h"
#include "qtkit/print_window.h"
#include "report/results_model.h"
#include "report/spin_edit.h"

namespace report {

namespace {

constexpr int kLabelX = 8;
constexpr int kLabelWidth = 120;
constexpr int kFieldX = 132;
constexpr int kFieldWidth = 348;
constexpr int kFieldHeight = 21;
constexpr int kFieldPitch = 23;

int fieldY(int line) {
  return 8 + line * kFieldPitch;
}

template <class W>
W* named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

std::string text(const QLineEdit* edit) {
  return edit->text().toStdString();
}

}  // namespace

TRaport_Win::TRaport_Win(QWidget* mainWindow, qtkit::Dialogs& dialogs, QString dataDirectory,
                         qtkit::PrintSurfaceFactory surfaces)
    : QWidget(mainWindow, qtkit::printWindowFlags()),
      mainWindow_(mainWindow),
      dialogs_(dialogs),
      surfaces_(std::move(surfaces)),
      dataDirectory_(std::move(dataDirectory)) {
  qtkit::setUpPrintWindow(this, "Raport_Win", kClientWidth, kClientHeight);

  const auto labelled = [this](int line, QLabel*& label, const char* labelName, auto*& field,
                               const char* fieldName, int width) {
    label = named(new QLabel(this), labelName);
    label->setGeometry(kLabelX, fieldY(line), kLabelWidth, kFieldHeight);
    field = named(new std::remove_reference_t<decltype(*field)>(this), fieldName);
    field->setGeometry(kFieldX, fieldY(line), width, kFieldHeight);
    label->setBuddy(field);
  };
  labelled(0, Label1, "Label1", Edit1, "Edit1", kFieldWidth);
  labelled(1, Label2, "Label2", Edit2, "Edit2", kFieldWidth);
  labelled(2, Label3, "Label3", ComboBox1, "ComboBox1", 160);
  Edit4 = named(new QLineEdit(this), "Edit4");
  Edit4->setGeometry(kFieldX + 168, fieldY(2), 72, kFieldHeight);
  Label4 = named(new QLabel(QString::fromUtf8(kHzLabel), this), "Label4");
  Label4->setGeometry(kFieldX + 244, fieldY(2), 24, kFieldHeight);
  labelled(3, Label5, "Label5", Edit3, "Edit3", kFieldWidth);
  labelled(4, Label6, "Label6", Edit5, "Edit5", kFieldWidth);
  labelled(5, Label7, "Label7", Edit6, "Edit6", kFieldWidth);
  labelled(6, Label8, "Label8", Edit7, "Edit7", kFieldWidth);
  labelled(7, Label9, "Label9", SpinEdit1, "SpinEdit1", 72);
  SpinEdit1->setText(QString::number(kInitialResultCount));

  Wyniki = named(new QTableView(this), "Wyniki");
  Wyniki->setGeometry(kLabelX, fieldY(8) + 4, kClientWidth - 2 * kLabelX, 156);
  model_ = new ResultsModel(table_, this);
  Wyniki->setModel(model_);
  Wyniki->verticalHeader()->hide();
  Wyniki->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  Wyniki->verticalHeader()->setDefaultSectionSize(kRowHeight);
  Wyniki->horizontalHeader()->setFixedHeight(kRowHeight + 2);
  Wyniki->horizontalHeader()->setHighlightSections(false);
  {
    // "Indukcja pola" and "Field induction" fit the 78-pixel column in this size.
    QFont headings = Wyniki->horizontalHeader()->font();
    headings.setPixelSize(10);
    Wyniki->horizontalHeader()->setFont(headings);
  }
  for (int c = 0; c < kResultColumns; ++c) Wyniki->setColumnWidth(c, kColumnWidths[c]);
  Wyniki->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Wyniki->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Wyniki->setEditTriggers(QAbstractItemView::AllEditTriggers);
  Wyniki->setSelectionMode(QAbstractItemView::SingleSelection);

  const int buttonY = kClientHeight - 33;
  Zpliku = named(new QPushButton(this), "Zpliku");
  Zpliku->setGeometry(kLabelX, buttonY, 110, 25);
  Button1 = named(new QPushButton(this), "Button1");
  Button1->setGeometry(kClientWidth - 176, buttonY, 80, 25);
  Button2 = named(new QPushButton(this), "Button2");
  Button2->setGeometry(kClientWidth - 88, buttonY, 80, 25);
  Podgldwydruku1 = qtkit::addPreviewAction(Button1);

  connect(ComboBox1, &QComboBox::currentIndexChanged, this, [this] { ComboBox1Change(); });
  connect(SpinEdit1, &SpinEdit::changed, this, [this] { SpinEdit1Change(); });
  connect(Zpliku, &QPushButton::clicked, this, [this] { ZplikuClick(); });
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(Podgldwydruku1, &QAction::triggered, this, [this] { Podgldwydruku1Click(); });
  connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });

  FormCreate();
  qtkit::showPrintWindow(this);
}

TRaport_Win::~TRaport_Win() = default;

void TRaport_Win::FormCreate() {
  qtkit::holdMainWindow(this, mainWindow_);
  model_->SpinEdit1Change(kInitialResultCount);
  zmienJezyk(reportTextsFor(qtkit::LanguageCode));
}

void TRaport_Win::zmienJezyk(const report::ReportTexts& table) {
  ReportTexts = table;
  const auto t = [&table](int i) { return QString::fromUtf8(table[static_cast<std::size_t>(i)]); };
  QLabel* const labels[] = {Label1, Label2, Label3, Label5, Label6, Label7, Label8};
  for (int i = 0; i < 7; ++i) labels[i]->setText(t(i));
  Button1->setText(t(entry::kPrint));
  Button2->setText(t(entry::kCancel));
  Zpliku->setText(t(entry::kFromFile));
  Label9->setText(t(entry::kCount));
  Podgldwydruku1->setText(
      QString::fromUtf8(table == kReportTextsPl ? kPreviewTextPl : kPreviewTextEn));
  setWindowTitle(t(entry::kCaption));
  model_->setHeadings({t(entry::kHeadingNo), t(entry::kHeadingLocation),
                       t(entry::kHeadingInduction), t(entry::kHeadingNote)});
  ComboBox1->clear();
  ComboBox1->addItems(
      {t(entry::kKindConstant), QString::fromUtf8(kKind50Hz), t(entry::kKindAlternating)});
  ComboBox1->setCurrentIndex(0);
  ComboBox1Change();
}

void TRaport_Win::ComboBox1Change() {
  const bool alternating = ComboBox1->currentIndex() == 2;
  Edit4->setVisible(alternating);
  Label4->setVisible(alternating);
}

void TRaport_Win::SpinEdit1Change() {
  model_->SpinEdit1Change(SpinEdit1->value());
}

void TRaport_Win::ZplikuClick() {
  const qtkit::FileDialogRequest request{QString::fromUtf8(kResultFileFilter),
                                         QString::fromUtf8(kResultFileExtension),
                                         {},
                                         dataDirectory_};
  const std::optional<QString> file = dialogs_.openFile(request);
  if (!file) return;
  const LoadedLines loaded =
      readResultLines(std::filesystem::path(QFile::encodeName(*file).toStdString()));
  model_->loadLines(loaded.lines);
  if (!loaded.ok) {
    dialogs_.message(QString::fromUtf8(kResultFileErrorText));
    return;
  }
  SpinEdit1->setText(QString::number(loaded.lines.size()));
}

ReportFields TRaport_Win::fields() const {
  ReportFields f;
  f.institution = text(Edit1);
  f.city = text(Edit2);
  f.kind = ComboBox1->currentIndex();
  f.frequency = text(Edit4);
  f.place = text(Edit3);
  f.date = text(Edit5);
  f.measuredBy = text(Edit6);
  f.source = text(Edit7);
  return f;
}

void TRaport_Win::Button1Click() {
  print(false);
}

void TRaport_Win::Podgldwydruku1Click() {
  print(true);
}

void TRaport_Win::print(bool preview) {
  const ReportFields f = fields();
  const std::vector<ResultRow> rows = table_.shownRows();
  const auto layout = [this, &f, &rows](qtkit::PrintSurface& s) {
    return printReport(ReportTexts, f, rows, s);
  };
  qtkit::printFromWindow(*this, preview, dialogs_, surfaces_, layout);
}

void TRaport_Win::Button2Click() {
  close();
}

void TRaport_Win::FormClose() {
  qtkit::releaseMainWindow(mainWindow_);
}

void TRaport_Win::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
}

}  // namespace report
