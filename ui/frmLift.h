#pragma once
// The operator's main window: command box with its history, Execute, status line and
// the time label. (Jog buttons, joystick indicator and menus come with the full window.)
#include <QWidget>
#include <functional>
#include <string>

class QComboBox;
class QLabel;
class QPushButton;
class STCommands;
class Clock;
class EventPump;

class frmLift : public QWidget {
  Q_OBJECT
 public:
  frmLift(STCommands& cmds, Clock& clock, EventPump& pump, int histMax);

  // Called when the operator closes the window: the window is unloaded, not hidden.
  std::function<void()> onCloseRequested;

  void SetCommandText(const std::string& text);
  void SetStatusText(const std::string& text);
  std::string StatusText() const;
  // A DDE-style execute on the "Command" topic: runs the text like the command box.
  void DdeExecute(const std::string& text);
  void RememberCmdInHist();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Execute();
  void RunTimed(const std::string& text, bool fromBox);

  STCommands& cmds_;
  Clock& clock_;
  EventPump& pump_;
  int histMax_;
  QComboBox* cboCommand_;
  QPushButton* cmdExecute_;
  QLabel* lblMsg_;
  QLabel* lblTime_;
};
