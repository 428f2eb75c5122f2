#include "LiftView.h"

#include <cstdio>

#include "LiftConnection.h"

namespace kelvorintango {

namespace {

std::string Format(double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", v);
  return text;
}

View Standing(const Reading& now, const AxisSettings& axis) {
  const double z = now.position;
  if (axis.limitsOn && z <= axis.min)
    return {Condition::Alarm,
            "The lift stands at its lower travel limit (ZMIN " + Format(axis.min) + ") at " +
                Format(z) + ".",
            "Link OK", now};
  if (axis.limitsOn && z >= axis.max)
    return {Condition::Alarm,
            "The lift stands at its upper travel limit (ZMAX " + Format(axis.max) + ") at " +
                Format(z) + ".",
            "Link OK", now};
  return {Condition::On, "The lift stands at " + Format(z) + ".", "Link OK", now};
}

}  // namespace

Reading ReadPosition(LiftConnection& connection, int timeoutMs) {
  const Answer answer = connection.Exec("Z ?", timeoutMs);
  if (!answer.delivered) return {Reading::Kind::NoSocket, 0, answer.text};
  const std::string reply = FirstReply(answer.text);
  if (IsOff(reply)) return {Reading::Kind::Off, 0, reply};
  if (const auto z = ParsePosition(reply)) return {Reading::Kind::Position, *z, reply};
  return {Reading::Kind::NoAnswer, 0, reply};
}

View Judge(const Reading& now, const Knowledge& known) {
  switch (now.kind) {
    case Reading::Kind::NoSocket:
      return {Condition::Fault,
              "No connection to the lift program at " + known.socketPath + ": " + now.detail + ".",
              "Unknown", now};
    case Reading::Kind::Off:
      return {Condition::Off,
              "The Z axis is off: the lift program answers \"Off\" (the axis "
              "is not installed, or its set-up failed).",
              "Z off", now};
    case Reading::Kind::NoAnswer:
      return {Condition::Fault,
              "No answer from the controller: the position read answered \"" + now.detail + "\".",
              "No answer", now};
    case Reading::Kind::Position: break;
  }
  if (!known.motionFault.empty()) return {Condition::Fault, known.motionFault, "Link OK", now};
  const bool changed = known.previous && *known.previous != now.position;
  if (known.ownMotion || changed)
    return {Condition::Moving, "The lift is moving, at " + Format(now.position) + ".", "Link OK",
            now};
  return Standing(now, known.axis);
}

}  // namespace kelvorintango
