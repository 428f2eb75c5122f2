#pragma once
// The live position, the lift's state and the link status of the main window. Every
// tick hands its clock reading here. Whoever reads the position (a client's "Z ?", a
// wait, a run's watch, this poll) publishes it; this takes what was published, and while
// the window shows it the waits read it themselves at most every ZPOSPOLL milliseconds.
// While the program is idle, one read goes to the controller when none came for that
// long. ZPOSPOLL 0 (or missing) switches it off: nothing is read and nothing shown.
#include <cstdint>
#include <functional>
#include <string>

#include "panels/LiftState.h"

class STFoc;
class COMM;
struct ProgramState;

enum class LinkStatus : int8_t {
  Unknown,    // not read yet
  Answering,  // the port is open and the controller answered
  TimeOuts,   // the port is open, the controller did not answer
  Lost,       // the port is not open (its device went away: it is being opened again)
  ZOff,       // no Z axis to read
};

class PosPoll {
 public:
  PosPoll(ProgramState& state, STFoc& foc, COMM& comm);

  bool On() const;
  // Whether the position is on view (the main window shown); none: always. A hidden
  // window, as a server started for a client has, costs the controller nothing.
  std::function<bool()> displayed;
  // Whether a stored program runs (run mode 1 or 2); none: never.
  std::function<bool()> programRunning;
  // The status line, for what the operator must know (the position changed while the
  // link was down); the line also goes to the link's log.
  std::function<void(const std::string&)> notice;

  // First in every tick, also while a command or a wait runs: takes the position last
  // published and tells the waits whether to read it. No exchange.
  void Follow(uint32_t now);
  // Reads the position when one is due and no wait for the end of a move is under way;
  // true when it did (one controller exchange).
  // After a failed read the next one waits longer, so that a silent link does not
  // block the window at every interval.
  bool Poll(uint32_t now);

  LinkStatus Status() const { return status_; }
  LiftState State() const { return lift_; }
  bool HasPosition() const { return hasPosition_; }
  double Position() const { return position_; }
  // Counts the changes of status, state or position: the window redraws when it moves on.
  uint32_t Changes() const { return changes_; }

  // The frame caption with the position after it ("Lift  Z=12.50 µm"); base alone while
  // no position is known.
  std::string Caption(const std::string& base) const;
  // A position as the operator sees it: the replies' decimals, and ZUNIT when set.
  static std::string Shown(double z, const STFoc& foc);
  static std::string ChangedWhileDown(const std::string& was, const std::string& now);

  // After a failure the next read waits this many intervals, and at least kMinRetryMs.
  static constexpr uint32_t kRetryIntervals = 4;
  static constexpr uint32_t kMinRetryMs = 2000;
  // A position that changed within this many intervals (at least kMovedMs) says "moving".
  static constexpr uint32_t kMovedIntervals = 2;
  static constexpr uint32_t kMovedMs = 1000;

 private:
  uint32_t Interval() const;
  void Take(uint32_t now);
  void Set(LinkStatus status, bool hasPosition, double position);
  void NoteLinkBack(LinkStatus before, double position);
  void UpdateState(uint32_t now);

  ProgramState& state_;
  STFoc& foc_;
  COMM& comm_;
  LinkStatus status_ = LinkStatus::Unknown;
  LiftState lift_ = LiftState::Idle;
  bool hasPosition_ = false;
  double position_ = 0;
  bool polled_ = false;
  uint32_t lastMs_ = 0;
  uint32_t waitMs_ = 0;
  uint32_t changes_ = 0;
  uint32_t taken_ = 0;  // the count of published reads taken
  bool moved_ = false;
  uint32_t movedMs_ = 0;
  bool knownBeforeLoss_ = false;  // the position last known before the link went down
  double beforeLoss_ = 0;
};
