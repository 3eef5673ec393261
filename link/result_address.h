#pragma once
// Where the instrument keeps its stored results: result i lies at 100 + 3·(i − 1), so an
// address stands for the number of results below it. The one place for that arithmetic: the
// download header's count, the download label and the downloaded table's entries use it.
// Header-only, so every layer may use it without linking the link library.
#include <cstddef>
#include <cstdint>

namespace devlink {

// Address of result 1.
inline constexpr std::uint16_t kFirstResultAddress = 100;

// (address − 100) div 3: the results that lie below `address` (for the header's end address,
// the results it announces); 0 below 100, never negative.
constexpr std::size_t ResultsBelow(unsigned address) {
  return address >= kFirstResultAddress ? (address - kFirstResultAddress) / 3u : 0u;
}

}  // namespace devlink
