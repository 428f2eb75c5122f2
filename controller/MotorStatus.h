#pragma once
// The status codes of the motor operations, the same whichever controller family runs
// them (16-bit; 1 or above is success).
#include <cstdint>

namespace motorstatus {

inline constexpr int16_t kOk = 1;
inline constexpr int16_t kNoFamily = 0;          // no controller family is configured
inline constexpr int16_t kLinkFailure = -1;      // link failure or unreadable answer
inline constexpr int16_t kControllerError = -2;  // controller error, echo mismatch, move time-out
inline constexpr int16_t kMalformed = -3;        // a reply of the wrong form
inline constexpr int16_t kInProgress = -4;       // refused: another exchange is in progress
inline constexpr int16_t kStopped = -6;          // a wait or run the operator's Stop ended

}  // namespace motorstatus
