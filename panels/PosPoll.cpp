#include "panels/PosPoll.h"

#include <algorithm>

#include "common/Numbers.h"
#include "controller/COMM.h"
#include "domain/ProgramState.h"
#include "zaxis/STFoc.h"

PosPoll::PosPoll(ProgramState& state, STFoc& foc, COMM& comm)
    : state_(state), foc_(foc), comm_(comm) {}

bool PosPoll::On() const { return state_.config.ZPOSPOLL > 0; }

bool PosPoll::Poll(uint32_t now) {
  if (!On() || foc_.FocWaiting()) return false;  // a wait lets ticks run: not during one
  if (displayed && !displayed()) return false;
  if (polled_ && now - lastMs_ < waitMs_) return false;  // unsigned: survives the wrap
  polled_ = true;
  lastMs_ = now;
  const auto interval = static_cast<uint32_t>(state_.config.ZPOSPOLL);
  waitMs_ = interval;
  if (state_.ZEnabled == 0) {
    Set(LinkStatus::ZOff, false, 0);
    return false;
  }
  double z = 0;
  if (foc_.FocGetPos(z) == 1) {
    Set(LinkStatus::Answering, true, z);
  } else {
    waitMs_ = std::max(interval * kRetryIntervals, kMinRetryMs);
    // A position that cannot be read any more is not shown as if it were current.
    Set(comm_.CommPortLost() ? LinkStatus::Lost : LinkStatus::TimeOuts, false, 0);
  }
  return true;
}

void PosPoll::Set(LinkStatus status, bool hasPosition, double position) {
  if (status == status_ && hasPosition == hasPosition_ && position == position_) return;
  status_ = status;
  hasPosition_ = hasPosition;
  position_ = position;
  ++changes_;
}

std::string PosPoll::Caption(const std::string& base) const {
  if (!hasPosition_) return base;
  return base + "  Z=" + num::General(position_);
}
