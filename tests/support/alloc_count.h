// Counts the program's heap allocations (operator new, all threads), so a test can check
// that a path allocates nothing in its steady state.
#pragma once

#include <cstdint>

namespace testutil {
std::uint64_t allocations();
}  // namespace testutil
