#pragma once
// The operator's Stop (the main window's Stop button, Escape in the main window and in the
// interpreter window): stops the motor as "Z Stop" does, interrupts a program run
// ("PROGRAM INTERRUPTED"), switches joystick control off, ends a jog, and ends every
// wait, homing and "Delay" under way. It acts inside all of them: the motion waits take
// it while they let events run, homing and "Delay" through EventPump::ProcessStopOnly.
class STFoc;
class INTERP;
class STDevCon;
class STCommands;
class StopRequest;
struct ProgramState;

class StopAll {
 public:
  StopAll(ProgramState& state, StopRequest& request, STFoc& foc, INTERP& interp, STDevCon& devcon,
          STCommands& cmds);

  void Stop();

 private:
  ProgramState& state_;
  StopRequest& request_;
  STFoc& foc_;
  INTERP& interp_;
  STDevCon& devcon_;
  STCommands& cmds_;
};
