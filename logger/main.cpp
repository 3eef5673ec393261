// halvex-log: the LT-40 without the window. The command line is read first; help, version
// and a wrong command line end before anything else is made. The commands that talk to the
// instrument run under a core application object (timers and the port's hand-over need its
// event loop), with the port of the settings when none is given.
#include <QCoreApplication>
#include <cstdio>
#include <string>

#include "logger/cli.h"
#include "logger/commands.h"
#include "logger/default_port.h"
#include "logger/ports_listing.h"

namespace {

void printError(const std::string& text) {
  std::fprintf(stderr, "halvex-log: %s\n", text.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const logger::ParseResult parsed = logger::parseArguments(argc, argv);
  if (!parsed.options) {
    printError(parsed.error);
    std::fprintf(stderr, "%s\n", logger::usageHint().c_str());
    return logger::kExitUsage;
  }
  logger::LogOptions options = *parsed.options;

  switch (options.command) {
    case logger::Command::Help:
      std::fputs(logger::usageText().c_str(), stdout);
      return logger::kExitDone;
    case logger::Command::Version:
      std::printf("halvex-log %s\n", HALVEX_VERSION);
      return logger::kExitDone;
    case logger::Command::Ports: {
      const std::string listing = logger::portsListing();
      if (listing.empty()) printError("none of COM1..COM20 leads to a device");
      std::fputs(listing.c_str(), stdout);
      return std::fflush(stdout) == 0 ? logger::kExitDone : logger::kExitFile;
    }
    case logger::Command::Record:
    case logger::Command::Download:
    case logger::Command::ReadCalibration:
      break;
  }

  QCoreApplication application(argc, argv);
  if (!options.port) options.port = logger::defaultPort(printError);
  if (!options.style) options.style = logger::defaultCsvStyle();

  switch (options.command) {
    case logger::Command::Record:
      return logger::runRecord(options);
    case logger::Command::Download:
      return logger::runDownload(options);
    case logger::Command::ReadCalibration:
      return logger::runReadCalibration(options);
    default:
      break;
  }
  return logger::kExitUsage;
}
