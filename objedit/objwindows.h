// objwindows: what the preview, execution and chooser windows share: the
// main window they are owned by and centred on, and their bounds kept under
// GUI\<key> in the program's registry root.
#pragma once

#include <string>

class QWidget;
class TovForm;

// The main window, or none before it exists.
QWidget* MainFormWidget();
// Centres the window on the main window.
void CentreOnMainForm(QWidget& window);
// Reads "Left", "Top", "Width" and "Height" under GUI\<key> when the key
// exists; a missing value keeps the window's own.
void LoadFormBounds(QWidget& window, const std::string& key);
// Writes them, creating the key when missing.
void SaveFormBounds(const QWidget& window, const std::string& key);

// The editor window a frame lives in, or none.
TovForm* OwningForm(const QWidget& frame);
