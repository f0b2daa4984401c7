// rstoragecore: the plain rules of the storage frame: the kind list and the
// kind of a text, which page, panel and grids each kind shows for a table or
// an index, the pick lists of the grids, the rules of their rows, and the
// rows of the grids as storage records.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "objedit/core/fstoragecore.h"

// The object kinds of the editors that hold the frame.
inline constexpr int kTableOwnerKind = 45;
inline constexpr int kIndexOwnerKind = 46;

// The items of the kind list; a kind's code is its place here.
inline constexpr std::array<const char*, 9> kStorageKindTexts{
    "標準",           "実表(SEQUENTIAL)",  "実表(SEQUENTIAL リスト)", "実表(SEQUENTIAL レンジ)", "実表(RANDOM)",
    "実表(RANDOM リスト)", "実表(RANDOM レンジ)", "実表(OBJECT)",           "一時表"};
// The kind a text names; 0 for a text of no kind. The list may have lost
// "標準", so the text decides, never the item's place.
int StorageKindOfText(const std::string& text);

inline constexpr std::array<const char*, 6> kPageSizeItems{"1", "2", "4", "8", "16", "32"};
inline constexpr std::array<const char*, 3> kIndexOptionItems{kIndexRealignment, kIndexDegenerate, kIndexNoOption};
inline constexpr std::array<const char*, 2> kUnitItems{"KB", "MB"};

// The pages of the frame's page control.
enum class TStoragePage { None, SeqNormal, SeqPartition, RandNormal, RandPartition, Object, Temp, Index };

// What the frame shows for a kind.
struct TStorageLayout {
  bool KindVisible = false;       // lblStorageType, cmbStorageType
  bool TypePanelVisible = true;   // pnlStorageType
  bool TypePanelReduced = false;  // the kind row alone
  bool SpaceVisible = true;       // lblTBS, cmbTBS
  bool SpaceEnabled = true;
  bool PagesVisible = false;
  TStoragePage Page = TStoragePage::None;
  int PagesHeight = 0;  // 0 leaves the height as it is
  bool DsiVisible = false;
  bool IndexLayout = false;  // the index layout of the DSI grids
  friend bool operator==(const TStorageLayout&, const TStorageLayout&) = default;
};
TStorageLayout StorageLayoutFor(int ownerKind, int kind, int level, bool remote);

// Heights of the storage-type panel: one row, two rows.
inline constexpr int kTypePanelReducedHeight = 24;
inline constexpr int kTypePanelHeight = 48;

// Headers and columns of the grids.
inline constexpr std::array<const char*, 9> kDsiTableHeaders{
    "名前", "分割値指定", "アラームポイント", "単位", "拡張契機", "単位", "割付け量", "単位", "スコープ"};
inline constexpr std::array<const char*, 9> kDsiIndexHeaders{
    "名前", "アラームポイント", "単位", "拡張契機", "単位", "割付け量", "単位", "表のDSI名", "縮退/再配置"};
inline constexpr std::array<int, 9> kDsiIndexWidths{137, 128, 47, 94, 50, 87, 49, 100, 100};
inline constexpr std::array<const char*, 5> kAllocationHeaders{"DSI", "種別", "データベーススペース名", "割付け量",
                                                                "単位"};
inline constexpr std::array<const char*, 2> kTemporaryHeaders{"データベーススペース名", "利用者数"};
inline constexpr int kAllocationKindCol = 1;
inline constexpr int kAllocationSizeCol = 3;
inline constexpr int kAllocationUnitCol = 4;
inline constexpr int kDsiScopeCol = 8;
inline constexpr int kDsiTableDsiCol = 7;

enum class TStorageGrid { DsiMain, DsiSub, Temp };

// What the pick lists are made of besides fixed items.
struct TStoragePickSources {
  std::vector<std::string> DsiNames;   // column 0 of the DSI grid, data rows
  std::vector<std::string> Scopes;     // column 8 of the DSI grid (table layout)
  std::vector<std::string> Spaces;     // the connection's database spaces
  std::vector<std::string> TableDsis;  // the DSIs of the index's table
};
// The items a data cell offers; none for a plain column.
std::vector<std::string> StoragePickList(TStorageGrid grid, int col, int ownerKind, int kind,
                                         const TStoragePickSources& sources);
// The pieces of a text between commas, each trimmed. UTF-8 never holds a
// comma byte inside a wide character, so the split needs no lead-byte test.
std::vector<std::string> CommaPieces(const std::string& text);
// The distinct texts that are not empty, in their order.
std::vector<std::string> DistinctTexts(const std::vector<std::string>& texts);

// An allocation row's size and unit are edited only when it is no stand-by
// row.
bool AllocationCellEditable(int col, const std::string& kind);
// A row can be deleted while a grid holds two data rows or more.
bool CanDeleteGridRow(int rowCount);
// Typing a text into the last row adds a spare row after it.
bool NeedsSpareRow(const std::string& text, int row, int rowCount);

// The rows of the grids as records and back (cells by column).
TStorageDsi DsiOfRow(const std::vector<std::string>& cells, bool indexLayout);
std::vector<std::string> RowOfDsi(const TStorageDsi& dsi, bool indexLayout);
TStorageAllocation AllocationOfRow(const std::vector<std::string>& cells);
std::vector<std::string> RowOfAllocation(const TStorageAllocation& allocation);
