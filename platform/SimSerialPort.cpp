#include "platform/SimSerialPort.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <vector>

#include "sim/SimAxis.h"

namespace {

constexpr std::string_view kPrefix = "sim:";

bool ParseItem(std::string_view item, ksim::Options& options, std::string& error) {
  if (item == "nowire") {
    options.wireTime = false;
    return true;
  }
  if (item.rfind("address=", 0) == 0) {
    if (item.size() != 9) {
      error = "address must be one character: '" + std::string(item) + "'";
      return false;
    }
    options.address = item[8];
    return true;
  }
  const bool lower = item.rfind("lower=", 0) == 0;
  if (lower || item.rfind("upper=", 0) == 0) {
    if (ksim::ParseSteps(item.substr(6), lower ? options.lowerLimit : options.upperLimit))
      return true;
    error = "bad limit position: '" + std::string(item) + "'";
    return false;
  }
  return ksim::ParseFault(item, options.faults, error);
}

}  // namespace

SimSerialPort::SimSerialPort(Clock& clock) : clock_(clock) {}

bool SimSerialPort::ParseName(const std::string& name, ksim::Options& options, std::string& error) {
  std::string_view rest(name);
  if (rest.substr(0, kPrefix.size()) != kPrefix) {
    error = "not a simulated port: '" + name + "'";
    return false;
  }
  rest.remove_prefix(kPrefix.size());
  std::vector<std::string_view> items;
  for (size_t start = 0;;) {
    const size_t colon = rest.find(':', start);
    items.push_back(rest.substr(start, colon - start));
    if (colon == std::string_view::npos) break;
    start = colon + 1;
  }
  const auto family = ksim::ParseFamily(items.front());
  if (!family) {
    error = "unknown simulated controller '" + name + "' (sim:EZHR17 or sim:IM483I)";
    return false;
  }
  options = ksim::Options{};
  options.family = *family;
  for (size_t i = 1; i < items.size(); ++i) {
    if (!ParseItem(items[i], options, error)) return false;
  }
  return true;
}

int64_t SimSerialPort::NowUs() {
  const uint32_t tick = clock_.TickMs();
  if (!clockStarted_) {
    clockStarted_ = true;
    lastTickMs_ = tick;
  }
  elapsedMs_ += static_cast<uint32_t>(tick - lastTickMs_);
  lastTickMs_ = tick;
  return elapsedMs_ * 1000;
}

bool SimSerialPort::Open(const std::string& name, PortError& err) {
  ksim::Options options;
  std::string error;
  if (!ParseName(name, options, error)) {
    err = {2, error};
    return false;
  }
  if (!sim_ || name != simName_) {
    sim_ = std::make_unique<ksim::ControllerSim>(options);
    sim_->SetLogSink(log_);
    simName_ = name;
  }
  sim_->TakeDue(NowUs());  // what came while the port was closed is lost
  received_.clear();
  open_ = true;
  return true;
}

bool SimSerialPort::Close(PortError&) {
  open_ = false;
  received_.clear();
  return true;
}

void SimSerialPort::NotOpen(PortError& err) { err = {-1, "Port not open"}; }

bool SimSerialPort::Write(std::string_view data, PortError& err) {
  if (!open_) {
    NotOpen(err);
    return false;
  }
  sim_->Receive(data, NowUs());
  return true;
}

void SimSerialPort::Pull() { received_ += sim_->TakeDue(NowUs()); }

long SimSerialPort::Waiting(PortError& err) {
  if (!open_) {
    NotOpen(err);
    return -1;
  }
  Pull();
  return static_cast<long>(received_.size());
}

bool SimSerialPort::Read(std::string& out, PortError& err) {
  if (!open_) {
    NotOpen(err);
    return false;
  }
  Pull();
  out += received_;
  received_.clear();
  return true;
}

bool SimSerialPort::WaitForData(int timeoutMs) {
  const int64_t deadline = NowUs() + std::max(0, timeoutMs) * int64_t{1000};
  for (;;) {
    if (open_) Pull();
    if (!received_.empty()) return true;
    const int64_t now = NowUs();
    if (now >= deadline) return false;
    const auto next = open_ ? sim_->NextDueUs() : std::nullopt;
    const int64_t wake = next ? std::min(*next, deadline) : deadline;
    clock_.SleepMs(static_cast<uint32_t>(std::max<int64_t>(1, (wake - now + 999) / 1000)));
  }
}

void SimSerialPort::SetLogSink(ksim::ControllerSim::LogSink sink) {
  log_ = std::move(sink);
  if (sim_) sim_->SetLogSink(log_);
}
