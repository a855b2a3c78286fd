#include "base/numbers.h"

namespace base {

bool ParseUnsigned(std::string_view text, std::uint64_t limit,
                   std::uint64_t& out) {
  if (text.empty()) return false;
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
    if (value > limit / 10) return false;
    value *= 10;
    if (digit > limit - value) return false;
    value += digit;
  }
  out = value;
  return true;
}

}  // namespace base
