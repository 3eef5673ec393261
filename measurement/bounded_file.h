#pragma once
// Reading a file the program is pointed at (a data file, the settings file) without ever
// blocking on it: only a regular file is opened (a pipe would wait for a writer forever, a
// device such as /dev/zero never ends), the open itself does not wait, and no more is read
// than the file's format can hold. Free of the toolkit.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace measurement {

class BoundedFileReader {
 public:
  enum class Status {
    Open,        // a regular file, ready to read
    CannotOpen,  // error() holds errno (ENOENT, EACCES, ...)
    NotRegular,  // a folder, pipe, device or socket: refused without reading
  };

  // Opens `path` for reading when it is (or a link leads to) a regular file; at most `limit`
  // bytes of it will be read. Never blocks.
  BoundedFileReader(const std::filesystem::path& path, std::uint64_t limit);
  ~BoundedFileReader();
  BoundedFileReader(const BoundedFileReader&) = delete;
  BoundedFileReader& operator=(const BoundedFileReader&) = delete;

  Status status() const { return status_; }
  bool isOpen() const { return status_ == Status::Open; }
  // errno of the failed open or of the last failed read; EISDIR for a folder and EINVAL for
  // anything else that is not a regular file; 0 when nothing failed.
  int error() const { return error_; }
  // The file's size when it was opened.
  std::uint64_t size() const { return size_; }

  // Fills up to n bytes and returns how many: 0 at the end of the file or once `limit` bytes
  // were read, -1 on a read error (error() says which).
  long read(char* buffer, std::size_t n);
  // True when the file holds more than `limit` bytes: known at the open from its size, or
  // when a read at the limit found more (a file that grew meanwhile).
  bool cut() const { return cut_; }

 private:
  int fd_ = -1;
  Status status_ = Status::CannotOpen;
  int error_ = 0;
  std::uint64_t limit_;
  std::uint64_t size_ = 0;
  std::uint64_t read_ = 0;
  bool cut_ = false;
};

// The whole of a small file: its first `limit` bytes and how the reading went.
struct BoundedFileContents {
  BoundedFileReader::Status status = BoundedFileReader::Status::CannotOpen;
  int error = 0;            // as BoundedFileReader::error()
  bool readFailed = false;  // opened, but a read failed (error says why)
  bool cut = false;         // more than `limit` bytes: `bytes` holds only the first ones
  std::string bytes;
};
BoundedFileContents readBoundedFile(const std::filesystem::path& path, std::uint64_t limit);

}  // namespace measurement
