#pragma once
// The IM483I command language as the controller sees it: address + command, the reply
// being the echo of the line followed by the answer and LF.
//
// Commands: M n (run at n steps per second, M0 stops), +n / -n (relative index at the
// slew speed), R+n / R-n (absolute), V s (slew speed), O (origin: register 0), @ (stop),
// E, Y, K, l, B, H, D, I with their numbers (stored), and the queries Z (position),
// "] 0" (inputs: 1 lower switch, 2 upper switch), ^ (1 moving, 0 standing). Numbers may
// be plain ("M-400") or blank-led ("Y 10 50"). An unknown or malformed command is
// answered with "?". The raw probe "AX" (no address) is echoed.
//
// An index received while the motor moves is executed in turn: it starts when the motion
// under way has ended (a run: at a limit switch); M and @ drop the indexes still waiting.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/SimAxis.h"

namespace ksim {

class SimIM483I {
 public:
  SimIM483I(char address, SimAxis& axis) : address_(address), axis_(axis) {}

  // The reply to one command line (its LF, and a CR before it, removed); none when the
  // line is not addressed to this controller. badEcho changes the echo's first character.
  std::optional<std::string> Handle(std::string_view line, int64_t nowUs, bool badEcho);

  int64_t SlewSpeed() const { return slewSpeed_; }
  // The numbers last stored by E, Y, K, l, B, H, D or I (empty when never set).
  std::vector<int64_t> Setting(char command) const;

 private:
  std::string Execute(char command, std::string_view args, int64_t nowUs);
  std::string Move(char command, const std::vector<int64_t>& values, int64_t nowUs);

  char address_;
  SimAxis& axis_;
  int64_t slewSpeed_ = 1000;  // steps per second
  std::map<char, std::vector<int64_t>> settings_;
};

}  // namespace ksim
