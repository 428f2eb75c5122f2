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
  double ZMIN = 0;  // travel limits in user units (optional)
  double ZMAX = 0;
  std::string ZUNIT;  // shown after positions in the main window (optional)
};

class STFoc {
 public:
  // A move, step or run refused by the travel limits: nothing moving was sent.
  static constexpr int16_t kOutOfRange = -5;
  // A wait or homing that the operator's Stop ended (the motor was told to stop).
  static constexpr int16_t kStopped = -6;

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
  // 1 while the axis moves, 0 when it stands, -1 when the controller could not say.
  int16_t FocIsMoving();
  int16_t FocSetOrigin();
  int16_t FocHome();
  int16_t FocJoyMove(int16_t deflection, int16_t fullScale);
  // For the periodic tick: while a run at constant speed goes on and the travel limits
  // are on, reads the position and stops the run once it has reached the limit it runs
  // towards. 0: nothing to watch; 1: the run goes on; 2: stopped; -1: read or stop failed.
  int16_t FocWatchRun();

  double FocUnitPerStep() const { return unitPerStep_; }
  int32_t FocLastJoySpeed() const { return lastJoySpeed_; }
  const ZParams& Params() const { return p_; }
  // ZMIN and ZMAX are both in the file and ZMIN < ZMAX.
  bool FocLimitsOn() const { return limitsOn_; }
  // A FocWait is under way (window events run between its polls).
  bool FocWaiting() const { return waiting_ > 0; }
  // The speed of the run at constant speed last started (0: none known to run).
  int32_t FocRunSpeed() const { return runSpeed_; }
  // A homing is under way.
  bool FocHoming() const { return homing_ > 0; }
  // The position (user units) the controller gave at its last read, by whichever
  // operation read it; FocLiveCount counts those reads. No exchange.
  double FocLivePos() const;
  uint32_t FocLiveCount() const;
  // While the position is on view: the waits also read it at most every ms (0: never).
  void FocFollowPosition(uint32_t ms);

 private:
  struct KeySpec;
  bool ReadContr();
  bool ReadKey(const KeySpec& key, bool* present = nullptr);
  bool ReadLimits();
  void ReadUnit();
  // Travel-limit checks in user units; all pass while the limits are off.
  double LimitSlack() const;
  bool Inside(double target) const;
  bool WayBack(double here, double target) const;
  bool AtLimitTowards(double here, int32_t speed) const;
  int16_t CheckRun(int32_t speed);
  int16_t StopRun();
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
  bool limitsOn_ = false;
  int32_t runSpeed_ = 0;
  int16_t waiting_ = 0;
  int16_t homing_ = 0;
};
