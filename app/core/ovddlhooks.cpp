#include "app/core/ovddlhooks.h"

#include <stdexcept>
#include <utility>

namespace {

const char kNotInstalled[] = "DDL window not installed: ";

template <typename Procedure>
Procedure& Installed() {
  static Procedure procedure;
  return procedure;
}

template <typename Procedure>
const Procedure& Required(const char* name) {
  const Procedure& procedure = Installed<Procedure>();
  if (!procedure) throw std::logic_error(std::string(kNotInstalled) + name);
  return procedure;
}

}  // namespace

void SetShowDDLPreview(TShowDDLPreview procedure) { Installed<TShowDDLPreview>() = std::move(procedure); }
void SetRunDDLExec(TRunDDLExec procedure) { Installed<TRunDDLExec>() = std::move(procedure); }
void SetWaitDDLExec(TWaitDDLExec procedure) { Installed<TWaitDDLExec>() = std::move(procedure); }

bool ShowDDLPreviewInstalled() { return static_cast<bool>(Installed<TShowDDLPreview>()); }
bool RunDDLExecInstalled() { return static_cast<bool>(Installed<TRunDDLExec>()); }
bool WaitDDLExecInstalled() { return static_cast<bool>(Installed<TWaitDDLExec>()); }

bool ShowDDLPreview(std::vector<std::string>& list, const std::string& schema, const std::string& name) {
  return Required<TShowDDLPreview>("ShowDDLPreview")(list, schema, name);
}

void RunDDLExec(TovConnectionWindow& connection, std::vector<std::string>& list, TDDLRun run) {
  Required<TRunDDLExec>("RunDDLExec")(connection, list, run);
}

void WaitDDLExec() { Required<TWaitDDLExec>("WaitDDLExec")(); }

void RunDDLExecAndWait(TovConnectionWindow& connection, std::vector<std::string>& list, TDDLRun run) {
  try {
    RunDDLExec(connection, list, run);
  } catch (...) {
    WaitDDLExec();
    throw;
  }
  WaitDDLExec();
}
