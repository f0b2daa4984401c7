#include "objedit/core/rstoragecore.h"

#include <algorithm>

#include "app/core/zarur.h"

namespace {

constexpr int kFirstIndexLevel = 10;

// The page and its height per kind of a table's storage.
struct TKindPage {
  TStoragePage Page;
  int Height;
};
constexpr std::array<TKindPage, 9> kKindPages{{{TStoragePage::None, 0},
                                               {TStoragePage::SeqNormal, 89},
                                               {TStoragePage::SeqPartition, 121},
                                               {TStoragePage::SeqPartition, 121},
                                               {TStoragePage::RandNormal, 169},
                                               {TStoragePage::RandPartition, 201},
                                               {TStoragePage::RandPartition, 201},
                                               {TStoragePage::Object, 89},
                                               {TStoragePage::Temp, 201}}};
constexpr int kIndexPageHeight = 89;

std::string Cell(const std::vector<std::string>& cells, size_t col) { return col < cells.size() ? cells[col] : ""; }

std::vector<std::string> Items(const auto& list) { return {list.begin(), list.end()}; }

}  // namespace

int StorageKindOfText(const std::string& text) {
  for (size_t i = 0; i < kStorageKindTexts.size(); ++i)
    if (text == kStorageKindTexts[i]) return static_cast<int>(i);
  return kStorageDefault;
}

TStorageLayout StorageLayoutFor(int ownerKind, int kind, int level, bool remote) {
  TStorageLayout layout;
  layout.IndexLayout = ownerKind == kIndexOwnerKind;
  if (layout.IndexLayout) {
    const bool spaceOnly = level < kFirstIndexLevel || remote;
    layout.TypePanelVisible = spaceOnly;
    layout.PagesVisible = !spaceOnly;
    layout.DsiVisible = !spaceOnly;
    if (!spaceOnly) {
      layout.Page = TStoragePage::Index;
      layout.PagesHeight = kIndexPageHeight;
    }
    return layout;
  }
  layout.KindVisible = !remote;
  if (kind <= kStorageDefault || kind > kStorageTemporary) return layout;
  const TKindPage& page = kKindPages[static_cast<size_t>(kind)];
  layout.PagesVisible = true;
  layout.Page = page.Page;
  layout.PagesHeight = page.Height;
  layout.SpaceVisible = false;
  if (kind == kStorageTemporary) {
    layout.SpaceEnabled = false;
    layout.TypePanelReduced = true;
  } else {
    layout.DsiVisible = true;
  }
  return layout;
}

std::vector<std::string> CommaPieces(const std::string& text) {
  std::vector<std::string> items;
  size_t from = 0;
  for (size_t comma = text.find(','); comma != std::string::npos; comma = text.find(',', from)) {
    items.push_back(Trim(text.substr(from, comma - from)));
    from = comma + 1;
  }
  items.push_back(Trim(text.substr(from)));
  return items;
}

std::vector<std::string> DistinctTexts(const std::vector<std::string>& texts) {
  std::vector<std::string> distinct;
  for (const std::string& text : texts)
    if (!text.empty() && std::find(distinct.begin(), distinct.end(), text) == distinct.end()) distinct.push_back(text);
  return distinct;
}

std::vector<std::string> StoragePickList(TStorageGrid grid, int col, int ownerKind, int kind,
                                         const TStoragePickSources& sources) {
  const bool index = ownerKind == kIndexOwnerKind;
  switch (grid) {
    case TStorageGrid::Temp:
      return col == 0 ? sources.Spaces : std::vector<std::string>{};
    case TStorageGrid::DsiSub:
      switch (col) {
        case 0:
          return DistinctTexts(sources.DsiNames);
        case kAllocationKindCol: {
          if (index) return {kAllocBase, kAllocIndex, kAllocExpand};
          const bool random = kind >= kStorageRandom && kind <= kStorageRandomRange;
          std::vector<std::string> kinds = random ? std::vector<std::string>{kAllocPrime, kAllocOverflow}
                                                  : std::vector<std::string>{kAllocData};
          kinds.push_back(kAllocExpand);
          return kinds;
        }
        case 2:
          return sources.Spaces;
        case kAllocationUnitCol:
          return Items(kUnitItems);
        default:
          return {};
      }
    case TStorageGrid::DsiMain:
      if (index) {
        if (col == 2 || col == 4 || col == 6) return Items(kUnitItems);
        if (col == kDsiTableDsiCol) return sources.TableDsis;
        if (col == kDsiScopeCol) return Items(kIndexOptionItems);
        return {};
      }
      if (col == 3 || col == 5 || col == 7) return Items(kUnitItems);
      if (col == kDsiScopeCol) return DistinctTexts(sources.Scopes);
      return {};
  }
  return {};
}

bool AllocationCellEditable(int col, const std::string& kind) {
  return !(kind == kAllocExpand && (col == kAllocationSizeCol || col == kAllocationUnitCol));
}

bool CanDeleteGridRow(int rowCount) {
  constexpr int kHeaderAndTwoRows = 3;
  return rowCount >= kHeaderAndTwoRows;
}

bool NeedsSpareRow(const std::string& text, int row, int rowCount) { return !text.empty() && row == rowCount - 1; }

TStorageDsi DsiOfRow(const std::vector<std::string>& cells, bool indexLayout) {
  TStorageDsi dsi;
  dsi.Name = Cell(cells, 0);
  if (indexLayout) {
    dsi.Alarm = {Cell(cells, 1), Cell(cells, 2)};
    dsi.Expand = {Cell(cells, 3), Cell(cells, 4)};
    dsi.Allocation = {Cell(cells, 5), Cell(cells, 6)};
    dsi.TableDsi = Cell(cells, 7);
    dsi.Option = Cell(cells, 8);
  } else {
    dsi.DivideValue = Cell(cells, 1);
    dsi.Alarm = {Cell(cells, 2), Cell(cells, 3)};
    dsi.Expand = {Cell(cells, 4), Cell(cells, 5)};
    dsi.Allocation = {Cell(cells, 6), Cell(cells, 7)};
    dsi.Scope = Cell(cells, 8);
  }
  return dsi;
}

std::vector<std::string> RowOfDsi(const TStorageDsi& dsi, bool indexLayout) {
  if (indexLayout)
    return {dsi.Name,           dsi.Alarm.Value,      dsi.Alarm.Unit, dsi.Expand.Value, dsi.Expand.Unit,
            dsi.Allocation.Value, dsi.Allocation.Unit, dsi.TableDsi,   dsi.Option};
  return {dsi.Name,        dsi.DivideValue,      dsi.Alarm.Value,      dsi.Alarm.Unit, dsi.Expand.Value,
          dsi.Expand.Unit, dsi.Allocation.Value, dsi.Allocation.Unit, dsi.Scope};
}

TStorageAllocation AllocationOfRow(const std::vector<std::string>& cells) {
  return {Cell(cells, 0), Cell(cells, 1), Cell(cells, 2), Cell(cells, 3), Cell(cells, 4)};
}

std::vector<std::string> RowOfAllocation(const TStorageAllocation& a) { return {a.Dsi, a.Kind, a.Space, a.Size, a.Unit}; }
