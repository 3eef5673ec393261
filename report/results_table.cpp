#include "report/results_table.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>

#include "measurement/bounded_file.h"

namespace report {

int resultCountValue(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  text.remove_prefix(i);
  const bool plus = !text.empty() && text.front() == '+';  // from_chars takes only '-'
  if (plus) text.remove_prefix(1);
  if (text.empty() || (plus && text.front() == '-')) return kMinResultCount;
  std::int32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return kMinResultCount;
  return value;
}

int correctedResultCount(int value) {
  return std::clamp(value, kMinResultCount, kMaxResultCount);
}

ResultsTable::ResultsTable() {
  SpinEdit1Change(kInitialResultCount);
}

void ResultsTable::setRowCount(int count) {
  rowCount_ = std::clamp(count, 1, kMaxRows + 1);
  if (static_cast<int>(rows_.size()) < rowCount_ - 1) rows_.resize(rowCount_ - 1);
}

const std::string& ResultsTable::cell(int column, int row) const {
  static const std::string kEmpty;
  if (column < 0 || column >= kResultColumns || row < 1 || row > static_cast<int>(rows_.size())) {
    return kEmpty;
  }
  return rows_[row - 1][column];
}

void ResultsTable::setCell(int column, int row, std::string_view text) {
  if (column < 0 || column >= kResultColumns || row < 1 || row > kMaxRows) return;
  if (static_cast<int>(rows_.size()) < row) rows_.resize(row);
  rows_[row - 1][column] = std::string(text);
}

void ResultsTable::SpinEdit1Change(int n) {
  setRowCount(n < 1 ? 1 : std::min(n, kMaxRows) + 1);
  for (int r = 1; r < rowCount_; ++r) setCell(0, r, std::to_string(r));
}

void ResultsTable::loadLines(const std::vector<std::string>& lines) {
  int r = 0;
  for (const std::string& line : lines) {
    if (r == kMaxRows) break;
    ++r;
    setRowCount(r + 1);
    setCell(2, r, line);
  }
}

std::vector<ResultRow> ResultsTable::shownRows() const {
  return {rows_.begin(), rows_.begin() + (rowCount_ - 1)};
}

// --- reading a data file --------------------------------------------------------------------

namespace {

// Cuts `line` to kMaxResultLineBytes without splitting a UTF-8 sequence.
void capLine(std::string& line) {
  if (line.size() <= kMaxResultLineBytes) return;
  std::size_t n = kMaxResultLineBytes;
  while (n > 0 && (static_cast<unsigned char>(line[n]) & 0xC0) == 0x80) --n;
  line.resize(n);
}

}  // namespace

LoadedLines readResultLines(const ByteSource& source) {
  LoadedLines out;
  std::string line;
  bool lineOpen = false;  // something (even nothing) follows the last line end
  bool afterCr = false;   // the last byte was a CR: a following LF belongs to it
  bool atStart = true;
  std::size_t bomMatched = 0;  // bytes of a leading byte order mark seen so far
  static constexpr char kBom[] = "\xEF\xBB\xBF";
  char buffer[8192];

  auto finishLine = [&] {
    capLine(line);
    out.lines.push_back(std::move(line));
    line.clear();
    lineOpen = false;
    return static_cast<int>(out.lines.size()) == kMaxFileLines;
  };

  for (;;) {
    const long n = source(buffer, sizeof buffer);
    if (n < 0) return out;  // ok stays false; the lines read so far are kept
    if (n == 0) break;
    for (long i = 0; i < n; ++i) {
      const char ch = buffer[i];
      if (atStart) {
        if (bomMatched < 3 && ch == kBom[bomMatched]) {
          ++bomMatched;
          if (bomMatched == 3) atStart = false;
          continue;
        }
        atStart = false;
        line.append(kBom, bomMatched);  // a broken mark is data
        lineOpen = bomMatched > 0;
      }
      if (afterCr) {
        afterCr = false;
        if (ch == '\n') continue;
      }
      if (ch == '\r' || ch == '\n') {
        afterCr = ch == '\r';
        if (finishLine()) {
          out.ok = true;
          return out;
        }
        continue;
      }
      // Lines far beyond the cap are not kept whole in memory.
      if (line.size() <= kMaxResultLineBytes) line.push_back(ch);
      lineOpen = true;
    }
  }
  if (atStart && bomMatched > 0 && bomMatched < 3) {
    line.append(kBom, bomMatched);
    lineOpen = true;
  }
  if (lineOpen) finishLine();
  out.ok = true;
  return out;
}

LoadedLines readResultLines(const std::filesystem::path& path) {
  measurement::BoundedFileReader file(path, kResultFileByteLimit);
  if (!file.isOpen()) return {};
  return readResultLines([&file](char* buffer, std::size_t n) { return file.read(buffer, n); });
}

}  // namespace report
