#pragma once
// How the domain modules (the interpreter, the joystick's buttons) reach the command
// dispatcher without knowing it: run a line or one command, wait for the last axis, and
// show what happened on the main window.
#include <string>

class CommandRunner {
 public:
  virtual ~CommandRunner() = default;
  // Every command of the line; each reply followed by " ; ".
  virtual std::string ExecCmdString(const std::string& text) = 0;
  // One command and its reply.
  virtual std::string ExecCmd(const std::string& command) = 0;
  // "Wait": waits for the axis moved last.
  virtual std::string CmdWait() = 0;
  // The main window's status line and command box.
  virtual void ShowMsg(const std::string& text) = 0;
  virtual void ShowCmdText(const std::string& text) = 0;
};
