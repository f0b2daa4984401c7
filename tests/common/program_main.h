// The main window as the program starts it, for the tests of windows that
// live in it: fresh options and short-cuts, no action handlers but those
// registered after it, and the editors taking its settings (RegisterUi).
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>

#include <memory>

#include "app/core/fmainactcore.h"
#include "app/core/ovoptions.h"
#include "app/core/ovshortcut.h"
#include "app/core/zarur.h"
#include "app/fmain.h"
#include "ui/ovprinter.h"
#include "ui/uiregister.h"
#include "ui/zarurctl.h"

namespace testing_support {

inline std::unique_ptr<TfrmMain> StartProgramMain() {
  InitFolders();
  AppOption = {};
  ShortCuts = DefaultShortCuts();
  ClearActionHandlers();
  auto main = std::make_unique<TfrmMain>();
  // Active, as the started program is: the edit actions follow the focus,
  // which an inactive window never reports.
  main->show();
  main->activateWindow();
  if (!QTest::qWaitForWindowActive(main.get())) ADD_FAILURE() << "the main window never became active";
  RegisterUi(*main);
  return main;
}

inline void StopProgramMain(std::unique_ptr<TfrmMain>& main) {
  SetControlOptionsWindow(nullptr);
  SetPrintOwner(nullptr);
  main.reset();
  ClearActionHandlers();
  QCoreApplication::processEvents();
}

}  // namespace testing_support
