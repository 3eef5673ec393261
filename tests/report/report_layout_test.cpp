// The measurement report's layout, checked call by call on the recording surface: A4 at
// 600 dpi (4961 × 7016: W = 124, H = 140, C = 2480) and an odd page where the rounded
// positions fall on halves. The recording surface's default text width is the number of
// characters times the point size.
#include "report/report_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/layout_helpers.h"
#include "report/recording_print_surface.h"

namespace {

using report::PrintedLine;
using report::PrintedText;
using report::RecordingPrintSurface;
using report::ResultRow;

constexpr int kA4Width = 4961;
constexpr int kA4Height = 7016;

std::vector<ResultRow> numberedRows(int n) {
  std::vector<ResultRow> rows;
  for (int r = 1; r <= n; ++r) rows.push_back({std::to_string(r), "m" + std::to_string(r), "", ""});
  return rows;
}

struct Printed {
  std::shared_ptr<const report::PrintLog> log;
  bool ok;
};

Printed print(const report::ReportFields& fields, const std::vector<ResultRow>& rows,
              const report::ReportTexts& texts = report::kReportTextsPl, int width = kA4Width,
              int height = kA4Height) {
  RecordingPrintSurface surface(width, height);
  const bool ok = report::printReport(texts, fields, rows, surface);
  return {surface.log(), ok};
}

// The texts printed on `page` at y.
std::vector<std::string> textsAt(const report::PrintLog& log, int page, int y) {
  std::vector<std::string> out;
  for (const PrintedText& t : log.texts()) {
    if (t.page == page && t.y == y) out.push_back(t.text);
  }
  return out;
}

TEST(ReportLayout, FirstPageOnA4NumberByNumber) {
  report::ReportFields f;
  f.institution = "Instytut";
  f.city = "Kraków";
  f.place = "Hala 3";
  f.date = "2025-03-10";
  f.measuredBy = "J. Nowak";
  f.source = "Transformator";
  const Printed p = print(f, {{"1", "Przy drzwiach", " 12.345", "uwaga"}});
  ASSERT_TRUE(p.ok);
  const std::string T = "Tahoma";
  const std::vector<PrintedText> expected = {
      {1, 124, 140, "HALVEX H", T, 12},
      {1, 4836 - 64, 280, "Strona 1", T, 8},
      {1, 124, 280, "wersja 2.1", T, 8},
      {1, 4836 - 8 * 16, 420, "Instytut", T, 16},
      {1, 4836 - 6 * 16, 588, "Kraków", T, 16},  // 4.2·H = 588
      {1, 2480 - 72, 980, "RAPORT", T, 24},
      {1, 2480 - 52 * 8, 1260, "z pomiarów natężenia pola magnetycznego stałego (dc)", T, 16},
      {1, 2480 - 17 * 12, 1540, "Miejsce pomiarów:", T, 12},
      {1, 2728, 1540, "Hala 3", T, 12},
      {1, 2480 - 14 * 12, 1680, "Data pomiarów:", T, 12},
      {1, 2728, 1680, "2025-03-10", T, 12},
      {1, 2480 - 15 * 12, 1820, "Pomiar wykonał:", T, 12},
      {1, 2728, 1820, "J. Nowak", T, 12},
      {1, 2480 - 19 * 12, 1960, "Dane o źródle pola:", T, 12},
      {1, 2728, 1960, "Transformator", T, 12},
      {1, 372 - 48, 2310, "L.p.", T, 12},  // 16.5·H = 2310
      {1, 496, 2310, "Miejsce", T, 12},
      {1, 1984, 2310, "Indukcja pola", T, 12},
      {1, 3224, 2310, "Uwaga", T, 12},
      {1, 372 - 12, 2520, "1", T, 12},
      {1, 496, 2520, "Przy drzwiach", T, 12},
      {1, 1984, 2520, " 12.345", T, 12},
      {1, 3224, 2520, "uwaga", T, 12},
  };
  EXPECT_EQ(p.log->texts(), expected);
  const std::vector<PrintedLine> rules = {
      {1, 124, 280, 4836, 280, 3},
      {1, 124, 2237, 4836, 2237, 3},
      {1, 124, 2517, 4836, 2517, 3},
      {1, 124, 6857, 4836, 6857, 3},
  };
  EXPECT_EQ(p.log->lines(), rules);
  EXPECT_EQ(p.log->pageCount(), 1);
  EXPECT_TRUE(p.log->ended());
}

TEST(ReportLayout, ContinuationPagesOnA4) {
  const Printed p = print({}, numberedRows(80), report::kReportTextsEn);
  ASSERT_EQ(p.log->pageCount(), 3);
  std::vector<PrintedText> page2;
  for (const PrintedText& t : p.log->texts()) {
    if (t.page == 2 && t.y <= 840) page2.push_back(t);
  }
  const std::string T = "Tahoma";
  const std::vector<PrintedText> expected = {
      {2, 124, 140, "HALVEX H", T, 12},  {2, 4836 - 6 * 8, 280, "Page 2", T, 8},
      {2, 124, 280, "wersja 2.0", T, 8}, {2, 372 - 24, 630, "No", T, 12},  // 4.5·H = 630
      {2, 496, 630, "Location", T, 12},  {2, 1984, 630, "Field induction", T, 12},
      {2, 3224, 630, "Note", T, 12},     {2, 372 - 24, 840, "32", T, 12},  // line 6
      {2, 496, 840, "m32", T, 12},
  };
  EXPECT_EQ(page2, expected);
  const std::vector<PrintedLine> lines = p.log->lines();
  const std::vector<PrintedLine> rules2(lines.begin() + 4, lines.begin() + 8);
  const std::vector<PrintedLine> expectedRules = {
      {2, 124, 280, 4836, 280, 3},
      {2, 124, 557, 4836, 557, 3},
      {2, 124, 837, 4836, 837, 3},
      {2, 124, 6857, 4836, 6857, 3},
  };
  EXPECT_EQ(rules2, expectedRules);
  EXPECT_EQ(textsAt(*p.log, 3, 280), (std::vector<std::string>{"Page 3", "wersja 2.0"}));
}

TEST(ReportLayout, OddPageRoundsHalvesToEven) {
  // 1001 × 1457: W = 25, H = 29, C = 500; 4.2·H = 121.8 → 122, 16.5·H = 478.5 → 478,
  // 4.5·H = 130.5 → 130; a text of odd width (43) is centred at its integer half.
  report::ReportFields f;
  f.city = "Łódź";
  RecordingPrintSurface odd(1001, 1457, [](std::string_view t, std::string_view f, int size) {
    return t == "RAPORT" ? 43 : RecordingPrintSurface::defaultWidth(t, f, size);
  });
  ASSERT_TRUE(report::printReport(report::kReportTextsPl, f, numberedRows(32), odd));
  const report::PrintLog& log = *odd.log();
  const std::vector<std::string> headings = {"L.p.", "Miejsce", "Indukcja pola", "Uwaga"};
  EXPECT_EQ(textsAt(log, 1, 122), std::vector<std::string>{"Łódź"});
  EXPECT_EQ(textsAt(log, 1, 478), headings);
  EXPECT_EQ(textsAt(log, 2, 130), headings);
  EXPECT_EQ(textsAt(log, 2, 6 * 29), (std::vector<std::string>{"32", "m32"}));
  for (const auto& [text, x] :
       {std::pair{"Łódź", 975 - 4 * 16}, {"RAPORT", 500 - 21}, {"1", 75 - 12}}) {
    for (const PrintedText& t : log.texts()) {
      if (t.page == 1 && t.text == text) {
        EXPECT_EQ(t.x, x) << text;
      }
    }
  }
  EXPECT_EQ(log.lines().back(), (PrintedLine{2, 25, 49 * 29 - 3, 975, 49 * 29 - 3, 3}));
}

TEST(ReportLayout, RowsFillPagesOf31Then43) {
  struct Row {
    int rows, pages, lastLine;
  };
  const Row table[] = {{0, 1, 0},   {1, 1, 18}, {31, 1, 48},  {32, 2, 6},
                       {74, 2, 48}, {75, 3, 6}, {500, 12, 44}};
  for (const Row& r : table) {
    const Printed p = print({}, numberedRows(r.rows));
    EXPECT_EQ(p.log->pageCount(), r.pages) << r.rows;
    if (r.rows == 0) continue;
    const std::string last = "m" + std::to_string(r.rows);
    EXPECT_EQ(textsAt(*p.log, r.pages, r.lastLine * 140).at(1), last) << r.rows;
  }
}

TEST(ReportLayout, TitleFollowsTheKindAndOnlyAlternatingTakesTheFrequency) {
  report::ReportFields f;
  f.frequency = "16,7";
  const std::string pl[] = {"z pomiarów natężenia pola magnetycznego stałego (dc)",
                            "z pomiarów natężenia pola magnetycznego f = 50 Hz",
                            "z pomiarów natężenia pola magnetycznego zmiennego f = 16,7"};
  for (int kind = 0; kind < 3; ++kind) {
    f.kind = kind;
    EXPECT_EQ(textsAt(*print(f, {}).log, 1, 9 * 140), std::vector<std::string>{pl[kind]});
  }
  EXPECT_EQ(report::reportTitle(report::kReportTextsEn, f),
            "of ac magnetic field measurement f = 16,7");
}

TEST(ReportLayout, LongTextsArePrintedWholeEmptyOnesNotAtAll) {
  const std::string location(300, 'L');
  const Printed p = print({}, {{"1", location, "", ""}, {"2", "", "", ""}});
  EXPECT_EQ(textsAt(*p.log, 1, 18 * 140), (std::vector<std::string>{"1", location}));
  EXPECT_EQ(textsAt(*p.log, 1, 19 * 140), std::vector<std::string>{"2"});
  EXPECT_EQ(textsAt(*p.log, 1, 11 * 140), std::vector<std::string>{"Miejsce pomiarów:"});
}

TEST(ReportLayout, RoundedTenthsAreExactWithHalvesToEven) {
  struct Row {
    int tenths, unit, out;
  };
  const Row rows[] = {{165, 140, 2310}, {165, 29, 478}, {165, 31, 512}, {45, 29, 130},
                      {45, 31, 140},    {42, 29, 122},  {42, 0, 0},     {135, 101, 1364}};
  for (const Row& r : rows) EXPECT_EQ(report::roundedTenths(r.tenths, r.unit), r.out) << r.unit;
}

}  // namespace
