#include "server/Startup.h"

#include "common/Numbers.h"
#include "controller/COMM.h"
#include "controller/MotCon.h"
#include "interp/INTERP.h"
#include "joystick/STJoy.h"
#include "parfiles/TRAPAR.h"
#include "platform/MessageBoxes.h"
#include "platform/WindowHost.h"
#include "positions/STObj.h"
#include "server/ProgramState.h"
#include "server/STCommands.h"
#include "zaxis/STFoc.h"

namespace {
constexpr const char* kConfigFile = "ST_CONFIG.TXT";
constexpr const char* kSymConstFile = "ST_SYMCONST.TXT";
constexpr const char* kJoyCmdsFile = "ST_JOYCMDS.TXT";
}  // namespace

Startup::Startup(ProgramState& state, TRAPAR& par, COMM& comm, MotCon& motor, STFoc& foc,
                 STCommands& cmds, STObj& positions, INTERP& interp, WindowHost& windows,
                 MessageBoxes& messages, STJoy& joy)
    : state_(state),
      par_(par),
      comm_(comm),
      motor_(motor),
      foc_(foc),
      cmds_(cmds),
      positions_(positions),
      interp_(interp),
      windows_(windows),
      messages_(messages),
      joy_(joy) {}

int16_t Startup::InitAll(const std::string& programDir) {
  int16_t result = 1;
  auto step = [&result](int16_t r) {
    if (r < 0) result = -1;
  };
  state_.AppDir = programDir;
  if (state_.AppDir.empty() || state_.AppDir.back() != '/') state_.AppDir += '/';
  par_.ParSetDir(state_.AppDir);
  step(ReadConfig());
  step(ReadJoyCmds());
  step(ReadJoyPar());
  step(ReadSymConst());
  step(OpenControllerPort());
  motor_.MotorProbe();
  step(DevInit());
  comm_.CommSetMsgLabel(windows_.MainStatusLine());
  // Joystick control never starts with a deflected stick.
  if (joy_.JoyAtRest() != 1) state_.JoyOn = 0;
  interp_.ResetProgram();
  positions_.ObjListClear();
  return result;
}

bool Startup::ReadInt16(const std::string& key, int16_t& target, bool required,
                        int16_t& result) {
  ParValue value;
  const int16_t found = required ? par_.ParTransfer(key, value, "from")
                                 : par_.ParTransferQuiet(key, value, "from");
  if (found != 1) {
    if (required) result = -1;
    else target = 0;
    return true;
  }
  double number = 0;
  const auto rounded = TRAPAR::ValueNumber(value, number) ? num::RoundToInt16(number)
                                                          : std::nullopt;
  if (!rounded) {
    messages_.Show("Parameter " + key + " in " + par_.ParGetPath() + " is not a number: " +
                       TRAPAR::ValueText(value),
                   kAppTitle, MsgIcon::Critical);
    result = -1;
    return false;
  }
  target = *rounded;
  return true;
}

std::string Startup::ReadText(const std::string& key, const std::string& fallback) {
  ParValue value;
  return par_.ParTransferQuiet(key, value, "from") == 1 ? TRAPAR::ValueText(value) : fallback;
}

int16_t Startup::ReadConfig() {
  par_.ParSetFile(kConfigFile);
  if (par_.ParLoad() < 0) return -1;
  Config& c = state_.config;
  int16_t result = 1;
  if (!ReadInt16("MPORT", c.MPORT, true, result)) return result;
  if (!ReadInt16("PORTTIMEOUT", c.PORTTIMEOUT, true, result)) return result;
  if (!ReadInt16("MOVETIMEOUT", c.MOVETIMEOUT, true, result)) return result;
  if (!ReadInt16("WAITPOLLINGINTERVAL", c.WAITPOLLINGINTERVAL, true, result)) return result;
  c.CONTRTYPE = ReadText("CONTRTYPE", "IM483I");
  if (!ReadInt16("JOYSTARTON", state_.JoyOn, false, result)) return result;
  if (!ReadInt16("Z_INSTALLED", c.Z_INSTALLED, false, result)) return result;
  // Keys of this system's own: where the controller is, and the optional TCP endpoint.
  c.MPORTNAME = ReadText("MPORTNAME", "");
  int16_t tcp = 0;
  if (!ReadInt16("SERVERTCPPORT", tcp, false, result)) return result;
  c.SERVERTCPPORT = tcp;
  return result;
}

int16_t Startup::ReadJoyPar() { return joy_.JoyReadPar(); }

int16_t Startup::ReadSymConst() {
  par_.ParSetFile(kSymConstFile);
  return par_.ParLoadTable(state_.SymConst);
}

int16_t Startup::ReadJoyCmds() {
  par_.ParSetFile(kJoyCmdsFile);
  const int16_t result = par_.LinesLoad(state_.JoyCmds);
  if (!state_.JoyCmds.empty()) cmds_.ExecCmd(state_.JoyCmds[0]);
  return result;
}

int16_t Startup::WriteJoyCmds() {
  par_.ParSetFile(kJoyCmdsFile);
  return par_.LinesSave(state_.JoyCmds);
}

int16_t Startup::OpenControllerPort() {
  comm_.CommInit();
  comm_.CommSetPortName(state_.config.MPORTNAME);
  if (!comm_.CommOpenPort(state_.config.MPORT)) return -1;
  comm_.CommSetTimeout(state_.config.PORTTIMEOUT);
  return 1;
}

int16_t Startup::DevInit() {
  motor_.MotorSetMoveTimeout(state_.config.MOVETIMEOUT);
  if (state_.config.Z_INSTALLED != 1) {
    state_.ZEnabled = 0;
    return 1;
  }
  state_.ZEnabled = foc_.FocInit() > 0 ? 1 : 0;
  return state_.ZEnabled ? 1 : -1;
}

int16_t Startup::ApplyConfiguration() {
  const int16_t config = ReadConfig();
  comm_.CommClosePort();
  comm_.CommSetPortName(state_.config.MPORTNAME);
  comm_.CommOpenPort(state_.config.MPORT);
  comm_.CommSetTimeout(state_.config.PORTTIMEOUT);
  const int16_t dev = DevInit();
  return config < 0 || dev < 0 ? -1 : 1;
}

void Startup::CloseAll() {
  comm_.CommClosePort();
  comm_.CommExit();
}

void Startup::ClientCreated() { ++state_.ClientCount; }

void Startup::ClientReleased() {
  if (state_.ClientCount > 0) --state_.ClientCount;
  // The port closes when the last client leaves a program without a window; a client
  // leaving while others are still connected leaves the port to them.
  if (state_.ClientCount == 0 && comm_.CommIsInit() == 1 && !MainWinLoaded())
    CloseAll();
}

void Startup::MainWindowUnloaded() {
  if (comm_.CommIsInit() == 1 && !state_.ClientAttached()) CloseAll();
}

bool Startup::ShouldExit() const {
  return !MainWinLoaded() && state_.ClientCount == 0;
}

bool Startup::MainWinLoaded() const { return windows_.IsFormLoaded("frmLift"); }
