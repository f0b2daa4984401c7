// toolsregister: what the productivity tools wire into the program at start.
#pragma once

// The tool menu's "エディタオプション(&E)..." edits the main window's editor
// settings, "オプション(&P)..." the program options, "ユーザー定義コマンドの
// 登録(&M)" the user commands and "レポート定義の登録(&R)" the report
// definitions; none needs a connection. "SQLキャッチ(&C)" opens the SQL
// capture of the current connection, "インデックスアドバイザ(&I)" an index
// adviser on it, "テーブルアクセス表(&A)" its table-access matrix,
// "オブジェクト比較(&C)" compares its objects with another connection's.
void RegisterTools();
