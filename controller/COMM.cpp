#include "controller/COMM.h"

#include <algorithm>
#include <cstdio>

#include "common/Numbers.h"
#include "platform/Clock.h"
#include "platform/SerialPort.h"
#include "platform/StatusLine.h"

namespace {

constexpr int16_t kLogLast = 100;  // index of the last line of the ring

// Bytes as a log shows them: printable ASCII as is, CR and LF as \r and \n, the rest \xHH.
std::string Escaped(const std::string& bytes) {
  std::string out;
  for (const char c : bytes) {
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

void COMM::SetTerminatorSetup(std::function<void()> setup) {
  terminatorSetup_ = std::move(setup);
}

void COMM::CommSetPortName(const std::string& name) { portName_ = name; }

std::string COMM::DefaultPortName(int16_t port) {
  return "/dev/ttyS" + std::to_string(port - 1);
}

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

bool COMM::CommClosePort() {
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
  DiscardStaleInput();
  std::string line = text;
  line += static_cast<char>(outTerm_);
  PortError err;
  if (port_.Write(line, err)) return 1;
  LogPortError("CommOut ", err);
  return -1;
}

// A reply that came after its time-out (or noise) would otherwise become the head of
// the next reply and shift every answer by one; it is dropped and logged instead.
void COMM::DiscardStaleInput() {
  if (!port_.IsOpen()) return;
  const std::string stale = port_.Discard();
  if (!stale.empty()) CommLogMsg("CommOut discarded stale input: " + Escaped(stale));
}

int16_t COMM::CommIn(std::string& reply) {
  return ReadReply(reply, &COMM::EndsWithTerm, "CommIn ");
}

int16_t COMM::CommIn2(std::string& reply) {
  return ReadReply(reply, &COMM::EndsWithTerms, "CommIn2 ");
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
// start. Blocks on the port between arrivals; no window events run meanwhile. The first
// port failure of the read is logged and the read goes on (a reply completed after it
// still counts); a closed port cannot deliver, so the read ends at once then.
int16_t COMM::ReadReply(std::string& reply, Completion complete, const char* failPrefix) {
  reply.clear();
  const uint32_t start = clock_.TickMs();
  bool failureLogged = false;
  for (;;) {
    const uint32_t elapsed = clock_.TickMs() - start;  // unsigned: survives the wrap
    if (static_cast<int64_t>(elapsed) > timeout_) {
      CommLogMsg("Port TimeOut");
      return -1;
    }
    PortError err;
    const long waiting = port_.Waiting(err);
    bool failed = waiting < 0;
    if (waiting > 0) {
      failed = !port_.Read(reply, err);
      if (!failed && (this->*complete)(reply)) return 1;
    }
    if (failed) {
      if (!failureLogged) LogPortError(failPrefix, err);
      failureLogged = true;
      if (!port_.IsOpen()) return -1;
    }
    WaitForMore(elapsed);
  }
}

void COMM::WaitForMore(uint32_t elapsed) {
  const int64_t remaining = static_cast<int64_t>(timeout_) - elapsed + 1;
  const uint32_t before = clock_.TickMs();
  if (port_.WaitForData(static_cast<int>(std::max<int64_t>(remaining, 0)))) return;
  // A port that gives up before the time asked must not turn this into a spin.
  if (clock_.TickMs() == before) clock_.SleepMs(1);
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

void COMM::CommLogAdd(const std::string& line) {
  log_[logPos_] = line;
  if (++logPos_ > kLogLast) logPos_ = 0;
}

void COMM::CommLogMsg(const std::string& line) {
  CommLogAdd(line);
  if (msgLabel_) msgLabel_->SetText(line);
}

void COMM::CommLogMsgAppend(const std::string& line) {
  CommLogAdd(line);
  if (msgLabel_) msgLabel_->SetText(msgLabel_->Text() + ", " + line);
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

// The device is gone: close the port so that it raises nothing more, log the loss once,
// and let every later exchange fail at once on the closed port until it is opened again.
void COMM::OnDeviceLost() {
  if (deviceLost_ || !port_.IsOpen()) return;
  deviceLost_ = true;
  PortError err;
  std::string why = "device not available";
  if (port_.Waiting(err) < 0 && !err.description.empty()) why = err.description;
  PortError closeErr;
  port_.Close(closeErr);
  CommLogMsg("CommPort device lost: " + why);
}

void COMM::LogPortError(const char* prefix, const PortError& err) {
  CommLogMsg(prefix + num::Plain(static_cast<int32_t>(err.code)) + " " + err.description);
}
