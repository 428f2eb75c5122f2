#pragma once
// ST_PARZ.TXT for a lift on the simulated controller: 0.625 units per step, jumps of 10,
// homing towards the lower limit at -1000.
#include <string>

inline std::string SimParz(bool enableLimits) {
  return std::string(
             "\"ZCONTR\",1\r\n\"ZSTROKEPERROT\",1\r\n\"ZMOTORSTEPS\",200\r\n"
             "\"ZSTEPDIVIDE\",3\r\n\"ZHOLDCURRENT\",10\r\n\"ZRUNCURRENT\",50\r\n"
             "\"ZSLEWVELOCITY\",2000\r\n\"ZINITVELOCITY\",200\r\n\"ZACCELERATION\",200\r\n"
             "\"ZDECELERATION\",200\r\n\"ZBACKLASH\",0\r\n\"ZJUMPSIZE\",10\r\n"
             "\"ZCOARSEFACTOR\",10\r\n\"ZJOYMAXSPEED\",2000\r\n\"ZHOMESPEED\",-1000\r\n"
             "\"ZPOWERUPORIGIN\",0\r\n\"ZENABLELIMITS\",") +
         (enableLimits ? "1" : "0") + "\r\n";
}
