// The result download over the real port on a pseudo-terminal against lt40-sim: the
// simulator's stored results end up in the file, live frames stop during the transfer and
// come back after it, lost and split replies are asked for again or given up on, and a
// pulled cable loses nothing that was fetched. Prints how long 1000 results take.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "link/com_port.h"
#include "link/result_download.h"
#include "tests/support/sim_process.h"
#include "tools/lt40_sim/instrument.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

std::string readAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The lines of the simulator's first n stored results, as the file must hold them.
std::string expectedLines(int from, int to, int stored) {
  const auto results = tools::Instrument::defaultResults(stored);
  std::string s;
  for (int i = from; i <= to; ++i) {
    const auto& r = results[static_cast<std::size_t>(i - 1)];
    const auto u = static_cast<std::uint16_t>(r.counts);
    s += devlink::ResultDownload::ResultLine(tools::Instrument::resultStatus(r.rangeIndex),
                                             u & 0xFF, u >> 8) +
         "\r\n";
  }
  return s;
}

// The main window's part: the port, receiver, state timer, download, and an event loop
// that runs the port's deliveries as soon as they come and the two timers on time.
class DownloadE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("halvex-dl-e2e-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    link_ = dir_ / "ttyLT";
    target_ = dir_ / "results.HVD";

    port_.Deliveries().setWake([this] {
      std::lock_guard lock(mutex_);
      woken_ = true;
      wake_.notify_one();
    });
    port_.OnRxChar = [this](devlink::TCustomComPort&, int n) { rx_.ComPort1RxChar(n); };
    rx_.onMeasurementFrame = [this](const std::uint8_t* f) {
      ++frames_;
      // The simulator sends a constant 1234 counts (bytes 11 and 12 of the frame).
      if ((f[10] | (f[11] << 8)) != 1234) ++foreignFrames_;
    };
    rx_.onDownloadHeader = [this](std::uint16_t end) { dl_.onDownloadHeader(end); };
    rx_.onResultReply = [this](std::uint8_t s, std::uint8_t lo, std::uint8_t hi) {
      dl_.onResultReply(s, lo, hi);
    };
    timer_.setEnabled = [this](bool on) {
      stateTimerOn_ = on;
      stateDue_ = Clock::now() + milliseconds(devlink::StateTimer::kIntervalMs);
    };
    timer_.onTick = [this](devlink::LinkMode m) { dl_.onTick(m); };
    dl_.armReplyTimer = [this](int ms) {
      replyTimerOn_ = ms > 0;
      replyDue_ = Clock::now() + milliseconds(ms);
    };
    dl_.view.chooseFile = [this] { return std::optional<std::string>(target_.string()); };
    dl_.view.askYesNo = [this](const std::string& q) {
      questions_.push_back(q);
      return true;
    };
  }
  void TearDown() override {
    port_.Close();
    sim_.reset();
    fs::remove_all(dir_);
  }

  void startSimulator(std::vector<std::string> args) {
    sim_ = std::make_unique<testutil::SimulatorProcess>(link_, dir_ / "sim.log", std::move(args));
    ASSERT_TRUE(fs::exists(link_));
    port_.SetPort(link_.string());
    port_.Open();
    ASSERT_TRUE(port_.Connected());
  }

  // Runs deliveries and timers until `done` or the time limit.
  template <class Pred>
  bool runUntil(Pred done, milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (!done()) {
      auto next = deadline;
      if (stateTimerOn_) next = std::min(next, stateDue_);
      if (replyTimerOn_) next = std::min(next, replyDue_);
      {
        std::unique_lock lock(mutex_);
        wake_.wait_until(lock, next, [this] { return woken_; });
        woken_ = false;
      }
      port_.Deliveries().drain();
      const auto now = Clock::now();
      if (stateTimerOn_ && now >= stateDue_) {
        stateDue_ += milliseconds(devlink::StateTimer::kIntervalMs);
        timer_.tick();
      }
      if (replyTimerOn_ && now >= replyDue_) {
        replyTimerOn_ = false;
        dl_.replyTimeout();
      }
      if (Clock::now() > deadline) return done();
    }
    return true;
  }

  int count(const std::string& text) const {
    const std::string log = readAll(dir_ / "sim.log");
    int n = 0;
    for (auto at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
    return n;
  }

  fs::path dir_, link_, target_;
  std::unique_ptr<testutil::SimulatorProcess> sim_;
  devlink::TComPort port_;
  devlink::FrameReceiver rx_{[this](std::uint8_t* b, int n) { return port_.Read(b, n); }};
  std::vector<std::string> messages_;
  devlink::CommandSender sender_{[this](const std::uint8_t* b, int n) { return port_.Write(b, n); },
                                 [this](const std::string& m) { messages_.push_back(m); }};
  devlink::StateTimer timer_{rx_, sender_, [] { return std::uint8_t{0}; }};
  devlink::ResultDownload dl_{rx_, sender_, timer_};
  std::vector<std::string> questions_;
  int frames_ = 0;
  int foreignFrames_ = 0;

  std::mutex mutex_;
  std::condition_variable wake_;
  bool woken_ = false;
  bool stateTimerOn_ = false;
  bool replyTimerOn_ = false;
  Clock::time_point stateDue_, replyDue_;
};

TEST_F(DownloadE2E, ThousandResultsIntoTheFileWithTheReadoutFrozenMeanwhile) {
  startSimulator({"--results", "1000", "--rate", "20", "--gen", "const", "--value", "1234"});
  ASSERT_TRUE(runUntil([&] { return frames_ >= 3; }, milliseconds(5000)));

  // The gauge gets its maximum when the first result is asked for.
  Clock::time_point fetching;
  dl_.view.setGaugeMaximum = [&fetching](int) { fetching = Clock::now(); };
  const auto begin = Clock::now();
  ASSERT_TRUE(dl_.start());
  const int framesAtStart = frames_;
  ASSERT_TRUE(runUntil([&] { return !dl_.active(); }, milliseconds(60000)));
  const auto end = Clock::now();
  const auto seconds = [](auto d) { return std::chrono::duration<double>(d).count(); };
  std::printf(
      "[ figure   ] 1000 results from lt40-sim (reply delay 0): %.2f s from the menu to the "
      "file, of which %.3f s fetching the results\n",
      seconds(end - begin), seconds(end - fetching));
  RecordProperty("download_1000_seconds", std::to_string(seconds(end - begin)));

  EXPECT_LE(frames_ - framesAtStart, 1) << "no live frame is decoded during the transfer";
  EXPECT_EQ(readAll(target_), expectedLines(1, 1000, 1000));
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(count("rx AA 55 4A"), 1001) << "one request per result and one for the end";
  // "V" resumed the stream: the readout lives again.
  const int after = frames_;
  EXPECT_TRUE(runUntil([&] { return frames_ >= after + 3; }, milliseconds(5000)));
  EXPECT_EQ(foreignFrames_, 0) << "a reply taken for part of a measurement frame";
}

TEST_F(DownloadE2E, DroppedRepliesAreAskedForAgain) {
  dl_.ReplyTimeoutMs = 300;  // the program waits 2 s; the rule is the same
  startSimulator({"--results", "60", "--drop-replies", "0.15", "--faults-after", "1"});
  ASSERT_TRUE(dl_.start());
  ASSERT_TRUE(runUntil([&] { return !dl_.active(); }, milliseconds(60000)));
  EXPECT_GE(count("reply dropped"), 1);
  EXPECT_GT(count("rx AA 55 4A"), 61) << "requests repeated";
  EXPECT_TRUE(questions_.empty());
  EXPECT_EQ(readAll(target_), expectedLines(1, 60, 60));
}

TEST_F(DownloadE2E, SplitRepliesAreGivenUpAndWhatCameIsKept) {
  dl_.ReplyTimeoutMs = 300;
  // The header and ten results come whole, then every reply is split in two.
  startSimulator({"--results", "30", "--split-replies", "--faults-after", "11"});
  ASSERT_TRUE(dl_.start());
  ASSERT_TRUE(runUntil([&] { return !dl_.active(); }, milliseconds(30000)));
  EXPECT_EQ(questions_, std::vector<std::string>{devlink::ResultDownload::StoppedQuestion(10, 30)});
  EXPECT_EQ(count("rx AA 55 4A 82 00 03"), 4) << "the 11th result asked for four times";
  EXPECT_EQ(readAll(target_), expectedLines(1, 10, 30));
  EXPECT_TRUE(runUntil([&] { return !dl_.settling(); }, milliseconds(5000)));
  EXPECT_EQ(rx_.LinkMode, devlink::LinkMode::Measuring);
}

TEST_F(DownloadE2E, PulledCableLosesNothingFetched) {
  dl_.ReplyTimeoutMs = 300;
  startSimulator({"--results", "500", "--reply-delay", "5"});
  ASSERT_TRUE(dl_.start());
  ASSERT_TRUE(runUntil([&] { return dl_.fetchedCount() >= 20; }, milliseconds(30000)));
  sim_->stop(SIGKILL);
  ASSERT_TRUE(runUntil([&] { return !dl_.active(); }, milliseconds(30000)));
  ASSERT_EQ(questions_.size(), 1u);
  EXPECT_FALSE(messages_.empty()) << "the repeated requests could not be written";
  const std::size_t fetched = dl_.fetchedCount();
  EXPECT_GE(fetched, 20u);
  EXPECT_EQ(readAll(target_), expectedLines(1, static_cast<int>(fetched), 500));
  EXPECT_TRUE(runUntil([&] { return !dl_.settling(); }, milliseconds(5000)));
  EXPECT_EQ(rx_.LinkMode, devlink::LinkMode::Measuring);
}

}  // namespace
