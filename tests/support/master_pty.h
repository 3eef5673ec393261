#pragma once
// A pseudo-terminal whose master end the test holds; `path` is the line a program opens.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

namespace testutil {

struct MasterPty {
  MasterPty() {
    master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0) path = ::ptsname(master);
  }
  ~MasterPty() {
    if (master >= 0) ::close(master);
  }
  MasterPty(const MasterPty&) = delete;
  MasterPty& operator=(const MasterPty&) = delete;
  int master = -1;
  std::string path;
};

}  // namespace testutil
