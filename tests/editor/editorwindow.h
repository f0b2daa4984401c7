// A shown editor with the focus inside a window that records the editor's
// code-assist requests, and the key, character and mouse input a user gives.
#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QWidget>

#include <string>
#include <vector>

#include "app/core/ovmsg.h"
#include "editor/DAziver.h"

class TAssistRecorder : public QWidget {
 public:
  struct TRequest {
    QPoint Point;
    std::string Text;  // the editor's text when the request came
  };
  std::vector<TRequest> Requests;
  TEditor* Editor = nullptr;

 protected:
  bool event(QEvent* event) override {
    if (static_cast<int>(event->type()) != kMsgCodeAssist) return QWidget::event(event);
    const auto* message = static_cast<TWindowMessage*>(event);
    Requests.push_back({QPoint(static_cast<int>(message->WParam), static_cast<int>(message->LParam)),
                        Editor->Lines().GetTextStr()});
    return true;
  }
};

struct TEditorWindow {
  static constexpr int kWidth = 600;
  static constexpr int kHeight = 300;

  explicit TEditorWindow(const std::string& text = "") {
    window.Editor = editor;
    window.resize(kWidth, kHeight);
    editor->resize(kWidth, kHeight);
    window.show();
    QApplication::setActiveWindow(&window);
    editor->setFocus();
    QApplication::processEvents();
    editor->Lines().SetTextStr(text);
  }
  std::string Text() const { return editor->Lines().GetTextStr(); }
  TRowCol Caret() const { return {editor->Row(), editor->Col()}; }
  void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyClick(editor, Qt::Key(key), mods); }
  // A typed text as the keyboard delivers it: one key event carrying it.
  void Type(const QString& text, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, mods, text);
    QApplication::sendEvent(editor, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, mods, text);
    QApplication::sendEvent(editor, &release);
  }
  void Select(int row, int col, int toRow, int toCol) {
    editor->SetRowCol(row, col);
    editor->Selection().BeginSelection();
    editor->SetRowCol(toRow, toCol);
    editor->Selection().UpdateSelection();
  }
  // The viewport point of a cell's left edge, at mid height.
  QPoint CellPoint(int row, int col) const {
    return {editor->TextLeft() + (col - editor->TopCol()) * editor->CellWidth() + 1,
            editor->TextTop() + (row - editor->TopRow()) * editor->RowHeight() + editor->CellHeight() / 2};
  }
  QWidget* Viewport() const { return editor->viewport(); }

  TAssistRecorder window;
  TEditor* editor = new TEditor(&window);
};
