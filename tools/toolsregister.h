// toolsregister: what the productivity tools wire into the program at start.
#pragma once

// The tool menu's "エディタオプション(&E)..." edits the main window's editor
// settings, and "オプション(&P)..." the program options; neither needs a
// connection.
void RegisterTools();
