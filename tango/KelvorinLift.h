#pragma once
// The TANGO device of class KelvorinLift: the lift as seen through kelvorin's automation
// socket. Reads, writes and commands each use a connection of their own, so a motion in
// progress never blocks a read, and Stop always gets through.
#include <tango.h>

#include <memory>
#include <mutex>
#include <string>

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

  void read_Position(Tango::Attribute& attr);
  void write_Position(Tango::WAttribute& attr);
  void read_Link(Tango::Attribute& attr);

  void Stop();
  void Home();
  std::string Exec(const std::string& line);
  void Reconnect();
  bool MayHome();

 private:
  void ReadProperties();
  void ApplyAxisSettings();
  void Publish(const View& view);
  Knowledge Know();
  std::string Request(LiftConnection& connection, const std::string& line, int timeoutMs);

  // Device properties.
  std::string socketPath_, settingsDir_;
  int pollPeriodMs_ = 100, moveTimeoutMs_ = 120000;

  std::unique_ptr<LiftConnection> command_, reader_, stopper_, execer_;
  std::unique_ptr<LiftMotion> motion_;
  std::unique_ptr<LiftWatcher> watcher_;

  std::mutex wakeMutex_;  // a motion's end wakes the watcher, while both exist
  LiftWatcher* wakeTarget_ = nullptr;
  std::mutex axisMutex_;
  AxisSettings axis_;

  // Values handed to TANGO by pointer: they must outlive the read.
  Tango::DevDouble position_ = 0, pushedPosition_ = 0;
  std::string linkText_;
  Tango::DevString link_ = nullptr;
  std::string status_;
  bool pushedOnce_ = false;
  Condition pushedCondition_ = Condition::Fault;
};

}  // namespace kelvorintango
