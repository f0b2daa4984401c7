#include "objedit/core/rgrantcore.h"

#include <gtest/gtest.h>

#include "app/core/ovoptions.h"

namespace {

using Lines = std::vector<std::string>;

Lines Keywords(int kind) {
  Lines out;
  for (const TGrantPrivilege& p : GrantPrivilegesOf(kind)) out.push_back(p.Keyword);
  return out;
}

TEST(GrantColumns, EachKindHasItsPrivilegesInOrder) {
  EXPECT_EQ(Keywords(45), (Lines{"ALTER", "DELETE", "DROP", "INDEX", "INSERT", "SELECT", "TRIGGER", "UPDATE"}));
  EXPECT_EQ(Keywords(47), (Lines{"DELETE", "INSERT", "SELECT", "UPDATE"}));
  EXPECT_EQ(Keywords(51), (Lines{"DROP", "EXECUTE"}));
  EXPECT_EQ(Keywords(52), (Lines{"DROP", "EXECUTE"}));
  EXPECT_EQ(Keywords(57), (Lines{"DROP"}));
  EXPECT_EQ(Keywords(58), (Lines{"SELECT", "DROP"}));
  EXPECT_TRUE(Keywords(46).empty());
  EXPECT_EQ(std::string(GrantPrivilegesOf(51)[1].Item), "EXECUTE(プログラム実行権)");
  EXPECT_EQ(ObjectCodeSqlOf(45), nullptr);
  EXPECT_EQ(ObjectCodeSqlOf(52), kRoutineCodeSql);
  EXPECT_EQ(ObjectCodeSqlOf(57), kTriggerCodeSql);
  EXPECT_EQ(ObjectCodeSqlOf(58), kSequenceCodeSql);
}

// "<name> <image> <marks|loaded> <listed>" per row.
Lines Show(const std::vector<TGranteeRow>& rows) {
  Lines out;
  for (const TGranteeRow& r : rows) {
    std::string marks, loaded;
    for (const std::string& m : r.Marks) marks += m.empty() ? "-" : m;
    for (const std::string& m : r.Loaded) loaded += m.empty() ? "-" : m;
    out.push_back(r.Name + " " + std::to_string(r.Image) + " " + marks + "|" + loaded + (r.Listed ? " listed" : ""));
  }
  return out;
}

const std::vector<TGrantPrivilege>& View() { return GrantPrivilegesOf(47); }  // DELETE INSERT SELECT UPDATE

const std::vector<TGrantCatalogueRow> kCatalogue{
    {"USR2", "SELECT", "YES"},  {"USR2", "DELETE", "NO"}, {"PUBLIC", "INSERT", "NO"},
    {"R1", "UPDATE", ""},       {"R1", "SELECT", ""},     {"NOBODY", "SELECT", "YES"},  // no such row
    {"USR2", "EXECUTE", "YES"},                                                         // no such column
    {"usr2", "UPDATE", "NO"},                                                           // names match exactly
};

TEST(GranteeRows, CatalogueRowsBecomeMarksPerGranteeKind) {
  const std::vector<TGranteeRow> all =
      BuildGranteeRows({"ADMIN", "USR2", "usr3", "PUBLIC"}, {"R1", "R2"}, "ADMIN", View(), kCatalogue, true);
  EXPECT_EQ(Show(all), (Lines{"ADMIN 3 ----|----", "USR2 2 *-G-|*-G- listed", "usr3 2 ----|----",
                              "PUBLIC 2 -*--|-*-- listed", "R1 68 --**|--** listed", "R2 68 ----|----"}));
  // Show mode 0 keeps the listed rows alone.
  EXPECT_EQ(
      Show(BuildGranteeRows({"ADMIN", "USR2", "usr3", "PUBLIC"}, {"R1", "R2"}, "ADMIN", View(), kCatalogue, false)),
      (Lines{"USR2 2 *-G-|*-G- listed", "PUBLIC 2 -*--|-*-- listed", "R1 68 --**|--** listed"}));
  // A logon typed in lower case matches no catalogue name.
  EXPECT_EQ(BuildGranteeRows({"ADMIN"}, {}, "admin", View(), {}, true).front().Image, kGranteeUserImage);
}

TEST(GranteeRows, AnObjectWithoutPrivilegesShowsNoRowOrEveryGrantee) {
  EXPECT_TRUE(BuildGranteeRows({"ADMIN", "PUBLIC"}, {"R1"}, "ADMIN", View(), {}, false).empty());
  EXPECT_EQ(Show(BuildGranteeRows({"ADMIN", "PUBLIC"}, {"R1"}, "ADMIN", View(), {}, true)),
            (Lines{"ADMIN 3 ----|----", "PUBLIC 2 ----|----", "R1 68 ----|----"}));
}

TGranteeRow Row(const std::string& name, Lines marks, int image = kGranteeUserImage) {
  return {name, image, marks, marks, true};
}

TEST(GrantBoxes, SelectedRowsGiveCheckedGreyedOrUncheckedBoxes) {
  const std::vector<TGranteeRow> rows{Row("A", {"*", "G", "G", ""}), Row("B", {"", "G", "*", ""}),
                                      Row("C", {"G", "*", "", ""})};
  TGrantBoxes boxes = SelectionBoxes(rows, {0, 1}, 4);
  EXPECT_EQ(boxes.Left, (std::vector<TCheckBoxState>{cbGrayed, cbChecked, cbChecked, cbUnchecked}));
  EXPECT_EQ(boxes.Right, (std::vector<TCheckBoxState>{cbUnchecked, cbChecked, cbGrayed, cbUnchecked}));
  boxes = SelectionBoxes(rows, {2}, 4);
  EXPECT_EQ(boxes.Left, (std::vector<TCheckBoxState>{cbChecked, cbChecked, cbUnchecked, cbUnchecked}));
  EXPECT_EQ(boxes.Right, (std::vector<TCheckBoxState>{cbChecked, cbUnchecked, cbUnchecked, cbUnchecked}));
}

TEST(GrantBoxes, EditsApplyToEverySelectedRowAndKeepGreyedPrivileges) {
  std::vector<TGranteeRow> rows{Row("A", {"*", "G", "G", ""}), Row("B", {"", "G", "*", ""}),
                                Row("C", {"G", "*", "", ""})};
  // Rows A and B: the first privilege greyed stays as it was, the second
  // loses its grant option (left checked, right not), the third is taken,
  // the fourth given with the option.
  ApplyBoxes(rows, {0, 1},
             {{cbGrayed, cbChecked, cbUnchecked, cbChecked}, {cbUnchecked, cbUnchecked, cbUnchecked, cbChecked}});
  EXPECT_EQ(rows[0].Marks, (Lines{"*", "*", "", "G"}));
  EXPECT_EQ(rows[1].Marks, (Lines{"", "*", "", "G"}));
  EXPECT_EQ(rows[2].Marks, (Lines{"G", "*", "", ""}));  // not selected
  // A greyed right box under a checked left one also drops the option.
  ApplyBoxes(rows, {2},
             {{cbChecked, cbChecked, cbChecked, cbChecked}, {cbGrayed, cbChecked, cbUnchecked, cbUnchecked}});
  EXPECT_EQ(rows[2].Marks, (Lines{"*", "G", "*", "*"}));
}

Lines Statements(int kind, const std::string& schema, const std::string& name, const std::vector<TGranteeRow>& rows) {
  Lines list{"earlier"};
  BuildGrantDDL(list, kind, schema, name, GrantPrivilegesOf(kind), rows, ";");
  return list;
}

TGranteeRow Changed(const std::string& name, Lines loaded, Lines marks, int image = kGranteeUserImage) {
  return {name, image, marks, loaded, true};
}

TEST(GrantStatements, EveryChangeGivesItsStatement) {
  const struct {
    const char* loaded;
    const char* mark;
    const char* statement;
  } cases[] = {
      {"", "*", "GRANT EXECUTE ON PROCEDURE USR1.P1 TO USR2"},
      {"", "G", "GRANT EXECUTE ON PROCEDURE USR1.P1 TO USR2 WITH GRANT OPTION"},
      {"*", "G", "GRANT EXECUTE ON PROCEDURE USR1.P1 TO USR2 WITH GRANT OPTION"},
      {"G", "*", "REVOKE GRANT OPTION FOR EXECUTE ON PROCEDURE USR1.P1 FROM USR2"},
      {"G", "", "REVOKE EXECUTE ON PROCEDURE USR1.P1 FROM USR2"},
      {"*", "", "REVOKE EXECUTE ON PROCEDURE USR1.P1 FROM USR2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.loaded) + " -> " + c.mark);
    EXPECT_EQ(Statements(51, "USR1", "P1", {Changed("USR2", {"", c.loaded}, {"", c.mark})}),
              (Lines{"earlier", c.statement, ";"}));
  }
}

TEST(GrantStatements, TheTableExampleRowsInOrderAndKindsNamedAsTheStatementsNameThem) {
  // USR2 gains SELECT with the grant option, role R1 loses UPDATE.
  const Lines none(8);
  Lines usr2 = none, r1Loaded = none;
  usr2[5] = "G";
  r1Loaded[7] = "*";
  EXPECT_EQ(Statements(45, "USR1", "T1",
                       {Changed("ADMIN", none, none, kGranteeLogonImage), Changed("USR2", none, usr2),
                        Changed("R1", r1Loaded, none, kGranteeRoleImage)}),
            (Lines{"earlier", "GRANT SELECT ON TABLE USR1.T1 TO USR2 WITH GRANT OPTION", ";",
                   "REVOKE UPDATE ON TABLE USR1.T1 FROM ROLE R1", ";"}));
  // A view has no keyword; PUBLIC is never quoted, other odd names are.
  EXPECT_EQ(Statements(47, "USR1", "V1",
                       {Changed("PUBLIC", {"", "", "", ""}, {"", "", "*", ""}),
                        Changed("usr-2", {"", "", "", ""}, {"*", "", "", ""})}),
            (Lines{"earlier", "GRANT SELECT ON USR1.V1 TO PUBLIC", ";", "GRANT DELETE ON USR1.V1 TO \"usr-2\"", ";"}));
  // A role's grant-option box gives the option as a user's does.
  EXPECT_EQ(Statements(57, "S", "TR", {Changed("R2", {""}, {"G"}, kGranteeRoleImage)}),
            (Lines{"earlier", "GRANT DROP ON TRIGGER S.TR TO ROLE R2 WITH GRANT OPTION", ";"}));
  EXPECT_EQ(Statements(58, "S", "Q", {Changed("U", {"*", ""}, {"*", "*"})}),
            (Lines{"earlier", "GRANT DROP ON SEQUENCE S.Q TO U", ";"}));
  EXPECT_EQ(Statements(52, "S", "F", {Changed("U", {"", "*"}, {"", ""})}),
            (Lines{"earlier", "REVOKE EXECUTE ON FUNCTION S.F FROM U", ";"}));
}

TEST(GrantStatements, NoChangedCellAppendsNothing) {
  EXPECT_EQ(Statements(45, "S", "T", {Row("A", Lines(8, "*")), Row("R", Lines(8), kGranteeRoleImage)}),
            (Lines{"earlier"}));
  EXPECT_EQ(Statements(45, "S", "T", {}), (Lines{"earlier"}));
}

}  // namespace
