#pragma once
// The window operations that non-window code calls. Writes first check that the
// window is loaded, so a command from a client never creates a window as a side effect.
#include <string>

class StatusLine;

class WindowHost {
 public:
  virtual ~WindowHost() = default;

  // The main window's name.
  static constexpr const char* kMainWindow = "frmLift";

  // 1 if a loaded window has exactly that name ("frmLift", "frmInterp", ...).
  virtual bool IsFormLoaded(const std::string& name) = 0;

  // The main window frmLift.
  virtual void LoadMainWindow() = 0;    // loads it hidden when not loaded
  virtual void ShowMainWindow() = 0;    // loads it first when needed; not modal
  virtual void HideMainWindow() = 0;    // stays loaded
  virtual void UnloadMainWindow() = 0;  // the window's unload runs the lifetime rules
  virtual void SetCommandText(const std::string& text) = 0;  // cboCommand
  virtual void SetStatusText(const std::string& text) = 0;   // lblMsg
  // The status line of the main window; loads the window (hidden) when needed.
  virtual StatusLine* MainStatusLine() = 0;
  // Redraws the joystick indicator after a switch changed.
  virtual void JoyVisibility() = 0;

  // The interpreter window's message line; nothing when that window is not open.
  virtual void ShowInterpMsg(const std::string& text) = 0;
};
