#pragma once
// The composition root: builds every module once over the real seams, serves the
// automation socket and applies the lifetime rules.
#include <QString>
#include <memory>

#include "platform/SystemClock.h"
#include "platform/qt/QtBeeper.h"
#include "platform/sdl/SdlJoystick.h"
#include "platform/qt/QtEventPump.h"
#include "platform/qt/QtMessageBoxes.h"
#include "server/AutomationHost.h"

class SerialPort;
class MainWindowHost;
class AutomationEndpoint;
class InterpLauncher;
class JoyParts;
struct CoreModules;

struct Options {
  QString dir;         // the settings folder, AppDir
  QString socketPath;  // the automation socket
  bool automation = false;
};

class Kelvorin : public AutomationHost {
 public:
  Kelvorin();
  ~Kelvorin() override;

  // Start-up; false when the automation socket could not be served.
  bool Start(const Options& options);

  void ClientCreated() override;
  void ClientReleased() override;
  std::string Exec(const std::string& cmd, ClientLink link) override;
  void Replied() override;
  void DdeExecute(const std::string& text) override;
  bool RequestsHeld() const override { return pump_.StopOnlyActive(); }

 private:
  void QuitWhenUnused();
  void WireInterpreter();
  void WireJoystick();

  SystemClock clock_;
  QtEventPump pump_;
  QtMessageBoxes messages_;
  SdlJoystick joystick_;
  QtBeeper beeper_;
  std::unique_ptr<SerialPort> realPort_;
  std::unique_ptr<SerialPort> simPort_;
  std::unique_ptr<SerialPort> port_;
  std::unique_ptr<MainWindowHost> windows_;
  std::unique_ptr<CoreModules> core_;
  std::unique_ptr<InterpLauncher> interp_;  // these go before the core they run on
  std::unique_ptr<JoyParts> joyParts_;
  std::unique_ptr<AutomationEndpoint> endpoint_;
};
