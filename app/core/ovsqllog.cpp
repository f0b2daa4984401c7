#include "app/core/ovsqllog.h"

#include <stdexcept>

#include "app/core/ovreg.h"
#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "platform/folders.h"
#include "platform/textfile.h"

void LoadSQLLogIndex() {
  SQLLogFiles.clear();
  try {
    SQLLogFiles = TextToList(platform::ReadTextFile(WorkFolder() + kSQLLogIndex));
  } catch (const std::runtime_error&) {
    // No index yet, or a damaged one: the history starts empty.
  }
}

void SaveSQLLogIndex() {
  platform::CreateFolder(WorkFolder());
  platform::WriteTextFile(WorkFolder() + kSQLLogIndex, ListToText(SQLLogFiles));
}
