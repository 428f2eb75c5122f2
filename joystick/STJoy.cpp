#include "joystick/STJoy.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "common/Numbers.h"
#include "parfiles/TRAPAR.h"
#include "platform/Joystick.h"
#include "platform/WindowHost.h"

namespace {

constexpr int32_t kFullScale = 1000;
// A half-range is wide enough when it spans the dead zone's share of this many units.
constexpr double kValidityScale = 32000.0;
constexpr uint32_t kLastButtonBit = 128;  // button 8
// JLATENT in whole percent: a negative dead zone would read a centred stick as deflected.
constexpr int32_t kLatentMax = INT32_MAX / 10;

// Round half to even (the default rounding mode).
double RoundEven(double v) { return std::nearbyint(v); }

int16_t Saturate16(double v) {
  constexpr double lo = std::numeric_limits<int16_t>::min();
  constexpr double hi = std::numeric_limits<int16_t>::max();
  return static_cast<int16_t>(std::clamp(v, lo, hi));
}

int16_t Sign(double v) { return v > 0 ? 1 : (v < 0 ? -1 : 0); }

// The button of a bit set: none, or exactly one of the first eight; false for any other
// state (two buttons, or one above the eighth).
bool ButtonOf(uint32_t bits, int16_t& button) {
  if (bits == 0) {
    button = 0;
    return true;
  }
  if (bits > kLastButtonBit || !std::has_single_bit(bits)) return false;
  button = static_cast<int16_t>(std::countr_zero(bits) + 1);
  return true;
}

// A calibration sample of one axis: the extremes widen, the centre is a running
// average that gives the newest sample a weight of one fifth.
void Sample(int32_t r, int32_t& low, int32_t& centre, int32_t& high) {
  if (r < low) low = r;
  if (r > high) high = r;
  centre = static_cast<int32_t>(RoundEven(
      static_cast<double>(static_cast<int64_t>(r) + 4 * static_cast<int64_t>(centre)) / 5.0));
}

void Seed(int32_t r, int32_t& low, int32_t& centre, int32_t& high) { low = centre = high = r; }

struct PositionKey {
  const char* name;
  int32_t JoyCalib::*field;
};
constexpr PositionKey kPositions[] = {
    {"JAXIS1_L", &JoyCalib::JAXIS1_L}, {"JAXIS1_0", &JoyCalib::JAXIS1_0},
    {"JAXIS1_R", &JoyCalib::JAXIS1_R}, {"JAXIS2_L", &JoyCalib::JAXIS2_L},
    {"JAXIS2_0", &JoyCalib::JAXIS2_0}, {"JAXIS2_R", &JoyCalib::JAXIS2_R},
};

}  // namespace

STJoy::STJoy(Joystick& stick, TRAPAR& par, WindowHost& windows)
    : stick_(stick), par_(par), windows_(windows) {}

void STJoy::ShowMsg(const std::string& text) {
  if (windows_.IsFormLoaded(WindowHost::kMainWindow)) windows_.SetStatusText(text);
}

void STJoy::NoteConnection(bool connected) {
  if (connected == connected_) return;
  connected_ = connected;
  if (connected) held_ = true;
  ShowMsg(connected ? "Joystick connected" : "Joystick not connected");
}

int32_t STJoy::JoyRead(int32_t& x, int32_t& y, int16_t& button) {
  uint32_t bits = 0;
  const int32_t result = stick_.Read(x, y, bits);
  if (result != 0) {
    x = y = 0;
    bits = 0;
  }
  seen_ = result == 0;
  NoteConnection(result == 0);
  ButtonOf(bits, button);
  return result;
}

int16_t STJoy::AxisDeflection(int32_t r, int32_t l, int32_t c, int32_t h, int32_t d, int16_t dir) {
  // Nothing is left outside a dead zone of the whole half-range.
  if (d >= kFullScale) return 0;
  const int64_t offset = static_cast<int64_t>(r) - c;
  const int64_t width = r < c ? static_cast<int64_t>(c) - l : static_cast<int64_t>(h) - c;
  if (width == 0) return 0;
  const double scaled = RoundEven(static_cast<double>(offset * kFullScale) / width);
  double deflection = 0;
  if (r < c) {
    if (scaled > -d) return 0;
    deflection = RoundEven((scaled + d) * kFullScale / (kFullScale - d));
  } else {
    if (scaled < d) return 0;
    deflection = RoundEven((scaled - d) * kFullScale / (kFullScale - d));
  }
  return Saturate16(deflection * dir);
}

void STJoy::StickDeflection(int16_t& xDefl, int16_t& yDefl, int16_t& fullScale, int16_t& button) {
  int32_t x = 0, y = 0;
  fullScale = kFullScale;
  if (JoyRead(x, y, button) != 0) {
    xDefl = yDefl = 0;
    button = 0;
    return;
  }
  xDefl = AxisDeflection(x, c_.JAXIS1_L, c_.JAXIS1_0, c_.JAXIS1_R, c_.JoyDeadZone, c_.JAXIS1_Dir);
  yDefl = AxisDeflection(y, c_.JAXIS2_L, c_.JAXIS2_0, c_.JAXIS2_R, c_.JoyDeadZone, c_.JAXIS2_Dir);
  if (xDefl == 0 && yDefl == 0) held_ = false;
}

void STJoy::JoyGetDeflection(int16_t& xDefl, int16_t& yDefl, int16_t& fullScale, int16_t& button) {
  StickDeflection(xDefl, yDefl, fullScale, button);
  if (held_) xDefl = yDefl = 0;
}

int16_t STJoy::JoyAtRest() {
  int16_t x = 0, y = 0, full = 0, button = 0;
  StickDeflection(x, y, full, button);
  return x == 0 && y == 0 ? 1 : 0;
}

bool STJoy::JoyPresent() {
  int32_t x = 0, y = 0;
  uint32_t bits = 0;
  seen_ = stick_.Read(x, y, bits) == 0;
  return seen_;
}

void STJoy::JoyCalibStart() {
  before_ = c_;
  int32_t x = 0, y = 0;
  int16_t button = 0;
  calibSeeded_ = JoyRead(x, y, button) == 0;
  Seed(x, c_.JAXIS1_L, c_.JAXIS1_0, c_.JAXIS1_R);
  Seed(y, c_.JAXIS2_L, c_.JAXIS2_0, c_.JAXIS2_R);
}

// A failed reading is no sample: an unplugged stick must not pull the centre to 0.
void STJoy::JoyCalibStep() {
  int32_t x = 0, y = 0;
  int16_t button = 0;
  if (JoyRead(x, y, button) != 0) return;
  ShowMsg("Deflect to extremes: Axis1 =" + num::Plain(x) + ", Axis2 =" + num::Plain(y) +
          ", But=" + num::Plain(button));
  if (!calibSeeded_) {
    Seed(x, c_.JAXIS1_L, c_.JAXIS1_0, c_.JAXIS1_R);
    Seed(y, c_.JAXIS2_L, c_.JAXIS2_0, c_.JAXIS2_R);
    calibSeeded_ = true;
  }
  Sample(x, c_.JAXIS1_L, c_.JAXIS1_0, c_.JAXIS1_R);
  Sample(y, c_.JAXIS2_L, c_.JAXIS2_0, c_.JAXIS2_R);
}

int16_t STJoy::JoyCalibIsValid() const {
  using W = int64_t;
  const int64_t halfRanges[] = {W{c_.JAXIS1_0} - c_.JAXIS1_L, W{c_.JAXIS1_R} - c_.JAXIS1_0,
                                W{c_.JAXIS2_0} - c_.JAXIS2_L, W{c_.JAXIS2_R} - c_.JAXIS2_0};
  for (const int64_t span : halfRanges) {
    // A half-range the sweep never left reads 0 however far the stick goes.
    if (span == 0) return 0;
    // In per-mille of the nominal half-range; multiplied first so that a span of
    // exactly the dead zone's share compares equal.
    if (std::fabs(static_cast<double>(span)) * kFullScale / kValidityScale < c_.JoyDeadZone)
      return 0;
  }
  return 1;
}

// A refused calibration puts back what was in force before it, then reads the file
// (which may hold something newer).
void STJoy::JoyCalibEnd() {
  if (JoyCalibIsValid() == 1) {
    if (JoyWritePar() > 0) ShowMsg("Calibrated");
    else ShowMsg("Calibrated, but " + par_.ParGetPath() + " could not be written");
  } else {
    c_ = before_;
    JoyReadPar();
    ShowMsg("Not calibrated. Using old par.");
  }
  calibrating_ = 0;
}

int16_t STJoy::JoyReadPar() {
  par_.ParSetFile(kJoyFile);
  if (par_.ParLoad() < 0) return -1;
  bool all = true;
  auto found = [&all](TRAPAR::NumberRead read) {
    all = all && read == TRAPAR::NumberRead::Found;
    return read == TRAPAR::NumberRead::Found;
  };
  for (const auto& key : kPositions)
    found(par_.ParReadInteger(key.name, INT32_MIN, INT32_MAX, c_.*key.field));
  int32_t percent = 0;
  if (found(par_.ParReadInteger("JLATENT", 0, kLatentMax, percent)))
    c_.JoyDeadZone = percent * (kFullScale / 100);
  double direction = 0;
  if (found(par_.ParReadNumber("JAXIS1_Dir", direction))) c_.JAXIS1_Dir = Sign(direction);
  if (found(par_.ParReadNumber("JAXIS2_Dir", direction))) c_.JAXIS2_Dir = Sign(direction);
  return all ? 1 : -1;
}

int16_t STJoy::JoyWritePar() {
  par_.ParSetFile(kJoyFile);
  ParValue value = c_.JAXIS1_L;
  par_.ParTransfer("JAXIS1_L", value, "clear");
  for (const auto& key : kPositions) {
    if (key.field == &JoyCalib::JAXIS1_L) continue;
    value = c_.*key.field;
    par_.ParTransfer(key.name, value, "to");
  }
  value = static_cast<double>(c_.JoyDeadZone) * 100 / kFullScale;
  par_.ParTransfer("JLATENT", value, "to");
  value = c_.JAXIS1_Dir;
  par_.ParTransfer("JAXIS1_Dir", value, "to");
  value = c_.JAXIS2_Dir;
  par_.ParTransfer("JAXIS2_Dir", value, "to");
  return par_.ParSave();
}
