#include "sim/SimIM483I.h"

#include <cstdlib>
#include <cstring>

#include "sim/SimNumber.h"

namespace ksim {

namespace {

constexpr std::string_view kUnknown = "?";

// Blank-separated signed integers; false when anything else is there.
bool ReadNumbers(std::string_view text, std::vector<int64_t>& out) {
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    const bool negative = text[i] == '-';
    if (text[i] == '-' || text[i] == '+') ++i;
    int64_t v = 0;
    if (!ReadDigits(text, i, v)) return false;
    if (i < text.size() && text[i] != ' ') return false;
    out.push_back(negative ? -v : v);
  }
  return true;
}

// How many numbers each command takes (-1: not a command).
int Arity(char command) {
  if (std::strchr("ZO@^", command)) return 0;
  if (std::strchr("M+-RVElHDI]", command)) return 1;
  if (std::strchr("YKB", command)) return 2;
  return -1;
}

}  // namespace

std::optional<std::string> SimIM483I::Handle(std::string_view line, int64_t nowUs, bool badEcho) {
  std::string reply;
  if (line == "AX") {
    reply = line;
  } else if (!line.empty() && line[0] == address_) {
    reply = line;
    if (line.size() > 1) reply += Execute(line[1], line.substr(2), nowUs);
  } else {
    return std::nullopt;
  }
  if (badEcho) reply[0] = reply[0] == '~' ? '!' : static_cast<char>(reply[0] + 1);
  reply += '\n';
  return reply;
}

std::string SimIM483I::Execute(char command, std::string_view args, int64_t nowUs) {
  const int arity = command != 0 ? Arity(command) : -1;
  if (arity < 0) return std::string(kUnknown);
  // "+5" and "-5" carry the sign in the command itself; "R+5" after it.
  std::string signedArgs;
  if (command == '+' || command == '-') signedArgs = std::string(1, command) + std::string(args);
  std::vector<int64_t> values;
  if (!ReadNumbers(signedArgs.empty() ? args : signedArgs, values)) return std::string(kUnknown);
  // The queries take an optional bank or parameter number ("Z 0", "] 0", "^ 0").
  const bool query = command == 'Z' || command == ']' || command == '^';
  const bool countOk = query ? values.size() <= 1 : static_cast<int>(values.size()) == arity;
  if (!countOk) return std::string(kUnknown);
  switch (command) {
    case 'Z': return std::to_string(axis_.Register(nowUs));
    case ']': return std::to_string(axis_.Inputs(nowUs));
    case '^': return axis_.IsMoving(nowUs) ? "1" : "0";
    case 'O': axis_.SetRegister(nowUs, 0); return {};
    case '@': axis_.Stop(nowUs); return {};
    case 'M':
    case '+':
    case '-':
    case 'R':
    case 'V': return Move(command, values, nowUs);
    default: settings_[command] = values; return {};
  }
}

std::string SimIM483I::Move(char command, const std::vector<int64_t>& values, int64_t nowUs) {
  const int64_t v = values[0];
  const double slew = static_cast<double>(slewSpeed_);
  switch (command) {
    case 'M':
      if (v == 0) axis_.Stop(nowUs);
      else axis_.Run(nowUs, v > 0 ? 1 : -1, static_cast<double>(std::llabs(v)));
      return {};
    case 'V':
      if (v <= 0) return std::string(kUnknown);
      slewSpeed_ = v;
      return {};
    case 'R': axis_.QueueToRegister(nowUs, v, slew); return {};
    default: axis_.QueueBy(nowUs, v, slew); return {};  // "+n", "-n"
  }
}

std::vector<int64_t> SimIM483I::Setting(char command) const {
  const auto it = settings_.find(command);
  return it == settings_.end() ? std::vector<int64_t>{} : it->second;
}

}  // namespace ksim
