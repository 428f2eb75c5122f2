#include "ui/frmInterp.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QInputDialog>
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
#include <QScrollBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "interp/INTERP.h"
#include "panels/ProgEdit.h"
#include "platform/MessageBoxes.h"
#include "ui/ModalDialog.h"
#include "platform/qt/QtText.h"
#include "ui/Twips.h"
#include "ui/frmFiles.h"

using qttext::FromQ;
using qttext::ToQ;

namespace {
// The designed layout, in twips.
constexpr int kMargin = 120;
constexpr int kHeadTop = 180;
constexpr int kRowTop = 480;       // cmdNmb(0)
constexpr int kRowHeight = 285;    // every row
constexpr int kNumberWidth = 690;  // five digits
constexpr int kScrollWidth = 255;
constexpr int kTextWidth = 6000 - kNumberWidth - kScrollWidth;  // the designed 600 + 5400
constexpr int kMessTop = 8820;                                  // lblMess: 29 rows fit above it
constexpr int kWidth = kMargin + kNumberWidth + kTextWidth + kScrollWidth + kMargin;
constexpr int kTimeGap = kRowHeight + 60;    // lblMess's top to lblTime's
constexpr int kButtonGap = kRowHeight + 90;  // lblTime's top to the buttons'
constexpr int kButtonSize = 735;
constexpr int kHeight = kMessTop + kTimeGap + kButtonGap + kButtonSize + kMargin;
constexpr int kBelowRows = kHeight - kMessTop;  // lblMess and everything under it

const char* const kNormal = "background-color: #C0C0C0;";
const char* const kNumberLit = "background-color: #808080;";
const char* const kTextLit = "background-color: #E0E0E0;";

QString RowName(const char* array, int k) { return QString("%1(%2)").arg(array).arg(k); }

// The rows that fit between the top of row 0 and lblMess on a page this high (twips).
int RowsFor(int pageHeight) {
  return std::max(frmInterp::kMinRows, (pageHeight - kRowTop - kBelowRows) / kRowHeight);
}
}  // namespace

frmInterp::frmInterp(INTERP& interp, ProgEdit& edit, MessageBoxes& messages, QWidget* parent)
    : QWidget(parent), interp_(interp), edit_(edit), messages_(messages) {
  setObjectName("frmInterp");
  setWindowTitle("Program Interpreter");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* bar = new QMenuBar(this);
  layout->setMenuBar(bar);
  page_ = new QWidget(this);
  page_->setMinimumSize(twips::ToPx(kWidth, this),
                        twips::ToPx(kRowTop + kMinRows * kRowHeight + kBelowRows, this, false));
  page_->installEventFilter(this);
  layout->addWidget(page_);
  BuildControls();
  BuildScrollBar();
  BuildButtons();
  BuildMenus(bar);
  SetRowCount(RowsFor(kHeight));
  page_->resize(twips::ToPx(kWidth, this), twips::ToPx(kHeight, this, false));
  PlaceControls();
  resize(page_->width(), bar->sizeHint().height() + page_->height());
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

void frmInterp::BuildControls() {
  lblNameCmd_ = new QLabel("Command", page_);
  lblNameCmd_->setObjectName("lblNameCmd");
  lblNameCmd_->setGeometry(twips::Rect(kMargin + kNumberWidth, kHeadTop, 2000, 285, this));
  lblMess_ = new QLabel(page_);
  lblMess_->setObjectName("lblMess");
  lblMess_->setFrameShape(QFrame::Panel);
  lblMess_->setFrameShadow(QFrame::Sunken);
  lblTime_ = new QLabel("time", page_);
  lblTime_->setObjectName("lblTime");
  optRun_ = new QRadioButton("Run", page_);
  optRun_->setObjectName("optRun");
  optRun_->setAutoExclusive(false);
  optRun_->setFocusPolicy(Qt::NoFocus);
  optRun_->setAttribute(Qt::WA_TransparentForMouseEvents);  // an indicator only
}

// The scroll bar beside the rows moves the program through them, like the View menu; the
// mouse wheel over the rows turns it.
void frmInterp::BuildScrollBar() {
  scroll_ = new QScrollBar(Qt::Vertical, page_);
  scroll_->setObjectName("scrProgram");
  scroll_->setToolTip("Scroll the program");
  scroll_->setFocusPolicy(Qt::NoFocus);
  connect(scroll_, &QScrollBar::valueChanged, this, life_.Guarded([this](int value) {
    if (scrollShown_) return;
    StoreTypedRow();  // the rows are redrawn: a typed row is stored first
    interp_.ScrollProgram(static_cast<int16_t>(value - interp_.TopLine()));
  }));
}

// Row k stands one row height below row k - 1; the text column and the message line take
// the width the window is given.
void frmInterp::PlaceControls() {
  const int width = twips::ToTwips(page_->width(), this);
  const int height = twips::ToTwips(page_->height(), this, false);
  SetRowCount(RowsFor(height));
  const int textWidth = std::max(kTextWidth, width - 2 * kMargin - kNumberWidth - kScrollWidth);
  for (size_t k = 0; k < rows_.size(); ++k) {
    const int top = kRowTop + static_cast<int>(k) * kRowHeight;
    rows_[k].number->setGeometry(twips::Rect(kMargin, top, kNumberWidth, kRowHeight, this));
    rows_[k].text->setGeometry(
        twips::Rect(kMargin + kNumberWidth, top, textWidth, kRowHeight, this));
  }
  scroll_->setGeometry(twips::Rect(kMargin + kNumberWidth + textWidth, kRowTop, kScrollWidth,
                                   VisibleRows() * kRowHeight, this));
  const int messTop = std::max(height - kBelowRows, kRowTop + VisibleRows() * kRowHeight);
  const int timeTop = messTop + kTimeGap;
  const int buttonTop = timeTop + kButtonGap;
  lblMess_->setGeometry(
      twips::Rect(kMargin, messTop, kNumberWidth + textWidth + kScrollWidth, 285, this));
  lblTime_->setGeometry(twips::Rect(kMargin, timeTop, 1800, 285, this));
  optRun_->setGeometry(twips::Rect(kMargin + 2000, timeTop, 1200, 285, this));
  for (size_t i = 0; i < buttons_.size(); ++i)
    buttons_[i]->setGeometry(twips::Rect(kMargin + static_cast<int>(i) * (kButtonSize + 30),
                                         buttonTop, kButtonSize, kButtonSize, this));
}

void frmInterp::SetRowCount(int count) {
  if (count == VisibleRows()) return;
  StoreTypedRow();  // a row that goes, or is redrawn, keeps what was typed into it
  while (VisibleRows() < count) AddRow();
  while (VisibleRows() > count) {
    const Row gone = rows_.back();
    rows_.pop_back();
    delete gone.number;
    delete gone.text;
  }
  if (interp_.Window() == this) interp_.SetVisibleRows(VisibleRows());
}

void frmInterp::AddRow() {
  const int k = VisibleRows();
  Row row{new QPushButton(page_), new QLineEdit(page_)};
  row.number->setObjectName(RowName("cmdNmb", k));
  row.number->setStyleSheet(kNormal);
  row.text->setObjectName(RowName("txtCmd", k));
  row.text->setStyleSheet(kNormal);
  row.text->installEventFilter(this);
  row.number->installEventFilter(this);
  connect(row.number, &QPushButton::clicked, this,
          life_.Guarded([this, k] { edit_.ClickRow(int16_t(k)); }));
  row.number->show();
  row.text->show();
  rows_.push_back(row);
}

void frmInterp::FitHeight(int height) {
  const int frame = std::max(frameGeometry().height() - this->height(),
                             style()->pixelMetric(QStyle::PM_TitleBarHeight) + 8);
  const int room = height - frame - (this->height() - page_->height());
  if (room >= page_->height()) return;
  resize(width(), this->height() - page_->height() + std::max(room, page_->minimumHeight()));
}

QToolButton* frmInterp::AddButton(const char* name, const char* caption, int icon,
                                  void (frmInterp::*slot)()) {
  auto* button = new QToolButton(page_);
  button->setObjectName(name);
  button->setText(caption);
  button->setIcon(style()->standardIcon(static_cast<QStyle::StandardPixmap>(icon)));
  button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  button->setFocusPolicy(Qt::StrongFocus);
  button->installEventFilter(this);
  connect(button, &QToolButton::clicked, this,
          life_.Guarded([this, slot] { StoreTypedRow(slot); }));
  buttons_.push_back(button);
  return button;
}

// Each button has its own access key, apart from the menus' ("Re&ad": Alt+D is Delete's).
void frmInterp::BuildButtons() {
  auto* read = AddButton("cmdRead", "Re&ad", QStyle::SP_DialogOpenButton, &frmInterp::Read);
  auto* write = AddButton("cmdWrite", "&Write", QStyle::SP_DialogSaveButton, &frmInterp::Write);
  auto* insert = AddButton("cmdInsert", "&Insert", QStyle::SP_FileIcon, &frmInterp::Insert);
  auto* del = AddButton("cmdDelete", "&Delete", QStyle::SP_TrashIcon, &frmInterp::Delete);
  auto* run = AddButton("cmdRun", "&Run", QStyle::SP_MediaPlay, &frmInterp::Run);
  auto* step = AddButton("cmdStep", "S&tep", QStyle::SP_MediaSeekForward, &frmInterp::Step);
  AddButton("cmdStop", "&Stop", QStyle::SP_MediaStop, &frmInterp::Stop);
  auto* over = AddButton("cmdOver", "&Over", QStyle::SP_MediaSkipBackward, &frmInterp::StartOver);
  runButtons_ = {del, insert, over, step, run, read, write, scroll_};
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
  view->addSeparator();
  QAction* goTo = AddItem(view, "mnuGoTo", "&Go to Line...", &frmInterp::GoToLine);
  goTo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
  addAction(goTo);
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
// During a run the operator is asked first; the window may go while the question is up.
void frmInterp::closeEvent(QCloseEvent* event) {
  event->ignore();  // hidden and deleted by Release, when no handler of it runs
  const auto busy = life_.Enter();
  if (!Released() && edit_.MayClose() && !Released()) Release();
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
  const bool scroll = key == Qt::Key_PageUp || key == Qt::Key_PageDown || key == Qt::Key_Up ||
                      key == Qt::Key_Down;
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
  if (watched == page_ && event->type() == QEvent::Resize) PlaceControls();
  if (event->type() == QEvent::Wheel && (watched == page_ || RowOf(watched) >= 0))
    return QCoreApplication::sendEvent(scroll_, event);
  if (event->type() == QEvent::KeyPress)
    return HandleKey(static_cast<QKeyEvent*>(event)->key()) || QWidget::eventFilter(watched, event);
  const bool press = event->type() == QEvent::MouseButtonPress;
  if (!press && event->type() != QEvent::FocusOut) return QWidget::eventFilter(watched, event);
  const int row = RowOf(watched);
  if (row >= 0 && watched == rows_[row].text) {
    const auto reason = press ? Qt::OtherFocusReason : static_cast<QFocusEvent*>(event)->reason();
    if (press) edit_.ClickRow(int16_t(row));
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

void frmInterp::SetMessage(const std::string& text) { lblMess_->setText(qttext::ShownText(text)); }
void frmInterp::SetTimeText(const std::string& text) { lblTime_->setText(ToQ(text)); }
void frmInterp::SetRunIndicator(bool on) { optRun_->setChecked(on); }
void frmInterp::SetCaption(const std::string& text) { setWindowTitle(qttext::ShownText(text)); }

void frmInterp::SetScrollPosition(int16_t top, int16_t lines, int16_t rows) {
  scrollShown_ = true;
  scroll_->setRange(0, std::max(0, lines - rows));
  scroll_->setPageStep(std::max<int>(rows, 1));
  scroll_->setValue(top);
  scrollShown_ = false;
}

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
  auto* box = new QMessageBox(QMessageBox::NoIcon, qttext::ShownText(title),
                              qttext::ShownMessage(text), QMessageBox::Ok | QMessageBox::Cancel,
                              this);
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
    // No printer: say so before the file is chosen, and where it went after.
    auto* dialog = new QFileDialog(this, "No printer: print to a PDF file", QString(),
                                   "PDF files (*.pdf)");
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
    if (ok) lblMess_->setText("No printer: the window was written to " + target);
  }
  if (!ok)
    messages_.Show("The window could not be printed on " + qttext::PathFromQ(target), kAppTitle,
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

// Asks for a line number and shows that line selected, as a click on its row would.
void frmInterp::GoToLine() {
  const int last = interp_.ProgCount() - 1;
  auto* dialog = new QInputDialog(this);
  dialog->setObjectName("dlgGoToLine");
  dialog->setWindowTitle("Go to Line");
  dialog->setLabelText(QString("Line number (0 to %1):").arg(last));
  dialog->setInputMode(QInputDialog::IntInput);
  dialog->setIntRange(0, last);
  dialog->setIntValue(std::max<int>(interp_.RowLine(interp_.SelectedRow()), 0));
  int line = -1;
  const int result = modal::Exec<QInputDialog>(dialog,
                                               [&](QInputDialog& d) { line = d.intValue(); });
  if (result != QDialog::Accepted || Released() || interp_.Window() != this) return;
  edit_.GoToLine(line);
}
