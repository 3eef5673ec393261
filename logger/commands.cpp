// The logger's three commands over the same session the windows use: the instrument on the
// Qt event loop, the live session and its recording sinks, the download and the readback.
#include "logger/commands.h"

#include <signal.h>

#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "calibration/calibration_file.h"
#include "link/com_messages.h"
#include "link/host_serial.h"
#include "measurement/csv_recording.h"
#include "measurement/recording_sinks.h"
#include "qtkit/termination_signals.h"
#include "session/session.h"

namespace logger {

namespace {

using Clock = std::chrono::steady_clock;

// How long the download waits for the instrument to announce its results.
constexpr int kHeaderWaitMs = 10000;

void say(const std::string& text) {
  std::fprintf(stderr, "halvex-log: %s\n", text.c_str());
  std::fflush(stderr);
}

// The shared session words its few messages for the window, in Polish; the logger says them
// in English.
std::string inEnglish(const std::string& text) {
  if (text == devlink::kSendFailedMessage) return "a command could not be written to the port";
  for (int address = 0; address <= 255; ++address) {
    if (text == calibration::ReadbackSession::NoReplyMessage(static_cast<std::uint8_t>(address)))
      return "the instrument did not answer the read of address " + std::to_string(address) +
             "; readback stopped";
  }
  return text;
}

// Progress is shown on standard error while it is a terminal, on one line rewritten in place.
class Progress {
 public:
  explicit Progress(bool quiet) : on_(!quiet && ::isatty(STDERR_FILENO) == 1) {}
  // At most ten times a second: a transfer moves on with every reply.
  void show(const std::string& line) {
    if (!on_) return;
    const Clock::time_point now = Clock::now();
    if (shown_ && now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    std::fprintf(stderr, "\r%s\033[K", line.c_str());
    std::fflush(stderr);
    shown_ = true;
  }
  // Ends the progress line before anything else is said.
  void end() {
    if (!shown_) return;
    std::fputc('\n', stderr);
    shown_ = false;
  }

 private:
  bool on_;
  bool shown_ = false;
  Clock::time_point last_{};
};

// One run of a command: the session, the connection, the wait for the first reading, the
// signals, and the exit code the event loop ends with.
class Run : public devlink::InstrumentListener {
 public:
  explicit Run(const LogOptions& options)
      : progress_(options.quiet),
        signals_([this](int sig) { onSignal(sig); }, {SIGINT, SIGTERM, SIGHUP}) {
    session_.instrument().setListener(this);
    session_.instrument().setPort(options.port.value_or("COM1"));
  }
  ~Run() override { session_.instrument().setListener(nullptr); }

  session::Session& session() { return session_; }
  Progress& progress() { return progress_; }

  // Opens the port: 0, or the exit code after saying why not.
  int connect() {
    devlink::Instrument& in = session_.instrument();
    try {
      in.connect();
    } catch (const devlink::EComPort& e) {
      say("cannot open " + in.port() + ": " +
          devlink::portOpenFailureText(devlink::portDevicePath(in.port()), e.Code, e.WinCode,
                                       "en"));
      return kExitPort;
    }
    return 0;
  }

  // Runs the event loop until the first reading comes (true) or kSilentMs pass.
  bool awaitFirstFrame() {
    if (frames_ > 0) return true;
    QTimer::singleShot(kSilentMs, &loop_, [this] {
      if (frames_ == 0) loop_.exit(kExitInstrument);
    });
    waitingForFrame_ = true;
    const int code = loop_.exec();
    waitingForFrame_ = false;
    if (frames_ > 0) return true;
    if (code == kExitInstrument)
      say("no reading from the instrument on " + session_.instrument().port() + " within " +
          std::to_string(kSilentMs / 1000) + " s");
    stoppedBy_ = code;
    return false;
  }
  // Why awaitFirstFrame() returned false: kExitInstrument, or the code a signal chose.
  int stoppedBy() const { return stoppedBy_; }

  // Runs the event loop until finish().
  int exec() { return loop_.exec(); }
  void finish(int code) { loop_.exit(code); }

  // What a signal does; the default ends the loop with kExitDone.
  std::function<void()> onInterrupt;

  void measurementFrame(const std::uint8_t* frame) override {
    ++frames_;
    session_.live().frame(frame, std::chrono::system_clock::now());
    if (waitingForFrame_) {
      waitingForFrame_ = false;
      loop_.exit(0);
    }
  }
  void connectionLost() override {
    progress_.end();
    if (session_.instrument().reconnecting())
      say("connection to " + session_.instrument().port() + " lost; reconnecting");
    else
      say("connection to " + session_.instrument().port() + " lost");
    lost_ = true;
  }
  void connectionOpened() override {
    if (!lost_) return;
    lost_ = false;
    progress_.end();
    say("reconnected to " + session_.instrument().port());
  }
  void message(const std::string& text) override {
    progress_.end();
    say(inEnglish(text));
  }
  static constexpr int kSilentMs = 3000;

 private:
  void onSignal(int) {
    if (waitingForFrame_) {
      waitingForFrame_ = false;
      loop_.exit(kExitInstrument + 1000);  // told apart from silence below
      return;
    }
    if (onInterrupt)
      onInterrupt();
    else
      loop_.exit(kExitDone);
  }

  session::Session session_;
  Progress progress_;
  qtkit::TerminationSignals signals_;
  QEventLoop loop_;
  std::uint64_t frames_ = 0;
  bool waitingForFrame_ = false;
  bool lost_ = false;
  int stoppedBy_ = 0;
};

std::string reasonOf(int error) {
  return error ? std::string(std::strerror(error)) : std::string("write failed");
}

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Counts the recorded readings and ends the run at --count.
class Counter : public measurement::SampleSink {
 public:
  Counter(std::optional<std::uint64_t> limit, std::function<void()> reached)
      : limit_(limit), reached_(std::move(reached)) {}
  void sample(const measurement::Sample& s) override {
    if (s.recordLine.empty()) return;
    ++count_;
    if (limit_ && count_ == *limit_ && reached_) reached_();
  }
  std::uint64_t count() const { return count_; }

 private:
  std::optional<std::uint64_t> limit_;
  std::function<void()> reached_;
  std::uint64_t count_ = 0;
};

}  // namespace

int runRecord(const LogOptions& options) {
  Run run(options);
  measurement::LiveSession& live = run.session().live();
  const bool toStdout = options.file == "-";
  const bool csv = toStdout || measurement::isCsvFileName(options.file);
  const measurement::CsvStyle style = options.style.value_or(measurement::CsvStyle::Comma);

  // The target first: a file that cannot be written is said before the port is touched.
  measurement::CsvRecording csvFile;
  measurement::LineFileRecording lineFile;
  std::unique_ptr<measurement::CsvRecordingSink> csvSink;
  bool opened = false;
  if (toStdout) {
    const int fd = ::dup(STDOUT_FILENO);
    opened = fd >= 0 && csvFile.open(fd, style);
  } else if (csv) {
    opened = csvFile.open(std::filesystem::path(options.file), style);
  } else {
    opened = lineFile.open(std::filesystem::path(options.file));
  }
  if (!opened) {
    say("cannot write " + options.file + ": " + reasonOf(csv ? csvFile.error() : lineFile.error()));
    return kExitFile;
  }
  auto writeError = [&] { return csv ? csvFile.error() : lineFile.error(); };
  auto close = [&] { return csv ? csvFile.close() : lineFile.close(); };

  if (const int code = run.connect()) {
    close();
    if (!toStdout) std::filesystem::remove(options.file);
    return code;
  }
  if (!run.awaitFirstFrame()) {
    close();
    // A silent instrument leaves no empty file behind; a signal before the first reading
    // ends the recording as at any other time: a finished file with no readings.
    if (run.stoppedBy() != kExitInstrument) return kExitDone;
    if (!toStdout) std::filesystem::remove(options.file);
    return kExitInstrument;
  }

  if (csv) {
    csvSink = std::make_unique<measurement::CsvRecordingSink>(csvFile);
    live.addSink(*csvSink);
  } else {
    live.addSink(lineFile);
  }
  Counter counter(options.count, [&run] { run.finish(kExitDone); });
  live.addSink(counter);
  live.setRecording(true);

  const Clock::time_point started = Clock::now();
  QTimer tick;
  tick.setInterval(measurement::DurableAppender::kFlushIntervalMs);
  QObject::connect(&tick, &QTimer::timeout, [&] {
    if (csv)
      csvFile.poll();
    else
      lineFile.poll();
    if (writeError() != 0) {
      run.progress().end();
      say("cannot write " + options.file + ": " + reasonOf(writeError()));
      run.finish(kExitFile);
      return;
    }
    run.progress().show(progressLine(counter.count(), secondsSince(started)));
  });
  tick.start();
  QTimer limit;
  limit.setSingleShot(true);
  limit.setTimerType(Qt::PreciseTimer);  // a coarse timer may end the run 5 % early
  if (options.seconds) {
    QObject::connect(&limit, &QTimer::timeout, [&run] { run.finish(kExitDone); });
    limit.start(static_cast<int>(*options.seconds * 1000.0));
  }

  int code = run.exec();
  live.setRecording(false);
  live.removeSink(counter);
  if (csvSink) live.removeSink(*csvSink);
  if (!csv) live.removeSink(lineFile);
  run.progress().end();
  if (!close() && code == kExitDone) {
    say("cannot write " + options.file + ": " + reasonOf(writeError()));
    code = kExitFile;
  }
  if (code == kExitDone && !options.quiet)
    say(std::to_string(counter.count()) + " readings recorded in " +
        (toStdout ? std::string("standard output") : options.file));
  return code;
}

int runDownload(const LogOptions& options) {
  Run run(options);
  devlink::ResultDownload& download = run.session().download();
  if (const int code = run.connect()) return code;
  if (!run.awaitFirstFrame()) return kExitInstrument;

  // The transfer writes the file itself, atomically, and only when every announced result
  // came: a cancel or a silent instrument leave nothing under the target name.
  bool written = false;
  bool writeFailed = false;
  bool asked = false;
  devlink::DownloadView& v = download.view;
  v.chooseFile = [&, first = true]() mutable -> std::optional<std::string> {
    if (!first) return std::nullopt;  // a file that cannot be written is not asked again
    first = false;
    return options.file;
  };
  v.showMessage = [&](const std::string& text) {
    if (text == measurement::kWriteErrorText) {
      writeFailed = true;
      return;
    }
    run.progress().end();
    say(inEnglish(text));
  };
  v.askYesNo = [&](const std::string&) {
    asked = true;  // results that stopped half-way are not kept
    return false;
  };
  // The gauge moves with every result; the line says how many of how many came.
  v.setGaugePosition = [&](int) {
    if (download.active())
      run.progress().show(transferProgressLine(download.fetchedCount(), download.announcedCount(),
                                               "results"));
  };
  v.resultsWritten = [&](std::size_t, const std::string&) { written = true; };
  // The view closes at the end in every case; the outcome is read once the step is over.
  v.closeWindow = [&] {
    QTimer::singleShot(0, [&] {
      if (!download.active()) run.finish(written ? kExitDone : writeFailed ? kExitFile : kExitInstrument);
    });
  };
  run.onInterrupt = [&] {
    run.progress().end();
    say("download cancelled");
    download.cancel();
  };

  QTimer header;
  header.setSingleShot(true);
  QObject::connect(&header, &QTimer::timeout, [&] {
    if (download.phase() != devlink::ResultDownload::Phase::AwaitingHeader) return;
    run.progress().end();
    say("the instrument did not announce its results");
    download.cancel();
  });
  download.start();
  header.start(kHeaderWaitMs);
  const int code = run.exec();
  run.progress().end();
  download.view = devlink::DownloadView{};
  if (code == kExitDone && !options.quiet)
    say(std::to_string(download.fetchedCount()) + " results written to " + options.file);
  else if (code == kExitFile)
    say("cannot write " + options.file);
  else if (code == kExitInstrument && asked)
    say("download stopped: " + std::to_string(download.fetchedCount()) + " of " +
        std::to_string(download.announcedCount()) + " results came; nothing written");
  return code;
}

int runReadCalibration(const LogOptions& options) {
  Run run(options);
  calibration::ReadbackSession& readback = run.session().readback();
  calibration::CalibrationData& data = run.session().calibration();
  // The data set as the window has it before a readback: placeholders and grid headings.
  calibration::MarkPlaceholderCells(data);
  calibration::WriteGridHeadings(data);
  if (const int code = run.connect()) return code;
  if (!run.awaitFirstFrame()) return kExitInstrument;

  bool completed = false;
  // The panel's gauge stops at 68; the line counts the 74 words.
  readback.onProgress = [&](int) {
    const std::size_t done = std::min<std::size_t>(readback.ReadbackIndex - 1u,
                                                   calibration::kCalibrationWordCount);
    run.progress().show(
        transferProgressLine(done, calibration::kCalibrationWordCount, "calibration words"));
  };
  readback.onCompleted = [&] { completed = true; };
  readback.showMessage = [&](const std::string& text) {
    run.progress().end();
    say(inEnglish(text));
  };
  readback.onRunningChanged = [&](bool running) {
    if (running) return;
    QTimer::singleShot(0, [&] {
      if (!completed) {
        run.finish(kExitInstrument);
        return;
      }
      // Written atomically: a failure leaves any earlier file as it was.
      run.finish(calibration::SaveCalibrationFile(std::filesystem::path(options.file), data)
                     ? kExitDone
                     : kExitFile);
    });
  };
  run.onInterrupt = [&] {
    run.progress().end();
    say("readback cancelled");
    readback.cancel();
  };
  readback.start();
  const int code = run.exec();
  run.progress().end();
  readback.onRunningChanged = nullptr;
  readback.onProgress = nullptr;
  readback.onCompleted = nullptr;
  readback.showMessage = nullptr;
  if (code == kExitFile) say("cannot write " + options.file);
  if (code == kExitDone && !options.quiet) say("calibration written to " + options.file);
  return code;
}

}  // namespace logger
