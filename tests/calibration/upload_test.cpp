#include "calibration/upload.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

using calibration::CalibrationData;
using calibration::Cell;
using calibration::Edit;
using calibration::Grid;
using calibration::PlanUpload;
using calibration::UploadPlan;
using calibration::UploadStep;

std::string hex(const std::uint8_t* p, std::size_t n) {
  std::string s;
  char b[4];
  for (std::size_t i = 0; i < n; ++i) {
    std::snprintf(b, sizeof b, i == 0 ? "%02X" : " %02X", p[i]);
    s += b;
  }
  return s;
}

// The plan as lines: a frame in hex, "! text" for a message, "wait <ms>".
std::vector<std::string> describe(const UploadPlan& plan) {
  std::vector<std::string> out;
  for (const UploadStep& s : plan) {
    if (s.kind == UploadStep::Kind::WriteFrame) out.push_back(hex(s.frame.data(), s.frame.size()));
    if (s.kind == UploadStep::Kind::ShowMessage) out.push_back("! " + s.text);
    if (s.kind == UploadStep::Kind::Wait) out.push_back("wait " + std::to_string(s.waitMs));
  }
  return out;
}

const std::string kOff = "AA 55 43 C0 02 00 00 00";  // the switch byte, always sent
const std::string kAxis = "! Nieprawidłowy format danych na osi ";
const std::string kFilter = "! Nieprawidłowy format danych filtru w kolumnie ";
const std::string kTemperature = std::string("! ") + calibration::kTemperatureMessage;
const std::string kProbe = std::string("! ") + calibration::kProbeNumberMessage;

TEST(PlanUpload, EmptyPanelSendsOnlyTheSwitchByteAndSOnRequest) {
  CalibrationData data;
  calibration::MarkPlaceholderCells(data);  // placeholders are never read
  EXPECT_EQ(describe(PlanUpload(data, false)), std::vector<std::string>{kOff});
  EXPECT_EQ(describe(PlanUpload(data, true)),
            (std::vector<std::string>{kOff, "AA 55 53 00 00 00", "wait 500"}));
}

// Cells by grid, frames by address and value.
Cell X(int c, int r) {
  return {Grid::X, c, r};
}
Cell Y(int c, int r) {
  return {Grid::Y, c, r};
}
Cell Z(int c, int r) {
  return {Grid::Z, c, r};
}
Cell K(int c, int r) {
  return {Grid::KFILTR, c, r};
}
Cell Phase(int r) {
  return {Grid::S_Faza, 1, r};
}
std::string W(std::uint8_t address, std::uint16_t word) {
  const auto f = calibration::WriteWordFrame(word, address);
  return hex(f.data(), f.size());
}
std::string B(std::uint8_t address, std::uint8_t value) {
  const auto f = calibration::WriteByteFrame(value, address);
  return hex(f.data(), f.size());
}
std::string axis(int a, int c, int r) {
  return kAxis + std::to_string(a) + " w kolumnie " + std::to_string(c) + " w wierszu " +
         std::to_string(r);
}
std::string filter(int c, int r) {
  return kFilter + std::to_string(c) + " w wierszu " + std::to_string(r);
}

TEST(PlanUpload, FramesMessagesAndGroupRules) {
  struct Row {
    const char* name;
    std::vector<std::pair<calibration::Field, std::string>> texts;
    std::vector<std::string> plan;
  };
  const std::string wkor = std::string("! ") + calibration::kTemperatureCoefficientMessage;
  const std::string pot = std::string("! ") + calibration::kPotentiometerMessage;
  const std::string field = std::string("! ") + calibration::kFieldCorrectionMessage;
  const std::string probe1234 = "AA 55 43 4C 04 00 01 02 03 04";
  // clang-format off
  const std::vector<Row> rows = {
    {"gain 0.5", {{X(1, 1), "0.5"}}, {"AA 55 43 00 02 00 00 40", kOff}},
    {"gain -0,25", {{Y(2, 3), "-0,25"}}, {W(68, 0xE000), kOff}},
    {"gain 2.5/32768 to even", {{Y(1, 1), "0.0000762939453125"}}, {W(48, 2), kOff}},
    {"largest gain", {{Z(2, 5), "0.99998"}}, {W(120, 32767), kOff}},
    {"gain -0.99999", {{X(1, 5), "-0.99999"}}, {W(8, 0x8000), kOff}},
    {"gain 0.99999 would be 32768", {{X(1, 1), "0.99999"}}, {axis(1, 1, 1), kOff}},
    {"gains 0,2,5 and 1 refused, the next sent",
     {{Y(1, 3), "0,2,5"}, {Z(2, 1), "1"}, {Z(2, 3), "0,25"}},
     {axis(2, 1, 3), axis(3, 2, 1), W(116, 0x2000), kOff}},
    {"offsets: both readings of a word, nothing wider",
     {{X(1, 6), "-1"}, {X(2, 6), "65536"}, {Y(1, 6), "-32769"}, {Y(2, 6), "-32768"},
      {Z(2, 6), "$FFFF"}},
     {W(10, 0xFFFF), axis(1, 2, 6), axis(2, 1, 6), W(90, 0x8000), W(138, 0xFFFF), kOff}},
    {"thresholds: empty skipped, invalid ends them",
     {{K(2, 1), "40000"}, {K(1, 2), "-"}, {K(2, 2), "6"}},
     {W(172, 40000), "! Niepoprawnie wprowadzony prog filtru!", kOff}},
    {"time coefficients 0.0001, -0, 0.5", {{K(2, 6), "0,5"}, {K(1, 4), "0.0001"}, {K(2, 3), "-0"}},
     {W(146, 32765), W(160, 0), W(166, 19875), kOff}},
    {"time coefficients 1, negative, tiny refused",
     {{K(1, 3), "1"}, {K(1, 5), "-0,5"}, {K(2, 4), "0.00001"}},
     {filter(1, 3), filter(1, 5), filter(2, 4), kOff}},
    {"phase 255, then 256 ends the phases", {{Phase(1), "255"}, {Phase(2), "256"}, {Phase(3), "1"}},
     {B(28, 255), "! Niepoprawnie wprowadzona faza", kOff}},
    {"temperature group",
     {{Edit::Wtemp, "-1"}, {Edit::OTemp, "x7FFF"}, {Edit::WKor, "0.5"}, {Edit::OKor, "255"}},
     {W(124, 0xFFFF), W(126, 0x7FFF), "AA 55 43 5E 02 00 00 40", B(93, 255), kOff}},
    {"OTemp 70000 ends the group", {{Edit::OTemp, "70000"}, {Edit::WKor, "0.5"}, {Edit::OKor, "1"}},
     {kTemperature, kOff}},
    {"OKor 256", {{Edit::OKor, "256"}}, {kTemperature, kOff}},
    {"invalid WKor skipped, OKor follows", {{Edit::WKor, "-1"}, {Edit::OKor, "7"}},
     {wkor, B(93, 7), kOff}},
    {"WKor 0.99999", {{Edit::WKor, "0.99999"}}, {W(94, 32767), kOff}},
    {"potentiometer 200", {{Edit::Potencjometr, "200"}}, {kOff, B(194, 200)}},
    {"potentiometer 300", {{Edit::Potencjometr, "300"}}, {kOff, pot}},
    {"probe 12345", {{Edit::NR, "12345"}}, {kOff, probe1234, "AA 55 43 5C 01 00 05"}},
    {"probe of 4 characters", {{Edit::NR, "1234"}}, {kOff}},
    {"probe of 6 characters", {{Edit::NR, "123456"}}, {kOff}},
    {"letter among digits 1..4", {{Edit::NR, "12a45"}}, {kOff, kProbe}},
    {"five characters, one of two bytes", {{Edit::NR, "ą1234"}}, {kOff, kProbe}},
    {"bad fifth character", {{Edit::NR, "1234x"}}, {kOff, probe1234, kProbe}},
    {"field correction 0.000001", {{Edit::KorekcjaPolowa, "0,000001"}}, {kOff, W(180, 2147)}},
    {"field correction -0.0000099", {{Edit::KorekcjaPolowa, "-0.0000099"}}, {kOff, W(180, 0xACF4)}},
    {"field correction 0.00001", {{Edit::KorekcjaPolowa, "0.00001"}}, {kOff, field}},
  };
  // clang-format on
  for (const Row& r : rows) {
    CalibrationData data;
    for (const auto& [field, text] : r.texts) data.setText(field, text);
    EXPECT_EQ(describe(PlanUpload(data, false)), r.plan) << r.name;
  }
  CalibrationData switches;
  switches.setSwitchByte(0x81);  // SS1 and SS12
  EXPECT_EQ(describe(PlanUpload(switches, false)),
            std::vector<std::string>{"AA 55 43 C0 02 00 81 00"});
}

// Every field holding the same garbage: one message per field the rules reach, never a
// frame but the switch byte.
TEST(PlanUpload, GarbageEverywhereGivesMessagesNeverFrames) {
  for (const std::string text :
       {" ", "-", "1e999", "nan", "0x", "$", "99999999999", "1,2,", "\xFF\xFE", "-0x"}) {
    CalibrationData data;
    for (Grid g : {Grid::X, Grid::Y, Grid::Z, Grid::KFILTR, Grid::S_Faza})
      for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 9; ++r) data.setCell(g, c, r, text);
    for (int e = 0; e < calibration::kEditCount; ++e) data.setEdit(static_cast<Edit>(e), text);
    int frames = 0, messages = 0;
    for (const UploadStep& s : PlanUpload(data, false))
      (s.kind == UploadStep::Kind::WriteFrame ? frames : messages)++;
    EXPECT_EQ(frames, 1) << text;
    // 18 gains, 6 offsets, 1 threshold, 8 time coefficients, 1 phase, 1 temperature,
    // potentiometer, field correction; the probe number only when five characters long.
    EXPECT_EQ(messages, text.size() == 5 ? 38 : 37) << text;
  }
}

// Every written field valid: 46 parameters, the probe number's two frames and "S".
CalibrationData fullPanel() {
  CalibrationData d;
  for (Grid g : {Grid::X, Grid::Y, Grid::Z}) {
    for (int c = 1; c <= 2; ++c) {
      for (int r : {1, 3, 5}) d.setCell(g, c, r, "0,125");
      d.setCell(g, c, 6, "-3");
    }
  }
  for (int c = 1; c <= 2; ++c) {
    d.setCell(Grid::KFILTR, c, 1, "40000");
    d.setCell(Grid::KFILTR, c, 2, "100");
    for (int r = 3; r <= 6; ++r) d.setCell(Grid::KFILTR, c, r, "0.5");
  }
  for (int r = 1; r <= 3; ++r) d.setCell(Grid::S_Faza, 1, r, "12");
  for (const auto& [e, t] :
       std::vector<std::pair<Edit, const char*>>{{Edit::Wtemp, "40000"},
                                                 {Edit::OTemp, "65535"},
                                                 {Edit::WKor, "0.5"},
                                                 {Edit::OKor, "9"},
                                                 {Edit::Potencjometr, "128"},
                                                 {Edit::NR, "54321"},
                                                 {Edit::KorekcjaPolowa, "0.000001"}})
    d.setEdit(e, t);
  d.setSwitchByte(0x81);
  return d;
}

TEST(RunUpload, EveryFrameOnAWorkingPortAndOneMessagePerParameterOnAFailingOne) {
  enum Fault { None, Throw, Short };
  for (Fault fault : {None, Throw, Short}) {
    std::vector<std::string> writes, messages;
    std::vector<int> waits;
    const auto out = calibration::RunUpload(
        PlanUpload(fullPanel(), true),
        [&](const std::uint8_t* p, int n) -> int {
          writes.push_back(hex(p, static_cast<std::size_t>(n)));
          if (fault == Throw) throw std::runtime_error("port closed");
          return fault == Short ? n - 1 : n;
        },
        [&](const std::string& m) { messages.push_back(m); }, [&](int ms) { waits.push_back(ms); });
    EXPECT_EQ(waits, std::vector<int>{500});
    if (fault == None) {
      EXPECT_EQ(out.framesWritten, 49);  // 48 write frames and "S"
      EXPECT_EQ(writes.size(), 49u);
      EXPECT_TRUE(messages.empty());
      continue;
    }
    // The second probe frame is not tried once the first has failed.
    EXPECT_EQ(writes.size(), 48u);
    EXPECT_EQ(out.framesFailed, 48);
    ASSERT_EQ(messages.size(), 48u);
    // Signed for WriteWord, unsigned for WriteWordUnsigned and WriteByte.
    EXPECT_EQ(messages[18], "Nie można wysłać tekstu -3 do adresu 10");
    EXPECT_EQ(messages[24], "Nie można wysłać tekstu 40000 do adresu 168");
    EXPECT_EQ(messages[40], "Nie można wysłać tekstu -1 do adresu 126");
    EXPECT_EQ(messages[43], "Nie można wysłać tekstu 129 do adresu 192");
    EXPECT_EQ(messages[45], calibration::kProbeNumberMessage);
    EXPECT_EQ(messages[47], devlink::kSendFailedMessage);
  }
}

// The runner: the same frames and messages as RunUpload, in the same order, but at the wait
// it arms its owner's timer and returns; what happens next depends on what the owner does.
TEST(UploadRunner, RunsThePlanInOrderAndWaitsOnTheOwnersTimer) {
  enum class Then { TimerFires, StoppedDuringWait, StoppedInAMessage, TimerFiresTwice };
  struct Case {
    const char* name;
    Then then;
    bool saveEeprom;
  };
  const Case cases[] = {
      {"timer fires", Then::TimerFires, true},
      {"timer fires twice", Then::TimerFiresTwice, true},
      {"stopped during the wait", Then::StoppedDuringWait, true},
      {"stopped inside a message box", Then::StoppedInAMessage, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CalibrationData data = fullPanel();
    data.setCell(Grid::KFILTR, 1, 3, "1");  // one message among the frames
    const UploadPlan plan = PlanUpload(data, c.saveEeprom);

    // What RunUpload does in one go.
    std::vector<std::string> expected;
    calibration::RunUpload(
        plan,
        [&](const std::uint8_t* p, int n) {
          expected.push_back(hex(p, static_cast<std::size_t>(n)));
          return n;
        },
        [&](const std::string& m) { expected.push_back("message " + m); }, nullptr);

    calibration::UploadRunner runner;
    std::vector<std::string> seen;
    std::vector<int> armed;
    int finished = 0;
    runner.write = [&](const std::uint8_t* p, int n) {
      seen.push_back(hex(p, static_cast<std::size_t>(n)));
      return n;
    };
    runner.showMessage = [&](const std::string& m) {
      seen.push_back("message " + m);
      if (c.then == Then::StoppedInAMessage) runner.stop();
    };
    runner.armTimer = [&](int ms) { armed.push_back(ms); };
    runner.finished = [&](const calibration::UploadOutcome&) { ++finished; };

    ASSERT_TRUE(runner.start(plan));
    if (c.then == Then::StoppedInAMessage) {
      // Nothing after the message: the run ended inside it.
      ASSERT_FALSE(seen.empty());
      EXPECT_EQ(seen.back().rfind("message ", 0), 0u);
      EXPECT_EQ(seen, std::vector<std::string>(expected.begin(),
                                               expected.begin() + static_cast<long>(seen.size())));
      EXPECT_LT(seen.size(), expected.size());
      EXPECT_FALSE(runner.running());
      EXPECT_EQ(finished, 0);
      EXPECT_TRUE(armed.empty());
      continue;
    }
    // Everything up to the wait is out; the run waits for its timer.
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(armed, std::vector<int>{calibration::kSaveEepromWaitMs});
    EXPECT_TRUE(runner.running());
    EXPECT_TRUE(runner.waiting());
    EXPECT_FALSE(runner.start(plan)) << "one run at a time";
    EXPECT_EQ(finished, 0);

    if (c.then == Then::StoppedDuringWait) {
      runner.stop();
      runner.timerFired();  // a timer that fires all the same changes nothing
      EXPECT_FALSE(runner.running());
      EXPECT_EQ(finished, 0);
      EXPECT_EQ(seen, expected);
      continue;
    }
    runner.timerFired();
    if (c.then == Then::TimerFiresTwice) runner.timerFired();
    EXPECT_FALSE(runner.running());
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(runner.outcome().framesWritten, 48);  // 47 write frames (one refused) and "S"
    EXPECT_EQ(runner.outcome().messagesShown, 1);
    // And it can run again.
    seen.clear();
    ASSERT_TRUE(runner.start(plan));
    runner.timerFired();
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(finished, 2);
  }
}

TEST(UploadRunner, APlanWithoutAWaitFinishesInsideStart) {
  calibration::UploadRunner runner;
  int writes = 0;
  int armed = 0;
  int finished = 0;
  runner.write = [&](const std::uint8_t*, int n) {
    ++writes;
    return n;
  };
  runner.armTimer = [&](int) { ++armed; };
  runner.finished = [&](const calibration::UploadOutcome& out) {
    ++finished;
    EXPECT_EQ(out.framesWritten, 1);
  };
  ASSERT_TRUE(runner.start(PlanUpload(CalibrationData{}, false)));  // the switch byte only
  EXPECT_EQ(writes, 1);
  EXPECT_EQ(armed, 0);
  EXPECT_EQ(finished, 1);
  EXPECT_FALSE(runner.running());
}

}  // namespace
