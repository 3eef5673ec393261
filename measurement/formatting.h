#pragma once
// Turning raw instrument counts into values and values into the fixed-point text
// that the live readout, recorded data files and downloaded results share.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace measurement {

// Counts to a value in the instrument's unit by the effective range index:
// 0 → /1000, 1 → /100, 2 → /10, 3 → /1, 4 (and above) → unchanged.
double ScaleByRange(int rangeIndex, double counts);

// Number of decimals used for a range index: 3, 2, 1, 0, 0 (0 for any other).
int DecimalsForRange(int rangeIndex);

// Fixed-point text with DecimalsForRange decimals, "." as the point, right-aligned
// with leading blanks in a field of at least 7 characters (never cut).
std::string FormatByRange(int rangeIndex, double value);

// Inserts one blank after a leading "-" ("-12.345" → "- 12.345").
std::string PadMinusSign(std::string text);

// The line written to data files and shown in the readout (without unit).
inline std::string FormatLine(int rangeIndex, double value) {
  return PadMinusSign(FormatByRange(rangeIndex, value));
}

// Allocation-free variant for the per-frame path: writes the same text as
// FormatLine/FormatByRange into `out` and returns its length.
struct FixedText {
  std::array<char, 48> buf{};
  std::size_t len = 0;
  std::string_view view() const { return {buf.data(), len}; }
};
void FormatByRangeInto(int rangeIndex, double value, bool padMinus, FixedText& out);

// Eight 0/1 flags, flag k = bit k of the byte.
std::array<bool, 8> UnpackBits(std::uint8_t byte);

}  // namespace measurement
