#include "ui/JoyMenu.h"

#include <QAction>
#include <QMenu>

#include "joystick/STJoy.h"
#include "panels/JoyMenuActions.h"
#include "domain/ProgramState.h"
#include "ui/JoyIndicator.h"
#include "ui/ModalDialog.h"
#include "ui/WindowLife.h"
#include "ui/frmEdit.h"
#include "ui/frmParList.h"

JoyMenu::JoyMenu(QMenu* mnuJoy, JoyMenuActions& actions, const ProgramState& state,
                 const STJoy& joy, JoyIndicator& indicator, TRAPAR& par, MessageBoxes& messages,
                 QWidget* dialogParent, WindowLife* life)
    : QObject(mnuJoy),
      actions_(actions),
      state_(state),
      joy_(joy),
      indicator_(indicator),
      life_(life) {
  editText = [dialogParent](std::string& text) {
    auto* dialog = new frmEdit(dialogParent);
    dialog->SetText(text);
    bool accepted = false;
    modal::Exec<frmEdit>(dialog, [&](frmEdit& done) {
      accepted = done.GetAccept() == 1;
      if (accepted) text = done.GetTextRes();
    });
    return accepted;
  };
  editParameters = [&par, &messages, dialogParent] {
    auto* editor = new frmParList(par, messages, dialogParent);
    editor->SetShowPar(-1, -1);
    modal::Exec(editor);
  };
  on_ = Add(mnuJoy, "mnuJoyOn", "On?", [this] { actions_.SwitchOnOff(); });
  on_->setCheckable(true);
  calib_ = Add(mnuJoy, "mnuJoyCalib", "Calibrate", [this] { actions_.Calibrate(); });
  calib_->setCheckable(true);
  Add(mnuJoy, "mnuJoyAssgnCmd", "Assigned Commands",
      [this] { actions_.AssignedCommands(editText); });
  Add(mnuJoy, "mnuTogAxes", "Toggle Axes", [this] { actions_.ToggleAxes(); });
  Add(mnuJoy, "mnuJoyPar", "Param.", [this] { actions_.Param(editParameters); });
  indicator_.SetPopupMenu(mnuJoy);
  actions_.StickPresent();
  JoyVisibility();
}

QAction* JoyMenu::Add(QMenu* menu, const char* name, const char* caption,
                      const std::function<void()>& action) {
  QAction* item = menu->addAction(caption);
  item->setObjectName(name);
  // The check marks follow the switches, not the click.
  const auto run = [this, action] {
    action();
    JoyVisibility();
  };
  if (life_) connect(item, &QAction::triggered, this, life_->Guarded(run));
  else connect(item, &QAction::triggered, this, run);
  return item;
}

JoyMenu::Shown JoyMenu::Switches() const {
  return {state_.JoyOn, state_.JoyAxes, joy_.JoyCalibrating(), joy_.JoyStickSeen()};
}

void JoyMenu::JoyVisibility() {
  shown_ = Switches();
  const bool on = state_.JoyOn == 1;
  on_->setChecked(on);
  calib_->setChecked(joy_.JoyCalibrating() != 0);
  indicator_.SetAppearance(on, state_.JoyAxes == 1);
  indicator_.SetNoStick(!joy_.JoyStickSeen());
}

void JoyMenu::Follow() {
  if (Switches() != shown_) JoyVisibility();
}
