#include "server/CmdObj.h"

#include <utility>

#include "common/Numbers.h"
#include "common/FolderPath.h"
#include "parfiles/SettingsFiles.h"
#include "positions/STObj.h"
#include "common/CommandText.h"
#include "domain/ProgramState.h"
#include "server/STCommands.h"

namespace {
constexpr const char* kError = "Error ";

std::string EntryTag(int32_t n) { return "#" + num::Plain(n); }
}  // namespace

CmdObj::CmdObj(STCommands& cmds, ProgramState& state, STObj& list,
               std::function<int16_t(double&)> getZPos)
    : cmds_(cmds), state_(state), list_(list), getZPos_(std::move(getZPos)) {}

std::string CmdObj::Exec(const std::string& args) {
  const STCommands::BusyScope busy(cmds_);
  std::string rest = args, word, reply;
  if (GetFirstWord(rest, word) == 0) {
    reply = "Error Missing Argument ";
  } else {
    cmds_.SetLastAxis("");
    bool show = false;
    reply = Run(word, rest, show);
    if (show) cmds_.ShowCmdAndReply("Obj " + args, reply);
  }
  return reply;
}

std::string CmdObj::Run(const std::string& word, std::string& rest, bool& show) {
  if (word == "AddCurrent") return AddCurrent(rest);
  if (word == "Add") return Add(rest);
  if (word == "Edit") return Edit(rest);
  if (word == "Get") return Get(rest);
  if (word == "GoTo") return GoTo(rest, show);
  show = true;
  if (word == "GetNum") return num::Plain(list_.ObjGetNum());
  if (word == "ListClear") {
    list_.ObjListClear();
    return "Object List Cleared";
  }
  if (word == "ListRead") return ListRead(rest);
  if (word == "ListWrite") return ListWrite(rest);
  show = false;
  return kError;
}

std::string CmdObj::AddCurrent(std::string& rest) {
  std::string name;
  GetFirstWord(rest, name);
  std::string reply;
  if (state_.ZEnabled == 1) {
    if (getZPos_(state_.ZPos) < 1) {
      state_.ZPos = NoCoord;
      return kError;
    }
    reply = num::Pattern(state_.ZPos, 2) + " ";
  } else {
    state_.ZPos = NoCoord;
  }
  return reply + EntryTag(list_.ObjAdd(NoCoord, NoCoord, state_.ZPos, name));
}

std::string CmdObj::Add(std::string& rest) {
  double x, y, z;
  if (!TakeValue(rest, x) || !TakeValue(rest, y) || !TakeValue(rest, z)) return kError;
  std::string name;
  GetFirstWord(rest, name);
  return EntryTag(list_.ObjAdd(x, y, z, name));
}

std::string CmdObj::Edit(std::string& rest) {
  double number, x, y, z;
  if (!TakeValue(rest, number)) return kError;
  const auto n = num::RoundToInt32(number);
  if (!n || !TakeValue(rest, x) || !TakeValue(rest, y) || !TakeValue(rest, z)) return kError;
  std::string name;
  GetFirstWord(rest, name);
  return list_.ObjEdit(*n, x, y, z, name) == 1 ? "OK " : kError;
}

std::string CmdObj::Get(std::string& rest) {
  int32_t n;
  std::string text;
  if (!TakeEntryNumber(rest, n) || list_.ObjGetText(n, text) != 1) return kError;
  return text;
}

std::string CmdObj::GoTo(std::string& rest, bool& show) {
  int32_t n;
  if (!TakeEntryNumber(rest, n)) return kError;
  show = true;
  list_.ObjGoTo(n);  // no axis moves in X and Y: always a failure
  cmds_.SetLastAxis("XY");
  return kError;
}

std::string CmdObj::ListRead(std::string& rest) {
  std::string path, refusal;
  if (!TakeListPath(rest, path, refusal)) return refusal;
  const int32_t count = list_.ObjListRead(path);
  if (count == STObj::kTooLarge) return "Error File too large";
  return count < 0 ? kError : num::Plain(count);
}

std::string CmdObj::ListWrite(std::string& rest) {
  std::string path, refusal;
  if (!TakeListPath(rest, path, refusal)) return refusal;
  for (const char* own : settingsfiles::kAll)
    if (SameFile(path, ResolveInFolder(state_.AppDir, own)))
      return std::string("Error ") + own + " is a settings file of the program";
  const int32_t count = list_.ObjListWrite(path);
  return count < 0 ? kError : num::Plain(count);
}

bool CmdObj::TakeListPath(std::string& rest, std::string& path, std::string& refusal) const {
  std::string name;
  refusal = kError;
  if (GetFirstWord(rest, name) == 0) return false;
  path = ResolveInFolder(state_.AppDir, name);
  if (confined_ && !LiesInFolder(path, state_.AppDir)) {
    refusal = "Error File outside the settings folder";
    return false;
  }
  return true;
}

bool CmdObj::TakeValue(std::string& rest, double& value) const {
  std::string word;
  return GetFirstWord(rest, word) > 0 && cmds_.ResolveValue(word, value);
}

bool CmdObj::TakeEntryNumber(std::string& rest, int32_t& n) {
  std::string word;
  if (GetFirstWord(rest, word) == 0) return false;
  const auto converted = num::ToInt32(word);
  if (converted) n = *converted;
  return converted.has_value();
}
