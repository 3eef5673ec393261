#include "app/haslo_win.h"

#include <QFrame>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QValidator>

#include "app/globals.h"
#include "app/screen_centre.h"
#include "qtkit/widget_helpers.h"

namespace app {

namespace {

constexpr int kFontPixels = 11;  // the form's type: 8 points at 96 dpi

// Forces letters to upper case as they come in, typed or pasted. Character by character,
// so the text keeps its length and the cursor its place (a full case mapping would turn
// "ß" into "SS" and push the text past its limit).
class UpperCaseValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& /*pos*/) const override {
    for (QChar& c : input) c = c.toUpper();
    return Acceptable;
  }
};

}  // namespace

const HasloTexts& hasloTextsFor(const std::string& languageCode) {
  return languageCode == "pl" ? kHasloPl : kHasloEn;
}

THasloWin::THasloWin(QWidget* mainWindow, std::function<void()> enterServiceMode)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                           Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint),
      mainWindow_(mainWindow),
      enterServiceMode_(std::move(enterServiceMode)) {
  setObjectName(QStringLiteral("HasloWin"));
  setFixedSize(kClientWidth, kClientHeight);
  setModal(false);
  setFont(qtkit::pixelFont(font(), kFontPixels));

  Panel1 = new QFrame(this);
  qtkit::makePanel(Panel1, "Panel1", 8, 8, 207, 65);
  Label1 = qtkit::named(new QLabel(Panel1), "Label1");
  Label1->setGeometry(8, 6, 191, 53);
  Label1->setWordWrap(true);
  Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  TekstHaslo = qtkit::named(new QLineEdit(this), "TekstHaslo");
  TekstHaslo->setGeometry(8, 84, 207, 24);
  TekstHaslo->setMaxLength(kMaxLength);
  TekstHaslo->setEchoMode(QLineEdit::Password);
  // The style's own mask character differs between platforms; the window shows "*".
  TekstHaslo->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
  TekstHaslo->setValidator(new UpperCaseValidator(TekstHaslo));
  TekstHaslo->installEventFilter(this);

  OK = qtkit::named(new QPushButton(QStringLiteral("OK"), this), "OK");
  OK->setGeometry(28, 122, 75, 25);
  Anuluj = qtkit::named(new QPushButton(this), "Anuluj");
  Anuluj->setGeometry(120, 122, 75, 25);
  connect(OK, &QPushButton::clicked, this, [this] { OKClick(); });
  connect(Anuluj, &QPushButton::clicked, this, [this] { AnulujClick(); });

  zmienJezyk(hasloTextsFor(LanguageCode));
}

void THasloWin::showCentred() {
  showCentredOnScreen(this);
}

void THasloWin::FormShow() {
  if (mainWindow_) mainWindow_->setEnabled(false);
  TekstHaslo->setFocus();
  zmienJezyk(hasloTextsFor(LanguageCode));
}

void THasloWin::FormHide() {
  if (mainWindow_) mainWindow_->setEnabled(true);
  TekstHaslo->clear();
}

void THasloWin::OKClick() {
  // Compared before hiding: hiding empties the edit.
  const bool right = TekstHaslo->text() == QLatin1String(kPassword);
  if (right && enterServiceMode_) enterServiceMode_();
  hide();
}

void THasloWin::AnulujClick() {
  hide();
}

bool THasloWin::TekstHasloKeyDown(int key) {
  if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
  OKClick();
  return true;
}

void THasloWin::zmienJezyk(const HasloTexts& table) {
  Label1->setText(QString::fromUtf8(table[0]));
  Anuluj->setText(QString::fromUtf8(table[1]));
  setWindowTitle(QString::fromUtf8(table[2]));
}

void THasloWin::reject() {
  AnulujClick();
}

bool THasloWin::eventFilter(QObject* watched, QEvent* event) {
  if (watched == TekstHaslo && event->type() == QEvent::KeyPress &&
      TekstHasloKeyDown(static_cast<QKeyEvent*>(event)->key())) {
    return true;  // the dialog must not see this Enter again
  }
  return QDialog::eventFilter(watched, event);
}

// Spontaneous show and hide events come from the window system (minimising, restoring):
// the window is still in use then, so nothing is switched.
void THasloWin::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void THasloWin::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  if (!event->spontaneous()) FormHide();
}

}  // namespace app
