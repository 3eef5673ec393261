#include "app/preferences.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/globals.h"
#include "qtkit/settings_store.h"

namespace app {

namespace {
constexpr int kClientWidth = 337;
constexpr int kClientHeight = 258;
constexpr int kPolski = 0;
constexpr int kEnglish = 1;

// The settings count as present once the product key holds a language.
bool settingsPresent(const qtkit::SettingsStore& store) {
  return store.keyExists(qtkit::keys::kProduct) &&
         store.valueExists(qtkit::keys::kProduct, qtkit::keys::kLng);
}
}  // namespace

TPreferences::TPreferences(qtkit::SettingsStore& store, QWidget* parent,
                           std::function<void(const QString&)> showError)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      store_(store),
      showError_(std::move(showError)) {
  setObjectName(QStringLiteral("Preferences"));
  setWindowTitle(QStringLiteral("Preferences"));  // the same in every language
  setFixedSize(kClientWidth, kClientHeight);

  GroupBox1 = new QGroupBox(QStringLiteral("Język / Language / Lingua"), this);
  GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
  GroupBox1->setGeometry(8, 8, 321, 64);
  cbJezyk = new QComboBox(GroupBox1);
  cbJezyk->setObjectName(QStringLiteral("cbJezyk"));
  cbJezyk->setEditable(false);
  cbJezyk->addItems(
      {QStringLiteral("Polski"), QStringLiteral("English"), QStringLiteral("Italiano")});
  cbJezyk->setGeometry(16, 26, 289, 24);

  GroupBox2 = new QGroupBox(this);
  GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
  GroupBox2->setGeometry(8, 80, 321, 132);
  lbFirma = new QLabel(GroupBox2);
  lbFirma->setObjectName(QStringLiteral("lbFirma"));
  lbFirma->setGeometry(16, 12, 289, 18);
  edFirma = new QLineEdit(GroupBox2);
  edFirma->setObjectName(QStringLiteral("edFirma"));
  edFirma->setGeometry(16, 32, 289, 24);
  lbImie = new QLabel(GroupBox2);
  lbImie->setObjectName(QStringLiteral("lbImie"));
  lbImie->setGeometry(16, 66, 289, 18);
  edImie = new QLineEdit(GroupBox2);
  edImie->setObjectName(QStringLiteral("edImie"));
  edImie->setGeometry(16, 86, 289, 24);
  lbFirma->setBuddy(edFirma);
  lbImie->setBuddy(edImie);

  Button1 = new QPushButton(QStringLiteral("OK"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(131, 222, 75, 28);
  Button1->setDefault(true);

  // The fields are greyed until FormCreate finds a first run.
  zmienJezyk(kPreferencesPl);
  for (QWidget* w : {static_cast<QWidget*>(lbFirma), static_cast<QWidget*>(edFirma),
                     static_cast<QWidget*>(lbImie), static_cast<QWidget*>(edImie)}) {
    w->setEnabled(false);
  }

  // `activated` comes only from the user, so selecting an item from code does not
  // switch the labels.
  connect(cbJezyk, &QComboBox::activated, this, [this](int) { cbJezykChange(); });
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });

  FormCreate();
}

void TPreferences::FormCreate() {
  cbJezyk->setCurrentIndex(kPolski);
  try {
    if (settingsPresent(store_)) {
      LanguageCode = store_.readString(qtkit::keys::kProduct, qtkit::keys::kLng);
      cbJezyk->setCurrentIndex(LanguageCode == "pl"   ? kPolski
                               : LanguageCode == "en" ? kEnglish
                                                      : 2);
      edFirma->setText(
          QString::fromStdString(store_.readString(qtkit::keys::kProduct, qtkit::keys::kCompany)));
      edImie->setText(
          QString::fromStdString(store_.readString(qtkit::keys::kProduct, qtkit::keys::kName)));
      // A text longer than its field shows from its beginning.
      edFirma->setCursorPosition(0);
      edImie->setCursorPosition(0);
    } else {
      FirstRunEntry = true;
      for (QWidget* w : {static_cast<QWidget*>(edFirma), static_cast<QWidget*>(edImie),
                         static_cast<QWidget*>(lbFirma), static_cast<QWidget*>(lbImie)}) {
        w->setEnabled(true);
      }
    }
  } catch (const qtkit::SettingsError& e) {
    // Reported like any failure while a window is created; the dialog stays usable.
    if (showError_) showError_(QString::fromStdString(e.what()));
  }
  // The key itself is created by the OK button's first write: a dialog closed with
  // the close box leaves the store untouched.
}

void TPreferences::cbJezykChange() {
  switch (cbJezyk->currentIndex()) {
    case kPolski:
      zmienJezyk(kPreferencesPl);
      break;
    case kEnglish:
      zmienJezyk(kPreferencesEn);
      break;
    default:
      zmienJezyk(kPreferencesIt);
      break;
  }
}

void TPreferences::Button1Click() {
  if (FirstRunEntry) {
    store_.writeString(qtkit::keys::kProduct, qtkit::keys::kName, edImie->text().toStdString());
    store_.writeString(qtkit::keys::kProduct, qtkit::keys::kCompany, edFirma->text().toStdString());
    store_.writeBool(qtkit::keys::kProduct, qtkit::keys::kService, false);
  }
  const int item = cbJezyk->currentIndex();
  store_.writeString(qtkit::keys::kProduct, qtkit::keys::kLng,
                     item == kPolski    ? "pl"
                     : item == kEnglish ? "en"
                                        : "it");
  accept();
}

void TPreferences::zmienJezyk(const PreferencesTexts& table) {
  lbFirma->setText(QString::fromUtf8(table[0]));
  lbImie->setText(QString::fromUtf8(table[1]));
}

}  // namespace app
