#include "ui/LiveStatus.h"

#include <QGroupBox>
#include <QLabel>
#include <string>

#include "panels/LiftState.h"
#include "panels/PosPoll.h"

LiveStatus::LiveStatus(PosPoll& poll) : poll_(poll) {}

void LiveStatus::Attach(QGroupBox* liftFrame, QLabel* indicator, QLabel* state) {
  frame_ = liftFrame;
  indicator_ = indicator;
  state_ = state;
  stateDrawn_ = -1;
  base_ = liftFrame ? liftFrame->title().toLatin1().toStdString() : std::string();
  everDrawn_ = false;
  indicatorDrawn_ = -1;
  Refresh();
}

void LiveStatus::Refresh() {
  if (!frame_ || !indicator_) return;
  if (!poll_.On()) {
    if (everDrawn_) Clear();  // switched off by a new configuration
    return;
  }
  if (everDrawn_ && drawn_ == poll_.Changes()) return;  // nothing new: no drawing
  Draw();
}

void LiveStatus::Clear() {
  frame_->setTitle(QString::fromLatin1(base_.data(), static_cast<qsizetype>(base_.size())));
  indicator_->hide();
  if (state_) state_->hide();
  stateDrawn_ = -1;
  everDrawn_ = false;
  indicatorDrawn_ = -1;
}

void LiveStatus::Draw() {
  // Texts are bytes, shown as Latin-1 like every text of the windows.
  const std::string caption = poll_.Caption(base_);
  frame_->setTitle(QString::fromLatin1(caption.data(), static_cast<qsizetype>(caption.size())));
  DrawIndicator(poll_.Status());
  DrawState(poll_.State());
  drawn_ = poll_.Changes();
  everDrawn_ = true;
}

// A new position alone leaves the indicator as it is (restyling it costs a polish).
void LiveStatus::DrawIndicator(LinkStatus status) {
  if (indicatorDrawn_ == static_cast<int>(status)) return;
  const Look look = LookOf(status);
  indicator_->setText(look.text);
  indicator_->setToolTip(look.tip);
  indicator_->setStyleSheet(QStringLiteral("QLabel { background: %1; }").arg(look.colour));
  indicator_->setVisible(status != LinkStatus::Unknown);
  indicatorDrawn_ = static_cast<int>(status);
}

void LiveStatus::DrawState(LiftState state) {
  if (!state_ || stateDrawn_ == static_cast<int>(state)) return;
  const Look look = LookOf(state);
  state_->setText(look.text);
  state_->setToolTip(look.tip);
  state_->setStyleSheet(
      QStringLiteral("QLabel { background: %1; font-weight: bold; }").arg(look.colour));
  state_->show();
  stateDrawn_ = static_cast<int>(state);
}

// Green: the lift stands and may be moved; amber: it moves or something drives it;
// red: it cannot be moved now.
LiveStatus::Look LiveStatus::LookOf(LiftState state) {
  const char* text = LiftStateText(state);
  switch (state) {
    case LiftState::Idle: return {text, "The lift stands still; it may be moved", "#b8e6b8"};
    case LiftState::Moving: return {text, "The lift is moving", "#f5d58a"};
    case LiftState::Homing:
      return {text, "The lift runs to its limit switch to find its origin", "#f5d58a"};
    case LiftState::ProgramRunning:
      return {text, "A program is running and drives the lift", "#f5d58a"};
    case LiftState::Joystick:
      return {text, "Joystick control is on: the stick moves the lift", "#f5d58a"};
    case LiftState::LinkDown:
      return {text, "The controller does not answer: the lift cannot be moved", "#f0a0a0"};
    case LiftState::ZOff: return {text, "No Z axis: the lift cannot be moved", "#d0d0d0"};
  }
  return {text, "", "#d0d0d0"};
}

LiveStatus::Look LiveStatus::LookOf(LinkStatus status) {
  switch (status) {
    case LinkStatus::Answering:
      return {"Link OK", "Serial link open; the controller answers", "#b8e6b8"};
    case LinkStatus::TimeOuts:
      return {"No answer", "Serial link open; the controller does not answer", "#f5d58a"};
    case LinkStatus::Lost:
      return {"Re-opening", "The serial device is gone; it is being opened again", "#f0a0a0"};
    case LinkStatus::ZOff: return {"Z off", "No Z axis: nothing to read", "#d0d0d0"};
    case LinkStatus::Unknown: break;
  }
  return {"", "Serial link: not read yet", "#d0d0d0"};
}
