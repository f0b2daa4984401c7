#include "tools/foption.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <array>
#include <optional>
#include <tuple>

#include "app/core/fmainactcore.h"
#include "app/core/fmaincore.h"
#include "app/core/ovformat.h"
#include "app/core/ovmainwin.h"
#include "app/core/ovshortcut.h"
#include "app/core/ovatexit.h"
#include "app/core/zarur.h"
#include "editor/ovmemo.h"
#include "platform/dialogs.h"
#include "platform/gui/wingdi.h"
#include "platform/helpviewer.h"
#include "platform/qstr.h"
#include "tools/core/feoptioncore.h"
#include "tools/core/foptioncore.h"
#include "tools/toolsmodal.h"
#include "ui/ovcomctrls.h"
#include "ui/ovimages.h"
#include "ui/ovstdctl.h"
#include "ui/zarurctl.h"

namespace {

using O = TovOption;

constexpr int kHelpContext = 50100;
constexpr int kClientWidth = 534;
constexpr int kClientHeight = 480;
constexpr char kCaption[] = "オプション";
constexpr char kFontSample[] = "ABCxzy\r\nあいう亜井宇";
constexpr char kFormatSample[] =
    "/* 表示サンプル */\r\nBEGIN SELECT S01.COL01, S01.COL02 FROM SAMPLE01 S01, SMAPLE02 S02 WHERE S01.COL01 = "
    "S02.COL1 AND S01.COL2 IS NOT NULL GROUP BY COL1 HAVING COL1 > 1 AND COL2 IS NOT NULL ORDER BY COL1, COL2 DESC; "
    "END;";
constexpr char kDuplicateMessage[] = "同じ%sが既に存在しています。";
constexpr char kDuplicateWhat[] = "ショートカット";
constexpr char kOutputFolderTitle[] = "出力先を選択して下さい。";
constexpr char kTempFolderTitle[] = "作業ファイル作成先を選択して下さい。";
constexpr char kAllFilesFilter[] = "すべてのファイル(*.*)";
constexpr char kFormatSampleFont[] = "FixedSys";
constexpr int kDigits2 = 2;
constexpr int kDigits3 = 3;
constexpr int kDigits7 = 7;
constexpr int kDigits9 = 9;
constexpr int kFunctionColumnWidth = 342;
constexpr int kShortCutColumnWidth = 180;
constexpr int kTreeIndent = 19;
constexpr int kSpreadsheetColumns = 256;
constexpr int kLettersInAlphabet = 26;
constexpr int kComboRows = 20;
constexpr int kNoItemReturn = 1;
// The images of the seven kind buttons: the object kind codes.
constexpr int kKindImages[] = {45, 46, 47, 51, 52, 57, 58};
constexpr const char* kKindHints[] = {"テーブル", "インデックス", "ビュー", "プロシージャ", "ファンクション", "トリガー", "シーケンス"};
constexpr const char* kKindNames[] = {"btnTable", "btnIndex", "btnView", "btnProc", "btnFunc", "btnTrigger", "btnSeq"};
constexpr int kActionRole = Qt::UserRole;
constexpr int kShortCutColumn = 1;

// The spreadsheet column letters "A" .. "IV".
QString ColumnLetters(int index) {
  QString letters;
  if (index >= kLettersInAlphabet) letters += QChar('A' + index / kLettersInAlphabet - 1);
  letters += QChar('A' + index % kLettersInAlphabet);
  return letters;
}

QButtonGroup* Radios(QWidget* parent, QLayout* layout, const char* caption, std::initializer_list<const char*> items,
                     const char* name) {
  auto* box = new QGroupBox(QString::fromUtf8(caption), parent);
  auto* row = new QHBoxLayout(box);
  auto* group = new QButtonGroup(box);
  group->setObjectName(name);
  int id = 0;
  for (const char* item : items) {
    auto* button = new QRadioButton(QString::fromUtf8(item), box);
    row->addWidget(button);
    group->addButton(button, id++);
  }
  layout->addWidget(box);
  return group;
}

void Check(QButtonGroup* group, int id) {
  if (QAbstractButton* button = group->button(id)) button->setChecked(true);
}

int Chosen(const QButtonGroup* group) { return std::max(group->checkedId(), 0); }

void SetGroupEnabled(QButtonGroup* group, bool enabled) {
  for (QAbstractButton* button : group->buttons()) button->setEnabled(enabled);
  if (auto* box = qobject_cast<QWidget*>(group->parent())) box->setEnabled(enabled);
}

TovNumEdit* Number(QWidget* parent, QGridLayout* grid, const char* label, int digits, const char* name) {
  auto* box = new TovNumEdit(parent);
  box->setObjectName(name);
  if (digits > 0) box->setMaxLength(digits);
  const int row = grid->rowCount();
  grid->addWidget(new QLabel(QString::fromUtf8(label), parent), row, 0);
  grid->addWidget(box, row, 1);
  return box;
}

}  // namespace

TfrmOption::TfrmOption(QWidget* owner) : TovForm(owner, TPlace::OwnWindow) {
  setObjectName("frmOption");
  setWindowTitle(kCaption);
  SetDesignSize(kClientWidth, kClientHeight);
  setupUi();
  SetHelpContext(kHelpContext);
  ConnectControls();
}

// ---- building the pages ----

void TfrmOption::setupUi() {
  auto* root = new QVBoxLayout(this);
  pagOption = new QTabWidget(this);
  pagOption->setObjectName("pagOption");
  root->addWidget(pagOption, 1);
  const auto page = [this](const char* name, const char* caption) {
    auto* widget = new QWidget(pagOption);
    widget->setObjectName(name);
    pagOption->addTab(widget, QString::fromUtf8(caption));
    return widget;
  };
  const auto check = [this](QWidget* parent, QLayout* layout, const char* caption, const char* name,
                            bool O::*option) {
    auto* box = new QCheckBox(QString::fromUtf8(caption), parent);
    box->setObjectName(name);
    layout->addWidget(box);
    checks_.push_back({box, option});
    return box;
  };
  const auto folder = [this](QWidget* parent, QGridLayout* grid, const char* label, const char* name,
                             const char* button, std::string O::*option, const std::string& fallback) {
    auto* box = new TovStrEdit(parent);
    box->setObjectName(name);
    auto* browse = new QToolButton(parent);
    browse->setObjectName(button);
    browse->setText("...");
    const int row = grid->rowCount();
    auto* caption = new QLabel(QString::fromUtf8(label), parent);
    grid->addWidget(caption, row, 0);
    grid->addWidget(box, row, 1);
    grid->addWidget(browse, row, 2);
    folders_.push_back({box, option, fallback});
    return std::tuple{box, browse, caption};
  };
  const auto fontGroup = [this](QWidget* parent, QLayout* layout, const char* caption, const char* list,
                                const char* size, std::string O::*name, int32_t O::*points) {
    auto* box = new QGroupBox(QString::fromUtf8(caption), parent);
    auto* grid = new QGridLayout(box);
    TFontGroup group{new QListWidget(box), new TovNumEdit(box), new TovMemo(box), name, points};
    group.List->setObjectName(list);
    group.List->setSortingEnabled(true);
    group.List->addItems(QFontDatabase::families());
    group.Size->setObjectName(size);
    group.Size->setMaxLength(kDigits3);
    group.Sample->setProperty(kOwnEditorOptionsProperty, true);
    group.Sample->setEnabled(false);
    group.Sample->Lines().SetTextStr(kFontSample);
    grid->addWidget(group.List, 0, 0, 3, 1);
    grid->addWidget(new QLabel("サイズ(pt)", box), 0, 1);
    grid->addWidget(group.Size, 0, 2);
    grid->addWidget(new QLabel("サンプル", box), 1, 1);
    grid->addWidget(group.Sample, 2, 1, 1, 2);
    layout->addWidget(box);
    fonts_.push_back(group);
  };

  // "オブジェクトリスト"
  QWidget* objects = page("tabObjectList", "オブジェクトリスト");
  auto* objectLayout = new QVBoxLayout(objects);
  check(objects, objectLayout, "オブジェクト固有の詳細情報を表示する", "chkData", &O::TreeData);
  chkRowSelect = check(objects, objectLayout, "オブジェクト選択時、行全体を反転する", "chkRowSelect", &O::RowSelect);
  check(objects, objectLayout, "オブジェクト一括削除時のエラーを無視する", "chkDelErr", &O::DelErr);
  chkFind = check(objects, objectLayout, "絞り込み検索機能を表示する", "chkFind", &O::Find);
  chkFindAuto = check(objects, objectLayout, "総称検索を行う ( LIKE '%検索値%' )", "chkFindAuto", &O::FindAuto);
  auto* kinds = new QGroupBox("表示するオブジェクトタイプ", objects);
  auto* kindLayout = new QHBoxLayout(kinds);
  auto* pnlTree1Obj = new QToolBar(kinds);
  pnlTree1Obj->setObjectName("pnlTree1Obj");
  for (size_t i = 0; i < std::size(kKindImages); ++i) {
    auto* button = new QToolButton(pnlTree1Obj);
    button->setObjectName(kKindNames[i]);
    button->setCheckable(true);
    button->setToolTip(QString::fromUtf8(kKindHints[i]));
    button->setIcon(imgMain().Icon(kKindImages[i]));
    pnlTree1Obj->addWidget(button);
    kindButtons_.push_back(button);
  }
  kindLayout->addWidget(pnlTree1Obj);
  objectLayout->addWidget(kinds);
  check(objects, objectLayout, "一覧表示中の途中経過を表示する", "chkProgress", &O::Progress);
  check(objects, objectLayout, "接続ユーザーを一番最初に表示する", "chkUserFirst", &O::UserFirst);
  rdoSort = Radios(objects, objectLayout, "ツリー順序", {"スキーマ → オブジェクトタイプ 順", "オブジェクトタイプ → スキーマ 順"},
                   "rdoSort");
  radios_.push_back({rdoSort, &O::TreeSort});
  objectLayout->addStretch();

  // "定義情報"
  QWidget* define = page("tabDefine", "定義情報");
  auto* defineLayout = new QVBoxLayout(define);
  defineLayout->addWidget(new QLabel("各種オブジェクト定義画面の、共通設定を入力します。", define));
  auto* openRow = new QHBoxLayout;
  openRow->addWidget(new QLabel("初期表示タブ", define));
  cmbOpenMode_ = new QComboBox(define);
  cmbOpenMode_->setObjectName("cmbOpenMode");
  cmbOpenMode_->addItems({"定義情報", "ソース情報", "データ"});
  openRow->addWidget(cmbOpenMode_);
  openRow->addStretch();
  defineLayout->addLayout(openRow);
  check(define, defineLayout, "定義変更時に実行される DDL 文を表示する", "chkShowDDL", &O::ShowDDL);
  check(define, defineLayout, "SQL文に領域情報を含める", "chkShowStorageSource", &O::ShowStorageSource);
  check(define, defineLayout, "SQL文に項目名を含める(VIEW)", "chkShowColumnSource", &O::ShowColumnSource);
  check(define, defineLayout, "定義変更時にエラーが発生しなかった場合、自動で DDL 実行画面を閉じる", "chkCloseDDL",
        &O::CloseDDL);
  struct TSourceGroup {
    const char* Save;
    const char* SaveName;
    bool O::*SaveOption;
    const char* Group;
    std::array<const char*, 3> Names;
    std::array<bool O::*, 3> Options;
    const char* Box;
    const char* Button;
    std::string O::*Folder;
    QCheckBox** SaveBox;
    TovStrEdit** FolderBox;
    std::vector<QWidget*>* Members;
  };
  const TSourceGroup sources[] = {
      {"変更前のソースを保存する", "chkBeforeSource", &O::SaveBeforeSource, "grpBeforeSource",
       {"chkBeforeSrcDialog", "chkBeforeSrcRenum", "chkBeforeSrcHead"},
       {&O::SaveBeforeSrcDialog, &O::SaveBeforeSrcRenum, &O::SaveBeforeSrcHead}, "txtBeforeSource", "btnBeforeSource",
       &O::SaveBeforeSrcDir, &chkBeforeSource, &txtBeforeSource, &beforeGroup_},
      {"変更後のソースを保存する", "chkAfterSource", &O::SaveAfterSource, "grpAfterSource",
       {"chkAfterSrcDialog", "chkAfterSrcRenum", "chkAfterSrcHead"},
       {&O::SaveAfterSrcDialog, &O::SaveAfterSrcRenum, &O::SaveAfterSrcHead}, "txtAfterSource", "btnAfterSource",
       &O::SaveAfterSrcDir, &chkAfterSource, &txtAfterSource, &afterGroup_},
  };
  constexpr const char* kSourceChecks[] = {"ダイアログ表示", "自動採番", "修正履歴"};
  for (const TSourceGroup& source : sources) {
    *source.SaveBox = check(define, defineLayout, source.Save, source.SaveName, source.SaveOption);
    auto* group = new QWidget(define);
    group->setObjectName(source.Group);
    auto* groupLayout = new QGridLayout(group);
    auto* row = new QHBoxLayout;
    for (size_t i = 0; i < source.Names.size(); ++i)
      source.Members->push_back(check(group, row, kSourceChecks[i], source.Names[i], source.Options[i]));
    groupLayout->addLayout(row, 0, 0, 1, 3);
    auto [box, browse, caption] = folder(group, groupLayout, "出力先", source.Box, source.Button, source.Folder, ShareDir);
    *source.FolderBox = box;
    source.Members->insert(source.Members->end(), {box, browse, caption});
    connect(browse, &QToolButton::clicked, this, [this, box] { BrowseFolder(box, kOutputFolderTitle); });
    defineLayout->addWidget(group);
  }
  check(define, defineLayout, "テーブル再作成時に、データ退避テーブルを作成する", "chkBackupData", &O::BackupData);
  check(define, defineLayout, "省略時値に文字列を指定した際、シングルクォーテーョンを自動付加する(TABLE)",
        "chkDefaultAutoQuote", &O::DefaultAutoQuote);
  defineLayout->addStretch();

  // "SQL実行"
  QWidget* sql = page("tabSQL", "SQL実行");
  auto* sqlLayout = new QVBoxLayout(sql);
  auto* builder = new QGroupBox("SQLビルダ", sql);
  auto* builderLayout = new QHBoxLayout(builder);
  fontGroup(builder, builderLayout, " ダイアグラム部 ", "lstDiagramFontName", "txtDiagramFontSize", &O::DiagramFontName,
            &O::DiagramFontSize);
  fontGroup(builder, builderLayout, " グリッド部 ", "lstGridFontName", "txtGridFontSize", &O::GridFontName,
            &O::GridFontSize);
  sqlLayout->addWidget(builder);
  auto* run = new QGroupBox("SQL実行", sql);
  auto* runGrid = new QGridLayout(run);
  numbers_.push_back({Number(run, runGrid, "SQL履歴数", kDigits3, "txtSQLBuf"), &O::SQLBuf});
  txtSeparater_ = new TovStrEdit(run);
  txtSeparater_->setObjectName("txtSeparater");
  txtSeparater_->setMaxLength(1);
  txtSeparater_->SetCharCase(ecUpperCase);
  runGrid->addWidget(new QLabel("区切り文字", run), runGrid->rowCount(), 0);
  runGrid->addWidget(txtSeparater_, runGrid->rowCount() - 1, 1);
  auto* partial = new QVBoxLayout;
  check(run, partial, "文字選択された範囲のSQLのみを実行する", "chkUsePartial", &O::UsePartial);
  runGrid->addLayout(partial, runGrid->rowCount(), 0, 1, 2);
  sqlLayout->addWidget(run);
  sqlLayout->addStretch();

  // "データ"
  QWidget* data = page("tabQuery", "データ");
  auto* dataLayout = new QVBoxLayout(data);
  auto* topGrid = new QGridLayout;
  txtDefTopRecord = Number(data, topGrid, "件数を指定して開く場合の既定レコード件数", kDigits9, "txtDefTopRecord");
  numbers_.push_back({txtDefTopRecord, &O::DefTopRecord});
  dataLayout->addLayout(topGrid);
  fontGroup(data, dataLayout, " 結果表示 ", "lstDataFontName", "txtDataFontSize", &O::DataFontName, &O::DataFontSize);
  radios_.push_back({Radios(data, dataLayout, "横方向出力時の表示方法", {"標準", "左寄せ", "右寄せ"}, "rdoDataShowMode"),
                     &O::DataShowMode});
  auto* widthGrid = new QGridLayout;
  numbers_.push_back({Number(data, widthGrid, "横方向出力時の列幅(字数)", kDigits3, "txtDataColWidthH"), &O::DataColWidthH});
  numbers_.push_back({Number(data, widthGrid, "縦方向出力時の最大列幅(字数)", kDigits3, "txtDataColWidthV"), &O::DataColWidthV});
  dataLayout->addLayout(widthGrid);
  auto* tableData = new QGroupBox(" テーブル・ビューデータ表示 ", data);
  auto* tableLayout = new QVBoxLayout(tableData);
  check(tableData, tableLayout, "抽出条件・ソート順設定画面を予め開いておく", "chkShowWhereGrid", &O::ShowWhereGrid);
  check(tableData, tableLayout, "抽出条件に文字列を指定した際、シングルクォーテーョンを自動付加する", "chkWhereAutoQuote",
        &O::WhereAutoQuote);
  dataLayout->addWidget(tableData);
  check(data, dataLayout, "データ編集時に自動的に COMMIT する", "chkUpdateToCommit", &O::UpdateToCommit)->hide();
  check(data, dataLayout, "初期状態をデータ編集可能にする", "chkUpdateMode", &O::UpdateMode);
  check(data, dataLayout, "NULL値を表示する", "chkShowNull", &O::ShowNull);
  dataLayout->addStretch();
  txtDiagramFontSize = fonts_[0].Size;
  txtGridFontSize = fonts_[1].Size;
  txtDataFontSize = fonts_[2].Size;

  // "整形出力"
  QWidget* format = page("TabFormat", "整形出力");
  auto* formatLayout = new QVBoxLayout(format);
  auto* radioGrid = new QGridLayout;
  auto* left = new QVBoxLayout;
  auto* right = new QVBoxLayout;
  rdoItemReturn = Radios(format, left, "項目の改行", {"1行ずつ", "なし"}, "rdoItemReturn");
  rdoReserveTran = Radios(format, left, "予約語の変換", {"大文字", "小文字", "変更しない"}, "rdoReserveTran");
  rdoItemTran = Radios(format, left, "項目の変換", {"大文字", "小文字", "変更しない"}, "rdoItemTran");
  rdoCommaPos = Radios(format, right, "カンマの位置", {"行頭", "行末"}, "rdoCommaPos");
  rdoAndPos = Radios(format, right, "AND(OR)の位置", {"行頭", "行末"}, "rdoAndPos");
  rdoReservePos = Radios(format, right, "予約語の位置", {"右揃え", "左揃え"}, "rdoReservePos");
  radioGrid->addLayout(left, 0, 0);
  radioGrid->addLayout(right, 0, 1);
  formatLayout->addLayout(radioGrid);
  formatRadios_ = {{rdoItemReturn, &TFormatOption::ItemReturn}, {rdoReserveTran, &TFormatOption::ReserveTrans},
                   {rdoItemTran, &TFormatOption::ItemTrans},     {rdoCommaPos, &TFormatOption::CommaPos},
                   {rdoAndPos, &TFormatOption::AndPos},           {rdoReservePos, &TFormatOption::ReservePos}};
  auto* indentGrid = new QGridLayout;
  txtIndent = Number(format, indentGrid, "インデント", kDigits2, "txtIndent");
  formatLayout->addLayout(indentGrid);
  txtFormat = new TovMemo(format);
  txtFormat->setObjectName("txtFormat");
  txtFormat->setProperty(kOwnEditorOptionsProperty, true);
  txtFormat->setEnabled(false);
  txtFormat->SetReadOnly(true);
  TEditorFont sampleFont = txtFormat->Font();
  sampleFont.Name = kFormatSampleFont;
  txtFormat->SetFont(sampleFont);
  txtFormat->SetScrollBars(ssNone);
  txtFormat->Leftbar().SetVisible(false);
  txtFormat->Ruler().SetVisible(false);
  formatLayout->addWidget(txtFormat, 1);

  // "キー操作"
  QWidget* keys = page("tabKey", "キー操作");
  auto* keyLayout = new QVBoxLayout(keys);
  keyLayout->addWidget(
      new QLabel("項目を選択し、割り当てたいショートカットキーを入力して下さい。(削除したい場合はSPACEキー)", keys));
  lstShortCut = new TovTreeView(keys);
  lstShortCut->setObjectName("lstShortCut");
  lstShortCut->setColumnCount(2);
  lstShortCut->setHeaderLabels({"機能", "ショートカット"});
  lstShortCut->setColumnWidth(0, kFunctionColumnWidth);
  lstShortCut->setColumnWidth(kShortCutColumn, kShortCutColumnWidth);
  lstShortCut->setIndentation(kTreeIndent);
  lstShortCut->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lstShortCut->setSelectionBehavior(QAbstractItemView::SelectRows);
  lstShortCut->setFrameShape(QFrame::NoFrame);
  // The selected node is drawn the same with or without the focus.
  QPalette selection = lstShortCut->palette();
  selection.setColor(QPalette::Inactive, QPalette::Highlight, selection.color(QPalette::Active, QPalette::Highlight));
  selection.setColor(QPalette::All, QPalette::HighlightedText, Qt::white);
  lstShortCut->setPalette(selection);
  // F1 is a short-cut like any other here, not a call for help.
  lstShortCut->setProperty(platform::kHelpContextProperty, platform::kNoHelpContext);
  lstShortCut->installEventFilter(this);
  keyLayout->addWidget(lstShortCut, 1);

  // "外部出力"
  QWidget* output = page("tabOutput", "外部出力");
  auto* outputLayout = new QVBoxLayout(output);
  auto* excel = new QGroupBox(" EXCEL出力 ", output);
  auto* excelGrid = new QGridLayout(excel);
  auto [excelDir, excelBrowse, excelLabel] =
      folder(excel, excelGrid, "デフォルトの出力先", "txtExcelDir", "btnExcelDir", &O::ExcelDir, UserDir);
  txtExcelDir = excelDir;
  connect(excelBrowse, &QToolButton::clicked, this, [this] { BrowseFolder(txtExcelDir, kOutputFolderTitle); });
  auto* excelMore = new QVBoxLayout;
  radios_.push_back({Radios(excel, excelMore, " 出力方向 ", {"縦方向", "横方向"}, "rdoExcel"), &O::ExcelMode});
  check(excel, excelMore, "標準ダイアログを使用する", "chkExcelDialog", &O::ExcelDialog);
  excelGrid->addLayout(excelMore, excelGrid->rowCount(), 0, 1, 3);
  auto* forms = new QGroupBox(" フォームファイル名 ", excel);
  auto* formGrid = new QGridLayout(forms);
  const auto formFile = [&](const char* label, const char* name, const char* button, std::string O::*option) {
    auto* box = new TovStrEdit(forms);
    box->setObjectName(name);
    auto* browse = new QToolButton(forms);
    browse->setObjectName(button);
    browse->setText("...");
    const int row = formGrid->rowCount();
    formGrid->addWidget(new QLabel(QString::fromUtf8(label), forms), row, 0);
    formGrid->addWidget(box, row, 1);
    formGrid->addWidget(browse, row, 2);
    texts_.push_back({box, option});
    connect(browse, &QToolButton::clicked, this, [this, box] { BrowseForm(box); });
  };
  formFile("ＳＱＬ結果", "txtFormSQL", "btnFormSQL", &O::ExcelForm);
  txtSQLTop = Number(forms, formGrid, "開始行", 0, "txtSQLTop");
  cmbSQLLeft = new QComboBox(forms);
  cmbSQLLeft->setObjectName("cmbSQLLeft");
  cmbSQLLeft->setMaxVisibleItems(kComboRows);
  for (int i = 0; i < kSpreadsheetColumns; ++i) cmbSQLLeft->addItem(ColumnLetters(i));
  formGrid->addWidget(new QLabel("桁", forms), formGrid->rowCount(), 0);
  formGrid->addWidget(cmbSQLLeft, formGrid->rowCount() - 1, 1);
  formFile("マトリックス表", "txtFormMatrix", "btnFormMatrix", &O::ExcelFormMatrix);
  txtMatrixRow = Number(forms, formGrid, "頁行数", 0, "txtMatrixRow");
  txtMatrixCol = Number(forms, formGrid, "桁数", 0, "txtMatrixCol");
  numbers_.push_back({txtMatrixRow, &O::ExcelMatrixRow});
  numbers_.push_back({txtMatrixCol, &O::ExcelMatrixCol});
  excelGrid->addWidget(forms, excelGrid->rowCount(), 0, 1, 3);
  auto* excelEnd = new QVBoxLayout;
  check(excel, excelEnd, "最新のデータを読み直してから出力する", "chkExcelRefresh", &O::ExcelRefresh);
  rdoExcelTitle_ = Radios(excel, excelEnd, " 列タイトル出力 ", {"項目名を使用", "コメントを使用", "出力しない"}, "rdoExcelTitle");
  excelGrid->addLayout(excelEnd, excelGrid->rowCount(), 0, 1, 3);
  outputLayout->addWidget(excel);
  auto* clipboard = new QGroupBox(" クリップボード出力 ", output);
  auto* clipLayout = new QVBoxLayout(clipboard);
  radios_.push_back({Radios(clipboard, clipLayout, "項目区切り文字", {"タブ", "カンマ"}, "rdoPasteColumn"), &O::PasteColumn});
  check(clipboard, clipLayout, "出力時に確認ダイアログを表示する", "chkPasteDialog", &O::PasteDialog);
  rdoPasteTitle_ =
      Radios(clipboard, clipLayout, " 列タイトル出力 ", {"項目名を使用", "コメントを使用", "出力しない"}, "rdoPasteTitle");
  outputLayout->addWidget(clipboard);
  auto* files = new QGroupBox(" ファイル出力 ", output);
  auto* fileGrid = new QGridLayout(files);
  auto [fileDir, fileBrowse, fileLabel] =
      folder(files, fileGrid, "デフォルトの出力先", "txtFileDir", "btnFileDir", &O::FileDir, UserDir);
  txtFileDir = fileDir;
  connect(fileBrowse, &QToolButton::clicked, this, [this] { BrowseFolder(txtFileDir, kOutputFolderTitle); });
  outputLayout->addWidget(files);

  // "詳細設定"
  QWidget* other = page("tabOther", "詳細設定");
  auto* otherLayout = new QVBoxLayout(other);
  auto* more = new QGroupBox(" その他設定 ", other);
  auto* moreGrid = new QGridLayout(more);
  numbers_.push_back({Number(more, moreGrid, "クロスリファレンス 最大階層", kDigits3, "txtCrossLevel"), &O::CrossLevel});
  auto [tempDir, tempBrowse, tempLabel] =
      folder(more, moreGrid, "作業ファイル作成先", "txtTempDir", "btnTempDir", &O::TempDir, ShareDir + "temp/");
  txtTempDir = tempDir;
  connect(tempBrowse, &QToolButton::clicked, this, [this] { BrowseFolder(txtTempDir, kTempFolderTitle); });
  numbers_.push_back(
      {Number(more, moreGrid, "データ生成ツール コミット件数 (件ごと)", kDigits7, "txtDataGenCommit"), &O::DataGenCommit});
  auto* moreChecks = new QVBoxLayout;
  check(more, moreChecks, "英小文字のオブジェクト名を使用可能にする", "chkUseLowerName", &O::UserLowerName);
  check(more, moreChecks, "各種エディット時にコード補完を行う", "chkCodeAssist", &O::CodeAssist);
  ChkAutoCommit = check(more, moreChecks, "自動でコミットする(OFFの場合は自動トランザクションとなります)",
                        "ChkAutoCommit", &O::AutoCommit);
  moreGrid->addLayout(moreChecks, moreGrid->rowCount(), 0, 1, 3);
  otherLayout->addWidget(more);
  otherLayout->addStretch();

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  btnOk = new QPushButton("OK", this);
  btnCancel = new QPushButton("キャンセル", this);
  btnHelp = new QPushButton("ヘルプ", this);
  for (QPushButton* button : {btnOk, btnCancel, btnHelp}) buttons->addWidget(button);
  root->addLayout(buttons);
}

void TfrmOption::ConnectControls() {
  connect(chkFind, &QCheckBox::toggled, this, [this](bool on) { chkFindAuto->setEnabled(on); });
  for (QCheckBox* save : {chkBeforeSource, chkAfterSource})
    connect(save, &QCheckBox::toggled, this, [this] { EnableSourceGroups(); });
  for (const TFontGroup& group : fonts_) {
    connect(group.List, &QListWidget::currentTextChanged, this, [sample = group.Sample](const QString& family) {
      if (family.isEmpty()) return;
      TEditorFont font = sample->Font();
      font.Name = family.toStdString();
      sample->SetFont(font);
    });
    group.Size->installEventFilter(this);
  }
  for (const auto& [group, field] : formatRadios_)
    connect(group, &QButtonGroup::idClicked, this, [this] { FormatChange(); });
  connect(txtIndent, &QLineEdit::textChanged, this, [this] { txtIndentChange(); });
  WireDialogButtons(*this, btnOk, btnCancel, btnHelp, [this] { btnOkClick(); });
}

void TfrmOption::EnableSourceGroups() {
  for (QWidget* w : beforeGroup_) w->setEnabled(chkBeforeSource->isChecked());
  for (QWidget* w : afterGroup_) w->setEnabled(chkAfterSource->isChecked());
}

// ---- loading ----

void TfrmOption::LoadControls() {
  pagOption->setCurrentIndex(0);
  for (const auto& [box, option] : checks_) box->setChecked(AppOption.*option);
  for (int i = 0; i < TovOption::kTypeFlagCount; ++i)
    kindButtons_[static_cast<size_t>(i)]->setChecked(AppOption.TypeFlag(i));
  for (const auto& [group, option] : radios_) Check(group, AppOption.*option);
  Check(rdoExcelTitle_, AppOption.ExcelTitle);
  Check(rdoPasteTitle_, AppOption.PasteTitle);
  cmbOpenMode_->setCurrentIndex(AppOption.OpenMode);
  for (const auto& [box, option] : numbers_) box->setText(QString::number(AppOption.*option));
  for (const auto& [box, option] : texts_) box->setText(Q(AppOption.*option));
  for (const TFolderBox& folder : folders_) folder.Box->setText(Q(AppOption.*folder.Folder));
  txtSeparater_->setText(Q(AppOption.Separator));
  for (const TFontGroup& group : fonts_) {
    const std::string name = AppOption.*group.Name;
    const int points = AppOption.*group.Points;
    // A stored name this platform lacks is looked up as the face it stands for.
    QList<QListWidgetItem*> found = group.List->findItems(Q(name), Qt::MatchExactly);
    if (found.isEmpty()) found = group.List->findItems(platform::FontFace(name, points).family(), Qt::MatchExactly);
    group.List->setCurrentItem(found.isEmpty() ? nullptr : found.first());
    TEditorFont font = group.Sample->Font();
    font.Name = found.isEmpty() ? name : found.first()->text().toStdString();
    font.Size = points;
    group.Sample->SetFont(font);
    group.Size->setText(QString::number(points));
  }
  txtSQLTop->setText(QString::number(AppOption.ExcelTop + 1));
  cmbSQLLeft->setCurrentIndex(AppOption.ExcelLeft);
  for (const auto& [group, field] : formatRadios_) Check(group, FormatOption.*field);
  {
    const QSignalBlocker blocker(txtIndent);
    txtIndent->setText(QString::number(FormatOption.Indent));
  }
  lastIndent_ = FormatOption.Indent;
  chkFindAuto->setEnabled(chkFind->isChecked());
  EnableSourceGroups();
  const bool itemReturn = Chosen(rdoItemReturn) != kNoItemReturn;
  SetGroupEnabled(rdoCommaPos, itemReturn);
  SetGroupEnabled(rdoAndPos, itemReturn);
  BuildShortCutTree();
}

void TfrmOption::BuildShortCutTree() {
  TovMainWindow* main = MainWindow();
  lstShortCut->setUpdatesEnabled(false);
  lstShortCut->clear();
  for (const TShortCutGroup& group : ShortCutGroups()) {
    auto* node = new TovTreeNode(lstShortCut, QStringList{Q(group.Caption)});
    for (const std::string& action : group.Actions) {
      const std::string caption = main ? main->ActionCaption(action) : FindActionDef(action)->Caption;
      const int code = main ? main->ActionShortCut(action) : TextToShortCut(DefaultActionKeys(action));
      auto* item = new TovTreeNode(node, QStringList{Q(caption), Q(ShortCutToText(code))});
      item->setData(0, kActionRole, Q(action));
    }
  }
  lstShortCut->expandAll();
  lstShortCut->setUpdatesEnabled(true);
}

// ---- events ----

void TfrmOption::lstShortCutKeyUp(int code) {
  QTreeWidgetItem* node = lstShortCut->currentItem();
  if (!node || node->data(0, kActionRole).toString().isEmpty()) return;
  if ((code & 0xFF) == kClearShortCutKey) {
    node->setText(kShortCutColumn, QString());
    return;
  }
  if (!ShortCutKeyAccepted(code)) return;
  const QString text = Q(ShortCutToText(code));
  for (QTreeWidgetItemIterator it(lstShortCut); *it; ++it) {
    if (*it != node && (*it)->text(kShortCutColumn) == text) {
      MsgBoxFmt(kDuplicateMessage, {kDuplicateWhat}, MB_ICONWARNING);
      return;
    }
  }
  node->setText(kShortCutColumn, text);
}

bool TfrmOption::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lstShortCut && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const int code = KeySequenceToShortCut(QKeySequence(key->keyCombination()));
    if (code != kScNone && ((code & 0xFF) == kClearShortCutKey || ShortCutKeyAccepted(code))) {
      RunReported([this, code] { lstShortCutKeyUp(code); });
      return true;
    }
  }
  if (event->type() == QEvent::FocusOut)
    for (const TFontGroup& group : fonts_)
      if (watched == group.Size) FontSizeExit(group);
  return TovForm::eventFilter(watched, event);
}


void TfrmOption::FontSizeExit(const TFontGroup& group) {
  if (TrimBlanks(group.Size->text().toStdString()).empty()) {
    group.Size->setText(QString::number(group.Sample->Font().Size));
    return;
  }
  TEditorFont font = group.Sample->Font();
  font.Size = FontSizeOfText(group.Size->text().toStdString());
  if (font.Size > 0) group.Sample->SetFont(font);
}

void TfrmOption::FormatChange() {
  const TFormatOption saved = FormatOption;
  AtExit restore([&saved] { FormatOption = saved; });
  FormatOption.Indent = txtIndent->AsInteger();
  for (const auto& [group, field] : formatRadios_) FormatOption.*field = Chosen(group);
  txtFormat->Lines().SetTextStr("");
  const bool itemReturn = Chosen(rdoItemReturn) != kNoItemReturn;
  SetGroupEnabled(rdoCommaPos, itemReturn);
  SetGroupEnabled(rdoAndPos, itemReturn);
  txtFormat->Lines().SetTextStr(FormatSQL(sampleSQL_));
}

void TfrmOption::txtIndentChange() {
  if (txtIndent->text().contains('.')) {
    txtIndent->setText(txtIndent->text().remove('.'));
    return;
  }
  const int indent = txtIndent->AsInteger();
  if (indent == lastIndent_) return;
  lastIndent_ = indent;
  RunReported([this] { FormatChange(); });
}

QWidget* TfrmOption::BoxOf(int check) const {
  switch (check) {
    case ocDataFontSize: return txtDataFontSize;
    case ocDiagramFontSize: return txtDiagramFontSize;
    case ocGridFontSize: return txtGridFontSize;
    case ocDefTopRecord: return txtDefTopRecord;
    case ocSQLTop: return txtSQLTop;
    case ocMatrixRow: return txtMatrixRow;
    default: return txtMatrixCol;
  }
}

void TfrmOption::btnOkClick() {
  const TOptionCheckValues values{txtDataFontSize->AsInteger(), txtDiagramFontSize->AsInteger(),
                                  txtGridFontSize->AsInteger(), txtDefTopRecord->AsInteger(),
                                  txtSQLTop->AsInteger(),       txtMatrixRow->AsInteger(),
                                  txtMatrixCol->AsInteger()};
  if (const auto failure = FirstFailingOptionCheck(values)) {
    for (int i = 0; i < pagOption->count(); ++i)
      if (pagOption->tabText(i).toStdString() == failure->Page) pagOption->setCurrentIndex(i);
    MsgBox(failure->Message, MB_ICONWARNING);
    BoxOf(failure->Box)->setFocus();
    return;
  }
  ApplyOptions();
  if (accepted_) *accepted_ = true;
  close();
}

// ---- applying ----

void TfrmOption::ApplyOptions() {
  const int32_t oldTreeSort = AppOption.TreeSort;
  for (const auto& [box, option] : checks_) AppOption.*option = box->isChecked();
  for (int i = 0; i < TovOption::kTypeFlagCount; ++i)
    AppOption.TypeFlag(i) = kindButtons_[static_cast<size_t>(i)]->isChecked();
  for (const auto& [group, option] : radios_) AppOption.*option = Chosen(group);
  AppOption.ExcelTitle = static_cast<uint8_t>(Chosen(rdoExcelTitle_));
  AppOption.PasteTitle = static_cast<uint8_t>(Chosen(rdoPasteTitle_));
  AppOption.OpenMode = static_cast<uint8_t>(std::max(cmbOpenMode_->currentIndex(), 0));
  for (const auto& [box, option] : numbers_) AppOption.*option = box->AsInteger();
  for (const auto& [box, option] : texts_) AppOption.*option = box->text().toStdString();
  for (const TFolderBox& folder : folders_) {
    folder.Box->setText(Q(StoredFolder(folder.Box->text().toStdString(), folder.Default)));
    AppOption.*folder.Folder = folder.Box->text().toStdString();
  }
  AppOption.Separator = txtSeparater_->text().toStdString();
  for (const TFontGroup& group : fonts_) {
    if (QListWidgetItem* chosen = group.List->currentItem()) AppOption.*group.Name = chosen->text().toStdString();
    AppOption.*group.Points = group.Size->AsInteger();
  }
  AppOption.ExcelTop = txtSQLTop->AsInteger() - 1;
  AppOption.ExcelLeft = std::max(cmbSQLLeft->currentIndex(), 0);
  FormatOption.Indent = txtIndent->AsInteger();
  for (const auto& [group, field] : formatRadios_) FormatOption.*field = Chosen(group);
  ApplyShortCuts();
  if (TovMainWindow* main = MainWindow()) main->RefreshObjectMenus();
  ApplyToConnectionWindows(AppOption.TreeSort != oldTreeSort);
}

void TfrmOption::ApplyShortCuts() {
  std::map<std::string, int> codes;
  for (QTreeWidgetItemIterator it(lstShortCut); *it; ++it) {
    const QString action = (*it)->data(0, kActionRole).toString();
    if (!action.isEmpty()) codes[action.toStdString()] = TextToShortCut((*it)->text(kShortCutColumn).toStdString());
  }
  if (TovMainWindow* main = MainWindow()) main->SetActionShortCuts(codes);
}

void TfrmOption::ApplyToConnectionWindows(bool treeSortChanged) {
  TovMainWindow* main = MainWindow();
  const TActionHandler* handler = ActionHandler(kListOptionsCommand);
  if (!main || !handler) return;
  const std::vector<TConnectionEntry> entries = main->ConnectionEntries();
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    TActionRequest request;
    request.Connection = AsConnectionWindow(it->ConnectionWindow);
    if (!request.Connection) continue;
    if (treeSortChanged) request.Text = kTreeSortChanged;
    (*handler)(request);
  }
}

// ---- browsing ----

void TfrmOption::BrowseFolder(TovStrEdit* box, const char* title) {
  const QString current = box->text();
  platform::FileRequest request;
  request.kind = platform::FileDialogKind::Folder;
  request.caption = title;
  if (!current.trimmed().isEmpty() && QDir(current).exists()) request.directory = current.toStdString();
  const std::optional<std::string> chosen = platform::Dialogs().ShowFile(request);
  if (!chosen) return;
  std::string folder = *chosen;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  box->setText(Q(folder));
}

void TfrmOption::BrowseForm(TovStrEdit* box) {
  if (box->text().endsWith('/')) box->setText(box->text().chopped(1));
  platform::FileRequest request;
  request.fileName = box->text().toStdString();
  request.filter = ExcelFileFilter + ";;" + kAllFilesFilter;
  if (const std::optional<std::string> chosen = platform::Dialogs().ShowFile(request)) box->setText(Q(*chosen));
}

bool TfrmOption::Execute() {
  LoadControls();
  sampleSQL_ = kFormatSample;
  txtFormat->Lines().SetTextStr("");
  txtFormat->Lines().SetTextStr(FormatSQL(sampleSQL_));
  const TFormatOption saved = FormatOption;
  bool accepted = false;
  accepted_ = &accepted;
  btnOk->setFocus();
  ShowModalForm(*this);
  // The form is gone; it applied itself before closing with OK.
  if (!accepted) FormatOption = saved;
  return accepted;
}

bool ShowOption() {
  TovMainWindow* main = ControlOptionsWindow();
  QPointer<TfrmOption> form = new TfrmOption(main ? main->Window() : nullptr);
  const bool accepted = form->Execute();
  delete form.data();
  return accepted;
}
