#pragma once
// The EZHR17 dialect from strings alone: command texts, the addressed command line,
// the reply frame and its status character, and the conversions of answers.
//
// Command line: "/" + address character + command text (the link appends CR).
// Reply (CR LF removed): start character, "/0", status character, answer, closing
// character. The reply data is the reply from the status character on; the answer is
// the reply data without its first and last character.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "controller/MotorStatus.h"

namespace ezhr17 {

// Status codes of the EZHR17 driver.
inline constexpr int16_t kOk = motorstatus::kOk;
inline constexpr int16_t kLinkFailure = motorstatus::kLinkFailure;
inline constexpr int16_t kControllerError = motorstatus::kControllerError;
inline constexpr int16_t kMalformed = motorstatus::kMalformed;
inline constexpr int16_t kInProgress = motorstatus::kInProgress;

// Status character bits.
inline constexpr int kErrorMask = 15;
inline constexpr int kReadyBit = 32;

std::string CommandLine(int16_t addr, std::string_view text);

// Command texts. Numbers are plain decimal: digits, a leading "-" when negative.
std::string MoveVelText(int32_t speed);
// nullopt: the position cannot be written as a 32-bit step count.
std::optional<std::string> MoveAbsText(double position);
// Empty text: nothing to send (fewer than half a step). nullopt: not writable.
std::optional<std::string> MoveRelText(double distance);
std::string SetPosText(int32_t position);
std::string SetCurrentsText(int16_t hold, int16_t run);
std::string SetAccelText(int32_t accel);
std::string SetLimPolarityText(int16_t polarity);
std::string SetSlewVelText(int32_t speed);
// nullopt when 2^exponent is no 32-bit value (exponent outside 0..30).
std::optional<std::string> SetStepDivideText(int16_t exponent);
std::string SetInitVelText(int32_t speed);
std::string ModeText(int16_t mode);
inline constexpr const char* kQueryStatus = "Q";
inline constexpr const char* kQueryPosition = "?0";
inline constexpr const char* kQueryMaxSpeed = "?2";
inline constexpr const char* kQueryInputs = "?4";

// The mode word of the "n" command: bit 2 enables the limits, bits 1 and 4 the mode.
int16_t ModeWithLimitsEnabled(int16_t mode, int16_t on);
int16_t ModeWithLimitMode(int16_t mode, int16_t kind);

// The 15 raw address queries of the start-up probe, "/1?Q" to "/F?Q".
std::array<std::string, 15> ProbeTexts();
// The probe's one log line for the addresses that stayed silent (silent[i]: the i-th
// probe text got no reply): "no controller at addresses 2-F"; empty when all answered.
std::string SilentAddressesLine(const std::array<bool, 15>& silent);
// A probe query and a status reply take 12 bytes on the wire, 12.5 ms at 9600 baud; a
// controller that is there has answered within this, its turn-around included.
inline constexpr int16_t kProbeReplyWithinMs = 32;

// Checks a reply frame. kOk or kControllerError hand the reply data to data and the
// status character's error code to code; kMalformed: no "/0" at positions 2-3, or no
// status character after it.
int16_t CheckReply(const std::string& reply, std::string& data, int& code);
std::string Answer(const std::string& data);
bool IsReady(const std::string& data);

// "?0": the answer as a number of steps.
bool DecodePosition(const std::string& data, double& position);
// "?4": one or two decimal digits, divided by 4. False when no digit is there.
bool DecodeInputs(const std::string& data, int16_t& inputs);
// "?2": the answer as a 32-bit speed.
std::optional<int32_t> DecodeMaxSpeed(const std::string& data);

// Log lines.
std::string CommErrorLine(const std::string& cmdLine, const std::string& reply);
std::string NoFrameLine(const std::string& cmdLine, const std::string& reply);
std::string ControllerErrorLine(const std::string& cmdLine, const std::string& reply, int code);
inline constexpr const char* kInProgressLine = "inst>0;";

}  // namespace ezhr17
