// Controller faults against the drivers over the real link: the simulated controller
// in-process (SimSerialPort) for every family and fault, and kelvorin-sim on a
// pseudo-terminal through QtSerialPort. Each faulty exchange must give its status and
// log lines, and the exchange after the fault has cleared must be clean.
#include <gtest/gtest.h>

#include <QProcess>
#include <QStringList>
#include <algorithm>
#include <cctype>
#include <ostream>
#include <string>
#include <vector>

#include "common/Config.h"
#include "controller/AllMotionCntrl.h"
#include "controller/COMM.h"
#include "controller/Delay32.h"
#include "controller/IMSCNTRL.h"
#include "controller/MotCon.h"
#include "controller/MotorShared.h"
#include "platform/EventPump.h"
#include "platform/SimSerialPort.h"
#include "platform/SystemClock.h"
#include "platform/qt/QtSerialPort.h"
#include "support/Fakes.h"

namespace {

constexpr int16_t kPortTimeoutMs = 150;
constexpr int32_t kLateReplyMs = 400;  // the "delay" fault, well beyond the time-out
const std::string kStaleLine = "CommOut discarded stale input: ";

std::vector<std::string> LogLines(const COMM& comm) {
  std::vector<std::string> lines;
  const std::string log = comm.CommGetLog();
  for (size_t from = 0, at; (at = log.find("\r\n", from)) != std::string::npos; from = at + 2)
    lines.push_back(log.substr(from, at - from));
  return lines;
}

std::vector<std::string> LinesSince(const COMM& comm, size_t before) {
  const auto lines = LogLines(comm);
  return {lines.begin() + static_cast<long>(std::min(before, lines.size())), lines.end()};
}

class NoEvents : public EventPump {
 public:
  void ProcessEvents() override {}
};

// One line, two simulated controllers of the same family behind it: the faulty one
// answers until the fault clears, then the healthy one. Bytes the faulty one still sends
// (a late reply) keep arriving on the line, as they would from a real controller.
class RecoveringPort : public SerialPort {
 public:
  RecoveringPort(Clock& clock, std::string healthyName)
      : faulty_(clock), healthy_(clock), healthyName_(std::move(healthyName)) {}

  void ClearFault() { cleared_ = true; }

  bool Open(const std::string& name, PortError& err) override {
    return faulty_.Open(name, err) && healthy_.Open(healthyName_, err);
  }
  bool Close(PortError& err) override { return faulty_.Close(err) && healthy_.Close(err); }
  bool IsOpen() const override { return faulty_.IsOpen(); }
  bool Write(std::string_view data, PortError& err) override { return Active().Write(data, err); }
  long Waiting(PortError& err) override {
    const long a = faulty_.Waiting(err);
    const long b = healthy_.Waiting(err);
    return a < 0 || b < 0 ? -1 : a + b;
  }
  bool Read(std::string& out, PortError& err) override {
    return faulty_.Read(out, err) && healthy_.Read(out, err);
  }
  bool WaitForData(int timeoutMs) override {
    PortError ignored;
    if (faulty_.Waiting(ignored) > 0) return true;
    return Active().WaitForData(timeoutMs);
  }

 private:
  SimSerialPort& Active() { return cleared_ ? healthy_ : faulty_; }

  SimSerialPort faulty_, healthy_;
  std::string healthyName_;
  bool cleared_ = false;
};

// The link and both drivers behind the dispatch, as the program wires them.
struct LinkRig {
  LinkRig(SerialPort& port, Clock& clock, const std::string& family, const std::string& portName)
      : comm(port, clock), delay(clock) {
    config.CONTRTYPE = family;
    comm.SetTerminatorSetup([this] { mot.MotorCommInit(); });
    comm.CommInit();
    comm.CommSetPortName(portName);
    opened = comm.CommOpenPort(1);
    comm.CommSetTimeout(kPortTimeoutMs);
    mot.MotorSetAddress('1');
    mot.MotorSetMoveTimeout(5);
  }

  // One command through the family's exchange (raw: as "CON" sends it); the answer, or
  // for a raw command the reply, goes to answer.
  int16_t Exchange(bool raw, const std::string& text, std::string& answer) {
    if (raw) return mot.MotorCmd(text, answer);
    if (mot.CurrentFamily() == MotCon::Family::IM483I) return im483i.IM483I_Cmd(text, answer);
    std::string data;
    const int16_t r = ezhr17.EZHR17_Cmd(text, data);
    answer = data.size() >= 2 ? data.substr(1, data.size() - 2) : "";
    return r;
  }

  // One position query through the family's exchange; the answer goes to answer.
  int16_t Query(std::string& answer) {
    std::string data;
    if (mot.CurrentFamily() == MotCon::Family::IM483I) return im483i.IM483I_Cmd("Z", answer);
    const int16_t r = ezhr17.EZHR17_Cmd("?0", data);
    answer = data.size() >= 2 ? data.substr(1, data.size() - 2) : "";
    return r;
  }

  COMM comm;
  Delay32 delay;
  NoEvents pump;
  MotorShared shared;
  Config config;
  AllMotionCntrl ezhr17{comm, delay, pump, shared, config};
  IMSCNTRL im483i{comm, delay, pump, shared, config};
  MotCon mot{config, shared, comm, ezhr17, im483i};
  bool opened = false;
};

struct FaultCase {
  std::string family;
  std::string fault;
  int16_t status;
  std::vector<std::string> lines;  // what the faulty exchange leaves in the log
};

std::ostream& operator<<(std::ostream& os, const FaultCase& c) {
  return os << c.family << "," << c.fault;
}

const std::string kNoise("\x00\x7f#", 3);

std::vector<FaultCase> Cases() {
  const std::string late = "delay=" + std::to_string(kLateReplyMs);
  return {
      {"EZHR17", "silent", -1, {"Port TimeOut", "/1?0-comm error-"}},
      {"EZHR17", late, -1, {"Port TimeOut", "/1?0-comm error-"}},
      {"EZHR17", "split", 1, {}},
      {"EZHR17", "noise", -3, {"/1?0-no 0xFF / 0-" + kNoise + "\xFF/0`0\x03"}},
      {"EZHR17", "error=5", -2, {"/1?0-error returned by controller-\xFF/0e0\x03-status-5"}},
      {"IM483I", "silent", -1, {"Port TimeOut", "1Z\\"}},
      {"IM483I", late, -1, {"Port TimeOut", "1Z\\"}},
      {"IM483I", "split", 1, {}},
      {"IM483I", "noise", -2, {"1Z!=" + kNoise + "1Z0"}},
      {"IM483I", "badecho", -2, {"1Z!=2Z0"}},
  };
}

class FaultMatrix : public ::testing::TestWithParam<FaultCase> {};

}  // namespace

TEST_P(FaultMatrix, StatusLogLineAndRecovery) {
  const FaultCase& c = GetParam();
  SystemClock clock;
  RecoveringPort port(clock, "sim:" + c.family);
  LinkRig rig(port, clock, c.family, "sim:" + c.family + ":" + c.fault);
  ASSERT_TRUE(rig.opened);

  std::string answer;
  EXPECT_EQ(rig.Query(answer), c.status);
  EXPECT_EQ(LinesSince(rig.comm, 0), c.lines);
  if (c.status == 1) {
    EXPECT_EQ(answer, "0");
  }

  // The fault clears; whatever the faulty controller still sends has landed by now.
  port.ClearFault();
  rig.delay.DelayMs(kLateReplyMs + 200);
  const size_t before = LogLines(rig.comm).size();
  EXPECT_EQ(rig.Query(answer), 1);
  EXPECT_EQ(answer, "0");
  const auto after = LinesSince(rig.comm, before);
  if (c.fault.rfind("delay=", 0) == 0) {
    // The late reply is dropped before the next command, never taken as its reply.
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].rfind(kStaleLine, 0), 0u) << after[0];
  } else {
    EXPECT_EQ(after, std::vector<std::string>{});
  }

  // And the whole dispatch works on: a move and a read-back.
  double pos = -1;
  EXPECT_EQ(rig.mot.MotorSetPos(1000), 1);
  EXPECT_EQ(rig.mot.MotorGetPos(pos), 1);
  EXPECT_EQ(pos, c.family == "EZHR17" ? 1000 : 0);
}

INSTANTIATE_TEST_SUITE_P(AllFaults, FaultMatrix, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<FaultCase>& info) {
                           std::string name = info.param.family + "_" + info.param.fault;
                           for (char& ch : name)
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return name;
                         });

namespace {

// A command of a mixed sequence and the answer that belongs to it alone.
struct Command {
  bool raw;
  std::string text;
  std::string answer;
};

std::vector<Command> MixedCommands(const std::string& family, const std::string& position) {
  if (family == "EZHR17")
    return {{false, "?0", position},
            {false, "?1", "100"},
            {false, "?2", "1000"},
            {false, "?4", "0"},
            {false, "Q", ""},
            {true, "/1?0", "\xFF/0`" + position + "\x03"},
            {true, "/1?2", "\xFF/0`1000\x03"}};
  return {{false, "Z", position},        {false, "] 0", "0"}, {false, "^", "0"},
          {true, "1Z", "1Z" + position}, {true, "1^", "1^0"}, {true, "1] 0", "1] 00"},
          {false, "V 1000", ""}};
}

// Runs count commands of the mix against a controller that answers every command
// delayMs late. Two of every three have a time-out of 1/1.5 to 1/4 of that delay and must
// fail; every third waits patientMs, longer than the delay, and must get its own answer.
// Returns one line per exchange that went wrong.
std::vector<std::string> RunMixed(LinkRig& rig, const std::string& family,
                                  const std::string& position, int delayMs, int patientMs,
                                  int count) {
  const auto commands = MixedCommands(family, position);
  const double ratios[] = {1.5, 2.0, 2.5, 3.0, 4.0};
  std::vector<std::string> wrong;
  for (int i = 0; i < count; ++i) {
    const Command& c = commands[(i * 3) % commands.size()];
    const bool patient = i % 3 == 2;
    const int timeout = patient ? patientMs : static_cast<int>(delayMs / ratios[i % 5]);
    rig.comm.CommSetTimeout(static_cast<int16_t>(timeout));
    std::string answer;
    const int16_t r = rig.Exchange(c.raw, c.text, answer);
    const bool right = patient ? (r == 1 && answer == c.answer) : r < 0;
    if (!right)
      wrong.push_back("#" + std::to_string(i) + " " + c.text + " (time-out " +
                      std::to_string(timeout) + "): " + std::to_string(r) + " '" + answer + "'");
  }
  return wrong;
}

class MixedLateReplies : public ::testing::TestWithParam<const char*> {};

}  // namespace

// Every reply comes late; the commands that wait long enough get their own answer, the
// others fail, and no answer ever goes to another command. In simulated time.
TEST_P(MixedLateReplies, EveryAnswerBelongsToItsOwnCommand) {
  const std::string family = GetParam();
  FakeClock clock;
  SimSerialPort port(clock);
  LinkRig rig(port, clock, family, "sim:" + family + ":delay=300");
  ASSERT_TRUE(rig.opened);
  port.Sim()->axis().SetRegister(port.NowUs(), 1234);
  const auto wrong = RunMixed(rig, family, "1234", 300, 900, 60);
  EXPECT_EQ(wrong, std::vector<std::string>{}) << rig.comm.CommGetLog();
}

INSTANTIATE_TEST_SUITE_P(BothFamilies, MixedLateReplies, ::testing::Values("EZHR17", "IM483I"),
                         [](const auto& info) { return std::string(info.param); });

namespace {

// kelvorin-sim on a pseudo-terminal, ended with the test.
class SimProcess {
 public:
  explicit SimProcess(const QStringList& args) {
    process_.start(KELVORIN_BIN_DIR "/kelvorin-sim", args);
    if (!process_.waitForStarted(5000)) return;
    while (!process_.canReadLine() && process_.waitForReadyRead(5000)) {
    }
    const std::string first = process_.readLine().trimmed().toStdString();
    if (first.rfind("PORT ", 0) == 0) device_ = first.substr(5);
  }
  ~SimProcess() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(3000)) process_.kill();
    process_.waitForFinished(1000);
  }
  const std::string& Device() const { return device_; }

 private:
  QProcess process_;
  std::string device_;
};

}  // namespace

TEST(FaultMatrixPty, LateReplyOverARealLineIsDroppedAndTheLinkRecovers) {
  SimProcess sim({"--family", "EZHR17", "--fault", "delay=" + QString::number(kLateReplyMs)});
  ASSERT_FALSE(sim.Device().empty());
  QtSerialPort port;
  SystemClock clock;
  LinkRig rig(port, clock, "EZHR17", sim.Device());
  ASSERT_TRUE(rig.opened);

  std::string answer;
  EXPECT_EQ(rig.Query(answer), -1);
  EXPECT_EQ(LinesSince(rig.comm, 0),
            (std::vector<std::string>{"Port TimeOut", "/1?0-comm error-"}));

  // A patient link gets the reply, once the stale one has been dropped.
  rig.comm.CommSetTimeout(kLateReplyMs + 600);
  rig.delay.DelayMs(kLateReplyMs + 200);
  EXPECT_EQ(rig.Query(answer), 1);
  EXPECT_EQ(answer, "0");
  const auto lines = LinesSince(rig.comm, 2);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], kStaleLine + "\\xFF/0`0\\x03\\r\\n");
}

TEST(FaultMatrixPty, BadEchoOverARealLine) {
  SimProcess sim({"--family", "IM483I", "--fault", "badecho"});
  ASSERT_FALSE(sim.Device().empty());
  QtSerialPort port;
  SystemClock clock;
  LinkRig rig(port, clock, "IM483I", sim.Device());
  ASSERT_TRUE(rig.opened);

  std::string answer;
  EXPECT_EQ(rig.Query(answer), -2);
  EXPECT_EQ(answer, "0");
  EXPECT_EQ(LinesSince(rig.comm, 0), std::vector<std::string>{"1Z!=2Z0"});
  // The echo check fails every time, but the link itself stays in step.
  EXPECT_EQ(rig.Query(answer), -2);
  EXPECT_EQ(LogLines(rig.comm).size(), 2u);
}

// The same over a real line, in real time, against kelvorin-sim.
TEST_P(MixedLateReplies, EveryAnswerBelongsToItsOwnCommandOverARealLine) {
  const std::string family = GetParam();
  SimProcess sim({"--family", QString::fromStdString(family), "--fault", "delay=150"});
  ASSERT_FALSE(sim.Device().empty());
  QtSerialPort port;
  SystemClock clock;
  LinkRig rig(port, clock, family, sim.Device());
  ASSERT_TRUE(rig.opened);
  std::string position = "0";
  if (family == "EZHR17") {
    rig.comm.CommSetTimeout(450);
    std::string answer;
    ASSERT_EQ(rig.Exchange(false, "z1234R", answer), 1);
    position = "1234";
  }
  const auto wrong = RunMixed(rig, family, position, 150, 450, 9);
  EXPECT_EQ(wrong, std::vector<std::string>{}) << rig.comm.CommGetLog();
}
