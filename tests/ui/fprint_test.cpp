#include "ui/fprint.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QLabel>
#include <QPalette>
#include <QRegularExpression>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "app/core/fmainactcore.h"
#include "app/core/ovoptions.h"
#include "platform/dialogs.h"
#include "tests/platform/whenshown.h"
#include "ui/fpreview.h"
#include "ui/fsupport.h"
#include "ui/ovprinter.h"
#include "ui/ovstdctl.h"
#include "ui/uiregister.h"
#include "ui/zarurctl.h"
#include "test_main_window.h"

namespace {
using testing_support::WhenShown;

void SelectPdf(TfrmPrint& form) { form.cmbPrinterName->setCurrentIndex(form.cmbPrinterName->count() - 1); }

// The next print dialog prints to the PDF file.
void PrintToPdfWhenShown() {
  WhenShown<TfrmPrint>([](TfrmPrint& form) {
    SelectPdf(form);
    form.btnOk->click();
  });
}

QString RunTool(const QString& program, const QStringList& args) {
  QProcess process;
  process.start(program, args);
  process.waitForFinished();
  return QString::fromUtf8(process.readAllStandardOutput());
}

class Printing : public testing::Test {
 protected:
  void SetUp() override {
    PrintOption = {0, 20, 20, 20, 20, "IPAGothic", 10};
    main.prop->Caret().SetTabSpaceCount(4);
  }
  platform::ScopedScriptedDialogs dialogs;
  QTemporaryDir dir;
  TTestMainWindow main;
};

// Two parts, the second long enough for two pages.
void RenderTwoParts(TfrmPrint&) {
  BeginPrintJob();
  PrintLines("first", {"日本語の本文です。", "\tindented"}, true);
  std::vector<std::string> many(80, "line of the second part");
  PrintLines("second", many, true);
  EndPrintJob();
}
}  // namespace

TEST_F(Printing, PrintsAPdfThroughTheDialog) {
  const QString path = dir.filePath("out.pdf");
  dialogs->QueueFile(path.toStdString());
  PrintToPdfWhenShown();
  PrintWithDialog("Report", RenderTwoParts);
  ASSERT_EQ(dialogs->files.size(), 1u);
  const QString info = RunTool("pdfinfo", {path});
  EXPECT_TRUE(info.contains(QRegularExpression("Pages:\\s+3\\b"))) << info.toStdString();
  EXPECT_TRUE(info.contains(QRegularExpression("Title:\\s+ORV - Report"))) << info.toStdString();
  const QStringList pages = RunTool("pdftotext", {"-layout", path, "-"}).split('\f');
  ASSERT_GE(pages.size(), 3);
  EXPECT_TRUE(pages[0].contains("日本語の本文です。")) << pages[0].toStdString();
  EXPECT_TRUE(pages[0].contains("first"));
  EXPECT_TRUE(pages[0].contains(QRegularExpression("\\n\\s*1\\s*$"))) << pages[0].toStdString();
  EXPECT_TRUE(pages[2].contains(QRegularExpression("\\n\\s*2\\s*$"))) << pages[2].toStdString();
  EXPECT_EQ(PrintOption.FontSize, 10);
}

TEST_F(Printing, TheDialogRefusesTooManyCopiesAndABadFontSize) {
  struct Case {
    QString copies, size, message;
  } cases[] = {{"1000", "10", "印刷部数の値を小さくして下さい。"},
               {"1", "0", "フォントサイズには1以上の数値を入力して下さい。"},
               {"1", "", "フォントサイズには1以上の数値を入力して下さい。"}};
  for (const Case& c : cases) {
    dialogs->messages.clear();
    TfrmPrint form(nullptr, "x");
    form.ShowSettings();
    SelectPdf(form);
    form.txtCopies->setText(c.copies);
    form.txtFontSize->setText(c.size);
    form.btnOk->click();
    if (c.copies == "1") form.btnPreview->click();
    ASSERT_EQ(dialogs->messages.size(), c.copies == "1" ? 2u : 1u);
    EXPECT_EQ(QString::fromStdString(dialogs->messages[0].text), c.message);
    EXPECT_EQ(form.result(), 0);
  }
}

// Margins that leave no body would make the job loop without end.
TEST_F(Printing, TheDialogRefusesMarginsThatLeaveNoBody) {
  const QString refused = "余白が大きすぎて印刷する範囲がありません。余白を小さくして下さい。";
  struct Case {
    int left, right, top, bottom;
    bool landscape, accepted;
  } cases[] = {{130, 130, 20, 20, false, false}, {130, 130, 20, 20, true, true}, {20, 20, 150, 150, false, false},
               {999, 0, 0, 0, false, false},     {-999, -999, -999, -999, false, true}, {20, 20, 20, 20, false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.left << " " << c.right << " " << c.top << " " << c.bottom << " " << c.landscape);
    dialogs->messages.clear();
    TfrmPrint form(nullptr, "x");
    form.ShowSettings();
    SelectPdf(form);
    (c.landscape ? form.rdoLandscape : form.rdoPortrait)->setChecked(true);
    form.txtLeftMargin->SetInteger(c.left);
    form.txtRightMargin->SetInteger(c.right);
    form.txtTopMargin->SetInteger(c.top);
    form.txtBottomMargin->SetInteger(c.bottom);
    form.btnPreview->click();
    if (c.accepted) {
      EXPECT_TRUE(dialogs->messages.empty());
      EXPECT_EQ(form.result(), QDialog::Accepted);
      continue;
    }
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(QString::fromStdString(dialogs->messages[0].text), refused);
    EXPECT_EQ(form.result(), 0);
    form.btnOk->click();
    EXPECT_EQ(dialogs->messages.size(), 2u);
  }
}

TEST_F(Printing, CollateIsOfferedAboveOneCopyAndTheRangeOnlyWhenChosen) {
  TfrmPrint form(nullptr, "x");
  EXPECT_FALSE(form.chkCollate->isEnabled());
  form.txtCopies->setText("2");
  EXPECT_TRUE(form.chkCollate->isEnabled());
  EXPECT_FALSE(form.txtRangeFrom->isEnabled());
  form.rdoRangeSelect->setChecked(true);
  EXPECT_TRUE(form.txtRangeTo->isEnabled());
}

TEST_F(Printing, PreviewZoomsInStepsHidesTheMainWindowAndPrintsFromTheDialog) {
  main.show();
  const QPoint place(123, 77);
  main.move(place);
  const QRect before = main.frameGeometry();
  const QString path = dir.filePath("preview.pdf");
  dialogs->QueueFile(path.toStdString());
  bool hidden = false;
  WhenShown<TfrmPrint>([&](TfrmPrint& form) {
    SelectPdf(form);
    form.btnPreview->click();
    WhenShown<TfrmPreview>([&](TfrmPreview& preview) {
      hidden = !main.isVisible();
      preview.move(place + QPoint(40, 30));  // the user moves the preview
      EXPECT_FALSE(preview.actPrevPage->isEnabled());
      EXPECT_TRUE(preview.actNextPage->isEnabled());
      for (int i = 0; i < 4; ++i) preview.actZoomUp->trigger();
      EXPECT_DOUBLE_EQ(preview.State().Zoom(), 2.0);
      EXPECT_FALSE(preview.actZoomUp->isEnabled());
      for (int i = 0; i < 6; ++i) preview.actZoomDown->trigger();
      EXPECT_DOUBLE_EQ(preview.State().Zoom(), 0.5);
      EXPECT_FALSE(preview.actZoomDown->isEnabled());
      EXPECT_FALSE(preview.imgPreview->pixmap().isNull());
      preview.actPrint->trigger();
      PrintToPdfWhenShown();
    });
  });
  PrintWithDialog("Preview", RenderTwoParts);
  EXPECT_TRUE(hidden);
  EXPECT_TRUE(main.isVisible());
  EXPECT_EQ(main.frameGeometry(), before) << "the main window reappears where it was";
  EXPECT_TRUE(QFileInfo::exists(path));
}

// A job begun before any dialog described the printer lays out on the
// printer itself: short lines take one page, each line one row.
TEST_F(Printing, AJobBegunWithoutTheDialogLaysOutOnThePrinter) {
  BeginPrintJob();
  PrintLines("t", {"CREATE TABLE S.T", "(A INTEGER)"}, true);
  EndPrintJob();
  ASSERT_EQ(PrintData().PageCount(), 1);
  std::vector<std::string> texts;
  for (const TPrintItem& item : PrintData().Pages(0).Items) texts.push_back(item.Text);
  EXPECT_EQ(texts, (std::vector<std::string>{"t", "1", "CREATE TABLE S.T", "(A INTEGER)"}));
  EXPECT_GT(Printer().PageWidth(), 0);
}

TEST_F(Printing, TabsReachTheTabWidthOfTheEditorSettings) {
  const struct {
    int width;
    std::string row;
  } cases[] = {{2, "a x"}, {4, "a   x"}, {8, "a       x"}};
  SetPrinterIndex(static_cast<int>(PrinterNames().size()) - 1);
  RefreshPrinter();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width);
    main.prop->Caret().SetTabSpaceCount(c.width);
    BeginPrintJob();
    PrintLines("tabs", {"a\tx"}, true);
    EndPrintJob();
    ASSERT_GE(PrintData().PageCount(), 1);
    std::vector<std::string> texts;
    for (const TPrintItem& item : PrintData().Pages(0).Items)
      if (item.Kind == TPrintItemKind::Text) texts.push_back(item.Text);
    EXPECT_NE(std::find(texts.begin(), texts.end(), c.row), texts.end()) << testing::PrintToString(texts);
  }
}

TEST_F(Printing, SupportWindowCopiesItsReportAndIsRegisteredForTheHelpMenu) {
  ClearActionHandlers();
  SetPrintOwner(nullptr);
  RegisterUi(main);
  EXPECT_NE(ActionHandler("actHelpSupport"), nullptr);
  EXPECT_EQ(PrintOwner(), &main);
  ClearActionHandlers();
  SetControlOptionsWindow(nullptr);  // the test's window goes with the test

  std::vector<std::string> report = SupportReport();
  ASSERT_GE(report.size(), 7u);
  EXPECT_EQ(report[2], "  プログラムのパス   : " + QCoreApplication::applicationFilePath().toStdString());
  TfrmSupport form(nullptr, report);
  form.actCopy->trigger();
  EXPECT_TRUE(QApplication::clipboard()->text().startsWith("【Orvanto情報】\n  バージョン         : 1.0.0"));
  ASSERT_EQ(dialogs->messages.size(), 1u);
  EXPECT_EQ(dialogs->messages[0].text, "クリップボードに出力しました。");
}

TEST_F(Printing, SupportPrintsItsReportAndReportsAFailure) {
  TfrmSupport form(nullptr, {"【Orvanto情報】", "  OS                 : テスト"});
  const QString path = dir.filePath("support.pdf");
  struct Case {
    QString path;
    bool written;
  } cases[] = {{path, true}, {dir.filePath("missing/folder/x.pdf"), false}};
  for (const Case& c : cases) {
    dialogs->messages.clear();
    dialogs->QueueFile(c.path.toStdString());
    PrintToPdfWhenShown();
    form.actPrint->trigger();
    EXPECT_EQ(QFileInfo::exists(c.path), c.written);
    EXPECT_EQ(dialogs->messages.size(), c.written ? 0u : 1u);
  }
  const QString text = RunTool("pdftotext", {path, "-"});
  EXPECT_TRUE(text.contains("サポート情報")) << text.toStdString();
  EXPECT_TRUE(text.contains("テスト")) << text.toStdString();
}

namespace {
// A black square one inch wide at the body's top left, and a line across
// the body below it, recorded in printer pixels.
void RecordSquare() {
  BeginPrintJob();
  const int inch = Printer().ResolutionY();
  TPrintCanvas& canvas = PrintData().Canvas();
  canvas.Brush.Color = kPrintBlack;
  canvas.Rectangle({0, 0, inch, inch});
  canvas.Pen.Width = inch / 10;
  canvas.Line(0, 2 * inch, 3 * inch, 2 * inch);
  EndPrintJob();
}

bool IsDark(QRgb pixel) { return qGray(pixel) < 64; }
bool IsLight(QRgb pixel) { return qGray(pixel) > 192; }
}  // namespace

TEST_F(Printing, ThePreviewReplaysThePageScaledFromPrinterPixels) {
  SetPrinterIndex(static_cast<int>(PrinterNames().size()) - 1);
  RefreshPrinter();
  RecordSquare();
  const TovPrinter& p = Printer();
  const int inch = p.ResolutionY();
  const double left = 50 + std::max(p.MMToPixelX(PrintOption.LeftMargin), p.OffsetLeft());
  const double top = 50 + std::max(p.MMToPixelY(PrintOption.TopMargin), p.OffsetTop());
  TfrmPreview preview(&main);
  int width = 0;
  for (int step = 0; step < 2; ++step) {
    preview.DrawPage();
    const QImage image = preview.imgPreview->pixmap().toImage();
    const double scale = static_cast<double>(image.width()) / (p.PhysicalWidth() + 150);
    auto at = [&](double x, double y) { return image.pixel(qRound(x * scale), qRound(y * scale)); };
    EXPECT_TRUE(IsDark(at(left + inch / 2, top + inch / 2)));
    EXPECT_TRUE(IsLight(at(left + inch * 3 / 2, top + inch / 2)));
    EXPECT_TRUE(IsLight(at(left + inch / 2, top + inch * 3 / 2)));
    EXPECT_TRUE(IsDark(at(left + inch, top + 2 * inch)));  // the wide pen's line
    EXPECT_EQ(at(25, 25), QApplication::palette().color(QPalette::Button).rgb());
    EXPECT_EQ(at(50 + p.PhysicalWidth() + 25, p.PhysicalHeight() / 2), qRgb(0x80, 0x80, 0x80));
    if (step == 0) {
      width = image.width();
      preview.actZoomUp->trigger();
      preview.actZoomUp->trigger();
    } else {
      EXPECT_NEAR(image.width(), width * 1.5, 1);
    }
  }
}

TEST_F(Printing, PensAndBrushesReachThePrintedPage) {
  const QString path = dir.filePath("square.pdf");
  dialogs->QueueFile(path.toStdString());
  PrintToPdfWhenShown();
  PrintWithDialog("Square", [](TfrmPrint&) { RecordSquare(); });
  constexpr int kDpi = 50;
  RunTool("pdftoppm", {"-r", QString::number(kDpi), "-png", "-singlefile", path, dir.filePath("square")});
  const QImage image(dir.filePath("square.png"));
  ASSERT_FALSE(image.isNull());
  const double margin = PrintOption.LeftMargin / 25.4 * kDpi;
  auto at = [&](double inchX, double inchY) {
    return image.pixel(qRound(margin + inchX * kDpi), qRound(margin + inchY * kDpi));
  };
  EXPECT_TRUE(IsDark(at(0.5, 0.5)));
  EXPECT_TRUE(IsLight(at(1.5, 0.5)));
  EXPECT_TRUE(IsDark(at(1.0, 2.0)));
  EXPECT_TRUE(IsLight(at(1.0, 1.5)));
}
