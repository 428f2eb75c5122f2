#pragma once
// The EZHR17 command language as the controller sees it: "/" + address + commands, one
// reply frame per addressed line: 0xFF, "/0", status character, answer, ETX, CR, LF.
//
// Commands: A n (absolute), P n / D n (relative up / down; P0 and D0 run endless),
// V n (maximum speed), v n (initial speed), L n, h n, m n, j n, f n, n n (stored
// settings), z n (set the position register), R (run the stored commands), and at once:
// T (terminate motion), Q (status), ?0 position, ?1 initial speed, ?2 maximum speed,
// ?4 inputs (lower switch 4, upper switch 8), ?Q status. A line with settings or moves
// replaces the stored commands; R runs them. An unknown command gives error code 2 and a
// bad number error code 3; such a line does nothing.
//
// While the motor moves, a line that would start another move (A, P, D with R) is
// refused with error code 15 (command overflow) and does nothing: the move under way
// goes on. During a run at constant speed (P0, D0) a new run is taken: a new speed or
// direction. Reports, T and settings are taken at any time.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/SimAxis.h"

namespace ksim {

class SimEZHR17 {
 public:
  static constexpr char kStart = '\xFF';
  static constexpr char kClose = '\x03';
  static constexpr int kReadyBit = 0x20;
  static constexpr int kErrBadCommand = 2;
  static constexpr int kErrBadOperand = 3;
  static constexpr int kErrOverflow = 15;

  SimEZHR17(char address, SimAxis& axis) : address_(address), axis_(axis) {}

  // The reply to one command line (its CR removed); none when the line is not addressed
  // to this controller. forcedError, when not 0, replaces the error code of the status.
  std::optional<std::string> Handle(std::string_view line, int64_t nowUs, int forcedError);

  int64_t MaxSpeed() const { return maxSpeed_; }
  int64_t Setting(char command) const;  // last value stored by h, m, j, f, n, L (else -1)

 private:
  struct Op {
    char cmd;      // command letter, '?' for queries
    char sub = 0;  // what a query asks for
    int64_t value = 0;
  };

  static int Parse(std::string_view text, std::vector<Op>& ops);
  bool TakenWhileMoving(const std::vector<Op>& ops, int64_t nowUs);
  std::string Execute(const std::vector<Op>& ops, int64_t nowUs);
  void Apply(const Op& op, int64_t nowUs);
  std::string Query(char what, int64_t nowUs);

  char address_;
  SimAxis& axis_;
  std::vector<Op> stored_;
  int64_t maxSpeed_ = 1000;  // steps per second
  int64_t initSpeed_ = 100;
  std::map<char, int64_t> settings_;
};

}  // namespace ksim
