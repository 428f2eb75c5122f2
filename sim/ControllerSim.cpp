#include "sim/ControllerSim.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "sim/SimLog.h"

namespace ksim {

namespace {

// A split reply: the body in two halves, then the last byte alone, so that the final
// terminator (and for CR LF frames the LF after the CR) arrives on its own.
std::vector<std::string_view> SplitPieces(std::string_view reply) {
  if (reply.size() < 3) return {reply};
  const size_t body = reply.size() - 1;
  const size_t half = (body + 1) / 2;
  return {reply.substr(0, half), reply.substr(half, body - half), reply.substr(body)};
}

}  // namespace

std::optional<Family> ParseFamily(std::string_view name) {
  if (name == "EZHR17") return Family::EZHR17;
  if (name == "IM483I") return Family::IM483I;
  return std::nullopt;
}

ControllerSim::ControllerSim(Options options)
    : options_(std::move(options)),
      axis_(options_.lowerLimit, options_.upperLimit),
      ezhr17_(options_.address, axis_),
      im483i_(options_.address, axis_) {}

void ControllerSim::Receive(std::string_view bytes, int64_t nowUs) {
  const char term = options_.family == Family::EZHR17 ? '\r' : '\n';
  for (const char c : bytes) {
    // The LF of a host's CR LF is no part of the next EZHR17 line.
    if (c == '\n' && term == '\r' && line_.empty()) continue;
    if (line_.size() >= kMaxLine) {
      line_.clear();
      overlong_ = true;
    }
    line_ += c;
    if (c != term) continue;
    if (!overlong_) OnLine(nowUs);
    line_.clear();
    overlong_ = false;
  }
}

void ControllerSim::OnLine(int64_t nowUs) {
  Log("> ", line_);
  std::string stripped = line_;
  std::erase_if(stripped, [](char c) { return c == '\r' || c == '\n'; });
  std::optional<std::string> reply = Answer(stripped, nowUs);
  if (!reply || options_.faults.silent) return;
  if (options_.faults.noise) reply->insert(0, kNoiseBytes);
  Log("< ", *reply);
  Queue(*reply, nowUs);
}

std::optional<std::string> ControllerSim::Answer(std::string_view line, int64_t nowUs) {
  const Faults& f = options_.faults;
  if (options_.family == Family::EZHR17) return ezhr17_.Handle(line, nowUs, f.errorCode);
  return im483i_.Handle(line, nowUs, f.badEcho);
}

void ControllerSim::Queue(std::string_view reply, int64_t nowUs) {
  int64_t start = std::max(nowUs + options_.faults.delayMs * 1000, lineFreeUs_);
  const auto pieces = options_.faults.split ? SplitPieces(reply)
                                            : std::vector<std::string_view>{reply};
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) start = lineFreeUs_ + kSplitPauseMs * 1000;
    QueuePiece(pieces[i], start);
  }
}

void ControllerSim::QueuePiece(std::string_view piece, int64_t startUs) {
  for (size_t k = 0; k < piece.size(); ++k) {
    const int64_t wire = options_.wireTime ? static_cast<int64_t>(std::ceil((k + 1) * kByteUs)) : 0;
    out_.push_back({startUs + wire, piece[k]});
  }
  lineFreeUs_ = out_.empty() ? lineFreeUs_ : std::max(lineFreeUs_, out_.back().dueUs);
}

std::string ControllerSim::TakeDue(int64_t nowUs) {
  std::string due;
  while (!out_.empty() && out_.front().dueUs <= nowUs) {
    due += out_.front().byte;
    out_.pop_front();
  }
  return due;
}

std::optional<int64_t> ControllerSim::NextDueUs() const {
  if (out_.empty()) return std::nullopt;
  return out_.front().dueUs;
}

void ControllerSim::Log(std::string_view prefix, std::string_view bytes) {
  if (log_) log_(std::string(prefix) + EscapeBytes(bytes));
}

}  // namespace ksim
