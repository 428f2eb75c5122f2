#include "server/Startup.h"

#include "common/Numbers.h"
#include "controller/COMM.h"
#include "controller/MotCon.h"
#include "joystick/STJoy.h"
#include "parfiles/SettingsFiles.h"
#include "parfiles/TRAPAR.h"
#include "platform/WindowHost.h"
#include "positions/STObj.h"
#include "server/MessageTrail.h"
#include "domain/ProgramState.h"
#include "server/STCommands.h"
#include "zaxis/STFoc.h"

namespace {
constexpr const char* kConfigFile = settingsfiles::kConfig;
constexpr const char* kSymConstFile = settingsfiles::kSymConst;
constexpr const char* kJoyCmdsFile = settingsfiles::kJoyCmds;
constexpr const char* kIm483i = "IM483I";
constexpr const char* kEzhr17 = "EZHR17";
constexpr const char* kFailureSeparator = "; ";
constexpr const char* kZOff = "Z axis off: ";
constexpr const char* kNoPort =
    "No port is configured (ST_CONFIG.TXT gives no MPORTNAME and no MPORT of 1 or more)";
constexpr int32_t kTimeoutMax = INT16_MAX;
constexpr int32_t kPosPollMax = 3600000;  // an hour

std::string Joined(const std::vector<std::string>& texts) {
  std::string out;
  for (const auto& t : texts) out += (out.empty() ? "" : kFailureSeparator) + t;
  return out;
}

// The last lines of a log text whose lines end with CR LF, the last one last.
std::vector<std::string> LastLines(const std::string& log, size_t count) {
  std::vector<std::string> lines;
  for (size_t start = 0, end; (end = log.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(log.substr(start, end - start));
  if (lines.size() > count) lines.erase(lines.begin(), lines.end() - count);
  return lines;
}
}  // namespace

struct Startup::NumberKey {
  const char* name;
  bool required;  // missing: a failure (the store says so); optional ones give 0
  int32_t min = INT16_MIN, max = INT16_MAX;
};

Startup::Startup(ProgramState& state, TRAPAR& par, COMM& comm, MotCon& motor, STFoc& foc,
                 STCommands& cmds, STObj& positions, WindowHost& windows, MessageTrail& messages,
                 STJoy& joy)
    : state_(state),
      par_(par),
      comm_(comm),
      motor_(motor),
      foc_(foc),
      cmds_(cmds),
      positions_(positions),
      windows_(windows),
      messages_(messages),
      joy_(joy) {
  cmds_.onLinesEnded = [this] {
    if (closeDue_) CloseWhenUnused();
  };
}

int16_t Startup::InitAll(const std::string& programDir) {
  failures_.clear();
  int16_t result = 1;
  auto step = [&result](int16_t r) {
    if (r < 0) result = -1;
  };
  state_.AppDir = programDir;
  if (state_.AppDir.empty() || state_.AppDir.back() != '/') state_.AppDir += '/';
  par_.ParSetDir(state_.AppDir);
  step(ReadStep(&Startup::ReadConfig, kConfigFile));
  step(ReadStep(&Startup::ReadJoyCmds, kJoyCmdsFile));
  step(ReadStep(&Startup::ReadJoyPar, STJoy::kJoyFile));
  step(ReadStep(&Startup::ReadSymConst, kSymConstFile));
  step(OpenControllerPort());
  motor_.MotorProbe();
  step(DevInit());
  comm_.CommSetMsgLabel(windows_.MainStatusLine());
  GateJoystick();
  ShowFailures();
  if (resetProgram) resetProgram();
  positions_.ObjListClear();
  return result;
}

int16_t Startup::ReadStep(int16_t (Startup::*read)(), const char* file) {
  const uint64_t mark = messages_.Count();
  const int16_t result = (this->*read)();
  if (result >= 0) return result;
  const auto shown = messages_.Since(mark);
  Fail(shown.empty() ? std::string(file) + " not read" : Joined(shown));
  return result;
}

template <typename T>
TRAPAR::NumberRead Startup::ReadNumber(const NumberKey& key, T& target, int16_t& result) {
  int32_t value = 0;
  const auto read = par_.ParReadInteger(key.name, key.min, key.max, value, !key.required);
  if (read == TRAPAR::NumberRead::Found) target = static_cast<T>(value);
  else if (read == TRAPAR::NumberRead::Bad || key.required) result = -1;
  else target = 0;  // an optional key that is missing
  return read;
}

std::string Startup::ReadText(const std::string& key, const std::string& fallback) {
  ParValue value;
  return par_.ParTransferQuiet(key, value, "from") == 1 ? TRAPAR::ValueText(value) : fallback;
}

int16_t Startup::ReadConfig() {
  par_.ParSetFile(kConfigFile);
  if (par_.ParLoad() < 0) return -1;
  const int16_t standard = ReadStandardKeys();
  const int16_t own = ReadOwnKeys();
  return standard < 0 || own < 0 ? -1 : 1;
}

int16_t Startup::ReadStandardKeys() {
  Config& c = state_.config;
  int16_t result = 1;
  ReadNumber({"MPORT", true}, c.MPORT, result);
  ReadNumber({"PORTTIMEOUT", true, 1, kTimeoutMax}, c.PORTTIMEOUT, result);
  ReadNumber({"MOVETIMEOUT", true, 1, kTimeoutMax}, c.MOVETIMEOUT, result);
  ReadNumber({"WAITPOLLINGINTERVAL", true, 0, kTimeoutMax}, c.WAITPOLLINGINTERVAL, result);
  c.CONTRTYPE = ReadText("CONTRTYPE", kIm483i);
  if (c.CONTRTYPE != kIm483i && c.CONTRTYPE != kEzhr17) {
    messages_.Show("Unknown controller type " + c.CONTRTYPE + " in " + kConfigFile + " (" +
                       kEzhr17 + " or " + kIm483i + ")",
                   kAppTitle, MsgIcon::Critical);
    result = -1;
  }
  ReadNumber({"JOYSTARTON", false}, state_.JoyOn, result);
  ReadZInstalled(result);
  return result;
}

// Z_INSTALLED, and what DevInit says when it keeps the axis off for it.
void Startup::ReadZInstalled(int16_t& result) {
  Config& c = state_.config;
  const uint64_t mark = messages_.Count();
  switch (ReadNumber({"Z_INSTALLED", false}, c.Z_INSTALLED, result)) {
    case TRAPAR::NumberRead::Found:
      notInstalled_ = "not installed (Z_INSTALLED " + std::to_string(c.Z_INSTALLED) + " in " +
                      kConfigFile + ")";
      break;
    case TRAPAR::NumberRead::Missing:
      notInstalled_ = std::string("not installed (no Z_INSTALLED in ") + kConfigFile + ")";
      break;
    case TRAPAR::NumberRead::Bad: notInstalled_ = Joined(messages_.Since(mark)); break;
  }
}

// Where the controller is, the optional TCP endpoint (0: none) and the position
// display of the main window (0: none).
int16_t Startup::ReadOwnKeys() {
  Config& c = state_.config;
  int16_t result = 1;
  c.MPORTNAME = ReadText("MPORTNAME", "");
  ReadNumber({"SERVERTCPPORT", false, 0, 65535}, c.SERVERTCPPORT, result);
  ReadNumber({"ZPOSPOLL", false, 0, kPosPollMax}, c.ZPOSPOLL, result);
  return result;
}

void Startup::GateJoystick() {
  if (joy_.JoyAtRest() != 1) state_.JoyOn = 0;
  if (MainWinLoaded()) windows_.JoyVisibility();
}

int16_t Startup::ReadJoyPar() { return joy_.JoyReadPar(); }

// A constant stands in for a number in a command, so its line must fit one.
int16_t Startup::ReadSymConst() {
  par_.ParSetFile(kSymConstFile);
  return par_.ParLoadTable(state_.SymConst, TRAPAR::Entries::Commands);
}

// A line that cannot be a command is read as an empty one: it never runs.
int16_t Startup::ReadJoyCmds() {
  par_.ParSetFile(kJoyCmdsFile);
  const int16_t result = par_.LinesLoad(state_.JoyCmds, TRAPAR::Entries::Commands);
  if (!state_.JoyCmds.empty()) cmds_.ExecCmd(state_.JoyCmds[0]);
  return result;
}

int16_t Startup::WriteJoyCmds() {
  par_.ParSetFile(kJoyCmdsFile);
  return par_.LinesSave(state_.JoyCmds);
}

int16_t Startup::OpenControllerPort() {
  comm_.CommInit();
  if (OpenPort() < 0) return -1;
  ApplyPortTimeout();
  return 1;
}

bool Startup::PortConfigured() const {
  return !state_.config.MPORTNAME.empty() || state_.config.MPORT >= 1;
}

int16_t Startup::OpenPort() {
  comm_.CommSetPortName(state_.config.MPORTNAME);
  if (!PortConfigured()) {
    Fail(kNoPort);
    return -1;
  }
  if (!comm_.CommOpenPort(state_.config.MPORT)) {
    const std::string& why = comm_.CommOpenError();  // it may name the device itself
    const bool whole = why.find(comm_.CommDevice()) != std::string::npos;
    Fail(whole ? why : "Cannot open port " + comm_.CommDevice() + ": " + why);
    return -1;
  }
  return 1;
}

// Before the configuration gave a usable time-out (one out of range is never taken), the
// link keeps its own.
void Startup::ApplyPortTimeout() {
  if (state_.config.PORTTIMEOUT > 0) comm_.CommSetTimeout(state_.config.PORTTIMEOUT);
}

int16_t Startup::DevInit() {
  motor_.MotorSetMoveTimeout(state_.config.MOVETIMEOUT);
  if (state_.config.Z_INSTALLED != 1) {
    state_.ZEnabled = 0;
    state_.ZOffReason = kZOff + notInstalled_;
    return 1;
  }
  if (ZAxisInit() > 0) return 1;
  Fail(state_.ZOffReason);
  return -1;
}

int16_t Startup::ZAxisInit() {
  state_.ZEnabled = 0;
  if (motor_.CurrentFamily() == MotCon::Family::None) {
    state_.ZOffReason = std::string(kZOff) + "unknown controller type " + state_.config.CONTRTYPE;
    return 0;
  }
  const uint64_t mark = messages_.Count();
  const int16_t result = foc_.FocInit();
  if (result > 0) {
    state_.ZEnabled = 1;
    state_.ZOffReason.clear();
  } else {
    state_.ZOffReason = kZOff + ZFailure(mark);
  }
  return result;
}

std::string Startup::ZFailure(uint64_t mark) const {
  const auto shown = messages_.Since(mark);
  if (!shown.empty()) return Joined(shown);
  if (!PortConfigured()) return kNoPort;
  if (comm_.CommDevice().empty() || !comm_.CommOpenError().empty())
    return "port " + comm_.CommDevice() + " is not open";
  const std::string controller = "the " + state_.config.CONTRTYPE + " controller on " +
                                 comm_.CommDevice();
  const auto last = LastLines(comm_.CommGetLog(), 2);
  for (const auto& line : last)
    if (line == "Port TimeOut") return controller + " does not answer";
  return controller + " failed its set-up" + (last.empty() ? "" : " (" + last.back() + ")");
}

void Startup::ShowFailures() {
  if (!failures_.empty()) windows_.SetStatusText(Joined(failures_));
}

int16_t Startup::ApplyConfiguration() {
  failures_.clear();
  const int16_t config = ReadStep(&Startup::ReadConfig, kConfigFile);
  comm_.CommClosePort();
  const int16_t port = OpenPort();
  ApplyPortTimeout();
  const int16_t dev = DevInit();
  GateJoystick();
  ShowFailures();
  return config < 0 || port < 0 || dev < 0 ? -1 : 1;
}

void Startup::CloseAll() {
  comm_.CommClosePort();
  comm_.CommExit();
}

void Startup::ClientCreated() { ++state_.ClientCount; }

void Startup::ClientReleased() {
  if (state_.ClientCount > 0) --state_.ClientCount;
  CloseWhenUnused();
}

void Startup::MainWindowUnloaded() { CloseWhenUnused(); }

// The port closes when the last of the window and the clients has gone (a client leaving
// while others are connected leaves the port to them). A command line still under way (a
// wait of the window's, below the request that unloaded it) keeps the port until it ends.
void Startup::CloseWhenUnused() {
  closeDue_ = false;
  if (comm_.CommIsInit() != 1 || state_.ClientAttached() || MainWinLoaded()) return;
  if (cmds_.LinesRunning() > 0) closeDue_ = true;
  else CloseAll();
}

bool Startup::ShouldExit() const { return !MainWinLoaded() && state_.ClientCount == 0; }

bool Startup::MainWinLoaded() const { return windows_.IsFormLoaded(WindowHost::kMainWindow); }
