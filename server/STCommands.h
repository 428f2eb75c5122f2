#pragma once
// The command dispatcher: every entry (automation clients, DDE-style executes, the
// command box, joystick buttons, programs) hands its text here.
#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "controller/StopRequest.h"
#include "domain/CommandRunner.h"

class CommandFamily;
class FlowExecutor;
class WindowHost;
class Delay32;
class COMM;
class MotCon;
class EventPump;
struct ProgramState;

class STCommands : public CommandRunner {
 public:
  // The pump lets a Stop end a "Delay" (nothing else runs during one).
  STCommands(ProgramState& state, WindowHost& windows, Delay32& delay, COMM& comm, MotCon& motor,
             EventPump& pump);

  // "Z", "Obj", "Joy" and the interpreter's flow statements come from other modules.
  void RegisterFamily(const std::string& word, CommandFamily* family);
  void SetFlowExecutor(FlowExecutor* flow);

  // Runs every command of the line; each reply followed by " ; ". After an operator's
  // Stop the rest of the line does not run: each command left answers kStopped.
  std::string ExecCmdString(const std::string& text) override;
  // The same for a line asked for earlier: a Stop since `since` (taken while events ran
  // before the line started) keeps every command of it from running.
  std::string ExecCmdString(const std::string& text, const StopRequest::Since& since);
  // The operator's Stops, for a caller that notes them before it lets events run.
  const StopRequest& Stops();
  // Runs one command and returns its reply.
  std::string ExecCmd(const std::string& command) override;

  // "Wait": waits for the axis moved last ("1" when there is none). Joystick buttons
  // call it directly after their command, so only the wait itself is counted.
  std::string CmdWait() override;

  // True when the word is a number or names a symbolic constant (then replaced by
  // the constant's value).
  bool ResolveNumber(std::string& word) const;
  // A value word: a number, or a symbolic constant whose value is a number.
  bool ResolveValue(std::string word, double& value) const;
  void ShowCmdAndReply(const std::string& command, const std::string& reply);
  void ShowMsg(const std::string& text) override;
  void ShowCmdText(const std::string& text) override;
  bool IsFormLoaded(const std::string& name);

  // Command lines under way (a line runs nested inside another one's wait); when the
  // outermost one has ended, onLinesEnded runs.
  int LinesRunning() const { return linesRunning_; }
  std::function<void()> onLinesEnded;

  int16_t CmdBusy() const { return cmdBusy_; }
  void SetCmdBusy(int16_t busy) { cmdBusy_ = busy; }  // the jog buttons' press and release
  // CmdBusy for the run of one command or family handler: set on entry, cleared on exit
  // however the handler ends. It is a flag, not a count: a command nested in another's
  // wait clears it when it ends, while the outer one still runs, so the joystick poll
  // may come back inside that wait; the tick's own guard keeps that safe.
  class BusyScope {
   public:
    explicit BusyScope(STCommands& cmds) : cmds_(cmds) { cmds_.cmdBusy_ = 1; }
    ~BusyScope() { cmds_.cmdBusy_ = 0; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

   private:
    STCommands& cmds_;
  };
  int32_t CmdCounter() const { return cmdCounter_; }
  const std::string& LastAxis() const { return lastAxis_; }
  void SetLastAxis(const std::string& axis) { lastAxis_ = axis; }

  static constexpr const char* kVersion = "1.0";
  // The reply of a wait, homing or "Delay" that the operator's Stop ended.
  static constexpr const char* kStopped = "Error Stopped ";
  // The longest "Delay" in milliseconds (ten minutes): a longer pause would hold the
  // window and every other client for as long.
  static constexpr int32_t kMaxDelayMs = 600000;

 private:
  std::string RunLine(const std::string& text, const StopRequest::Since& since);
  std::string Dispatch(const std::string& word, const std::string& args);
  std::string CmdDelay(const std::string& args);
  std::string CmdCon(const std::string& args);

  ProgramState& state_;
  WindowHost& windows_;
  Delay32& delay_;
  COMM& comm_;
  MotCon& motor_;
  EventPump& pump_;
  FlowExecutor* flow_ = nullptr;
  std::map<std::string, CommandFamily*> families_;
  int16_t cmdBusy_ = 0;
  int linesRunning_ = 0;
  int32_t cmdCounter_ = 0;
  std::string lastAxis_;
};
