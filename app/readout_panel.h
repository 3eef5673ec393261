#pragma once
// The readout panel of the main window (Panel1): the reading, the vector components, the
// status indicators with axis and mode, and the temperature. It shows what the processing
// of the frames says; it keeps no state of its own.
#include <QFrame>
#include <cstdint>

#include "measurement/processor.h"

class QGroupBox;
class QLabel;

namespace app {

// Colours of the readout's captions.
inline constexpr std::uint32_t kAqua = 0x00FFFF;    // lit indicator
inline constexpr std::uint32_t kSilver = 0xC0C0C0;  // dim indicator, silent readout
inline constexpr std::uint32_t kYellow = 0xFFFF00;  // reading
inline constexpr std::uint32_t kWhite = 0xFFFFFF;   // temperature

class ReadoutPanel : public QFrame {
  Q_OBJECT

 public:
  explicit ReadoutPanel(QWidget* client);

  // Shows one (gathered) display update.
  void apply(const measurement::DisplayUpdate& update);
  // The reading, "~" and the components in `reading`, temperature and degree mark in
  // `temperature` (yellow/white while the instrument talks, silver while it is silent).
  void setColours(std::uint32_t reading, std::uint32_t temperature);
  // The group captions of the current language: entries 0..3 of the caption table.
  void setGroupTitles(const QString& reading, const QString& temperature,
                      const QString& functions, const QString& axes);

  QGroupBox* GroupBox1;  // reading
  QLabel* SWynik;
  QLabel* Falka;
  QGroupBox* GroupBox2;  // axes
  QLabel* LabelX;
  QLabel* LabelY;
  QLabel* LabelZ;
  QLabel* Label9;        // X component
  QLabel* Label8;        // Y component
  QLabel* Label7;        // Z component
  QGroupBox* GroupBox3;  // functions
  QLabel* SOS;
  QLabel* mode;
  QLabel* F2;            // Peak Hold
  QLabel* F3;            // Relative
  QLabel* F4;            // Gradient
  QLabel* F5;            // Results
  QLabel* F6;            // Filter
  QLabel* Label5;        // Battery Low
  QLabel* BP;            // No transmission
  QGroupBox* GroupBox4;  // temperature
  QLabel* STemp;
  QLabel* Label2;        // degree mark
};

}  // namespace app
