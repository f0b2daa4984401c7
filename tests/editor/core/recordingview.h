// A view of a row list that records what the list asks of it.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "editor/core/DAziverLines.h"
#include "editor/core/DAziverRows.h"
#include "sqlscanner.h"

class TRecordingView : public TEditorView {
 public:
  // Rows per screen: ScreenHeight / RowHeight.
  static constexpr int kRowHeight = 10;
  static constexpr int kScreenRows = 20;

  // Owns a new row list, or shares `shared`.
  explicit TRecordingView(TEditorScreenStrings* shared = nullptr)
      : FList(shared != nullptr ? shared : TEditorScreenStrings::Create(*this)), FLines(*this) {
    if (shared != nullptr) shared->AttacdAziver(*this);
  }
  ~TRecordingView() override { FList->DetacdAziver(*this); }

  TEditorStrings& Lines() { return FLines; }
  TEditorScreenStrings& List() { return *FList; }
  void UseSqlFountain() { FFountain = MakeSqlFountain(); }

  int Row() const override { return FRow; }
  int Col() const override { return FCol; }
  void SetRow(int row) override { FRow = row; }
  void SetCol(int col) override { FCol = col; }
  int TopRow() const override { return FTopRow; }
  void SetTopRow(int row) override { FTopRow = row; }
  void MoveCaretToOffset(int row, int offset) override { Offsets.push_back({row, offset}); }
  void CaretHide() override { ++CaretHides; }
  void CaretShow() override { --CaretHides; }
  void CaretBeginUpdate() override {}
  void CaretEndUpdate() override {}
  void CaretMoved() override {}
  void CleanSelection() override { ++SelectionCleans; }
  bool Focused() const override { return HasFocus; }
  bool Loading() const override { return IsLoading; }
  void SetLinesUpdating(bool updating) override { Updating = updating; }
  void InvalidateRow(int row) override { Invalidated.insert(row); }
  void Refresh() override { ++Refreshes; }
  void DoChange() override { Changes.push_back(FList->LastChange()); }
  int RowHeight() const override { return kRowHeight; }
  int ScreenHeight() const override { return kRowHeight * kScreenRows; }
  TFountain* ActiveFountain() override { return FFountain.get(); }
  bool InitBracketsFull() const override { return BracketsFull; }
  const TDelimiters& Delimiters() const override { return DefaultDelimiters(); }
  int TabSpaceCount() const override { return Tabs; }
  TEditorScreenStrings& ScreenStrings() override { return *FList; }

  bool HasFocus = false;
  int Tabs = kDefaultTabSpaceCount;
  bool IsLoading = false;
  bool BracketsFull = false;
  bool Updating = false;
  int CaretHides = 0;
  int SelectionCleans = 0;
  int Refreshes = 0;
  std::set<int> Invalidated;
  std::vector<TLastChange> Changes;
  std::vector<std::pair<int, int>> Offsets;

 private:
  int FRow = 0;
  int FCol = 0;
  int FTopRow = 0;
  std::unique_ptr<TEditorFountain> FFountain;
  TEditorScreenStrings* FList;
  TEditorStrings FLines;
};

// The rows as "text|kind" strings.
inline std::vector<std::string> RowDump(const TEditorScreenStrings& list) {
  std::vector<std::string> rows;
  for (int i = 0; i < list.GetCount(); ++i) rows.push_back(list.Get(i).Utf8() + "|" + std::to_string(list.Rows(i)));
  return rows;
}

inline TCellString Cells(const std::string& text) { return TCellString::FromUtf8(text); }
