// The program's SQL set-up of the editor fountain and a token reader.
#pragma once

#include <memory>
#include <ostream>
#include <vector>

#include "editor/core/EditorFountain.h"

struct TTok {
  int kind;
  int start;
  int length;
  bool operator==(const TTok&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const TTok& t) {
  return out << "{" << t.kind << "," << t.start << "," << t.length << "}";
}

inline std::unique_ptr<TEditorFountain> MakeSqlFountain() {
  auto fountain = Make<TEditorFountain>();
  fountain->SetCommenter("--");
  fountain->SetQuotation("'");
  fountain->SetDoubleQuotation("\"");
  TFountainBracketItem* comment = fountain->Brackets().Add();
  comment->SetLeftBracket("/*");
  comment->SetRightBracket("*/");
  fountain->SetReserveWordList({"SELECT", "FROM", "WHERE", "AND"});
  return fountain;
}

// Every token of the text scanned from the state.
inline std::vector<TTok> Scan(TFountainParser& parser, const TCellString& text, const TRowAttributeData& state = {}) {
  TRowAttributeData start = state;
  if (start.BracketIndex == kBracketNotComputed) start.BracketIndex = kNoBracket;
  parser.RowStateIn(text, start);
  std::vector<TTok> tokens;
  for (int kind = parser.Next(); kind != toEof; kind = parser.Next()) {
    tokens.push_back({kind, parser.TokenStart(), parser.TokenLength()});
  }
  return tokens;
}

inline std::vector<TTok> Scan(TFountainParser& parser, const char* text, const TRowAttributeData& state = {}) {
  const TCellString cells = TCellString::FromUtf8(text);
  return Scan(parser, cells, state);
}
