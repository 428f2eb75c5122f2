#pragma once
// The simulated motor: a position in steps that moves at constant speed, evaluated
// lazily from the caller's timestamps (microseconds, never going back).
//
// Two coordinates: the physical position, fixed to the machine (0 at start-up), where
// the limit switches sit; and the position register that the controller reports, which
// "set position" and "origin" commands shift. Both start equal.
#include <cstdint>
#include <deque>
#include <optional>
#include <string_view>

namespace ksim {

class SimAxis {
 public:
  // Limit switch positions (physical steps); none means no switch on that side.
  SimAxis(std::optional<int64_t> lowerLimit, std::optional<int64_t> upperLimit);

  int64_t Register(int64_t nowUs);
  int64_t Physical(int64_t nowUs);
  bool IsMoving(int64_t nowUs);
  // Moving in a run at constant speed (as opposed to a move to a target).
  bool IsRunning(int64_t nowUs);
  // Limit inputs: 1 = lower switch active, 2 = upper switch active.
  int Inputs(int64_t nowUs);
  // The speed of the move under way (steps per second), 0 when standing.
  double Speed(int64_t nowUs);

  // Makes the register read value now; a move under way goes on.
  void SetRegister(int64_t nowUs, int64_t value);
  // Moves that replace whatever move is under way; speed in steps per second (a speed of
  // 0 or below stops). Motion into an active switch stops at the switch.
  void MoveBy(int64_t nowUs, int64_t steps, double speed);
  void MoveToRegister(int64_t nowUs, int64_t target, double speed);
  void Run(int64_t nowUs, int direction, double speed);  // endless; direction 0 stops
  void Stop(int64_t nowUs);
  // Moves that start at once when the motor stands, else when the motion under way (and
  // the moves queued before them) has ended by itself. A stop or any of the moves above
  // drops the moves still queued.
  void QueueBy(int64_t nowUs, int64_t steps, double speed);
  void QueueToRegister(int64_t nowUs, int64_t target, double speed);

 private:
  struct Queued {
    bool absolute;  // value is a register target, else a step count
    int64_t value;
    double speed;
  };
  void Start(int64_t nowUs, int direction, std::optional<int64_t> end, double speed);
  // Begins a motion at atUs from the physical position from.
  void Begin(int64_t atUs, int64_t from, int direction, std::optional<int64_t> end, double speed);
  void BeginQueued(int64_t atUs, const Queued& move);
  void Queue(int64_t nowUs, const Queued& move);
  void Settle(int64_t nowUs);
  int64_t Travelled(int64_t nowUs) const;

  std::optional<int64_t> lower_, upper_;
  int64_t offset_ = 0;    // register = physical + offset_
  int64_t startPos_ = 0;  // physical position where the move began (or stands)
  int64_t startUs_ = 0;
  int direction_ = 0;  // -1, 0, +1
  double speed_ = 0;
  std::optional<int64_t> end_;  // physical end of the move (a switch, for a run)
  bool endless_ = false;        // the move under way is a run at a speed
  std::deque<Queued> queued_;
};

// Limit positions lie within this many steps of 0, so that no motion arithmetic can
// overflow; one given farther out is taken as this far.
inline constexpr int64_t kMaxLimitSteps = 1'000'000'000'000'000;

// A step count written as a whole decimal number (a limit position), saturated to
// +-kMaxLimitSteps; false when the text is no whole number.
bool ParseSteps(std::string_view text, std::optional<int64_t>& out);

}  // namespace ksim
