#include "app/find_instrument_win.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMetaObject>
#include <QPushButton>
#include <QVBoxLayout>

#include "link/port_description.h"
#include "qtkit/strings.h"
#include "qtkit/widget_helpers.h"

namespace app {
namespace {
QString u8(const char* text) {
  return QString::fromUtf8(text);
}
constexpr int kPortNames = 20;
}  // namespace

TFindInstrumentWin::TFindInstrumentWin(const FindInstrumentTexts& texts, ListLines lines,
                                       Probe probe, std::function<void(int)> chosen,
                                       QWidget* parent)
    : QDialog(parent),
      texts_(texts),
      lines_(std::move(lines)),
      probe_(std::move(probe)),
      chosen_(std::move(chosen)) {
  setObjectName(QStringLiteral("FindInstrumentWin"));
  setWindowTitle(u8(texts.title));
  Status = qtkit::named(new QLabel(this), "Status");
  Results = qtkit::named(new QListWidget(this), "Results");
  PortName = qtkit::named(new QComboBox(this), "PortName");
  for (int n = 1; n <= kPortNames; ++n) PortName->addItem(QStringLiteral("COM%1").arg(n), n);
  Use = qtkit::named(new QPushButton(u8(texts.use), this), "Use");
  Again = qtkit::named(new QPushButton(u8(texts.again), this), "Again");
  Close = qtkit::named(new QPushButton(u8(texts.close), this), "Close");

  auto* rows = new QVBoxLayout(this);
  rows->addWidget(Status);
  rows->addWidget(Results);
  auto* name = new QHBoxLayout;
  name->addWidget(new QLabel(u8(texts.portName), this));
  name->addWidget(PortName);
  name->addStretch();
  rows->addLayout(name);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Use);
  buttons->addWidget(Again);
  buttons->addWidget(Close);
  rows->addLayout(buttons);
  resize(460, 300);

  connect(Use, &QPushButton::clicked, this, [this] { useSelected(); });
  connect(Again, &QPushButton::clicked, this, [this] { search(); });
  connect(Close, &QPushButton::clicked, this, &QDialog::reject);
  connect(Results, &QListWidget::currentRowChanged, this, [this] { updateButtons(); });
  updateButtons();
}

TFindInstrumentWin::~TFindInstrumentWin() {
  if (worker_.joinable()) worker_.join();  // listening ends by itself within its time
}

void TFindInstrumentWin::search() {
  if (searching_) return;
  if (worker_.joinable()) worker_.join();
  searching_ = true;
  Results->clear();
  Status->setText(u8(texts_.searching));
  updateButtons();
  const std::vector<std::string> lines = lines_ ? lines_() : std::vector<std::string>{};
  worker_ = std::thread([this, lines] {
    std::vector<devlink::ProbeResult> results = probe_ ? probe_(lines) : devlink::probeAll(lines);
    QMetaObject::invokeMethod(
        this, [this, results = std::move(results)] { showResults(results); },
        Qt::QueuedConnection);
  });
}

void TFindInstrumentWin::showResults(const std::vector<devlink::ProbeResult>& results) {
  searching_ = false;
  Results->clear();
  int found = 0;
  int first = -1;
  for (const devlink::ProbeResult& r : results) {
    const char* outcome = texts_.noInstrument;
    switch (r.outcome) {
      case devlink::ProbeOutcome::Instrument: outcome = texts_.instrument; break;
      case devlink::ProbeOutcome::NoInstrument: outcome = texts_.noInstrument; break;
      case devlink::ProbeOutcome::Busy: outcome = texts_.busy; break;
      case devlink::ProbeOutcome::CannotOpen: outcome = texts_.cannotOpen; break;
    }
    const std::string where = devlink::describePort(r.device).value_or(r.device);
    auto* row = new QListWidgetItem(qtkit::qstr(where) + QStringLiteral(" — ") + u8(outcome));
    row->setData(Qt::UserRole, qtkit::qstr(r.device));
    const bool instrument = r.outcome == devlink::ProbeOutcome::Instrument;
    if (!instrument) row->setFlags(row->flags() & ~Qt::ItemIsSelectable);
    Results->addItem(row);
    if (instrument) {
      ++found;
      if (first < 0) first = Results->count() - 1;
    }
  }
  if (results.empty())
    Status->setText(u8(texts_.noLines));
  else if (found == 0)
    Status->setText(u8(texts_.noneFound));
  else
    Status->setText(u8(texts_.found).arg(found));
  if (first >= 0) Results->setCurrentRow(first);
  updateButtons();
}

void TFindInstrumentWin::useSelected() {
  const QListWidgetItem* row = Results->currentItem();
  if (!row || !(row->flags() & Qt::ItemIsSelectable)) return;
  const int n = PortName->currentData().toInt();
  const QString port = PortName->currentText();
  std::string error;
  if (!devlink::linkPortName(port.toStdString(), row->data(Qt::UserRole).toString().toStdString(),
                             error)) {
    Status->setText(u8(texts_.cannotLink).arg(port, qtkit::qstr(error)));
    return;
  }
  if (chosen_) chosen_(n);
  accept();
}

void TFindInstrumentWin::updateButtons() {
  const QListWidgetItem* row = Results->currentItem();
  Use->setEnabled(!searching_ && row && (row->flags() & Qt::ItemIsSelectable));
  Again->setEnabled(!searching_);
}

}  // namespace app
