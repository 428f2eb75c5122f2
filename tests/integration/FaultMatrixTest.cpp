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
  LinkRig(SerialPort& port, const std::string& family, const std::string& portName)
      : comm(port, clock) {
    config.CONTRTYPE = family;
    comm.SetTerminatorSetup([this] { mot.MotorCommInit(); });
    comm.CommInit();
    comm.CommSetPortName(portName);
    opened = comm.CommOpenPort(1);
    comm.CommSetTimeout(kPortTimeoutMs);
    mot.MotorSetAddress('1');
    mot.MotorSetMoveTimeout(5);
  }

  // One position query through the family's exchange; the answer goes to answer.
  int16_t Query(std::string& answer) {
    std::string data;
    if (mot.CurrentFamily() == MotCon::Family::IM483I) return im483i.IM483I_Cmd("Z", answer);
    const int16_t r = ezhr17.EZHR17_Cmd("?0", data);
    answer = data.size() >= 2 ? data.substr(1, data.size() - 2) : "";
    return r;
  }

  SystemClock clock;
  COMM comm;
  Delay32 delay{clock};
  NoEvents pump;
  MotorShared shared;
  Config config;
  AllMotionCntrl ezhr17{comm, delay, pump, shared, config};
  IMSCNTRL im483i{comm, delay, pump, shared};
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
  LinkRig rig(port, c.family, "sim:" + c.family + ":" + c.fault);
  ASSERT_TRUE(rig.opened);

  std::string answer;
  EXPECT_EQ(rig.Query(answer), c.status);
  EXPECT_EQ(LinesSince(rig.comm, 0), c.lines);
  if (c.status == 1) EXPECT_EQ(answer, "0");

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
  LinkRig rig(port, "EZHR17", sim.Device());
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
  LinkRig rig(port, "IM483I", sim.Device());
  ASSERT_TRUE(rig.opened);

  std::string answer;
  EXPECT_EQ(rig.Query(answer), -2);
  EXPECT_EQ(answer, "0");
  EXPECT_EQ(LinesSince(rig.comm, 0), std::vector<std::string>{"1Z!=2Z0"});
  // The echo check fails every time, but the link itself stays in step.
  EXPECT_EQ(rig.Query(answer), -2);
  EXPECT_EQ(LogLines(rig.comm).size(), 2u);
}
