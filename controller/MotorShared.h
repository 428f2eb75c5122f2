#pragma once
// The two values both controller drivers share. Written by the dispatch (MotCon);
// read by the drivers.
#include <cstdint>

struct MotorShared {
  int16_t MotorAddr = 0;         // character code of the controller address ('1' = 49)
  int16_t MotorMoveTimeout = 0;  // whole seconds: longest wait for a move or limit run
};
