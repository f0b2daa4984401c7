#include "sqlwork/core/ftmplatecore.h"

#include <QDir>

#include <fstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "tests/platform/temp_settings.h"

namespace {

using Lines = std::vector<std::string>;

// A group, two templates referring to each other, one referring to itself
// and to an unknown name, a second group.
const Lines kFile = {
    "lines before the first head",
    "%%%SELECT",
    "【 A 】 first",
    "SELECT <B> FROM <A>",
    "【 B 】",
    "WHERE <A> <UNKNOWN>",
    "%%%OTHER GROUP",
    "【 SELF 】",
    "<SELF> <SELF>",
    "【 broken head",
    "FINDME",
};

TEST(TemplateFile, HeadsGroupsAndNames) {
  const TTemplateFile file = TemplateFileOf(kFile);
  ASSERT_EQ(file.Index.size(), 4u);
  const std::pair<const char*, size_t> expected[] = {{"A", 2}, {"B", 4}, {"SELF", 7}, {"", 9}};
  for (size_t i = 0; i < file.Index.size(); ++i) {
    EXPECT_EQ(file.Index[i].Name, expected[i].first) << i;
    EXPECT_EQ(file.Index[i].Line, expected[i].second) << i;
  }
  EXPECT_EQ(TemplateLineKind("%%%G"), TTemplateLine::Group);
  EXPECT_EQ(TemplateLineName("%%%G name"), "G name");
  EXPECT_EQ(TemplateLineKind("【A 】"), TTemplateLine::Body);  // no blank after the bracket
  EXPECT_EQ(TemplateLineKind(" %%%"), TTemplateLine::Body);
}

TEST(TemplateText, ReferencedTemplatesDepthFirstEachOnce) {
  const TTemplateFile file = TemplateFileOf(kFile);
  const struct {
    size_t Entry;
    Lines Expected;
  } cases[] = {
      {0, {"【 A 】 first", "SELECT <B> FROM <A>", "【 B 】", "WHERE <A> <UNKNOWN>"}},
      {1, {"【 B 】", "WHERE <A> <UNKNOWN>", "【 A 】 first", "SELECT <B> FROM <A>"}},
      {2, {"【 SELF 】", "<SELF> <SELF>"}},
      {3, {"【 broken head", "FINDME"}},
      {4, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(TemplateText(file, c.Entry), c.Expected) << c.Entry;
}

TEST(TemplateText, DeepReferencesBeforeTheNextPlaceholder) {
  const TTemplateFile file = TemplateFileOf({"【 A 】", "<B> <C>", "【 B 】", "<D>", "【 C 】", "c", "【 D 】", "d"});
  EXPECT_EQ(TemplateText(file, 0), (Lines{"【 A 】", "<B> <C>", "【 B 】", "<D>", "【 D 】", "d", "【 C 】", "c"}));
}

// The tree as "group/template" names, in display order.
Lines Names(const std::vector<TTemplateNode>& tree) {
  Lines names;
  for (const TTemplateNode& node : tree) {
    names.push_back(node.Group ? "%" + node.Name : node.Name);
    for (const TTemplateNode& child : node.Children) names.push_back(node.Name + "/" + child.Name);
  }
  return names;
}

TEST(TemplateTree, SearchKeepsTemplatesWhoseWholeTextHoldsIt) {
  const TTemplateFile file = TemplateFileOf(kFile);
  const struct {
    const char* Search;
    Lines Expected;
  } cases[] = {
      {"", {"%SELECT", "SELECT/A", "SELECT/B", "%OTHER GROUP", "OTHER GROUP/SELF", "OTHER GROUP/"}},
      {"  ", {"%SELECT", "SELECT/A", "SELECT/B", "%OTHER GROUP", "OTHER GROUP/SELF", "OTHER GROUP/"}},
      // Only B's body holds WHERE; A shows B with it.
      {" WHERE ", {"%SELECT", "SELECT/A", "SELECT/B", "%OTHER GROUP"}},
      {"FINDME", {"%SELECT", "%OTHER GROUP", "OTHER GROUP/"}},
      {"where", {"%SELECT", "%OTHER GROUP"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Names(TemplateTree(file, c.Search)), c.Expected) << c.Search;
  const TTemplateFile ungrouped = TemplateFileOf({"【 T 】", "x", "%%%G", "【 U 】"});
  EXPECT_EQ(Names(TemplateTree(ungrouped, "")), (Lines{"T", "%G", "G/U"}));
}

TEST(TemplateTree, FirstNodeWhoseNameHoldsTheSearch) {
  const std::vector<TTemplateNode> tree = TemplateTree(TemplateFileOf(kFile), "");
  const struct {
    const char* Search;
    std::vector<size_t> Path;
  } cases[] = {
      {"OTHER", {1}},     // a group
      {"SEL", {0}},       // the group SELECT comes before the template SELF
      {"ELF", {1, 0}},    // a template inside the second group
      {"B", {0, 1}},
      {"NOWHERE", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(FindTemplateNode(tree, c.Search), c.Path) << c.Search;
}

class TemplateFolder : public testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = env.Path("tpl") + "/" + name;
    QDir().mkpath(QString::fromStdString(env.Path("tpl")));
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  testing_support::TempSettings env;
};

TEST_F(TemplateFolder, VersionsAndEncodings) {
  EXPECT_TRUE(TemplateVersions(env.Path("none")).empty());
  Write("V10.tpl", "%%%G\r\n【 あ 】\r\nSELECT\r\n");
  // "【 い 】" in CP932.
  Write("V9.tpl", "\x81\x79\x20\x82\xa2\x20\x81\x7a\nx\n");
  Write("notes.txt", "");
  EXPECT_EQ(TemplateVersions(env.Path("tpl")), (Lines{"V10", "V9"}));
  const TTemplateFile utf8 = ReadTemplateFile(env.Path("tpl") + "/V10.tpl");
  EXPECT_EQ(utf8.Lines, (Lines{"%%%G", "【 あ 】", "SELECT"}));
  const TTemplateFile cp932 = ReadTemplateFile(env.Path("tpl") + "/V9.tpl");
  ASSERT_EQ(cp932.Index.size(), 1u);
  EXPECT_EQ(cp932.Index[0].Name, "い");
  EXPECT_THROW(ReadTemplateFile(env.Path("tpl") + "/missing.tpl"), std::runtime_error);
}

}  // namespace
