#pragma once
// The window tests' shared fixture: a window over a settings store in a temporary folder
// with scripted dialogs, a pseudo-terminal standing in for the instrument, and frames.
#include <QString>
#include <QTemporaryDir>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/chart_controls.h"
#include "app/main_win.h"
#include "app/readout_panel.h"
#include "app/side_panels.h"
#include "calibration/calibration_panel.h"
#include "qtkit/dialogs.h"
#include "qtkit/settings_store.h"
#include "qtkit/widget_helpers.h"
#include "session/session.h"

namespace testutil {

// A fresh run of the program: its own settings file, scripted dialogs, globals reset.
struct WindowEnv {
  QTemporaryDir dir;
  // Recording journals go to this run's own state folder, never the user's.
  struct StateHome {
    QByteArray saved;
    explicit StateHome(const QString& path);
    ~StateHome();
  } stateHome{dir.path() + QStringLiteral("/state")};
  qtkit::SettingsStore store;
  qtkit::ScriptedDialogs dialogs;
  // What runs under the window, made before it and gone after it.
  std::unique_ptr<session::Session> session = std::make_unique<session::Session>();
  std::unique_ptr<app::TMainWin> win;

  // The session's parts, as the tests look at them.
  devlink::Instrument& instrument() { return session->instrument(); }
  devlink::TComPort& port() { return session->instrument().comPort(); }
  devlink::FrameReceiver& receiver() { return session->instrument().receiver(); }
  calibration::CalibrationData& calibration() { return session->calibration(); }
  calibration::ReadbackSession& readback() { return session->readback(); }
  devlink::ResultDownload& download() { return session->download(); }
  measurement::MeasurementProcessor& processor() { return session->live().processor(); }
  measurement::LineStore& lines() { return session->lines(); }
  // A window over this run's settings, dialogs and session (not started).
  std::unique_ptr<app::TMainWin> makeWindow() {
    return std::make_unique<app::TMainWin>(store, dialogs, *session);
  }

  WindowEnv();
  ~WindowEnv();
  // Stores "lng" (when given) and "ComPort" (when given), creates the window and runs
  // its start-up; returns what FormCreate returned. The window is then enabled as the
  // end of the start-up splash enables it, unless `afterSplash` is false.
  bool start(std::optional<std::string> lng = std::string("pl"),
             std::optional<std::string> comPort = std::nullopt, bool afterSplash = true);
  QString path(const QString& name) const { return dir.filePath(name); }
};

// The instrument's end of a pseudo-terminal; the window opens `slave`.
struct Pty {
  int master = -1;
  QString slave;
  Pty();
  ~Pty();
  void write(const std::vector<std::uint8_t>& bytes) const;
  // Reads until `count` bytes have come or `timeoutMs` passed.
  std::vector<std::uint8_t> read(std::size_t count, int timeoutMs = 1000) const;
  // The same while the window's timers and deliveries run.
  std::vector<std::uint8_t> readProcessingEvents(std::size_t count, int timeoutMs = 2000) const;
  // Throws away what waits to be read.
  void drain() const;
};

// An 18-byte measurement frame.
std::vector<std::uint8_t> frame(std::int16_t value, std::uint8_t range = 0, std::uint8_t unit = 0,
                                std::uint8_t axis = 0, std::uint8_t mode = 0,
                                std::int16_t temperature = 235, std::uint8_t statusA = 0,
                                std::uint8_t statusB = 0,
                                std::array<std::int16_t, 3> xyz = {0, 0, 0});

// Lines of a text file split at CR LF.
std::vector<std::string> fileLines(const QString& path);
// Writes `count` data lines (values 1.000, 2.000, ...) ended by CR LF.
void writeDataFile(const QString& path, int count);

}  // namespace testutil
