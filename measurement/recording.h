#pragma once
// Recording readings as text lines, data files (HVD: one formatted value per line, CR LF)
// and the replay of a file's values in the strip chart. Free of the toolkit; the main
// window's handlers call these and show the messages.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace measurement {

inline constexpr const char* kWriteErrorText = "Błąd. Nie można zapisać do pliku.";
inline constexpr const char* kReadErrorText = "Błąd. Nie można odczytac pliku.";
// Shown once when a data file holds more than the buffer (more lines than it keeps, or more
// bytes than such lines can take): its beginning is replayed.
inline constexpr const char* kFileTruncatedText =
    "Plik jest za duży. Wczytano tylko jego początek (najwyżej 65535 wierszy).";

// Recording limits: with "Zapisuj tylko pierwszy ekran." checked, else the buffer's size.
inline constexpr std::size_t kFirstScreenLineLimit = 530;
inline constexpr std::size_t kLineCapacity = 65535;
constexpr std::size_t recordingLineLimit(bool firstScreenOnly) {
  return firstScreenOnly ? kFirstScreenLineLimit : kLineCapacity;
}

// Value of one data-file line: every blank (space, tab) removed, then the valid leading part
// of a decimal number with "." and an optional exponent ("12,5" → 12, "- 12.345" → −12.345,
// "1e" → 1). No leading digit (empty, text, "nan", binary) → 0; a leading UTF-8 BOM is
// skipped; a result that is not finite (overflow such as "1e999") → 0.
double ParseLineValue(std::string_view line);

// The main window's line buffer: LineBuffer (65535 lines, 1-based), LineCount and
// ReplayValues. Lines are kept in one contiguous text block with offsets, so a full buffer
// of data lines stays near 1 MB.
class LineStore {
 public:
  // A data line is 7 to 12 characters; longer lines (not written by this program) are cut
  // here so that a 65535-line buffer stays bounded (about 8 MB at worst).
  static constexpr std::size_t kMaxLineLength = 120;

  LineStore();

  std::size_t LineCount() const { return offsets_.size() - 1; }
  // Line i of LineBuffer (1..LineCount); empty outside that range.
  std::string_view Line(std::size_t i) const;
  // Appends one line (cut to kMaxLineLength); false, and nothing stored, when full.
  bool AppendLine(std::string_view line);
  // LineCount = 0. ReplayValues keep the last opened file's values.
  void Clear();

  // The recording step: stores `line` as the next line and returns true when LineCount has
  // reached the limit (530 with first-screen-only, else 65535), i.e. recording must end now.
  // A full buffer stores nothing and returns true.
  bool appendRecordedLine(std::string_view line, bool firstScreenOnly);
  // Same with the value formatted as the display shows it (PadMinusSign(FormatByRange)),
  // without allocating.
  bool appendRecordedValue(int rangeIndex, double value, bool firstScreenOnly);

  // Lines 1..LineCount → ReplayValues with the replay smoothing:
  // FilterState = value(line 1); per line s = v − e^(−FilterConstant)·(v − s).
  // With no lines, ReplayValues become empty and FilterState is left as it is.
  void ParseReplayData(double FilterConstant, double& FilterState);
  // ReplayValues entry i (1-based); 0 outside 1..ReplayCount.
  double ReplayValue(std::size_t i) const;
  std::size_t ReplayCount() const { return replay_.size(); }
  // Entries 1..ReplayCount as a 0-based span.
  std::span<const double> ReplayValues() const { return replay_; }

  // Bytes held by the buffer (text, offsets, values), for the memory figure.
  std::size_t memoryBytes() const;

 private:
  std::string text_;                    // all lines back to back
  std::vector<std::uint32_t> offsets_;  // line i is text_[offsets_[i-1] .. offsets_[i])
  std::vector<double> replay_;
};

// The most a data file can hold: 65535 lines of at most LineStore::kMaxLineLength
// characters with their CR LF, after a byte order mark. No more of a file is read.
inline constexpr std::uint64_t kDataFileByteLimit =
    3 + std::uint64_t{kLineCapacity} * (LineStore::kMaxLineLength + 2);

// Replay window for ShowReplayWindow(start): values first..last of ReplayValues are added
// to the chart in order (the chart's ring keeps the newest W − 2 of them). The computation
// follows the program's rule: last = start + W − 2 when W − 2 < LineCount − start, else
// LineCount − start. Sound rules where that one leaves the file: start is brought into
// 1..LineCount, and last is never below start (a one-line file draws its single value);
// an empty file gives an empty window (the chart is only cleared).
struct ReplayWindow {
  std::size_t first = 0;
  std::size_t last = 0;
  bool empty() const { return last == 0; }
  std::size_t count() const { return empty() ? 0 : last - first + 1; }
};
ReplayWindow replayWindow(std::size_t lineCount, std::size_t start, int chartWidth);

// The replay scroll bar after opening a file: shown when LineCount > W − 2, with the range
// 1..maximum, maximum = LineCount − (W − 1) (at least 1). When not needed the window hides
// a scroll bar left by an earlier, longer file. Its position is set to 1 either way.
struct ReplayScrollBar {
  bool visible = false;
  int maximum = 1;
};
ReplayScrollBar replayScrollBar(std::size_t lineCount, int chartWidth);

// ShowReplayWindow(start) on a chart (TWykres or WykresModel): Clear, automatic scaling
// held off while the window's values are added and restored for the last one, so the range
// is computed once; painting is deferred to the end (same final picture).
template <class Chart>
void ShowReplayWindow(Chart& chart, const LineStore& store, std::size_t start, int chartWidth) {
  const ReplayWindow win = replayWindow(store.ReplayCount(), start, chartWidth);
  chart.BeginBatch();
  chart.Clear();
  const bool wasAuto = chart.AutoSkala();
  if (wasAuto) {
    chart.SetAutoSkala(false);
    chart.SetMax(chart.Min() + 0.0001);
  }
  if (!win.empty()) {
    for (std::size_t i = win.first; i < win.last; ++i) chart.AddPoint(store.ReplayValue(i));
  }
  if (wasAuto) chart.SetAutoSkala(true);
  if (!win.empty()) chart.AddPoint(store.ReplayValue(win.last));
  chart.EndBatch();
}

// --- data files ---------------------------------------------------------------------------

// Writes lines, each followed by CR LF, atomically: into a new file beside the target,
// flushed to disk, then renamed over it. False on any failure; the previous file (if any)
// is then left untouched and no temporary file remains.
bool writeDataFile(const std::filesystem::path& path, const LineStore& store);
bool writeDataFile(const std::filesystem::path& path, std::span<const std::string> lines);

// The number of downloaded results for the next-request address: (ResultAddress − 100) div 3,
// 0 below 100, at most tableSize.
std::size_t downloadedResultCount(unsigned resultAddress, std::size_t tableSize = 1000);
// Writes entries 1..n of the downloaded results table (table[0] is entry 1; n is cut to the
// table's size) as a data file, atomically as writeDataFile.
bool WriteDownloadedResults(const std::filesystem::path& path, std::span<const std::string> table,
                            std::size_t n);

struct ReadResult {
  bool ok = false;         // false: the file could not be opened or read (kReadErrorText)
  bool truncated = false;  // more than 65535 lines or kDataFileByteLimit bytes: cut there
  std::size_t lineCount = 0;
  int error = 0;               // errno of the failure
  bool linesReplaced = false;  // the store's lines were replaced (the file could be opened)
};
// Replaces the store's lines by the file's lines (at most 65535, from the first
// kDataFileByteLimit bytes). Line ends CR LF, LF or CR alone; a UTF-8 BOM at the start is
// skipped; a last line without an end counts, a final line end does not start another line.
// Only a regular file is read, and opening never blocks: a folder, pipe or device is a
// failure (nothing read, the store untouched). On a read error the lines read so far stay.
ReadResult readDataFile(const std::filesystem::path& path, LineStore& store);

}  // namespace measurement
