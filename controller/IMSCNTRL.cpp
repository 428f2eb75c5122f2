#include "controller/IMSCNTRL.h"

#include "common/Config.h"
#include "controller/COMM.h"
#include "controller/Delay32.h"
#include "controller/IM483IProtocol.h"
#include "controller/MotorShared.h"
#include "platform/EventPump.h"

namespace {
constexpr int32_t kWaitPollMs = 20;
}

IMSCNTRL::IMSCNTRL(COMM& comm, Delay32& delay, EventPump& pump, MotorShared& shared,
                   const Config& config)
    : comm_(comm), delay_(delay), pump_(pump), shared_(shared), config_(config) {}

void IMSCNTRL::IM483I_Init() {
  comm_.CommSetOutTerm(10);
  comm_.CommSetInTerm(10);
}

int16_t IMSCNTRL::IM483I_Cmd(const std::string& text, std::string& answer) {
  answer.clear();
  if (inProgress_ > 0) {
    comm_.CommLogMsg(im483i::kInProgressLine);
    return im483i::kInProgress;
  }
  ++inProgress_;
  const std::string line = im483i::CommandLine(shared_.MotorAddr, text);
  std::string reply;
  int16_t result;
  if (comm_.CommOutIn(line, reply) < 0) {
    result = im483i::kLinkFailure;
    comm_.CommLogMsgAppend(im483i::LinkFailureLine(line, reply));
  } else {
    result = CheckReply(line, reply, answer);
  }
  --inProgress_;
  return result;
}

// A reply that does not begin with the echo of this command line answers something else
// (a late reply to an earlier command, noise): it is logged and dropped, and reading goes
// on within the time-out. When nothing better comes, its status stands.
int16_t IMSCNTRL::CheckReply(const std::string& line, std::string& reply, std::string& answer) {
  for (;;) {
    const int16_t result = im483i::CheckEcho(line, reply, answer);
    if (result == im483i::kTooShort) comm_.CommLogMsg(im483i::TooShortLine(line, reply));
    else if (result == im483i::kEchoMismatch)
      comm_.CommLogMsg(im483i::EchoMismatchLine(line, reply));
    else return result;
    std::string next;
    if (comm_.CommInNext(next) < 0) return result;
    reply = std::move(next);
  }
}

int16_t IMSCNTRL::Exchange(const std::string& text) {
  std::string answer;
  return IM483I_Cmd(text, answer);
}

int16_t IMSCNTRL::IM483I_MoveVel(int32_t speed) { return Exchange(im483i::MoveVelText(speed)); }

int16_t IMSCNTRL::IM483I_MoveAbs(double position) {
  const auto text = im483i::MoveAbsText(position);
  return text ? Exchange(*text) : im483i::kLinkFailure;
}

int16_t IMSCNTRL::IM483I_MoveRel(double distance) {
  const auto text = im483i::MoveRelText(distance);
  if (!text) return im483i::kLinkFailure;
  return text->empty() ? im483i::kOk : Exchange(*text);
}

int16_t IMSCNTRL::IM483I_GetPos(double& position) {
  std::string answer;
  double value;
  if (IM483I_Cmd(im483i::kQueryPosition, answer) < 0 || !im483i::DecodeDouble(answer, value))
    return im483i::kLinkFailure;
  position = value;
  shared_.live.Publish(value, delay_.GetTickMs());
  return im483i::kOk;
}

void IMSCNTRL::FollowPosition() {
  if (!shared_.live.Due(delay_.GetTickMs())) return;
  double steps = 0;
  if (IM483I_GetPos(steps) > 0 && shared_.live.onFollowed) shared_.live.onFollowed();
}

int16_t IMSCNTRL::IM483I_GetInputs(int16_t& inputs) {
  std::string answer;
  if (IM483I_Cmd(im483i::kQueryInputs, answer) < 0) return im483i::kLinkFailure;
  const auto value = im483i::DecodeInt16(answer);
  if (!value) return im483i::kLinkFailure;
  inputs = *value;
  return im483i::kOk;
}

int16_t IMSCNTRL::IM483I_GetMoving() {
  std::string answer;
  if (IM483I_Cmd(im483i::kQueryMoving, answer) < 0) return im483i::kLinkFailure;
  const auto value = im483i::DecodeInt16(answer);
  return value ? *value : im483i::kLinkFailure;
}

bool IMSCNTRL::MoveTimedOut(int32_t startSeconds) {
  return Delay32::SecondsSince(startSeconds, delay_.SecondsOfDay()) > shared_.MotorMoveTimeout;
}

int16_t IMSCNTRL::StopMotor() {
  return shared_.stop.SendStop([this] { return IM483I_MoveVel(0); });
}

bool IMSCNTRL::StopTaken(const StopRequest::Since& since) {
  return shared_.stop.Taken(since, [this] { return IM483I_MoveVel(0); });
}

int16_t IMSCNTRL::IM483I_Wait() {
  const StopRequest::Since since(shared_.stop);
  const int32_t start = delay_.SecondsOfDay();
  if (MoveTimedOut(start)) return im483i::kMoveTimedOut;
  for (;;) {
    const int16_t moving = IM483I_GetMoving();
    if (moving < 0) return im483i::kLinkFailure;
    if (moving == 0) return im483i::kOk;
    FollowPosition();
    pump_.ProcessEvents();
    if (StopTaken(since)) return kMotorStopped;
    delay_.DelayMs(kWaitPollMs);
    if (MoveTimedOut(start)) return im483i::kMoveTimedOut;
  }
}

int16_t IMSCNTRL::IM483I_SetOrigin(int32_t) { return Exchange(im483i::kSetOrigin); }

int16_t IMSCNTRL::IM483I_Settle(int16_t ms) {
  const int16_t result = Exchange(im483i::SettleText(ms));
  if (result < 0) return result;
  if (!delay_.DelayMs(ms, pump_, StopRequest::Since(shared_.stop))) return kMotorStopped;
  return im483i::kOk;
}

int16_t IMSCNTRL::IM483I_SetCurrents(int16_t hold, int16_t run) {
  return Exchange(im483i::SetCurrentsText(hold, run));
}

int16_t IMSCNTRL::IM483I_SetAccel(int32_t accel, int32_t decel) {
  return Exchange(im483i::SetAccelText(accel, decel));
}

int16_t IMSCNTRL::IM483I_SetLimPolarity(int16_t polarity) {
  return Exchange(im483i::SetLimPolarityText(polarity));
}

int16_t IMSCNTRL::IM483I_SetJogSpeeds(int32_t low, int32_t high) {
  return Exchange(im483i::SetJogSpeedsText(low, high));
}

int16_t IMSCNTRL::IM483I_SetSlewVel(int32_t speed) {
  return Exchange(im483i::SetSlewVelText(speed));
}

int16_t IMSCNTRL::IM483I_SetStepDivide(int16_t value) {
  Exchange(im483i::kResetDivide);
  return Exchange(im483i::SetStepDivideText(value));
}

int16_t IMSCNTRL::IM483I_SetInitVel(int32_t speed) {
  return Exchange(im483i::SetInitVelText(speed));
}

bool IMSCNTRL::StoppedBetweenPasses(const StopRequest::Since& since) {
  FollowPosition();
  return !delay_.DelayMs(config_.WAITPOLLINGINTERVAL, pump_, since, Delay32::kRunStopLookMs);
}

int16_t IMSCNTRL::RunToInput(int16_t mask, int32_t speed, int32_t startSeconds,
                             const StopRequest::Since& since) {
  for (;;) {
    int16_t inputs = 0;
    int16_t r = IM483I_MoveVel(speed);
    if (r < 0) return r;
    r = IM483I_GetInputs(inputs);
    if (r < 0) return r;
    if ((inputs & mask) != 0) return inputs;
    if (MoveTimedOut(startSeconds)) return im483i::kMoveTimedOut;
    if (StoppedBetweenPasses(since)) return kMotorStopped;
  }
}

int16_t IMSCNTRL::RunOffInputs(int32_t speed, int32_t startSeconds,
                               const StopRequest::Since& since) {
  if (MoveTimedOut(startSeconds)) return im483i::kMoveTimedOut;
  for (;;) {
    int16_t inputs = 0;
    int16_t r = IM483I_MoveVel(speed);
    if (r < 0) return r;
    r = IM483I_GetInputs(inputs);
    if (r < 0) return r;
    if (inputs == 0) return im483i::kOk;
    if (MoveTimedOut(startSeconds)) return im483i::kMoveTimedOut;
    if (StoppedBetweenPasses(since)) return kMotorStopped;
  }
}

int16_t IMSCNTRL::IM483I_MotorToLimit(int16_t mask, int32_t speed) {
  const StopRequest::Since since(shared_.stop);
  const int32_t start = delay_.SecondsOfDay();
  if (MoveTimedOut(start)) {
    StopMotor();
    return im483i::kMoveTimedOut;
  }
  int16_t result = RunToInput(mask, speed, start, since);
  if (result > 0) {
    const int16_t atLimit = result;
    result = RunOffInputs(im483i::BackOffSpeed(speed), start, since);
    if (result > 0) {
      StopMotor();
      result = atLimit;
    }
  }
  StopMotor();
  return result;
}

// Nobody reads the reply: it is waited for no longer than it takes on the wire.
int16_t IMSCNTRL::IM483I_Probe() {
  const int before = comm_.CommIgnoredTimeOuts();
  int16_t result;
  {
    COMM::IgnoredReplies ignored(comm_, im483i::kProbeReplyWithinMs);
    std::string reply;
    result = comm_.CommOutIn(im483i::kProbe, reply);
  }
  if (comm_.CommIgnoredTimeOuts() != before) comm_.CommLogMsg("Port TimeOut");
  return result;
}
