#include "app/uzytkownik_win.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

#include "app/screen_centre.h"
#include "qtkit/settings_store.h"
#include "qtkit/widget_helpers.h"

namespace app {

namespace {

constexpr int kFontPixels = 11;  // the form's type: 8 points at 96 dpi

QLineEdit* makeEdit(QWidget* parent, const char* name, int x, int y, int w) {
  auto* edit = qtkit::named(new QLineEdit(parent), name);
  edit->setGeometry(x, y, w, 21);
  return edit;
}

}  // namespace

TUzytkownikWin::TUzytkownikWin(qtkit::SettingsStore& store, QWidget* mainWindow,
                               std::function<void(const QString&)> showError)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                           Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint),
      store_(store),
      mainWindow_(mainWindow),
      showError_(std::move(showError)) {
  setObjectName(QStringLiteral("UzytkownikWin"));
  setWindowTitle(QString::fromUtf8(kUzytkownikCaption));
  setFixedSize(kClientWidth, kClientHeight);
  setModal(false);
  setFont(qtkit::pixelFont(font(), kFontPixels));

  GroupBox1 = qtkit::named(new QGroupBox(QString::fromUtf8(kUzytkownikGroup), this), "GroupBox1");
  GroupBox1->setGeometry(8, 4, 379, 77);
  Label1 = qtkit::makeLabel(GroupBox1, "Label1", QStringLiteral("Nazwa:"), 12, 20, 48, 21);
  Nazwa = makeEdit(GroupBox1, "Nazwa", 64, 20, 201);
  Label2 = qtkit::makeLabel(GroupBox1, "Label2", QStringLiteral("Miasto:"), 12, 47, 48, 21);
  Miasto = makeEdit(GroupBox1, "Miasto", 64, 47, 153);
  Label1->setBuddy(Nazwa);
  Label2->setBuddy(Miasto);
  Serwisant = qtkit::named(new QCheckBox(QStringLiteral("Serwisant"), GroupBox1), "Serwisant");
  Serwisant->setGeometry(280, 20, 89, 21);

  OK = qtkit::named(new QPushButton(QStringLiteral("OK"), this), "OK");
  OK->setGeometry(224, 89, 75, 25);
  Anuluj = qtkit::named(new QPushButton(QStringLiteral("Anuluj"), this), "Anuluj");
  Anuluj->setGeometry(308, 89, 75, 25);
  // Enter in a field confirms, as in any dialog (said here rather than left to the focus
  // chain, which would pick whichever button follows the focused field).
  OK->setDefault(true);

  // `clicked` comes from the user (mouse or space bar), not from FormShow setting the box.
  connect(Serwisant, &QCheckBox::clicked, this, [this] { SerwisantClick(); });
  connect(OK, &QPushButton::clicked, this, [this] { OKClick(); });
  connect(Anuluj, &QPushButton::clicked, this, [this] { AnulujClick(); });
}

void TUzytkownikWin::showCentred() {
  showCentredOnScreen(this);
}

void TUzytkownikWin::FormShow() {
  if (mainWindow_) mainWindow_->setEnabled(false);
  try {
    Nazwa->setText(
        QString::fromStdString(store_.readString(qtkit::keys::kMaker, qtkit::keys::kName)));
    Miasto->setText(
        QString::fromStdString(store_.readString(qtkit::keys::kMaker, qtkit::keys::kCity)));
    Serwisant->setChecked(store_.readBool(qtkit::keys::kMaker, qtkit::keys::kService));
    SerwisantClick();
  } catch (const qtkit::SettingsError& e) {
    // Before the first OK there is no "service" value: the window shows what it has read
    // and OK stores all three.
    if (showError_) showError_(QString::fromStdString(e.what()));
  }
}

void TUzytkownikWin::FormHide() {
  if (mainWindow_) mainWindow_->setEnabled(true);
}

void TUzytkownikWin::SerwisantClick() {
  const bool editable = !Serwisant->isChecked();
  Nazwa->setEnabled(editable);
  Miasto->setEnabled(editable);
}

void TUzytkownikWin::OKClick() {
  // The store reports a failing save itself, once.
  store_.writeString(qtkit::keys::kMaker, qtkit::keys::kName, Nazwa->text().toStdString());
  store_.writeString(qtkit::keys::kMaker, qtkit::keys::kCity, Miasto->text().toStdString());
  store_.writeBool(qtkit::keys::kMaker, qtkit::keys::kService, Serwisant->isChecked());
  hide();
}

void TUzytkownikWin::AnulujClick() {
  hide();
}

void TUzytkownikWin::reject() {
  AnulujClick();
}

// Spontaneous show and hide events come from the window system (minimising, restoring):
// the window is still in use then, so nothing is read or switched.
void TUzytkownikWin::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TUzytkownikWin::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  if (!event->spontaneous()) FormHide();
}

}  // namespace app
