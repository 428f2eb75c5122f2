#pragma once
// A one-line text display (the main window's status line lblMsg).
#include <string>

class StatusLine {
 public:
  virtual ~StatusLine() = default;
  virtual std::string Text() const = 0;
  virtual void SetText(const std::string& text) = 0;
};
