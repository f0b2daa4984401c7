#include "sqlwork/fsqllog.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QListWidget>
#include <QSplitter>
#include <QStyle>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <fstream>
#include <functional>

#include <gtest/gtest.h>

#include "app/core/ovreg.h"
#include "app/core/zarur.h"
#include "app/ovforms.h"
#include "editor/ovmemo.h"
#include "tests/platform/temp_settings.h"
#include "tests/platform/whenshown.h"
#include "tests/ui/test_main_window.h"
#include "ui/ovstdctl.h"
#include "ui/zarurctl.h"
#include "ui/ovtoolbar.h"

namespace {

using testing_support::WhenShown;
using Lines = std::vector<std::string>;

constexpr int kEditorFontSize = 15;

class SQLLogDialog : public testing::Test {
 protected:
  SQLLogDialog() : owner(nullptr) {
    AppOption = {};
    AppOption.TempDir = env.Path("work") + "/";
    AppOption.SQLBuf = 32;
    TEditorFont font = main.prop->Font();
    font.Size = kEditorFontSize;
    main.prop->SetFont(font);
    SetControlOptionsWindow(&main);
    QDir().mkpath(QString::fromStdString(AppOption.TempDir));
    const Lines texts[] = {{"SELECT A", "FROM T1"}, {"insert into T2", "values (1)"}, {"select B from T3"}};
    for (const Lines& text : texts) RecordSQLLog(text);  // newest first: T3, T2, T1
    owner.setWindowIcon(QApplication::style()->standardIcon(QStyle::SP_FileIcon));
    owner.setGeometry(120, 90, 700, 500);
    owner.show();
  }
  ~SQLLogDialog() override {
    SetControlOptionsWindow(nullptr);
    SQLLogFiles.clear();
  }

  // Runs `step` on the dialog once it shows and returns ShowSQLLog's result.
  int Run(std::function<void(TfrmSQLLog&)> step) {
    WhenShown<TfrmSQLLog>(std::move(step));
    return ShowSQLLog(&owner);
  }
  static TWindowSize Stored() {
    platform::KeyScope scope(AppRegistry);
    if (!AppRegistry.OpenKeyReadOnly(GuiKey("SQLLOG"))) return {-1, -1};
    return ReadWindowSize(AppRegistry, {-1, -1});
  }
  static QPoint RowCentre(TfrmSQLLog& form, int row) {
    return form.lstSQL->visualItemRect(form.lstSQL->item(row)).center();
  }

  testing_support::TempSettings env;
  TTestMainWindow main;
  TovForm owner;
};

TEST_F(SQLLogDialog, ShowsTheEntriesWithAPreviewAndIsBuiltAsTheFormSays) {
  const int result = Run([](TfrmSQLLog& form) {
    EXPECT_EQ(form.windowTitle().toStdString(), "SQL 一覧");
    EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    ASSERT_EQ(form.lstSQL->count(), 3);
    EXPECT_EQ(form.lstSQL->item(0)->text().toStdString(), "select B from T3");
    EXPECT_EQ(form.lstSQL->item(2)->text().toStdString(), "SELECT A FROM T1");
    EXPECT_EQ(form.lstSQL->visualItemRect(form.lstSQL->item(1)).height(), TfrmSQLLog::kItemHeight);
    EXPECT_EQ(form.lstSQL->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_TRUE(form.txtSQL->ReadOnly());
    EXPECT_EQ(form.txtSQL->Font().Size, kEditorFontSize) << "the user's editor settings";
    EXPECT_EQ(form.btnSelect->text().toStdString(), "選択(&S)");
    EXPECT_EQ(form.btnExit->text().toStdString(), "終了(&X)");
    EXPECT_EQ(form.btnSelect->width(), kTextButtonWidth);
    EXPECT_EQ(form.btnExit->width(), kTextButtonWidth);
    EXPECT_EQ(form.btnUp->toolTip().toStdString(), "上に移動");
    EXPECT_EQ(form.btnDown->toolTip().toStdString(), "下に移動");
    EXPECT_EQ(form.btnDel->toolTip().toStdString(), "削除");
    EXPECT_EQ(form.btnFind->toolTip().toStdString(), "検索");
    EXPECT_FALSE(form.btnUp->icon().isNull());
    EXPECT_EQ(form.windowIcon().cacheKey(), form.parentWidget()->windowIcon().cacheKey());

    QTest::mouseClick(form.lstSQL->viewport(), Qt::LeftButton, {}, RowCentre(form, 1));
    EXPECT_EQ(form.txtSQL->Lines().GetTextStr(), "insert into T2\r\nvalues (1)\r\n");
    EXPECT_FALSE(form.txtSQL->GetUndoObj().CanUndo());
    EXPECT_EQ(form.txtSQL->Row(), 0);
    EXPECT_EQ(form.txtSQL->Col(), 0);
    form.btnExit->click();
  });
  EXPECT_EQ(result, -1);
}

// The search box and its button stay on the bar, not in its overflow; the
// box takes the width the bar gains.
TEST_F(SQLLogDialog, TheSearchBoxAndItsButtonShowAtEveryWidth) {
  Run([](TfrmSQLLog& form) {
    constexpr int kDesignWidth = 560;
    constexpr int kWide = 1000;
    int previous = 0;
    for (int width : {kDesignWidth, kWide}) {
      SCOPED_TRACE(width);
      form.resize(width, form.height());
      QApplication::processEvents();
      EXPECT_TRUE(form.txtFind->isVisible());
      EXPECT_TRUE(form.btnFind->isVisible());
      EXPECT_TRUE(form.tolCmd->rect().contains(form.btnFind->geometry()));
      EXPECT_GT(form.txtFind->width(), previous);
      previous = form.txtFind->width();
    }
    form.close();
  });
}

TEST_F(SQLLogDialog, OpensBesideTheOwnersClientArea) {
  Run([this](TfrmSQLLog& form) {
    const QPoint client = owner.mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(form.pos(), QPoint(client.x() + form.style()->pixelMetric(QStyle::PM_TitleBarHeight), client.y()));
    form.close();
  });
}

TEST_F(SQLLogDialog, ButtonDoubleClickAndEnterChooseTheCurrentEntry) {
  const std::function<void(TfrmSQLLog&)> choices[] = {
      [](TfrmSQLLog& form) { form.btnSelect->click(); },
      [](TfrmSQLLog& form) {
        QTest::mouseDClick(form.lstSQL->viewport(), Qt::LeftButton, {}, RowCentre(form, 1));
      },
      [](TfrmSQLLog& form) { QTest::keyClick(form.lstSQL, Qt::Key_Return); },
  };
  for (size_t i = 0; i < std::size(choices); ++i) {
    SCOPED_TRACE(i);
    const int result = Run([&](TfrmSQLLog& form) {
      QTest::mouseClick(form.lstSQL->viewport(), Qt::LeftButton, {}, RowCentre(form, 1));
      choices[i](form);
    });
    EXPECT_EQ(result, 1);
  }
}

TEST_F(SQLLogDialog, ExitEscapeAndTheTitleBarCloseReturnNoEntry) {
  const std::function<void(TfrmSQLLog&)> endings[] = {
      [](TfrmSQLLog& form) { form.btnExit->click(); },
      [](TfrmSQLLog& form) { QTest::keyClick(form.lstSQL, Qt::Key_Escape); },
      [](TfrmSQLLog& form) { form.close(); },  // the title bar's close box
      [](TfrmSQLLog& form) {
        // 選択 with no current entry, then a click, then the close box.
        form.lstSQL->setCurrentRow(-1);
        form.btnSelect->click();
        ASSERT_TRUE(form.isVisible());
        form.lstSQL->setCurrentRow(2);
        form.close();
      },
  };
  for (size_t i = 0; i < std::size(endings); ++i) {
    SCOPED_TRACE(i);
    const int result = Run([&](TfrmSQLLog& form) {
      form.lstSQL->setCurrentRow(1);
      endings[i](form);
    });
    EXPECT_EQ(result, -1);
  }
}

TEST_F(SQLLogDialog, MovingTwoEntriesWarnsAndMovingOneKeepsItSelected) {
  env.Dialogs().QueueMessage(IDOK);
  const Lines before = SQLLogFiles;
  const int result = Run([&](TfrmSQLLog& form) {
    form.lstSQL->item(0)->setSelected(true);
    form.lstSQL->item(1)->setSelected(true);
    form.btnDown->click();
    ASSERT_EQ(env.Dialogs().messages.size(), 1u);
    EXPECT_EQ(env.Dialogs().messages[0].text, kSQLLogMoveWarning);
    EXPECT_EQ(env.Dialogs().messages[0].flags, static_cast<unsigned>(MB_ICONWARNING));
    EXPECT_EQ(SQLLogFiles, before);

    QTest::mouseClick(form.lstSQL->viewport(), Qt::LeftButton, {}, RowCentre(form, 0));
    form.btnDown->click();
    EXPECT_EQ(form.lstSQL->currentRow(), 1);
    EXPECT_EQ(form.lstSQL->selectedItems().size(), 1);
    EXPECT_TRUE(form.lstSQL->item(1)->isSelected());
    EXPECT_EQ(form.lstSQL->item(1)->text().toStdString(), "select B from T3");
    EXPECT_EQ(form.lstSQL->item(0)->text().toStdString(), "insert into T2 values (1)");
    form.btnSelect->click();
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(SQLLogFiles, (Lines{before[1], before[0], before[2]}));
  EXPECT_EQ(ReadSQLLogEntry(result), (Lines{"select B from T3"}));
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

TEST_F(SQLLogDialog, DeleteKeyRemovesTheSelectedEntries) {
  const Lines before = SQLLogFiles;
  Run([](TfrmSQLLog& form) {
    form.lstSQL->item(0)->setSelected(true);
    form.lstSQL->item(2)->setSelected(true);
    QTest::keyClick(form.lstSQL, Qt::Key_Delete);
    ASSERT_EQ(form.lstSQL->count(), 1);
    EXPECT_EQ(form.lstSQL->item(0)->text().toStdString(), "insert into T2 values (1)");
    form.btnExit->click();
  });
  EXPECT_EQ(SQLLogFiles, Lines{before[1]});
}

// Pixels of the row's rectangle drawn in the mark's blue.
int BluePixels(const QImage& image, const QRect& row) {
  int count = 0;
  for (int y = row.top(); y <= row.bottom(); ++y)
    for (int x = row.left(); x <= row.right(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.blue() > 200 && c.red() < 80 && c.green() < 80) ++count;
    }
  return count;
}

TEST_F(SQLLogDialog, SearchTypedInLowerCaseMarksEntriesInBlue) {
  Run([](TfrmSQLLog& form) {
    form.txtFind->setFocus();
    QTest::keyClicks(form.txtFind, "select");
    EXPECT_EQ(form.txtFind->text().toStdString(), "SELECT");
    QTest::keyClick(form.txtFind, Qt::Key_Return);
    EXPECT_TRUE(form.Marked(0));
    EXPECT_FALSE(form.Marked(1));
    EXPECT_TRUE(form.Marked(2));

    form.lstSQL->clearSelection();
    const QImage image = form.lstSQL->viewport()->grab().toImage();
    const auto row = [&](int r) { return form.lstSQL->visualItemRect(form.lstSQL->item(r)); };
    EXPECT_GT(BluePixels(image, row(0)), 0);
    EXPECT_EQ(BluePixels(image, row(1)), 0);
    EXPECT_GT(BluePixels(image, row(2)), 0);
    form.btnExit->click();
  });
}

TEST_F(SQLLogDialog, SizeIsKeptOnlyInNormalState) {
  Run([](TfrmSQLLog& form) {
    form.resize(640, 480);
    form.btnExit->click();
  });
  EXPECT_EQ(Stored(), (TWindowSize{640, 480}));

  Run([](TfrmSQLLog& form) {
    EXPECT_EQ(form.size(), QSize(640, 480));
    form.showMaximized();
    form.btnExit->click();
  });
  EXPECT_EQ(Stored(), (TWindowSize{640, 480})) << "a maximised dialog leaves the stored size";
}

}  // namespace
