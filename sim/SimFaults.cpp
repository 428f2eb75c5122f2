#include "sim/SimFaults.h"

#include <charconv>

namespace ksim {

namespace {

bool ParseCount(std::string_view text, int64_t max, int64_t& out) {
  if (text.empty()) return false;
  const auto* end = text.data() + text.size();
  const auto res = std::from_chars(text.data(), end, out);
  return res.ec == std::errc() && res.ptr == end && out >= 0 && out <= max;
}

}  // namespace

bool ParseFault(std::string_view spec, Faults& faults, std::string& error) {
  const auto eq = spec.find('=');
  const std::string_view name = spec.substr(0, eq);
  const bool hasValue = eq != std::string_view::npos;
  const std::string_view value = hasValue ? spec.substr(eq + 1) : std::string_view{};
  bool* flag = nullptr;
  if (name == "silent") flag = &faults.silent;
  if (name == "split") flag = &faults.split;
  if (name == "noise") flag = &faults.noise;
  if (name == "badecho") flag = &faults.badEcho;
  if (flag && !hasValue) {
    *flag = true;
    return true;
  }
  int64_t n = 0;
  if (hasValue && name == "delay") {
    if (ParseCount(value, 3'600'000, n)) {
      faults.delayMs = n;
      return true;
    }
    error = "bad delay in fault '" + std::string(spec) + "' (milliseconds 0..3600000)";
    return false;
  }
  if (hasValue && name == "error") {
    if (ParseCount(value, 15, n)) {
      faults.errorCode = static_cast<int>(n);
      return true;
    }
    error = "bad code in fault '" + std::string(spec) + "' (0..15)";
    return false;
  }
  error = "unknown fault '" + std::string(spec) +
          "' (silent, delay=MS, split, noise, error=CODE, badecho)";
  return false;
}

}  // namespace ksim
