#pragma once
// The recordings as sinks of the live session: the window's data-file recording (lines in
// memory, up to the buffer's limit, and in the crash journal), the CSV recording, and the
// logger's data-file stream. Each takes a sample's record line, when it has one.
#include <cstdint>
#include <filesystem>
#include <functional>

#include "measurement/csv_recording.h"
#include "measurement/live_session.h"
#include "measurement/recording.h"
#include "measurement/recording_journal.h"

namespace measurement {

// Lines into the line store (530 with first-screen-only, else 65535) and each stored line
// into the journal.
class LineRecordingSink : public SampleSink {
 public:
  LineRecordingSink(LineStore& lines, RecordingJournal& journal)
      : lines_(lines), journal_(journal) {}
  bool firstScreenOnly = false;
  // The limit is reached: the recording must end now.
  std::function<void()> onFull;
  void sample(const Sample& s) override;

 private:
  LineStore& lines_;
  RecordingJournal& journal_;
};

// Rows of a CSV recording; with first-screen-only it ends at the same count as a data file.
class CsvRecordingSink : public SampleSink {
 public:
  explicit CsvRecordingSink(CsvRecording& csv) : csv_(csv) {}
  bool firstScreenOnly = false;
  std::function<void()> onFull;
  void sample(const Sample& s) override;

 private:
  CsvRecording& csv_;
};

// A data file written as it is recorded: one line per reading, CR LF, no line limit,
// durable at most once a second.
class LineFileRecording : public SampleSink {
 public:
  explicit LineFileRecording(DurableAppender::Clock clock = {}) : appender_(std::move(clock)) {}
  // Creates (or replaces) the file. False with error() set when it cannot be created.
  bool open(const std::filesystem::path& path);
  void sample(const Sample& s) override;
  void poll() { appender_.poll(); }
  // Flushes and closes; false when anything could not be written.
  bool close();
  std::uint64_t lines() const { return lines_; }
  int error() const { return appender_.error(); }

 private:
  DurableAppender appender_;
  std::string line_;
  std::uint64_t lines_ = 0;
};

}  // namespace measurement
