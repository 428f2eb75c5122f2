#pragma once
// The TANGO device of class KelvorinLift: the lift as seen through kelvorin's automation
// socket. Reads, writes and commands each use a connection of their own, so a motion in
// progress never blocks a read, and Stop always gets through.
//
// Locking: the server runs in TANGO's NO_SYNC serialisation model (main.cpp), so TANGO
// takes no per-device lock around client calls and a long Exec or move never holds up
// Stop, a read or the events. The device protects its own state instead, each lock held
// only for a few memory operations, never across a socket exchange:
//  - lifeMutex_: shared by every client call, exclusive while the device is
//    (re)initialised, so an Init never frees what a call still uses;
//  - the Position attribute's own lock (ATTR_BY_KERNEL): TANGO holds it from read_Position
//    until the value has been sent, and the events thread takes it to push Position, which
//    rewrites that same attribute object. The socket read happens before, unlocked, in
//    read_attr_hardware;
//  - stateMutex_: the device state, set by State reads and by the events thread.
#include <tango.h>

#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <vector>

#include "LiftConnection.h"
#include "LiftMotion.h"
#include "LiftWatcher.h"

namespace kelvorintango {

class KelvorinLift : public Tango::Device_5Impl {
 public:
  KelvorinLift(Tango::DeviceClass* cl, const std::string& name);
  ~KelvorinLift() override;

  void init_device() override;
  void delete_device() override;
  Tango::DevState dev_state() override;
  Tango::ConstDevString dev_status() override;

  void read_attr_hardware(std::vector<long>& attrs) override;
  void read_Position(Tango::Attribute& attr);
  void write_Position(Tango::WAttribute& attr);
  void read_Link(Tango::Attribute& attr);

  void Stop();
  void Home();
  std::string Exec(const std::string& line);
  void Reconnect();
  bool MayHome();

 private:
  std::shared_lock<std::shared_mutex> Hold();
  void ReadProperties();
  void ApplyAxisSettings();
  void Publish(const View& view);
  Knowledge Know();
  std::string Request(LiftConnection& connection, const std::string& line, int timeoutMs);
  void DropConnections();

  // Device properties.
  std::string socketPath_, settingsDir_;
  int pollPeriodMs_ = 100, moveTimeoutMs_ = 120000;

  std::unique_ptr<LiftConnection> command_, reader_, stopper_, execer_;
  std::unique_ptr<LiftMotion> motion_;
  std::unique_ptr<LiftWatcher> watcher_;

  std::shared_mutex lifeMutex_;
  std::mutex wakeMutex_;  // a motion's end wakes the watcher, while both exist
  LiftWatcher* wakeTarget_ = nullptr;
  std::mutex axisMutex_;
  AxisSettings axis_;

  // Values handed to TANGO by pointer: they must outlive the read.
  Tango::DevDouble position_ = 0, pushedPosition_ = 0;  // under Position's lock
  std::string linkText_;  // Link is ATTR_BY_KERNEL: TANGO serialises its reads
  Tango::DevString link_ = nullptr;
  std::mutex stateMutex_;
  // The events thread's own.
  bool pushedOnce_ = false;
  Condition pushedCondition_ = Condition::Fault;
};

}  // namespace kelvorintango
