#pragma once
// The IM483I driver: one command line per operation (address character in front),
// echo check of the reply, and the composite operations (wait for the end of a move,
// run to a limit input and back off it, the start-up probe).
#include <cstdint>
#include <string>

#include "controller/StopRequest.h"

struct Config;
struct MotorShared;
class COMM;
class Delay32;
class EventPump;

class IMSCNTRL {
 public:
  // A Stop (shared.stop) ends a wait, the limit run and the settling pause; those then
  // return kMotorStopped, after the stop command went out. config.WAITPOLLINGINTERVAL
  // is the pause between the passes of the limit run.
  IMSCNTRL(COMM& comm, Delay32& delay, EventPump& pump, MotorShared& shared, const Config& config);

  // Link terminators: commands and replies end with LF.
  void IM483I_Init();
  // One exchange; answer receives the reply after the echo of the command line.
  int16_t IM483I_Cmd(const std::string& text, std::string& answer);

  int16_t IM483I_MoveVel(int32_t speed);
  int16_t IM483I_MoveAbs(double position);
  int16_t IM483I_MoveRel(double distance);
  int16_t IM483I_GetPos(double& position);
  int16_t IM483I_GetInputs(int16_t& inputs);
  int16_t IM483I_GetMoving();
  int16_t IM483I_Wait();
  int16_t IM483I_SetOrigin(int32_t position);
  int16_t IM483I_Settle(int16_t ms);
  int16_t IM483I_SetCurrents(int16_t hold, int16_t run);
  int16_t IM483I_SetAccel(int32_t accel, int32_t decel);
  int16_t IM483I_SetLimPolarity(int16_t polarity);
  int16_t IM483I_SetJogSpeeds(int32_t low, int32_t high);
  int16_t IM483I_SetSlewVel(int32_t speed);
  int16_t IM483I_SetStepDivide(int16_t value);
  int16_t IM483I_SetInitVel(int32_t speed);
  int16_t IM483I_MotorToLimit(int16_t mask, int32_t speed);
  int16_t IM483I_Probe();

 private:
  int16_t Exchange(const std::string& text);
  int16_t CheckReply(const std::string& line, std::string& reply, std::string& answer);
  bool MoveTimedOut(int32_t startSeconds);
  // Runs at speed until a masked input is active: its value, or a negative status.
  int16_t RunToInput(int16_t mask, int32_t speed, int32_t startSeconds,
                     const StopRequest::Since& since);
  // Runs at speed until no input is active: 1, or a negative status.
  int16_t RunOffInputs(int32_t speed, int32_t startSeconds, const StopRequest::Since& since);
  // Between two passes of a limit run: a pause of WAITPOLLINGINTERVAL, during which the
  // windows repaint; true when a Stop came.
  bool StoppedBetweenPasses(const StopRequest::Since& since);
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
  int16_t inProgress_ = 0;  // guards the exchange against nesting
};
