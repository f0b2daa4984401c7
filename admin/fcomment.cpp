#include "admin/fcomment.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "admin/core/outputcore.h"
#include "admin/outputbar.h"
#include "app/core/fobjcmdcore.h"
#include "app/core/ovconnwin.h"
#include "app/core/ovkinds.h"
#include "app/core/ovmainwin.h"
#include "app/core/ovoptions.h"
#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "app/fobjddl.h"
#include "editor/core/EditorProp.h"
#include "platform/dialogs.h"
#include "platform/qstr.h"
#include "sqlwork/sqlactions.h"
#include "ui/core/ovworkbook.h"
#include "ui/fxlssql.h"
#include "ui/ovgrid.h"
#include "ui/ovimages.h"
#include "ui/zarurctl.h"
#include "ui/ovtoolbar.h"

namespace {

constexpr char kTitle[] = "コメントチェック";
constexpr char kSizeKey[] = "COMMENT";
constexpr char kBookName[] = "COMMENT";
constexpr char kSaved[] = "ファイルに出力しました。";
constexpr char kCopyQuestion[] = "結果をクリップボードにコピーしますか？";
constexpr char kCommaItem[] = "カンマ区切りにする(非チェック時はタブ区切り)";
constexpr char kCopied[] = "クリップボードに出力しました。";
constexpr int kWindowImage = 88;
constexpr int kDesignWidth = 700;
constexpr int kDesignHeight = 400;
constexpr int kNameWidth = 150;
constexpr int kSchemaWidth = 150;
constexpr int kTypeWidth = 100;
constexpr int kCommentMargin = 3;
constexpr int kTextTop = 2;
constexpr double kCommentBookWidth = 100;
constexpr int kTypeColumn = 2;
constexpr size_t kValueField = 0;
constexpr uint8_t kPageSource = 1;
const QColor kNoCommentColour(255, 0, 0);
const QColor kCommentColour(0, 0x80, 0);

constexpr TActionSpec kRefresh = {"最新(&R)", "最新|一覧を最新の状態にします。", 16};
constexpr TActionSpec kOutput = {"出力(&P)", "出力|一覧を出力します。", 36};
constexpr TActionSpec kExcel = {"Excel出力(&E)", "Excel出力|一覧をExcelファイルに出力します。", 44};
constexpr TActionSpec kCopy = {"クリップボード出力(&C)", "クリップボード出力|一覧をクリップボードに出力します。", 21};
constexpr TActionSpec kExit = {"終了(&X)", "終了|画面を閉じます。", 42};

QColor ColourOf(TCommentColour colour) {
  switch (colour) {
    case TCommentColour::Green:
      return kCommentColour;
    case TCommentColour::Red:
      return kNoCommentColour;
    case TCommentColour::Black:
      break;
  }
  return Qt::black;
}

int TabSize() {
  TovMainWindow* main = ControlOptionsWindow();
  return main ? main->EditorProperties().Caret().TabSpaceCount() : TEditorCaret::kMaxTabSpaceCount;
}

// Draws a comment cell piece by piece in its colours.
class TCommentDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    QApplication::style()->drawControl(QStyle::CE_ItemViewItem, &background, painter, option.widget);
    painter->save();
    painter->setClipRect(option.rect);
    painter->setFont(option.font);
    const QFontMetrics metrics(option.font);
    int x = option.rect.left();
    const int baseline = option.rect.top() + kTextTop + metrics.ascent();
    for (const TCommentPiece& piece : CommentPieces(index.data().toString().toStdString(), TabSize())) {
      painter->setPen(ColourOf(piece.Colour));
      const QString text = Q(piece.Text);
      painter->drawText(x, baseline, text);
      x += metrics.horizontalAdvance(text);
    }
    painter->restore();
  }
};

}  // namespace

TfrmComment* TfrmComment::Create(TovConnectionWindow& connection) { return new TfrmComment(connection); }

TfrmComment::TfrmComment(TovConnectionWindow& connection) : TovForm(connection) {
  setObjectName("frmComment");
  SetDesignSize(kDesignWidth, kDesignHeight);
  setupUi();
  CreateTaskButton();
  SetImageIndex(kWindowImage);
  setWindowIcon(imgMain().Icon(kWindowImage));
  // The window keeps its own copy: later changes of the list do not reach it.
  for (const TObjectItem& item : connection.SelectedObjects())
    objects_.push_back({item.Kind, item.Name, item.Schema, ObjectKindName(item.Kind)});
  RunReported([this] { Reload(this); });
  TaskButtonClick();
}

void TfrmComment::setupUi() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  const TOutputBar bar = AddOutputBar(*this, *layout, {kRefresh, kOutput, kExcel, kCopy, kExit});
  tolCmd = bar.Bar;
  mnuOutput = bar.Menu;
  actRefresh = bar.Refresh;
  actOutput = bar.Output;
  actExcel = bar.Excel;
  actCopy = bar.Copy;
  actExit = bar.Exit;
  SetTextButtonWidths(*tolCmd, {actRefresh, actOutput, actExit});
  grdComment = new TovStringGrid(this);
  grdComment->setObjectName("grdComment");
  grdComment->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grdComment->SetFixedCols(0);
  grdComment->SetColCount(static_cast<int>(CommentHeader().size()));
  grdComment->SetRowCount(2);
  grdComment->SetFixedRows(1);
  grdComment->setItemDelegateForColumn(kCommentColumn, new TCommentDelegate(grdComment));
  grdComment->setContextMenuPolicy(Qt::CustomContextMenu);
  layout->addWidget(grdComment, 1);
  popComment = new QMenu(this);
  mnuSource = popComment->addAction(QString::fromUtf8("ソースを表示(&V)"));
  mnuSource->setObjectName("mnuSource");

  connect(actRefresh, &QAction::triggered, this, [this] { RunReported([this] { Reload(this); }); });
  connect(actExcel, &QAction::triggered, this, [this] { RunReported([this] { actExcelExecute(); }); });
  connect(actCopy, &QAction::triggered, this, [this] { RunReported([this] { actCopyExecute(); }); });
  connect(actExit, &QAction::triggered, this, [this] { Frame()->close(); });
  connect(mnuSource, &QAction::triggered, this, [this] { mnuSourceClick(); });
  connect(grdComment, &QAbstractItemView::doubleClicked, this, [this] { mnuSourceClick(); });
  // A right click makes the cell under the mouse current first.
  connect(grdComment, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    const QModelIndex index = grdComment->indexAt(at);
    if (!index.isValid()) return;
    grdComment->setCurrentIndex(index);
    popComment->popup(grdComment->viewport()->mapToGlobal(at));
  });
}

void TfrmComment::FormResize() {
  const int rest = grdComment->viewport()->width() - kNameWidth - kSchemaWidth - kTypeWidth - kCommentMargin;
  grdComment->setColumnWidth(kCommentColumn, std::max(rest, kTypeWidth));
}

void TfrmComment::resizeEvent(QResizeEvent* event) {
  TovForm::resizeEvent(event);
  FormResize();
}

void TfrmComment::Reload(QObject* sender) {
  (void)sender;
  if (!ConnectionWindow) return;
  TdmSymfoware& module = ConnectionWindow->Module();
  const std::string label = module.GetUserName() + " @ " + module.GetDataSourceName();
  setWindowTitle(Q(std::string(kTitle) + " - " + label));
  SetTaskCaption(label);
  const TSqlWaitCursor wait;
  grdComment->ClearData();
  grdComment->SetRowCount(2);
  grdComment->Header().Assign(CommentHeader());
  grdComment->setColumnWidth(0, kNameWidth);
  grdComment->setColumnWidth(1, kSchemaWidth);
  grdComment->setColumnWidth(kTypeColumn, kTypeWidth);
  FormResize();
  bool first = true;
  for (const TCommentObject& object : objects_) {
    if (IsEscapePressed()) break;
    TovSQLQuery& q = ConnectionWindow->OpenSQLParams(CommentSQL(object.Kind),
                                                     {module.GetDataSourceName(), object.Schema, object.Name});
    std::vector<std::string> values;
    for (; !q.Eof(); q.Next()) values.push_back(q.AsString(kValueField));
    for (const TCommentRow& row : CommentRows(object, values)) {
      if (first) {
        first = false;
      } else {
        grdComment->SetRowCount(grdComment->RowCount() + 1);
      }
      const int target = grdComment->RowCount() - 1;
      const std::vector<std::string> cells = CommentCells(row);
      for (int c = 0; c < static_cast<int>(cells.size()); ++c)
        grdComment->SetCells(c, target, cells[static_cast<size_t>(c)]);
      grdComment->SetObjects(kTypeColumn, target, row.Kind);
    }
  }
}

std::vector<TCommentRow> TfrmComment::Rows() const {
  std::vector<TCommentRow> rows;
  for (int r = 1; r < grdComment->RowCount(); ++r)
    rows.push_back({grdComment->Cells(0, r), grdComment->Cells(1, r), grdComment->Cells(kTypeColumn, r),
                    grdComment->Cells(kCommentColumn, r), grdComment->Objects(kTypeColumn, r).toInt()});
  return rows;
}

std::vector<std::vector<std::string>> TfrmComment::GridRows(bool header) const {
  std::vector<std::vector<std::string>> rows;
  if (header) rows.push_back(CommentHeader());
  for (const TCommentRow& row : Rows()) rows.push_back(CommentCells(row));
  return rows;
}

void TfrmComment::mnuSourceClick() {
  if (!ConnectionWindow) return;
  const int row = grdComment->Row();
  if (row < 1 || row >= grdComment->RowCount()) return;
  const std::string name = grdComment->Cells(0, row);
  const std::string schema = grdComment->Cells(1, row);
  const int kind = grdComment->Objects(kTypeColumn, row).toInt();
  if (kind == 0) return;
  // Opening a source never fails loudly: the list stays as it is.
  try {
    if (TovMainWindow* main = MainWindow()) {
      const QString caption =
          Q(CommentEditorCaption(kind, schema, name, ConnectionWindow->Module().GetDataSourceName()));
      const std::vector<QWidget*> windows = main->ChildWindows();
      for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        if ((*it)->windowTitle() != caption) continue;
        if (auto* frame = qobject_cast<QMdiSubWindow*>((*it)->parentWidget())) main->ShowChildWindow(frame);
        return;
      }
    }
    OpenObject(*ConnectionWindow, kind, schema, name, kPageSource, 0, 0);
  } catch (...) {
  }
}

void TfrmComment::actExcelExecute() {
  const TObjectCountAgain countAgain;
  const std::string proposed = UniqueFileName(AppOption.ExcelDir + kBookName + AppOption.ExcelExt);
  const platform::FileRequest request{platform::FileDialogKind::Save, "", "", proposed, ExcelSaveFilter()};
  const std::optional<std::string> chosen = platform::Dialogs().ShowFile(request);
  if (!chosen) return;
  {
    const TSqlWaitCursor wait;
    CheckWorkbookPath(*chosen);
    std::unique_ptr<TovWorkbook> book = TovWorkbook::Add();
    TovWorksheet sheet = book->ActiveSheet();
    sheet.Activate();
    sheet.SetColumnWidth(kCommentColumn + 1, kCommentBookWidth);
    const std::vector<std::vector<std::string>> rows = GridRows(true);
    for (size_t r = 0; r < rows.size(); ++r)
      for (size_t c = 0; c < rows[r].size(); ++c)
        sheet.SetText(static_cast<int>(r) + 1, static_cast<int>(c) + 1, OutputCellText(rows[r][c]));
    QDir().mkpath(QFileInfo(Q(*chosen)).absolutePath());
    // The workbook replaces an existing file only once written whole.
    book->SaveAs(*chosen);
  }
  MsgBox(kSaved, MB_ICONINFORMATION);
  AppOption.ExcelDir = QFileInfo(Q(*chosen)).absolutePath().toStdString() + "/";
}

void TfrmComment::actCopyExecute() {
  bool comma = AppOption.PasteColumn == 1;
  if (AppOption.PasteDialog) {
    TCheckList checks = {{kCommaItem, comma}};
    if (MsgBoxWithChecks(kCopyQuestion, MB_YESNO | MB_ICONQUESTION, checks) != IDYES) return;
    comma = checks[0].checked;
  }
  AppOption.PasteColumn = comma ? 1 : 0;
  const TObjectCountAgain countAgain;
  QApplication::clipboard()->clear();
  std::vector<std::vector<std::string>> rows = GridRows(false);
  for (std::vector<std::string>& row : rows)
    for (std::string& cell : row) cell = OutputCellText(cell);
  TovMainWindow* main = MainWindow();
  const int total = static_cast<int>(rows.size());
  const std::string text = RowsClipboardText(rows, comma, [] { return IsEscapePressed(); }, [&](int number) {
    if (main) main->ShowProgress(number, total);
  });
  QApplication::clipboard()->setText(Q(text));
  MsgBox(kCopied, MB_ICONINFORMATION);
}

void TfrmComment::LoadWindowSize() { LoadWindowSizeFrom(kSizeKey); }

void TfrmComment::SaveWindowSize() { SaveWindowSizeTo(kSizeKey); }
