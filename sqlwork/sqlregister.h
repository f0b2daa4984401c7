// sqlregister: what the SQL workbench wires into the program at start.
#pragma once

// The main window's "SQL実行(&S)" opens an SQL window for the current
// connection, and the connection windows' SQL-window command opens one with
// its text and runs it. "表・列" shows the connection window's column
// picker, "SQLリファレンス" opens a template window.
void RegisterSqlWork();
