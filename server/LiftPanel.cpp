#include "server/LiftPanel.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/FileListText.h"
#include "common/Numbers.h"
#include "controller/COMM.h"
#include "parfiles/TRAPAR.h"
#include "parfiles/TextFile.h"
#include "platform/EventPump.h"
#include "platform/PanelDialogs.h"
#include "platform/WindowHost.h"
#include "server/CmdZ.h"
#include "server/ProgramState.h"
#include "server/STCommands.h"
#include "server/Startup.h"
#include "zaxis/STFoc.h"

namespace {

struct JogSpec {
  const char* caption;
  int sign;  // up is -Z
  bool coarse;
};

const JogSpec& Spec(Jog jog) {
  static const JogSpec specs[] = {
      {"Up Coarse", -1, true},
      {"Down Coarse", +1, true},
      {"Up Fine", -1, false},
      {"Down Fine", +1, false},
  };
  return specs[static_cast<int>(jog)];
}

}  // namespace

LiftPanel::LiftPanel(ProgramState& state, STCommands& cmds, STFoc& foc, TRAPAR& par,
                     COMM& comm, Startup& startup, EventPump& pump, WindowHost& windows,
                     PanelDialogs& dialogs)
    : state_(state),
      cmds_(cmds),
      foc_(foc),
      par_(par),
      comm_(comm),
      startup_(startup),
      pump_(pump),
      windows_(windows),
      dialogs_(dialogs) {}

void LiftPanel::Show(const std::string& text) { windows_.SetStatusText(text); }

std::string LiftPanel::StepText() const { return num::General(step_); }

bool LiftPanel::StepTextChanged(const std::string& text) {
  double value = 0;
  if (!num::Parse(text, value)) {
    Show("Error in step size");
    return false;
  }
  step_ = value;
  Show("");
  return true;
}

bool LiftPanel::StepTextTyped(const std::string& text) {
  double value = 0;
  const bool valid = num::Parse(text, value);
  Show(valid ? "" : "Error in step size");
  return valid;
}

void LiftPanel::WindowLoaded() {
  if (!stepFilled_) FillStepSize();
  else if (onStepSizeFilled) onStepSizeFilled();
}

void LiftPanel::FillStepSize() {
  step_ = foc_.Params().ZJUMPSIZE;
  stepFilled_ = true;
  if (onStepSizeFilled) onStepSizeFilled();
}

const char* LiftPanel::Caption(Jog jog) { return Spec(jog).caption; }

double LiftPanel::JogDistance(Jog jog) const {
  const JogSpec& spec = Spec(jog);
  const double size = spec.coarse ? step_ * foc_.Params().ZCOARSEFACTOR : step_;
  return spec.sign * size;
}

void LiftPanel::JogPress(Jog jog) {
  cmds_.SetCmdBusy(1);
  JogRelative(JogDistance(jog), Caption(jog));
}

// A step the travel limits refused leaves its "Error Out of range " on the status line
// instead of the position, which has not changed.
void LiftPanel::JogRelease() {
  if (!outOfRange_) WaitAndShowPos();
  cmds_.SetCmdBusy(0);
}

void LiftPanel::MenuStep(Jog jog) {
  JogRelative(JogDistance(jog), Caption(jog));
  if (!outOfRange_) WaitAndShowPos();
}

void LiftPanel::JogRelative(double distance, const std::string& caption) {
  outOfRange_ = false;
  if (state_.ZEnabled == 0) return;
  const int16_t result = foc_.FocMoveRel(distance);
  outOfRange_ = result == STFoc::kOutOfRange;
  Show(result >= 0 ? caption : CmdZ::Status(result));
}

void LiftPanel::ShowPos() {
  if (state_.ZEnabled == 0) return;
  if (foc_.FocGetPos(state_.ZPos) != 1) Show("Error ");
  else Show("Z=" + num::General(state_.ZPos));
}

void LiftPanel::WaitAndShowPos() {
  if (state_.ZEnabled == 0) return;
  foc_.FocWait();
  ShowPos();
}

void LiftPanel::Home() {
  foc_.FocHome();  // sent even while the axis is off
  WaitAndShowPos();
}

void LiftPanel::SetOrigin() {
  if (state_.ZEnabled == 0) return;
  Show(foc_.FocSetOrigin() >= 0 ? "Z Origin" : "Error ");
}

void LiftPanel::Parameters() {
  par_.ParSetFile(kParFile);
  dialogs_.EditParameters();
  pump_.ProcessEvents();
  state_.ZEnabled = foc_.FocInit() > 0 ? 1 : 0;
  Show(state_.ZEnabled ? "Z On" : "Z Off");
  FillStepSize();
}

void LiftPanel::ReadParFile() {
  const FileRequest request{filelist::TrimFolder(state_.AppDir), "ST_PARZ*.TXT", "*.TXT *.*",
                            "Select a parameter file to load"};
  std::string dir, file;
  dialogs_.ChooseFile(request, dir, file);
  const std::string chosen = filelist::JoinPath(dir, file);
  if (dir.empty() || file.empty() || !CopyParFile(chosen)) {
    Show("Parameter file not read");
    return;
  }
  Show("Parameter file " + chosen + " read");
  Parameters();
}

// The copy goes over the parameter file of the program folder, the one "Parameters"
// edits and the axis reads, whatever folder the chosen file is in.
bool LiftPanel::CopyParFile(const std::string& source) {
  namespace fs = std::filesystem;
  const std::string target = state_.AppDir + kParFile;
  std::error_code ec;
  if (!fs::is_regular_file(source, ec)) return false;
  if (fs::equivalent(source, target, ec)) return false;
  std::ifstream in(source, std::ios::binary);
  if (!in) return false;
  std::ostringstream bytes;
  bytes << in.rdbuf();  // an empty file leaves bytes failed, and is copied as empty
  if (in.bad()) return false;
  return textfile::ReplaceAtomically(target, bytes.str());
}

void LiftPanel::Configuration() {
  par_.ParSetFile(kConfigFile);
  dialogs_.EditParameters();
  pump_.ProcessEvents();
  startup_.ApplyConfiguration();
}

void LiftPanel::ErrorLog() {
  const std::string text = comm_.CommGetLog();
  if (text.empty()) return;
  dialogs_.SetClipboard(text);
  dialogs_.ShowText("Error Log", text);
}

void LiftPanel::Commands() { dialogs_.OpenTextFile(state_.AppDir + kCommandsFile); }
