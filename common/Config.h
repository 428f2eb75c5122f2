#pragma once
// The configuration read from ST_CONFIG.TXT, kept as program-wide values named after
// their keys. Written only by the start-up's ReadConfig; read by the link set-up, the
// controller dispatch and the drivers.
#include <cstdint>
#include <string>

struct Config {
  int16_t MPORT = 0;                // serial port number
  int16_t PORTTIMEOUT = 0;          // reply time-out of the link, ms
  int16_t MOVETIMEOUT = 0;          // longest wait for the end of a motion, s
  int16_t WAITPOLLINGINTERVAL = 0;  // ms between status polls while waiting
  std::string CONTRTYPE;            // "IM483I" or "EZHR17"; anything else: no driver
  int16_t Z_INSTALLED = 0;          // 1: a Z axis is installed
  std::string MPORTNAME;            // port device by name; empty: from MPORT
  int32_t SERVERTCPPORT = 0;        // > 0: automation protocol also on 127.0.0.1:port
  int32_t ZPOSPOLL = 0;             // > 0: ms between position reads of the idle main window
};
