// The view's script writer on the stand-in: the short CREATE VIEW of a view
// read from the catalogue, under another name when asked, and nothing for a
// view the catalogue does not know.
#include <gtest/gtest.h>

#include <sstream>

#include "app/fobjddl.h"
#include "objedit/core/fviewcore.h"
#include "tests/objedit/objedit_fixture.h"

namespace testing_objedit {
namespace {

class ViewScriptTest : public ObjEditTest {
 protected:
  TfrmObject* LogonWithView() {
    TfrmObject* window = Logon();
    window->ExecSQL("CREATE TABLE S1.T (C1 CHAR(4) NOT NULL, C2 INTEGER, PRIMARY KEY(C1))");
    window->ExecSQL("CREATE VIEW S1.V AS SELECT C1, C2 FROM S1.T WHERE C2 > 0");
    symfoware::ClearStatementJournal();
    return window;
  }
  static Lines ScriptLines(TfrmObject& window, const std::string& name, const std::string& newSchema,
                           const std::string& newName) {
    std::ostringstream script;
    GenerateDDL(window, kViewKind, "S1", name, script, newSchema, newName);
    Lines lines;
    std::string text = script.str();
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n")) {
      lines.push_back(text.substr(0, at));
      text.erase(0, at + 2);
    }
    EXPECT_TRUE(text.empty()) << "every line ends with CR LF";
    return lines;
  }
};

TEST_F(ViewScriptTest, TheShortCreateViewUnderItsOwnOrATargetName) {
  TfrmObject* window = LogonWithView();
  ScriptOption.Schema = kSchemaAlways;
  const Lines script = ScriptLines(*window, "V", "", "");
  ASSERT_GE(script.size(), 3u) << ::testing::PrintToString(script);
  EXPECT_EQ(script.front(), "CREATE VIEW S1.V AS");
  EXPECT_NE(script[script.size() - 2], "WITH CHECK OPTION");
  EXPECT_EQ(script.back(), ";");
  EXPECT_EQ(script[1].substr(0, 6), "SELECT");
  EXPECT_EQ(Boxes(), Lines{});

  const Lines copy = ScriptLines(*window, "V", "S2", "W");
  ASSERT_FALSE(copy.empty());
  EXPECT_EQ(copy.front(), "CREATE VIEW S2.W AS");
  EXPECT_EQ(Lines(copy.begin() + 1, copy.end()), Lines(script.begin() + 1, script.end()));

  EXPECT_TRUE(ScriptLines(*window, "NONE", "", "").empty());
  EXPECT_EQ(Boxes(), Lines{});
  EXPECT_EQ(Journal(), Lines{});
}

}  // namespace
}  // namespace testing_objedit
