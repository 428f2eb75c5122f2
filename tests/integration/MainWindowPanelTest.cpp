// The whole main window over the simulated controller: jog buttons with real mouse
// events on both families, the step-size box, the Z menu with F1-F4, the menus that open
// dialogs, the command box details, the timer and the places left for the joystick and
// the interpreter; and a rendering of the window for a reviewer.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "platform/SimSerialPort.h"
#include "platform/SystemClock.h"
#include "platform/qt/QtEventPump.h"
#include "core/CoreModules.h"
#include "panels/LiftPanel.h"
#include "support/Fakes.h"
#include "support/ScratchDir.h"
#include "ui/MainWindowHost.h"
#include "ui/frmText.h"

namespace {

// ZJUMPSIZE 10 and ZCOARSEFACTOR 5 at 0.625 units per step: a fine jog is 16 steps, a
// coarse one 80.
const char* const kParz =
    "\"ZCONTR\",1\r\n\"ZSTROKEPERROT\",1\r\n\"ZMOTORSTEPS\",200\r\n\"ZSTEPDIVIDE\",3\r\n"
    "\"ZHOLDCURRENT\",10\r\n\"ZRUNCURRENT\",50\r\n\"ZSLEWVELOCITY\",4000\r\n"
    "\"ZINITVELOCITY\",400\r\n\"ZACCELERATION\",400\r\n\"ZDECELERATION\",400\r\n"
    "\"ZBACKLASH\",0\r\n\"ZJUMPSIZE\",10\r\n\"ZCOARSEFACTOR\",5\r\n\"ZJOYMAXSPEED\",2000\r\n"
    "\"ZHOMESPEED\",-1000\r\n\"ZPOWERUPORIGIN\",0\r\n";

// Closes the next modal window that comes up, once the event loop runs it.
void CloseNextModal() {
  QTimer::singleShot(50, [] {
    if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
  });
}

struct PanelWindowRig : ScratchDir {
  explicit PanelWindowRig(const std::string& family = "EZHR17", bool start = true)
      : ScratchDir("kelvorin-mainwin") {
    Put("ST_PARZ.TXT", kParz);
    Put("ST_CONFIG.TXT",
        "\"MPORT\",1\r\n\"PORTTIMEOUT\",100\r\n\"MOVETIMEOUT\",10\r\n"
        "\"WAITPOLLINGINTERVAL\",10\r\n\"CONTRTYPE\"," +
            family + "\r\n\"Z_INSTALLED\",1\r\n\"MPORTNAME\",sim:" + family + ":nowire\r\n");
    host.SetCore(core, messages);
    host.hooks.tick = [this] { ++ticks; };
    if (start) core.startup.InitAll(dir);
    else host.LoadMainWindow();
  }
  ~PanelWindowRig() {
    host.UnloadMainWindow();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  frmLift* Window() { return host.MainWindow(); }
  template <typename T>
  T* Find(const char* name) {
    T* found = Window()->findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  QString Status() { return Find<QLabel>("lblMsg")->text(); }
  // Where the axis stands, once a move still under way (the set-up's one-step nudge back
  // is not waited for) has ended.
  int64_t Steps() {
    ksim::SimAxis& axis = port.Sim()->axis();
    for (int i = 0; i < 200 && axis.IsMoving(port.NowUs()); ++i) QTest::qWait(5);
    return axis.Physical(port.NowUs());
  }
  bool Moving() { return port.Sim()->axis().IsMoving(port.NowUs()); }
  void TypeStep(const QString& text) {
    auto* box = Find<QLineEdit>("txtStep");
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
  }
  void Trigger(const char* item) { Find<QAction>(item)->trigger(); }
  void ShowActive() {
    host.ShowMainWindow();
    QApplication::setActiveWindow(Window());
    ASSERT_TRUE(QTest::qWaitForWindowActive(Window()));
  }

  SystemClock clock;
  SimSerialPort port{clock};
  QtEventPump pump;
  FakeMessages messages;
  MainWindowHost host{clock, pump};
  CoreModules core{port, clock, pump, messages, host};
  int ticks = 0;
};

class JogButtons : public ::testing::TestWithParam<const char*> {};

TEST_P(JogButtons, EachButtonMovesItsStepWhateverTheMouseButtonAndHoldTime) {
  PanelWindowRig rig(GetParam());
  ASSERT_EQ(rig.core.state.ZEnabled, 1) << rig.core.comm.CommGetLog();
  ASSERT_EQ(rig.Find<QLineEdit>("txtStep")->text(), "10");
  const struct {
    const char* name;
    Qt::MouseButton mouse;
    int holdMs;
    int64_t steps;
    const char* caption;
  } cases[] = {
      {"cmdFUC", Qt::LeftButton, 0, -80, "Up Coarse"},
      {"cmdFDC", Qt::RightButton, 0, 80, "Down Coarse"},
      {"cmdFUF", Qt::MiddleButton, 0, -16, "Up Fine"},
      {"cmdFDF", Qt::LeftButton, 0, 16, "Down Fine"},
      {"cmdFDC", Qt::LeftButton, 400, 80, "Down Coarse"},  // held long: no further
      {"cmdFUF", Qt::RightButton, 400, -16, "Up Fine"},
  };
  for (const auto& c : cases) {
    auto* button = rig.Find<QWidget>(c.name);
    const int64_t start = rig.Steps();
    EXPECT_EQ(rig.core.cmds.CmdBusy(), 0) << c.name;
    QTest::mousePress(button, c.mouse);
    EXPECT_EQ(rig.core.cmds.CmdBusy(), 1) << c.name;
    EXPECT_EQ(rig.Status(), c.caption);
    if (c.holdMs) QTest::qWait(c.holdMs);
    QTest::mouseRelease(button, c.mouse);
    EXPECT_FALSE(rig.Moving()) << c.name;  // the release waited for the end of the move
    EXPECT_EQ(rig.core.cmds.CmdBusy(), 0) << c.name;
    EXPECT_EQ(rig.Steps() - start, c.steps) << c.name << " held " << c.holdMs;
    double z = 0;
    ASSERT_EQ(rig.core.foc.FocGetPos(z), 1);
    EXPECT_EQ(rig.Status(), "Z=" + QString::number(z, 'f', 2)) << c.name;  // as "Z ?"
  }
}

TEST_P(JogButtons, StepSizeBoxRejectsTextAndNegativeSizesReverse) {
  PanelWindowRig rig(GetParam());
  rig.TypeStep("abc");
  EXPECT_EQ(rig.Status(), "Error in step size");
  int64_t start = rig.Steps();
  QTest::mouseClick(rig.Find<QWidget>("cmdFDF"), Qt::LeftButton);
  EXPECT_EQ(rig.Steps() - start, 0);  // not sent while the box shows no number
  EXPECT_EQ(rig.Status(), "Error in step size");

  rig.TypeStep("-5");
  EXPECT_EQ(rig.Status(), "");
  start = rig.Steps();
  QTest::mouseClick(rig.Find<QWidget>("cmdFUF"), Qt::LeftButton);
  EXPECT_EQ(rig.Steps() - start, 8);  // "Up" by -5 goes down
}

// Quick clicks: every click after the first arrives while the step before it still runs
// (inside the wait of the release before it). Each step runs whole.
TEST_P(JogButtons, QuickClicksEachRunWhole) {
  PanelWindowRig rig(GetParam());
  const int64_t start = rig.Steps();
  for (const char* name : {"cmdFUC", "cmdFDC", "cmdFUC", "cmdFDC", "cmdFUC", "cmdFDC", "cmdFDF"}) {
    QWidget* button = rig.Find<QWidget>(name);
    const QPointF at(button->rect().center());
    const QPointF global(button->mapToGlobal(at));
    QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonPress, at, global,
                                                        Qt::LeftButton, Qt::LeftButton, {}));
    QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonRelease, at, global,
                                                        Qt::LeftButton, Qt::NoButton, {}));
  }
  QCoreApplication::processEvents();
  EXPECT_EQ(rig.Steps() - start, 16);
  EXPECT_EQ(rig.Status(), "Z=10.00");
  EXPECT_EQ(rig.core.cmds.CmdBusy(), 0);
}

INSTANTIATE_TEST_SUITE_P(BothFamilies, JogButtons, ::testing::Values("EZHR17", "IM483I"),
                         [](const auto& info) { return std::string(info.param); });

TEST(MainWindowPanel, FunctionKeysStepAndShowThePosition) {
  PanelWindowRig rig;
  rig.ShowActive();
  const struct {
    Qt::Key key;
    const char* shown;
  } cases[] = {{Qt::Key_F1, "Z=-50.00"},
               {Qt::Key_F4, "Z=-40.00"},
               {Qt::Key_F2, "Z=10.00"},
               {Qt::Key_F3, "Z=0.00"}};
  for (const auto& c : cases) {
    QTest::keyClick(rig.Window(), c.key);
    EXPECT_EQ(rig.Status(), c.shown);
    EXPECT_EQ(rig.core.cmds.CmdBusy(), 0);
  }
}

TEST(MainWindowPanel, MenusCarryTheirCaptionsSeparatorsAndShortcuts) {
  PanelWindowRig rig;
  QStringList bar;
  for (QAction* a : rig.Window()->menuBar()->actions()) bar << a->text();
  EXPECT_EQ(bar, QStringList({"Config.", "Z", "Interp."}));
  // name or "-" for a separator, caption, shortcut
  const struct {
    const char* menu;
    std::vector<std::array<const char*, 3>> items;
  } menus[] = {
      {"mnuConf",
       {{"mnuConfig", "Configuration", ""},
        {"mnuJoyItem", "Joystick", ""},
        {"mnuErrLogComm", "Error Log", ""},
        {"mnuQuit", "Quit", ""}}},
      {"mnuZ",
       {{"mnuZPos", "Read Position", ""},
        {"-", "", ""},
        {"mnuZUC", "Up Coarse", "F1"},
        {"mnuZDC", "Down Coarse", "F2"},
        {"mnuZUF", "Up Fine", "F3"},
        {"mnuZDF", "Down Fine", "F4"},
        {"-", "", ""},
        {"mnuZHome", "Home", ""},
        {"mnuZOrigin", "Set Origin", ""},
        {"mnuZPar", "Parameters", ""},
        {"-", "", ""},
        {"mnuZAdvancedItem", "Advanced", ""}}},
      {"mnuZAdvanced", {{"mnuZReadPar", "Read Par. File", ""}}},
      {"mnuInterp", {{"mnuInterpCmds", "Commands", ""}, {"mnuInterpEdit", "Interpreter", ""}}},
  };
  for (const auto& m : menus) {
    const QList<QAction*> actions = rig.Find<QMenu>(m.menu)->actions();
    ASSERT_EQ(size_t(actions.size()), m.items.size()) << m.menu;
    for (size_t i = 0; i < m.items.size(); ++i) {
      const auto& [name, caption, key] = m.items[i];
      if (std::string(name) == "-") {
        EXPECT_TRUE(actions[i]->isSeparator()) << m.menu << " " << i;
        continue;
      }
      EXPECT_EQ(actions[i]->objectName(), name);
      EXPECT_EQ(actions[i]->text(), caption);
      EXPECT_EQ(actions[i]->shortcut(), QKeySequence(key)) << name;
    }
  }
  EXPECT_TRUE(rig.Window()->JoyMenu()->actions().isEmpty());  // the joystick fills it
}

TEST(MainWindowPanel, LayoutFollowsTheTwipsOfTheScreen) {
  PanelWindowRig rig;
  const double dpi = rig.Window()->logicalDpiX();
  auto px = [dpi](int twips) { return qRound(twips * dpi / 1440); };
  // The designed 2748 high, one row for cmdStop, one for the lift's state and a second
  // line for the status line.
  EXPECT_EQ(rig.Window()->centralWidget()->size(), QSize(px(3276), px(3660)));
  EXPECT_EQ(rig.Window()->windowTitle(), "Kelvorin");
  const struct {
    const char* name;
    int width, height;
    const char* tip;
  } controls[] = {
      {"cboCommand", 2256, 315, "Type system command"},
      {"cmdExecute", 764, 345, "Execute command in the box"},
      {"fraLift", 1840, 1880, "Move Z up or down. Click to see position."},
      {"cmdFUC", 500, 700, "Up Coarse"},
      {"cmdFDC", 500, 700, "Down Coarse"},
      {"cmdFUF", 420, 580, "Up Fine"},
      {"cmdFDF", 420, 580, "Down Fine"},
      {"txtStep", 1090, 285, "Step Size"},
      {"fraJoy", 1080, 1296, "Right click to activate"},
      {"cmdStop", 3100, 345, "Stop the lift, a program run and the joystick (Esc)"},
      {"lblMsg", 3100, 510, nullptr},  // its tip is its whole text
  };
  for (const auto& c : controls) {
    auto* w = rig.Find<QWidget>(c.name);
    EXPECT_EQ(w->size(), QSize(px(c.width), px(c.height))) << c.name;
    EXPECT_EQ(w->toolTip(), c.tip ? QString(c.tip) : rig.Status()) << c.name;
  }
  EXPECT_EQ(rig.Find<QLabel>("lblMsg")->frameShape(), QFrame::Panel);
  // The largest step size here (a coarse step over the whole travel), with decimals.
  auto* step = rig.Find<QLineEdit>("txtStep");
  EXPECT_LT(step->fontMetrics().horizontalAdvance("-5000.625"), step->contentsRect().width() - 4);
}

TEST(MainWindowPanel, ParametersReinitialiseTheAxisAfterTheEditorCloses) {
  PanelWindowRig rig;
  rig.core.state.ZEnabled = 0;
  std::string parz = kParz;
  parz.replace(parz.find("\"ZJUMPSIZE\",10"), 14, "\"ZJUMPSIZE\",2.5");
  rig.Put("ST_PARZ.TXT", parz);
  CloseNextModal();
  rig.Trigger("mnuZPar");
  EXPECT_EQ(rig.Status(), "Z On");
  EXPECT_EQ(rig.core.state.ZEnabled, 1);
  EXPECT_EQ(rig.Find<QLineEdit>("txtStep")->text(), "2.5");
  const int64_t start = rig.Steps();
  QTest::mouseClick(rig.Find<QWidget>("cmdFDF"), Qt::LeftButton);
  EXPECT_EQ(rig.Steps() - start, 4);
}

TEST(MainWindowPanel, ReadParFileCancelledInTheFileDialogReadsNothing) {
  PanelWindowRig rig;
  CloseNextModal();
  rig.Trigger("mnuZReadPar");
  EXPECT_EQ(rig.Status(), "Parameter file not read");
}

std::vector<frmText*> TextWindows() {
  std::vector<frmText*> found;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* t = qobject_cast<frmText*>(w); t && t->isVisible()) found.push_back(t);
  return found;
}

TEST(MainWindowPanel, ErrorLogOpensTheTextWindowAndTheClipboardOnlyWithLines) {
  PanelWindowRig rig("EZHR17", false);
  QGuiApplication::clipboard()->setText("before");
  rig.Trigger("mnuErrLogComm");  // an empty log opens too, and says so
  ASSERT_EQ(TextWindows().size(), 1u);
  EXPECT_EQ(TextWindows()[0]->Text(), LiftPanel::kEmptyLog);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "before");
  TextWindows()[0]->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

  rig.core.state.config.CONTRTYPE = "EZHR17";
  rig.core.cmds.ExecCmdString("CON /1Q");  // the port is not open: a failed exchange
  const std::string log = rig.core.comm.CommGetTimedLog();  // each line with its time
  ASSERT_FALSE(log.empty());
  rig.Trigger("mnuErrLogComm");
  const auto windows = TextWindows();
  ASSERT_EQ(windows.size(), 1u);
  EXPECT_EQ(windows[0]->windowTitle(), "Error Log");
  EXPECT_EQ(windows[0]->Text(), log);
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), log);
  for (frmText* w : windows) w->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(MainWindowPanel, CommandBoxStatusLineAndJogFrame) {
  PanelWindowRig rig;
  rig.ShowActive();
  auto* box = rig.Find<QComboBox>("cboCommand");
  rig.host.SetCommandText("Z Rel 5");
  rig.Find<QLineEdit>("txtStep")->setFocus();
  box->setFocus(Qt::TabFocusReason);  // a tab would select the whole text
  EXPECT_FALSE(box->lineEdit()->hasSelectedText());
  EXPECT_EQ(box->lineEdit()->cursorPosition(), 7);

  rig.host.SetStatusText("something");
  QTest::mouseClick(rig.Find<QLabel>("lblMsg"), Qt::RightButton);
  EXPECT_EQ(rig.Status(), "");

  QTest::mousePress(rig.Find<QGroupBox>("fraLift"), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(rig.Status(), "Z=0.00");
  QTest::mouseRelease(rig.Find<QGroupBox>("fraLift"), Qt::LeftButton, {}, QPoint(5, 5));
}

TEST(MainWindowPanel, JoystickPlaceTimerAndInterpreterHooks) {
  PanelWindowRig rig("EZHR17", false);
  // The joystick's content fills its frame; a press there pops up its menu.
  auto* content = new QWidget;
  content->setAttribute(Qt::WA_TransparentForMouseEvents);
  rig.Window()->SetJoyContent(content);
  EXPECT_EQ(content->geometry(), rig.Find<QGroupBox>("fraJoy")->rect());
  rig.Window()->JoyMenu()->addAction("On?");
  rig.ShowActive();
  QTest::mousePress(rig.Find<QGroupBox>("fraJoy"), Qt::RightButton, {}, QPoint(20, 30));
  EXPECT_TRUE(rig.Window()->JoyMenu()->isVisible());
  rig.Window()->JoyMenu()->close();
  QTest::mouseRelease(rig.Find<QGroupBox>("fraJoy"), Qt::RightButton, {}, QPoint(20, 30));

  // The timer ticks every 300 ms, also while hidden.
  auto* timer = rig.Window()->findChild<QTimer*>("tmrST");
  ASSERT_NE(timer, nullptr);
  EXPECT_TRUE(timer->isActive());
  EXPECT_EQ(timer->interval(), 300);
  rig.host.HideMainWindow();
  const int before = rig.ticks;
  QTest::qWait(700);
  EXPECT_GE(rig.ticks - before, 2);

  // Where the interpreter opens is the launcher's (InterpWindow tests).
  QWidget* besides = nullptr;
  rig.host.hooks.openInterpreter = [&](QWidget* mainWindow) { besides = mainWindow; };
  rig.host.ShowMainWindow();
  rig.Trigger("mnuInterpEdit");
  EXPECT_EQ(besides, rig.Window());

  int interpUnloads = 0;
  rig.host.hooks.unloadInterpreter = [&] { ++interpUnloads; };
  rig.host.UnloadMainWindow();
  EXPECT_EQ(interpUnloads, 1);
  const int atUnload = rig.ticks;
  QTest::qWait(400);
  EXPECT_EQ(rig.ticks, atUnload);
}

TEST(MainWindowPanel, ConfigurationReappliesAfterTheEditorAndQuitUnloads) {
  PanelWindowRig rig;
  rig.Put("ST_CONFIG.TXT",
          "\"MPORT\",1\r\n\"PORTTIMEOUT\",100\r\n\"MOVETIMEOUT\",10\r\n"
          "\"WAITPOLLINGINTERVAL\",10\r\n\"CONTRTYPE\",EZHR17\r\n"
          "\"Z_INSTALLED\",0\r\n\"MPORTNAME\",sim:EZHR17:nowire\r\n");
  CloseNextModal();
  rig.Trigger("mnuConfig");
  EXPECT_EQ(rig.core.state.config.Z_INSTALLED, 0);
  EXPECT_EQ(rig.core.state.ZEnabled, 0);
  EXPECT_TRUE(rig.core.comm.CommIsInit() == 1);
  rig.host.SetStatusText("");
  const int64_t start = rig.Steps();
  QTest::mouseClick(rig.Find<QWidget>("cmdFUF"), Qt::LeftButton);
  EXPECT_EQ(rig.Steps(), start);  // the axis is off now, and the button says why
  EXPECT_EQ(rig.Status(), "Z axis off: not installed (Z_INSTALLED 0 in ST_CONFIG.TXT)");

  rig.Trigger("mnuQuit");
  EXPECT_FALSE(rig.host.IsFormLoaded("frmLift"));
}

TEST(MainWindowPanel, AReloadedWindowKeepsTheOperatorsStepSizeAndItsBox) {
  PanelWindowRig rig;
  rig.TypeStep("3");
  QTest::keyClick(rig.Find<QLineEdit>("txtStep"), Qt::Key_Return);
  rig.host.UnloadMainWindow();
  rig.host.ShowMainWindow();  // before the old window is gone
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(rig.Find<QLineEdit>("txtStep")->text(), "3");
  CloseNextModal();
  rig.Trigger("mnuZPar");
  EXPECT_EQ(rig.Find<QLineEdit>("txtStep")->text(), "10");
}

// The travel here: 10 s (MOVETIMEOUT) at 4000 microsteps/s of 0.625, 25000; a coarse step
// is 5 steps.
TEST(MainWindowPanel, AStepBeyondTheTravelSetOriginAndClosingDuringARunAreRefusedOrAsked) {
  PanelWindowRig rig;
  rig.TypeStep("5001");
  EXPECT_TRUE(rig.Status().startsWith("Step size too large: at most 5000 ("))
      << rig.Status().toStdString();
  const int64_t start = rig.Steps();
  QTest::mouseClick(rig.Find<QWidget>("cmdFDC"), Qt::LeftButton);
  EXPECT_EQ(rig.Steps(), start);  // not sent
  rig.TypeStep("5000");
  EXPECT_EQ(rig.Status(), "");

  rig.messages.answer = false;
  rig.Trigger("mnuZOrigin");
  EXPECT_EQ(rig.Status(), "Origin not set");
  EXPECT_EQ(rig.messages.asked.size(), 1u);

  rig.core.interp.StartRun();  // a program runs: closing asks, Cancel keeps the window
  rig.Window()->close();
  EXPECT_EQ(rig.messages.asked.size(), 2u);
  ASSERT_NE(rig.host.MainWindow(), nullptr);
  rig.messages.answer = true;
  rig.Trigger("mnuQuit");
  EXPECT_EQ(rig.host.MainWindow(), nullptr);
  EXPECT_EQ(rig.messages.asked.size(), 3u);
}

TEST(MainWindowPanel, RendersToAPngForAReviewer) {
  // Run once more with QT_FONT_DPI=144 (the screen then scales by 1.5) and with
  // QT_SCALE_FACTOR=2. The live position with its unit and the lift's state show.
  PanelWindowRig rig;
  rig.Put("ST_PARZ.TXT", std::string(kParz) + "\"ZUNIT\",\xB5m\r\n");
  ASSERT_EQ(rig.core.foc.FocInit(), 1);
  rig.core.state.config.ZPOSPOLL = 500;
  rig.host.SetCommandText("Z Rel 5;Z Wait;Z ?");
  rig.host.ShowMainWindow();
  frmLift* window = rig.Window();
  ASSERT_EQ(rig.core.cmds.ExecCmdString("Z Rel 5;Z Wait"), "OK  ; OK  ; ");
  window->onTick();  // the move shows as one for a second
  EXPECT_EQ(rig.Find<QLabel>("lblState")->text(), "Moving");
  QTest::qWait(PosPoll::kMovedMs + 100);
  window->onTick();
  rig.host.SetStatusText(
      "Parameter PORTTIMEOUT in /home/operator/kelvorin/ST_CONFIG.TXT is not a number: "
      "the link keeps its time-out of 100 ms");
  EXPECT_EQ(rig.Find<QGroupBox>("fraLift")->title(), "Lift  Z=5.00 \u00B5m");
  EXPECT_EQ(rig.Find<QLabel>("lblState")->text(), "Idle");
  EXPECT_TRUE(rig.Find<QLabel>("lblMsg")->toolTip().endsWith("of 100 ms"));
  const int dpi = qRound(window->logicalDpiY() * window->devicePixelRatioF());
  const QString folder = QString(KELVORIN_BIN_DIR) + "/../screenshots";
  QDir().mkpath(folder);
  const QString file = QString("%1/frmLift-%2dpi.png").arg(folder).arg(dpi);
  const QPixmap shot = window->grab();
  ASSERT_TRUE(shot.save(file)) << file.toStdString();
  EXPECT_EQ(shot.deviceIndependentSize().toSize(), window->size());
  EXPECT_EQ(shot.width(), qRound(window->width() * window->devicePixelRatioF()));
}

}  // namespace
