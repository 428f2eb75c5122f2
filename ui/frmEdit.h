#pragma once
// The text dialog: edits a multi-line text modally.
//
//   frmEdit dlg(parent);
//   dlg.SetText(LinesJoin(list));        // or dlg.txtText()->setPlainText(...)
//   dlg.exec();                          // modal; closes with Done, Cancel or the close box
//   if (dlg.GetAccept() == 1) use(dlg.GetTextRes());
//
// The dialog object keeps its results after its window has closed. Accepted is 1 only
// after "Done"; Cancel and the close box leave 0 and an empty result text. Texts cross
// this interface with CR LF between lines, as the line-list helpers join and split them.
#include <QDialog>
#include <cstdint>
#include <string>

class QPlainTextEdit;
class QPushButton;

class frmEdit : public QDialog {
  Q_OBJECT
 public:
  explicit frmEdit(QWidget* parent = nullptr);

  // The text box itself; the caller may fill it directly before showing the dialog.
  QPlainTextEdit* txtText() const { return txtText_; }
  // Fills the text box; CR LF and LF both end a line.
  void SetText(const std::string& text);

  int16_t GetAccept() const { return accepted_; }
  // The text at the moment "Done" was pressed (lines joined by CR LF); empty otherwise.
  std::string GetTextRes() const { return textRes_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Done();
  void Cancel();

  QPlainTextEdit* txtText_;
  QPushButton* cmdDone_;
  QPushButton* cmdCancel_;
  int16_t accepted_ = 0;
  std::string textRes_;
};
