#include "ui/ovstdctl.h"

#include <QCompleter>
#include <QKeyEvent>
#include <QStyledItemDelegate>
#include <QValidator>

#include <functional>

#include "ui/core/ovstdctlcore.h"

// Applies a control's text rule to typed, pasted and set text alike, before
// the change reaches the owner.
class TovTextRule : public QValidator {
 public:
  TovTextRule(std::function<QString(const QString&)> rule, QObject* parent)
      : QValidator(parent), rule_(std::move(rule)) {}
  State validate(QString& input, int& pos) const override {
    const QString ruled = rule_(input);
    if (ruled != input) {
      pos = std::clamp(pos - static_cast<int>(input.size() - ruled.size()), 0, static_cast<int>(ruled.size()));
      input = ruled;
    }
    return Acceptable;
  }

 private:
  std::function<QString(const QString&)> rule_;
};

namespace {

// The list's visible rows of a combo box.
constexpr int kDropDownCount = 20;

QString CaseOf(const QString& text, TEditCharCase charCase) {
  switch (charCase) {
    case ecUpperCase:
      return text.toUpper();
    case ecLowerCase:
      return text.toLower();
    case ecNormal:
      break;
  }
  return text;
}

// Disabled fields take the button face, as the system's dialogs show them.
void GreyWhileDisabled(QWidget& w) {
  QPalette p = w.palette();
  p.setColor(QPalette::Disabled, QPalette::Base, p.color(QPalette::Active, QPalette::Button));
  w.setPalette(p);
}

bool IsEnter(const QKeyEvent& e) { return e.key() == Qt::Key_Return || e.key() == Qt::Key_Enter; }

// Tab stays in a field that wants it.
bool KeepTab(const TovFieldKeys& keys, QEvent& e) {
  if (!keys.WantTabs || e.type() != QEvent::KeyPress) return false;
  const int key = static_cast<QKeyEvent&>(e).key();
  if (key != Qt::Key_Tab && key != Qt::Key_Backtab) return false;
  e.accept();
  return true;
}

std::optional<TArrowKey> ArrowOf(const QKeyEvent& e) {
  switch (e.key()) {
    case Qt::Key_Left:
      return TArrowKey::Left;
    case Qt::Key_Right:
      return TArrowKey::Right;
    case Qt::Key_Up:
      return TArrowKey::Up;
    case Qt::Key_Down:
      return TArrowKey::Down;
    default:
      return std::nullopt;
  }
}

TCaretPlace CaretOf(const QLineEdit& edit) {
  return {edit.cursorPosition(), static_cast<int>(edit.text().size()), edit.hasSelectedText()};
}

void MoveFocus(QWidget& w, TFocusMove move) {
  if (move == TFocusMove::None) return;
  QWidget* target = move == TFocusMove::Next ? w.nextInFocusChain() : w.previousInFocusChain();
  while (target && target != &w &&
         !(target->isVisible() && target->isEnabled() && (target->focusPolicy() & Qt::TabFocus) &&
           !target->focusProxy()))
    target = move == TFocusMove::Next ? target->nextInFocusChain() : target->previousInFocusChain();
  if (target) target->setFocus(move == TFocusMove::Next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}

// Enter walks on when the field wants it; true when the key was taken.
bool WalkOnEnter(QWidget& w, const TovFieldKeys& keys, QKeyEvent& e) {
  if (!keys.WantReturns || !IsEnter(e) || (e.modifiers() & ~Qt::KeypadModifier)) return false;
  MoveFocus(w, TFocusMove::Next);
  e.accept();
  return true;
}

}  // namespace

// ---- TovStrEdit ----

TovStrEdit::TovStrEdit(QWidget* parent) : QLineEdit(parent) {
  GreyWhileDisabled(*this);
  setValidator(new TovTextRule([this](const QString& t) { return Ruled(t); }, this));
}

void TovStrEdit::SetCharCase(TEditCharCase value) {
  charCase_ = value;
  ApplyRule();
}

bool TovStrEdit::IsEmpty() const { return IsBlankText(text().toStdString()); }

QString TovStrEdit::Ruled(const QString& text) const { return CaseOf(text, charCase_); }

void TovStrEdit::ApplyRule() {
  const QString ruled = Ruled(text());
  if (ruled != text()) setText(ruled);
}

bool TovStrEdit::event(QEvent* e) { return KeepTab(*this, *e) || QLineEdit::event(e); }

void TovStrEdit::keyPressEvent(QKeyEvent* e) {
  if (WalkOnEnter(*this, *this, *e)) return;
  const std::optional<TArrowKey> arrow = ArrowOf(*e);
  const TFocusMove move = arrow && WantArrow ? EditArrowMove(*arrow, CaretOf(*this)) : TFocusMove::None;
  if (move != TFocusMove::None) {
    MoveFocus(*this, move);
    return;
  }
  QLineEdit::keyPressEvent(e);
}

void TovStrEdit::focusInEvent(QFocusEvent* e) {
  QLineEdit::focusInEvent(e);
  if (AutoSave) SaveText();
}

// ---- TovNumEdit ----

TovNumEdit::TovNumEdit(QWidget* parent) : TovStrEdit(parent) {}

void TovNumEdit::SetAllowMinus(bool value) {
  allowMinus_ = value;
  ApplyRule();
}

QString TovNumEdit::Ruled(const QString& text) const {
  return QString::fromStdString(FilterNumberText(text.toStdString(), allowMinus_));
}

long double TovNumEdit::AsFloat() const { return TextToFloatDef(text().toStdString(), 0); }

int TovNumEdit::AsInteger() const { return RoundToInteger(AsFloat()); }

void TovNumEdit::SetInteger(int value) { setText(QString::fromStdString(IntegerText(text().toStdString(), value))); }

void TovNumEdit::focusInEvent(QFocusEvent* e) {
  TovStrEdit::focusInEvent(e);
  selectAll();
}

// ---- TovListBox ----

namespace {

// Every row as wide as the list's extent, so the view's own scroll range is
// the extent's.
class TExtentDelegate : public QStyledItemDelegate {
 public:
  explicit TExtentDelegate(TovListBox& list) : QStyledItemDelegate(&list), list_(list) {}
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    if (list_.HorizontalExtent() != TovListBox::kAutoExtent) size.setWidth(list_.HorizontalExtent());
    return size;
  }

 private:
  TovListBox& list_;
};

}  // namespace

TovListBox::TovListBox(QWidget* parent) : QListWidget(parent) { setItemDelegate(new TExtentDelegate(*this)); }

void TovListBox::SetHorizontalExtent(int extent) {
  horizontalExtent_ = extent;
  setHorizontalScrollMode(ScrollPerPixel);
  doItemsLayout();
}

void TovListBox::SelectAll() {
  if (selectionMode() == MultiSelection || selectionMode() == ExtendedSelection) selectAll();
}

// ---- TovComboBox ----

TovComboBox::TovComboBox(QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  setInsertPolicy(NoInsert);
  setCompleter(nullptr);
  setMaxVisibleItems(kDropDownCount);
  GreyWhileDisabled(*this);
  setValidator(new TovTextRule([this](const QString& t) { return CaseOf(t, charCase_); }, this));
}

void TovComboBox::SetCharCase(TEditCharCase value) {
  charCase_ = value;
  ApplyRule();
}

void TovComboBox::ApplyRule() {
  if (!lineEdit()) return;
  const QString ruled = CaseOf(currentText(), charCase_);
  if (ruled != currentText()) setEditText(ruled);
}

void TovComboBox::SetAutoComplete(bool on) {
  if (!on || !lineEdit()) {
    setCompleter(nullptr);
    return;
  }
  auto* completer = new QCompleter(model(), this);
  completer->setCaseSensitivity(Qt::CaseInsensitive);
  completer->setCompletionMode(QCompleter::InlineCompletion);
  setCompleter(completer);
}

bool TovComboBox::IsEmpty() const { return IsBlankText(currentText().toStdString()); }

void TovComboBox::showPopup() {
  if (OnDropDown) OnDropDown();
  QComboBox::showPopup();
}

bool TovComboBox::event(QEvent* e) { return KeepTab(*this, *e) || QComboBox::event(e); }

void TovComboBox::keyPressEvent(QKeyEvent* e) {
  if (WalkOnEnter(*this, *this, *e)) return;
  const std::optional<TArrowKey> arrow = ArrowOf(*e);
  TFocusMove move = TFocusMove::None;
  if (arrow && WantArrow) {
    const TCaretPlace caret = lineEdit() ? CaretOf(*lineEdit()) : TCaretPlace{};
    move = ComboArrowMove(*arrow, !isEditable(), caret);
  }
  if (move != TFocusMove::None) {
    MoveFocus(*this, move);
    return;
  }
  QComboBox::keyPressEvent(e);
}

void TovComboBox::focusInEvent(QFocusEvent* e) {
  QComboBox::focusInEvent(e);
  if (AutoSave) SaveText();
}

// ---- TovCheckBox and TovRadioButton ----

TovCheckBox::TovCheckBox(const QString& caption, QWidget* parent) : QCheckBox(caption, parent) {}

bool TovCheckBox::event(QEvent* e) { return KeepTab(*this, *e) || QCheckBox::event(e); }

void TovCheckBox::keyPressEvent(QKeyEvent* e) {
  if (!WalkOnEnter(*this, *this, *e)) QCheckBox::keyPressEvent(e);
}

void TovCheckBox::focusInEvent(QFocusEvent* e) {
  QCheckBox::focusInEvent(e);
  if (AutoSave) SaveState();
}

TovRadioButton::TovRadioButton(const QString& caption, QWidget* parent) : QRadioButton(caption, parent) {}

bool TovRadioButton::event(QEvent* e) { return KeepTab(*this, *e) || QRadioButton::event(e); }

void TovRadioButton::keyPressEvent(QKeyEvent* e) {
  if (!WalkOnEnter(*this, *this, *e)) QRadioButton::keyPressEvent(e);
}

void TovRadioButton::focusInEvent(QFocusEvent* e) {
  QRadioButton::focusInEvent(e);
  if (AutoSave) SaveState();
}
