#pragma once
// The main window's dialogs on Qt: the parameter list editor, the file chooser, the text
// window and the system clipboard, each parented to the main window.
#include <functional>

#include "platform/PanelDialogs.h"

class QWidget;
class TRAPAR;
class MessageBoxes;

class QtPanelDialogs : public PanelDialogs {
 public:
  QtPanelDialogs(TRAPAR& par, MessageBoxes& messages, std::function<QWidget*()> parent);

  void EditParameters() override;
  void ChooseFile(const FileRequest& request, std::string& dir, std::string& file) override;
  void SetClipboard(const std::string& text) override;
  void ShowText(const std::string& title, const std::string& text) override;
  void OpenTextFile(const std::string& path) override;

 private:
  TRAPAR& par_;
  MessageBoxes& messages_;
  std::function<QWidget*()> parent_;
};
