#pragma once
// Reading kelvorin's answers and its settings: an answer line is every reply followed by
// " ; "; a reply containing "Error " is a failure; "Off " means the Z axis is off.
#include <optional>
#include <string>
#include <vector>

namespace kelvorintango {

std::vector<std::string> SplitAnswer(const std::string& answer);
bool HasError(const std::string& answer);
// The first reply of an answer.
std::string FirstReply(const std::string& answer);
// The number of a "Z ?" reply ("12.35", "-0.50"); none for anything else.
std::optional<double> ParsePosition(const std::string& reply);
bool IsOff(const std::string& reply);

// kelvorin's default socket: $KELVORIN_SOCKET, else $XDG_RUNTIME_DIR/kelvorin.sock, else
// /tmp/kelvorin-<uid>/kelvorin.sock (the rule of server/qt/SocketPath.h).
std::string DefaultSocketPath();

// The Z axis settings a client shows: travel limits (on when ZMIN is below ZMAX) and the
// unit label, from ST_PARZ.TXT in kelvorin's settings folder.
struct AxisSettings {
  bool limitsOn = false;
  double min = 0, max = 0;
  std::string unit;
};
AxisSettings ReadAxisSettings(const std::string& settingsDir);

}  // namespace kelvorintango
