#pragma once
// The window seams over the real windows: loads, shows, hides and unloads frmLift,
// and gives the link a status line that outlives the window.
#include <QPointer>
#include <functional>

#include "platform/StatusLine.h"
#include "platform/WindowHost.h"

#include "ui/frmLift.h"
class STCommands;
class Clock;
class EventPump;

class MainWindowHost : public WindowHost, public StatusLine {
 public:
  MainWindowHost(Clock& clock, EventPump& pump);
  ~MainWindowHost() override;

  // The dispatcher is made after the window seams it uses; the root wires it here.
  void SetCommands(STCommands* cmds) { cmds_ = cmds; }
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
  void JoyVisibility() override {}
  void ShowInterpMsg(const std::string& text) override {}

  // StatusLine: the main window's lblMsg while it is loaded.
  std::string Text() const override;
  void SetText(const std::string& text) override { SetStatusText(text); }

  // A DDE-style execute: through the main window when it is loaded.
  void DdeExecute(const std::string& text);
  frmLift* MainWindow() const { return form_; }

 private:
  Clock& clock_;
  EventPump& pump_;
  STCommands* cmds_ = nullptr;
  QPointer<frmLift> form_;
};
