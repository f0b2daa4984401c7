// ovstdctl: the program's edit, number edit, list box, combo box, check box
// and radio button. They walk the fields on Enter and the arrow keys, may
// keep Tab, remember a value to tell whether the user changed it, and show
// grey while disabled.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>

#include <functional>
#include <string>

#include "ui/core/oveditcmd.h"

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

// The properties every walking field has.
struct TovFieldKeys {
  bool AutoSave = false;
  bool WantArrow = true;
  bool WantReturns = true;
  bool WantTabs = false;
};

class TovTextRule;

class TovStrEdit : public QLineEdit, public TovFieldKeys {
  Q_OBJECT

 public:
  explicit TovStrEdit(QWidget* parent = nullptr);

  TEditCharCase CharCase() const { return charCase_; }
  void SetCharCase(TEditCharCase value);
  bool Modified() const { return text().toStdString() != savedText_; }
  bool IsEmpty() const;
  void SaveText() { savedText_ = text().toStdString(); }
  const std::string& SavedText() const { return savedText_; }

 protected:
  bool event(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  // The text as the control keeps it (case, or the number filter).
  virtual QString Ruled(const QString& text) const;
  void ApplyRule();

 private:
  TEditCharCase charCase_ = ecNormal;
  std::string savedText_;
};

class TovNumEdit : public TovStrEdit {
  Q_OBJECT

 public:
  explicit TovNumEdit(QWidget* parent = nullptr);

  bool AllowMinus() const { return allowMinus_; }
  void SetAllowMinus(bool value);
  long double AsFloat() const;
  int AsInteger() const;
  void SetInteger(int value);

 protected:
  void focusInEvent(QFocusEvent* e) override;
  QString Ruled(const QString& text) const override;

 private:
  bool allowMinus_ = false;
};

class TovListBox : public QListWidget, public TovItemEditCommands {
  Q_OBJECT

 public:
  explicit TovListBox(QWidget* parent = nullptr);
  // Selects every item when the list allows several.
  void SelectAll() override;
  // The width the horizontal scroll bar scrolls over, set by the program
  // instead of taken from the items (0: no scrolling); kAutoExtent, the
  // start, goes by the items.
  static constexpr int kAutoExtent = -1;
  int HorizontalExtent() const { return horizontalExtent_; }
  void SetHorizontalExtent(int extent);

 private:
  int horizontalExtent_ = kAutoExtent;
};

class TovComboBox : public QComboBox, public TovFieldKeys {
  Q_OBJECT

 public:
  // Editable unless made a drop-down list with setEditable(false).
  explicit TovComboBox(QWidget* parent = nullptr);

  TEditCharCase CharCase() const { return charCase_; }
  void SetCharCase(TEditCharCase value);
  bool Modified() const { return currentText().toStdString() != savedText_; }
  bool IsEmpty() const;
  // Completion of typed text from the items, ignoring case; off at creation.
  void SetAutoComplete(bool on);
  void SaveText() { savedText_ = currentText().toStdString(); }
  const std::string& SavedText() const { return savedText_; }
  // Fills the list just before it drops down.
  std::function<void()> OnDropDown;
  void showPopup() override;

 protected:
  bool event(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;

 private:
  void ApplyRule();
  TEditCharCase charCase_ = ecNormal;
  std::string savedText_;
};

class TovCheckBox : public QCheckBox, public TovFieldKeys {
  Q_OBJECT

 public:
  explicit TovCheckBox(const QString& caption = QString(), QWidget* parent = nullptr);
  bool Modified() const { return checkState() != savedState_; }
  void SaveState() { savedState_ = checkState(); }

 protected:
  bool event(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;

 private:
  Qt::CheckState savedState_ = Qt::Unchecked;
};

class TovRadioButton : public QRadioButton, public TovFieldKeys {
  Q_OBJECT

 public:
  explicit TovRadioButton(const QString& caption = QString(), QWidget* parent = nullptr);
  bool Modified() const { return isChecked() != savedChecked_; }
  void SaveState() { savedChecked_ = isChecked(); }

 protected:
  bool event(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;

 private:
  bool savedChecked_ = false;
};
