#pragma once
// The Z axis over the real link, drivers and dispatch, with a fake port that answers like
// an EZHR17 or an IM483I at address 1, and a settings folder of its own.
#include <cmath>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "controller/AllMotionCntrl.h"
#include "controller/COMM.h"
#include "controller/IMSCNTRL.h"
#include "controller/MotCon.h"
#include "controller/MotorShared.h"
#include "parfiles/TRAPAR.h"
#include "domain/ProgramState.h"
#include "support/Fakes.h"
#include "support/ScratchDir.h"
#include "zaxis/STFoc.h"

// Answers command lines as a controller at address 1 would. The position register is
// text so that a test can hand out any answer.
struct FakeController {
  std::string family;
  std::string position = "0";
  std::map<std::string, std::string> answers;  // command text -> answer
  std::set<std::string> failing;               // command texts answered with an error
  std::vector<uint32_t> times;                 // clock reading at every command

  std::string Respond(const std::string& line, uint32_t now) {
    times.push_back(now);
    return family == "EZHR17" ? RespondEzhr17(line) : RespondIm483i(line);
  }

 private:
  // Moves finish at once: absolute, forward (P) or back (D).
  void Move(char kind, long long steps) {
    const long long now = std::llround(std::stod(position));
    position = std::to_string(kind == 'A' ? steps : kind == 'P' ? now + steps : now - steps);
  }
  std::string Answer(const std::string& text) {
    if (text == "?0" || text == "Z") return position;
    if (auto it = answers.find(text); it != answers.end()) return it->second;
    return "";
  }
  // "/1" + text + CR in; start character, "/0", status, answer, closing character, CR LF out.
  std::string RespondEzhr17(const std::string& line) {
    if (line.size() < 4 || line.compare(0, 2, "/1") != 0) return "";
    const std::string text = line.substr(2, line.size() - 3);
    if (text.size() > 2 && text.front() == 'z') position = text.substr(1, text.size() - 2);
    if (text.size() > 2 && std::string("APD").find(text.front()) != std::string::npos &&
        text.back() == 'R')
      Move(text.front(), std::stoll(text.substr(1, text.size() - 2)));
    const char status = failing.count(text) ? '`' + 2 : '`';
    return std::string("\xFF/0") + status + Answer(text) + "\x03\r\n";
  }
  // "1" + text + LF in; the echo of the line, the answer and LF out.
  std::string RespondIm483i(const std::string& line) {
    if (line.size() < 2 || line[0] != '1') return "";
    const std::string echo = line.substr(0, line.size() - 1);
    const std::string text = echo.substr(1);
    if (text == "O") position = "0";
    return (failing.count(text) ? "1?" + text : echo) + Answer(text) + "\n";
  }
};

using ParzChanges = std::vector<std::pair<std::string, std::string>>;

class ZRig : public ScratchDir {
 public:
  explicit ZRig(const std::string& family) : ScratchDir("kelvorin-z") {
    par.ParSetDir(Path());
    state.config.CONTRTYPE = family;
    state.config.WAITPOLLINGINTERVAL = 50;
    controller.family = family;
    comm.SetTerminatorSetup([this] { motor.MotorCommInit(); });
    comm.CommInit();
    comm.CommOpenPort(1);
    comm.CommSetTimeout(100);
    motor.MotorSetMoveTimeout(2);
    port.responder = [this](const std::string& line) {
      return controller.Respond(line, clock.now);
    };
  }
  // ST_PARZ.TXT with every key, changed values put in place and dropped keys left out.
  void WriteParz(const ParzChanges& changes = {}, const std::set<std::string>& drop = {}) {
    ParzChanges keys = {
        {"ZCONTR", "1"},           {"ZSTROKEPERROT", "1"},   {"ZMOTORSTEPS", "200"},
        {"ZSTEPDIVIDE", "3"},      {"ZHOLDCURRENT", "10"},   {"ZRUNCURRENT", "50"},
        {"ZSLEWVELOCITY", "2000"}, {"ZINITVELOCITY", "200"}, {"ZACCELERATION", "300"},
        {"ZDECELERATION", "400"},  {"ZJOGSPEEDLOW", "100"},  {"ZJOGSPEEDHIGH", "1000"},
        {"ZBACKLASH", "0"},        {"ZJUMPSIZE", "10"},      {"ZCOARSEFACTOR", "10"},
        {"ZJOYMAXSPEED", "2000"},  {"ZHOMESPEED", "-1000"},  {"ZPOWERUPORIGIN", "0"},
        {"ZLIMPOLARITY", "0"},     {"ZENABLELIMITS", "1"},
    };
    std::ofstream out(ParzPath(), std::ios::binary);
    for (auto [key, value] : keys) {
      if (drop.count(key)) continue;
      for (const auto& [name, changed] : changes)
        if (name == key) value = changed;
      out << '"' << key << "\"," << value << "\r\n";
    }
  }
  std::string ParzPath() const { return Path("ST_PARZ.TXT"); }

  // Commands written since the last call, terminators included.
  std::vector<std::string> Take() {
    auto lines = std::move(port.written);
    port.written.clear();
    return lines;
  }

  FakeClock clock;
  FakePort port{clock};
  FakePump pump;
  FakeMessages messages;
  ProgramState state;
  TRAPAR par{messages};
  COMM comm{port, clock};
  MotorShared shared;
  AllMotionCntrl ezhr17{comm, comm.Delay(), pump, shared, state.config};
  IMSCNTRL im483i{comm, comm.Delay(), pump, shared, state.config};
  MotCon motor{state.config, shared, comm, ezhr17, im483i};
  STFoc foc{par, motor, comm.Delay(), messages};
  FakeController controller;
};
