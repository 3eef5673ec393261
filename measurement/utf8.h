#pragma once
// The one reading of UTF-8 bytes by hand: how long the sequence at a position is, and a text
// cut into its characters. A byte that starts no valid sequence (a stray continuation byte, a
// sequence cut short or broken) counts as one character of its own. Header-only, toolkit-free.
#include <cstddef>
#include <string_view>
#include <vector>

namespace measurement {

// Length of the UTF-8 sequence starting at s[i] (i < s.size()); 1 for a byte that starts none.
inline std::size_t Utf8SequenceLength(std::string_view s, std::size_t i) {
  const auto b = static_cast<unsigned char>(s[i]);
  const std::size_t n = b < 0x80           ? 1
                        : (b >> 5) == 0x6  ? 2
                        : (b >> 4) == 0xE  ? 3
                        : (b >> 3) == 0x1E ? 4
                                           : 1;
  if (i + n > s.size()) return 1;
  for (std::size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 1;
  return n;
}

// The characters of a UTF-8 text, a code point each (see Utf8SequenceLength).
inline std::vector<std::string_view> Utf8Characters(std::string_view s) {
  std::vector<std::string_view> out;
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = Utf8SequenceLength(s, i);
    out.push_back(s.substr(i, n));
    i += n;
  }
  return out;
}

}  // namespace measurement
