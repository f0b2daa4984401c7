// Points every folder orv reads or writes (settings store, documents, shared
// data) into a temporary folder of the test, and answers dialogs from a
// script, for the lifetime of the object.
#pragma once

#include <QTemporaryDir>

#include <cstdlib>
#include <string>

#include "platform/dialogs.h"
#include "platform/regstore.h"

namespace testing_support {

class TempSettings {
 public:
  TempSettings() {
    Set("HOME", Path("home"));
    Set("XDG_CONFIG_HOME", Path("config"));
    Set("XDG_CONFIG_DIRS", Path("etc"));
    Set("XDG_DATA_HOME", Path("data"));
    Set("XDG_DOCUMENTS_DIR", Path("docs"));
    platform::ForgetSharedStores();
  }
  ~TempSettings() { platform::ForgetSharedStores(); }
  TempSettings(const TempSettings&) = delete;
  TempSettings& operator=(const TempSettings&) = delete;

  std::string Path(const std::string& sub) const { return dir_.filePath(QString::fromStdString(sub)).toStdString(); }
  std::string UserStore() const { return Path("config") + "/Tessavar/current_user.registry"; }
  static void Set(const char* name, const std::string& value) { setenv(name, value.c_str(), 1); }
  // A new run of the program: the stores are read from their files again.
  static void Restart() { platform::ForgetSharedStores(); }
  platform::ScriptedDialogs& Dialogs() { return *dialogs_; }

 private:
  QTemporaryDir dir_;
  platform::ScopedScriptedDialogs dialogs_;
};

}  // namespace testing_support
