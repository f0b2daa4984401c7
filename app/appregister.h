// appregister: what the app subsystem wires into the program at start. The
// main block calls it once the main window exists, before showing it; each
// later subsystem adds a routine of its own beside it (object editors are
// registered there through RegisterObjectEditor).
#pragma once

class TfrmMain;

// Successful logons open connection windows in `main`, and the first paint
// of `main` logs on as the command line asks (else shows the logon dialog).
void RegisterApp(TfrmMain& main);
