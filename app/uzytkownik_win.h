#pragma once
// The user settings window "Użytkownik": the user's name and city and the service-technician
// flag, kept under the maker key of the settings store. Polish in every language.
#include <QDialog>
#include <QPointer>
#include <QString>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qtkit {
class SettingsStore;
}  // namespace qtkit

namespace app {

inline constexpr const char* kUzytkownikCaption = "Użytkownik";
inline constexpr const char* kUzytkownikGroup = " Ustawienia użytkownika ";

// Created once at start and kept for the whole run. It has no parent, so that disabling
// the main window does not disable it; the caller owns it. Shown without a modal loop:
// while it shows the main window is disabled, and however it is closed (OK, Anuluj,
// Escape, the close box) the main window is enabled again.
class TUzytkownikWin : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 395;
  static constexpr int kClientHeight = 121;

  // mainWindow is disabled while the window shows (may be null); showError reports a
  // settings-store failure met while the window reads its values, e.g. "Failed to get
  // data for 'service'" at the first opening, before anything was stored.
  TUzytkownikWin(qtkit::SettingsStore& store, QWidget* mainWindow,
                 std::function<void(const QString&)> showError);

  QGroupBox* GroupBox1;
  QLabel* Label1;
  QLineEdit* Nazwa;
  QLabel* Label2;
  QLineEdit* Miasto;
  QCheckBox* Serwisant;
  QPushButton* OK;
  QPushButton* Anuluj;

  void FormShow();
  void FormHide();
  void SerwisantClick();
  void OKClick();
  void AnulujClick();

  // Centres the window on the screen and shows it.
  void showCentred();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void reject() override;  // Escape and the close box: as Anuluj

 private:
  qtkit::SettingsStore& store_;
  QPointer<QWidget> mainWindow_;
  std::function<void(const QString&)> showError_;
};

}  // namespace app
