// fusrlistcore: the plain rules of the user, role and schema list: what
// each page reads and shows, the statements that drop a row, and where a
// row's script and grant statements are written.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/core/ovoptions.h"

// The pages by their image, which also is the rows' image.
inline constexpr int kUserPageImage = 3;
inline constexpr int kRolePageImage = 68;
inline constexpr int kSchemaPageImage = 4;
// Row images: a user, the login user, the login user's schema.
inline constexpr int kUserRowImage = 2;
inline constexpr int kLoginUserRowImage = 3;
inline constexpr int kLoginSchemaRowImage = 120;

struct TUserListColumn {
  const char* Caption;
  int Width;
};
// One page: its caption, query and columns.
struct TUserListPage {
  int Image;
  const char* Caption;
  const char* Sql;
  std::vector<TUserListColumn> Columns;
};
const std::vector<TUserListPage>& UserListPages();
const TUserListPage& UserListPage(int image);

// The image of a row of the page.
int UserListRowImage(int pageImage);
// A column's text as the list shows it (values already trimmed).
std::string UserListCellText(int pageImage, size_t column, const std::string& value);
// The image of a row once sorted: the login user's and the login schema's
// rows stand out.
int UserListMarkedImage(int pageImage, const std::string& name, const std::string& loginUser);

// The statements that drop a row of the page, run one by one.
std::vector<std::string> UserListDropStatements(int pageImage, const std::string& name, bool cascade);

// Where a row's script goes. The kind folder ("USER", "ROLE", none for a
// schema) is used with SubDir; name parts pass through SafePathPart.
std::string UserListScriptPath(const TScriptOption& option, const std::string& target, int pageImage,
                               const std::string& name);
// The separate file of the row's grant statements: none when they go into
// the script itself.
std::optional<std::string> UserListGrantPath(const TScriptOption& option, const std::string& target, int pageImage,
                                             const std::string& name);

inline constexpr const char* kUserListTitle = "ユーザー情報";
