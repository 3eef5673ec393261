#include "measurement/recording_journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <system_error>

namespace measurement {

namespace {

std::int64_t steadyMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

constexpr std::string_view kPrefix = "recording-";
constexpr std::string_view kSuffix = ".journal";
constexpr std::string_view kAsideSuffix = ".journal.kept";

// "recording-<ms since the epoch>-<pid>.journal" → the start time.
std::optional<std::chrono::system_clock::time_point> startOf(const std::string& name) {
  if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix)) return std::nullopt;
  const char* first = name.data() + kPrefix.size();
  const char* last = name.data() + name.size() - kSuffix.size();
  std::int64_t ms = 0;
  const auto r = std::from_chars(first, last, ms);
  if (r.ec != std::errc() || r.ptr == last || *r.ptr != '-') return std::nullopt;
  return std::chrono::system_clock::time_point(std::chrono::milliseconds(ms));
}

}  // namespace

// --- DurableAppender -------------------------------------------------------------------------

DurableAppender::DurableAppender(Clock clock)
    : clock_(clock ? std::move(clock) : steadyMilliseconds) {
  pending_.reserve(64 * 1024);
}

DurableAppender::~DurableAppender() {
  close();
}

void DurableAppender::attach(int fd) {
  close();
  fd_ = fd;
  error_ = 0;
  pending_.clear();
  lastFlush_ = clock_();
}

bool DurableAppender::create(const std::filesystem::path& path) {
  close();
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) {
    error_ = errno;
    return false;
  }
  attach(fd);
  return true;
}

void DurableAppender::append(std::string_view bytes) {
  if (fd_ < 0 || error_ != 0) return;
  pending_.append(bytes);
  poll();
}

void DurableAppender::poll() {
  if (fd_ < 0 || error_ != 0) return;
  if (clock_() - lastFlush_ >= kFlushIntervalMs) flush();
}

bool DurableAppender::flush() {
  if (fd_ < 0) return error_ == 0;
  if (error_ != 0) return false;
  lastFlush_ = clock_();
  std::size_t done = 0;
  while (done < pending_.size()) {
    const ssize_t n = ::write(fd_, pending_.data() + done, pending_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error_ = n < 0 ? errno : EIO;
      pending_.clear();
      // What is on disk ends with the last whole piece appended, never inside one.
      if (done > 0) {
        const off_t end = ::lseek(fd_, 0, SEEK_END);
        if (end >= static_cast<off_t>(done)) {
          [[maybe_unused]] const int r = ::ftruncate(fd_, end - static_cast<off_t>(done));
        }
      }
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  pending_.clear();
  if (done > 0 && ::fdatasync(fd_) != 0 && errno != EINVAL) {
    error_ = errno;
    return false;
  }
  return true;
}

void DurableAppender::close() {
  if (fd_ < 0) return;
  flush();
  ::close(fd_);
  fd_ = -1;
}

// --- where journals live ---------------------------------------------------------------------

std::filesystem::path journalFolder() {
  const char* xdg = std::getenv("XDG_STATE_HOME");
  std::filesystem::path base;
  if (xdg && *xdg && std::filesystem::path(xdg).is_absolute()) {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    base = std::filesystem::path(home && *home ? home : "/") / ".local" / "state";
  }
  return base / "Vantorel" / "Halvex";
}

// --- RecordingJournal ------------------------------------------------------------------------

RecordingJournal::RecordingJournal(DurableAppender::Clock clock) : appender_(std::move(clock)) {}

RecordingJournal::~RecordingJournal() {
  // A journal whose recording was not finished stays for the next start.
  appender_.close();
}

bool RecordingJournal::start(std::chrono::system_clock::time_point startedAt) {
  finish();
  error_ = 0;
  const std::filesystem::path folder = journalFolder();
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    error_ = ec.value();
    return false;
  }
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(startedAt.time_since_epoch()).count();
  path_ = folder / (std::string(kPrefix) + std::to_string(ms) + "-" + std::to_string(::getpid()) +
                    std::string(kSuffix));
  const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) {
    error_ = errno;
    path_.clear();
    return false;
  }
  // Held for as long as the descriptor is open: dies with the process, whatever ends it.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    error_ = errno;
    ::close(fd);
    ::unlink(path_.c_str());
    path_.clear();
    return false;
  }
  appender_.attach(fd);
  return true;
}

void RecordingJournal::append(std::string_view line) {
  if (!appender_.isOpen()) return;
  appender_.append(line);
  appender_.append("\r\n");
}

void RecordingJournal::finish() {
  if (path_.empty()) return;
  appender_.close();
  ::unlink(path_.c_str());
  path_.clear();
}

void RecordingJournal::abandon() {
  appender_.close();
  path_.clear();
}

// --- LeftoverJournal -------------------------------------------------------------------------

LeftoverJournal::LeftoverJournal(std::filesystem::path path,
                                 std::chrono::system_clock::time_point startedAt, int lockFd)
    : path_(std::move(path)), startedAt_(startedAt), lockFd_(lockFd) {}

LeftoverJournal::LeftoverJournal(LeftoverJournal&& other) noexcept
    : path_(std::move(other.path_)), startedAt_(other.startedAt_), lockFd_(other.lockFd_) {
  other.lockFd_ = -1;
}

LeftoverJournal::~LeftoverJournal() {
  if (lockFd_ >= 0) ::close(lockFd_);
}

std::optional<LeftoverJournal> LeftoverJournal::findOldest(const std::filesystem::path& folder) {
  std::error_code ec;
  std::optional<LeftoverJournal> oldest;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    const auto started = startOf(name);
    if (!started || !entry.is_regular_file(ec)) continue;
    if (oldest && *started >= oldest->startedAt_) continue;
    const int fd = ::open(entry.path().c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    // Locked: its recording still runs in another program.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      continue;
    }
    oldest.reset();
    oldest.emplace(LeftoverJournal(entry.path(), *started, fd));
  }
  return oldest;
}

ReadResult LeftoverJournal::read(LineStore& store) const {
  return readDataFile(path_, store);
}

void LeftoverJournal::remove() {
  ::unlink(path_.c_str());
}

void LeftoverJournal::setAside() {
  std::filesystem::path aside = path_;
  aside.replace_extension();
  aside += std::string(kAsideSuffix);
  std::error_code ec;
  std::filesystem::rename(path_, aside, ec);
}

}  // namespace measurement
