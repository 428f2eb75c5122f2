// The controller simulator: reply frames byte for byte, motion over time, limits,
// addressing, faults, wire time and the traffic log.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/ControllerSim.h"
#include "sim/SimAxis.h"
#include "sim/SimLog.h"

using ksim::ControllerSim;
using ksim::Family;

namespace {

constexpr int64_t kMs = 1000;

ksim::Options Opts(Family family, bool wire = false) {
  ksim::Options o;
  o.family = family;
  o.wireTime = wire;
  return o;
}

// Sends one command line at tMs and takes the reply that is due at once (no wire time).
std::string Ask(ControllerSim& sim, std::string_view line, int64_t tMs) {
  sim.Receive(line, tMs * kMs);
  return sim.TakeDue(tMs * kMs);
}

std::string Frame(char status, std::string_view answer = "") {
  return std::string("\xFF/0") + status + std::string(answer) + "\x03\r\n";
}

}  // namespace

TEST(SimEZHR17, ReplyFramesForTypicalCommands) {
  ControllerSim sim(Opts(Family::EZHR17));
  EXPECT_EQ(Ask(sim, "/1?0\r", 0), Frame('`', "0"));
  EXPECT_EQ(Ask(sim, "/1Q\r", 0), Frame('`'));
  EXPECT_EQ(Ask(sim, "/1?Q\r", 0), Frame('`'));
  EXPECT_EQ(Ask(sim, "/1V1500R\r", 0), Frame('`'));
  EXPECT_EQ(Ask(sim, "/1?2\r", 0), Frame('`', "1500"));
  EXPECT_EQ(Ask(sim, "/1v120R\r", 0), Frame('`'));
  EXPECT_EQ(Ask(sim, "/1?1\r", 0), Frame('`', "120"));
  EXPECT_EQ(Ask(sim, "/1h10m50R\r", 0), Frame('`'));
  EXPECT_EQ(Ask(sim, "/1j16R\r", 0), Frame('`'));
  EXPECT_EQ(Ask(sim, "/1L100R\r", 0), Frame('`'));
  EXPECT_EQ(Ask(sim, "/1f0R\r", 0), Frame('`'));
  EXPECT_EQ(Ask(sim, "/1n3R\r", 0), Frame('`'));
  EXPECT_EQ(sim.ezhr17().Setting('h'), 10);
  EXPECT_EQ(sim.ezhr17().Setting('m'), 50);
  EXPECT_EQ(sim.ezhr17().Setting('j'), 16);
  EXPECT_EQ(sim.ezhr17().Setting('n'), 3);
  EXPECT_EQ(Ask(sim, "/1z-12R\r", 0), Frame('`'));
  EXPECT_EQ(Ask(sim, "/1?0\r", 0), Frame('`', "-12"));
  EXPECT_EQ(Ask(sim, "/1?4\r", 0), Frame('`', "0"));
  // A host's CR LF: the LF is no part of the next line.
  EXPECT_EQ(Ask(sim, "/1Q\r\n/1?0\r\n", 0), Frame('`') + Frame('`', "-12"));
}

TEST(SimEZHR17, BadCommandsGiveErrorCodesAndDoNothing) {
  ControllerSim sim(Opts(Family::EZHR17));
  EXPECT_EQ(Ask(sim, "/1X\r", 0), Frame('b'));  // unknown: 2
  EXPECT_EQ(Ask(sim, "/1?7\r", 0), Frame('b'));
  EXPECT_EQ(Ask(sim, "/1V2000XR\r", 0), Frame('b'));
  EXPECT_EQ(Ask(sim, "/1P-5R\r", 0), Frame('c'));  // bad operand: 3
  EXPECT_EQ(Ask(sim, "/1PR\r", 0), Frame('c'));
  EXPECT_EQ(Ask(sim, "/1V0R\r", 0), Frame('c'));
  EXPECT_EQ(Ask(sim, "/1P12345678901R\r", 0), Frame('c'));
  EXPECT_EQ(sim.ezhr17().MaxSpeed(), 1000);
  EXPECT_FALSE(sim.axis().IsMoving(0));
}

TEST(SimEZHR17, CommandsRunOnlyWithR) {
  ControllerSim sim(Opts(Family::EZHR17));
  EXPECT_EQ(Ask(sim, "/1P8\r", 0), Frame('`'));
  EXPECT_FALSE(sim.axis().IsMoving(0));
  EXPECT_EQ(Ask(sim, "/1?0\r", 100), Frame('`', "0"));  // a query keeps the stored string
  EXPECT_EQ(Ask(sim, "/1R\r", 100), Frame('@'));
  EXPECT_EQ(Ask(sim, "/1?0\r", 200), Frame('`', "8"));
}

TEST(SimEZHR17, MotionOverTime) {
  ControllerSim sim(Opts(Family::EZHR17));
  Ask(sim, "/1V100R\r", 0);
  EXPECT_EQ(Ask(sim, "/1P50R\r", 0), Frame('@'));  // busy as soon as it starts
  EXPECT_EQ(Ask(sim, "/1Q\r", 250), Frame('@'));
  EXPECT_EQ(Ask(sim, "/1?0\r", 250), Frame('@', "25"));
  EXPECT_EQ(Ask(sim, "/1Q\r", 500), Frame('`'));
  EXPECT_EQ(Ask(sim, "/1?0\r", 900), Frame('`', "50"));
  EXPECT_EQ(Ask(sim, "/1D20R\r", 1000), Frame('@'));
  EXPECT_EQ(Ask(sim, "/1?0\r", 2000), Frame('`', "30"));
  Ask(sim, "/1A-70R\r", 2000);
  EXPECT_EQ(Ask(sim, "/1?0\r", 3000), Frame('`', "-70"));
  // Endless runs go on until terminated; a new move replaces the one under way.
  Ask(sim, "/1V200P0R\r", 3000);
  EXPECT_EQ(Ask(sim, "/1?0\r", 13000), Frame('@', "1930"));
  EXPECT_EQ(Ask(sim, "/1T\r", 13000), Frame('`'));
  EXPECT_EQ(Ask(sim, "/1?0\r", 14000), Frame('`', "1930"));
  Ask(sim, "/1V1000D0R\r", 14000);
  Ask(sim, "/1T\r", 14500);
  Ask(sim, "/1P10R\r", 14500);
  EXPECT_EQ(Ask(sim, "/1?0\r", 15000), Frame('`', "1440"));
  // Setting the register while standing and while moving.
  Ask(sim, "/1z500R\r", 15000);
  EXPECT_EQ(Ask(sim, "/1?0\r", 15000), Frame('`', "500"));
  Ask(sim, "/1P100R\r", 15000);
  Ask(sim, "/1z0R\r", 15050);
  EXPECT_EQ(Ask(sim, "/1?0\r", 16000), Frame('`', "50"));
}

// A move during a move: error code 15 (command overflow), and the move under way goes
// on; reports, settings and T are taken, and a run takes a new speed and direction.
TEST(SimEZHR17, AMoveDuringAMoveIsRefusedWithCommandOverflow) {
  ControllerSim sim(Opts(Family::EZHR17));
  Ask(sim, "/1V100R\r", 0);
  Ask(sim, "/1P50R\r", 0);
  EXPECT_EQ(Ask(sim, "/1P8\r", 100), Frame('@'));  // stored, not run
  for (const char* line : {"/1P10R\r", "/1D10R\r", "/1A0R\r", "/1P0R\r", "/1h5D1R\r", "/1R\r"})
    EXPECT_EQ(Ask(sim, line, 100), Frame('O')) << line;
  EXPECT_EQ(Ask(sim, "/1h5R\r", 100), Frame('@'));
  EXPECT_EQ(Ask(sim, "/1?0\r", 100), Frame('@', "10"));
  EXPECT_EQ(Ask(sim, "/1Q\r", 500), Frame('`'));
  EXPECT_EQ(Ask(sim, "/1?0\r", 500), Frame('`', "50"));  // the first move ran whole
  EXPECT_EQ(sim.ezhr17().Setting('h'), 5);
  Ask(sim, "/1P0R\r", 500);
  EXPECT_EQ(Ask(sim, "/1V200P0R\r", 1500), Frame('@'));
  EXPECT_EQ(Ask(sim, "/1V300D0R\r", 2500), Frame('@'));
  EXPECT_EQ(Ask(sim, "/1T\r", 3500), Frame('`'));
  EXPECT_EQ(Ask(sim, "/1?0\r", 3500), Frame('`', "50"));
}

TEST(SimEZHR17, LimitSwitchesStopMotionAndShowAsInputs) {
  ksim::Options o = Opts(Family::EZHR17);
  o.lowerLimit = -100;
  o.upperLimit = 100;
  ControllerSim sim(o);
  Ask(sim, "/1D0R\r", 0);
  EXPECT_EQ(Ask(sim, "/1?4\r", 50), Frame('@', "0"));
  EXPECT_EQ(Ask(sim, "/1Q\r", 1000), Frame('`'));
  EXPECT_EQ(Ask(sim, "/1?0\r", 1000), Frame('`', "-100"));
  EXPECT_EQ(Ask(sim, "/1?4\r", 1000), Frame('`', "4"));
  Ask(sim, "/1D5R\r", 1000);  // further in: no motion
  EXPECT_EQ(Ask(sim, "/1?0\r", 1000), Frame('`', "-100"));
  Ask(sim, "/1A500R\r", 1000);  // target past the upper switch
  EXPECT_EQ(Ask(sim, "/1?4\r", 1100), Frame('@', "0"));
  EXPECT_EQ(Ask(sim, "/1?0\r", 2000), Frame('`', "100"));
  EXPECT_EQ(Ask(sim, "/1?4\r", 2000), Frame('`', "8"));
  // The switches are fixed to the machine, not to the register.
  Ask(sim, "/1z0R\r", 2000);
  Ask(sim, "/1D0R\r", 2000);
  EXPECT_EQ(Ask(sim, "/1?0\r", 3000), Frame('`', "-200"));
  EXPECT_EQ(Ask(sim, "/1?4\r", 3000), Frame('`', "4"));
}

TEST(SimIM483I, ReplyIsEchoThenAnswer) {
  ControllerSim sim(Opts(Family::IM483I));
  EXPECT_EQ(Ask(sim, "1Z\n", 0), "1Z0\n");
  EXPECT_EQ(Ask(sim, "1Y 10 50\n", 0), "1Y 10 50\n");
  EXPECT_EQ(Ask(sim, "1K 100 200\n", 0), "1K 100 200\n");
  EXPECT_EQ(Ask(sim, "1E 50\n", 0), "1E 50\n");
  EXPECT_EQ(Ask(sim, "1H 0\n", 0), "1H 0\n");
  EXPECT_EQ(Ask(sim, "1D 4\n", 0), "1D 4\n");
  EXPECT_EQ(Ask(sim, "1l 1\n", 0), "1l 1\n");
  EXPECT_EQ(Ask(sim, "1B 10 20\n", 0), "1B 10 20\n");
  EXPECT_EQ(Ask(sim, "1I 50\n", 0), "1I 50\n");
  EXPECT_EQ(sim.im483i().Setting('Y'), (std::vector<int64_t>{10, 50}));
  EXPECT_EQ(sim.im483i().Setting('E'), (std::vector<int64_t>{50}));
  EXPECT_EQ(Ask(sim, "1] 0\n", 0), "1] 00\n");
  EXPECT_EQ(Ask(sim, "1^\n", 0), "1^0\n");
  EXPECT_EQ(Ask(sim, "AX\n", 0), "AX\n");
  EXPECT_EQ(Ask(sim, "1Q\n", 0), "1Q?\n");        // unknown command
  EXPECT_EQ(Ask(sim, "1Y 10\n", 0), "1Y 10?\n");  // one number short
  EXPECT_EQ(Ask(sim, "1M4x\n", 0), "1M4x?\n");
  EXPECT_EQ(Ask(sim, "1V 0\n", 0), "1V 0?\n");
  EXPECT_EQ(Ask(sim, "1Z\r\n", 0), "1Z0\n");  // a CR before the LF is not echoed
  EXPECT_FALSE(sim.axis().IsMoving(0));
}

// Operands of any length are read without overflow: too wide is a bad operand, and a
// limit position saturates.
TEST(SimNumbers, LongOperandsAreRejectedAndLimitsSaturate) {
  const std::string huge(40, '9');
  ControllerSim ez(Opts(Family::EZHR17));
  for (const std::string& cmd :
       {"/1P" + huge + "R\r", "/1z-" + huge + "R\r", std::string("/1V99999999999R\r")})
    EXPECT_EQ(Ask(ez, cmd, 0), Frame('c')) << cmd;
  EXPECT_EQ(Ask(ez, "/1V9999999999R\r", 0), Frame('`'));
  EXPECT_EQ(ez.ezhr17().MaxSpeed(), 9999999999);
  ControllerSim im(Opts(Family::IM483I));
  for (const std::string& cmd : {"1+" + huge, "1R -" + huge, "1Y 1 " + huge})
    EXPECT_EQ(Ask(im, cmd + "\n", 0), cmd + "?\n") << cmd;
  EXPECT_EQ(Ask(im, "1-9999999999\n", 0), "1-9999999999\n");
  const struct {
    const char* text;
    bool ok;
    int64_t steps;
  } limits[] = {{"-500", true, -500},
                {"9223372036854775807", true, ksim::kMaxLimitSteps},
                {"-9223372036854775808", true, -ksim::kMaxLimitSteps},
                {"99999999999999999999", false, 0},
                {"12x", false, 0}};
  for (const auto& l : limits) {
    std::optional<int64_t> out;
    EXPECT_EQ(ksim::ParseSteps(l.text, out), l.ok) << l.text;
    if (l.ok) {
      EXPECT_EQ(out, l.steps) << l.text;
    }
  }
}

TEST(SimIM483I, MotionOverTime) {
  ControllerSim sim(Opts(Family::IM483I));
  EXPECT_EQ(Ask(sim, "1V 100\n", 0), "1V 100\n");
  EXPECT_EQ(Ask(sim, "1+50\n", 0), "1+50\n");
  EXPECT_EQ(Ask(sim, "1^\n", 250), "1^1\n");
  EXPECT_EQ(Ask(sim, "1Z\n", 250), "1Z25\n");
  EXPECT_EQ(Ask(sim, "1^\n", 600), "1^0\n");
  EXPECT_EQ(Ask(sim, "1Z\n", 600), "1Z50\n");
  Ask(sim, "1-80\n", 600);
  EXPECT_EQ(Ask(sim, "1Z\n", 2000), "1Z-30\n");
  Ask(sim, "1R+20\n", 2000);
  EXPECT_EQ(Ask(sim, "1Z\n", 3000), "1Z20\n");
  Ask(sim, "1R-0\n", 3000);
  EXPECT_EQ(Ask(sim, "1Z\n", 4000), "1Z0\n");
  Ask(sim, "1+0\n", 4000);  // a zero-step index
  EXPECT_EQ(Ask(sim, "1^\n", 4000), "1^0\n");
  Ask(sim, "1M-400\n", 4000);
  EXPECT_EQ(Ask(sim, "1Z\n", 5000), "1Z-400\n");
  EXPECT_EQ(Ask(sim, "1M0\n", 5000), "1M0\n");
  EXPECT_EQ(Ask(sim, "1^\n", 5000), "1^0\n");
  Ask(sim, "1O\n", 5000);
  EXPECT_EQ(Ask(sim, "1Z\n", 6000), "1Z0\n");
}

// An index during a move runs in turn, after the motion under way; a stop drops the
// indexes still waiting.
TEST(SimIM483I, IndexesDuringAMoveRunInTurn) {
  ControllerSim sim(Opts(Family::IM483I));
  Ask(sim, "1V 100\n", 0);
  EXPECT_EQ(Ask(sim, "1+50\n", 0), "1+50\n");
  EXPECT_EQ(Ask(sim, "1-80\n", 100), "1-80\n");
  EXPECT_EQ(Ask(sim, "1R+20\n", 200), "1R+20\n");
  EXPECT_EQ(Ask(sim, "1Z\n", 400), "1Z40\n");
  EXPECT_EQ(Ask(sim, "1Z\n", 1000), "1Z0\n");
  EXPECT_EQ(Ask(sim, "1Z\n", 1300), "1Z-30\n");
  EXPECT_EQ(Ask(sim, "1^\n", 1500), "1^1\n");
  EXPECT_EQ(Ask(sim, "1Z\n", 2000), "1Z20\n");
  EXPECT_EQ(Ask(sim, "1^\n", 2000), "1^0\n");
  Ask(sim, "1+100\n", 2000);
  Ask(sim, "1+100\n", 2100);
  EXPECT_EQ(Ask(sim, "1M0\n", 2500), "1M0\n");
  EXPECT_EQ(Ask(sim, "1Z\n", 4000), "1Z70\n");
}

TEST(SimIM483I, RunToLimitAndBackOff) {
  ksim::Options o = Opts(Family::IM483I);
  o.lowerLimit = -300;
  ControllerSim sim(o);
  Ask(sim, "1M-1000\n", 0);
  EXPECT_EQ(Ask(sim, "1] 0\n", 100), "1] 00\n");
  EXPECT_EQ(Ask(sim, "1] 0\n", 400), "1] 01\n");
  EXPECT_EQ(Ask(sim, "1^\n", 400), "1^0\n");
  EXPECT_EQ(Ask(sim, "1Z\n", 400), "1Z-300\n");
  Ask(sim, "1M500\n", 400);
  EXPECT_EQ(Ask(sim, "1] 0\n", 410), "1] 00\n");
  Ask(sim, "1M0\n", 410);
  EXPECT_EQ(Ask(sim, "1Z\n", 500), "1Z-295\n");
}

TEST(SimAddressing, OtherAddressesAndStrayLinesGetNoReply) {
  ksim::Options ez = Opts(Family::EZHR17);
  ez.address = 'B';
  ControllerSim ezSim(ez);
  EXPECT_EQ(Ask(ezSim, "/1?0\r", 0), "");
  EXPECT_EQ(Ask(ezSim, "/1P0R\r", 0), "");
  EXPECT_FALSE(ezSim.axis().IsMoving(0));
  EXPECT_EQ(Ask(ezSim, "?0\r", 0), "");
  EXPECT_EQ(Ask(ezSim, "/\r", 0), "");
  EXPECT_EQ(Ask(ezSim, "/B?0\r", 0), Frame('`', "0"));
  EXPECT_FALSE(ezSim.NextDueUs().has_value());

  ControllerSim im(Opts(Family::IM483I));
  EXPECT_EQ(Ask(im, "2Z\n", 0), "");
  EXPECT_EQ(Ask(im, "\n", 0), "");
  // An overlong line is dropped whole; the next line is served.
  EXPECT_EQ(Ask(im, std::string(3000, '1') + "\n", 0), "");
  EXPECT_EQ(Ask(im, "1Z\n", 0), "1Z0\n");
}

TEST(SimFaults, ParseFaultAcceptsTheFaultsAndRejectsTheRest) {
  ksim::Faults f;
  std::string error;
  EXPECT_TRUE(ksim::ParseFault("silent", f, error));
  EXPECT_TRUE(ksim::ParseFault("delay=200", f, error));
  EXPECT_TRUE(ksim::ParseFault("split", f, error));
  EXPECT_TRUE(ksim::ParseFault("noise", f, error));
  EXPECT_TRUE(ksim::ParseFault("error=15", f, error));
  EXPECT_TRUE(ksim::ParseFault("badecho", f, error));
  EXPECT_TRUE(f.silent && f.split && f.noise && f.badEcho);
  EXPECT_EQ(f.delayMs, 200);
  EXPECT_EQ(f.errorCode, 15);
  const ksim::Faults before = f;
  for (const char* bad : {"error=16", "error=-1", "delay=", "delay=2x", "silent=1", "bogus", ""}) {
    error.clear();
    EXPECT_FALSE(ksim::ParseFault(bad, f, error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
  EXPECT_EQ(f.delayMs, before.delayMs);
  EXPECT_EQ(f.errorCode, before.errorCode);
}

TEST(SimFaults, SilentDelayNoiseErrorBadEcho) {
  ksim::Options o = Opts(Family::EZHR17);
  o.faults.silent = true;
  ControllerSim silent(o);
  EXPECT_EQ(Ask(silent, "/1P10R\r", 0), "");
  EXPECT_FALSE(silent.NextDueUs().has_value());
  EXPECT_TRUE(silent.axis().IsMoving(1 * kMs));  // it still obeys

  o = Opts(Family::EZHR17);
  o.faults.delayMs = 200;
  ControllerSim delayed(o);
  EXPECT_EQ(Ask(delayed, "/1Q\r", 0), "");
  EXPECT_EQ(delayed.NextDueUs(), 200 * kMs);
  EXPECT_EQ(delayed.TakeDue(199 * kMs), "");
  EXPECT_EQ(delayed.TakeDue(200 * kMs), Frame('`'));

  o = Opts(Family::EZHR17);
  o.faults.noise = true;
  o.faults.errorCode = 5;
  ControllerSim noisy(o);
  EXPECT_EQ(Ask(noisy, "/1Q\r", 0), std::string("\x00\x7f#", 3) + Frame('e'));
  EXPECT_EQ(Ask(noisy, "/1P10R\r", 0), std::string("\x00\x7f#", 3) + Frame('E'));

  o = Opts(Family::IM483I);
  o.faults.badEcho = true;
  ControllerSim echo(o);
  EXPECT_EQ(Ask(echo, "1Z\n", 0), "2Z0\n");
  EXPECT_EQ(Ask(echo, "1M0\n", 0), "2M0\n");
  o.faults.errorCode = 3;  // no status character here
  o.faults.badEcho = false;
  ControllerSim im(o);
  EXPECT_EQ(Ask(im, "1Z\n", 0), "1Z0\n");
}

TEST(SimFaults, SplitReplyComesInThreePiecesWithPauses) {
  ksim::Options o = Opts(Family::EZHR17);
  o.faults.split = true;
  ControllerSim sim(o);
  sim.Receive("/1Q\r", 0);
  EXPECT_EQ(sim.TakeDue(0), "\xFF/0");
  EXPECT_EQ(sim.TakeDue(19 * kMs), "");
  EXPECT_EQ(sim.TakeDue(20 * kMs), "`\x03\r");
  EXPECT_EQ(sim.TakeDue(39 * kMs), "");
  EXPECT_EQ(sim.TakeDue(40 * kMs), "\n");  // the LF apart from its CR

  o = Opts(Family::IM483I);
  o.faults.split = true;
  o.faults.delayMs = 100;
  ControllerSim im(o);
  im.Receive("1Z\n", 0);
  EXPECT_EQ(im.TakeDue(99 * kMs), "");
  EXPECT_EQ(im.TakeDue(100 * kMs), "1Z");
  EXPECT_EQ(im.TakeDue(120 * kMs), "0");
  EXPECT_EQ(im.TakeDue(140 * kMs), "\n");
}

TEST(SimWireTime, BytesLeaveAtNineThousandSixHundredBaud) {
  ControllerSim sim(Opts(Family::EZHR17, true));
  sim.Receive("/1?0\r", 0);
  EXPECT_EQ(sim.TakeDue(0), "");
  EXPECT_EQ(sim.NextDueUs(), 1042);  // 10 bits, rounded up
  EXPECT_EQ(sim.TakeDue(1042), "\xFF");
  EXPECT_EQ(sim.TakeDue(7000), "/0`0\x03");
  EXPECT_EQ(sim.TakeDue(8334), "\r\n");
  // A second reply asked for while the first is on the line follows it.
  sim.Receive("/1Q\r/1Q\r", 10 * kMs);
  EXPECT_EQ(sim.TakeDue(10 * kMs + 7292), "\xFF/0`\x03\r\n");
  EXPECT_EQ(sim.TakeDue(10 * kMs + 14583), Frame('`').substr(0, 6));
  EXPECT_EQ(sim.TakeDue(10 * kMs + 14584), "\n");
}

TEST(SimLog, TrafficLinesAreEscaped) {
  EXPECT_EQ(ksim::EscapeBytes(std::string("a\r\n\t\x00\x1f \x7e\x7f\x80\xff", 11)),
            "a\\r\\n\\x09\\x00\\x1F ~\\x7F\\x80\\xFF");
  ksim::Options o = Opts(Family::EZHR17);
  o.faults.noise = true;
  ControllerSim sim(o);
  std::vector<std::string> lines;
  sim.SetLogSink([&](const std::string& l) { lines.push_back(l); });
  Ask(sim, "/1?0\r", 0);
  Ask(sim, "/2Q\r", 0);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "> /1?0\\r");
  EXPECT_EQ(lines[1], "< \\x00\\x7F#\\xFF/0`0\\x03\\r\\n");
  EXPECT_EQ(lines[2], "> /2Q\\r");  // heard, not answered
}
