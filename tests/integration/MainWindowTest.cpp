// The first main window over the whole core: command box, Execute with its history,
// DDE-style executes, and the window commands.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QApplication>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <optional>

#include "platform/qt/QtMessageBoxes.h"

#include "core/CoreModules.h"
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

// "Delay" shows itself in the box while it runs; the box ends with the line as typed, and
// a later Run takes it as no newly typed line.
TEST(MainWindow, ExecuteLeavesTheWholeTypedLineInTheBox) {
  WindowRig rig;
  rig.Type("Ver;Delay 1;Ver");
  rig.Click();
  EXPECT_EQ(rig.Status(), "1.0 ; 1 ; 1.0 ; ");
  EXPECT_EQ(rig.Find<QComboBox>("cboCommand")->currentText(), "Ver;Delay 1;Ver");
  EXPECT_EQ(rig.host.TypedCommandText(), std::nullopt);
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

// A client that polls repeats its line: the box keeps the operator's cursor and
// selection then, and any other line replaces the text.
TEST(MainWindow, RepeatedClientCommandLeavesTheBoxAlone) {
  WindowRig rig;
  auto& cmds = rig.core.cmds;
  cmds.ExecCmdString("Delay 1");
  auto* edit = rig.Find<QComboBox>("cboCommand")->lineEdit();
  edit->setSelection(0, 5);
  cmds.ExecCmdString("Delay 1");
  EXPECT_EQ(edit->selectedText(), "Delay");
  cmds.ExecCmdString("Delay 2");
  EXPECT_EQ(edit->text(), "Delay 2");
  EXPECT_FALSE(edit->hasSelectedText());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// While a client's request holds the display, the box and status line change once it
// lets go (readers see the texts at once); events that run inside it show what is kept
// first, and what is written meanwhile goes straight through.
TEST(MainWindow, AHeldDisplayShowsOnReleaseAndBeforeEventsRun) {
  WindowRig rig;
  auto& cmds = rig.core.cmds;
  auto* box = rig.Find<QComboBox>("cboCommand");
  rig.host.HoldDisplay();
  cmds.ExecCmdString("Delay 1");
  EXPECT_EQ(box->currentText(), "");
  EXPECT_EQ(rig.Status(), "");
  EXPECT_EQ(rig.host.CommandText(), "Delay 1");
  EXPECT_EQ(rig.host.Text(), "1");
  rig.host.ReleaseDisplay();
  EXPECT_EQ(box->currentText(), "Delay 1");
  EXPECT_EQ(rig.Status(), "1");

  rig.host.HoldDisplay();
  cmds.ExecCmdString("Delay 2");
  rig.host.SuspendHold();
  EXPECT_EQ(rig.Status(), "2");
  cmds.ExecCmdString("Delay 3");
  EXPECT_EQ(rig.Status(), "3");
  rig.host.ResumeHold();
  cmds.ExecCmdString("Delay 4");
  EXPECT_EQ(rig.Status(), "3");
  rig.host.ReleaseDisplay();
  EXPECT_EQ(rig.Status(), "4");
  EXPECT_EQ(box->currentText(), "Delay 4");
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

// Real message boxes as on a display: a client's request answers at once (the box does
// not wait, its text goes to standard error); the operator's box waits for a click.
TEST(MainWindow, BoxesRaisedForAClientNeverWaitButTheOperatorsDo) {
  FakeClock clock;
  FakePort port{clock};
  FakePump pump;
  QtMessageBoxes boxes(true);
  MainWindowHost host(clock, pump);
  CoreModules core(port, clock, pump, boxes, host);
  host.SetCore(core, boxes);
  host.LoadMainWindow();
  host.ShowMainWindow();
  QTemporaryDir dir;
  core.state.AppDir = dir.path().toStdString() + "/";
  const QString text = "File " + dir.path() + "/missing.txt does not exist";
  const auto openBoxes = [&] {
    std::vector<QMessageBox*> found;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible() && b->text() == text)
        found.push_back(b);
    return found;
  };

  struct Case {
    const char* who;
    bool client;
  };
  for (const Case c : {Case{"client", true}, Case{"operator", false}}) {
    SCOPED_TRACE(c.who);
    bool modalSeen = false;
    QTimer clicker;  // the operator: clicks OK on the modal box once it is up
    QObject::connect(&clicker, &QTimer::timeout, [&] {
      if (auto* b = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        modalSeen = b->text() == text;
        b->accept();
      }
    });
    clicker.start(10);
    testing::internal::CaptureStderr();
    std::string reply;
    {
      std::optional<QtMessageBoxes::ClientScope> scope;
      if (c.client) scope.emplace(boxes);
      reply = core.cmds.ExecCmdString("Obj ListRead missing.txt");
    }
    const std::string err = testing::internal::GetCapturedStderr();
    clicker.stop();
    EXPECT_EQ(reply, "Error  ; ");
    EXPECT_EQ(modalSeen, !c.client);
    const auto open = openBoxes();
    if (c.client) {
      EXPECT_NE(err.find(text.toStdString()), std::string::npos) << err;
      ASSERT_EQ(open.size(), 1u);
      EXPECT_FALSE(open[0]->isModal());
      EXPECT_EQ(open[0]->windowModality(), Qt::NonModal);
      open[0]->grab().save(QString(KELVORIN_BIN_DIR) + "/../client-message-box.png");
      open[0]->close();
    } else {
      EXPECT_EQ(err.find(text.toStdString()), std::string::npos) << err;
      EXPECT_TRUE(open.empty());
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  EXPECT_TRUE(openBoxes().empty());
}

}  // namespace
