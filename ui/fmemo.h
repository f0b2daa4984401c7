// fmemo: the memo dialog "文字列の編集": a longer text (an object's comment,
// a long value of the result grid) edited in the program's SQL editor, in
// a resizable modal window that keeps its bounds under GUI\COMMENT.
#pragma once

#include <QDialog>

#include <string>

class QPushButton;
class TovMemo;

// The modal results a dialog ends with.
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;

class TfrmMemo : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 392;
  static constexpr int kClientHeight = 266;

  explicit TfrmMemo(QWidget* owner);

  TovMemo* txtComment = nullptr;
  QPushButton* btnOk = nullptr;
  QPushButton* btnCancel = nullptr;

 protected:
  bool event(QEvent* event) override;

 private:
  void setupUi();
};

// Edits `text` in the memo dialog; OK writes the edited text back. Returns
// mrOk or mrCancel.
int ShowMemoDialog(std::string& text);
