#include "ui/rdata.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QClipboard>
#include <QDateTimeEdit>
#include <QDir>
#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollArea>
#include <QToolBar>
#include <algorithm>
#include <optional>

#include "app/core/ovmainwin.h"
#include "app/core/ovoptions.h"
#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "platform/inifile.h"
#include "ui/fmemo.h"
#include "ui/ovdbgrid.h"
#include "ui/ovimages.h"
#include "ui/zarurctl.h"

namespace {

constexpr int kToolButtonWidth = 24;
constexpr int kToolButtonHeight = 25;
constexpr int kImageUpdate = 88;
constexpr int kImageGridType = 87;
constexpr int kImageExcel = 44;
constexpr int kImageCopy = 21;
constexpr int kImageIns = 39;
constexpr int kImageDel = 40;
constexpr int kImageFirst = 37;
constexpr int kImagePrev = 35;
constexpr int kImageNext = 36;
constexpr int kImageLast = 38;
// Offset of the frame's own cell texts from the cell's left and top.
constexpr int kCellMargin = 2;
constexpr TDBGridOptions kEditOptions = dgEditing | dgAlwaysShowEditor;
// Raised by the frame's own query, so it carries that query's name.
constexpr char kNoResultSetError[] = "qryData: CommandText does not return a result set";

QString Q(const std::string& text) { return QString::fromStdString(text); }

QAction* ToolButton(QToolBar* bar, int image, const char* hint) {
  QAction* action = bar->addAction(imgMain().Icon(image), QString());
  action->setToolTip(QString::fromUtf8(hint));
  return action;
}

// Transaction steps whose failure the frame leaves to the main window.
template <class F>
void IgnoreFailure(F step) {
  try {
    step();
  } catch (const std::exception&) {
  }
}

// Runs a command of the frame: a failure reaches the user as the standard
// error box instead of leaving the event handler.
template <class F>
auto Command(F command) {
  return [command] {
    try {
      command();
    } catch (const std::exception& e) {
      MsgBox(e.what(), MB_OK | MB_ICONERROR);
    }
  };
}

// The calendar's display formats; the program's date format when set.
constexpr const char* kPickerDateFormat = "yyyy-MM-dd";
constexpr const char* kPickerTimeFormat = " HH:mm:ss";
// A point this far in from the picker's right edge lies on its arrow.
constexpr int kPickerArrowInset = 4;

// Where a right click opens which menu: the record menu over the
// indicator band, the column menu over the title band.
constexpr int kIndicatorBand = 10;
constexpr int kTitleBand = 17;

}  // namespace

TfraData::TfraData(TDataOwner& owner, TovSQLConnection* connection, QWidget* parent, TBuild build)
    : QFrame(parent), qryData(connection), qryLob(connection), owner_(owner) {
  setObjectName("fraData");
  if (connection != nullptr) resolver_ = std::make_unique<TovSQLResolver>(*connection);
  cdsData.AfterUpdateRecord = [this](TUpdateKind) {
    if (!AppOption.AutoCommit || qryData.Connection() == nullptr) return;
    // The change is written; a failed commit or begin leaves it to the
    // main window's commit or rollback.
    TovSQLConnection& connection = *qryData.Connection();
    IgnoreFailure([&] { connection.CommitTrans(); });
    if (!connection.InTransaction()) IgnoreFailure([&] { connection.BeginTrans(); });
  };
  cdsData.OnUpdateError = [this](TUpdateKind, const std::string&) {
    if (qryData.Connection() != nullptr) IgnoreFailure([this] { qryData.Connection()->BeginTrans(); });
  };
  cdsData.OnReconcileError = [this](TUpdateKind, const std::string& message) {
    MsgBox(message, MB_ICONWARNING);
    cdsData.CancelUpdates();
    cdsData.Refresh();
  };
  updateMode_ = AppOption.UpdateMode;
  cdsData.ReadOnly = !updateMode_;
  if (build == TBuild::Now) BuildWidgets();
}

void TfraData::BuildWidgets() {
  if (Built()) return;
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  tolLeft = new QToolBar(this);
  tolLeft->setOrientation(Qt::Vertical);
  tolLeft->setIconSize(QSize(kToolButtonWidth, kToolButtonHeight));
  btnUpdate = ToolButton(tolLeft, kImageUpdate, "結果を編集可能にする");
  btnUpdate->setCheckable(true);
  btnUpdate->setChecked(updateMode_);
  btnGridType = ToolButton(tolLeft, kImageGridType, "出力方向変更");
  btnExcel = ToolButton(tolLeft, kImageExcel, "結果をExcelファイルに出力する");
  btnCopy = ToolButton(tolLeft, kImageCopy, "結果をクリップボードに出力する");
  tolLeft->addSeparator();
  btnIns = ToolButton(tolLeft, kImageIns, "レコードの挿入");
  btnDel = ToolButton(tolLeft, kImageDel, "レコードの削除");
  tolLeft->addSeparator();
  btnFirst = ToolButton(tolLeft, kImageFirst, "");
  btnPrev = ToolButton(tolLeft, kImagePrev, "");
  btnNext = ToolButton(tolLeft, kImageNext, "");
  btnLast = ToolButton(tolLeft, kImageLast, "");
  // The page scroller holds the tool bar and takes the focus that ends a
  // grid's cell editing.
  scrButton = new QScrollArea(this);
  scrButton->setWidget(tolLeft);
  scrButton->setWidgetResizable(true);
  scrButton->setFrameShape(QFrame::NoFrame);
  scrButton->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scrButton->setFocusPolicy(Qt::StrongFocus);
  scrButton->setFixedWidth(tolLeft->sizeHint().width());
  layout->addWidget(scrButton);

  grdData1 = new TovDBGridV(this);
  grdData2 = new TovDBGridH(this);
  const TDBGridOptions options = kDefaultGridOptions | dgMultiSelect;
  for (TovDBGridBase* grid : {static_cast<TovDBGridBase*>(grdData1), static_cast<TovDBGridBase*>(grdData2)}) {
    grid->SetOptions(options);
    ApplyControlOptions(grid);
    layout->addWidget(grid, 1);
    grid->OnDrawItemCell = [this, grid](const TovDBGridBase::TDrawCellInfo& info) {
      DrawCell(*grid, info, grid == grdData2);
    };
    grid->OnEditButtonClick = [this] { grdData1EditButtonClick(); };
    grid->OnDblClick = [this] {
      if (updateMode_) grdData1EditButtonClick();
    };
    grid->OnKeyDown = [this, grid](int key, Qt::KeyboardModifiers modifiers) {
      return SetNullKey(*grid, key, modifiers);
    };
  }
  SetEditing(editing_);
  dtpInputDate = new QDateTimeEdit(this);
  dtpInputDate->setCalendarPopup(true);
  dtpInputDate->hide();
  connect(dtpInputDate, &QDateTimeEdit::dateTimeChanged, this, Command([this] { dtpInputdateChange(); }));
  popRecord = new QMenu(this);
  mnuIns = popRecord->addAction("レコードの挿入(&I)");
  mnuCopy = popRecord->addAction("レコードのコピー(&C)");
  mnuPaste = popRecord->addAction("レコードの貼り付け(&V)");
  mnuDel = popRecord->addAction("レコードの削除(&D)");
  popColumn = new QMenu(this);
  mnuSort = popColumn->addAction("並び替え(&S)");
  mnugroup = popColumn->addMenu("集計情報を表示(&T)");
  const std::pair<const char*, TAggregate> aggregates[] = {{"件数(&C)", TAggregate::Count},
                                                           {"合計(&S)", TAggregate::Sum},
                                                           {"平均(&A)", TAggregate::Average},
                                                           {"最大(&M)", TAggregate::Max},
                                                           {"最小(&N)", TAggregate::Min}};
  for (const auto& [caption, kind] : aggregates)
    connect(mnugroup->addAction(caption), &QAction::triggered, this, Command([this, k = kind] { ShowAggregate(k); }));

  connect(btnUpdate, &QAction::toggled, this, [this](bool on) { updateMode_ = on; });
  connect(btnUpdate, &QAction::triggered, this, Command([this] { btnUpdateClick(); }));
  connect(btnGridType, &QAction::triggered, this, Command([this] { btnGridTypeClick(); }));
  connect(btnCopy, &QAction::triggered, this, Command([this] { btnCopyClick(); }));
  connect(btnExcel, &QAction::triggered, this, Command([this] { btnExcelClick(); }));
  connect(btnIns, &QAction::triggered, this, Command([this] { btnInsClick(); }));
  connect(mnuIns, &QAction::triggered, this, Command([this] { btnInsClick(); }));
  connect(btnDel, &QAction::triggered, this, Command([this] { btnDelClick(); }));
  connect(mnuDel, &QAction::triggered, this, Command([this] { btnDelClick(); }));
  connect(btnFirst, &QAction::triggered, this, Command([this] { Navigate(&TovClientDataSet::First); }));
  connect(btnPrev, &QAction::triggered, this, Command([this] { Navigate(&TovClientDataSet::Prior); }));
  connect(btnNext, &QAction::triggered, this, Command([this] { Navigate(&TovClientDataSet::Next); }));
  connect(btnLast, &QAction::triggered, this, Command([this] { Navigate(&TovClientDataSet::Last); }));
  connect(mnuCopy, &QAction::triggered, this, Command([this] { VisibleGrid().CopyToClipboard(); }));
  connect(mnuPaste, &QAction::triggered, this, Command([this] { mnuPasteClick(); }));
  connect(mnuSort, &QAction::triggered, this,
          Command([this] { SortByField(VerticalShown ? PopupColumn : PopupRow); }));
  grdData1->OnTitleClick = [this](TGridItem& item) {
    if (cdsData.Active()) SortByField(item.Index());
  };
  // A failed sort from the transposed grid's titles leaves the result as
  // it was without a message.
  grdData2->OnTitleClick = [this](TGridItem& item) { IgnoreFailure([&] { SortByField(item.Index()); }); };

  grdData1->setContextMenuPolicy(Qt::CustomContextMenu);
  grdData2->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(grdData1, &QWidget::customContextMenuRequested, this, [this](QPoint at) { ShowPopup(*grdData1, at); });
  connect(grdData2, &QWidget::customContextMenuRequested, this, [this](QPoint at) { ShowPopup(*grdData2, at); });

  ShowGridType();
  ShowResultState();
  if (!isVisible()) return;
  // Built while shown: the new widgets show and take their places now.
  for (QWidget* child : {static_cast<QWidget*>(scrButton), VerticalShown ? static_cast<QWidget*>(grdData1)
                                                                          : static_cast<QWidget*>(grdData2)})
    child->show();
  layout->activate();
}

void TfraData::showEvent(QShowEvent* event) {
  BuildWidgets();
  QFrame::showEvent(event);
}

TfraData::~TfraData() {
  if (!Built()) return;
  grdData1->SetDataSet(nullptr);
  grdData2->SetDataSet(nullptr);
}

void TfraData::SetUpdateMode(bool on) {
  updateMode_ = on;
  if (btnUpdate != nullptr) btnUpdate->setChecked(on);
  // Cell editing comes back with the next open of a writable result.
  if (!on) SetEditing(false);
}

TovDBGridBase& TfraData::VisibleGrid() const {
  return VerticalShown ? static_cast<TovDBGridBase&>(*grdData1) : static_cast<TovDBGridBase&>(*grdData2);
}

void TfraData::DrawCell(const TovDBGridBase& grid, const TovDBGridBase::TDrawCellInfo& info, bool transposed) {
  if (grid.MappedFieldCount() <= 0 || !cdsData.Active()) return;
  const int field = grid.MappedField(info.DataIndex);
  if (field < 0) return;
  const TFieldType type = cdsData.Fields()[static_cast<size_t>(field)].DataType;
  const bool isNull = cdsData.IsNullAt(info.Record, field);
  const std::string text = cdsData.FieldTextAt(info.Record, field);
  const TCellLook look = transposed ? RowCellLook(type, isNull, text, AppOption.ShowNull, AppOption.DataShowMode)
                                    : ColumnCellLook(type, isNull, text, AppOption.ShowNull);
  if (!look.Own) return;
  // The grid has set the cell's brush, pen and font.
  info.Canvas.fillRect(info.Rect, info.Canvas.brush());
  if (look.NullMark) info.Canvas.setPen(QColor(Qt::blue));
  DrawCellText(info.Canvas, info.Rect, kCellMargin,
               look.RightAligned ? TAlignment::taRightJustify : TAlignment::taLeftJustify, Q(look.Text), kCellMargin);
}

void TfraData::ShowPopup(TovDBGridBase& grid, QPoint at) {
  if (!btnUpdate->isVisible()) return;
  const bool vertical = &grid == grdData1;
  // Across the bands in the vertical grid, along them in the transposed one.
  const int recordEdge = (vertical ? at.x() : at.y()) - grid.IndicatorOffset();
  const int titleEdge = vertical ? at.y() - grid.TitleOffset() : at.x() - grid.TitleOffset();
  const int titleBand = vertical ? kTitleBand : grid.CellRect(0, 0).width();
  QMenu* menu = nullptr;
  if (recordEdge < kIndicatorBand) {
    menu = popRecord;
  } else if (titleEdge < titleBand) {
    // The column (row) of the current cell, the first when there is none.
    const int current = std::max(grid.CurrentDataIndex(), 0);
    (vertical ? PopupColumn : PopupRow) = current;
    menu = popColumn;
  }
  if (menu != nullptr) menu->popup(grid.mapToGlobal(at));
}

void TfraData::SetConnection(TovSQLConnection* connection) {
  CloseData();
  qryData.SetConnection(connection);
  qryLob.SetConnection(connection);
  resolver_ = connection != nullptr ? std::make_unique<TovSQLResolver>(*connection) : nullptr;
}

void TfraData::SetSQL(const std::string& text) {
  BaseSQL = text;
  SortColumn.clear();
  SortDescending = false;
}

void TfraData::CloseData() {
  if (cdsData.Active()) qryDataBeforeClose();
  cdsData.Close();
}

void TfraData::SetEditing(bool on) {
  editing_ = on;
  if (!Built()) return;
  for (TovDBGridBase* grid : {static_cast<TovDBGridBase*>(grdData1), static_cast<TovDBGridBase*>(grdData2)})
    grid->SetOptions(on ? (grid->Options() | kEditOptions) : (grid->Options() & ~kEditOptions));
}

void TfraData::PrepareSQL() {
  TSqlWaitCursor wait;
  CloseData();
  qryData.SetSQL(SortedStatement(BaseSQL, SortColumn, SortDescending));
  cdsData.ReadOnly = !updateMode_;
  SetEditing(!cdsData.ReadOnly && updateMode_);
}

void TfraData::OpenData() {
  struct AfterOpen {
    TfraData& frame;
    ~AfterOpen() { frame.qryDataAfterOpenClose(); }
  } after{*this};
  TSqlWaitCursor wait;
  const TDataOwner::TKind kind = owner_.OwnerKind();
  const bool editor = kind == TDataOwner::TKind::TableEditor || kind == TDataOwner::TKind::ViewEditor;
  const std::vector<TovParameter> values = qryData.Parameters();
  qryData.SetSQL(LimitedStatement(qryData.SQL(), editor ? owner_.RecordLimitText() : std::string()));
  RestoreParameterValues(values);
  CloseData();
  cdsData.PacketRecords = TovClientDataSet::kDefaultPacketRecords;
  cdsData.Open(qryData, cdsData.ReadOnly ? nullptr : resolver_.get());
  if (qryData.Fields().empty()) {
    // The statement ran but gave no result set to show.
    cdsData.Close();
    throw EDatabaseError(std::string(kNoResultSetError));
  }
  // A result whose fields come from no table (a view, computed values)
  // cannot be written back.
  const std::vector<TovField>& fields = cdsData.Fields();
  if (std::none_of(fields.begin(), fields.end(), [](const TovField& f) { return !f.BaseTable.empty(); }))
    cdsData.ReadOnly = true;
}

void TfraData::qryDataAfterOpenClose() {
  if (!cdsData.Active()) {
    ShowResultState();
    return;
  }
  // Pending changes are dropped and the records read again; a result just
  // opened has none, so it is not read twice.
  if (cdsData.ChangeCount() > 0 || cdsData.State() != TDataSetState::dsBrowse) {
    cdsData.CancelUpdates();
    cdsData.Refresh();
  }
  if (!AppOption.AutoCommit && qryData.Connection() != nullptr && !qryData.Connection()->InTransaction())
    IgnoreFailure([this] { qryData.Connection()->BeginTrans(); });
  if (owner_.OwnerKind() != TDataOwner::TKind::TableEditor)
    for (int i = 0; i < cdsData.FieldCount(); ++i)
      if (cdsData.Fields()[i].DataType == TFieldType::ftBlob) cdsData.FieldDef(i).ReadOnly = true;
  ShowResultState();
}

void TfraData::ShowResultState() {
  if (!Built()) return;
  const bool active = cdsData.Active();
  const bool writable = active && cdsData.CanModify();
  btnCopy->setEnabled(active);
  btnIns->setEnabled(writable);
  btnDel->setEnabled(writable);
  for (QAction* action : {btnFirst, btnPrev, btnNext, btnLast, mnuSort, mnuCopy}) action->setEnabled(active);
  mnugroup->setEnabled(active);
  mnuIns->setEnabled(btnIns->isEnabled());
  mnuDel->setEnabled(btnDel->isEnabled());
  mnuPaste->setEnabled(btnDel->isEnabled());
  if (!active) return;
  ApplyColumnWidths();
  SetButtonStyles();
  SetDateButtonStyles();
}

namespace {

using TButtonStyleOf = std::optional<TColumnButtonStyle> (*)(TFieldType);

// Gives each item of the grid the style its field's type asks for (none
// keeps the item's style); the current cell's editor follows.
void SetItemButtons(TovDBGridBase& grid, const TovClientDataSet& data, TButtonStyleOf styleOf) {
  for (int i = 0; TGridItem* item = grid.Item(i); ++i) {
    const int field = grid.MappedField(i);
    if (field < 0) continue;
    if (const auto style = styleOf(data.Fields()[static_cast<size_t>(field)].DataType)) item->ButtonStyle = *style;
  }
  grid.UpdateLayout();
}

}  // namespace

void TfraData::SetButtonStyles() {
  if (!cdsData.Active() || !Built()) return;
  for (TovDBGridBase* grid : {static_cast<TovDBGridBase*>(grdData1), static_cast<TovDBGridBase*>(grdData2)})
    SetItemButtons(*grid, cdsData, [](TFieldType type) -> std::optional<TColumnButtonStyle> {
      return CellEditorFor(type) == TCellEditor::Memo ? TColumnButtonStyle::cbsEllipsis : TColumnButtonStyle::cbsNone;
    });
}

void TfraData::SetDateButtonStyles() {
  if (!cdsData.Active() || !Built()) return;
  for (TovDBGridBase* grid : {static_cast<TovDBGridBase*>(grdData1), static_cast<TovDBGridBase*>(grdData2)})
    SetItemButtons(*grid, cdsData, [](TFieldType type) -> std::optional<TColumnButtonStyle> {
      if (CellEditorFor(type) == TCellEditor::Calendar) return TColumnButtonStyle::cbsEllipsis;
      return std::nullopt;
    });
}

void TfraData::ApplyColumnWidths() {
  const int count = grdData1->Columns().Count();
  if (count >= kMaxSizedColumns) return;
  const int cap = QFontMetrics(grdData1->font()).horizontalAdvance(QString(AppOption.DataColWidthV, u'A'));
  std::vector<std::string> captions;
  std::vector<int> current;
  for (int i = 0; i < count; ++i) {
    captions.push_back(grdData1->Columns()[i].Title().Caption());
    current.push_back(grdData1->Columns()[i].Width());
  }
  std::unique_ptr<platform::IniFile> file;
  if (owner_.OwnerKind() == TDataOwner::TKind::TableEditor && !ColWidthKey.empty()) {
    QDir().mkpath(Q(AppOption.TempDir));
    file = std::make_unique<platform::IniFile>(ColWidthFileName(AppOption.TempDir, ColWidthKey));
  }
  const std::vector<int> widths = FittedColumnWidths(captions, current, cap, file.get());
  grdData1->BeginUpdate();
  for (int i = 0; i < count; ++i) grdData1->Columns()[i].SetWidth(widths[i]);
  grdData1->EndUpdate();
  if (file && SavedDefaultColWidth(*file) > 0) grdData2->SetDefaultColWidth(SavedDefaultColWidth(*file));
}

void TfraData::qryDataBeforeClose() {
  if (!Built()) return;
  const int count = grdData1->Columns().Count();
  if (owner_.OwnerKind() != TDataOwner::TKind::TableEditor || ColWidthKey.empty() || count == 0 ||
      count >= kMaxSizedColumns || grdData1->Columns()[0].Title().Caption().empty())
    return;
  QDir().mkpath(Q(AppOption.TempDir));
  platform::IniFile file(ColWidthFileName(AppOption.TempDir, ColWidthKey));
  std::vector<std::string> captions;
  std::vector<int> widths;
  for (int i = 0; i < count; ++i) {
    captions.push_back(grdData1->Columns()[i].Title().Caption());
    widths.push_back(grdData1->Columns()[i].Width());
  }
  SaveColumnWidths(file, captions, widths, grdData2->DefaultColWidth());
}

void TfraData::btnGridTypeClick() {
  VerticalShown = !VerticalShown;
  ShowGridType();
}

void TfraData::ShowGridType() {
  if (!Built()) return;
  grdData1->setVisible(VerticalShown);
  grdData2->setVisible(!VerticalShown);
  grdData1->SetDataSet(&cdsData);
  grdData2->SetDataSet(&cdsData);
  // The date buttons too: the styles are the grids' own, so a switch would
  // otherwise lose them until the next open.
  SetButtonStyles();
  SetDateButtonStyles();
}

void TfraData::mnuPasteClick() {
  // A paste puts the visible grid into editor mode, whichever grid it is.
  TovDBGridBase& grid = VisibleGrid();
  grid.SetEditorMode(true);
  grid.PasteFromClipboard();
}

bool TfraData::SetNullKey(TovDBGridBase& grid, int key, Qt::KeyboardModifiers modifiers) {
  if (key != Qt::Key_0 || !(modifiers & Qt::ControlModifier) || !updateMode_ || !cdsData.Active())
    return false;
  const TovField* field = grid.CurrentField();
  if (field == nullptr) return false;
  cdsData.Edit();
  cdsData.SetNull(field->Index);
  return true;
}

void TfraData::grdData1EditButtonClick() {
  if (!cdsData.Active() || !updateMode_) return;
  TovDBGridBase& grid = VisibleGrid();
  const TovField* current = grid.CurrentField();
  if (current == nullptr) return;
  const TovField field = *current;
  const TGridItem* item = grid.Item(grid.CurrentDataIndex());
  const bool ellipsis = item != nullptr && item->ButtonStyle == TColumnButtonStyle::cbsEllipsis;
  // Leaving the grid ends its cell editing; the typed text is taken over
  // also when the window is not the active one.
  scrButton->setFocus();
  grid.StoreEditText();
  switch (CellEditorFor(field.DataType)) {
    case TCellEditor::Memo:
      EditText(grid, field);
      break;
    case TCellEditor::Calendar:
      if (ellipsis) PickDate(grid, field);
      break;
    case TCellEditor::None:
      break;
  }
}

void TfraData::EditText(TovDBGridBase& grid, const TovField& field) {
  const std::string before = cdsData.IsNull(field.Index) ? std::string() : cdsData.AsString(field.Index);
  std::string text = before;
  if (ShowMemoDialog(text) == mrOk && text != before) {
    cdsData.Edit();
    cdsData.SetFieldText(field.Index, text);
  }
  grid.setFocus();
}

void TfraData::PickDate(TovDBGridBase& grid, const TovField& field) {
  const int slot = cdsData.RecNo() - 1 - static_cast<int>(grid.TopRecord()) + grid.TitleOffset();
  const int line = grid.DataToGridIndex(grid.CurrentDataIndex());
  const QRect cell = &grid == grdData1 ? grid.CellRect(line, slot) : grid.CellRect(slot, line);
  const QPoint at = grid.mapTo(this, cell.topLeft());
  dtpInputDate->setGeometry(at.x() + 1, at.y() + 1, cell.width() + 1, cell.height() + 2);
  // The program's date format where one is set, else the data set's own.
  const QString dateFormat = Q(ShortDateFormat.empty() ? std::string(kPickerDateFormat) : ShortDateFormat);
  dtpInputDate->setDisplayFormat(field.DataType == TFieldType::ftDateTime ? dateFormat + kPickerTimeFormat
                                                                          : dateFormat);
  const std::string text = cdsData.IsNull(field.Index) ? std::string() : cdsData.AsString(field.Index);
  {
    // Setting the start value is no change of the field.
    const QSignalBlocker quiet(dtpInputDate);
    dtpInputDate->setDateTime(CalendarStartValue(text, QDate::currentDate()));
  }
  dtpInputDate->show();
  dtpInputDate->raise();
  dtpInputDate->setFocus();
  // The calendar is made at its first use: a frame per result stays light.
  dtpInputDate->calendarWidget()->window()->installEventFilter(this);
  // The calendar drops down as from a press on the picker's arrow.
  const QPoint arrow(dtpInputDate->width() - kPickerArrowInset, dtpInputDate->height() / 2);
  QMouseEvent dropDown(QEvent::MouseButtonPress, arrow, dtpInputDate->mapToGlobal(arrow), Qt::LeftButton,
                       Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(dtpInputDate, &dropDown);
}

void TfraData::dtpInputdateChange() {
  if (!cdsData.Active() || dtpInputDate->isHidden()) return;
  const TovField* field = VisibleGrid().CurrentField();
  if (field == nullptr) return;
  cdsData.Edit();
  cdsData.SetFieldText(field->Index, PickedDateText(dtpInputDate->dateTime()));
}

void TfraData::dtpInputDateCloseUp() {
  dtpInputDate->hide();
  VisibleGrid().setFocus();
}

bool TfraData::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Hide && watched == dtpInputDate->calendarWidget()->window()) dtpInputDateCloseUp();
  return QFrame::eventFilter(watched, event);
}

void TfraData::btnUpdateClick() {
  if (!cdsData.Active()) return;
  CloseData();
  Reopen();
  if (updateMode_ && !cdsData.CanModify()) {
    MsgBox("この結果セットには書き込み出来ません。", MB_ICONWARNING);
    SetUpdateMode(false);
  }
}

void TfraData::btnInsClick() {
  if (!cdsData.Active()) return;
  VisibleGrid().SelectedRecords().Clear();
  cdsData.ApplyUpdates(0);
  cdsData.Insert();
}

void TfraData::btnDelClick() {
  if (!cdsData.Active() || cdsData.IsEmpty()) return;
  if (MsgBox("レコードを削除しますか？", MB_OKCANCEL | MB_ICONQUESTION) != IDOK) return;
  TBookmarkList& selected = VisibleGrid().SelectedRecords();
  if (selected.Count() == 0) {
    cdsData.Delete();
  } else {
    TSqlWaitCursor wait;
    DeleteSelectedRecords(cdsData, selected);
  }
  // Esc between rows keeps the rest pending: the result is not read again.
  if (!ApplyWithProgress()) return;
  CloseData();
  cdsData.Open(qryData, cdsData.ReadOnly ? nullptr : resolver_.get());
  qryDataAfterOpenClose();
}

void TfraData::Navigate(void (TovClientDataSet::*move)()) {
  if (!cdsData.Active()) return;
  VisibleGrid().SelectedRecords().Clear();
  (cdsData.*move)();
}

void TfraData::SortByField(int dataIndex) {
  // The field's place in the select list, whatever column shows it.
  const int field = VisibleGrid().MappedField(dataIndex);
  if (field < 0) return;
  const std::string n = std::to_string(field + 1);
  if (SortColumn != n) {
    SortColumn = n;
    SortDescending = false;
  } else {
    SortDescending = !SortDescending;
  }
  Reopen();
}

void TfraData::Reopen() {
  const std::vector<TovParameter> values = qryData.Parameters();
  PrepareSQL();
  RestoreParameterValues(values);
  OpenData();
}

void TfraData::RestoreParameterValues(const std::vector<TovParameter>& values) {
  // The clauses the frame adds hold no markers, so the owner's stay in place.
  std::vector<TovParameter>& now = qryData.Parameters();
  for (size_t i = 0; i < now.size() && i < values.size(); ++i)
    if (now[i].Name == values[i].Name) now[i].Value = values[i].Value;
}

void TfraData::ShowAggregate(TAggregate kind) {
  if (!cdsData.Active()) return;
  const int field = VisibleGrid().MappedField(VerticalShown ? PopupColumn : PopupRow);
  if (field < 0) return;
  const std::string name = cdsData.Fields()[field].FieldName;
  TovSQLQuery query(qryData.Connection());
  query.SetSQL(AggregateStatement(kind, name, BaseSQL));
  try {
    query.Open();
  } catch (const std::exception&) {
    MsgBox("集計情報を求めることができません。", MB_ICONWARNING);
    return;
  }
  if (query.Eof() || query.Value(0).isNull()) {
    MsgBox("レコードがありません", MB_ICONWARNING);
    return;
  }
  MsgBox(AggregateMessage(kind, name, query.AsString(size_t{0})), MB_OK);
}

std::function<std::string(int)> TfraData::FieldComments() const {
  return [this](int field) {
    const std::vector<TovField>& fields = cdsData.Fields();
    if (field < 0 || static_cast<size_t>(field) >= fields.size()) return std::string();
    return owner_.FieldComment(fields[static_cast<size_t>(field)].FieldName);
  };
}

TfraData::TObjectCountBack::~TObjectCountBack() {
  if (TovMainWindow* main = ControlOptionsWindow()) main->ShowObjectCount();
}

bool TfraData::ApplyWithProgress() {
  TSqlWaitCursor wait;
  TProgressPace pace;
  bool stopped = false;
  cdsData.OnApplyProgress = [&](int done, int total) {
    if (!pace.Due()) return true;
    if (TovMainWindow* main = ControlOptionsWindow()) main->ShowProgress(done, total);
    stopped = IsEscapePressed();
    return !stopped;
  };
  try {
    cdsData.ApplyUpdates(0);
  } catch (...) {
    cdsData.OnApplyProgress = nullptr;
    throw;
  }
  cdsData.OnApplyProgress = nullptr;
  if (TovMainWindow* main = ControlOptionsWindow()) main->ShowProgress(0, 0);
  return !stopped;
}

std::function<void(int)> TfraData::ProgressTo(int count) {
  return [count](int number) {
    if (TovMainWindow* main = ControlOptionsWindow()) main->ShowProgress(number, count);
  };
}

void TfraData::btnCopyClick() {
  if (!cdsData.Active()) return;
  bool title = AppOption.PasteTitle < kPasteTitleNone;
  bool comma = AppOption.PasteColumn == 1;
  if (AppOption.PasteDialog) {
    TCheckList checks = {{"見出しを出力する", title}, {"カンマ区切りにする(非チェック時はタブ区切り)", comma}};
    if (MsgBoxWithChecks("結果をクリップボードにコピーしますか？", MB_YESNO | MB_ICONQUESTION, checks) != IDYES) return;
    title = checks[0].checked;
    comma = checks[1].checked;
  }
  TSqlWaitCursor wait;
  AppOption.PasteColumn = comma ? 1 : 0;
  std::vector<std::string> titles;
  if (title) titles = ResultTitles(ResultFields(cdsData, FieldComments()), AppOption.PasteTitle);
  std::string text;
  // The progress text reset at the start, the object count again at the end.
  if (TovMainWindow* main = ControlOptionsWindow()) main->ShowProgress(0, 0);
  const TObjectCountBack countBack;
  {
    TovControlsOff off(cdsData);
    const int count = cdsData.RecordCount();
    cdsData.First();
    TDataSetRecords records(cdsData, TOutputValues::Clipboard, ProgressTo(count));
    text = ResultClipboardText(titles, comma, records);
  }
  QApplication::clipboard()->setText(QString::fromStdString(text));
  MsgBox("クリップボードに出力しました。", MB_ICONINFORMATION);
}
