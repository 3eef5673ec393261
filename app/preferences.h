#pragma once
// The preferences dialog: chooses the user-interface language and, on the first run,
// records the user's name and company in the settings store.
#include <QDialog>
#include <QString>
#include <array>
#include <functional>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qtkit {
class SettingsStore;
}  // namespace qtkit

namespace app {

// One language table of the dialog: the texts of lbFirma and lbImie (UTF-8).
using PreferencesTexts = std::array<const char*, 2>;
inline constexpr PreferencesTexts kPreferencesPl{"Firma", "Imię i nazwisko"};
inline constexpr PreferencesTexts kPreferencesEn{"Company", "Name and surname"};
inline constexpr PreferencesTexts kPreferencesIt{"Ditta", "Nome e cognome"};

// Modal; Accepted after OK (which writes the settings), Rejected after the close box
// (which writes nothing). A new instance for each showing.
class TPreferences : public QDialog {
  Q_OBJECT

 public:
  // showError reports a settings-store error met while the dialog reads its values
  // (e.g. a value of the wrong type); the dialog then stays usable.
  TPreferences(qtkit::SettingsStore& store, QWidget* parent,
               std::function<void(const QString&)> showError = {});

  QGroupBox* GroupBox1;
  QComboBox* cbJezyk;  // 0 Polski, 1 English, 2 Italiano
  QGroupBox* GroupBox2;
  QLabel* lbFirma;
  QLineEdit* edFirma;
  QLabel* lbImie;
  QLineEdit* edImie;
  QPushButton* Button1;

  void FormCreate();
  void cbJezykChange();  // runs only when the user picks an item
  void Button1Click();
  void zmienJezyk(const PreferencesTexts& table);

 private:
  qtkit::SettingsStore& store_;
  std::function<void(const QString&)> showError_;
};

}  // namespace app
