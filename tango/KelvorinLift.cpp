#include "KelvorinLift.h"

#include <algorithm>
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

// One request's position reading, carried from read_attr_hardware to read_Position on the
// thread that serves the request.
Reading& ThisThreadsReading() {
  thread_local Reading reading;
  return reading;
}

}  // namespace

KelvorinLift::KelvorinLift(Tango::DeviceClass* cl, const std::string& name)
    : Tango::Device_5Impl(cl, const_cast<std::string&>(name)) {
  init_device();
}

KelvorinLift::~KelvorinLift() { delete_device(); }

// Every client call holds the device's parts shared for its whole length; the calls that
// re-make them (TANGO's Init, the destructor) take them exclusively.
std::shared_lock<std::shared_mutex> KelvorinLift::Hold() {
  std::shared_lock<std::shared_mutex> hold(lifeMutex_);
  if (!watcher_)
    Refuse("KelvorinLift_Initialising", "The device is being initialised", "KelvorinLift");
  return hold;
}

void KelvorinLift::init_device() {
  std::unique_lock<std::shared_mutex> life(lifeMutex_);
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

void KelvorinLift::DropConnections() {
  for (auto* c : {command_.get(), reader_.get(), stopper_.get(), execer_.get()})
    if (c) c->Drop();
}

void KelvorinLift::delete_device() {
  {
    std::shared_lock<std::shared_mutex> hold(lifeMutex_);
    DropConnections();  // a long Exec under way ends now instead of holding up the Init
  }
  std::unique_lock<std::shared_mutex> life(lifeMutex_);
  {
    std::lock_guard<std::mutex> lock(wakeMutex_);
    wakeTarget_ = nullptr;
  }
  watcher_.reset();
  motion_.reset();
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
  omni_mutex_lock buffer(*attr.get_attr_mutex());  // the object is shared with the events
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
  omni_thread::ensure_self self;  // TANGO's event supplier expects an omniORB thread
  try {
    const double z = view.reading.position;
    if (view.reading.kind == Reading::Kind::Position &&
        (view.condition == Condition::Moving || !pushedOnce_ || z != pushedPosition_)) {
      omni_mutex_lock buffer(*dev_attr->get_attr_by_name("Position").get_attr_mutex());
      pushedPosition_ = z;
      push_change_event("Position", &pushedPosition_);
    }
    if (!pushedOnce_ || view.condition != pushedCondition_) {
      std::lock_guard<std::mutex> state(stateMutex_);
      set_state(ToTango(view.condition));
      push_change_event("State");
    }
    pushedOnce_ = true;
    pushedCondition_ = view.condition;
  } catch (const Tango::DevFailed&) {
    // Not pushed (no event system yet): the next reading pushes.
  }
}

Tango::DevState KelvorinLift::dev_state() {
  const auto hold = Hold();
  const Tango::DevState state = ToTango(watcher_->Current().condition);
  std::lock_guard<std::mutex> lock(stateMutex_);
  set_state(state);
  return state;
}

Tango::ConstDevString KelvorinLift::dev_status() {
  // TANGO copies the text on this thread after the return: one buffer per thread.
  thread_local std::string status;
  const auto hold = Hold();
  status = watcher_->Current().status;
  return status.c_str();
}

// TANGO calls this before it takes the attributes' own locks: the socket exchange happens
// here, unlocked, and read_Position only hands its outcome over.
void KelvorinLift::read_attr_hardware(std::vector<long>& attrs) {
  const long position = dev_attr->get_attr_ind_by_name("Position");
  if (std::find(attrs.begin(), attrs.end(), position) == attrs.end()) return;
  const auto hold = Hold();
  ThisThreadsReading() = ReadPosition(*reader_, kReadTimeoutMs);
}

// Runs under the Position attribute's lock, taken by TANGO and kept until the value has
// been sent; the events take the same lock.
void KelvorinLift::read_Position(Tango::Attribute& attr) {
  const auto hold = Hold();
  const Reading reading = ThisThreadsReading();
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
  const auto hold = Hold();
  Tango::DevDouble target = 0;
  attr.get_write_value(target);
  const std::string reply = FirstReply(Request(*command_, "Z " + Plain(target), kCommandTimeoutMs));
  if (IsOff(reply))
    Refuse("KelvorinLift_ZOff", "The Z axis is off", "KelvorinLift::write_Position");
  if (HasError(reply)) Refuse("KelvorinLift_Refused", reply, "KelvorinLift::write_Position");
  motion_->Follow();
  watcher_->Wake();
}

void KelvorinLift::read_Link(Tango::Attribute& attr) {
  const auto hold = Hold();
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
  const auto hold = Hold();
  const std::string answer = Request(*stopper_, "Z Stop", kCommandTimeoutMs);
  if (HasError(answer)) Refuse("KelvorinLift_ErrorReply", answer, "KelvorinLift::Stop");
  motion_->ClearFault();
  watcher_->Wake();
}

bool KelvorinLift::MayHome() { return dev_state() != Tango::MOVING; }

void KelvorinLift::Home() {
  const auto hold = Hold();
  motion_->Home();
  watcher_->Wake();
}

std::string KelvorinLift::Exec(const std::string& line) {
  const auto hold = Hold();
  const Answer answer = execer_->Exec(line, moveTimeoutMs_);
  if (!answer.delivered) Refuse("KelvorinLift_NoConnection", answer.text, "KelvorinLift::Exec");
  if (HasError(answer.text)) Refuse("KelvorinLift_ErrorReply", answer.text, "KelvorinLift::Exec");
  return answer.text;
}

void KelvorinLift::Reconnect() {
  const auto hold = Hold();
  DropConnections();
  motion_->Abort();
  motion_->ClearFault();
  watcher_->Drop();
  ApplyAxisSettings();
  watcher_->Wake();
}

}  // namespace kelvorintango
