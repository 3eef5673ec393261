// The port halvex-log opens without --port: the one in the window's settings file.
#include "logger/default_port.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/scoped_env.h"

namespace {
namespace fs = std::filesystem;

class TempConfig {
 public:
  TempConfig() {
    char pattern[] = "/tmp/halvex-log-config-XXXXXX";
    root_ = ::mkdtemp(pattern);
    fs::create_directories(root_ / "Vantorel");
  }
  ~TempConfig() {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  const fs::path& root() const { return root_; }
  fs::path settings() const { return root_ / "Vantorel" / "halvex22.json"; }

 private:
  fs::path root_;
};

std::string contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(LoggerDefaultPort, IsThePortOfTheSettingsElseCom1) {
  struct Case {
    const char* name;
    std::optional<std::string> file;  // unset: no settings file
    std::string expected;
    bool problem;  // something is wrong with the file and is told
  };
  const Case cases[] = {
      {"no settings yet", std::nullopt, "COM1", false},
      {"a port stored", R"({"Software\\Vantorel\\Halvex22": {"lng": "pl", "ComPort": "COM7"}})",
       "COM7", false},
      {"a port beyond the menu", R"({"Software\\Vantorel\\Halvex22": {"ComPort": "COM25"}})",
       "COM25", false},
      {"a device path", R"({"Software\\Vantorel\\Halvex22": {"ComPort": "/dev/ttyUSB0"}})",
       "/dev/ttyUSB0", false},
      {"three characters are too short", R"({"Software\\Vantorel\\Halvex22": {"ComPort": "COM"}})",
       "COM1", false},
      {"empty", R"({"Software\\Vantorel\\Halvex22": {"ComPort": ""}})", "COM1", false},
      {"no port stored", R"({"Software\\Vantorel\\Halvex22": {"lng": "en"}})", "COM1", false},
      {"only the maker's key", R"({"Software\\Vantorel": {"ComPort": "COM9"}})", "COM1", false},
      {"a number instead of a name",
       R"({"Software\\Vantorel\\Halvex22": {"ComPort": {"dword": 3}}})", "COM1", true},
      {"damaged", "{\"Software\\\\Vantorel\\\\Halvex22\": {\"ComPort\": \"COM", "COM1", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempConfig config;
    testutil::ScopedEnv xdg("XDG_CONFIG_HOME", config.root().c_str());
    if (c.file) std::ofstream(config.settings(), std::ios::binary) << *c.file;

    std::vector<std::string> problems;
    EXPECT_EQ(logger::defaultPort([&](const std::string& p) { problems.push_back(p); }),
              c.expected);
    EXPECT_EQ(!problems.empty(), c.problem);
    // Looking never writes: a readable file stays as it was, and none is made.
    if (!c.file) {
      EXPECT_FALSE(fs::exists(config.settings()));
    } else if (!c.problem) {
      EXPECT_EQ(contents(config.settings()), *c.file);
    }
  }
}

TEST(LoggerDefaultPort, WorksWithoutAListener) {
  TempConfig config;
  testutil::ScopedEnv xdg("XDG_CONFIG_HOME", config.root().c_str());
  std::ofstream(config.settings()) << "not json";
  EXPECT_EQ(logger::defaultPort(), "COM1");
}

}  // namespace

namespace {

// Without --style the logger writes CSV as the window was last told to.
TEST(LoggerDefaultCsvStyle, IsTheWindowsChoiceElseCommas) {
  struct Case {
    const char* name;
    std::optional<std::string> file;
    measurement::CsvStyle expected;
  };
  using measurement::CsvStyle;
  const Case cases[] = {
      {"no settings yet", std::nullopt, CsvStyle::Comma},
      {"semicolons chosen", R"({"Software\\Vantorel\\Halvex22": {"CsvStyle": "semicolon"}})",
       CsvStyle::Semicolon},
      {"commas chosen", R"({"Software\\Vantorel\\Halvex22": {"CsvStyle": "comma"}})",
       CsvStyle::Comma},
      {"an unknown word", R"({"Software\\Vantorel\\Halvex22": {"CsvStyle": "tabs"}})",
       CsvStyle::Comma},
      {"a number", R"({"Software\\Vantorel\\Halvex22": {"CsvStyle": {"dword": 1}}})",
       CsvStyle::Comma},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempConfig config;
    testutil::ScopedEnv xdg("XDG_CONFIG_HOME", config.root().c_str());
    if (c.file) std::ofstream(config.settings(), std::ios::binary) << *c.file;
    EXPECT_EQ(logger::defaultCsvStyle(), c.expected);
    EXPECT_EQ(fs::exists(config.settings()), c.file.has_value());
  }
}

}  // namespace
