#include "objedit/core/findexcore.h"

#include "app/core/zarur.h"
#include "objedit/core/rstoragecore.h"

namespace {

constexpr size_t kDefIdxSizeCount = 6;
constexpr int kFirstDsoLevel = 10;
constexpr const char* kTemporaryTypes[] = {"TD", "TP"};
constexpr const char* kKilobytes = "KB";

}  // namespace

void ReadDefIdxSize(const std::string& value, TDefIdxSize& sizes) {
  const std::string text = Trim(value);
  if (text.empty()) return;
  const std::vector<std::string> items = CommaPieces(text);
  if (items.size() < kDefIdxSizeCount) return;
  sizes = {items[0], items[1], items[2], items[3], items[4], items[5]};
}

bool UsesCreateIndexForm(int level, bool reduced, bool remote) {
  return level < kFirstDsoLevel || (level == kFirstDsoLevel && reduced) || remote;
}

bool IndexCompileCloses(int level, bool reduced, bool remote) {
  return level < kFirstDsoLevel || reduced || remote;
}

std::vector<std::string> CreateIndexLines(const TCreateIndex& index) {
  std::string keys;
  for (const std::string& column : index.KeyColumns) keys += (keys.empty() ? "" : ", ") + QuoteIdent(column);
  std::vector<std::string> lines{
      "CREATE INDEX " + index.SchemaPrefix + QuoteIdent(index.Table) + "." + QuoteIdent(index.Name),
      "KEY(" + keys + ")"};
  bool temporary = false;
  for (const char* type : kTemporaryTypes) temporary = temporary || index.TableType == type;
  if (!temporary && !index.Reduced) lines.push_back("ON " + index.Space);
  return lines;
}

void InitIndexStorage(TIndexStorage& storage, const std::string& indexName, const TDefIdxSize& sizes,
                      const std::string& firstSpace) {
  if (storage.DsoName.empty()) storage.DsoName = indexName;
  if (storage.BasePageSize.empty()) storage.BasePageSize = sizes.BasePageSize;
  if (storage.IndexPageSize.empty()) storage.IndexPageSize = sizes.IndexPageSize;
  if (indexName.empty()) return;
  const bool expands = sizes.ExpandAllocation != kNoExpansion;
  if (storage.Dsis.empty()) {
    TStorageDsi dsi;
    dsi.Name = indexName;
    if (expands) {
      dsi.Expand = {sizes.ExpandTrigger, kKilobytes};
      dsi.Allocation = {sizes.ExpandAllocation, kKilobytes};
    }
    storage.Dsis.push_back(dsi);
  }
  if (storage.Allocations.empty()) {
    storage.Allocations.push_back({indexName, kAllocBase, firstSpace, sizes.BaseAllocation, kKilobytes});
    storage.Allocations.push_back({indexName, kAllocIndex, firstSpace, sizes.IndexAllocation, kKilobytes});
    if (expands) storage.Allocations.push_back({indexName, kAllocExpand, firstSpace, "", ""});
  }
}

bool IndexNeedsDrop(const TIndexDropTest& t) {
  return t.IsNew || t.ScriptMode || t.SourcePage || t.StorageChanged || t.TableOwnerChanged || t.TableNameChanged ||
         t.KeysChanged;
}

std::string DropIndexStatement(const std::string& dsoName) { return "DROP DSO " + QuoteIdent(dsoName) + " CASCADE"; }

std::string IndexSaveFileName(const std::string& fileDir, const std::string& schema, const std::string& name) {
  return fileDir + schema + "." + name + ".sql";
}
