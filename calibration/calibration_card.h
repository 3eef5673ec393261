#pragma once
// The printed calibration card: a header with the instrument type, the print date and the
// three texts typed into the card window, then a numbered table of 92 calibration
// parameters, 44 on page 1 and 48 on page 2. Each value is the text of a cell or edit of the
// calibration data set as it stands, hidden cells included; nothing is converted. The page
// is divided into u = PW ÷ 40 columns and h = PH ÷ 70 lines.
#include <array>
#include <string>

#include "calibration/calibration_data.h"
#include "qtkit/print_surface.h"

namespace calibration {

// Texts of the card (and of the card window's labels), Polish in every language.
inline constexpr const char* kCardFont = "Tahoma";
inline constexpr const char* kCardHeading = "HALVEX H";
inline constexpr const char* kCardVersion = "wersja 2.0";
inline constexpr const char* kCardTitle = "KARTA KALIBRACYJNA";
inline constexpr const char* kCardSubtitle = "miernika typu LT - 40";
inline constexpr const char* kPrintDateLabel = "Data wydruku:";
inline constexpr const char* kSerialNumberLabel = "Numer seryjny:";
inline constexpr const char* kProbeLabel = "Sonda:";
inline constexpr const char* kClientLabel = "Klient:";
inline constexpr const char* kCardHeadingNo = "L.p.";
inline constexpr const char* kCardHeadingFunction = "Funkcja";
inline constexpr const char* kCardHeadingValue = "Wartość";

inline constexpr int kCardRowCount = 92;
inline constexpr int kCardRowsOnFirstPage = 44;
inline constexpr int kCardFirstPageFirstLine = 23;  // rows 1..44 on lines 23..66
inline constexpr int kCardSecondPageFirstLine = 5;  // rows 45..92 on lines 5..52
inline constexpr int kCardRulePen = 3;

// One row of the card's table: its label and the cell or edit its value is read from.
struct CardRow {
  std::string label;
  Field source;
};
// Rows 1..92 (element 0 is row 1).
const std::array<CardRow, kCardRowCount>& cardRows();

// The texts of the header (UTF-8).
struct CardTexts {
  std::string date;          // today's date as the system's short-date text
  std::string serialNumber;  // NrSer
  std::string probe;         // Sonda
  std::string client;        // Klient
};

// Prints both pages as one job: begin, page 1, a page break, page 2, end. False when the job
// failed; surface.errorText() then says why.
bool printCalibrationCard(const CalibrationData& data, const CardTexts& texts,
                          qtkit::PrintSurface& surface);

}  // namespace calibration
