#include "sim/SimAxis.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace ksim {

SimAxis::SimAxis(std::optional<int64_t> lowerLimit, std::optional<int64_t> upperLimit)
    : lower_(lowerLimit), upper_(upperLimit) {}

int64_t SimAxis::Travelled(int64_t nowUs) const {
  const double seconds = std::max<int64_t>(0, nowUs - startUs_) / 1e6;
  const double steps = std::floor(speed_ * seconds);
  if (end_) return std::min<int64_t>(std::llabs(*end_ - startPos_), static_cast<int64_t>(steps));
  return steps > 9e18 ? INT64_MAX / 2 : static_cast<int64_t>(steps);
}

// A motion that has reached its end stands from the moment it got there; a queued move
// begins at that moment.
void SimAxis::Settle(int64_t nowUs) {
  for (;;) {
    if (direction_ != 0) {
      if (!end_) return;
      const int64_t distance = std::llabs(*end_ - startPos_);
      if (Travelled(nowUs) < distance) return;
      startUs_ += static_cast<int64_t>(std::ceil(distance * 1e6 / speed_));
      startPos_ = *end_;
      direction_ = 0;
      speed_ = 0;
    }
    if (queued_.empty()) return;
    const Queued next = queued_.front();
    queued_.pop_front();
    BeginQueued(std::min(startUs_, nowUs), next);
  }
}

int64_t SimAxis::Physical(int64_t nowUs) {
  Settle(nowUs);
  return startPos_ + direction_ * Travelled(nowUs);
}

int64_t SimAxis::Register(int64_t nowUs) { return Physical(nowUs) + offset_; }

bool SimAxis::IsMoving(int64_t nowUs) {
  Settle(nowUs);
  return direction_ != 0;
}

bool SimAxis::IsRunning(int64_t nowUs) { return IsMoving(nowUs) && endless_; }

double SimAxis::Speed(int64_t nowUs) { return IsMoving(nowUs) ? speed_ : 0.0; }

int SimAxis::Inputs(int64_t nowUs) {
  const int64_t p = Physical(nowUs);
  int inputs = 0;
  if (lower_ && p <= *lower_) inputs |= 1;
  if (upper_ && p >= *upper_) inputs |= 2;
  return inputs;
}

void SimAxis::SetRegister(int64_t nowUs, int64_t value) { offset_ = value - Physical(nowUs); }

void SimAxis::Start(int64_t nowUs, int direction, std::optional<int64_t> end, double speed) {
  const int64_t from = Physical(nowUs);
  queued_.clear();
  Begin(nowUs, from, direction, end, speed);
}

void SimAxis::Begin(int64_t atUs, int64_t from, int direction, std::optional<int64_t> end,
                    double speed) {
  startPos_ = from;
  startUs_ = atUs;
  endless_ = false;
  direction_ = 0;
  speed_ = 0;
  if (direction == 0 || !(speed > 0)) return;
  // The switch on the side of the motion is a hard stop.
  const std::optional<int64_t> stop = direction > 0 ? upper_ : lower_;
  if (stop) end = end ? (direction > 0 ? std::min(*end, *stop) : std::max(*end, *stop)) : *stop;
  if (end && (*end - startPos_) * direction <= 0) return;
  direction_ = direction;
  speed_ = speed;
  end_ = end;
}

void SimAxis::MoveBy(int64_t nowUs, int64_t steps, double speed) {
  const int64_t from = Physical(nowUs);
  Start(nowUs, steps > 0 ? 1 : (steps < 0 ? -1 : 0), from + steps, speed);
}

void SimAxis::MoveToRegister(int64_t nowUs, int64_t target, double speed) {
  MoveBy(nowUs, target - Register(nowUs), speed);
}

void SimAxis::Run(int64_t nowUs, int direction, double speed) {
  const int dir = direction > 0 ? 1 : (direction < 0 ? -1 : 0);
  // Told again to run as it already runs, the motor just keeps going (restarting would
  // lose the part of a step travelled since the last command).
  if (dir != 0 && endless_ && IsMoving(nowUs) && direction_ == dir && speed_ == speed) return;
  Start(nowUs, dir, std::nullopt, speed);
  endless_ = true;
}

void SimAxis::Stop(int64_t nowUs) { Start(nowUs, 0, std::nullopt, 0); }

void SimAxis::QueueBy(int64_t nowUs, int64_t steps, double speed) {
  Queue(nowUs, {false, steps, speed});
}

void SimAxis::QueueToRegister(int64_t nowUs, int64_t target, double speed) {
  Queue(nowUs, {true, target, speed});
}

void SimAxis::Queue(int64_t nowUs, const Queued& move) {
  if (IsMoving(nowUs)) {
    queued_.push_back(move);
    return;
  }
  BeginQueued(nowUs, move);
}

void SimAxis::BeginQueued(int64_t atUs, const Queued& move) {
  const int64_t steps = move.absolute ? move.value - (startPos_ + offset_) : move.value;
  const int direction = steps > 0 ? 1 : (steps < 0 ? -1 : 0);
  Begin(atUs, startPos_, direction, startPos_ + steps, move.speed);
}

bool ParseSteps(std::string_view text, std::optional<int64_t>& out) {
  int64_t v = 0;
  const char* end = text.data() + text.size();
  const auto res = std::from_chars(text.data(), end, v);
  if (text.empty() || res.ec != std::errc() || res.ptr != end) return false;
  out = std::clamp(v, -kMaxLimitSteps, kMaxLimitSteps);
  return true;
}

}  // namespace ksim
