#pragma once
// The IM483I dialect from strings alone: command texts with their number forms, the
// command line (address character + text), the echo check of the reply, and the
// conversions of answers.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "controller/MotorStatus.h"

namespace im483i {

// Status codes of the IM483I driver.
inline constexpr int16_t kOk = motorstatus::kOk;
inline constexpr int16_t kLinkFailure = motorstatus::kLinkFailure;
inline constexpr int16_t kEchoMismatch = motorstatus::kControllerError;
inline constexpr int16_t kMoveTimedOut = motorstatus::kControllerError;
inline constexpr int16_t kTooShort = motorstatus::kMalformed;
inline constexpr int16_t kInProgress = motorstatus::kInProgress;

std::string CommandLine(int16_t addr, std::string_view text);

// Number forms: plain ("12", "-3") and blank-led (" 12", "-3").
std::string PlainNum(int64_t v);
std::string BlankLed(int64_t v);

std::string MoveVelText(int32_t speed);
// nullopt: the step count is no 32-bit value.
std::optional<std::string> MoveAbsText(double position);
// Empty text: nothing to send (distance exactly 0). nullopt: not writable.
std::optional<std::string> MoveRelText(double distance);
std::string SettleText(int16_t ms);
std::string SetCurrentsText(int16_t hold, int16_t run);
std::string SetAccelText(int32_t accel, int32_t decel);
std::string SetLimPolarityText(int16_t polarity);
std::string SetJogSpeedsText(int32_t low, int32_t high);
std::string SetSlewVelText(int32_t speed);
std::string SetStepDivideText(int16_t value);
std::string SetInitVelText(int32_t speed);
inline constexpr const char* kQueryPosition = "Z";
inline constexpr const char* kQueryInputs = "] 0";
inline constexpr const char* kQueryMoving = "^";
inline constexpr const char* kSetOrigin = "O";
inline constexpr const char* kResetDivide = "H 0";
inline constexpr const char* kProbe = "AX";
// The probe and its echo take 6 bytes on the wire, 6.3 ms at 9600 baud; a controller
// that is there has answered within this, its turn-around included.
inline constexpr int16_t kProbeReplyWithinMs = 26;

// Speed of the move off a limit: half the magnitude (halves to even), at least 20,
// against the direction of the run; 0 for 0.
int32_t BackOffSpeed(int32_t speed);

// The echo check. answer receives the reply after the echo (also on kEchoMismatch).
int16_t CheckEcho(const std::string& cmdLine, const std::string& reply, std::string& answer);

// Answer conversions; a CR before the LF is tolerated.
bool DecodeDouble(const std::string& answer, double& value);
std::optional<int16_t> DecodeInt16(const std::string& answer);

// Log lines.
std::string LinkFailureLine(const std::string& cmdLine, const std::string& reply);
std::string TooShortLine(const std::string& cmdLine, const std::string& reply);
std::string EchoMismatchLine(const std::string& cmdLine, const std::string& reply);
inline constexpr const char* kInProgressLine = "inst>0;";

}  // namespace im483i
