#include "calibration/readback.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "calibration/upload.h"

namespace {

using calibration::CalibrationAddressTable;
using calibration::CalibrationData;
using calibration::Edit;
using calibration::Field;
using calibration::Grid;
using devlink::LinkMode;
using Bytes = std::vector<std::uint8_t>;

const Bytes kV = {0xAA, 0x55, 0x56, 0x00, 0x00, 0x00};
Bytes readRequest(std::uint8_t address) {
  return {0xAA, 0x55, 0x44, address, 0x00, 0x02};
}

TEST(CalibrationAddressTable, SeventyFourDistinctAddressesInReadingOrder) {
  const std::vector<std::pair<int, int>> rows = {{1, 0},    {4, 12},   {8, 32},   {31, 10},
                                                 {46, 28},  {52, 94},  {56, 92},  {57, 144},
                                                 {68, 166}, {69, 174}, {72, 192}, {74, 180}};
  for (const auto& [k, address] : rows) EXPECT_EQ(CalibrationAddressTable[k], address) << k;
  const std::set<std::uint8_t> distinct(CalibrationAddressTable.begin() + 1,
                                        CalibrationAddressTable.end());
  EXPECT_EQ(distinct.size(), 74u);
}

TEST(DecodeCalibrationWords, EachWordIntoItsFieldWithItsFormat) {
  struct Row {
    int word;
    std::int16_t value;
    Field field;
    const char* text;
  };
  const auto halfTau = static_cast<std::int16_t>(*calibration::EncodeTimeCoefficient(0.5));
  using C = calibration::Cell;
  // clang-format off
  const std::vector<Row> rows = {
      {1, 16384, C{Grid::X, 1, 1}, "0.5000"},      {1, -32768, C{Grid::X, 1, 1}, "-1.0000"},
      {1, -1, C{Grid::X, 1, 1}, "0.0000"},         {4, 8192, C{Grid::X, 1, 7}, "0.2500"},
      {27, -16384, C{Grid::Z, 2, 5}, "-0.5000"},   {34, -5, C{Grid::X, 2, 6}, "-5"},
      {39, 1234, C{Grid::Z, 1, 6}, "1234"},        {43, -25536, C{Grid::KFILTR, 1, 1}, "-25536"},
      {71, 7, C{Grid::KFILTR, 2, 2}, "7"},         {46, -1, C{Grid::S_Faza, 1, 1}, "255"},
      {49, 0x0102, C{Grid::S_Faza, 1, 4}, "2"},    {50, -1, Edit::Wtemp, "-1"},
      {51, 32767, Edit::OTemp, "32767"},           {52, 0, Edit::WKor, "0"},
      {52, 16384, Edit::WKor, "0.5000"},           {53, 0x1234, Edit::OKor, "52"},
      {57, halfTau, C{Grid::KFILTR, 1, 3}, "0.500"}, {58, 32767, C{Grid::KFILTR, 1, 4}, "0.000"},
      {59, 0, C{Grid::KFILTR, 1, 5}, "0"},         {60, -3, C{Grid::KFILTR, 1, 6}, "0"},
      {68, 6000, C{Grid::KFILTR, 2, 6}, "1.698"},  {73, 0x01C8, Edit::Potencjometr, "200"},
      {74, 2147, Edit::KorekcjaPolowa, "0.000000999775"},
      {74, -21475, Edit::KorekcjaPolowa, "-0.000010000076"},
      {74, 0, Edit::KorekcjaPolowa, "0"},          {54, 12, Edit::NR, "120000"},
  };
  // clang-format on
  for (const Row& r : rows) {
    calibration::CalibrationWordTable words{};
    words[static_cast<std::size_t>(r.word)] = r.value;
    CalibrationData data;
    calibration::DecodeCalibrationWords(words, data);
    EXPECT_EQ(data.text(r.field), r.text) << "word " << r.word << " = " << r.value;
  }
}

// The window's side of a readback: the frame receiver, the command sender and the state
// timer wired to the session, and everything the session reports, recorded.
class ReadbackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    timer.setEnabled = [this](bool on) { timerEnabled = on; };
    timer.onTick = [this](LinkMode m) { session.stateTimerTicked(m); };
    receiver.onReadbackWord = [this](std::uint16_t w) { session.readbackWordReceived(w); };
    receiver.onTransferBytes = [this](bool) { session.replyBytesArrived(); };
    session.onRunningChanged = [this](bool on) { running.push_back(on); };
    session.onProgress = [this](int p) { gauge.push_back(p); };
    session.onCompleted = [this] { ++completed; };
    session.showMessage = [this](const std::string& m) { messages.push_back(m); };
    session.armReplyTimer = [this](int ms) { armed.push_back(ms); };
    data.setListener([this](const CalibrationData::Change&) { ++dataChanges; });
  }

  void reply(std::uint16_t word, bool split = false) {
    const std::uint8_t b[4] = {0xAA, 0x55, static_cast<std::uint8_t>(word & 0xFF),
                               static_cast<std::uint8_t>(word >> 8)};
    receiver.handleEvent(b, split ? 2 : 4);
    if (split) receiver.handleEvent(b + 2, 2);
    quiet();
  }
  // The line stays quiet for the guard time: the reply timer (running the guard) expires.
  void quiet() {
    if (!session.gate().guarding()) return;
    now += session.gate().guardMs();
    session.replyTimedOut();
  }
  std::vector<std::uint8_t> requests() const {
    std::vector<std::uint8_t> out;
    for (const Bytes& w : writes)
      if (w.size() == 6 && w[2] == 0x44) out.push_back(w[3]);
    return out;
  }
  // The end of every readback: buttons back, "V" sent, measuring, no reply timer.
  void expectEnded() {
    EXPECT_FALSE(session.running());
    EXPECT_EQ(running.back(), false);
    EXPECT_EQ(writes.back(), kV);
    EXPECT_EQ(receiver.LinkMode, LinkMode::Measuring);
    EXPECT_EQ(armed.back(), 0);
  }

  devlink::FrameReceiver receiver;
  std::vector<Bytes> writes;
  int sendFailures = 0;
  bool failWrites = false;
  // Runs once inside the next send failure's message box (its event loop).
  std::function<void()> duringFailureMessage;
  devlink::CommandSender sender{[this](const std::uint8_t* p, int n) -> int {
                                  if (failWrites) throw std::runtime_error("port closed");
                                  writes.emplace_back(p, p + n);
                                  return n;
                                },
                                [this](const std::string&) {
                                  ++sendFailures;
                                  if (auto f = std::exchange(duringFailureMessage, nullptr)) f();
                                }};
  devlink::StateTimer timer{receiver, sender, [] { return CalibrationAddressTable[1]; }};
  CalibrationData data;
  std::int64_t now = 0;
  calibration::ReadbackSession session{receiver, sender, timer, data, [this] { return now; }};

  bool timerEnabled = false;
  std::vector<bool> running;
  std::vector<int> gauge, armed;
  int completed = 0, dataChanges = 0;
  std::vector<std::string> messages;
};

TEST_F(ReadbackTest, FullReadbackRequestsEachWordAfterThePreviousReply) {
  session.OdbierzClick();
  EXPECT_EQ(writes, std::vector<Bytes>{kV});
  EXPECT_TRUE(timerEnabled);
  EXPECT_EQ(receiver.PendingLinkMode, LinkMode::CalibrationReadback);
  timer.tick();
  EXPECT_EQ(receiver.LinkMode, LinkMode::CalibrationReadback);
  EXPECT_EQ(armed.back(), 2000);

  std::map<int, std::uint16_t> memory = {{1, 16384}, {54, 0x0201}, {55, 0x0403},
                                         {56, 5},    {72, 0x0181}, {74, 2147}};
  for (int k = 1; k <= 74; ++k) {
    ASSERT_EQ(writes.back(), readRequest(CalibrationAddressTable[static_cast<std::size_t>(k)]));
    ASSERT_EQ(requests().size(), static_cast<std::size_t>(k));
    ASSERT_EQ(dataChanges, 0);
    reply(memory[k], /*split=*/k % 2 == 1);
  }
  EXPECT_EQ(armed.back(), calibration::ReadbackSession::kConfirmMs);
  EXPECT_EQ(dataChanges, 0);
  session.replyTimedOut();  // nothing came behind the last word: it stands
  expectEnded();
  EXPECT_EQ(completed, 1);
  EXPECT_EQ(running, (std::vector<bool>{true, false}));
  std::vector<int> expectedGauge = {1};
  for (int k = 1; k <= 74; ++k) expectedGauge.push_back(std::min(k, 68));
  EXPECT_EQ(gauge, expectedGauge);
  EXPECT_EQ(data.cell(Grid::X, 1, 1), "0.5000");
  EXPECT_EQ(data.edit(Edit::NR), "12345");
  EXPECT_EQ(data.edit(Edit::KorekcjaPolowa), "0.000000999775");
  EXPECT_EQ(data.switchByte(), 0x81);
}

TEST_F(ReadbackTest, CancelEndsAtOnceAndLeavesThePanel) {
  session.OdbierzClick();
  session.OdbierzClick();  // within the 600 ms before the first request
  EXPECT_FALSE(timerEnabled);
  EXPECT_EQ(receiver.PendingLinkMode, LinkMode::Measuring);
  timer.tick();  // a tick that was already queued requests nothing
  EXPECT_TRUE(requests().empty());
  expectEnded();

  session.OdbierzClick();
  timer.tick();
  reply(100);
  reply(200);
  session.OdbierzClick();
  expectEnded();
  EXPECT_EQ(dataChanges, 0);
  EXPECT_EQ(session.CalibrationWords[2], 200);
  EXPECT_EQ(completed, 0);
}

TEST_F(ReadbackTest, LostRepliesAreRequestedAgainThenTheReadbackGivesUp) {
  session.OdbierzClick();
  timer.tick();
  for (int i = 0; i < 3; ++i) session.replyTimedOut();
  EXPECT_EQ(requests(), (std::vector<std::uint8_t>{0, 0, 0, 0}));
  EXPECT_EQ(armed.back(), 2000);
  reply(1);  // the third resend is answered
  // Half a reply, then silence: the resend starts from an empty buffer.
  const std::uint8_t half[2] = {0xAA, 0x55};
  receiver.handleEvent(half, 2);
  session.replyTimedOut();
  reply(2);
  EXPECT_EQ(session.CalibrationWords[2], 2);

  for (int i = 0; i < 4; ++i) session.replyTimedOut();
  EXPECT_EQ(requests(), (std::vector<std::uint8_t>{0, 0, 0, 0, 4, 4, 8, 8, 8, 8}));
  EXPECT_EQ(messages, std::vector<std::string>{"Przyrząd nie odpowiedział na odczyt adresu 8. "
                                               "Odczyt kalibracji przerwany."});
  expectEnded();
  EXPECT_EQ(dataChanges, 0);
  session.replyTimedOut();  // a late timer event does nothing
  EXPECT_EQ(messages.size(), 1u);
}

// A failed send shows "Wysłać polecenia" in a message box whose event loop may deliver the
// user's cancel; nothing of the ended readback may come back after it.
TEST_F(ReadbackTest, CancelDuringAFailureMessageIsFinal) {
  for (bool inTick : {false, true}) {
    failWrites = false;
    session.OdbierzClick();
    if (!inTick) timer.tick();
    failWrites = true;
    duringFailureMessage = [this] { session.OdbierzClick(); };
    armed.clear();
    if (inTick) {
      timer.tick();  // the request for word 1 fails
    } else {
      reply(7);  // the request for word 2 fails
    }
    EXPECT_FALSE(session.running());
    EXPECT_EQ(receiver.LinkMode, LinkMode::Measuring);
    EXPECT_EQ(std::count(armed.begin(), armed.end(), 2000), 0) << inTick;
  }
  EXPECT_EQ(sendFailures, 4);  // each time the request and the cancel's "V"
}

}  // namespace
