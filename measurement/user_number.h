#pragma once
// Numbers typed by the user: a decimal comma is accepted (the first "," counts as "."),
// leading blanks are skipped, then an optional sign, digits with an optional fraction
// and an optional exponent. Each caller keeps its own rule on what it accepts: the
// filter constant takes the valid leading part, the threshold wants the whole text, the
// calibration fields want the whole text without trailing blanks.
#include <cstddef>
#include <string_view>

namespace measurement {

struct UserNumber {
  // The value of the valid leading part (0 when the text does not start with a number).
  double value = 0.0;
  // A number stands at the start of the text (after leading blanks).
  bool leading = false;
  // The number is the whole text; with `trailingBlanks`, blanks may follow it.
  bool whole = false;
};

// Words such as "inf" and "nan" are not numbers, nor is a value too large for a double
// ("1e999"): for those `leading` and `whole` are false and the value is 0.
UserNumber parseUserNumber(std::string_view text, bool trailingBlanks = false);

// The head every typed number shares (this scanner's and the calibration integers'): leading
// blanks (" " only), then an optional "+" or "-". `digitsAt` is where the rest begins.
struct NumberHead {
  std::size_t digitsAt = 0;
  bool negative = false;
};
NumberHead scanNumberHead(std::string_view text);

// The one number scanner: parseUserNumber is this with the decimal comma; texts the program
// wrote itself (data-file lines) are read with "." only, where a "," ends the number.
enum class DecimalComma : bool { No, Yes };
UserNumber scanNumber(std::string_view text, DecimalComma comma, bool trailingBlanks);

}  // namespace measurement
