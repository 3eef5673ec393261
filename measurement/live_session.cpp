#include "measurement/live_session.h"

#include <algorithm>

namespace measurement {

LiveSession::LiveSession() {
  inputs_.tempProg = thresholdText_;
  inputs_.vectorWord = vectorWord_;
  sinks_.reserve(4);
}

void LiveSession::setThresholdText(std::string text) {
  thresholdText_ = std::move(text);
  inputs_.tempProg = thresholdText_;
}

void LiveSession::setVectorWord(std::string word) {
  vectorWord_ = std::move(word);
  inputs_.vectorWord = vectorWord_;
}

void LiveSession::addSink(SampleSink& sink) {
  if (std::find(sinks_.begin(), sinks_.end(), &sink) == sinks_.end()) sinks_.push_back(&sink);
}

void LiveSession::removeSink(SampleSink& sink) {
  std::replace(sinks_.begin(), sinks_.end(), &sink, static_cast<SampleSink*>(nullptr));
}

void LiveSession::frame(const std::uint8_t* frame18,
                        std::chrono::system_clock::time_point arrival) {
  ++frames_;
  processor_.processFrame(frame18, inputs_, update_);
  const Sample s{arrival, processor_.lastReading(), update_, update_.chartValue,
                 update_.recordLine.changed && inputs_.recording ? update_.recordLine.view()
                                                                 : std::string_view()};
  // By index, and removed sinks only marked: a sink may end the recording (and so remove a
  // sink) while it is called.
  for (std::size_t i = 0; i < sinks_.size(); ++i)
    if (SampleSink* sink = sinks_[i]) sink->sample(s);
  std::erase(sinks_, nullptr);
}

}  // namespace measurement
