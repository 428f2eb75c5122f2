// The operator's Stop in the windows: the main window's Stop button and Escape in both
// windows reach it, and while a homing or a "Delay" lets only the Stop act, the pump lets
// the Stop button through and drops other clicks for good.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "AppRig.h"
#include "platform/qt/QtEventPump.h"
#include "ui/JogButton.h"

namespace {

// The windows shown and active, on a simulated lift with limit switches and no wire time.
struct StopWindowRig : AppRig {
  StopWindowRig() : AppRig(true, "sim:EZHR17:nowire") {
    host.ShowMainWindow();
    QApplication::setActiveWindow(host.MainWindow());
    EXPECT_TRUE(QTest::qWaitForWindowActive(host.MainWindow()));
  }
  QPushButton* Button(const char* name) { return host.MainWindow()->findChild<QPushButton*>(name); }
  // Starts a run of several seconds; true when the Stop that follows ended it.
  void StartMove() {
    ASSERT_EQ(core.cmds.ExecCmdString("Z 5000"), "OK  ; ");
    ASSERT_TRUE(Moving());
    stops = core.motor.Stop().Count();
  }
  bool Stopped() { return core.motor.Stop().Count() > stops && !Moving(); }
  // Runs the action from the event loop inside one ProcessStopOnly, as input that
  // arrives during a homing or a "Delay" is delivered.
  void DuringStopOnly(std::function<void()> action) {
    QMetaObject::invokeMethod(qApp, std::move(action), Qt::QueuedConnection);
    pump.ProcessStopOnly();
  }

  InterpLauncher& launcher = interp;
  uint32_t stops = 0;
};

TEST(StopButton, TheButtonAndEscapeInBothWindowsStopTheLift) {
  StopWindowRig rig;
  QPushButton* stop = rig.Button("cmdStop");
  ASSERT_NE(stop, nullptr);
  EXPECT_EQ(stop->text(), "Stop");
  EXPECT_TRUE(stop->isVisible());

  rig.StartMove();
  QTest::mouseClick(stop, Qt::LeftButton);
  EXPECT_TRUE(rig.Stopped());

  rig.StartMove();
  QTest::keyClick(rig.host.MainWindow(), Qt::Key_Escape);
  EXPECT_TRUE(rig.Stopped());

  rig.StartMove();  // with the caret in the command box
  QTest::keyClick(rig.host.MainWindow()->findChild<QComboBox*>("cboCommand")->lineEdit(),
                  Qt::Key_Escape);
  EXPECT_TRUE(rig.Stopped());

  frmInterp* interp = rig.launcher.OpenAt(0, 0);
  QApplication::setActiveWindow(interp);
  ASSERT_TRUE(QTest::qWaitForWindowActive(interp));
  rig.StartMove();
  QTest::keyClick(interp, Qt::Key_Escape);
  EXPECT_TRUE(rig.Stopped());

  rig.StartMove();  // in a program row
  QTest::keyClick(interp->findChild<QLineEdit*>("txtCmd(0)"), Qt::Key_Escape);
  EXPECT_TRUE(rig.Stopped());

  rig.StartMove();  // the interpreter's own Stop stops the lift with the program
  QTest::mouseClick(interp->findChild<QAbstractButton*>("cmdStop"), Qt::LeftButton);
  EXPECT_TRUE(rig.Stopped());
}

TEST(StopButton, OnlyTheStopGetsThroughWhileNothingElseMayRun) {
  StopWindowRig rig;
  auto* jog = rig.host.MainWindow()->findChild<JogButton*>("cmdFDF");
  ASSERT_NE(jog, nullptr);
  rig.StartMove();
  auto* status = rig.host.MainWindow()->findChild<QLabel*>("lblMsg");
  const QString shown = status->text();
  rig.DuringStopOnly([&] {
    QTest::mouseClick(jog, Qt::LeftButton);
    QTest::mouseClick(rig.Button("cmdExecute"), Qt::LeftButton);
    QTest::keyClick(rig.host.MainWindow(), Qt::Key_F3);  // "Up Fine"
  });
  EXPECT_EQ(rig.core.motor.Stop().Count(), rig.stops);
  EXPECT_EQ(rig.core.cmds.CmdBusy(), 0);  // the jog never started
  EXPECT_FALSE(jog->isDown());
  EXPECT_EQ(rig.host.MainWindow()->findChild<QComboBox*>("cboCommand")->count(), 0);
  rig.pump.ProcessEvents();  // dropped, not kept for later
  EXPECT_EQ(rig.host.MainWindow()->findChild<QComboBox*>("cboCommand")->count(), 0);
  EXPECT_EQ(status->text(), shown);  // no step of F3 either
  EXPECT_TRUE(rig.Moving());

  rig.DuringStopOnly([&] { QTest::mouseClick(rig.Button("cmdStop"), Qt::LeftButton); });
  EXPECT_TRUE(rig.Stopped());
  rig.StartMove();
  rig.DuringStopOnly([&] { QTest::keyClick(rig.host.MainWindow(), Qt::Key_Escape); });
  EXPECT_TRUE(rig.Stopped());
}

// A jog pressed before a homing or Delay and let go during it still ends (its release
// is delivered when events run again), so the joystick is not kept away for good.
TEST(StopButton, AJogLetGoWhileOnlyTheStopMayActEndsAfterwards) {
  StopWindowRig rig;
  auto* jog = rig.host.MainWindow()->findChild<JogButton*>("cmdFDF");
  ASSERT_NE(jog, nullptr);
  QTest::mousePress(jog, Qt::LeftButton);
  EXPECT_EQ(rig.core.cmds.CmdBusy(), 1);
  rig.DuringStopOnly([&] { QTest::mouseRelease(jog, Qt::LeftButton); });
  EXPECT_EQ(rig.core.cmds.CmdBusy(), 1);
  rig.pump.ProcessEvents();
  EXPECT_EQ(rig.core.cmds.CmdBusy(), 0);
}

// Execute, then Stop before the line has started (the Stop lands in the events that
// Execute lets run first): the line does not run.
TEST(StopButton, AStopRightAfterExecuteKeepsTheLineFromRunning) {
  StopWindowRig rig;
  rig.host.MainWindow()->findChild<QComboBox*>("cboCommand")->setEditText("Z Rel 300");
  QMetaObject::invokeMethod(
      qApp, [&] { QTest::mouseClick(rig.Button("cmdStop"), Qt::LeftButton); },
      Qt::QueuedConnection);
  QTest::mouseClick(rig.Button("cmdExecute"), Qt::LeftButton);
  EXPECT_EQ(rig.host.MainWindow()->findChild<QLabel*>("lblMsg")->text(), "Error Stopped  ; ");
  EXPECT_FALSE(rig.Moving());
}

}  // namespace
