// DAziverLines: the logical lines of an editor's text (its Lines). With
// soft wrap off line N is row N; with it on a line is a paragraph of rows.
// Text goes in and out as UTF-8; files are read as UTF-8, else CP932, and
// written as UTF-8 with CR LF line breaks.
#pragma once

#include <string>
#include <vector>

#include "editor/core/DAziverRows.h"

class TEditorStrings {
 public:
  explicit TEditorStrings(TEditorView& editor) : FEditor(editor) {}

  int GetCount() const;
  // Line N without its line break.
  std::string Get(int index) const;
  void Put(int index, const std::string& s);
  void Insert(int index, const std::string& s);
  // Returns the line count before the call.
  int Add(const std::string& s);
  void Delete(int index);
  void Clear();
  // The whole text: every row, CR LF after each row that ends a line.
  std::string GetTextStr() const;
  void SetTextStr(const std::string& text);
  void Assign(const std::vector<std::string>& lines);
  // Throws std::runtime_error with the system's message when the file
  // cannot be read; the text is then unchanged.
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName) const;

  // Edits inside an update reach the views once, at its end.
  void BeginUpdate();
  void EndUpdate();
  // The first row of line N.
  int LineToRow(int index) const;

 private:
  TEditorScreenStrings& Rows() const { return FEditor.ScreenStrings(); }
  void CheckIndex(int index) const;
  // Runs an edit with the selection removed and the caret hidden, then puts
  // the caret `offset` cells after the start of `row`.
  template <class Edit>
  void Modify(Edit edit);
  // Fills the rows with the text's lines; the rows keep the text as their block.
  void FillRows(std::string text);

  TEditorView& FEditor;
};
