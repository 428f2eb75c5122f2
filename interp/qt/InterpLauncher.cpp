#include "interp/qt/InterpLauncher.h"

#include <QScreen>

#include "ui/Twips.h"

InterpLauncher::InterpLauncher(INTERP& interp, ProgEdit& edit, MessageBoxes& messages)
    : interp_(interp), edit_(edit), messages_(messages) {}

InterpLauncher::~InterpLauncher() { delete form_.data(); }

frmInterp* InterpLauncher::Open(QWidget* mainWindow) {
  int16_t left = 0;
  if (mainWindow) {
    const QScreen* screen = mainWindow->screen();
    const int screenLeft = screen ? screen->availableGeometry().left() : 0;
    mainWindow->move(screenLeft, mainWindow->y());
    left = static_cast<int16_t>(twips::ToTwips(mainWindow->frameGeometry().width(), mainWindow));
  }
  if (form_.isNull()) {
    form_ = new frmInterp(interp_, edit_, messages_);
    form_->setAttribute(Qt::WA_DeleteOnClose);
    form_->SetShowPar(0, left);
  }
  form_->show();
  form_->raise();
  form_->activateWindow();
  return form_.data();
}

void InterpLauncher::Unload() {
  if (form_.isNull()) return;
  form_->close();  // released after the handler that asked for it has returned
}
