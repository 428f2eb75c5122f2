#pragma once
// The serial-port seam: what the controller link needs of a port, and nothing more.
// Implementations: the real port (platform/qt/QtSerialPort), the built-in simulated
// controller (platform/SimSerialPort), and the test fakes.
#include <functional>
#include <string>
#include <string_view>

// An error as the port layer reports it; numbers and texts are the layer's own.
struct PortError {
  int code = 0;
  std::string description;
};

class SerialPort {
 public:
  virtual ~SerialPort() = default;

  // Opens the named device at 9600 baud, 8 data bits, no parity, 1 stop bit.
  virtual bool Open(const std::string& name, PortError& err) = 0;
  virtual bool Close(PortError& err) = 0;
  virtual bool IsOpen() const = 0;
  // Writes all bytes in one write.
  virtual bool Write(std::string_view data, PortError& err) = 0;
  // Number of bytes waiting in the receive buffer; -1 (and err) when the port failed.
  virtual long Waiting(PortError& err) = 0;
  // Appends every byte waiting to out; false (and err) when the port failed.
  virtual bool Read(std::string& out, PortError& err) = 0;
  // Blocks the calling thread until data is waiting or timeoutMs has passed. No window
  // events run meanwhile. Returns true when data is waiting.
  virtual bool WaitForData(int timeoutMs) = 0;
  // Drops whatever is waiting in the receive buffer and returns it.
  virtual std::string Discard() {
    std::string stale;
    PortError ignored;
    if (Waiting(ignored) > 0) Read(stale, ignored);
    return stale;
  }

  // Port events (line errors such as break, framing, overrun, parity: codes above
  // 1000; and device loss) are delivered to this handler between other work.
  using EventHandler = std::function<void(int code)>;
  virtual void SetEventHandler(EventHandler handler) { handler_ = std::move(handler); }

  // Event codes, as the link logs them ("ERROR #" + code for codes above 1000).
  static constexpr int kEventBreak = 1001;
  static constexpr int kEventFrame = 1004;
  static constexpr int kEventOverrun = 1006;
  static constexpr int kEventRxOverflow = 1008;
  static constexpr int kEventParity = 1009;
  static constexpr int kEventTxFull = 1010;
  static constexpr int kEventDeviceLost = 1100;  // read/resource error: the device is gone

 protected:
  void RaiseEvent(int code) {
    if (handler_) handler_(code);
  }

 private:
  EventHandler handler_;
};
