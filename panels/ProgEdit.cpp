#include "panels/ProgEdit.h"

#include "common/FileListText.h"

#include <algorithm>
#include <filesystem>

#include "interp/INTERP.h"
#include "interp/ProgFormat.h"
#include "parfiles/TRAPAR.h"
#include "platform/InterpWindow.h"
#include "platform/MessageBoxes.h"
#include "domain/ProgramState.h"

namespace {
constexpr const char* kNotWritten = "Program not written";
constexpr const char* kMistakes = "Program has mistakes";
}  // namespace

ProgEdit::ProgEdit(INTERP& interp, TRAPAR& par, MessageBoxes& messages, const ProgramState& state)
    : interp_(interp), par_(par), messages_(messages), state_(state) {}

void ProgEdit::ShowCaption() {
  if (auto* window = interp_.Window()) window->SetCaption("Program " + interp_.ProgPath());
}

// The file dialog on the program folder; false when no name was chosen or the window
// went away while the dialog was open.
bool ProgEdit::ChooseProgramFile(const std::string& title, std::string& path) {
  auto* window = interp_.Window();
  if (!window) return false;
  std::string dir, file;
  window->ChooseFile({state_.AppDir, "*.PRG", "*.PRG *.*", title}, dir, file);
  if (!interp_.Window() || dir.empty() || file.empty()) return false;
  path = filelist::JoinPath(dir, file);
  return true;
}

// An OK/Cancel question in the interpreter window; false for Cancel, and when the window
// is gone before or after it.
bool ProgEdit::Confirm(const std::string& text, const std::string& title) {
  auto* window = interp_.Window();
  return window && window->AskOkCancel(text, title) && interp_.Window();
}

// A program edited since it was last read or written is replaced only on the operator's
// word.
bool ProgEdit::MayReplace(const std::string& path) {
  if (!interp_.Edited()) return true;
  return Confirm("The program was changed and not written.\r\nReplace it with " + path + "?",
                 "Read Program");
}

void ProgEdit::Read() {
  std::string path;
  LineList lines;
  // Line indexes are 16-bit: a longer file is refused rather than cut. A window closed
  // during the dialog or a message box ends the read quietly.
  const bool read = ChooseProgramFile("Select a Program (*.PRG) to Load", path) &&
                    par_.LinesReadFile(path, lines) != -1 && lines.size() <= INTERP::kMaxLines;
  if (!interp_.Window()) return;
  if (!read || !MayReplace(path)) {
    interp_.ShowInterpMsg("Program not read");
    return;
  }
  interp_.SetProgPath(path);
  Install(std::move(lines), "Program read");
  interp_.SetEdited(false);
  ShowCaption();
}

void ProgEdit::Write() {
  LineList out;
  std::string path, error;
  if (prog::ProgToFile(interp_.ProgLines(), out, error) == -1) {
    messages_.Show(error, kAppTitle, MsgIcon::None);
    if (!interp_.Window()) return;  // closed while the box was up
    interp_.ShowInterpMsg(kNotWritten);
    return;
  }
  if (!ChooseProgramFile("Give a Name to the Program (*.PRG)", path)) {
    interp_.ShowInterpMsg(kNotWritten);
    return;
  }
  interp_.SetProgPath(path);
  std::error_code ec;
  if (std::filesystem::exists(path, ec) &&
      !Confirm("File " + path + " exists.\r\nOverwrite?", "File overwrite")) {
    interp_.ShowInterpMsg(kNotWritten);
    return;
  }
  if (par_.LinesWriteFile(out, path) != 1) {
    interp_.ShowInterpMsg(kNotWritten);
    return;
  }
  interp_.SetEdited(false);
  interp_.ShowInterpMsg("Program written");
  ShowCaption();
}

// Formats the lines, makes them the program shown from its first line, and says so.
void ProgEdit::Install(LineList lines, const char* done) {
  const int16_t balanced = prog::FormatProgram(lines);
  interp_.SetProgram(std::move(lines));
  interp_.ShowFrom(0);
  interp_.SetEditEnabled(1);
  interp_.ShowInterpMsg(balanced == -1 ? kMistakes : done);
}

void ProgEdit::Insert() {
  const int16_t line = interp_.RowLine(interp_.SelectedRow());
  if (line < 0 || !interp_.InsertProgLine(line)) return;
  interp_.ShowFrom(interp_.TopLine());
}

void ProgEdit::Delete() {
  const int16_t line = interp_.RowLine(interp_.SelectedRow());
  if (line < 0 || !interp_.DeleteProgLine(line)) return;
  interp_.ShowFrom(interp_.TopLine());
}

void ProgEdit::Format() { Install(interp_.ProgLines(), "Program formatted"); }

void ProgEdit::StartOver() {
  if (interp_.TopLine() > 0) interp_.ShowFrom(0);
  interp_.SetNextLine(0);
  interp_.FetchNextLine();
}

void ProgEdit::ClickRow(int16_t row) {
  interp_.SetNextLine(static_cast<int16_t>(interp_.SelectRow(row) + 1));
}

void ProgEdit::StoreEdit(int16_t row, const std::string& text) {
  const int16_t line = interp_.RowLine(row);
  if (interp_.EditEnabled() == 1 && line >= 0 && line < interp_.ProgCount() - 1) {
    interp_.SetProgLine(line, text);
    ClickRow(row);
    return;
  }
  if (line >= 0) {
    interp_.ShowProgLines(line, row, 1);
  } else if (auto* window = interp_.Window()) {
    window->SetRow(row, "", "");
  }
}

void ProgEdit::ScrollKey(int16_t delta) {
  if (interp_.EditEnabled() == 1) interp_.ScrollProgram(delta);
}

bool ProgEdit::GoToLine(int line) {
  if (line < 0 || line >= interp_.ProgCount()) return false;
  const int top = std::max(0, std::min(line, interp_.ProgCount() - interp_.VisibleRows()));
  if (top != interp_.TopLine()) interp_.ShowFrom(static_cast<int16_t>(top));
  ClickRow(static_cast<int16_t>(line - top));
  return true;
}

bool ProgEdit::MayClose() {
  if (interp_.RunMode() == 0) return true;
  return Confirm("A program is running. Closing the window stops it.\r\nClose the window?",
                 "Program Interpreter");
}
