#include "logger/cli.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>
#include <vector>

namespace logger {

namespace {

struct CommandName {
  std::string_view name;
  Command command;
};
constexpr CommandName kCommands[] = {
    {"record", Command::Record},
    {"download", Command::Download},
    {"read-calibration", Command::ReadCalibration},
    {"ports", Command::Ports},
};

bool isKnownOption(std::string_view name) {
  return name == "--port" || name == "--seconds" || name == "--count" || name == "--style" ||
         name == "--quiet";
}

bool takesFile(Command c) {
  return c == Command::Record || c == Command::Download || c == Command::ReadCalibration;
}

ParseResult fail(std::string error) {
  return ParseResult{std::nullopt, std::move(error)};
}

std::optional<double> positiveNumber(std::string_view text) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [at, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || at != end || !std::isfinite(value) || value <= 0) return std::nullopt;
  return value;
}

std::optional<std::uint64_t> positiveCount(std::string_view text) {
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [at, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || at != end || value == 0) return std::nullopt;
  return value;
}

}  // namespace

ParseResult parseArguments(std::span<const std::string> args) {
  if (args.empty()) return fail("no command given");

  const std::string& first = args[0];
  if (first == "--help" || first == "-h" || first == "--version") {
    if (args.size() > 1) return fail("unexpected argument '" + args[1] + "' after " + first);
    LogOptions o;
    o.command = first == "--version" ? Command::Version : Command::Help;
    return ParseResult{o, {}};
  }

  LogOptions o;
  bool known = false;
  for (const CommandName& c : kCommands) {
    if (first == c.name) {
      o.command = c.command;
      known = true;
    }
  }
  if (!known) {
    const std::string name = first.substr(0, first.find('='));
    if (isKnownOption(name))
      return fail("the command comes first (record, download, read-calibration or ports), then " +
                  name);
    if (first.starts_with("-") && first != kStandardOutput)
      return fail("unknown option '" + first + "'");
    return fail("unknown command '" + first + "'");
  }
  const std::string commandName = first;

  std::vector<std::string> files;
  bool optionsEnded = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg == kStandardOutput || !arg.starts_with("-")) {
      files.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      LogOptions help;
      help.command = Command::Help;
      return ParseResult{help, {}};
    }

    // --name VALUE or --name=VALUE.
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    std::optional<std::string> inlineValue;
    if (equals != std::string::npos) inlineValue = arg.substr(equals + 1);

    if (name == "--quiet") {
      if (inlineValue) return fail("--quiet takes no value");
      if (o.command == Command::Ports) return fail("--quiet does not apply to " + commandName);
      o.quiet = true;
      continue;
    }
    if (!isKnownOption(name)) return fail("unknown option '" + name + "'");

    std::string value;
    if (inlineValue) {
      value = *inlineValue;
    } else if (i + 1 < args.size() && !args[i + 1].starts_with("--")) {
      value = args[++i];
    } else {
      return fail(name + " needs a value");
    }

    if (name == "--port") {
      if (o.command == Command::Ports) return fail("--port does not apply to " + commandName);
      if (o.port) return fail("--port given twice");
      if (value.empty()) return fail("--port needs a port name");
      o.port = value;
      continue;
    }
    if (o.command != Command::Record) return fail(name + " applies to record only");
    if (name == "--seconds") {
      if (o.seconds) return fail("--seconds given twice");
      o.seconds = positiveNumber(value);
      if (!o.seconds)
        return fail("--seconds needs a positive number of seconds, not '" + value + "'");
    } else if (name == "--count") {
      if (o.count) return fail("--count given twice");
      o.count = positiveCount(value);
      if (!o.count) return fail("--count needs a positive whole number, not '" + value + "'");
    } else {
      if (o.style) return fail("--style given twice");
      if (value == measurement::kCsvStyleComma) {
        o.style = measurement::CsvStyle::Comma;
      } else if (value == measurement::kCsvStyleSemicolon) {
        o.style = measurement::CsvStyle::Semicolon;
      } else {
        return fail("--style is comma or semicolon, not '" + value + "'");
      }
    }
  }

  if (o.seconds && o.count) return fail("--seconds and --count exclude each other");

  if (!takesFile(o.command)) {
    if (!files.empty()) return fail("unexpected argument '" + files.front() + "'");
    return ParseResult{o, {}};
  }
  if (files.empty()) return fail(commandName + " needs a FILE");
  if (files.size() > 1) return fail("unexpected argument '" + files[1] + "' after FILE");
  o.file = files.front();
  if (o.file.empty()) return fail("FILE is empty");

  if (o.command != Command::Record && o.file == kStandardOutput)
    return fail(commandName + " writes a file, not standard output");
  if (o.style && o.file != kStandardOutput && !measurement::isCsvFileName(o.file))
    return fail("--style applies to CSV recordings only (FILE ending in .csv, or -)");
  return ParseResult{o, {}};
}

ParseResult parseArguments(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  return parseArguments(std::span<const std::string>(args));
}

std::string usageText() {
  return R"(Usage:
  halvex-log record [--port NAME] [--seconds S | --count N] [--style comma|semicolon] [--quiet] FILE
  halvex-log download [--port NAME] [--quiet] FILE
  halvex-log read-calibration [--port NAME] [--quiet] FILE
  halvex-log ports
  halvex-log --help | --version

Runs the LT-40 teslameter without the window.

Commands:
  record            record the live readings until S seconds or N readings have passed,
                    or until interrupted (Ctrl+C); FILE ending in .csv (any case) is a CSV
                    recording, - is CSV on standard output, any other name a data file
  download          download the results stored in the instrument into a data file
  read-calibration  read the calibration memory of the probe into a calibration file
  ports             list COM1..COM20 that lead to a device: name, device, description

Options:
  --port NAME       the port (COM1..COM20, a link name or a device path); without it the
                    port chosen last in the window, else COM1
  --seconds S       record for S seconds (fractions allowed)
  --count N         record N readings
  --style STYLE     CSV separators: comma (",", decimal ".") or semicolon (";", decimal
                    ","); without it the window's choice, else comma
  --quiet           no progress lines on standard error
  --help            print this help and exit
  --version         print the version and exit

Exit status:
  0  done
  2  the command line is wrong
  3  the port cannot be opened
  4  the instrument is silent (no frame within 3 s) or a transfer failed
  5  the file cannot be written
)";
}

std::string usageHint() {
  return "Try 'halvex-log --help' for more information.";
}

std::string progressLine(std::uint64_t readings, double elapsedSeconds) {
  if (!std::isfinite(elapsedSeconds) || elapsedSeconds < 0) elapsedSeconds = 0;
  const double rate = elapsedSeconds > 0 ? static_cast<double>(readings) / elapsedSeconds : 0.0;
  // to_chars, not printf: the application object sets the user's locale, and the line reads
  // the same in every one.
  char rateText[64];
  const auto written =
      std::to_chars(rateText, rateText + sizeof rateText, rate, std::chars_format::fixed, 1);
  // Clamped so that the conversion stays defined for any input (1e12 s is 31 700 years).
  const auto whole = static_cast<std::uint64_t>(std::min(elapsedSeconds, 1e12));
  char clock[64];
  std::snprintf(clock, sizeof clock, "%02llu:%02llu:%02llu",
                static_cast<unsigned long long>(whole / 3600),
                static_cast<unsigned long long>(whole / 60 % 60),
                static_cast<unsigned long long>(whole % 60));
  return std::to_string(readings) + (readings == 1 ? " reading, " : " readings, ") +
         std::string(rateText, written.ptr) + "/s, " + clock + " elapsed";
}

std::string transferProgressLine(std::size_t done, std::size_t total, const char* what) {
  std::string line = std::to_string(done) + "/" + std::to_string(total) + " " + (what ? what : "");
  if (total > 0) {
    const std::size_t shown = done > total ? total : done;
    line += " (" + std::to_string(shown * 100 / total) + "%)";
  }
  return line;
}

}  // namespace logger
