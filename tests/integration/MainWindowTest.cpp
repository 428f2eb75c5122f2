// The first main window over the whole core: command box, Execute with its history,
// DDE-style executes, and the window commands.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "server/CoreModules.h"
#include "support/Fakes.h"
#include "ui/MainWindowHost.h"

namespace {

struct WindowRig {
  WindowRig() : host(clock, pump), core(port, clock, pump, messages, host) {
    host.SetCore(core, messages);
    host.onUnloaded = [this] { ++unloads; };
    host.LoadMainWindow();
  }
  template <typename T>
  T* Find(const char* name) {
    return host.MainWindow() ? host.MainWindow()->findChild<T*>(name) : nullptr;
  }
  void Type(const QString& text) { Find<QComboBox>("cboCommand")->setEditText(text); }
  void Click() { QTest::mouseClick(Find<QPushButton>("cmdExecute"), Qt::LeftButton); }
  QString Status() { return Find<QLabel>("lblMsg")->text(); }

  FakeClock clock;
  FakePort port{clock};
  FakePump pump;
  FakeMessages messages;
  MainWindowHost host;
  CoreModules core;
  int unloads = 0;
};

TEST(MainWindow, ControlsCarryTheirNamesAndCaption) {
  WindowRig rig;
  EXPECT_EQ(rig.host.MainWindow()->windowTitle(), "Kelvorin");
  EXPECT_EQ(rig.host.MainWindow()->objectName(), "frmLift");
  for (const char* name : {"cboCommand", "cmdExecute", "lblMsg", "lblTime"})
    EXPECT_NE(rig.host.MainWindow()->findChild<QWidget*>(name), nullptr) << name;
  EXPECT_TRUE(rig.host.IsFormLoaded("frmLift"));
  EXPECT_FALSE(rig.host.IsFormLoaded("frmInterp"));
}

TEST(MainWindow, ExecuteShowsReplyAndTimeAndFilesEveryRunInTheHistory) {
  WindowRig rig;
  rig.Type("Ver;Ver");
  rig.Click();
  EXPECT_EQ(rig.Status(), "1.0 ; 1.0 ; ");
  EXPECT_EQ(rig.Find<QLabel>("lblTime")->text(), " 0");
  auto* box = rig.Find<QComboBox>("cboCommand");
  EXPECT_EQ(box->currentText(), "Ver;Ver");

  rig.Type("Delay 40");
  rig.Click();
  EXPECT_EQ(rig.Find<QLabel>("lblTime")->text().trimmed().toInt() > 40, true);

  rig.Click();  // the same text again is filed again
  EXPECT_EQ(box->count(), 3);
  EXPECT_EQ(box->itemText(0), "Delay 40");
  EXPECT_EQ(box->itemText(1), "Delay 40");

  for (int i = 0; i < 30; ++i) {
    rig.Type(QString("Ver %1").arg(i));
    rig.Click();
  }
  EXPECT_EQ(box->count(), 30);
  EXPECT_EQ(box->itemText(0), "Ver 29");
  EXPECT_EQ(box->itemText(29), "Ver 0");
}

TEST(MainWindow, DdeExecuteFillsTheBoxButNotTheHistory) {
  WindowRig rig;
  rig.host.DdeExecute("CommandCount");
  auto* box = rig.Find<QComboBox>("cboCommand");
  EXPECT_EQ(box->currentText(), "CommandCount");
  EXPECT_EQ(box->count(), 0);
  EXPECT_EQ(rig.Status(), " 1 ; ");
  EXPECT_EQ(rig.Find<QLabel>("lblTime")->text(), " 0");
  EXPECT_GE(rig.pump.calls, 1);
}

TEST(MainWindow, ClientCommandsShowHideAndUnloadTheWindow) {
  WindowRig rig;
  auto& cmds = rig.core.cmds;
  EXPECT_FALSE(rig.host.MainWindow()->isVisible());
  EXPECT_EQ(cmds.ExecCmdString("Show"), "OK  ; ");
  EXPECT_TRUE(rig.host.MainWindow()->isVisible());
  EXPECT_EQ(cmds.ExecCmdString("Hide"), "OK  ; ");
  EXPECT_FALSE(rig.host.MainWindow()->isVisible());
  EXPECT_TRUE(rig.host.IsFormLoaded("frmLift"));
  cmds.ExecCmdString("Delay 1");
  EXPECT_EQ(rig.Find<QComboBox>("cboCommand")->currentText(), "Delay 1");
  EXPECT_EQ(cmds.ExecCmdString("Unload"), "OK  ; ");
  EXPECT_FALSE(rig.host.IsFormLoaded("frmLift"));
  EXPECT_EQ(rig.unloads, 1);
  EXPECT_EQ(cmds.ExecCmdString("Hide;Unload"), "OK  ; OK  ; ");
  EXPECT_FALSE(rig.host.IsFormLoaded("frmLift"));  // nothing loads it as a side effect
  EXPECT_EQ(rig.unloads, 1);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(MainWindow, ClosingTheWindowUnloadsIt) {
  WindowRig rig;
  rig.host.ShowMainWindow();
  rig.host.MainWindow()->close();
  EXPECT_FALSE(rig.host.IsFormLoaded("frmLift"));
  EXPECT_EQ(rig.unloads, 1);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace
