#include "controller/EZHR17Protocol.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "common/Numbers.h"

namespace ezhr17 {
namespace {

std::string Dec(int64_t v) { return std::to_string(v); }

// floor(|v| + 0.5) as a step count, or nullopt when it is no 32-bit value.
std::optional<int64_t> HalfUpMagnitude(double v) {
  if (!std::isfinite(v)) return std::nullopt;
  const double n = std::floor(std::fabs(v) + 0.5);
  if (n > static_cast<double>(std::numeric_limits<int32_t>::max())) return std::nullopt;
  return static_cast<int64_t>(n);
}

}  // namespace

std::string CommandLine(int16_t addr, std::string_view text) {
  std::string line = "/";
  line += static_cast<char>(addr);
  line += text;
  return line;
}

std::string MoveVelText(int32_t speed) {
  if (speed > 0) return "V" + Dec(speed) + "P0R";
  if (speed < 0) return "V" + Dec(-static_cast<int64_t>(speed)) + "D0R";
  return "T";
}

std::optional<std::string> MoveAbsText(double position) {
  const auto n = num::RoundToInt32(position);
  if (!n) return std::nullopt;
  return "A" + Dec(*n) + "R";
}

std::optional<std::string> MoveRelText(double distance) {
  const auto n = HalfUpMagnitude(distance);
  if (!n) return std::nullopt;
  if (*n == 0) return std::string();
  return (distance > 0 ? "P" : "D") + Dec(*n) + "R";
}

std::string SetPosText(int32_t position) { return "z" + Dec(position) + "R"; }
std::string SetCurrentsText(int16_t hold, int16_t run) {
  return "h" + Dec(hold) + "m" + Dec(run) + "R";
}
std::string SetAccelText(int32_t accel) { return "L" + Dec(accel) + "R"; }
std::string SetLimPolarityText(int16_t polarity) { return "f" + Dec(polarity) + "R"; }
std::string SetSlewVelText(int32_t speed) { return "V" + Dec(speed) + "R"; }

std::optional<std::string> SetStepDivideText(int16_t exponent) {
  if (exponent < 0 || exponent > 30) return std::nullopt;
  return "j" + Dec(int64_t{1} << exponent) + "R";
}

std::string SetInitVelText(int32_t speed) { return "v" + Dec(speed) + "R"; }
std::string ModeText(int16_t mode) { return "n" + Dec(mode) + "R"; }

int16_t ModeWithLimitsEnabled(int16_t mode, int16_t on) {
  return static_cast<int16_t>((mode & ~2) | (on != 0 ? 2 : 0));
}

int16_t ModeWithLimitMode(int16_t mode, int16_t kind) {
  const int bits = kind == 1 ? 1 : kind == 2 ? 4 : 0;
  return static_cast<int16_t>((mode & ~5) | bits);
}

namespace {
constexpr char kAddresses[] = "123456789ABCDEF";
}

std::string SilentAddressesLine(const std::array<bool, 15>& silent) {
  std::string ranges;
  int count = 0;
  for (size_t i = 0; i < silent.size(); ++i) {
    if (!silent[i]) continue;
    size_t last = i;
    while (last + 1 < silent.size() && silent[last + 1]) ++last;
    if (!ranges.empty()) ranges += ", ";
    ranges += kAddresses[i];
    if (last > i) ranges += std::string("-") + kAddresses[last];
    count += static_cast<int>(last - i + 1);
    i = last;
  }
  if (count == 0) return {};
  return std::string(count == 1 ? "no controller at address " : "no controller at addresses ") +
         ranges;
}

std::array<std::string, 15> ProbeTexts() {
  std::array<std::string, 15> texts;
  for (size_t i = 0; i < texts.size(); ++i) texts[i] = CommandLine(kAddresses[i], "?Q");
  return texts;
}

int16_t CheckReply(const std::string& reply, std::string& data, int& code) {
  if (reply.size() < 4 || reply.compare(1, 2, "/0") != 0) return kMalformed;
  data = reply.substr(3);
  code = static_cast<unsigned char>(data[0]) & kErrorMask;
  return code != 0 ? kControllerError : kOk;
}

std::string Answer(const std::string& data) {
  return data.size() < 2 ? std::string() : data.substr(1, data.size() - 2);
}

bool IsReady(const std::string& data) {
  return !data.empty() && (static_cast<unsigned char>(data[0]) & kReadyBit) != 0;
}

bool DecodePosition(const std::string& data, double& position) {
  return num::Parse(Answer(data), position);
}

bool DecodeInputs(const std::string& data, int16_t& inputs) {
  // data: status, answer digits, closing character.
  const auto digit = [&](size_t i) { return data[i] >= '0' && data[i] <= '9'; };
  int value = 0;
  if (data.size() > 3) {
    if (!digit(1) || !digit(2)) return false;
    value = (data[1] - '0') * 10 + (data[2] - '0');
  } else if (data.size() == 3) {
    if (!digit(1)) return false;
    value = data[1] - '0';
  } else {
    return false;
  }
  inputs = static_cast<int16_t>(value / 4);
  return true;
}

std::optional<int32_t> DecodeMaxSpeed(const std::string& data) {
  return num::ToInt32(Answer(data));
}

std::string CommErrorLine(const std::string& cmdLine, const std::string& reply) {
  return cmdLine + "-comm error-" + reply;
}

std::string NoFrameLine(const std::string& cmdLine, const std::string& reply) {
  return cmdLine + "-no 0xFF / 0-" + reply;
}

std::string ControllerErrorLine(const std::string& cmdLine, const std::string& reply, int code) {
  return cmdLine + "-error returned by controller-" + reply + "-status-" + Dec(code);
}

}  // namespace ezhr17
