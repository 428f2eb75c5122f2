#pragma once
// The values both controller drivers share. Written by the dispatch (MotCon);
// read by the drivers.
#include <cstdint>
#include <functional>

#include "controller/StopRequest.h"

#include "controller/MotorStatus.h"

// A wait, pause or limit run that ended because the operator pressed Stop.
constexpr int16_t kMotorStopped = motorstatus::kStopped;

// The position as last read from the controller (motor steps), whoever read it. While
// someone shows it (everyMs above 0), the waits and limit runs read it between their polls
// when no read came for that long, so that it stays current during every move.
struct LivePosition {
  uint32_t everyMs = 0;  // 0: the waits read no position
  uint32_t readMs = 0;   // clock reading of the last read
  uint32_t count = 0;    // reads so far
  double steps = 0;
  void Publish(double value, uint32_t now) {
    steps = value;
    readMs = now;
    ++count;
  }
  bool Due(uint32_t now) const { return everyMs > 0 && now - readMs >= everyMs; }
  // After a read by a wait or limit run: a homing lets no tick run, so the display is
  // told here.
  std::function<void()> onFollowed;
};

struct MotorShared {
  int16_t MotorAddr = 0;         // character code of the controller address ('1' = 49)
  int16_t MotorMoveTimeout = 0;  // whole seconds: longest wait for a move or limit run
  StopRequest stop;              // the operator's Stop, seen by every wait
  LivePosition live;             // written by both drivers' position reads
};
