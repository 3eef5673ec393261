#pragma once
// The printed measurement report: the particulars typed into the report window and its table
// of results, laid out page by page on a print surface. The page is divided into W = PW div
// 40 columns and H = PH div 50 lines; results run on lines 18..48 of page 1 and 6..48 of
// each further page. Texts are printed as they stand: nothing is cut or wrapped, so a text
// longer than its place runs on to the right (past the page edge if need be).
#include <string>
#include <vector>

#include "qtkit/print_surface.h"
#include "report/report_texts.h"
#include "report/results_table.h"

namespace report {

// The typed particulars (UTF-8), named after the window's edits.
struct ReportFields {
  std::string institution;  // Edit1
  std::string city;         // Edit2
  int kind = 0;             // ComboBox1: 0 constant (dc), 1 50 Hz, 2 alternating (ac)
  std::string frequency;    // Edit4: follows the title for kind 2 only
  std::string place;        // Edit3
  std::string date;         // Edit5
  std::string measuredBy;   // Edit6
  std::string source;       // Edit7
};

inline constexpr int kFirstPageFirstLine = 18;
inline constexpr int kContinuationFirstLine = 6;
inline constexpr int kLastResultLine = 48;
inline constexpr int kRulePen = 3;

// The title line for the chosen kind: entry 19, 20, or 21 followed by the frequency.
std::string reportTitle(const ReportTexts& texts, const ReportFields& fields);

// Prints the whole report as one job: begin, the pages, end. False when the job failed;
// surface.errorText() then says why.
bool printReport(const ReportTexts& texts, const ReportFields& fields,
                 const std::vector<ResultRow>& rows, qtkit::PrintSurface& surface);

}  // namespace report
