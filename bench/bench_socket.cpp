// Requests per second and round trips of "Ver" over the automation socket, against a
// real kelvorin (offscreen, built-in simulated controller), with 1 and 8 clients.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

namespace {

constexpr int kRunMs = 3000;
const QString kBinDir = QStringLiteral(KELVORIN_BIN_DIR);

struct ClientResult {
  int64_t requests = 0;
  std::vector<uint32_t> roundTripsUs;
  bool failed = false;
};

// One blocking client sending "Ver" until the time is up.
void RunClient(const QString& path, ClientResult& r) {
  QLocalSocket s;
  s.connectToServer(path);
  if (!s.waitForConnected(5000)) {
    r.failed = true;
    return;
  }
  r.roundTripsUs.reserve(200000);
  QByteArray inbox;
  QElapsedTimer run;
  run.start();
  while (run.elapsed() < kRunMs) {
    const auto t0 = std::chrono::steady_clock::now();
    s.write("Ver\n");
    s.flush();
    while (!inbox.contains('\n')) {
      if (!s.waitForReadyRead(5000)) {
        r.failed = true;
        return;
      }
      inbox += s.readAll();
    }
    inbox.remove(0, inbox.indexOf('\n') + 1);
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - t0);
    r.roundTripsUs.push_back(uint32_t(us.count()));
    ++r.requests;
  }
}

void Measure(const QString& path, int clients) {
  std::vector<ClientResult> results(static_cast<size_t>(clients));
  std::vector<std::thread> threads;
  QElapsedTimer wall;
  wall.start();
  for (int i = 0; i < clients; ++i)
    threads.emplace_back(RunClient, path, std::ref(results[size_t(i)]));
  for (auto& t : threads) t.join();
  const double seconds = double(wall.elapsed()) / 1000.0;
  std::vector<uint32_t> all;
  int64_t total = 0;
  bool failed = false;
  for (const auto& r : results) {
    total += r.requests;
    failed = failed || r.failed;
    all.insert(all.end(), r.roundTripsUs.begin(), r.roundTripsUs.end());
  }
  std::sort(all.begin(), all.end());
  const auto pct = [&](double p) {
    return all.empty() ? 0u : all[std::min(all.size() - 1, size_t(p * double(all.size())))];
  };
  std::printf(
      "%d client%s: %8.0f requests/s  round trip p50 %5u us  p99 %6u us  (%lld in %.1f s)%s\n",
      clients, clients == 1 ? " " : "s", double(total) / seconds, pct(0.50), pct(0.99),
      static_cast<long long>(total), seconds, failed ? "  SOME CLIENTS FAILED" : "");
}

bool WaitForServer(const QString& path) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 20000) {
    QLocalSocket probe;
    probe.connectToServer(path);
    if (probe.waitForConnected(500)) return true;
    QThread::msleep(50);
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) {
    const bool help = !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h");
    std::fputs(
        "usage: bench_socket\n"
        "  Requests per second and round trips of \"Ver\" over the automation socket\n"
        "  of a headless kelvorin on the built-in simulator, with 1 and 8 clients.\n",
        help ? stdout : stderr);
    return help ? 0 : 2;
  }
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  for (const QString& name : QDir(kBinDir).entryList({"ST_*.TXT"}, QDir::Files))
    QFile::copy(kBinDir + "/" + name, dir.filePath(name));
  const QString path = dir.filePath("k.sock");

  QProcess server;
  server.setStandardOutputFile(QProcess::nullDevice());
  server.setStandardErrorFile(QProcess::nullDevice());
  server.start(kBinDir + "/kelvorin",
               {"-platform", "offscreen", "--automation", "--socket", path, "--dir", dir.path()});
  if (!server.waitForStarted(10000) || !WaitForServer(path)) {
    std::fprintf(stderr, "bench_socket: kelvorin did not start\n");
    server.kill();
    server.waitForFinished(5000);
    return 1;
  }
  std::printf("\"Ver\" over %s, %d ms per run\n", qPrintable(path), kRunMs);
  Measure(path, 1);
  Measure(path, 8);
  server.kill();
  server.waitForFinished(5000);
  return 0;
}
