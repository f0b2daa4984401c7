#include "admin/core/fusrlistcore.h"

#include <map>
#include <stdexcept>

#include "admin/core/fusercore.h"
#include "app/core/fobjcmdcore.h"
#include "app/core/zarur.h"

namespace {

// Columns whose codes the list spells out.
constexpr size_t kIdentColumn = 1;
constexpr size_t kKindColumn = 2;
constexpr size_t kCreateTimeColumn = 2;
constexpr int kGrantInScript = 0;
constexpr int kGrantFilePerRow = 1;

const std::map<std::string, std::string> kIdentTexts{{"DB", "DB：Symfoware/RDBで管理"}, {"OS", "OS：OSで管理"}};
const std::map<std::string, std::string> kKindTexts{{"S", "S：管理者"}, {"A", "A：管理者"}, {"U", "U：利用者"}};

std::string Mapped(const std::map<std::string, std::string>& texts, const std::string& value) {
  const auto it = texts.find(value);
  return it == texts.end() ? value : it->second;
}

// "USER/" and "ROLE/" with SubDir; a schema has no folder of its own.
std::string KindFolder(const TScriptOption& option, int pageImage) {
  if (!option.SubDir) return "";
  if (pageImage == kUserPageImage) return std::string(kUserSizeKey) + kPathSeparator;
  if (pageImage == kRolePageImage) return std::string(kRoleSizeKey) + kPathSeparator;
  return "";
}

}  // namespace

const std::vector<TUserListPage>& UserListPages() {
  static const std::vector<TUserListPage> pages{
      {kUserPageImage, "ユーザー",
       " SELECT USER_NAME, IDENT, USER_KIND, PASSWORD_STATUS, LAST_LOGIN_DATE, LOGIN_FAILED_TIME FROM "
       "RDBII_SYSTEM.RDBII_USER ORDER BY USER_CODE ASC WITH OPTION LOCK_MODE(NO LOCK) ",
       {{"ﾕｰｻﾞｰ名", 160},
        {"管理方式", 180},
        {"種別", 80},
        {"ﾊﾟｽﾜｰﾄﾞ状態", 100},
        {"最終ﾛｸﾞｲﾝ日時", 150},
        {"ﾛｸﾞｲﾝ失敗回数", 120}}},
      {kRolePageImage, "ロール",
       "SELECT ROLE_NAME, ROLE_OWNER , CREATE_TIME FROM RDBII_SYSTEM.RDBII_ROLE WITH OPTION LOCK_MODE(NO LOCK) ",
       {{"ロール名", 160}, {"ロール定義者名", 180}, {"作成日時", 160}}},
      {kSchemaPageImage, "スキーマ",
       "SELECT SCHEMA_NAME, SCHEMA_OWNER, CREATE_TIME FROM RDBII_SYSTEM.RDBII_SCHEMA WHERE DB_CODE = :DB_CODE WITH "
       "OPTION LOCK_MODE(NO LOCK) ",
       {{"スキーマ名", 160}, {"スキーマ定義者名", 180}, {"作成日時", 160}}}};
  return pages;
}

const TUserListPage& UserListPage(int image) {
  for (const TUserListPage& page : UserListPages())
    if (page.Image == image) return page;
  throw std::invalid_argument("no list page of image " + std::to_string(image));
}

int UserListRowImage(int pageImage) { return pageImage == kUserPageImage ? kUserRowImage : pageImage; }

std::string UserListCellText(int pageImage, size_t column, const std::string& value) {
  if (pageImage == kUserPageImage) {
    if (column == kIdentColumn) return Mapped(kIdentTexts, value);
    if (column == kKindColumn) return Mapped(kKindTexts, value);
    return value;
  }
  return column == kCreateTimeColumn ? CreateTimeText(value) : value;
}

int UserListMarkedImage(int pageImage, const std::string& name, const std::string& loginUser) {
  const int image = UserListRowImage(pageImage);
  if (name != loginUser) return image;
  if (pageImage == kUserPageImage) return kLoginUserRowImage;
  if (pageImage == kSchemaPageImage) return kLoginSchemaRowImage;
  return image;
}

std::vector<std::string> UserListDropStatements(int pageImage, const std::string& name, bool cascade) {
  const std::string quoted = QuoteIdent(name);
  if (pageImage == kUserPageImage) return {kUserControl, "DROP USER " + quoted};
  if (pageImage == kSchemaPageImage) return {"DROP SCHEMA " + quoted + (cascade ? " CASCADE" : "")};
  return {"DROP ROLE " + quoted};
}

std::string UserListScriptPath(const TScriptOption& option, const std::string& target, int pageImage,
                               const std::string& name) {
  if (option.OneScript) return target;
  return target + KindFolder(option, pageImage) + SafePathPart(name + kScriptExtension);
}

std::optional<std::string> UserListGrantPath(const TScriptOption& option, const std::string& target, int pageImage,
                                             const std::string& name) {
  if (!option.Grant || option.OneScript || option.GrantMode == kGrantInScript) return std::nullopt;
  if (option.GrantMode == kGrantFilePerRow)
    return target + kGrantFolder + kPathSeparator + SafePathPart(name + kScriptExtension);
  return target + KindFolder(option, pageImage) + kGrantFileName;
}
