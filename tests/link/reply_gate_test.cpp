// The one-reply-per-request rule on a fake clock: what a transfer's timer expiry means after
// each pattern of replies and bytes a misbehaving instrument can produce.
#include "link/reply_gate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using devlink::ReplyGate;
using Kind = ReplyGate::Expiry::Kind;

constexpr ReplyGate::Reply kA{1, 2, 3};
constexpr ReplyGate::Reply kB{1, 2, 4};

// One step of a script: after `afterMs`, something happens to the gate.
struct Step {
  enum What { Request, ReplyA, ReplyB, Bytes, Foreign, Expire, ExpireBusy, Reset } what;
  int afterMs = 0;
};

struct Row {
  const char* name;
  std::vector<Step> steps;
  Kind last;               // what the last expiry of the script says
  int ms = 0;              // its wait, for Wait
  std::uint64_t discarded = 0;
};

TEST(ReplyGate, ScriptsOfRepliesAndTheirMeaning) {
  const int g = ReplyGate::kGuardMs;
  // clang-format off
  const std::vector<Row> rows = {
      {"no request: nothing to decide", {{Step::Expire}}, Kind::Nothing},
      {"no reply: timed out", {{Step::Request}, {Step::Expire, 2000}}, Kind::TimedOut},
      {"one reply, then quiet", {{Step::Request}, {Step::ReplyA, 5}, {Step::Expire, g}},
       Kind::Accepted},
      {"quiet not yet long enough", {{Step::Request}, {Step::ReplyA}, {Step::Expire, g - 5}},
       Kind::Wait, 5},
      {"doubled reply, equal", {{Step::Request}, {Step::ReplyA}, {Step::ReplyA, 2},
       {Step::Expire, g}}, Kind::Accepted},
      {"the copy restarts the quiet", {{Step::Request}, {Step::ReplyA}, {Step::ReplyA, 10},
       {Step::Expire, g - 10}}, Kind::Wait, 10},
      {"two different replies", {{Step::Request}, {Step::ReplyA}, {Step::ReplyB, 3},
       {Step::Expire, g}}, Kind::Ambiguous},
      {"a stray just before the real reply", {{Step::Request}, {Step::ReplyB, 1},
       {Step::ReplyA, 4}, {Step::Expire, g}}, Kind::Ambiguous},
      {"other bytes behind the reply", {{Step::Request}, {Step::ReplyA}, {Step::Bytes, 2},
       {Step::Expire, g}}, Kind::Ambiguous},
      {"half a copy, then the rest of it", {{Step::Request}, {Step::ReplyA}, {Step::Bytes, 2},
       {Step::ReplyA, 1}, {Step::Expire, g}}, Kind::Accepted},
      {"an ambiguous answer waits for quiet too", {{Step::Request}, {Step::ReplyA},
       {Step::ReplyB, 1}, {Step::Expire, 5}}, Kind::Wait, g - 5},
      {"bytes waiting on the line count as activity", {{Step::Request}, {Step::ReplyA},
       {Step::ExpireBusy, g}}, Kind::Wait, g},
      {"a line that never goes quiet", {{Step::Request}, {Step::ReplyA}, {Step::Bytes, 10},
       {Step::Bytes, 1000}, {Step::Bytes, 1000}, {Step::Expire, 10}}, Kind::Ambiguous},
      {"the true reply lost in other bytes, then a stray alone", {{Step::Request},
       {Step::Foreign, 2}, {Step::ReplyA, 5}, {Step::Expire, g}}, Kind::Ambiguous},
      {"a split reply is no reason for doubt", {{Step::Request}, {Step::Bytes, 2},
       {Step::ReplyA, 1}, {Step::Expire, g}}, Kind::Accepted},
      {"a reply with nothing outstanding is discarded", {{Step::ReplyA}, {Step::Expire, g}},
       Kind::Nothing, 0, 1},
      {"accepted once: a late copy is discarded", {{Step::Request}, {Step::ReplyA},
       {Step::Expire, g}, {Step::ReplyA, 500}, {Step::Expire, g}}, Kind::Nothing, 0, 1},
      {"reset: a late reply is discarded", {{Step::Request}, {Step::Reset, 10},
       {Step::ReplyA, 10}, {Step::Expire, g}}, Kind::Nothing, 0, 1},
      {"the repeat's reply waits out the reply timeout", {{Step::Request},
       {Step::Expire, 2000}, {Step::Request}, {Step::ReplyA, 3}, {Step::Expire, g}},
       Kind::Wait, 2000 - g},
      {"the repeat's reply after a lost one", {{Step::Request}, {Step::Expire, 2000},
       {Step::Request}, {Step::ReplyA, 3}, {Step::Expire, 2000}}, Kind::Accepted},
      {"the late first reply meets the repeat's", {{Step::Request}, {Step::Expire, 2000},
       {Step::Request}, {Step::ReplyB, 3}, {Step::ReplyA, 500}, {Step::Expire, 2000}},
       Kind::Ambiguous},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::int64_t now = 1000;
    ReplyGate gate([&now] { return now; });
    ReplyGate::Expiry e;
    for (const Step& s : row.steps) {
      now += s.afterMs;
      switch (s.what) {
        case Step::Request:
          gate.requestSent();
          break;
        case Step::ReplyA:
          gate.reply(kA);
          break;
        case Step::ReplyB:
          gate.reply(kB);
          break;
        case Step::Bytes:
          gate.bytesArrived();
          break;
        case Step::Foreign:
          gate.bytesArrived(true);
          break;
        case Step::Expire:
        case Step::ExpireBusy:
          e = gate.timerExpired(s.what == Step::ExpireBusy);
          break;
        case Step::Reset:
          gate.reset();
          break;
      }
    }
    EXPECT_EQ(e.kind, row.last);
    if (row.last == Kind::Wait) {
      EXPECT_EQ(e.ms, row.ms);
    }
    if (row.last == Kind::Accepted) {
      EXPECT_EQ(e.reply, kA);
    }
    EXPECT_EQ(gate.discardedReplies(), row.discarded);
    // A decided answer leaves nothing outstanding; waiting, or asking again, keeps it.
    EXPECT_EQ(gate.outstanding(), row.last == Kind::Wait || row.last == Kind::TimedOut);
  }
}

// What the gate tells its transfer to do with the timer: restart it with the guard only while
// a reply is under its watch.
TEST(ReplyGate, TimerRestartsOnlyBehindAReply) {
  std::int64_t now = 0;
  ReplyGate gate([&now] { return now; });
  EXPECT_FALSE(gate.bytesArrived()) << "nothing outstanding";
  EXPECT_FALSE(gate.reply(kA)) << "nothing outstanding";
  gate.requestSent();
  EXPECT_FALSE(gate.bytesArrived()) << "bytes before the reply keep the reply timeout";
  EXPECT_TRUE(gate.reply(kA));
  EXPECT_TRUE(gate.bytesArrived());
  EXPECT_TRUE(gate.reply(kA));
  now += ReplyGate::kGuardMs;
  EXPECT_EQ(gate.timerExpired().kind, Kind::Accepted);
  EXPECT_EQ(gate.ambiguousAnswers(), 0u);
}

}  // namespace
