#include "controller/MotCon.h"

#include "common/Config.h"
#include "controller/AllMotionCntrl.h"
#include "controller/COMM.h"
#include "controller/IMSCNTRL.h"

namespace {

// Calls the operation of the configured family; 0 when the type is unknown.
template <typename Im483i, typename Ezhr17>
int16_t Route(MotCon::Family family, Im483i im483i, Ezhr17 ezhr17) {
  switch (family) {
    case MotCon::Family::IM483I: return im483i();
    case MotCon::Family::EZHR17: return ezhr17();
    case MotCon::Family::None: break;
  }
  return 0;
}

}  // namespace

MotCon::MotCon(const Config& config, MotorShared& shared, COMM& comm, AllMotionCntrl& ezhr17,
               IMSCNTRL& im483i)
    : config_(config), shared_(shared), comm_(comm), ezhr17_(ezhr17), im483i_(im483i) {}

MotCon::Family MotCon::CurrentFamily() const {
  if (config_.CONTRTYPE == "IM483I") return Family::IM483I;
  if (config_.CONTRTYPE == "EZHR17") return Family::EZHR17;
  return Family::None;
}

void MotCon::MotorSetAddress(int16_t code) { shared_.MotorAddr = code; }

int16_t MotCon::MotorSetMoveTimeout(int16_t seconds) {
  shared_.MotorMoveTimeout = seconds;
  return seconds;
}

void MotCon::MotorCommInit() {
  switch (CurrentFamily()) {
    case Family::IM483I: im483i_.IM483I_Init(); break;
    case Family::EZHR17: ezhr17_.EZHR17_Init(); break;
    case Family::None: break;
  }
}

int16_t MotCon::MotorProbe() {
  return Route(
      CurrentFamily(), [&] { return im483i_.IM483I_Probe(); },
      [&] { return ezhr17_.EZHR17_Probe(); });
}

int16_t MotCon::MotorCmd(const std::string& text, std::string& reply) {
  reply.clear();
  switch (CurrentFamily()) {
    case Family::IM483I: return comm_.CommOutIn(text, reply);
    case Family::EZHR17: return comm_.CommOutIn2(text, reply);
    case Family::None: break;
  }
  return 0;
}

int16_t MotCon::MotorMoveVel(int32_t speed) {
  return Route(
      CurrentFamily(), [&] { return im483i_.IM483I_MoveVel(speed); },
      [&] { return ezhr17_.EZHR17_MoveVel(speed); });
}
int16_t MotCon::MotorMoveAbs(double position) {
  return Route(
      CurrentFamily(), [&] { return im483i_.IM483I_MoveAbs(position); },
      [&] { return ezhr17_.EZHR17_MoveAbs(position); });
}
int16_t MotCon::MotorMoveRel(double distance) {
  return Route(
      CurrentFamily(), [&] { return im483i_.IM483I_MoveRel(distance); },
      [&] { return ezhr17_.EZHR17_MoveRel(distance); });
}
int16_t MotCon::MotorGetPos(double& position) {
  return Route(
      CurrentFamily(), [&] { return im483i_.IM483I_GetPos(position); },
      [&] { return ezhr17_.EZHR17_GetPos(position); });
}
int16_t MotCon::MotorWait() {
  return Route(
      CurrentFamily(), [&] { return im483i_.IM483I_Wait(); },
      [&] { return ezhr17_.EZHR17_Wait(); });
}
int16_t MotCon::MotorIsBusy() {
  return Route(
      CurrentFamily(),
      [&]() -> int16_t {
        const int16_t moving = im483i_.IM483I_GetMoving();
        return moving < 0 ? -1 : (moving > 0 ? 1 : 0);
      },
      [&] { return ezhr17_.EZHR17_IsBusy(); });
}
int16_t MotCon::MotorSetPos(int32_t position) {
  return Route(
      CurrentFamily(), [&] { return im483i_.IM483I_SetOrigin(position); },
      [&] { return ezhr17_.EZHR17_SetPos(position); });
}
int16_t MotCon::MotorToLimit(int16_t mask, int32_t speed) {
  return Route(
      CurrentFamily(), [&] { return im483i_.IM483I_MotorToLimit(mask, speed); },
      [&] { return ezhr17_.EZHR17_MotorToLimit(mask, speed); });
}
int16_t MotCon::MotorSettle(int16_t ms) {
  return Route(
      CurrentFamily(), [&] { return im483i_.IM483I_Settle(ms); }, [] { return int16_t{1}; });
}
int16_t MotCon::MotorSetCurrents(int16_t hold, int16_t run) {
  return Route(
      CurrentFamily(), [&] { return im483i_.IM483I_SetCurrents(hold, run); },
      [&] { return ezhr17_.EZHR17_SetCurrents(hold, run); });
}
int16_t MotCon::MotorSetAccel(int32_t accel, int32_t decel) {
  return Route(
      CurrentFamily(), [&] { return im483i_.IM483I_SetAccel(accel, decel); },
      [&] { return ezhr17_.EZHR17_SetAccel(accel, decel); });
}
int16_t MotCon::MotorSetLimPolarity(int16_t polarity) {
  return Route(
      CurrentFamily(), [&] { return im483i_.IM483I_SetLimPolarity(polarity); },
      [&] { return ezhr17_.EZHR17_SetLimPolarity(polarity); });
}
int16_t MotCon::MotorSetJogSpeeds(int32_t low, int32_t high) {
  return Route(
      CurrentFamily(), [&] { return im483i_.IM483I_SetJogSpeeds(low, high); },
      [&] { return ezhr17_.EZHR17_SetJogSpeeds(low, high); });
}
int16_t MotCon::MotorSetSlewVel(int32_t speed) {
  return Route(
      CurrentFamily(), [&] { return im483i_.IM483I_SetSlewVel(speed); },
      [&] { return ezhr17_.EZHR17_SetSlewVel(speed); });
}
int16_t MotCon::MotorSetStepDivide(int16_t exponent) {
  return Route(
      CurrentFamily(), [&] { return im483i_.IM483I_SetStepDivide(exponent); },
      [&] { return ezhr17_.EZHR17_SetStepDivide(exponent); });
}
int16_t MotCon::MotorSetInitVel(int32_t speed) {
  return Route(
      CurrentFamily(), [&] { return im483i_.IM483I_SetInitVel(speed); },
      [&] { return ezhr17_.EZHR17_SetInitVel(speed); });
}

// The IM483I has no limit-enable or limit-mode settings.
int16_t MotCon::MotorEnableLimits(int16_t on) {
  return Route(
      CurrentFamily(), [] { return int16_t{1}; }, [&] { return ezhr17_.EZHR17_EnableLimits(on); });
}
int16_t MotCon::MotorSetLimitMode(int16_t kind) {
  return Route(
      CurrentFamily(), [] { return int16_t{1}; },
      [&] { return ezhr17_.EZHR17_SetLimitMode(kind); });
}
