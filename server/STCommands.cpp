#include "server/STCommands.h"

#include "common/ScopedCount.h"

#include "common/Numbers.h"
#include "controller/COMM.h"
#include "controller/MotCon.h"
#include "platform/WindowHost.h"
#include "domain/CommandFamily.h"
#include "common/CommandText.h"
#include "domain/ProgramState.h"

namespace {
constexpr const char* kMainWindow = WindowHost::kMainWindow;
constexpr const char* kUnknown = "Error Unknown command";
}  // namespace

STCommands::STCommands(ProgramState& state, WindowHost& windows, Delay32& delay, COMM& comm,
                       MotCon& motor, EventPump& pump)
    : state_(state), windows_(windows), delay_(delay), comm_(comm), motor_(motor), pump_(pump) {}

void STCommands::RegisterFamily(const std::string& word, CommandFamily* family) {
  families_[word] = family;
}

void STCommands::SetFlowExecutor(FlowExecutor* flow) { flow_ = flow; }

// Cuts the trimmed line at every ";" (as GetNextToken does, but by position, so a long
// line is not copied again for every command); an empty command ends the line.
std::string STCommands::ExecCmdString(const std::string& text) {
  return ExecCmdString(text, StopRequest::Since(motor_.Stop()));
}

std::string STCommands::ExecCmdString(const std::string& text, const StopRequest::Since& since) {
  std::string result = RunLine(text, since);
  if (linesRunning_ == 0 && onLinesEnded) onLinesEnded();
  return result;
}

const StopRequest& STCommands::Stops() { return motor_.Stop(); }

std::string STCommands::RunLine(const std::string& text, const StopRequest::Since& since) {
  const ScopedCount<int> running(linesRunning_);
  const std::string line = cmdtext::Trim(text);
  std::string result;
  size_t pos = 0;
  while (pos < line.size()) {
    size_t end = line.find(';', pos);
    if (end == std::string::npos) end = line.size();
    if (end == pos) break;
    result += since.Stopped() ? std::string(kStopped) : ExecCmd(line.substr(pos, end - pos));
    result += " ; ";
    pos = end + 1;
  }
  return result;
}

std::string STCommands::ExecCmd(const std::string& command) {
  const BusyScope busy(*this);
  cmdCounter_ = static_cast<int32_t>(static_cast<uint32_t>(cmdCounter_) + 1u);
  std::string reply;
  const int16_t flow = flow_ ? flow_->ExecFlowCmd(command) : 0;
  if (flow == 1) {
    reply = "OK ";
  } else if (flow != 0) {
    reply = "Error ";
  } else {
    std::string args = command, word;
    if (GetFirstWord(args, word) > 0) reply = Dispatch(word, args);
  }
  return reply;
}

std::string STCommands::Dispatch(const std::string& word, const std::string& args) {
  if (auto it = families_.find(word); it != families_.end() && it->second)
    return it->second->Exec(args);
  if (word == "Delay") return CmdDelay(args);
  if (word == "Wait") return CmdWait();
  if (word == "CON") return CmdCon(args);
  if (word == "!") {
    windows_.ShowInterpMsg(args);
    return "";
  }
  if (word == "Show") {
    windows_.ShowMainWindow();
    return "OK ";
  }
  if (word == "Hide") {
    if (IsFormLoaded(kMainWindow)) windows_.HideMainWindow();
    return "OK ";
  }
  if (word == "Unload") {
    if (IsFormLoaded(kMainWindow)) windows_.UnloadMainWindow();
    return "OK ";
  }
  if (word == "End") return "OK ";
  if (word == "CommandCount") return num::Plain(cmdCounter_);
  if (word == "Ver") return kVersion;
  ShowMsg(kUnknown);
  return kUnknown;
}

std::string STCommands::CmdDelay(const std::string& args) {
  const BusyScope busy(*this);
  std::string rest = args, word, reply;
  if (GetFirstWord(rest, word) == 0) {
    reply = "Error Missing Argument ";
  } else if (!ResolveNumber(word)) {
    reply = "Error Not a Number";
  } else if (auto ms = num::ToInt32(word); !ms) {
    reply = "Error Not a Number";  // a constant that is no number, or beyond 32 bits
  } else if (*ms > kMaxDelayMs) {
    reply = "Error Out of range ";
  } else {
    // A Stop ends the pause; nothing else runs during it.
    reply = delay_.DelayMs(*ms, pump_, StopRequest::Since(motor_.Stop())) ? word : kStopped;
  }
  ShowCmdAndReply("Delay " + args, reply);
  return reply;
}

std::string STCommands::CmdWait() {
  if (lastAxis_.empty()) return "1";
  return ExecCmd(lastAxis_ + " Wait");
}

std::string STCommands::CmdCon(const std::string& args) {
  const BusyScope busy(*this);
  std::string reply;
  if (motor_.MotorCmd(args, reply) < 0) {
    comm_.CommLogMsgAppend("CON " + args + "\\" + reply);
    reply = "Error " + reply;
  }
  ShowCmdAndReply("CON " + args, reply);
  return reply;
}

bool STCommands::ResolveNumber(std::string& word) const {
  if (num::IsNumber(word)) return true;
  for (const auto& entry : state_.SymConst) {
    if (entry.Name == word) {
      word = TRAPAR::ValueText(entry.Value);
      return true;
    }
  }
  return false;
}

bool STCommands::ResolveValue(std::string word, double& value) const {
  return ResolveNumber(word) && num::Parse(word, value);
}

void STCommands::ShowCmdAndReply(const std::string& command, const std::string& reply) {
  if (!IsFormLoaded(kMainWindow)) return;
  windows_.SetCommandText(command);
  windows_.SetStatusText(reply);
}

void STCommands::ShowMsg(const std::string& text) {
  if (IsFormLoaded(kMainWindow)) windows_.SetStatusText(text);
}

void STCommands::ShowCmdText(const std::string& text) {
  if (IsFormLoaded(kMainWindow)) windows_.SetCommandText(text);
}

bool STCommands::IsFormLoaded(const std::string& name) { return windows_.IsFormLoaded(name); }
