#include "app/Kelvorin.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>
#include <optional>

#include "platform/PortSelector.h"
#include "platform/SimSerialPort.h"
#include "platform/qt/QtSerialPort.h"
#include "ui/InterpLauncher.h"
#include "core/CoreModules.h"
#include "server/qt/AutomationEndpoint.h"
#include <QGroupBox>
#include <QMenu>

#include "ui/JoyIndicator.h"
#include "ui/JoyMenu.h"
#include "ui/JoyParts.h"
#include "ui/MainWindowHost.h"

Kelvorin::Kelvorin()
    : realPort_(std::make_unique<QtSerialPort>()),
      simPort_(std::make_unique<SimSerialPort>(clock_)),
      port_(std::make_unique<PortSelector>(*realPort_, *simPort_)),
      windows_(std::make_unique<MainWindowHost>(clock_, pump_)),
      core_(std::make_unique<CoreModules>(*port_, clock_, pump_, messages_, *windows_, joystick_,
                                          beeper_)),
      interp_(std::make_unique<InterpLauncher>(core_->interp, core_->progEdit, messages_)),
      joyParts_(std::make_unique<JoyParts>(*core_, messages_)),
      endpoint_(std::make_unique<AutomationEndpoint>(*this)) {
  windows_->SetCore(*core_, messages_);
  pump_.beforeEvents = [this] { windows_->SuspendHold(); };
  pump_.afterEvents = [this] { windows_->ResumeHold(); };
  WireInterpreter();
  WireJoystick();
  windows_->onUnloaded = [this] {
    core_->startup.MainWindowUnloaded();
    QuitWhenUnused();
  };
}

// The "Interpreter" item, "!" and the program step's command box reach the interpreter
// window through the main window's hooks; it is unloaded with the main window.
void Kelvorin::WireInterpreter() {
  auto& hooks = windows_->hooks;
  hooks.openInterpreter = [this](QWidget* mainWindow) { interp_->Open(mainWindow); };
  interp_->onStop = [this] { core_->stopAll.Stop(); };
  hooks.unloadInterpreter = [this] { interp_->Unload(); };
  hooks.interpreterLoaded = [this] { return interp_->IsLoaded(); };
  hooks.showInterpMsg = [this](const std::string& text) { core_->interp.ShowInterpMsg(text); };
  core_->interp.SetCommandTextSource([this] { return windows_->TypedCommandText(); });
}

// The joystick's indicator and menu fill the main window at each load and follow the
// switches after every tick.
void Kelvorin::WireJoystick() {
  auto& hooks = windows_->hooks;
  hooks.tick = [this] { joyParts_->Follow(); };
  hooks.loaded = [this](frmLift& form) {
    joyParts_->Loaded(form.JoyFrame(), form.JoyMenu(), &form, &form.Life());
  };
  hooks.joyVisibility = [this] { joyParts_->JoyVisibility(); };
  hooks.unloading = [this] { joyParts_->Unloading(); };
}

Kelvorin::~Kelvorin() {
  // The window host outlives the parts its hooks reach.
  windows_->hooks = MainWindowHooks{};
  windows_->onUnloaded = nullptr;
  endpoint_->Close();
  if (core_->comm.CommIsInit() == 1) core_->startup.CloseAll();
  pump_.beforeEvents = nullptr;
  pump_.afterEvents = nullptr;
}

// The socket is served before anything else, so a client connects at once; its
// requests are taken up when start-up has ended.
bool Kelvorin::Start(const Options& options) {
  endpoint_->Hold();
  if (!endpoint_->Listen(options.socketPath)) {
    std::fprintf(stderr, "kelvorin: cannot serve %s: %s\n", qPrintable(options.socketPath),
                 qPrintable(endpoint_->ErrorString()));
    return false;
  }
  std::printf("kelvorin: serving on %s\nkelvorin: settings in %s\n", qPrintable(options.socketPath),
              qPrintable(options.dir));
  std::fflush(stdout);
  int16_t init;
  {
    std::optional<QtMessageBoxes::ClientScope> forClient;
    if (options.automation) forClient.emplace(messages_);
    init = core_->startup.InitAll(options.dir.toStdString());
  }
  if (!options.automation || init < 0) windows_->ShowMainWindow();
  if (QtMessageBoxes::Headless())  // no window to read why a step failed
    for (const auto& why : core_->startup.Failures())
      std::fprintf(stderr, "kelvorin: %s\n", why.c_str());
  const int32_t tcp = core_->state.config.SERVERTCPPORT;
  if (tcp > 0 && tcp < 65536 && !endpoint_->ListenTcp(static_cast<quint16>(tcp)))
    core_->comm.CommLogMsg("Automation TCP port " + std::to_string(tcp) + ": " +
                           endpoint_->ErrorString().toStdString());
  endpoint_->Release();
  return true;
}

void Kelvorin::ClientCreated() { core_->startup.ClientCreated(); }

void Kelvorin::ClientReleased() {
  core_->startup.ClientReleased();
  QuitWhenUnused();
}

// The main window shows the request once its answer is out (Replied).
std::string Kelvorin::Exec(const std::string& cmd, ClientLink link) {
  windows_->HoldDisplay();
  QtMessageBoxes::ClientScope forClient(messages_);
  CmdObj::ConfinedFiles confined(core_->cmdObj, link == ClientLink::Tcp);
  return core_->cmds.ExecCmdString(cmd);
}

void Kelvorin::Replied() { windows_->ReleaseDisplay(); }

void Kelvorin::DdeExecute(const std::string& text) {
  QtMessageBoxes::ClientScope forClient(messages_);
  windows_->DdeExecute(text);
}

void Kelvorin::QuitWhenUnused() {
  // Queued: the request or window handler that got here finishes first.
  if (core_->startup.ShouldExit())
    QTimer::singleShot(0, QCoreApplication::instance(), [this] {
      if (core_->startup.ShouldExit()) QCoreApplication::quit();
    });
}
