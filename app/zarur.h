// zarur: the utility unit of orv: process-wide globals and folders, saved-
// password scrambling, message boxes, and the small text, identifier and
// value routines that nearly every window calls.
#pragma once

#include <string>
#include <vector>

// ---- process-wide globals and folders ----
#include "app/ovreg.h"

// The application title: main window caption and message-box caption.
inline constexpr const char* kApplicationTitle = "Orvanto for Symfoware";

// Folders, each ending in "/", read-only after InitFolders.
extern std::string ProgramDir;  // folder of the executable
extern std::string UserDir;     // the user's documents folder, else ProgramDir
extern std::string ShareDir;    // the shared data folder plus "ORV/", else ProgramDir
// The one registry object of the program, rooted at the current user.
extern TovRegistry AppRegistry;
// File names of the SQL history, loaded and saved by the main window.
extern std::vector<std::string> SQLLogFiles;
// Reserved words the SQL editors colour, filled by LoadOptions.
extern std::vector<std::string> EditorReserveWords;
// The program's date formats, set from the DateFormat setting at start.
extern std::string ShortDateFormat;
extern std::string LongDateFormat;

struct TovFolders {
  std::string ProgramDir;
  std::string UserDir;
  std::string ShareDir;
};
// The three folders from the executable's path and the folders the platform
// gives (empty when it gives none).
TovFolders ResolveFolders(const std::string& executable, const std::string& documents,
                          const std::string& sharedData);
// Resolves the folders from the platform into the globals and creates UserDir
// and ShareDir with their parents (a failure to create is left to the Parts
// that later write there).
void InitFolders();

// ---- saved-password scrambling ----

// A printable text of 2n + 4 characters (n the password's length padded to
// at least 64 bytes), different at each call; empty for an empty password.
std::string ScramblePassword(const std::string& password);
// The same with the key and the three fillers given (each 0-15), in the
// order the random draws take them.
std::string ScramblePasswordWith(const std::string& password, int key, int filler1, int filler2, int filler3);
// The password of a scrambled text; empty for an empty or undecodable text.
std::string UnscramblePassword(const std::string& scrambled);

// ---- message boxes and input dialog ----

// ---- text, identifier and value helpers ----

// ---- file names and creation times ----
