#include "admin/core/fcommentcore.h"

#include "app/core/ovkinds.h"
#include "app/core/zarur.h"
#include "platform/textwidth.h"

namespace {

constexpr char kBaseSql[] =
    " SELECT B.COMMENT_VALUE COMMENT_VALUE  FROM RDBII_SYSTEM.RDBII_PROC A  LEFT OUTER JOIN "
    "RDBII_SYSTEM.RDBII_COMMENT B  ON A.DB_CODE = B.DB_CODE AND A.SCHEMA_CODE = B.SCHEMA_CODE AND "
    "A.PROCEDURE_CODE = B.TABLE_CODE  WHERE 0 = 0 ";
constexpr char kProcedureSql[] = " AND A.PROCEDURE_TYPE = 1 AND ROUTINE_TYPE = 0 ";
// The catalogue stores functions with routine type 0 like the object lists
// read them, so the procedure type alone tells a function.
constexpr char kFunctionSql[] = " AND A.PROCEDURE_TYPE = 2 ";
constexpr char kObjectSql[] = " AND DB_NAME = :DB_NAME  AND SCHEMA_NAME = :SCHEMA  AND PROCEDURE_NAME = :NAME ";

constexpr char32_t kTab = U'\t';
constexpr char32_t kCr = U'\r';
constexpr char32_t kLf = U'\n';
constexpr char32_t kDoubleQuote = U'"';
constexpr char32_t kSingleQuote = U'\'';
constexpr char kCommentStart[] = "--";
constexpr int kWideColumns = 2;

enum class TQuoted { None, Double, Single };

void AddPiece(std::vector<TCommentPiece>& pieces, const std::string& text, TCommentColour colour) {
  if (!pieces.empty() && pieces.back().Colour == colour)
    pieces.back().Text += text;
  else
    pieces.push_back({text, colour});
}

}  // namespace

std::vector<std::string> CommentHeader() { return {"プログラム名", "スキーマ", "タイプ", "コメント"}; }

std::string CommentSQL(int kind) {
  std::string sql = kBaseSql;
  if (kind == okProcedure) sql += kProcedureSql;
  if (kind == okFunction) sql += kFunctionSql;
  return sql + kObjectSql;
}

std::vector<TCommentRow> CommentRows(const TCommentObject& object, const std::vector<std::string>& values) {
  std::vector<TCommentRow> rows;
  auto add = [&](const std::string& comment) {
    rows.push_back({object.Name, object.Schema, object.TypeText, comment, object.Kind});
  };
  for (const std::string& value : values) add(Trim(value).empty() ? kNoComment : value);
  if (values.empty()) add(kNoComment);
  return rows;
}

std::vector<std::string> CommentCells(const TCommentRow& row) { return {row.Name, row.Schema, row.TypeText, row.Comment}; }

std::string CommentEditorCaption(int kind, const std::string& schema, const std::string& name,
                                 const std::string& dataSource) {
  return ObjectKindName(kind) + " - " + schema + "." + name + " @ " + dataSource;
}

std::vector<TCommentPiece> CommentPieces(const std::string& text, int tabSize) {
  if (text == kNoComment) return {{text, TCommentColour::Red}};
  std::vector<TCommentPiece> pieces;
  TCommentColour colour = TCommentColour::Black;
  TQuoted quoted = TQuoted::None;
  bool comment = false;
  int column = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    char32_t code = 0;
    size_t length = DecodeUtf8(text, pos, code);
    if (length == 0) {  // a stray byte draws as one narrow character
      length = 1;
      code = static_cast<unsigned char>(text[pos]);
    }
    const std::string piece = text.substr(pos, length);
    if (code == kCr || code == kLf) break;
    if (code == kTab) {
      const int stop = tabSize > 0 ? tabSize : 1;
      const int blanks = stop - column % stop;
      column += blanks;
      AddPiece(pieces, std::string(static_cast<size_t>(blanks), ' '), colour);
      pos += length;
      continue;
    }
    if (!comment) {
      if (code == kDoubleQuote && quoted != TQuoted::Single)
        quoted = quoted == TQuoted::Double ? TQuoted::None : TQuoted::Double;
      else if (code == kSingleQuote && quoted != TQuoted::Double)
        quoted = quoted == TQuoted::Single ? TQuoted::None : TQuoted::Single;
      else if (quoted == TQuoted::None && text.compare(pos, 2, kCommentStart) == 0) {
        comment = true;
        colour = TCommentColour::Green;
      }
    }
    column += IsWideChar(code) ? kWideColumns : 1;
    AddPiece(pieces, piece, colour);
    pos += length;
  }
  return pieces;
}
