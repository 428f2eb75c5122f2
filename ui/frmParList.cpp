#include "ui/frmParList.h"

#include <QLineEdit>
#include <QTableWidget>

#include "parfiles/ParListEditor.h"
#include "parfiles/TRAPAR.h"
#include "platform/MessageBoxes.h"

frmParList::frmParList(TRAPAR& store, MessageBoxes& messages, QWidget* parent)
    : QDialog(parent),
      store_(store),
      messages_(messages),
      editor_(std::make_unique<ParListEditor>(store)),
      fgrPar_(new QTableWidget(this)),
      txtField_(new QLineEdit(fgrPar_->viewport())) {
  setObjectName("frmParList");
  fgrPar_->setObjectName("fgrPar");
  txtField_->setObjectName("txtField");
  txtField_->hide();
}

frmParList::~frmParList() = default;

void frmParList::SetShowPar(int16_t top, int16_t left) {
  top_ = top;
  left_ = left;
}

void frmParList::Load() {}
bool frmParList::Loaded() const { return editor_->Loaded(); }
void frmParList::showEvent(QShowEvent* event) { QDialog::showEvent(event); }
bool frmParList::eventFilter(QObject* watched, QEvent* event) {
  return QDialog::eventFilter(watched, event);
}
void frmParList::done(int result) { QDialog::done(result); }
void frmParList::BuildGrid() {}
void frmParList::SizeAndPlace() {}
void frmParList::StartEdit(int, int) {}
void frmParList::CommitEdit() {}
void frmParList::DropEdit() {}
void frmParList::WriteBack() {}
int frmParList::Px(double, bool) const { return 0; }
