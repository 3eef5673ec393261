#include "measurement/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

namespace measurement {

namespace {

bool writeAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t w = ::write(fd, data, size);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (w == 0) return false;
    data += w;
    size -= static_cast<std::size_t>(w);
  }
  return true;
}

}  // namespace

bool writeFileAtomically(const std::filesystem::path& path, std::string_view content) {
  namespace fs = std::filesystem;
  if (path.empty() || !path.has_filename()) return false;
  fs::path target = path;
  std::error_code ec;
  if (fs::is_symlink(path, ec)) {
    // Replace the file the link points to, not the link.
    fs::path resolved = fs::canonical(path, ec);
    if (!ec) target = resolved;
  }

  static std::atomic<unsigned> serial{0};
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  fs::path temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    std::string name = ".";
    name.append(target.filename().string());
    name.append(".tmp");
    name.append(std::to_string(::getpid()));
    name.push_back('-');
    name.append(std::to_string(serial.fetch_add(1)));
    temp = folder / name;
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;

  struct stat old {};
  if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    ::fchmod(fd, old.st_mode & 07777);  // keep the permissions of the file replaced
  }
  bool ok = writeAll(fd, content.data(), content.size());
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  // Make the rename itself durable; a failure here does not undo the finished write.
  const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
  return true;
}

}  // namespace measurement
