// The program with every registration routine of the main block, logged on
// to the sample, and ways to select objects of the connection window's list
// and to reach its commands.
#pragma once

#include <QSignalBlocker>
#include <QTreeWidgetItem>

#include <algorithm>

#include "app/core/fobjtreecore.h"
#include "app/core/ovreg.h"
#include "objedit/objregister.h"
#include "tests/admin/admin_fixture.h"
#include "ui/uiregister.h"

namespace testing_admin {

class ObjectToolsProgram : public AdminProgram {
 protected:
  ObjectToolsProgram() {
    // The program's order: the editors before the administration windows.
    ClearActionHandlers();
    RegisterUi(*main);
    RegisterApp(*main);
    RegisterSqlWork();
    RegisterObjEdit();
    RegisterAdmin();
    window = Logon();
  }

  // Makes the tree node `schema` > `kind` (the schema itself when no kind
  // is given) current and selects the listed
  // objects named (all when none is named).
  void Select(const std::string& schema, const std::string& kind, const Lines& names = {}) {
    {
      const QSignalBlocker blocker(window->lstTree);
      QTreeWidgetItem* root = window->lstTree->topLevelItem(0);
      for (int i = 0; i < root->childCount(); ++i)
        if (root->child(i)->text(0).toStdString() == schema && kind.empty())
          window->lstTree->setCurrentItem(root->child(i));
        else if (root->child(i)->text(0).toStdString() == schema)
          for (int k = 0; k < root->child(i)->childCount(); ++k)
            if (root->child(i)->child(k)->text(0).toStdString() == kind)
              window->lstTree->setCurrentItem(root->child(i)->child(k));
    }
    window->FillObjectList(true);
    window->lstObject->clearSelection();
    for (int i = 0; i < window->lstObject->topLevelItemCount(); ++i) {
      QTreeWidgetItem* item = window->lstObject->topLevelItem(i);
      if (names.empty() || std::find(names.begin(), names.end(), item->text(0).toStdString()) != names.end())
        item->setSelected(true);
    }
  }
  QAction* Command(const char* name) {
    window->mnuObjectClick();
    return window->Action(name);
  }
  // The calls of rdbups among the tools' (logging on probes with rdbprt).
  Lines RdbupsCalls() const {
    Lines calls;
    for (const std::string& call : ToolCalls())
      if (call.rfind("rdbups", 0) == 0) calls.push_back(call);
    return calls;
  }
  std::string StoredSchemas() {
    TovRegistry reg;
    if (!reg.OpenKey(ObjectTreeKey(testing_tools::kSampleDataSource), false)) return "<none>";
    return reg.ReadStringDef("Schema", "<none>");
  }
  void StoreSchemas(const std::string& text) {
    TovRegistry reg;
    reg.OpenKey(ObjectTreeKey(testing_tools::kSampleDataSource), true);
    reg.WriteString("Schema", text);
  }

  TfrmObject* window = nullptr;
};

}  // namespace testing_admin
