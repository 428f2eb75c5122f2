#include "KelvorinLift.h"

#include <cstdio>

#include "LiftReplies.h"

namespace kelvorintango {

namespace {

constexpr int kReadTimeoutMs = 2500;     // below a TANGO client's default 3 s time-out
constexpr int kCommandTimeoutMs = 2500;  // moves, Stop: kelvorin answers them at once

Tango::DevState ToTango(Condition condition) {
  switch (condition) {
    case Condition::On: return Tango::ON;
    case Condition::Moving: return Tango::MOVING;
    case Condition::Off: return Tango::OFF;
    case Condition::Alarm: return Tango::ALARM;
    case Condition::Fault: break;
  }
  return Tango::FAULT;
}

[[noreturn]] void Refuse(const std::string& reason, const std::string& description,
                         const char* origin) {
  Tango::Except::throw_exception(reason, description, origin);
}

std::string Plain(double v) {
  char text[40];
  std::snprintf(text, sizeof text, "%.15g", v);
  return text;
}

// Lets the device's other calls run while this thread waits for a long answer: hands
// back the device's monitor if this thread holds it, and takes it again in Retake().
class MonitorReleased {
 public:
  explicit MonitorReleased(Tango::DeviceImpl& device) {
    if (Tango::Util::instance()->get_serial_model() != Tango::BY_DEVICE) return;
    omni_thread* self = omni_thread::self();
    monitor_ = &device.get_dev_monitor();
    if (!self || monitor_->get_locking_thread_id() != self->id()) return;
    for (; monitor_->get_locking_ctr() > 0; ++held_) monitor_->rel_monitor();
  }
  void Retake() {  // may throw (monitor time-out): not in a destructor
    for (; held_ > 0; --held_) monitor_->get_monitor();
  }

 private:
  Tango::TangoMonitor* monitor_ = nullptr;
  long held_ = 0;
};

// Holds the device's monitor, as TANGO does around a client's call.
class MonitorHeld {
 public:
  explicit MonitorHeld(Tango::DeviceImpl& device) : monitor_(device.get_dev_monitor()) {
    monitor_.get_monitor();  // may throw (time-out)
  }
  ~MonitorHeld() { monitor_.rel_monitor(); }
  MonitorHeld(const MonitorHeld&) = delete;
  MonitorHeld& operator=(const MonitorHeld&) = delete;

 private:
  Tango::TangoMonitor& monitor_;
};

}  // namespace

KelvorinLift::KelvorinLift(Tango::DeviceClass* cl, const std::string& name)
    : Tango::Device_5Impl(cl, const_cast<std::string&>(name)) {
  init_device();
}

KelvorinLift::~KelvorinLift() { delete_device(); }

void KelvorinLift::init_device() {
  ReadProperties();
  ApplyAxisSettings();
  command_ = std::make_unique<LiftConnection>(socketPath_);
  reader_ = std::make_unique<LiftConnection>(socketPath_);
  stopper_ = std::make_unique<LiftConnection>(socketPath_);
  execer_ = std::make_unique<LiftConnection>(socketPath_);
  motion_ = std::make_unique<LiftMotion>(socketPath_, moveTimeoutMs_, [this] {
    std::lock_guard<std::mutex> lock(wakeMutex_);
    if (wakeTarget_) wakeTarget_->Wake();
  });
  set_change_event("Position", true, false);
  set_change_event("State", true, false);
  watcher_ = std::make_unique<LiftWatcher>(
      socketPath_, pollPeriodMs_, [this] { return Know(); },
      [this](const View& view) { Publish(view); });
  std::lock_guard<std::mutex> lock(wakeMutex_);
  wakeTarget_ = watcher_.get();
}

void KelvorinLift::delete_device() {
  {
    std::lock_guard<std::mutex> lock(wakeMutex_);
    wakeTarget_ = nullptr;
  }
  // The watcher may wait for this device's monitor to push an event: let it have it.
  MonitorReleased released(*this);
  watcher_.reset();
  motion_.reset();
  released.Retake();
  command_.reset();
  reader_.reset();
  stopper_.reset();
  execer_.reset();
}

void KelvorinLift::ReadProperties() {
  Tango::DbData data{Tango::DbDatum("SocketPath"), Tango::DbDatum("SettingsDir"),
                     Tango::DbDatum("PollPeriod"), Tango::DbDatum("MoveTimeout")};
  if (Tango::Util::instance()->_UseDb) get_db_device()->get_property(data);
  socketPath_ = DefaultSocketPath();
  settingsDir_.clear();
  pollPeriodMs_ = 100;
  double moveTimeoutS = 120;
  if (!data[0].is_empty()) data[0] >> socketPath_;
  if (!data[1].is_empty()) data[1] >> settingsDir_;
  if (!data[2].is_empty()) data[2] >> pollPeriodMs_;
  if (!data[3].is_empty()) data[3] >> moveTimeoutS;
  moveTimeoutMs_ = static_cast<int>(moveTimeoutS * 1000);
}

void KelvorinLift::ApplyAxisSettings() {
  const AxisSettings axis = ReadAxisSettings(settingsDir_);
  {
    std::lock_guard<std::mutex> lock(axisMutex_);
    axis_ = axis;
  }
  Tango::Attribute& attr = dev_attr->get_attr_by_name("Position");
  Tango::MultiAttrProp<Tango::DevDouble> props;
  attr.get_properties(props);
  props.unit = axis.unit;
  props.min_value = axis.limitsOn ? Plain(axis.min) : "Not specified";
  props.max_value = axis.limitsOn ? Plain(axis.max) : "Not specified";
  attr.set_properties(props);
}

Knowledge KelvorinLift::Know() {
  Knowledge known;
  known.ownMotion = motion_->Active();
  known.motionFault = motion_->Fault();
  known.socketPath = socketPath_;
  std::lock_guard<std::mutex> lock(axisMutex_);
  known.axis = axis_;
  return known;
}

// On the watcher's thread: state and position go to the event system.
void KelvorinLift::Publish(const View& view) {
  omni_thread::ensure_self self;  // TANGO's monitor needs an omniORB thread identity
  try {
    MonitorHeld held(*this);
    set_state(ToTango(view.condition));
    set_status(view.status);
    const bool moving = view.condition == Condition::Moving;
    const double z = view.reading.position;
    if (view.reading.kind == Reading::Kind::Position &&
        (moving || !pushedOnce_ || z != pushedPosition_)) {
      pushedPosition_ = z;
      push_change_event("Position", &pushedPosition_);
    }
    if (!pushedOnce_ || view.condition != pushedCondition_) push_change_event("State");
    pushedOnce_ = true;
    pushedCondition_ = view.condition;
  } catch (const Tango::DevFailed&) {
    // No monitor in time (the device is being re-initialised): the next reading pushes.
  }
}

Tango::DevState KelvorinLift::dev_state() {
  const View view = watcher_->Current();
  set_state(ToTango(view.condition));
  status_ = view.status;
  set_status(status_);
  return get_state();
}

Tango::ConstDevString KelvorinLift::dev_status() {
  dev_state();
  return status_.c_str();
}

void KelvorinLift::read_Position(Tango::Attribute& attr) {
  const Reading reading = ReadPosition(*reader_, kReadTimeoutMs);
  switch (reading.kind) {
    case Reading::Kind::Position:
      position_ = reading.position;
      attr.set_value(&position_);
      if (motion_->Active()) attr.set_quality(Tango::ATTR_CHANGING);
      return;
    case Reading::Kind::Off:
      Refuse("KelvorinLift_ZOff", "The Z axis is off", "KelvorinLift::read_Position");
    case Reading::Kind::NoAnswer:
      Refuse("KelvorinLift_NoAnswer", "No answer from the controller: " + reading.detail,
             "KelvorinLift::read_Position");
    case Reading::Kind::NoSocket:
      Refuse("KelvorinLift_NoConnection", reading.detail, "KelvorinLift::read_Position");
  }
}

void KelvorinLift::write_Position(Tango::WAttribute& attr) {
  Tango::DevDouble target = 0;
  attr.get_write_value(target);
  const std::string reply = FirstReply(Request(*command_, "Z " + Plain(target), kCommandTimeoutMs));
  if (IsOff(reply)) Refuse("KelvorinLift_ZOff", "The Z axis is off", "KelvorinLift::write_Position");
  if (HasError(reply)) Refuse("KelvorinLift_Refused", reply, "KelvorinLift::write_Position");
  motion_->Follow();
  watcher_->Wake();
}

void KelvorinLift::read_Link(Tango::Attribute& attr) {
  linkText_ = watcher_->Current().link;
  link_ = const_cast<char*>(linkText_.c_str());
  attr.set_value(&link_);
}

std::string KelvorinLift::Request(LiftConnection& connection, const std::string& line,
                                  int timeoutMs) {
  const Answer answer = connection.Exec(line, timeoutMs);
  if (!answer.delivered) Refuse("KelvorinLift_NoConnection", answer.text, "KelvorinLift");
  return answer.text;
}

void KelvorinLift::Stop() {
  const std::string answer = Request(*stopper_, "Z Stop", kCommandTimeoutMs);
  if (HasError(answer)) Refuse("KelvorinLift_ErrorReply", answer, "KelvorinLift::Stop");
  motion_->ClearFault();
  watcher_->Wake();
}

bool KelvorinLift::MayHome() { return dev_state() != Tango::MOVING; }

void KelvorinLift::Home() {
  motion_->Home();
  watcher_->Wake();
}

std::string KelvorinLift::Exec(const std::string& line) {
  MonitorReleased released(*this);
  const Answer answer = execer_->Exec(line, moveTimeoutMs_);
  released.Retake();
  if (!answer.delivered) Refuse("KelvorinLift_NoConnection", answer.text, "KelvorinLift::Exec");
  if (HasError(answer.text)) Refuse("KelvorinLift_ErrorReply", answer.text, "KelvorinLift::Exec");
  return answer.text;
}

void KelvorinLift::Reconnect() {
  for (LiftConnection* c : {command_.get(), reader_.get(), stopper_.get(), execer_.get()})
    c->Drop();
  motion_->Abort();
  motion_->ClearFault();
  watcher_->Drop();
  ApplyAxisSettings();
  watcher_->Wake();
}

}  // namespace kelvorintango
