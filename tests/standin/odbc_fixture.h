// A private ODBC configuration for a test: the fixture odbcinst.ini and
// odbc.ini copied into a temporary folder (the data sources' files live
// there too), with ODBCSYSINI and ODBCINI pointing at it.
#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <string>

#include "standin/symfoware/catalogue.h"
#include "tests/platform/testapp.h"

namespace testing_odbc {

// Data sources: LITE (SQLite through unixODBC), ORVTEST and ORVTEST2 (the
// stand-in, folders made by CreateStandin; ORVTEST's client SQL trace goes
// to the folder "trace" once a test makes it), SYMREAL (a Symfoware driver that is not
// installed), PGDATA (another driver), NOFOLDER (stand-in without folder).
//
// unixODBC reads ODBCINI and ODBCSYSINI once per process, so every fixture
// of a process uses the same folder, emptied when a fixture is made.
class OdbcFixture {
 public:
  OdbcFixture() : dir_(SharedDir()) {
    TestApp();  // Qt SQL wants an application object
    for (const QString& entry : dir_.entryList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
      QDir sub(dir_.filePath(entry));
      if (sub.exists())
        sub.removeRecursively();
      else
        QFile::remove(dir_.filePath(entry));
    }
    QString fixtures = QStringLiteral(TEST_FIXTURE_DIR "/odbc/");
    QFile::copy(fixtures + "odbcinst.ini", dir_.filePath("odbcinst.ini"));
    QFile in(fixtures + "odbc.ini.in");
    in.open(QIODevice::ReadOnly);
    QByteArray text = in.readAll().replace("@DIR@", dir_.path().toUtf8());
    QFile out(dir_.filePath("odbc.ini"));
    out.open(QIODevice::WriteOnly);
    out.write(text);
    out.close();
    setenv("ODBCSYSINI", dir_.path().toUtf8().constData(), 1);
    setenv("ODBCINI", dir_.filePath("odbc.ini").toUtf8().constData(), 1);
  }

  std::string Path(const std::string& name) const {
    return dir_.filePath(QString::fromStdString(name)).toStdString();
  }
  std::string Dir() const { return dir_.path().toStdString(); }

  // Makes the folder of a stand-in data source with one administrator.
  void CreateStandin(const std::string& user, const std::string& password,
                     const std::string& dataSource = "ORVTEST") const {
    symfoware::CreateDataSourceFolder(Path(dataSource), dataSource, user, password);
  }

 private:
  static QDir SharedDir() {
    static QTemporaryDir dir;
    return QDir(dir.path());
  }
  QDir dir_;
};

}  // namespace testing_odbc
