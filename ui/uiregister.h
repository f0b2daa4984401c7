// uiregister: what the ui subsystem wires into the program at start.
#pragma once

class TovMainWindow;

// Printing belongs to `main`, and the help menu's support information
// command gets its window.
void RegisterUi(TovMainWindow& main);
