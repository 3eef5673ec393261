#pragma once
// The about box: a borderless picture window with the product title, the instrument
// line, the licensee and the service-mode notice; the start-up splash and "O Programie".
#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <string>

class QLabel;
class QTimer;

namespace qtkit {
class SettingsStore;
}  // namespace qtkit

namespace app {

// One language table of the about box: the texts of Label3 (service-mode notice) and
// Label4 (the line introducing the licensee), UTF-8.
using AboutTexts = std::array<const char*, 2>;
inline constexpr AboutTexts kAboutPl{"TRYB SERWISOWY", "Licencja dla:"};
inline constexpr AboutTexts kAboutEn{"SERVICE MODE", "Licensed to:"};
inline constexpr AboutTexts kAboutIt{"Modalita di sevizio", "Concesso a:"};
// Registers the shell's resources (the picture); the about box calls it itself.
void initShellResources();

// "pl" -> Polish, "en" -> English, any other code -> Italian.
const AboutTexts& aboutTextsFor(const std::string& languageCode);

// Lives for the whole run (the caller owns it; it has no parent so that disabling
// the main window does not disable it). Shows itself at creation.
class TAboutWin : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kSplashMs = 5000;

  // mainWindow is disabled while the box shows (may be null); enterServiceMode runs
  // when the stored "service" flag is set; showError reports a settings-store error
  // met at creation (e.g. "Failed to get data for 'service'").
  TAboutWin(qtkit::SettingsStore& store, QWidget* mainWindow,
            std::function<void()> enterServiceMode,
            std::function<void(const QString&)> showError = {});

  QWidget* Panel1;
  QLabel* Image2;
  QLabel* Label5;
  QLabel* _uiPl;
  QLabel* _uiEn;
  QLabel* _uiIt;
  QLabel* Label3;
  QLabel* Label4;
  QLabel* Label1;
  QLabel* Label2;
  QTimer* Timer1;

  void FormCreate();
  void ShowAbout();
  void ApplyAboutTexts(const AboutTexts& table);
  void Timer1Timer();

  // Tests shorten the splash; restarts Timer1 if it runs.
  void setTimerInterval(int ms);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void setLabel3Text(const QString& text);

  qtkit::SettingsStore& store_;
  QPointer<QWidget> mainWindow_;  // may go away before the box
  std::function<void()> enterServiceMode_;
  std::function<void(const QString&)> showError_;
  int label3Right_ = 0;  // Label3 is right-justified: its right edge stays put
};

}  // namespace app
