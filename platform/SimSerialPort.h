#pragma once
// The built-in simulated controller as a serial port.
//
// Port names: "sim:EZHR17" or "sim:IM483I", optionally followed by items, each after a
// colon (a comma would end the value in a settings file): "address=C" (the controller's
// address character, default 1), "lower=STEPS" and "upper=STEPS" (limit switch
// positions; default none), "nowire" (replies at once instead of at 9600 baud), and the
// simulator's faults ("silent", "delay=MS", "split", "noise", "error=CODE", "badecho"). Example:
// "sim:IM483I:lower=-5000:delay=200".
//
// The controller lives as long as this port: closing and reopening the same name keeps
// its position and settings, as a real controller keeps them when the port is reopened.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Clock.h"
#include "platform/SerialPort.h"
#include "sim/ControllerSim.h"

class SimSerialPort : public SerialPort {
 public:
  explicit SimSerialPort(Clock& clock);

  // The simulator options a port name stands for; false with a reason otherwise.
  static bool ParseName(const std::string& name, ksim::Options& options, std::string& error);

  bool Open(const std::string& name, PortError& err) override;
  bool Close(PortError& err) override;
  bool IsOpen() const override { return open_; }
  bool Write(std::string_view data, PortError& err) override;
  long Waiting(PortError& err) override;
  bool Read(std::string& out, PortError& err) override;
  // Sleeps until the next reply byte is due or the time-out has passed.
  bool WaitForData(int timeoutMs) override;

  // Traffic lines of the simulator ("> ..." / "< ..."); kept across reopening.
  void SetLogSink(ksim::ControllerSim::LogSink sink);
  // The controller behind the port; null before the first successful open.
  ksim::ControllerSim* Sim() { return sim_.get(); }
  // The simulator's time now, in microseconds (the clock's milliseconds, unwrapped).
  int64_t NowUs();

 private:
  void Pull();
  static void NotOpen(PortError& err);

  Clock& clock_;
  std::unique_ptr<ksim::ControllerSim> sim_;
  std::string simName_;
  ksim::ControllerSim::LogSink log_;
  bool open_ = false;
  std::string received_;
  bool clockStarted_ = false;
  uint32_t lastTickMs_ = 0;
  int64_t elapsedMs_ = 0;
};
