#pragma once
// The two number conversions of the calibration fields: real numbers (gains, filter time
// coefficients, temperature correction coefficient, field correction) and integers (offsets,
// thresholds, phase, thermometer, potentiometer). Both take the field's whole text; an empty
// text means "skip the field", which callers must tell apart from an invalid text.
#include <cstdint>
#include <string_view>

namespace calibration {

template <class T>
struct ParsedNumber {
  bool ok = false;     // the whole text is a number of the kind asked for
  bool empty = false;  // the text is empty: the field is skipped, no message (ok is false)
  T value{};           // valid only when ok
};

// Optional leading blanks, optional sign, digits with an optional fraction, optional exponent
// ("E"/"e", optional sign, digits); the first "," counts as "." (so "0,25" is 0.25 and
// "0,2,5" is invalid). Nothing may follow, not even blanks. Words such as "nan" and "inf"
// and values beyond a double ("1e999") are invalid. The field's interval is the caller's.
ParsedNumber<double> ParseCalibrationReal(std::string_view text);

// Optional leading blanks, an optional sign, then decimal digits, or hexadecimal digits after
// one of "$", "x", "X", "0x", "0X". The signed value must fit 32 bits (so "-$80000000" is
// accepted and "$80000000" is not). Nothing else is accepted: no trailing blanks, no blank
// after the sign, no prefix without digits.
ParsedNumber<std::int32_t> ParseCalibrationInteger(std::string_view text);

// lo < x < hi: the calibration intervals never include their end points.
constexpr bool insideOpenInterval(double x, double lo, double hi) {
  return x > lo && x < hi;
}

}  // namespace calibration
