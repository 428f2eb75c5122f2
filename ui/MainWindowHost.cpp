#include "ui/MainWindowHost.h"

#include "server/STCommands.h"
#include "server/Startup.h"
#include "ui/frmLift.h"

MainWindowHost::MainWindowHost(Clock& clock, EventPump& pump) : clock_(clock), pump_(pump) {}

MainWindowHost::~MainWindowHost() { delete form_.data(); }

bool MainWindowHost::IsFormLoaded(const std::string& name) {
  return name == "frmLift" && !form_.isNull();
}

void MainWindowHost::LoadMainWindow() {
  if (form_) return;
  form_ = new frmLift(*cmds_, clock_, pump_, Startup::kHistMax);
  form_->onCloseRequested = [this] { UnloadMainWindow(); };
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
  form_ = nullptr;
  form->hide();
  form->deleteLater();  // a handler of it may be on the stack
  if (onUnloaded) onUnloaded();
}

void MainWindowHost::SetCommandText(const std::string& text) {
  if (form_) form_->SetCommandText(text);
}

void MainWindowHost::SetStatusText(const std::string& text) {
  if (form_) form_->SetStatusText(text);
}

StatusLine* MainWindowHost::MainStatusLine() {
  LoadMainWindow();
  return this;
}

std::string MainWindowHost::Text() const { return form_ ? form_->StatusText() : std::string(); }

void MainWindowHost::DdeExecute(const std::string& text) {
  if (form_) form_->DdeExecute(text);
  else cmds_->ExecCmdString(text);
}
