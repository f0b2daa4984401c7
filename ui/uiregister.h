// uiregister: what the ui subsystem wires into the program at start.
#pragma once

class TovMainWindow;

// Printing belongs to `main`, its editor settings and editor pop-up menu
// go to every SQL editor, and the help menu's support information command
// gets its window.
void RegisterUi(TovMainWindow& main);
