#pragma once
// The live measurement session: every measurement frame becomes one Sample (the decoded and
// filtered reading with its arrival time), handed to each sink in the order they were
// added: the window's readout and chart, a recording to a data file or to CSV, the logger's
// writers. Toolkit-free; nothing is allocated per frame.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "measurement/processor.h"

namespace measurement {

// One displayed reading. The references are valid while the sinks are called.
struct Sample {
  std::chrono::system_clock::time_point arrival;
  // The frame's fields: unit, mode, axis, range, temperature, components, status bytes.
  const MeasurementReading& reading;
  // What the readout shows after this frame (texts where they change, indicator colours).
  const DisplayUpdate& display;
  // The point the chart gets (not while held, nor with the live view off).
  std::optional<double> chartValue;
  // The text a recording gets for this reading (3/2/1/0 decimals by range); empty when the
  // reading is not recorded (held, overrange, no recording running).
  std::string_view recordLine;
};

class SampleSink {
 public:
  virtual ~SampleSink() = default;
  virtual void sample(const Sample& s) = 0;
};

class LiveSession {
 public:
  LiveSession();

  // The processing's options, kept current by the session's user (the window binds them to
  // its controls; the logger leaves the defaults: live view on, no filters).
  ProcessorInputs& inputs() { return inputs_; }
  // TempProg's text and the word for the vector axis, kept here so that the inputs' views
  // stay valid.
  void setThresholdText(std::string text);
  void setVectorWord(std::string word);
  // Whether readings are recorded (the sinks then get their record line).
  void setRecording(bool on) { inputs_.recording = on; }
  bool recording() const { return inputs_.recording; }

  MeasurementProcessor& processor() { return processor_; }
  const MeasurementProcessor& processor() const { return processor_; }

  // Sinks get samples from the next frame on; a sink removed during a frame gets no more.
  void addSink(SampleSink& sink);
  void removeSink(SampleSink& sink);

  // One measurement frame (positions 1..18) that arrived at `arrival`.
  void frame(const std::uint8_t* frame18, std::chrono::system_clock::time_point arrival);
  // Frames processed since the session was made.
  std::uint64_t frames() const { return frames_; }

 private:
  MeasurementProcessor processor_;
  ProcessorInputs inputs_;
  std::string thresholdText_;
  std::string vectorWord_ = "Wektor";
  DisplayUpdate update_;
  std::vector<SampleSink*> sinks_;
  std::uint64_t frames_ = 0;
};

}  // namespace measurement
