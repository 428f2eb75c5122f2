#pragma once
// The joystick's parts of the main window, for the window's host: at each load it fills
// the "Joystick" frame with the indicator and the "Joystick" menu with its items and
// starts the tick; at unload it stops the tick (and a run the stick left going).
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
  void Loaded(QWidget* fraJoy, QMenu* mnuJoy, QWidget* dialogParent,
              WindowLife* life = nullptr);
  // WindowHost::JoyVisibility while the window is loaded.
  void JoyVisibility();
  // Every tick of the window's 300 ms timer; the menu and the indicator then follow
  // the switches.
  void Tick();
  // Before the window goes.
  void Unloading();

 private:
  CoreModules& core_;
  MessageBoxes& messages_;
  QPointer<JoyIndicator> indicator_;  // owned by the frame
  QPointer<JoyMenu> menu_;            // owned by the menu
};
