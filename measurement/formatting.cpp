#include "measurement/formatting.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace measurement {

double ScaleByRange(int rangeIndex, double counts) {
  switch (rangeIndex) {
    case 0:
      return counts / 1000.0;
    case 1:
      return counts / 100.0;
    case 2:
      return counts / 10.0;
    case 3:
      return counts / 1.0;
    default:
      return counts;
  }
}

int DecimalsForRange(int rangeIndex) {
  switch (rangeIndex) {
    case 0:
      return 3;
    case 1:
      return 2;
    case 2:
      return 1;
    default:
      return 0;
  }
}

namespace {

// Whether value · 10^decimals lies exactly halfway between two integers. The product with
// 2 · 10^decimals is then an odd integer; fma gives the rounding error of that product
// exactly, so the test holds for the exact value, not only for its rounded product.
bool isHalfway(double value, int decimals) {
  double scale = 2.0;
  for (int i = 0; i < decimals; ++i) scale *= 10.0;
  const double p = value * scale;
  if (!std::isfinite(p) || std::fabs(p) >= 9007199254740992.0) return false;  // 2^53
  if (std::fma(value, scale, -p) != 0.0 || std::floor(p) != p) return false;
  return std::fmod(std::fabs(p), 2.0) == 1.0;
}

}  // namespace

void FormatByRangeInto(int rangeIndex, double value, bool padMinus, FixedText& out) {
  constexpr std::size_t kWidth = 7;
  char digits[40];
  const int decimals = DecimalsForRange(rangeIndex);
  std::size_t n = 0;
  if (!std::isfinite(value)) {
    // Never produced by the instrument's counts; keep the text short and honest.
    const char* t = std::isnan(value) ? "nan" : (value < 0 ? "-inf" : "inf");
    n = std::strlen(t);
    std::memcpy(digits, t, n);
  } else {
    // A value exactly halfway between two shown numbers (0.125 with two decimals, 2.5 with
    // none) is rounded away from zero, as a person reads a display; std::to_chars would
    // round it to the even neighbour. Such a value is moved to the next double away from
    // zero, which rounds the same way and is no tie itself.
    if (isHalfway(value, decimals)) value = std::nextafter(value, value < 0 ? -HUGE_VAL : HUGE_VAL);
    auto res =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals);
    if (res.ec != std::errc()) {
      // Larger than any field we could show: fall back to a general form.
      res = std::to_chars(digits, digits + sizeof digits, value);
    }
    n = static_cast<std::size_t>(res.ptr - digits);
    // A small negative value that rounds to zero reads "0.000", not "-0.000".
    bool allZero = n > 1 && digits[0] == '-';
    for (std::size_t i = 1; allZero && i < n; ++i) allZero = digits[i] == '0' || digits[i] == '.';
    if (allZero) {
      std::memmove(digits, digits + 1, n - 1);
      --n;
    }
  }
  std::size_t pos = 0;
  const std::size_t pad = n < kWidth ? kWidth - n : 0;
  for (std::size_t i = 0; i < pad; ++i) out.buf[pos++] = ' ';
  std::size_t start = 0;
  if (padMinus && pad == 0 && n > 0 && digits[0] == '-') {
    out.buf[pos++] = '-';
    out.buf[pos++] = ' ';
    start = 1;
  }
  std::memcpy(out.buf.data() + pos, digits + start, n - start);
  out.len = pos + n - start;
}

std::string FormatByRange(int rangeIndex, double value) {
  FixedText t;
  FormatByRangeInto(rangeIndex, value, false, t);
  return std::string(t.view());
}

std::string PadMinusSign(std::string text) {
  if (!text.empty() && text.front() == '-') text.insert(1, 1, ' ');
  return text;
}

std::array<bool, 8> UnpackBits(std::uint8_t byte) {
  std::array<bool, 8> bits{};
  for (int k = 0; k < 8; ++k) bits[k] = ((byte >> k) & 1u) != 0;
  return bits;
}

}  // namespace measurement
