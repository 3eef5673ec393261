#pragma once
// What runs under the windows and under the logger: the instrument session on the Qt event
// loop, the live measurement session, the calibration data set with its readback, the
// result download and the line buffer of recordings and replays. The program and the
// logger each make one; the windows are given it and keep none of it themselves.
#include <QObject>

#include "calibration/calibration_data.h"
#include "calibration/readback.h"
#include "link/instrument.h"
#include "link/result_download.h"
#include "measurement/live_session.h"
#include "measurement/recording.h"
#include "qtkit/qt_event_loop.h"

namespace session {

class Session {
 public:
  Session();
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  devlink::Instrument& instrument() { return instrument_; }
  measurement::LiveSession& live() { return live_; }
  measurement::LineStore& lines() { return lines_; }
  calibration::CalibrationData& calibration() { return calibration_; }
  calibration::ReadbackSession& readback() { return readback_; }
  devlink::ResultDownload& download() { return download_; }

 private:
  // The timers' and the port hand-over's parent; outlives the instrument.
  QObject context_;
  qtkit::QtEventLoop loop_{&context_};
  devlink::Instrument instrument_{loop_};
  measurement::LiveSession live_;
  measurement::LineStore lines_;
  calibration::CalibrationData calibration_;
  calibration::ReadbackSession readback_{instrument_.receiver(), instrument_.commands(),
                                         instrument_.stateTimer(), calibration_};
  devlink::ResultDownload download_{instrument_.receiver(), instrument_.commands(),
                                    instrument_.stateTimer()};
};

}  // namespace session
