#pragma once
// The main window's periodic engine, called by its 300 ms timer from the window's load
// to its unload (also while it is hidden). A tick either advances a running program by
// one line or, when nothing else is going on, polls the joystick or takes a calibration
// sample. A tick never runs inside another one.
#include <cstdint>
#include <functional>

class Clock;
class STCommands;
class STJoy;
class STDevCon;
struct ProgramState;

class LiftTick {
 public:
  // runMode: the interpreter's run mode (0 idle, 1 running, 2 single step).
  LiftTick(Clock& clock, STCommands& cmds, ProgramState& state, std::function<int16_t()> runMode,
           STJoy& joy, STDevCon& devcon);

  // One line of the running program (run mode 1 or 2), given the tick's clock reading;
  // the interpreter fills it. Until then no program step runs.
  std::function<void(uint32_t now)> programStep;
  // Draws the joystick indicator from the deflections of a poll (JoyDisplay).
  std::function<void(int16_t x, int16_t y, int16_t fullScale)> joyDisplay;
  // First in every tick, whatever else goes on (also in a tick refused because another
  // one is still running): the travel limits' watch over a run.
  std::function<void()> watch;
  // Right after the watch, in every tick too, given the tick's clock reading: the live
  // position takes what the waits and commands have read.
  std::function<void(uint32_t now)> follow;
  // A tick with nothing going on (no program run, no command, the joystick not polled),
  // given the tick's clock reading: the live position display.
  std::function<void(uint32_t now)> idle;
  // A jog button is held while its step runs: the live display still reads then (between
  // command lines), though the press keeps CmdBusy set.
  std::function<bool()> jogHeld;

  // The timer's handler.
  void Tick();
  int16_t TickDepth() const { return tickDepth_; }

  // The window's load and unload: ticks run only in between; unloading stops a speed
  // that the joystick left running.
  void Start() { running_ = true; }
  void Stop();

 private:
  void Poll();
  // Nothing runs that a position read could come between.
  bool DisplayMayRead() const;

  Clock& clock_;
  STCommands& cmds_;
  ProgramState& state_;
  std::function<int16_t()> runMode_;
  STJoy& joy_;
  STDevCon& devcon_;
  int16_t tickDepth_ = 0;
  bool running_ = false;
};
