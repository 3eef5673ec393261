#pragma once
// The report window's two language tables (23 texts each, UTF-8) and the texts that are
// the same in both languages. The window keeps a copy of the table chosen at its creation;
// the printout uses that copy.
#include <array>
#include <string_view>

namespace report {

inline constexpr int kReportTextCount = 23;
using ReportTexts = std::array<const char*, kReportTextCount>;

// Entries by what they are used for.
namespace entry {
inline constexpr int kInstitution = 0;  // Label1
inline constexpr int kCity = 1;         // Label2
inline constexpr int kKind = 2;         // Label3
inline constexpr int kPlace = 3;        // Label5 and printed label
inline constexpr int kDate = 4;         // Label6 and printed label
inline constexpr int kMeasuredBy = 5;   // Label7 and printed label
inline constexpr int kSource = 6;       // Label8 and printed label
inline constexpr int kPrint = 7;        // Button1
inline constexpr int kCancel = 8;       // Button2
inline constexpr int kFromFile = 9;     // Zpliku
inline constexpr int kCount = 10;       // Label9
inline constexpr int kCaption = 11;     // window caption
inline constexpr int kHeadingNo = 12;   // grid and printed headings 12..15
inline constexpr int kHeadingLocation = 13;
inline constexpr int kHeadingInduction = 14;
inline constexpr int kHeadingNote = 15;
inline constexpr int kKindConstant = 16;      // kind list item 0
inline constexpr int kKindAlternating = 17;   // kind list item 2
inline constexpr int kPage = 18;              // printed before the page number
inline constexpr int kTitleConstant = 19;     // printed title for kind 0
inline constexpr int kTitle50Hz = 20;         // kind 1
inline constexpr int kTitleAlternating = 21;  // kind 2, followed by the typed frequency
inline constexpr int kFirstPageVersion = 22;
}  // namespace entry

inline constexpr ReportTexts kReportTextsPl{
    "Nazwa instytucji:",
    "Miasto:",
    "Rodzaj pola:",
    "Miejsce pomiarów:",
    "Data pomiarów:",
    "Pomiar wykonał:",
    "Dane o źródle pola:",
    "Drukuj",
    "Anuluj",
    "Pobierz dane",
    "Ilość wyników:",
    "Raport",
    "L.p.",
    "Miejsce",
    "Indukcja pola",
    "Uwaga",
    "Stałe",
    "Zmienne",
    "Strona ",
    "z pomiarów natężenia pola magnetycznego stałego (dc)",
    "z pomiarów natężenia pola magnetycznego f = 50 Hz",
    "z pomiarów natężenia pola magnetycznego zmiennego f = ",
    "wersja 2.1",
};

inline constexpr ReportTexts kReportTextsEn{
    "Company:",
    "City:",
    "Magnetic field:",
    "Location:",
    "Date:",
    "Measured by:",
    "Field source data:",
    "Print",
    "Cancel",
    "Data from file",
    "No of results:",
    "Report",
    "No",
    "Location",
    "Field induction",
    "Note",
    "Constant (dc)",
    "Alternating (ac)",
    "Page ",
    "of dc magnetic field measurement",
    "of ac magnetic field measurement (f = 50 Hz)",
    "of ac magnetic field measurement f = ",
    "version 2.1",
};

// The same in both languages.
inline constexpr const char* kKind50Hz = "50 Hz";  // kind list item 1
inline constexpr const char* kHzLabel = "Hz";      // Label4
inline constexpr const char* kReportHeading = "HALVEX H";
inline constexpr const char* kReportWord = "RAPORT";
inline constexpr const char* kContinuationVersion = "wersja 2.0";
inline constexpr const char* kReportFont = "Tahoma";
// The print button's context menu item (the window's own addition, outside the tables).
inline constexpr const char* kPreviewTextPl = "Podgląd wydruku";
inline constexpr const char* kPreviewTextEn = "Print preview";

// The Polish table for "pl", the English one for every other code (Italian included).
const ReportTexts& reportTextsFor(std::string_view languageCode);

}  // namespace report
