// Stand-in until the instrument session drives these commands.
#include "logger/commands.h"

#include <cstdio>

namespace logger {

namespace {
int notBuiltYet(const char* command) {
  std::fprintf(stderr, "halvex-log: %s: not built yet\n", command);
  return kExitInstrument;
}
}  // namespace

int runRecord(const LogOptions&) {
  return notBuiltYet("record");
}

int runDownload(const LogOptions&) {
  return notBuiltYet("download");
}

int runReadCalibration(const LogOptions&) {
  return notBuiltYet("read-calibration");
}

}  // namespace logger
