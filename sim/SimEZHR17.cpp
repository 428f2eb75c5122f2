#include "sim/SimEZHR17.h"

#include <cstring>

#include "sim/SimNumber.h"

namespace ksim {

namespace {

constexpr const char* kNumbered = "APDVvLzhmjfn";
constexpr const char* kSigned = "Az";  // the only ones taking a "-"
constexpr const char* kQueries = "0124Q";

bool IsIn(char c, const char* set) { return c != 0 && std::strchr(set, c) != nullptr; }

// A plain decimal number at text[i]: optional "-", then digits. False when malformed.
bool ReadNumber(std::string_view text, size_t& i, bool allowSign, int64_t& out) {
  const bool negative = i < text.size() && text[i] == '-';
  if (negative && !allowSign) return false;
  if (negative) ++i;
  int64_t v = 0;
  if (!ReadDigits(text, i, v)) return false;
  out = negative ? -v : v;
  return true;
}

}  // namespace

int SimEZHR17::Parse(std::string_view text, std::vector<Op>& ops) {
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i++];
    if (c == 'R' || c == 'T' || c == 'Q') {
      ops.push_back({c});
    } else if (c == '?') {
      if (i >= text.size() || !IsIn(text[i], kQueries)) return kErrBadCommand;
      ops.push_back({'?', text[i++]});
    } else if (IsIn(c, kNumbered)) {
      Op op{c};
      if (!ReadNumber(text, i, IsIn(c, kSigned), op.value)) return kErrBadOperand;
      if (c == 'V' && op.value <= 0) return kErrBadOperand;
      ops.push_back(op);
    } else {
      return kErrBadCommand;
    }
  }
  return 0;
}

std::optional<std::string> SimEZHR17::Handle(std::string_view line, int64_t nowUs,
                                             int forcedError) {
  const size_t slash = line.find('/');
  if (slash == std::string_view::npos || slash + 1 >= line.size()) return std::nullopt;
  if (line[slash + 1] != address_) return std::nullopt;
  std::vector<Op> ops;
  int error = Parse(line.substr(slash + 2), ops);
  if (error == 0 && axis_.IsMoving(nowUs) && !TakenWhileMoving(ops, nowUs)) error = kErrOverflow;
  const std::string answer = error == 0 ? Execute(ops, nowUs) : std::string();
  const int code = forcedError != 0 ? forcedError : error;
  const int status = 0x40 | (axis_.IsMoving(nowUs) ? 0 : kReadyBit) | (code & 15);
  std::string reply{kStart};
  reply += "/0";
  reply += static_cast<char>(status);
  reply += answer;
  reply += kClose;
  reply += "\r\n";
  return reply;
}

// The moves a line would start: with R, its own A, P, D, or (a bare R) the stored ones.
bool SimEZHR17::TakenWhileMoving(const std::vector<Op>& ops, int64_t nowUs) {
  bool numbered = false, run = false;
  for (const Op& op : ops) {
    numbered = numbered || IsIn(op.cmd, kNumbered);
    run = run || op.cmd == 'R';
  }
  if (!run) return true;
  const bool running = axis_.IsRunning(nowUs);
  for (const Op& op : numbered ? ops : stored_) {
    if (op.cmd != 'A' && op.cmd != 'P' && op.cmd != 'D') continue;
    const bool newRun = op.cmd != 'A' && op.value == 0;
    if (!running || !newRun) return false;
  }
  return true;
}

std::string SimEZHR17::Execute(const std::vector<Op>& ops, int64_t nowUs) {
  for (const Op& op : ops) {
    if (IsIn(op.cmd, kNumbered)) {
      stored_.clear();  // a new command string replaces the stored one
      break;
    }
  }
  std::string answer;
  for (const Op& op : ops) {
    if (op.cmd == 'R') {
      for (const Op& s : stored_) Apply(s, nowUs);
      stored_.clear();
    } else if (op.cmd == 'T') {
      axis_.Stop(nowUs);
    } else if (op.cmd == '?') {
      answer += Query(op.sub, nowUs);
    } else if (op.cmd != 'Q') {
      stored_.push_back(op);
    }
  }
  return answer;
}

void SimEZHR17::Apply(const Op& op, int64_t nowUs) {
  const double speed = static_cast<double>(maxSpeed_);
  switch (op.cmd) {
    case 'A': axis_.MoveToRegister(nowUs, op.value, speed); break;
    case 'P':
      if (op.value == 0) axis_.Run(nowUs, 1, speed);
      else axis_.MoveBy(nowUs, op.value, speed);
      break;
    case 'D':
      if (op.value == 0) axis_.Run(nowUs, -1, speed);
      else axis_.MoveBy(nowUs, -op.value, speed);
      break;
    case 'V': maxSpeed_ = op.value; break;
    case 'v': initSpeed_ = op.value; break;
    case 'z': axis_.SetRegister(nowUs, op.value); break;
    default: settings_[op.cmd] = op.value; break;
  }
}

std::string SimEZHR17::Query(char what, int64_t nowUs) {
  switch (what) {
    case '0': return std::to_string(axis_.Register(nowUs));
    case '1': return std::to_string(initSpeed_);
    case '2': return std::to_string(maxSpeed_);
    case '4': return std::to_string(axis_.Inputs(nowUs) * 4);
    default: return {};  // ?Q: the status alone
  }
}

int64_t SimEZHR17::Setting(char command) const {
  const auto it = settings_.find(command);
  return it == settings_.end() ? -1 : it->second;
}

}  // namespace ksim
