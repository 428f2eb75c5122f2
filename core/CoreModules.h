#pragma once
// The composition root of the Qt-free program: every core module made once and wired
// together over the platform seams (the only place that knows them all). The program
// (app/) makes one with the real seams and adds the windows and the socket; tests and
// the fuzz targets make one with fakes.
#include "common/Config.h"
#include "controller/AllMotionCntrl.h"
#include "controller/COMM.h"
#include "controller/IMSCNTRL.h"
#include "controller/MotCon.h"
#include "interp/INTERP.h"
#include "panels/ProgEdit.h"
#include "joystick/STDevCon.h"
#include "joystick/STJoy.h"
#include "parfiles/TRAPAR.h"
#include "positions/STObj.h"
#include "server/CmdJoy.h"
#include "server/CmdObj.h"
#include "server/CmdZ.h"
#include "server/MessageTrail.h"
#include "domain/ProgramState.h"
#include "server/STCommands.h"
#include "server/LiftTick.h"
#include "panels/PosPoll.h"
#include "panels/JoyMenuActions.h"
#include "server/Startup.h"
#include "server/StopAll.h"
#include "platform/Beeper.h"
#include "platform/Joystick.h"
#include "zaxis/STFoc.h"

class SerialPort;
class Clock;
class EventPump;
class MessageBoxes;
class WindowHost;

struct CoreModules {
  // Without a joystick (every reading fails) and without a beep.
  CoreModules(SerialPort& port, Clock& clock, EventPump& pump, MessageBoxes& boxes,
              WindowHost& windows)
      : CoreModules(port, clock, pump, boxes, windows, noStick_, noBeep_) {}

  CoreModules(SerialPort& port, Clock& clock, EventPump& pump, MessageBoxes& boxes,
              WindowHost& windows, Joystick& stick, Beeper& beeper)
      : messages(boxes),
        par(messages),
        comm(port, clock),
        ezhr17(comm, comm.Delay(), pump, shared, state.config),
        im483i(comm, comm.Delay(), pump, shared, state.config),
        motor(state.config, shared, comm, ezhr17, im483i),
        foc(par, motor, comm.Delay(), messages),
        cmds(state, windows, comm.Delay(), comm, motor, pump),
        interp(cmds, clock, pump),
        progEdit(interp, par, messages, state),
        positions(par),
        cmdZ(cmds, state, foc),
        cmdObj(cmds, state, positions, [this](double& z) { return foc.FocGetPos(z); }),
        joy(stick, par, windows),
        devcon(state, cmds, foc, joy, beeper),
        cmdJoy(cmds, state, devcon, windows),
        startup(state, par, comm, motor, foc, cmds, positions, windows, messages, joy),
        tick(
            clock, cmds, state, [this] { return interp.RunMode(); }, joy, devcon),
        joyMenu(state, joy, devcon, cmdJoy, startup, par, windows),
        posPoll(state, foc, comm),
        stopAll(state, motor.Stop(), foc, interp, devcon, cmds) {
    comm.SetTerminatorSetup([this] { motor.MotorCommInit(); });
    cmds.SetFlowExecutor(&interp);
    startup.resetProgram = [this] { interp.ResetProgram(); };
    cmds.RegisterFamily("Z", &cmdZ);
    cmds.RegisterFamily("Obj", &cmdObj);
    cmds.RegisterFamily("Joy", &cmdJoy);
    tick.programStep = [this](uint32_t now) { interp.TickProgramStep(now); };
    tick.watch = [this] { foc.FocWatchRun(); };
    tick.follow = [this](uint32_t now) { posPoll.Follow(now); };
    tick.idle = [this](uint32_t now) { posPoll.Poll(now); };
    posPoll.programRunning = [this] { return interp.RunMode() != 0; };
  }
  CoreModules(const CoreModules&) = delete;
  CoreModules& operator=(const CoreModules&) = delete;

  // Stand-ins for a program without joystick or sound; made first.
  NoJoystick noStick_;
  SilentBeeper noBeep_;

  ProgramState state;
  MessageTrail messages;  // every module's message boxes
  TRAPAR par;
  COMM comm;
  MotorShared shared;
  AllMotionCntrl ezhr17;
  IMSCNTRL im483i;
  MotCon motor;
  STFoc foc;
  STCommands cmds;
  INTERP interp;
  ProgEdit progEdit;
  STObj positions;
  CmdZ cmdZ;
  CmdObj cmdObj;
  STJoy joy;
  STDevCon devcon;
  CmdJoy cmdJoy;
  Startup startup;
  LiftTick tick;
  JoyMenuActions joyMenu;
  PosPoll posPoll;
  StopAll stopAll;  // the operator's Stop: button and Escape
};
