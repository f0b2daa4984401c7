// oveditadapter: finds the edit commands of the focused control: the
// control's own, or for Qt's line edits and combo boxes one adapter.
#pragma once

#include <memory>

#include "ui/core/oveditcmd.h"

class QWidget;

// The commands of the widget, or none when it takes no edit commands. The
// result borrows the widget.
std::unique_ptr<TovEditCommands> EditCommandsOf(QWidget* widget);
// The SQL editor's commands when the widget is an SQL editor, else none.
TovEditorCommands* EditorCommandsOf(QWidget* widget);
