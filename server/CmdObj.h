#pragma once
// The "Obj" command family: the text interface to the position list. Takes the argument
// text after the command word and answers "# n", "OK ", a position, a count or "Error ".
#include <cstdint>
#include <functional>
#include <string>

#include "domain/CommandFamily.h"

class STCommands;
class STObj;
struct ProgramState;

class CmdObj : public CommandFamily {
 public:
  // getZPos reads the current Z position in user units (status 1 on success); the
  // composition root binds it to STFoc::FocGetPos.
  CmdObj(STCommands& cmds, ProgramState& state, STObj& list,
         std::function<int16_t(double&)> getZPos);

  std::string Exec(const std::string& args) override;

  // While one exists, list files of "ListRead" and "ListWrite" must lie inside the
  // settings folder (the request came from a port open to every local user). Nests.
  class ConfinedFiles {
   public:
    ConfinedFiles(CmdObj& obj, bool confined) : obj_(obj), before_(obj.confined_) {
      obj_.confined_ = before_ || confined;
    }
    ~ConfinedFiles() { obj_.confined_ = before_; }
    ConfinedFiles(const ConfinedFiles&) = delete;
    ConfinedFiles& operator=(const ConfinedFiles&) = delete;

   private:
    CmdObj& obj_;
    const bool before_;
  };

 private:
  // The reply of one sub-command; show tells whether the main window gets to see it.
  std::string Run(const std::string& word, std::string& rest, bool& show);
  std::string AddCurrent(std::string& rest);
  std::string Add(std::string& rest);
  std::string Edit(std::string& rest);
  std::string Get(std::string& rest);
  std::string GoTo(std::string& rest, bool& show);
  std::string ListRead(std::string& rest);
  std::string ListWrite(std::string& rest);
  // The list file a request names: relative names lie in the settings folder. false
  // (with the reply) when the name is missing or lies outside a confined folder.
  bool TakeListPath(std::string& rest, std::string& path, std::string& refusal) const;
  // The next word as a number or a symbolic constant holding one.
  bool TakeValue(std::string& rest, double& value) const;
  // The next word as a number (no constants), rounded to a 32-bit integer.
  static bool TakeEntryNumber(std::string& rest, int32_t& n);

  STCommands& cmds_;
  ProgramState& state_;
  STObj& list_;
  std::function<int16_t(double&)> getZPos_;
  bool confined_ = false;
};
