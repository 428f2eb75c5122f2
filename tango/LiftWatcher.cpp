#include "LiftWatcher.h"

#include <algorithm>
#include <chrono>

namespace kelvorintango {

namespace {
constexpr int kIdlePeriodMs = 500;  // while the lift stands
constexpr int kReadTimeoutMs = 5000;
}  // namespace

LiftWatcher::LiftWatcher(const std::string& socketPath, int periodMs, Know know, Publish publish)
    : connection_(socketPath),
      periodMs_(std::max(periodMs, 10)),
      know_(std::move(know)),
      publish_(std::move(publish)) {
  last_.detail = "not read yet";
  thread_ = std::thread([this] { Run(); });
}

LiftWatcher::~LiftWatcher() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  connection_.Drop();
  thread_.join();
}

void LiftWatcher::Wake() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    woken_ = true;
  }
  wake_.notify_all();
}

View LiftWatcher::Current() const {
  Knowledge known = know_();
  std::lock_guard<std::mutex> lock(mutex_);
  known.previous = previous_;
  return Judge(last_, known);
}

int LiftWatcher::PauseMs(const View& view) const {
  return view.condition == Condition::Moving ? periodMs_ : std::max(periodMs_, kIdlePeriodMs);
}

void LiftWatcher::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stop_) {
    woken_ = false;
    lock.unlock();
    const Reading reading = ReadPosition(connection_, kReadTimeoutMs);
    lock.lock();
    previous_ = last_.kind == Reading::Kind::Position ? std::optional<double>(last_.position)
                                                      : std::nullopt;
    last_ = reading;
    lock.unlock();
    const View view = Current();
    publish_(view);
    lock.lock();
    wake_.wait_for(lock, std::chrono::milliseconds(PauseMs(view)),
                   [this] { return stop_ || woken_; });
  }
}

}  // namespace kelvorintango
