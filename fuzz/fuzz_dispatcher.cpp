// Client command lines through the dispatcher, over the whole core started from the
// shipped settings on the built-in simulated controller.
//
// Input: the first byte chooses the controller family (bit 0), a link fault (bits 1-3)
// and whether a Z axis is installed (bit 4); every further line is one request.
// The file names of list commands are taken into the rig's folder, and requests whose
// list commands name a path are skipped: the fuzzer must not write over the machine's
// files. With KELVORIN_FUZZ_ECHO set, every request and its reply are printed (for
// reading a reproducer).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "FuzzRig.h"

namespace {

constexpr size_t kMaxRequests = 32;

std::string PortName(const std::string& family, uint8_t fault) {
  static const char* const kFaults[] = {"",       ":delay=150", ":split",     ":noise",
                                        ":error", ":silent",    ":delay=400", ":nowire"};
  std::string faultItem = kFaults[fault & 7];
  if (faultItem == ":error") faultItem = family == "EZHR17" ? ":error=4" : ":badecho";
  return "sim:" + family + ":lower=-1600:upper=16000" + faultItem;
}

std::string ConfigText(uint8_t setup) {
  const std::string family = (setup & 1) ? "IM483I" : "EZHR17";
  return "\"MPORT\",1\r\n\"PORTTIMEOUT\",100\r\n\"MOVETIMEOUT\",2\r\n"
         "\"WAITPOLLINGINTERVAL\",50\r\n\"CONTRTYPE\"," +
         family +
         "\r\n"
         "\"JOYSTARTON\",0\r\n\"Z_INSTALLED\"," +
         ((setup & 16) ? "0" : "1") +
         "\r\n"
         "\"MPORTNAME\"," +
         PortName(family, static_cast<uint8_t>(setup >> 1)) + "\r\n";
}

// A list command's file name that is a path could reach any file of the machine.
bool NamesAPath(std::string_view request) {
  return request.find("List") != std::string_view::npos &&
         request.find_first_of("/\\") != std::string_view::npos;
}

// Puts the folder in front of the file name after every "ListRead" and "ListWrite".
std::string IntoFolder(std::string request, const std::string& folder) {
  for (const char* word : {"ListRead", "ListWrite"}) {
    for (size_t at = request.find(word); at != std::string::npos; at = request.find(word, at + 1)) {
      const size_t name = request.find_first_not_of(' ', at + std::strlen(word));
      if (name != std::string::npos && request[name] != ';') request.insert(name, folder + "/");
    }
  }
  return request;
}

void RunRequest(fuzzrig::Rig& rig, std::string_view request) {
  if (!request.empty() && request.back() == '\r') request.remove_suffix(1);
  if (NamesAPath(request)) return;
  const std::string reply = rig.core.cmds.ExecCmdString(
      IntoFolder(std::string(request), fuzzrig::TheFolder().path()));
  static const bool echo = std::getenv("KELVORIN_FUZZ_ECHO") != nullptr;
  if (echo) std::printf("%.*s -> %s\n", int(request.size()), request.data(), reply.c_str());
  // A command that has ended leaves nothing marked as running.
  if (rig.core.cmds.CmdBusy() != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const auto& folder = fuzzrig::TheFolder();
  folder.WriteSettings({{"ST_CONFIG.TXT", ConfigText(data[0])}});

  fuzzrig::Rig rig;
  rig.core.startup.InitAll(folder.path());
  size_t start = 1;
  for (size_t n = 0; n < kMaxRequests && start <= input.size(); ++n) {
    size_t end = input.find('\n', start);
    if (end == std::string_view::npos) end = input.size();
    RunRequest(rig, input.substr(start, end - start));
    start = end + 1;
  }
  rig.core.startup.CloseAll();
  return 0;
}
