#pragma once
// Every core module, made once and wired together over the platform seams. The program's
// composition root makes one of these with the real seams; tests make one with fakes.
#include "common/Config.h"
#include "controller/AllMotionCntrl.h"
#include "controller/COMM.h"
#include "controller/IMSCNTRL.h"
#include "controller/MotCon.h"
#include "interp/INTERP.h"
#include "interp/ProgEdit.h"
#include "parfiles/TRAPAR.h"
#include "positions/STObj.h"
#include "server/CmdObj.h"
#include "server/CmdZ.h"
#include "server/MessageTrail.h"
#include "server/ProgramState.h"
#include "server/STCommands.h"
#include "server/Startup.h"
#include "zaxis/STFoc.h"

class SerialPort;
class Clock;
class EventPump;
class MessageBoxes;
class WindowHost;

struct CoreModules {
  CoreModules(SerialPort& port, Clock& clock, EventPump& pump, MessageBoxes& boxes,
              WindowHost& windows)
      : messages(boxes),
        par(messages),
        comm(port, clock),
        ezhr17(comm, comm.Delay(), pump, shared, state.config),
        im483i(comm, comm.Delay(), pump, shared),
        motor(state.config, shared, comm, ezhr17, im483i),
        foc(par, motor, comm.Delay(), messages),
        cmds(state, windows, comm.Delay(), comm, motor),
        interp(cmds, clock, pump),
        progEdit(interp, par, messages, state),
        positions(par),
        cmdZ(cmds, state, foc),
        cmdObj(cmds, state, positions, [this](double& z) { return foc.FocGetPos(z); }),
        startup(state, par, comm, motor, foc, cmds, positions, interp, windows, messages) {
    comm.SetTerminatorSetup([this] { motor.MotorCommInit(); });
    cmds.SetFlowExecutor(&interp);
    cmds.RegisterFamily("Z", &cmdZ);
    cmds.RegisterFamily("Obj", &cmdObj);
  }
  CoreModules(const CoreModules&) = delete;
  CoreModules& operator=(const CoreModules&) = delete;

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
  Startup startup;
};
