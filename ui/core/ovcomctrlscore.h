// ovcomctrlscore: the plain rules of the list view: its sort state and the
// comparison of two rows.
#pragma once

#include <string>
#include <vector>

// The sort state after a click on a column title (0-based): the same column
// turns the direction round, another one sorts ascending by it.
int NextSortState(int sortState, int column);

// Two texts of a column: a right-aligned column compares as numbers ("," cut,
// no number counting as 0, closer than 0.005 counting as equal), any other
// locale-aware and case-sensitive. Negative, 0 or positive.
int CompareListTexts(const std::string& first, const std::string& second, bool numeric);

// A row as the comparison sees it: the caption and the sub-item texts.
struct TListRowTexts {
  std::string Caption;
  std::vector<std::string> SubItems;
};

// The text a row shows in the column |sortState| (1-based: 1 the caption);
// a missing sub-item gives the empty text.
std::string SortTextOf(const TListRowTexts& row, int sortState);

// Two rows compared by the sort state; 0 when the state names no column.
int CompareListRows(const TListRowTexts& a, const TListRowTexts& b, int sortState, bool numeric);
