#pragma once
// Start-up, configuration, re-configuration, shut-down and the lifetime rules of the
// program: it runs while its main window is loaded or a client object exists.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "parfiles/TRAPAR.h"

class COMM;
class MotCon;
class STFoc;
class STCommands;
class STObj;
class STJoy;
class WindowHost;
class MessageTrail;
struct ProgramState;

class Startup {
 public:
  Startup(ProgramState& state, TRAPAR& par, COMM& comm, MotCon& motor, STFoc& foc, STCommands& cmds,
          STObj& positions, WindowHost& windows, MessageTrail& messages, STJoy& joy);

  // The start-up sequence; every step is attempted. 1, or -1 when any step failed.
  // Why each step failed goes to the main window's status line and to Failures().
  int16_t InitAll(const std::string& programDir);
  // Run at the end of every InitAll: clears the interpreter's program (the composition
  // root wires it; empty: nothing to clear).
  std::function<void()> resetProgram;
  // Why the steps of the last InitAll or ApplyConfiguration failed, one line each, in
  // order; empty when all went well.
  const std::vector<std::string>& Failures() const { return failures_; }
  int16_t ReadConfig();
  int16_t ReadSymConst();
  // The joystick calibration ST_JOY.TXT.
  int16_t ReadJoyPar();
  int16_t ReadJoyCmds();
  int16_t WriteJoyCmds();
  int16_t OpenControllerPort();
  int16_t DevInit();
  // Sets the Z axis up (FocInit) and switches it: ZEnabled 1 when that succeeded, else 0
  // with ProgramState::ZOffReason saying why. FocInit's result (0 for an unknown
  // controller type, which is not tried). For DevInit and the "Parameters" menu.
  int16_t ZAxisInit();
  // The program's message boxes (the operator's questions go there too).
  MessageTrail& Messages() { return messages_; }
  // After the operator edited the configuration: read it again, reopen the port and set
  // the axis up again (the link keeps its log; no probe). Why a step failed goes to the
  // status line.
  int16_t ApplyConfiguration();
  void CloseAll();

  // Lifetime: client objects and the main window.
  void ClientCreated();
  void ClientReleased();
  void MainWindowUnloaded();
  // True once neither the main window nor a client object is left.
  bool ShouldExit() const;
  // 1 while the main window is loaded.
  bool MainWinLoaded() const;

  static constexpr int kHistMax = 30;

 private:
  struct NumberKey;
  // Runs a step that reads a settings file. A failure says why in the messages shown
  // meanwhile (the store's, or the step's own), else that the file was not read.
  int16_t ReadStep(int16_t (Startup::*read)(), const char* file);
  // One numeric key of the current file, rounded half to even, read on its own: a bad
  // value (said, naming key, file and value) or a missing required key marks a failure
  // and leaves target as it was; a missing optional key gives 0.
  template <typename T>
  TRAPAR::NumberRead ReadNumber(const NumberKey& key, T& target, int16_t& result);
  // The keys every configuration has, then the keys of this system's own; each key is
  // read whatever happened to the keys before it.
  int16_t ReadStandardKeys();
  void ReadZInstalled(int16_t& result);
  int16_t ReadOwnKeys();
  // Joystick control stays on only with the stick at rest (never a run on a deflected
  // stick); the menu and the indicator then show what is in force.
  void GateJoystick();

  // An optional text key of the current file; fallback when it is missing.
  std::string ReadText(const std::string& key, const std::string& fallback);

  // MPORTNAME names a device, or MPORT numbers one (from 1).
  bool PortConfigured() const;
  // Opens the port of MPORTNAME or MPORT; a failure says why.
  int16_t OpenPort();
  void ApplyPortTimeout();
  // Why the axis could not be set up, after FocInit failed.
  std::string ZFailure(uint64_t mark) const;
  void CloseWhenUnused();
  void Fail(const std::string& why) { failures_.push_back(why); }
  void ShowFailures();

  ProgramState& state_;
  TRAPAR& par_;
  COMM& comm_;
  MotCon& motor_;
  STFoc& foc_;
  STCommands& cmds_;
  STObj& positions_;
  WindowHost& windows_;
  MessageTrail& messages_;
  std::vector<std::string> failures_;
  STJoy& joy_;
  bool closeDue_ = false;  // the port closes when the command line under way ends
  // Why the configuration keeps the axis off (Z_INSTALLED not 1), as last read.
  std::string notInstalled_ = "ST_CONFIG.TXT not read";
};
