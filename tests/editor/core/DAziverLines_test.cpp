#include "editor/core/DAziverLines.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <iterator>

#include "recordingview.h"

namespace {

constexpr int kW = TEditorWrapOption::kMinWrapByte;
// The block size the Windows edition read files in.
constexpr size_t kBlock = 8192;

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

struct TFileCase {
  const char* name;
  std::string bytes;
  std::vector<std::string> rows;
  std::string written;
};

}  // namespace

TEST(LoadFromFile, ReadsAndWritesBackEveryFixture) {
  const std::string wide(12000, 'x');
  const std::string blockLine(kBlock - 1, 'x');
  const std::vector<TFileCase> cases = {
      {"mixed CR, LF and CR LF", "a\rb\nc\r\nd", {"a|0", "b|0", "c|0", "d|2"}, "a\r\nb\r\nc\r\nd"},
      {"CR as byte 8192, LF as byte 8193", blockLine + "\r\nb", {blockLine + "|0", "b|2"}, blockLine + "\r\nb"},
      {"Ctrl-Z ends the file, also inside", "a\r\nb\x1A" "c\r\nd\x1A", {"a|0", "b|2"}, "a\r\nb"},
      {"a NUL is a character", std::string("a\0b\r\nc\r\n", 8), {std::string("a\0b|0", 5), "c|0"},
       std::string("a\0b\r\nc\r\n", 8)},
      {"no final line break", "a\r\nb", {"a|0", "b|2"}, "a\r\nb"},
      {"a final line break adds no row", "a\r\n\r\n", {"a|0", "|0"}, "a\r\n\r\n"},
      {"CP932", "\x91\x49\x91\xf0\r\nselect", {"選択|0", "select|2"}, "選択\r\nselect"},
      {"a 12,000-column line", wide + "\r\n", {wide + "|0"}, wide + "\r\n"},
      {"an empty file", "", {}, ""},
  };
  QTemporaryDir dir;
  const std::string in = dir.filePath("in.sql").toStdString();
  const std::string out = dir.filePath("out.sql").toStdString();
  for (const TFileCase& c : cases) {
    TRecordingView view;
    view.Lines().SetTextStr("old text");
    WriteBytes(in, c.bytes);
    view.Lines().LoadFromFile(in);
    EXPECT_EQ(RowDump(view.List()), c.rows) << c.name;
    EXPECT_FALSE(view.List().UndoObj().CanUndo()) << c.name;
    view.Lines().SaveToFile(out);
    EXPECT_EQ(ReadBytes(out), c.written) << c.name;
  }
}

TEST(LoadFromFile, ANulEndsTheColouringOfItsRowOnly) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("nul.sql").toStdString();
  WriteBytes(path, std::string("a\0'b\r\nselect", 13));
  TRecordingView view;
  view.UseSqlFountain();
  view.BracketsFull = true;
  view.Lines().LoadFromFile(path);
  TEditorScreenStrings& list = view.List();
  const std::unique_ptr<TFountainParser> parser = view.ActiveFountain()->CreateParser();
  EXPECT_EQ(Scan(*parser, list.Get(0), list.RowAttributeData(0)), (std::vector<TTok>{{toAnk, 0, 1}}));
  EXPECT_EQ(Scan(*parser, list.Get(1), list.RowAttributeData(1)), (std::vector<TTok>{{toAnk, 0, 6}}))
      << "the quote after the NUL opens no string";
}

TEST(LoadFromFile, WrapsLongLinesWhenSoftWrapIsOn) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("wide.sql").toStdString();
  const std::string wide(12000, 'x');
  WriteBytes(path, wide + "\r\nend");
  TRecordingView view;
  view.List().WrapOption().SetWrapByte(TEditorWrapOption::kDefaultWrapByte);
  view.List().SetWordWrap(true);
  view.Lines().LoadFromFile(path);
  const int rowsOfWide = 12000 / TEditorWrapOption::kDefaultWrapByte + 1;
  EXPECT_EQ(view.List().GetCount(), rowsOfWide + 1);
  EXPECT_EQ(view.Lines().GetCount(), 2);
  EXPECT_EQ(view.Lines().Get(0), wide);
  EXPECT_EQ(view.Lines().GetTextStr(), wide + "\r\nend");
}

TEST(LoadFromFile, AFileThatCannotBeReadLeavesTheText) {
  TRecordingView view;
  view.Lines().SetTextStr("keep\r\nme");
  EXPECT_THROW(view.Lines().LoadFromFile("/nonexistent/folder/x.sql"), std::runtime_error);
  EXPECT_EQ(view.Lines().GetTextStr(), "keep\r\nme");
  EXPECT_FALSE(view.Updating);
  EXPECT_EQ(view.CaretHides, 0);
}

TEST(EditorStrings, LineOperationsWithoutWrap) {
  TRecordingView view;
  TEditorStrings& lines = view.Lines();
  EXPECT_EQ(lines.Add("one"), 0);
  EXPECT_EQ(lines.Add("two"), 1);
  EXPECT_EQ(lines.GetTextStr(), "one\r\ntwo\r\n");
  lines.SetTextStr("one\r\ntwo");
  EXPECT_EQ(lines.Add("three"), 2);
  EXPECT_EQ(RowDump(view.List()), (std::vector<std::string>{"one|0", "two|0", "three|2"}));
  EXPECT_EQ(view.Offsets.back(), (std::pair<int, int>{1, 10})) << "caret after what was written";

  lines.Put(2, "THREE");
  lines.Put(0, "ONE");
  EXPECT_EQ(lines.GetTextStr(), "ONE\r\ntwo\r\nTHREE") << "the last line keeps having no break";
  lines.Insert(1, "one and a half");
  lines.Insert(4, "four");
  EXPECT_EQ(lines.GetTextStr(), "ONE\r\none and a half\r\ntwo\r\nTHREE\r\nfour");
  lines.Delete(0);
  lines.Delete(3);
  EXPECT_EQ(lines.GetTextStr(), "one and a half\r\ntwo\r\nTHREE\r\n");
  EXPECT_EQ(lines.GetCount(), 3);
  EXPECT_EQ(lines.Get(2), "THREE");
  EXPECT_EQ(view.CaretHides, 0);
  EXPECT_GT(view.SelectionCleans, 0);

  try {
    lines.Get(3);
    FAIL() << "no line 3";
  } catch (const EStringListError& e) {
    EXPECT_STREQ(e.what(), "リストのインデックスが範囲を超えています (3)");
  }
  EXPECT_THROW(lines.Delete(-1), EStringListError);
  EXPECT_THROW(lines.Put(5, "x"), EStringListError);

  lines.Assign({"x", "y"});
  EXPECT_EQ(lines.GetTextStr(), "x\r\ny\r\n");
  EXPECT_EQ(view.Row(), 2);
  EXPECT_EQ(view.Col(), 0);
  lines.Clear();
  EXPECT_EQ(lines.GetCount(), 0);
}

TEST(EditorStrings, LinesAreParagraphsWithWrap) {
  TRecordingView view;
  view.List().WrapOption().SetWrapByte(kW);
  view.List().SetWordWrap(true);
  TEditorStrings& lines = view.Lines();
  const std::string longLine = std::string(kW + 5, 'a');
  lines.SetTextStr("x\r\n" + longLine + "\r\ny");
  EXPECT_EQ(view.List().GetCount(), 4);
  EXPECT_EQ(lines.GetCount(), 3);
  EXPECT_EQ(lines.LineToRow(2), 3);
  EXPECT_EQ(lines.Get(1), longLine);
  lines.Put(1, "short");
  EXPECT_EQ(RowDump(view.List()), (std::vector<std::string>{"x|0", "short|0", "y|2"}));
  lines.Insert(1, longLine);
  EXPECT_EQ(lines.Get(1), longLine);
  lines.Delete(1);
  EXPECT_EQ(lines.GetTextStr(), "x\r\nshort\r\ny");
}

TEST(EditorStrings, UpdateBracketReachesTheViewsOnce) {
  TRecordingView view;
  TRecordingView other(&view.List());
  view.Lines().BeginUpdate();
  EXPECT_TRUE(view.Updating);
  view.Lines().Add("a");
  view.Lines().Add("b");
  EXPECT_TRUE(view.Changes.empty());
  view.Lines().EndUpdate();
  EXPECT_FALSE(view.Updating);
  EXPECT_EQ(view.Changes.size(), 1U);
  EXPECT_EQ(other.Refreshes, 1);
  EXPECT_EQ(view.CaretHides, 0);
}
