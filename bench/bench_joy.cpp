// CPU time of the idle program with joystick control on: the whole core over the
// built-in simulated controller, the SDL joystick adapter reading a virtual stick at rest
// (or none), the 300 ms tick with the indicator, for a given number of seconds.
//   bench_joy [SECONDS] [--no-stick]
#include <SDL.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QFrame>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/SimSerialPort.h"
#include "platform/SystemClock.h"
#include "platform/qt/QtBeeper.h"
#include "platform/qt/QtEventPump.h"
#include "platform/sdl/SdlJoystick.h"
#include "core/CoreModules.h"
#include "support/Fakes.h"
#include "ui/JoyIndicator.h"

namespace {

double ProcessCpuSeconds() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return ru.ru_utime.tv_sec + ru.ru_stime.tv_sec +
         (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

void Write(const std::string& path, std::initializer_list<const char*> lines) {
  std::ofstream out(path, std::ios::binary);
  for (const char* line : lines) out << line << "\r\n";
}

std::string SettingsDir() {
  char pattern[] = "/tmp/kelvorin-benchjoy-XXXXXX";
  const std::string dir = std::string(mkdtemp(pattern)) + "/";
  Write(dir + "ST_CONFIG.TXT",
        {"\"MPORT\",1", "\"PORTTIMEOUT\",100", "\"MOVETIMEOUT\",30", "\"WAITPOLLINGINTERVAL\",50",
         "\"CONTRTYPE\",EZHR17", "\"JOYSTARTON\",1", "\"Z_INSTALLED\",1",
         "\"MPORTNAME\",sim:EZHR17"});
  Write(dir + "ST_PARZ.TXT",
        {"\"ZCONTR\",1",           "\"ZSTROKEPERROT\",1",   "\"ZMOTORSTEPS\",200",
         "\"ZSTEPDIVIDE\",3",      "\"ZHOLDCURRENT\",10",   "\"ZRUNCURRENT\",50",
         "\"ZSLEWVELOCITY\",2000", "\"ZINITVELOCITY\",200", "\"ZACCELERATION\",200",
         "\"ZDECELERATION\",200",  "\"ZJOGSPEEDLOW\",100",  "\"ZJOGSPEEDHIGH\",1000",
         "\"ZBACKLASH\",0",        "\"ZJUMPSIZE\",10",      "\"ZCOARSEFACTOR\",10",
         "\"ZJOYMAXSPEED\",2000",  "\"ZHOMESPEED\",-1000",  "\"ZPOWERUPORIGIN\",0",
         "\"ZLIMPOLARITY\",0",     "\"ZENABLELIMITS\",1"});
  Write(dir + "ST_JOY.TXT", {"\"JAXIS1_L\",0", "\"JAXIS1_0\",32767", "\"JAXIS1_R\",65535",
                             "\"JAXIS2_L\",0", "\"JAXIS2_0\",32767", "\"JAXIS2_R\",65535",
                             "\"JLATENT\",10", "\"JAXIS1_Dir\",1", "\"JAXIS2_Dir\",1"});
  Write(dir + "ST_JOYCMDS.TXT", {"Ver", "Z ?"});
  Write(dir + "ST_SYMCONST.TXT", {"\"UP\",5"});
  return dir;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int seconds = argc > 1 && std::atoi(argv[1]) > 0 ? std::atoi(argv[1]) : 60;
  const bool withStick = !(argc > 2 && std::strcmp(argv[2], "--no-stick") == 0);

  SystemClock clock;
  SimSerialPort port(clock);
  QtEventPump pump;
  FakeMessages messages;
  FakeWindows windows;
  SdlJoystick stick;
  QtBeeper beeper;
  int virtualIndex = -1;
  if (withStick)
    virtualIndex = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 8, 0);
  CoreModules core(port, clock, pump, messages, windows, stick, beeper);
  const std::string dir = SettingsDir();
  const int16_t init = core.startup.InitAll(dir);

  QFrame fraJoy;
  JoyIndicator indicator(&fraJoy);
  core.tick.joyDisplay = [&](int16_t x, int16_t y, int16_t full) {
    indicator.JoyDisplay(x, y, full);
  };
  core.tick.Start();
  QTimer tmrST;
  int ticks = 0;
  QObject::connect(&tmrST, &QTimer::timeout, [&] {
    ++ticks;
    core.tick.Tick();
  });
  tmrST.start(300);
  QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);

  const double cpu0 = ProcessCpuSeconds();
  const auto wall0 = std::chrono::steady_clock::now();
  app.exec();
  const double cpu = ProcessCpuSeconds() - cpu0;
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();

  std::printf("start-up %d, JoyOn %d, stick %s, %d ticks in %.1f s\n", init, core.state.JoyOn,
              withStick ? (virtualIndex >= 0 ? "virtual" : "none (attach failed)") : "none", ticks,
              wall);
  std::printf("CPU %.3f s = %.3f %% of one core\n", cpu, 100.0 * cpu / wall);
  core.tick.Stop();
  if (virtualIndex >= 0) SDL_JoystickDetachVirtual(virtualIndex);
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  return 0;
}
