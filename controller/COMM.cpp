#include "controller/COMM.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "common/Numbers.h"
#include "platform/Clock.h"
#include "platform/SerialPort.h"
#include "platform/StatusLine.h"

namespace {

constexpr int16_t kLogLast = 100;  // index of the last line of the ring

// Bytes as a log shows them: printable ASCII as is, CR and LF as \r and \n, the rest \xHH.
// Stops once the text is as long as a log line can be.
std::string Escaped(const std::string& bytes) {
  std::string out;
  for (const char c : bytes) {
    if (out.size() >= COMM::kMaxLogLine) break;
    const auto b = static_cast<unsigned char>(c);
    if (b == '\r') {
      out += "\\r";
    } else if (b == '\n') {
      out += "\\n";
    } else if (b >= 32 && b <= 126) {
      out += c;
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", b);
      out += hex;
    }
  }
  return out;
}

}  // namespace

COMM::COMM(SerialPort& port, Clock& clock) : port_(port), clock_(clock), delay_(clock) {
  port_.SetEventHandler([this](int code) { OnPortEvent(code); });
}

COMM::~COMM() { port_.SetEventHandler(nullptr); }

void COMM::SetTerminatorSetup(std::function<void()> setup) { terminatorSetup_ = std::move(setup); }

void COMM::CommSetPortName(const std::string& name) { portName_ = name; }

std::string COMM::DefaultPortName(int16_t port) { return "/dev/ttyS" + std::to_string(port - 1); }

void COMM::CommInit() {
  if (terminatorSetup_) terminatorSetup_();
  timeout_ = 1000;
  msgLabel_ = nullptr;
  log_.fill(std::string());
  init_ = 1;
}

bool COMM::CommOpenPort(int16_t port) {
  deviceLost_ = false;
  device_ = portName_.empty() ? DefaultPortName(port) : portName_;
  openError_.clear();
  PortError err;
  if (port_.Open(device_, err) && port_.IsOpen()) return true;
  openError_ = err.description.empty() ? "not opened" : err.description;
  LogPortError("CommOpenPort ", err);
  return false;
}

bool COMM::CommPortLost() const { return deviceLost_ || !port_.IsOpen(); }

bool COMM::CommClosePort() {
  deviceLost_ = false;  // closed on purpose: nothing to open again by itself
  PortError err;
  if (port_.Close(err)) return true;
  LogPortError("CommClosePort ", err);
  return false;
}

void COMM::CommSetTimeout(int16_t ms) { timeout_ = ms; }
void COMM::CommSetOutTerm(int16_t code) { outTerm_ = code; }
void COMM::CommSetInTerm(int16_t code) { inTerm_ = code; }
void COMM::CommSetInTerm2(int16_t code) { inTerm2_ = code; }

int16_t COMM::CommOut(const std::string& text) {
  PrepareLine();
  std::string line = text;
  line += static_cast<char>(outTerm_);
  PortError err;
  if (port_.Write(line, err)) return 1;
  // The device went away during this very write: one try on it again, then the write.
  if (deviceLost_ && ReopenLostDevice() && port_.Write(line, err)) return 1;
  LogPortError("CommOut ", err);
  return -1;
}

// Before a write: a lost device is opened again when a try is due; after a read that gave
// up, the line must first be quiet; otherwise what is waiting is dropped.
void COMM::PrepareLine() {
  if (deviceLost_) ReopenLostDevice();
  if (replyOutstanding_ && ignoring_ == 0) WaitForQuietLine();
  else DiscardStaleInput();
}

// A reply that came after its time-out (or noise) would otherwise become the head of
// the next reply and shift every answer by one; it is dropped and logged instead.
void COMM::DiscardStaleInput() {
  if (!port_.IsOpen()) return;
  const std::string stale = port_.Discard();
  if (!stale.empty()) LogDiscarded(stale);
}

void COMM::LogDiscarded(const std::string& bytes) {
  CommLogMsg("CommOut discarded stale input: " + Escaped(bytes));
}

// The reply to a read that gave up may still be on its way, and dropping what is already
// waiting does not catch it: it comes during the next read. So the line must be quiet (no
// byte for as long as that read waited), and either a late reply (its terminator) has
// come or the time in which one can come has passed. What came meanwhile is dropped and
// logged once. Bounded by two such waits past that time (or past now, when it has gone
// by): a line that never falls quiet cannot hold the link up for longer.
void COMM::WaitForQuietLine() {
  replyOutstanding_ = false;
  if (!port_.IsOpen()) return;
  // Times in milliseconds since the read gave up. Bytes stay waiting until read, so none
  // can have come unseen before it gave up.
  const auto since = [this] { return clock_.TickMs() - gaveUpMs_; };
  const uint32_t quietMs = quietMs_;
  const uint32_t endMs = std::max(since(), lateWindowMs_) + 2 * quietMs;
  uint32_t lastByteMs = 0;
  bool replySeen = false;
  std::string dropped;
  for (;;) {
    const uint32_t now = since();
    const size_t before = dropped.size();
    if (TakeWaiting(dropped)) {
      lastByteMs = now;
      replySeen = replySeen ||
                  dropped.find(static_cast<char>(inTerm_), before) != std::string::npos;
    }
    const bool lateOver = replySeen || now >= lateWindowMs_;
    if ((lateOver && now - lastByteMs >= quietMs) || now >= endMs || !port_.IsOpen()) break;
    uint32_t until = lastByteMs + quietMs;
    if (!lateOver) until = std::max(until, lateWindowMs_);
    WaitOnPort(std::min(until, endMs) - now);
  }
  if (!dropped.empty()) LogDiscarded(dropped);
}

// Appends what is waiting on the port to into; true when anything came.
bool COMM::TakeWaiting(std::string& into) {
  PortError err;
  const size_t before = into.size();
  if (port_.Waiting(err) > 0) port_.Read(into, err);
  return into.size() > before;
}

int16_t COMM::CommIn(std::string& reply) {
  return ReadReply(reply, &COMM::EndsWithTerm, "CommIn ", true);
}

int16_t COMM::CommIn2(std::string& reply) {
  return ReadReply(reply, &COMM::EndsWithTerms, "CommIn2 ", true);
}

int16_t COMM::CommInNext(std::string& reply) {
  return ReadReply(reply, &COMM::EndsWithTerm, "CommIn ", false);
}

bool COMM::EndsWithTerm(std::string& reply) const {
  if (reply.empty() || reply.back() != static_cast<char>(inTerm_)) return false;
  reply.pop_back();
  return true;
}

bool COMM::EndsWithTerms(std::string& reply) const {
  const size_t n = reply.size();
  if (n < 2 || reply[n - 2] != static_cast<char>(inTerm_) ||
      reply[n - 1] != static_cast<char>(inTerm2_))
    return false;
  reply.resize(n - 2);
  return true;
}

// Collects what arrives until the reply is complete or CommTimeout has passed since the
// start (of this read when fresh, else of the read before). Blocks on the port between
// arrivals; no window events run meanwhile. The first port failure of the read is logged
// and the read goes on (a reply completed after it still counts); a closed port cannot
// deliver, so the read ends at once then.
int16_t COMM::ReadReply(std::string& reply, Completion complete, const char* failPrefix,
                        bool fresh) {
  reply.clear();
  if (fresh) {
    readStartMs_ = clock_.TickMs();
    readTimeoutMs_ = ReadTimeoutMs();
  }
  bool failureLogged = false;
  for (;;) {
    const uint32_t elapsed = clock_.TickMs() - readStartMs_;  // unsigned: survives the wrap
    if (static_cast<int64_t>(elapsed) > readTimeoutMs_) {
      // A reply that has arrived is never a time-out, however late this thread got to
      // look: what is waiting is taken once more.
      if (PollReply(reply, complete, failPrefix, failureLogged) == Poll::kComplete) return 1;
      if (fresh && ignoring_ > 0) ++ignoredTimeOuts_;  // expected silence: the caller says
      else if (fresh) CommLogMsg("Port TimeOut");
      NoteReadGaveUp();
      return -1;
    }
    const Poll poll = PollReply(reply, complete, failPrefix, failureLogged);
    if (poll == Poll::kComplete) return 1;
    if (poll == Poll::kClosed) return -1;
    WaitOnPort(static_cast<int64_t>(readTimeoutMs_) - elapsed + 1);
  }
}

int16_t COMM::ReadTimeoutMs() const {
  if (ignoring_ > 0 && ignoredWithinMs_ > 0) return std::min(timeout_, ignoredWithinMs_);
  return timeout_;
}

// Takes what is waiting into reply and checks it for the end of the reply.
COMM::Poll COMM::PollReply(std::string& reply, Completion complete, const char* failPrefix,
                           bool& failureLogged) {
  PortError err;
  const long waiting = port_.Waiting(err);
  bool failed = waiting < 0;
  if (waiting > 0) {
    failed = !port_.Read(reply, err);
    if (!failed && (this->*complete)(reply)) return Poll::kComplete;
  }
  if (failed) {
    if (!failureLogged) LogPortError(failPrefix, err);
    failureLogged = true;
    if (!port_.IsOpen()) return Poll::kClosed;
  }
  return Poll::kPending;
}

// Blocks until data is waiting or ms have passed.
void COMM::WaitOnPort(int64_t ms) {
  const uint32_t before = clock_.TickMs();
  if (port_.WaitForData(
          static_cast<int>(std::clamp<int64_t>(ms, 0, std::numeric_limits<int>::max()))))
    return;
  // A port that gives up before the time asked must not turn this into a spin.
  if (clock_.TickMs() == before) clock_.SleepMs(1);
}

// The read gave up without its reply; unless the port is closed, the reply may still come.
// For replies nobody reads (the probe asks addresses where mostly no controller is), the
// next write only waits for a quiet line, without waiting out a late reply.
void COMM::NoteReadGaveUp() {
  if (!port_.IsOpen()) return;
  replyOutstanding_ = true;
  gaveUpMs_ = clock_.TickMs();
  const uint32_t timeout = static_cast<uint32_t>(std::max<int16_t>(timeout_, 0));
  lateWindowMs_ = ignoring_ > 0 ? 0 : kLateReplyTimeouts * timeout;
  quietMs_ = static_cast<uint32_t>(std::max<int16_t>(readTimeoutMs_, 0));
}

int16_t COMM::CommOutIn(const std::string& text, std::string& reply) {
  const int16_t out = CommOut(text);
  const int16_t in = CommIn(reply);
  return (out > 0 && in > 0) ? 1 : -1;
}

int16_t COMM::CommOutIn2(const std::string& text, std::string& reply) {
  const int16_t out = CommOut(text);
  const int16_t in = CommIn2(reply);
  return (out > 0 && in > 0) ? 1 : -1;
}

void COMM::CommSetMsgLabel(StatusLine* label) { msgLabel_ = label; }

const std::string& COMM::StoreLine(const std::string& line) {
  std::string& slot = log_[logPos_];
  slot.assign(line, 0, kMaxLogLine);
  logTimes_[logPos_] = clock_.TimeOfDaySeconds();
  if (++logPos_ > kLogLast) logPos_ = 0;
  return slot;
}

void COMM::CommLogAdd(const std::string& line) { StoreLine(line); }

void COMM::CommLogMsg(const std::string& line) {
  const std::string& kept = StoreLine(line);
  if (!msgLabel_) return;
  const std::string shown = OperatorLine(kept);
  // A failed position read on a closed port: the sentence already says why.
  if (shown != kept && msgLabel_->Text() == kPortClosed) return;
  msgLabel_->SetText(shown);
}

void COMM::CommLogMsgAppend(const std::string& line) {
  const std::string& kept = StoreLine(line);
  if (!msgLabel_) return;
  const std::string current = msgLabel_->Text();
  if (current == kPortClosed) return;  // the exchange's failure needs no more words
  msgLabel_->SetText(current + ", " + kept);
}

std::string COMM::OperatorLine(const std::string& line) {
  static const std::string kNotOpen = " not open";  // the port layers' "Device is not open"
  static const std::string kPosition = "error reading position:";
  if (line.rfind("Comm", 0) == 0 && line.find(kNotOpen) != std::string::npos) return kPortClosed;
  if (line.rfind(kPosition, 0) == 0) {
    const std::string answer = line.substr(kPosition.size());
    if (answer.empty() || answer == " no reply")
      return "Could not read the position: the controller did not answer";
    return "Could not read the position: the controller answered \"" + answer + "\"";
  }
  return line;
}

std::string COMM::CommGetTimedLog() const {
  std::string text;
  const auto add = [&](int16_t i) {
    if (log_[i].empty()) return;
    const auto seconds = static_cast<long>(logTimes_[i]);
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, "%02ld:%02ld:%02ld  ", seconds / 3600 % 24,
                  seconds / 60 % 60, seconds % 60);
    text += stamp + log_[i] + "\r\n";
  };
  for (int16_t i = logPos_; i <= kLogLast; ++i) add(i);
  for (int16_t i = 0; i < logPos_; ++i) add(i);
  return text;
}

std::string COMM::CommGetLog() const {
  std::string text;
  for (int16_t i = logPos_; i <= kLogLast; ++i)
    if (!log_[i].empty()) text += log_[i] + "\r\n";
  for (int16_t i = 0; i < logPos_; ++i) text += log_[i] + "\r\n";
  return text;
}

void COMM::CommExit() { init_ = 0; }

int16_t COMM::CommIsInit() const { return init_; }

int16_t COMM::CommTimeout() const { return timeout_; }

Delay32& COMM::Delay() { return delay_; }

void COMM::OnPortEvent(int code) {
  if (code == SerialPort::kEventDeviceLost) {
    OnDeviceLost();
  } else if (code > 1000) {
    CommLogMsg("ERROR #" + num::Plain(static_cast<int32_t>(code)));
  }
}

// The device is gone: close the port so that it raises nothing more and log the loss
// once. Later exchanges fail at once on the closed port, apart from a try now and then to
// open the same device again.
void COMM::OnDeviceLost() {
  if (deviceLost_ || !port_.IsOpen()) return;
  deviceLost_ = true;
  reopenTried_ = false;
  replyOutstanding_ = false;
  PortError err;
  std::string why = "device not available";
  if (port_.Waiting(err) < 0 && !err.description.empty()) why = err.description;
  PortError closeErr;
  port_.Close(closeErr);
  CommLogMsg("CommPort device lost: " + why);
}

// An exchange after a loss first opens the same device again; tries are at least
// kReopenIntervalMs apart, so a device that stays away costs an exchange no more than
// before. The controller is not set up again: it may well have kept its position.
bool COMM::ReopenLostDevice() {
  const uint32_t now = clock_.TickMs();
  if (reopenTried_ && now - reopenTriedMs_ < kReopenIntervalMs) return false;
  reopenTried_ = true;
  reopenTriedMs_ = now;
  PortError err;
  if (!port_.Open(device_, err) || !port_.IsOpen()) return false;
  deviceLost_ = false;
  CommLogMsg("CommPort reopened: " + device_);
  return true;
}

void COMM::LogPortError(const char* prefix, const PortError& err) {
  CommLogMsg(prefix + num::Plain(static_cast<int32_t>(err.code)) + " " + err.description);
}
