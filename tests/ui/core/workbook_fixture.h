// A workbook test's folder and an independent reader of what it writes:
// python3-openpyxl run by the distribution's interpreter.
#pragma once

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <sys/resource.h>

namespace testing_workbook {

// The distribution's interpreter, which has python3-openpyxl.
inline constexpr const char* kPython = "/usr/bin/python3";

// Runs a Python script with openpyxl imported and `path` as `p`; returns
// what it prints.
inline std::string RunPython(const std::string& script, const std::string& path) {
  QProcess process;
  process.start(kPython, {"-c", QString::fromStdString("import sys, openpyxl, zipfile, datetime\np = sys.argv[1]\n" +
                                                       script),
                          QString::fromStdString(path)});
  process.waitForFinished();
  EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
  return QString::fromUtf8(process.readAllStandardOutput()).trimmed().toStdString();
}

class WorkbookFixture : public testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir_.filePath(QString::fromStdString(name)).toStdString(); }

  // RunPython.
  std::string Python(const std::string& script, const std::string& path) const { return RunPython(script, path); }

  // A form workbook as a user leaves one: styles, merged cells, widths, a
  // print area and a second sheet.
  std::string MakeForm() const {
    const std::string path = Path("form.xlsx");
    Python(R"(
from openpyxl.styles import Font, PatternFill
wb = openpyxl.Workbook()
ws = wb.active
ws.title = "Form"
ws["A1"] = "見出し"
ws["A1"].font = Font(bold=True, size=14)
ws["A1"].fill = PatternFill("solid", fgColor="FFFF00")
ws["A3"] = "block"
ws["A3"].fill = PatternFill("solid", fgColor="00FF00")
ws.merge_cells("B3:C4")
ws["D3"] = 7
ws.merge_cells("A1:C1")
ws.column_dimensions["B"].width = 30
ws.print_area = "A1:E10"
other = wb.create_sheet("Other")
other["A1"] = "keep me"
other["B2"] = 12.5
wb.save(p)
)",
           path);
    return path;
  }

  QTemporaryDir dir_;
};

// Files this process writes may not grow beyond `bytes` while the object
// lives, so that a save fails part way.
class ScopedFileSizeLimit {
 public:
  explicit ScopedFileSizeLimit(size_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{static_cast<rlim_t>(bytes), saved_.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~ScopedFileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }
  ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
  ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

 private:
  rlimit saved_{};
};

}  // namespace testing_workbook
