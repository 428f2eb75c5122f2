#pragma once
// The program-wide values of the command server, made once by the composition root
// and handed to the modules that read or write them. Each value names its one writer.
#include <cstdint>
#include <string>

#include "common/Config.h"
#include "parfiles/TRAPAR.h"

struct ProgramState {
  Config config;         // Startup::ReadConfig
  std::string AppDir;    // Startup::InitAll: program directory + "/"
  ParTable SymConst;     // Startup::ReadSymConst
  LineList JoyCmds;      // Startup::ReadJoyCmds (and the main window's editor)
  int16_t ZEnabled = 0;  // Startup::DevInit (and the main window's "Parameters")
  // Startup::DevInit and Startup::ZAxisInit: why ZEnabled is 0, as the status line says
  // it ("Z axis off: not installed (Z_INSTALLED 0 in ST_CONFIG.TXT)"); empty while on.
  std::string ZOffReason = "Z axis off: not set up yet";
  int16_t JoyOn = 0;        // Startup::ReadConfig, the Joy family, the main window
  int16_t JoyAxes = 0;      // the Joy family: 0 "XY", 1 "WZ"
  int32_t ClientCount = 0;  // automation endpoint: live KelvorinCmd objects
  double ZPos = 0;          // CmdZ ("Z ?", "Z ??"), CmdObj ("AddCurrent"), main window

  bool ClientAttached() const { return ClientCount > 0; }
};
