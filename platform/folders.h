// Where the platform keeps the folders that orv's settings and documents
// live in, by the XDG rules. Each routine returns an absolute path without a
// final "/", or an empty text when the environment names no such folder.
#pragma once

#include <string>

namespace platform {

// The full path of the running executable.
std::string ExecutablePath();
// The user's documents folder: $XDG_DOCUMENTS_DIR, else the XDG_DOCUMENTS_DIR
// line of $XDG_CONFIG_HOME/user-dirs.dirs, else $HOME/Documents.
std::string DocumentsFolder();
// The shared data folder: $XDG_DATA_HOME, else $HOME/.local/share.
std::string SharedDataFolder();
// The user's configuration folder: $XDG_CONFIG_HOME, else $HOME/.config,
// else the .config folder of the account's home directory.
std::string ConfigHome();
// Creates a folder with its missing parents; false when that fails.
bool CreateFolder(const std::string& path);

}  // namespace platform
