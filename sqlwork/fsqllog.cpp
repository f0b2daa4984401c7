#include "sqlwork/fsqllog.h"

#include <QApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QPainter>
#include <QSplitter>
#include <QLayout>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "app/ovforms.h"
#include "editor/ovmemo.h"
#include "platform/qstr.h"
#include "ui/ovimages.h"
#include "ui/ovstdctl.h"
#include "ui/zarurctl.h"
#include "ui/ovtoolbar.h"

namespace {

constexpr char kCaption[] = "SQL 一覧";
constexpr char kLayoutKey[] = "SQLLOG";
constexpr int kImageSelect = 15;
constexpr int kImageExit = 42;
constexpr int kImageUp = 35;
constexpr int kImageDown = 36;
constexpr int kImageDelete = 41;
constexpr int kImageFind = 23;
// A list line is written this far right of and below its item's corner.
constexpr int kTextOffset = 2;
// The colour of a line the last search marked (red 0, green 0, blue 255).
constexpr QColor kMarkColour(0, 0, 255);
constexpr int kDesignWidth = 560;
constexpr int kDesignHeight = 420;
constexpr int kListStretch = 1;
constexpr int kPreviewStretch = 2;

QToolButton* Button(QToolBar* bar, const char* name, int image, const char* caption, const char* hint) {
  auto* button = new QToolButton(bar);
  button->setObjectName(name);
  button->setIcon(imgMain().Icon(image));
  if (caption) {
    button->setText(Q(caption));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  } else {
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
  }
  if (hint) button->setToolTip(Q(hint));
  bar->addWidget(button);
  return button;
}

// Draws each list line itself: the background, then the text in blue when
// the last search marked its entry.
class TLogItemDelegate : public QStyledItemDelegate {
 public:
  explicit TLogItemDelegate(TfrmSQLLog& form) : QStyledItemDelegate(&form), form_(form) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    lstSQLDrawItem(*painter, option, index.row());
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {QStyledItemDelegate::sizeHint(option, index).width(), TfrmSQLLog::kItemHeight};
  }

 private:
  void lstSQLDrawItem(QPainter& painter, const QStyleOptionViewItem& option, int row) const {
    const bool selected = option.state & QStyle::State_Selected;
    painter.fillRect(option.rect, option.palette.brush(selected ? QPalette::Highlight : QPalette::Base));
    painter.setFont(form_.lstSQL->font());
    painter.setPen(form_.Marked(row) ? kMarkColour : form_.lstSQL->palette().color(QPalette::Text));
    const QRect text = option.rect.adjusted(kTextOffset, kTextOffset, 0, 0);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     form_.lstSQL->item(row) ? form_.lstSQL->item(row)->text() : QString());
  }

  TfrmSQLLog& form_;
};

}  // namespace

TfrmSQLLog::TfrmSQLLog(QWidget* owner) : QDialog(owner) { setupUi(); }

void TfrmSQLLog::setupUi() {
  setWindowTitle(Q(kCaption));
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  setSizeGripEnabled(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);

  tolCmd = new QToolBar(this);
  tolCmd->setObjectName("tolCmd");
  btnSelect = Button(tolCmd, "btnSelect", kImageSelect, "選択(&S)", nullptr);
  btnExit = Button(tolCmd, "btnExit", kImageExit, "終了(&X)", nullptr);
  tolCmd->addSeparator();
  btnUp = Button(tolCmd, "btnUp", kImageUp, nullptr, "上に移動");
  btnDown = Button(tolCmd, "btnDown", kImageDown, nullptr, "下に移動");
  btnDel = Button(tolCmd, "btnDel", kImageDelete, nullptr, "削除");
  tolCmd->addSeparator();
  pnlFind = new QWidget(tolCmd);
  pnlFind->setObjectName("pnlFind");
  auto* findLayout = new QVBoxLayout(pnlFind);
  findLayout->setContentsMargins(0, 0, 0, 0);
  txtFind = new TovStrEdit(pnlFind);
  txtFind->setObjectName("txtFind");
  txtFind->SetCharCase(ecUpperCase);
  findLayout->addWidget(txtFind);
  tolCmd->addWidget(pnlFind);
  btnFind = Button(tolCmd, "btnFind", kImageFind, nullptr, "検索");
  layout->addWidget(tolCmd);

  splSQL = new QSplitter(Qt::Vertical, this);
  splSQL->setObjectName("splSQL");
  lstSQL = new QListWidget(splSQL);
  lstSQL->setObjectName("lstSQL");
  lstSQL->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lstSQL->setUniformItemSizes(true);
  lstSQL->setItemDelegate(new TLogItemDelegate(*this));
  txtSQL = new TovMemo(splSQL);
  txtSQL->setObjectName("txtSQL");
  splSQL->addWidget(lstSQL);
  splSQL->addWidget(txtSQL);
  splSQL->setStretchFactor(0, kListStretch);
  splSQL->setStretchFactor(1, kPreviewStretch);
  layout->addWidget(splSQL, 1);
  resize(kDesignWidth, kDesignHeight);

  connect(btnSelect, &QToolButton::clicked, this, &TfrmSQLLog::btnSelectClick);
  connect(btnExit, &QToolButton::clicked, this, &TfrmSQLLog::btnExitClick);
  connect(btnUp, &QToolButton::clicked, this, &TfrmSQLLog::btnUpClick);
  connect(btnDown, &QToolButton::clicked, this, &TfrmSQLLog::btnDownClick);
  connect(btnDel, &QToolButton::clicked, this, &TfrmSQLLog::btnDelClick);
  connect(btnFind, &QToolButton::clicked, this, &TfrmSQLLog::btnFindClick);
  connect(lstSQL, &QListWidget::currentRowChanged, this, &TfrmSQLLog::lstSQLClick);
  connect(lstSQL, &QListWidget::itemDoubleClicked, this, &TfrmSQLLog::btnSelectClick);
  lstSQL->installEventFilter(this);
  txtFind->installEventFilter(this);
  tolCmd->installEventFilter(this);
}

bool TfrmSQLLog::Marked(int row) const {
  return row >= 0 && static_cast<size_t>(row) < items_.size() && items_[static_cast<size_t>(row)].Marked;
}

void TfrmSQLLog::FillList() {
  items_ = SQLLogItems();
  lstSQL->clear();
  for (const TSQLLogItem& item : items_) lstSQL->addItem(Q(item.Text));
}

void TfrmSQLLog::btnSelectClick() {
  // Only a choice of an entry counts: a press with no entry current must not
  // turn a later title-bar close into a choice.
  if (lstSQL->currentRow() < 0) return;
  chosen_ = true;
  close();
}

void TfrmSQLLog::btnExitClick() {
  lstSQL->setCurrentRow(-1);
  close();
}

void TfrmSQLLog::lstSQLClick() {
  txtSQL->Lines().Clear();
  const int row = lstSQL->currentRow();
  if (row >= 0) txtSQL->Lines().Assign(ReadSQLLogEntry(row));
  txtSQL->GetUndoObj().Clear();
  txtSQL->SetRow(0);
  txtSQL->SetCol(0);
}

void TfrmSQLLog::btnDelClick() {
  std::vector<int> rows;
  for (const QModelIndex& index : lstSQL->selectionModel()->selectedRows()) rows.push_back(index.row());
  if (rows.empty()) return;
  RemoveSQLLogEntries(items_, rows);
  lstSQL->clear();
  for (const TSQLLogItem& item : items_) lstSQL->addItem(Q(item.Text));
}

void TfrmSQLLog::Move(TSQLLogDirection direction) {
  std::vector<int> rows;
  for (const QModelIndex& index : lstSQL->selectionModel()->selectedRows()) rows.push_back(index.row());
  const int from = rows.size() == 1 ? rows.front() : -1;
  const TSQLLogMove moved = MoveSQLLogEntry(items_, rows, direction);
  if (moved.TooMany) {
    MsgBox(kSQLLogMoveWarning, MB_ICONWARNING);
    return;
  }
  if (moved.Index < 0) return;
  lstSQL->item(from)->setText(Q(items_[static_cast<size_t>(from)].Text));
  lstSQL->item(moved.Index)->setText(Q(items_[static_cast<size_t>(moved.Index)].Text));
  lstSQL->setCurrentRow(moved.Index, QItemSelectionModel::ClearAndSelect);
}

void TfrmSQLLog::btnUpClick() { Move(TSQLLogDirection::Up); }

void TfrmSQLLog::btnDownClick() { Move(TSQLLogDirection::Down); }

void TfrmSQLLog::btnFindClick() {
  TSqlWaitCursor wait;
  if (SearchSQLLog(items_, txtFind->text().toStdString())) lstSQL->viewport()->update();
}

// The box takes what the bar's other items leave, measured as this style
// lays them out: a fixed rest too small for them pushes the box and its
// button into the bar's overflow menu.
void TfrmSQLLog::tolCmdResize() { pnlFind->setFixedWidth(std::max(0, tolCmd->contentsRect().width() - ToolBarRest())); }

int TfrmSQLLog::ToolBarRest() const {
  const QStyle* style = tolCmd->style();
  const int spacing = std::max(0, tolCmd->layout()->spacing());
  int rest = 2 * (style->pixelMetric(QStyle::PM_ToolBarItemMargin, nullptr, tolCmd) +
                  style->pixelMetric(QStyle::PM_ToolBarFrameWidth, nullptr, tolCmd));
  if (tolCmd->isMovable()) rest += style->pixelMetric(QStyle::PM_ToolBarHandleExtent, nullptr, tolCmd) + spacing;
  for (QAction* action : tolCmd->actions()) {
    const QWidget* item = tolCmd->widgetForAction(action);
    if (item == pnlFind) continue;
    if (item) rest += std::max(item->sizeHint().width(), item->minimumWidth()) + spacing;
  }
  return std::max(rest, kToolBarRest);
}

void TfrmSQLLog::LoadWindowSize() { LoadWindowSizeOf(*this, kLayoutKey, QSize(kDesignWidth, kDesignHeight)); }

void TfrmSQLLog::SaveWindowSize() { SaveWindowSizeOf(*this, kLayoutKey); }

bool TfrmSQLLog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == tolCmd && event->type() == QEvent::Resize) {
    tolCmdResize();
  } else if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (watched == lstSQL && enter) {  // lstSQLKeyDown
      btnSelectClick();
      return true;
    }
    if (watched == lstSQL && key == Qt::Key_Delete) {
      btnDelClick();
      return true;
    }
    if (watched == txtFind && enter) {  // txtFindKeyPress
      btnFindClick();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmSQLLog::showEvent(QShowEvent* event) {
  if (!shown_) {
    shown_ = true;
    FormShow();
  }
  QDialog::showEvent(event);
}

void TfrmSQLLog::FormShow() {
  btnSelect->setFixedWidth(kTextButtonWidth);
  btnExit->setFixedWidth(kTextButtonWidth);
}

// Every way of closing ends here; without a choice the result is -1.
void TfrmSQLLog::done(int result) {
  FormClose();
  QDialog::done(result);
}

void TfrmSQLLog::FormClose() {
  if (!chosen_) {
    lstSQL->setCurrentRow(-1);
    lstSQL->clear();
  }
  chosen_ = false;
}

int ShowSQLLog(TovForm* owner) {
  TfrmSQLLog form(owner);
  if (owner) {
    form.setWindowIcon(owner->windowIcon());
    const QPoint client = owner->mapToGlobal(QPoint(0, 0));
    form.move(client.x() + form.style()->pixelMetric(QStyle::PM_TitleBarHeight), client.y());
  }
  ApplyControlOptions(form.txtSQL);
  form.txtSQL->SetReadOnly(true);
  form.FillList();
  struct TSizeSaved {
    TfrmSQLLog& form;
    ~TSizeSaved() { form.SaveWindowSize(); }
  } saved{form};
  form.LoadWindowSize();
  form.exec();
  return form.lstSQL->currentRow();
}
