#pragma once
// The number-of-results field: a spin edit whose value is read from its text each time the
// text changes (text that is not an integer counts as 1), and which is corrected into
// 1..500 only when it loses the focus or is stepped, never while the user types.
#include <QAbstractSpinBox>

namespace report {

class SpinEdit : public QAbstractSpinBox {
  Q_OBJECT

 public:
  explicit SpinEdit(QWidget* parent = nullptr);

  QString text() const;
  // Sets the text as it stands (a file load writes 1000 here); emits changed().
  void setText(const QString& text);
  int value() const;

  void stepBy(int steps) override;
  QValidator::State validate(QString& input, int& pos) const override;

 Q_SIGNALS:
  // The text changed, by typing, stepping or setText.
  void changed();

 protected:
  StepEnabled stepEnabled() const override;
  void focusOutEvent(QFocusEvent* event) override;
};

}  // namespace report
