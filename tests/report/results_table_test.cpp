// The report's table of results and its count field, without widgets: hidden rows keep their
// texts, the count's reading and correcting, and data-file lines read unchanged.
#include "report/results_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using report::ResultsTable;

TEST(ResultCount, TextAndCorrection) {
  struct Row {
    const char* text;
    int value;
    int corrected;
  };
  const Row rows[] = {
      {"10", 10, 10},
      {"  7", 7, 7},
      {"+5", 5, 5},
      {"0", 0, 1},
      {"-3", -3, 1},
      {"1000", 1000, 500},
      {"501", 501, 500},
      {"", 1, 1},
      {"abc", 1, 1},
      {"12a", 1, 1},
      {"7 ", 1, 1},
      {"+-5", 1, 1},
      {"1e3", 1, 1},
      {"99999999999", 1, 1},
      {"2147483647", 2147483647, 500},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(report::resultCountValue(r.text), r.value) << r.text;
    EXPECT_EQ(report::correctedResultCount(report::resultCountValue(r.text)), r.corrected)
        << r.text;
  }
}

TEST(ResultsTable, CountChangesHideRowsWithoutClearingThem) {
  ResultsTable t;
  EXPECT_EQ(t.rowCount(), 11);
  EXPECT_EQ(t.cell(0, 10), "10");
  for (int r = 1; r <= 10; ++r) t.setCell(1, r, "place " + std::to_string(r));

  t.SpinEdit1Change(5);
  EXPECT_EQ(t.resultCount(), 5);
  EXPECT_EQ(t.shownRows().size(), 5u);
  EXPECT_EQ(t.cell(1, 8), "place 8");  // hidden, kept
  t.SpinEdit1Change(0);
  EXPECT_EQ(t.rowCount(), 1);
  t.SpinEdit1Change(-7);
  EXPECT_EQ(t.rowCount(), 1);
  t.SpinEdit1Change(10);
  EXPECT_EQ(t.shownRows()[7], (report::ResultRow{"8", "place 8", "", ""}));

  // A count typed far past the limits is not corrected while typing, but the table never
  // grows beyond what a file load can fill.
  t.SpinEdit1Change(99999999);
  EXPECT_EQ(t.resultCount(), ResultsTable::kMaxRows);
  EXPECT_EQ(t.cell(0, ResultsTable::kMaxRows), "1000");
  t.setCell(1, 1001, "x");
  t.setCell(4, 1, "x");
  EXPECT_EQ(t.cell(1, 1001), "");
  EXPECT_EQ(t.cell(4, 1), "");
}

report::LoadedLines readBytes(const std::string& bytes, std::size_t failAfter = std::string::npos) {
  std::size_t pos = 0;
  return report::readResultLines([&](char* buffer, std::size_t n) -> long {
    if (pos >= failAfter) return -1;
    n = std::min({n, bytes.size() - pos, failAfter - pos, std::size_t{3}});  // small pieces
    std::memcpy(buffer, bytes.data() + pos, n);
    pos += n;
    return static_cast<long>(n);
  });
}

TEST(ResultLines, LineEndsAndUnchangedLines) {
  using Lines = std::vector<std::string>;
  struct Row {
    std::string bytes;
    Lines lines;
  };
  const Row rows[] = {
      {"", {}},
      {"  1.234\r\n -5.0\r\n", {"  1.234", " -5.0"}},
      {"a\nb\rc\r\n\r\nlast", {"a", "b", "c", "", "last"}},
      {"\r\n", {""}},
      {"\xEF\xBB\xBF"
       "12\r\n",
       {"12"}},
      {"\xEF\xBB"
       "x",
       {"\xEF\xBB"
        "x"}},
      {"tab\tand trailing  \n", {"tab\tand trailing  "}},
  };
  for (const Row& r : rows) {
    const report::LoadedLines got = readBytes(r.bytes);
    EXPECT_TRUE(got.ok);
    EXPECT_EQ(got.lines, r.lines) << r.bytes;
  }
}

TEST(ResultLines, AtMost1000LinesLongLinesCappedAndPartialReadsKept) {
  std::string many;
  for (int i = 1; i <= 1200; ++i) many += std::to_string(i) + "\r\n";
  const report::LoadedLines first = readBytes(many);
  EXPECT_TRUE(first.ok);
  ASSERT_EQ(first.lines.size(), 1000u);
  EXPECT_EQ(first.lines.back(), "1000");

  const std::string longLine(3 * report::kMaxResultLineBytes, 'z');
  const report::LoadedLines capped = readBytes("ok\n" + longLine + "\nafter\n");
  ASSERT_EQ(capped.lines.size(), 3u);
  EXPECT_EQ(capped.lines[1].size(), report::kMaxResultLineBytes);
  EXPECT_EQ(capped.lines[2], "after");

  const report::LoadedLines broken = readBytes("1\r\n2\r\n3\r\n4", 7);
  EXPECT_FALSE(broken.ok);
  EXPECT_EQ(broken.lines, (std::vector<std::string>{"1", "2"}));
}

TEST(ResultLines, FileThatCannotBeOpened) {
  EXPECT_FALSE(report::readResultLines("/nonexistent/dir/x.HVD").ok);
}

}  // namespace
