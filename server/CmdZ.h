#pragma once
// The "Z" command family: the text interface to the lift's axis. Takes the argument text
// after the command word and answers "OK ", a position, "Error ..." or "Off ".
#include <string>

#include "domain/CommandFamily.h"

class STCommands;
class STFoc;
struct ProgramState;

class CmdZ : public CommandFamily {
 public:
  CmdZ(STCommands& cmds, ProgramState& state, STFoc& foc);

  std::string Exec(const std::string& args) override;

  // The reply to a status of the Z axis: "OK ", "Error Out of range " for a move the
  // travel limits refused, "Error Stopped " for a wait or homing the operator's Stop
  // ended, else "Error ".
  static std::string Status(int16_t result);
  // A position as the replies give it (two decimals); the main window shows the same.
  static constexpr int kPosDecimals = 2;
  static std::string PosText(double z);

 private:
  std::string Run(const std::string& args);
  std::string Position(const std::string& prefix);
  std::string Rel(std::string& rest);
  std::string Move(std::string& rest);
  std::string MoveAbs(const std::string& word);
  // The next word as a number: "Error No Value " when there is none, "Error " when it
  // is neither a number nor a constant holding one; empty on success.
  std::string TakeValue(std::string& rest, double& value);

  STCommands& cmds_;
  ProgramState& state_;
  STFoc& foc_;
};
