#pragma once
// The calibration upload (`WyslijClick`) as a plan: the data set in, the ordered steps out
// (show a validation message, write a frame, wait), a small executor that runs a plan on
// three functions in one go, and a runner that runs it step by step on a timer. Toolkit-free.
//
// The window's part: disable everything that starts a transfer (a message box of the upload
// and its wait run the event loop), UploadRunner::start(PlanUpload(data, SaveEPROM checked)),
// and enable them again when the runner has finished or been stopped. LinkMode stays Measuring
// throughout, so bytes that arrive while a message is shown are handled as measurement frames,
// never as calibration data.
#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "calibration/address_map.h"
#include "calibration/calibration_data.h"
#include "link/commands.h"

namespace calibration {

// Validation messages, shown in a message box with OK; never translated.
inline constexpr const char* kThresholdMessage = "Niepoprawnie wprowadzony prog filtru!";
inline constexpr const char* kPhaseMessage = "Niepoprawnie wprowadzona faza";
inline constexpr const char* kTemperatureMessage = "Niepoprawnie wprowadzona temperatura";
inline constexpr const char* kTemperatureCoefficientMessage =
    "Niepoprawnie wprowadzona wartość współczynnika korekcji temp.";
inline constexpr const char* kPotentiometerMessage =
    "Niepoprawnie wprowadzony potencjometr cydrowy";
inline constexpr const char* kProbeNumberMessage = "Nie moge zmienić numeru sondy.";
inline constexpr const char* kFieldCorrectionMessage = "Korekcja polowa poza zakresem!";
// "Nieprawidłowy format danych na osi <1|2|3> w kolumnie <c> w wierszu <r>".
std::string AxisFormatMessage(Grid axis, int column, int row);
// "Nieprawidłowy format danych filtru w kolumnie <c> w wierszu <r>".
std::string FilterFormatMessage(int column, int row);
// "Nie można wysłać tekstu <value> do adresu <address>", both in decimal.
std::string WriteFailedMessage(long value, std::uint8_t address);

inline constexpr int kSaveEepromWaitMs = 500;

// --- encodings (x is the parsed value; nullopt: the value does not fit its field) ---------
// To the nearest integer, halves to the even neighbour, whatever the FPU's rounding mode.
double RoundHalfEven(double x);
// x * 32768; refused when it rounds to 32768 (a gain just below 1).
std::optional<std::int32_t> EncodeGain(double x);
// 0 for 0; otherwise 32768 * e^(-x), refused unless it rounds into 1..32767 (every negative x
// and the tiniest positive ones would otherwise wrap round to another word).
std::optional<std::int32_t> EncodeTimeCoefficient(double x);
std::int32_t EncodeTemperatureCoefficient(double x);  // x * 32767
std::int32_t EncodeFieldCorrection(double x);         // 0 for 0; otherwise x * 2^31

// --- frames ---------------------------------------------------------------------------------
// AA 55 43 address 02 00 lo hi (WriteWord and WriteWordUnsigned send the same bytes).
std::array<std::uint8_t, 8> WriteWordFrame(std::uint16_t word, std::uint8_t address);
// AA 55 43 address 01 00 value.
std::array<std::uint8_t, 7> WriteByteFrame(std::uint8_t value, std::uint8_t address);

// --- the plan -------------------------------------------------------------------------------
struct UploadStep {
  enum class Kind : std::uint8_t { ShowMessage, WriteFrame, Wait };
  Kind kind = Kind::ShowMessage;
  UploadGroup group = UploadGroup::Gains;
  std::vector<std::uint8_t> frame;  // WriteFrame: 6, 7, 8 or 10 bytes
  // ShowMessage: the message. WriteFrame: the message shown when the write fails.
  std::string text;
  // WriteFrame: a failed write skips the rest of its group (the probe number's frames).
  bool failureEndsGroup = false;
  int waitMs = 0;  // Wait
};
using UploadPlan = std::vector<UploadStep>;

// Validates and encodes every written field in upload order, group by group (an empty text
// is skipped without a message; a group whose rule says so ends at its first invalid field),
// then the "S" command and a 500 ms wait when `saveEeprom`. Never a value other than the one
// typed: a value that does not fit its instrument field is refused with that field's message
// (integer words take -32768..65535, bytes 0..255). The data set is only read.
UploadPlan PlanUpload(const CalibrationData& data, bool saveEeprom);

// --- running a plan -------------------------------------------------------------------------
struct UploadOutcome {
  int framesWritten = 0;
  int framesFailed = 0;
  int messagesShown = 0;
};

// Runs the steps in order: a message goes to `showMessage`; a frame goes to `write` in one
// call (a throw or a short count is a failure: its text is shown, and the rest of the group
// is skipped when the step says so; the upload always goes on); a wait goes to `wait`.
// Unset functions are skipped (an unset `write` fails every frame).
UploadOutcome RunUpload(const UploadPlan& plan, const devlink::WriteFn& write,
                        const devlink::MessageFn& showMessage,
                        const std::function<void(int ms)>& wait);

// The same steps, run so that the window never sleeps: frames and messages go out at once, and
// at a wait the runner asks its owner to arm a single-shot timer (`armTimer`) and returns; the
// owner calls timerFired() when it has run out, and the runner goes on with the next step.
// `finished` is told the outcome once, after the last step (not after stop()). stop() ends the
// run where it stands (the port or the window closed): nothing more is written or shown, and a
// timer that still fires is ignored. A message box that runs an event loop may stop the run
// from inside `showMessage`; the runner checks after every step.
class UploadRunner {
 public:
  devlink::WriteFn write;
  devlink::MessageFn showMessage;
  std::function<void(int ms)> armTimer;
  std::function<void(const UploadOutcome&)> finished;

  // Starts `plan` and runs it up to its first wait or its end. Refused (false) while a run is
  // on.
  bool start(UploadPlan plan);
  // The armed wait has run out: runs on to the next wait or the end.
  void timerFired();
  // Ends the run without running its remaining steps; nothing is told to `finished`.
  void stop();

  bool running() const { return running_; }
  // True between a wait's arming and its timerFired().
  bool waiting() const { return waiting_; }
  const UploadOutcome& outcome() const { return outcome_; }

 private:
  void runSteps();

  UploadPlan plan_;
  std::size_t next_ = 0;
  std::bitset<kUploadGroupCount> endedGroups_;
  UploadOutcome outcome_;
  bool running_ = false;
  bool waiting_ = false;
  std::uint64_t generation_ = 0;  // one per start(): a stopped run's loop knows it is over
};

}  // namespace calibration
