#include "report/report_texts.h"

namespace report {

const ReportTexts& reportTextsFor(std::string_view languageCode) {
  return languageCode == "pl" ? kReportTextsPl : kReportTextsEn;
}

}  // namespace report
