#pragma once
// Per-frame processing of the live reading: decodes an 18-byte measurement frame,
// runs the filters and statistics, and says what the main window has to show.
// Toolkit-free and allocation-free per frame.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "measurement/formatting.h"

namespace measurement {

// The content of one measurement frame (positions 3..18; numbers little-endian).
struct MeasurementReading {
  std::uint8_t statusA = 0;
  std::uint8_t statusB = 0;
  std::uint8_t measuringMode = 0;  // 0 DC, 1 50 Hz, 2 AC
  std::uint8_t axis = 0;           // 0 X, 1 Y, 2 Z, 3 vector
  std::uint8_t rangeIndex = 0;
  std::uint8_t unit = 0;            // 0 mT, 1 kA/m, 2 Gs
  std::int16_t temperatureRaw = 0;  // tenths of °C; -32768: none
  std::int16_t valueRaw = 0;
  std::array<std::int16_t, 3> componentRaw{};  // X, Y, Z

  // Range index used for scaling and formatting: rangeIndex + 1 for Gs.
  int effectiveRange() const { return rangeIndex + (unit == 2 ? 1 : 0); }
};

inline constexpr std::int16_t kNoTemperature = -32768;

// Positions 1..18 of a frame (the sync pair is not checked here).
MeasurementReading DecodeMeasurementFrame(const std::uint8_t* frame18);

// Values the processing reads from the window's controls at each frame.
struct ProcessorInputs {
  bool filtr = false;                      // "Filtr cyfrowy"
  bool dane = true;                        // "Obróbka danych "
  bool ftovik = false;                     // "Filtr Tovik"
  bool progWlacz = false;                  // "Próg:"
  std::string_view tempProg;               // text of TempProg
  bool wstrzymaj = false;                  // hold button down
  bool liveView = true;                    // "Dane z urządzenia" checked
  bool recording = false;                  // recording active
  std::string_view vectorWord = "Wektor";  // "Wektor" / "Vector" / "Vettore"
};

// A caption the frame changes; `changed` false leaves the control as it is.
struct TextChange {
  bool changed = false;
  FixedText text;

  std::string_view view() const { return text.view(); }
  void set(std::string_view s);
  void append(std::string_view s);
};

enum class IndicatorColour : std::uint8_t { Dim, Lit };
struct Rgb {
  std::uint8_t r, g, b;
};
inline constexpr Rgb kLitColour{0, 255, 255};    // aqua
inline constexpr Rgb kDimColour{192, 192, 192};  // silver
inline constexpr Rgb colourOf(IndicatorColour c) {
  return c == IndicatorColour::Lit ? kLitColour : kDimColour;
}

inline constexpr std::string_view kOverrangeText = "Overrange";
inline constexpr std::string_view kThresholdErrorText = "Blad!";

// What the window shows after one frame. Indicator colours are always written;
// every other field says whether (and to what) its control changes.
struct DisplayUpdate {
  // Indicator captions: Peak Hold, Gradient, Filter, Results, Battery Low, No transmission.
  IndicatorColour F2 = IndicatorColour::Dim;
  IndicatorColour F4 = IndicatorColour::Dim;
  IndicatorColour F6 = IndicatorColour::Dim;
  IndicatorColour F5 = IndicatorColour::Dim;
  IndicatorColour Label5 = IndicatorColour::Dim;
  IndicatorColour BP = IndicatorColour::Dim;

  TextChange mode;                    // "DC" / "50 Hz" / "AC"
  std::optional<bool> FalkaVisible;   // the "~" label
  TextChange SOS;                     // axis label
  TextChange GroupBox1;               // caption of the reading's group box (same text as SOS)
  TextChange SWynik;                  // reading + unit, or "Overrange"
  TextChange Min, Max, Avr;           // statistics (no unit)
  TextChange _uiAmplitude;            // largest jump between raw readings
  std::optional<bool> STempVisible;   // STemp and the degree label Label2
  TextChange STemp;                   // temperature + "  C"
  TextChange Label9, Label8, Label7;  // components X, Y, Z (vector mode), else emptied
  TextChange TempProg;                // "Blad!" after an unparsable threshold override

  std::optional<double> chartValue;  // point to append to Wykres1
  TextChange recordLine;             // line to record (the recorder counts and limits)

  int effectiveRange = 0;
  bool overrange = false;

  void reset();
};

// The processing state kept between frames.
// Folds `from` into `into` so that showing `into` once shows the latest state of both:
// colours are taken from `from`, texts and visibilities where `from` changed them. The
// chart value and the recorded line are per frame and are not folded.
void MergeDisplayUpdate(DisplayUpdate& into, const DisplayUpdate& from);

struct ProcessingState {
  double FilterConstant = 1.0;  // τ of "Filtr cyfrowy", seconds
  bool StatsResetPending = true;
  bool FilterPrimed = false;  // shared by both filters
  double FilterState = 0.0;
  std::int16_t TovikPrevious = 0;
  std::uint16_t TovikThreshold = 0;
  double TovikTimeConstant = 0.0;
  double Minimum = 0.0;
  double Maximum = 0.0;
  double Average = 0.0;
  std::int32_t Count = 0;
  std::int32_t AmplitudePrevious = 0;
  bool AmplitudeValid = false;
  std::int32_t LargestAmplitude = 0;  // the number _uiAmplitude shows
};

class MeasurementProcessor {
 public:
  MeasurementProcessor();

  // One frame (positions 1..18). `out` is reset first; reuse it to stay allocation-free.
  void processFrame(const std::uint8_t* frame18, const ProcessorInputs& in, DisplayUpdate& out);
  DisplayUpdate processFrame(const std::uint8_t* frame18, const ProcessorInputs& in);

  // --- the click handlers' side ---
  // τ ≤ 0 or NaN makes the filter pass readings unchanged; +inf holds the state.
  void setFilterConstant(double tau);
  void clearFilterPrimed();
  void requestStatsReset();
  // T < 0 acts as T = 0 (strongest smoothing); NaN makes the filter pass readings.
  void setTovik(double timeConstant, std::uint16_t threshold);
  // "c" on the diagnostics page: the window shows "0" again.
  void resetAmplitude();
  // The replay smoothing keeps its running value in FilterState.
  void setFilterState(double value);

  const ProcessingState& state() const { return state_; }
  // Factors derived from the constants (1 - e^(-1/(2τ)) and round(32767·e^(-T))).
  double filterFactor() const { return filterFactor_; }
  std::int32_t tovikFactor() const { return tovikFactor_; }

  const MeasurementReading& lastReading() const { return last_; }
  // Effective range index of the last frame.
  int effectiveRange() const { return last_.effectiveRange(); }

 private:
  ProcessingState state_;
  MeasurementReading last_;
  double filterFactor_ = 0.0;
  std::int32_t tovikFactor_ = 0;
};

}  // namespace measurement
