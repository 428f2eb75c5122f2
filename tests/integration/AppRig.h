#pragma once
// The operator's windows wired as the program wires them: the main window with its
// joystick menu and the interpreter window, on the built-in simulated EZHR17, with the
// real event pump and dialogs.
#include <QAction>
#include <QCoreApplication>
#include <QGroupBox>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

#include "ui/InterpLauncher.h"
#include "platform/SimSerialPort.h"
#include "platform/SystemClock.h"
#include "platform/qt/QtEventPump.h"
#include "core/CoreModules.h"
#include "support/Fakes.h"
#include "support/ScratchDir.h"
#include "support/SimParz.h"
#include "ui/JoyParts.h"
#include "ui/MainWindowHost.h"

inline void RunDeferredDeletes() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The main window, its joystick menu and the interpreter wired as the program wires them,
// on the built-in simulated controller.
// limits: the simulated lift's limit switches are on; portName: the MPORTNAME.
struct AppRig : ScratchDir {
  explicit AppRig(bool limits = false, const std::string& portName = "sim:EZHR17")
      : ScratchDir("kelvorin-app") {
    Put("ST_PARZ.TXT", SimParz(limits));
    Put("ST_CONFIG.TXT",
        "\"MPORT\",1\r\n\"PORTTIMEOUT\",100\r\n\"MOVETIMEOUT\",10\r\n"
        "\"WAITPOLLINGINTERVAL\",10\r\n\"CONTRTYPE\",EZHR17\r\n"
        "\"Z_INSTALLED\",1\r\n\"MPORTNAME\"," +
            portName + "\r\n");
    host.SetCore(core, messages);
    host.hooks.loaded = [this](frmLift& form) {
      joy.Loaded(form.JoyFrame(), form.JoyMenu(), &form, &form.Life());
    };
    host.hooks.tick = [this] { joy.Follow(); };
    host.hooks.unloading = [this] { joy.Unloading(); };
    host.hooks.unloadInterpreter = [this] { interp.Unload(); };
    interp.onStop = [this] { core.stopAll.Stop(); };
    host.onUnloaded = [this] { ++unloads; };
    core.startup.InitAll(dir);
    window = host.MainWindow();
  }
  ~AppRig() {
    host.UnloadMainWindow();
    RunDeferredDeletes();
  }
  template <typename T>
  T* Find(const char* name) {
    T* found = window ? window->findChild<T*>(name) : nullptr;
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  bool Moving() { return port.Sim()->axis().IsMoving(port.NowUs()); }
  // Where the axis stands once a move under way has ended.
  int64_t Steps() {
    ksim::SimAxis& axis = port.Sim()->axis();
    for (int i = 0; i < 400 && axis.IsMoving(port.NowUs()); ++i) QTest::qWait(5);
    return axis.Physical(port.NowUs());
  }
  void Trigger(const char* item) {
    auto* action = window->findChild<QAction*>(item);
    ASSERT_NE(action, nullptr) << item;
    action->trigger();
  }
  // A client's "Unload" from inside a nested loop, then the deferred deletes that loop
  // would run: the window must still be there for the handler below.
  void UnloadInside() {
    EXPECT_EQ(core.cmds.ExecCmdString("Unload"), "OK  ; ");
    RunDeferredDeletes();
    survivedInside = !window.isNull();
  }
  // After the handler returned: unloaded once, and gone with the next deferred deletes.
  void ExpectUnloadedAndGone() {
    EXPECT_TRUE(survivedInside);
    EXPECT_FALSE(host.IsFormLoaded("frmLift"));
    EXPECT_EQ(unloads, 1);
    RunDeferredDeletes();
    EXPECT_TRUE(window.isNull());
  }

  SystemClock clock;
  SimSerialPort port{clock};
  QtEventPump pump;
  FakeMessages messages;
  MainWindowHost host{clock, pump};
  CoreModules core{port, clock, pump, messages, host};
  JoyParts joy{core, messages};
  InterpLauncher interp{core.interp, core.progEdit, messages};
  QPointer<frmLift> window;
  bool survivedInside = false;
  int unloads = 0;
};
