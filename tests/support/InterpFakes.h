#pragma once
// A plain interpreter window: rows, highlight, labels and scripted dialog answers.
#include <functional>
#include <string>
#include <vector>

#include "platform/InterpWindow.h"

class FakeInterpWindow : public InterpWindow {
 public:
  explicit FakeInterpWindow(int rowCount = 29) : numbers(rowCount), texts(rowCount) {}

  void SetRow(int16_t row, const std::string& number, const std::string& text) override {
    numbers.at(row) = number;
    texts.at(row) = text;
  }
  void SetRowHighlight(int16_t row, bool on) override {
    if (on) highlighted = row;
    else if (highlighted == row) highlighted = -1;
  }
  void SetMessage(const std::string& text) override { messages.push_back(text); }
  void SetTimeText(const std::string& text) override { times.push_back(text); }
  void SetRunIndicator(bool on) override { runIndicator = on; }
  void SetControlsEnabled(bool on) override { controlsEnabled = on; }
  void SetCaption(const std::string& text) override { caption = text; }
  void ChooseFile(const FileRequest& request, std::string& dir, std::string& file) override {
    requests.push_back(request);
    dir = chosenDir;
    file = chosenFile;
    if (whileOpen) whileOpen();
  }
  bool AskOkCancel(const std::string& text, const std::string& title) override {
    asked.push_back(title + "|" + text);
    if (whileOpen) whileOpen();
    return answerOk;
  }

  std::string Message() const { return messages.empty() ? "" : messages.back(); }

  std::vector<std::string> numbers, texts, messages, times, asked;
  std::vector<FileRequest> requests;
  int highlighted = -1;
  bool runIndicator = false, controlsEnabled = true, answerOk = true;
  std::string caption, chosenDir, chosenFile;
  // Runs inside the file dialog and the question, as a nested event loop would.
  std::function<void()> whileOpen;
};
