#pragma once
// A running recording survives a crash, a logout or a flat battery: its lines also go to a
// journal in the state folder, made durable at most once a second, and a journal left behind
// by a program that ended without stopping its recording is found at the next start.
// Free of the toolkit.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "measurement/recording.h"

namespace measurement {

// Appends bytes to a file and makes them durable at most once a second: one write and one
// fdatasync per flush, not per line. What could not be written stays the caller's (the
// recording in memory is never touched); the first failure is kept for the caller to report
// once, and nothing more is attempted after it.
class DurableAppender {
 public:
  // Milliseconds on a monotonic clock.
  using Clock = std::function<std::int64_t()>;
  static constexpr int kFlushIntervalMs = 1000;

  explicit DurableAppender(Clock clock = {});
  ~DurableAppender();
  DurableAppender(const DurableAppender&) = delete;
  DurableAppender& operator=(const DurableAppender&) = delete;

  // Takes over an open descriptor (appended to, closed by this object).
  void attach(int fd);
  // Creates (or empties) the file and appends to it. False, with error() set, when it
  // cannot be created.
  bool create(const std::filesystem::path& path);
  bool isOpen() const { return fd_ >= 0; }
  // Keeps the bytes and flushes when a second has passed since the last flush.
  void append(std::string_view bytes);
  // Flushes when a second has passed; call it now and then while nothing is appended.
  void poll();
  // Writes what waits and syncs it now. False once anything failed.
  bool flush();
  // Flushes and closes.
  void close();
  // errno of the first failure, 0 while none.
  int error() const { return error_; }

 private:
  Clock clock_;
  int fd_ = -1;
  std::string pending_;
  std::int64_t lastFlush_ = 0;
  int error_ = 0;
};

// Where journals live: $XDG_STATE_HOME/Vantorel/Halvex (default ~/.local/state/Vantorel/Halvex).
std::filesystem::path journalFolder();

// The journal of one running recording. Its name holds the recording's start (milliseconds
// since the epoch) and the process; the file is locked (flock) while its recording runs, so a
// second program running at the same time never takes it for one left behind.
class RecordingJournal {
 public:
  explicit RecordingJournal(DurableAppender::Clock clock = {});
  ~RecordingJournal();
  RecordingJournal(const RecordingJournal&) = delete;
  RecordingJournal& operator=(const RecordingJournal&) = delete;

  // Creates the journal of a recording that starts now. False (and error() set) when it
  // cannot be created; the recording runs on without it.
  bool start(std::chrono::system_clock::time_point startedAt);
  bool active() const { return appender_.isOpen(); }
  // One recorded line (CR LF is added).
  void append(std::string_view line);
  void poll() { appender_.poll(); }
  // The recording ended and its data file is written: the journal goes.
  void finish();
  // The recording ended without its data file: the journal stays, to be offered at the next
  // start.
  void abandon();
  int error() const { return error_ ? error_ : appender_.error(); }
  const std::filesystem::path& path() const { return path_; }

 private:
  DurableAppender appender_;
  std::filesystem::path path_;
  int error_ = 0;
};

// A journal that no running program holds: the recording it belongs to never ended. Holds the
// journal's lock while it lives, so it is offered by one program only.
class LeftoverJournal {
 public:
  // The oldest journal left behind in `folder`, if any.
  static std::optional<LeftoverJournal> findOldest(const std::filesystem::path& folder);
  LeftoverJournal(LeftoverJournal&& other) noexcept;
  LeftoverJournal& operator=(LeftoverJournal&&) = delete;
  ~LeftoverJournal();

  std::chrono::system_clock::time_point startedAt() const { return startedAt_; }
  const std::filesystem::path& path() const { return path_; }
  // Its lines, as far as they were made durable (a last line cut by the crash is dropped).
  ReadResult read(LineStore& store) const;
  // Deletes it.
  void remove();
  // Keeps it under another name that is never offered again.
  void setAside();

 private:
  LeftoverJournal(std::filesystem::path path, std::chrono::system_clock::time_point startedAt,
                  int lockFd);
  std::filesystem::path path_;
  std::chrono::system_clock::time_point startedAt_;
  int lockFd_ = -1;
};

}  // namespace measurement
