// ovcomctrlscore: the plain rules of the list view: its sort state and the
// comparison of two rows.
#pragma once

#include <QString>

#include <cstddef>
#include <vector>

// The sort state after a click on a column title (0-based): the same column
// turns the direction round, another one sorts ascending by it.
int NextSortState(int sortState, int column);

// The stable order of a column's texts, as indexes into `texts`: a
// right-aligned column compares as numbers ("," cut, no number counting as
// 0, closer than 0.005 counting as equal), any other locale-aware and
// case-sensitive. Each text's key is made once; texts already in order
// come back as 0, 1, 2 ...
std::vector<size_t> ListSortOrder(const std::vector<QString>& texts, bool numeric, bool descending);
