#pragma once
// The operator's main window: command box with its history, Execute, the jog area with
// its step size, the joystick frame, the status line, the time label, the three menus and
// the 300 ms timer. What its controls do lives in LiftPanel; this class only binds them.
#include <QMainWindow>
#include <cstdint>
#include <functional>
#include <string>

#include "ui/WindowLife.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;
class JogButton;
class LiftPanel;
class STCommands;
class Clock;
class EventPump;

class frmLift : public QMainWindow {
  Q_OBJECT
 public:
  frmLift(LiftPanel& panel, STCommands& cmds, Clock& clock, EventPump& pump, int histMax);
  ~frmLift() override;

  // Called when the operator closes the window (close box or "Quit"): the window is
  // unloaded, not hidden.
  std::function<void()> onCloseRequested;
  // Every tick of tmrST (300 ms, from load to unload, also while hidden).
  std::function<void()> onTick;
  // "Interpreter": open the interpreter window beside this one.
  std::function<void()> onInterpreter;
  // The operator's Stop: the cmdStop button or Escape.
  std::function<void()> onStop;

  // The load steps that follow construction: step size filled, timer started.
  void Load();
  // Before the window goes away: no further tick.
  void Unloading();
  // Unloaded: hidden at once, its dialogs closed, deleted when no handler of it runs.
  void Release() { life_.Unload(); }
  // Handlers that others attach to the window's controls (the joystick menu) run guarded,
  // so that the window outlives them.
  WindowLife& Life() { return life_; }

  // Shows the step size in the step-size box.
  void FillStep();
  void SetCommandText(const std::string& text);
  void SetStatusText(const std::string& text);
  std::string StatusText() const;
  std::string CommandText() const;  // cboCommand's text
  // A DDE-style execute on the "Command" topic: runs the text like the command box.
  void DdeExecute(const std::string& text);
  void RememberCmdInHist();

  // The joystick's place: the "Joystick" frame and the "Joystick" menu (a submenu of
  // "Config.", and the pop-up on a press in the frame). The content covers the whole frame
  // (its coordinates start at the frame's top left) and should leave mouse presses to it.
  QGroupBox* JoyFrame() const { return fraJoy_; }
  // The live position's places: the "Lift" frame (its caption) and the link indicator
  // below the joystick frame (hidden until the position display draws it).
  QGroupBox* LiftFrame() const { return fraLift_; }
  QLabel* LinkIndicator() const { return lblLink_; }
  // The lift's state (idle, moving, ...), above the link indicator; hidden like it.
  QLabel* StateIndicator() const { return lblState_; }
  void SetJoyContent(QWidget* content);
  QMenu* JoyMenu() const { return mnuJoy_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void BuildJogArea();
  void BuildStop();
  void Stop();
  void PlaceControls();
  void BuildMenus();
  void BuildConfigMenu();
  void BuildZMenu();
  void BuildInterpMenu();
  void Execute();
  // A jog takes the step size box's text when it is a number, typed or not confirmed yet;
  // false when the box holds no number (the jog is not sent: it would not be what is shown).
  bool TakeStepText();
  void RunTimed(const std::string& text, bool fromBox);

  LiftPanel& panel_;
  STCommands& cmds_;
  Clock& clock_;
  EventPump& pump_;
  int histMax_;
  QWidget* client_;
  QComboBox* cboCommand_;
  QPushButton* cmdExecute_;
  QGroupBox* fraLift_;
  JogButton* cmdFUC_;
  JogButton* cmdFDC_;
  JogButton* cmdFUF_;
  JogButton* cmdFDF_;
  QLineEdit* txtStep_;
  QGroupBox* fraJoy_;
  QPushButton* cmdStop_;
  QLabel* lblMsg_;
  std::string statusText_;  // lblMsg's bytes as the core gave them
  QLabel* lblTime_;
  QLabel* lblLink_;
  QLabel* lblState_;
  QTimer* tmrST_;
  QMenu* mnuJoy_ = nullptr;
  bool jogRefused_ = false;  // the pressed jog button sent nothing
  WindowLife life_{*this};
};
