// toolsregister: what the productivity tools wire into the program at start.
#pragma once

// The tool menu's "エディタオプション(&E)..." edits the main window's editor
// settings; it needs no connection.
void RegisterTools();
