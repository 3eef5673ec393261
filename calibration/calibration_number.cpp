#include "calibration/calibration_number.h"

#include "measurement/user_number.h"

namespace calibration {

ParsedNumber<double> ParseCalibrationReal(std::string_view text) {
  ParsedNumber<double> r;
  if (text.empty()) {
    r.empty = true;
    return r;
  }
  const measurement::UserNumber n = measurement::parseUserNumber(text, /*trailingBlanks=*/false);
  if (n.whole) {
    r.ok = true;
    r.value = n.value;
  }
  return r;
}

namespace {
int digitValue(char c, bool hex) {
  if (c >= '0' && c <= '9') return c - '0';
  if (!hex) return -1;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

ParsedNumber<std::int32_t> ParseCalibrationInteger(std::string_view s) {
  ParsedNumber<std::int32_t> r;
  if (s.empty()) {
    r.empty = true;
    return r;
  }
  const measurement::NumberHead head = measurement::scanNumberHead(s);
  const bool negative = head.negative;
  std::size_t i = head.digitsAt;
  bool hex = false;
  if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i == s.size()) return r;  // no digits
  // The magnitude is bounded as it grows, so any number of digits is safe.
  const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
  const int base = hex ? 16 : 10;
  std::int64_t magnitude = 0;
  for (; i < s.size(); ++i) {
    const int d = digitValue(s[i], hex);
    if (d < 0) return r;
    magnitude = magnitude * base + d;
    if (magnitude > limit) return r;
  }
  r.ok = true;
  r.value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
  return r;
}

}  // namespace calibration
