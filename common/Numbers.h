#pragma once
// The one number recogniser and the number forms of the system.
//
// Recognising: optional blanks, a sign, digits with the decimal separator, an optional
// exponent, optional blanks. Integer conversions round half to even and fail outside
// the target's range. Formatting: the "0.00" style patterns (decimal separator, rounded),
// the plain form with a leading blank for non-negative numbers (" 12", "-3", " .5"),
// which is also the settings-file form of numbers.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace num {

// The decimal separator of the numbers users type and read. Files and replies of this
// system use the point; every function takes the separator so that one place decides it.
inline constexpr char kDecimal = '.';

// True when the whole text is one number in the sense above; the value goes to out.
bool Parse(std::string_view text, double& out, char decimal = kDecimal);
inline bool IsNumber(std::string_view text, char decimal = kDecimal) {
  double ignored;
  return Parse(text, ignored, decimal);
}
std::optional<double> ToDouble(std::string_view text, char decimal = kDecimal);

// Round half to even; nullopt when not finite or outside the target range.
std::optional<int16_t> RoundToInt16(double v);
std::optional<int32_t> RoundToInt32(double v);
// Text to integer: Parse, then RoundTo...
std::optional<int16_t> ToInt16(std::string_view text, char decimal = kDecimal);
std::optional<int32_t> ToInt32(std::string_view text, char decimal = kDecimal);

// Infinities and NaN are written "Inf", "-Inf" and "NaN" by every form (the plain form
// with its leading blank): never a text that reads back as a number.

// Pattern with exactly `decimals` digits (0 to kMaxPatternDecimals) after the separator
// and at least one before it ("0.00" is Pattern(v, 2)); rounded half away from zero on
// the decimal value.
inline constexpr int kMaxPatternDecimals = 15;
std::string Pattern(double v, int decimals, char decimal = kDecimal);

// Plain form: one leading blank when not negative, "-" when negative, "." as point, no 0
// before the point between -1 and 1, up to 15 significant digits, exponent form
// ("1E+20") for very large or small numbers; the largest doubles get the 17 digits
// that read back.
std::string Plain(double v);
std::string Plain(int64_t v);
inline std::string Plain(int32_t v) { return Plain(static_cast<int64_t>(v)); }
inline std::string Plain(int16_t v) { return Plain(static_cast<int64_t>(v)); }

// Shortest general form without a leading blank ("12.5", "-3", "0.5"), for display.
std::string General(double v, char decimal = kDecimal);

}  // namespace num
