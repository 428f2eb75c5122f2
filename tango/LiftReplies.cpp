#include "LiftReplies.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>

namespace kelvorintango {

namespace {

const std::string kSeparator = " ; ";

// A settings line is "KEY",value, comment; the value may be quoted.
bool SplitSetting(const std::string& line, std::string& key, std::string& value) {
  if (line.size() < 3 || line[0] != '"') return false;
  const std::size_t close = line.find('"', 1);
  if (close == std::string::npos || close + 1 >= line.size() || line[close + 1] != ',')
    return false;
  key = line.substr(1, close - 1);
  std::string rest = line.substr(close + 2);
  if (!rest.empty() && rest[0] == '"') {
    const std::size_t end = rest.find('"', 1);
    value = rest.substr(1, end == std::string::npos ? std::string::npos : end - 1);
    return true;
  }
  value = rest.substr(0, rest.find(','));
  while (!value.empty() && (value.back() == ' ' || value.back() == '\r')) value.pop_back();
  while (!value.empty() && value.front() == ' ') value.erase(0, 1);
  return true;
}

std::optional<double> Number(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  while (end && *end == ' ') ++end;
  if (end == text.c_str() || (end && *end != '\0')) return std::nullopt;
  return v;
}

}  // namespace

std::vector<std::string> SplitAnswer(const std::string& answer) {
  std::vector<std::string> replies;
  std::size_t start = 0, sep;
  while ((sep = answer.find(kSeparator, start)) != std::string::npos) {
    replies.push_back(answer.substr(start, sep - start));
    start = sep + kSeparator.size();
  }
  if (start < answer.size()) replies.push_back(answer.substr(start));
  return replies;
}

bool HasError(const std::string& answer) { return answer.find("Error ") != std::string::npos; }

std::string FirstReply(const std::string& answer) {
  const auto replies = SplitAnswer(answer);
  return replies.empty() ? std::string() : replies.front();
}

std::optional<double> ParsePosition(const std::string& reply) {
  std::string text = reply;  // the lift writes the decimal separator of its locale
  for (char& c : text)
    if (c == ',') c = '.';
  return Number(text);
}

bool IsOff(const std::string& reply) { return reply == "Off "; }

std::string DefaultSocketPath() {
  const char* given = std::getenv("KELVORIN_SOCKET");
  if (given && *given) return given;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime) return std::string(runtime) + "/kelvorin.sock";
  return "/tmp/kelvorin-" + std::to_string(::getuid()) + "/kelvorin.sock";
}

AxisSettings ReadAxisSettings(const std::string& settingsDir) {
  AxisSettings axis;
  if (settingsDir.empty()) return axis;
  std::ifstream file(settingsDir + "/ST_PARZ.TXT");
  std::map<std::string, std::string> values;
  std::string line, key, value;
  while (std::getline(file, line))
    if (SplitSetting(line, key, value)) values[key] = value;
  axis.unit = values["ZUNIT"];
  const auto min = Number(values["ZMIN"]), max = Number(values["ZMAX"]);
  if (min && max && *min < *max) {
    axis.limitsOn = true;
    axis.min = *min;
    axis.max = *max;
  }
  return axis;
}

}  // namespace kelvorintango
