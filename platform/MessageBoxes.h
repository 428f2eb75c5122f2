#pragma once
// Message boxes with an OK button. The operator's own actions get modal boxes; a box
// raised for a client never waits for a click, and a headless program prints the text
// instead, so a client request never blocks on a dialog.
#include <string>

enum class MsgIcon { None, Critical, Exclamation, Information };

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual void Show(const std::string& text, const std::string& title, MsgIcon icon) = 0;
  // A question with OK and Cancel buttons, for the operator's own actions; true for OK.
  // Escape is Cancel. Where nobody can answer (no display), the answer is Cancel.
  virtual bool Ask(const std::string& text, const std::string& title) = 0;
};

// The title every message box of this program carries.
inline constexpr const char* kAppTitle = "Kelvorin";
