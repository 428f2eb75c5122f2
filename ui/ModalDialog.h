#pragma once
// Modal dialogs on the heap. The window that opens one may be unloaded while it is open
// (a client's "Unload"); the dialog is then closed like with its close box, and results are
// read only from a dialog that still exists.
//
//   auto* editor = new frmParList(par, messages, parent);
//   modal::Exec(editor);                                   // released afterwards
//   modal::Exec(new frmEdit(parent), [&](frmEdit& d) { accepted = d.GetAccept(); });
#include <QDialog>
#include <QPointer>
#include <functional>

namespace modal {

template <typename Dialog>
int Exec(Dialog* dialog, const std::function<void(Dialog&)>& read = {}) {
  QPointer<Dialog> alive(dialog);
  const int result = dialog->exec();
  if (!alive) return QDialog::Rejected;
  if (read) read(*alive);
  delete alive.data();  // exec has returned: no handler of the dialog runs any more
  return result;
}

}  // namespace modal
