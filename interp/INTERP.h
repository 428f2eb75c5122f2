#pragma once
// The program interpreter's run state and its flow statements ("Repeat", "Endrepeat",
// "Stop", "End", "Call"), which are words of the whole command language.
#include <cstdint>
#include <string>

#include "parfiles/TRAPAR.h"
#include "server/CommandFamily.h"

class WindowHost;

class INTERP : public FlowExecutor {
 public:
  explicit INTERP(WindowHost& windows);

  // 0: not a flow statement; 1: carried out; -1: rejected.
  int16_t ExecFlowCmd(const std::string& text) override;
  int16_t CmdStop();
  int16_t CmdEnd();
  int16_t CmdCall(const std::string& rest);

  // The program store: always at least one line.
  void ResetProgram();  // the single line "End"
  const LineList& ProgLines() const { return progLines_; }

  int16_t RunMode() const { return runMode_; }
  int16_t NextLine() const { return nextLine_; }
  int16_t EditEnabled() const { return editEnabled_; }

 private:
  WindowHost& windows_;
  LineList progLines_{"End"};
  int16_t runMode_ = 0;  // 0 idle, 1 running, 2 single step
  int16_t nextLine_ = 0;
  int16_t editEnabled_ = 1;
};
