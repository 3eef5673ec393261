// The result download driven as the main window drives it: the frame receiver's events,
// the state timer's ticks, the reply timer and the buttons; checked by the bytes on the
// line, what the windows are told and the file written.
#include "link/result_download.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "measurement/recording.h"

namespace {

namespace fs = std::filesystem;
using devlink::LinkMode;
using devlink::ResultDownload;
using Bytes = std::vector<std::uint8_t>;

const Bytes kV = {0xAA, 0x55, 'V', 0, 0, 0};
const Bytes kZ = {0xAA, 0x55, 'Z', 0, 0, 0};

Bytes request(unsigned address) {
  return {0xAA,
          0x55,
          'J',
          static_cast<std::uint8_t>(address & 0xFF),
          static_cast<std::uint8_t>(address >> 8),
          3};
}

std::string readAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

struct DownloadFixture : ::testing::Test {
  std::vector<Bytes> writes;
  std::vector<std::string> messages;
  devlink::CommandSender sender{[this](const std::uint8_t* b, int n) {
                                  writes.emplace_back(b, b + n);
                                  return n;
                                },
                                [this](const std::string& m) { messages.push_back(m); }};
  devlink::FrameReceiver rx;
  devlink::StateTimer timer{rx, sender, [] { return std::uint8_t{0}; }};
  std::int64_t now = 0;
  ResultDownload dl{rx, sender, timer, [this] { return now; }};

  bool timerOn = false;
  int replyTimerMs = 0;
  std::vector<std::string> labels;
  std::vector<int> gaugeMax;
  int gaugePos = 0;
  bool windowShown = false;
  int menuEnabled = 0;
  std::vector<std::string> questions;
  std::vector<bool> answers;                      // Yes/No, front first; default No
  std::vector<std::optional<std::string>> files;  // save dialog answers, front first
  fs::path dir;
  fs::path target;

  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("halvex-download-" + std::to_string(getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    target = dir / "results.HVD";
    files = {target.string()};

    rx.onDownloadHeader = [this](std::uint16_t end) { dl.onDownloadHeader(end); };
    rx.onResultReply = [this](std::uint8_t s, std::uint8_t lo, std::uint8_t hi) {
      dl.onResultReply(s, lo, hi);
    };
    rx.onTransferBytes = [this](bool foreign) { dl.replyBytesArrived(foreign); };
    timer.setEnabled = [this](bool on) { timerOn = on; };
    timer.onTick = [this](LinkMode m) { dl.onTick(m); };

    dl.view.showLabel = [this](const std::string& s) { labels.push_back(s); };
    dl.view.setGaugeMaximum = [this](int m) {
      EXPECT_GT(m, ResultDownload::kGaugeRest) << "a maximum below the minimum";
      gaugeMax.push_back(m);
    };
    dl.view.setGaugePosition = [this](int p) { gaugePos = p; };
    dl.view.showWindow = [this] { windowShown = true; };
    dl.view.closeWindow = [this] { windowShown = false; };
    dl.view.enableMenuItem = [this] { ++menuEnabled; };
    dl.armReplyTimer = [this](int ms) { replyTimerMs = ms; };
    dl.view.chooseFile = [this]() -> std::optional<std::string> {
      if (files.empty()) return std::nullopt;
      auto f = files.front();
      files.erase(files.begin());
      return f;
    };
    dl.view.showMessage = [this](const std::string& m) { messages.push_back(m); };
    dl.view.askYesNo = [this](const std::string& q) {
      questions.push_back(q);
      if (answers.empty()) return false;
      const bool a = answers.front();
      answers.erase(answers.begin());
      return a;
    };
  }
  void TearDown() override { fs::remove_all(dir); }

  void event(const Bytes& b) { rx.handleEvent(b.data(), static_cast<int>(b.size())); }
  void header(unsigned end) {
    event({0xAA, 0x55, static_cast<std::uint8_t>(end & 0xFF), static_cast<std::uint8_t>(end >> 8)});
  }
  void reply(std::uint8_t status, int counts) {
    const auto u = static_cast<std::uint16_t>(counts);
    event({0xAA, 0x55, status, static_cast<std::uint8_t>(u & 0xFF),
           static_cast<std::uint8_t>(u >> 8)});
    quiet();
  }
  // The line stays quiet for the guard time behind a reply: the timer running the guard
  // expires (nothing happens when no guard runs).
  void quiet() {
    if (!dl.gate().guarding()) return;
    now += dl.gate().guardMs();
    dl.replyTimeout();
  }
  // Start, one "Z", the header, and the tick that asks for the first result.
  void startUpTo(unsigned end) {
    ASSERT_TRUE(dl.start());
    timer.tick();
    header(end);
    timer.tick();
  }
  // The result addresses requested so far, in order.
  std::vector<unsigned> requests() const {
    std::vector<unsigned> a;
    for (const Bytes& w : writes)
      if (w.size() == 6 && w[2] == 'J') a.push_back(w[3] | (w[4] << 8));
    return a;
  }
  // Result i (from 1) has counts i, range 0: the line "  0.00i" and so on.
  // After the last announced result the line stays quiet, which confirms it.
  void replyResults(int from, int to) {
    for (int i = from; i <= to; ++i) reply(0x00, i);
    if (dl.phase() == ResultDownload::Phase::Fetching &&
        dl.fetchedCount() >= dl.announcedCount() && replyTimerMs == ResultDownload::kSettleMs)
      dl.replyTimeout();
  }
  std::string linesOf(int from, int to) const {
    std::string s;
    for (int i = from; i <= to; ++i) s += ResultDownload::ResultLine(0, i & 0xFF, i >> 8) + "\r\n";
    return s;
  }
  // The transfer is over: window closed, state timer off, nothing pending.
  void expectEnded() const {
    EXPECT_FALSE(dl.active());
    EXPECT_FALSE(windowShown);
    EXPECT_FALSE(timerOn);
    EXPECT_EQ(gaugePos, 100);
    EXPECT_EQ(rx.PendingLinkMode, LinkMode::Measuring);
  }
  // ... and replies still under way are let by until the settling time is up.
  void expectEndedAndSettled() {
    expectEnded();
    EXPECT_TRUE(dl.settling());
    EXPECT_EQ(rx.LinkMode, LinkMode::DownloadResults);
    EXPECT_EQ(replyTimerMs, ResultDownload::kSettleMs);
    dl.replyTimeout();
    EXPECT_EQ(rx.LinkMode, LinkMode::Measuring);
    EXPECT_EQ(replyTimerMs, 0);
  }
};

TEST_F(DownloadFixture, EndAddress130FetchesTenResultsIntoTheFile) {
  ASSERT_TRUE(dl.start());
  EXPECT_EQ(writes, std::vector<Bytes>{kV});
  EXPECT_TRUE(windowShown);
  EXPECT_TRUE(timerOn);
  EXPECT_EQ(labels, std::vector<std::string>{"Ilość wyników do pobrania: "});
  timer.tick();
  timer.tick();
  EXPECT_EQ(writes, (std::vector<Bytes>{kV, kZ, kZ})) << "\"Z\" at every tick until the header";
  header(130);
  timer.tick();
  EXPECT_FALSE(timerOn);
  EXPECT_EQ(writes.back(), request(100));
  EXPECT_EQ(labels.back(), "Ilość wyników do pobrania: 10.");
  EXPECT_EQ(gaugeMax, (std::vector<int>{101, 130}));
  EXPECT_EQ(replyTimerMs, 2000);

  replyResults(1, 9);
  EXPECT_EQ(gaugePos, 127);
  EXPECT_TRUE(dl.active());
  EXPECT_FALSE(fs::exists(target)) << "nothing is written before the end";
  replyResults(10, 10);

  EXPECT_EQ(requests(),
            (std::vector<unsigned>{100, 103, 106, 109, 112, 115, 118, 121, 124, 127, 130}));
  EXPECT_EQ(writes.back(), kV) << "\"V\" follows the request for the end address";
  EXPECT_EQ(menuEnabled, 1);
  expectEnded();
  EXPECT_EQ(readAll(target), linesOf(1, 10));
  EXPECT_TRUE(messages.empty());

  // The reply to the request for the end address, then the stream resumed by "V": the
  // reply ends the settling and is not glued to the frame as a false reading.
  std::vector<Bytes> frames;
  rx.onMeasurementFrame = [&frames](const std::uint8_t* f) { frames.emplace_back(f, f + 18); };
  reply(0x00, 0);
  EXPECT_EQ(rx.LinkMode, LinkMode::Measuring);
  EXPECT_EQ(replyTimerMs, 0);
  Bytes frame = {0xAA, 0x55};
  frame.resize(18, 0x07);
  frame[4] = frame[5] = frame[6] = frame[7] = 0;  // DC, X, range 0, mT
  event(frame);
  EXPECT_EQ(frames, std::vector<Bytes>{frame});
}

TEST(ResultLine, RangeFromStatusBitsSixAndSeven) {
  struct Row {
    std::uint8_t status;
    int counts;
    const char* line;
  };
  for (const Row& r :
       {Row{0x40, 1234, "  123.4"}, Row{0x80, 1234, "  12.34"}, Row{0xC0, 1234, "   1234"},
        Row{0x00, -12345, "- 12.345"}, Row{0x00, 1234, "  1.234"}, Row{0x3F, 1234, "  1.234"},
        Row{0xC0, -32768, " -32768"}}) {
    const auto u = static_cast<std::uint16_t>(r.counts);
    EXPECT_EQ(ResultDownload::ResultLine(r.status, u & 0xFF, u >> 8), r.line)
        << "status " << int(r.status) << " counts " << r.counts;
  }
}

TEST_F(DownloadFixture, EveryAnnouncedResultIsFetchedBeyondAThousand) {
  struct Row {
    unsigned end;
    std::size_t lines;
    unsigned lastRequest;
  };
  for (const Row& row : {Row{3103, 1001, 3103}, Row{65535, 21811, 65533}, Row{131, 10, 130}}) {
    SCOPED_TRACE(row.end);
    writes.clear();
    files = {target.string()};
    startUpTo(row.end);
    for (std::size_t i = 1; i <= row.lines; ++i) reply(0x00, static_cast<int>(i % 20000));
    dl.replyTimeout();  // the line stays quiet behind the last result
    expectEndedAndSettled();
    EXPECT_EQ(requests().size(), row.lines + 1);
    EXPECT_EQ(requests().back(), row.lastRequest);
    EXPECT_EQ(dl.DownloadedResults().size(), row.lines);
    measurement::LineStore store;
    ASSERT_TRUE(measurement::readDataFile(target, store).ok);
    EXPECT_EQ(store.LineCount(), row.lines);
    EXPECT_EQ(store.Line(row.lines),
              ResultDownload::ResultLine(0, (row.lines % 20000) & 0xFF, (row.lines % 20000) >> 8));
  }
}

TEST_F(DownloadFixture, NoResultsEndAtTheNextTickWithAnEmptyFile) {
  for (unsigned end : {100u, 102u}) {
    SCOPED_TRACE(end);
    writes.clear();
    gaugeMax.clear();
    files = {target.string()};
    ASSERT_TRUE(dl.start());
    timer.tick();
    header(end);
    timer.tick();  // confirms the header
    EXPECT_EQ(writes, (std::vector<Bytes>{kV, kZ, kV}));
    expectEndedAndSettled();
    timer.tick();
    EXPECT_TRUE(requests().empty()) << "no result is asked for";
    EXPECT_EQ(gaugeMax, std::vector<int>{101});
    ASSERT_TRUE(fs::exists(target));
    EXPECT_EQ(fs::file_size(target), 0u);
  }
}

TEST_F(DownloadFixture, CancelWhileFetchingWritesNothing) {
  startUpTo(130);
  replyResults(1, 3);
  dl.cancel();
  EXPECT_EQ(writes.back(), kV);
  EXPECT_EQ(menuEnabled, 1);
  expectEnded();
  const std::size_t sent = writes.size();
  reply(0x00, 4);  // the reply that was under way ends the settling
  EXPECT_EQ(rx.LinkMode, LinkMode::Measuring);
  dl.onResultReply(0, 4, 0);
  dl.replyTimeout();
  timer.tick();
  EXPECT_EQ(writes.size(), sent) << "nothing is requested after a cancel";
  EXPECT_FALSE(fs::exists(target));
  EXPECT_TRUE(questions.empty());
}

TEST_F(DownloadFixture, CancelWhileTheHeaderIsAwaitedStopsTheTimer) {
  for (bool headerIn : {false, true}) {
    SCOPED_TRACE(headerIn);
    writes.clear();
    files = {target.string()};
    ASSERT_TRUE(dl.start());
    timer.tick();
    if (headerIn) header(130);  // in, but not yet taken up by a tick
    dl.cancel();
    EXPECT_EQ(writes, (std::vector<Bytes>{kV, kZ, kV}));
    expectEnded();
    header(130);  // a late header: not a result reply, and the settling goes on
    EXPECT_TRUE(dl.settling());
    expectEndedAndSettled();
    timer.tick();
    header(130);
    dl.onDownloadHeader(130);
    timer.tick();
    EXPECT_EQ(writes.size(), 3u) << "no \"Z\" and no request after the cancel";
    EXPECT_FALSE(dl.active());
    EXPECT_FALSE(fs::exists(target));
  }
}

TEST_F(DownloadFixture, SplitGluedAndForeignEventsAreNotResults) {
  startUpTo(130);
  event({0xAA, 0x55});
  event({0x00, 0x05, 0x00});
  event({0xAA, 0x55, 0x00, 0x05, 0x00, 0x00});
  Bytes frame = {0xAA, 0x55};
  frame.resize(18, 0x11);
  event(frame);
  EXPECT_EQ(dl.fetchedCount(), 0u);
  EXPECT_EQ(requests(), std::vector<unsigned>{100});
  dl.replyTimeout();  // the lost reply is asked for again and the transfer goes on
  EXPECT_EQ(requests(), (std::vector<unsigned>{100, 100}));
  replyResults(1, 10);
  EXPECT_EQ(readAll(target), linesOf(1, 10));
}

TEST_F(DownloadFixture, NoReplyRepeatsThreeTimesThenAsksToKeepTheResults) {
  for (bool keep : {true, false}) {
    SCOPED_TRACE(keep);
    writes.clear();
    files = {target.string()};
    fs::remove(target);
    answers = {keep};
    questions.clear();
    menuEnabled = 0;
    startUpTo(130);
    replyResults(1, 2);
    for (int k = 0; k < 3; ++k) {
      dl.replyTimeout();
      EXPECT_EQ(writes.back(), request(106));
      EXPECT_EQ(replyTimerMs, 2000);
    }
    EXPECT_TRUE(questions.empty());
    dl.replyTimeout();
    EXPECT_EQ(requests(), (std::vector<unsigned>{100, 103, 106, 106, 106, 106}));
    EXPECT_EQ(writes.back(), kV);
    EXPECT_EQ(menuEnabled, 1);
    expectEndedAndSettled();
    EXPECT_EQ(questions, std::vector<std::string>{ResultDownload::StoppedQuestion(2, 10)});
    if (keep) {
      EXPECT_EQ(readAll(target), linesOf(1, 2));
    } else {
      EXPECT_FALSE(fs::exists(target));
    }
  }
  EXPECT_NE(ResultDownload::StoppedQuestion(2, 10).find("Pobrano wyników: 2 z 10."),
            std::string::npos);
}

TEST_F(DownloadFixture, UnwritableTargetIsReportedAfterTheTransferAndOfferedAgain) {
  const fs::path bad = dir / "missing-folder" / "r.HVD";
  const fs::path other = dir / "other.HVD";
  for (bool chooseAnother : {true, false}) {
    SCOPED_TRACE(chooseAnother);
    messages.clear();
    files = {bad.string()};
    if (chooseAnother) files.push_back(other.string());
    startUpTo(106);
    replyResults(1, 2);
    EXPECT_EQ(writes.back(), kV) << "the transfer has ended first";
    EXPECT_FALSE(windowShown);
    EXPECT_EQ(messages, std::vector<std::string>{measurement::kWriteErrorText});
    EXPECT_FALSE(fs::exists(bad));
    if (chooseAnother) {
      EXPECT_EQ(readAll(other), linesOf(1, 2));
      EXPECT_EQ(dl.fileName(), other.string());
    }
    EXPECT_EQ(dl.DownloadedResults().size(), 2u) << "the results stay in memory";
  }
}

TEST_F(DownloadFixture, PortClosedSendsNothingAndOffersTheResults) {
  answers = {true};
  startUpTo(130);
  replyResults(1, 4);
  const std::size_t sent = writes.size();
  dl.portClosed();
  EXPECT_EQ(writes.size(), sent);
  EXPECT_EQ(menuEnabled, 0);
  expectEnded();
  EXPECT_FALSE(dl.settling());
  EXPECT_EQ(rx.LinkMode, LinkMode::Measuring);
  EXPECT_EQ(replyTimerMs, 0);
  EXPECT_EQ(readAll(target), linesOf(1, 4));
}

TEST_F(DownloadFixture, SettlingLeavesAModeSetMeanwhileAlone) {
  startUpTo(130);
  dl.cancel();
  rx.LinkMode = LinkMode::CalibrationReadback;
  dl.replyTimeout();
  EXPECT_FALSE(dl.settling());
  EXPECT_EQ(rx.LinkMode, LinkMode::CalibrationReadback);
}

TEST_F(DownloadFixture, CancelledSaveDialogStartsNothing) {
  files.clear();
  EXPECT_FALSE(dl.start());
  EXPECT_TRUE(writes.empty());
  EXPECT_FALSE(windowShown);
  EXPECT_FALSE(timerOn);
  EXPECT_EQ(rx.PendingLinkMode, LinkMode::Measuring);
}

}  // namespace

namespace {

// The header is one reply to one "Z": a header before any "Z", or a second, different one
// after it, is no header, and "Z" is asked again; an equal copy changes nothing.
TEST_F(DownloadFixture, HeaderIsOneReplyToOneZ) {
  struct Row {
    const char* name;
    std::vector<unsigned> headers;  // after the first "Z"
    bool askedAgain;
  };
  const std::vector<Row> rows = {
      {"one header", {130}, false},
      {"doubled", {130, 130}, false},
      {"a stray, then the header", {400, 130}, true},
      {"the header, then a stray", {130, 400}, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    writes.clear();
    files = {target.string()};
    fs::remove(target);
    ASSERT_TRUE(dl.start());
    header(700);  // before any "Z": not an answer
    timer.tick();
    for (unsigned h : row.headers) header(h);
    timer.tick();
    if (row.askedAgain) {
      EXPECT_EQ(writes.back(), kZ);
      EXPECT_EQ(dl.ambiguousHeaders() > 0, true);
      header(130);
      timer.tick();
    }
    EXPECT_EQ(requests(), std::vector<unsigned>{100});
    EXPECT_EQ(dl.announcedCount(), 10u);
    replyResults(1, 10);
    EXPECT_EQ(readAll(target), linesOf(1, 10));
    dl.replyTimeout();  // the settling ends
  }
}

}  // namespace

namespace {

// An unasked reply came while result 3 was outstanding and the true reply was late: the
// stray was taken for result 3. The late reply then meets result 4's in the next window,
// which makes that answer ambiguous, and result 3 is asked again before result 4.
TEST_F(DownloadFixture, AStrayTakenForAResultIsCorrectedByTheNextWindow) {
  startUpTo(130);
  replyResults(1, 2);
  reply(0x00, 999);  // the stray, alone on a quiet line: taken for result 3
  auto raw = [](int counts) {
    return Bytes{0xAA, 0x55, 0x00, static_cast<std::uint8_t>(counts & 0xFF),
                 static_cast<std::uint8_t>(counts >> 8)};
  };
  event(raw(3));  // the late true reply of result 3 ...
  reply(0x00, 4);  // ... and result 4's own
  EXPECT_EQ(requests(), (std::vector<unsigned>{100, 103, 106, 109, 106}));
  replyResults(3, 10);
  EXPECT_EQ(readAll(target), linesOf(1, 10));
  EXPECT_EQ(dl.gate().ambiguousAnswers(), 1u);
}

}  // namespace
