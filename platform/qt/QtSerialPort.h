#pragma once
// The real serial port on QSerialPort: 9600 baud, 8 data bits, no parity, 1 stop bit,
// no flow control. An exchange writes to and reads from the descriptor itself and waits
// on it with poll, so no event loop runs; Qt's buffer holds only what its event loop took
// in between exchanges, and is handed out before anything read later.
//
// Events (line errors read from the kernel's counters, device loss) are raised between
// operations: an event noticed while an operation is under way is held until that
// operation has finished with the port; one noticed from Qt's event loop goes out at once.
#include <QSerialPort>
#include <array>
#include <chrono>
#include <deque>

#include "platform/SerialPort.h"

class QtSerialPort : public SerialPort {
 public:
  QtSerialPort();
  ~QtSerialPort() override;
  QtSerialPort(const QtSerialPort&) = delete;
  QtSerialPort& operator=(const QtSerialPort&) = delete;

  bool Open(const std::string& name, PortError& err) override;
  bool Close(PortError& err) override;
  bool IsOpen() const override;
  bool Write(std::string_view data, PortError& err) override;
  long Waiting(PortError& err) override;
  bool Read(std::string& out, PortError& err) override;
  bool WaitForData(int timeoutMs) override;

 private:
  class Operation;
  enum Counter { kFrame, kParity, kOverrun, kBreak, kBufOverrun, kCounters };
  using Counters = std::array<int, kCounters>;

  using Clock = std::chrono::steady_clock;

  void Explain(const std::string& name, PortError& err);
  void OnError(QSerialPort::SerialPortError error);
  void MarkLost(int code, const std::string& text);
  bool WriteFailed(int error, PortError& err);
  void TakeWhenReady(int timeoutMs);
  int Descriptor() const { return static_cast<int>(port_.handle()); }
  static bool WaitWritable(int fd, Clock::time_point deadline);
  bool Usable(PortError& err) const;
  PortError CurrentError() const;
  std::string LossDescription(const std::string& reported) const;
  bool ReadCounters(Counters& out) const;
  void StartLineErrorWatch();
  void NoteLineErrors();
  void Queue(int code);
  void FlushEvents();

  QSerialPort port_;
  std::string taken_;  // read from the descriptor, not yet handed out
  int depth_ = 0;      // operations under way (nested through event handlers)
  bool flushing_ = false;
  std::deque<int> pending_;  // events held until the current operation is done
  bool lost_ = false;        // the device went away; reported once per open
  PortError lostError_;
  bool countersSupported_ = false;  // TIOCGICOUNT works (real UARTs; not ptys)
  Counters counters_{};
  struct Explained {
    std::string device;
    int code = 0;
    std::string text;
  } explained_;  // the last open failure put in words
};
