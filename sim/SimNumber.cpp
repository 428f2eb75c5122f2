#include "sim/SimNumber.h"

namespace ksim {

bool ReadDigits(std::string_view text, size_t& i, int64_t& out) {
  // Past this the value is too wide anyway; it stops growing there.
  constexpr int64_t kCeiling = 99'999'999'999;
  const size_t first = i;
  int64_t v = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    if (v <= kCeiling) v = v * 10 + (text[i] - '0');
  if (i == first || i - first > kMaxOperandDigits) return false;
  out = v;
  return true;
}

}  // namespace ksim
