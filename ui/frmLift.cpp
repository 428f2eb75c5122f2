#include "ui/frmLift.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "common/Numbers.h"
#include "platform/Clock.h"
#include "platform/EventPump.h"
#include "server/STCommands.h"

namespace {
QString FromBytes(const std::string& s) { return QString::fromLatin1(s.data(), qsizetype(s.size())); }
std::string ToBytes(const QString& s) { return s.toLatin1().toStdString(); }
}  // namespace

frmLift::frmLift(STCommands& cmds, Clock& clock, EventPump& pump, int histMax)
    : cmds_(cmds), clock_(clock), pump_(pump), histMax_(histMax) {
  setObjectName("frmLift");
  setWindowTitle("Kelvorin");
  cboCommand_ = new QComboBox(this);
  cboCommand_->setObjectName("cboCommand");
  cboCommand_->setEditable(true);
  cboCommand_->setInsertPolicy(QComboBox::NoInsert);
  cboCommand_->setToolTip("Type system command");
  cboCommand_->setMinimumWidth(150);
  cmdExecute_ = new QPushButton("Execute", this);
  cmdExecute_->setObjectName("cmdExecute");
  cmdExecute_->setToolTip("Execute command in the box");
  cmdExecute_->setDefault(true);
  lblMsg_ = new QLabel(this);
  lblMsg_->setObjectName("lblMsg");
  lblMsg_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  lblMsg_->setMinimumWidth(150);
  lblTime_ = new QLabel("Time", this);
  lblTime_->setObjectName("lblTime");
  lblTime_->setAutoFillBackground(true);
  lblTime_->setStyleSheet("QLabel { color: white; background: grey; }");
  auto* grid = new QGridLayout(this);
  grid->addWidget(cboCommand_, 0, 0);
  grid->addWidget(cmdExecute_, 0, 1);
  grid->addWidget(lblMsg_, 1, 0);
  grid->addWidget(lblTime_, 1, 1);
  connect(cmdExecute_, &QPushButton::clicked, this, &frmLift::Execute);
  connect(cboCommand_->lineEdit(), &QLineEdit::returnPressed, this, &frmLift::Execute);
}

void frmLift::SetCommandText(const std::string& text) {
  cboCommand_->setEditText(FromBytes(text));
}

void frmLift::SetStatusText(const std::string& text) { lblMsg_->setText(FromBytes(text)); }

std::string frmLift::StatusText() const { return ToBytes(lblMsg_->text()); }

void frmLift::RememberCmdInHist() {
  const QString text = cboCommand_->currentText();
  if (cboCommand_->count() >= histMax_) cboCommand_->removeItem(cboCommand_->count() - 1);
  cboCommand_->insertItem(0, text);
  cboCommand_->setEditText(text);
}

void frmLift::Execute() { RunTimed(std::string(), true); }

void frmLift::DdeExecute(const std::string& text) { RunTimed(text, false); }

// Clears the status line and time label, lets pending events run, then runs the line
// and shows its joined reply and how many milliseconds it took.
void frmLift::RunTimed(const std::string& text, bool fromBox) {
  lblMsg_->clear();
  lblTime_->clear();
  pump_.ProcessEvents();
  const uint32_t t0 = clock_.TickMs();
  std::string line = text;
  if (fromBox) {
    RememberCmdInHist();
    line = ToBytes(cboCommand_->currentText());
  } else {
    SetCommandText(text);
  }
  SetStatusText(cmds_.ExecCmdString(line));
  lblTime_->setText(FromBytes(num::Plain(int64_t{clock_.TickMs() - t0})));
}

void frmLift::closeEvent(QCloseEvent* event) {
  event->ignore();  // the host unloads (and deletes) the window
  if (onCloseRequested) onCloseRequested();
}
