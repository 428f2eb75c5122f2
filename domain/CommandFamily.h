#pragma once
// A command family ("Z", "Obj", "Joy"): gets the argument text after its command word
// and returns the reply.
#include <cstdint>
#include <string>

class CommandFamily {
 public:
  virtual ~CommandFamily() = default;
  virtual std::string Exec(const std::string& args) = 0;
};

// The interpreter's flow-statement executor: 0 not a flow statement, 1 carried out,
// any other value a rejected statement.
class FlowExecutor {
 public:
  virtual ~FlowExecutor() = default;
  virtual int16_t ExecFlowCmd(const std::string& text) = 0;
};
