// ovconncombo: the connection combo of the windows that run on one of the
// main window's connections: its entries are the main window's labels,
// each carrying its connection window.
#pragma once

class QComboBox;
class QWidget;
class TovConnectionWindow;
class TovMainWindow;

// Copies the main window's connection list into the combo (nothing without
// a main window), its signals blocked meanwhile.
void FillConnectionCombo(QComboBox& combo, TovMainWindow* main);
// Fills the combo and selects the entry of `window`, without a change signal.
void FillConnectionCombo(QComboBox& combo, TovMainWindow* main, const QWidget* window);
// The connection window of the combo's entry `index`, or none.
TovConnectionWindow* ConnectionOfEntry(const QComboBox& combo, int index);
// The index of the entry of `window`, -1 when it has none.
int EntryOfWindow(const QComboBox& combo, const QWidget* window);
