#include "ui/frmParList.h"

#include <QEvent>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>

#include "parfiles/ParListEditor.h"
#include "parfiles/TRAPAR.h"
#include "platform/MessageBoxes.h"
#include "platform/qt/QtText.h"
#include "ui/Twips.h"

namespace {

QTableWidgetItem* NameItem(const std::string& name) {
  auto* item = new QTableWidgetItem(qttext::ToQ(name));
  item->setFlags(Qt::ItemIsEnabled);  // the name column is fixed: never selected or edited
  item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  return item;
}

QTableWidgetItem* ValueItem(const std::string& value) {
  auto* item = new QTableWidgetItem(qttext::ToQ(value));
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return item;
}

}  // namespace

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
  txtField_->installEventFilter(this);

  fgrPar_->setColumnCount(2);
  auto* parameter = new QTableWidgetItem("Parameter");
  parameter->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  auto* value = new QTableWidgetItem("Value");
  value->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  fgrPar_->setHorizontalHeaderItem(0, parameter);
  fgrPar_->setHorizontalHeaderItem(1, value);
  fgrPar_->verticalHeader()->hide();
  fgrPar_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  fgrPar_->horizontalHeader()->setHighlightSections(false);
  fgrPar_->setSelectionMode(QAbstractItemView::SingleSelection);
  fgrPar_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  fgrPar_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  fgrPar_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  fgrPar_->setFrameShape(QFrame::Box);

  connect(fgrPar_, &QTableWidget::cellClicked, this, &frmParList::StartEdit);
  connect(txtField_, &QLineEdit::returnPressed, this, &frmParList::CommitEdit);
  connect(fgrPar_->verticalScrollBar(), &QScrollBar::valueChanged, this, &frmParList::DropEdit);
}

frmParList::~frmParList() = default;

void frmParList::SetShowPar(int16_t top, int16_t left) {
  top_ = top;
  left_ = left;
}

bool frmParList::Loaded() const { return editor_->Loaded(); }

void frmParList::Load() {
  loadedOnce_ = true;
  written_ = false;
  setWindowTitle(qttext::ToQ(store_.ParGetPath()));
  editor_->Load();
  BuildGrid();
  SizeAndPlace();
}

void frmParList::BuildGrid() {
  DropEdit();
  const auto& rows = editor_->Rows();
  fgrPar_->clearContents();
  fgrPar_->setRowCount(static_cast<int>(rows.size()));
  for (int i = static_cast<int>(rows.size()) - 1; i >= 0; --i) {
    fgrPar_->setItem(i, 0, NameItem(rows[static_cast<size_t>(i)].Name));
    fgrPar_->setItem(i, 1, ValueItem(rows[static_cast<size_t>(i)].Value));
  }
}

void frmParList::SizeAndPlace() {
  const ParGridSize size = ParListEditor::GridSize(fgrPar_->rowCount());
  const int rowPx = Px(ParGridSize::kRowHeight, false);
  fgrPar_->horizontalHeader()->setFixedHeight(rowPx);
  fgrPar_->verticalHeader()->setMinimumSectionSize(1);
  fgrPar_->verticalHeader()->setDefaultSectionSize(rowPx);
  fgrPar_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  fgrPar_->setColumnWidth(0, Px(ParGridSize::kNameWidth, true));
  fgrPar_->setColumnWidth(1, Px(ParGridSize::kValueWidth, true));
  fgrPar_->setGeometry(0, 0, Px(size.width, true), Px(size.height, false));
  setFixedSize(fgrPar_->size());

  QPoint place(Px(left_, true), Px(top_, false));
  if (top_ < 0 || left_ < 0) {
    const QScreen* screen = this->screen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    place = area.topLeft() +
            QPoint(ParListEditor::Centre(area.width(), width()),
                   ParListEditor::Centre(area.height(), height()));
  }
  move(place);
}

int frmParList::Px(double twipsValue, bool horizontal) const {
  return twips::ToPx(twipsValue, this, horizontal);
}

void frmParList::showEvent(QShowEvent* event) {
  if (!loadedOnce_) Load();
  QDialog::showEvent(event);
  fgrPar_->setFocus();
}

void frmParList::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    DropEdit();
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void frmParList::StartEdit(int row, int column) {
  if (column != 1 || fgrPar_->selectedItems().size() != 1) return;
  QTableWidgetItem* cell = fgrPar_->item(row, column);
  if (!cell) return;
  QRect box = fgrPar_->visualItemRect(cell);
  box.translate(Px(20, true), -Px(20, false));
  txtField_->setGeometry(box);
  txtField_->setText(cell->text());
  txtField_->setProperty("row", row);
  txtField_->show();
  txtField_->setFocus();
}

void frmParList::CommitEdit() {
  if (!txtField_->isVisible()) return;
  QTableWidgetItem* cell = fgrPar_->item(txtField_->property("row").toInt(), 1);
  if (cell) cell->setText(txtField_->text());
  DropEdit();
}

void frmParList::DropEdit() {
  if (!txtField_->isVisible()) return;
  txtField_->hide();
  fgrPar_->setFocus();
}

bool frmParList::eventFilter(QObject* watched, QEvent* event) {
  if (watched == txtField_) {
    if (event->type() == QEvent::FocusOut) {
      const auto reason = static_cast<QFocusEvent*>(event)->reason();
      // Switching to another window or opening a menu keeps the edit.
      if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) DropEdit();
    } else if (event->type() == QEvent::KeyPress &&
               static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
      DropEdit();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void frmParList::done(int result) {
  if (!written_) {
    written_ = true;
    WriteBack();
  }
  loadedOnce_ = false;  // a later show reads the file afresh
  QDialog::done(result);
}

void frmParList::WriteBack() {
  std::vector<ParRow> shown(static_cast<size_t>(fgrPar_->rowCount()));
  for (int i = 0; i < fgrPar_->rowCount(); ++i) {
    if (auto* name = fgrPar_->item(i, 0)) shown[static_cast<size_t>(i)].Name = qttext::FromQ(name->text());
    if (auto* value = fgrPar_->item(i, 1)) shown[static_cast<size_t>(i)].Value = qttext::FromQ(value->text());
  }
  if (editor_->WriteBack(shown) == -1) {
    messages_.Show("The file " + store_.ParGetPath() +
                       " could not be written; it keeps its previous contents.",
                   kAppTitle, MsgIcon::Critical);
  }
}
