#include "measurement/recording_sinks.h"

namespace measurement {

void LineRecordingSink::sample(const Sample& s) {
  if (s.recordLine.empty()) return;
  const std::size_t before = lines_.LineCount();
  const bool full = lines_.appendRecordedLine(s.recordLine, firstScreenOnly);
  if (lines_.LineCount() > before) journal_.append(s.recordLine);
  if (full && onFull) onFull();
}

void CsvRecordingSink::sample(const Sample& s) {
  if (s.recordLine.empty()) return;
  csv_.add(s.arrival, s.recordLine, s.reading);
  // The first-screen option ends a CSV recording at the data file's count; else no limit.
  if (firstScreenOnly && csv_.rows() >= recordingLineLimit(true) && onFull) onFull();
}

bool LineFileRecording::open(const std::filesystem::path& path) {
  close();
  lines_ = 0;
  return appender_.create(path);
}

void LineFileRecording::sample(const Sample& s) {
  if (s.recordLine.empty() || !appender_.isOpen()) return;
  line_.assign(s.recordLine);
  line_ += "\r\n";
  appender_.append(line_);
  ++lines_;
}

bool LineFileRecording::close() {
  if (!appender_.isOpen()) return error() == 0;
  appender_.close();
  return appender_.error() == 0;
}

}  // namespace measurement
