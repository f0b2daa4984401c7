// feoption: TfrmEditorOption, the editor options dialog ("エディタオプション"):
// a sample editor follows every control at once, and "OK" copies the
// sample's whole option set into the editor property set it was given.
// TEditorColorManager binds the colour grid, the "指定なし" panel with its
// "FG" and "BG" markers and the style boxes to one colour object or mark.
#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "app/ovforms.h"
#include "editor/core/heFountain.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class TColorGrid;
class TEditorMark;
class TovMemo;
class TovMemoProp;
class TovNumEdit;

class TEditorColorManager : public QObject {
  Q_OBJECT

 public:
  enum TMode : uint8_t { cmColor = 0, cmMark = 1 };

  TEditorColorManager(TColorGrid* grid, QCheckBox* italic, QCheckBox* underline, QCheckBox* bold, QLabel* fgMarker,
                      QLabel* bgMarker, QWidget* panel);

  TMode Mode() const { return mode_; }
  const std::vector<TColor>& Colors() const { return colors_; }
  TFountainColor* EditedColor() const { return color_; }
  TEditorMark* EditedMark() const { return mark_; }

  // The grid's colours in grid order, then none.
  virtual void InitColors();
  virtual void SelectMark(TEditorMark* mark);
  virtual void SelectColor(TFountainColor* color);
  virtual void SetMode(TMode mode);
  virtual void GridMouseDown(Qt::MouseButton button);
  // The panel and both markers: the button's colour becomes none.
  void NoneMouseDown(Qt::MouseButton button);
  void StyleClick(QCheckBox* box);

  // After every colour change made through the manager.
  std::function<void()> OnChange;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Changed();
  void SetStyleBoxes(bool enabled, TFontStyles checked);

  TMode mode_ = cmColor;
  TFountainColor* color_ = nullptr;
  TEditorMark* mark_ = nullptr;
  std::vector<TColor> colors_;
  TColorGrid* grid_;
  QWidget* panel_;
  QLabel* bgMarker_;
  QLabel* fgMarker_;
  QCheckBox* bold_;
  QCheckBox* underline_;
  QCheckBox* italic_;
};

class TfrmEditorOption : public TovForm {
  Q_OBJECT

 public:
  // The colour items of "色・フォント", in list order.
  enum TColorItem { ciBase, ciComment, ciLiteral, ciReserve, ciEof, ciRet, ciSemiSpace, ciSpace, ciUnderline, ciHit };

  explicit TfrmEditorOption(QWidget* owner);
  ~TfrmEditorOption() override;

  // False at once without a property set; otherwise shows the dialog
  // modally: true when it closed with "OK", the set then holding the
  // sample's options. The dialog frees itself when it closes.
  bool Execute(TovMemoProp* prop);

  QTabWidget* pagOption = nullptr;
  QWidget* tabGeneral = nullptr;
  QWidget* tabColor = nullptr;
  QWidget* tabReserve = nullptr;
  QCheckBox* chkFreeCaret = nullptr;
  QCheckBox* chkAutoIndent = nullptr;
  QCheckBox* chkBackSpaceUnIndent = nullptr;
  QCheckBox* chkInTab = nullptr;
  QCheckBox* chkNextLine = nullptr;
  QCheckBox* chkTabIndent = nullptr;
  QCheckBox* chkSoftTab = nullptr;
  QCheckBox* chkSelMove = nullptr;
  QSpinBox* spnTab = nullptr;
  QListWidget* lstColor = nullptr;
  TColorGrid* grdColor = nullptr;
  QLabel* pnlNone = nullptr;
  QLabel* lblFG = nullptr;
  QLabel* lblBG = nullptr;
  QGroupBox* grpStyle = nullptr;
  QCheckBox* chkBold = nullptr;
  QCheckBox* chkUnderline = nullptr;
  QCheckBox* chkItalic = nullptr;
  TovMemo* txtSample = nullptr;
  QCheckBox* chkLeftbar = nullptr;
  QCheckBox* chkRuler = nullptr;
  QComboBox* cmbRuler = nullptr;
  QListWidget* lstFont = nullptr;
  QListWidget* lstSize = nullptr;
  TovNumEdit* txtSize = nullptr;
  QPlainTextEdit* txtReserve = nullptr;
  QPushButton* btnDefault = nullptr;
  QPushButton* btnHelp = nullptr;
  QPushButton* btnCancel = nullptr;
  QPushButton* btnOk = nullptr;

  TEditorColorManager* ColorManager() const { return manager_.get(); }
  TFountainColor& BaseColor() const { return *baseColor_; }

  // The manager's change event: the marks show exactly while they have a
  // colour, and the comment brackets take the comment colour.
  void ApplyMarks();
  void lstColorClick();
  void btnDefaultClick();
  void btnOkClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void setupUi();
  QWidget* BuildGeneralPage();
  QWidget* BuildColorPage();
  QWidget* BuildReservePage();
  void ConnectControls();
  // The controls from the sample, and what the dialog does when first shown.
  void LoadControls();
  void FormShow();
  void FillFontList();
  void FillSizeList();
  void BaseColorChange(TObject* sender);
  void ApplySize();

  TovMemoProp* prop_ = nullptr;
  bool* accepted_ = nullptr;
  bool shown_ = false;
  std::unique_ptr<TFountainColor> baseColor_;
  std::unique_ptr<TEditorColorManager> manager_;
};

// Shows the editor options dialog on `prop`; true when it closed with "OK".
// Every SQL editor that follows the user's settings then takes them.
bool ShowEditorOption(TovMemoProp& prop);
