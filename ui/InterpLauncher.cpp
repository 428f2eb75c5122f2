#include "ui/InterpLauncher.h"

#include <QAbstractButton>
#include <QAction>
#include <QScreen>
#include <algorithm>

#include "platform/qt/QtEventPump.h"
#include "ui/StopKey.h"
#include "ui/Twips.h"

InterpLauncher::InterpLauncher(INTERP& interp, ProgEdit& edit, MessageBoxes& messages)
    : interp_(interp), edit_(edit), messages_(messages) {}

// By now no handler runs; a closed window still waiting for its deletion goes as well.
InterpLauncher::~InterpLauncher() {
  for (QPointer<frmInterp>& form : released_) delete form.data();
  delete form_.data();
}

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
  if (!Window()) {
    std::erase_if(released_, [](const QPointer<frmInterp>& gone) { return gone.isNull(); });
    if (form_) released_.push_back(form_);
    form_ = new frmInterp(interp_, edit_, messages_);
    form_->SetShowPar(top, left);
    // Fewer rows where the designed height does not fit below its top (a small screen, a
    // large scale): the buttons stay on the screen.
    if (const QScreen* screen = form_->screen())
      form_->FitHeight(screen->availableGeometry().height() - twips::ToPx(top, form_, false));
    WireStop();
  }
  form_->show();
  form_->raise();
  form_->activateWindow();
  return form_.data();
}

// The window's own Stop (button and menu item) ends the run as it always did, and is the
// operator's Stop as well, like Escape: the lift stops with the program.
void InterpLauncher::WireStop() {
  if (!onStop) return;
  auto stop = [this] {
    if (onStop) onStop();
  };
  InstallStopKey(form_, stop);
  if (auto* button = form_->findChild<QAbstractButton*>("cmdStop")) {
    QtEventPump::MarkStopControl(button);
    QObject::connect(button, &QAbstractButton::clicked, form_, stop);
  }
  if (auto* item = form_->findChild<QAction*>("mnuStop"))
    QObject::connect(item, &QAction::triggered, form_, stop);
}

void InterpLauncher::Unload() {
  if (frmInterp* form = Window()) form->Release();  // deleted once no handler of it runs
}
