// zarurmemo: the SQL editor's side of the code-assist list and of the SQL
// error position: the catalogue asked through the window's query, the
// completion popup filled and shown, the editor's selection set.
#pragma once

#include <string>

class QWidget;
class TovMemo;
class TovSQLQuery;

// Fills and shows the editor's completion popup for the word before the
// caret; (x, y) is the caret point the editor sent. `query` (on the editor's
// connection) is closed and reused; a failing catalogue statement raises.
void BuildCodeAssistList(TovMemo& editor, QWidget& form, TovSQLQuery& query, const std::string& dbName,
                         const std::string& userName, int serverVersion, int x, int y);

// Selects where the statement in rows firstLine..lastLine failed with
// `message`; `owner` is the logged-on user.
void ShowSQLErrorPosition(TovMemo& editor, TovSQLQuery& query, const std::string& owner, int firstLine, int lastLine,
                          const std::string& message);
