#include "report/report_layout.h"

#include <string_view>

#include "report/layout_helpers.h"

namespace report {

namespace {

class ReportPrinter {
 public:
  ReportPrinter(const ReportTexts& texts, qtkit::PrintSurface& s)
      : t_(texts), s_(s), pw_(s.pageWidth()), W(pw_ / 40), H(s.pageHeight() / 50), C(pw_ / 2) {}

  void firstPage(const ReportFields& f) {
    pageTop(t_[entry::kFirstPageVersion]);
    rule(2 * H);
    font(16);
    textRightAligned(s_, 39 * W, 3 * H, f.institution);
    textRightAligned(s_, 39 * W, roundedTenths(42, H), f.city);
    font(24);
    textCentred(s_, C, 7 * H, kReportWord);
    font(16);
    textCentred(s_, C, 9 * H, reportTitle(t_, f));
    font(12);
    const std::string_view values[] = {f.place, f.date, f.measuredBy, f.source};
    for (int i = 0; i < 4; ++i) {
      const int y = (11 + i) * H;
      textRightAligned(s_, C, y, t_[entry::kPlace + i]);
      textAt(s_, C + pw_ / 20, y, values[i]);
    }
    rule(16 * H - 3);
    rule(18 * H - 3);
    rule(49 * H - 3);
    headings(roundedTenths(165, H));
  }

  void continuationPage() {
    s_.newPage();
    pageTop(kContinuationVersion);
    rule(2 * H);
    rule(4 * H - 3);
    rule(6 * H - 3);
    rule(49 * H - 3);
    headings(roundedTenths(45, H));
  }

  // The four cells at the headings' places on line j, in the headings' font.
  void row(const ResultRow& cells, int j) {
    const int y = j * H;
    textRightAligned(s_, 3 * W, y, cells[0]);
    textAt(s_, 4 * W, y, cells[1]);
    textAt(s_, 16 * W, y, cells[2]);
    textAt(s_, 26 * W, y, cells[3]);
  }

 private:
  void font(int size) { s_.setFont(kReportFont, size); }

  // "HALVEX H", the page label with the job's page number, the version line.
  void pageTop(std::string_view version) {
    font(12);
    textAt(s_, W, H, kReportHeading);
    font(8);
    textRightAligned(s_, 39 * W, 2 * H,
                     std::string(t_[entry::kPage]) + std::to_string(s_.pageNumber()));
    textAt(s_, W, 2 * H, version);
  }

  void rule(int y) {
    if (!penSet_) {
      s_.setPenWidth(kRulePen);
      penSet_ = true;
    }
    line(s_, W, y, 39 * W, y);
  }

  void headings(int y) {
    font(12);
    textRightAligned(s_, 3 * W, y, t_[entry::kHeadingNo]);
    textAt(s_, 4 * W, y, t_[entry::kHeadingLocation]);
    textAt(s_, 16 * W, y, t_[entry::kHeadingInduction]);
    textAt(s_, 26 * W, y, t_[entry::kHeadingNote]);
  }

  const ReportTexts& t_;
  qtkit::PrintSurface& s_;
  const int pw_;
  // The page's grid, named as the printout's description names them.
  const int W;
  const int H;
  const int C;
  bool penSet_ = false;
};

}  // namespace

std::string reportTitle(const ReportTexts& texts, const ReportFields& fields) {
  switch (fields.kind) {
    case 1:
      return texts[entry::kTitle50Hz];
    case 2:
      return texts[entry::kTitleAlternating] + fields.frequency;
    default:
      return texts[entry::kTitleConstant];
  }
}

bool printReport(const ReportTexts& texts, const ReportFields& fields,
                 const std::vector<ResultRow>& rows, qtkit::PrintSurface& surface) {
  if (!surface.begin()) return false;
  ReportPrinter printer(texts, surface);
  printer.firstPage(fields);
  int j = kFirstPageFirstLine;
  for (const ResultRow& row : rows) {
    if (j > kLastResultLine) {
      printer.continuationPage();
      j = kContinuationFirstLine;
    }
    printer.row(row, j++);
  }
  return surface.end();
}

}  // namespace report
