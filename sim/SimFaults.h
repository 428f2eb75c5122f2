#pragma once
// Faults the simulated controller can be told to show, and their text form
// ("silent", "delay=MS", "split", "noise", "error=CODE", "badecho").
#include <cstdint>
#include <string>
#include <string_view>

namespace ksim {

struct Faults {
  bool silent = false;   // hears and obeys, never answers
  int64_t delayMs = 0;   // every reply starts this much later
  bool split = false;    // every reply in pieces with pauses between them
  bool noise = false;    // stray bytes before every reply
  int errorCode = 0;     // EZHR17: this error code (1..15) in every status character
  bool badEcho = false;  // IM483I: the echo's first character differs
};

// The pieces and pauses of a split reply, the stray bytes of noise.
inline constexpr int kSplitPieces = 3;
inline constexpr int64_t kSplitPauseMs = 20;
inline constexpr std::string_view kNoiseBytes{"\x00\x7f#", 3};

// Adds one fault given as text to faults. False, with a reason in error, when the text
// names no fault or carries a bad value; faults is then unchanged.
bool ParseFault(std::string_view spec, Faults& faults, std::string& error);

}  // namespace ksim
