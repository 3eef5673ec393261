#pragma once
// The report's table of results (the grid `Wyniki` without its widget): four text columns
// (running number, location, field induction, note) and the row count that decides how many
// rows are shown and printed. Rows beyond a smaller count keep their texts and come back
// when the count grows again. Also the rules of the number-of-results field and the reading
// of a data file's lines into the table.
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace report {

inline constexpr int kResultColumns = 4;
using ResultRow = std::array<std::string, kResultColumns>;

// The number-of-results field: 1..500, 10 at the start.
inline constexpr int kMinResultCount = 1;
inline constexpr int kMaxResultCount = 500;
inline constexpr int kInitialResultCount = 10;
// The most lines a data file gives (the count field may show this until it loses the focus).
inline constexpr int kMaxFileLines = 1000;

// The field's value read from its text: an integer (leading blanks, an optional sign, decimal
// digits, within 32 bits); any other text counts as 1, the field's minimum.
int resultCountValue(std::string_view text);
// The value corrected to the nearer limit of 1..500 (on focus loss and on stepping).
int correctedResultCount(int value);

class ResultsTable {
 public:
  // The table holds at most this many result rows: more than a file load can give, so a
  // count typed far beyond the limits (before it is corrected) cannot exhaust memory.
  static constexpr int kMaxRows = kMaxFileLines;

  ResultsTable();  // the starting table: 10 rows numbered 1 to 10

  // Rows including the heading row 0: always 1..kMaxRows + 1.
  int rowCount() const { return rowCount_; }
  int resultCount() const { return rowCount_ - 1; }
  // Clamped to 1..kMaxRows + 1. Never clears a cell.
  void setRowCount(int count);

  // Cell (column, row) of rows 1..kMaxRows, also of hidden rows; "" elsewhere.
  const std::string& cell(int column, int row) const;
  // Ignored outside columns 0..3 and rows 1..kMaxRows.
  void setCell(int column, int row, std::string_view text);

  // The count field changed to n: rowCount = n + 1 (only the heading row for n < 1), and
  // column 0 of rows 1..n numbered "1".."n".
  void SpinEdit1Change(int n);

  // A file's lines: line r (1-based) goes unchanged into column 2 of row r and the row count
  // becomes r + 1, line by line; columns 0, 1 and 3 stay as they are.
  void loadLines(const std::vector<std::string>& lines);

  // Rows 1..resultCount(), as printed.
  std::vector<ResultRow> shownRows() const;

 private:
  int rowCount_ = 1;
  std::vector<ResultRow> rows_;  // rows_[r - 1] is row r; grows, never shrinks
};

// --- reading a data file --------------------------------------------------------------------

inline constexpr const char* kResultFileFilter = "Pliki danych Halvex 2.0|*.HVD";
inline constexpr const char* kResultFileExtension = "*.HVD";
inline constexpr const char* kResultFileErrorText = "Błąd. Nie można odczytac pliku.";

struct LoadedLines {
  std::vector<std::string> lines;  // the lines read, also when reading failed on the way
  bool ok = false;                 // false: the file could not be opened or read
};

// A data line is a dozen characters; a longer one (a file not written by this program) is
// kept up to this many bytes, so a stray binary file cannot exhaust memory.
inline constexpr std::size_t kMaxResultLineBytes = 4096;

// The most a results file is read of: 1000 lines of kMaxResultLineBytes with their CR LF,
// after a byte order mark.
inline constexpr std::uint64_t kResultFileByteLimit =
    3 + std::uint64_t{kMaxFileLines} * (kMaxResultLineBytes + 2);

// Fills up to n bytes and returns how many: 0 at the end of the data, -1 on a read error.
using ByteSource = std::function<long(char* buffer, std::size_t n)>;

// Reads at most kMaxFileLines lines, each unchanged (leading and trailing blanks kept).
// Line ends CR LF, LF or CR; a last line without an end counts, a final line end does not
// start another line; a UTF-8 byte order mark at the start of the file is not part of the
// first line. Nothing beyond line 1000 is read.
LoadedLines readResultLines(const ByteSource& source);
// The same from a file: only a regular file, opened without blocking (a folder, pipe or
// device is a failure, ok false), and no more than its first kResultFileByteLimit bytes.
LoadedLines readResultLines(const std::filesystem::path& path);

}  // namespace report
