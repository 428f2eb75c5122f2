#include "ui/frmParList.h"

#include <QEvent>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QBoxLayout>
#include <QLineEdit>
#include <QPushButton>
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

// The remark of the line: read-only, never selected; the tooltip holds all of it.
QTableWidgetItem* RemarkItem(const std::string& remark) {
  auto* item = NameItem(remark);
  item->setToolTip(qttext::ToQ(remark));
  return item;
}

// A value the readers would refuse is marked at once: a red cell and the reason.
void MarkValue(QTableWidgetItem* value, const std::string& name) {
  const std::string problem = ParListEditor::ValueProblem(name, qttext::FromQ(value->text()));
  value->setToolTip(problem.empty() ? value->text() : value->text() + "\n" + qttext::ToQ(problem));
  value->setBackground(problem.empty() ? QBrush() : QBrush(QColor(255, 200, 200)));
}

}  // namespace

frmParList::frmParList(TRAPAR& store, MessageBoxes& messages, QWidget* parent)
    : QDialog(parent),
      store_(store),
      messages_(messages),
      editor_(std::make_unique<ParListEditor>(store)),
      fgrPar_(new QTableWidget(this)),
      txtField_(new QLineEdit(fgrPar_->viewport())),
      cmdCancel_(new QPushButton("Cancel", this)) {
  setObjectName("frmParList");
  fgrPar_->setObjectName("fgrPar");
  txtField_->setObjectName("txtField");
  txtField_->hide();
  txtField_->installEventFilter(this);
  cmdCancel_->setObjectName("cmdCancel");
  cmdCancel_->setAutoDefault(false);  // Enter commits an edit; it never closes the window
  cmdCancel_->setToolTip("Close without saving");
  BuildLayout();

  fgrPar_->setColumnCount(3);
  auto* parameter = new QTableWidgetItem("Parameter");
  parameter->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  auto* value = new QTableWidgetItem("Value");
  value->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  fgrPar_->setHorizontalHeaderItem(0, parameter);
  fgrPar_->setHorizontalHeaderItem(1, value);
  auto* remark = new QTableWidgetItem("Description");
  remark->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  fgrPar_->setHorizontalHeaderItem(2, remark);
  fgrPar_->verticalHeader()->hide();
  fgrPar_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  fgrPar_->horizontalHeader()->setHighlightSections(false);
  fgrPar_->setSelectionMode(QAbstractItemView::SingleSelection);
  fgrPar_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  fgrPar_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  fgrPar_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  fgrPar_->setFrameShape(QFrame::Box);
  fgrPar_->setWordWrap(false);  // a long text ends in "..." where the column ends

  connect(fgrPar_, &QTableWidget::cellClicked, this, &frmParList::StartEdit);
  connect(txtField_, &QLineEdit::returnPressed, this, &frmParList::CommitEdit);
  connect(fgrPar_->verticalScrollBar(), &QScrollBar::valueChanged, this, &frmParList::DropEdit);
  connect(cmdCancel_, &QPushButton::clicked, this, &frmParList::Cancel);
}

// The grid fills the window; Cancel below it at the right. A wider window widens the
// description column.
void frmParList::BuildLayout() {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(fgrPar_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(6, 6, 6, 6);
  buttons->addStretch(1);
  buttons->addWidget(cmdCancel_);
  column->addLayout(buttons);
  fgrPar_->horizontalHeader()->setStretchLastSection(true);
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
  setWindowTitle(qttext::PathToQ(store_.ParGetPath()));
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
    const ParRow& row = rows[static_cast<size_t>(i)];
    fgrPar_->setItem(i, 0, NameItem(row.Name));
    fgrPar_->setItem(i, 1, ValueItem(row.Value));
    fgrPar_->setItem(i, 2, RemarkItem(row.Remark));
    MarkValue(fgrPar_->item(i, 1), row.Name);
  }
}

// Twips that the widest value needs.
int frmParList::ValueColumnTwips() const {
  int widest = 0;
  const QFontMetrics metrics(fgrPar_->font());
  for (int i = 0; i < fgrPar_->rowCount(); ++i)
    widest = std::max(widest, metrics.horizontalAdvance(fgrPar_->item(i, 1)->text()));
  return twips::ToTwips(widest + metrics.averageCharWidth() * 2, this);
}

// Rows (header included) that fit on the screen above the Cancel row.
int frmParList::RowsThatFit(const QRect& area) const {
  const int room = area.height() - cmdCancel_->sizeHint().height() - 12 - Px(100, false) -
                   Px(600, false);  // the window's title bar and frame
  return room / std::max(1, Px(ParGridSize::kRowHeight, false));
}

void frmParList::SizeAndPlace() {
  const QScreen* screen = this->screen();
  const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  const ParGridSize grid = ParListEditor::GridSize(
      fgrPar_->rowCount(), ValueColumnTwips(), RowsThatFit(area),
      twips::ToTwips(area.width() - Px(200, true), this));
  const int rowPx = Px(ParGridSize::kRowHeight, false);
  fgrPar_->horizontalHeader()->setFixedHeight(rowPx);
  fgrPar_->verticalHeader()->setMinimumSectionSize(1);
  fgrPar_->verticalHeader()->setDefaultSectionSize(rowPx);
  fgrPar_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  fgrPar_->setColumnWidth(0, Px(ParGridSize::kNameWidth, true));
  fgrPar_->setColumnWidth(1, Px(grid.valueWidth, true));
  fgrPar_->setColumnWidth(2, Px(grid.remarkWidth, true));
  fgrPar_->setFixedHeight(Px(grid.height, false));
  fgrPar_->setMinimumWidth(Px(grid.width, true));
  setMinimumSize(0, 0);
  resize(layout()->sizeHint());
  setMinimumSize(size());
  fgrPar_->setMaximumHeight(QWIDGETSIZE_MAX);  // a taller window shows more rows

  QPoint place(Px(left_, true), Px(top_, false));
  if (top_ < 0 || left_ < 0) {
    place = area.topLeft() + QPoint(ParListEditor::Centre(area.width(), width()),
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

// A value with a comma is refused (the file would cut it there); the edit stays open.
void frmParList::CommitEdit() {
  if (!txtField_->isVisible()) return;
  const std::string refused = ParListEditor::CommaProblem(qttext::FromQ(txtField_->text()));
  if (!refused.empty()) {
    messages_.Show(refused, kAppTitle, MsgIcon::Exclamation);
    if (txtField_->isVisible()) txtField_->setFocus();
    return;
  }
  const int row = txtField_->property("row").toInt();
  QTableWidgetItem* cell = fgrPar_->item(row, 1);
  if (cell) {
    cell->setText(txtField_->text());
    MarkValue(cell, qttext::FromQ(fgrPar_->item(row, 0)->text()));
  }
  DropEdit();
}

void frmParList::Cancel() {
  DropEdit();
  written_ = true;  // nothing is written
  done(QDialog::Rejected);
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
    if (auto* name = fgrPar_->item(i, 0))
      shown[static_cast<size_t>(i)].Name = qttext::FromQ(name->text());
    if (auto* value = fgrPar_->item(i, 1))
      shown[static_cast<size_t>(i)].Value = qttext::FromQ(value->text());
  }
  if (editor_->WriteBack(shown) == -1) {
    messages_.Show("The file " + store_.ParGetPath() +
                       " could not be written; it keeps its previous contents.",
                   kAppTitle, MsgIcon::Critical);
  }
}
