#include "panels/LiftPanel.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/FileListText.h"
#include "common/Numbers.h"
#include "controller/COMM.h"
#include "parfiles/TRAPAR.h"
#include "parfiles/TextFile.h"
#include "panels/PosPoll.h"
#include "platform/EventPump.h"
#include "platform/PanelDialogs.h"
#include "platform/WindowHost.h"
#include "server/CmdZ.h"
#include "domain/ProgramState.h"
#include "server/STCommands.h"
#include "server/MessageTrail.h"
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

LiftPanel::LiftPanel(ProgramState& state, STCommands& cmds, STFoc& foc, TRAPAR& par, COMM& comm,
                     Startup& startup, EventPump& pump, WindowHost& windows, PanelDialogs& dialogs)
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

bool LiftPanel::ParseStep(const std::string& text, double& value) {
  if (!num::Parse(text, value)) {
    Show("Error in step size");
    return false;
  }
  const double largest = LargestStep();
  if (largest > 0 && std::fabs(value) > largest) {
    Show(std::string(kStepTooLarge) + ": at most " + num::General(largest) + " (coarse step x" +
         std::to_string(CoarseFactor()) + " within the travel of " + num::General(Travel()) + ")");
    return false;
  }
  Show("");
  return true;
}

bool LiftPanel::StepTextChanged(const std::string& text) {
  double value = 0;
  if (!ParseStep(text, value)) return false;
  step_ = value;
  return true;
}

bool LiftPanel::StepTextTyped(const std::string& text) {
  double value = 0;
  return ParseStep(text, value);
}

double LiftPanel::Travel() const {
  const ZParams& p = foc_.Params();
  if (foc_.FocLimitsOn()) return p.ZMAX - p.ZMIN;
  return std::fabs(state_.config.MOVETIMEOUT * static_cast<double>(p.ZSLEWVELOCITY) *
                   foc_.FocUnitPerStep());
}

int LiftPanel::CoarseFactor() const {
  return std::max(1, std::abs(int{foc_.Params().ZCOARSEFACTOR}));
}

double LiftPanel::LargestStep() const { return Travel() / CoarseFactor(); }

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
  jogHeld_ = true;
  JogRelative(JogDistance(jog), Caption(jog));
}

// A step that was not sent (refused by the travel limits: "Error Out of range ", or
// while Z moves or is off) leaves its message on the status line instead of the
// position, which this step has not changed.
void LiftPanel::JogRelease() {
  jogHeld_ = false;
  if (!stepRefused_) WaitAndShowPos();
  cmds_.SetCmdBusy(0);
}

void LiftPanel::MenuStep(Jog jog) {
  JogRelative(JogDistance(jog), Caption(jog));
  if (!stepRefused_) WaitAndShowPos();
}

void LiftPanel::JogRelative(double distance, const std::string& caption) {
  stepRefused_ = true;
  if (!AxisOn() || !ReadyForStep()) return;
  const int16_t result = foc_.FocMoveRel(distance);
  stepRefused_ = result == STFoc::kOutOfRange;
  Show(result >= 0 ? caption : CmdZ::Status(result));
}

// A controller that cannot say whether it moves gets the step: its reply reports.
bool LiftPanel::ReadyForStep() {
  if (foc_.FocIsMoving() != 1) return true;
  if (foc_.FocRunSpeed() == 0 && foc_.FocWait() == 1) return true;
  Show(kStepNotSent);
  return false;
}

bool LiftPanel::AxisOn() {
  if (state_.ZEnabled != 0) return true;
  Show(state_.ZOffReason.empty() ? "Z axis off" : state_.ZOffReason);
  return false;
}

void LiftPanel::ShowPos() {
  if (!AxisOn()) return;
  if (foc_.FocGetPos(state_.ZPos) != 1) Show("Error ");
  else Show("Z=" + PosPoll::Shown(state_.ZPos, foc_));
}

void LiftPanel::WaitAndShowPos() {
  if (!AxisOn()) return;
  foc_.FocWait();
  ShowPos();
}

void LiftPanel::Home() {
  foc_.FocHome();  // sent even while the axis is off
  WaitAndShowPos();
}

void LiftPanel::SetOrigin() {
  if (!AxisOn()) return;
  if (!startup_.Messages().Ask("Make the position the lift stands at the origin (Z=0)?",
                               "Set Origin")) {
    Show("Origin not set");
    return;
  }
  if (!AxisOn()) return;  // the axis went off while the question was up
  Show(foc_.FocSetOrigin() >= 0 ? "Z Origin" : "Error ");
}

bool LiftPanel::MayClose(int16_t runMode) {
  return runMode == 0 ||
         startup_.Messages().Ask(
             "A program is running. Closing the main window stops it.\r\nClose the window?",
             kAppTitle);
}

void LiftPanel::Parameters() {
  par_.ParSetFile(kParFile);
  dialogs_.EditParameters();
  pump_.ProcessEvents();
  startup_.ZAxisInit();
  Show(state_.ZEnabled ? "Z On" : "Z Off");
  FillStepSize();
}

void LiftPanel::ReadParFile() {
  const FileRequest request{filelist::TrimFolder(state_.AppDir), "ST_PARZ*.TXT", "*.TXT *.*",
                            "Select a parameter file to load"};
  std::string dir, file;
  dialogs_.ChooseFile(request, dir, file);
  const std::string chosen = filelist::JoinPath(dir, file);
  const std::string target = state_.AppDir + kParFile;
  if (dir.empty() || file.empty() || !CanCopyParFile(chosen, target) ||
      !startup_.Messages().Ask(
          "Replace the Z parameters in " + target + " with those of " + chosen + "?", kAppTitle) ||
      !CopyParFile(chosen, target)) {
    Show("Parameter file not read");
    return;
  }
  Show("Parameter file " + chosen + " read");
  Parameters();
}

bool LiftPanel::CanCopyParFile(const std::string& source, const std::string& target) {
  namespace fs = std::filesystem;
  std::error_code ec;
  return fs::is_regular_file(source, ec) && !fs::equivalent(source, target, ec);
}

// The copy goes over the parameter file of the program folder, the one "Parameters"
// edits and the axis reads, whatever folder the chosen file is in.
bool LiftPanel::CopyParFile(const std::string& source, const std::string& target) {
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

// The window always opens, each line with its time; the clipboard gets the lines too.
void LiftPanel::ErrorLog() {
  const std::string text = comm_.CommGetTimedLog();
  if (text.empty()) {
    dialogs_.ShowText("Error Log", kEmptyLog);
    return;
  }
  dialogs_.SetClipboard(text);
  dialogs_.ShowText("Error Log", text);
}

void LiftPanel::Commands() { dialogs_.OpenTextFile(state_.AppDir + kCommandsFile); }
