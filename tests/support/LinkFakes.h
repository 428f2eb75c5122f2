#pragma once
// Fakes of ports that misbehave, for the serial link's tests.
#include "Fakes.h"

// A FakePort whose device can go away under the open port, as an unplugged adapter or a
// hung-up peer does: from then on polling fails with an I/O error, and the loss is raised
// once as an event from inside the failing call (the way a port layer notices it).
// Opening again brings the device back. It can also fail a set number of polls or
// writes while staying open.
class FlakyPort : public FakePort {
 public:
  explicit FlakyPort(FakeClock& clock) : FakePort(clock) {}

  void HangUp() { hungUp_ = true; }

  bool Open(const std::string& name, PortError& err) override {
    ++opens;
    hungUp_ = false;
    lossRaised_ = false;
    return FakePort::Open(name, err);
  }
  bool Write(std::string_view data, PortError& err) override {
    if (open && failWrites > 0) {
      --failWrites;
      err = {7, "Write fault"};
      return false;
    }
    return FakePort::Write(data, err);
  }
  long Waiting(PortError& err) override {
    ++waitingCalls;
    if (open && hungUp_) {
      err = {6, "Input/output error"};
      if (!lossRaised_) {
        lossRaised_ = true;
        Event(kEventDeviceLost);
      }
      return -1;
    }
    if (open && failPolls > 0) {
      --failPolls;
      err = {5, "Read fault"};
      return -1;
    }
    return FakePort::Waiting(err);
  }
  bool WaitForData(int timeoutMs) override {
    ++waitCalls;
    return FakePort::WaitForData(timeoutMs);
  }

  int opens = 0;
  int failPolls = 0;   // polls that fail before the port works again
  int failWrites = 0;  // writes that fail
  int waitingCalls = 0;
  int waitCalls = 0;

 private:
  bool hungUp_ = false;
  bool lossRaised_ = false;
};
