#include "link/result_download.h"

#include <algorithm>
#include <filesystem>

#include "measurement/formatting.h"
#include "measurement/recording.h"

namespace devlink {

ResultDownload::ResultDownload(FrameReceiver& receiver, CommandSender& sender,
                               StateTimer& stateTimer, ReplyGate::Clock clock)
    : receiver_(receiver),
      sender_(sender),
      stateTimer_(stateTimer),
      table_(kTableSize),
      gate_(std::move(clock)) {}

std::size_t ResultDownload::AnnouncedResults(std::uint16_t endAddress) {
  return ResultsBelow(endAddress);
}

int ResultDownload::RangeIndexOfStatus(std::uint8_t status) {
  return 2 * ((status >> 6) & 1) + ((status >> 7) & 1);
}

std::string ResultDownload::ResultLine(std::uint8_t status, std::uint8_t lo, std::uint8_t hi) {
  const int r = RangeIndexOfStatus(status);
  const auto counts = static_cast<std::int16_t>(static_cast<std::uint16_t>(lo | (hi << 8)));
  return measurement::PadMinusSign(
      measurement::FormatByRange(r, measurement::ScaleByRange(r, counts)));
}

namespace {
void fillIn(std::string& text, std::string_view mark, const std::string& value) {
  const auto at = text.find(mark);
  if (at != std::string::npos) text.replace(at, mark.size(), value);
}
}  // namespace

std::string ResultDownload::StoppedQuestion(std::size_t fetched, std::size_t announced) {
  std::string text = kDownloadStoppedQuestion;
  fillIn(text, "%1", std::to_string(fetched));
  fillIn(text, "%2", std::to_string(announced));
  return text;
}

std::string ResultDownload::ResultsWrittenText(const std::string& code, std::size_t count,
                                               const std::string& file) {
  const int language = code == "pl" ? 0 : code == "en" ? 1 : 2;
  std::string text = kResultsWrittenTexts[language];
  fillIn(text, "%1", std::to_string(count));
  fillIn(text, "%2", std::filesystem::path(file).filename().string());
  return text;
}

std::span<const std::string> ResultDownload::DownloadedResults() const {
  return std::span<const std::string>(table_).first(std::min(fetched_, table_.size()));
}

void ResultDownload::enter(Phase phase) {
  phase_ = phase;
  ++generation_;
  if (phase != Phase::Fetching) gate_.reset();
}

void ResultDownload::stopStateTimer() {
  if (stateTimer_.setEnabled) stateTimer_.setEnabled(false);
}

// Every way out of a transfer starts here: the state timer stops, no mode is pending, and
// only result replies are taken until the replies still under way have passed.
void ResultDownload::settle() {
  stopStateTimer();
  receiver_.PendingLinkMode = LinkMode::Measuring;
  receiver_.LinkMode = LinkMode::DownloadResults;
  settling_ = true;
  arm(kSettleMs);
}

void ResultDownload::endSettling() {
  if (!settling_) return;
  settling_ = false;
  arm(0);
  // Unless a calibration readback has meanwhile taken the line over.
  if (receiver_.LinkMode == LinkMode::DownloadResults) {
    receiver_.LinkMode = LinkMode::Measuring;
    // Replies later still than the settling are not glued to the next measurement frame.
    receiver_.beginDrain();
  }
}

bool ResultDownload::start() {
  if (active()) return false;
  const std::optional<std::string> file = view.chooseFile ? view.chooseFile() : std::nullopt;
  if (!file) return false;
  fileName_ = *file;
  endSettling();
  announced_ = 0;
  fetched_ = 0;
  repeats_ = 0;
  // Every showing starts as the first one did.
  if (view.showLabel) view.showLabel(kDownloadLabelText);
  if (view.setGaugeMaximum) view.setGaugeMaximum(kGaugeInitialMaximum);
  if (view.setGaugePosition) view.setGaugePosition(kGaugeRest);
  enter(Phase::AwaitingHeader);
  headerAwaited_ = false;
  // A failing "V" is reported by the sender and the transfer goes on.
  sender_.SendCommand('V', 0, 0);
  stateTimer_.ResultAddress = kFirstAddress;
  receiver_.PendingLinkMode = LinkMode::DownloadHeader;
  if (stateTimer_.setEnabled) stateTimer_.setEnabled(true);
  if (view.showWindow) view.showWindow();
  return true;
}

// The header is a reply to the last "Z" and is held to the same rule as a result: the first
// header since that "Z" is taken, an equal copy changes nothing, and a different one before
// the next tick makes the header ambiguous, so "Z" is asked again. The receiver has already
// stored the end address and set the pending mode for every header; what is taken here is
// put back there.
void ResultDownload::onDownloadHeader(std::uint16_t endAddress) {
  if (phase_ == Phase::AwaitingHeader) {
    if (!headerAwaited_) {
      // Not an answer to a "Z" still counted (a stray, or a header after an ambiguous one).
      receiver_.PendingLinkMode = LinkMode::DownloadHeader;
      return;
    }
    headerAwaited_ = false;
    header_ = endAddress;
    enter(Phase::HeaderReceived);
    // With nothing stored there is no result at address 100 to ask for: the next tick only
    // confirms the header and ends the transfer.
    if (AnnouncedResults(endAddress) == 0) receiver_.PendingLinkMode = LinkMode::Measuring;
    return;
  }
  if (phase_ != Phase::HeaderReceived) return;
  if (endAddress == header_) {
    if (AnnouncedResults(header_) == 0) receiver_.PendingLinkMode = LinkMode::Measuring;
    return;
  }
  ++ambiguousHeaders_;
  receiver_.ResultEndAddress = header_;
  receiver_.PendingLinkMode = LinkMode::DownloadHeader;
  enter(Phase::AwaitingHeader);
}

void ResultDownload::onTick(LinkMode applied) {
  if (phase_ == Phase::AwaitingHeader && applied == LinkMode::DownloadHeader) {
    headerAwaited_ = true;  // a "Z" has gone out
    return;
  }
  if (phase_ == Phase::HeaderReceived && applied == LinkMode::Measuring) {
    announced_ = 0;
    finish();
    return;
  }
  if (phase_ != Phase::HeaderReceived || applied != LinkMode::DownloadResults) return;
  receiver_.ResultEndAddress = header_;
  // The tick has just asked for the result at ResultAddress (100) and stopped itself.
  const std::uint16_t end = receiver_.ResultEndAddress;
  announced_ = AnnouncedResults(end);
  if (announced_ == 0) {
    finish();
    return;
  }
  enter(Phase::Fetching);
  repeats_ = 0;
  ambiguousRepeats_ = 0;
  furthest_ = 0;
  gate_.lateGuardMs = ReplyTimeoutMs;
  gate_.requestSent();
  if (view.showLabel) view.showLabel(StateTimer::DownloadLabel(end));
  if (view.setGaugeMaximum) view.setGaugeMaximum(end);
  arm(ReplyTimeoutMs);
}

// Sends the request for ResultAddress; false when a step that ran during the send (see
// generation_) has taken over.
bool ResultDownload::sendRequest() {
  const std::uint64_t generation = ++generation_;
  gate_.lateGuardMs = ReplyTimeoutMs;
  gate_.requestSent();
  sender_.SendResultRequest(stateTimer_.ResultAddress);
  return generation == generation_;
}

void ResultDownload::onResultReply(std::uint8_t status, std::uint8_t lo, std::uint8_t hi) {
  if (settling_ && phase_ == Phase::Idle) {
    endSettling();  // the last reply still under way has come
    return;
  }
  // Counted and dropped by the gate when no request is outstanding.
  if (gate_.reply({status, lo, hi}) && phase_ == Phase::Fetching) arm(gate_.guardMs());
}

void ResultDownload::replyBytesArrived(bool foreign) {
  if (phase_ == Phase::Fetching && gate_.bytesArrived(foreign)) arm(gate_.guardMs());
}

// Whether the request outstanding is the one for the address just past the last result: its
// window confirms the last result (nothing unasked came behind it) and ends the transfer.
bool ResultDownload::confirming() const {
  return announced_ > 0 && fetched_ >= announced_;
}

void ResultDownload::acceptResult(const ReplyGate::Reply& reply) {
  if (confirming()) {
    finish();
    return;
  }
  // The last request asked is for 100 + 3·announced ≤ 65533, so the address never wraps.
  const unsigned address = stateTimer_.ResultAddress + 3u;
  stateTimer_.ResultAddress = static_cast<std::uint16_t>(address);
  const std::size_t entry = measurement::downloadedResultCount(address, kTableSize);
  if (entry >= 1) table_[entry - 1] = ResultLine(reply[0], reply[1], reply[2]);
  fetched_ = entry;
  if (fetched_ > furthest_) {
    // New ground: the repeats start again. A result asked again after stepping back does not
    // reset them, so a line that keeps spoiling answers still ends with the message.
    furthest_ = fetched_;
    repeats_ = 0;
    ambiguousRepeats_ = 0;
  }
  // The request for the next address goes out before the end test: after the last result
  // one more request follows, for the address just past it, and its window confirms the
  // last result. Counting results rather than comparing with the end address itself: an
  // end address that is not 100 + 3·n would otherwise bring one result more than announced.
  if (!sendRequest()) return;
  if (view.setGaugePosition) view.setGaugePosition(static_cast<int>(address));
  arm(confirming() ? kSettleMs : ReplyTimeoutMs);
}

void ResultDownload::replyTimeout() {
  if (settling_ && phase_ == Phase::Idle) {
    endSettling();
    return;
  }
  if (phase_ != Phase::Fetching) return;
  const ReplyGate::Expiry e = gate_.timerExpired(receiver_.lineBusy());
  switch (e.kind) {
    case ReplyGate::Expiry::Accepted:
      acceptResult(e.reply);
      return;
    case ReplyGate::Expiry::Wait:
      arm(e.ms);
      return;
    case ReplyGate::Expiry::TimedOut:
      // Past the last result the instrument need not answer: a quiet line confirms too.
      if (confirming()) {
        finish();
        return;
      }
      repeatRequest(false);
      return;
    case ReplyGate::Expiry::Ambiguous:
      // Something unasked is on the line. It may have come just before the previous answer
      // that was taken (its true reply then late), so that one is asked again first.
      if (fetched_ >= 1) {
        stateTimer_.ResultAddress = static_cast<std::uint16_t>(stateTimer_.ResultAddress - 3u);
        --fetched_;
      }
      repeatRequest(true);
      return;
    case ReplyGate::Expiry::Nothing:
      return;
  }
}

void ResultDownload::repeatRequest(bool ambiguous) {
  int& count = ambiguous ? ambiguousRepeats_ : repeats_;
  if (count >= (ambiguous ? kMaxAmbiguousRepeats : MaxRepeats)) {
    stopTransfer(Stop::NoReply);
    return;
  }
  // Reading a result changes nothing in the instrument, so the same request is repeated.
  ++count;
  if (!sendRequest()) return;
  arm(confirming() ? kSettleMs : ReplyTimeoutMs);
}

void ResultDownload::finish() {
  enter(Phase::Idle);
  settle();
  sender_.SendCommand('V', 0, 0);
  if (view.enableMenuItem) view.enableMenuItem();
  if (view.closeWindow) view.closeWindow();
  if (view.setGaugePosition) view.setGaugePosition(kGaugeRest);
  writeResults();
}

void ResultDownload::cancel() {
  if (!active()) return;
  stopTransfer(Stop::Cancelled);
}

void ResultDownload::portClosed() {
  if (!active()) {
    endSettling();
    return;
  }
  stopTransfer(Stop::PortClosed);
}

void ResultDownload::stopTransfer(Stop why) {
  const bool fetching = phase_ == Phase::Fetching;
  enter(Phase::Idle);
  settle();
  // Nothing more can come over a closed port.
  if (why == Stop::PortClosed) endSettling();
  // With the port closed a "V" could only fail, and the menu item follows the connection.
  if (why != Stop::PortClosed) {
    sender_.SendCommand('V', 0, 0);
    if (view.enableMenuItem) view.enableMenuItem();
  }
  if (view.setGaugePosition) view.setGaugePosition(kGaugeRest);
  if (view.closeWindow) view.closeWindow();
  if (why == Stop::Cancelled || !fetching) return;
  // The transfer did not end by the user's choice: what came is not thrown away unasked.
  const bool keep = view.askYesNo && view.askYesNo(StoppedQuestion(fetched_, announced_));
  if (keep) writeResults();
}

// Writes entries 1..fetched atomically. When the file cannot be written the results stay
// in memory and the save dialog is offered again; only cancelling it gives them up.
void ResultDownload::writeResults() {
  for (;;) {
    if (measurement::WriteDownloadedResults(std::filesystem::path(fileName_), table_, fetched_)) {
      if (view.resultsWritten) view.resultsWritten(fetched_, fileName_);
      return;
    }
    if (view.showMessage) view.showMessage(measurement::kWriteErrorText);
    const std::optional<std::string> other = view.chooseFile ? view.chooseFile() : std::nullopt;
    if (!other) return;
    fileName_ = *other;
  }
}

}  // namespace devlink
