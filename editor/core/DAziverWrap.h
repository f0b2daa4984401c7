// DAziverWrap: soft wrap. The wrap options and the cut of one logical line
// into display rows of at most WrapByte columns under Japanese
// line-breaking rules; a wide character is never split.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "editor/core/DAziverAttr.h"
#include "editor/core/heClasses.h"

class TEditorWrapOption : public TNotifyPersistent {
 public:
  static constexpr int kMinWrapByte = 20;
  static constexpr int kMaxWrapByte = 250;
  static constexpr int kDefaultWrapByte = 80;

  TEditorWrapOption();

  bool FollowRetMark() const { return FFollowRetMark; }
  void SetFollowRetMark(bool value) { Store(FFollowRetMark, value); }
  bool FollowPunctuation() const { return FFollowPunctuation; }
  void SetFollowPunctuation(bool value) { Store(FFollowPunctuation, value); }
  // Characters that must not begin a row.
  const std::string& FollowStr() const { return FFollowStr.Text; }
  void SetFollowStr(const std::string& value) { StoreSet(FFollowStr, value); }
  bool Leading() const { return FLeading; }
  void SetLeading(bool value) { Store(FLeading, value); }
  // Characters that must not end a row.
  const std::string& LeadStr() const { return FLeadStr.Text; }
  void SetLeadStr(const std::string& value) { StoreSet(FLeadStr, value); }
  // Characters that may hang beyond the right edge.
  const std::string& PunctuationStr() const { return FPunctuationStr.Text; }
  void SetPunctuationStr(const std::string& value) { StoreSet(FPunctuationStr, value); }
  bool WordBreak() const { return FWordBreak; }
  void SetWordBreak(bool value) { Store(FWordBreak, value); }
  int WrapByte() const { return FWrapByte; }
  void SetWrapByte(int value);

  void Assign(const TEditorWrapOption& source);

  bool InFollow(char32_t c) const { return FFollowStr.Holds(c); }
  bool InLead(char32_t c) const { return FLeadStr.Holds(c); }
  bool InPunctuation(char32_t c) const { return FPunctuationStr.Holds(c); }

 private:
  // A character set as typed and as the characters it holds.
  struct TCharSet {
    std::string Text;
    std::u32string Chars;
    void Assign(const std::string& text);
    bool Holds(char32_t c) const { return c != 0 && Chars.find(c) != std::u32string::npos; }
  };
  void StoreSet(TCharSet& field, const std::string& value);

  bool FFollowRetMark = false;
  bool FFollowPunctuation = false;
  TCharSet FFollowStr;
  bool FLeading = false;
  TCharSet FLeadStr;
  TCharSet FPunctuationStr;
  bool FWordBreak = false;
  int FWrapByte = kDefaultWrapByte;
};

// One display row of a wrapped line: cells First.. First + Count - 1 and
// how the row ends (raWrapped or raCrlf).
struct TWrappedRow {
  int First = 0;
  int Count = 0;
  int Kind = 0;
  bool operator==(const TWrappedRow&) const = default;
};

// The rows of one logical line (without its line break). `settings` gives
// the delimiters and the tab width; the wrap width comes from the options.
std::vector<TWrappedRow> WrapLine(const TCellString& line, const TEditorWrapOption& option, TRowAttrSettings settings);
// Whether the logical line, as UTF-8 bytes, surely takes one row: it has
// no TAB and fewer cells than the wrap width. False decides nothing.
bool FitsOneRow(std::string_view line, const TEditorWrapOption& option);
