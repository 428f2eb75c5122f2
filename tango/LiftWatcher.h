#pragma once
// The events poller: reads the position on a connection of its own, every period while
// the lift moves and less often while it stands, judges what a client sees and hands
// each judgement to the device, which pushes the change events.
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "LiftConnection.h"
#include "LiftView.h"

namespace kelvorintango {

class LiftWatcher {
 public:
  using Know = std::function<Knowledge()>;
  using Publish = std::function<void(const View&)>;
  LiftWatcher(const std::string& socketPath, int periodMs, Know know, Publish publish);
  ~LiftWatcher();

  void Wake();  // read again now (a motion started or ended)
  // The last reading judged again with what the device knows now (its motion flags).
  View Current() const;
  void Drop() { connection_.Drop(); }

 private:
  void Run();
  int PauseMs(const View& view) const;

  LiftConnection connection_;
  const int periodMs_;
  const Know know_;
  const Publish publish_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool woken_ = false, stop_ = false;
  Reading last_;
  std::optional<double> previous_;  // the position read before last_
  std::thread thread_;
};

}  // namespace kelvorintango
