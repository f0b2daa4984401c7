#include "admin/fdb.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "app/core/ovoptions.h"
#include "standin/symfoware/catalogue.h"
#include "tests/admin/admin_fixture.h"
#include "ui/ovcomctrls.h"
#include "ui/ovgrid.h"
#include "ui/ovstdctl.h"

namespace {

using testing_admin::Lines;

class DatabaseInformation : public testing_admin::AdminProgram {
 protected:
  DatabaseInformation() { DbOption = {}; }
  ~DatabaseInformation() override { DbOption = {}; }

  static Lines Values(TovStringGrid& grid) {
    Lines values;
    for (int row = 0; row < grid.RowCount(); ++row) values.push_back(grid.Cells(1, row));
    return values;
  }
  static Lines Names(TovListView& list) {
    Lines names;
    for (int i = 0; i < list.topLevelItemCount(); ++i) names.push_back(list.topLevelItem(i)->text(0).toStdString());
    return names;
  }
  static Lines Node(QTreeWidgetItem* item) {
    auto* node = static_cast<TovTreeNode*>(item);
    Lines texts{node->text(0).toStdString()};
    for (int i = 0; i < node->SubItemCount(); ++i) texts.push_back(node->SubItem(i).toStdString());
    return texts;
  }
  // The sample's catalogue without its level-10 probe row: a level-9 server.
  void LowerTheSampleToLevel9() {
    const QString path = QString::fromStdString(symfoware::SchemaFilePath(sample.Folder(), symfoware::kCatalogueSchema));
    {
      QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "level9");
      db.setDatabaseName(path);
      ASSERT_TRUE(db.open());
      QSqlQuery q(db);
      ASSERT_TRUE(q.exec("DELETE FROM RDBII_TABLE WHERE TABLE_NAME = 'RDBII_TABLE_EX'"));
    }
    QSqlDatabase::removeDatabase("level9");
  }
  std::string Folder() const { return sample.Folder(); }
};

TEST_F(DatabaseInformation, TheSampleServerFromTheCatalogue) {
  Logon();
  TfrmDB* form = OpenFromMenu<TfrmDB>("actAdminDatabase");
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->windowTitle().toStdString(), "データベース情報 - ORVUSER @ ORVSAMPLE");
  EXPECT_EQ(Values(*form->grdCore), (Lines{"", "", "", ""}));  // nothing read without a file

  form->txtRdbFile->setText(QString::fromStdString(Folder() + "/rdb.cfg"));
  form->btnRdbShow->click();
  EXPECT_EQ(form->grdBuffer->Cells(0, 0), "共用バッファメモリ量(MB)");
  EXPECT_EQ(Values(*form->grdBuffer), (Lines{"7.8"}));
  EXPECT_EQ(Values(*form->grdCore), (Lines{Folder() + "/core", "1", Folder() + "/report", "2097152"}));
  EXPECT_EQ(Values(*form->grdMemory), (Lines{"0xdb", "13208", "256"}));
  EXPECT_EQ(Values(*form->grdIO), (Lines{"32", "32"}));
  EXPECT_EQ(DbOption.RdbFile, Folder() + "/rdb.cfg");
  // The selection shows only in the grid that has the focus.
  const auto highlight = [](TovStringGrid& grid) { return grid.palette().color(QPalette::Active, QPalette::Highlight); };
  form->grdCore->setFocus();
  QCoreApplication::processEvents();
  EXPECT_NE(highlight(*form->grdCore), form->grdCore->palette().color(QPalette::Active, QPalette::Base));
  EXPECT_EQ(highlight(*form->grdIO), form->grdIO->palette().color(QPalette::Active, QPalette::Base));
  form->grdIO->setFocus();
  QCoreApplication::processEvents();
  EXPECT_EQ(highlight(*form->grdCore), form->grdCore->palette().color(QPalette::Active, QPalette::Base));

  form->pagDB->setCurrentWidget(form->tabParam);
  EXPECT_FALSE(form->pnlSettei->isVisible());
  EXPECT_EQ(Names(*form->lstParameter), (Lines{"CHOOSE_TID_UNION", "DEFAULT_INDEX_SIZE"}));
  QTest::keyClicks(form->txtFind, "tid");
  EXPECT_EQ(form->txtFind->text().toStdString(), "TID");
  QTest::keyClick(form->txtFind, Qt::Key_Return);
  EXPECT_EQ(Names(*form->lstParameter), (Lines{"CHOOSE_TID_UNION"}));
  form->lstParameter->setFocus();
  form->lstParameter->setCurrentItem(form->lstParameter->topLevelItem(0));
  QTest::keyClick(form->lstParameter, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "CHOOSE_TID_UNION\tYES");

  form->pagDB->setCurrentWidget(form->tabLogFile);
  ASSERT_EQ(form->lstLogFile->topLevelItemCount(), 1);
  QTreeWidgetItem* group = form->lstLogFile->topLevelItem(0);
  EXPECT_EQ(Node(group), (Lines{"SYSTEM", "", "", "ACTIVE"}));
  EXPECT_EQ(group->foreground(0).color(), QColor(255, 0, 0));
  ASSERT_EQ(group->childCount(), 3);
  EXPECT_EQ(Node(group->child(0)), (Lines{"/var/symfoware/log/ai", "    10,240.0", "     8,192.0", ""}));
  EXPECT_EQ(Node(group->child(2)), (Lines{"/var/symfoware/log/index", "", "", ""}));
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

TEST_F(DatabaseInformation, FileErrorsKeepThePageAsFarAsItGot) {
  Logon();
  TfrmDB* form = OpenFromMenu<TfrmDB>("actAdminDatabase");
  ASSERT_NE(form, nullptr);
  struct Case {
    std::string file;
    std::string message;
  } cases[] = {
      {Folder() + "/none.cfg", "RDB構成ファイルの指定が正しくありません"},
      {Folder() + "/rdb.env", "RDB構成ファイルではありません"},
  };
  for (const Case& c : cases) {
    env.Dialogs().messages.clear();
    form->txtRdbFile->setText(QString::fromStdString(c.file));
    form->btnRdbShow->click();
    EXPECT_EQ(Boxes(), (Lines{c.message})) << c.file;
  }
  EXPECT_EQ(DbOption.RdbFile, "");

  // Without its buffer file the values read stay and no defaults come.
  QFile::remove(QString::fromStdString(Folder() + "/rdbbuf"));
  env.Dialogs().messages.clear();
  form->txtRdbFile->setText(QString::fromStdString(Folder() + "/rdb.cfg"));
  form->btnRdbShow->click();
  EXPECT_EQ(Boxes(), (Lines{"RDB情報ファイルが見つかりませんでした。"}));
  EXPECT_EQ(Values(*form->grdMemory), (Lines{"", "", "256"}));

  // A buffer file that is no number empties every value.
  std::ofstream(Folder() + "/rdbbuf") << "BUFFER4K = many\n";
  env.Dialogs().messages.clear();
  form->btnRdbShow->click();
  EXPECT_EQ(Boxes(), (Lines{"RDB情報ファイルの読み込みに失敗しました。"}));
  EXPECT_EQ(Values(*form->grdMemory), (Lines{"", "", ""}));
  EXPECT_EQ(Values(*form->grdBuffer), (Lines{""}));
}

TEST_F(DatabaseInformation, ALevel9ServerReadsItsFileAndTheLogReport) {
  LowerTheSampleToLevel9();
  TfrmObject* connection = Logon();
  ASSERT_EQ(connection->Level(), 9);
  DbOption.SysFile = Folder() + "/rdb.env";
  connection->Action("actDatabase")->trigger();
  ASSERT_EQ(Windows<TfrmDB>().size(), 1u);
  TfrmDB* form = Windows<TfrmDB>().front();
  EXPECT_EQ(form->txtSysFile->text().toStdString(), Folder() + "/rdb.env");

  form->pagDB->setCurrentWidget(form->tabParam);
  EXPECT_TRUE(form->pnlSettei->isVisible());
  EXPECT_EQ(Names(*form->lstParameter), (Lines{"CONNECT_TIMEOUT", "MAX_CONNECT", "SQL_LEVEL", "WORK_PATH"}));
  EXPECT_EQ(form->lstParameter->topLevelItem(1)->text(1).toStdString(), "100");
  form->txtFind->setText("CONNECT");
  form->btnFind->click();
  EXPECT_EQ(Names(*form->lstParameter), (Lines{"CONNECT_TIMEOUT", "MAX_CONNECT"}));

  form->pagDB->setCurrentWidget(form->tabLogFile);
  ASSERT_EQ(form->lstLogFile->topLevelItemCount(), 1);
  QTreeWidgetItem* system = form->lstLogFile->topLevelItem(0);
  EXPECT_EQ(Node(system), (Lines{"system", "", "", "ACTIVE"}));
  ASSERT_EQ(system->childCount(), 3);
  EXPECT_EQ(Node(system->child(0)), (Lines{"/var/symfoware/log/ai", "10240", "-----", ""}));
  EXPECT_EQ(ToolCalls().back(), "rdblog\t-V\t-t");

  setenv("SYMFOWARE_TOOL_FAIL", "rdblog:nostatus", 1);
  env.Dialogs().messages.clear();
  form->actRefresh->trigger();
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes()[0].find("Ai           :10M"), std::string::npos);
  EXPECT_EQ(form->lstLogFile->topLevelItemCount(), 0);
}

}  // namespace
