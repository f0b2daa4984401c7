#include "ui/zarurctl.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTextEdit>

#include "app/core/ovmainwin.h"
#include "app/core/zarur.h"
#include "editor/ovmemo.h"
#include "platform/gui/wingdi.h"
#include "ui/ovdbgrid.h"
#include "ui/ovgrid.h"

namespace {

TovMainWindow* OptionsWindow = nullptr;

}  // namespace

void SetControlOptionsWindow(TovMainWindow* main) { OptionsWindow = main; }

TObjectCountAgain::~TObjectCountAgain() {
  if (TovMainWindow* main = ControlOptionsWindow()) main->ShowObjectCount();
}

TovMainWindow* ControlOptionsWindow() { return OptionsWindow; }

void ApplyControlOptions(QWidget* control) {
  if (qobject_cast<QPlainTextEdit*>(control) || qobject_cast<QTextEdit*>(control)) {
    if (OptionsWindow) {
      const TEditorFont font = OptionsWindow->EditorProperties().Font();
      control->setFont(platform::FontFace(font.Name, font.Size));
    }
  } else if (auto* memo = qobject_cast<TovMemo*>(control)) {
    if (memo->property(kOwnEditorOptionsProperty).toBool()) return;
    if (OptionsWindow) {
      OptionsWindow->EditorProperties().AssignTo(*memo);
      memo->SetPopupMenu(OptionsWindow->EditorPopupMenu());
    }
    memo->SetMacroList(&SharedMacroList);
  } else if (auto* grid = qobject_cast<TovStringGrid*>(control)) {
    grid->SetGridMode(geAccess);
  } else if (qobject_cast<QTableWidget*>(control) || dynamic_cast<TovDBGridV*>(control)) {
    // The face is set at a fixed pitch.
    control->setFont(platform::FontFace(AppOption.DataFontName, AppOption.DataFontSize));
  } else if (auto* grid = dynamic_cast<TovDBGridH*>(control)) {
    control->setFont(platform::FontFace(AppOption.DataFontName, AppOption.DataFontSize));
    grid->SetDefaultColWidth(QFontMetrics(control->font()).horizontalAdvance(QString(AppOption.DataColWidthH, u'A')));
  }
}

void RefreshEditorOptions() {
  for (QWidget* widget : QApplication::allWidgets())
    if (auto* memo = qobject_cast<TovMemo*>(widget)) ApplyControlOptions(memo);
}

void ShowCaretInStatusBar(TEditor& editor) {
  // The main window is looked up at each move: it may be gone by then.
  editor.OnCaretMoved = [&editor] {
    if (!editor.hasFocus()) return;
    if (TovMainWindow* main = OptionsWindow) main->ShowCaretPosition(editor.Row(), editor.Col());
  };
}
