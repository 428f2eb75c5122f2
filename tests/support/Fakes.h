#pragma once
// Plain fakes of the platform seams for unit tests.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/EventPump.h"
#include "platform/MessageBoxes.h"
#include "platform/SerialPort.h"
#include "platform/StatusLine.h"
#include "platform/WindowHost.h"

// A clock that only moves when told to, or when someone sleeps.
class FakeClock : public Clock {
 public:
  uint32_t TickMs() override {
    const uint32_t t = now;
    now += autoAdvanceMs;  // lets spinning loops make progress
    return t;
  }
  double TimeOfDaySeconds() override { return startOfDay + now / 1000.0; }
  void SleepMs(uint32_t ms) override {
    sleptMs += ms;
    now += ms;
  }
  uint32_t now = 0;
  uint32_t autoAdvanceMs = 0;
  uint64_t sleptMs = 0;
  double startOfDay = 12 * 3600;
};

// A port whose replies come from a responder called for every write. Replies are
// waiting at once; WaitForData with nothing waiting moves the fake clock on.
class FakePort : public SerialPort {
 public:
  explicit FakePort(FakeClock& clock) : clock_(clock) {}

  std::string openError = "No such file or directory";  // what a failing open reports
  bool Open(const std::string& name, PortError& err) override {
    openedName = name;
    if (failOpen) {
      err = {2, openError};
      return false;
    }
    open = true;
    return true;
  }
  bool Close(PortError&) override {
    open = false;
    return true;
  }
  bool IsOpen() const override { return open; }
  bool Write(std::string_view data, PortError& err) override {
    if (!open) {
      err = {13, "Port not open"};
      return false;
    }
    written.emplace_back(data);
    if (responder) input += responder(std::string(data));
    return true;
  }
  long Waiting(PortError& err) override {
    if (!open) {
      err = {13, "Port not open"};
      return -1;
    }
    return static_cast<long>(input.size());
  }
  bool Read(std::string& out, PortError& err) override {
    if (!open) {
      err = {13, "Port not open"};
      return false;
    }
    if (!chunks.empty() && input.empty()) {
      input = chunks.front();
      chunks.pop_front();
    }
    out += input;
    input.clear();
    return true;
  }
  bool WaitForData(int timeoutMs) override {
    if (input.empty() && !chunks.empty()) {
      input = chunks.front();
      chunks.pop_front();
    }
    if (!input.empty()) return true;
    clock_.SleepMs(timeoutMs > 0 ? timeoutMs : 1);
    return false;
  }
  void Event(int code) { RaiseEvent(code); }

  std::string openedName;
  bool open = false;
  bool failOpen = false;
  std::vector<std::string> written;  // every write, terminator included
  std::string input;                 // waiting bytes
  std::deque<std::string> chunks;    // bytes that arrive one piece per wait
  std::function<std::string(const std::string&)> responder;

 private:
  FakeClock& clock_;
};

class FakeMessages : public MessageBoxes {
 public:
  void Show(const std::string& text, const std::string& title, MsgIcon icon) override {
    shown.push_back(text);
    icons.push_back(icon);
  }
  // Records the question and gives the answer set beforehand (OK unless told).
  bool Ask(const std::string& text, const std::string&) override {
    asked.push_back(text);
    return answer;
  }
  std::vector<std::string> shown;
  std::vector<MsgIcon> icons;
  std::vector<std::string> asked;
  bool answer = true;
};

class FakeStatusLine : public StatusLine {
 public:
  std::string Text() const override { return text; }
  void SetText(const std::string& t) override { text = t; }
  std::string text;
};

class FakePump : public EventPump {
 public:
  void ProcessEvents() override {
    ++calls;
    if (onEvents) onEvents();
  }
  // A homing or "Delay" looking for a Stop.
  void ProcessStopOnly() override {
    ++stopOnlyCalls;
    if (onStopOnly) onStopOnly();
  }
  int calls = 0;
  std::function<void()> onEvents;
  int stopOnlyCalls = 0;
  std::function<void()> onStopOnly;
};

class FakeWindows : public WindowHost {
 public:
  bool IsFormLoaded(const std::string& name) override {
    return (name == "frmLift" && mainLoaded) || (name == "frmInterp" && interpLoaded);
  }
  void LoadMainWindow() override { mainLoaded = true; }
  void ShowMainWindow() override {
    mainLoaded = true;
    mainVisible = true;
  }
  void HideMainWindow() override { mainVisible = false; }
  void UnloadMainWindow() override {
    mainLoaded = false;
    mainVisible = false;
    if (onUnload) onUnload();
  }
  void SetCommandText(const std::string& t) override { commandText = t; }
  void SetStatusText(const std::string& t) override { status.text = t; }
  StatusLine* MainStatusLine() override {
    mainLoaded = true;
    return &status;
  }
  void JoyVisibility() override {
    ++joyVisibilityCalls;
    if (onJoyVisibility) onJoyVisibility();
  }
  void ShowInterpMsg(const std::string& t) override {
    if (interpLoaded) interpMsg = t;
  }

  bool mainLoaded = false, mainVisible = false, interpLoaded = false;
  std::string commandText, interpMsg;
  FakeStatusLine status;
  int joyVisibilityCalls = 0;
  std::function<void()> onUnload, onJoyVisibility;
};
