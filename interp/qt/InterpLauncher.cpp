#include "interp/qt/InterpLauncher.h"

#include <QScreen>
#include <algorithm>

#include "ui/StopKey.h"
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
    left = static_cast<int16_t>(
        std::clamp(twips::ToTwips(mainWindow->frameGeometry().width(), mainWindow), 0, 32767));
  }
  return OpenAt(0, left);
}

// Placed at its load only; an open window is brought to the front where it stands.
frmInterp* InterpLauncher::OpenAt(int16_t top, int16_t left) {
  if (form_.isNull()) {
    form_ = new frmInterp(interp_, edit_, messages_);
    form_->setAttribute(Qt::WA_DeleteOnClose);
    form_->SetShowPar(top, left);
    if (onStop) InstallStopKey(form_, [this] { onStop(); });
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
