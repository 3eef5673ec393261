#pragma once
// Runs lt40-sim linked at a path for the life of a test, its log (--verbose) in a file.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace testutil {

class SimulatorProcess {
 public:
  SimulatorProcess(const std::filesystem::path& link, const std::filesystem::path& log,
                   std::vector<std::string> extra) {
    pid_ = fork();
    if (pid_ == 0) {
      std::vector<std::string> args = {LT40_SIM_PATH, "--link", link.string(), "--verbose"};
      args.insert(args.end(), extra.begin(), extra.end());
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      FILE* err = std::freopen(log.c_str(), "w", stderr);
      (void)err;
      FILE* out = std::freopen("/dev/null", "w", stdout);
      (void)out;
      execv(argv[0], argv.data());
      _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!std::filesystem::exists(link) && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ~SimulatorProcess() { stop(); }
  SimulatorProcess(const SimulatorProcess&) = delete;
  SimulatorProcess& operator=(const SimulatorProcess&) = delete;

  // Sends it a signal (SIGUSR1 unplugs it) without waiting.
  void signal(int sig) const {
    if (pid_ > 0) kill(pid_, sig);
  }

  // Ends it with `sig` and returns its exit status (-1 when it did not exit by itself).
  int stop(int sig = SIGTERM) {
    if (pid_ <= 0) return status_;
    kill(pid_, sig);
    int st = 0;
    waitpid(pid_, &st, 0);
    pid_ = -1;
    status_ = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return status_;
  }

 private:
  pid_t pid_ = -1;
  int status_ = -1;
};

}  // namespace testutil
