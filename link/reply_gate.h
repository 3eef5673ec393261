#pragma once
// One reply per request. The instrument's replies carry no address, so a reply is only
// known to belong to a request by when it comes: it counts while its request is
// outstanding, and only once the line has been quiet for a short guard time after it, so
// that a doubled reply, a late reply of an earlier request or an unrequested frame cannot
// be taken for the answer of the next request. Toolkit-free; the transfer that owns the
// gate runs one single-shot timer for it (the reply timeout while waiting, the guard after
// a reply) and asks the gate what the timer's expiry means.
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>

namespace devlink {

class ReplyGate {
 public:
  // The payload of a reply (a result's status, low and high byte; a readback word's two
  // bytes and a zero).
  using Reply = std::array<std::uint8_t, 3>;
  // Milliseconds on a monotonic clock.
  using Clock = std::function<std::int64_t()>;

  // About four reply lengths at 9600 baud: a doubled reply follows within milliseconds.
  static constexpr int kGuardMs = 20;
  // A line that never goes quiet after a reply (a stream of frames) makes the answer
  // ambiguous after this long (beyond the guard itself).
  static constexpr int kMaxGuardMs = 2000;

  // After a request went unanswered and was asked again, the first reply may only have been
  // late and still be under way: the guard behind the accepted answer then lasts this long
  // (the transfer's reply timeout), so that the late reply is seen as a second reply to the
  // same request instead of being taken for the answer to the next one.
  int lateGuardMs = 2000;
  // An ambiguous answer is asked again only after the line has been quiet for the guard
  // times one more than the ambiguous answers in a row so far: replies that come in bursts
  // (a line picking up noise) are let pass instead of spoiling every repeat.
  // The guard the transfer runs behind the reply it has now.
  int guardMs() const { return lateReplyPossible_ && lateGuardMs > kGuardMs ? lateGuardMs : kGuardMs; }

  // What the expiry of the transfer's timer means.
  struct Expiry {
    enum Kind {
      Nothing,    // no request outstanding
      TimedOut,   // no reply came: ask again
      Ambiguous,  // two different replies, or other bytes behind the reply: ask again
      Accepted,   // `reply` is the answer; the request is no longer outstanding
      Wait,       // the line is not quiet yet: run the timer for `ms` more
    };
    Kind kind = Nothing;
    Reply reply{};
    int ms = 0;
  };

  explicit ReplyGate(Clock clock = steadyMilliseconds);

  // A request goes out (call it before sending: a failing send may run an event loop).
  void requestSent();
  // Nothing is outstanding any more: the transfer ended or was cancelled.
  void reset();

  // A reply frame arrived. True when the transfer must (re)start its timer with
  // guardMs(); false when nothing was outstanding and the reply was discarded.
  bool reply(const Reply& r);
  // Bytes arrived in a transfer's reception mode (before the replies in them are handed
  // over). `foreign`: they are known not to be (only) replies; a reply taken in the same
  // window is then not trusted. True when the transfer must restart its timer with
  // guardMs().
  bool bytesArrived(bool foreign = false);
  // The transfer's timer expired; `lineBusy` says whether bytes wait on the line that no
  // receive event has handed over yet (they count as activity).
  Expiry timerExpired(bool lineBusy = false);

  bool outstanding() const { return state_ != State::Idle; }
  // A reply came and the guard behind it runs.
  bool guarding() const { return state_ == State::Guard; }
  // Replies that came with nothing outstanding, and answers found ambiguous (diagnostics).
  std::uint64_t discardedReplies() const { return discarded_; }
  std::uint64_t ambiguousAnswers() const { return ambiguous_; }

  static std::int64_t steadyMilliseconds();

 private:
  enum class State : std::uint8_t { Idle, Awaiting, Guard };

  Clock clock_;
  State state_ = State::Idle;
  Reply candidate_{};
  bool differs_ = false;  // a second, different reply came
  bool stray_ = false;    // bytes came behind the reply that were not (yet) an equal reply
  bool noisy_ = false;    // bytes that were no reply came while the request was outstanding
  bool lateReplyPossible_ = false;  // the current request was asked again after a timeout
  int ambiguousInARow_ = 0;
  std::int64_t guardStart_ = 0;
  std::int64_t lastActivity_ = 0;
  std::uint64_t discarded_ = 0;
  std::uint64_t ambiguous_ = 0;
};

}  // namespace devlink
