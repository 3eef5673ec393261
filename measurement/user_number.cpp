#include "measurement/user_number.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

namespace measurement {

namespace {
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
}  // namespace

NumberHead scanNumberHead(std::string_view s) {
  NumberHead h;
  std::size_t& i = h.digitsAt;
  while (i < s.size() && s[i] == ' ') ++i;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    h.negative = s[i] == '-';
    ++i;
  }
  return h;
}

UserNumber parseUserNumber(std::string_view s, bool trailingBlanks) {
  return scanNumber(s, DecimalComma::Yes, trailingBlanks);
}

UserNumber scanNumber(std::string_view s, DecimalComma decimalComma, bool trailingBlanks) {
  // Scanned by hand so that exactly this grammar is accepted; std::from_chars then
  // converts the scanned characters. No allocation for any sensible text (the live
  // processing parses its threshold with this at every frame).
  const std::size_t comma = decimalComma == DecimalComma::Yes ? s.find(',') : s.npos;
  auto at = [&](std::size_t i) { return i == comma ? '.' : s[i]; };
  const NumberHead head = scanNumberHead(s);
  const bool negative = head.negative;
  std::size_t i = head.digitsAt;
  const std::size_t mantissa = i;
  std::size_t digits = 0;
  while (i < s.size() && isDigit(at(i))) ++i, ++digits;
  if (i < s.size() && at(i) == '.') {
    ++i;
    while (i < s.size() && isDigit(at(i))) ++i, ++digits;
  }
  UserNumber r;
  if (digits == 0) return r;
  std::size_t end = i;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    std::size_t expDigits = 0;
    while (j < s.size() && isDigit(s[j])) ++j, ++expDigits;
    if (expDigits > 0) end = j;  // "1e" is the number 1 followed by other text
  }
  const std::size_t length = end - mantissa;
  char small[128];
  std::string big;
  char* text = small;
  if (length > sizeof small) {
    big.resize(length);
    text = big.data();
  }
  for (std::size_t k = 0; k < length; ++k) text[k] = at(mantissa + k);
  double v = 0.0;
  const auto res = std::from_chars(text, text + length, v, std::chars_format::general);
  if (res.ec != std::errc() || res.ptr != text + length || !std::isfinite(v)) return r;
  r.value = negative ? -v : v;
  r.leading = true;
  std::size_t rest = end;
  if (trailingBlanks)
    while (rest < s.size() && s[rest] == ' ') ++rest;
  r.whole = rest == s.size();
  return r;
}

}  // namespace measurement
