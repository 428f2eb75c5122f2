#include "ui/frmInterp.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "interp/INTERP.h"
#include "panels/ProgEdit.h"
#include "platform/MessageBoxes.h"
#include "ui/ModalDialog.h"
#include "ui/QtText.h"
#include "ui/Twips.h"
#include "ui/frmFiles.h"

using qttext::FromQ;
using qttext::ToQ;

namespace {
// The designed layout, in twips.
constexpr int kMargin = 120;
constexpr int kHeadTop = 180;
constexpr int kRowTop = 480;     // cmdNmb(0)
constexpr int kRowHeight = 285;  // every row
constexpr int kNumberWidth = 600;
constexpr int kTextWidth = 5400;
constexpr int kMessTop = 8820;  // lblMess: 29 rows fit above it
constexpr int kWidth = kMargin + kNumberWidth + kTextWidth + kMargin;
constexpr int kTimeTop = kMessTop + kRowHeight + 60;
constexpr int kButtonTop = kTimeTop + kRowHeight + 90;
constexpr int kButtonSize = 735;
constexpr int kHeight = kButtonTop + kButtonSize + kMargin;

const char* const kNormal = "background-color: #C0C0C0;";
const char* const kNumberLit = "background-color: #808080;";
const char* const kTextLit = "background-color: #E0E0E0;";

QString RowName(const char* array, int k) { return QString("%1(%2)").arg(array).arg(k); }
}  // namespace

frmInterp::frmInterp(INTERP& interp, ProgEdit& edit, MessageBoxes& messages, QWidget* parent)
    : QWidget(parent), interp_(interp), edit_(edit), messages_(messages) {
  setObjectName("frmInterp");
  setWindowTitle("Program Interpreter");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* bar = new QMenuBar(this);
  layout->setMenuBar(bar);
  auto* page = new QWidget(this);
  page->setFixedSize(twips::ToPx(kWidth, this), twips::ToPx(kHeight, this, false));
  layout->addWidget(page);
  BuildControls(page);
  BuildRows(page);
  BuildButtons(page);
  BuildMenus(bar);
  installEventFilter(this);
  chooseFile = [this](const FileRequest& r, std::string& d, std::string& f) {
    frmFiles::Choose(r, messages_, this, d, f);
  };
  const QString point = QLocale().decimalPoint();
  interp_.SetDecimalSeparator(point.isEmpty() ? '.' : point.at(0).toLatin1());
  interp_.AttachWindow(this, VisibleRows());
}

frmInterp::~frmInterp() {
  if (interp_.Window() == this) interp_.DetachWindow();
}

void frmInterp::BuildControls(QWidget* page) {
  lblNameCmd_ = new QLabel("Command", page);
  lblNameCmd_->setObjectName("lblNameCmd");
  lblNameCmd_->setGeometry(twips::Rect(kMargin + kNumberWidth, kHeadTop, 2000, 285, this));
  lblMess_ = new QLabel(page);
  lblMess_->setObjectName("lblMess");
  lblMess_->setGeometry(twips::Rect(kMargin, kMessTop, kNumberWidth + kTextWidth, 285, this));
  lblMess_->setFrameShape(QFrame::Panel);
  lblMess_->setFrameShadow(QFrame::Sunken);
  lblTime_ = new QLabel("time", page);
  lblTime_->setObjectName("lblTime");
  lblTime_->setGeometry(twips::Rect(kMargin, kTimeTop, 1800, 285, this));
  optRun_ = new QRadioButton("Run", page);
  optRun_->setObjectName("optRun");
  optRun_->setGeometry(twips::Rect(kMargin + 2000, kTimeTop, 1200, 285, this));
  optRun_->setAutoExclusive(false);
  optRun_->setFocusPolicy(Qt::NoFocus);
  optRun_->setAttribute(Qt::WA_TransparentForMouseEvents);  // an indicator only
}

// Row 0 is designed; the rest follow, one row height lower each, as many as fit above
// the message line.
void frmInterp::BuildRows(QWidget* page) {
  const int count = (kMessTop - kRowTop) / kRowHeight;
  for (int k = 0; k < count; ++k) {
    const int top = kRowTop + k * kRowHeight;
    Row row{new QPushButton(page), new QLineEdit(page)};
    row.number->setObjectName(RowName("cmdNmb", k));
    row.number->setGeometry(twips::Rect(kMargin, top, kNumberWidth, kRowHeight, this));
    row.number->setStyleSheet(kNormal);
    row.text->setObjectName(RowName("txtCmd", k));
    row.text->setGeometry(twips::Rect(kMargin + kNumberWidth, top, kTextWidth, kRowHeight, this));
    row.text->setStyleSheet(kNormal);
    row.text->installEventFilter(this);
    row.number->installEventFilter(this);
    connect(row.number, &QPushButton::clicked, this,
            life_.Guarded([this, k] { edit_.ClickRow(int16_t(k)); }));
    rows_.push_back(row);
  }
}

QToolButton* frmInterp::AddButton(QWidget* page, const char* name, const char* caption, int icon,
                                  int index, void (frmInterp::*slot)()) {
  auto* button = new QToolButton(page);
  button->setObjectName(name);
  button->setText(caption);
  button->setIcon(style()->standardIcon(static_cast<QStyle::StandardPixmap>(icon)));
  button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  button->setGeometry(twips::Rect(kMargin + index * (kButtonSize + 30), kButtonTop, kButtonSize,
                                  kButtonSize, this));
  button->setFocusPolicy(Qt::StrongFocus);
  button->installEventFilter(this);
  connect(button, &QToolButton::clicked, this, life_.Guarded([this, slot] { StoreTypedRow(slot); }));
  return button;
}

void frmInterp::BuildButtons(QWidget* page) {
  auto* read = AddButton(page, "cmdRead", "Rea&d", QStyle::SP_DialogOpenButton, 0, &frmInterp::Read);
  auto* write = AddButton(page, "cmdWrite", "&Write", QStyle::SP_DialogSaveButton, 1, &frmInterp::Write);
  auto* insert = AddButton(page, "cmdInsert", "&Insert", QStyle::SP_FileIcon, 2, &frmInterp::Insert);
  auto* del = AddButton(page, "cmdDelete", "&Delete", QStyle::SP_TrashIcon, 3, &frmInterp::Delete);
  auto* run = AddButton(page, "cmdRun", "&Run", QStyle::SP_MediaPlay, 4, &frmInterp::Run);
  auto* step = AddButton(page, "cmdStep", "S&tep", QStyle::SP_MediaSeekForward, 5, &frmInterp::Step);
  AddButton(page, "cmdStop", "&Stop", QStyle::SP_MediaStop, 6, &frmInterp::Stop);
  auto* over = AddButton(page, "cmdOver", "&Over", QStyle::SP_MediaSkipBackward, 7, &frmInterp::StartOver);
  runButtons_ = {del, insert, over, step, run, read, write};
}

QAction* frmInterp::AddItem(QMenu* menu, const char* name, const char* caption,
                            void (frmInterp::*slot)()) {
  QAction* item = menu->addAction(caption);
  item->setObjectName(name);
  connect(item, &QAction::triggered, this, life_.Guarded([this, slot] { StoreTypedRow(slot); }));
  return item;
}

// A row text the operator typed is stored before a button or menu acts, as leaving the
// row would store it.
void frmInterp::StoreTypedRow(void (frmInterp::*action)()) {
  StoreTypedRow();
  (this->*action)();
}

void frmInterp::StoreTypedRow() {
  const int row = RowOf(focusWidget());
  if (row >= 0 && focusWidget() == rows_[row].text && rows_[row].text->isModified()) {
    rows_[row].text->setModified(false);
    edit_.StoreEdit(int16_t(row), FromQ(rows_[row].text->text()));
  }
}

void frmInterp::BuildMenus(QMenuBar* bar) {
  auto addMenu = [bar](const char* name, const char* title) {
    QMenu* menu = bar->addMenu(title);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    return menu;
  };
  QMenu* file = addMenu("mnuFile", "&File");
  AddItem(file, "mnuRead", "&Read Program", &frmInterp::Read);
  AddItem(file, "mnuWrite", "&Write Program", &frmInterp::Write);
  AddItem(file, "mnuPrint", "&Print", &frmInterp::Print);
  QMenu* edit = addMenu("mnuEdit", "&Edit");
  AddItem(edit, "mnuInsert", "&Insert Command", &frmInterp::Insert);
  AddItem(edit, "mnuDelete", "&Delete Command", &frmInterp::Delete);
  edit->addSeparator()->setObjectName("mnuSep2");
  AddItem(edit, "mnuFormatProg", "&Format Program", &frmInterp::Format);
  QMenu* view = addMenu("mnuView", "&View");
  AddItem(view, "mnuPgUp", "Page &Up", &frmInterp::PageUp);
  AddItem(view, "mnuPgDn", "Page &Down", &frmInterp::PageDown);
  view->addSeparator()->setObjectName("mnuSep1");
  AddItem(view, "mnuLnUp", "Line U&p", &frmInterp::LineUp);
  AddItem(view, "mnuLnDn", "Line D&own", &frmInterp::LineDown);
  QMenu* exe = addMenu("mnuExe", "E&xecute");
  QAction* run = AddItem(exe, "mnuRun", "&Run", &frmInterp::Run);
  AddItem(exe, "mnuStop", "&Stop", &frmInterp::Stop);
  QAction* step = AddItem(exe, "mnuStep", "Ste&p", &frmInterp::Step);
  QAction* over = AddItem(exe, "mnuOver", "Start &Over", &frmInterp::StartOver);
  runActions_ = {edit->menuAction(), file->menuAction(), view->menuAction(), run, step, over};
}

void frmInterp::SetShowPar(int16_t ftop, int16_t fleft) {
  showTop_ = ftop;
  showLeft_ = fleft;
}

void frmInterp::showEvent(QShowEvent* event) {
  if (!placed_ && showTop_ >= 0 && showLeft_ >= 0)
    move(twips::ToPx(showLeft_, this), twips::ToPx(showTop_, this, false));
  placed_ = true;
  QWidget::showEvent(event);
}

// Closing only releases the window; a run stops with it, the program stays.
void frmInterp::closeEvent(QCloseEvent* event) {
  event->ignore();  // hidden and deleted by Release, when no handler of it runs
  Release();
}

void frmInterp::Release() {
  if (interp_.Window() == this) interp_.DetachWindow();
  life_.Unload();
}

int frmInterp::RowOf(QObject* widget) const {
  for (size_t k = 0; k < rows_.size(); ++k)
    if (rows_[k].text == widget || rows_[k].number == widget) return static_cast<int>(k);
  return -1;
}

bool frmInterp::HandleKey(int key) {
  const int16_t page = VisibleRows();
  const bool scroll = key == Qt::Key_PageUp || key == Qt::Key_PageDown ||
                      key == Qt::Key_Up || key == Qt::Key_Down;
  if (scroll) StoreTypedRow();  // the rows are redrawn: a typed row is stored first
  switch (key) {
    case Qt::Key_PageUp: edit_.ScrollKey(int16_t(-page)); return true;
    case Qt::Key_PageDown: edit_.ScrollKey(page); return true;
    case Qt::Key_Up: edit_.ScrollKey(-1); return true;
    case Qt::Key_Down: edit_.ScrollKey(1); return true;
    default: return false;
  }
}

// The window sees the scroll keys before its controls; a click into a row's text box
// selects the row, and leaving it stores the text.
bool frmInterp::eventFilter(QObject* watched, QEvent* event) {
  const auto busy = life_.Enter();
  if (event->type() == QEvent::KeyPress)
    return HandleKey(static_cast<QKeyEvent*>(event)->key()) || QWidget::eventFilter(watched, event);
  const bool press = event->type() == QEvent::MouseButtonPress;
  if (!press && event->type() != QEvent::FocusOut) return QWidget::eventFilter(watched, event);
  const int row = RowOf(watched);
  if (row >= 0 && watched == rows_[row].text) {
    const auto reason = press ? Qt::OtherFocusReason : static_cast<QFocusEvent*>(event)->reason();
    if (press)
      edit_.ClickRow(int16_t(row));
    else if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
      edit_.StoreEdit(int16_t(row), FromQ(rows_[row].text->text()));
  }
  return QWidget::eventFilter(watched, event);
}

// ---- InterpWindow ----

void frmInterp::SetRow(int16_t row, const std::string& number, const std::string& text) {
  if (row < 0 || row >= VisibleRows()) return;
  rows_[row].number->setText(ToQ(number));
  rows_[row].text->setText(ToQ(text));
  rows_[row].text->setCursorPosition(0);
}

void frmInterp::SetRowHighlight(int16_t row, bool highlighted) {
  if (row < 0 || row >= VisibleRows()) return;
  rows_[row].number->setStyleSheet(highlighted ? kNumberLit : kNormal);
  rows_[row].text->setStyleSheet(highlighted ? kTextLit : kNormal);
}

void frmInterp::SetMessage(const std::string& text) { lblMess_->setText(ToQ(text)); }
void frmInterp::SetTimeText(const std::string& text) { lblTime_->setText(ToQ(text)); }
void frmInterp::SetRunIndicator(bool on) { optRun_->setChecked(on); }
void frmInterp::SetCaption(const std::string& text) { setWindowTitle(ToQ(text)); }

void frmInterp::SetControlsEnabled(bool enabled) {
  for (auto* button : runButtons_) button->setEnabled(enabled);
  for (auto* action : runActions_) action->setEnabled(enabled);
}

void frmInterp::ChooseFile(const FileRequest& request, std::string& dir, std::string& file) {
  dir.clear();
  file.clear();
  if (chooseFile) chooseFile(request, dir, file);
}


bool frmInterp::AskOkCancel(const std::string& text, const std::string& title) {
  auto* box = new QMessageBox(QMessageBox::NoIcon, ToQ(title), qttext::ShownLines(text),
                              QMessageBox::Ok | QMessageBox::Cancel, this);
  return modal::Exec(box) == QMessageBox::Ok;
}

// ---- printing ----

bool frmInterp::PrintOn(QPrinter& printer) {
  const QPixmap image = grab();
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  const QRect page = painter.viewport();
  const QSize size = image.size().scaled(page.size(), Qt::KeepAspectRatio);
  painter.drawPixmap(QRect(page.topLeft(), size), image);
  return painter.end();
}

bool frmInterp::PrintToPdf(const QString& path) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(path);
  return PrintOn(printer);
}

void frmInterp::Print() {
  const QPrinterInfo info = QPrinterInfo::defaultPrinter();
  bool ok = false;
  QString target;
  if (!info.isNull()) {
    QPrinter printer(info, QPrinter::HighResolution);
    target = info.printerName();
    ok = PrintOn(printer);
  } else {
    auto* dialog = new QFileDialog(this, "Print to PDF file", QString(), "PDF files (*.pdf)");
    dialog->setObjectName("dlgPrintPdf");
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix("pdf");
    QStringList chosen;
    if (modal::Exec<QFileDialog>(dialog, [&](QFileDialog& d) { chosen = d.selectedFiles(); }) !=
            QDialog::Accepted ||
        chosen.isEmpty())
      return;
    target = chosen.first();
    ok = PrintToPdf(target);
  }
  if (!ok)
    messages_.Show("The window could not be printed on " + FromQ(target), kAppTitle,
                   MsgIcon::Exclamation);
}

// ---- buttons and menus ----

void frmInterp::Read() { edit_.Read(); }
void frmInterp::Write() { edit_.Write(); }
void frmInterp::Insert() { edit_.Insert(); }
void frmInterp::Delete() { edit_.Delete(); }
void frmInterp::Format() { edit_.Format(); }
void frmInterp::StartOver() { edit_.StartOver(); }
void frmInterp::Run() { interp_.StartRun(); }
void frmInterp::Step() { interp_.StartStep(); }
void frmInterp::Stop() { interp_.InterruptRun(); }
void frmInterp::PageUp() { interp_.ScrollProgram(int16_t(-VisibleRows())); }
void frmInterp::PageDown() { interp_.ScrollProgram(VisibleRows()); }
void frmInterp::LineUp() { interp_.ScrollProgram(-1); }
void frmInterp::LineDown() { interp_.ScrollProgram(1); }
