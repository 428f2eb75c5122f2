#pragma once
// Opens the interpreter window beside the main window and unloads it with it.
//
//   InterpLauncher launcher(core.interp, core.progEdit, messages);
//   interpreterItem -> launcher.Open(mainWindow);   // the "Interpreter" item, or
//   launcher.OpenAt(top, left) when the main window has moved itself
//   main window unloaded -> launcher.Unload();
//   IsFormLoaded("frmInterp") -> launcher.IsLoaded();
#include <QPointer>
#include <vector>
#include <functional>

#include "ui/frmInterp.h"

class QWidget;
class INTERP;
class ProgEdit;
class MessageBoxes;

class InterpLauncher {
 public:
  InterpLauncher(INTERP& interp, ProgEdit& edit, MessageBoxes& messages);
  ~InterpLauncher();

  // Moves the main window to the left edge of its screen, then shows frmInterp (made
  // on first use) not modal at top 0 and at a left equal to the main window's width,
  // no higher than the screen.
  frmInterp* Open(QWidget* mainWindow);
  // The same when the main window has moved already: top and left in twips.
  frmInterp* OpenAt(int16_t top, int16_t left);
  // Closes and releases frmInterp when it is loaded (a run stops with it).
  void Unload();
  bool IsLoaded() const { return Window() != nullptr; }
  // The operator's Stop: Escape, the Stop button and the Stop item of the interpreter
  // window (set before the first Open).
  std::function<void()> onStop;
  // The open window; none once it was closed (it may still wait for its deletion).
  frmInterp* Window() const { return form_ && !form_->Released() ? form_.data() : nullptr; }

 private:
  void WireStop();

  INTERP& interp_;
  ProgEdit& edit_;
  MessageBoxes& messages_;
  QPointer<frmInterp> form_;
  std::vector<QPointer<frmInterp>> released_;  // closed, waiting for their deletion
};
