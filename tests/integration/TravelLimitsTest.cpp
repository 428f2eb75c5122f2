// Travel limits end to end: client commands through a running kelvorin to the simulated
// controller on a pseudo-terminal, checked against the simulator's traffic log.
#include <gtest/gtest.h>

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

#include "Programs.h"

namespace {

struct Family {
  const char* name;
  const char* position;  // the position query as the log shows it
  friend void PrintTo(const Family& c, std::ostream* os) { *os << c.name; }
};

class TravelLimits : public ::testing::TestWithParam<Family> {
 protected:
  void SetUp() override {
    tty = dir.path() + "/tty";
    log = dir.path() + "/sim.log";
    // The switches lie 1000 units below and 1250 above the start.
    sim = std::make_unique<programs::Sim>(
        GetParam().name, tty, log, QStringList{"--lower-limit", "-1600", "--upper-limit", "2000"});
    ASSERT_TRUE(sim->ok());
    programs::WriteSettings(
        dir.path(),
        {"\"MPORT\",1", "\"PORTTIMEOUT\",100", "\"MOVETIMEOUT\",10", "\"WAITPOLLINGINTERVAL\",20",
         QString("\"CONTRTYPE\",") + GetParam().name, "\"Z_INSTALLED\",1", "\"MPORTNAME\"," + tty});
    // The shipped axis with the travel limits -100 and 500.
    QFile parz(dir.path() + "/ST_PARZ.TXT");
    ASSERT_TRUE(parz.open(QIODevice::ReadOnly));
    QByteArray text;
    for (const QByteArray& line : parz.readAll().split('\n'))
      if (!line.isEmpty() && !line.startsWith("\"ZMIN\"") && !line.startsWith("\"ZMAX\""))
        text += line + "\n";
    parz.close();
    ASSERT_TRUE(parz.open(QIODevice::WriteOnly | QIODevice::Truncate));
    parz.write(text + "\"ZMIN\",-100\n\"ZMAX\",500\n");
    parz.close();
    socket = dir.path() + "/k.sock";
    server = std::make_unique<programs::Server>(dir.path(), socket);
  }
  void TearDown() override {
    server.reset();
    sim.reset();
  }

  QString Ask(const QString& line) { return programs::Cmd(socket, {line}); }

  // The commands the simulator received since the last call.
  QStringList Received() {
    const QString all = programs::ReadFile(log);
    const QStringList lines = all.mid(seen_).split('\n', Qt::SkipEmptyParts);
    seen_ = all.size();
    QStringList commands;
    for (const QString& l : lines)
      if (l.startsWith("> ")) commands << l.mid(2);
    return commands;
  }

  QTemporaryDir dir;
  QString tty, log, socket;
  std::unique_ptr<programs::Sim> sim;
  std::unique_ptr<programs::Server> server;

 private:
  qsizetype seen_ = 0;
};

TEST_P(TravelLimits, OutsideIsRefusedWithNoMotionSentAndHomeStillReachesTheSwitch) {
  const QString query = GetParam().position;
  ASSERT_EQ(Ask("Z 500;Z Wait;Z ?"), "OK  ; OK  ; 500.00 ; \n");
  Received();

  struct Case {
    const char* line;
    const char* answer;
    QStringList sent;  // nothing but position queries
  };
  const std::vector<Case> cases = {
      {"Z 500.5", "Error Out of range  ; \n", {}},
      {"Z -101", "Error Out of range  ; \n", {}},
      {"Z Rel 1", "Error Out of range  ; \n", {query}},
      {"Z Move 200", "Error Out of range  ; \n", {query}},
      {"Z Rel -700", "Error Out of range  ; \n", {query}},
      {"Z 600;Z ?", "Error Out of range  ; 500.00 ; \n", {query}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(Ask(c.line), c.answer);
    EXPECT_EQ(Received(), c.sent);
  }

  // Inside, and away from the limit the lift stands at, everything passes.
  EXPECT_EQ(Ask("Z Rel -600;Z Wait;Z ?"), "OK  ; OK  ; -100.00 ; \n");
  EXPECT_EQ(Ask("Z Move -100"), "Error Out of range  ; \n");
  EXPECT_EQ(Ask("Z Move 100;Z Stop;Z Wait"), "OK  ; OK  ; OK  ; \n");

  // Home runs to the lower switch, 900 units below the lower limit, and sets 0 there.
  EXPECT_EQ(Ask("Z Home;Z ?"), "OK  ; 0.00 ; \n");
}

// The running program's timer stops a run once it has passed the limit; the lift stands a
// little beyond it (one tick at most at the run's speed, plus the exchanges).
TEST_P(TravelLimits, RunsAreStoppedByTheTimerJustPastTheLimit) {
  for (const int speed : {200, 2000}) {
    SCOPED_TRACE(speed);
    ASSERT_EQ(Ask("Z 400;Z Wait"), "OK  ; OK  ; \n");
    ASSERT_EQ(Ask(QString("Z Move %1").arg(speed)), "OK  ; \n");
    QString last, now = Ask("Z ?");
    for (int i = 0; i < 100 && now != last; ++i) {
      QThread::msleep(400);  // more than a tick: standing means stopped
      last = now;
      now = Ask("Z ?");
    }
    const double over = now.section(' ', 0, 0).toDouble() - 500;
    std::printf("[ overshoot ] %s at %d steps/s: %.1f units past the limit\n", GetParam().name,
                speed, over);
    EXPECT_GE(over, 0) << now.toStdString();
    EXPECT_LE(over, speed * 0.625 * 0.6) << now.toStdString();
    EXPECT_EQ(Ask(QString("Z Move %1").arg(speed)), "Error Out of range  ; \n");
  }
}

INSTANTIATE_TEST_SUITE_P(BothFamilies, TravelLimits,
                         ::testing::Values(Family{"EZHR17", "/1?0\\r"}, Family{"IM483I", "1Z\\n"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
