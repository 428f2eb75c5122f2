#pragma once
// The dialogs the operator's main window opens: the parameter list editor, the file
// chooser, the text window and the clipboard. Windows implement it; tests use fakes.
#include <string>

#include "platform/FileRequest.h"

class PanelDialogs {
 public:
  virtual ~PanelDialogs() = default;
  // The parameter list editor on the settings store's current file; returns when the
  // operator has closed it (the editor writes the file).
  virtual void EditParameters() = 0;
  // The file chooser, modal. Empty folder or file: nothing was chosen.
  virtual void ChooseFile(const FileRequest& request, std::string& dir, std::string& file) = 0;
  virtual void SetClipboard(const std::string& text) = 0;
  // The text window with an unsaved document under the given caption, not modal.
  virtual void ShowText(const std::string& title, const std::string& text) = 0;
  // The text window on a file, not modal.
  virtual void OpenTextFile(const std::string& path) = 0;
};
