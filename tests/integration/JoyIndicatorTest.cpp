// The joystick indicator and the "Joystick" menu, offscreen.
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "core/CoreModules.h"
#include "support/Fakes.h"
#include "support/JoyCore.h"
#include "support/ScratchDir.h"
#include "panels/JoyMenuActions.h"
#include "ui/JoyIndicator.h"
#include "ui/JoyMenu.h"
#include "ui/JoyParts.h"
#include "ui/Twips.h"

namespace {

struct IndicatorRig {
  IndicatorRig() : frame(), indicator(&frame) {
    frame.setObjectName("fraJoy");
    frame.resize(twips::ToPx(1080, &frame), twips::ToPx(1296, &frame, false));
  }
  template <typename T>
  T* Find(const char* name) {
    return frame.findChild<T*>(name);
  }
  QFrame frame;
  JoyIndicator indicator;
};

bool Strong(QLabel* label) {
  return label->font().bold() && label->palette().color(QPalette::WindowText) == Qt::black;
}
bool Grey(QLabel* label) {
  return !label->font().bold() &&
         label->palette().color(QPalette::WindowText) == QColor(128, 128, 128);
}

TEST(JoyIndicator, BarsFollowTheDeflections) {
  IndicatorRig rig;
  for (const char* name : {"linJX", "linJY", "linJXP", "linJXM", "linJYP", "linJYM"})
    EXPECT_NE(rig.Find<JoyLine>(name), nullptr) << name;
  const struct {
    int16_t x, y, full;
    float x1, x2, y1, y2;  // linJX from x1 to x2, linJY from y1 to y2, in twips
  } cases[] = {
      {0, 0, 1000, 540, 540, 720, 720},
      {500, -1000, 1000, 540, 720, 300, 720},
      {-250, 250, 1000, 450, 540, 720, 825},
      {1000, 1000, 1000, 540, 900, 720, 1140},
      {-1000, -500, 1000, 180, 540, 510, 720},
      {2000, 0, 1000, 540, 1260, 720, 720},  // beyond full scale
      {1, -1, 3, 540, 660, 580, 720},
      {700, 700, 0, 540, 540, 720, 720},  // no scale: no bars
  };
  JoyLine* jx = rig.Find<JoyLine>("linJX");
  JoyLine* jy = rig.Find<JoyLine>("linJY");
  const double dpiX = twips::Dpi(&rig.frame, true) / 1440.0;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y << "/" << c.full);
    rig.indicator.JoyDisplay(c.x, c.y, c.full);
    EXPECT_FLOAT_EQ(jx->X1(), c.x1);
    EXPECT_FLOAT_EQ(jx->X2(), c.x2);
    EXPECT_FLOAT_EQ(jx->Y1(), 720);
    EXPECT_FLOAT_EQ(jx->Y2(), 720);
    EXPECT_FLOAT_EQ(jy->X1(), 540);
    EXPECT_FLOAT_EQ(jy->Y1(), c.y1);
    EXPECT_FLOAT_EQ(jy->Y2(), c.y2);
    EXPECT_NEAR(jx->P2().x(), c.x2 * dpiX, 1e-3);
    // The bar's widget covers its line.
    EXPECT_LE(jx->geometry().left(), jx->P1().x());
    EXPECT_GE(jx->geometry().right() + 1, jx->P2().x());
  }
}

TEST(JoyIndicator, LabelsAtTheirPlaces) {
  IndicatorRig rig;
  auto* plus = rig.Find<QLabel>("lblJZM");
  auto* minus = rig.Find<QLabel>("lblJZP");
  ASSERT_TRUE(plus && minus);
  EXPECT_EQ(minus->text(), "-Z");
  EXPECT_EQ(plus->text(), "+Z");
  const int left = twips::ToPx(600, &rig.frame);
  EXPECT_EQ(minus->pos(), QPoint(left, twips::ToPx(260, &rig.frame, false)));
  EXPECT_EQ(plus->pos(), QPoint(left, twips::ToPx(1000, &rig.frame, false)));
  // Until joystick control is switched on: no bars, grey labels, the scale drawn.
  EXPECT_TRUE(rig.Find<JoyLine>("linJX")->isHidden());
  EXPECT_FALSE(rig.Find<JoyLine>("linJXP")->isHidden());
  EXPECT_TRUE(Grey(plus) && Grey(minus));
}

struct MenuRig : ScratchDir, JoyCore<FakePort> {
  MenuRig() : ScratchDir("kelvorin-joymenu") {
    core.par.ParSetDir(Path());
    WriteJoy("10");
    core.joy.JoyReadPar();
    windows.mainLoaded = true;
    joyMenu = std::make_unique<JoyMenu>(&menu, core.joyMenu, core.state, core.joy,
                                        indicator.indicator, core.par, messages, nullptr);
  }
  void WriteJoy(const std::string& jlatent) {
    Put("ST_JOY.TXT",
        "\"JAXIS1_L\",0\r\n\"JAXIS1_0\",32767\r\n\"JAXIS1_R\",65535\r\n\"JAXIS2_L\",0\r\n"
        "\"JAXIS2_0\",32767\r\n\"JAXIS2_R\",65535\r\n\"JLATENT\"," +
            jlatent + "\r\n\"JAXIS1_Dir\",1\r\n\"JAXIS2_Dir\",1\r\n");
  }
  QAction* Item(const char* name) { return menu.findChild<QAction*>(name); }
  // Runs the action once a modal dialog is up; it must close the dialog.
  static void WhenModal(std::function<void(QWidget*)> act) {
    QTimer::singleShot(0, [act] {
      QWidget* modal = QApplication::activeModalWidget();
      ASSERT_NE(modal, nullptr);
      act(modal);
    });
  }

  IndicatorRig indicator;
  QMenu menu;
  std::unique_ptr<JoyMenu> joyMenu;
};

TEST(JoyMenu, ItemsSwitchAndCheck) {
  MenuRig rig;
  QStringList captions;
  for (QAction* a : rig.menu.actions()) captions << a->objectName() + "=" + a->text();
  EXPECT_EQ(captions, (QStringList{"mnuJoyOn=On?", "mnuJoyCalib=Calibrate",
                                   "mnuJoyAssgnCmd=Assigned Commands", "mnuTogAxes=Toggle Axes",
                                   "mnuJoyPar=Param."}));
  QAction* on = rig.Item("mnuJoyOn");
  auto* bar = rig.indicator.Find<JoyLine>("linJX");
  auto* label = rig.indicator.Find<QLabel>("lblJZM");
  rig.stick.y = 65535;  // deflected: stays off
  on->trigger();
  EXPECT_FALSE(on->isChecked());
  rig.stick.Centre();
  on->trigger();
  EXPECT_TRUE(on->isChecked());
  EXPECT_EQ(rig.core.state.JoyOn, 1);
  EXPECT_FALSE(bar->isHidden());
  rig.Item("mnuTogAxes")->trigger();
  EXPECT_EQ(rig.core.state.JoyAxes, 1);
  EXPECT_TRUE(Strong(label));
  on->trigger();
  EXPECT_FALSE(on->isChecked());
  EXPECT_TRUE(bar->isHidden());
  EXPECT_TRUE(Grey(label));

  QAction* calib = rig.Item("mnuJoyCalib");
  calib->trigger();
  EXPECT_TRUE(calib->isChecked());
  calib->trigger();  // nothing swept: refused
  EXPECT_FALSE(calib->isChecked());
  EXPECT_EQ(rig.windows.status.text, "Not calibrated. Using old par.");

  // A press anywhere in the frame pops the menu up.
  rig.indicator.frame.show();
  QTest::mousePress(&rig.indicator.frame, Qt::RightButton, {}, QPoint(5, 5));
  EXPECT_TRUE(rig.menu.isVisible());
  rig.menu.close();
}

// Without a stick the indicator itself says so, whatever the status line says later;
// "On?" and "Calibrate" say why nothing will move.
TEST(JoyMenu, NoStickShowsInTheIndicator) {
  MenuRig rig;
  auto* none = rig.indicator.Find<QLabel>("lblNoStick");
  EXPECT_TRUE(none->isHidden());
  rig.stick.plugged = false;
  rig.Item("mnuJoyCalib")->trigger();
  EXPECT_FALSE(rig.Item("mnuJoyCalib")->isChecked());
  EXPECT_EQ(rig.windows.status.text, JoyMenuActions::kNoStickToCalibrate);
  EXPECT_FALSE(none->isHidden());
  EXPECT_EQ(none->text(), "no joystick");
  rig.Item("mnuJoyOn")->trigger();
  EXPECT_EQ(rig.windows.status.text, JoyMenuActions::kNoStick);
  rig.windows.status.text = "something else";
  EXPECT_FALSE(none->isHidden());
  rig.stick.plugged = true;
  rig.Item("mnuJoyOn")->trigger();  // off
  rig.Item("mnuJoyOn")->trigger();  // on: the stick is read again
  EXPECT_TRUE(none->isHidden());
}

TEST(JoyMenu, DialogsOfAssignedCommandsAndParam) {
  MenuRig rig;
  rig.core.state.JoyCmds = {"Ver", "Z ?"};
  rig.WhenModal([](QWidget* dialog) {
    auto* text = dialog->findChild<QPlainTextEdit*>("txtText");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->toPlainText(), "Ver\nZ ?");
    text->setPlainText("Ver\n\nJoy Off");
    QTest::mouseClick(dialog->findChild<QPushButton*>("cmdDone"), Qt::LeftButton);
  });
  rig.Item("mnuJoyAssgnCmd")->trigger();
  EXPECT_EQ(rig.windows.status.text, "Joystick commands assigned");
  EXPECT_EQ(rig.core.state.JoyCmds, (LineList{"Ver", "", "Joy Off"}));

  rig.WhenModal([](QWidget* dialog) {
    QTest::mouseClick(dialog->findChild<QPushButton*>("cmdCancel"), Qt::LeftButton);
  });
  rig.Item("mnuJoyAssgnCmd")->trigger();
  EXPECT_EQ(rig.windows.status.text, "Joystick commands not assigned");

  rig.WriteJoy("20");  // changed behind the editor's back; the editor keeps it
  rig.WhenModal([](QWidget* dialog) { dialog->close(); });
  rig.Item("mnuJoyPar")->trigger();
  EXPECT_EQ(rig.core.joy.Calib().JoyDeadZone, 200);
}

// What the main window's host does around the parts: its timer ticks the core's engine
// from the window's load to its unload, and the parts follow after each tick.
template <typename Rig>
struct HostedParts {
  Rig& rig;
  JoyParts parts{rig.core, rig.messages};
  void Loaded(QWidget* frame, QMenu* menu) {
    parts.Loaded(frame, menu, nullptr);
    rig.core.tick.Start();
  }
  void Tick() {
    rig.core.tick.Tick();
    parts.Follow();
  }
  void Unloading() {
    rig.core.tick.Stop();
    parts.Unloading();
  }
};

// Load fills frame and menu and the indicator draws the tick's reading; after the unload
// the stick is no longer read.
TEST(JoyParts, LoadTickUnloadAndLoadAgain) {
  JoyCore<FakePort> rig;
  rig.core.joy.SetCalib({0, 32767, 65535, 0, 32767, 65535, 100, 1, 1});
  rig.core.state.JoyOn = 1;
  HostedParts<decltype(rig)> parts{rig};
  for (int load = 0; load < 2; ++load) {
    auto frame = std::make_unique<QFrame>();
    QMenu menu;
    parts.Loaded(frame.get(), &menu);
    parts.parts.JoyVisibility();
    EXPECT_EQ(menu.actions().size(), 5);
    EXPECT_TRUE(menu.actions().front()->isChecked());
    rig.stick.x = 65535;
    parts.Tick();
    EXPECT_FLOAT_EQ(frame->findChild<JoyLine*>("linJX")->X2(), 900);
    parts.Unloading();
    const int reads = rig.stick.reads;
    parts.Tick();
    EXPECT_EQ(rig.stick.reads, reads);
    frame.reset();
    parts.parts.JoyVisibility();  // the window's parts are gone: nothing to do
  }
}

// Control switched off behind the window's back (as start-up does with a deflected
// stick): the next tick takes the check mark and the bars away, so "On?" reads true.
TEST(JoyParts, MenuAndIndicatorFollowTheSwitch) {
  JoyCore<FakePort> rig;
  rig.core.joy.SetCalib({0, 32767, 65535, 0, 32767, 65535, 100, 1, 1});
  rig.core.state.JoyOn = 1;
  HostedParts<decltype(rig)> parts{rig};
  QFrame frame;
  QMenu menu;
  parts.Loaded(&frame, &menu);
  QAction* on = menu.actions().front();
  auto* bar = frame.findChild<JoyLine*>("linJX");
  ASSERT_TRUE(on->isChecked());
  rig.core.state.JoyOn = 0;
  parts.Tick();
  EXPECT_FALSE(on->isChecked());
  EXPECT_TRUE(bar->isHidden());
  on->trigger();  // switches on, as its missing check mark says
  EXPECT_EQ(rig.core.state.JoyOn, 1);
  EXPECT_TRUE(on->isChecked());
  EXPECT_FALSE(bar->isHidden());
  parts.Unloading();
}

TEST(JoyIndicator, RendersForReview) {
  IndicatorRig rig;
  rig.frame.setFrameStyle(QFrame::Box);
  rig.indicator.SetAppearance(true, true);
  rig.indicator.JoyDisplay(500, -700, 1000);
  rig.frame.show();
  const QString path = QString(KELVORIN_BIN_DIR) + "/../joy_indicator.png";
  EXPECT_TRUE(rig.frame.grab().save(path));
}

}  // namespace
