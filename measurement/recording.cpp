#include "measurement/recording.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

#include "link/result_address.h"
#include "measurement/atomic_file.h"
#include "measurement/bounded_file.h"
#include "measurement/formatting.h"
#include "measurement/user_number.h"

namespace measurement {

// --- line values ---------------------------------------------------------------------------

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

// The line without its blanks, read by the one number scanner with "." only.
double parseWithoutBlanks(std::string_view in, char* out) {
  std::size_t n = 0;
  for (const char c : in)
    if (!isBlank(c)) out[n++] = c;
  return scanNumber(std::string_view(out, n), DecimalComma::No, false).value;
}

}  // namespace

double ParseLineValue(std::string_view line) {
  if (line.size() >= 3 && line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
  // The copied number is never longer than the line itself.
  char small[256];
  if (line.size() < sizeof small) return parseWithoutBlanks(line, small);
  std::string big(line.size() + 1, '\0');
  return parseWithoutBlanks(line, big.data());
}

// --- LineStore -----------------------------------------------------------------------------

LineStore::LineStore() : offsets_{0} {}

std::string_view LineStore::Line(std::size_t i) const {
  if (i < 1 || i > LineCount()) return {};
  return std::string_view(text_).substr(offsets_[i - 1], offsets_[i] - offsets_[i - 1]);
}

bool LineStore::AppendLine(std::string_view line) {
  if (LineCount() >= kLineCapacity) return false;
  if (line.size() > kMaxLineLength) line = line.substr(0, kMaxLineLength);
  text_.append(line);
  offsets_.push_back(static_cast<std::uint32_t>(text_.size()));
  return true;
}

void LineStore::Clear() {
  text_.clear();
  offsets_.resize(1);
}

bool LineStore::appendRecordedLine(std::string_view line, bool firstScreenOnly) {
  if (!AppendLine(line)) return true;
  // ">=" rather than "==": ticking the first-screen box after line 530 still ends at once.
  return LineCount() >= recordingLineLimit(firstScreenOnly);
}

bool LineStore::appendRecordedValue(int rangeIndex, double value, bool firstScreenOnly) {
  FixedText text;
  FormatByRangeInto(rangeIndex, value, true, text);
  return appendRecordedLine(text.view(), firstScreenOnly);
}

void LineStore::ParseReplayData(double FilterConstant, double& FilterState) {
  const std::size_t n = LineCount();
  replay_.resize(n);
  if (n == 0) return;
  const double factor = std::exp(-FilterConstant);
  FilterState = ParseLineValue(Line(1));
  for (std::size_t i = 1; i <= n; ++i) {
    const double v = ParseLineValue(Line(i));
    FilterState = v - factor * (v - FilterState);
    replay_[i - 1] = FilterState;
  }
}

double LineStore::ReplayValue(std::size_t i) const {
  if (i < 1 || i > replay_.size()) return 0.0;
  return replay_[i - 1];
}

std::size_t LineStore::memoryBytes() const {
  return sizeof(*this) + text_.capacity() + offsets_.capacity() * sizeof(std::uint32_t) +
         replay_.capacity() * sizeof(double);
}

// --- replay window -------------------------------------------------------------------------

ReplayWindow replayWindow(std::size_t lineCount, std::size_t start, int chartWidth) {
  if (lineCount == 0) return {};
  const long long n = static_cast<long long>(lineCount);
  const long long s = std::clamp<long long>(static_cast<long long>(start), 1, n);
  const long long span = static_cast<long long>(chartWidth) - 2;
  long long last = 0;
  if (span < n - s) {
    last = s + span;
  } else {
    // The file ends inside the chart. For start 1 this is the program's LineCount − start;
    // for a later start it still ends at line LineCount − 1 instead of before start.
    last = std::max(n - 1, s);
  }
  last = std::clamp(last, s, n);
  return {static_cast<std::size_t>(s), static_cast<std::size_t>(last)};
}

ReplayScrollBar replayScrollBar(std::size_t lineCount, int chartWidth) {
  const long long n = static_cast<long long>(lineCount);
  ReplayScrollBar bar;
  bar.visible = n > static_cast<long long>(chartWidth) - 2;
  if (bar.visible) {
    bar.maximum = static_cast<int>(std::max<long long>(1, n - (chartWidth - 1)));
  }
  return bar;
}

// --- writing -------------------------------------------------------------------------------

namespace {

// Every line followed by CR LF, written in one piece.
bool writeLinesAtomically(const std::filesystem::path& path, std::size_t count,
                          const std::function<std::string_view(std::size_t)>& lineAt) {
  std::string content;
  std::size_t total = 0;
  for (std::size_t i = 0; i < count; ++i) total += lineAt(i).size() + 2;
  content.reserve(total);
  for (std::size_t i = 0; i < count; ++i) {
    content.append(lineAt(i));
    content.append("\r\n");
  }
  return writeFileAtomically(path, content);
}

}  // namespace

bool writeDataFile(const std::filesystem::path& path, const LineStore& store) {
  return writeLinesAtomically(path, store.LineCount(),
                              [&store](std::size_t i) { return store.Line(i + 1); });
}

bool writeDataFile(const std::filesystem::path& path, std::span<const std::string> lines) {
  return writeLinesAtomically(path, lines.size(),
                              [lines](std::size_t i) { return std::string_view(lines[i]); });
}

std::size_t downloadedResultCount(unsigned resultAddress, std::size_t tableSize) {
  return std::min(devlink::ResultsBelow(resultAddress), tableSize);
}

bool WriteDownloadedResults(const std::filesystem::path& path, std::span<const std::string> table,
                            std::size_t n) {
  return writeDataFile(path, table.first(std::min(n, table.size())));
}

// --- reading -------------------------------------------------------------------------------

ReadResult readDataFile(const std::filesystem::path& path, LineStore& store) {
  ReadResult result;
  BoundedFileReader file(path, kDataFileByteLimit);
  if (!file.isOpen()) {
    result.error = file.error();
    return result;
  }
  store.Clear();
  result.linesReplaced = true;

  // The first line may begin with a BOM, which is cut after the line is complete.
  constexpr std::size_t kKeep = LineStore::kMaxLineLength + 3;
  std::string line;
  line.reserve(kKeep);
  bool lineOpen = false;
  bool afterCr = false;
  bool full = false;
  bool firstLine = true;
  auto finishLine = [&]() {
    std::string_view text = line;
    if (firstLine && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    firstLine = false;
    store.AppendLine(text);
    line.clear();
    lineOpen = false;
  };
  // A further line begins: refuse it when the buffer is full.
  auto openLine = [&]() {
    if (store.LineCount() >= kLineCapacity) {
      full = true;
      return false;
    }
    lineOpen = true;
    return true;
  };

  char chunk[65536];
  bool ok = true;
  while (!full) {
    const long got = file.read(chunk, sizeof chunk);
    if (got < 0) {
      result.error = file.error();
      ok = false;
      break;
    }
    if (got == 0) break;
    for (long k = 0; k < got && !full; ++k) {
      const char c = chunk[k];
      if (afterCr) {
        afterCr = false;
        if (c == '\n') continue;  // CR LF is one line end
      }
      if (c == '\r' || c == '\n') {
        if (!lineOpen && !openLine()) break;
        finishLine();
        afterCr = c == '\r';
      } else {
        if (!lineOpen && !openLine()) break;
        if (line.size() < kKeep) line.push_back(c);
      }
    }
  }
  if (ok && lineOpen) finishLine();
  result.ok = ok;
  result.truncated = full || file.cut();
  result.lineCount = store.LineCount();
  return result;
}

}  // namespace measurement
