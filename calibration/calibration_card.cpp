#include "calibration/calibration_card.h"

#include <string_view>

#include "report/layout_helpers.h"

namespace calibration {

namespace {

// The table is fixed, not derived from the grid headings: the axis rows read a "50 Hz"
// column 2, an "AC" column 3 and the hidden rows 7 and 8, and the filter rows 3..6 are
// labelled in the instrument's order (I ON before I OFF).
std::array<CardRow, kCardRowCount> buildCardRows() {
  std::array<CardRow, kCardRowCount> rows;
  std::size_t n = 0;
  const auto add = [&rows, &n](std::string label, Field source) {
    rows[n++] = CardRow{std::move(label), source};
  };
  struct Mode {
    const char* name;
    int column;
    int ranges;
  };
  static constexpr Mode kModes[] = {{"DC", 1, 4}, {"50 Hz", 2, 4}, {"AC", 3, 3}};
  for (const Grid grid : {Grid::X, Grid::Y, Grid::Z}) {
    const std::string axis = std::string("Oś ") + gridName(grid) + ", ";
    for (const Mode& mode : kModes) {
      for (int k = 1; k <= mode.ranges; ++k) {
        const std::string prefix = axis + mode.name + ", zakres " + std::to_string(k) + ", ";
        add(prefix + "wzmocnienie", Cell{grid, mode.column, 2 * k - 1});
        add(prefix + "offset", Cell{grid, mode.column, 2 * k});
      }
    }
  }
  add("Współczynnik temp.", Edit::Wtemp);
  add("Offset temp.", Edit::OTemp);
  add("Współczynnik korekcji temp.", Edit::WKor);
  add("Offset korekcji temp.", Edit::OKor);
  static constexpr const char* kFilterRows[] = {"Próg 1", "Próg 2", "I ON",
                                                "I OFF",  "II ON",  "II OFF"};
  static constexpr const char* kFilterModes[] = {"DC", "50 Hz", "AC"};
  for (int column = 1; column <= 3; ++column) {
    for (int row = 1; row <= 6; ++row) {
      add(std::string("Filtr ") + kFilterModes[column - 1] + ", " + kFilterRows[row - 1],
          Cell{Grid::KFILTR, column, row});
    }
  }
  static constexpr const char* kPhaseRanges[] = {"5 mT", "50 mT", "500 mT", "3000 mT"};
  for (int row = 1; row <= 4; ++row) {
    add(std::string("Faza, zakres ") + kPhaseRanges[row - 1], Cell{Grid::S_Faza, 1, row});
  }
  return rows;
}

class CardPrinter {
 public:
  CardPrinter(const CalibrationData& data, qtkit::PrintSurface& s)
      : data_(data), s_(s), pw_(s.pageWidth()), ph_(s.pageHeight()), u(pw_ / 40), h(ph_ / 70) {}

  void firstPage(const CardTexts& t) {
    const int top = ph_ / 50;
    font(12);
    report::textAt(s_, u, top, kCardHeading);
    font(8);
    report::textAt(s_, u, 2 * top, kCardVersion);
    s_.setPenWidth(kCardRulePen);
    rule(2 * top);
    font(24);
    report::textCentred(s_, pw_ / 2, 7 * h, kCardTitle);
    font(16);
    report::textCentred(s_, pw_ / 2, 9 * h, kCardSubtitle);
    font(12);
    labelled(12 * h, kPrintDateLabel, t.date);
    labelled(report::roundedTenths(135, h), kSerialNumberLabel, t.serialNumber);
    labelled(15 * h, kProbeLabel, t.probe);
    labelled(report::roundedTenths(165, h), kClientLabel, t.client);
    tableFrame(20, report::roundedTenths(205, h));
  }

  void secondPage() {
    s_.newPage();
    tableFrame(2, report::roundedTenths(25, h));
  }

  // Row n (1-based) of the table on line j.
  void row(int n, int j) {
    const CardRow& r = cardRows()[static_cast<std::size_t>(n - 1)];
    const std::string number = std::to_string(n);
    const int y = j * h;
    // The number ends at 3u and its point hangs to the right of the column.
    s_.textOut(3 * u - s_.textWidth(number), y, number + ".");
    report::textAt(s_, 4 * u, y, r.label);
    report::textAt(s_, 26 * u, y, data_.text(r.source));
  }

 private:
  void font(int size) { s_.setFont(kCardFont, size); }
  void rule(int y) { report::line(s_, u, y, 39 * u, y); }

  void labelled(int y, std::string_view label, std::string_view value) {
    report::textRightAligned(s_, pw_ / 2, y, label);
    report::textAt(s_, pw_ / 20 + pw_ / 2, y, value);
  }

  // The rules above and below the headings and at the foot, then the headings (font 10,
  // which the rows keep).
  void tableFrame(int firstRuleLine, int headingY) {
    rule(firstRuleLine * h - 3);
    rule((firstRuleLine + 2) * h - 3);
    rule(68 * h - 3);
    font(10);
    report::textRightAligned(s_, 3 * u, headingY, kCardHeadingNo);
    report::textAt(s_, 4 * u, headingY, kCardHeadingFunction);
    report::textAt(s_, 26 * u, headingY, kCardHeadingValue);
  }

  const CalibrationData& data_;
  qtkit::PrintSurface& s_;
  const int pw_;
  const int ph_;
  // The page's grid, named as the card's description names them.
  const int u;
  const int h;
};

}  // namespace

const std::array<CardRow, kCardRowCount>& cardRows() {
  static const std::array<CardRow, kCardRowCount> rows = buildCardRows();
  return rows;
}

bool printCalibrationCard(const CalibrationData& data, const CardTexts& texts,
                          qtkit::PrintSurface& surface) {
  if (!surface.begin()) return false;
  CardPrinter printer(data, surface);
  printer.firstPage(texts);
  for (int n = 1; n <= kCardRowsOnFirstPage; ++n) {
    printer.row(n, kCardFirstPageFirstLine + n - 1);
  }
  printer.secondPage();
  for (int n = kCardRowsOnFirstPage + 1; n <= kCardRowCount; ++n) {
    printer.row(n, kCardSecondPageFirstLine + n - kCardRowsOnFirstPage - 1);
  }
  return surface.end();
}

}  // namespace calibration
