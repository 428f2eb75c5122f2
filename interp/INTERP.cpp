#include "interp/INTERP.h"

#include <algorithm>
#include <limits>

#include "common/CommandText.h"
#include "common/Numbers.h"
#include "interp/ProgFormat.h"
#include "platform/Clock.h"
#include "platform/EventPump.h"
#include "platform/InterpWindow.h"
#include "domain/CommandRunner.h"

namespace {
constexpr const char* kFailed = "Error ";
constexpr const char* kStopped = "PROGRAM STOPPED";
constexpr const char* kFinished = "PROGRAM FINISHED";

int16_t I16(int v) { return static_cast<int16_t>(v); }
}  // namespace

INTERP::INTERP(CommandRunner& cmds, Clock& clock, EventPump& pump)
    : cmds_(cmds), clock_(clock), pump_(pump) {}

// ---- flow statements ----

int16_t INTERP::ExecFlowCmd(const std::string& text) {
  const bool programLine = programLine_;
  programLine_ = false;
  std::string rest = text, word;
  if (GetFirstWord(rest, word) == 0) return 0;
  // A word was found, so the text has a character other than a blank.
  const auto indent = [&text] { return static_cast<int>(text.find_first_not_of(' ')); };
  if (word == "Repeat") return programLine ? CmdRepeat(rest, indent()) : -1;
  if (word == "Endrepeat") return programLine ? CmdEndrepeat(indent()) : -1;
  if (word == "Stop") return CmdStop();
  if (word == "End") return CmdEnd();
  if (word == "Call") return CmdCall(rest);
  return 0;
}

int16_t INTERP::RepeatSyntaxError(const std::string& word, const std::string& rest) {
  ShowInterpMsg(" SYNTAX ERROR:" + word + " ? " + rest);
  return -1;
}

// "Repeat n Times" starts pass 1; "Repeat n Times : Rep.# m" counts pass m + 1. The
// line rewritten is the one fetched last, and it must be this Repeat line.
int16_t INTERP::CmdRepeat(const std::string& rest, int indent) {
  ShowInterpMsg("Executing Repeat." + rest);
  std::string r = rest, w;
  GetFirstWord(r, w);
  const auto count = prog::CountValue(w);
  if (!count) return RepeatSyntaxError(w, r);
  GetFirstWord(r, w);
  if (w != "Times") return RepeatSyntaxError(w, r);
  int16_t pass = 1;
  if (GetFirstWord(r, w) > 0) {
    GetFirstWord(r, w);
    GetFirstWord(r, w);
    const auto done = prog::CountValue(w);
    if (!done || *done == std::numeric_limits<int16_t>::max()) return RepeatSyntaxError(w, r);
    pass = I16(*done + 1);
  }
  const int line = nextLine_ - 1;
  if (line < 0 || line >= ProgCount() || prog::FirstWord(progLines_[line]) != "Repeat")
    return RepeatSyntaxError("Repeat", rest);
  progLines_[line] = prog::RepeatRunningLine(indent, *count, pass);
  RedrawLine(I16(line));
  return 1;
}

// Finds the Repeat line of this block by counting Repeat and Endrepeat lines upwards;
// either completes the block or sends the run back to its Repeat line.
int16_t INTERP::CmdEndrepeat(int indent) {
  ShowInterpMsg("Executing Endrepeat.");
  int depth = 1;
  for (int i = std::min<int>(nextLine_ - 2, ProgCount() - 1); i >= 0; --i) {
    const std::string word = prog::FirstWord(progLines_[i]);
    if (word == "Repeat") --depth;
    if (word == "Endrepeat") ++depth;
    if (depth != 0) continue;
    std::string r = cmdtext::Trim(progLines_[i]), w, countWord;
    GetFirstWord(r, w);
    GetFirstWord(r, countWord);
    for (int k = 0; k < 4; ++k) GetFirstWord(r, w);
    const auto count = prog::CountValue(countWord);
    const auto pass = prog::CountValue(w);
    if (!count || !pass) break;
    if (*pass >= *count) {
      progLines_[i] = prog::RepeatLine(indent, *count);
      RedrawLine(I16(i));
    } else {
      nextLine_ = I16(i);
      if (i < topLine_) ShowFrom(I16(i));
    }
    return 1;
  }
  ShowInterpMsg(" SYNTAX ERROR");
  return -1;
}

int16_t INTERP::CmdStop() {
  runMode_ = Mode::Idle;
  editEnabled_ = 1;
  if (window_) window_->SetRunIndicator(false);
  return 1;
}

int16_t INTERP::CmdEnd() { return 1; }

int16_t INTERP::CmdCall(const std::string&) { return 1; }

// ---- the program store ----

void INTERP::ResetProgram() {
  progLines_ = LineList{"End"};
  edited_ = false;
}

void INTERP::SetProgram(LineList lines) {
  if (lines.empty()) lines.push_back("End");
  progLines_ = std::move(lines);
}

void INTERP::SetProgLine(int16_t index, const std::string& text) {
  if (index < 0 || index >= ProgCount() || progLines_[index] == text) return;
  progLines_[index] = text;
  edited_ = true;
}

bool INTERP::InsertProgLine(int16_t index) {
  if (index < 0 || index >= ProgCount() || ProgCount() >= kMaxLines) return false;
  progLines_.insert(progLines_.begin() + index, std::string());
  edited_ = true;
  return true;
}

bool INTERP::DeleteProgLine(int16_t index) {
  if (index < 0 || index >= ProgCount() || ProgCount() <= 1) return false;
  progLines_.erase(progLines_.begin() + index);
  edited_ = true;
  return true;
}

// ---- the run ----

bool INTERP::TickProgramStep() {
  if (runMode_ == Mode::Idle) return false;
  return TickProgramStep(clock_.TickMs());
}

bool INTERP::TickProgramStep(uint32_t now) {
  if (runMode_ == Mode::Idle) return false;
  if (runMode_ == Mode::Running) ShowRunTime(now - runStartTime_);
  cmds_.ShowMsg("");
  interrupted_ = false;
  pump_.ProcessEvents();
  if (interrupted_) return true;  // stopped just before its line: the line does not run
  const std::string command = runLine_;
  programLine_ = true;
  const std::string reply = cmds_.ExecCmdString(command);
  programLine_ = false;
  cmds_.ShowMsg(reply);
  const bool failed = reply.find(kFailed) != std::string::npos;
  const bool finished = FetchNextLine() == "End";
  // A failure ends the run as stopped, also on the last line or the one before "End";
  // interrupted during its line, the run has ended already and says so.
  if ((failed || finished) && !interrupted_) EndRun(failed ? kStopped : kFinished);
  if (runMode_ == Mode::Stepping) runMode_ = Mode::Idle;
  if (runMode_ == Mode::Idle) editEnabled_ = 1;
  return true;
}

std::string INTERP::FetchNextLine() {
  const int n = ProgCount();
  if (nextLine_ >= n || nextLine_ < 0) return "End";
  std::string line = progLines_[nextLine_];
  if (window_) {
    int top = topLine_;
    if (nextLine_ - top >= visibleRows_) top = std::min(top + visibleRows_, n - visibleRows_);
    // A line the operator scrolled out of sight comes back into view.
    if (nextLine_ < top || nextLine_ - top >= visibleRows_)
      top = std::max(0, std::min<int>(nextLine_, n - visibleRows_));
    if (top != topLine_) ShowFrom(I16(top));
  }
  HighlightRow(I16(nextLine_ - topLine_));
  TakeRunLine(line);
  ++nextLine_;
  return line;
}

void INTERP::ShowRunTime(uint32_t elapsedMs) {
  const auto tenths = num::RoundToInt32(elapsedMs / 100.0);
  if (!tenths || *tenths == lastTimeShown_ || !window_) return;
  window_->SetTimeText(num::General(*tenths / 10.0, decimal_));
  lastTimeShown_ = *tenths;
}

void INTERP::ShowInterpMsg(const std::string& text) {
  if (window_) window_->SetMessage(text);
}

void INTERP::EndRun(const std::string& message) {
  runMode_ = Mode::Idle;
  if (window_) {
    window_->SetRunIndicator(false);
    window_->SetControlsEnabled(true);
  }
  ShowInterpMsg(message);
}

void INTERP::StartRun() {
  TakeTypedLine();
  if (window_) window_->SetControlsEnabled(false);
  runMode_ = Mode::Running;
  editEnabled_ = 0;
  if (window_) window_->SetRunIndicator(true);
  runStartTime_ = clock_.TickMs();
  ShowInterpMsg("PROGRAM (RE)STARTED");
}

void INTERP::StartStep() {
  TakeTypedLine();
  runMode_ = Mode::Stepping;
  editEnabled_ = 0;
  if (window_) window_->SetRunIndicator(false);
}

void INTERP::InterruptRun() {
  interrupted_ = true;
  CmdStop();
  if (window_) window_->SetControlsEnabled(true);
  ShowInterpMsg("PROGRAM INTERRUPTED");
}

// ---- the window's rows ----

// The window opens on the program in memory, where it was last shown.
void INTERP::AttachWindow(InterpWindow* window, int16_t visibleRows) {
  window_ = window;
  SetVisibleRows(visibleRows);
}

void INTERP::SetVisibleRows(int16_t visibleRows) {
  visibleRows_ = std::max<int16_t>(visibleRows, 0);
  rowLines_.assign(static_cast<size_t>(visibleRows_), -1);
  ShowFrom(I16(std::max(0, std::min<int>(topLine_, ProgCount() - visibleRows_))));
  if (RowLine(selectedRow_) >= 0) HighlightRow(selectedRow_);
}

void INTERP::DetachWindow() {
  if (runMode_ != Mode::Idle) CmdStop();
  window_ = nullptr;
  std::fill(rowLines_.begin(), rowLines_.end(), -1);
}

void INTERP::ShowFrom(int16_t top) {
  topLine_ = top;
  for (int r = 0; r < visibleRows_; ++r) {
    const int line = top + r;
    const bool shown = line >= 0 && line < ProgCount();
    rowLines_[r] = shown ? I16(line) : int16_t{-1};
    if (window_)
      window_->SetRow(I16(r), shown ? std::to_string(line) : "", shown ? progLines_[line] : "");
  }
  if (window_) window_->SetScrollPosition(topLine_, ProgCount(), visibleRows_);
}

void INTERP::ShowProgLines(int16_t first, int16_t row, int16_t count) {
  for (int r = 0; r < count; ++r) {
    const int rr = row + r, line = first + r;
    if (rr >= visibleRows_ || line >= ProgCount()) break;
    if (rr < 0 || line < 0) continue;
    rowLines_[rr] = I16(line);
    if (window_) window_->SetRow(I16(rr), std::to_string(line), progLines_[line]);
  }
}

void INTERP::RedrawLine(int16_t line) {
  const int row = line - topLine_;
  if (row >= 0 && row < visibleRows_) ShowProgLines(line, I16(row), 1);
}

int16_t INTERP::RowLine(int16_t row) const {
  return row >= 0 && row < visibleRows_ ? rowLines_[row] : -1;
}

void INTERP::HighlightRow(int16_t row) {
  if (window_ && selectedRow_ >= 0 && selectedRow_ < visibleRows_)
    window_->SetRowHighlight(selectedRow_, false);
  if (window_ && row >= 0 && row < visibleRows_) window_->SetRowHighlight(row, true);
  selectedRow_ = row;
}

int16_t INTERP::SelectRow(int16_t row) {
  HighlightRow(row);
  const int16_t line = RowLine(row);
  if (line < 0 || line >= ProgCount()) return -1;
  TakeRunLine(progLines_[line]);
  return line;
}

void INTERP::ScrollProgram(int16_t delta) {
  int t = topLine_ + delta;
  if (t >= ProgCount() - visibleRows_) t = ProgCount() - visibleRows_;
  if (t < 0) t = 0;
  if (t != topLine_) ShowFrom(I16(t));
}

// ---- the main window's command box ----

void INTERP::SetCommandTextSource(std::function<std::optional<std::string>()> source) {
  commandSource_ = std::move(source);
}

void INTERP::TakeRunLine(const std::string& line) {
  runLine_ = line;
  cmds_.ShowCmdText(line);
}

void INTERP::TakeTypedLine() {
  if (!commandSource_) return;
  if (auto typed = commandSource_()) runLine_ = std::move(*typed);
}
