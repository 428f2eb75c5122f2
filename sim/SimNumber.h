#pragma once
// The simulated controllers' reader of decimal operands.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ksim {

// The widest operand either controller takes, in digits.
inline constexpr size_t kMaxOperandDigits = 10;

// Reads the run of digits at text[i] (i moves past all of them). False when there is no
// digit or more than kMaxOperandDigits; the value never overflows, however long the run.
bool ReadDigits(std::string_view text, size_t& i, int64_t& out);

}  // namespace ksim
