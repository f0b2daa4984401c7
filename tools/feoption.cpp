#include "tools/feoption.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "app/core/ovkinds.h"
#include "app/core/ovmainwin.h"
#include "app/core/zarur.h"
#include "editor/core/EditorProp.h"
#include "editor/ovmemo.h"
#include "platform/gui/wingdi.h"
#include "platform/qstr.h"
#include "tools/colorgrid.h"
#include "tools/core/feoptioncore.h"
#include "tools/toolsmodal.h"
#include "ui/ovstdctl.h"
#include "ui/zarurctl.h"

namespace {

constexpr int kHelpContext = 50200;
constexpr char kCaption[] = "エディタオプション";
constexpr char kSampleText[] = "/* 表示サンプル */\nSELECT COL01, 'ABC' FROM SAMPLE01\n\tORDER BY 1; -- COL01 でソート";
constexpr char kSizeMessage[] = "サイズは1以上の整数で入力して下さい。";
constexpr char kBlankWordMessage[] = "予約語に空白が含まれているため登録できません。(";
constexpr char kBlankWordEnd[] = ")";
constexpr char kDefaultQuestion[] = "予約語を初期値に戻しますか？";
constexpr int kPlainBox = 0;
constexpr int kMinFontSize = 8;
constexpr int kMaxFontSize = 50;
constexpr int kSizeDigits = 2;
constexpr int kTabStep = 2;
// The ruler units, by item.
constexpr int kRulerUnits[] = {TEditorRuler::kMaxGaugeRange, TEditorRuler::kMinGaugeRange};
constexpr int kRulerUnitItem8 = 1;
// A family name of a vertical face begins with this.
constexpr char kVerticalFacePrefix = '@';
constexpr int kDesignWidth = 560;
constexpr int kDesignHeight = 460;

constexpr const char* kColorItems[] = {"基本色",         "コメント",         "リテラル値", "予約語", "EOF記号",
                                       "改行記号",       "半角スペース記号", "全角スペース記号", "下線", "検索結果"};

QCheckBox* AddCheck(QWidget* parent, QLayout* layout, const char* caption) {
  auto* box = new QCheckBox(QString::fromUtf8(caption), parent);
  layout->addWidget(box);
  return box;
}

}  // namespace

// ---- TEditorColorManager ----

TEditorColorManager::TEditorColorManager(TColorGrid* grid, QCheckBox* italic, QCheckBox* underline, QCheckBox* bold,
                                         QLabel* fgMarker, QLabel* bgMarker, QWidget* panel)
    : grid_(grid), panel_(panel), bgMarker_(bgMarker), fgMarker_(fgMarker), bold_(bold), underline_(underline),
      italic_(italic) {
  InitColors();
  grid_->OnMouseDown = [this](Qt::MouseButton button) { GridMouseDown(button); };
  for (QWidget* none : {panel_, static_cast<QWidget*>(fgMarker_), static_cast<QWidget*>(bgMarker_)})
    none->installEventFilter(this);
  for (QCheckBox* box : {bold_, underline_, italic_})
    connect(box, &QCheckBox::clicked, this, [this, box] { StyleClick(box); });
}

void TEditorColorManager::InitColors() { colors_ = EditorColorList(); }

void TEditorColorManager::SelectMark(TEditorMark* mark) {
  SetMode(cmMark);
  mark_ = mark;
  color_ = nullptr;
  if (!mark) {
    grid_->SetForegroundIndex(kNoColorIndex);
    grid_->setEnabled(false);
    panel_->setEnabled(false);
    fgMarker_->setVisible(false);
    return;
  }
  const int index = EditorColorIndex(mark->Color());
  grid_->setEnabled(true);
  panel_->setEnabled(true);
  grid_->SetForegroundIndex(index);
  fgMarker_->setVisible(index == kNoColorIndex);
}

void TEditorColorManager::SelectColor(TFountainColor* color) {
  SetMode(cmColor);
  color_ = color;
  mark_ = nullptr;
  if (!color) {
    grid_->SetForegroundIndex(kNoColorIndex);
    grid_->SetBackgroundIndex(kNoColorIndex);
    grid_->setEnabled(false);
    fgMarker_->setVisible(false);
    bgMarker_->setVisible(false);
    panel_->setEnabled(false);
    SetStyleBoxes(false, 0);
    return;
  }
  grid_->setEnabled(true);
  const int background = EditorColorIndex(color->BkColor());
  const int foreground = EditorColorIndex(color->Color());
  grid_->SetBackgroundIndex(background);
  grid_->SetForegroundIndex(foreground);
  panel_->setEnabled(true);
  bgMarker_->setVisible(background == kNoColorIndex);
  fgMarker_->setVisible(foreground == kNoColorIndex);
  SetStyleBoxes(true, color->Style());
}

void TEditorColorManager::SetMode(TMode mode) {
  mode_ = mode;
  grid_->SetForegroundEnabled(true);
  grid_->SetBackgroundEnabled(mode == cmColor);
  if (mode == cmColor) {
    SetStyleBoxes(true, color_ ? color_->Style() : 0);
  } else {
    bgMarker_->setVisible(false);
    SetStyleBoxes(false, 0);
  }
}

void TEditorColorManager::SetStyleBoxes(bool enabled, TFontStyles checked) {
  bold_->setChecked(checked & fsBold);
  underline_->setChecked(checked & fsUnderline);
  italic_->setChecked(checked & fsItalic);
  for (QCheckBox* box : {bold_, underline_, italic_}) box->setEnabled(enabled);
}

void TEditorColorManager::GridMouseDown(Qt::MouseButton button) {
  const auto colorAt = [this](int index) { return colors_.at(static_cast<size_t>(index)); };
  if (button == Qt::LeftButton) {
    if (mode_ == cmColor && color_) color_->SetColor(colorAt(grid_->ForegroundIndex()));
    if (mode_ == cmMark && mark_) mark_->SetColor(colorAt(grid_->ForegroundIndex()));
    fgMarker_->setVisible(false);
  } else if (button == Qt::RightButton && mode_ == cmColor && color_) {
    color_->SetBkColor(colorAt(grid_->BackgroundIndex()));
    bgMarker_->setVisible(false);
  }
  Changed();
}

void TEditorColorManager::NoneMouseDown(Qt::MouseButton button) {
  const bool left = button == Qt::LeftButton;
  if (mode_ == cmColor && color_) {
    if (left) {
      color_->SetColor(clNone);
      grid_->SetForegroundIndex(kNoColorIndex);
      fgMarker_->setVisible(true);
    } else if (button == Qt::RightButton) {
      color_->SetBkColor(clNone);
      grid_->SetBackgroundIndex(kNoColorIndex);
      bgMarker_->setVisible(true);
    }
  } else if (mode_ == cmMark && mark_ && left) {
    mark_->SetColor(clNone);
    grid_->SetForegroundIndex(kNoColorIndex);
    fgMarker_->setVisible(true);
  }
  Changed();
}

void TEditorColorManager::StyleClick(QCheckBox* box) {
  if (mode_ != cmColor || !color_) return;
  const TFontStyle bit = box == bold_ ? fsBold : box == underline_ ? fsUnderline : fsItalic;
  const TFontStyles style = box->isChecked() ? color_->Style() | bit : color_->Style() & ~bit;
  color_->SetStyle(static_cast<TFontStyles>(style));
  Changed();
}

void TEditorColorManager::Changed() {
  if (OnChange) OnChange();
}

bool TEditorColorManager::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget && widget->isEnabled()) NoneMouseDown(static_cast<QMouseEvent*>(event)->button());
    return true;
  }
  return QObject::eventFilter(watched, event);
}

// ---- TfrmEditorOption ----

TfrmEditorOption::TfrmEditorOption(QWidget* owner) : TovForm(owner, TPlace::OwnWindow) {
  setObjectName("frmEditorOption");
  setWindowTitle(kCaption);
  SetDesignSize(kDesignWidth, kDesignHeight);
  setupUi();
  SetHelpContext(kHelpContext);
  ConnectControls();
}

TfrmEditorOption::~TfrmEditorOption() {
  // The manager goes first: it points into the base colour and the sample.
  manager_.reset();
  baseColor_.reset();
}

void TfrmEditorOption::setupUi() {
  auto* root = new QVBoxLayout(this);
  pagOption = new QTabWidget(this);
  pagOption->setObjectName("pagOption");
  tabGeneral = BuildGeneralPage();
  tabColor = BuildColorPage();
  tabReserve = BuildReservePage();
  pagOption->addTab(tabGeneral, "全般");
  pagOption->addTab(tabColor, "色・フォント");
  pagOption->addTab(tabReserve, "予約語");
  root->addWidget(pagOption, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  btnHelp = new QPushButton("ヘルプ", this);
  btnCancel = new QPushButton("キャンセル", this);
  btnOk = new QPushButton("OK", this);
  for (QPushButton* button : {btnHelp, btnCancel, btnOk}) buttons->addWidget(button);
  root->addLayout(buttons);
}

QWidget* TfrmEditorOption::BuildGeneralPage() {
  auto* page = new QWidget(this);
  auto* layout = new QVBoxLayout(page);
  auto* group = new QGroupBox("編集時の動作", page);
  auto* boxes = new QVBoxLayout(group);
  chkFreeCaret = AddCheck(group, boxes, "フリーカーソル ( 改行コードを超えてカーソルを移動できる )");
  chkAutoIndent = AddCheck(group, boxes, "オートインデント");
  chkBackSpaceUnIndent = AddCheck(group, boxes, "バックスペース アンインデント");
  chkInTab = AddCheck(group, boxes, "タブ文字上を移動可能にする");
  chkNextLine = AddCheck(group, boxes, "行末から次行の先頭にカーソルを移動する");
  chkTabIndent = AddCheck(group, boxes, "タブ文字を使ってインデントする");
  chkSoftTab = AddCheck(group, boxes, "タブ文字を空白に置き換える");
  chkSelMove = AddCheck(group, boxes, "選択領域のマウス・ドラッグを許可");
  auto* tab = new QHBoxLayout;
  tab->addWidget(new QLabel("タブ文字数", group));
  spnTab = new QSpinBox(group);
  spnTab->setRange(TEditorCaret::kMinTabSpaceCount, TEditorCaret::kMaxTabSpaceCount);
  spnTab->setSingleStep(kTabStep);
  // Chosen with the arrows only.
  if (auto* edit = spnTab->findChild<QLineEdit*>()) edit->setReadOnly(true);
  tab->addWidget(spnTab);
  tab->addStretch();
  boxes->addLayout(tab);
  layout->addWidget(group);
  layout->addStretch();
  return page;
}

QWidget* TfrmEditorOption::BuildColorPage() {
  auto* page = new QWidget(this);
  auto* layout = new QGridLayout(page);
  lstColor = new QListWidget(page);
  for (const char* item : kColorItems) lstColor->addItem(QString::fromUtf8(item));
  layout->addWidget(lstColor, 0, 0, 3, 1);

  auto* colors = new QVBoxLayout;
  grdColor = new TColorGrid(page);
  colors->addWidget(grdColor);
  pnlNone = new QLabel("指定なし", page);
  pnlNone->setFrameShape(QFrame::Panel);
  pnlNone->setFrameShadow(QFrame::Sunken);
  auto* markers = new QHBoxLayout(pnlNone);
  markers->setContentsMargins(0, 0, 0, 0);
  markers->addStretch();
  lblFG = new QLabel("FG", pnlNone);
  lblBG = new QLabel("BG", pnlNone);
  markers->addWidget(lblFG);
  markers->addWidget(lblBG);
  colors->addWidget(pnlNone);
  grpStyle = new QGroupBox(" スタイル ", page);
  auto* styles = new QVBoxLayout(grpStyle);
  chkBold = AddCheck(grpStyle, styles, "太字");
  chkUnderline = AddCheck(grpStyle, styles, "下線");
  chkItalic = AddCheck(grpStyle, styles, "斜体");
  chkItalic->hide();
  colors->addWidget(grpStyle);
  layout->addLayout(colors, 0, 1, 3, 1);

  txtSample = new TovMemo(page);
  txtSample->setObjectName("txtSample");
  txtSample->setProperty(kOwnEditorOptionsProperty, true);
  txtSample->setEnabled(false);
  layout->addWidget(txtSample, 0, 2, 1, 2);
  chkLeftbar = AddCheck(page, layout, "行番号を表示する");
  layout->addWidget(chkLeftbar, 1, 2);
  chkRuler = new QCheckBox("ルーラーを表示する", page);
  layout->addWidget(chkRuler, 1, 3);
  auto* unit = new QGroupBox(" ルーラー単位 ", page);
  auto* unitLayout = new QHBoxLayout(unit);
  cmbRuler = new QComboBox(unit);
  for (int range : kRulerUnits) cmbRuler->addItem(QString::number(range));
  unitLayout->addWidget(cmbRuler);
  layout->addWidget(unit, 2, 2);

  auto* font = new QGridLayout;
  font->addWidget(new QLabel("フォント", page), 0, 0);
  font->addWidget(new QLabel("サイズ", page), 0, 1);
  lstFont = new QListWidget(page);
  txtSize = new TovNumEdit(page);
  txtSize->setMaxLength(kSizeDigits);
  lstSize = new QListWidget(page);
  font->addWidget(lstFont, 1, 0, 2, 1);
  font->addWidget(txtSize, 1, 1);
  font->addWidget(lstSize, 2, 1);
  layout->addLayout(font, 3, 0, 1, 4);
  return page;
}

QWidget* TfrmEditorOption::BuildReservePage() {
  auto* page = new QWidget(this);
  auto* layout = new QVBoxLayout(page);
  txtReserve = new QPlainTextEdit(page);
  txtReserve->setLineWrapMode(QPlainTextEdit::NoWrap);
  layout->addWidget(txtReserve, 1);
  btnDefault = new QPushButton("初期値", page);
  layout->addWidget(btnDefault, 0, Qt::AlignLeft);
  return page;
}

void TfrmEditorOption::ConnectControls() {
  struct TCaretBox {
    QCheckBox* Box;
    bool TEditorCaret::*Option;
  };
  const TCaretBox caretBoxes[] = {
      {chkFreeCaret, &TEditorCaret::FreeCaret}, {chkAutoIndent, &TEditorCaret::AutoIndent},
      {chkBackSpaceUnIndent, &TEditorCaret::BackSpaceUnIndent}, {chkInTab, &TEditorCaret::InTab},
      {chkNextLine, &TEditorCaret::NextLine}, {chkTabIndent, &TEditorCaret::TabIndent},
      {chkSoftTab, &TEditorCaret::SoftTab}, {chkSelMove, &TEditorCaret::SelMove}};
  for (const TCaretBox& entry : caretBoxes)
    connect(entry.Box, &QCheckBox::toggled, this,
            [this, option = entry.Option](bool on) { txtSample->Caret().*option = on; });
  connect(spnTab, &QSpinBox::valueChanged, this, [this](int count) { txtSample->Caret().SetTabSpaceCount(count); });
  connect(chkLeftbar, &QCheckBox::toggled, this, [this](bool on) { txtSample->Leftbar().SetVisible(on); });
  connect(chkRuler, &QCheckBox::toggled, this, [this](bool on) { txtSample->Ruler().SetVisible(on); });
  connect(cmbRuler, &QComboBox::currentIndexChanged, this, [this](int item) {
    if (item >= 0) txtSample->Ruler().SetGaugeRange(kRulerUnits[item]);
  });
  connect(lstFont, &QListWidget::currentTextChanged, this, [this](const QString& family) {
    if (family.isEmpty()) return;
    TEditorFont font = txtSample->Font();
    font.Name = family.toStdString();
    txtSample->SetFont(font);
  });
  connect(lstSize, &QListWidget::currentTextChanged, this, [this](const QString& size) {
    if (!size.isEmpty()) txtSize->setText(size);
  });
  connect(txtSize, &QLineEdit::textChanged, this, [this] { ApplySize(); });
  connect(lstColor, &QListWidget::currentRowChanged, this, [this] { lstColorClick(); });
  connect(btnDefault, &QPushButton::clicked, this, [this] { RunReported([this] { btnDefaultClick(); }); });
  WireDialogButtons(*this, btnOk, btnCancel, btnHelp, [this] { btnOkClick(); });
}

void TfrmEditorOption::ApplySize() {
  const int applied = FontSizeOfText(txtSize->text().toStdString());
  // A zero size is refused by "OK"; the sample keeps a size it can draw.
  if (applied <= 0) return;
  TEditorFont font = txtSample->Font();
  font.Size = applied;
  txtSample->SetFont(font);
}

bool TfrmEditorOption::Execute(TovMemoProp* prop) {
  if (!prop) return false;
  prop_ = prop;
  bool accepted = false;
  accepted_ = &accepted;
  ShowModalForm(*this);
  return accepted;
}

void TfrmEditorOption::showEvent(QShowEvent* event) {
  TovForm::showEvent(event);
  if (shown_ || !prop_) return;
  shown_ = true;
  LoadControls();
  FormShow();
}

void TfrmEditorOption::LoadControls() {
  prop_->AssignTo(*txtSample);
  TEditorCaret& caret = txtSample->Caret();
  const std::pair<QCheckBox*, bool> boxes[] = {
      {chkFreeCaret, caret.FreeCaret}, {chkAutoIndent, caret.AutoIndent}, {chkBackSpaceUnIndent, caret.BackSpaceUnIndent},
      {chkInTab, caret.InTab},         {chkNextLine, caret.NextLine},     {chkTabIndent, caret.TabIndent},
      {chkSoftTab, caret.SoftTab},     {chkSelMove, caret.SelMove}};
  for (const auto& [box, on] : boxes) box->setChecked(on);
  spnTab->setValue(caret.TabSpaceCount());
  chkLeftbar->setChecked(txtSample->Leftbar().Values().Visible);
  chkRuler->setChecked(txtSample->Ruler().Values().Visible);
  cmbRuler->setCurrentIndex(txtSample->Ruler().Values().GaugeRange == TEditorRuler::kMinGaugeRange ? kRulerUnitItem8 : 0);
  QStringList words;
  for (const std::string& word : txtSample->ReserveWordList().Strings()) words << Q(word);
  txtReserve->setPlainText(words.join('\n'));
  pagOption->setCurrentWidget(tabGeneral);
}

void TfrmEditorOption::FormShow() {
  txtSample->Lines().SetTextStr(kSampleText);
  txtSample->SetScrollBars(ssNone);
  baseColor_ = Make<TFountainColor>();
  baseColor_->SetColor(txtSample->Font().Color);
  baseColor_->SetBkColor(txtSample->Color());
  baseColor_->SetStyle(txtSample->Font().Style);
  baseColor_->OnChange = TNotifyEvent::Of<TfrmEditorOption, &TfrmEditorOption::BaseColorChange>(this);
  manager_ = std::make_unique<TEditorColorManager>(grdColor, chkItalic, chkUnderline, chkBold, lblFG, lblBG, pnlNone);
  manager_->OnChange = [this] { ApplyMarks(); };
  FillFontList();
  FillSizeList();
  lstColor->setCurrentRow(-1);
  lstColor->setCurrentRow(ciBase);
}

void TfrmEditorOption::FillFontList() {
  const QSignalBlocker blocker(lstFont);
  lstFont->clear();
  for (const QString& family : QFontDatabase::families())
    if (!family.startsWith(kVerticalFacePrefix) && QFontDatabase::isFixedPitch(family)) lstFont->addItem(family);
  // A stored name this platform lacks is looked up as the face it stands for.
  const TEditorFont font = txtSample->Font();
  QList<QListWidgetItem*> found = lstFont->findItems(Q(font.Name), Qt::MatchExactly);
  if (found.isEmpty())
    found = lstFont->findItems(platform::FontFace(font.Name, font.Size).family(), Qt::MatchExactly);
  if (!found.isEmpty()) {
    lstFont->setCurrentItem(found.first());
  } else if (lstFont->count() > 0) {
    lstFont->setCurrentRow(0);
  }
  if (QListWidgetItem* chosen = lstFont->currentItem()) {
    TEditorFont named = font;
    named.Name = chosen->text().toStdString();
    txtSample->SetFont(named);
  }
}

void TfrmEditorOption::FillSizeList() {
  const QSignalBlocker blocker(lstSize);
  lstSize->clear();
  for (int size = kMinFontSize; size <= kMaxFontSize; ++size) lstSize->addItem(QString::number(size));
  TEditorFont font = txtSample->Font();
  const QList<QListWidgetItem*> found = lstSize->findItems(QString::number(font.Size), Qt::MatchExactly);
  if (found.isEmpty()) {
    lstSize->setCurrentRow(0);
    font.Size = kMinFontSize;
    txtSample->SetFont(font);
  } else {
    lstSize->setCurrentItem(found.first());
  }
  const QSignalBlocker sizeBlocker(txtSize);
  txtSize->setText(QString::number(font.Size));
}

void TfrmEditorOption::BaseColorChange(TObject*) {
  txtSample->SetColor(baseColor_->BkColor());
  TEditorFont font = txtSample->Font();
  font.Color = baseColor_->Color();
  font.Style = baseColor_->Style();
  txtSample->SetFont(font);
}

void TfrmEditorOption::ApplyMarks() {
  TEditorMarks& marks = txtSample->Marks();
  for (TEditorMark* mark :
       {&marks.EofMark(), &marks.RetMark(), &marks.Underline(), &marks.SemiSpaceMark(), &marks.SpaceMark()})
    mark->SetVisible(mark->Color() != clNone);
  TEditorColors& colors = txtSample->View().Colors();
  TEditorBracketCollection& brackets = txtSample->View().Brackets();
  if (brackets.Count() > 0) {
    TFountainColor& comment = brackets.GetItem(0)->ItemColor();
    comment.SetColor(colors.Comment().Color());
    comment.SetBkColor(colors.Comment().BkColor());
  }
  txtSample->viewport()->update();
}

void TfrmEditorOption::lstColorClick() {
  if (!manager_) return;
  TEditorColors& colors = txtSample->View().Colors();
  TEditorMarks& marks = txtSample->Marks();
  switch (lstColor->currentRow()) {
    case ciBase: manager_->SelectColor(baseColor_.get()); break;
    case ciComment: manager_->SelectColor(&colors.Comment()); break;
    case ciLiteral: manager_->SelectColor(&colors.Str()); break;
    case ciReserve: manager_->SelectColor(&colors.Reserve()); break;
    case ciEof: manager_->SelectMark(&marks.EofMark()); break;
    case ciRet: manager_->SelectMark(&marks.RetMark()); break;
    case ciSemiSpace: manager_->SelectMark(&marks.SemiSpaceMark()); break;
    case ciSpace: manager_->SelectMark(&marks.SpaceMark()); break;
    case ciUnderline: manager_->SelectMark(&marks.Underline()); break;
    case ciHit: manager_->SelectColor(&colors.Hit()); break;
    default: manager_->SelectColor(nullptr); break;
  }
}

void TfrmEditorOption::btnDefaultClick() {
  if (MsgBox(kDefaultQuestion, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  std::vector<std::string> words;
  GetReservedWords(words);
  std::sort(words.begin(), words.end());
  QStringList lines;
  for (const std::string& word : words) lines << Q(word);
  txtReserve->setPlainText(lines.join('\n'));
}

void TfrmEditorOption::btnOkClick() {
  if (txtSize->AsInteger() == 0) {
    pagOption->setCurrentWidget(tabColor);
    MsgBox(kSizeMessage, MB_ICONWARNING);
    txtSize->setFocus();
    return;
  }
  std::vector<std::string> lines;
  const QString text = txtReserve->toPlainText();
  for (const QString& line : text.split('\n')) lines.push_back(line.toStdString());
  // A final line break ends the last line and starts none.
  if (text.endsWith('\n')) lines.pop_back();
  if (const auto word = ReserveWordWithBlank(lines)) {
    pagOption->setCurrentWidget(tabReserve);
    MsgBox(kBlankWordMessage + *word + kBlankWordEnd, kPlainBox);
    txtReserve->setFocus();
    return;
  }
  const std::vector<std::string> words = CleanReserveWords(lines);
  QStringList cleaned;
  for (const std::string& word : words) cleaned << Q(word);
  txtReserve->setPlainText(cleaned.join('\n'));
  txtSample->SetReserveWordList(words);
  EditorReserveWords = words;
  prop_->Assign(*txtSample);
  prop_->SetScrollBars(ssBoth);
  if (accepted_) *accepted_ = true;
  close();
}

bool ShowEditorOption(TovMemoProp& prop) {
  TovMainWindow* main = ControlOptionsWindow();
  QPointer<TfrmEditorOption> form = new TfrmEditorOption(main ? main->Window() : nullptr);
  const bool accepted = form->Execute(&prop);
  delete form.data();
  if (accepted) RefreshEditorOptions();
  return accepted;
}
