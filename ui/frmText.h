#pragma once
// The text window: a plain-text document window with the fixed-pitch font, Save,
// Save As..., Copy and Find (Ctrl+F). It stands wherever the program hands a file or a
// text to the operator to read or edit. Not modal; it deletes itself when closed.
//
//   frmText::ShowFile("/path/ST_COMMANDS.TXT", messages);   // caption: the path
//   frmText::ShowText(log, "Error Log", messages);          // unsaved, caption given
//
// Both return the shown window (ShowFile: nullptr, after a message, when the path
// cannot be read). A parent that is a modal dialog keeps the window usable
// while that dialog runs (see frmFiles). A file that does not exist opens as an empty
// document under its path; saving creates it. Saving replaces the file atomically and
// says so in a message box when it fails.
#include <QMainWindow>
#include <string>

class QPlainTextEdit;
class MessageBoxes;

class frmText : public QMainWindow {
  Q_OBJECT
 public:
  explicit frmText(MessageBoxes& messages, QWidget* parent = nullptr);

  static frmText* ShowFile(const std::string& path, MessageBoxes& messages,
                           QWidget* parent = nullptr);
  static frmText* ShowText(const std::string& text, const std::string& caption,
                           MessageBoxes& messages, QWidget* parent = nullptr);

  // Opens the file (caption: the path). False, with a message, when it cannot be read;
  // a missing file is an empty document under that path, not a failure.
  bool OpenFile(const std::string& path);
  // An unsaved text (CR LF or LF end lines) under the given caption.
  void OpenText(const std::string& text, const std::string& caption);

  // Writes the document to the path (lines end in CR LF when the document came with
  // them, else LF) and makes it the document's file. False, with a message, on failure.
  bool SaveTo(const std::string& path);
  bool Save();    // to the document's file; asks for one when it has none
  bool SaveAs();  // asks for a path

  std::string FilePath() const { return path_; }
  std::string Text() const;  // the document as it would be saved
  QPlainTextEdit* Editor() const { return txtText_; }

 protected:
  // Asks before unsaved edits are lost.
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  void Find();
  void FindNext();

  MessageBoxes& messages_;
  QPlainTextEdit* txtText_;
  std::string path_;
  bool crlf_ = false;
  bool utf8_ = false;
  QString lastFind_;
};
