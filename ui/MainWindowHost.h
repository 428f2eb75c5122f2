#pragma once
// The window seams over the real windows: loads, shows, hides and unloads frmLift,
// and gives the link a status line that outlives the window.
#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/StatusLine.h"
#include "platform/WindowHost.h"

#include "ui/frmLift.h"
class Clock;
class QWidget;
class EventPump;
class LiftPanel;
class LiveStatus;
class PanelDialogs;
class MessageBoxes;
struct CoreModules;

// Where the joystick and the interpreter plug into the main window; the host itself
// runs the core's tick (LiftTick) from the window's load to its unload. Set them before
// start-up loads the window; each one may stay empty.
struct MainWindowHooks {
  // After each tick of the core's engine (every 300 ms while the main window is
  // loaded, also while it is hidden): the joystick's menu follows the switches.
  std::function<void()> tick;
  // After every load of the main window: fill the "Joystick" frame and menu.
  std::function<void(frmLift&)> loaded;
  // WindowHost::JoyVisibility while the main window is loaded; also run at its load.
  std::function<void()> joyVisibility;
  // Before the main window goes: anything that must stop with it.
  std::function<void()> unloading;
  // "Interpreter": show the interpreter window beside the main window, not modal.
  std::function<void(QWidget* mainWindow)> openInterpreter;
  // Unloading the main window unloads the interpreter window too.
  std::function<void()> unloadInterpreter;
  // IsFormLoaded("frmInterp") and ShowInterpMsg.
  std::function<bool()> interpreterLoaded;
  std::function<void(const std::string&)> showInterpMsg;
};

class MainWindowHost : public WindowHost, public StatusLine {
 public:
  MainWindowHost(Clock& clock, EventPump& pump);
  ~MainWindowHost() override;

  // The core is made after the window seams it uses; the root wires it here. The
  // main window's menus use the Qt dialogs, or the given ones.
  void SetCore(CoreModules& core, MessageBoxes& messages);
  void SetCore(CoreModules& core, PanelDialogs& dialogs);

  MainWindowHooks hooks;
  // Runs after the main window was unloaded (the lifetime rules).
  std::function<void()> onUnloaded;

  bool IsFormLoaded(const std::string& name) override;
  void LoadMainWindow() override;
  void ShowMainWindow() override;
  void HideMainWindow() override;
  void UnloadMainWindow() override;
  void SetCommandText(const std::string& text) override;
  void SetStatusText(const std::string& text) override;
  StatusLine* MainStatusLine() override;
  void JoyVisibility() override;
  void ShowInterpMsg(const std::string& text) override;

  // StatusLine: the main window's lblMsg while it is loaded.
  std::string Text() const override;
  // The command box's text; empty while the main window is not loaded.
  std::string CommandText() const;
  // The box's text when the operator typed or chose it since the last write through
  // SetCommandText or a DDE execute; nullopt when the box holds what was written or is
  // empty.
  std::optional<std::string> TypedCommandText() const;
  void SetText(const std::string& text) override { SetStatusText(text); }

  // A DDE-style execute: through the main window when it is loaded.
  void DdeExecute(const std::string& text);

  // While a client's request runs, what it writes to the command box and the status
  // line is kept (readers get it at once) and shown when the request lets go, once its
  // answer is out: the window's repainting does not delay the answer. Requests nest.
  void HoldDisplay() { ++held_; }
  void ReleaseDisplay();
  // Around events that run inside a request (and a DDE execute): what is kept is shown
  // first, and what is written meanwhile (a tick, the operator, a nested request) is
  // shown in its turn.
  void SuspendHold();
  void ResumeHold();
  frmLift* MainWindow() const { return form_; }

 private:
  Clock& clock_;
  EventPump& pump_;
  CoreModules* core_ = nullptr;
  std::unique_ptr<PanelDialogs> ownDialogs_;
  std::unique_ptr<LiftPanel> panel_;
  std::unique_ptr<LiveStatus> live_;  // the live position and link indicator
  QPointer<frmLift> form_;
  QPointer<frmLift> leaving_;  // unloaded, deleted once its last handler has returned
  std::string written_;        // the command box's text as last written
  void ShowHeld();
  int held_ = 0;                // requests holding the display
  std::vector<int> suspended_;  // held_ of the requests whose events run
  std::optional<std::string> heldCommand_, heldStatus_;
};
