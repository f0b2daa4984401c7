// sqlregister: what the SQL workbench wires into the program at start.
#pragma once

// The main window's "SQL実行(&S)" opens an SQL window for the current
// connection, and the connection windows' SQL-window command opens one with
// its text and runs it. "表・列" shows the connection window's column
// picker, "SQLリファレンス" opens a template window. The tool menu's
// "スクリプト出力オプション(&S)..." shows the script output options, and the
// connection windows' script output asks them through its dialog hook.
void RegisterSqlWork();
