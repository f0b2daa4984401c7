// ovddlhooks: the DDL preview and execution windows as the connection
// window and the other callers outside the object editors reach them. The
// object editors' registration installs the windows here; the program
// always does, so calling a hook that nothing installed is a fault of the
// program and raises std::logic_error.
#pragma once

#include <functional>
#include <string>
#include <vector>

class TovConnectionWindow;

// Shows the statement list for confirmation; true when the caller may run
// it (the list then holds the lines as confirmed).
using TShowDDLPreview =
    std::function<bool(std::vector<std::string>& list, const std::string& schema, const std::string& name)>;
// How a run meets a failed batch: the user may continue past it, or the
// run ends there (the error-stop box ticked and locked, no "継続"), as a
// stage whose later statements must not run without the earlier ones.
enum class TDDLRun { Continuable, StopAtError };
// Runs the list batch by batch on the connection window, consuming it; a
// stop at an error raises the silent abort.
using TRunDDLExec =
    std::function<void(TovConnectionWindow& connection, std::vector<std::string>& list, TDDLRun run)>;
// Returns once no execution window is left.
using TWaitDDLExec = std::function<void()>;

void SetShowDDLPreview(TShowDDLPreview procedure);
void SetRunDDLExec(TRunDDLExec procedure);
void SetWaitDDLExec(TWaitDDLExec procedure);

bool ShowDDLPreviewInstalled();
bool RunDDLExecInstalled();
bool WaitDDLExecInstalled();

bool ShowDDLPreview(std::vector<std::string>& list, const std::string& schema, const std::string& name);
void RunDDLExec(TovConnectionWindow& connection, std::vector<std::string>& list,
                TDDLRun run = TDDLRun::Continuable);
void WaitDDLExec();

// RunDDLExec followed by WaitDDLExec whatever happens, as a compile calls
// them: a stop at an error reaches the caller as the silent abort once the
// execution window is closed.
void RunDDLExecAndWait(TovConnectionWindow& connection, std::vector<std::string>& list,
                       TDDLRun run = TDDLRun::Continuable);
