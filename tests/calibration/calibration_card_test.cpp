// The calibration card's layout on the recording surface: A4 at 600 dpi (4961 × 7016:
// u = 124, h = 100, PH ÷ 50 = 140) and an odd page; the labels and where each value comes
// from; the values as the data set holds them after placeholders and a readback. The
// recording surface's default text width is the number of characters times the point size.
#include "calibration/calibration_card.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/recording_print_surface.h"

namespace {

using calibration::CalibrationData;
using calibration::Cell;
using calibration::Edit;
using calibration::Field;
using calibration::Grid;
using report::PrintedLine;
using report::PrintedText;

struct Card {
  std::shared_ptr<const report::PrintLog> log;
  bool ok;
};

Card print(const CalibrationData& data, const calibration::CardTexts& texts, int width = 4961,
           int height = 7016) {
  report::RecordingPrintSurface surface(width, height);
  const bool ok = calibration::printCalibrationCard(data, texts, surface);
  return {surface.log(), ok};
}

std::vector<PrintedText> onLine(const report::PrintLog& log, int page, int y) {
  std::vector<PrintedText> out;
  for (const PrintedText& t : log.texts()) {
    if (t.page == page && t.y == y) out.push_back(t);
  }
  return out;
}

// The value printed in row n (on its page and line), "" when none.
std::string valueOfRow(const report::PrintLog& log, int n) {
  const int page = n <= 44 ? 1 : 2;
  const int line = n <= 44 ? 22 + n : n - 40;
  for (const PrintedText& t : onLine(log, page, line * 100)) {
    if (t.x == 26 * 124) return t.text;
  }
  return "";
}

TEST(CalibrationCard, HeaderOnA4NumberByNumber) {
  const Card c = print(CalibrationData{}, {"10.03.2025", "40-123", "S-7", "Vantorel"});
  ASSERT_TRUE(c.ok);
  const std::string T = "Tahoma";
  const std::vector<PrintedText> all = c.log->texts();
  const std::vector<PrintedText> header(all.begin(), all.begin() + 14);
  const std::vector<PrintedText> expected = {
      {1, 124, 140, "HALVEX H", T, 12},
      {1, 124, 280, "wersja 2.0", T, 8},
      {1, 2480 - 18 * 12, 700, "KARTA KALIBRACYJNA", T, 24},
      {1, 2480 - 21 * 8, 900, "miernika typu LT - 40", T, 16},
      {1, 2480 - 13 * 12, 1200, "Data wydruku:", T, 12},
      {1, 2728, 1200, "10.03.2025", T, 12},
      {1, 2480 - 14 * 12, 1350, "Numer seryjny:", T, 12},
      {1, 2728, 1350, "40-123", T, 12},
      {1, 2480 - 6 * 12, 1500, "Sonda:", T, 12},
      {1, 2728, 1500, "S-7", T, 12},
      {1, 2480 - 7 * 12, 1650, "Klient:", T, 12},
      {1, 2728, 1650, "Vantorel", T, 12},
      {1, 372 - 40, 2050, "L.p.", T, 10},
      {1, 496, 2050, "Funkcja", T, 10},
  };
  EXPECT_EQ(header, expected);
  EXPECT_EQ(all[14], (PrintedText{1, 3224, 2050, "Wartość", T, 10}));
  const std::vector<PrintedLine> lines = {
      {1, 124, 280, 4836, 280, 3},   {1, 124, 1997, 4836, 1997, 3}, {1, 124, 2197, 4836, 2197, 3},
      {1, 124, 6797, 4836, 6797, 3}, {2, 124, 197, 4836, 197, 3},   {2, 124, 397, 4836, 397, 3},
      {2, 124, 6797, 4836, 6797, 3},
  };
  EXPECT_EQ(c.log->lines(), lines);
  EXPECT_EQ(c.log->pageCount(), 2);
  EXPECT_TRUE(c.log->ended());
  // Page 2 repeats the headings only.
  const std::vector<PrintedText> headings2 = onLine(*c.log, 2, 250);
  ASSERT_EQ(headings2.size(), 3u);
  EXPECT_EQ(headings2[0], (PrintedText{2, 372 - 40, 250, "L.p.", T, 10}));
}

TEST(CalibrationCard, RowsAreNumberedAcrossBothPagesEmptyFieldsPrintLabelsAlone) {
  const Card c = print(CalibrationData{}, {"10.03.2025", "", "", ""});
  struct Row {
    int n, page, y, numberX;
  };
  const Row rows[] = {{1, 1, 2300, 372 - 10}, {9, 1, 3100, 362}, {10, 1, 3200, 372 - 20},
                      {44, 1, 6600, 352},     {45, 2, 500, 352}, {92, 2, 5200, 352}};
  for (const Row& r : rows) {
    const std::vector<PrintedText> line = onLine(*c.log, r.page, r.y);
    ASSERT_EQ(line.size(), 2u) << r.n;  // number and label; the empty value prints nothing
    EXPECT_EQ(line[0].text, std::to_string(r.n) + ".");
    EXPECT_EQ(line[0].x, r.numberX);
    EXPECT_EQ(line[1].x, 496);
    EXPECT_EQ(line[1].text, calibration::cardRows()[r.n - 1].label);
  }
  for (int y : {1350, 1500, 1650}) {
    const std::vector<PrintedText> line = onLine(*c.log, 1, y);
    ASSERT_EQ(line.size(), 1u) << y;
    EXPECT_EQ(line[0].x + static_cast<int>(line[0].text.size()) * 12, 2480);
  }
}

TEST(CalibrationCard, LabelsAndTheirSources) {
  struct Row {
    int n;
    const char* label;
    Field source;
  };
  const Row rows[] = {
      {1, "Oś X, DC, zakres 1, wzmocnienie", Cell{Grid::X, 1, 1}},
      {2, "Oś X, DC, zakres 1, offset", Cell{Grid::X, 1, 2}},
      {7, "Oś X, DC, zakres 4, wzmocnienie", Cell{Grid::X, 1, 7}},
      {8, "Oś X, DC, zakres 4, offset", Cell{Grid::X, 1, 8}},
      {9, "Oś X, 50 Hz, zakres 1, wzmocnienie", Cell{Grid::X, 2, 1}},
      {16, "Oś X, 50 Hz, zakres 4, offset", Cell{Grid::X, 2, 8}},
      {17, "Oś X, AC, zakres 1, wzmocnienie", Cell{Grid::X, 3, 1}},
      {22, "Oś X, AC, zakres 3, offset", Cell{Grid::X, 3, 6}},
      {23, "Oś Y, DC, zakres 1, wzmocnienie", Cell{Grid::Y, 1, 1}},
      {44, "Oś Y, AC, zakres 3, offset", Cell{Grid::Y, 3, 6}},
      {45, "Oś Z, DC, zakres 1, wzmocnienie", Cell{Grid::Z, 1, 1}},
      {66, "Oś Z, AC, zakres 3, offset", Cell{Grid::Z, 3, 6}},
      {67, "Współczynnik temp.", Edit::Wtemp},
      {68, "Offset temp.", Edit::OTemp},
      {69, "Współczynnik korekcji temp.", Edit::WKor},
      {70, "Offset korekcji temp.", Edit::OKor},
      {71, "Filtr DC, Próg 1", Cell{Grid::KFILTR, 1, 1}},
      {73, "Filtr DC, I ON", Cell{Grid::KFILTR, 1, 3}},
      {74, "Filtr DC, I OFF", Cell{Grid::KFILTR, 1, 4}},
      {76, "Filtr DC, II OFF", Cell{Grid::KFILTR, 1, 6}},
      {77, "Filtr 50 Hz, Próg 1", Cell{Grid::KFILTR, 2, 1}},
      {83, "Filtr AC, Próg 1", Cell{Grid::KFILTR, 3, 1}},
      {88, "Filtr AC, II OFF", Cell{Grid::KFILTR, 3, 6}},
      {89, "Faza, zakres 5 mT", Cell{Grid::S_Faza, 1, 1}},
      {92, "Faza, zakres 3000 mT", Cell{Grid::S_Faza, 1, 4}},
  };
  for (const Row& r : rows) {
    const calibration::CardRow& card = calibration::cardRows()[r.n - 1];
    EXPECT_EQ(card.label, r.label) << r.n;
    EXPECT_EQ(card.source, r.source) << r.n;
  }
  // Every cell and edit is read by exactly one row.
  for (std::size_t i = 0; i < calibration::cardRows().size(); ++i) {
    for (std::size_t j = i + 1; j < calibration::cardRows().size(); ++j) {
      EXPECT_NE(calibration::cardRows()[i].source, calibration::cardRows()[j].source) << i;
      EXPECT_NE(calibration::cardRows()[i].label, calibration::cardRows()[j].label) << i;
    }
  }
}

TEST(CalibrationCard, ValuesAreTheDataSetsTextsHiddenCellsIncluded) {
  CalibrationData data;
  calibration::MarkPlaceholderCells(data);
  calibration::WriteGridHeadings(data);
  // What a readback leaves: the X range-4 gain in the hidden cell (1, 7), texts elsewhere.
  data.setCell(Grid::X, 1, 7, "0.000123");
  data.setCell(Grid::X, 1, 1, "0,5");
  data.setCell(Grid::Y, 2, 6, "65535");
  data.setCell(Grid::KFILTR, 2, 4, "  abc");
  data.setCell(Grid::S_Faza, 1, 4, "17");
  data.setEdit(Edit::OKor, "255");
  const Card c = print(data, {});
  EXPECT_EQ(valueOfRow(*c.log, 7), "0.000123");
  EXPECT_EQ(valueOfRow(*c.log, 29), "");
  EXPECT_EQ(valueOfRow(*c.log, 51), "");
  for (int n : {2, 4, 10, 12, 15, 16, 18, 20, 24, 26, 32, 34, 37, 38, 40, 42, 46, 48, 54, 56}) {
    EXPECT_EQ(valueOfRow(*c.log, n), "-") << n;
  }
  EXPECT_EQ(valueOfRow(*c.log, 1), "0,5");  // as typed, not converted
  EXPECT_EQ(valueOfRow(*c.log, 22 + 14), "65535");
  EXPECT_EQ(valueOfRow(*c.log, 80), "  abc");
  EXPECT_EQ(valueOfRow(*c.log, 92), "17");
  EXPECT_EQ(valueOfRow(*c.log, 70), "255");
  EXPECT_EQ(valueOfRow(*c.log, 6), "");  // row 6 is empty: no heading text leaks in
}

TEST(CalibrationCard, OddPageRoundsHalvesToEven) {
  // 1001 × 2315: u = 25, h = 33, PH ÷ 50 = 46; 13.5h = 445.5 → 446, 16.5h = 544.5 → 544,
  // 20.5h = 676.5 → 676, 2.5h = 82.5 → 82.
  const Card c = print(CalibrationData{}, {"d", "s", "p", "k"}, 1001, 2315);
  const auto textsOn = [&c](int page, int y) {
    std::vector<std::string> out;
    for (const PrintedText& t : onLine(*c.log, page, y)) out.push_back(t.text);
    return out;
  };
  using Texts = std::vector<std::string>;
  EXPECT_EQ(textsOn(1, 46), Texts{"HALVEX H"});
  EXPECT_EQ(textsOn(1, 92), Texts{"wersja 2.0"});
  EXPECT_EQ(textsOn(1, 446), (Texts{"Numer seryjny:", "s"}));
  EXPECT_EQ(textsOn(1, 544), (Texts{"Klient:", "k"}));
  EXPECT_EQ(textsOn(1, 676), (Texts{"L.p.", "Funkcja", "Wartość"}));
  EXPECT_EQ(textsOn(2, 82), (Texts{"L.p.", "Funkcja", "Wartość"}));
  EXPECT_EQ(onLine(*c.log, 1, 446).at(1).x, 550);
  EXPECT_EQ(onLine(*c.log, 2, 52 * 33).at(0), (PrintedText{2, 75 - 20, 1716, "92.", "Tahoma", 10}));
  EXPECT_EQ(c.log->lines().at(1), (PrintedLine{1, 25, 20 * 33 - 3, 975, 20 * 33 - 3, 3}));
}

}  // namespace
