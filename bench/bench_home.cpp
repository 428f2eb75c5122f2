// What a homing costs: "Z Home" through the socket to a headless kelvorin whose
// controller is a kelvorin-sim on a pseudo-terminal, the limit switch a few seconds of
// travel away. Prints kelvorin's CPU time during the homing as a share of one core, and
// the command lines the controller received per second and per poll interval
// (WAITPOLLINGINTERVAL).
#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>

#include "BenchSupport.h"

namespace {

constexpr const char* kUsage =
    "usage: bench_home [--runs N] [--family EZHR17|IM483I] [--nowire] [--seconds S]\n"
    "  Times \"Z Home\" over a run of about S seconds (default 4) to the lower limit of a\n"
    "  kelvorin-sim (9600-baud wire time on; --nowire: replies at once) and prints\n"
    "  kelvorin's CPU share of one core and the controller traffic, medians of N runs\n"
    "  (default 3). Goal: under 1% of a core; at most 1 exchange per poll interval.\n";
constexpr int kHomeSpeed = 16000;  // |ZHOMESPEED| of the shipped ST_PARZ.TXT, steps/s
constexpr int kPollMs = 50;

struct Options {
  int runs = 3;
  QString family = "EZHR17";
  bool nowire = false;
  double seconds = 4;
};

bool ParseArgs(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc) o.runs = std::max(1, std::atoi(argv[++i]));
    else if (arg == "--family" && i + 1 < argc) o.family = argv[++i];
    else if (arg == "--nowire") o.nowire = true;
    else if (arg == "--seconds" && i + 1 < argc) o.seconds = std::atof(argv[++i]);
    else return false;
  }
  return (o.family == "EZHR17" || o.family == "IM483I") && o.seconds > 0;
}

struct Run {
  double wallS = 0, cpuS = 0;
  int lines = 0;
};

bool HomeOnce(const Options& o, Run& run) {
  QTemporaryDir dir;
  const QString tty = dir.filePath("tty"), log = dir.filePath("sim.log");
  QStringList simArgs{"--lower-limit", QString::number(-int(o.seconds * kHomeSpeed)),
                      "--upper-limit", "1000000"};
  if (o.nowire) simArgs << "--no-wire-time";
  bench::Sim sim(o.family, tty, log, simArgs);
  if (!sim.ok()) return false;
  bench::WriteSettings(dir.path(),
                       {"\"MPORT\",1", "\"PORTTIMEOUT\",100", "\"MOVETIMEOUT\",60",
                        "\"WAITPOLLINGINTERVAL\"," + QString::number(kPollMs),
                        "\"CONTRTYPE\"," + o.family, "\"Z_INSTALLED\",1", "\"MPORTNAME\"," + tty});
  const QString socketPath = dir.filePath("k.sock");
  bench::Server server(dir.path(), socketPath);
  const int sock = bench::ConnectSocket(socketPath);
  std::string answer;
  if (sock < 0 || bench::Exchange(sock, "Z ?\n", &answer, 20000) < 0 ||
      answer.find("Error") != std::string::npos || answer.find("Off") != std::string::npos) {
    std::fprintf(stderr, "bench_home: no answer to \"Z ?\" (%s)\n", answer.c_str());
    if (sock >= 0) ::close(sock);
    return false;
  }
  QThread::msleep(200);  // the simulator's log is written
  const int linesBefore = bench::ReceivedLines(log);
  const double cpuBefore = bench::CpuSeconds(server.Pid());
  const double us = bench::Exchange(sock, "Z Home\n", &answer, 120000);
  const double cpuAfter = bench::CpuSeconds(server.Pid());
  ::close(sock);
  QThread::msleep(200);
  if (us < 0 || answer.rfind("OK", 0) != 0) {
    std::fprintf(stderr, "bench_home: \"Z Home\" answered \"%s\"\n", answer.c_str());
    return false;
  }
  run.wallS = us / 1e6;
  run.cpuS = cpuAfter - cpuBefore;
  run.lines = bench::ReceivedLines(log) - linesBefore;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseArgs(argc, argv, o)) return bench::Usage(argc, argv, kUsage);
  QCoreApplication app(argc, argv);
  std::vector<double> wall, cpu, perSecond, perPoll;
  for (int i = 0; i < o.runs; ++i) {
    Run r;
    if (!HomeOnce(o, r)) return 1;
    wall.push_back(r.wallS);
    cpu.push_back(100.0 * r.cpuS / r.wallS);
    perSecond.push_back(r.lines / r.wallS);
    perPoll.push_back(r.lines / (r.wallS * 1000.0 / kPollMs));
  }
  std::printf("\"Z Home\" (%s%s, WAITPOLLINGINTERVAL %d ms), %d runs, medians\n",
              qPrintable(o.family), o.nowire ? ", nowire" : ", 9600 baud", kPollMs, o.runs);
  std::printf("  homing took:            %6.2f s\n", bench::Median(wall));
  std::printf("  CPU of kelvorin:        %6.2f %% of a core   (goal < 1 %%)\n", bench::Median(cpu));
  std::printf("  controller lines:       %6.1f per second\n", bench::Median(perSecond));
  std::printf("  per poll interval:      %6.2f               (goal <= 1 exchange)\n",
              bench::Median(perPoll));
  return 0;
}
