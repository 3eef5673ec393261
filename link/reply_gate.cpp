#include "link/reply_gate.h"

namespace devlink {

std::int64_t ReplyGate::steadyMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

ReplyGate::ReplyGate(Clock clock) : clock_(clock ? std::move(clock) : steadyMilliseconds) {}

void ReplyGate::requestSent() {
  state_ = State::Awaiting;
  differs_ = false;
  stray_ = false;
  noisy_ = false;
}

void ReplyGate::reset() {
  state_ = State::Idle;
  lateReplyPossible_ = false;
  ambiguousInARow_ = 0;
  differs_ = false;
  stray_ = false;
}

bool ReplyGate::reply(const Reply& r) {
  switch (state_) {
    case State::Idle:
      ++discarded_;
      return false;
    case State::Awaiting:
      candidate_ = r;
      state_ = State::Guard;
      guardStart_ = lastActivity_ = clock_();
      stray_ = false;
      // Something else came first: the true reply may have been lost in it, and this one an
      // unasked frame.
      differs_ = noisy_;
      return true;
    case State::Guard:
      // An equal copy changes nothing (and accounts for the bytes it came in); a different
      // one leaves no way to tell which is the answer.
      if (r != candidate_) differs_ = true;
      stray_ = false;
      lastActivity_ = clock_();
      return true;
  }
  return false;
}

bool ReplyGate::bytesArrived(bool foreign) {
  if (state_ == State::Awaiting && foreign) noisy_ = true;
  if (state_ != State::Guard) return false;
  stray_ = true;
  lastActivity_ = clock_();
  return true;
}

ReplyGate::Expiry ReplyGate::timerExpired(bool lineBusy) {
  Expiry e;
  switch (state_) {
    case State::Idle:
      return e;
    case State::Awaiting:
      e.kind = Expiry::TimedOut;
      lateReplyPossible_ = true;
      return e;
    case State::Guard:
      break;
  }
  const std::int64_t now = clock_();
  if (lineBusy) lastActivity_ = now;
  const std::int64_t quiet = now - lastActivity_;
  const int guard = guardMs();
  const bool overlong = now - guardStart_ >= guard + kMaxGuardMs;
  const bool ambiguous = differs_ || stray_ || overlong;
  // Decided only once the line is quiet: an answer followed by more bytes is no answer, and
  // a repeat sent into the rest of them would meet it.
  const int needed = ambiguous ? guard * (1 + ambiguousInARow_) : guard;
  if (quiet < needed && !overlong) {
    e.kind = Expiry::Wait;
    e.ms = static_cast<int>(needed - quiet);
    return e;
  }
  state_ = State::Idle;
  if (ambiguous) {
    ++ambiguous_;
    ++ambiguousInARow_;
    e.kind = Expiry::Ambiguous;
    return e;
  }
  e.kind = Expiry::Accepted;
  e.reply = candidate_;
  lateReplyPossible_ = false;
  ambiguousInARow_ = 0;
  return e;
}

}  // namespace devlink
