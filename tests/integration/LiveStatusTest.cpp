// The main window's live position and link indicator over the whole core and the
// simulated controller, with a port that can go silent or lose its device.
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/SimSerialPort.h"
#include "core/CoreModules.h"
#include "support/Fakes.h"
#include "ui/MainWindowHost.h"

namespace {

namespace fs = std::filesystem;

// The simulated controller behind a line that can fall silent (writes go nowhere) or lose
// its device (I/O errors and the loss event; it cannot be opened until it is back).
class SwitchPort : public SerialPort {
 public:
  enum class Line { Normal, Silent, Gone };
  explicit SwitchPort(SimSerialPort& inner) : inner_(inner) {}

  bool Open(const std::string& name, PortError& err) override {
    if (line == Line::Gone) {
      err = {2, "No such file or directory"};
      return false;
    }
    return inner_.Open(name, err);
  }
  bool Close(PortError& err) override { return inner_.Close(err); }
  bool IsOpen() const override { return inner_.IsOpen(); }
  bool Write(std::string_view data, PortError& err) override {
    if (line == Line::Silent) return true;
    if (line == Line::Gone) return Lost(err);
    return inner_.Write(data, err);
  }
  long Waiting(PortError& err) override {
    if (line == Line::Gone) return Lost(err) ? 0 : -1;
    return inner_.Waiting(err);
  }
  bool Read(std::string& out, PortError& err) override { return inner_.Read(out, err); }
  bool WaitForData(int timeoutMs) override { return inner_.WaitForData(timeoutMs); }

  Line line = Line::Normal;

 private:
  bool Lost(PortError& err) {
    err = {6, "Input/output error"};
    RaiseEvent(kEventDeviceLost);
    return false;
  }
  SimSerialPort& inner_;
};

struct LiveRig {
  explicit LiveRig(bool posPoll) {
    char pattern[] = "/tmp/kelvorin-live-XXXXXX";
    dir = mkdtemp(pattern);
    for (const char* name : {"ST_PARZ.TXT", "ST_JOY.TXT", "ST_JOYCMDS.TXT", "ST_SYMCONST.TXT"})
      fs::copy_file(std::string(KELVORIN_SOURCE_DIR) + "/settings/" + name, dir + "/" + name);
    std::ofstream(dir + "/ST_CONFIG.TXT", std::ios::binary)
        << "\"MPORT\",1\r\n\"PORTTIMEOUT\",100\r\n\"MOVETIMEOUT\",10\r\n"
           "\"WAITPOLLINGINTERVAL\",20\r\n\"CONTRTYPE\",EZHR17\r\n\"Z_INSTALLED\",1\r\n"
           "\"MPORTNAME\",sim:EZHR17\r\n"
        << (posPoll ? "\"ZPOSPOLL\",500\r\n" : "");
    sim.SetLogSink([this](const std::string& line) {
      if (line.rfind("> ", 0) == 0) sent.push_back(line.substr(2));
    });
    host.SetCore(core, messages);
    core.startup.InitAll(dir);
    core.tick.Start();
    sent.clear();
  }
  ~LiveRig() {
    host.UnloadMainWindow();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    fs::remove_all(dir);
  }
  // One tick of the window's timer, 300 ms after the last one.
  void Tick(int count = 1) {
    for (int i = 0; i < count; ++i) {
      clock.now += 300;
      host.MainWindow()->onTick();
    }
  }
  QString Caption() { return host.MainWindow()->findChild<QGroupBox*>("fraLift")->title(); }
  QLabel* Indicator() { return host.MainWindow()->findChild<QLabel*>("lblLink"); }
  // Ticks until the indicator reads text (at most count ticks); its text then.
  QString TickUntil(const QString& text, int count = 20) {
    for (int i = 0; i < count && Indicator()->text() != text; ++i) Tick();
    return Indicator()->text();
  }

  FakeClock clock;
  SimSerialPort sim{clock};
  SwitchPort port{sim};
  FakePump pump;
  FakeMessages messages;
  MainWindowHost host{clock, pump};
  CoreModules core{port, clock, pump, messages, host};
  std::vector<std::string> sent;
  std::string dir;
};

TEST(LiveStatus, CaptionFollowsTheLiftAndTheIndicatorTheLink) {
  LiveRig rig(true);
  ASSERT_EQ(rig.core.state.ZEnabled, 1) << rig.core.comm.CommGetLog();
  // Hidden, as for a client: nothing is read or shown.
  rig.Tick(3);
  EXPECT_TRUE(rig.sent.empty());
  EXPECT_EQ(rig.Caption(), "Lift");
  EXPECT_FALSE(rig.Indicator()->isVisibleTo(rig.host.MainWindow()));

  rig.host.ShowMainWindow();
  rig.Tick();
  EXPECT_EQ(rig.Caption(), "Lift  Z=0.00 \u00B5m");
  EXPECT_EQ(rig.Indicator()->text(), "Link OK");
  EXPECT_TRUE(rig.Indicator()->isVisibleTo(rig.host.MainWindow()));

  ASSERT_EQ(rig.core.cmds.ExecCmdString("Z 12.5;Z Wait"), "OK  ; OK  ; ");
  rig.Tick(2);
  EXPECT_EQ(rig.Caption(), "Lift  Z=12.50 \u00B5m");

  // The controller falls silent: time-outs, and no stale position.
  rig.port.line = SwitchPort::Line::Silent;
  EXPECT_EQ(rig.TickUntil("No answer"), "No answer");
  EXPECT_EQ(rig.Caption(), "Lift");
  rig.port.line = SwitchPort::Line::Normal;
  EXPECT_EQ(rig.TickUntil("Link OK"), "Link OK");
  EXPECT_EQ(rig.Caption(), "Lift  Z=12.50 \u00B5m");

  // The device goes away and comes back: opened again by a later read.
  rig.port.line = SwitchPort::Line::Gone;
  EXPECT_EQ(rig.TickUntil("Re-opening"), "Re-opening");
  rig.Tick(10);
  EXPECT_EQ(rig.Indicator()->text(), "Re-opening");
  rig.port.line = SwitchPort::Line::Normal;
  EXPECT_EQ(rig.TickUntil("Link OK"), "Link OK");
  EXPECT_EQ(rig.Caption(), "Lift  Z=12.50 \u00B5m");
  EXPECT_NE(rig.core.comm.CommGetLog().find("CommPort reopened"), std::string::npos);

  // Powered off while away: back with its register at 0, which the status line says.
  rig.port.line = SwitchPort::Line::Gone;
  EXPECT_EQ(rig.TickUntil("Re-opening"), "Re-opening");
  rig.sim.Sim()->axis().SetRegister(rig.sim.NowUs(), 0);
  rig.port.line = SwitchPort::Line::Normal;
  EXPECT_EQ(rig.TickUntil("Link OK"), "Link OK");
  EXPECT_EQ(rig.host.Text(),
            "position changed while the link was down: was 12.50 \xB5m, now 0.00 \xB5m; home "
            "before absolute moves");
  ASSERT_EQ(rig.core.cmds.ExecCmdString("Z 12.5;Z Wait"), "OK  ; OK  ; ");

  // No read while the axis is off; the indicator says so.
  rig.core.state.ZEnabled = 0;
  rig.sent.clear();
  EXPECT_EQ(rig.TickUntil("Z off"), "Z off");
  EXPECT_TRUE(rig.sent.empty());
  EXPECT_TRUE(rig.messages.shown.empty()) << "no message box at any time";

  rig.core.state.ZEnabled = 1;
  rig.TickUntil("Link OK");
  EXPECT_EQ(rig.Caption(), "Lift  Z=12.50 \u00B5m");
  const QString folder = QString(KELVORIN_BIN_DIR) + "/../screenshots";
  QDir().mkpath(folder);
  EXPECT_TRUE(rig.host.MainWindow()->grab().save(folder + "/frmLift-live.png"));

  // A new configuration without the key: the window is as it was.
  rig.core.state.config.ZPOSPOLL = 0;
  rig.Tick();
  EXPECT_EQ(rig.Caption(), "Lift");
  EXPECT_FALSE(rig.Indicator()->isVisibleTo(rig.host.MainWindow()));
}

// A client's long move ("Z 16000;Z Wait", some 13 s on the simulator): the ticks that
// run inside the wait show the position moving, the state says so, and the link
// exchanges of the wait are its own status polls plus one position read per interval.
TEST(LiveStatus, TheCaptionMovesDuringAClientsMove) {
  LiveRig rig(true);
  ASSERT_EQ(rig.core.state.ZEnabled, 1);
  rig.host.ShowMainWindow();
  rig.Tick();
  auto* state = rig.host.MainWindow()->findChild<QLabel*>("lblState");
  EXPECT_EQ(state->text(), "Idle");
  std::vector<QString> captions;
  std::vector<QString> states;
  uint32_t lastTick = rig.clock.now;
  rig.pump.onEvents = [&] {
    if (rig.clock.now - lastTick < 300) return;
    lastTick = rig.clock.now;
    rig.host.MainWindow()->onTick();
    if (captions.empty() || captions.back() != rig.Caption()) captions.push_back(rig.Caption());
    states.push_back(state->text());
  };
  rig.core.motor.MotorSetMoveTimeout(30);
  rig.sent.clear();
  const uint32_t start = rig.clock.now;
  EXPECT_EQ(rig.core.cmds.ExecCmdString("Z 16000;Z Wait"), "OK  ; OK  ; ");
  const uint32_t took = rig.clock.now - start;
  EXPECT_GT(took, 12000u);
  rig.pump.onEvents = nullptr;
  EXPECT_GE(captions.size(), 10u) << "the position moved on during the move";
  for (const QString& s : states) EXPECT_EQ(s, "Moving");
  const auto reads = std::count(rig.sent.begin(), rig.sent.end(), std::string("/1?0\\r"));
  EXPECT_GE(reads, 10) << (rig.sent.empty() ? "" : rig.sent.back());
  EXPECT_LE(reads, took / 500 + 2) << "one position read per ZPOSPOLL interval";
  rig.Tick(5);
  EXPECT_EQ(rig.Caption(), "Lift  Z=16000.00 \u00B5m");
  EXPECT_EQ(state->text(), "Idle");
}

TEST(LiveStatus, WithoutTheKeyTheWindowStaysAsItWas) {
  LiveRig rig(false);
  ASSERT_EQ(rig.core.state.ZEnabled, 1);
  rig.host.ShowMainWindow();
  rig.Tick(5);
  EXPECT_EQ(rig.Caption(), "Lift");
  EXPECT_FALSE(rig.Indicator()->isVisibleTo(rig.host.MainWindow()));
  EXPECT_TRUE(rig.sent.empty()) << rig.sent.front();
}

}  // namespace

// A held jog button keeps CmdBusy set while its step runs: the caption still follows it.
TEST(LiveStatus, TheCaptionMovesWhileAJogButtonIsHeld) {
  LiveRig rig(true);
  ASSERT_EQ(rig.core.state.ZEnabled, 1);
  rig.host.ShowMainWindow();
  rig.Tick();
  rig.host.MainWindow()->findChild<QLineEdit*>("txtStep")->setText("1000");
  auto* up = rig.host.MainWindow()->findChild<QWidget*>("cmdFUF");
  ASSERT_NE(up, nullptr);
  QTest::mousePress(up, Qt::LeftButton);
  std::vector<QString> captions{rig.Caption()};
  for (int i = 0; i < 6; ++i) {
    rig.Tick();
    if (captions.back() != rig.Caption()) captions.push_back(rig.Caption());
  }
  QTest::mouseRelease(up, Qt::LeftButton);
  EXPECT_GE(captions.size(), 3u) << "the position moved on while the button was held";
  rig.Tick(2);
  EXPECT_EQ(rig.Caption(), "Lift  Z=-1000.00 \u00B5m");  // up is towards -Z
}
