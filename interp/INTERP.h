#pragma once
// The program interpreter: the program in memory, its run one line per timer tick, the
// flow statements ("Repeat", "Endrepeat", "Stop", "End", "Call"), which are words of the
// whole command language, and the rows of the interpreter window that show the program.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "parfiles/TRAPAR.h"
#include "domain/CommandFamily.h"

class CommandRunner;
class Clock;
class EventPump;
class InterpWindow;

class INTERP : public FlowExecutor {
 public:
  INTERP(CommandRunner& cmds, Clock& clock, EventPump& pump);

  // 0: not a flow statement; 1: carried out; -1: rejected. "Repeat" and "Endrepeat"
  // rewrite program lines, so they are carried out only as the program line that the
  // timer's program step runs; from any other source they are rejected.
  int16_t ExecFlowCmd(const std::string& text) override;
  int16_t CmdStop();
  int16_t CmdEnd();
  int16_t CmdCall(const std::string& rest);

  // The program store: always at least one line.
  void ResetProgram();  // the single line "End"
  const LineList& ProgLines() const { return progLines_; }
  void SetProgram(LineList lines);
  void SetProgLine(int16_t index, const std::string& text);
  // An empty line at index, the rest moving down; false at the size limit.
  bool InsertProgLine(int16_t index);
  // False for the only line.
  bool DeleteProgLine(int16_t index);
  static constexpr int kMaxLines = 32767;  // line indexes are 16-bit
  int16_t ProgCount() const { return static_cast<int16_t>(progLines_.size()); }
  // True after a line was edited, inserted or deleted since the program was last read
  // or written (the run's Repeat counters are no edit).
  bool Edited() const { return edited_; }
  void SetEdited(bool edited) { edited_ = edited; }
  const std::string& ProgPath() const { return progPath_; }
  void SetProgPath(const std::string& path) { progPath_ = path; }

  // The program part of the main window's timer tick. False, at the cost of one
  // comparison, when no program runs; otherwise runs the run's line, fetches the next
  // line, ends the run on an error or "End", and returns true.
  bool TickProgramStep();
  // The same with the tick's own clock reading.
  bool TickProgramStep(uint32_t now);
  // Highlights program line NextLine (scrolling the window when it is below it), makes
  // it the run's line, shows it in the main window's command box and returns it; "End"
  // past the last line.
  std::string FetchNextLine();
  // The run time in tenths of a second on lblTime, only when it changed.
  void ShowRunTime(uint32_t elapsedMs);
  // The interpreter window's message line; nothing when the window is not open.
  void ShowInterpMsg(const std::string& text);

  // Run, Step and Stop of the window. Run and Step start from the line the operator put
  // into the command box, if any, else from the run's line.
  void StartRun();
  void StartStep();
  void InterruptRun();

  // The interpreter window; it opens showing the program in memory. Closing it during
  // a run stops the run.
  void AttachWindow(InterpWindow* window, int16_t visibleRows);
  void DetachWindow();
  // The window grew or shrank to `visibleRows` rows: the rows are redrawn from the same
  // top line where the program allows, and the highlight stays on its row.
  void SetVisibleRows(int16_t visibleRows);
  bool WindowOpen() const { return window_ != nullptr; }
  InterpWindow* Window() const { return window_; }

  // Rows of the window; quiet while it is not open. ShowFrom makes `top` the first line
  // shown and writes every row once (blank past the end of the program).
  void ShowFrom(int16_t top);
  void ShowProgLines(int16_t first, int16_t row, int16_t count);
  // Highlights the row; returns the program index it shows (and makes that line the
  // run's line, shown in the command box), or -1 for a blank row.
  int16_t SelectRow(int16_t row);
  void ScrollProgram(int16_t delta);
  // The index shown on a row's number button; -1 for a blank row.
  int16_t RowLine(int16_t row) const;

  // The text the operator typed into the main window's command box since anything last
  // wrote there; nullopt when the box holds what was written (a fetched line, a
  // client's command). Run and Step take it as their first line. Unset: nothing typed.
  void SetCommandTextSource(std::function<std::optional<std::string>()> source);
  // The line the next program step runs: the line fetched or selected last, or the
  // operator's line taken at Run or Step. Commands shown in the command box never
  // change it.
  const std::string& RunLine() const { return runLine_; }
  // The decimal separator of the run-time label.
  void SetDecimalSeparator(char decimal) { decimal_ = decimal; }

  // The run mode as a number (0 idle, 1 running, 2 single step), for the timer's tick.
  int16_t RunMode() const { return static_cast<int16_t>(runMode_); }
  int16_t NextLine() const { return nextLine_; }
  void SetNextLine(int16_t line) { nextLine_ = line; }
  int16_t TopLine() const { return topLine_; }
  int16_t VisibleRows() const { return visibleRows_; }
  int16_t SelectedRow() const { return selectedRow_; }
  int16_t EditEnabled() const { return editEnabled_; }
  void SetEditEnabled(int16_t enabled) { editEnabled_ = enabled; }
  uint32_t RunStartTime() const { return runStartTime_; }

 private:
  int16_t CmdRepeat(const std::string& rest, int indent);
  int16_t CmdEndrepeat(int indent);
  int16_t RepeatSyntaxError(const std::string& word, const std::string& rest);
  void HighlightRow(int16_t row);
  void TakeRunLine(const std::string& line);
  void TakeTypedLine();
  void EndRun(const std::string& message);
  void RedrawLine(int16_t line);

  CommandRunner& cmds_;
  Clock& clock_;
  EventPump& pump_;
  InterpWindow* window_ = nullptr;
  std::function<std::optional<std::string>()> commandSource_;
  std::string runLine_;
  char decimal_ = '.';

  LineList progLines_{"End"};
  std::string progPath_;
  bool edited_ = false;
  std::vector<int16_t> rowLines_;  // program index shown in each row, -1 blank
  bool interrupted_ = false;       // InterruptRun during the running line
  enum class Mode : int16_t { Idle = 0, Running = 1, Stepping = 2 };
  Mode runMode_ = Mode::Idle;
  int16_t nextLine_ = 0;
  int16_t topLine_ = 0;
  int16_t visibleRows_ = 0;
  int16_t selectedRow_ = 0;
  int16_t editEnabled_ = 0;
  uint32_t runStartTime_ = 0;
  int32_t lastTimeShown_ = -1;
  bool programLine_ = false;  // the program step's line has not run a command yet
};
