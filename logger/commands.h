#pragma once
// The commands of halvex-log that talk to the instrument. Each returns the program's exit
// code (logger/cli.h). The application object exists when they are called, and
// `options.port` is set (the --port given, else the port of the settings).
#include "logger/cli.h"

namespace logger {

int runRecord(const LogOptions& options);
int runDownload(const LogOptions& options);
int runReadCalibration(const LogOptions& options);

}  // namespace logger
