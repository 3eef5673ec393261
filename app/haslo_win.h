#pragma once
// The password window "Hasło": asks for the service password and enters service mode when
// it is right. The password is a lock against a customer wandering into the calibration by
// mistake, not a security boundary: it is fixed, and anyone who knows it may calibrate.
#include <QDialog>
#include <QPointer>
#include <QString>
#include <array>
#include <functional>
#include <string>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace app {

// One language table of the window: the texts of Label1, Anuluj and the caption (UTF-8).
using HasloTexts = std::array<const char*, 3>;
inline constexpr HasloTexts kHasloPl{"Aby przejść w stan serwisowy musisz podać hasło:", "Anuluj",
                                     "Hasło"};
inline constexpr HasloTexts kHasloEn{"Please write a password to enter to the service mode",
                                     "Cancel", "Password"};

// "pl" -> Polish; every other code (Italian too) -> English.
const HasloTexts& hasloTextsFor(const std::string& languageCode);

// Created once at start and kept for the whole run. It has no parent, so that disabling
// the main window does not disable it; the caller owns it. Shown without a modal loop:
// while it shows the main window is disabled, and however it is closed (OK, Anuluj,
// Enter, Escape, the close box) the main window is enabled again.
class THasloWin : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 223;
  static constexpr int kClientHeight = 156;
  static constexpr int kMaxLength = 12;
  static constexpr const char* kPassword = "PLEKTOR";

  // mainWindow is disabled while the window shows (may be null); enterServiceMode runs
  // when the right password is confirmed.
  THasloWin(QWidget* mainWindow, std::function<void()> enterServiceMode);

  QFrame* Panel1;
  QLabel* Label1;
  QLineEdit* TekstHaslo;
  QPushButton* OK;
  QPushButton* Anuluj;

  void FormShow();
  void FormHide();
  void OKClick();
  void AnulujClick();
  // True when the key was Enter (handled as OK).
  bool TekstHasloKeyDown(int key);
  void zmienJezyk(const HasloTexts& table);

  // Centres the window on the screen and shows it.
  void showCentred();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void reject() override;  // Escape and the close box: as Anuluj
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QWidget> mainWindow_;
  std::function<void()> enterServiceMode_;
};

}  // namespace app
