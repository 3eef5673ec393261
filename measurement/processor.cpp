#include "measurement/processor.h"

#include "measurement/user_number.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace measurement {

namespace {

std::int16_t readInt16(const std::uint8_t* p) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}

constexpr std::string_view kUnitTexts[] = {"  mT", "  kA/m", "  Gs"};
constexpr std::string_view kAxisTexts[] = {"X", "Y", "Z"};
constexpr std::string_view kTemperatureUnit = "  C";

// The threshold override: the whole text (blanks around it allowed) must be one number.
std::optional<double> parseThreshold(std::string_view text) {
  const UserNumber n = parseUserNumber(text, /*trailingBlanks=*/true);
  if (!n.whole) return std::nullopt;
  return n.value;
}

// Writes the reading text: value with PadMinusSign, optionally followed by the unit.
void setValueText(TextChange& t, int r, double value, bool padMinus, std::string_view unit) {
  t.changed = true;
  FormatByRangeInto(r, value, padMinus, t.text);
  t.append(unit);
}

}  // namespace

void TextChange::set(std::string_view s) {
  changed = true;
  const std::size_t n = s.size() < text.buf.size() ? s.size() : text.buf.size();
  if (n > 0) std::memcpy(text.buf.data(), s.data(), n);
  text.len = n;
}

void TextChange::append(std::string_view s) {
  changed = true;
  const std::size_t room = text.buf.size() - text.len;
  const std::size_t n = s.size() < room ? s.size() : room;
  if (n > 0) std::memcpy(text.buf.data() + text.len, s.data(), n);
  text.len += n;
}

void DisplayUpdate::reset() {
  F2 = F4 = F6 = F5 = Label5 = BP = IndicatorColour::Dim;
  for (TextChange* t : {&mode, &SOS, &GroupBox1, &SWynik, &Min, &Max, &Avr, &_uiAmplitude, &STemp,
                        &Label9, &Label8, &Label7, &TempProg, &recordLine}) {
    t->changed = false;
    t->text.len = 0;
  }
  FalkaVisible.reset();
  STempVisible.reset();
  chartValue.reset();
  effectiveRange = 0;
  overrange = false;
}

void MergeDisplayUpdate(DisplayUpdate& into, const DisplayUpdate& from) {
  into.F2 = from.F2;
  into.F4 = from.F4;
  into.F6 = from.F6;
  into.F5 = from.F5;
  into.Label5 = from.Label5;
  into.BP = from.BP;
  TextChange DisplayUpdate::*texts[] = {
      &DisplayUpdate::mode,    &DisplayUpdate::SOS,          &DisplayUpdate::GroupBox1,
      &DisplayUpdate::SWynik,  &DisplayUpdate::Min,          &DisplayUpdate::Max,
      &DisplayUpdate::Avr,     &DisplayUpdate::_uiAmplitude, &DisplayUpdate::STemp,
      &DisplayUpdate::Label9,  &DisplayUpdate::Label8,       &DisplayUpdate::Label7,
      &DisplayUpdate::TempProg};
  for (TextChange DisplayUpdate::*t : texts)
    if ((from.*t).changed) into.*t = from.*t;
  if (from.FalkaVisible) into.FalkaVisible = from.FalkaVisible;
  if (from.STempVisible) into.STempVisible = from.STempVisible;
  into.effectiveRange = from.effectiveRange;
  into.overrange = from.overrange;
}

MeasurementReading DecodeMeasurementFrame(const std::uint8_t* f) {
  MeasurementReading m;
  m.statusA = f[2];
  m.statusB = f[3];
  m.measuringMode = f[4];
  m.axis = f[5];
  m.rangeIndex = f[6];
  m.unit = f[7];
  m.temperatureRaw = readInt16(f + 8);
  m.valueRaw = readInt16(f + 10);
  m.componentRaw = {readInt16(f + 12), readInt16(f + 14), readInt16(f + 16)};
  return m;
}

MeasurementProcessor::MeasurementProcessor() {
  setFilterConstant(state_.FilterConstant);
  setTovik(state_.TovikTimeConstant, state_.TovikThreshold);
}

void MeasurementProcessor::setFilterConstant(double tau) {
  state_.FilterConstant = tau;
  if (std::isnan(tau) || tau <= 0.0) {
    // No meaningful time constant: the filter follows the readings.
    filterFactor_ = 1.0;
  } else {
    filterFactor_ = 1.0 - std::exp(-1.0 / (2.0 * tau));  // τ = +inf gives 0: the state holds
  }
}

void MeasurementProcessor::clearFilterPrimed() {
  state_.FilterPrimed = false;
}

void MeasurementProcessor::requestStatsReset() {
  state_.StatsResetPending = true;
}

void MeasurementProcessor::setTovik(double timeConstant, std::uint16_t threshold) {
  state_.TovikTimeConstant = timeConstant;
  state_.TovikThreshold = threshold;
  if (std::isnan(timeConstant)) {
    tovikFactor_ = 0;
    return;
  }
  // e^(-T) above 1 would make the filter overshoot and leave the 16-bit range;
  // a negative T therefore acts as T = 0.
  const double t = timeConstant < 0.0 ? 0.0 : timeConstant;
  const double k =
      std::nearbyint(32767.0 * std::exp(-t));  // halves to even (default rounding mode)
  tovikFactor_ = static_cast<std::int32_t>(k < 0.0 ? 0.0 : (k > 32767.0 ? 32767.0 : k));
}

void MeasurementProcessor::resetAmplitude() {
  state_.LargestAmplitude = 0;
}

void MeasurementProcessor::setFilterState(double value) {
  state_.FilterState = value;
}

DisplayUpdate MeasurementProcessor::processFrame(const std::uint8_t* frame18,
                                                 const ProcessorInputs& in) {
  DisplayUpdate out;
  processFrame(frame18, in, out);
  return out;
}

void MeasurementProcessor::processFrame(const std::uint8_t* frame18, const ProcessorInputs& in,
                                        DisplayUpdate& out) {
  out.reset();
  last_ = DecodeMeasurementFrame(frame18);
  const MeasurementReading& m = last_;
  ProcessingState& s = state_;
  const int r = m.effectiveRange();
  out.effectiveRange = r;

  // 1. Indicators.
  auto lit = [](bool on) { return on ? IndicatorColour::Lit : IndicatorColour::Dim; };
  out.BP = IndicatorColour::Dim;
  out.F2 = lit((m.statusA & 0x03) != 0);
  out.F4 = lit((m.statusA & 0x0C) != 0);
  out.F6 = lit((m.statusA & 0x10) != 0);
  out.F5 = lit((m.statusA & 0x20) != 0);
  out.Label5 = lit((m.statusB & 0x01) != 0);

  // 2. Mode and its default reset threshold (in the unit of the scaled reading).
  double threshold = 0.0;
  switch (m.measuringMode) {
    case 0:
      out.mode.set("DC");
      out.FalkaVisible = false;
      threshold = 0.36;
      break;
    case 1:
      out.mode.set("50 Hz");
      out.FalkaVisible = true;
      threshold = 0.05;
      break;
    case 2:
      out.mode.set("AC");
      out.FalkaVisible = true;
      threshold = 0.13;
      break;
    default:
      break;
  }

  // 3. Threshold override from the service page.
  if (in.progWlacz && !in.tempProg.empty() && in.tempProg != kThresholdErrorText) {
    if (const auto v = parseThreshold(in.tempProg)) {
      threshold = *v;
    } else {
      out.TempProg.set(kThresholdErrorText);
    }
  }

  // 4. Axis.
  if (m.axis <= 2) {
    out.SOS.set(kAxisTexts[m.axis]);
    out.GroupBox1.set(kAxisTexts[m.axis]);
  } else if (m.axis == 3) {
    out.SOS.set(in.vectorWord);
    out.GroupBox1.set(in.vectorWord);
  }

  // 5. Unit.
  const std::string_view unitText = m.unit <= 2 ? kUnitTexts[m.unit] : std::string_view{};

  // 6. Tovik filter on raw counts. The reference follows the output, which makes it
  // a first-order recursive filter rather than a pull towards the first reading.
  std::int32_t value = m.valueRaw;
  if (in.ftovik) {
    if (!s.FilterPrimed) {
      s.FilterPrimed = true;
      s.TovikPrevious = m.valueRaw;
    }
    const std::int32_t p = s.TovikPrevious;
    const std::int32_t diff = p - value;
    if (std::abs(diff) <= static_cast<std::int32_t>(s.TovikThreshold)) {
      value += static_cast<std::int32_t>(static_cast<std::int64_t>(tovikFactor_) * diff / 32768);
    }
    s.TovikPrevious = static_cast<std::int16_t>(value);  // between p and the reading: in range
  }

  // 7. Scale.
  double x = ScaleByRange(r, static_cast<double>(value));

  // 8. Jump diagnostic.
  if (s.AmplitudeValid) {
    const std::int32_t d = std::abs(value - s.AmplitudePrevious);
    if (d > s.LargestAmplitude) {
      s.LargestAmplitude = d;
      char buf[16];
      const auto res = std::to_chars(buf, buf + sizeof buf, d);
      out._uiAmplitude.set(std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)));
    }
  }
  s.AmplitudePrevious = value;
  s.AmplitudeValid = true;

  // 9. Overrange: valid counts are -19999..19999.
  if (value <= -20000 || value >= 20000) {
    out.overrange = true;
    out.SWynik.set(kOverrangeText);
  } else {
    // 10. "Filtr cyfrowy".
    if (in.filtr) {
      if (!s.FilterPrimed) {
        s.FilterPrimed = true;
        s.FilterState = x;
      }
      s.FilterState += (x - s.FilterState) * filterFactor_;
      // A jump larger than the threshold moves the filter to the new level at once.
      if (s.FilterState != 0.0 && std::fabs(x - s.FilterState) > threshold) s.FilterState = x;
      x = s.FilterState;
    }

    // 11. Statistics.
    if (in.dane) {
      bool updated = false;
      if (s.StatsResetPending) {
        s.Minimum = s.Maximum = s.Average = x;
        s.Count = 1;
        s.StatsResetPending = false;
        updated = true;
      } else if (s.Count < std::numeric_limits<std::int32_t>::max()) {
        ++s.Count;
        if (x > s.Maximum) {
          s.Maximum = x;
        } else if (x < s.Minimum) {
          s.Minimum = x;
        }
        const double n = static_cast<double>(s.Count);
        s.Average = (n - 1.0) / n * s.Average + x / n;
        updated = true;
      }
      if (updated) {
        setValueText(out.Min, r, s.Minimum, false, {});
        setValueText(out.Max, r, s.Maximum, false, {});
        setValueText(out.Avr, r, s.Average, false, {});
      }
    }

    // 12. Reading.
    setValueText(out.SWynik, r, x, true, unitText);

    // 13. Temperature.
    if (m.temperatureRaw != kNoTemperature) {
      out.STempVisible = true;
      setValueText(out.STemp, 2, m.temperatureRaw / 10.0, false, kTemperatureUnit);
    } else {
      out.STempVisible = false;
    }

    // 14. Chart.
    if (in.liveView && !in.wstrzymaj) out.chartValue = x;

    // 15. Recorded line (the recorder counts lines and ends recording at its limit).
    if (in.recording && !in.wstrzymaj) setValueText(out.recordLine, r, x, true, {});
  }

  // 16. Vector components, for every frame.
  if (m.axis == 3) {
    TextChange* labels[3] = {&out.Label9, &out.Label8, &out.Label7};
    for (int i = 0; i < 3; ++i) {
      const double c = ScaleByRange(r, m.componentRaw[static_cast<std::size_t>(i)]);
      // Y shows 200 itself; X and Z stop below it.
      const bool inRange = c > -200.0 && (i == 1 ? c <= 200.0 : c < 200.0);
      if (inRange) {
        setValueText(*labels[i], r, c, true, unitText);
      } else {
        labels[i]->set(kOverrangeText);
      }
    }
  } else {
    out.Label9.set({});
    out.Label8.set({});
    out.Label7.set({});
  }
}

}  // namespace measurement
