#include "objedit/core/fgrantcore.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

TEST(GranteePrivileges, EachKindEnablesOnlyItsOwn) {
  const struct {
    int kind;
    std::string enabled;  // one character per box, "x" enabled
  } cases[] = {{45, "xxx.xxxxx"}, {47, ".xx..xx.x"}, {51, "..xx....."}, {52, "..xx....."},
               {57, "..x......"}, {58, "..x...x.."}, {46, "........."}};
  for (const auto& c : cases) {
    std::string enabled;
    for (size_t i = 0; i < GranteePrivileges().size(); ++i) enabled += GranteePrivilegeExists(i, c.kind) ? 'x' : '.';
    EXPECT_EQ(enabled, c.enabled) << c.kind;
  }
  EXPECT_EQ(std::string(GranteePrivileges()[2].Item), "DROP(オブジェクト削除権)");
  EXPECT_EQ(std::string(GranteePrivileges()[7].Item), "TRIGGER(トリガ作成権)");
}

TEST(GranteeBoxes, CountsOverTheObjectsGiveTheState) {
  EXPECT_EQ(GranteeBoxOf(0, 2), cbUnchecked);
  EXPECT_EQ(GranteeBoxOf(1, 2), cbGrayed);
  EXPECT_EQ(GranteeBoxOf(2, 2), cbChecked);
  EXPECT_EQ(GranteeBoxOf(3, 2), cbGrayed);
}

TEST(GranteeEntries, QuotedTextsSplitBack) {
  EXPECT_EQ(GrantEntryText("USR1", "T1"), "USR1.T1");
  EXPECT_EQ(GrantEntryText("s1", "a-b"), "\"s1\".\"a-b\"");
  EXPECT_EQ(SplitGrantEntry("\"s1\".\"a-b\""), (std::pair<std::string, std::string>{"s1", "a-b"}));
  EXPECT_EQ(SplitGrantEntry("USR1.T1"), (std::pair<std::string, std::string>{"USR1", "T1"}));
}

TEST(GranteeStatements, RunsGrantAndRevokeAsTheBoxesSay) {
  const size_t kSelect = 6, kUpdate = 8, kExecute = 3;
  const struct {
    size_t item;
    int kind;
    std::string grantee;
    bool role, left, right;
    Lines expected;  // "?" marks a statement whose error is ignored
  } cases[] = {
      {kSelect, 45, "U1", false, true, false,
       {"?REVOKE SELECT ON TABLE USR1.T1 FROM U1", "GRANT SELECT ON TABLE USR1.T1 TO U1"}},
      {kSelect, 45, "U1", false, true, true, {"GRANT SELECT ON TABLE USR1.T1 TO U1 WITH GRANT OPTION"}},
      {kUpdate, 47, "R1", true, false, false, {"REVOKE UPDATE ON TABLE USR1.T1 FROM ROLE R1"}},
      {kSelect, 45, "R1", true, true, false, {"GRANT SELECT ON TABLE USR1.T1 TO ROLE R1"}},
      {kExecute, 51, "PUBLIC", false, false, false, {"REVOKE EXECUTE ON PROCEDURE USR1.T1 FROM PUBLIC"}},
      {kSelect, 45, "u1", false, false, false, {"REVOKE SELECT ON TABLE USR1.T1 FROM \"u1\""}},
  };
  for (const auto& c : cases) {
    Lines got;
    for (const TGranteeStatement& s : GranteeStatements(c.item, c.kind, "USR1.T1", c.grantee, c.role, c.left, c.right))
      got.push_back((s.IgnoreErrors ? "?" : "") + s.Sql);
    EXPECT_EQ(got, c.expected) << c.grantee;
  }
  EXPECT_TRUE(IsNotHeldError("[ODBC] JYP3522E 取り消す権限が付与されていません"));
  EXPECT_FALSE(IsNotHeldError("JYP9003E"));
}

TEST(GranteeRevoke, ViewsAreTablesAndOnlyUsersCascade) {
  const TGrantedRow user{"U1", "SELECT    ", "NO", "S1.V1", "VIEW", "USER"};
  const TGrantedRow role{"R1", "EXECUTE   ", "NO", "S1.P1", "PROCEDURE", "ROLE"};
  EXPECT_EQ(RevokeGrantedSql(user, true), "REVOKE SELECT ON TABLE S1.V1 FROM U1 CASCADE");
  EXPECT_EQ(RevokeGrantedSql(user, false), "REVOKE SELECT ON TABLE S1.V1 FROM U1");
  EXPECT_EQ(RevokeGrantedSql(role, true), "REVOKE EXECUTE ON PROCEDURE S1.P1 FROM ROLE R1");
}

TEST(GranteeQueries, HaveTheirParametersInOrder) {
  const std::string count = GrantCountSql(false);
  EXPECT_EQ(count.rfind("SELECT ALT, DEL, DRP, EXE, IDX, INS, SEL, TRG, UPD, ALTG, DELG,", 0), 0u);
  EXPECT_NE(count.find(") GR WHERE GRANTEE = :GRANTEE AND DB_NAME = :DATABASE AND SCHEMA_NAME = :OWNER AND "
                       "OBJ_NAME = :NAME WITH OPTION LOCK_MODE(NO LOCK)"),
            std::string::npos);
  EXPECT_NE(GrantCountSql(true).find("LEFT OUTER JOIN RDBII_SYSTEM.RDBII_ROLE A ON SQ.ROLE_CODE = A.ROLE_CODE"),
            std::string::npos);
  EXPECT_NE(GrantAllSql().find(") GALLROLE WHERE DB_NAME = :DATABASE"), std::string::npos);
}

}  // namespace
