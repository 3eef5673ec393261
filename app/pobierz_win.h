#pragma once
// The download window "Pobieranie wyników": shows the result download's label and progress
// gauge and forwards Anuluj. It holds no logic of the transfer (devlink::ResultDownload
// does); its texts are Polish in every language of the program.
#include <QDialog>
#include <QPointer>
#include <QString>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace app {

inline constexpr const char* kPobierzCaption = "Pobieranie wyników";
inline constexpr const char* kAnulujCaption = "Anuluj";

// Created once at start and kept for the whole run. It has no parent, so that disabling
// the main window does not disable it; the caller owns it. While it is shown the main
// window is disabled, and hiding or closing it enables the main window again.
class TPobierzWin : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 210;
  static constexpr int kClientHeight = 95;
  static constexpr int kFontPixels = 11;

  explicit TPobierzWin(QWidget* mainWindow);

  QLabel* Label1;
  QProgressBar* Gauge1;
  QPushButton* Anuluj;

  // Anuluj, Escape and the frame's close button all end here; the transfer's cancel
  // (ResultDownload::cancel) is expected to close the window. Should nothing close it,
  // it hides itself so the main window is never left disabled.
  std::function<void()> onCancel;
  void AnulujClick();

  // What the transfer shows.
  void setLabel(const QString& text);
  // A maximum below the gauge's minimum (100) is refused: the gauge keeps its range.
  void setGaugeMaximum(int maximum);
  // Brought into the gauge's range.
  void setGaugePosition(int position);
  // Shows the window centred on the screen (the main window is disabled by showing it).
  void showCentred();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void reject() override;

 private:
  QPointer<QWidget> mainWindow_;
};

}  // namespace app
