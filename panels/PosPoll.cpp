#include "panels/PosPoll.h"

#include <algorithm>

#include "controller/COMM.h"
#include "domain/ProgramState.h"
#include "server/CmdZ.h"
#include "zaxis/STFoc.h"

namespace {
bool Down(LinkStatus status) {
  return status == LinkStatus::TimeOuts || status == LinkStatus::Lost;
}
}  // namespace

PosPoll::PosPoll(ProgramState& state, STFoc& foc, COMM& comm)
    : state_(state), foc_(foc), comm_(comm) {}

bool PosPoll::On() const { return state_.config.ZPOSPOLL > 0; }

uint32_t PosPoll::Interval() const { return static_cast<uint32_t>(state_.config.ZPOSPOLL); }

void PosPoll::Follow(uint32_t now) {
  const bool shown = On() && (!displayed || displayed());
  foc_.FocFollowPosition(shown ? Interval() : 0);
  if (!shown) return;
  Take(now);
  UpdateState(now);
}

// A read published since the last look (by anyone) is the position now.
void PosPoll::Take(uint32_t now) {
  const uint32_t count = foc_.FocLiveCount();
  if (count == taken_) return;
  taken_ = count;
  if (state_.ZEnabled == 0) return;
  const double z = foc_.FocLivePos();
  if (hasPosition_ && z != position_) {
    moved_ = true;
    movedMs_ = now;
  }
  Set(LinkStatus::Answering, true, z);
}

bool PosPoll::Poll(uint32_t now) {
  if (!On() || foc_.FocWaiting()) return false;  // a wait lets ticks run: not during one
  if (displayed && !displayed()) return false;
  Take(now);
  if (polled_ && now - lastMs_ < waitMs_) return false;  // unsigned: survives the wrap
  polled_ = true;
  lastMs_ = now;
  const uint32_t interval = Interval();
  waitMs_ = interval;
  if (state_.ZEnabled == 0) {
    Set(LinkStatus::ZOff, false, 0);
    UpdateState(now);
    return false;
  }
  double z = 0;
  if (foc_.FocGetPos(z) == 1) {
    Take(now);
  } else {
    waitMs_ = std::max(interval * kRetryIntervals, kMinRetryMs);
    // A position that cannot be read any more is not shown as if it were current.
    Set(comm_.CommPortLost() ? LinkStatus::Lost : LinkStatus::TimeOuts, false, 0);
  }
  UpdateState(now);
  return true;
}

void PosPoll::Set(LinkStatus status, bool hasPosition, double position) {
  if (status == status_ && hasPosition == hasPosition_ && position == position_) return;
  const LinkStatus before = status_;
  if (Down(status) && !Down(before) && hasPosition_) {
    knownBeforeLoss_ = true;
    beforeLoss_ = position_;
  }
  status_ = status;
  hasPosition_ = hasPosition;
  position_ = position;
  ++changes_;
  if (Down(before) && status == LinkStatus::Answering) NoteLinkBack(before, position);
}

// The controller may have been powered off or moved by hand meanwhile: absolute positions
// then no longer mean what they did.
void PosPoll::NoteLinkBack(LinkStatus, double position) {
  if (!knownBeforeLoss_) return;
  knownBeforeLoss_ = false;
  if (CmdZ::PosText(position) == CmdZ::PosText(beforeLoss_)) return;
  const std::string line = ChangedWhileDown(Shown(beforeLoss_, foc_), Shown(position, foc_));
  comm_.CommLogMsg(line);
  if (notice) notice(line);
}

std::string PosPoll::ChangedWhileDown(const std::string& was, const std::string& now) {
  return "position changed while the link was down: was " + was + ", now " + now +
         "; home before absolute moves";
}

void PosPoll::UpdateState(uint32_t now) {
  LiftFacts facts;
  facts.zEnabled = state_.ZEnabled != 0;
  facts.linkDown = Down(status_);
  facts.homing = foc_.FocHoming();
  facts.programRunning = programRunning && programRunning();
  const uint32_t movedFor = std::max(Interval() * kMovedIntervals, kMovedMs);
  if (moved_ && now - movedMs_ >= movedFor) moved_ = false;
  facts.moving = foc_.FocWaiting() || foc_.FocRunSpeed() != 0 || moved_;
  facts.joystickOn = state_.JoyOn == 1;
  const LiftState lift = DeriveLiftState(facts);
  if (lift == lift_) return;
  lift_ = lift;
  ++changes_;
}

std::string PosPoll::Shown(double z, const STFoc& foc) {
  const std::string& unit = foc.Params().ZUNIT;
  return unit.empty() ? CmdZ::PosText(z) : CmdZ::PosText(z) + " " + unit;
}

std::string PosPoll::Caption(const std::string& base) const {
  if (!hasPosition_) return base;
  return base + "  Z=" + Shown(position_, foc_);
}
