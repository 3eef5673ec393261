#pragma once
// The command line of halvex-log, the windowless logger: what it is asked to do, the help
// text, the exit codes and the progress lines it prints. Toolkit-free.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "measurement/csv_recording.h"

namespace logger {

enum class Command { Record, Download, ReadCalibration, Ports, Help, Version };

struct LogOptions {
  Command command = Command::Help;
  std::optional<std::string> port;             // unset: the port of the settings, else COM1
  std::optional<double> seconds;               // record: stop after this long
  std::optional<std::uint64_t> count;          // record: stop after this many readings
  std::optional<measurement::CsvStyle> style;  // record: CSV separators
  bool quiet = false;
  std::string file;  // "-" is standard output (CSV)

  bool operator==(const LogOptions&) const = default;
};

// Either options, or why the command line is wrong (`error`, one line without a newline).
struct ParseResult {
  std::optional<LogOptions> options;
  std::string error;
};

// Exit codes.
inline constexpr int kExitDone = 0;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitPort = 3;        // the port cannot be opened
inline constexpr int kExitInstrument = 4;  // no frame within 3 s, or a transfer failed
inline constexpr int kExitFile = 5;        // the file cannot be written

// The file name that stands for standard output.
inline constexpr std::string_view kStandardOutput = "-";

// `args` without the program's name.
ParseResult parseArguments(std::span<const std::string> args);
// argv as main() gets it (argv[0] is the program's name).
ParseResult parseArguments(int argc, char** argv);

// The help: usage, commands, options, exit codes. Ends with a newline.
std::string usageText();
// The line printed under a usage error, pointing at the help.
std::string usageHint();

// "1234 readings, 12.5/s, 00:01:39 elapsed" ("1 reading, ..." for one): the rate over the
// elapsed time with one decimal (0.0/s before any time has passed), the time in whole seconds
// as hh:mm:ss (the hours go on past 99).
std::string progressLine(std::uint64_t readings, double elapsedSeconds);
// "12/400 results (3%)" while a transfer runs: how far it has come, and of what; the share
// is left out while the total is 0 (not known yet).
std::string transferProgressLine(std::size_t done, std::size_t total, const char* what);

}  // namespace logger
