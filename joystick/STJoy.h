#pragma once
// The joystick: raw readings, deflections in per-mille of full scale with a dead zone
// and a direction per axis, the pressed button, the interactive calibration and its
// file ST_JOY.TXT.
#include <cstdint>
#include <string>

class Joystick;
class TRAPAR;
class WindowHost;

// The calibration, named after the keys of ST_JOY.TXT. All 0 until the file was read,
// which makes both deflections 0.
struct JoyCalib {
  int32_t JAXIS1_L = 0, JAXIS1_0 = 0, JAXIS1_R = 0;
  int32_t JAXIS2_L = 0, JAXIS2_0 = 0, JAXIS2_R = 0;
  int32_t JoyDeadZone = 0;  // per-mille of a half-range (JLATENT percent x 10)
  int16_t JAXIS1_Dir = 0;   // -1, 0 (axis off) or +1
  int16_t JAXIS2_Dir = 0;
};

class STJoy {
 public:
  static constexpr const char* kJoyFile = "ST_JOY.TXT";  // the calibration

  STJoy(Joystick& stick, TRAPAR& par, WindowHost& windows);

  // One raw reading; button (preset by the caller) becomes 1..8 when exactly one of the
  // first eight buttons is down and 0 when none is; other states leave it as it was.
  // Returns the reading's result code (0 = good). A failed reading gives x = y = 0 and
  // button 0; the status line says "Joystick not connected" once, and "Joystick
  // connected" once when readings succeed again.
  int32_t JoyRead(int32_t& x, int32_t& y, int16_t& button);
  // The reading as deflections (full scale 1000). A failed reading is the stick at rest
  // with no button, so an unplugged stick never drives the lift; a stick that appears
  // (plugged in, or back) reads 0 deflection until it has read at rest once, so one
  // plugged in deflected never drives it either.
  void JoyGetDeflection(int16_t& xDefl, int16_t& yDefl, int16_t& fullScale, int16_t& button);
  // 1 when both deflections of the stick as it stands are 0.
  int16_t JoyAtRest();
  // Reads the stick once, without a message, to learn whether one is there.
  bool JoyPresent();
  // Whether the last reading (by anyone) found a stick.
  bool JoyStickSeen() const { return seen_; }

  void JoyCalibStart();
  // One calibration sample (once per timer tick while a calibration runs).
  void JoyCalibStep();
  // 1 when each of the four half-ranges has some width and spans at least the dead
  // zone's share of 32000 raw units.
  int16_t JoyCalibIsValid() const;
  // The end of a calibration: a valid one is stored ("Calibrated"), otherwise the stored
  // one is read back ("Not calibrated. Using old par."); JoyCalibrating becomes 0.
  void JoyCalibEnd();
  int16_t JoyCalibrating() const { return calibrating_; }
  void SetJoyCalibrating(int16_t on) { calibrating_ = on ? 1 : 0; }

  // 1 when all nine keys of ST_JOY.TXT were read, else -1. Each key is read on its own;
  // a missing one or a bad value (no number, a position beyond 32 bits, a negative
  // JLATENT) is said naming key, file and value, and leaves its field as it was.
  int16_t JoyReadPar();
  // The result of the save: the file then holds exactly the nine keys in order.
  int16_t JoyWritePar();

  const JoyCalib& Calib() const { return c_; }
  void SetCalib(const JoyCalib& calib) { c_ = calib; }

  // One axis: raw value r, low extreme l, centre c, high extreme h, dead zone d in
  // per-mille, direction dir. Saturates at the 16-bit limits.
  static int16_t AxisDeflection(int32_t r, int32_t l, int32_t c, int32_t h, int32_t d, int16_t dir);

 private:
  void ShowMsg(const std::string& text);
  void NoteConnection(bool connected);
  // The deflections of the stick as it stands (no hold); reading at rest ends the hold.
  void StickDeflection(int16_t& xDefl, int16_t& yDefl, int16_t& fullScale, int16_t& button);

  Joystick& stick_;
  TRAPAR& par_;
  WindowHost& windows_;
  JoyCalib c_;
  JoyCalib before_;  // in force when the running calibration started
  int16_t calibrating_ = 0;
  bool calibSeeded_ = false;  // the running calibration has its first good sample
  bool connected_ = true;     // as last announced
  bool seen_ = true;          // the last reading succeeded
  bool held_ = false;         // appeared and not yet read at rest: no deflection
};
