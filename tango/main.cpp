// kelvorin-tango: the lift as a TANGO device of class KelvorinLift, a client of
// kelvorin's automation socket.
//   kelvorin-tango INSTANCE [-nodb -port PORT -dlist DEVICE] [TANGO options]
#include <tango.h>

#include <iostream>
#include <string>
#include <vector>

#include "KelvorinLiftClass.h"

// TANGO's administration device asks for the classes this server holds.
void Tango::DServer::class_factory() {
  add_class(kelvorintango::KelvorinLiftClass::Init("KelvorinLift"));
}

namespace {

// "-port N" (newer TANGO releases take it; 9.3 wants the ORB's own option) becomes
// "-ORBendPoint giop:tcp::N".
std::vector<std::string> Arguments(int argc, char* argv[]) {
  std::vector<std::string> args(argv, argv + argc);
  for (std::size_t i = 1; i + 1 < args.size(); ++i)
    if (args[i] == "-port") {
      args[i] = "-ORBendPoint";
      args[i + 1] = "giop:tcp::" + args[i + 1];
    }
  return args;
}

}  // namespace

int main(int argc, char* argv[]) {
  std::vector<std::string> args = Arguments(argc, argv);
  std::vector<char*> pointers;
  for (std::string& arg : args) pointers.push_back(arg.data());
  pointers.push_back(nullptr);
  int count = argc;
  try {
    Tango::Util* tg = Tango::Util::init(count, pointers.data());
    // No TANGO lock around client calls: a long Exec must not hold up Stop, reads or
    // events. KelvorinLift guards its own state (KelvorinLift.h).
    tg->set_serial_model(Tango::NO_SYNC);
    tg->server_init(false);
    std::cout << "Ready to accept request" << std::endl;
    tg->server_run();
    tg->server_cleanup();
  } catch (const std::bad_alloc&) {
    std::cerr << "kelvorin-tango: out of memory" << std::endl;
    return 1;
  } catch (const CORBA::Exception& e) {
    Tango::Except::print_exception(e);
    return 1;
  }
  return 0;
}
