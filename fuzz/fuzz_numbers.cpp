// The number recogniser and the number forms: any text either is no number or reads as
// one value, and every form of a value reads back as that value (to the form's precision)
// or, for infinities and NaN, as no number at all. Nothing throws.
//
// Input: the first byte chooses the part (bit 0: text, or the next 8 bytes as a double)
// and the decimals of the "0.00" pattern (bits 1-4, 0..15); the rest is the text.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "common/Numbers.h"

namespace {

// The form must read back within tolerance of v; a non-finite v must not read at all.
void ReadsBack(const std::string& form, double v, double tolerance) {
  double back = 0;
  const bool read = num::Parse(form, back);
  if (!std::isfinite(v)) {
    if (read) std::abort();
    return;
  }
  if (!read || !(std::fabs(back - v) <= tolerance)) std::abort();
}

void Forms(double v, int decimals) {
  const double digits15 = std::fabs(v) * 1e-14 + 1e-300;
  ReadsBack(num::Plain(v), v, digits15);
  ReadsBack(num::General(v), v, digits15);
  ReadsBack(num::Pattern(v, decimals), v, 0.5 * std::pow(10.0, -decimals) + digits15);
  if (std::isfinite(v) && num::Plain(v) != num::Plain(*num::ToDouble(num::Plain(v))))
    std::abort();  // the plain form of the read-back value is the same text
}

void Integers(double v) {
  if (const auto i = num::RoundToInt32(v); i && !(std::fabs(*i - v) <= 0.5)) std::abort();
  if (const auto i = num::RoundToInt16(v); i && !(std::fabs(*i - v) <= 0.5)) std::abort();
  if (std::isfinite(v) && std::fabs(v) < 32767 && !num::RoundToInt16(v)) std::abort();
}

void Text(std::string_view text, int decimals) {
  double v = 0;
  if (!num::Parse(text, v)) {
    if (num::ToInt32(text) || num::ToInt16(text)) std::abort();
    return;
  }
  if (!std::isfinite(v)) std::abort();
  // The same number with a comma as the separator reads the same (a number holds no
  // comma, so every comma of the copy is its separator).
  std::string comma(text);
  for (auto& c : comma)
    if (c == '.') c = ',';
  double withComma = 0;
  if (!num::Parse(comma, withComma, ',') || withComma != v) std::abort();
  Integers(v);
  Forms(v, decimals);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int decimals = (data[0] >> 1) & 15;
  if (data[0] & 1) {
    double v;
    if (size < 1 + sizeof v) return 0;
    std::memcpy(&v, data + 1, sizeof v);
    Integers(v);
    Forms(v, decimals);
  } else {
    Text(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1), decimals);
  }
  return 0;
}
