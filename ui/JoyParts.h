#pragma once
// The joystick's parts of the main window, for the window's host: at each load it fills
// the "Joystick" frame with the indicator and the "Joystick" menu with its items; the
// indicator draws what the core's tick read. They only draw and forward clicks: the
// host runs the tick.
#include <QPointer>

class QMenu;
class QWidget;
class JoyIndicator;
class JoyMenu;
class MessageBoxes;
class WindowLife;
struct CoreModules;

class JoyParts {
 public:
  JoyParts(CoreModules& core, MessageBoxes& messages);

  // After the main window's load: fraJoy and mnuJoy are the window's empty frame and
  // menu; the menu's dialogs open over dialogParent, and its items run as handlers of
  // the window whose life is given.
  void Loaded(QWidget* fraJoy, QMenu* mnuJoy, QWidget* dialogParent, WindowLife* life = nullptr);
  // WindowHost::JoyVisibility while the window is loaded.
  void JoyVisibility();
  // After every tick: the menu and the indicator follow the switches.
  void Follow();
  // Before the window goes.
  void Unloading();

 private:
  CoreModules& core_;
  MessageBoxes& messages_;
  QPointer<JoyIndicator> indicator_;  // owned by the frame
  QPointer<JoyMenu> menu_;            // owned by the menu
};
