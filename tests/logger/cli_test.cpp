// The logger's command line: what each line asks for, what is refused and why, and the
// progress lines.
#include "logger/cli.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using logger::Command;
using logger::LogOptions;
using measurement::CsvStyle;

LogOptions options(Command command, std::string file = {}) {
  LogOptions o;
  o.command = command;
  o.file = std::move(file);
  return o;
}

struct ParseCase {
  std::vector<std::string> args;
  // Set: the line is good and gives exactly these options. Unset: refused, and the error
  // names `errorMentions`.
  std::optional<LogOptions> expected;
  std::string errorMentions;
};

std::vector<ParseCase> parseCases() {
  auto with = [](LogOptions o, auto change) {
    change(o);
    return o;
  };
  const LogOptions record = options(Command::Record, "run.csv");
  return {
      // Help and version.
      {{"--help"}, options(Command::Help), {}},
      {{"-h"}, options(Command::Help), {}},
      {{"--version"}, options(Command::Version), {}},
      {{"record", "--help"}, options(Command::Help), {}},
      {{"--version", "extra"}, std::nullopt, "extra"},
      // Good command lines.
      {{"record", "run.csv"}, record, {}},
      {{"record", "--port", "COM3", "run.csv"},
       with(record, [](LogOptions& o) { o.port = "COM3"; }),
       {}},
      {{"record", "--port=/dev/ttyUSB0", "run.csv"},
       with(record, [](LogOptions& o) { o.port = "/dev/ttyUSB0"; }),
       {}},
      {{"record", "run.csv", "--seconds", "2.5"},
       with(record, [](LogOptions& o) { o.seconds = 2.5; }),
       {}},
      {{"record", "--seconds=90", "run.csv"},
       with(record, [](LogOptions& o) { o.seconds = 90.0; }),
       {}},
      {{"record", "--count", "18446744073709551615", "run.csv"},
       with(record, [](LogOptions& o) { o.count = 18446744073709551615ULL; }),
       {}},
      {{"record", "--style", "semicolon", "--quiet", "RUN.CSV"},
       with(options(Command::Record, "RUN.CSV"),
            [](LogOptions& o) {
              o.style = CsvStyle::Semicolon;
              o.quiet = true;
            }),
       {}},
      {{"record", "--style=comma", "-"},
       with(options(Command::Record, "-"), [](LogOptions& o) { o.style = CsvStyle::Comma; }),
       {}},
      {{"record", "--count", "10", "field.hvd"},
       with(options(Command::Record, "field.hvd"), [](LogOptions& o) { o.count = 10; }),
       {}},
      {{"record", "--", "-odd name.csv"}, options(Command::Record, "-odd name.csv"), {}},
      {{"download", "--port", "COM7", "--quiet", "results.hvd"},
       with(options(Command::Download, "results.hvd"),
            [](LogOptions& o) {
              o.port = "COM7";
              o.quiet = true;
            }),
       {}},
      {{"read-calibration", "probe.hvc"}, options(Command::ReadCalibration, "probe.hvc"), {}},
      {{"ports"}, options(Command::Ports), {}},
      // Refused.
      {{}, std::nullopt, "command"},
      {{"replay", "a.hvd"}, std::nullopt, "replay"},
      {{"--verbose"}, std::nullopt, "--verbose"},
      {{"--port", "COM3", "record", "run.csv"}, std::nullopt, "command comes first"},
      {{"record", "--verbose", "run.csv"}, std::nullopt, "--verbose"},
      {{"record", "-q", "run.csv"}, std::nullopt, "-q"},
      {{"record"}, std::nullopt, "FILE"},
      {{"record", "a.csv", "b.csv"}, std::nullopt, "b.csv"},
      {{"record", ""}, std::nullopt, "FILE"},
      {{"ports", "list.txt"}, std::nullopt, "list.txt"},
      {{"record", "--seconds", "5", "--count", "10", "run.csv"}, std::nullopt, "--count"},
      {{"record", "--seconds", "0", "run.csv"}, std::nullopt, "'0'"},
      {{"record", "--seconds", "-3", "run.csv"}, std::nullopt, "'-3'"},
      {{"record", "--seconds", "ten", "run.csv"}, std::nullopt, "'ten'"},
      {{"record", "--seconds", "5s", "run.csv"}, std::nullopt, "'5s'"},
      {{"record", "--seconds", "inf", "run.csv"}, std::nullopt, "'inf'"},
      {{"record", "--seconds=", "run.csv"}, std::nullopt, "--seconds"},
      {{"record", "--count", "0", "run.csv"}, std::nullopt, "'0'"},
      {{"record", "--count", "2.5", "run.csv"}, std::nullopt, "'2.5'"},
      {{"record", "--count", "+5", "run.csv"}, std::nullopt, "'+5'"},
      {{"record", "--count", "18446744073709551616", "run.csv"},
       std::nullopt,
       "18446744073709551616"},
      {{"record", "--count", "5", "--count", "6", "run.csv"}, std::nullopt, "twice"},
      {{"record", "--style", "tab", "run.csv"}, std::nullopt, "'tab'"},
      {{"record", "--style", "semicolon", "run.hvd"}, std::nullopt, "CSV"},
      {{"download", "--style", "comma", "r.csv"}, std::nullopt, "--style"},
      {{"download", "--seconds", "5", "r.hvd"}, std::nullopt, "--seconds"},
      {{"read-calibration", "--count", "5", "p.hvc"}, std::nullopt, "--count"},
      {{"download", "-"}, std::nullopt, "standard output"},
      {{"ports", "--port", "COM1"}, std::nullopt, "--port"},
      {{"record", "run.csv", "--port"}, std::nullopt, "--port"},
      {{"record", "--port", "--quiet", "run.csv"}, std::nullopt, "--port"},
      {{"record", "--port=", "run.csv"}, std::nullopt, "--port"},
      {{"record", "--port", "COM1", "--port", "COM2", "run.csv"}, std::nullopt, "twice"},
      {{"record", "--quiet=yes", "run.csv"}, std::nullopt, "--quiet"},
  };
}

std::string joined(const std::vector<std::string>& args) {
  std::string line;
  for (const std::string& a : args) line += (line.empty() ? "" : " ") + ("[" + a + "]");
  return line;
}

TEST(LoggerCli, ParsesTheCommandLine) {
  for (const ParseCase& c : parseCases()) {
    SCOPED_TRACE(joined(c.args));
    const logger::ParseResult r = logger::parseArguments(std::span<const std::string>(c.args));
    if (c.expected) {
      EXPECT_EQ(r.error, "");
      ASSERT_TRUE(r.options.has_value());
      EXPECT_TRUE(*r.options == *c.expected);
    } else {
      EXPECT_FALSE(r.options.has_value());
      EXPECT_NE(r.error.find(c.errorMentions), std::string::npos) << r.error;
      EXPECT_EQ(r.error.find('\n'), std::string::npos) << r.error;
    }
  }
}

TEST(LoggerCli, TakesArgvWithoutTheProgramName) {
  char program[] = "halvex-log";
  char command[] = "record";
  char seconds[] = "--seconds=1.5";
  char file[] = "out.csv";
  char* argv[] = {program, command, seconds, file, nullptr};
  const logger::ParseResult r = logger::parseArguments(4, argv);
  ASSERT_TRUE(r.options.has_value()) << r.error;
  EXPECT_EQ(r.options->command, Command::Record);
  EXPECT_EQ(r.options->seconds, 1.5);
  EXPECT_EQ(r.options->file, "out.csv");

  char* none[] = {program, nullptr};
  EXPECT_FALSE(logger::parseArguments(1, none).options.has_value());
}

TEST(LoggerCli, HelpNamesEveryCommandOptionAndExitCode) {
  const std::string help = logger::usageText();
  for (const char* word :
       {"record", "download", "read-calibration", "ports", "--port", "--seconds", "--count",
        "--style", "--quiet", "--help", "--version", "  0 ", "  2 ", "  3 ", "  4 ", "  5 "})
    EXPECT_NE(help.find(word), std::string::npos) << word;
  EXPECT_TRUE(help.ends_with("\n"));
}

TEST(LoggerProgress, ProgressLine) {
  struct Case {
    std::uint64_t readings;
    double seconds;
    const char* expected;
  };
  const Case cases[] = {
      {0, 0.0, "0 readings, 0.0/s, 00:00:00 elapsed"},
      {1234, 99.0, "1234 readings, 12.5/s, 00:01:39 elapsed"},
      {10, 0.999, "10 readings, 10.0/s, 00:00:00 elapsed"},
      {36000, 3600.0, "36000 readings, 10.0/s, 01:00:00 elapsed"},
      {1, 3.0, "1 reading, 0.3/s, 00:00:03 elapsed"},
      {900000, 90061.0, "900000 readings, 10.0/s, 25:01:01 elapsed"},
      {5, -1.0, "5 readings, 0.0/s, 00:00:00 elapsed"},
  };
  for (const Case& c : cases) EXPECT_EQ(logger::progressLine(c.readings, c.seconds), c.expected);
}

TEST(LoggerProgress, TransferProgressLine) {
  struct Case {
    std::size_t done;
    std::size_t total;
    const char* what;
    const char* expected;
  };
  const Case cases[] = {
      {0, 400, "results", "0/400 results (0%)"},
      {12, 400, "results", "12/400 results (3%)"},
      {400, 400, "results", "400/400 results (100%)"},
      {37, 74, "words", "37/74 words (50%)"},
      {0, 0, "results", "0/0 results"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(logger::transferProgressLine(c.done, c.total, c.what), c.expected);
}

}  // namespace
