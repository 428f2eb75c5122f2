#pragma once
// The TANGO class KelvorinLift: its attributes, commands and devices.
#include <tango.h>

namespace kelvorintango {

class KelvorinLiftClass : public Tango::DeviceClass {
 public:
  static KelvorinLiftClass* Init(const char* name);

 protected:
  explicit KelvorinLiftClass(std::string& className);
  void command_factory() override;
  void attribute_factory(std::vector<Tango::Attr*>& attrs) override;
  void device_factory(const Tango::DevVarStringArray* names) override;
};

}  // namespace kelvorintango
