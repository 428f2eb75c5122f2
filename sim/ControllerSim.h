#pragma once
// A simulated stepper controller of either family on a byte stream: it takes the bytes a
// host writes, answers the command lines addressed to it in its family's reply frames, and
// hands the reply bytes out at the times they would arrive on a 9600 baud line.
//
// Time is the caller's: every call carries "now" in microseconds on any clock that never
// goes back; motion, wire time and faults are evaluated from those timestamps.
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "sim/SimAxis.h"
#include "sim/SimEZHR17.h"
#include "sim/SimFaults.h"
#include "sim/SimIM483I.h"

namespace ksim {

enum class Family { EZHR17, IM483I };

// "EZHR17" / "IM483I" (exact); none for anything else.
std::optional<Family> ParseFamily(std::string_view name);

struct Options {
  Family family = Family::EZHR17;
  char address = '1';
  std::optional<int64_t> lowerLimit;  // switch positions in steps; none = no switch
  std::optional<int64_t> upperLimit;
  bool wireTime = true;  // 10 bits per byte at 9600 baud; off: replies are due at once
  Faults faults;
};

class ControllerSim {
 public:
  // One byte on the line, in microseconds (10 bits at 9600 baud).
  static constexpr double kByteUs = 10.0 * 1e6 / 9600.0;
  // Longest command line kept; a longer one is dropped unanswered.
  static constexpr size_t kMaxLine = 1024;

  explicit ControllerSim(Options options);

  // The bytes the host wrote at nowUs.
  void Receive(std::string_view bytes, int64_t nowUs);
  // Every reply byte due at or before nowUs, removed from the queue.
  std::string TakeDue(int64_t nowUs);
  // When the next reply byte is due; none when nothing is queued.
  std::optional<int64_t> NextDueUs() const;

  // One call per traffic line: "> " + command line, "< " + reply, bytes escaped.
  using LogSink = std::function<void(const std::string& line)>;
  void SetLogSink(LogSink sink) { log_ = std::move(sink); }

  const Options& options() const { return options_; }
  SimAxis& axis() { return axis_; }
  SimEZHR17& ezhr17() { return ezhr17_; }
  SimIM483I& im483i() { return im483i_; }

 private:
  void OnLine(int64_t nowUs);
  std::optional<std::string> Answer(std::string_view line, int64_t nowUs);
  void Queue(std::string_view reply, int64_t nowUs);
  void QueuePiece(std::string_view piece, int64_t startUs);
  void Log(std::string_view prefix, std::string_view bytes);

  struct DueByte {
    int64_t dueUs;
    char byte;
  };

  Options options_;
  SimAxis axis_;
  SimEZHR17 ezhr17_;
  SimIM483I im483i_;
  std::string line_;
  bool overlong_ = false;
  std::deque<DueByte> out_;
  int64_t lineFreeUs_ = INT64_MIN;  // when the last queued byte has left
  LogSink log_;
};

}  // namespace ksim
