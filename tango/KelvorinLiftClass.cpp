#include "KelvorinLiftClass.h"

#include <memory>

#include "KelvorinLift.h"

namespace kelvorintango {

namespace {

KelvorinLift& Lift(Tango::DeviceImpl* device) { return *static_cast<KelvorinLift*>(device); }

class PositionAttr : public Tango::Attr {
 public:
  PositionAttr() : Attr("Position", Tango::DEV_DOUBLE, Tango::READ_WRITE) {
    Tango::UserDefaultAttrProp props;
    props.set_description("The lift's position in its user units; writing starts a move");
    props.set_format("%.2f");
    set_default_properties(props);
  }
  void read(Tango::DeviceImpl* d, Tango::Attribute& a) override { Lift(d).read_Position(a); }
  void write(Tango::DeviceImpl* d, Tango::WAttribute& a) override { Lift(d).write_Position(a); }
};

class LinkAttr : public Tango::Attr {
 public:
  LinkAttr() : Attr("Link", Tango::DEV_STRING, Tango::READ) {
    Tango::UserDefaultAttrProp props;
    props.set_description(
        "The serial link: Link OK, No answer, Z off (Unknown without the socket)");
    set_default_properties(props);
  }
  void read(Tango::DeviceImpl* d, Tango::Attribute& a) override { Lift(d).read_Link(a); }
};

class VoidCmd : public Tango::Command {
 public:
  using Action = void (KelvorinLift::*)();
  VoidCmd(const char* cmdName, Action action)
      : Command(cmdName, Tango::DEV_VOID, Tango::DEV_VOID), action_(action) {}
  CORBA::Any* execute(Tango::DeviceImpl* d, const CORBA::Any&) override {
    (Lift(d).*action_)();
    return new CORBA::Any();
  }

 private:
  Action action_;
};

class HomeCmd : public VoidCmd {
 public:
  HomeCmd() : VoidCmd("Home", &KelvorinLift::Home) {}
  bool is_allowed(Tango::DeviceImpl* d, const CORBA::Any&) override { return Lift(d).MayHome(); }
};

class ExecCmd : public Tango::Command {
 public:
  ExecCmd()
      : Command("Exec", Tango::DEV_STRING, Tango::DEV_STRING, "One command line of the lift",
                "The answer: every reply followed by \" ; \"") {}
  CORBA::Any* execute(Tango::DeviceImpl* d, const CORBA::Any& in) override {
    Tango::ConstDevString line;
    extract(in, line);
    return insert(CORBA::string_dup(Lift(d).Exec(line).c_str()));
  }
};

}  // namespace

KelvorinLiftClass::KelvorinLiftClass(std::string& className) : Tango::DeviceClass(className) {}

KelvorinLiftClass* KelvorinLiftClass::Init(const char* className) {
  static std::unique_ptr<KelvorinLiftClass> single;  // TANGO asks for one per class
  if (!single) {
    std::string given(className);
    single.reset(new KelvorinLiftClass(given));
  }
  return single.get();
}

void KelvorinLiftClass::command_factory() {
  command_list.push_back(new VoidCmd("Stop", &KelvorinLift::Stop));
  command_list.push_back(new HomeCmd());
  command_list.push_back(new ExecCmd());
  command_list.push_back(new VoidCmd("Reconnect", &KelvorinLift::Reconnect));
}

void KelvorinLiftClass::attribute_factory(std::vector<Tango::Attr*>& attrs) {
  attrs.push_back(new PositionAttr());
  attrs.push_back(new LinkAttr());
}

void KelvorinLiftClass::device_factory(const Tango::DevVarStringArray* names) {
  for (CORBA::ULong i = 0; i < names->length(); ++i) {
    const std::string device((*names)[i].in());
    device_list.push_back(new KelvorinLift(this, device));
    if (Tango::Util::_UseDb && !Tango::Util::_FileDb) export_device(device_list.back());
    else export_device(device_list.back(), device.c_str());
  }
}

}  // namespace kelvorintango
