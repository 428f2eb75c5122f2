#pragma once
// The interpreter window: the program as a column of numbered rows, the message line,
// the run time, and the buttons and menus that read, write, edit, print and run it.
// Everything it does to the program goes through INTERP and ProgEdit.
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "platform/InterpWindow.h"
#include "ui/WindowLife.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QToolButton;
class INTERP;
class ProgEdit;
class MessageBoxes;

class frmInterp : public QWidget, public InterpWindow {
  Q_OBJECT
 public:
  frmInterp(INTERP& interp, ProgEdit& edit, MessageBoxes& messages, QWidget* parent = nullptr);
  ~frmInterp() override;

  // Top and left in twips, applied when the window is shown; a negative value leaves
  // the position to the window system.
  void SetShowPar(int16_t ftop, int16_t fleft);
  // Closed or unloaded with the main window: hidden at once and detached from the
  // interpreter (a run stops), deleted when no handler of it runs any more.
  void Release();
  bool Released() const { return life_.Unloaded(); }
  // Makes the window, its frame included, at most `height` pixels high (fewer rows, never
  // fewer than kMinRows), so that it fits the screen it opens on.
  void FitHeight(int height);
  static constexpr int kMinRows = 5;

  // The file dialog used by Read and Write; the program's frmFiles unless replaced.
  std::function<void(const FileRequest&, std::string&, std::string&)> chooseFile;

  // An image of the window on the default printer; with no printer, in a PDF file the
  // operator names. A failure is a message box.
  void Print();
  bool PrintToPdf(const QString& path);

  // InterpWindow
  void SetRow(int16_t row, const std::string& number, const std::string& text) override;
  void SetRowHighlight(int16_t row, bool highlighted) override;
  void SetMessage(const std::string& text) override;
  void SetTimeText(const std::string& text) override;
  void SetRunIndicator(bool on) override;
  void SetControlsEnabled(bool enabled) override;
  void SetCaption(const std::string& text) override;
  void SetScrollPosition(int16_t top, int16_t lines, int16_t rows) override;
  void ChooseFile(const FileRequest& request, std::string& dir, std::string& file) override;
  bool AskOkCancel(const std::string& text, const std::string& title) override;

  int16_t VisibleRows() const { return static_cast<int16_t>(rows_.size()); }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Row {
    QPushButton* number;
    QLineEdit* text;
  };
  // As many rows as the page's height holds; the rows, the scroll bar and the controls
  // below them follow the page's size.
  void PlaceControls();
  void SetRowCount(int count);
  void AddRow();
  void BuildControls();
  void BuildScrollBar();
  void BuildButtons();
  void BuildMenus(QMenuBar* bar);
  QAction* AddItem(QMenu* menu, const char* name, const char* caption, void (frmInterp::*slot)());
  QToolButton* AddButton(const char* name, const char* caption, int icon,
                         void (frmInterp::*slot)());
  int RowOf(QObject* widget) const;
  bool HandleKey(int key);
  void StoreTypedRow(void (frmInterp::*action)());
  void StoreTypedRow();
  bool PrintOn(class QPrinter& printer);

  void Read();
  void Write();
  void Insert();
  void Delete();
  void Format();
  void StartOver();
  void Run();
  void Step();
  void Stop();
  void PageUp();
  void PageDown();
  void LineUp();
  void LineDown();
  void GoToLine();

  INTERP& interp_;
  ProgEdit& edit_;
  MessageBoxes& messages_;
  QWidget* page_;
  std::vector<Row> rows_;
  QScrollBar* scroll_ = nullptr;
  bool scrollShown_ = false;  // the scroll bar is being set from the rows, not by the operator
  std::vector<QToolButton*> buttons_;  // in their order from the left
  QLabel* lblNameCmd_;
  QLabel* lblMess_;
  QLabel* lblTime_;
  QRadioButton* optRun_;
  std::vector<QWidget*> runButtons_;  // the buttons a run disables
  std::vector<QAction*> runActions_;  // the menus and items a run disables
  int16_t showTop_ = -1, showLeft_ = -1;
  bool placed_ = false;
  WindowLife life_{*this};
};
