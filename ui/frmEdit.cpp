#include "ui/frmEdit.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>

#include "ui/FixedFont.h"
#include "platform/qt/QtText.h"
#include "ui/Twips.h"

frmEdit::frmEdit(QWidget* parent)
    : QDialog(parent),
      txtText_(new QPlainTextEdit(this)),
      cmdDone_(new QPushButton("Done", this)),
      cmdCancel_(new QPushButton("Cancel", this)) {
  setObjectName("frmEdit");
  setWindowTitle("Edit");
  txtText_->setObjectName("txtText");
  txtText_->setFont(fixedfont::Font());
  txtText_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  txtText_->setLineWrapMode(QPlainTextEdit::NoWrap);
  cmdDone_->setObjectName("cmdDone");
  cmdCancel_->setObjectName("cmdCancel");
  cmdDone_->setAutoDefault(false);
  cmdCancel_->setAutoDefault(false);
  setFixedSize(twips::ToPx(4728, this), twips::ToPx(5664, this, false));
  txtText_->setGeometry(twips::Rect(120, 120, 4455, 4935, this));
  cmdDone_->setGeometry(twips::Rect(120, 5160, 975, 375, this));
  cmdCancel_->setGeometry(twips::Rect(1215, 5160, 975, 375, this));
  connect(cmdDone_, &QPushButton::clicked, this, &frmEdit::Done);
  connect(cmdCancel_, &QPushButton::clicked, this, &frmEdit::Cancel);
}

void frmEdit::SetText(const std::string& text) { txtText_->setPlainText(qttext::ShownLines(text)); }

void frmEdit::showEvent(QShowEvent* event) {
  accepted_ = 0;
  textRes_.clear();
  QDialog::showEvent(event);
}

void frmEdit::Done() {
  accepted_ = 1;
  textRes_ = qttext::CrLfLines(txtText_->toPlainText());
  accept();
}

void frmEdit::Cancel() {
  accepted_ = 0;
  textRes_.clear();
  reject();
}
