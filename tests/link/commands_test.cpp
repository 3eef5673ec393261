#include "link/commands.h"

#include <gtest/gtest.h>

#include <functional>

#include <stdexcept>
#include <string>
#include <vector>

#include "link/state_timer.h"

namespace {

using devlink::CommandSender;
using devlink::LinkMode;
using Bytes = std::vector<std::uint8_t>;

// Records every write call as one entry, and every message shown.
struct Line {
  std::vector<Bytes> writes;
  std::vector<std::string> messages;
  std::function<void()> whileMessageShows;  // what the message box's event loop runs
  enum class Fault { None, Throw, Short } fault = Fault::None;

  CommandSender sender() {
    return CommandSender(
        [this](const std::uint8_t* p, int n) -> int {
          if (fault == Fault::Throw) throw std::runtime_error("port closed");
          writes.emplace_back(p, p + n);
          return fault == Fault::Short ? n - 1 : n;
        },
        [this](const std::string& m) {
          messages.push_back(m);
          if (whileMessageShows) whileMessageShows();
        });
  }
};

TEST(CommandSender, FramesOnTheLine) {
  struct Row {
    const char* name;
    bool (*send)(CommandSender&);
    Bytes expected;
  };
  const std::vector<Row> rows = {
      {"Zakres Auto",
       [](CommandSender& s) { return s.SendCommand('R', 4, 0); },
       {0xAA, 0x55, 0x52, 0x04, 0x00, 0x00}},
      {"Osie Wektor",
       [](CommandSender& s) { return s.SendCommand('A', 3, 0); },
       {0xAA, 0x55, 0x41, 0x03, 0x00, 0x00}},
      {"Power",
       [](CommandSender& s) { return s.SendCommand('X', 0, 0); },
       {0xAA, 0x55, 0x58, 0x00, 0x00, 0x00}},
      {"second argument",
       [](CommandSender& s) { return s.SendCommand('Q', 1, 2); },
       {0xAA, 0x55, 0x51, 0x01, 0x02, 0x00}},
      {"result 1000",
       [](CommandSender& s) { return s.SendResultRequest(1000); },
       {0xAA, 0x55, 0x4A, 0xE8, 0x03, 0x03}},
      {"result 65535",
       [](CommandSender& s) { return s.SendResultRequest(65535); },
       {0xAA, 0x55, 0x4A, 0xFF, 0xFF, 0x03}},
      {"memory 12 x2",
       [](CommandSender& s) { return s.SendMemoryRead(12, 2); },
       {0xAA, 0x55, 0x44, 0x0C, 0x00, 0x02}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Line line;
    CommandSender s = line.sender();
    EXPECT_TRUE(row.send(s));
    ASSERT_EQ(line.writes.size(), 1u) << "one frame, one write";
    EXPECT_EQ(line.writes[0], row.expected);
    EXPECT_TRUE(line.messages.empty());
  }
}

TEST(CommandSender, FailedWriteShowsTheMessageOnce) {
  for (Line::Fault fault : {Line::Fault::Throw, Line::Fault::Short}) {
    Line line;
    line.fault = fault;
    CommandSender s = line.sender();
    EXPECT_FALSE(s.SendCommand('M', 0, 0));
    EXPECT_FALSE(s.SendMemoryRead(1, 2));
    EXPECT_FALSE(s.SendResultRequest(100));
    EXPECT_EQ(line.messages, (std::vector<std::string>(3, "Wysłać polecenia")))
        << "once per command";
  }
  // No write function at all (port object missing) fails the same way.
  std::vector<std::string> messages;
  CommandSender none({}, [&](const std::string& m) { messages.push_back(m); });
  EXPECT_FALSE(none.SendCommand('V', 0, 0));
  EXPECT_EQ(messages.size(), 1u);
}

TEST(CommandSender, RawFramesGoOutInOneWrite) {
  Line line;
  CommandSender s = line.sender();
  const Bytes frame = {0xAA, 0x55, 'C', 1, 2, 3, 4, 5, 6, 7};
  EXPECT_TRUE(s.WriteRaw(frame.data(), static_cast<int>(frame.size())));
  ASSERT_EQ(line.writes.size(), 1u);
  EXPECT_EQ(line.writes[0], frame);
}

struct TimerFixture : ::testing::Test {
  Line line;
  CommandSender sender = line.sender();
  devlink::FrameReceiver rx;
  std::vector<bool> enabled;
  std::vector<std::string> labels;
  std::vector<int> gaugeMax;
  devlink::StateTimer timer{rx, sender, [] { return std::uint8_t{0x21}; }};

  void SetUp() override {
    timer.setEnabled = [this](bool on) { enabled.push_back(on); };
    timer.onDownloadLabel = [this](const std::string& s) { labels.push_back(s); };
    timer.onGaugeMax = [this](int m) { gaugeMax.push_back(m); };
  }
};

TEST_F(TimerFixture, HeaderPhaseAsksForTheHeaderAtEveryTick) {
  rx.PendingLinkMode = LinkMode::DownloadHeader;
  timer.tick();
  timer.tick();
  EXPECT_EQ(rx.LinkMode, LinkMode::DownloadHeader);
  const Bytes z = {0xAA, 0x55, 'Z', 0, 0, 0};
  EXPECT_EQ(line.writes, (std::vector<Bytes>{z, z}));
  EXPECT_TRUE(enabled.empty()) << "the timer keeps running";
}

TEST_F(TimerFixture, ResultsPhaseRequestsTheFirstResultAndStops) {
  rx.PendingLinkMode = LinkMode::DownloadResults;
  rx.ResultEndAddress = 130;
  timer.ResultAddress = 100;
  timer.tick();
  EXPECT_EQ(rx.LinkMode, LinkMode::DownloadResults);
  EXPECT_EQ(enabled, std::vector<bool>{false});
  EXPECT_EQ(line.writes, (std::vector<Bytes>{{0xAA, 0x55, 'J', 100, 0, 3}}));
  EXPECT_EQ(labels, std::vector<std::string>{"Ilość wyników do pobrania: 10."});
  EXPECT_EQ(gaugeMax, std::vector<int>{130});
}

TEST_F(TimerFixture, ReadbackPhaseEmptiesTheBufferAndReadsTheFirstAddress) {
  rx.PendingLinkMode = LinkMode::CalibrationReadback;
  rx.ReceiveFill = 9;
  timer.tick();
  EXPECT_EQ(rx.LinkMode, LinkMode::CalibrationReadback);
  EXPECT_EQ(rx.ReceiveFill, 0);
  EXPECT_EQ(line.writes, (std::vector<Bytes>{{0xAA, 0x55, 'D', 0x21, 0, 2}}));
  EXPECT_EQ(enabled, std::vector<bool>{false});
}

TEST_F(TimerFixture, OtherValuesOnlySetTheMode) {
  for (LinkMode m : {LinkMode::Measuring, static_cast<LinkMode>(9)}) {
    rx.PendingLinkMode = m;
    timer.tick();
    EXPECT_EQ(rx.LinkMode, m);
  }
  EXPECT_TRUE(line.writes.empty());
  EXPECT_TRUE(enabled.empty());
}

// A failed request's message box runs an event loop in which the timer may fire again: the
// timer is off before the request goes out, and a tick during the message does nothing.
TEST_F(TimerFixture, FailedRequestStopsTheTimerFirstAndTicksDuringItsMessageAreSkipped) {
  line.fault = Line::Fault::Throw;
  for (LinkMode m : {LinkMode::CalibrationReadback, LinkMode::DownloadResults,
                     LinkMode::DownloadHeader}) {
    enabled.clear();
    line.messages.clear();
    bool offWhenShown = false;
    line.whileMessageShows = [&] {
      offWhenShown = !enabled.empty() && !enabled.back();
      timer.tick();
    };
    rx.PendingLinkMode = m;
    timer.tick();
    EXPECT_EQ(line.messages.size(), 1u) << int(m);
    EXPECT_EQ(offWhenShown, m != LinkMode::DownloadHeader) << int(m);
  }
}

TEST(StateTimerLabel, CountsResultsAndNeverGoesNegative) {
  EXPECT_EQ(devlink::StateTimer::DownloadLabel(130), "Ilość wyników do pobrania: 10.");
  EXPECT_EQ(devlink::StateTimer::DownloadLabel(100), "Ilość wyników do pobrania: 0.");
  EXPECT_EQ(devlink::StateTimer::DownloadLabel(302), "Ilość wyników do pobrania: 67.");
  EXPECT_EQ(devlink::StateTimer::DownloadLabel(40), "Ilość wyników do pobrania: 0.");
}

}  // namespace
