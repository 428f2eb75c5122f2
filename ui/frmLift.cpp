#include "ui/frmLift.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "common/Numbers.h"
#include "platform/Clock.h"
#include "platform/EventPump.h"
#include "panels/LiftPanel.h"
#include "server/STCommands.h"
#include "ui/JogButton.h"
#include "platform/qt/QtEventPump.h"
#include "platform/qt/QtText.h"
#include "ui/StopKey.h"
#include "ui/Twips.h"

namespace {

using qttext::FromQ;
using qttext::ToQ;

constexpr int kClientWidth = 3276;
// The designed 2748, one row for cmdStop, one for the lift's state and a second line
// for the status line.
constexpr int kClientHeight = 3660;
constexpr int kTickMs = 300;

// The command box: taking the focus puts the caret at the end with nothing selected.
class CommandBox : public QComboBox {
 public:
  using QComboBox::QComboBox;

 protected:
  void focusInEvent(QFocusEvent* event) override {
    QComboBox::focusInEvent(event);
    if (lineEdit()) {
      lineEdit()->deselect();
      lineEdit()->end(false);
    }
  }
};

}  // namespace

frmLift::frmLift(LiftPanel& panel, STCommands& cmds, Clock& clock, EventPump& pump, int histMax)
    : panel_(panel), cmds_(cmds), clock_(clock), pump_(pump), histMax_(histMax) {
  setObjectName("frmLift");
  setWindowTitle("Kelvorin");
  client_ = new QWidget(this);
  setCentralWidget(client_);
  BuildControls();
  BuildMenus();
  PlaceControls();
  tmrST_ = new QTimer(this);
  tmrST_->setObjectName("tmrST");
  tmrST_->setInterval(kTickMs);
  connect(tmrST_, &QTimer::timeout, this, life_.Guarded([this] {
    if (onTick) onTick();
  }));
}

frmLift::~frmLift() = default;

void frmLift::Load() {
  panel_.WindowLoaded();
  tmrST_->start();
}

void frmLift::Unloading() { tmrST_->stop(); }

void frmLift::BuildControls() {
  cboCommand_ = new CommandBox(client_);
  cboCommand_->setObjectName("cboCommand");
  cboCommand_->setEditable(true);
  cboCommand_->setInsertPolicy(QComboBox::NoInsert);
  // Enter runs exactly what was typed: the history stays in the list, nothing completes.
  cboCommand_->setCompleter(nullptr);
  cboCommand_->setToolTip("Type system command");
  cmdExecute_ = new QPushButton("Execute", client_);
  cmdExecute_->setObjectName("cmdExecute");
  cmdExecute_->setToolTip("Execute command in the box");
  cmdExecute_->setDefault(true);
  fraLift_ = new QGroupBox("Lift", client_);
  fraLift_->setObjectName("fraLift");
  fraLift_->setToolTip("Move Z up or down. Click to see position.");
  fraLift_->installEventFilter(this);
  BuildJogArea();
  fraJoy_ = new QGroupBox("Joystick", client_);
  fraJoy_->setObjectName("fraJoy");
  fraJoy_->setToolTip("Right click to activate");
  fraJoy_->installEventFilter(this);
  BuildStop();
  lblMsg_ = new QLabel(client_);
  lblMsg_->setObjectName("lblMsg");
  lblMsg_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  // Two lines, wrapped at word ends; the whole text is also its tool tip.
  lblMsg_->setWordWrap(true);
  lblMsg_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lblMsg_->installEventFilter(this);
  lblTime_ = new QLabel("Time", client_);
  lblTime_->setObjectName("lblTime");
  lblTime_->setAlignment(Qt::AlignCenter);
  lblTime_->setStyleSheet("QLabel { color: white; background: grey; }");
  lblLink_ = new QLabel(client_);
  lblLink_->setObjectName("lblLink");
  lblLink_->setAlignment(Qt::AlignCenter);
  lblLink_->hide();
  lblState_ = new QLabel(client_);
  lblState_->setObjectName("lblState");
  lblState_->setAlignment(Qt::AlignCenter);
  lblState_->hide();
  connect(cmdExecute_, &QPushButton::clicked, this, life_.Guarded([this] { Execute(); }));
  connect(cboCommand_->lineEdit(), &QLineEdit::returnPressed, this,
          life_.Guarded([this] { Execute(); }));
}

void frmLift::BuildJogArea() {
  struct Spec {
    JogButton*& button;
    const char* name;
    Jog jog;
    JogButton::Arrow arrow;
    bool coarse;
  };
  const Spec specs[] = {
      {cmdFUC_, "cmdFUC", Jog::UpCoarse, JogButton::Arrow::Up, true},
      {cmdFDC_, "cmdFDC", Jog::DownCoarse, JogButton::Arrow::Down, true},
      {cmdFUF_, "cmdFUF", Jog::UpFine, JogButton::Arrow::Up, false},
      {cmdFDF_, "cmdFDF", Jog::DownFine, JogButton::Arrow::Down, false},
  };
  for (const Spec& s : specs) {
    s.button = new JogButton(s.arrow, s.coarse, fraLift_);
    s.button->setObjectName(s.name);
    s.button->setToolTip(LiftPanel::Caption(s.jog));
    const Jog jog = s.jog;
    connect(s.button, &JogButton::pressed, this, life_.Guarded([this, jog] {
      jogRefused_ = !TakeStepText();
      if (!jogRefused_) panel_.JogPress(jog);
    }));
    connect(s.button, &JogButton::released, this, life_.Guarded([this] {
      if (!jogRefused_) panel_.JogRelease();
      jogRefused_ = false;
    }));
  }
  txtStep_ = new QLineEdit(fraLift_);
  txtStep_->setObjectName("txtStep");
  txtStep_->setToolTip("Step Size");
  txtStep_->setAlignment(Qt::AlignCenter);
  // The step size changes when the operator has finished typing (Enter, leaving the box)
  // or jogs; each keystroke only says whether the text is a number.
  connect(txtStep_, &QLineEdit::textEdited, this,
          life_.Guarded([this](const QString& text) { panel_.StepTextTyped(FromQ(text)); }));
  connect(txtStep_, &QLineEdit::editingFinished, this,
          life_.Guarded([this] { panel_.StepTextChanged(FromQ(txtStep_->text())); }));
}

// The Stop reaches everything that moves the lift; it also gets through while a homing
// or a "Delay" lets nothing else act.
void frmLift::BuildStop() {
  cmdStop_ = new QPushButton("Stop", client_);
  cmdStop_->setObjectName("cmdStop");
  cmdStop_->setToolTip("Stop the lift, a program run and the joystick (Esc)");
  cmdStop_->setStyleSheet("QPushButton { font-weight: bold; color: #b00000; }");
  cmdStop_->setAutoDefault(false);
  QtEventPump::MarkStopControl(cmdStop_);
  connect(cmdStop_, &QPushButton::clicked, this, &frmLift::Stop);
  InstallStopKey(this, [this] { Stop(); });
}

void frmLift::Stop() {
  if (onStop) onStop();
}

// Places (twips) on the client area, and inside the jog frame for its controls.
void frmLift::PlaceControls() {
  struct Place {
    QWidget* widget;
    int left, top, width, height;
  };
  const Place places[] = {
      {cboCommand_, 88, 75, 2256, 315},   {cmdExecute_, 2424, 60, 764, 345},
      {fraLift_, 88, 480, 1840, 1880},    {fraJoy_, 2108, 480, 1080, 1296},
      {lblState_, 2108, 1800, 1080, 240}, {lblLink_, 2108, 2060, 1080, 240},
      {lblTime_, 2108, 2320, 1080, 300},  {cmdStop_, 88, 2700, 3100, 345},
      {lblMsg_, 88, 3105, 3100, 510},     {cmdFUC_, 150, 285, 500, 700},
      {cmdFDC_, 150, 1095, 500, 700},     {cmdFUF_, 1035, 273, 420, 580},
      {txtStep_, 700, 898, 1090, 285},    {cmdFDF_, 1035, 1228, 420, 580},
  };
  for (const Place& p : places)
    p.widget->setGeometry(twips::Rect(p.left, p.top, p.width, p.height, this));
  client_->setFixedSize(twips::ToPx(kClientWidth, this), twips::ToPx(kClientHeight, this, false));
  layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void frmLift::SetJoyContent(QWidget* content) {
  content->setParent(fraJoy_);
  content->setGeometry(fraJoy_->rect());
  content->show();
}

void frmLift::BuildMenus() {
  BuildConfigMenu();
  BuildZMenu();
  BuildInterpMenu();
}

namespace {

// Menu items run as handlers of the window (see WindowLife).
QAction* AddItem(WindowLife& life, QMenu* menu, const char* name, const char* caption,
                 std::function<void()> action, QKeySequence key = {}) {
  QAction* item = menu->addAction(caption);
  item->setObjectName(name);
  item->setShortcut(key);
  QObject::connect(item, &QAction::triggered, menu, life.Guarded([action] { action(); }));
  return item;
}

QMenu* AddMenu(QMenuBar* bar, QMenu* parent, const char* name, const char* caption) {
  QMenu* menu = parent ? parent->addMenu(caption) : bar->addMenu(caption);
  menu->setObjectName(name);
  menu->menuAction()->setObjectName(QString(name) + "Item");
  return menu;
}

}  // namespace

void frmLift::BuildConfigMenu() {
  QMenu* conf = AddMenu(menuBar(), nullptr, "mnuConf", "Config.");
  AddItem(life_, conf, "mnuConfig", "Configuration", [this] { panel_.Configuration(); });
  mnuJoy_ = AddMenu(nullptr, conf, "mnuJoy", "Joystick");
  AddItem(life_, conf, "mnuErrLogComm", "Error Log", [this] { panel_.ErrorLog(); });
  AddItem(life_, conf, "mnuQuit", "Quit", [this] { close(); });
}

void frmLift::BuildZMenu() {
  QMenu* z = AddMenu(menuBar(), nullptr, "mnuZ", "Z");
  AddItem(life_, z, "mnuZPos", "Read Position", [this] { panel_.ReadPosition(); });
  z->addSeparator();
  const struct {
    const char* name;
    Jog jog;
    Qt::Key key;
  } steps[] = {{"mnuZUC", Jog::UpCoarse, Qt::Key_F1},
               {"mnuZDC", Jog::DownCoarse, Qt::Key_F2},
               {"mnuZUF", Jog::UpFine, Qt::Key_F3},
               {"mnuZDF", Jog::DownFine, Qt::Key_F4}};
  for (const auto& s : steps) {
    const Jog jog = s.jog;
    AddItem(
        life_, z, s.name, LiftPanel::Caption(jog),
        [this, jog] {
          if (TakeStepText()) panel_.MenuStep(jog);
        },
        QKeySequence(s.key));
  }
  z->addSeparator();
  AddItem(life_, z, "mnuZHome", "Home", [this] { panel_.Home(); });
  AddItem(life_, z, "mnuZOrigin", "Set Origin", [this] { panel_.SetOrigin(); });
  AddItem(life_, z, "mnuZPar", "Parameters", [this] { panel_.Parameters(); });
  z->addSeparator();
  QMenu* advanced = AddMenu(nullptr, z, "mnuZAdvanced", "Advanced");
  AddItem(life_, advanced, "mnuZReadPar", "Read Par. File", [this] { panel_.ReadParFile(); });
}

void frmLift::BuildInterpMenu() {
  QMenu* interp = AddMenu(menuBar(), nullptr, "mnuInterp", "Interp.");
  AddItem(life_, interp, "mnuInterpCmds", "Commands", [this] { panel_.Commands(); });
  AddItem(life_, interp, "mnuInterpEdit", "Interpreter", [this] {
    if (onInterpreter) onInterpreter();
  });
}

bool frmLift::TakeStepText() {
  const std::string text = FromQ(txtStep_->text());
  if (text == panel_.StepText()) return true;
  return panel_.StepTextChanged(text);
}

void frmLift::FillStep() { txtStep_->setText(ToQ(panel_.StepText())); }

bool frmLift::eventFilter(QObject* watched, QEvent* event) {
  // The second press of a double click is a press as well.
  const QEvent::Type type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick)
    return QMainWindow::eventFilter(watched, event);
  const auto busy = life_.Enter();
  if (watched == lblMsg_) {
    SetStatusText(std::string());
  } else if (watched == fraLift_) {
    panel_.WaitAndShowPos();
  } else if (watched == fraJoy_) {
    mnuJoy_->popup(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
  }
  return QMainWindow::eventFilter(watched, event);
}

// A client that polls sends the same line again and again; the box is left alone then
// (setting a line edit's text is costly, and it would only move the cursor). The texts
// are compared as they stand, without making a copy of them first.
void frmLift::SetCommandText(const std::string& text) {
  const QLatin1String latin1(text.data(), static_cast<qsizetype>(text.size()));
  if (cboCommand_->currentText() != latin1) cboCommand_->setEditText(latin1);
}

void frmLift::SetStatusText(const std::string& text) {
  if (text == statusText_) return;  // a repeated reply: nothing to draw
  statusText_ = text;
  const QString shown = qttext::ShownText(text);
  lblMsg_->setText(shown);
  lblMsg_->setToolTip(shown);
}

std::string frmLift::StatusText() const { return statusText_; }

std::string frmLift::CommandText() const { return FromQ(cboCommand_->currentText()); }

void frmLift::RememberCmdInHist() {
  const QString text = cboCommand_->currentText();
  if (cboCommand_->count() >= histMax_) cboCommand_->removeItem(cboCommand_->count() - 1);
  cboCommand_->insertItem(0, text);
  cboCommand_->setEditText(text);
}

void frmLift::Execute() { RunTimed(std::string(), true); }

void frmLift::DdeExecute(const std::string& text) {
  const auto busy = life_.Enter();
  RunTimed(text, false);
}

// Clears the status line and time label, lets pending events run, then runs the line
// and shows its joined reply and how many milliseconds it took.
void frmLift::RunTimed(const std::string& text, bool fromBox) {
  SetStatusText(std::string());
  lblTime_->clear();
  const StopRequest::Since asked(cmds_.Stops());  // a Stop in the pump keeps the line back
  pump_.ProcessEvents();
  const uint32_t t0 = clock_.TickMs();
  std::string line = text;
  if (fromBox) {
    RememberCmdInHist();
    line = FromQ(cboCommand_->currentText());
  } else {
    SetCommandText(text);
  }
  SetStatusText(cmds_.ExecCmdString(line, asked));
  // Each command of the line showed itself in the box; the box ends with the whole line.
  if (fromBox && !life_.Unloaded()) cmds_.ShowCmdText(line);
  lblTime_->setText(ToQ(num::Plain(int64_t{clock_.TickMs() - t0})));
}

void frmLift::closeEvent(QCloseEvent* event) {
  event->ignore();                  // the host unloads (and deletes) the window
  const auto busy = life_.Enter();  // the host may ask first: the window outlives the question
  if (onCloseRequested) onCloseRequested();
}
