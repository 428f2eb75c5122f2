#pragma once
// Fakes of ports that misbehave, for the serial link's tests.
#include <algorithm>
#include <map>

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

// A port on which bytes land at set times of the fake clock, as on a real line: the
// responder's reply to a write lands replyDelayMs after it, and At() puts further bytes on
// the line at any time. A wait sleeps until the next landing or its time-out, and comes
// back oversleepMs late (a thread that was not scheduled in time).
class TimedPort : public FakePort {
 public:
  explicit TimedPort(FakeClock& clock) : FakePort(clock), clock_(clock) {}

  void At(uint32_t ms, const std::string& bytes) { arrivals.emplace(ms, bytes); }

  bool Write(std::string_view data, PortError& err) override {
    if (!open) {
      err = {13, "Port not open"};
      return false;
    }
    written.emplace_back(data);
    writeTimes.push_back(clock_.now);
    if (responder) At(clock_.now + replyDelayMs, responder(std::string(data)));
    return true;
  }
  long Waiting(PortError& err) override {
    Land();
    return FakePort::Waiting(err);
  }
  bool Read(std::string& out, PortError& err) override {
    Land();
    return FakePort::Read(out, err);
  }
  bool WaitForData(int timeoutMs) override {
    Land();
    if (!input.empty()) return true;
    uint32_t wake = clock_.now + static_cast<uint32_t>(timeoutMs);
    if (!arrivals.empty()) wake = std::min(wake, arrivals.begin()->first);
    clock_.SleepMs(wake - clock_.now + oversleepMs);
    Land();
    return !input.empty();
  }

  uint32_t replyDelayMs = 0;
  uint32_t oversleepMs = 0;
  std::multimap<uint32_t, std::string> arrivals;  // landing time -> bytes
  std::vector<uint32_t> writeTimes;

 private:
  void Land() {
    while (!arrivals.empty() && arrivals.begin()->first <= clock_.now) {
      input += arrivals.begin()->second;
      arrivals.erase(arrivals.begin());
    }
  }

  FakeClock& clock_;
};
