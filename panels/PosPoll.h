#pragma once
// The live position and link status of the main window. While the program is idle the
// periodic tick hands its clock reading here; every ZPOSPOLL milliseconds one position
// read goes to the controller, and its outcome says how the link is doing. ZPOSPOLL 0
// (or missing) switches it off: nothing is read and nothing shown.
#include <cstdint>
#include <functional>
#include <string>

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
  // Reads the position when one is due and no wait for the end of a move is under way;
  // true when it did (one controller exchange).
  // After a failed read the next one waits longer, so that a silent link does not
  // block the window at every interval.
  bool Poll(uint32_t now);

  LinkStatus Status() const { return status_; }
  bool HasPosition() const { return hasPosition_; }
  double Position() const { return position_; }
  // Counts the changes of status or position: the window redraws when it moves on.
  uint32_t Changes() const { return changes_; }

  // The frame caption with the position after it ("Lift  Z=12.5"); base alone while
  // no position is known.
  std::string Caption(const std::string& base) const;

  // After a failure the next read waits this many intervals, and at least kMinRetryMs.
  static constexpr uint32_t kRetryIntervals = 4;
  static constexpr uint32_t kMinRetryMs = 2000;

 private:
  void Set(LinkStatus status, bool hasPosition, double position);

  ProgramState& state_;
  STFoc& foc_;
  COMM& comm_;
  LinkStatus status_ = LinkStatus::Unknown;
  bool hasPosition_ = false;
  double position_ = 0;
  bool polled_ = false;
  uint32_t lastMs_ = 0;
  uint32_t waitMs_ = 0;
  uint32_t changes_ = 0;
};
