#include "app/core/fobjectreport.h"

#include <QFile>
#include <QString>

#include "app/core/ovconnwin.h"
#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "platform/process.h"

namespace {

constexpr char kControlFileSuffix[] = ".rdbprt";

// Removes the control file when the report's run ends, also by an exception.
class TControlFile {
 public:
  explicit TControlFile(std::string path) : path_(std::move(path)) {}
  ~TControlFile() { QFile::remove(QString::fromStdString(path_)); }
  TControlFile(const TControlFile&) = delete;
  TControlFile& operator=(const TControlFile&) = delete;

 private:
  std::string path_;
};

}  // namespace

std::string TableReportControl(const std::string& schema, const std::string& table) {
  return "TABLE (" + schema + "." + table + ")";
}

std::vector<std::string> TableReport(TovConnectionWindow& window, const std::string& fileStem,
                                     const std::string& controlText, bool& ok) {
  const std::string controlName = SanitizeFileName(fileStem) + kControlFileSuffix;
  const TControlFile control(WorkFolder() + controlName);
  const std::string path = WriteTempFile(controlName, controlText);
  TovSQLConnection& connection = window.Module().Connection;
  if (connection.InTransaction()) connection.CommitTrans();
  std::vector<std::string> lines;
  // The control file's path comes quoted already.
  ok = RunCommand("rdbprt -d " + platform::QuoteArgument(window.Module().GetDataSourceName()) + " -m DEF -f " + path,
                  lines, true);
  return lines;
}
