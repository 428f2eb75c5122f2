#pragma once
// What a client sees of the lift: its condition (the TANGO state), a status sentence and
// the link indicator's text, judged from one position reading and what the device knows.
#include <optional>
#include <string>

#include "LiftReplies.h"

namespace kelvorintango {

class LiftConnection;

enum class Condition { On, Moving, Fault, Off, Alarm };

// One "Z ?" through the socket.
struct Reading {
  enum class Kind { Position, Off, NoAnswer, NoSocket };
  Kind kind = Kind::NoSocket;
  double position = 0;
  std::string detail;  // the reply, or why the socket failed
};
Reading ReadPosition(LiftConnection& connection, int timeoutMs);

struct Knowledge {
  std::optional<double> previous;  // the position of the reading before, if any
  bool ownMotion = false;          // a move or homing of this device is under way
  std::string motionFault;         // why this device's last motion failed, or empty
  AxisSettings axis;
  std::string socketPath;
};

struct View {
  Condition condition = Condition::Fault;
  std::string status;
  std::string link;
  Reading reading;
};
View Judge(const Reading& now, const Knowledge& known);

}  // namespace kelvorintango
