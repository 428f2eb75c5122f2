#pragma once
// The Z axis: its parameters (ST_PARZ.TXT), units <-> motor steps, controller set-up,
// moves, stop, wait, origin, homing and joystick speed.
#include <cstdint>
#include <string>

class TRAPAR;
class MotCon;
class Delay32;
class MessageBoxes;

// The keys of ST_PARZ.TXT, kept as read (numbers rounded half to even where integer).
struct ZParams {
  int16_t ZCONTR = 0;
  double ZSTROKEPERROT = 0;
  int16_t ZMOTORSTEPS = 0;
  int16_t ZSTEPDIVIDE = 0;
  int16_t ZHOLDCURRENT = 0;
  int16_t ZRUNCURRENT = 0;
  int32_t ZSLEWVELOCITY = 0;
  int32_t ZINITVELOCITY = 0;
  int32_t ZACCELERATION = 0;
  int32_t ZDECELERATION = 0;
  int32_t ZJOGSPEEDLOW = 0;
  int32_t ZJOGSPEEDHIGH = 0;
  double ZBACKLASH = 0;
  double ZJUMPSIZE = 0;
  int16_t ZCOARSEFACTOR = 0;
  int32_t ZJOYMAXSPEED = 0;
  int32_t ZHOMESPEED = 0;
  int32_t ZPOWERUPORIGIN = 0;
  int16_t ZLIMPOLARITY = 0;
  int16_t ZENABLELIMITS = 0;
};

class STFoc {
 public:
  STFoc(TRAPAR& par, MotCon& motor, Delay32& delay, MessageBoxes& messages);

  int16_t FocInit();
  int16_t FocReadPar();
  int16_t FocSetupController();
  int16_t FocGetPos(double& position);
  int16_t FocMoveAbs(double position);
  int16_t FocMoveRel(double distance);
  int16_t FocMoveVel(int32_t speed);
  int16_t FocStop();
  int16_t FocWait();
  int16_t FocSetOrigin();
  int16_t FocHome();
  int16_t FocJoyMove(int16_t deflection, int16_t fullScale);

  double FocUnitPerStep() const { return unitPerStep_; }
  int32_t FocLastJoySpeed() const { return lastJoySpeed_; }
  const ZParams& Params() const { return p_; }

 private:
  struct KeySpec;
  bool ReadContr();
  bool ReadKey(const KeySpec& key);
  void Complain(const std::string& name, const std::string& what);
  // The dispatch, addressed to this axis's controller.
  MotCon& Motor();
  int16_t SetPowerUpOrigin();
  bool HasUnits() const;

  TRAPAR& par_;
  MotCon& motor_;
  Delay32& delay_;
  MessageBoxes& messages_;
  ZParams p_;
  double unitPerStep_ = 0;
  int32_t lastJoySpeed_ = 0;
};
