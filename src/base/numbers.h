// Whole numbers typed by people: command-line options and input scripts.
#pragma once
#include <cstdint>
#include <string_view>

namespace base {

// Decimal digits only (no sign, no spaces), at most `limit`. False for
// anything else, so "+5", " 5", "5x" and a number past the limit are all
// refused rather than read as something the user did not mean.
bool ParseUnsigned(std::string_view text, std::uint64_t limit,
                   std::uint64_t& out);

}  // namespace base
