#include "admin/fmatrix.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "admin/core/outputcore.h"
#include "admin/outputbar.h"
#include "app/core/fobjcmdcore.h"
#include "app/core/ovatexit.h"
#include "app/core/ovconnwin.h"
#include "app/core/ovkinds.h"
#include "app/core/ovmainwin.h"
#include "app/core/ovoptions.h"
#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "platform/dialogs.h"
#include "platform/qstr.h"
#include "sqlwork/sqlactions.h"
#include "ui/core/ovworkbook.h"
#include "ui/fxlssql.h"
#include "ui/ovgrid.h"
#include "ui/ovimages.h"
#include "ui/ovmenubar.h"
#include "ui/zarurctl.h"

namespace {

constexpr char kTitle[] = "マトリックス表";
constexpr char kSizeKey[] = "MATRIX";
constexpr char kBookName[] = "MATRIX";
constexpr char kSaved[] = "ファイルが出力されました。";
constexpr char kCopyQuestion[] = "結果をクリップボードにコピーしますか？";
constexpr char kCommaItem[] = "カンマ区切りにする(非チェック時はタブ区切り)";
constexpr char kCopied[] = "クリップボードに出力しました。";
constexpr int kWindowImage = 1;
constexpr int kDesignWidth = 700;
constexpr int kDesignHeight = 450;
constexpr int kCellSize = 18;
constexpr int kImageSize = 16;
constexpr int kNameRow = 1;
constexpr int kNameCol = 0;
constexpr int kTextIndent = 20;
constexpr int kTextTop = 2;
constexpr int kImageLeft = 2;
constexpr int kRotatedLeft = 2;
constexpr int kRotatedBottom = 2;
constexpr int kRotatedNameBottom = 22;
constexpr int kRotatedImageLeft = 1;
constexpr int kRotatedImageBottom = 20;
constexpr int kFitNarrow = 6;
constexpr int kFitWithImage = 26;
constexpr int kFirstSheetDataRow = kMatrixFixed + 1;
// Fields of the object pages' rows, and of the field page's column rows.
constexpr size_t kSchemaField = 0;
constexpr size_t kNameField = 1;
constexpr size_t kKindField = 2;
constexpr size_t kColumnNameField = 0;
constexpr size_t kDataTypeField = 1;
constexpr size_t kLengthField = 3;
constexpr size_t kPrecisionField = 4;
constexpr size_t kScaleField = 5;
constexpr size_t kRadixField = 6;

constexpr TActionSpec kRefresh = {"最新(&R)", "最新|表を最新の状態にします。", 16};
constexpr TActionSpec kOutput = {"出力(&O)", "出力|表を出力します。", 36};
constexpr TActionSpec kExcel = {"Excel出力(&E)", "Excel出力|表をExcelファイルに出力します。", 44};
constexpr TActionSpec kCopy = {"クリップボード出力(&C)", "クリップボード出力|表をクリップボードに出力します。", 21};
constexpr TActionSpec kExit = {"終了(&X)", "終了|画面を閉じます。", 42};

// Draws the header cells: the row names with their kind images, and the
// column headers rotated to read upwards, the names with their images.
class TMatrixDelegate : public QStyledItemDelegate {
 public:
  explicit TMatrixDelegate(TovStringGrid& grid) : QStyledItemDelegate(&grid), grid_(grid) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const int row = index.row();
    const int col = index.column();
    const bool rowHeader = col == kNameCol && row >= kNameRow;
    const bool colHeader = row < kMatrixFixed && col >= 1;
    if (!rowHeader && !colHeader) {
      QStyledItemDelegate::paint(painter, option, index);
      return;
    }
    painter->save();
    painter->fillRect(option.rect, option.palette.button());
    painter->setClipRect(option.rect);
    const QString text = index.data().toString();
    const QFontMetrics metrics(option.font);
    const QRect r = option.rect;
    if (rowHeader) {
      const int kind = grid_.Objects(col, row).toInt();
      painter->drawText(r.left() + kTextIndent, r.top() + kTextTop + metrics.ascent(), text);
      if (kind > 0) imgMain().Icon(kind).paint(painter, r.left() + kImageLeft, r.top(), kImageSize, kImageSize);
    } else {
      const int bottom = row == kNameRow ? kRotatedNameBottom : kRotatedBottom;
      painter->translate(r.left() + kRotatedLeft + metrics.ascent(), r.bottom() - bottom);
      painter->rotate(-90);
      painter->drawText(0, 0, text);
      painter->resetTransform();
      const int kind = row == kNameRow ? grid_.Objects(col, row).toInt() : 0;
      if (kind > 0)
        imgMain().Icon(kind).paint(painter, r.left() + kRotatedImageLeft, r.bottom() - kRotatedImageBottom,
                                   kImageSize, kImageSize);
    }
    painter->restore();
  }

 private:
  TovStringGrid& grid_;
};

// The path of the template: its extension made the chosen file's when
// that file exists, else the template itself.
std::string TemplatePath(const std::string& chosen) {
  const std::string form = AppOption.ExcelFormMatrix.empty() ? chosen : AppOption.ExcelFormMatrix;
  const QFileInfo info(Q(form));
  const QString retyped =
      info.path() + "/" + info.completeBaseName() + "." + QFileInfo(Q(chosen)).suffix();
  if (QFile::exists(retyped)) return retyped.toStdString();
  return form;
}

// The workbook the matrix goes into: the chosen file when it exists, else
// the template with its first page block copied down and right for the
// grid, else a new workbook.
std::unique_ptr<TovWorkbook> MatrixBook(const std::string& chosen, int rows, int cols) {
  if (QFile::exists(Q(chosen))) return TovWorkbook::Open(chosen);
  const std::string form = TemplatePath(chosen);
  if (!QFile::exists(Q(form))) return TovWorkbook::Add();
  std::unique_ptr<TovWorkbook> book = TovWorkbook::Open(form);
  TovWorksheet sheet = book->ActiveSheet();
  const int pageRows = AppOption.ExcelMatrixRow;
  const int pageCols = AppOption.ExcelMatrixCol;
  const TMatrixBlockCopies copies = MatrixBlockCopies(rows, cols, pageRows, pageCols);
  const int blockBottom = kMatrixFixed + pageRows;
  for (int k = 1; k <= copies.Down; ++k)
    sheet.CopyRange({kFirstSheetDataRow, 1, blockBottom, kMatrixFixed + pageCols}, kFirstSheetDataRow + k * pageRows, 1);
  const int lastRow = blockBottom + copies.Down * pageRows;
  for (int k = 1; k <= copies.Right; ++k)
    sheet.CopyRange({1, kFirstSheetDataRow, lastRow, kMatrixFixed + pageCols}, 1, kFirstSheetDataRow + k * pageCols);
  return book;
}

}  // namespace

TfrmMatrix* TfrmMatrix::Create(TovConnectionWindow& connection) { return new TfrmMatrix(connection); }

TfrmMatrix::TfrmMatrix(TovConnectionWindow& connection) : TovForm(connection) {
  setObjectName("frmMatrix");
  SetDesignSize(kDesignWidth, kDesignHeight);
  setupUi();
  CreateTaskButton();
  SetImageIndex(kWindowImage);
  setWindowIcon(imgMain().Icon(kWindowImage));
  RunReported([this] { Reload(this); });
  TaskButtonClick();
}

void TfrmMatrix::setupUi() {
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
  mnuMatrix = new QMenu(QString::fromUtf8("マトリックス表(&O)"), this);
  mnuMatrix->addAction(actExcel);
  mnuMatrix->addAction(actCopy);
  SetMenuGroup(*mnuMatrix, kWindowMenuGroup);

  pagMatrix = new QTabWidget(this);
  pagMatrix->setObjectName("pagMatrix");
  for (TMatrixPage page : kMatrixPages) pagMatrix->addTab(new QWidget(pagMatrix), QString::fromUtf8(MatrixPageTitle(page)));
  layout->addWidget(pagMatrix, 1);
  grdMatrix = new TovStringGrid(this);
  grdMatrix->setObjectName("grdMatrix");
  grdMatrix->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Cells are cut at their edge, never shortened with an ellipsis.
  grdMatrix->setTextElideMode(Qt::ElideNone);
  grdMatrix->SetFixedRows(0);
  grdMatrix->SetFixedCols(0);
  grdMatrix->horizontalHeader()->setDefaultSectionSize(kCellSize);
  grdMatrix->verticalHeader()->setDefaultSectionSize(kCellSize);
  auto* delegate = new TMatrixDelegate(*grdMatrix);
  for (int i = 0; i < kMatrixFixed; ++i) grdMatrix->setItemDelegateForRow(i, delegate);
  grdMatrix->setItemDelegateForColumn(kNameCol, delegate);
  auto* pageLayout = new QVBoxLayout(pagMatrix->widget(0));
  pageLayout->setContentsMargins(0, 0, 0, 0);
  pageLayout->addWidget(grdMatrix);

  connect(actRefresh, &QAction::triggered, this, [this] { RunReported([this] { Reload(this); }); });
  connect(actExcel, &QAction::triggered, this, [this] { RunReported([this] { actExcelExecute(); }); });
  connect(actCopy, &QAction::triggered, this, [this] { RunReported([this] { actCopyExecute(); }); });
  connect(actExit, &QAction::triggered, this, [this] { Frame()->close(); });
  connect(pagMatrix, &QTabWidget::currentChanged, this, [this] { RunReported([this] { pagMatrixChange(); }); });
}

TMatrixPage TfrmMatrix::Page() const { return kMatrixPages[pagMatrix->currentIndex()]; }

void TfrmMatrix::pagMatrixChange() {
  QWidget* page = pagMatrix->currentWidget();
  if (!page->layout()) {
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
  }
  page->layout()->addWidget(grdMatrix);
  Reload(this);
}

void TfrmMatrix::ReadObjects(TMatrixModel& model) {
  const std::vector<TObjectItem> selected = ConnectionWindow->SelectedObjects();
  TovMainWindow* main = MainWindow();
  const int total = static_cast<int>(selected.size());
  for (int i = 0; i < total; ++i) {
    if (IsEscapePressed()) return;
    if (main) main->ShowProgress(i + 1, total);
    const TObjectItem& item = selected[static_cast<size_t>(i)];
    TovSQLQuery& q =
        ConnectionWindow->OpenSQLParams(MatrixObjectSql(Page()), {item.Schema, item.Name, ObjectKindName(item.Kind)});
    const int row = model.AddObjectRow(item.Name, item.Schema, item.Kind);
    for (; !q.Eof(); q.Next()) {
      const int col = model.ObjectColumn(q.AsString(kSchemaField), q.AsString(kNameField), ObjectKindFromName(q.AsString(kKindField)));
      model.Mark(row, col, kMatrixCross);
    }
  }
}

void TfrmMatrix::ReadFields(TMatrixModel& model) {
  const std::vector<TObjectItem> selected = ConnectionWindow->SelectedObjects();
  const std::string dataSource = ConnectionWindow->Module().GetDataSourceName();
  TovMainWindow* main = MainWindow();
  const int total = static_cast<int>(selected.size());
  for (int i = 0; i < total; ++i) {
    if (IsEscapePressed()) return;
    if (main) main->ShowProgress(i + 1, total);
    const TObjectItem& item = selected[static_cast<size_t>(i)];
    std::vector<std::string> keys;
    TovSQLQuery& pk = ConnectionWindow->OpenSQLParams(kMatrixPrimaryKeySql, {dataSource, item.Schema, item.Name});
    for (; !pk.Eof(); pk.Next()) keys.push_back(pk.AsString(kColumnNameField));
    TovSQLQuery& q = ConnectionWindow->OpenSQLParams(MatrixColumnSql(item.Kind), {dataSource, item.Schema, item.Name});
    const int col = model.AddObjectColumn(item.Schema, item.Name, item.Kind);
    std::string typeText;
    for (; !q.Eof(); q.Next()) {
      if (q.Value(kColumnNameField).isNull()) continue;  // a table without columns
      const TMatrixColumnType column{q.AsString(kDataTypeField), q.Value(kRadixField), q.Value(kLengthField),
                                     q.Value(kPrecisionField), q.Value(kScaleField)};
      // A code outside the table keeps the previous column's text.
      if (std::optional<std::string> text = MatrixTypeText(column)) typeText = *text;
      const std::string name = q.AsString(kColumnNameField);
      const bool key = std::find(keys.begin(), keys.end(), name) != keys.end();
      model.Mark(model.FieldRow(name, typeText), col, key ? kMatrixKey : kMatrixCross);
    }
  }
}

void TfrmMatrix::ShowModel(const TMatrixModel& model) {
  grdMatrix->ClearData();
  grdMatrix->SetRowCount(model.RowCount());
  grdMatrix->SetColCount(model.ColCount());
  for (int r = 0; r < model.RowCount(); ++r)
    for (int c = 0; c < model.ColCount(); ++c) grdMatrix->SetCells(c, r, model.Cell(r, c));
  for (int c = kMatrixFixed; c < model.ColCount(); ++c) grdMatrix->SetObjects(c, kNameRow, model.ColKind(c));
  for (int r = kMatrixFixed; r < model.RowCount(); ++r) grdMatrix->SetObjects(kNameCol, r, model.RowKind(r));
}

void TfrmMatrix::FitHeaders() {
  // Measured with the grid's own font, which draws the headers.
  const QFontMetrics metrics(grdMatrix->font());
  auto width = [&](int col, int row) { return metrics.horizontalAdvance(Q(grdMatrix->Cells(col, row))); };
  for (int c = 1; c < grdMatrix->ColCount(); ++c) {
    grdMatrix->setRowHeight(0, std::max(grdMatrix->rowHeight(0), width(c, 0) + kFitNarrow));
    grdMatrix->setRowHeight(1, std::max(grdMatrix->rowHeight(1), width(c, 1) + kFitWithImage));
  }
  for (int r = 1; r < grdMatrix->RowCount(); ++r) {
    grdMatrix->setColumnWidth(0, std::max(grdMatrix->columnWidth(0), width(0, r) + kFitWithImage));
    grdMatrix->setColumnWidth(1, std::max(grdMatrix->columnWidth(1), width(1, r) + kFitNarrow));
  }
}

void TfrmMatrix::Reload(QObject* sender) {
  (void)sender;
  if (!ConnectionWindow) return;
  TdmSymfoware& module = ConnectionWindow->Module();
  const std::string label = module.GetUserName() + " @ " + module.GetDataSourceName();
  setWindowTitle(Q(std::string(kTitle) + " - " + label));
  SetTaskCaption(label);
  grdMatrix->setUpdatesEnabled(false);
  const TSqlWaitCursor wait;
  const TObjectCountAgain countAgain;
  TMatrixModel model;
  // What was read before a failure still shows, formatted as usual.
  AtExit show([&] {
    model.Finish();
    ShowModel(model);
    FitHeaders();
    grdMatrix->clearSelection();
    grdMatrix->setUpdatesEnabled(true);
    grdMatrix->viewport()->update();
  });
  if (Page() == TMatrixPage::Field)
    ReadFields(model);
  else
    ReadObjects(model);
}

std::vector<std::vector<std::string>> TfrmMatrix::GridRows() const {
  std::vector<std::vector<std::string>> rows;
  for (int r = 0; r < grdMatrix->RowCount(); ++r) {
    std::vector<std::string> row;
    for (int c = 0; c < grdMatrix->ColCount(); ++c) row.push_back(grdMatrix->Cells(c, r));
    rows.push_back(row);
  }
  return rows;
}

void TfrmMatrix::actCopyExecute() {
  bool comma = AppOption.PasteColumn == 1;
  if (AppOption.PasteDialog) {
    TCheckList checks = {{kCommaItem, comma}};
    if (MsgBoxWithChecks(kCopyQuestion, MB_YESNO | MB_ICONQUESTION, checks) != IDYES) return;
    comma = checks[0].checked;
  }
  AppOption.PasteColumn = comma ? 1 : 0;
  const TObjectCountAgain countAgain;
  QApplication::clipboard()->clear();
  const std::vector<std::vector<std::string>> rows = GridRows();
  TovMainWindow* main = MainWindow();
  const int total = static_cast<int>(rows.size());
  const std::string text = RowsClipboardText(rows, comma, [] { return IsEscapePressed(); }, [&](int number) {
    if (main) main->ShowProgress(number, total);
  });
  QApplication::clipboard()->setText(Q(text));
  MsgBox(kCopied, MB_ICONINFORMATION);
}

void TfrmMatrix::actExcelExecute() {
  const TObjectCountAgain countAgain;
  const std::string proposed = UniqueFileName(AppOption.ExcelDir + kBookName + AppOption.ExcelExt);
  const platform::FileRequest request{platform::FileDialogKind::Save, "", "", proposed, ExcelSaveFilter()};
  const std::optional<std::string> chosen = platform::Dialogs().ShowFile(request);
  if (!chosen) return;
  {
    const TSqlWaitCursor wait;
    CheckWorkbookPath(*chosen);
    const std::vector<std::vector<std::string>> rows = GridRows();
    std::unique_ptr<TovWorkbook> book =
        MatrixBook(*chosen, static_cast<int>(rows.size()), rows.empty() ? 0 : static_cast<int>(rows.front().size()));
    TovWorksheet sheet = book->ActiveSheet();
    // One write of every row, each on its own sheet row (grid row r on
    // sheet row r + 1).
    TCellValues values;
    for (int r = 0; r < static_cast<int>(rows.size()) && !IsEscapePressed(); ++r) {
      if (TovMainWindow* main = MainWindow()) main->ShowProgress(r + 1, static_cast<int>(rows.size()));
      std::vector<TCellValue> line;
      for (const std::string& cell : rows[static_cast<size_t>(r)]) line.push_back(TypedValue(cell, false));
      values.push_back(line);
    }
    sheet.SetValues(1, 1, values);
    sheet.Select(1, 1);
    sheet.SetText(1, 1, MatrixPageTitle(Page()));
    QDir().mkpath(QFileInfo(Q(*chosen)).absolutePath());
    // The workbook replaces an existing file only once written whole, so a
    // failure before leaves the chosen file as it was.
    book->SaveAs(*chosen);
  }
  MsgBox(kSaved, MB_ICONINFORMATION);
  AppOption.ExcelDir = QFileInfo(Q(*chosen)).absolutePath().toStdString() + "/";
}

void TfrmMatrix::LoadWindowSize() { LoadWindowSizeFrom(kSizeKey); }

void TfrmMatrix::SaveWindowSize() { SaveWindowSizeTo(kSizeKey); }
