#include "ui/MainWindowHost.h"

#include "core/CoreModules.h"
#include "panels/LiftPanel.h"
#include "ui/LiveStatus.h"
#include "ui/QtPanelDialogs.h"
#include "platform/Clock.h"
#include "ui/frmLift.h"

#include <utility>

MainWindowHost::MainWindowHost(Clock& clock, EventPump& pump) : clock_(clock), pump_(pump) {}

// By now no handler of a window runs: one still waiting for its release goes too. The
// core is made after this host and goes before it: it is not touched here.
MainWindowHost::~MainWindowHost() {
  delete form_.data();
  delete leaving_.data();
}

void MainWindowHost::SetCore(CoreModules& core, MessageBoxes& messages) {
  ownDialogs_ = std::make_unique<QtPanelDialogs>(core.par, messages,
                                                 [this] { return form_.data(); });
  SetCore(core, *ownDialogs_);
}

void MainWindowHost::SetCore(CoreModules& core, PanelDialogs& dialogs) {
  core_ = &core;
  panel_ = std::make_unique<LiftPanel>(core.state, core.cmds, core.foc, core.par, core.comm,
                                       core.startup, pump_, *this, dialogs);
  panel_->onStepSizeFilled = [this] {
    if (form_) form_->FillStep();
  };
  live_ = std::make_unique<LiveStatus>(core.posPoll);
  core.posPoll.displayed = [this] { return form_ && form_->isVisible(); };
  core.tick.jogHeld = [this] { return panel_->JogHeld(); };
  core.posPoll.notice = [this](const std::string& text) { SetStatusText(text); };
  // A homing lets no tick run: the reads it makes for the display draw it themselves.
  core.motor.Live().onFollowed = [this] {
    core_->posPoll.Follow(clock_.TickMs());
    if (live_) live_->Refresh();
  };
}

bool MainWindowHost::IsFormLoaded(const std::string& name) {
  if (name == "frmLift") return !form_.isNull();
  if (name == "frmInterp") return hooks.interpreterLoaded && hooks.interpreterLoaded();
  return false;
}

void MainWindowHost::LoadMainWindow() {
  if (form_) return;
  form_ = new frmLift(*panel_, core_->cmds, clock_, pump_, Startup::kHistMax);
  form_->onCloseRequested = [this] {
    const QPointer<frmLift> asked = form_;
    if (panel_->MayClose(core_->interp.RunMode()) && form_ && form_ == asked) UnloadMainWindow();
  };
  form_->onTick = [this] {
    core_->tick.Tick();
    if (hooks.tick) hooks.tick();
    if (live_) live_->Refresh();  // draws only what a tick changed
  };
  form_->onInterpreter = [this] {
    if (hooks.openInterpreter && form_) hooks.openInterpreter(form_.data());
  };
  form_->onStop = [this] { core_->stopAll.Stop(); };
  if (live_) live_->Attach(form_->LiftFrame(), form_->LinkIndicator(), form_->StateIndicator());
  if (hooks.loaded) hooks.loaded(*form_);
  if (hooks.joyVisibility) hooks.joyVisibility();
  core_->tick.Start();
  form_->Load();
}

void MainWindowHost::ShowMainWindow() {
  LoadMainWindow();
  form_->show();
  form_->raise();
}

void MainWindowHost::HideMainWindow() {
  if (form_) form_->hide();
}

void MainWindowHost::UnloadMainWindow() {
  if (!form_) return;
  frmLift* form = form_;
  form->Unloading();
  core_->tick.Stop();  // also stops a speed the joystick left running
  if (hooks.unloading) hooks.unloading();
  if (hooks.unloadInterpreter) hooks.unloadInterpreter();
  form_ = nullptr;
  heldCommand_.reset();
  heldStatus_.reset();
  leaving_ = form;
  form->Release();  // a handler of it may be on the stack, below a nested event loop
  if (onUnloaded) onUnloaded();
}

void MainWindowHost::SetCommandText(const std::string& text) {
  written_ = text;
  if (!form_) return;
  if (held_ > 0) heldCommand_ = text;
  else form_->SetCommandText(text);
}

void MainWindowHost::SetStatusText(const std::string& text) {
  if (!form_) return;
  if (held_ > 0) heldStatus_ = text;
  else form_->SetStatusText(text);
}

void MainWindowHost::ShowHeld() {
  if (form_ && heldCommand_) form_->SetCommandText(*heldCommand_);
  if (form_ && heldStatus_) form_->SetStatusText(*heldStatus_);
  heldCommand_.reset();
  heldStatus_.reset();
}

void MainWindowHost::ReleaseDisplay() {
  if (held_ > 0) --held_;
  ShowHeld();
}

void MainWindowHost::SuspendHold() {
  ShowHeld();
  suspended_.push_back(std::exchange(held_, 0));
}

void MainWindowHost::ResumeHold() {
  if (suspended_.empty()) return;
  held_ += suspended_.back();
  suspended_.pop_back();
}

StatusLine* MainWindowHost::MainStatusLine() {
  LoadMainWindow();
  return this;
}

void MainWindowHost::JoyVisibility() {
  if (form_ && hooks.joyVisibility) hooks.joyVisibility();
}

void MainWindowHost::ShowInterpMsg(const std::string& text) {
  if (hooks.showInterpMsg) hooks.showInterpMsg(text);
}

std::string MainWindowHost::Text() const {
  if (!form_) return std::string();
  return heldStatus_ ? *heldStatus_ : form_->StatusText();
}

std::string MainWindowHost::CommandText() const {
  if (!form_) return std::string();
  return heldCommand_ ? *heldCommand_ : form_->CommandText();
}

std::optional<std::string> MainWindowHost::TypedCommandText() const {
  std::string text = CommandText();
  if (text.empty() || text == written_) return std::nullopt;
  return text;
}

// The window shows a DDE execute as it runs, in order with its own writes.
void MainWindowHost::DdeExecute(const std::string& text) {
  written_ = text;  // a client's line in the box is no operator's line
  SuspendHold();
  if (form_) form_->DdeExecute(text);
  else core_->cmds.ExecCmdString(text);
  ResumeHold();
}
