// toolsmodal: shows a tool dialog modally. The dialogs are TovForms, which
// free themselves when closed, so the call returns once the form is gone.
#pragma once

class TovForm;

// Shows `form` above every other window and returns when it has closed
// (and been freed) or was freed.
void ShowModalForm(TovForm& form);
