#pragma once
// The whole core with a fake stick and the built-in simulated controller: the traffic
// the controller sees is its log.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/SimSerialPort.h"
#include "core/CoreModules.h"
#include "support/Fakes.h"
#include "support/JoyCore.h"
#include "support/ScratchDir.h"

struct JoyRig : ScratchDir, JoyCore<SimSerialPort> {
  // family "EZHR17" or "IM483I"; joyStartOn: JOYSTARTON of the configuration.
  explicit JoyRig(const std::string& family, int joyStartOn = 1) : ScratchDir("kelvorin-joyrig") {
    PutLines("ST_CONFIG.TXT", {"\"MPORT\",1", "\"PORTTIMEOUT\",100", "\"MOVETIMEOUT\",5",
                               "\"WAITPOLLINGINTERVAL\",20", "\"CONTRTYPE\"," + family,
                               "\"JOYSTARTON\"," + std::to_string(joyStartOn), "\"Z_INSTALLED\",1",
                               "\"MPORTNAME\",sim:" + family + ":nowire"});
    PutLines("ST_JOY.TXT", {"\"JAXIS1_L\",0", "\"JAXIS1_0\",32767", "\"JAXIS1_R\",65535",
                            "\"JAXIS2_L\",0", "\"JAXIS2_0\",32767", "\"JAXIS2_R\",65535",
                            "\"JLATENT\",10", "\"JAXIS1_Dir\",1", "\"JAXIS2_Dir\",1"});
    PutLines("ST_JOYCMDS.TXT", {"Ver", "Z ?", "Joy Off", "", "Z Rel 5"});
    PutLines("ST_SYMCONST.TXT", {"\"UP\",5"});
    PutLines("ST_PARZ.TXT",
             {"\"ZCONTR\",1",           "\"ZSTROKEPERROT\",1",   "\"ZMOTORSTEPS\",200",
              "\"ZSTEPDIVIDE\",3",      "\"ZHOLDCURRENT\",10",   "\"ZRUNCURRENT\",50",
              "\"ZSLEWVELOCITY\",2000", "\"ZINITVELOCITY\",200", "\"ZACCELERATION\",200",
              "\"ZDECELERATION\",200",  "\"ZJOGSPEEDLOW\",100",  "\"ZJOGSPEEDHIGH\",1000",
              "\"ZBACKLASH\",0",        "\"ZJUMPSIZE\",10",      "\"ZCOARSEFACTOR\",10",
              "\"ZJOYMAXSPEED\",2000",  "\"ZHOMESPEED\",-1000",  "\"ZPOWERUPORIGIN\",0",
              "\"ZLIMPOLARITY\",0",     "\"ZENABLELIMITS\",1"});
    port.SetLogSink([this](const std::string& line) { log.push_back(line); });
  }
  // Starts the program with the stick where it is and the window loaded.
  int16_t Start() {
    const int16_t result = core.startup.InitAll(Path());
    core.tick.Start();
    log.clear();
    return result;
  }
  // The command lines the controller received since the last call.
  std::vector<std::string> Sent() {
    std::vector<std::string> sent;
    for (const auto& line : log)
      if (line.rfind("> ", 0) == 0) sent.push_back(line.substr(2));
    log.clear();
    return sent;
  }
  std::string Exec(const std::string& line) { return core.cmds.ExecCmdString(line); }

  std::vector<std::string> log;
};
