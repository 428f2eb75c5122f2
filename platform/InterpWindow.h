#pragma once
// The interpreter window as the program interpreter sees it: a column of numbered rows,
// the message line, the run-time label, the run indicator, the controls that a run
// disables, and the two prompts that reading and writing a program need. The window
// attaches itself to the interpreter while it is open; tests attach a plain fake.
#include <cstdint>
#include <string>

#include "platform/FileRequest.h"

class InterpWindow {
 public:
  virtual ~InterpWindow() = default;

  // Row `row` (0 = top) shows `number` on its button and `text` in its text box.
  virtual void SetRow(int16_t row, const std::string& number, const std::string& text) = 0;
  // Highlight colours on, or the normal grey.
  virtual void SetRowHighlight(int16_t row, bool highlighted) = 0;
  virtual void SetMessage(const std::string& text) = 0;   // lblMess
  virtual void SetTimeText(const std::string& text) = 0;  // lblTime
  virtual void SetRunIndicator(bool on) = 0;              // optRun
  // The buttons and menus a run disables (Stop, the Execute menu and the rows stay).
  virtual void SetControlsEnabled(bool enabled) = 0;
  virtual void SetCaption(const std::string& text) = 0;
  // The rows now show lines from `top` on, of a program of `lines` lines, `rows` at a
  // time (for a scroll bar).
  virtual void SetScrollPosition(int16_t top, int16_t lines, int16_t rows) {
    (void)top, (void)lines, (void)rows;
  }

  // The program's file dialog, modal; dir and file stay empty when nothing was chosen.
  virtual void ChooseFile(const FileRequest& request, std::string& dir, std::string& file) = 0;
  // An OK/Cancel question; true for OK.
  virtual bool AskOkCancel(const std::string& text, const std::string& title) = 0;
};
