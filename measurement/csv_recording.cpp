#include "measurement/csv_recording.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <ctime>

#include "measurement/formatting.h"

namespace measurement {

namespace {

constexpr std::string_view kUnits[] = {"mT", "kA/m", "Gs"};
constexpr std::string_view kModes[] = {"DC", "50 Hz", "AC"};
constexpr std::string_view kAxes[] = {"X", "Y", "Z", "vector"};

template <std::size_t N>
std::string_view nameOf(const std::string_view (&names)[N], unsigned index) {
  return index < N ? names[index] : std::string_view{};
}

char separatorOf(CsvStyle style) {
  return style == CsvStyle::Semicolon ? ';' : ',';
}

// One field, quoted as RFC 4180 asks when it holds the separator, a quote or a line end.
void appendField(std::string& out, std::string_view field, CsvStyle style, bool first = false) {
  if (!first) out.push_back(separatorOf(style));
  const char specials[] = {separatorOf(style), '"', '\r', '\n', '\0'};
  if (field.find_first_of(specials) == std::string_view::npos) {
    out.append(field);
    return;
  }
  out.push_back('"');
  for (char c : field) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
}

// A number as text, its decimal point as the style has it.
void appendNumber(std::string& out, std::string_view number, CsvStyle style) {
  out.push_back(separatorOf(style));
  for (char c : number) out.push_back(c == '.' && style == CsvStyle::Semicolon ? ',' : c);
}

// "  12.345" → "12.345", "- 12.345" → "-12.345".
std::string_view unpadded(std::string_view text, FixedText& scratch) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  text.remove_prefix(first);
  if (text.size() >= 2 && text[0] == '-' && text[1] == ' ') {
    scratch.buf[0] = '-';
    std::size_t n = 1;
    for (char c : text.substr(1))
      if (c != ' ' && n < scratch.buf.size()) scratch.buf[n++] = c;
    scratch.len = n;
    return scratch.view();
  }
  return text;
}

void appendTime(std::string& out, std::chrono::system_clock::time_point t) {
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
  const std::time_t seconds = static_cast<std::time_t>(ms / 1000 - (ms % 1000 < 0 ? 1 : 0));
  const int millis = static_cast<int>(((ms % 1000) + 1000) % 1000);
  std::tm local{};
  localtime_r(&seconds, &local);
  char buf[40];
  std::size_t n = std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &local);
  const long offset = local.tm_gmtoff / 60;
  const long h = (offset < 0 ? -offset : offset) / 60, m = (offset < 0 ? -offset : offset) % 60;
  n += static_cast<std::size_t>(std::snprintf(buf + n, sizeof buf - n, ".%03d%c%02ld:%02ld", millis,
                                              offset < 0 ? '-' : '+', h, m));
  out.append(buf, n);
}

}  // namespace

CsvStyle csvStyleFromName(std::string_view name) {
  return name == kCsvStyleSemicolon ? CsvStyle::Semicolon : CsvStyle::Comma;
}

const char* csvStyleName(CsvStyle style) {
  return style == CsvStyle::Semicolon ? kCsvStyleSemicolon : kCsvStyleComma;
}

bool isCsvFileName(std::string_view path) {
  if (path.size() < 4) return false;
  const std::string_view end = path.substr(path.size() - 4);
  return end[0] == '.' && (end[1] | 0x20) == 'c' && (end[2] | 0x20) == 's' &&
         (end[3] | 0x20) == 'v';
}

std::string csvHeader(CsvStyle style) {
  std::string out;
  bool first = true;
  for (std::string_view column : kCsvColumns) {
    appendField(out, column, style, first);
    first = false;
  }
  out.append("\r\n");
  return out;
}

void appendCsvRow(std::string& out, CsvStyle style, std::chrono::system_clock::time_point arrival,
                  std::string_view line, const MeasurementReading& reading) {
  FixedText scratch;
  appendTime(out, arrival);
  appendNumber(out, unpadded(line, scratch), style);
  appendField(out, nameOf(kUnits, reading.unit), style);
  appendField(out, nameOf(kModes, reading.measuringMode), style);
  appendField(out, nameOf(kAxes, reading.axis), style);
  const int r = reading.effectiveRange();
  char number[32];
  auto res = std::to_chars(number, number + sizeof number, r);
  appendField(out, std::string_view(number, static_cast<std::size_t>(res.ptr - number)), style);
  if (reading.temperatureRaw != kNoTemperature) {
    res = std::to_chars(number, number + sizeof number, reading.temperatureRaw / 10.0,
                        std::chars_format::fixed, 1);
    appendNumber(out, std::string_view(number, static_cast<std::size_t>(res.ptr - number)), style);
  } else {
    out.push_back(separatorOf(style));
  }
  for (int i = 0; i < 3; ++i) {
    if (reading.axis != 3) {
      out.push_back(separatorOf(style));
      continue;
    }
    // As the readout shows them: Y shows 200 itself, X and Z stop below it.
    const double c = ScaleByRange(r, reading.componentRaw[static_cast<std::size_t>(i)]);
    const bool inRange = c > -200.0 && (i == 1 ? c <= 200.0 : c < 200.0);
    if (!inRange) {
      appendField(out, kOverrangeText, style);
      continue;
    }
    FixedText text;
    FormatByRangeInto(r, c, false, text);
    appendNumber(out, unpadded(text.view(), scratch), style);
  }
  out.append("\r\n");
}

CsvRecording::CsvRecording(DurableAppender::Clock clock) : appender_(std::move(clock)) {
  row_.reserve(256);
}

bool CsvRecording::open(const std::filesystem::path& path, CsvStyle style) {
  close();
  return appender_.create(path) && begin(style);
}

bool CsvRecording::open(int fd, CsvStyle style) {
  close();
  appender_.attach(fd);
  return begin(style);
}

bool CsvRecording::begin(CsvStyle style) {
  rows_ = 0;
  style_ = style;
  appender_.append(csvHeader(style));
  return appender_.flush();
}

void CsvRecording::add(std::chrono::system_clock::time_point arrival, std::string_view line,
                       const MeasurementReading& reading) {
  if (!appender_.isOpen()) return;
  row_.clear();
  appendCsvRow(row_, style_, arrival, line, reading);
  appender_.append(row_);
  ++rows_;
}

bool CsvRecording::close() {
  if (!appender_.isOpen()) return error() == 0;
  appender_.close();
  return appender_.error() == 0;
}

}  // namespace measurement
