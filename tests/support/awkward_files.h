#pragma once
// Files that must never stop the program that opens them, for the tests of everything that
// reads a file it is pointed at: a pipe nobody writes to (opening it waits for a writer), a
// link to /dev/zero (never ends), a huge sparse file without a line end. And a time bound
// for such a test: past it the test process ends with a failure, so the test fails instead
// of hanging (each test case runs as a process of its own under ctest).
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace testutil {

enum class AwkwardFile { Fifo, DevZero, Huge };

inline const char* awkwardName(AwkwardFile kind) {
  switch (kind) {
    case AwkwardFile::Fifo:
      return "Fifo";
    case AwkwardFile::DevZero:
      return "DevZero";
    case AwkwardFile::Huge:
      return "Huge";
  }
  return "";
}

// Makes `kind` at `path`; a Huge file is `hugeBytes` long, all of it a hole (zero bytes,
// no line end), so it costs no disk. False when the system refused.
inline bool makeAwkwardFile(AwkwardFile kind, const std::string& path, std::uint64_t hugeBytes) {
  switch (kind) {
    case AwkwardFile::Fifo:
      return ::mkfifo(path.c_str(), 0600) == 0;
    case AwkwardFile::DevZero:
      return ::symlink("/dev/zero", path.c_str()) == 0;
    case AwkwardFile::Huge: {
      const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
      if (fd < 0) return false;
      const bool sized = ::ftruncate(fd, static_cast<off_t>(hugeBytes)) == 0;
      ::close(fd);
      return sized;
    }
  }
  return false;
}

class TimeBound {
 public:
  // `what` names the test step in the failure.
  TimeBound(unsigned seconds, const std::string& what) {
    std::strncpy(what_, what.c_str(), sizeof what_ - 1);
    struct sigaction action {};
    action.sa_handler = &TimeBound::expired;
    ::sigaction(SIGALRM, &action, &previous_);
    ::alarm(seconds);
  }
  ~TimeBound() {
    ::alarm(0);
    ::sigaction(SIGALRM, &previous_, nullptr);
  }
  TimeBound(const TimeBound&) = delete;
  TimeBound& operator=(const TimeBound&) = delete;

 private:
  static void expired(int) {
    static constexpr char kPrefix[] = "\nFAILED: still running past its time bound: ";
    (void)!::write(2, kPrefix, sizeof kPrefix - 1);
    (void)!::write(2, what_, std::strlen(what_));
    (void)!::write(2, "\n", 1);
    ::_exit(1);
  }

  static inline char what_[256] = {};
  struct sigaction previous_ {};
};

}  // namespace testutil
