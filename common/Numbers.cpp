#include "common/Numbers.h"

#include <algorithm>
#include <cfenv>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace num {
namespace {

// Builds a C-locale copy of the number text (separator replaced by '.') and checks its
// shape; returns false for anything that is not one number.
bool Normalise(std::string_view text, char decimal, std::string& out) {
  size_t i = 0, n = text.size();
  while (i < n && text[i] == ' ') ++i;
  while (n > i && text[n - 1] == ' ') --n;
  if (i == n) return false;
  out.clear();
  if (text[i] == '+' || text[i] == '-') out += text[i++];
  size_t digits = 0;
  bool point = false;
  for (; i < n; ++i) {
    char c = text[i];
    if (c >= '0' && c <= '9') {
      out += c;
      ++digits;
    } else if (c == decimal && !point) {
      out += '.';
      point = true;
    } else {
      break;
    }
  }
  if (digits == 0) return false;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    out += 'e';
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) out += text[i++];
    size_t expDigits = 0;
    for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i, ++expDigits) out += text[i];
    if (expDigits == 0) return false;
  }
  return i == n;
}

template <typename T>
std::optional<T> RoundTo(double v) {
  if (!std::isfinite(v)) return std::nullopt;
  const int saved = std::fegetround();
  std::fesetround(FE_TONEAREST);
  const double r = std::nearbyint(v);
  std::fesetround(saved);
  if (r < static_cast<double>(std::numeric_limits<T>::min()) ||
      r > static_cast<double>(std::numeric_limits<T>::max()))
    return std::nullopt;
  return static_cast<T>(r);
}

// Turns "1.5e+07" into "1.5E+07" and "0.5" into ".5" (also "-0.5" into "-.5").
std::string VbStyle(std::string s) {
  for (auto& c : s)
    if (c == 'e') c = 'E';
  if (s.rfind("0.", 0) == 0) s.erase(0, 1);
  if (s.rfind("-0.", 0) == 0) s.erase(1, 1);
  return s;
}

// Mantissa digits and exponent of v in exponent form with `digits` significant digits,
// trailing zeros of the mantissa dropped ("1.5e+20").
std::string ExponentForm(double v, int digits) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*e", digits - 1, v);
  std::string s = buf;
  const size_t e = s.find('e');
  std::string mant = s.substr(0, e), exp = s.substr(e);
  if (mant.find('.') != std::string::npos) {
    while (mant.back() == '0') mant.pop_back();
    if (mant.back() == '.') mant.pop_back();
  }
  return mant + exp;
}

// True when the text reads back as a finite number.
bool ReadsBack(const std::string& s) {
  double v = 0;
  const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  return ec == std::errc() && std::isfinite(v);
}

// Shortest text of at most 15 significant digits that reads back as the value rounded
// to 15 digits; exponent form outside 1e-5 .. 1e15. Next to the largest double, rounding
// to 15 digits would leave the range of doubles; such a value gets the 17 digits that
// read back exactly. Finite values only.
std::string Shortest(double v) {
  const double a = std::fabs(v);
  if (a != 0 && (a >= 1e15 || a < 1e-5)) {
    std::string s = ExponentForm(v, 15);
    return ReadsBack(s) ? s : ExponentForm(v, 17);
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", v);
  return buf;
}

// Infinities and NaN have no number form; they are named, so that they never read back
// as a number.
std::string NonFinite(double v) {
  if (std::isnan(v)) return "NaN";
  return v < 0 ? "-Inf" : "Inf";
}

}  // namespace

bool Parse(std::string_view text, double& out, char decimal) {
  std::string c;
  if (!Normalise(text, decimal, c)) return false;
  // from_chars ignores the C locale, which a GUI toolkit may have set from the
  // environment.
  double v = 0;
  const char* first = c.c_str() + (c[0] == '+' ? 1 : 0);
  auto [ptr, ec] = std::from_chars(first, c.c_str() + c.size(), v);
  if (ec != std::errc() || ptr != c.c_str() + c.size()) return false;
  if (!std::isfinite(v)) return false;
  out = v;
  return true;
}

std::optional<double> ToDouble(std::string_view text, char decimal) {
  double v;
  if (!Parse(text, v, decimal)) return std::nullopt;
  return v;
}

std::optional<int16_t> RoundToInt16(double v) { return RoundTo<int16_t>(v); }
std::optional<int32_t> RoundToInt32(double v) { return RoundTo<int32_t>(v); }

std::optional<int16_t> ToInt16(std::string_view text, char decimal) {
  auto d = ToDouble(text, decimal);
  return d ? RoundToInt16(*d) : std::nullopt;
}
std::optional<int32_t> ToInt32(std::string_view text, char decimal) {
  auto d = ToDouble(text, decimal);
  return d ? RoundToInt32(*d) : std::nullopt;
}

namespace {

// 10^0 to 10^15, each exact in a double.
constexpr double kPowersOfTen[kMaxPatternDecimals + 1] = {
    1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// The digits of a whole, non-negative number. Below 2^63 an integer conversion gives
// them exactly and far faster than the general formatter.
std::string WholeDigits(double whole) {
  char buf[400];
  if (whole < 9223372036854775808.0) {
    const auto r = std::to_chars(buf, buf + sizeof buf, static_cast<uint64_t>(whole));
    return std::string(buf, r.ptr);
  }
  std::snprintf(buf, sizeof buf, "%.0f", whole);
  return buf;
}

}  // namespace

std::string Pattern(double v, int decimals, char decimal) {
  if (!std::isfinite(v)) return NonFinite(v);
  decimals = std::clamp(decimals, 0, kMaxPatternDecimals);
  // From 2^52 up every double is a whole number: the digits are exact as they stand.
  constexpr double kWhole = 4503599627370496.0;
  double scaled = std::fabs(v) * kPowersOfTen[decimals];
  std::string digits;
  if (std::fabs(v) >= kWhole) {
    digits = WholeDigits(std::fabs(v)) + std::string(static_cast<size_t>(decimals), '0');
  } else {
    // Round on the decimal value (a tie such as 0.125 goes away from zero, as people
    // expect), guarding against representation error with a relative nudge.
    if (scaled < kWhole)
      scaled = std::floor(scaled * (1 + 4 * std::numeric_limits<double>::epsilon()) + 0.5);
    digits = WholeDigits(scaled);
  }
  if (static_cast<int>(digits.size()) <= decimals)
    digits.insert(0, decimals + 1 - digits.size(), '0');
  std::string s = (v < 0 && scaled != 0) ? "-" : "";
  s += digits.substr(0, digits.size() - decimals);
  if (decimals > 0) {
    s += decimal;
    s += digits.substr(digits.size() - decimals);
  }
  return s;
}

std::string Plain(double v) {
  if (!std::isfinite(v)) {
    const std::string s = NonFinite(v);
    return s[0] == '-' ? s : " " + s;
  }
  if (v == 0) return " 0";
  std::string s = VbStyle(Shortest(v));
  return v < 0 ? s : " " + s;
}

std::string Plain(int64_t v) { return v < 0 ? std::to_string(v) : " " + std::to_string(v); }

std::string General(double v, char decimal) {
  if (!std::isfinite(v)) return NonFinite(v);
  if (v == 0) return "0";
  std::string s = Shortest(v);
  for (auto& c : s) {
    if (c == '.') c = decimal;
    if (c == 'e') c = 'E';
  }
  return s;
}

}  // namespace num
