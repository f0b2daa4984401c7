// ftbscore: the plain rules of the database space editor: reading the
// DBSPACE, ROLE and rdbspcinf -p reports, the DSI size merge, the space's
// DDL and the ALLOCATE grant differences, and the tool runs of a compile.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

inline constexpr int kTbsKind = 69;
inline constexpr const char* kTbsSizeKey = "TBS";
inline constexpr const char* kNetworkFilePrefix = "\\\\";
inline constexpr const char* kTbsFileType = "FILE";
inline constexpr const char* kTbsNetworkFileType = "NETWORK FILE";
inline constexpr const char* kPublicGrantee = "PUBLIC";
inline constexpr const char* kAllocatePrivilege = "ALLOCATE";
inline constexpr const char* kGrantableYes = "YES";
inline constexpr const char* kDropControlFile = "rdbddlexD.txt";
inline constexpr const char* kCreateControlFile = "rdbddlexC.txt";
inline constexpr const char* kPrtControlFile = "rdbprt.txt";
inline constexpr const char* kRoleControlFile = "ctrl.txt";
// From this catalogue level a space is dropped by SQL, below it by rdbddlex.
inline constexpr int kFirstSqlDropLevel = 10;

inline constexpr const char* kReportFailed = "コマンド情報を取得できませんでした。";
inline constexpr const char* kDefinitionUnread = "定義情報を読み込めませんでした。";
inline constexpr const char* kTbsNameMissing = "名前を入力して下さい。";
inline constexpr const char* kTbsDeviceMissing = "データファイル名を指定して下さい。";
inline constexpr const char* kTbsSizeMissing = "サイズを指定して下さい。";
inline constexpr const char* kTbsCreated = "オブジェクトが作成されました。";
inline constexpr const char* kGrantsUpdated = "権限を更新しました。";
inline constexpr const char* kGrantsFailed = "権限の更新に失敗しました。";

// The ten definition texts, by their place.
enum TTbsField : size_t {
  tfName, tfFile, tfDevice, tfAllocate, tfStatic, tfDynamic, tfFree, tfCreator, tfCreated, tfLogGroup, tfCount
};
using TTbsDefinition = std::array<std::string, tfCount>;

struct TTbsGrantee {
  std::string Privilege;  // "ALLOCATE" or empty
  std::string Grantee;    // the report's "*" read as PUBLIC
  std::string Grantor;
  std::string Grantable;
};
struct TTbsDsi {
  std::string Name, Usage, Schema, Table, Dso, Size;
};
struct TTbsReport {
  TTbsDefinition Definition{};
  std::vector<TTbsGrantee> Grantees;
  std::vector<TTbsDsi> Dsis;
};

// The DBSPACE report of rdbprt; false when no line names the space.
bool ReadTbsDefinition(const std::vector<std::string>& lines, TTbsReport& report);
// The static, dynamic and free sizes of rdbspcinf -p into the definition;
// false when no line names a database space.
bool ReadTbsUsage(const std::vector<std::string>& lines, TTbsDefinition& definition);
// DSI sizes in KB, and equal DSIs summed into the first, the others
// losing their name. Throws std::invalid_argument on a size that is not
// an integer where one is added.
void MergeDsiSizes(std::vector<TTbsDsi>& dsis);
// The roles of the ROLE report that hold ALLOCATE on the space of this
// data source.
std::vector<std::string> ReadRoleGrants(const std::vector<std::string>& lines, const std::string& dataSource,
                                        const std::string& space);
// The ROLE report's control text, or empty without roles.
std::string RoleControlText(const std::vector<std::string>& roles);

// What the definition page holds.
struct TTbsInput {
  std::string Name;
  bool Network = false;
  std::string Device;
  std::string Size;
  bool Megabytes = true;
  bool SizeEnabled = true;
};
enum class TTbsCheck { Ok, NameMissing, DeviceMissing, SizeMissing };
TTbsCheck CheckTbsInput(const TTbsInput& input);
// The CREATE DBSPACE lines of the create control file and the script.
std::vector<std::string> TbsCreateLines(const TTbsInput& input);
std::string TbsDropLine(const std::string& name);
bool TbsNeedsDrop(bool isNew, bool scriptMode, bool sourcePage, bool definitionChanged);
// The script: the CREATE lines, then the separator line.
std::vector<std::string> TbsScriptLines(const TTbsInput& input, const std::string& separator);

// A check-list item's boxes when loaded and now.
struct TTbsCheckItem {
  std::string Name;
  bool Enabled = true;
  bool LoadedLeft = false, LoadedRight = false;
  bool Left = false, Right = false;
};
// The GRANT and REVOKE ALLOCATE statements of the differences, users
// first, names quoted.
std::vector<std::string> TbsGrantStatements(const std::string& space, const std::vector<TTbsCheckItem>& users,
                                            const std::vector<TTbsCheckItem>& roles);

// "rdbddlex -d <DS> <path>", every value quoted for the runner.
std::string RdbddlexCommand(const std::string& dataSource, const std::string& path);
std::string RdbspcinfPCommand(const std::string& dataSource, const std::string& name);
std::string RdbprtSpaceCommand(const std::string& dataSource, const std::string& path);
std::string RdbprtRoleCommand(const std::string& path);

// Runs a command line; true on success.
using TToolRunner = std::function<bool(const std::string& commandLine)>;
// Writes the control file in the work folder (ending in a separator), runs
// the command line made for its path and removes it in every case.
bool RunWithControlFile(const std::string& workFolder, const std::string& fileName,
                        const std::vector<std::string>& lines,
                        const std::function<std::string(const std::string& path)>& commandFor,
                        const TToolRunner& run);
// RunWithControlFile with rdbddlex.
bool RunRdbddlex(const std::string& workFolder, const std::string& fileName, const std::vector<std::string>& lines,
                 const std::string& dataSource, const TToolRunner& run);

enum class TTbsCompileOutcome { NothingToRun, DropFailed, CreateFailed, Dropped, Created };
// The tool runs of a compile: the drop for an existing space, then the
// create; a failed drop stops before the create.
TTbsCompileOutcome RunTbsCompile(const std::string& workFolder, const TTbsInput& input, bool drop, bool create,
                                 const std::string& dataSource, const TToolRunner& run);
