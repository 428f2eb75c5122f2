#include "platform/PortSelector.h"

PortSelector::PortSelector(SerialPort& real, SerialPort& simulated)
    : real_(real), simulated_(simulated) {
  real_.SetEventHandler([this](int code) { Forward(&real_, code); });
  simulated_.SetEventHandler([this](int code) { Forward(&simulated_, code); });
}

PortSelector::~PortSelector() {
  real_.SetEventHandler(nullptr);
  simulated_.SetEventHandler(nullptr);
}

bool PortSelector::IsSimulatedName(const std::string& name) { return name.rfind("sim:", 0) == 0; }

bool PortSelector::Open(const std::string& name, PortError& err) {
  SerialPort& target = IsSimulatedName(name) ? simulated_ : real_;
  if (active_ && active_ != &target && active_->IsOpen()) {
    PortError ignored;
    active_->Close(ignored);
  }
  active_ = &target;
  return target.Open(name, err);
}

bool PortSelector::Close(PortError& err) { return active_ ? active_->Close(err) : true; }

bool PortSelector::IsOpen() const { return active_ && active_->IsOpen(); }

bool PortSelector::Write(std::string_view data, PortError& err) {
  if (active_) return active_->Write(data, err);
  NotOpen(err);
  return false;
}

long PortSelector::Waiting(PortError& err) {
  if (active_) return active_->Waiting(err);
  NotOpen(err);
  return -1;
}

bool PortSelector::Read(std::string& out, PortError& err) {
  if (active_) return active_->Read(out, err);
  NotOpen(err);
  return false;
}

bool PortSelector::WaitForData(int timeoutMs) {
  return active_ ? active_->WaitForData(timeoutMs) : false;
}

std::string PortSelector::Discard() { return active_ ? active_->Discard() : std::string(); }

// Only the port in use speaks for the selector; the other one is closed.
void PortSelector::Forward(const SerialPort* from, int code) {
  if (from == active_) RaiseEvent(code);
}

void PortSelector::NotOpen(PortError& err) { err = {-1, "Port not open"}; }
