// The built halvex-log, run as a user runs it: help, version, a wrong command line, ports.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/master_pty.h"

namespace {
namespace fs = std::filesystem;

struct Outcome {
  int exitCode = -1;
  std::string out;
  std::string err;
};

std::string quoted(const std::string& s) {
  std::string q = "'";
  for (char ch : s) q += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
  return q + "'";
}

std::string contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class LoggerProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/halvex-log-run-XXXXXX";
    root_ = ::mkdtemp(pattern);
    fs::create_directories(ports());
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  fs::path ports() const { return root_ / "config" / "Vantorel" / "ports"; }

  // Runs the program with its own settings folder and catches what it prints.
  Outcome run(const std::vector<std::string>& args) const {
    std::string command = "XDG_CONFIG_HOME=" + quoted((root_ / "config").string()) + " LANG=C " +
                          quoted(HALVEX_LOG_PATH);
    for (const std::string& a : args) command += " " + quoted(a);
    command += " >" + quoted((root_ / "out").string()) + " 2>" + quoted((root_ / "err").string()) +
               " </dev/null";
    Outcome r;
    const int status = std::system(command.c_str());
    if (status != -1 && WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
    r.out = contents(root_ / "out");
    r.err = contents(root_ / "err");
    return r;
  }

 private:
  fs::path root_;
};

TEST_F(LoggerProgram, AnswersHelpVersionAndWrongCommandLines) {
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string outBegins;    // standard output begins with this ("" : prints nothing)
    std::string errContains;  // standard error holds this ("" : prints nothing)
  };
  const Case cases[] = {
      {{"--help"}, 0, "Usage:\n  halvex-log record", ""},
      {{"record", "--help"}, 0, "Usage:", ""},
      {{"--version"}, 0, "halvex-log " HALVEX_VERSION "\n", ""},
      {{}, 2, "", "halvex-log: no command given\nTry 'halvex-log --help'"},
      {{"--bogus"}, 2, "", "halvex-log: unknown option '--bogus'\nTry 'halvex-log --help'"},
      {{"record"}, 2, "", "record needs a FILE"},
      {{"record", "--seconds", "5", "--count", "3", "run.csv"}, 2, "", "exclude each other"},
      {{"download", "--style", "comma", "r.hvd"}, 2, "", "--style"},
  };
  for (const Case& c : cases) {
    std::string line;
    for (const std::string& a : c.args) line += " " + a;
    SCOPED_TRACE("halvex-log" + line);
    const Outcome r = run(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode);
    if (c.outBegins.empty()) {
      EXPECT_EQ(r.out, "");
    } else {
      EXPECT_TRUE(r.out.starts_with(c.outBegins)) << r.out;
    }
    if (c.errContains.empty()) {
      EXPECT_EQ(r.err, "");
    } else {
      EXPECT_NE(r.err.find(c.errContains), std::string::npos) << r.err;
    }
  }
  EXPECT_EQ(run({"--version"}).out, "halvex-log " HALVEX_VERSION "\n");
}

TEST_F(LoggerProgram, PortsListsALinkedPort) {
  testutil::MasterPty pty;
  ASSERT_FALSE(pty.path.empty());
  fs::create_symlink(pty.path, ports() / "COM17");

  const Outcome r = run({"ports"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  bool found = false;
  std::istringstream lines(r.out);
  for (std::string l; std::getline(lines, l);) {
    if (l.starts_with("COM17 ")) {
      found = true;
      EXPECT_TRUE(l.ends_with("  " + pty.path)) << l;
    }
  }
  EXPECT_TRUE(found) << r.out;
}

}  // namespace
