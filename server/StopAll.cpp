#include "server/StopAll.h"

#include "controller/StopRequest.h"
#include "interp/INTERP.h"
#include "joystick/STDevCon.h"
#include "domain/ProgramState.h"
#include "server/STCommands.h"
#include "zaxis/STFoc.h"

StopAll::StopAll(ProgramState& state, StopRequest& request, STFoc& foc, INTERP& interp,
                 STDevCon& devcon, STCommands& cmds)
    : state_(state), request_(request), foc_(foc), interp_(interp), devcon_(devcon), cmds_(cmds) {}

// The stop command goes out first. Refused because an exchange is in progress, it stays
// due and the waiting loop sends it as soon as it has the controller again.
void StopAll::Stop() {
  request_.Raise();
  if (state_.ZEnabled != 0 && foc_.FocStop() > 0) request_.MotorStopped();
  interp_.InterruptRun();
  devcon_.DevJoyOff();
  cmds_.SetCmdBusy(0);  // a jog held down ends here; its release no longer waits
}
