#include "zaxis/STFoc.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <variant>

#include "common/CommandText.h"
#include "common/ScopedCount.h"
#include "common/Numbers.h"
#include "controller/Delay32.h"
#include "controller/MotCon.h"
#include "parfiles/TRAPAR.h"
#include "platform/MessageBoxes.h"

static_assert(STFoc::kStopped == kMotorStopped);

namespace {

constexpr const char* kParFile = "ST_PARZ.TXT";
constexpr int16_t kLimitMask = 3;        // either limit input (values 1 and 2)
constexpr int16_t kHomeSettleMs = 500;   // pause after the homing run
constexpr int32_t kOriginNudgeMs = 100;  // between the two one-step nudges at set-up
constexpr int32_t kIm483iMinSpeed = 20;
constexpr int32_t kIm483iMaxSpeed = 20000;

// The IM483I runs no slower than 20 and no faster than 20000 steps per second.
int32_t Im483iJoySpeed(int32_t speed) {
  if (speed > 0) return std::clamp(speed, kIm483iMinSpeed, kIm483iMaxSpeed);
  if (speed < 0) return std::clamp(speed, -kIm483iMaxSpeed, -kIm483iMinSpeed);
  return 0;
}

// Numbers of the file into the fields: integers rounded half to even and range-checked,
// doubles as read.
bool Store(int16_t& field, double v) {
  const auto r = num::RoundToInt16(v);
  if (r) field = *r;
  return r.has_value();
}
bool Store(int32_t& field, double v) {
  const auto r = num::RoundToInt32(v);
  if (r) field = *r;
  return r.has_value();
}
bool Store(double& field, double v) {
  field = v;
  return true;
}

}  // namespace

// One numeric key of ST_PARZ.TXT and the field it fills.
struct STFoc::KeySpec {
  const char* name;
  bool required;
  std::variant<int16_t ZParams::*, int32_t ZParams::*, double ZParams::*> field;
  bool nonZero = false;  // 0 would make the unit computation divide by zero
};

STFoc::STFoc(TRAPAR& par, MotCon& motor, Delay32& delay, MessageBoxes& messages)
    : par_(par), motor_(motor), delay_(delay), messages_(messages) {}

int16_t STFoc::FocInit() {
  if (FocReadPar() < 0) return -1;
  unitPerStep_ = p_.ZSTROKEPERROT * 1000 / p_.ZMOTORSTEPS / std::pow(2.0, p_.ZSTEPDIVIDE);
  if (FocSetupController() < 0) return -1;
  double scratch = 0;
  if (FocGetPos(scratch) != 1) return -1;
  return 1;
}

int16_t STFoc::FocReadPar() {
  // ZCONTR first, then the numeric keys, always in this order.
  static const KeySpec kKeys[] = {
      {"ZSTROKEPERROT", true, &ZParams::ZSTROKEPERROT, true},
      {"ZMOTORSTEPS", true, &ZParams::ZMOTORSTEPS, true},
      {"ZSTEPDIVIDE", true, &ZParams::ZSTEPDIVIDE},
      {"ZHOLDCURRENT", true, &ZParams::ZHOLDCURRENT},
      {"ZRUNCURRENT", true, &ZParams::ZRUNCURRENT},
      {"ZSLEWVELOCITY", true, &ZParams::ZSLEWVELOCITY},
      {"ZINITVELOCITY", true, &ZParams::ZINITVELOCITY},
      {"ZACCELERATION", true, &ZParams::ZACCELERATION},
      {"ZDECELERATION", true, &ZParams::ZDECELERATION},
      {"ZJOGSPEEDLOW", false, &ZParams::ZJOGSPEEDLOW},
      {"ZJOGSPEEDHIGH", false, &ZParams::ZJOGSPEEDHIGH},
      {"ZBACKLASH", true, &ZParams::ZBACKLASH},
      {"ZJUMPSIZE", true, &ZParams::ZJUMPSIZE},
      {"ZCOARSEFACTOR", true, &ZParams::ZCOARSEFACTOR},
      {"ZJOYMAXSPEED", true, &ZParams::ZJOYMAXSPEED},
      {"ZHOMESPEED", true, &ZParams::ZHOMESPEED},
      {"ZPOWERUPORIGIN", false, &ZParams::ZPOWERUPORIGIN},
      {"ZLIMPOLARITY", false, &ZParams::ZLIMPOLARITY},
      {"ZENABLELIMITS", false, &ZParams::ZENABLELIMITS},
  };
  par_.ParSetFile(kParFile);
  if (par_.ParLoad() < 0) return -1;
  bool ok = ReadContr();
  for (const auto& key : kKeys) ok = ReadKey(key) && ok;  // a failure does not stop the rest
  ok = ReadLimits() && ok;
  ReadUnit();
  return ok ? 1 : -1;
}

// ZUNIT: the unit's name as written, for display only; none without the key.
void STFoc::ReadUnit() {
  ParValue value;
  p_.ZUNIT.clear();
  if (par_.ParTransferQuiet("ZUNIT", value, "from") >= 0)
    p_.ZUNIT = cmdtext::Trim(TRAPAR::ValueText(value));
}

// ZMIN and ZMAX: travel limits only when both are there and span a range (equal values,
// as shipped, switch them off; a swapped pair is said). A value that is not a number
// fails the read like any other key: the lift must not run without limits that were meant.
bool STFoc::ReadLimits() {
  static const KeySpec kMin{"ZMIN", false, &ZParams::ZMIN};
  static const KeySpec kMax{"ZMAX", false, &ZParams::ZMAX};
  bool hasMin = false, hasMax = false;
  bool ok = ReadKey(kMin, &hasMin);
  ok = ReadKey(kMax, &hasMax) && ok;
  limitsOn_ = ok && hasMin && hasMax && p_.ZMIN < p_.ZMAX;
  if (ok && hasMin && hasMax && p_.ZMIN > p_.ZMAX)
    Complain("ZMIN", "is not below ZMAX: the travel limits are off");
  return ok;
}

// ZCONTR: the character code of the first character of the trimmed value.
bool STFoc::ReadContr() {
  ParValue value;
  if (par_.ParTransfer("ZCONTR", value, "from") < 0) return false;
  const std::string text = cmdtext::Trim(TRAPAR::ValueText(value));
  if (text.empty()) {
    Complain("ZCONTR", "is empty");
    return false;
  }
  p_.ZCONTR = static_cast<unsigned char>(text.front());
  return true;
}

// A missing required key keeps the old value (the store has shown its message); a missing
// optional key gives 0. A value that cannot be used keeps the old value and fails.
bool STFoc::ReadKey(const KeySpec& key, bool* present) {
  ParValue value;
  const int16_t found = key.required ? par_.ParTransfer(key.name, value, "from")
                                     : par_.ParTransferQuiet(key.name, value, "from");
  if (present) *present = found >= 0;
  double number = 0;
  if (found < 0) {
    if (key.required) return false;
  } else if (!TRAPAR::ValueNumber(value, number)) {
    Complain(key.name, "is not a number");
    return false;
  } else if (key.nonZero && number == 0) {
    Complain(key.name, "must not be 0");
    return false;
  }
  if (std::visit([&](auto member) { return Store(p_.*member, number); }, key.field)) return true;
  Complain(key.name, "is out of range");
  return false;
}

void STFoc::Complain(const std::string& name, const std::string& what) {
  messages_.Show("Parameter " + name + " in " + par_.ParGetPath() + " " + what, kAppTitle,
                 MsgIcon::Critical);
}

MotCon& STFoc::Motor() {
  motor_.MotorSetAddress(p_.ZCONTR);
  return motor_;
}

// A usable unit: positions and distances can be turned into steps.
bool STFoc::HasUnits() const { return std::isfinite(unitPerStep_) && unitPerStep_ != 0; }

int16_t STFoc::FocSetupController() {
  if (Motor().MotorSetStepDivide(p_.ZSTEPDIVIDE) < 0 ||
      Motor().MotorSetCurrents(p_.ZHOLDCURRENT, p_.ZRUNCURRENT) < 0 ||
      Motor().MotorSetSlewVel(p_.ZSLEWVELOCITY) < 0 ||
      Motor().MotorSetInitVel(p_.ZINITVELOCITY) < 0 ||
      Motor().MotorSetAccel(p_.ZACCELERATION, p_.ZDECELERATION) < 0 ||
      Motor().MotorSetJogSpeeds(p_.ZJOGSPEEDLOW, p_.ZJOGSPEEDHIGH) < 0 || SetPowerUpOrigin() < 0 ||
      Motor().MotorSetLimPolarity(p_.ZLIMPOLARITY) < 0 ||
      Motor().MotorEnableLimits(p_.ZENABLELIMITS) < 0 || Motor().MotorSetLimitMode(1) < 0)
    return -1;
  return 1;
}

// Without a power-up origin the axis is nudged one step forward and back, which makes
// the controller take up its holding position. With one, a controller that reports 0
// (just powered up) gets its register set to the origin; any other count is kept.
int16_t STFoc::SetPowerUpOrigin() {
  if (p_.ZPOWERUPORIGIN == 0) {
    if (Motor().MotorMoveRel(1) < 0) return -1;
    delay_.DelayMs(kOriginNudgeMs);
    return Motor().MotorMoveRel(-1) < 0 ? -1 : 1;
  }
  double steps = 0;
  if (Motor().MotorGetPos(steps) < 0) return -1;
  if (steps != 0) return 1;
  if (Motor().MotorMoveRel(1) < 0) return -1;
  return Motor().MotorSetPos(p_.ZPOWERUPORIGIN) < 0 ? -1 : 1;
}

int16_t STFoc::FocGetPos(double& position) {
  double steps = 0;
  if (Motor().MotorGetPos(steps) == -1) return -1;
  position = (steps - p_.ZPOWERUPORIGIN) * unitPerStep_;
  return 1;
}

double STFoc::FocLivePos() const {
  return (motor_.Live().steps - p_.ZPOWERUPORIGIN) * unitPerStep_;
}

uint32_t STFoc::FocLiveCount() const { return motor_.Live().count; }

void STFoc::FocFollowPosition(uint32_t ms) { motor_.Live().everyMs = ms; }

int16_t STFoc::FocMoveAbs(double position) {
  if (!HasUnits()) return -1;  // not initialised: no step target can be computed
  if (!Inside(position)) return kOutOfRange;
  const int16_t result = Motor().MotorMoveAbs(position / unitPerStep_ + p_.ZPOWERUPORIGIN);
  if (result > 0) runSpeed_ = 0;  // a positioning move replaces a run
  return result;
}

// With travel limits the target is the position read now plus the distance.
int16_t STFoc::FocMoveRel(double distance) {
  if (!HasUnits()) return -1;
  if (limitsOn_) {
    double here = 0;
    if (FocGetPos(here) != 1) return -1;
    if (!Inside(here + distance) && !WayBack(here, here + distance)) return kOutOfRange;
  }
  const double steps = distance / unitPerStep_;
  const int16_t result = Motor().MotorMoveRel(steps);
  if (result > 0 && std::fabs(steps) >= 0.5) runSpeed_ = 0;  // less is not sent at all
  return result;
}

int16_t STFoc::FocMoveVel(int32_t speed) {
  if (const int16_t refused = CheckRun(speed); refused < 0) return refused;
  const int16_t result = Motor().MotorMoveVel(speed);
  if (result > 0) runSpeed_ = speed;
  return result;
}

int16_t STFoc::FocStop() { return FocMoveVel(0); }

int16_t STFoc::FocIsMoving() { return Motor().MotorIsBusy(); }

int16_t STFoc::FocWait() {
  int16_t result;
  {
    const ScopedCount<int16_t> waiting(waiting_);
    result = Motor().MotorWait();
  }
  if (result > 0) runSpeed_ = 0;  // the motion has ended
  return result;
}

// Half a millionth of a step: positions computed from whole steps that should meet a
// limit exactly are not thrown out by rounding.
double STFoc::LimitSlack() const { return std::fabs(unitPerStep_) * 5e-7; }

bool STFoc::Inside(double target) const {
  if (!limitsOn_) return true;
  return target >= p_.ZMIN - LimitSlack() && target <= p_.ZMAX + LimitSlack();
}

// From beyond a limit, a move that ends nearer to it on the same side is allowed: the
// way back in steps after a run has overshot or the limits were narrowed.
bool STFoc::WayBack(double here, double target) const {
  return (here > p_.ZMAX && target <= here && target > p_.ZMAX) ||
         (here < p_.ZMIN && target >= here && target < p_.ZMIN);
}

// The direction of a run in user units follows the sign of the unit: a negative stroke
// per revolution turns the scale round.
bool STFoc::AtLimitTowards(double here, int32_t speed) const {
  const bool up = (speed > 0) == (unitPerStep_ > 0);
  return up ? here >= p_.ZMAX - LimitSlack() : here <= p_.ZMIN + LimitSlack();
}

// A run towards a limit that the lift stands at or beyond is refused; stopping never is.
int16_t STFoc::CheckRun(int32_t speed) {
  if (!limitsOn_ || speed == 0) return 1;
  double here = 0;
  if (FocGetPos(here) != 1) return -1;
  return AtLimitTowards(here, speed) ? kOutOfRange : 1;
}

int16_t STFoc::FocWatchRun() {
  if (!limitsOn_ || runSpeed_ == 0) return 0;
  double here = 0;
  if (FocGetPos(here) != 1) return -1;
  if (!AtLimitTowards(here, runSpeed_)) return 1;
  return StopRun() > 0 ? 2 : -1;
}

// A stop that is refused (another exchange in progress) leaves the run watched, so the
// next tick tries again. A joystick run on the EZHR17 ends as a released stick ends it.
int16_t STFoc::StopRun() {
  if (motor_.CurrentFamily() == MotCon::Family::EZHR17 && lastJoySpeed_ != 0)
    return FocJoyMove(0, 1);
  return FocStop();
}

int16_t STFoc::FocSetOrigin() { return Motor().MotorSetPos(p_.ZPOWERUPORIGIN); }

// The origin moves only when the run ended on a limit input. A run that did not (move
// time-out, link failure) stops the motor where it is and leaves the position register
// alone, so that every absolute position keeps its meaning; the homing fails.
// A Stop during the run or the settling pause ends the homing with kStopped and leaves
// the origin alone; one during the pause after setting the origin only shortens it.
int16_t STFoc::FocHome() {
  const ScopedCount<int16_t> homing(homing_);
  runSpeed_ = 0;  // the homing run ends with the motor standing
  const int16_t run = Motor().MotorToLimit(kLimitMask, p_.ZHOMESPEED);
  if (run == kStopped) return kStopped;
  if (run <= 0) {
    FocStop();
    return -1;
  }
  const int16_t settle = Motor().MotorSettle(kHomeSettleMs);
  if (settle == kStopped) return kStopped;
  const int16_t origin = Motor().MotorSetPos(p_.ZPOWERUPORIGIN);
  return (origin < 0 || settle < 0) ? -1 : 1;
}

int16_t STFoc::FocJoyMove(int16_t deflection, int16_t fullScale) {
  int32_t speed = 0;
  if (fullScale != 0) {  // no usable full scale reads as a stick at rest
    const int64_t product = static_cast<int64_t>(deflection) * p_.ZJOYMAXSPEED;
    const double quotient = static_cast<double>(product) / fullScale;
    const auto rounded = num::RoundToInt32(quotient);
    speed = rounded ? *rounded
                    : (quotient > 0 ? std::numeric_limits<int32_t>::max()
                                    : std::numeric_limits<int32_t>::min());
  }
  switch (motor_.CurrentFamily()) {
    case MotCon::Family::IM483I: return FocMoveVel(Im483iJoySpeed(speed));
    case MotCon::Family::EZHR17: {
      if (speed == 0 && lastJoySpeed_ == 0) return 1;
      const int16_t result = FocMoveVel(speed);
      if (result == kOutOfRange) return result;  // nothing was sent
      lastJoySpeed_ = speed;
      // Every endless move replaces the controller's maximum speed: put it back.
      if (speed == 0) Motor().MotorSetSlewVel(p_.ZSLEWVELOCITY);
      return result;
    }
    default: return 0;
  }
}
