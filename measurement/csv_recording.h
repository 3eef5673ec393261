#pragma once
// Time-stamped CSV recordings, for spreadsheets, Python or MATLAB: a header row, then one
// row per recorded reading (the same readings a data file gets), streamed to disk and made
// durable at most once a second, with no line limit. Free of the toolkit; per row nothing
// is allocated once the row buffer has grown.
#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "measurement/processor.h"
#include "measurement/recording_journal.h"

namespace measurement {

// `comma`: separator ",", decimal "."; `semicolon`: separator ";", decimal "," (what a
// Polish spreadsheet opens directly).
enum class CsvStyle { Comma, Semicolon };
inline constexpr const char* kCsvStyleComma = "comma";
inline constexpr const char* kCsvStyleSemicolon = "semicolon";
// "comma" or "semicolon"; anything else is the default, comma.
CsvStyle csvStyleFromName(std::string_view name);
const char* csvStyleName(CsvStyle style);

inline constexpr std::string_view kCsvColumns[] = {"time",  "value",       "unit", "mode",
                                                   "axis",  "range",       "temperature",
                                                   "x",     "y",           "z"};

// A chosen file name that ends in ".csv" (any case) records CSV.
bool isCsvFileName(std::string_view path);

// The header row, CR LF ended.
std::string csvHeader(CsvStyle style);

// Appends the row of one recorded reading to `out` (CR LF ended): the frame's arrival time
// (local, ISO 8601 with milliseconds and the UTC offset), the recorded text (`line`, as the
// data file would get it) without padding, unit, mode, axis, the effective range, the
// temperature in °C with one decimal (empty without one) and, in vector mode, the three
// components as the readout shows them (empty otherwise).
void appendCsvRow(std::string& out, CsvStyle style, std::chrono::system_clock::time_point arrival,
                  std::string_view line, const MeasurementReading& reading);

// One CSV recording: the header at once, then rows, durable at most once a second.
class CsvRecording {
 public:
  explicit CsvRecording(DurableAppender::Clock clock = {});
  // Creates (or replaces) the file and writes the header. False with error() set when it
  // cannot be created.
  bool open(const std::filesystem::path& path, CsvStyle style);
  // The same on a descriptor already open (standard output); it is closed with the recording.
  bool open(int fd, CsvStyle style);
  bool isOpen() const { return appender_.isOpen(); }
  void add(std::chrono::system_clock::time_point arrival, std::string_view line,
           const MeasurementReading& reading);
  void poll() { appender_.poll(); }
  // Flushes and closes; false when anything could not be written.
  bool close();
  std::uint64_t rows() const { return rows_; }
  int error() const { return appender_.error(); }

 private:
  bool begin(CsvStyle style);

  DurableAppender appender_;
  CsvStyle style_ = CsvStyle::Comma;
  std::string row_;
  std::uint64_t rows_ = 0;
};

}  // namespace measurement
