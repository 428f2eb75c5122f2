#pragma once
// Modal message boxes with an OK button. A headless program prints the text instead
// and takes the default button, so it never blocks on a dialog.
#include <string>

enum class MsgIcon { None, Critical, Exclamation, Information };

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual void Show(const std::string& text, const std::string& title, MsgIcon icon) = 0;
};

// The title every message box of this program carries.
inline constexpr const char* kAppTitle = "Kelvorin";
