#pragma once
// The controller dispatch: one set of motor operations for both controller families,
// routed by CONTRTYPE ("IM483I" first, then "EZHR17"; any other text: every operation
// does nothing and returns 0).
#include <cstdint>
#include <string>

#include "controller/MotorShared.h"

struct Config;
class COMM;
class AllMotionCntrl;
class IMSCNTRL;

class MotCon {
 public:
  MotCon(const Config& config, MotorShared& shared, COMM& comm, AllMotionCntrl& ezhr17,
         IMSCNTRL& im483i);

  void MotorSetAddress(int16_t code);
  int16_t MotorSetMoveTimeout(int16_t seconds);
  int16_t MotorAddr() const { return shared_.MotorAddr; }
  int16_t MotorMoveTimeout() const { return shared_.MotorMoveTimeout; }
  // The operator's Stop, which every wait of both drivers sees.
  StopRequest& Stop() { return shared_.stop; }
  // The position as last read by either driver, and how often the waits read it.
  LivePosition& Live() { return shared_.live; }
  const LivePosition& Live() const { return shared_.live; }

  void MotorCommInit();
  int16_t MotorProbe();
  // Raw text for "CON": no address, no frame check, no guard; reply without terminators.
  int16_t MotorCmd(const std::string& text, std::string& reply);

  int16_t MotorMoveVel(int32_t speed);
  int16_t MotorMoveAbs(double position);
  int16_t MotorMoveRel(double distance);
  int16_t MotorGetPos(double& position);
  int16_t MotorWait();
  // 1 while the motor moves, 0 when it stands; -1 when the controller could not say.
  int16_t MotorIsBusy();
  int16_t MotorSetPos(int32_t position);
  int16_t MotorToLimit(int16_t mask, int32_t speed);
  int16_t MotorSettle(int16_t ms);
  int16_t MotorSetCurrents(int16_t hold, int16_t run);
  int16_t MotorSetAccel(int32_t accel, int32_t decel);
  int16_t MotorSetLimPolarity(int16_t polarity);
  int16_t MotorSetJogSpeeds(int32_t low, int32_t high);
  int16_t MotorSetSlewVel(int32_t speed);
  int16_t MotorSetStepDivide(int16_t exponent);
  int16_t MotorSetInitVel(int32_t speed);
  int16_t MotorEnableLimits(int16_t on);
  int16_t MotorSetLimitMode(int16_t kind);

  enum class Family { None, EZHR17, IM483I };
  Family CurrentFamily() const;

 private:
  const Config& config_;
  MotorShared& shared_;
  COMM& comm_;
  AllMotionCntrl& ezhr17_;
  IMSCNTRL& im483i_;
};
