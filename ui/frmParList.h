#pragma once
// The parameter list editor: shows the settings file currently selected in the store as
// a grid of names, values and the lines' remarks (read-only), lets the operator change
// values in place (click a value, type, Enter; Escape drops the edit), and writes the
// changed values back when the window closes with its close box (Escape never closes
// it); "Cancel" closes it without writing. The file keeps its remarks and its other
// lines; a close without a change writes nothing. A value that the program would not
// take for its key is shown red with the reason as its tooltip; a value with a comma is
// refused with a message.
//
//   store.ParSetFile("ST_CONFIG.TXT");
//   frmParList editor(store, messages, parent);
//   editor.SetShowPar(-1, -1);           // negative: centred on the screen
//   editor.exec();                       // modal; loads ParGetPath() when shown
//   ... then re-read the file (the editor has saved it, or said why not)
//
// A file that cannot be loaded shows the store's message and an empty grid, and closing
// then writes nothing. A save that fails on close is reported in a message box.
#include <QDialog>
#include <cstdint>
#include <memory>

class QLineEdit;
class QPushButton;
class QTableWidget;
class MessageBoxes;
class ParListEditor;
class TRAPAR;

class frmParList : public QDialog {
  Q_OBJECT
 public:
  frmParList(TRAPAR& store, MessageBoxes& messages, QWidget* parent = nullptr);
  ~frmParList() override;

  // Requested top and left in twips; a negative value centres the window on the screen.
  void SetShowPar(int16_t top, int16_t left);

  // Reads the store's current file into the grid and sizes the window. Runs by itself
  // when the window is first shown; callers only need it to look before showing.
  void Load();
  // True after a Load that read the file; closing writes only then.
  bool Loaded() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 public slots:
  void done(int result) override;

 private:
  void BuildLayout();
  void BuildGrid();
  void SizeAndPlace();
  int ValueColumnTwips() const;
  int RowsThatFit(const QRect& area) const;
  void Cancel();
  void StartEdit(int row, int column);
  void CommitEdit();
  void DropEdit();
  void WriteBack();
  int Px(double twips, bool horizontal) const;

  TRAPAR& store_;
  MessageBoxes& messages_;
  std::unique_ptr<ParListEditor> editor_;
  QTableWidget* fgrPar_;
  QLineEdit* txtField_;
  QPushButton* cmdCancel_;
  int16_t top_ = -1;
  int16_t left_ = -1;
  bool loadedOnce_ = false;
  bool written_ = false;
};
