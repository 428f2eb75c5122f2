#include "controller/AllMotionCntrl.h"

#include <array>

#include "common/Config.h"
#include "controller/COMM.h"
#include "controller/Delay32.h"
#include "controller/EZHR17Protocol.h"
#include "controller/MotorShared.h"
#include "platform/EventPump.h"

namespace {
constexpr int32_t kSetPosPauseMs = 500;
}

AllMotionCntrl::AllMotionCntrl(COMM& comm, Delay32& delay, EventPump& pump, MotorShared& shared,
                               const Config& config)
    : comm_(comm), delay_(delay), pump_(pump), shared_(shared), config_(config) {}

void AllMotionCntrl::EZHR17_Init() {
  comm_.CommSetOutTerm(13);
  comm_.CommSetInTerm(13);
  comm_.CommSetInTerm2(10);
}

int16_t AllMotionCntrl::EZHR17_Cmd(const std::string& text, std::string& data) {
  data.clear();
  if (inProgress_ > 0) {
    comm_.CommLogMsg(ezhr17::kInProgressLine);
    return ezhr17::kInProgress;
  }
  ++inProgress_;
  const std::string line = ezhr17::CommandLine(shared_.MotorAddr, text);
  std::string reply;
  int16_t result;
  int code = 0;
  if (comm_.CommOutIn2(line, reply) < 0) {
    result = ezhr17::kLinkFailure;
    comm_.CommLogMsgAppend(ezhr17::CommErrorLine(line, reply));
  } else {
    result = ezhr17::CheckReply(reply, data, code);
    if (result == ezhr17::kMalformed) comm_.CommLogMsg(ezhr17::NoFrameLine(line, reply));
    else if (result == ezhr17::kControllerError)
      comm_.CommLogMsg(ezhr17::ControllerErrorLine(line, reply, code));
  }
  --inProgress_;
  return result;
}

int16_t AllMotionCntrl::Exchange(const std::string& text) {
  std::string data;
  return EZHR17_Cmd(text, data);
}

int16_t AllMotionCntrl::EZHR17_MoveVel(int32_t speed) {
  return Exchange(ezhr17::MoveVelText(speed));
}

int16_t AllMotionCntrl::EZHR17_MoveAbs(double position) {
  const auto text = ezhr17::MoveAbsText(position);
  return text ? Exchange(*text) : ezhr17::kLinkFailure;
}

int16_t AllMotionCntrl::EZHR17_MoveRel(double distance) {
  const auto text = ezhr17::MoveRelText(distance);
  if (!text) return ezhr17::kLinkFailure;
  return text->empty() ? ezhr17::kOk : Exchange(*text);
}

int16_t AllMotionCntrl::EZHR17_SetPos(int32_t position) {
  const int16_t result = Exchange(ezhr17::SetPosText(position));
  delay_.DelayMs(kSetPosPauseMs, pump_, StopRequest::Since(shared_.stop));
  return result;
}

int16_t AllMotionCntrl::EZHR17_IsBusy() {
  std::string data;
  if (EZHR17_Cmd(ezhr17::kQueryStatus, data) < 0) return -1;
  return ezhr17::IsReady(data) ? 0 : 1;
}

bool AllMotionCntrl::MoveTimedOut(int32_t startSeconds) {
  return Delay32::SecondsSince(startSeconds, delay_.SecondsOfDay()) > shared_.MotorMoveTimeout;
}

int16_t AllMotionCntrl::StopMotor() {
  return shared_.stop.SendStop([this] { return EZHR17_MoveVel(0); });
}

bool AllMotionCntrl::StopTaken(const StopRequest::Since& since) {
  return shared_.stop.Taken(since, [this] { return EZHR17_MoveVel(0); });
}

int16_t AllMotionCntrl::EZHR17_Wait() {
  const StopRequest::Since since(shared_.stop);
  const int32_t start = delay_.SecondsOfDay();
  if (MoveTimedOut(start)) return ezhr17::kControllerError;
  for (;;) {
    if (EZHR17_IsBusy() == 0) return ezhr17::kOk;
    FollowPosition();
    pump_.ProcessEvents();
    if (StopTaken(since)) return kMotorStopped;
    delay_.DelayMs(config_.WAITPOLLINGINTERVAL);
    if (MoveTimedOut(start)) return ezhr17::kControllerError;
  }
}

int16_t AllMotionCntrl::EZHR17_GetPos(double& position) {
  std::string data;
  if (EZHR17_Cmd(ezhr17::kQueryPosition, data) < 0) {
    comm_.CommLogMsg("error reading position:" + data);
    return ezhr17::kLinkFailure;
  }
  double value;
  if (!ezhr17::DecodePosition(data, value)) {
    comm_.CommLogMsg("error reading position:" + ezhr17::Answer(data));
    return ezhr17::kLinkFailure;
  }
  position = value;
  shared_.live.Publish(value, delay_.GetTickMs());
  return ezhr17::kOk;
}

void AllMotionCntrl::FollowPosition() {
  if (!shared_.live.Due(delay_.GetTickMs())) return;
  double steps = 0;
  if (EZHR17_GetPos(steps) > 0 && shared_.live.onFollowed) shared_.live.onFollowed();
}

int16_t AllMotionCntrl::EZHR17_GetInputs(int16_t& inputs) {
  std::string data;
  if (EZHR17_Cmd(ezhr17::kQueryInputs, data) < 0) return ezhr17::kLinkFailure;
  int16_t value;
  if (!ezhr17::DecodeInputs(data, value)) return ezhr17::kLinkFailure;
  inputs = value;
  return ezhr17::kOk;
}

int16_t AllMotionCntrl::EZHR17_SetCurrents(int16_t hold, int16_t run) {
  return Exchange(ezhr17::SetCurrentsText(hold, run));
}

int16_t AllMotionCntrl::EZHR17_SetAccel(int32_t accel, int32_t) {
  return Exchange(ezhr17::SetAccelText(accel));
}

int16_t AllMotionCntrl::EZHR17_SetLimPolarity(int16_t polarity) {
  return Exchange(ezhr17::SetLimPolarityText(polarity));
}

int16_t AllMotionCntrl::EZHR17_SetSlewVel(int32_t speed) {
  return Exchange(ezhr17::SetSlewVelText(speed));
}

int16_t AllMotionCntrl::EZHR17_SetStepDivide(int16_t exponent) {
  const auto text = ezhr17::SetStepDivideText(exponent);
  return text ? Exchange(*text) : ezhr17::kLinkFailure;
}

int16_t AllMotionCntrl::EZHR17_SetInitVel(int32_t speed) {
  return Exchange(ezhr17::SetInitVelText(speed));
}

int16_t AllMotionCntrl::EZHR17_EnableLimits(int16_t on) {
  mode_ = ezhr17::ModeWithLimitsEnabled(mode_, on);
  return Exchange(ezhr17::ModeText(mode_));
}

int16_t AllMotionCntrl::EZHR17_SetLimitMode(int16_t kind) {
  mode_ = ezhr17::ModeWithLimitMode(mode_, kind);
  return Exchange(ezhr17::ModeText(mode_));
}

int16_t AllMotionCntrl::EZHR17_SetJogSpeeds(int32_t, int32_t) { return 0; }

int16_t AllMotionCntrl::ReadMaxSpeed(int32_t& speed) {
  std::string data;
  if (EZHR17_Cmd(ezhr17::kQueryMaxSpeed, data) < 0) {
    comm_.CommLogMsg("EZHR17_MotorToLimit: error reading max speed" + data);
    return ezhr17::kLinkFailure;
  }
  const auto value = ezhr17::DecodeMaxSpeed(data);
  if (!value) {
    comm_.CommLogMsg("EZHR17_MotorToLimit: bad read of max speed" + ezhr17::Answer(data));
    return ezhr17::kLinkFailure;
  }
  speed = *value;
  return ezhr17::kOk;
}

// Steps 4-7: the input value once a masked input is active, or a negative status.
// The polls are WAITPOLLINGINTERVAL apart; meanwhile the windows repaint and a Stop ends
// the run.
int16_t AllMotionCntrl::RunUntilInput(int16_t mask, int32_t speed, int32_t startSeconds,
                                      const StopRequest::Since& since) {
  int16_t inputs = 0;
  int16_t r = EZHR17_GetInputs(inputs);
  if (r < 0) return r;
  if ((inputs & mask) != 0) return inputs;
  r = EZHR17_MoveVel(speed);
  if (r < 0) return r;
  for (;;) {
    if (MoveTimedOut(startSeconds)) return ezhr17::kControllerError;
    r = EZHR17_GetInputs(inputs);
    if (r < 0) return r;
    if ((inputs & mask) != 0) return inputs;
    FollowPosition();
    if (!delay_.DelayMs(config_.WAITPOLLINGINTERVAL, pump_, since, Delay32::kRunStopLookMs))
      return kMotorStopped;
  }
}

int16_t AllMotionCntrl::EZHR17_MotorToLimit(int16_t mask, int32_t speed) {
  const StopRequest::Since since(shared_.stop);
  const int32_t start = delay_.SecondsOfDay();
  int32_t savedSpeed = 0;
  const bool speedRead = ReadMaxSpeed(savedSpeed) > 0;
  int16_t result = speedRead ? RunUntilInput(mask, speed, start, since) : ezhr17::kLinkFailure;
  StopMotor();
  if (speedRead && EZHR17_SetSlewVel(savedSpeed) < 0 && result > 0) {
    comm_.CommLogMsg("EZHR17_MotorToLimit: error restoring max speed");
    result = ezhr17::kLinkFailure;
  }
  return result;
}

int16_t AllMotionCntrl::EZHR17_Probe() {
  // Nobody reads these replies: no waiting for late ones between the queries, and no
  // longer for one than it takes on the wire, whatever the link's time-out.
  // Their expected silences make one log line, not a time-out line each.
  std::array<bool, 15> silent{};
  {
    COMM::IgnoredReplies ignored(comm_, ezhr17::kProbeReplyWithinMs);
    const auto texts = ezhr17::ProbeTexts();
    for (size_t i = 0; i < texts.size(); ++i) {
      const int before = comm_.CommIgnoredTimeOuts();
      std::string reply;
      comm_.CommOutIn2(texts[i], reply);
      silent[i] = comm_.CommIgnoredTimeOuts() != before;
    }
  }
  const std::string line = ezhr17::SilentAddressesLine(silent);
  if (!line.empty()) comm_.CommLogMsg(line);
  return ezhr17::kOk;
}
