// The editor-facing routines of a connection window for doubles whose
// tests never reach them: each raises, so a test that does fails loudly.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/core/ovconnwin.h"

namespace testing_connection {

class UnservedConnection : public TovConnectionWindow {
 public:
  void ExecSQL(const std::string&) override { Unserved(); }
  void ExecScript(const std::vector<std::string>&, bool) override { Unserved(); }
  std::string GetSchemaCode(const std::string&, const std::string&) override { Unserved(); }
  std::string GetTableCode(const std::string&, const std::string&, const std::string&) override { Unserved(); }
  void GetUserList(std::vector<std::string>&, bool) override { Unserved(); }
  void GetRoleList(std::vector<std::string>&) override { Unserved(); }
  void GetDBSpaceList(std::vector<std::string>&) override { Unserved(); }
  void GetDSIList(std::vector<std::string>&) override { Unserved(); }
  void GetTableDSOList(std::vector<std::string>&, const std::string&, const std::string&) override { Unserved(); }
  void GetTableDSIList(std::vector<std::string>&, const std::string&, const std::string&) override { Unserved(); }
  void GetObjectNames(std::vector<std::string>&, const std::string&, const std::string&) override { Unserved(); }
  void WalkSelected(bool, const std::function<void(const TObjectItem&)>&) override { Unserved(); }
  bool LevelReduced() const override { return false; }
  void BuildTree() override { Unserved(); }

 private:
  [[noreturn]] static void Unserved() { throw std::logic_error("not served by this connection double"); }
};

}  // namespace testing_connection
