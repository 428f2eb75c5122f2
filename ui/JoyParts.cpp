#include "ui/JoyParts.h"

#include "core/CoreModules.h"
#include "ui/JoyIndicator.h"
#include "ui/JoyMenu.h"

JoyParts::JoyParts(CoreModules& core, MessageBoxes& messages) : core_(core), messages_(messages) {}

void JoyParts::Loaded(QWidget* fraJoy, QMenu* mnuJoy, QWidget* dialogParent, WindowLife* life) {
  indicator_ = new JoyIndicator(fraJoy);
  menu_ = new JoyMenu(mnuJoy, core_.joyMenu, core_.state, core_.joy, *indicator_, core_.par,
                      messages_, dialogParent, life);
  core_.tick.joyDisplay = [this](int16_t x, int16_t y, int16_t fullScale) {
    if (indicator_) indicator_->JoyDisplay(x, y, fullScale);
  };
}

void JoyParts::JoyVisibility() {
  if (menu_ && indicator_) menu_->JoyVisibility();
}

void JoyParts::Follow() {
  if (menu_ && indicator_) menu_->Follow();
}

void JoyParts::Unloading() { core_.tick.joyDisplay = nullptr; }
