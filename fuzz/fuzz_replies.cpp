// Controller replies of both families: the frame and echo checks and the answer
// conversions from strings, and the drivers over a link whose controller answers with
// the fuzzer's bytes.
//
// Input: the first byte chooses the family (bit 0) and the part (bit 1). Strings: the
// second byte is the length of the command line, which follows; the rest is the reply.
// Drivers: the rest, cut at every 0x1E byte, gives the replies to the writes in turn
// (after the last, the controller stays silent).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <string>
#include <string_view>

#include "FuzzRig.h"
#include "controller/EZHR17Protocol.h"
#include "controller/IM483IProtocol.h"

namespace {

void CheckEzhr17(const std::string& cmdLine, const std::string& reply) {
  std::string data;
  int code = -1;
  const int16_t status = ezhr17::CheckReply(reply, data, code);
  if (status == ezhr17::kMalformed) {
    ezhr17::NoFrameLine(cmdLine, reply);
    return;
  }
  if (status != ezhr17::kOk && status != ezhr17::kControllerError) std::abort();
  if ((status == ezhr17::kOk) != (code == 0)) std::abort();
  ezhr17::ControllerErrorLine(cmdLine, reply, code);
  ezhr17::Answer(data);
  ezhr17::IsReady(data);
  double position;
  ezhr17::DecodePosition(data, position);
  int16_t inputs;
  if (ezhr17::DecodeInputs(data, inputs) && (inputs < 0 || inputs > 24)) std::abort();
  ezhr17::DecodeMaxSpeed(data);
}

void CheckIm483i(const std::string& cmdLine, const std::string& reply) {
  std::string answer;
  const int16_t status = im483i::CheckEcho(cmdLine, reply, answer);
  if (status == im483i::kTooShort) {
    im483i::TooShortLine(cmdLine, reply);
    return;
  }
  if (status != im483i::kOk && status != im483i::kEchoMismatch) std::abort();
  if (cmdLine.size() + answer.size() != reply.size()) std::abort();
  im483i::EchoMismatchLine(cmdLine, reply);
  double value;
  im483i::DecodeDouble(answer, value);
  im483i::DecodeInt16(answer);
}

void Strings(bool im483i, std::string_view rest) {
  if (rest.empty()) return;
  const size_t cmdSize = std::min<size_t>(static_cast<uint8_t>(rest[0]), rest.size() - 1);
  const std::string cmdLine(rest.substr(1, cmdSize));
  const std::string reply(rest.substr(1 + cmdSize));
  if (im483i) CheckIm483i(cmdLine, reply);
  else CheckEzhr17(cmdLine, reply);
}

std::deque<std::string> Replies(std::string_view rest) {
  std::deque<std::string> replies;
  for (size_t start = 0; start <= rest.size();) {
    size_t end = rest.find('\x1e', start);
    if (end == std::string_view::npos) end = rest.size();
    replies.emplace_back(rest.substr(start, end - start));
    start = end + 1;
  }
  return replies;
}

void Drivers(bool im483i, std::string_view rest) {
  const std::string family = im483i ? "IM483I" : "EZHR17";
  const auto& folder = fuzzrig::TheFolder();
  folder.WriteSettings({{"ST_CONFIG.TXT",
                         "\"MPORT\",1\r\n\"PORTTIMEOUT\",100\r\n\"MOVETIMEOUT\",2\r\n"
                         "\"WAITPOLLINGINTERVAL\",50\r\n\"CONTRTYPE\"," +
                             family +
                             "\r\n"
                             "\"Z_INSTALLED\",1\r\n\"MPORTNAME\",fake\r\n"}});
  fuzzrig::BasicRig<FakePort> rig;
  rig.port.responder = [replies = Replies(rest)](const std::string&) mutable {
    if (replies.empty()) return std::string();
    std::string next = std::move(replies.front());
    replies.pop_front();
    return next;
  };
  rig.core.startup.InitAll(folder.path());
  rig.core.cmds.ExecCmdString("Z ?;Z ??;Z Rel 5;Z Wait;Z 100;Z Move -500;Wait;Z Stop");
  rig.core.cmds.ExecCmdString("Z Home;Z Origin;Obj AddCurrent;CON /1?4;CON 1] 0");
  rig.core.startup.CloseAll();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  const bool im483i = data[0] & 1;
  if (data[0] & 2) Drivers(im483i, rest);
  else Strings(im483i, rest);
  return 0;
}
