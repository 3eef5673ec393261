#include "report/spin_edit.h"

#include <QLineEdit>
#include <algorithm>
#include <climits>

#include "report/results_table.h"

namespace report {

SpinEdit::SpinEdit(QWidget* parent) : QAbstractSpinBox(parent) {
  connect(lineEdit(), &QLineEdit::textChanged, this, [this] { Q_EMIT changed(); });
}

QString SpinEdit::text() const {
  return lineEdit()->text();
}

void SpinEdit::setText(const QString& text) {
  lineEdit()->setText(text);
}

int SpinEdit::value() const {
  return resultCountValue(text().toStdString());
}

void SpinEdit::stepBy(int steps) {
  const long long stepped = static_cast<long long>(value()) + steps;
  setText(QString::number(
      correctedResultCount(static_cast<int>(std::clamp<long long>(stepped, INT_MIN, INT_MAX)))));
}

// Any text may stand while typing; its value is read by the rule above.
QValidator::State SpinEdit::validate(QString&, int&) const {
  return QValidator::Acceptable;
}

QAbstractSpinBox::StepEnabled SpinEdit::stepEnabled() const {
  return StepUpEnabled | StepDownEnabled;
}

void SpinEdit::focusOutEvent(QFocusEvent* event) {
  const int v = value();
  if (correctedResultCount(v) != v) setText(QString::number(correctedResultCount(v)));
  QAbstractSpinBox::focusOutEvent(event);
}

}  // namespace report
