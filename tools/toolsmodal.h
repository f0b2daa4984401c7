// toolsmodal: the modal tool dialogs: shown above every other window, and
// their OK, Cancel and Help buttons. The dialogs are TovForms, which free
// themselves when closed, so a show returns once the form is gone.
#pragma once

#include <functional>

class QPushButton;
class QWidget;
class TovForm;

// "OK" runs `okClick` (errors reported), "キャンセル" closes the form, "ヘルプ"
// opens the help topic of the form's help context.
void WireDialogButtons(TovForm& form, QPushButton* ok, QPushButton* cancel, QPushButton* help,
                       std::function<void()> okClick);

// Shows `form` centred on `centreOn` (none: the screen) above every other
// window and returns when it has closed (and been freed) or was freed.
void ShowModalForm(TovForm& form, const QWidget* centreOn = nullptr);
