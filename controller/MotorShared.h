#pragma once
// The values both controller drivers share. Written by the dispatch (MotCon);
// read by the drivers.
#include <cstdint>

#include "controller/StopRequest.h"

#include "controller/MotorStatus.h"

// A wait, pause or limit run that ended because the operator pressed Stop.
constexpr int16_t kMotorStopped = motorstatus::kStopped;

struct MotorShared {
  int16_t MotorAddr = 0;         // character code of the controller address ('1' = 49)
  int16_t MotorMoveTimeout = 0;  // whole seconds: longest wait for a move or limit run
  StopRequest stop;              // the operator's Stop, seen by every wait
};
