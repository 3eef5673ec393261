// The built halvex-log against lt40-sim: recordings in both file kinds and on standard
// output, the signals that end them, the exit codes, the download and the calibration
// readback compared with what the window writes, and a run across an unplugged cable.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "calibration/address_map.h"
#include "calibration/calibration_data.h"
#include "calibration/calibration_file.h"
#include "calibration/readback.h"
#include "link/result_download.h"
#include "measurement/csv_recording.h"
#include "measurement/formatting.h"
#include "measurement/recording.h"
#include "tests/support/sim_process.h"
#include "tools/lt40_sim/instrument.h"

namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Outcome {
  int exitCode = -1;  // -1: killed after the time allowed, or ended by a signal
  double seconds = 0;
  std::string out;
  std::string err;
};

std::string contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The CR LF ended lines of `text`; a last line without CR LF is kept as it is.
std::vector<std::string> crlfLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t from = 0;
  for (std::size_t at; (at = text.find("\r\n", from)) != std::string::npos; from = at + 2)
    lines.push_back(text.substr(from, at - from));
  if (from < text.size()) lines.push_back(text.substr(from));
  return lines;
}

std::vector<std::string> split(const std::string& row, char separator) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(row);
  while (std::getline(in, field, separator)) fields.push_back(field);
  if (!row.empty() && row.back() == separator) fields.emplace_back();
  return fields;
}

// Milliseconds since the epoch of "YYYY-MM-DDTHH:MM:SS.mmm+HH:MM", or nothing when the text
// is not of that form.
std::optional<long long> isoMillis(const std::string& text) {
  static const std::regex form(
      R"((\d{4})-(\d\d)-(\d\d)T(\d\d):(\d\d):(\d\d)\.(\d{3})([+-])(\d\d):(\d\d))");
  std::smatch m;
  if (!std::regex_match(text, m, form)) return std::nullopt;
  std::tm t{};
  t.tm_year = std::stoi(m[1]) - 1900;
  t.tm_mon = std::stoi(m[2]) - 1;
  t.tm_mday = std::stoi(m[3]);
  t.tm_hour = std::stoi(m[4]);
  t.tm_min = std::stoi(m[5]);
  t.tm_sec = std::stoi(m[6]);
  const long long offsetMinutes =
      (m[8] == "-" ? -1 : 1) * (std::stoll(m[9]) * 60 + std::stoll(m[10]));
  return (static_cast<long long>(::timegm(&t)) - offsetMinutes * 60) * 1000 + std::stoll(m[7]);
}

// The times of the CSV rows (header left out), checked for form on the way.
std::vector<long long> rowTimes(const std::vector<std::string>& lines, char separator) {
  std::vector<long long> times;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::optional<long long> t = isoMillis(split(lines[i], separator).at(0));
    EXPECT_TRUE(t.has_value()) << "row " << i << ": " << lines[i];
    if (t) times.push_back(*t);
  }
  return times;
}

class LoggerWithSimulator : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/halvex-log-sim-XXXXXX";
    root_ = ::mkdtemp(pattern);
  }
  void TearDown() override {
    sim_.reset();
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  fs::path path(const std::string& name) const { return root_ / name; }
  std::string link() const { return path("ttyLT40").string(); }

  // lt40-sim at link(), 50 frames a second, with `extra` options; any earlier one ends.
  void startSimulator(std::vector<std::string> extra) {
    sim_.reset();
    extra.insert(extra.end(), {"--rate", "50"});
    sim_ = std::make_unique<testutil::SimulatorProcess>(link(), path("sim.log"), extra);
    ASSERT_TRUE(fs::exists(link())) << contents(path("sim.log"));
  }

  // Starts halvex-log with `args` and its own settings folders; its output goes to files.
  pid_t launch(const std::vector<std::string>& args) {
    std::vector<std::string> words = {HALVEX_LOG_PATH};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<std::string> env = {"XDG_CONFIG_HOME=" + path("config").string(),
                                    "XDG_STATE_HOME=" + path("state").string(), "LANG=C",
                                    "HOME=" + root_.string(), "PATH=/usr/bin:/bin"};
    if (const char* tz = std::getenv("TZ")) env.push_back(std::string("TZ=") + tz);
    std::vector<char*> argv, envp;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    const std::string out = path("out").string(), err = path("err").string();
    started_ = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::signal(SIGINT, SIG_DFL);
      ::signal(SIGTERM, SIG_DFL);
      const int in = ::open("/dev/null", O_RDONLY);
      const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (in < 0 || o < 0 || e < 0) ::_exit(126);
      ::dup2(in, STDIN_FILENO);
      ::dup2(o, STDOUT_FILENO);
      ::dup2(e, STDERR_FILENO);
      ::execve(argv[0], argv.data(), envp.data());
      ::_exit(127);
    }
    return pid;
  }

  // Waits for the program started by launch() to end; after `limitSeconds` it is killed.
  Outcome finish(pid_t pid, double limitSeconds = 20) {
    Outcome r;
    int status = 0;
    const auto deadline = started_ + std::chrono::duration<double>(limitSeconds);
    while (::waitpid(pid, &status, WNOHANG) == 0) {
      if (Clock::now() > deadline) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        ADD_FAILURE() << "halvex-log still ran after " << limitSeconds << " s";
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    r.seconds = std::chrono::duration<double>(Clock::now() - started_).count();
    if (WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
    r.out = contents(path("out"));
    r.err = contents(path("err"));
    return r;
  }

  Outcome run(const std::vector<std::string>& args, double limitSeconds = 20) {
    return finish(launch(args), limitSeconds);
  }

  // The simulator's first `n` results as the window's download writes them.
  std::string windowsDownload(int n) {
    std::vector<std::string> table;
    for (const tools::StoredResult& r : tools::Instrument::defaultResults(n)) {
      const auto counts = static_cast<std::uint16_t>(r.counts);
      table.push_back(devlink::ResultDownload::ResultLine(
          tools::Instrument::resultStatus(r.rangeIndex), static_cast<std::uint8_t>(counts & 0xFF),
          static_cast<std::uint8_t>(counts >> 8)));
    }
    const fs::path file = path("window.HVD");
    EXPECT_TRUE(measurement::WriteDownloadedResults(file, table, table.size()));
    return contents(file);
  }

 private:
  fs::path root_;
  std::unique_ptr<testutil::SimulatorProcess> sim_;
  Clock::time_point started_;
};

// A constant field recorded for a count of readings: every reading comes as the instrument
// sent it, in CSV (both styles, to a file and to standard output) and in a data file.
TEST_F(LoggerWithSimulator, RecordsACountOfReadings) {
  struct Case {
    const char* file;  // "-": standard output
    std::vector<std::string> style;
    int count;
    char separator;     // 0: a data file
    const char* value;  // the value column
    const char* temperatureMin;
  };
  const Case cases[] = {
      {"run.csv", {}, 12, ',', "12.345", "22.0"},
      {"run.CSV", {"--style", "semicolon"}, 7, ';', "12,345", "22,0"},
      {"run.HVD", {}, 12, 0, nullptr, nullptr},
      {"-", {}, 3, ',', "12.345", "22.0"},
  };
  startSimulator({"--gen", "const", "--value", "12345"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    std::vector<std::string> args = {"record", "--port", link(), "--count",
                                     std::to_string(c.count)};
    args.insert(args.end(), c.style.begin(), c.style.end());
    const bool toStdout = std::string(c.file) == "-";
    args.push_back(toStdout ? "-" : path(c.file).string());
    const Outcome r = run(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string text = toStdout ? r.out : contents(path(c.file));
    if (!toStdout) {
      EXPECT_EQ(r.out, "");
    }
    ASSERT_TRUE(text.ends_with("\r\n")) << text;
    const std::vector<std::string> lines = crlfLines(text);

    if (c.separator == 0) {
      std::string expected;
      for (int i = 0; i < c.count; ++i) expected += measurement::FormatLine(0, 12.345) + "\r\n";
      EXPECT_EQ(text, expected);
      continue;
    }
    const measurement::CsvStyle style =
        c.separator == ';' ? measurement::CsvStyle::Semicolon : measurement::CsvStyle::Comma;
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(c.count) + 1) << text;
    EXPECT_EQ(lines[0] + "\r\n", measurement::csvHeader(style));
    for (std::size_t i = 1; i < lines.size(); ++i) {
      SCOPED_TRACE(lines[i]);
      const std::vector<std::string> f = split(lines[i], c.separator);
      ASSERT_EQ(f.size(), std::size(measurement::kCsvColumns));
      EXPECT_EQ(f[1], c.value);
      EXPECT_EQ(f[2], "mT");
      EXPECT_EQ(f[3], "DC");
      EXPECT_EQ(f[4], "X");
      EXPECT_EQ(f[5], "0");
      // The simulated probe is at 23.5 °C, drifting by 1.5 °C at most.
      ASSERT_EQ(f[6].size(), 4u);
      EXPECT_GE(f[6], c.temperatureMin);
      EXPECT_LE(f[6], c.separator == ';' ? "25,0" : "25.0");
      EXPECT_EQ(f[7] + f[8] + f[9], "");
    }
    const std::vector<long long> times = rowTimes(lines, c.separator);
    for (std::size_t i = 1; i < times.size(); ++i) EXPECT_LE(times[i - 1], times[i]);
  }
}

TEST_F(LoggerWithSimulator, RecordsForAGivenTime) {
  startSimulator({"--gen", "const", "--value", "12345"});
  const Outcome r = run({"record", "--port", link(), "--seconds", "1", path("run.csv").string()});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::size_t rows = crlfLines(contents(path("run.csv"))).size() - 1;
  EXPECT_GE(rows, 20u);
  EXPECT_LE(rows, 80u);
  EXPECT_LT(r.seconds, 6.0);
}

// SIGINT and SIGTERM end an open-ended recording as finished: every row whole.
TEST_F(LoggerWithSimulator, SignalsEndARecordingWithTheFileComplete) {
  struct Case {
    int signal;
    const char* file;
  };
  startSimulator({"--gen", "const", "--value", "12345"});
  for (const Case& c : {Case{SIGINT, "int.csv"}, Case{SIGTERM, "term.HVD"}}) {
    SCOPED_TRACE(c.file);
    const pid_t pid = launch({"record", "--port", link(), path(c.file).string()});
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    ::kill(pid, c.signal);
    const Outcome r = finish(pid, 10);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::string text = contents(path(c.file));
    EXPECT_TRUE(text.ends_with("\r\n")) << text;
    const std::vector<std::string> lines = crlfLines(text);
    EXPECT_GT(lines.size(), std::string(c.file).ends_with(".csv") ? 1u : 0u);
    for (const std::string& line : lines) EXPECT_EQ(line.find('\n'), std::string::npos);
  }
}

// A signal before the first reading still finishes the recording: a CSV file with its
// header and no rows, exit 0 (only silence for 3 s is a failure).
TEST_F(LoggerWithSimulator, SignalBeforeTheFirstReadingLeavesAnEmptyRecording) {
  startSimulator({"--silent"});
  const pid_t pid = launch({"record", "--port", link(), path("early.csv").string()});
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  ::kill(pid, SIGINT);
  const Outcome r = finish(pid, 10);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(crlfLines(contents(path("early.csv"))).size(), 1u);
}

// What the program cannot do ends it with its own code: 3 for the port, 4 for the
// instrument, 5 for the file.
TEST_F(LoggerWithSimulator, ExitCodesTellWhatFailed) {
  struct Case {
    const char* name;
    std::vector<std::string> simulator;
    bool holdPort;  // another program holds the device, locked as the port locks it
    std::string port;
    std::string file;
    int exitCode;
    double maxSeconds;
    const char* errContains;
  };
  const Case cases[] = {
      {"missing port", {}, false, "no-such-tty", "a.csv", 3, 3.0, "cannot open"},
      {"busy port", {}, true, "", "a.csv", 3, 3.0, "cannot open"},
      {"silent instrument", {"--silent"}, false, "", "a.csv", 4, 5.0, "no reading"},
      {"unwritable file", {}, false, "", "/nonexistent/dir/x.csv", 5, 3.0, "cannot write"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    startSimulator(c.simulator);
    int held = -1;
    if (c.holdPort) {
      held = ::open(link().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
      ASSERT_GE(held, 0);
      ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    }
    const std::string port = c.port.empty() ? link() : path(c.port).string();
    const std::string file = c.file.starts_with("/") ? c.file : path(c.file).string();
    const Outcome r = run({"record", "--port", port, "--count", "5", file});
    if (held >= 0) ::close(held);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    EXPECT_LT(r.seconds, c.maxSeconds);
    EXPECT_NE(r.err.find(c.errContains), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(file)) << "nothing is left under the target name";
  }
}

TEST_F(LoggerWithSimulator, DownloadWritesWhatTheWindowWrites) {
  startSimulator({"--results", "60"});
  const fs::path file = path("results.HVD");
  const Outcome r = run({"download", "--port", link(), file.string()});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string text = contents(file);
  EXPECT_EQ(crlfLines(text).size(), 60u);
  EXPECT_EQ(text, windowsDownload(60));
}

TEST_F(LoggerWithSimulator, InterruptedDownloadLeavesNoFile) {
  startSimulator({"--results", "3000"});
  const fs::path file = path("results.HVD");
  const pid_t pid = launch({"download", "--port", link(), file.string()});
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  ::kill(pid, SIGINT);
  const Outcome r = finish(pid, 10);
  EXPECT_EQ(r.exitCode, 4) << r.err;
  EXPECT_NE(r.err.find("cancelled"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(file));
  for (const fs::directory_entry& e : fs::directory_iterator(file.parent_path()))
    EXPECT_FALSE(e.path().filename().string().starts_with("results")) << e.path();
}

// The calibration read back is saved as the window saves the data set decoded from the
// instrument's memory (placeholders and grid headings as the window has them).
TEST_F(LoggerWithSimulator, ReadCalibrationSavesWhatTheWindowSaves) {
  const fs::path memoryFile = path("memory.bin");
  startSimulator({"--calibration-out", memoryFile.string()});
  const fs::path file = path("probe.HVC");
  const Outcome r = run({"read-calibration", "--port", link(), file.string()});
  ASSERT_EQ(r.exitCode, 0) << r.err;

  tools::Instrument::CalibrationMemory memory{};
  {
    std::ifstream in(memoryFile, std::ios::binary);
    in.read(reinterpret_cast<char*>(memory.data()), static_cast<std::streamsize>(memory.size()));
    ASSERT_TRUE(in) << "the simulator's memory";
  }
  calibration::CalibrationWordTable words{};
  for (int k = 1; k <= calibration::kCalibrationWordCount; ++k) {
    const std::uint8_t a = calibration::CalibrationAddressTable[static_cast<std::size_t>(k)];
    words[static_cast<std::size_t>(k)] =
        static_cast<std::int16_t>(memory[a] | (memory[a + 1] << 8));
  }
  calibration::CalibrationData expected;
  calibration::MarkPlaceholderCells(expected);
  calibration::WriteGridHeadings(expected);
  calibration::DecodeCalibrationWords(words, expected);
  calibration::MarkPlaceholderCells(expected);
  std::string bytes;
  ASSERT_TRUE(calibration::CalibrationFileBytes(expected, bytes));

  const std::string text = contents(file);
  EXPECT_EQ(crlfLines(text).size(), 58u);
  EXPECT_EQ(text, bytes);
}

// The cable pulled for 0.8 s during a recording: the loss and the return are said, and the
// readings after the return are recorded.
TEST_F(LoggerWithSimulator, RecordingGoesOnAcrossAnUnpluggedCable) {
  startSimulator({"--gen", "const", "--value", "12345", "--unplug-after", "1", "--replug-ms",
                  "800"});
  const Outcome r =
      run({"record", "--port", link(), "--seconds", "3.5", path("across.csv").string()});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("lost"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("reconnected"), std::string::npos) << r.err;
  const std::vector<long long> times = rowTimes(crlfLines(contents(path("across.csv"))), ',');
  ASSERT_GT(times.size(), 10u);
  long long longestGap = 0;
  for (std::size_t i = 1; i < times.size(); ++i)
    longestGap = std::max(longestGap, times[i] - times[i - 1]);
  EXPECT_GE(longestGap, 500) << "the unplugged time";
  EXPECT_GT(times.back() - times.front(), 2000) << "rows after the return";
}

// The logger runs without a display: no widgets, no Qt Gui, no printing among its libraries.
TEST(LoggerBinary, DoesNotNeedQtGui) {
  if (std::system("command -v readelf >/dev/null 2>&1") != 0) GTEST_SKIP() << "no readelf";
  const std::string command = std::string("readelf -d '") + HALVEX_LOG_PATH + "'";
  FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string needed;
  char buf[512];
  while (std::fgets(buf, sizeof buf, pipe)) {
    if (std::string(buf).find("(NEEDED)") != std::string::npos) needed += buf;
  }
  ASSERT_EQ(::pclose(pipe), 0);
  EXPECT_NE(needed.find("libQt6Core"), std::string::npos) << needed;
  for (const char* lib : {"libQt6Widgets", "libQt6Gui", "libQt6PrintSupport"})
    EXPECT_EQ(needed.find(lib), std::string::npos) << lib << " in\n" << needed;
}

}  // namespace
