#pragma once
// The download of the results stored in the instrument ("Pobierz wyniki z urządzenia"):
// one session object that knows the addresses, the results fetched so far, what to send
// next and when the transfer ends. Toolkit-free; the download window only shows what this
// object tells it through DownloadView, and the main window feeds it the frame receiver's
// and the state timer's callbacks and its reply timer.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "link/commands.h"
#include "link/frame_receiver.h"
#include "link/reply_gate.h"
#include "link/result_address.h"
#include "link/state_timer.h"
#include "link/transfer.h"

namespace devlink {

// Asked when the instrument stopped answering (or the line went away) during the transfer.
// %1 is the number of results fetched, %2 the number announced.
inline constexpr const char* kDownloadStoppedQuestion =
    "Pobieranie przerwane: przyrząd nie odpowiada. Pobrano wyników: %1 z %2. "
    "Zapisać pobrane wyniki do pliku?";

// Said in the status bar when the results are in their file: %1 the number of results, %2
// the file's name. Polish, English, Italian.
inline constexpr const char* kResultsWrittenTexts[3] = {
    "Pobrano wyników: %1, zapisano w pliku %2",
    "%1 results downloaded and written to %2",
    "%1 risultati scaricati e scritti in %2",
};

// What the session asks of the windows. Each callback is called only when assigned.
struct DownloadView {
  // Label1 of the download window.
  std::function<void(const std::string&)> showLabel;
  // Gauge1's maximum; never called with a value at or below the gauge's minimum (100).
  std::function<void(int)> setGaugeMaximum;
  // Gauge1's position.
  std::function<void(int)> setGaugePosition;
  // Show / close the download window (showing it disables the main window).
  std::function<void()> showWindow;
  std::function<void()> closeWindow;
  // Enable the menu item "Pobierz wyniki z urządzenia" again.
  std::function<void()> enableMenuItem;
  // The save dialog for data files (filter "Pliki danych Halvex 2.2|*.HVD"): the chosen
  // file's path, or nothing when the user cancelled.
  std::function<std::optional<std::string>()> chooseFile;
  // A message box with an OK button.
  std::function<void(const std::string&)> showMessage;
  // A Yes/No box; true for Yes.
  std::function<bool(const std::string&)> askYesNo;
  // The results are in their file: how many, and the file's path.
  std::function<void(std::size_t count, const std::string& file)> resultsWritten;
};

// Each result counts only as the one reply to its request (ReplyGate): the next request
// goes out once the line has been quiet for the gate's guard time behind the reply; two
// different replies to one request, or other bytes behind it, make it ambiguous, and then
// the previous result is asked again too (an unasked reply may have been taken for it while
// its true reply was late) before the same request is repeated. The last result is
// confirmed by the window of the request that follows it. So the file gets every result
// once, in order, or the user is told how many came.
class ResultDownload : public Transfer {
 public:
  // Address of result 1; result i lies at 100 + 3·(i − 1).
  static constexpr std::uint16_t kFirstAddress = kFirstResultAddress;
  // As many results as a 16-bit end address can announce, so every announced result is
  // fetched and kept.
  static constexpr std::size_t kTableSize = ResultsBelow(65535);  // 21811
  // Gauge1 at rest and before the header: minimum 100, maximum 101, position 100.
  static constexpr int kGaugeRest = 100;
  static constexpr int kGaugeInitialMaximum = 101;
  static constexpr int kReplyTimeoutMs = 2000;
  static constexpr int kMaxRepeats = 3;
  // An instrument that answers, only not clearly (two different replies, noise behind the
  // reply), is asked again this many times before the transfer gives up.
  static constexpr int kMaxAmbiguousRepeats = 10;
  // After the transfer, replies still under way (to the request sent after the last
  // result, to the one outstanding at a cancel, a late header) are let go by before frames
  // are taken as measurement frames again: in the measurement buffer they would be glued
  // to the next frame and read as one false reading. The settling ends at the first result
  // reply, or after this long.
  static constexpr int kSettleMs = 300;

  enum class Phase {
    Idle,
    AwaitingHeader,  // "Z" goes out at every state timer tick
    HeaderReceived,  // the next tick asks for the first result
    Fetching,        // one result request outstanding at a time
  };

  // `clock` times the guard behind each reply (a test passes its own).
  ResultDownload(FrameReceiver& receiver, CommandSender& sender, StateTimer& stateTimer,
                 ReplyGate::Clock clock = {});

  DownloadView view;
  // A request with no accepted reply after this long is sent again, at most MaxRepeats
  // times; then the transfer stops and the user is asked whether to keep what came.
  int ReplyTimeoutMs = kReplyTimeoutMs;
  int MaxRepeats = kMaxRepeats;

  // --- driven by the windows ---
  // Pobierzwynikizurzdzenia1Click: the save dialog, then "V", ResultAddress 100, pending
  // mode DownloadHeader, state timer on, window shown. False when the dialog was
  // cancelled (nothing sent) or a transfer is already running.
  bool start();
  // AnulujClick: LinkMode back towards Measuring (see kSettleMs), "V", menu item, gauge
  // 100, window closed; no file.
  // While the header is awaited it also stops the state timer and withdraws the pending
  // mode, so nothing more is requested and a late header is ignored.
  void cancel() override;
  // The reply timer expired (see Transfer::armReplyTimer); also ends the settling.
  void replyTimeout();
  // The port was closed under the transfer: it ends as a cancel does but sends nothing and
  // leaves the menu item to the connection; results already fetched are offered for saving.
  void portClosed();

  // --- driven by the frame receiver and the state timer ---
  // FrameReceiver::onDownloadHeader.
  void onDownloadHeader(std::uint16_t endAddress);
  // FrameReceiver::onResultReply: bytes 3, 4 and 5 of a result reply.
  void onResultReply(std::uint8_t status, std::uint8_t lo, std::uint8_t hi);
  // FrameReceiver::onTransferBytes: see replyBytesArrived(bool) below.
  void replyBytesArrived() { replyBytesArrived(false); }
  // StateTimer::onTick, with the mode the tick applied.
  void onTick(LinkMode applied);

  // --- the same, as a transfer of the instrument session ---
  void stateTimerTicked(LinkMode applied) override { onTick(applied); }
  void replyBytesArrived(bool foreign) override;
  void replyTimedOut() override { replyTimeout(); }
  void lineClosed(bool /*lost*/) override { portClosed(); }
  void downloadHeader(std::uint16_t endAddress) override { onDownloadHeader(endAddress); }
  void resultReply(std::uint8_t status, std::uint8_t lo, std::uint8_t hi) override {
    onResultReply(status, lo, hi);
  }

  // --- state ---
  Phase phase() const { return phase_; }
  bool active() const override { return phase_ != Phase::Idle; }
  // The transfer has ended and LinkMode is still DownloadResults (see kSettleMs).
  bool settling() const { return settling_; }
  // Results announced by the header ((ResultEndAddress − 100) div 3), fetched so far.
  std::size_t announcedCount() const { return announced_; }
  std::size_t fetchedCount() const { return fetched_; }
  // Entries 1..fetched of the downloaded results table; kept until the next download.
  std::span<const std::string> DownloadedResults() const;
  // The file chosen for the results (the last one tried when writing failed).
  const std::string& fileName() const { return fileName_; }
  const ReplyGate& gate() const { return gate_; }
  // Headers found ambiguous (two different ones after one "Z"), for diagnostics.
  std::uint64_t ambiguousHeaders() const { return ambiguousHeaders_; }

  // --- the rules, on their own ---
  // (endAddress − 100) div 3, 0 below 103.
  static std::size_t AnnouncedResults(std::uint16_t endAddress);
  // r = 2·bit 6 + bit 7 of the status byte.
  static int RangeIndexOfStatus(std::uint8_t status);
  // PadMinusSign(FormatByRange(r, ScaleByRange(r, counts))), counts = lo + 256·hi signed.
  static std::string ResultLine(std::uint8_t status, std::uint8_t lo, std::uint8_t hi);
  // kDownloadStoppedQuestion with the two numbers filled in.
  static std::string StoppedQuestion(std::size_t fetched, std::size_t announced);
  // The status bar's text for `count` results written to `file` (its name only), in the
  // language `code` ("pl", "en", "it"; any other code gets the Italian text, as the
  // program's captions do).
  static std::string ResultsWrittenText(const std::string& code, std::size_t count,
                                        const std::string& file);

 private:
  enum class Stop { Cancelled, NoReply, PortClosed };

  void enter(Phase phase);
  void stopStateTimer();
  void settle();
  void endSettling();
  void finish();
  void stopTransfer(Stop why);
  void writeResults();
  bool sendRequest();
  void acceptResult(const ReplyGate::Reply& reply);
  void repeatRequest(bool ambiguous);
  bool confirming() const;

  FrameReceiver& receiver_;
  CommandSender& sender_;
  StateTimer& stateTimer_;

  Phase phase_ = Phase::Idle;
  // Changes with every step of the transfer. A failing send shows a message box, whose
  // event loop may deliver further events; a step that sees the number change after a
  // send leaves the rest to the step that ran meanwhile.
  std::uint64_t generation_ = 0;
  std::vector<std::string> table_;
  std::size_t announced_ = 0;
  std::size_t fetched_ = 0;
  int repeats_ = 0;
  int ambiguousRepeats_ = 0;
  std::size_t furthest_ = 0;  // the most results fetched so far in this transfer
  ReplyGate gate_;
  // The header taken since the last "Z", and whether a "Z" awaits its header.
  std::uint16_t header_ = 0;
  bool headerAwaited_ = false;
  std::uint64_t ambiguousHeaders_ = 0;
  bool settling_ = false;
  std::string fileName_;
};

}  // namespace devlink
