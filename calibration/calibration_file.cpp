#include "calibration/calibration_file.h"

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <vector>

#include "measurement/atomic_file.h"
#include "measurement/utf8.h"

namespace calibration {

const std::array<Field, kCalibrationFileLineCount>& CalibrationFileFields() {
  static const std::array<Field, kCalibrationFileLineCount> fields = [] {
    std::array<Field, kCalibrationFileLineCount> f{};
    const Grid axes[3] = {Grid::X, Grid::Y, Grid::Z};
    for (int column = 1; column <= 2; ++column)
      for (int row = 1; row <= 6; ++row)
        for (int axis = 1; axis <= 3; ++axis)
          f[static_cast<std::size_t>(18 * (column - 1) + 3 * (row - 1) + axis - 1)] =
              Cell{axes[axis - 1], column, row};
    std::size_t line = 36;  // index of line 37
    for (int row = 1; row <= 4; ++row) f[line++] = Cell{Grid::S_Faza, 1, row};
    for (Edit e : {Edit::NR, Edit::Wtemp, Edit::OTemp, Edit::WKor, Edit::OKor}) f[line++] = e;
    f[line++] = Cell{Grid::KFILTR, 1, 1};
    f[line++] = Cell{Grid::KFILTR, 2, 1};
    for (int column = 1; column <= 2; ++column)
      for (int row = 3; row <= 6; ++row) f[line++] = Cell{Grid::KFILTR, column, row};
    f[line++] = Cell{Grid::KFILTR, 1, 2};
    f[line++] = Cell{Grid::KFILTR, 2, 2};
    f[line] = Edit::KorekcjaPolowa;
    return f;
  }();
  return fields;
}

// --- code page ----------------------------------------------------------------------------

namespace {

class Converter {
 public:
  Converter(const char* to, const char* from, bool fromUtf8)
      : cd_(::iconv_open(to, from)), fromUtf8_(fromUtf8) {}
  ~Converter() {
    if (ok()) ::iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // What cannot be converted becomes "?", one for each character of the input.
  void convert(std::string_view in, std::string& out) {
    out.clear();
    ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::size_t pos = 0;
    char buf[1024];
    while (pos < in.size()) {
      char* src = const_cast<char*>(in.data() + pos);
      std::size_t srcLeft = in.size() - pos;
      char* dst = buf;
      std::size_t dstLeft = sizeof buf;
      const std::size_t r = ::iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      const int err = errno;
      out.append(buf, static_cast<std::size_t>(dst - buf));
      pos = static_cast<std::size_t>(src - in.data());
      if (r != static_cast<std::size_t>(-1) || err == E2BIG) continue;
      // EILSEQ (no such character) or EINVAL (a sequence cut short at the end).
      out.push_back('?');
      pos += fromUtf8_ ? measurement::Utf8SequenceLength(in, pos) : 1;
    }
  }

 private:
  iconv_t cd_;
  bool fromUtf8_;
};

}  // namespace

bool Utf8ToCp1250(std::string_view utf8, std::string& out) {
  Converter c("WINDOWS-1250", "UTF-8", true);
  if (!c.ok()) return false;
  c.convert(utf8, out);
  return true;
}

bool Cp1250ToUtf8(std::string_view cp1250, std::string& out) {
  Converter c("UTF-8", "WINDOWS-1250", false);
  if (!c.ok()) return false;
  c.convert(cp1250, out);
  return true;
}

// --- saving -------------------------------------------------------------------------------

bool CalibrationFileBytes(const CalibrationData& data, std::string& bytes) {
  Converter c("WINDOWS-1250", "UTF-8", true);
  if (!c.ok()) return false;
  bytes.clear();
  std::string line;
  for (const Field& field : CalibrationFileFields()) {
    c.convert(data.text(field), line);
    for (char& ch : line)
      if (ch == '\r' || ch == '\n') ch = ' ';
    bytes.append(line);
    bytes.append("\r\n");
  }
  return true;
}

bool SaveCalibrationFile(const std::filesystem::path& path, CalibrationData& data) {
  MarkPlaceholderCells(data);
  std::string bytes;
  return CalibrationFileBytes(data, bytes) && measurement::writeFileAtomically(path, bytes);
}

// --- opening ------------------------------------------------------------------------------

namespace {

// Lines from a byte source, each cut to kMaxCalibrationLineBytes.
class LineReader {
 public:
  // Fills up to `size` bytes; returns how many (0 at the end) or −1 on failure.
  using Source = std::function<long(char* buffer, std::size_t size)>;
  enum class Result { Line, End, Error };

  explicit LineReader(Source source) : source_(std::move(source)), buffer_(65536) {}

  // The next line without its end. End: no byte is left, so no line starts here.
  Result next(std::string& line) {
    line.clear();
    int c = get();
    if (c == kEnd) return Result::End;
    for (;; c = get()) {
      if (c == kError) return Result::Error;
      if (c == kEnd || c == '\n') return Result::Line;
      if (c == '\r') {
        const int after = get();
        if (after == kError) return Result::Error;
        if (after != '\n' && after != kEnd) unget();
        return Result::Line;
      }
      if (line.size() < kMaxCalibrationLineBytes) line.push_back(static_cast<char>(c));
    }
  }

 private:
  static constexpr int kEnd = -1;
  static constexpr int kError = -2;

  int get() {
    if (pos_ == fill_) {
      if (failed_) return kError;
      if (ended_) return kEnd;
      const long n = source_(buffer_.data(), buffer_.size());
      if (n < 0) {
        failed_ = true;
        return kError;
      }
      if (n == 0) {
        ended_ = true;
        return kEnd;
      }
      pos_ = 0;
      fill_ = static_cast<std::size_t>(n);
    }
    return static_cast<unsigned char>(buffer_[pos_++]);
  }
  void unget() { --pos_; }  // only right after a get() that returned a byte

  Source source_;
  std::vector<char> buffer_;
  std::size_t pos_ = 0;
  std::size_t fill_ = 0;
  bool ended_ = false;
  bool failed_ = false;
};

bool loadLines(LineReader& reader, CalibrationData& data) {
  Converter c("UTF-8", "WINDOWS-1250", false);
  if (!c.ok()) return false;
  const auto& fields = CalibrationFileFields();
  std::string raw;
  std::string text;
  for (int k = 0; k < kCalibrationFileLineCount - 1; ++k) {
    const LineReader::Result r = reader.next(raw);
    if (r == LineReader::Result::Error) return false;
    c.convert(raw, text);  // a missing line (End) is the empty text
    data.setText(fields[static_cast<std::size_t>(k)], text);
  }
  // The field correction came later than the other lines: a file without it keeps the
  // field as it is.
  const LineReader::Result r = reader.next(raw);
  if (r == LineReader::Result::Error) return false;
  if (r == LineReader::Result::Line) {
    c.convert(raw, text);
    data.setText(fields[kCalibrationFileLineCount - 1], text);
  }
  return true;
}

}  // namespace

bool LoadCalibrationFileBytes(std::string_view bytes, CalibrationData& data) {
  LineReader reader([&bytes](char* buffer, std::size_t size) -> long {
    const std::size_t n = std::min(size, bytes.size());
    std::copy_n(bytes.data(), n, buffer);
    bytes.remove_prefix(n);
    return static_cast<long>(n);
  });
  return loadLines(reader, data);
}

bool OpenCalibrationFile(const std::filesystem::path& path, CalibrationData& data) {
  int fd = -1;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return false;
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  // A folder, a pipe or a device is no calibration file (and /dev/zero would never end).
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  LineReader reader([fd](char* buffer, std::size_t size) -> long {
    for (;;) {
      const ssize_t n = ::read(fd, buffer, size);
      if (n < 0 && errno == EINTR) continue;
      return static_cast<long>(n);
    }
  });
  return loadLines(reader, data);
}

}  // namespace calibration
