// fcommentcore: the comment check without its window: the catalogue query
// of a routine's comments, the grid rows it gives, and the colouring of a
// comment cell (quotes, the "--" comment, TABs to the editor's tab stops,
// the cut at the first line break).
#pragma once

#include <string>
#include <vector>

inline constexpr const char* kNoComment = "（コメントはありません）";

// The grid's columns.
std::vector<std::string> CommentHeader();
inline constexpr int kCommentColumn = 3;

// The query of one routine's comments; its markers take the data source,
// the schema and the name in that order. Functions are found by their
// procedure type alone, as the object lists find them.
std::string CommentSQL(int kind);

// One selected object as the window copied it.
struct TCommentObject {
  int Kind = 0;
  std::string Name;
  std::string Schema;
  std::string TypeText;
};

struct TCommentRow {
  std::string Name;
  std::string Schema;
  std::string TypeText;
  std::string Comment;
  int Kind = 0;

  friend bool operator==(const TCommentRow&, const TCommentRow&) = default;
};
// The rows of one object from the comment values its query returned: one
// per value, a blank one reading kNoComment, and one kNoComment row when
// there is none.
std::vector<TCommentRow> CommentRows(const TCommentObject& object, const std::vector<std::string>& values);
// The four cells of a row.
std::vector<std::string> CommentCells(const TCommentRow& row);

// The caption of the open editor a row's source shows in.
std::string CommentEditorCaption(int kind, const std::string& schema, const std::string& name,
                                 const std::string& dataSource);

enum class TCommentColour { Black, Green, Red };
struct TCommentPiece {
  std::string Text;
  TCommentColour Colour = TCommentColour::Black;

  friend bool operator==(const TCommentPiece&, const TCommentPiece&) = default;
};
// The pieces a comment cell draws, left to right; neighbouring characters
// of one colour are one piece.
std::vector<TCommentPiece> CommentPieces(const std::string& text, int tabSize);
