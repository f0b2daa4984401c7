#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSqlQuery>

#include <string>
#include <vector>

#include "standin/symfoware/catalogue.h"
#include "standin/symfoware/sqlite.h"
#include "tests/standin/odbc_fixture.h"
#include "tests/standin/tools_sample.h"

namespace {

using Lines = std::vector<std::string>;
using testing_tools::ToolLines;

class BackupToolsTest : public ::testing::Test {
 protected:
  BackupToolsTest() {
    TestApp();
    unsetenv("SYMFOWARE_TOOL_FAIL");
  }
  ~BackupToolsTest() override { unsetenv("SYMFOWARE_TOOL_FAIL"); }
  QString File(const std::string& name, const QByteArray& text = {}) {
    const QString path = QString::fromStdString(sample.Path(name));
    if (!text.isEmpty()) {
      QFile file(path);
      file.open(QIODevice::WriteOnly);
      file.write(text);
    }
    return path;
  }
  long long Count(const std::string& schema, const std::string& sql) {
    symfoware::SqliteFile file(symfoware::SchemaFilePath(sample.Folder(), schema));
    QSqlQuery q(file.Database());
    q.exec(QString::fromStdString(sql));
    q.next();
    return q.value(0).toLongLong();
  }
  testing_tools::SampleDataSource sample;
};

TEST_F(BackupToolsTest, RetainsAndInhibitsSayNothingUnlessTheyAreRefused) {
  const QStringList dsi{"-i", "orvsample.CUSTOMER_DSI"};
  EXPECT_EQ(ToolLines("rdbrtr", dsi), Lines{});
  EXPECT_EQ(ToolLines("rdbrtr", dsi),
            (Lines{"rdbrtr: DSI ORVSAMPLE.CUSTOMER_DSI は他のプロセスで退避中です", "rdbrtrが異常終了しました 復帰コード 08"}));
  EXPECT_EQ(ToolLines("rdbrls", dsi), Lines{});
  EXPECT_EQ(ToolLines("rdbrtr", dsi), Lines{});
  EXPECT_EQ(ToolLines("rdbinh", dsi), Lines{});
  EXPECT_EQ(ToolLines("rdbinh", dsi).size(), 2u);
  EXPECT_EQ(ToolLines("rdbpmt", dsi), Lines{});
  EXPECT_EQ(ToolLines("rdbinh", dsi), Lines{});
  setenv("SYMFOWARE_TOOL_FAIL", "rdbrls:talk", 1);
  EXPECT_EQ(ToolLines("rdbrls", dsi), Lines{"rdbrls: 処理しました"});
  EXPECT_EQ(ToolLines("rdbrtr", {"-i", "ORVSAMPLE.NO_SUCH_DSI"}).back(), "rdbrtrが異常終了しました 復帰コード 08");
}

TEST_F(BackupToolsTest, ADumpIsDescribedInNineLinesAndKeptUnlessOverwritingIsAsked) {
  const std::string target = "ITEM.DMP@" + sample.Path("bk");
  QDir().mkpath(QString::fromStdString(sample.Path("bk")));
  const QStringList dump{"-i", "ORVSAMPLE.ITEM_DSI", "-f", QString::fromStdString(target), "-N"};
  EXPECT_EQ(ToolLines("rdbdmp", dump).back(), "rdbdmpが正常終了しました 復帰コード 00");
  EXPECT_EQ(ToolLines("rdbdmp", dump).back(), "rdbdmpが異常終了しました 復帰コード 08");
  EXPECT_EQ(ToolLines("rdbdmp", dump + QStringList{"-e", "-y"}).back(), "rdbdmpが正常終了しました 復帰コード 00");

  const QStringList describe{"-r", QString::fromStdString(sample.Path("bk/ITEM.DMP")), "-h", "-a"};
  const Lines lines = ToolLines("rdbdvinf", describe);
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[8], "rdbdmp    DSI   ORVSAMPLE.ITEM_DSI");
  setenv("SYMFOWARE_TOOL_FAIL", "rdbdvinf:extra", 1);
  EXPECT_EQ(ToolLines("rdbdvinf", describe).size(), 10u);
  setenv("SYMFOWARE_TOOL_FAIL", "rdbdvinf:short", 1);
  EXPECT_EQ(ToolLines("rdbdvinf", describe).size(), 8u);
  unsetenv("SYMFOWARE_TOOL_FAIL");
  EXPECT_EQ(ToolLines("rdbdvinf", {"-r", File("plain.txt", "text"), "-h", "-a"}).size(), 2u);

  // A recovery needs the DSI inhibited and a dump of that DSI.
  const QStringList recover{"-L", "-i", "ORVSAMPLE.ITEM_DSI", "-f", QString::fromStdString(target), "-w",
                            QString::fromStdString(sample.Path("bk"))};
  EXPECT_EQ(ToolLines("rdbrcv", recover).back(), "rdbrcvが異常終了しました 復帰コード 08");
  ToolLines("rdbinh", {"-i", "ORVSAMPLE.INVENTORY_DSI"});
  EXPECT_EQ(ToolLines("rdbrcv", {"-L", "-i", "ORVSAMPLE.INVENTORY_DSI", "-f", QString::fromStdString(target), "-w",
                                 QString::fromStdString(sample.Path("bk"))})
                .front(),
            "rdbrcv: ダンプファイルは ORVSAMPLE.ITEM_DSI のものです");
  ToolLines("rdbinh", {"-i", "ORVSAMPLE.ITEM_DSI"});
  {
    symfoware::SqliteFile file(symfoware::SchemaFilePath(sample.Folder(), "STOCK"));
    QSqlQuery(file.Database()).exec("DELETE FROM ITEM");
  }
  EXPECT_EQ(ToolLines("rdbrcv", recover).back(), "rdbrcvが正常終了しました 復帰コード 00");
  EXPECT_EQ(Count("STOCK", "SELECT COUNT(*) FROM ITEM WHERE PRICE = 1200.5 AND ITEM_NAME = 'ノート'"), 1);
}

TEST_F(BackupToolsTest, TheLoaderHonoursItsDelimiterQuotesAndErrorCount) {
  const QString data = File("items.dat",
                            "'C-300';'消しゴム';80.5;0.01\r\n"
                            "'A-100';'dup';1;1\r\n"
                            "'D-400';'x;y';;;\r\n");
  const QString errors = File("errors.txt");
  const QStringList load{"-ma", "-i", "ORVSAMPLE.ITEM_DSI", "-t", "-e", "-p", ";", "-l", "'", "-r"};
  // At the first failing row the load stops and adds nothing.
  EXPECT_EQ(ToolLines("rdbsaloader", load + QStringList{"1," + errors, data}).back(),
            "rdbsaloaderが異常終了しました 復帰コード 08");
  EXPECT_EQ(Count("STOCK", "SELECT COUNT(*) FROM ITEM"), 2);
  EXPECT_EQ(ToolLines("rdbsaloader", load + QStringList{"ALL," + errors, data}),
            (Lines{"rdbsaloader: 2 件のデータを追加しました", "rdbsaloader: 1 件のエラーがありました",
                   "rdbsaloaderが正常終了しました 復帰コード 00"}));
  EXPECT_EQ(Count("STOCK", "SELECT COUNT(*) FROM ITEM WHERE ITEM_CODE = 'D-400' AND ITEM_NAME = 'x;y' AND PRICE IS NULL"),
            1);
  QFile failed(errors);
  failed.open(QIODevice::ReadOnly);
  EXPECT_EQ(failed.readAll().toStdString(), "'A-100';'dup';1;1\r\n");

  // The condition file names the output, then the condition; -n leaves out
  // the rows with NULL.
  const QString out = QString::fromStdString(sample.Path("out.dat"));
  const QString condition = File("cond.txt", (out + "\nPRICE < 1000\n").toUtf8());
  EXPECT_EQ(ToolLines("rdbunl", {"-i", "ORVSAMPLE.ITEM_DSI", "-t", "-n", "-f", condition}).front(),
            "rdbunl: 2 件のデータを出力しました");
  QFile written(out);
  written.open(QIODevice::ReadOnly);
  EXPECT_EQ(written.readAll().toStdString(), "\"A-100\",\"ボールペン\",150,0.02\r\n\"C-300\",\"消しゴム\",80.5,0.01\r\n");
  EXPECT_EQ(ToolLines("rdbunl", {"-i", "ORVSAMPLE.ITEM_DSI", "-o", out}).back(), "rdbunlが異常終了しました 復帰コード 08");
}

}  // namespace
