// How fast the operator's Stop reaches the wire: the time from the Stop (a click that
// becomes pending at a random moment) to the write of the stop command, during a
// "Z Wait", a homing, a "Delay" and a program run. The whole core runs in real time on
// the shipped settings with the built-in simulated controller (9600-baud wire time on).
// The click is delivered the next time the core lets events run (a motion wait's pump,
// or the Stop-only pump of a homing or a "Delay"), as the window system delivers it;
// between the ticks of a program run the event loop is idle and takes it within 1 ms.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/SimSerialPort.h"
#include "platform/SystemClock.h"
#include "core/CoreModules.h"
#include "support/Fakes.h"
#include "support/ScratchDir.h"

namespace {

constexpr const char* kUsage =
    "usage: bench_stop [--runs N] [--family EZHR17|IM483I]\n"
    "  Times the operator's Stop to the write of the stop command during a \"Z Wait\",\n"
    "  a homing, a \"Delay\" and a program run, on the shipped settings and the built-in\n"
    "  simulated controller (9600 baud). Prints the median and the maximum of N runs\n"
    "  each (default 12, EZHR17). Goal: under 50 ms.\n";

using Clk = std::chrono::steady_clock;

double MsSince(Clk::time_point from, Clk::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

struct Options {
  int runs = 12;
  std::string family = "EZHR17";
};

bool ParseArgs(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc) o.runs = std::max(1, std::atoi(argv[++i]));
    else if (arg == "--family" && i + 1 < argc) o.family = argv[++i];
    else return false;
  }
  return o.family == "EZHR17" || o.family == "IM483I";
}

// The port, with the moment the stop command was written once a Stop was delivered.
class StampPort : public SerialPort {
 public:
  StampPort(SerialPort& inner, std::string stopBytes)
      : inner_(inner), stopBytes_(std::move(stopBytes)) {}
  bool Open(const std::string& name, PortError& err) override { return inner_.Open(name, err); }
  bool Close(PortError& err) override { return inner_.Close(err); }
  bool IsOpen() const override { return inner_.IsOpen(); }
  bool Write(std::string_view data, PortError& err) override {
    if (armed && data == stopBytes_) {
      armed = false;
      written = Clk::now();
    }
    return inner_.Write(data, err);
  }
  long Waiting(PortError& err) override { return inner_.Waiting(err); }
  bool Read(std::string& out, PortError& err) override { return inner_.Read(out, err); }
  bool WaitForData(int timeoutMs) override { return inner_.WaitForData(timeoutMs); }

  bool armed = false;
  Clk::time_point written;

 private:
  SerialPort& inner_;
  std::string stopBytes_;
};

// The window system: a click on Stop pending from `pendingAt`, delivered by the first
// pump that runs after it.
class ClickPump : public EventPump {
 public:
  void ProcessEvents() override { Deliver(); }
  void ProcessStopOnly() override { Deliver(); }
  void Click(Clk::time_point at) {
    pendingAt = at;
    pending = true;
  }
  std::function<void()> onStop;
  bool pending = false;
  Clk::time_point pendingAt;

 private:
  void Deliver() {
    if (!pending || Clk::now() < pendingAt) return;
    pending = false;
    onStop();
  }
};

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

// The shipped settings; for the other family with CONTRTYPE and the simulator changed.
void PlaceSettings(ScratchDir& dir, const std::string& family) {
  const std::filesystem::path shipped = std::filesystem::path(KELVORIN_SOURCE_DIR) / "settings";
  for (const auto& entry : std::filesystem::directory_iterator(shipped)) {
    std::string text = ReadFile(entry.path());
    if (entry.path().filename() == "ST_CONFIG.TXT") {
      ReplaceAll(text, "\"CONTRTYPE\",EZHR17", "\"CONTRTYPE\"," + family);
      ReplaceAll(text, "sim:EZHR17", "sim:" + family);
    }
    dir.Put(entry.path().filename().string(), text);
  }
}

struct Bench : ScratchDir {
  explicit Bench(const std::string& family)
      : ScratchDir("kelvorin-bench-stop"),
        stopBytes(family == "EZHR17" ? "/1T\r" : "1M0\n"),
        stamp(sim, stopBytes) {
    PlaceSettings(*this, family);
    pump.onStop = [this] {
      stamp.armed = true;
      core.stopAll.Stop();
    };
    core.startup.InitAll(dir);
    core.tick.Start();
  }
  std::string Exec(const std::string& line) { return core.cmds.ExecCmdString(line); }
  // A Stop that comes between fromMs and toMs from now; the wait for it to reach the
  // wire, in ms, once `action` has returned (negative: it never did).
  double Measure(std::mt19937& random, int fromMs, int toMs, const std::function<void()>& action) {
    std::uniform_int_distribution<int> delay(fromMs, toMs);
    const Clk::time_point at = Clk::now() + std::chrono::milliseconds(delay(random));
    pump.Click(at);
    action();
    const bool sent = !pump.pending && !stamp.armed;
    pump.pending = stamp.armed = false;
    return sent ? MsSince(at, stamp.written) : -1;
  }
  // The idle event loop of the window: the 300 ms timer runs the program, and input is
  // taken as it comes.
  void RunProgram() {
    Clk::time_point nextTick = Clk::now();
    const Clk::time_point end = Clk::now() + std::chrono::seconds(20);
    while (core.interp.RunMode() != 0 && Clk::now() < end) {
      if (Clk::now() >= nextTick) {
        core.tick.Tick();
        nextTick += std::chrono::milliseconds(300);
      } else {
        pump.ProcessEvents();
        clock.SleepMs(1);
      }
    }
  }

  std::string stopBytes;
  SystemClock clock;
  SimSerialPort sim{clock};
  StampPort stamp;
  ClickPump pump;
  FakeMessages messages;
  FakeWindows windows;
  CoreModules core{stamp, clock, pump, messages, windows};
};

struct Figures {
  const char* what;
  std::vector<double> ms;
};

void Print(const Figures& f) {
  std::vector<double> ms = f.ms;
  const auto failed = std::count(ms.begin(), ms.end(), -1.0);
  ms.erase(std::remove(ms.begin(), ms.end(), -1.0), ms.end());
  std::sort(ms.begin(), ms.end());
  if (ms.empty()) {
    std::printf("%-14s no stop command went out\n", f.what);
    return;
  }
  std::printf("%-14s median %6.1f ms   max %6.1f ms   (%zu runs%s)\n", f.what, ms[ms.size() / 2],
              ms.back(), ms.size(), failed ? ", some without a stop command" : "");
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (argc > 1 && std::string(argv[1]) == "--help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (!ParseArgs(argc, argv, o)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  Bench b(o.family);
  if (b.core.state.ZEnabled == 0) {
    std::fprintf(stderr, "bench_stop: the Z axis did not start\n%s",
                 b.core.comm.CommGetLog().c_str());
    return 1;
  }
  std::mt19937 random(12345);
  Figures wait{"Z Wait", {}}, home{"homing", {}}, delay{"Delay", {}}, run{"program run", {}};
  for (int i = 0; i < o.runs; ++i) {
    b.Exec("Z Home");       // from the lower limit switch, every run alike
    b.Exec("Z Move 2000");  // a run at 2000 steps/s, stopped on the way
    wait.ms.push_back(b.Measure(random, 50, 400, [&] { b.Exec("Z Wait"); }));
    b.Exec("Z Move 16000;Delay 1000;Z Stop");  // 16000 steps up: a homing run of 1 s
    home.ms.push_back(b.Measure(random, 50, 700, [&] { b.Exec("Z Home"); }));
    delay.ms.push_back(b.Measure(random, 50, 800, [&] { b.Exec("Delay 1000"); }));
    b.core.interp.SetProgram({"Z Rel 500", "Z Wait", "Delay 200", "Z Rel -500", "Z Wait", "End"});
    b.core.interp.SetNextLine(0);
    b.core.interp.FetchNextLine();
    b.core.interp.StartRun();
    run.ms.push_back(b.Measure(random, 100, 1000, [&] { b.RunProgram(); }));
  }
  std::printf(
      "Stop to the stop command written, %s on the built-in simulator at 9600 baud\n"
      "(shipped settings; the command then takes %.1f ms on the wire):\n",
      o.family.c_str(), double(b.stopBytes.size()) * 10 * 1000 / 9600);
  for (const Figures* f : {&wait, &home, &delay, &run}) Print(*f);
  return 0;
}
