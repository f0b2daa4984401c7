// uiregister: what the ui subsystem wires into the program at start.
#pragma once

class QWidget;

// Printing belongs to `main`, and the help menu's support information
// command gets its window.
void RegisterUi(QWidget& main);
