#include "server/CmdZ.h"

#include "common/Numbers.h"
#include "common/CommandText.h"
#include "domain/ProgramState.h"
#include "server/STCommands.h"
#include "zaxis/STFoc.h"

namespace {
constexpr const char* kOK = "OK ";
constexpr const char* kError = "Error ";

}  // namespace

std::string CmdZ::Status(int16_t result) {
  if (result > 0) return kOK;
  if (result == STFoc::kOutOfRange) return "Error Out of range ";
  return result == STFoc::kStopped ? STCommands::kStopped : kError;
}

CmdZ::CmdZ(STCommands& cmds, ProgramState& state, STFoc& foc)
    : cmds_(cmds), state_(state), foc_(foc) {}

std::string CmdZ::Exec(const std::string& args) {
  const STCommands::BusyScope busy(cmds_);
  const std::string reply = state_.ZEnabled == 0 ? "Off " : Run(args);
  cmds_.ShowCmdAndReply("Z " + args, reply);
  cmds_.SetLastAxis("Z");
  return reply;
}

std::string CmdZ::Run(const std::string& args) {
  std::string rest = args, word;
  if (GetFirstWord(rest, word) == 0) return "Error Missing Argument ";
  if (word == "?") return Position("");
  if (word == "??") return Position("Z ");
  if (word == "Rel") return Rel(rest);
  if (word == "Move") return Move(rest);
  if (word == "Wait") return Status(foc_.FocWait());
  if (word == "Stop") return Status(foc_.FocStop());
  if (word == "Origin") return Status(foc_.FocSetOrigin());
  if (word == "Home") return Status(foc_.FocHome());
  return MoveAbs(word);
}

std::string CmdZ::Position(const std::string& prefix) {
  if (foc_.FocGetPos(state_.ZPos) <= 0) return kError;
  return prefix + PosText(state_.ZPos);
}

std::string CmdZ::PosText(double z) { return num::Pattern(z, kPosDecimals); }

std::string CmdZ::Rel(std::string& rest) {
  double distance = 0;
  if (auto error = TakeValue(rest, distance); !error.empty()) return error;
  return Status(foc_.FocMoveRel(distance));
}

// The speed is a 16-bit step rate; a value beyond that range is refused.
std::string CmdZ::Move(std::string& rest) {
  double speed = 0;
  if (auto error = TakeValue(rest, speed); !error.empty()) return error;
  const auto steps = num::RoundToInt16(speed);
  if (!steps) return kError;
  return Status(foc_.FocMoveVel(*steps));
}

std::string CmdZ::MoveAbs(const std::string& word) {
  double position = 0;
  if (!cmds_.ResolveValue(word, position)) return kError;
  return Status(foc_.FocMoveAbs(position));
}

std::string CmdZ::TakeValue(std::string& rest, double& value) {
  std::string word;
  if (GetFirstWord(rest, word) == 0) return "Error No Value ";
  return cmds_.ResolveValue(word, value) ? std::string() : kError;
}
