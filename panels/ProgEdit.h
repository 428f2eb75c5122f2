#pragma once
// What the interpreter window's buttons and menus do to the program: read and write
// program files, insert, delete and edit lines, format, start over, and select rows.
#include <cstdint>
#include <string>

#include "parfiles/TRAPAR.h"

class INTERP;
class MessageBoxes;
struct ProgramState;

class ProgEdit {
 public:
  ProgEdit(INTERP& interp, TRAPAR& par, MessageBoxes& messages, const ProgramState& state);

  // Read asks before it replaces a program edited since it was last read or written.
  // Both stop quietly when the window goes while their dialog or a question is open.
  void Read();
  void Write();
  void Insert();  // an empty line at the highlighted row
  void Delete();  // the highlighted row's line; never the only line
  void Format();
  void StartOver();
  // A click on a row: the run goes on at the line after it (line 0 for a blank row).
  void ClickRow(int16_t row);
  // A row's text box lost the focus: its text becomes the program line it shows, except
  // for the last line and while editing is off; a refused edit is undone on the row.
  void StoreEdit(int16_t row, const std::string& text);
  // Page and arrow keys: only while editing is on.
  void ScrollKey(int16_t delta);
  // "Go to Line": the line is shown (at the top where the program allows) and selected
  // as a click on its row would; false for a number outside the program.
  bool GoToLine(int line);
  // The operator closes the window: during a run only after saying OK to stopping it.
  bool MayClose();

 private:
  void Install(LineList lines, const char* done);
  void ShowCaption();
  bool ChooseProgramFile(const std::string& title, std::string& path);
  bool Confirm(const std::string& text, const std::string& title);
  bool MayReplace(const std::string& path);

  INTERP& interp_;
  TRAPAR& par_;
  MessageBoxes& messages_;
  const ProgramState& state_;
};
