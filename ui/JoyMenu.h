#pragma once
// The main window's "Joystick" menu ("On?", "Calibrate", "Assigned Commands", "Toggle
// Axes", "Param."), filled into a given menu and bound to the core's joystick
// operations. The same menu pops up on a press in the joystick indicator.
#include <QObject>
#include <cstdint>
#include <functional>
#include <string>

class QAction;
class QMenu;
class JoyIndicator;
class JoyMenuActions;
class MessageBoxes;
class QWidget;
class STJoy;
class TRAPAR;
class WindowLife;
struct ProgramState;

class JoyMenu : public QObject {
 public:
  // The dialogs open modally over dialogParent; par and messages serve the parameter
  // list editor. The items run as handlers of the window of the given life, if any.
  JoyMenu(QMenu* mnuJoy, JoyMenuActions& actions, const ProgramState& state, const STJoy& joy,
          JoyIndicator& indicator, TRAPAR& par, MessageBoxes& messages, QWidget* dialogParent,
          WindowLife* life = nullptr);

  // The text dialog for "Assigned Commands" (frmEdit unless replaced): gets the commands,
  // one per line, and answers whether the operator accepted the edited text.
  std::function<bool(std::string& text)> editText;
  // The parameter list editor for "Param." on the settings store's current file
  // (frmParList unless replaced), modal.
  std::function<void()> editParameters;

  // Brings the menu's check marks and the indicator in line with the switches.
  void JoyVisibility();
  // The same, only when a switch changed since they were last brought in line (cheap:
  // called on every tick, so that they follow the switches whoever changed them).
  void Follow();

  QAction* mnuJoyOn() const { return on_; }
  QAction* mnuJoyCalib() const { return calib_; }

 private:
  QAction* Add(QMenu* menu, const char* name, const char* caption,
               const std::function<void()>& action);

  JoyMenuActions& actions_;
  const ProgramState& state_;
  const STJoy& joy_;
  JoyIndicator& indicator_;
  WindowLife* life_;
  QAction* on_;
  QAction* calib_;
  struct Shown {
    int16_t joyOn, joyAxes, calibrating;
    bool stick;
    bool operator==(const Shown&) const = default;
  };
  Shown Switches() const;
  Shown shown_{};
};
