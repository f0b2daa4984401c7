#include "tools/core/fcompcore.h"

#include <algorithm>
#include <deque>
#include <unordered_map>

#include "app/core/ovatexit.h"
#include "app/core/ovkinds.h"
#include "app/core/zarur.h"

namespace {

// The catalogue level up to which a remote server hides its routines.
constexpr int kLastLevelWithoutRemoteRoutines = 9;
constexpr char kLineBreak[] = "\n";
constexpr char kUnion[] = "UNION";
constexpr char kOrder[] = "ORDER BY 1, 2, 3";
const char* const kStorageHeads[] = {"CREATE DSO", "CREATE DSI"};

// Which condition a listing line binds.
enum class TBound { User, DataSource, DBCode, Schema };

struct TCondition {
  const char* Text;  // up to its marker
  TBound Value;
};

struct TKindListing {
  TCompKind Kind;
  const char* Select;
  std::vector<TCondition> Conditions;  // the schema's condition last
};

const std::vector<TCondition>& TableConditions() {
  static const std::vector<TCondition> kList = {{" AND TABLE_OWNER = :USER_NAME", TBound::User},
                                                {" AND DB_NAME = :DB_NAME", TBound::DataSource},
                                                {" AND SCHEMA_NAME = :SCHEMA_NAME", TBound::Schema}};
  return kList;
}

const std::vector<TCondition>& RoutineConditions() {
  static const std::vector<TCondition> kList = {{" AND PROCEDURE_OWNER = :USER_NAME", TBound::User},
                                                {" AND DB_NAME = :DB_NAME", TBound::DataSource},
                                                {" AND SCHEMA_NAME = :SCHEMA_NAME", TBound::Schema}};
  return kList;
}

const std::vector<TKindListing>& KindListings() {
  static const std::vector<TKindListing> kList = {
      {TCompKind::Table,
       "SELECT 'TABLE' OBJECT_TYPE, TRIM(TABLE_NAME) OBJECT_NAME, TRIM(SCHEMA_NAME) OWNER FROM "
       "RDBII_SYSTEM.RDBII_TABLE WHERE (TABLE_TYPE = 'BS' OR TABLE_TYPE = 'TD' OR TABLE_TYPE = 'TP')",
       TableConditions()},
      {TCompKind::Index,
       "SELECT 'INDEX' OBJECT_TYPE, TRIM(A.INDEX_DSO_NAME) OBJECT_NAME, TRIM(B.SCHEMA_NAME) OWNER FROM "
       "RDBII_SYSTEM.RDBII_INDEX A, RDBII_SYSTEM.RDBII_TABLE B WHERE A.TABLE_CODE = B.TABLE_CODE AND A.DB_CODE = "
       "B.DB_CODE AND A.SCHEMA_CODE = B.SCHEMA_CODE",
       {{" AND INDEX_DSO_OWNER = :USER_NAME", TBound::User},
        {" AND A.DB_CODE = :DB_CODE", TBound::DBCode},
        {" AND B.SCHEMA_NAME = :SCHEMA_NAME", TBound::Schema}}},
      {TCompKind::View,
       "SELECT 'VIEW' OBJECT_TYPE, TRIM(TABLE_NAME) OBJECT_NAME, TRIM(SCHEMA_NAME) OWNER FROM "
       "RDBII_SYSTEM.RDBII_TABLE WHERE (TABLE_TYPE = 'VW')",
       TableConditions()},
      {TCompKind::Procedure,
       "SELECT 'PROCEDURE' OBJECT_TYPE, TRIM(PROCEDURE_NAME) OBJECT_NAME, TRIM(SCHEMA_NAME) OWNER FROM "
       "RDBII_SYSTEM.RDBII_PROC WHERE PROCEDURE_TYPE = 1 AND ROUTINE_TYPE = 0",
       RoutineConditions()},
      {TCompKind::Function,
       "SELECT 'FUNCTION' OBJECT_TYPE, TRIM(PROCEDURE_NAME) OBJECT_NAME, TRIM(SCHEMA_NAME) OWNER FROM "
       "RDBII_SYSTEM.RDBII_PROC WHERE PROCEDURE_TYPE = 2 ",
       RoutineConditions()},
      {TCompKind::Trigger,
       "SELECT 'TRIGGER' OBJECT_TYPE, TRIM(TRIG_NAME) OBJECT_NAME, TRIM(TRIG_SCHEMA_NAME) OWNER FROM "
       "RDBII_SYSTEM.RDBII_TRIGGER",
       {{" WHERE TRIG_OWNER = :USER_NAME", TBound::User},
        {" AND TRIG_DB_NAME = :DB_NAME", TBound::DataSource},
        {" AND TRIG_SCHEMA_NAME = :SCHEMA_NAME", TBound::Schema}}},
      {TCompKind::Sequence,
       "SELECT 'SEQUENCE' OBJECT_TYPE, TRIM(SEQUENCE_NAME) OBJECT_NAME, TRIM(SCHEMA_NAME) OWNER FROM "
       "RDBII_SYSTEM.RDBII_SEQUENCE",
       {{" WHERE SEQUENCE_OWNER = :USER_NAME", TBound::User},
        {" AND DB_NAME = :DB_NAME", TBound::DataSource},
        {" AND SCHEMA_NAME = :SCHEMA_NAME", TBound::Schema}}},
  };
  return kList;
}

bool IsRoutine(TCompKind kind) { return kind == TCompKind::Procedure || kind == TCompKind::Function; }

// The schema box's text as the listing and the checks read it.
std::string BoxText(const std::string& text) { return UpperCase(Trim(text)); }
bool IsAllSchemas(const std::string& text) { return BoxText(text) == kCompAllSchemas; }

std::string BoundValue(const TCompTarget& target, TBound bound) {
  switch (bound) {
    case TBound::User:
      return target.User;
    case TBound::DataSource:
      return target.DataSource;
    case TBound::DBCode:
      return target.DBCode;
    case TBound::Schema:
      break;
  }
  return BoxText(target.Schema);
}

// Listed objects by key; each key's positions in listing order, so that a
// look-up finds the first one left, as a search of the list would.
class TKeyIndex {
 public:
  TKeyIndex(const std::vector<TCompObject>& objects, bool withOwner) : withOwner_(withOwner) {
    for (size_t i = 0; i < objects.size(); ++i) positions_[Key(objects[i])].push_back(i);
  }
  std::optional<size_t> Take(const TCompObject& object) {
    auto it = positions_.find(Key(object));
    if (it == positions_.end() || it->second.empty()) return std::nullopt;
    const size_t at = it->second.front();
    it->second.pop_front();
    return at;
  }

 private:
  std::string Key(const TCompObject& object) const {
    // NUL never occurs in a catalogue name, so the fields cannot run together.
    return (withOwner_ ? object.Owner : std::string()) + '\0' + object.Name + '\0' + object.Type;
  }
  bool withOwner_;
  std::unordered_map<std::string, std::deque<size_t>> positions_;
};

// Only the DDL of tables and indexes writes their storage.
bool WritesStorage(int kind) { return kind == okTable || kind == okIndex; }

}  // namespace

std::vector<TCompKind> CompListedKinds(const std::vector<TCompKind>& chosen, bool routines) {
  std::vector<TCompKind> kinds;
  for (TCompKind kind : kCompKinds) {
    const bool wanted = chosen.empty() || std::find(chosen.begin(), chosen.end(), kind) != chosen.end();
    if (wanted && (routines || !IsRoutine(kind))) kinds.push_back(kind);
  }
  return kinds;
}

bool CompRoutinesListable(bool remote, int level) { return !remote || level > kLastLevelWithoutRemoteRoutines; }

TCompListing CompListingQuery(const std::vector<TCompKind>& kinds, const TCompTarget& target) {
  TCompListing listing;
  const bool allSchemas = IsAllSchemas(target.Schema);
  for (const TKindListing& kind : KindListings()) {
    if (std::find(kinds.begin(), kinds.end(), kind.Kind) == kinds.end()) continue;
    if (!listing.SQL.empty()) listing.SQL += std::string(kUnion) + kLineBreak;
    listing.SQL += std::string(kind.Select) + kLineBreak;
    for (const TCondition& condition : kind.Conditions) {
      if (condition.Value == TBound::Schema && allSchemas) continue;
      listing.SQL += std::string(condition.Text) + kLineBreak;
      listing.Values.push_back(BoundValue(target, condition.Value));
    }
  }
  listing.SQL += kOrder;
  return listing;
}

std::string CompResultText(TCompResult result) {
  switch (result) {
    case TCompResult::Equal:
      return "内容一致";
    case TCompResult::NotEqual:
      return "内容不一致";
    case TCompResult::Only1:
      return "比較先１にのみ存在";
    case TCompResult::Only2:
      break;
  }
  return "比較先２にのみ存在";
}

std::optional<TCompResult> CompResultOfText(const std::string& text) {
  for (TCompResult result : {TCompResult::Equal, TCompResult::NotEqual, TCompResult::Only1, TCompResult::Only2})
    if (CompResultText(result) == text) return result;
  return std::nullopt;
}

bool CompDifferentSchemas(const std::string& schema1, const std::string& schema2) {
  return BoxText(schema1) != BoxText(schema2) && !IsAllSchemas(schema1) && !IsAllSchemas(schema2);
}

std::optional<TCompProblem> CheckCompInput(const TCompInput& input) {
  const TCompOption& f = input.Filter;
  if (!f.Equrl && !f.NotEqurl && !f.Only1 && !f.Only2) return TCompProblem{kCompNoFilter, TCompFocus::Equrl};
  if (BoxText(input.Schema1).empty()) return TCompProblem{kCompNoSchema1, TCompFocus::Schema1};
  if (BoxText(input.Schema2).empty()) return TCompProblem{kCompNoSchema2, TCompFocus::Schema2};
  if (input.Label1 == input.Label2 && BoxText(input.Schema1) == BoxText(input.Schema2))
    return TCompProblem{kCompSamePlace, TCompFocus::Schema1};
  return std::nullopt;
}

std::string WithoutStorageLines(const std::string& ddl) {
  std::string kept;
  size_t from = 0;
  while (from < ddl.size()) {
    size_t end = ddl.find('\n', from);
    end = end == std::string::npos ? ddl.size() : end + 1;
    const std::string line = ddl.substr(from, end - from);
    const std::string trimmed = Trim(line);
    const bool storage = std::any_of(std::begin(kStorageHeads), std::end(kStorageHeads),
                                     [&](const char* head) { return trimmed.rfind(head, 0) == 0; });
    if (!storage) kept += line;
    from = end;
  }
  return kept;
}

bool RunComparison(const TCompRun& run, const TCompPorts& ports) {
  const TScriptOption saved = ScriptOption;
  AtExit restore([&saved] {
    ScriptOption.Schema = saved.Schema;
    ScriptOption.Index = saved.Index;
    ScriptOption.Insert = saved.Insert;
  });
  std::vector<TCompObject> list1;
  std::vector<TCompObject> list2;
  if (!ports.List(1, list1) || !ports.List(2, list2)) return false;
  const bool different = CompDifferentSchemas(run.Schema1, run.Schema2);
  if (different) ScriptOption.Schema = kSchemaNever;
  // A table's DDL without its indexes and rows: each is compared on its own.
  ScriptOption.Index = false;
  ScriptOption.Insert = false;
  ports.Clear();

  const TCompOption& filter = run.Filter;
  std::vector<bool> paired1(list1.size(), false);
  std::vector<bool> paired2(list2.size(), false);
  TKeyIndex index2(list2, !different);
  for (size_t i = list1.size(); i-- > 0;) {
    if (ports.Escape()) return false;
    const TCompObject& object = list1[i];
    const std::optional<size_t> match = index2.Take(object);
    if (!match) continue;
    const int kind = ObjectKindFromName(object.Type);
    const std::string schema1 = different ? BoxText(run.Schema1) : object.Owner;
    const std::string schema2 = different ? BoxText(run.Schema2) : object.Owner;
    std::string ddl2 = ports.DDL(2, kind, schema2, object.Name);
    std::string ddl1 = ports.DDL(1, kind, schema1, object.Name);
    if (WritesStorage(kind)) {
      ddl1 = WithoutStorageLines(ddl1);
      ddl2 = WithoutStorageLines(ddl2);
    }
    const bool equal = ddl1 == ddl2;
    if (equal ? filter.Equrl : filter.NotEqurl)
      ports.Row({kind, object.Name, schema1, object.Type, equal ? TCompResult::Equal : TCompResult::NotEqual});
    paired1[i] = true;
    paired2[*match] = true;
  }
  const auto oneSided = [&](const std::vector<TCompObject>& list, const std::vector<bool>& paired,
                            const std::string& box, TCompResult result) {
    for (size_t i = list.size(); i-- > 0;) {
      if (ports.Escape()) return false;
      if (paired[i]) continue;
      const TCompObject& object = list[i];
      ports.Row({ObjectKindFromName(object.Type), object.Name, different ? BoxText(box) : object.Owner, object.Type,
                 result});
    }
    return true;
  };
  if (filter.Only1 && !oneSided(list1, paired1, run.Schema1, TCompResult::Only1)) return false;
  if (filter.Only2 && !oneSided(list2, paired2, run.Schema2, TCompResult::Only2)) return false;
  return true;
}

std::vector<TCompOpenTarget> CompOpenTargets(TCompResult result, const std::string& rowSchema, TCompOpen which,
                                             const std::string& schema1, const std::string& schema2) {
  const bool different = CompDifferentSchemas(schema1, schema2);
  const bool side1 = result != TCompResult::Only2 && which != TCompOpen::Side2;
  const bool side2 = result != TCompResult::Only1 && which != TCompOpen::Side1;
  std::vector<TCompOpenTarget> targets;
  if (side1) targets.push_back({1, different ? BoxText(schema1) : rowSchema});
  if (side2) targets.push_back({2, different ? BoxText(schema2) : rowSchema});
  return targets;
}
