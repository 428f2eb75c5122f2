#include "controller/IM483IProtocol.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/Numbers.h"

namespace im483i {
namespace {

// floor(|v| + 0.5) as a step count, or nullopt when it is no 32-bit value.
std::optional<int64_t> HalfUpMagnitude(double v) {
  if (!std::isfinite(v)) return std::nullopt;
  const double n = std::floor(std::fabs(v) + 0.5);
  if (n > static_cast<double>(std::numeric_limits<int32_t>::max())) return std::nullopt;
  return static_cast<int64_t>(n);
}

std::string_view WithoutTrailingCr(const std::string& answer) {
  std::string_view v = answer;
  if (!v.empty() && v.back() == '\r') v.remove_suffix(1);
  return v;
}

}  // namespace

std::string CommandLine(int16_t addr, std::string_view text) {
  std::string line(1, static_cast<char>(addr));
  line += text;
  return line;
}

std::string PlainNum(int64_t v) { return std::to_string(v); }
std::string BlankLed(int64_t v) { return (v >= 0 ? " " : "") + std::to_string(v); }

std::string MoveVelText(int32_t speed) { return "M" + PlainNum(speed); }

std::optional<std::string> MoveAbsText(double position) {
  const auto n = HalfUpMagnitude(position);
  if (!n) return std::nullopt;
  return (position > 0 ? "R+" : "R-") + PlainNum(*n);
}

std::optional<std::string> MoveRelText(double distance) {
  if (distance == 0) return std::string();
  const auto n = HalfUpMagnitude(distance);
  if (!n) return std::nullopt;
  return (distance > 0 ? "+" : "-") + PlainNum(*n);
}

std::string SettleText(int16_t ms) {
  const int32_t k = *num::RoundToInt32(ms / 10.0);
  return "E " + PlainNum(std::clamp<int32_t>(k, 0, 255));
}

std::string SetCurrentsText(int16_t hold, int16_t run) {
  return "Y" + BlankLed(hold) + BlankLed(run);
}
std::string SetAccelText(int32_t accel, int32_t decel) {
  return "K" + BlankLed(accel) + BlankLed(decel);
}
std::string SetLimPolarityText(int16_t polarity) { return "l" + BlankLed(polarity); }
std::string SetJogSpeedsText(int32_t low, int32_t high) {
  return "B" + BlankLed(low) + BlankLed(high);
}
std::string SetSlewVelText(int32_t speed) { return "V" + BlankLed(speed); }
std::string SetStepDivideText(int16_t value) { return "D" + BlankLed(value); }
std::string SetInitVelText(int32_t speed) { return "I" + BlankLed(speed); }

int32_t BackOffSpeed(int32_t speed) {
  if (speed == 0) return 0;
  const double half = std::fabs(static_cast<double>(speed)) / 2.0;
  const int32_t magnitude = std::max<int32_t>(*num::RoundToInt32(half), 20);
  return speed > 0 ? -magnitude : magnitude;
}

int16_t CheckEcho(const std::string& cmdLine, const std::string& reply, std::string& answer) {
  if (reply.size() < cmdLine.size()) return kTooShort;
  answer = reply.substr(cmdLine.size());
  return reply.compare(0, cmdLine.size(), cmdLine) == 0 ? kOk : kEchoMismatch;
}

bool DecodeDouble(const std::string& answer, double& value) {
  return num::Parse(WithoutTrailingCr(answer), value);
}

std::optional<int16_t> DecodeInt16(const std::string& answer) {
  return num::ToInt16(WithoutTrailingCr(answer));
}

std::string LinkFailureLine(const std::string& cmdLine, const std::string& reply) {
  return cmdLine + "\\" + reply;
}
std::string TooShortLine(const std::string& cmdLine, const std::string& reply) {
  return cmdLine + ">" + reply;
}
std::string EchoMismatchLine(const std::string& cmdLine, const std::string& reply) {
  return cmdLine + "!=" + reply;
}

}  // namespace im483i
