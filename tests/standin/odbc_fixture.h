// A private ODBC configuration for a test: the fixture odbcinst.ini and
// odbc.ini copied into a temporary folder (the data sources' files live
// there too), with ODBCSYSINI and ODBCINI pointing at it.
#pragma once

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <string>

#include "standin/symfoware/catalogue.h"

namespace testing_odbc {

// Qt SQL and widgets want an application object; another test file of
// the same binary may have made one already.
inline void EnsureQtApp() {
  if (QCoreApplication::instance()) return;
  static int argc = 1;
  static char name[] = "tests";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
}

// Data sources: LITE (SQLite through unixODBC), ORVTEST (the stand-in, a
// folder made by CreateStandin), SYMREAL (a Symfoware driver that is not
// installed), PGDATA (another driver), NOFOLDER (stand-in without folder).
class OdbcFixture {
 public:
  OdbcFixture() {
    EnsureQtApp();
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

  std::string Path(const std::string& name) const { return dir_.filePath(QString::fromStdString(name)).toStdString(); }

  // Makes the ORVTEST folder with one administrator.
  void CreateStandin(const std::string& user, const std::string& password) const {
    symfoware::CreateDataSourceFolder(Path("ORVTEST"), "ORVTEST", user, password);
  }

 private:
  QTemporaryDir dir_;
};

}  // namespace testing_odbc
