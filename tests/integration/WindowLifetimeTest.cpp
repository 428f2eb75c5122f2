// Windows unloaded while one of their handlers still runs below a nested event loop (a
// dialog's exec, a motion wait's event pump): hidden at once, destroyed only after the
// handler has returned. Under AddressSanitizer these also prove that nothing touches a
// window after its deletion.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "AppRig.h"
#include "Modal.h"
#include "Programs.h"

namespace {

// Every modal window of the main window's menus, unloaded by a client while it is open.
class UnloadUnderAModal : public ::testing::TestWithParam<const char*> {};

TEST_P(UnloadUnderAModal, ClosesItAndDestroysTheWindowAfterTheMenuHandler) {
  AppRig rig;
  ASSERT_NE(rig.window, nullptr);
  QPointer<QDialog> seen;
  modal::When<QDialog>([&](QDialog* dialog) {
    seen = dialog;
    rig.UnloadInside();
  });
  rig.Trigger(GetParam());
  EXPECT_TRUE(seen.isNull() || !seen->isVisible());
  rig.ExpectUnloadedAndGone();
}

INSTANTIATE_TEST_SUITE_P(Menus, UnloadUnderAModal,
                         ::testing::Values("mnuConfig", "mnuZPar", "mnuZReadPar", "mnuJoyPar",
                                           "mnuJoyAssgnCmd"),
                         [](const auto& info) { return std::string(info.param); });

// The operator's Execute runs a wait; a client unloads the window (or the operator quits)
// while the wait pumps events. The line goes on to its end and its reply lands in the
// hidden window, which goes only then.
class UnloadDuringAWait : public ::testing::TestWithParam<const char*> {};

TEST_P(UnloadDuringAWait, TheExecuteHandlerFinishesOnAHiddenWindow) {
  AppRig rig;
  const std::string how = GetParam();
  int calls = 0;
  QTimer unload;
  unload.setSingleShot(true);
  QObject::connect(&unload, &QTimer::timeout, [&] {
    ++calls;
    if (how == "Quit") rig.Trigger("mnuQuit");
    else rig.UnloadInside();
    RunDeferredDeletes();
    rig.survivedInside = !rig.window.isNull();
  });
  rig.window->findChild<QComboBox*>("cboCommand")->setEditText("Z Rel 300;Z Wait;Z ?");
  unload.start(100);
  QTest::mouseClick(rig.window->findChild<QPushButton*>("cmdExecute"), Qt::LeftButton);
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(rig.window->findChild<QLabel*>("lblMsg")->text().startsWith("OK  ; OK  ; "));
  rig.ExpectUnloadedAndGone();
}

INSTANTIATE_TEST_SUITE_P(Ways, UnloadDuringAWait, ::testing::Values("ClientUnload", "Quit"),
                         [](const auto& info) { return std::string(info.param); });

// The interpreter window goes with the main window while its own dialogs are open.
class UnloadUnderAnInterpreterDialog : public ::testing::TestWithParam<const char*> {};

TEST_P(UnloadUnderAnInterpreterDialog, ClosesItAndDestroysTheWindowAfterTheHandler) {
  AppRig rig;
  QPointer<frmInterp> form = rig.interp.OpenAt(0, 0);
  const std::string item = GetParam();
  if (item == "mnuWrite") {  // a name that is taken: the window asks before overwriting
    rig.Put("TAKEN.PRG", "End\r\n");
    form->chooseFile = [&rig](const FileRequest&, std::string& d, std::string& f) {
      d = rig.dir;
      f = "TAKEN.PRG";
    };
  }
  bool formSurvived = false;
  modal::When<QDialog>([&](QDialog*) {
    rig.UnloadInside();  // the main window has no handler running: it may go at once
    formSurvived = !form.isNull();
  });
  auto* action = form->findChild<QAction*>(item.c_str());
  ASSERT_NE(action, nullptr);
  action->trigger();
  EXPECT_TRUE(formSurvived);
  EXPECT_FALSE(rig.interp.IsLoaded());
  EXPECT_EQ(rig.unloads, 1);
  RunDeferredDeletes();
  EXPECT_TRUE(form.isNull());
}

INSTANTIATE_TEST_SUITE_P(Dialogs, UnloadUnderAnInterpreterDialog,
                         ::testing::Values("mnuRead", "mnuWrite", "mnuPrint"),
                         [](const auto& info) { return std::string(info.param); });

// The whole program: a DDE-style execute runs a long wait in the hidden main window, a
// second client unloads it meanwhile. The program answers both, ends by itself when the
// clients have gone, and removes its socket.
TEST(WindowLifetime, ProgramEndsCleanlyWhenUnloadedDuringTheWindowsWait) {
  QTemporaryDir dir;
  const QString socket = dir.path() + "/k.sock";
  programs::WriteSettings(dir.path(), {"\"MPORT\",1", "\"PORTTIMEOUT\",100", "\"MOVETIMEOUT\",10",
                                       "\"WAITPOLLINGINTERVAL\",20", "\"CONTRTYPE\",EZHR17",
                                       "\"Z_INSTALLED\",1", "\"MPORTNAME\",sim:EZHR17:nowire"});
  programs::Server server(dir.path(), socket);
  QProcess execute;
  execute.start(programs::Bin("kelvorin-cmd"),
                {"--no-start", "--execute", "--socket", socket, "Z Rel 2000;Z Wait;Z ?"});
  ASSERT_TRUE(execute.waitForStarted(5000));
  QThread::msleep(300);  // the wait is under way
  EXPECT_EQ(programs::Cmd(socket, {"Unload"}), "OK  ; \n");
  EXPECT_TRUE(execute.waitForFinished(20000));
  EXPECT_EQ(execute.exitCode(), 0);
  ASSERT_TRUE(server.WaitForExit(10000)) << server.Output().toStdString();
  EXPECT_EQ(server.ExitCode(), 0) << server.Output().toStdString();
  EXPECT_FALSE(QFile::exists(socket));
}

}  // namespace
