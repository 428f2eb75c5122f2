#pragma once
// The EZHR17 driver: one addressed command line per operation over the link, frame
// and status check of the reply, and the composite operations (wait for the end of a
// move, run to a limit input, the start-up address probe).
#include <cstdint>
#include <string>

#include "controller/StopRequest.h"

struct Config;
struct MotorShared;
class COMM;
class Delay32;
class EventPump;

class AllMotionCntrl {
 public:
  // config.WAITPOLLINGINTERVAL is the pause between the status polls of EZHR17_Wait
  // and between the input polls of the limit run.
  // A Stop (shared.stop) ends a wait, the limit run and the pause after setting the
  // position; those then return kMotorStopped, after the stop command went out.
  AllMotionCntrl(COMM& comm, Delay32& delay, EventPump& pump, MotorShared& shared,
                 const Config& config);

  // Link terminators: commands end with CR, replies with CR LF.
  void EZHR17_Init();
  // One exchange; data receives the reply from the status character on.
  int16_t EZHR17_Cmd(const std::string& text, std::string& data);

  int16_t EZHR17_MoveVel(int32_t speed);
  int16_t EZHR17_MoveAbs(double position);
  int16_t EZHR17_MoveRel(double distance);
  int16_t EZHR17_SetPos(int32_t position);
  int16_t EZHR17_IsBusy();
  int16_t EZHR17_Wait();
  int16_t EZHR17_GetPos(double& position);
  int16_t EZHR17_GetInputs(int16_t& inputs);
  int16_t EZHR17_SetCurrents(int16_t hold, int16_t run);
  int16_t EZHR17_SetAccel(int32_t accel, int32_t decel);
  int16_t EZHR17_SetLimPolarity(int16_t polarity);
  int16_t EZHR17_SetSlewVel(int32_t speed);
  int16_t EZHR17_SetStepDivide(int16_t exponent);
  int16_t EZHR17_SetInitVel(int32_t speed);
  int16_t EZHR17_EnableLimits(int16_t on);
  int16_t EZHR17_SetLimitMode(int16_t kind);
  int16_t EZHR17_SetJogSpeeds(int32_t low, int32_t high);
  int16_t EZHR17_MotorToLimit(int16_t mask, int32_t speed);
  int16_t EZHR17_Probe();

  int16_t EZHR17Mode() const { return mode_; }

 private:
  int16_t Exchange(const std::string& text);
  bool MoveTimedOut(int32_t startSeconds);
  // Steps 1-3 of the limit run: the saved maximum speed, or a negative status.
  int16_t ReadMaxSpeed(int32_t& speed);
  int16_t RunUntilInput(int16_t mask, int32_t speed, int32_t startSeconds,
                        const StopRequest::Since& since);
  // A Stop came since `since`: sends the stop command when nobody has sent it yet.
  bool StopTaken(const StopRequest::Since& since);
  int16_t StopMotor();
  // Reads the position when the one shown is due (shared.live).
  void FollowPosition();

  COMM& comm_;
  Delay32& delay_;
  EventPump& pump_;
  MotorShared& shared_;
  const Config& config_;
  int16_t mode_ = 0;        // EZHR17Mode, the word of the "n" command
  int16_t inProgress_ = 0;  // guards the exchange against nesting
};
