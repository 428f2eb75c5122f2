// The typical request end to end: a client's command line through the socket, the
// dispatcher, the Z axis and the driver, over a real pseudo-terminal to the simulated
// controller, and back.
#include <gtest/gtest.h>

#include <memory>

#include "Programs.h"

namespace {

struct Family {
  const char* name;
  const char* relMove;   // the relative move of 5 user units (8 microsteps) on the wire
  const char* position;  // the position query on the wire
  friend void PrintTo(const Family& c, std::ostream* os) { *os << c.name; }
};

class TypicalRequest : public ::testing::TestWithParam<Family> {
 protected:
  // The program's settings for this family's simulated controller on tty.
  void WriteSettings() {
    programs::WriteSettings(
        dir.path(),
        {"\"MPORT\",1", "\"PORTTIMEOUT\",100", "\"MOVETIMEOUT\",10", "\"WAITPOLLINGINTERVAL\",20",
         QString("\"CONTRTYPE\",") + GetParam().name, "\"Z_INSTALLED\",1", "\"MPORTNAME\"," + tty});
  }

  QTemporaryDir dir;
  const QString tty = dir.path() + "/tty", log = dir.path() + "/sim.log";
  const QString socket = dir.path() + "/k.sock";
};

TEST_P(TypicalRequest, RelativeMoveWaitAndPositionOverAPty) {
  const Family f = GetParam();
  programs::Sim sim(f.name, tty, log);
  ASSERT_TRUE(sim.ok());
  WriteSettings();
  programs::Server server(dir.path(), socket);

  EXPECT_EQ(programs::Cmd(socket, {"Z Rel 5;Z Wait;Z ?"}), "OK  ; OK  ; 5.00 ; \n");
  const QString wire = programs::ReadFile(log);
  EXPECT_TRUE(wire.contains(QString("> ") + f.relMove)) << wire.toStdString();
  EXPECT_TRUE(wire.contains(QString("> ") + f.position)) << wire.toStdString();

  // The client unloads the window and leaves: the program ends.
  EXPECT_EQ(programs::Cmd(socket, {"Unload"}), "OK  ; \n");
  EXPECT_TRUE(server.WaitForExit(10000));
  EXPECT_EQ(server.ExitCode(), 0);
}

// The controller goes away under the running program and a new one appears on the same
// device: the next request opens the device again by itself and is answered.
TEST_P(TypicalRequest, LinkReopensWhenTheControllerComesBack) {
  const Family f = GetParam();
  auto sim = std::make_unique<programs::Sim>(f.name, tty, log);
  ASSERT_TRUE(sim->ok());
  WriteSettings();
  programs::Server server(dir.path(), socket);
  ASSERT_EQ(programs::Cmd(socket, {"Z Rel 5;Z Wait;Z ?"}), "OK  ; OK  ; 5.00 ; \n");

  sim.reset();
  QThread::msleep(100);  // the program notices the hang-up while idle
  const QString log2 = dir.path() + "/sim2.log";
  sim = std::make_unique<programs::Sim>(f.name, tty, log2);
  ASSERT_TRUE(sim->ok());
  // The new controller starts at step 0; the program does not set it up again.
  EXPECT_EQ(programs::Cmd(socket, {"Z ?"}), "0.00 ; \n");
  const QString wire = programs::ReadFile(log2);
  EXPECT_TRUE(wire.startsWith(QString("> ") + f.position)) << wire.toStdString();
  EXPECT_EQ(programs::Cmd(socket, {"Unload"}), "OK  ; \n");
  EXPECT_TRUE(server.WaitForExit(10000));
}

INSTANTIATE_TEST_SUITE_P(BothFamilies, TypicalRequest,
                         ::testing::Values(Family{"EZHR17", "/1P8R\\r", "/1?0\\r"},
                                           Family{"IM483I", "1+8\\n", "1Z\\n"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ProgramStart, SecondCopyIsRefusedAndTheFirstKeepsServing) {
  QTemporaryDir dir;
  programs::WriteSettings(dir.path(), {"\"MPORT\",1", "\"PORTTIMEOUT\",50", "\"MOVETIMEOUT\",5",
                                       "\"WAITPOLLINGINTERVAL\",20", "\"CONTRTYPE\",EZHR17",
                                       "\"MPORTNAME\",sim:EZHR17"});
  const QString socket = dir.path() + "/k.sock";
  programs::Server first(dir.path(), socket);
  ASSERT_EQ(programs::Cmd(socket, {"Ver"}), "1.0 ; \n");

  programs::Server second(dir.path(), socket);
  ASSERT_TRUE(second.WaitForExit(10000));
  EXPECT_EQ(second.ExitCode(), 1);
  EXPECT_TRUE(second.Output().contains("Application is already running."));
  EXPECT_EQ(programs::Cmd(socket, {"CommandCount"}), " 3 ; \n");
}

TEST(ProgramStart, StartUpFailureStillServesAndMissingAxisAnswersOff) {
  QTemporaryDir dir;  // no settings at all
  const QString socket = dir.path() + "/k.sock";
  programs::Server server(dir.path(), socket);
  EXPECT_EQ(programs::Cmd(socket, {"Ver;Z ?;Obj GetNum"}), "1.0 ; Off  ;  0 ; \n");
  EXPECT_EQ(programs::Cmd(socket, {"Unload"}), "OK  ; \n");
  ASSERT_TRUE(server.WaitForExit(10000));
  const QString out = server.Output();
  EXPECT_TRUE(out.contains("ST_CONFIG.TXT does not exist")) << out.toStdString();
}

}  // namespace
