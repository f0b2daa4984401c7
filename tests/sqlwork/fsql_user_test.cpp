// The SQL window as a new user meets it: runs, results, the bind grid and
// the status bar, driven through the shown window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QTest>

#include <string>

#include "app/core/zarur.h"
#include "sqlwork/fsql.h"
#include "tests/sqlwork/sqlwindow_fixture.h"
#include "ui/rdata.h"

namespace {

using testing_sqlwork::SQLWindow;

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
  int Count() const { return count_; }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++count_;
    return false;
  }

 private:
  int count_ = 0;
};

// Rows enough that a paint per row shows against the pace.
constexpr int kManyRows = 20000;

TEST_F(SQLWindow, CopyingALargeResultDrawsItsProgressAtMostTenTimesASecond) {
  TfrmObject* connection = Logon();
  connection->ExecSQL("CREATE SCHEMA S");
  connection->ExecSQL("CREATE TABLE S.T (A INTEGER)");
  connection->ExecSQL("INSERT INTO S.T WITH RECURSIVE N(A) AS (SELECT 1 UNION ALL SELECT A + 1 FROM N WHERE A < " +
                      std::to_string(kManyRows) + ") SELECT A FROM N");
  connection->ExecSQL("COMMIT");
  TfrmSQL* form = OpenFromMain();
  SetText(*form, "SELECT A FROM S.T");
  form->actExec->trigger();
  ASSERT_TRUE(form->fraData->cdsData.Active());
  AppOption.PasteDialog = false;

  PaintCounter paints(main->StatusPanel(kStatusMessagePanel));
  env.Dialogs().QueueMessage(IDOK);
  QElapsedTimer clock;
  clock.start();
  form->fraData->btnCopy->trigger();
  const qint64 elapsed = clock.elapsed();
  EXPECT_EQ(Boxes().back(), "クリップボードに出力しました。");
  EXPECT_EQ(QApplication::clipboard()->text().count('\n'), kManyRows + 1) << "the rows and their titles";
  // The reset, the first and the last count besides one per interval.
  constexpr int kAlwaysDrawn = 3;
  EXPECT_LE(paints.Count(), elapsed / kProgressPaceMillis + kAlwaysDrawn) << elapsed << " ms";
}

}  // namespace
