#include "interp/INTERP.h"

#include "common/CommandText.h"

INTERP::INTERP(WindowHost& windows) : windows_(windows) {}

int16_t INTERP::ExecFlowCmd(const std::string& text) {
  std::string rest = text, word;
  if (GetFirstWord(rest, word) == 0) return 0;
  // Block statements need the program rewriting of a running program; until a program
  // can run they are rejected rather than silently ignored.
  if (word == "Repeat" || word == "Endrepeat") return -1;
  if (word == "Stop") return CmdStop();
  if (word == "End") return CmdEnd();
  if (word == "Call") return CmdCall(rest);
  return 0;
}

int16_t INTERP::CmdStop() {
  runMode_ = 0;
  editEnabled_ = 1;
  return 1;
}

int16_t INTERP::CmdEnd() { return 1; }

int16_t INTERP::CmdCall(const std::string&) { return 1; }

void INTERP::ResetProgram() { progLines_ = LineList{"End"}; }
