#include "measurement/bounded_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace measurement {

namespace {

int notRegularError(mode_t mode) {
  return S_ISDIR(mode) ? EISDIR : EINVAL;
}

}  // namespace

BoundedFileReader::BoundedFileReader(const std::filesystem::path& path, std::uint64_t limit)
    : limit_(limit) {
  // Looked at before opening, so that a device is not even opened (opening some has effects
  // of its own); looked at again on the descriptor in case the path changed in between.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    error_ = errno;
    return;
  }
  if (!S_ISREG(st.st_mode)) {
    status_ = Status::NotRegular;
    error_ = notRegularError(st.st_mode);
    return;
  }
  // O_NONBLOCK: a pipe put in the file's place meanwhile must not stop the open.
  int fd = -1;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    error_ = errno;
    return;
  }
  if (::fstat(fd, &st) != 0) {
    error_ = errno;
    ::close(fd);
    return;
  }
  if (!S_ISREG(st.st_mode)) {
    status_ = Status::NotRegular;
    error_ = notRegularError(st.st_mode);
    ::close(fd);
    return;
  }
  fd_ = fd;
  status_ = Status::Open;
  size_ = static_cast<std::uint64_t>(st.st_size);
  cut_ = size_ > limit_;
}

BoundedFileReader::~BoundedFileReader() {
  if (fd_ >= 0) ::close(fd_);
}

long BoundedFileReader::read(char* buffer, std::size_t n) {
  if (fd_ < 0) return -1;
  if (read_ >= limit_) {
    // At the limit: one more byte tells whether the file goes on.
    if (!cut_) {
      char probe = 0;
      ssize_t got = -1;
      do {
        got = ::read(fd_, &probe, 1);
      } while (got < 0 && errno == EINTR);
      if (got > 0) cut_ = true;
    }
    return 0;
  }
  const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(n, limit_ - read_));
  for (;;) {
    const ssize_t got = ::read(fd_, buffer, want);
    if (got >= 0) {
      read_ += static_cast<std::uint64_t>(got);
      return static_cast<long>(got);
    }
    if (errno != EINTR) {
      error_ = errno;
      return -1;
    }
  }
}

BoundedFileContents readBoundedFile(const std::filesystem::path& path, std::uint64_t limit) {
  BoundedFileReader file(path, limit);
  BoundedFileContents out;
  out.status = file.status();
  out.error = file.error();
  if (!file.isOpen()) return out;
  out.bytes.resize(static_cast<std::size_t>(std::min(file.size(), limit)));
  std::size_t filled = 0;
  for (;;) {
    if (filled == out.bytes.size()) {
      // A file that grew since the open: a little more room, never past the limit.
      if (filled >= limit) {
        char none = 0;
        file.read(&none, 1);  // at the limit: only finds out whether the file goes on
        break;
      }
      out.bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(filled + 65536, limit)));
    }
    const long got = file.read(out.bytes.data() + filled, out.bytes.size() - filled);
    if (got < 0) {
      out.readFailed = true;
      out.error = file.error();
      break;
    }
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
  }
  out.bytes.resize(filled);
  out.cut = file.cut();
  return out;
}

}  // namespace measurement
