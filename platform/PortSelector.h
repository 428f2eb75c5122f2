#pragma once
// Chooses the port by its name: "sim:..." opens the built-in simulated controller,
// every other name the real serial port. All later calls go to the one opened.
#include "platform/SerialPort.h"

class PortSelector : public SerialPort {
 public:
  PortSelector(SerialPort& real, SerialPort& simulated);
  ~PortSelector() override;
  PortSelector(const PortSelector&) = delete;
  PortSelector& operator=(const PortSelector&) = delete;

  static bool IsSimulatedName(const std::string& name);

  bool Open(const std::string& name, PortError& err) override;
  bool Close(PortError& err) override;
  bool IsOpen() const override;
  bool Write(std::string_view data, PortError& err) override;
  long Waiting(PortError& err) override;
  bool Read(std::string& out, PortError& err) override;
  bool WaitForData(int timeoutMs) override;
  std::string Discard() override;

 private:
  void Forward(const SerialPort* from, int code);
  static void NotOpen(PortError& err);

  SerialPort& real_;
  SerialPort& simulated_;
  SerialPort* active_ = nullptr;  // the port of the last Open
};
