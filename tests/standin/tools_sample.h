// The stand-in sample data source ORVSAMPLE built by symfoware-setup into
// a temporary folder, with the ODBC files pointing at it and the stand-in
// command-line tools first on the PATH, for the lifetime of the object.
#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

namespace testing_tools {

inline const std::string kToolBin = TEST_BINARY_DIR "/standin/symfoware/tools/bin";
inline const char kSampleDataSource[] = "ORVSAMPLE";
inline const char kSampleUser[] = "ORVUSER";
inline const char kSamplePassword[] = "orvuser";
inline constexpr int kSetupMillis = 60000;

// Puts the stand-in tools first on the PATH.
inline void UseStandinTools() {
  const char* path = std::getenv("PATH");
  setenv("PATH", (kToolBin + ":" + (path ? path : "")).c_str(), 1);
}

// Runs a stand-in tool and returns the lines it printed on standard
// output, without their line ends; empty lines are left out.
inline std::vector<std::string> ToolLines(const std::string& tool, const QStringList& args) {
  QProcess process;
  process.start(QString::fromStdString(kToolBin + "/" + tool), args);
  process.waitForFinished();
  std::vector<std::string> lines;
  for (const QByteArray& line : process.readAllStandardOutput().split('\n'))
    if (!line.isEmpty()) lines.push_back(QString::fromUtf8(line).remove('\r').toStdString());
  return lines;
}

class SampleDataSource {
 public:
  // Extra users are "NAME/PASSWORD" texts.
  explicit SampleDataSource(const QStringList& extraUsers = {"GUEST/guest"}) {
    const QString odbc = dir_.filePath("odbc");
    QProcess setup;
    QStringList args{odbc, kSampleDataSource, dir_.filePath("ORVSAMPLE"),
                     QStringLiteral(TEST_FIXTURE_DIR "/../../standin/symfoware/sample.sql"),
                     QString(kSampleUser) + "/" + kSamplePassword};
    args << extraUsers;
    setup.start(QStringLiteral(TEST_BINARY_DIR "/standin/symfoware/symfoware-setup"), args);
    if (!setup.waitForFinished(kSetupMillis) || setup.exitCode() != 0)
      throw std::runtime_error("symfoware-setup: " + setup.readAllStandardError().toStdString());
    setenv("ODBCSYSINI", odbc.toUtf8().constData(), 1);
    setenv("ODBCINI", (odbc + "/odbc.ini").toUtf8().constData(), 1);
    UseStandinTools();
    CopyServerFiles();
  }

  std::string Path(const std::string& name) const { return dir_.filePath(QString::fromStdString(name)).toStdString(); }
  std::string Folder() const { return Path("ORVSAMPLE"); }

  // The sample server's files, as scripts/sample.sh copies them.
  void CopyServerFiles() const {
    const QDir from(QStringLiteral(TEST_FIXTURE_DIR "/../../standin/symfoware/sample"));
    const QString to = QString::fromStdString(Folder()) + "/";
    for (const char* name : {"rdbps.txt", "rdblkinf.txt", "rdbbuf", "rdb.env"}) {
      QFile::remove(to + name);
      QFile::copy(from.filePath(name), to + name);
    }
    QFile cfg(from.filePath("rdb.cfg"));
    QFile out(to + "rdb.cfg");
    if (!cfg.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
      throw std::runtime_error("the sample server's files cannot be copied");
    out.write(cfg.readAll().replace("@FOLDER@", QString::fromStdString(Folder()).toUtf8()));
  }

 private:
  QTemporaryDir dir_;
};

}  // namespace testing_tools
