// editor_bench: opening and colouring a large SQL file in the editor's row
// list, side by side with QScintilla and its SQL lexer.
//
//   editor_bench [MEGABYTES] [--scale N]      (default 20 MB)
//
// Generates an SQL file (statements, line and block comments, quoted
// strings with Japanese text, some lines over 10,000 columns; fixed seed).
// Ours: LoadFromFile into a row list, then the whole text coloured: every
// row's state, and every row's tokens and colours as the painter asks for
// them. Anchor: the same file into a QsciScintilla with QsciLexerSQL, the
// whole document styled (SCI_COLOURISE 0 to -1); soft wrap at 80 columns
// beside it, and both shown with their first paint, warm (in this process)
// and cold (each run a fresh process of this program, which prints its
// time and its peak resident memory). The two sides run in turns, the warm
// ones after one warm-up run each; prints the medians, their ratio and the
// peak memory of each side.
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <Qsci/qsciscintilla.h>
#include <Qsci/qscilexersql.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_harness.h"
#include "editor/DAziver.h"
#include "editor/core/DAziverLines.h"
#include "editor/core/DAziverMapping.h"
#include "editor/core/DAziverOptions.h"

namespace {

constexpr int kDefaultMegabytes = 20;
constexpr size_t kMegabyte = 1024 * 1024;
constexpr unsigned kSeed = 23;
constexpr int kWrapColumns = 80;
// One line in this many is a wide one of kWideMin..kWideMax columns.
constexpr int kWideLineEvery = 2000;
constexpr int kWideMin = 10000;
constexpr int kWideMax = 12000;
// The view's screen for the state scan.
constexpr int kRowHeight = 16;
constexpr int kScreenHeight = 800;

const char* const kReserved[] = {"ALTER", "AND",   "AS",    "BY",     "CREATE", "DELETE", "DISTINCT", "DROP",
                                  "FROM",  "GROUP", "IN",    "INSERT", "INTO",   "IS",     "JOIN",     "LIKE",
                                  "NOT",   "NULL",  "ON",    "OR",     "ORDER",  "SELECT", "SET",      "TABLE",
                                  "UNION", "UPDATE", "VALUES", "VIEW",  "WHERE",  "WITH"};
const char* const kJapanese[] = {"日本語のテキスト", "東京都千代田区", "カタカナ", "ひらがなのみ", "全角　空白", "検索条件"};

// Generates the script: a mix of statements, comments and strings.
std::string GenerateScript(size_t bytes) {
  std::mt19937 random(kSeed);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  auto japanese = [&] { return std::string(kJapanese[pick(std::size(kJapanese))]); };
  std::string text;
  text.reserve(bytes + kMegabyte);
  int line = 0;
  while (text.size() < bytes) {
    ++line;
    const int table = pick(1000);
    if (line % kWideLineEvery == 0) {
      std::string wide = "SELECT * FROM T" + std::to_string(table) + " WHERE ID IN (";
      const size_t width = static_cast<size_t>(kWideMin + pick(kWideMax - kWideMin));
      while (wide.size() < width) wide += std::to_string(pick(100000)) + ", ";
      text += wide + "0);\r\n";
      continue;
    }
    switch (pick(6)) {
      case 0:
        text += "-- " + japanese() + " line comment " + std::to_string(line) + "\r\n";
        break;
      case 1:
        text += "/* block comment " + japanese() + "\r\n   continues here\r\n*/\r\n";
        break;
      case 2:
        text += "INSERT INTO T" + std::to_string(table) + " (ID, NAME) VALUES (" + std::to_string(line) + ", '" +
                japanese() + " it''s " + std::to_string(pick(99)) + "');\r\n";
        break;
      case 3:
        text += "UPDATE \"Schema\".T" + std::to_string(table) + " SET AMOUNT = AMOUNT * 1.05E2 WHERE NAME LIKE '%" +
                japanese() + "%';\r\n";
        break;
      default:
        text += "SELECT A.ID, B.NAME FROM T" + std::to_string(table) + " A JOIN U" + std::to_string(pick(50)) +
                " B ON A.ID = B.ID\r\n  WHERE A.FLAG = 1 AND B.CODE <> 'X' -- " + japanese() + "\r\n  ORDER BY 1;\r\n";
        break;
    }
  }
  return text;
}

// The editor control as the row list needs it for loading and colouring.
class TBenchView : public TEditorView {
 public:
  explicit TBenchView(bool wrap) : FList(TEditorScreenStrings::Create(*this)), FLines(*this) {
    FInfo = Make<TEditorViewInfo>();
    TEditorFountain& fountain = FInfo->Fountain();
    fountain.SetCommenter("--");
    fountain.SetQuotation("'");
    fountain.SetDoubleQuotation("\"");
    TFountainBracketItem* comment = fountain.Brackets().Add();
    comment->SetLeftBracket("/*");
    comment->SetRightBracket("*/");
    fountain.SetReserveWordList({std::begin(kReserved), std::end(kReserved)});
    FList->WrapOption().SetWrapByte(kWrapColumns);
    FList->SetWordWrap(wrap);
  }
  ~TBenchView() override { FList->DetacdAziver(*this); }
  TEditorStrings& Lines() { return FLines; }

  int Row() const override { return 0; }
  int Col() const override { return 0; }
  void SetRow(int) override {}
  void SetCol(int) override {}
  int TopRow() const override { return 0; }
  void SetTopRow(int) override {}
  void MoveCaretToOffset(int, int) override {}
  void CaretHide() override {}
  void CaretShow() override {}
  void CaretBeginUpdate() override {}
  void CaretEndUpdate() override {}
  void CaretMoved() override {}
  void CleanSelection() override {}
  bool Focused() const override { return true; }
  bool Loading() const override { return false; }
  void SetLinesUpdating(bool) override {}
  void InvalidateRow(int) override {}
  void Refresh() override {}
  void DoChange() override {}
  int RowHeight() const override { return kRowHeight; }
  int ScreenHeight() const override { return kScreenHeight; }
  TFountain* ActiveFountain() override { return &FInfo->Fountain(); }
  // The control's default: the load computes the states of one screen, the
  // colouring the rest as it goes.
  bool InitBracketsFull() const override { return false; }
  const TDelimiters& Delimiters() const override { return DefaultDelimiters(); }
  int TabSpaceCount() const override { return kDefaultTabSpaceCount; }
  TEditorScreenStrings& ScreenStrings() override { return *FList; }

 private:
  std::unique_ptr<TEditorViewInfo> FInfo;
  TEditorScreenStrings* FList;
  TEditorStrings FLines;
};

// Loads and colours the file; returns a sum over the colours so that no
// work can be skipped.
size_t OursOnce(const std::string& path, bool wrap) {
  TBenchView view(wrap);
  view.Lines().LoadFromFile(path);
  TEditorScreenStrings& rows = view.ScreenStrings();
  const std::unique_ptr<TFountainParser> parser = view.ActiveFountain()->CreateParser();
  size_t sum = 0;
  // The rows are read as a pass over the text reads them, without keeping cells.
  TCellString scratch;
  std::vector<TRowToken> tokens;
  for (int row = 0; row < rows.GetCount(); ++row) {
    ScanRowTokens(rows, row, DisplayText(rows, row, scratch), *parser, tokens);
    for (const TRowToken& token : tokens) {
      sum += static_cast<size_t>(token.Kind) + static_cast<size_t>(token.Length) +
             (token.Color != nullptr ? token.Color->Color() & 1 : 0);
    }
  }
  return sum + static_cast<size_t>(rows.GetCount());
}

size_t AnchorOnce(const std::string& path) {
  QsciScintilla editor;
  QsciLexerSQL lexer;
  editor.setUtf8(true);
  editor.setLexer(&lexer);
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return 0;
  const QByteArray data = file.readAll();
  editor.SendScintilla(QsciScintillaBase::SCI_SETUNDOCOLLECTION, 0UL);
  editor.SendScintilla(QsciScintillaBase::SCI_SETTEXT, 0UL, data.constData());
  editor.SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0UL, -1L);
  const long length = editor.SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
  const long styled = editor.SendScintilla(QsciScintillaBase::SCI_GETENDSTYLED);
  return static_cast<size_t>(styled == length ? length : 0);
}

// The size both shown editors get for their first paint.
constexpr int kShownWidth = 800;
constexpr int kShownHeight = 600;

// The file opened in a shown control and its first paint, as a user sees it.
size_t OursShownOnce(const std::string& path) {
  TEditor editor;
  editor.resize(kShownWidth, kShownHeight);
  editor.show();
  editor.Lines().LoadFromFile(path);
  editor.viewport()->repaint();
  return static_cast<size_t>(editor.ScreenStrings().GetCount());
}

size_t AnchorShownOnce(const std::string& path) {
  QsciScintilla editor;
  QsciLexerSQL lexer;
  editor.setUtf8(true);
  editor.setLexer(&lexer);
  editor.resize(kShownWidth, kShownHeight);
  editor.show();
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return 0;
  const QByteArray data = file.readAll();
  editor.SendScintilla(QsciScintillaBase::SCI_SETUNDOCOLLECTION, 0UL);
  editor.SendScintilla(QsciScintillaBase::SCI_SETTEXT, 0UL, data.constData());
  editor.viewport()->repaint();
  return static_cast<size_t>(editor.SendScintilla(QsciScintillaBase::SCI_GETLENGTH));
}

// A side whose runs also keep the most the process's peak resident memory
// grew in one; a run that did no work stops the benchmark.
bench::TSide Side(const std::string& name, const std::function<size_t()>& once, double megabytes, double& grown) {
  return {name,
          [once, &grown] {
            const long before = bench::ResidentBytes();
            bench::ResetPeakResident();
            size_t work = 0;
            const double seconds = bench::Seconds([&] { work = once(); });
            if (work == 0) {
              std::fprintf(stderr, "editor_bench: a run did no work\n");
              std::exit(1);
            }
            grown = std::max(grown, static_cast<double>(bench::PeakResidentBytes() - before));
            return seconds;
          },
          megabytes};
}

// Both sides warmed once (the first run of a process also pays for taking
// its memory from the system), then compared.
void ComparePeaks(const bench::TOptions& options, const std::string& label, const std::string& oursName,
                  const std::function<size_t()>& ours, const std::string& anchorName,
                  const std::function<size_t()>& anchor, double megabytes, const std::string& goal) {
  ours();
  anchor();
  double oursGrown = 0;
  double anchorGrown = 0;
  bench::Compare(options, label, Side(oursName, ours, megabytes, oursGrown),
                 Side(anchorName, anchor, megabytes, anchorGrown), "MB", goal);
  std::printf("    peak memory grown: ours %.1f MB, anchor %.1f MB, ratio %.2f\n", bench::Megabytes(oursGrown),
              bench::Megabytes(anchorGrown), anchorGrown > 0 ? oursGrown / anchorGrown : 0.0);
}

// A fresh process's run: `kColdOption` SIDE FILE shows the file in one
// side's editor and prints the time and the process's peak resident size.
constexpr char kColdOption[] = "--cold";
constexpr char kOursSide[] = "ours";
constexpr char kAnchorSide[] = "anchor";

int ColdRun(const std::string& side, const std::string& path) {
  size_t work = 0;
  const double seconds =
      bench::Seconds([&] { work = side == kOursSide ? OursShownOnce(path) : AnchorShownOnce(path); });
  std::printf("%.9f %ld\n", seconds, bench::PeakResidentBytes());
  return work != 0 ? 0 : 1;
}

// One cold run of a side in a fresh process: its seconds; `peak` keeps the
// largest peak resident size seen.
double RunCold(const char* side, const std::string& path, double& peak) {
  QProcess child;
  child.start(QCoreApplication::applicationFilePath(), {kColdOption, side, QString::fromStdString(path)});
  child.waitForFinished(-1);
  double seconds = 0;
  long peakBytes = 0;
  if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0 ||
      std::sscanf(child.readAllStandardOutput().constData(), "%lf %ld", &seconds, &peakBytes) != 2) {
    std::fprintf(stderr, "editor_bench: a cold run of %s failed\n", side);
    std::exit(1);
  }
  peak = std::max(peak, static_cast<double>(peakBytes));
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  const bench::TOptions options = bench::ParseOptions(argc, argv);
  QApplication app(argc, argv);
  if (argc == 4 && std::string(argv[1]) == kColdOption) return ColdRun(argv[2], argv[3]);
  const int megabytes = (argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultMegabytes) * options.Scale;
  QTemporaryDir dir;
  const std::string path = dir.filePath("bench.sql").toStdString();
  {
    const std::string script = GenerateScript(static_cast<size_t>(megabytes) * kMegabyte);
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly) || file.write(script.data(), static_cast<qint64>(script.size())) < 0) {
      std::fprintf(stderr, "editor_bench: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  std::printf("editor_bench: %d MB SQL file\n", megabytes);
  const auto size = static_cast<double>(megabytes);
  const auto anchor = [&] { return AnchorOnce(path); };
  ComparePeaks(options, "load and colour, soft wrap off", "ours", [&] { return OursOnce(path, false); },
               "QScintilla + QsciLexerSQL", anchor, size, "<= 0.5");
  ComparePeaks(
      options, "load and colour, soft wrap at " + std::to_string(kWrapColumns) + " columns", "ours",
      [&] { return OursOnce(path, true); }, "QScintilla + QsciLexerSQL", anchor, size, "<= 0.5");
  ComparePeaks(
      options, "shown, first paint, warm", "TEditor", [&] { return OursShownOnce(path); }, "QsciScintilla",
      [&] { return AnchorShownOnce(path); }, size, "");
  double oursPeak = 0;
  double anchorPeak = 0;
  bench::Compare(options, "shown, first paint, cold",
                 {"TEditor", [&] { return RunCold(kOursSide, path, oursPeak); }, size},
                 {"QsciScintilla", [&] { return RunCold(kAnchorSide, path, anchorPeak); }, size}, "MB");
  std::printf("    peak memory of the process: ours %.1f MB, anchor %.1f MB, ratio %.2f  goal <= 0.5\n",
              bench::Megabytes(oursPeak), bench::Megabytes(anchorPeak), oursPeak / anchorPeak);
  return 0;
}
