#pragma once
// What the automation endpoint needs of the program: KelvorinCmd objects coming and
// going, their Exec, and the DDE-style executes of the "Command" topic.
#include <string>

// Where a request came from. The TCP port is open to every local user, so requests that
// came through it may touch files only inside the settings folder.
enum class ClientLink { Local, Tcp };

class AutomationHost {
 public:
  virtual ~AutomationHost() = default;
  virtual void ClientCreated() = 0;   // a connection opened: one KelvorinCmd object
  virtual void ClientReleased() = 0;  // that connection closed (after its last Exec)
  // KelvorinCmd.Exec: the joined reply of the command line.
  virtual std::string Exec(const std::string& cmd, ClientLink link) = 0;
  // After every Exec, once its reply is written (or has nowhere to go): what the request
  // left for later (showing it in the main window) happens now.
  virtual void Replied() {}
  // A DDE-style execute on the "Command" topic (fills the main window's command box,
  // status line and time label; nothing is returned).
  virtual void DdeExecute(const std::string& text) = 0;
  // True while the program lets nothing but the operator's Stop run (a homing, a
  // "Delay"): a request that is due then waits until it has ended.
  virtual bool RequestsHeld() const { return false; }
};
