#pragma once
// Start-up, configuration, re-configuration, shut-down and the lifetime rules of the
// program: it runs while its main window is loaded or a client object exists.
#include <cstdint>
#include <string>

class TRAPAR;
class COMM;
class MotCon;
class STFoc;
class STCommands;
class STObj;
class INTERP;
class STJoy;
class WindowHost;
class MessageBoxes;
struct ProgramState;

class Startup {
 public:
  Startup(ProgramState& state, TRAPAR& par, COMM& comm, MotCon& motor, STFoc& foc,
          STCommands& cmds, STObj& positions, INTERP& interp, WindowHost& windows,
          MessageBoxes& messages, STJoy& joy);

  // The start-up sequence; every step is attempted. 1, or -1 when any step failed.
  int16_t InitAll(const std::string& programDir);
  int16_t ReadConfig();
  int16_t ReadSymConst();
  // The joystick calibration ST_JOY.TXT.
  int16_t ReadJoyPar();
  int16_t ReadJoyCmds();
  int16_t WriteJoyCmds();
  int16_t OpenControllerPort();
  int16_t DevInit();
  // After the operator edited the configuration: read it again, reopen the port and set
  // the axis up again (the link keeps its log; no probe).
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
  // Reads one numeric key into a 16-bit value. false when the value is no number
  // (the reading of the configuration ends there); missing keys only mark a failure.
  bool ReadInt16(const std::string& key, int16_t& target, bool required, int16_t& result);

  // An optional text key of the current file; fallback when it is missing.
  std::string ReadText(const std::string& key, const std::string& fallback);

  ProgramState& state_;
  TRAPAR& par_;
  COMM& comm_;
  MotCon& motor_;
  STFoc& foc_;
  STCommands& cmds_;
  STObj& positions_;
  INTERP& interp_;
  WindowHost& windows_;
  MessageBoxes& messages_;
  STJoy& joy_;
};
